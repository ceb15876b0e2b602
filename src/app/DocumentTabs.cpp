#include "app/DocumentTabs.h"

#include "app/DesktopServices.h"
#include "app/DocumentFrame.h"
#include "app/DocumentNaming.h"
#include "app/DocumentTabsListener.h"
#include "app/FileDialogs.h"
#include "app/FindDialog.h"
#include "app/FindResultsPane.h"
#include "app/FreedMemory.h"
#include "app/ShellMessages.h"
#include "app/ShellServices.h"
#include "app/ShellText.h"
#include "config/AppSettings.h"
#include "config/StringTable.h"
#include "editing/CommandId.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTimer>

namespace {

// The tab bar reads "&" as a mnemonic; file names show it literally.
QString TabText(const QString& caption)
{
    QString text = caption;
    text.replace(u'&', QStringLiteral("&&"));
    return text;
}

#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
constexpr Qt::CaseSensitivity FileNameCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity FileNameCase = Qt::CaseSensitive;
#endif

// Two paths name one file when their keys are equal: links resolved for a file that exists,
// the absolute clean path for one that does not (yet).
QString FileKey(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

DocumentTabs::DocumentTabs(DocumentTabsListener& listener, const ShellServices& services,
                           QWidget* parent)
    : QWidget(parent), m_listener(listener), m_services(services)
{
    setObjectName(QStringLiteral("DocumentTabs"));
    m_strip = new QTabBar(this);
    m_strip->setObjectName(QStringLiteral("TabStrip"));
    m_strip->setTabsClosable(true);
    m_strip->setUsesScrollButtons(true);
    m_strip->setExpanding(false);
    m_strip->setElideMode(Qt::ElideNone);
    m_strip->setDrawBase(false);
    // Reached with Tab, not by a click (a click leaves the focus in the tree): the arrow keys
    // then switch tabs, and the Menu key or Shift+F10 open the tab menu.
    m_strip->setFocusPolicy(Qt::TabFocus);
    m_strip->hide();
    m_strip->installEventFilter(this);
    auto* menuKey = new QAction(m_strip);
    menuKey->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10));
    menuKey->setShortcutContext(Qt::WidgetShortcut);
    connect(menuKey, &QAction::triggered, this, &DocumentTabs::OpenTabMenuByKey);
    m_strip->addAction(menuKey);
    connect(m_strip, &QTabBar::currentChanged, this, [this](int index) {
        // Only a user's click or arrow key arrives here: programmatic changes block the
        // signal. Switching from the keyboard keeps the focus on the strip.
        if (index >= 0 && index != m_active) {
            const bool keyboard = m_strip->hasFocus();
            Activate(index);
            if (keyboard)
                m_strip->setFocus(Qt::TabFocusReason);
        }
    });
    connect(m_strip, &QTabBar::tabCloseRequested, this, [this](int index) { CloseTab(index); });
    connect(m_strip, &QTabBar::tabBarDoubleClicked, this, [this](int index) {
        if (index >= 0)
            CloseTab(index);
    });
    m_find = new FindDialog(
        services.settings, services.language, this,
        [this] { HandleCommand(CommandId::FindNextButton); },
        [this] { HandleCommand(FindDialog::FindAllId); });

    m_diskCheck = new QTimer(this);
    m_diskCheck->setSingleShot(true);
    m_diskCheck->setInterval(200);
    connect(m_diskCheck, &QTimer::timeout, this, &DocumentTabs::CheckFilesOnDisk);
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &DocumentTabs::ScheduleDiskCheck);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive)
                    ScheduleDiskCheck();
            });
}

DocumentTabs::~DocumentTabs() = default;

DocumentFrame* DocumentTabs::FrameAt(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return m_frames[size_t(index)];
}

int DocumentTabs::IndexOf(const DocumentFrame* frame) const
{
    for (int i = 0; i < Count(); ++i) {
        if (m_frames[size_t(i)] == frame)
            return i;
    }
    return -1;
}

QWidget* DocumentTabs::DialogOwner() const
{
    QWidget* active = QApplication::activeWindow();
    return active ? active : window();
}

QString DocumentTabs::NewName() const
{
    QStringList names;
    for (const DocumentFrame* frame : m_frames)
        names << frame->DisplayName();
    return DocumentNaming::NewName(names);
}

