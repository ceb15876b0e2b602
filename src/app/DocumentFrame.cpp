#include "app/DocumentFrame.h"

#include "app/DocumentNaming.h"
#include "app/FileDialogs.h"
#include "app/FileJob.h"
#include "app/FileProgressBar.h"
#include "app/FindResultsPane.h"
#include "app/ShellMessages.h"
#include "app/ShellText.h"
#include "config/LoadText.h"
#include "config/StringTable.h"
#include "document/DocumentMessages.h"
#include "document/FileProgress.h"
#include "document/StatusMessageTable.h"
#include "document/XmlDocument.h"
#include "editing/CommandId.h"
#include "editing/EditCommandState.h"
#include "editing/NodeFinder.h"
#include "editing/NodePathText.h"
#include "tools/ResultFileName.h"
#include "tools/ResultFileWriter.h"
#include "tools/SchemaValidator.h"
#include "tools/XslTransformer.h"
#include "view/BusyCursor.h"
#include "view/InPlaceEdit.h"
#include "view/TreeListPane.h"
#include "view/TreeListView.h"

#include <QApplication>
#include <QFileInfo>
#include <QVBoxLayout>

namespace {
constexpr int ResultFilterStringId = 224;
constexpr int ResultFileFailedStringId = 40101;
constexpr int ValidationSuccessfulStringId = 40199;
} // namespace

DocumentFrame::DocumentFrame(const LanguageResource* language, QWidget* parent)
    : QWidget(parent), m_pane(new TreeListPane(this)), m_view(m_pane->View()),
      m_progressBar(new FileProgressBar(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pane, 1);
    layout->addWidget(m_progressBar);
    m_view->SetLanguage(language);
    setFocusProxy(m_pane);
}

DocumentFrame::~DocumentFrame() = default;

bool DocumentFrame::WorksWhileBusy(int commandId)
{
    switch (commandId) {
    case CommandId::FileNew:
    case CommandId::FileOpen:
    case CommandId::FileClose:
    case CommandId::CloseAll:
    case CommandId::CloseAllButThis:
    case CommandId::SaveAll:
    case CommandId::CopyDocumentPath:
    case CommandId::OpenContainingFolder:
    case CommandId::PreviousTab:
    case CommandId::NextTab:
        return true;
    default:
        return false;
    }
}

void DocumentFrame::StartWork(Work kind, const QString& path,
                              std::function<XmlStatus(FileProgress&)> work)
{
    // The worker reads the document (a save) or fills one nobody sees yet (an open); edits
    // wait, so the tree never changes under it. A disabled pane takes no keys, clicks, drops
    // or context menus, and the command routing asks IsBusy.
    m_work = kind;
    m_workPath = path;
    m_hadFocus = m_pane->isAncestorOf(QApplication::focusWidget());
    m_pane->setEnabled(false);
    m_job = std::make_unique<FileJob>(std::move(work));
    connect(m_job.get(), &FileJob::Finished, this, &DocumentFrame::FinishWork);
    const int text = kind == Work::Open ? StringId::OpeningFile : StringId::SavingFile;
    m_progressBar->Follow(m_job->Progress(), ShellText::Format(text, {QFileInfo(path).fileName()}));
}

void DocumentFrame::StartOpen(const QString& path)
{
    m_untitled = false;
    m_view->SetFilePath(path);
    m_loadFailure.clear();
    m_incoming = std::make_unique<XmlDocument>();
    XmlDocument* document = m_incoming.get();
    StartWork(Work::Open, path,
              [document, path](FileProgress& progress) { return document->Load(path, &progress); });
}

bool DocumentFrame::StartSave()
{
    return StartSaving(Work::Save, m_view->FilePath());
}

bool DocumentFrame::StartSaveAs(const QString& path)
{
    return StartSaving(Work::SaveAs, path);
}

bool DocumentFrame::StartSaving(Work kind, const QString& path)
{
    if (IsBusy())
        return false;
    // An edit still open would otherwise commit when the pane is disabled, under the worker.
    InPlaceEdit& editor = m_view->Editor();
    if (editor.IsOpen())
        editor.End(false);
    if (editor.IsOpen())
        return false;
    XmlDocument* document = &m_view->Document();
    StartWork(kind, path,
              [document, path](FileProgress& progress) { return document->Save(path, &progress); });
    return true;
}

