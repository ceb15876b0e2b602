#include "app/DocumentFrame.h"

#include "app/DocumentNaming.h"
#include "app/FileDialogs.h"
#include "app/FileJob.h"
#include "app/FindResultsPane.h"
#include "app/NodeCounter.h"
#include "app/ProgressStrip.h"
#include "app/ShellMessages.h"
#include "app/ShellText.h"
#include "app/ToolErrorsPane.h"
#include "config/AppSettings.h"
#include "config/LoadText.h"
#include "config/StringTable.h"
#include "document/DocumentMessages.h"
#include "document/FileProgress.h"
#include "document/StatusMessageTable.h"
#include "document/XmlDocument.h"
#include "editing/CommandId.h"
#include "editing/EditCommandState.h"
#include "editing/ExactXPath.h"
#include "editing/NodeFinder.h"
#include "editing/NodePathText.h"
#include "tools/ResultFileName.h"
#include "tools/ResultFileWriter.h"
#include "tools/SchemaValidator.h"
#include "tools/ToolInput.h"
#include "tools/ValidationWalk.h"
#include "view/BusyCursor.h"
#include "view/InPlaceEdit.h"
#include "view/TreeListPane.h"
#include "view/TreeListView.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QShortcut>
#include <QSplitter>
#include <QVBoxLayout>

#include <utility>

namespace {
constexpr int ResultFilterStringId = 224;
constexpr int ResultFileFailedStringId = 40101;
constexpr int ValidationSuccessfulStringId = 40199;
} // namespace

DocumentFrame::DocumentFrame(const LanguageResource* language, QWidget* parent)
    : QWidget(parent), m_document(std::make_unique<XmlDocument>()), m_pane(new TreeListPane(this)),
      m_view(m_pane->View()), m_errors(new ToolErrorsPane(this)), m_run(new ToolRun(this)),
      m_progressBar(new ProgressStrip(this)), m_runBar(new ProgressStrip(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_pane);
    splitter->addWidget(m_errors);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    layout->addWidget(splitter, 1);
    layout->addWidget(m_runBar);
    layout->addWidget(m_progressBar);
    m_errors->hide();
    connect(m_run, &ToolRun::finished, this, &DocumentFrame::FinishRun);
    connect(m_errors, &ToolErrorsPane::nodeChosen, this, &DocumentFrame::SelectPath);

    m_view->SetLanguage(language);
    m_view->SetDocument(*m_document);
    m_document->AddObserver(this);
    setFocusProxy(m_pane);
    m_nodes = std::make_unique<NodeCounter>(*m_document, [this] { emit StatusChanged(); });
    connect(m_view, &NodeTreeView::selectionChanged, this, &DocumentFrame::StatusChanged);
    m_view->SetLongWorkRunner([this](const QString& what, NodeTreeView::LongWork work,
                                     std::function<void(XmlStatus)> done) {
        if (IsBusy()) {
            // One job at a time: an expansion asked for meanwhile (by assistive technology,
            // which the disabled pane does not stop) is done here.
            FileProgress progress;
            done(work(progress));
            return;
        }
        m_expansionDone = std::move(done);
        StartWork(Work::Expand, what, std::move(work));
    });
    // Esc stops what the tab is busy with, as its Cancel button does; the pane, disabled
    // meanwhile, cannot have the key.
    m_cancelKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_cancelKey->setContext(Qt::WindowShortcut);
    m_cancelKey->setEnabled(false);
    connect(m_cancelKey, &QShortcut::activated, this, &DocumentFrame::CancelWork);
}

DocumentFrame::~DocumentFrame()
{
    m_document->RemoveObserver(this);
    // The view goes first: it observes the document until then.
    delete m_pane;
}

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