int DocumentTabs::IndexOfFile(const QString& path) const
{
    if (path.isEmpty())
        return -1;
    const QString key = FileKey(path);
    for (int i = 0; i < Count(); ++i) {
        const DocumentFrame* frame = m_frames[size_t(i)];
        if (!frame->IsUntitled() &&
            QString::compare(FileKey(frame->Path()), key, FileNameCase) == 0)
            return i;
    }
    return -1;
}

int DocumentTabs::OpenDocument(const QString& path)
{
    // Two tabs of one file would each save over the other's changes.
    if (const int open = IndexOfFile(path); open >= 0) {
        Activate(open);
        ScheduleDiskCheck();
        return open;
    }
    DocumentFrame* frame = NewFrame();
    frame->show();
    if (path.isEmpty()) {
        frame->NewFile(NewName());
        frame->FocusTarget()->setFocus();
    } else {
        // A relative path (a command line, a drop) would have no display name and would
        // enter the recent list as something that only works from this folder. The tab shows
        // at once; the document follows when the worker has read it (FrameWorkFinished).
        frame->StartOpen(QFileInfo(path).absoluteFilePath());
    }
    frame->SetModifiedMarker(frame->IsModified());
    m_frames.push_back(frame);
    const int index = Count() - 1;
    {
        const QSignalBlocker blocker(m_strip);
        m_strip->addTab(TabText(frame->Caption()));
        m_strip->setTabToolTip(index, frame->ToolTip());
        m_strip->setCurrentIndex(m_active);
    }
    m_listener.OnTabInserted(index);
    AfterCountChanged();
    Activate(index);
    WatchFiles();
    return index;
}

DocumentFrame* DocumentTabs::NewFrame()
{
    auto* frame = new DocumentFrame(m_services.language, this);
    WireFrame(frame);
    frame->setGeometry(DocumentArea());
    connect(frame, &DocumentFrame::WorkFinished, this,
            [this, frame](DocumentFrame::Work work, XmlStatus status) {
                FrameWorkFinished(frame, work, status);
            });
    return frame;
}

void DocumentTabs::FrameWorkFinished(DocumentFrame* frame, DocumentFrame::Work work,
                                     XmlStatus status)
{
    int index = IndexOf(frame);
    if (index < 0 || work == DocumentFrame::Work::Expand)
        return;
    // Other programs' file choosers offer what was opened or saved here as well.
    if (status == XE_OK)
        m_services.desktop.NoteRecentlyUsed(frame->Path());
    if (work != DocumentFrame::Work::Open) {
        frame->SetModifiedMarker(frame->IsModified());
        RefreshTab(index);
        m_strip->update();
        WatchFiles();
        return;
    }
    DocumentFrame* replaced = m_replaced.take(frame);
    if (status == XE_OK) {
        frame->SetModifiedMarker(frame->IsModified());
        RefreshTab(index);
        if (replaced) {
            replaced->hide();
            // Later: the reload may have been asked for from inside its own handlers.
            replaced->deleteLater();
            if (index == m_active)
                m_listener.OnActiveTabChanged(index, index);
            if (m_notice)
                m_notice(ShellText::Format(StringId::FileReloaded, {frame->Path()}));
        }
        WatchFiles();
        return;
    }
    if (replaced) {
        // A reload that failed or was cancelled gives the tab its document back, and that
        // state of the file is not offered again.
        m_frames[size_t(index)] = replaced;
        frame->hide();
        frame->deleteLater();
        replaced->KeepDiskVersion();
        RefreshTab(index);
        if (index == m_active) {
            replaced->setGeometry(DocumentArea());
            replaced->show();
            m_listener.OnActiveTabChanged(index, index);
        }
    } else {
        // Later: this runs inside the frame's own report of its end. It never showed a
        // document, so there is no memory to hand back.
        RemoveFrame(index, true);
    }
    if (status != XE_CANCELLED)
        ShellMessages::ShowError(this, frame->LoadFailureText());
}

void DocumentTabs::WaitFor(DocumentFrame* frame)
{
    ++m_waiting;
    frame->WaitForWork();
    --m_waiting;
}