void DocumentFrame::FinishWork()
{
    const Work kind = m_work;
    const QString path = m_workPath;
    const XmlStatus status = m_job->Status();
    m_progressBar->Stop();
    // Later: this runs inside the job's own signal.
    m_job.release()->deleteLater();
    m_work = Work::None;
    m_pane->setEnabled(true);
    // Back to the tree if it had the focus, or if the tab just opened is still in front.
    if (isVisible() && (m_hadFocus || kind == Work::Open || !QApplication::focusWidget()))
        m_view->setFocus();
    if (kind == Work::Open) {
        std::unique_ptr<XmlDocument> document = std::move(m_incoming);
        if (status == XE_OK) {
            m_view->ShowDocument(std::move(document), path);
            TakeDiskState();
        } else if (status != XE_CANCELLED) {
            m_loadFailure = LoadErrorText(path, status, document->ErrorLine(),
                                          document->ErrorPosition(), document->LastFileFailure());
        }
    } else if (status == XE_OK) {
        if (kind == Work::SaveAs) {
            m_view->SetFilePath(path);
            m_untitled = false;
        }
        TakeDiskState();
    } else if (status != XE_CANCELLED) {
        ReportSaveFailure(path, status);
    }
    emit WorkFinished(kind, status);
}

void DocumentFrame::WaitForWork()
{
    if (m_job)
        m_job->Wait();
}

void DocumentFrame::CancelWork()
{
    if (m_job)
        m_job->Progress().Cancel();
}

void DocumentFrame::ReportSaveFailure(const QString& path, XmlStatus status)
{
    QString text = SaveErrorText(path, status, m_view->Document().LastFileFailure());
    // A node the file cannot hold is selected and named, so the user sees what to change.
    const XmlDocument& document = m_view->Document();
    NodeIdPath ids;
    if (document.GetIdPath(document.SaveFailureNodeId(), ids)) {
        if (TreeListItem* item = m_view->FindItemByPath(ids))
            m_view->SelectItem(item);
        const XmlNode* node = document.FindNode(ids.back());
        const QString name =
            node->Kind() == XmlNodeKind::Text || node->Kind() == XmlNodeKind::Comment
                ? node->LocalName()
                : node->QualifiedName();
        text += u'\n' + FormatPlaceholders(LoadText(StringId::UnwritableNode), {name});
    }
    ShellMessages::ShowError(m_view, text);
}

bool DocumentFrame::NewFile(const QString& name)
{
    m_untitled = true;
    return m_view->NewFile(name);
}

void DocumentFrame::TakeDiskState()
{
    m_known = m_view->Document().DiskFingerprint();
    m_seen = m_kept = FileFingerprint();
    m_deleted = false;
}

DocumentFrame::DiskChange DocumentFrame::CheckDisk()
{
    if (m_untitled)
        return DiskChange::None;
    const QFileInfo info(Path());
    if (!info.exists()) {
        m_deleted = true;
        return DiskChange::Deleted;
    }
    if (m_known.SameStat(info) || m_kept.SameStat(info)) {
        m_deleted = false;
        return DiskChange::None;
    }
    const FileFingerprint now = FileFingerprint::OfFile(Path());
    // Unreadable for the moment (another program may be writing it): the next check sees.
    if (now.IsEmpty())
        return DiskChange::None;
    m_deleted = false;
    // Remembering the new time keeps the next check from reading the file again.
    if (now.SameContent(m_known)) {
        m_known = now;
        return DiskChange::None;
    }
    if (now.SameContent(m_kept)) {
        m_kept = now;
        return DiskChange::None;
    }
    m_seen = now;
    return DiskChange::Changed;
}

QString DocumentFrame::Path() const
{
    return m_view->FilePath();
}

bool DocumentFrame::IsModified() const
{
    // An opening tab shows no document of its own yet.
    return m_work != Work::Open && m_view->Document().IsModified();
}

QString DocumentFrame::DisplayName() const
{
    return DocumentNaming::DisplayName(Path(), m_untitled);
}

QString DocumentFrame::Caption() const
{
    const QString caption = DocumentNaming::Caption(DisplayName(), m_modifiedMarker);
    return m_deleted ? ShellText::Format(ShellStringId::DeletedCaption, {caption}) : caption;
}