void DocumentFrame::StartWork(Work kind, const QString& name,
                              std::function<XmlStatus(FileProgress&)> work)
{
    // The worker reads the document (a save) or fills one nobody sees yet (an open); edits
    // wait, so the tree never changes under it. A disabled pane takes no keys, clicks, drops
    // or context menus, and the command routing asks IsBusy.
    m_work = kind;
    m_workPath = kind == Work::Expand ? QString() : name;
    m_hadFocus = m_pane->isAncestorOf(QApplication::focusWidget());
    m_pane->setEnabled(false);
    m_cancelKey->setEnabled(true);
    m_job = std::make_unique<FileJob>(std::move(work));
    connect(m_job.get(), &FileJob::Finished, this, &DocumentFrame::FinishWork);
    const QString text =
        kind == Work::Expand
            ? ShellText::Format(StringId::ExpandingNode, {name})
            : ShellText::Format(kind == Work::Open ? StringId::OpeningFile : StringId::SavingFile,
                                {QFileInfo(name).fileName()});
    m_progressBar->Follow(m_job->Progress(), text);
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
    XmlDocument* document = m_document.get();
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
    m_cancelKey->setEnabled(false);
    // Back to the tree if it had the focus, or if the tab just opened is still in front.
    if (isVisible() && (m_hadFocus || kind == Work::Open || !QApplication::focusWidget()))
        m_view->setFocus();
    if (kind == Work::Expand) {
        const auto done = std::exchange(m_expansionDone, nullptr);
        done(status);
    } else if (kind == Work::Open) {
        std::unique_ptr<XmlDocument> document = std::move(m_incoming);
        if (status == XE_OK) {
            ShowOpenedDocument(std::move(document), path);
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

void DocumentFrame::ShowOpenedDocument(std::unique_ptr<XmlDocument> document, const QString& path)
{
    // The opened document takes the empty one's place: what observed that one leaves it
    // before it is freed and follows the new one.
    m_nodes.reset();
    m_positions.Clear();
    m_document->RemoveObserver(this);
    m_view->SetDocument(*document);
    m_document = std::move(document);
    m_view->SetFilePath(path);
    m_document->AddObserver(this);
    m_nodes = std::make_unique<NodeCounter>(*m_document, [this] { emit StatusChanged(); });
    emit StatusChanged();
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
    QString text = SaveErrorText(path, status, m_document->LastFileFailure());
    // A node the file cannot hold is selected and named, so the user sees what to change.
    const XmlDocument& document = *m_document;
    NodeIdPath ids;
    if (document.GetIdPath(document.SaveFailureNodeId(), ids)) {
        m_view->SelectNode(ids.back());
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
    // Undo actions name nodes by ID; kept across a new start they would act on the new tree.
    m_document->History().Clear();
    m_positions.Clear();
    m_document->CreateNew();
    m_view->SetFilePath(name);
    m_view->Reset();
    m_nodes->Recount();
    emit StatusChanged();
    return true;
}

void DocumentFrame::TakeDiskState()
{
    m_known = m_document->DiskFingerprint();
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
    return m_work != Work::Open && m_document->IsModified();
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
    const XmlDocument& document = *m_document;
    std::vector<int32_t> ids;
    {
        BusyCursor busy;
        ids = NodeFinder::FindAll(document, text, flags);
    }
    matches.reserve(ids.size());
    for (int32_t id : ids) {
        const XmlNode* node = document.FindNode(id);
        matches.push_back({id, GetNodePathText(document, id),
                           m_view->CellText(node, NodeTreeView::NameColumn),
                           m_view->CellText(node, NodeTreeView::ValueColumn)});
    }
    return matches;
}

void DocumentFrame::Validate(ToolKind kind, const QString& schemaPath)
{
    ToolRequest request;
    request.kind = kind;
    request.toolPath = schemaPath;
    StartRun(request);
}

void DocumentFrame::TransformByXsl(const QString& styleSheetPath, FileDialogs& fileDialogs)
{
    m_fileDialogs = &fileDialogs;
    ToolRequest request;
    request.kind = ToolKind::Transform;
    request.toolPath = styleSheetPath;
    StartRun(request);
}

void DocumentFrame::StartRun(ToolRequest request)
{
    if (m_run->IsRunning())
        return;
    const XmlStatus status =
        ToolInputText(*m_document, request.kind, m_untitled ? QString() : m_view->FilePath(),
                      request.documentText);
    if (status != XE_OK) {
        // A document the writer cannot serialise: the tools never see it.
        ShellMessages::ShowError(m_view, request.kind == ToolKind::Transform
                                             ? StatusMessageTable::MessageOf(status)
                                             : SaveErrorText(m_view->FilePath(), status));
        return;
    }
    request.documentPath = m_untitled ? QString() : m_view->FilePath();
    request.documentIsFile = !m_untitled && !m_document->IsModified();
    m_request = std::move(request);
    m_editedDuringRun = false;
    m_runBar->ShowBusy(ShellText::Get(m_request.kind == ToolKind::Transform ? StringId::Transforming
                                                                            : StringId::Validating),
                       [this] { m_run->Cancel(); });
    m_run->Start(m_request, ToolRun::LimitsFrom(m_settings));
}

void DocumentFrame::FinishRun()
{
    m_runBar->Stop();
    const ToolOutcome outcome = m_run->Outcome();
    switch (outcome.status) {
    case ToolStatus::Cancelled:
        break; // the user knows; nothing was written or changed
    case ToolStatus::TimedOut:
        ShellMessages::ShowError(
            m_view, ShellText::Format(StringId::RunTimedOut,
                                      {QString::number(m_run->RunLimits().timeLimitSeconds)}));
        break;
    case ToolStatus::Aborted:
        ShellMessages::ShowError(
            m_view,
            ShellText::Format(StringId::RunAborted,
                              {QString::number(m_run->RunLimits().memoryLimitBytes >> 20)}));
        break;
    default:
        if (m_request.kind == ToolKind::Transform)
            ReportTransformation(outcome);
        else
            ReportValidation(outcome);
        break;
    }
    m_request.documentText.clear();
}

QString DocumentFrame::FailureText(const QString& headline, const ToolOutcome& outcome) const
{
    QString text = headline;
    constexpr int ShownReasons = 10;
    for (qsizetype i = 0; i < outcome.messages.size() && i < ShownReasons; ++i) {
        const ToolMessage& message = outcome.messages[i];
        text += u'\n';
        if (!message.file.isEmpty())
            text += message.place.line > 0
                        ? QStringLiteral("%1:%2: ").arg(message.file).arg(message.place.line)
                        : message.file + QStringLiteral(": ");
        text += message.DisplayText();
    }
    return text;
}

void DocumentFrame::ReportValidation(const ToolOutcome& outcome)
{
    if (outcome.status == ToolStatus::Done) {
        m_errors->ShowErrors({}, 0);
        m_errors->hide();
        ShellMessages::ShowInformation(m_view, ShellText::Get(ValidationSuccessfulStringId));
        return;
    }
    if (outcome.status == ToolStatus::LoadFailed) {
        ShellMessages::ShowError(
            m_view, FailureText(StatusMessageTable::MessageOf(XE_SCHEMA_LOAD_FAILED), outcome));
        return;
    }
    if (outcome.status != ToolStatus::Invalid) {
        ShellMessages::ShowError(m_view,
                                 FailureText(ShellText::Get(StringId::ValidationNotRun), outcome));
        return;
    }
    const XmlDocument& document = *m_document;
    std::vector<ToolErrorsPane::Row> rows;
    rows.reserve(size_t(outcome.messages.size()));
    for (const ToolMessage& message : outcome.messages) {
        // The file's own lines while the tab matches its file; the validated text's otherwise.
        ToolErrorsPane::Row row{
            message.DisplayText(), message.fileLine > 0 ? message.fileLine : message.place.line,
            QString(),
            ValidationWalk::ToNodeIdPath(
                document, std::vector<int>(message.treePath.begin(), message.treePath.end()),
                message.attributeName)};
        if (!row.node.empty() && document.FindNode(row.node.back()))
            row.path = GetNodePathText(document, row.node.back());
        rows.push_back(std::move(row));
    }
    m_errors->ShowErrors(rows, outcome.omitted);
    if (m_editedDuringRun)
        m_errors->MarkOutOfDate();
    // The first error is selected and explained, as a single error always was.
    if (!rows.empty() && !rows.front().node.empty())
        SelectPath(rows.front().node);
    else
        m_view->ClearSelection();
    QString text =
        rows.empty() ? StatusMessageTable::MessageOf(XE_VALIDATION_FAILED) : rows.front().message;
    const qint64 total = qint64(rows.size()) + outcome.omitted;
    if (total > 1)
        text = ShellText::Format(StringId::MoreErrors, {text, QString::number(total)});
    ShellMessages::ShowError(m_view, text);
}

void DocumentFrame::ReportTransformation(const ToolOutcome& outcome)
{
    if (outcome.status != ToolStatus::Done) {
        const XmlStatus status = outcome.status == ToolStatus::LoadFailed
                                     ? XE_XSLT_LOAD_FAILED
                                     : XE_XSLT_TRANSFORM_FAILED;
        ShellMessages::ShowError(m_view,
                                 FailureText(StatusMessageTable::MessageOf(status), outcome));
        return;
    }
    if (!m_fileDialogs)
        return;
    QString folder = m_settings ? m_settings->lastResultFolder : QString();
    if (folder.isEmpty() && !m_untitled)
        folder = QFileInfo(m_view->FilePath()).absolutePath();
    const QString target = m_fileDialogs->GetSaveFileName(
        window(), ShellText::Get(ResultFilterStringId), folder,
        m_untitled ? QString() : ResultFileName::Propose(m_view->FilePath()), QString());
    if (target.isEmpty())
        return;
    bool written;
    {
        BusyCursor busy;
        written = ResultFileWriter::Write(target, outcome.result);
    }
    if (!written) {
        ShellMessages::ShowError(m_view, ShellText::Get(ResultFileFailedStringId));
        return;
    }
    if (m_settings)
        m_settings->lastResultFolder = QFileInfo(target).absolutePath();
    emit resultWritten(QDir::toNativeSeparators(target));
    if (ShellMessages::AskYes(
            m_view, ShellText::Format(StringId::ResultWritten, {QDir::toNativeSeparators(target)})))
        emit openRequested(target);
}

void DocumentFrame::SelectPath(const NodeIdPath& path)
{
    // A path that left the tree selects the deepest node it reached.
    for (size_t length = path.size(); length > 0; --length) {
        NodeIdPath reached;
        if (m_document->GetIdPath(path[length - 1], reached) &&
            std::equal(reached.begin(), reached.end(), path.begin(), path.begin() + length) &&
            reached.size() == length && m_view->SelectNode(path[length - 1]))
            return;
    }
    m_view->ClearSelection();
}

void DocumentFrame::OnNodeChanged(const NodeIdPath& path)
{
    m_positions.Changed(*m_document, path);
    MarkEdited();
}

void DocumentFrame::MarkEdited()
{
    m_editedDuringRun = m_editedDuringRun || m_run->IsRunning();
    m_errors->MarkOutOfDate();
}

void DocumentFrame::OnNodeAboutToBeRemoved(const XmlNode* node)
{
    m_positions.AboutToRemove(node);
}

void DocumentFrame::OnNodeRemoved(const NodeIdPath& path)
{
    m_positions.Removed(*m_document, path);
    MarkEdited();
}

void DocumentFrame::OnNodeInserted(const NodeIdPath& path, XmlNode* node)
{
    m_positions.Inserted(*m_document, path, node);
    MarkEdited();
}

void DocumentFrame::RefineCommandStates(QHash<int, bool>& enabled, QHash<int, bool>& checked) const
{
    const EditCommandState state = m_view->CommandState();
    for (uint16_t id : EditCommandState::Commands()) {
        enabled.insert(id, state.IsEnabled(id));
        checked.insert(id, state.IsChecked(id));
    }
    // One run at a time per tab; the document type is offered when the document has one.
    const bool idle = !m_run->IsRunning();
    enabled.insert(CommandId::ValidateBySchema, idle);
    enabled.insert(CommandId::XslTransformation, idle);
    enabled.insert(CommandId::ValidateDocumentType, idle && !m_document->DocumentType().isEmpty());
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
    return m_document.get();
}

size_t DocumentFrame::NodeCount() const
{
    return m_nodes->Count();
}

QString DocumentFrame::SelectedPath() const
{
    const int32_t id = m_view->SelectedNodeId();
    return id >= 0 ? GetExactXPathText(*m_document, id, &m_positions) : QString();
}