void DocumentTabs::Activate(int index)
{
    if (index < 0 || index >= Count() || index == m_active)
        return;
    const int old = m_active;
    m_active = index;
    {
        const QSignalBlocker blocker(m_strip);
        m_strip->setCurrentIndex(index);
    }
    if (DocumentFrame* previous = FrameAt(old))
        previous->hide();
    DocumentFrame* current = ActiveFrame();
    current->setGeometry(DocumentArea());
    current->show();
    m_listener.OnActiveTabChanged(old, index);
}

bool DocumentTabs::RequestClose(int index)
{
    m_listener.OnTabClosing(index);
    return SavePrompt(index);
}

bool DocumentTabs::SavePrompt(int index)
{
    DocumentFrame* frame = FrameAt(index);
    if (!frame || !frame->IsModified())
        return true;
    const QString text = ShellText::Format(ShellStringId::SavePrompt, {frame->DisplayName()});
    switch (ShellMessages::AskSaveChanges(this, text)) {
    case MessageBoxes::Answer::Yes:
        return SaveTabAndWait(index);
    case MessageBoxes::Answer::No:
        return true;
    case MessageBoxes::Answer::Cancel:
        break;
    }
    return false;
}

bool DocumentTabs::CloseTab(int index)
{
    QPointer<DocumentFrame> frame = FrameAt(index);
    if (!frame)
        return false;
    if (frame->Busy() == DocumentFrame::Work::Open) {
        // A cancelled open leaves no tab; a cancelled reload gives the tab its document
        // back, which then closes as any other.
        const QPointer<DocumentFrame> replaced = m_replaced.value(frame);
        frame->CancelWork();
        WaitFor(frame);
        if (replaced && IndexOf(frame) < 0)
            frame = replaced;
    } else if (frame->Busy() == DocumentFrame::Work::Expand) {
        StopExpanding(frame);
    } else if (frame->IsBusy()) {
        // The save finishes first: the file is never left half replaced, and the prompt
        // then knows whether unsaved changes remain.
        WaitFor(frame);
    }
    index = IndexOf(frame);
    if (index < 0)
        return true;
    if (!RequestClose(index))
        return false;
    // The prompt ran an event loop; the tab may have moved.
    index = IndexOf(frame);
    if (index >= 0)
        RemoveFrame(index);
    return true;
}

void DocumentTabs::RemoveFrame(int index, bool later)
{
    DocumentFrame* frame = FrameAt(index);
    const int count = Count();
    int activateAfter = -1;
    if (index == m_active) {
        if (count > 1 && index == count - 1)
            Activate(index - 1);
        else if (count > 1)
            activateAfter = index;
    }
    if (index < m_active)
        --m_active;
    else if (index == m_active)
        m_active = -1;
    m_frames.erase(m_frames.begin() + index);
    {
        const QSignalBlocker blocker(m_strip);
        m_strip->removeTab(index);
        m_strip->setCurrentIndex(m_active);
    }
    frame->hide();
    if (later) {
        frame->deleteLater();
    } else {
        delete frame;
        FreedMemory::ReturnToSystem();
    }
    WatchFiles();
    if (activateAfter >= 0)
        Activate(activateAfter);
    update();
    m_listener.OnTabRemoved(index);
    AfterCountChanged();
}

bool DocumentTabs::CloseAll()
{
    if (Count() == 0) {
        m_strip->hide();
        return true;
    }
    DocumentFrame* activeAtStart = ActiveFrame();
    while (Count() > 0) {
        if (!CloseTab(0)) {
            const int index = IndexOf(activeAtStart);
            Activate(index >= 0 ? index : 0);
            return false;
        }
    }
    m_strip->hide();
    return true;
}

void DocumentTabs::CloseAllButActive()
{
    DocumentFrame* keep = ActiveFrame();
    if (!keep)
        return;
    while (IndexOf(keep) > 0) {
        if (!CloseTab(0))
            return;
    }
    while (Count() >= 2) {
        if (!CloseTab(1))
            return;
    }
}

void DocumentTabs::StopExpanding(DocumentFrame* frame)
{
    // An expansion only shows rows: stopping it loses nothing the user made.
    if (frame && frame->Busy() == DocumentFrame::Work::Expand) {
        frame->CancelWork();
        WaitFor(frame);
    }
}