QString DocumentFrame::ToolTip() const
{
    const XmlDocument* document = Document();
    const QString tip = DocumentNaming::ToolTip(Path(), m_modifiedMarker,
                                                document ? document->DocumentType() : QString());
    return m_deleted ? tip + u'\n' + ShellText::Get(ShellStringId::DeletedToolTip) : tip;
}

bool DocumentFrame::SendCommand(int commandId)
{
    return m_pane->HandleCommand(commandId);
}

bool DocumentFrame::FindRequest(const QString& text, uint32_t flags, bool* wrapped)
{
    const TreeListView::FindOutcome outcome = m_view->FindRequest(text, flags);
    if (wrapped)
        *wrapped = outcome.wrapped;
    return outcome.found;
}

std::vector<FoundNode> DocumentFrame::FindAll(const QString& text, uint32_t flags) const
{
    std::vector<FoundNode> matches;
    const XmlDocument& document = m_view->Document();
    std::vector<int32_t> ids;
    {
        BusyCursor busy;
        ids = NodeFinder::FindAll(document, text, flags);
    }
    matches.reserve(ids.size());
    NodeIdPath path;
    for (int32_t id : ids) {
        if (!document.GetIdPath(id, path))
            continue;
        const TreeListItem* item = m_view->FindItemByPath(path);
        if (!item)
            continue;
        matches.push_back({id, GetNodePathText(document, id), m_view->GetCellText(item, 0),
                           m_view->GetCellText(item, 1)});
    }
    return matches;
}

void DocumentFrame::ValidateBySchema(const QString& schemaPath)
{
    SchemaValidator validator;
    XmlStatus status;
    {
        BusyCursor busy;
        status = validator.RunValidation(m_view->Document(), schemaPath);
    }
    if (status == XE_OK) {
        ShellMessages::ShowInformation(m_view, ShellText::Get(ValidationSuccessfulStringId));
    } else if (status == XE_SCHEMA_LOAD_FAILED) {
        ShellMessages::ShowError(m_view, StatusMessageTable::MessageOf(status));
    } else if (status == XE_VALIDATION_FAILED) {
        // A path that left the tree selects the deepest node it reached.
        const NodeIdPath& path = validator.ErrorNodePath();
        TreeListItem* item = nullptr;
        for (size_t length = path.size(); length > 0 && !item; --length)
            item = m_view->FindItemByPath(NodeIdPath(path.begin(), path.begin() + length));
        if (item)
            m_view->SelectItem(item);
        else
            m_view->clearSelection();
        ShellMessages::ShowError(m_view, validator.ErrorText());
    } else {
        ShellMessages::ShowError(m_view, SaveErrorText(m_view->FilePath(), status));
    }
}

void DocumentFrame::TransformByXsl(const QString& styleSheetPath, FileDialogs& fileDialogs)
{
    XslTransformer transformer;
    XmlStatus status;
    {
        BusyCursor busy;
        status = transformer.RunTransformation(m_view->Document(), styleSheetPath);
    }
    if (status != XE_OK) {
        ShellMessages::ShowError(m_view, StatusMessageTable::MessageOf(status));
        return;
    }
    const QString target = fileDialogs.GetSaveFileName(
        window(), ShellText::Get(ResultFilterStringId), QString(),
        m_untitled ? QString() : ResultFileName::Propose(m_view->FilePath()), QString());
    if (target.isEmpty())
        return;
    bool written;
    {
        BusyCursor busy;
        written = ResultFileWriter::Write(target, transformer.ResultText());
    }
    if (!written)
        ShellMessages::ShowError(m_view, ShellText::Get(ResultFileFailedStringId));
}

void DocumentFrame::RefineCommandStates(QHash<int, bool>& enabled, QHash<int, bool>& checked) const
{
    const EditCommandState state = m_view->CommandState();
    for (uint16_t id : EditCommandState::Commands()) {
        enabled.insert(id, state.IsEnabled(id));
        checked.insert(id, state.IsChecked(id));
    }
    if (IsBusy()) {
        for (auto it = enabled.begin(); it != enabled.end(); ++it)
            it.value() = it.value() && WorksWhileBusy(it.key());
    }
}

QWidget* DocumentFrame::FocusTarget() const
{
    return m_view;
}

XmlDocument* DocumentFrame::Document() const
{
    return &m_view->Document();
}
