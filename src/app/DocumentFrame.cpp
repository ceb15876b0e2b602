#include "app/DocumentFrame.h"

#include "app/DocumentNaming.h"
#include "app/FileDialogs.h"
#include "app/FindResultsPane.h"
#include "app/NodeCounter.h"
#include "app/ShellMessages.h"
#include "app/ShellText.h"
#include "config/LoadText.h"
#include "config/StringTable.h"
#include "document/DocumentMessages.h"
#include "document/StatusMessageTable.h"
#include "document/XmlDocument.h"
#include "editing/EditCommandState.h"
#include "editing/ExactXPath.h"
#include "editing/NodeFinder.h"
#include "editing/NodePathText.h"
#include "tools/ResultFileName.h"
#include "tools/ResultFileWriter.h"
#include "tools/SchemaValidator.h"
#include "tools/XslTransformer.h"
#include "view/BusyCursor.h"
#include "view/TreeListPane.h"
#include "view/TreeListView.h"

#include <QFileInfo>
#include <QItemSelectionModel>
#include <QVBoxLayout>

namespace {
constexpr int ResultFilterStringId = 224;
constexpr int ResultFileFailedStringId = 40101;
constexpr int ValidationSuccessfulStringId = 40199;
} // namespace

DocumentFrame::DocumentFrame(const LanguageResource* language, QWidget* parent)
    : QWidget(parent), m_pane(new TreeListPane(this)), m_view(m_pane->View())
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pane);
    m_view->SetLanguage(language);
    setFocusProxy(m_pane);
    m_nodes = std::make_unique<NodeCounter>(m_view->Document(), [this] { emit StatusChanged(); });
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &DocumentFrame::StatusChanged);
}

DocumentFrame::~DocumentFrame() = default;

bool DocumentFrame::OpenFile(const QString& path)
{
    m_untitled = false;
    const bool opened = m_view->OpenFile(path);
    m_nodes->Recount();
    emit StatusChanged();
    if (!opened)
        return false;
    TakeDiskState();
    return true;
}

void DocumentFrame::ReportSaveFailure(const QString& path, XmlStatus status)
{
    QString text = SaveErrorText(path, status);
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
    const bool made = m_view->NewFile(name);
    m_nodes->Recount();
    emit StatusChanged();
    return made;
}

bool DocumentFrame::Save()
{
    const QString path = m_view->FilePath();
    const XmlStatus status = SaveDocument(path);
    if (status != XE_OK) {
        ReportSaveFailure(path, status);
        return false;
    }
    TakeDiskState();
    return true;
}

bool DocumentFrame::SaveAs(const QString& path)
{
    // The view keeps its old path when the save fails.
    const XmlStatus status = path.isEmpty() ? XE_CANNOT_OPEN_FILE : SaveDocument(path);
    if (status != XE_OK) {
        ReportSaveFailure(path, status);
        return false;
    }
    m_view->SetFilePath(path);
    m_untitled = false;
    TakeDiskState();
    return true;
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

XmlStatus DocumentFrame::SaveDocument(const QString& path)
{
    BusyCursor busy;
    return m_view->Document().Save(path);
}

QString DocumentFrame::Path() const
{
    return m_view->FilePath();
}

bool DocumentFrame::IsModified() const
{
    return m_view->Document().IsModified();
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
}

QWidget* DocumentFrame::FocusTarget() const
{
    return m_view;
}

XmlDocument* DocumentFrame::Document() const
{
    return &m_view->Document();
}

size_t DocumentFrame::NodeCount() const
{
    return m_nodes->Count();
}

QString DocumentFrame::SelectedPath() const
{
    const TreeListItem* item = m_view->SelectedItem();
    return item ? GetExactXPathText(m_view->Document(), m_view->GetItemNodeId(item)) : QString();
}