bool DocumentTabs::SaveTab(int index)
{
    DocumentFrame* frame = FrameAt(index);
    StopExpanding(frame);
    if (!frame || frame->IsBusy())
        return false;
    if (frame->IsUntitled())
        return SaveTabAs(index);
    return ConfirmOverwrite(frame) && frame->StartSave();
}

bool DocumentTabs::SaveTabAs(int index)
{
    DocumentFrame* frame = FrameAt(index);
    StopExpanding(frame);
    if (!frame || frame->IsBusy())
        return false;
    const DocumentNaming::SaveAsProposal proposal =
        DocumentNaming::ProposeSaveAs(frame->Path(), frame->IsUntitled());
    const QString folder =
        frame->IsUntitled() ? QString() : QFileInfo(frame->Path()).absolutePath();
    const QString chosen = m_services.fileDialogs.GetSaveFileName(
        DialogOwner(), ShellText::Get(ShellStringId::SaveFilter), folder, proposal.initialName,
        proposal.defaultExtension);
    if (chosen.isEmpty())
        return false;
    const int open = IndexOfFile(chosen);
    if (open >= 0 && open != IndexOf(frame)) {
        ShellMessages::ShowError(this, ShellText::Format(ShellStringId::OpenInOtherTab, {chosen}));
        return false;
    }
    return (open < 0 || ConfirmOverwrite(frame)) && frame->StartSaveAs(chosen);
}

bool DocumentTabs::SaveTabAndWait(int index)
{
    const QPointer<DocumentFrame> frame = FrameAt(index);
    if (!SaveTab(index))
        return false;
    WaitFor(frame);
    // A failed or cancelled save leaves the changes unsaved.
    return frame && !frame->IsModified();
}

void DocumentTabs::SaveAll()
{
    // Failures and cancelled dialogs do not stop the others from being saved; each saves on
    // its own worker.
    for (int i = 0; i < Count(); ++i)
        SaveTab(i);
    m_strip->update();
}

void DocumentTabs::PreviousTab()
{
    if (Count() == 0)
        return;
    Activate(m_active <= 0 ? Count() - 1 : m_active - 1);
}

void DocumentTabs::NextTab()
{
    if (Count() == 0)
        return;
    Activate(m_active >= Count() - 1 ? 0 : m_active + 1);
}

void DocumentTabs::CopyDocumentPath()
{
    DocumentFrame* frame = ActiveFrame();
    if (!frame || frame->Path().isEmpty())
        return;
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(frame->Path());
}

void DocumentTabs::OpenContainingFolder()
{
    DocumentFrame* frame = ActiveFrame();
    if (!frame || frame->IsUntitled())
        return;
    const QString path = frame->Path();
    bool hasSeparator = false;
    for (QChar c : path)
        hasSeparator = hasSeparator || DocumentNaming::IsSeparator(c);
    if (hasSeparator)
        m_services.desktop.ShowInFolder(path);
}

void DocumentTabs::ShowFindDialog()
{
    if (Count() > 0)
        m_find->ShowDialog();
}

void DocumentTabs::RelayFindRequest(std::optional<bool> up)
{
    DocumentFrame* frame = ActiveFrame();
    const QString text = m_find->SearchText();
    if (!frame || text.isEmpty())
        return;
    FindFlags flags = m_find->Flags();
    if (up)
        flags = *up ? flags | FindFlag::SearchUp : flags & ~FindFlag::SearchUp;
    bool wrapped = false;
    if (!frame->FindRequest(text, flags, &wrapped)) {
        // The user answered the not-found box and goes on typing.
        m_find->FocusTextField();
        return;
    }
    if (wrapped && m_notice) {
        m_notice(ShellText::Get((flags & FindFlag::SearchUp) ? StringId::SearchWrappedToBottom
                                                             : StringId::SearchWrappedToTop));
    }
}

void DocumentTabs::RepeatFind(bool up)
{
    // Nothing searched yet: there is nothing to repeat, so the dialog asks for it.
    if (m_find->SearchText().isEmpty())
        ShowFindDialog();
    else
        RelayFindRequest(up);
}

void DocumentTabs::RelayFindAll()
{
    DocumentFrame* frame = ActiveFrame();
    const QString text = m_find->SearchText();
    if (!frame || text.isEmpty())
        return;
    const std::vector<FoundNode> matches = frame->FindAll(text, m_find->Flags());
    if (m_findAll)
        m_findAll(frame, matches);
    if (m_notice)
        m_notice(ShellText::Format(StringId::FindResultsCount, {QString::number(matches.size())}));
}

void DocumentTabs::WireFrame(DocumentFrame* frame)
{
    frame->SetSettings(m_services.settings);
    // Queued: the request comes from inside the frame's own report of its run.
    connect(
        frame, &DocumentFrame::openRequested, this,
        [this](const QString& path) { OpenDocument(path); }, Qt::QueuedConnection);
    connect(frame, &DocumentFrame::resultWritten, this, &DocumentTabs::NoticeTransformationWritten);
}

void DocumentTabs::RunToolDialog(int commandId)
{
    if (commandId == CommandId::ValidateDocumentType) {
        if (DocumentFrame* frame = ActiveFrame())
            frame->Validate(ToolKind::DocumentType, QString());
        return;
    }
    const bool validate = commandId == CommandId::ValidateBySchema;
    // Each dialog starts at the file it was last given.
    AppSettings* settings = m_services.settings;
    QString* last = !settings  ? nullptr
                    : validate ? &settings->lastSchemaPath
                               : &settings->lastStyleSheetPath;
    const QString filter =
        ShellText::Get(validate ? StringId::ValidateFilter : ShellStringId::XsltFilter);
    const QString path =
        m_services.fileDialogs.GetOpenFileName(DialogOwner(), filter, last ? *last : QString());
    DocumentFrame* frame = ActiveFrame();
    if (path.isEmpty() || !frame)
        return;
    if (last)
        *last = path;
    if (validate)
        frame->ValidateBySchema(path);
    else
        frame->TransformByXsl(path, m_services.fileDialogs);
}

void DocumentTabs::ToggleStripPosition()
{
    m_stripAtBottom = !m_stripAtBottom;
    m_strip->setShape(m_stripAtBottom ? QTabBar::RoundedSouth : QTabBar::RoundedNorth);
    LayOut();
    update();
}

bool DocumentTabs::IsOwnCommand(int commandId)
{
    switch (commandId) {
    case CommandId::FileNew:
    case CommandId::FileOpen:
    case CommandId::FileSave:
    case CommandId::FileSaveAs:
    case CommandId::SaveAll:
    case CommandId::FileClose:
    case CommandId::CloseAll:
    case CommandId::CloseAllButThis:
    case CommandId::CopyDocumentPath:
    case CommandId::OpenContainingFolder:
    case CommandId::PreviousTab:
    case CommandId::NextTab:
    case CommandId::Find:
    case CommandId::FindNextButton:
    case FindDialog::FindAllId:
    case CommandId::FindNext:
    case CommandId::FindPrevious:
    case CommandId::ValidateBySchema:
    case CommandId::XslTransformation:
    case CommandId::ValidateDocumentType:
        return true;
    default:
        return false;
    }
}

bool DocumentTabs::HandleCommand(int commandId)
{
    // A tab that is opening or saving takes no command that reads or changes its document.
    if (const DocumentFrame* frame = ActiveFrame();
        frame && frame->IsBusy() && !DocumentFrame::WorksWhileBusy(commandId))
        return true;
    switch (commandId) {
    case CommandId::FileNew:
        OpenDocument(QString());
        return true;
    case CommandId::FileOpen: {
        const QStringList paths = m_services.fileDialogs.GetOpenFileNames(
            DialogOwner(), ShellText::Get(ShellStringId::OpenFilter));
        for (const QString& path : paths)
            OpenDocument(path);
        return true;
    }
    case CommandId::FileSave:
        SaveTab(m_active);
        return true;
    case CommandId::FileSaveAs:
        SaveTabAs(m_active);
        m_strip->update();
        return true;
    case CommandId::SaveAll:
        SaveAll();
        return true;
    case CommandId::FileClose:
        CloseTab(m_active);
        return true;
    case CommandId::CloseAll:
        CloseAll();
        return true;
    case CommandId::CloseAllButThis:
        CloseAllButActive();
        return true;
    case CommandId::CopyDocumentPath:
        CopyDocumentPath();
        return true;
    case CommandId::OpenContainingFolder:
        OpenContainingFolder();
        return true;
    case CommandId::PreviousTab:
        PreviousTab();
        return true;
    case CommandId::NextTab:
        NextTab();
        return true;
    case CommandId::Find:
        ShowFindDialog();
        return true;
    case CommandId::FindNextButton:
        RelayFindRequest();
        return true;
    case FindDialog::FindAllId:
        RelayFindAll();
        return true;
    case CommandId::FindNext:
    case CommandId::FindPrevious:
        RepeatFind(commandId == CommandId::FindPrevious);
        return true;
    case CommandId::ValidateBySchema:
    case CommandId::XslTransformation:
    case CommandId::ValidateDocumentType:
        RunToolDialog(commandId);
        return true;
    default:
        break;
    }
    DocumentFrame* frame = ActiveFrame();
    return frame ? frame->SendCommand(commandId) : false;
}

void DocumentTabs::RefreshTab(int index)
{
    DocumentFrame* frame = FrameAt(index);
    if (!frame)
        return;
    m_strip->setTabText(index, TabText(frame->Caption()));
    m_strip->setTabToolTip(index, frame->ToolTip());
}

void DocumentTabs::UpdateModifiedMarkers()
{
    bool changed = false;
    for (int i = 0; i < Count(); ++i) {
        DocumentFrame* frame = FrameAt(i);
        const bool modified = frame->IsModified();
        if (modified != frame->ModifiedMarker()) {
            frame->SetModifiedMarker(modified);
            RefreshTab(i);
            changed = true;
        }
    }
    if (changed)
        m_strip->update();
}

bool DocumentTabs::ConfirmOverwrite(DocumentFrame* frame)
{
    const bool wasDeleted = frame->IsDeletedOnDisk();
    const DocumentFrame::DiskChange change = frame->CheckDisk();
    if (frame->IsDeletedOnDisk() != wasDeleted)
        RefreshTab(IndexOf(frame));
    if (change != DocumentFrame::DiskChange::Changed)
        return true;
    // A "no" is no choice between the versions: the next save or check asks again.
    return ShellMessages::AskYes(
        this, ShellText::Format(ShellStringId::OverwritePrompt, {frame->Path()}));
}

void DocumentTabs::ScheduleDiskCheck()
{
    m_diskCheck->start();
}

void DocumentTabs::CheckFilesOnDisk()
{
    // A question over a modal box, or over another of these questions, would pile up on it:
    // look again once it has closed.
    if (m_checkingDisk || m_waiting > 0 || QApplication::activeModalWidget()) {
        m_diskCheck->start();
        return;
    }
    m_checkingDisk = true;
    // The questions run event loops in which tabs may close.
    const std::vector<QPointer<DocumentFrame>> frames(m_frames.begin(), m_frames.end());
    for (const QPointer<DocumentFrame>& frame : frames) {
        // A tab being saved changes its file itself; one opening has not read it yet.
        if (!frame || IndexOf(frame) < 0 || frame->IsBusy())
            continue;
        const bool wasDeleted = frame->IsDeletedOnDisk();
        const DocumentFrame::DiskChange change = frame->CheckDisk();
        if (frame->IsDeletedOnDisk() != wasDeleted)
            RefreshTab(IndexOf(frame));
        if (change != DocumentFrame::DiskChange::Changed)
            continue;
        const int text =
            frame->IsModified() ? ShellStringId::ReloadModifiedPrompt : ShellStringId::ReloadPrompt;
        const bool reload = ShellMessages::AskYes(this, ShellText::Format(text, {frame->Path()}));
        if (!frame || IndexOf(frame) < 0)
            continue;
        // A file that no longer loads leaves the tab as it was, and is not offered again.
        if (!reload || !ReloadTab(IndexOf(frame)))
            frame->KeepDiskVersion();
    }
    m_checkingDisk = false;
    WatchFiles();
    m_strip->update();
}

bool DocumentTabs::ReloadTab(int index)
{
    DocumentFrame* old = FrameAt(index);
    if (!old || old->IsUntitled() || old->IsBusy())
        return false;
    // A fresh frame rather than loading into the old view: its undo history and the find and
    // query results refer to nodes of the old tree. The fresh frame takes the tab at once (so
    // the reload shows its progress and nothing edits the old document meanwhile); the old
    // one comes back if the load fails (FrameWorkFinished).
    DocumentFrame* fresh = NewFrame();
    fresh->hide();
    fresh->StartOpen(old->Path());
    m_replaced.insert(fresh, old);
    m_frames[size_t(index)] = fresh;
    old->hide();
    RefreshTab(index);
    if (index == m_active) {
        fresh->show();
        m_listener.OnActiveTabChanged(index, index);
    }
    return true;
}

void DocumentTabs::WatchFiles()
{
    // A file replaced by a rename drops out of the watcher: it is added again here.
    QStringList wanted;
    for (const DocumentFrame* frame : m_frames) {
        if (!frame->IsUntitled() && QFileInfo::exists(frame->Path()))
            wanted << frame->Path();
    }
    const QStringList watched = m_watcher->files();
    QStringList gone;
    for (const QString& path : watched) {
        if (!wanted.contains(path))
            gone << path;
    }
    QStringList added;
    for (const QString& path : wanted) {
        if (!watched.contains(path) && !added.contains(path))
            added << path;
    }
    if (!gone.isEmpty())
        m_watcher->removePaths(gone);
    if (!added.isEmpty())
        m_watcher->addPaths(added);
}

void DocumentTabs::AfterCountChanged()
{
    m_strip->setVisible(Count() > 0);
    LayOut();
    update();
}

QRect DocumentTabs::DocumentArea() const
{
    QRect area = rect().adjusted(Inset, Inset, -Inset, -Inset);
    if (Count() > 0) {
        if (m_stripAtBottom)
            area.setBottom(area.bottom() - StripHeight);
        else
            area.setTop(area.top() + StripHeight);
    }
    return area;
}

void DocumentTabs::LayOut()
{
    const int top = m_stripAtBottom ? height() - StripHeight : 1;
    m_strip->setGeometry(1, top, qMax(0, width() - 2), StripHeight);
    const QRect area = DocumentArea();
    for (DocumentFrame* frame : m_frames)
        frame->setGeometry(area);
}

void DocumentTabs::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayOut();
    update();
}

void DocumentTabs::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect all = rect().adjusted(0, 0, -1, -1);
    if (Count() > 0) {
        painter.setPen(palette().color(QPalette::Dark));
        painter.setBrush(palette().color(QPalette::Button));
        painter.drawRect(all);
        return;
    }
    painter.setPen(palette().color(QPalette::Shadow));
    painter.setBrush(palette().color(QPalette::Mid));
    painter.drawRect(all);
    QColor text = palette().color(QPalette::HighlightedText).toHsl();
    text.setHsl(text.hslHue(), text.hslSaturation() * 80 / 100, text.lightness());
    painter.setPen(text);
    painter.setBrush(Qt::NoBrush);
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine,
                     ShellText::Get(ShellStringId::OpenHint));
}

void DocumentTabs::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && Count() == 0) {
        m_listener.OnCommandFromTabs(CommandId::FileOpen);
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void DocumentTabs::OpenTabMenuByKey()
{
    if (m_active < 0)
        return;
    const QRect tab = m_strip->tabRect(m_active);
    m_listener.OnTabContextMenu(m_active, m_strip->mapToGlobal(tab.bottomLeft()));
}

void DocumentTabs::NoticeTransformationWritten(const QString& resultPath)
{
    if (m_notice)
        m_notice(ShellText::Format(StringId::TransformationWritten, {resultPath}));
}

bool DocumentTabs::eventFilter(QObject* watched, QEvent* event)
{
    // The Menu key (Qt turns it into a keyboard context menu event).
    if (watched == m_strip && event->type() == QEvent::ContextMenu &&
        static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        OpenTabMenuByKey();
        return true;
    }
    if (watched == m_strip && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            const int index = m_strip->tabAt(mouse->position().toPoint());
            if (index >= 0) {
                Activate(index);
                m_listener.OnTabContextMenu(index, mouse->globalPosition().toPoint());
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
