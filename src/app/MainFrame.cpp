#include "app/MainFrame.h"

#include "app/AboutBox.h"
#include "app/CommandAction.h"
#include "app/CommandIcons.h"
#include "app/DesktopServices.h"
#include "app/DocumentFrame.h"
#include "app/DocumentNaming.h"
#include "app/DocumentTabs.h"
#include "app/DropDownToolButton.h"
#include "app/FindDialog.h"
#include "app/FindResultsPane.h"
#include "app/ShellMessages.h"
#include "app/ShellText.h"
#include "app/UserGuide.h"
#include "app/XPathQueryPane.h"
#include "config/AppSettings.h"
#include "config/BuiltinResources.h"
#include "config/LanguageResource.h"
#include "config/StringTable.h"
#include "editing/CommandId.h"
#include "ui/MenuBuilder.h"
#include "view/TreeColumnWidths.h"
#include "view/TreeListView.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDropEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>
#include <memory>

namespace {

// Commands that need an open document; the idle update disables them without one.
// clang-format off
constexpr int DocumentCommands[] = {32811, 32812, 32891, 32892, 32893, 57635, 57634, 57632, 57637,
                                    32869, 32838, 32839, 57643, 57644, 57636, 32860, 32861, 32862,
                                    32863, 32866, 32867, 32868, 32874, 32875, 32876, 32870, 32871,
                                    32814, 57602, 32785, 57603, 32786, 32894, 32895, 57640, 32930,
                                    33000};
// clang-format on

// The Standard tool bar, left to right; 0 is a separator.
constexpr int ToolBarCommands[] = {57600, 57601, 57603, 32786, 0,     57632, 57635, 57634,
                                   57637, 0,     57643, 57644, 0,     32869, 0,     32862,
                                   32876, 32863, 32868, 0,     32894, 32895};

// A command's description (its string of the same ID) as the tool-tip, without "&", with the
// command's key.
QString ToolTipOf(int commandId, const QString& fallback)
{
    QString text = ShellText::Get(commandId);
    if (text.isEmpty())
        text = fallback;
    text.remove(u'&');
    text = text.section(u'\t', 0, 0);
    const QList<QKeySequence> keys = MenuBuilder::Shortcuts(commandId);
    if (!keys.isEmpty())
        text += QStringLiteral(" (%1)").arg(keys.first().toString(QKeySequence::NativeText));
    return text;
}

// A path that may be longer than the status bar: the middle gives way, the tool-tip and
// screen readers have it whole.
class PathLabel : public QLabel {
public:
    explicit PathLabel(QWidget* parent) : QLabel(parent)
    {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRect area = contentsRect();
        painter.setPen(palette().color(foregroundRole()));
        painter.drawText(area, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                         fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width()));
    }
};

} // namespace

MainFrame::MainFrame(const ShellServices& services, QWidget* parent)
    : QMainWindow(parent), m_services(services)
{
    setObjectName(QStringLiteral("TOVIXMLEditorMainWindowClass"));
    m_applicationTitle = ShellText::Get(ShellStringId::ProgramName);
    setWindowTitle(m_applicationTitle);
    setWindowIcon(CommandIcons::ProgramIcon());
    setMinimumSize(MinimumWidth, MinimumHeight);
    m_aboutPresenter = [](QWidget* owner) { AboutBox::Show(owner); };

    BuildMenuBar();
    BuildToolBar();
    m_tabs = new DocumentTabs(*this, m_services, this);
    setCentralWidget(m_tabs);
    AddKeyOnlyActions();
    BuildStatusBar();
    BuildFindResults();
    BuildXPathQuery();

    m_idleConnection =
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
                &MainFrame::RunIdleUpdate);

    m_recent.SetMenu(m_fileMenu);
    if (m_services.settings)
        m_recent.Load(m_services.settings->recentFiles, m_services.settings->recentFileListLength);
    if (m_services.settings)
        TreeColumnWidths::Shared().SetNameWidth(m_services.settings->treeNameColumnWidth);
    setAcceptDrops(true);
    BuildLanguagesMenu();

    RunIdleUpdate();
}

MainFrame::~MainFrame()
{
    disconnect(m_idleConnection);
}

void MainFrame::BuildMenuBar()
{
    const std::optional<MenuDescription> menu =
        BuiltinResources::Menu(m_services.language, BuiltinResources::kMainMenu);
    if (menu) {
        QMenuBar* bar = MenuBuilder::BuildMenuBar(*menu, this);
        setMenuBar(bar);
        // The File menu is the first pop-up of the menu bar.
        for (QAction* action : bar->actions()) {
            if (action->menu()) {
                m_fileMenu = action->menu();
                break;
            }
        }
    }
    connect(menuBar(), &QMenuBar::triggered, this, &MainFrame::RouteAction);
    CollectActions(menuBar());
}

void MainFrame::CollectActions(QWidget* menuOrBar)
{
    for (QAction* action : menuOrBar->actions()) {
        if (QMenu* sub = action->menu()) {
            CollectActions(sub);
            continue;
        }
        const int id = CommandAction::IdOf(action);
        if (id == 0 || action->isSeparator())
            continue;
        if (id >= CommandId::RecentFileFirst && id <= CommandId::RecentFileLast)
            continue;
        if (id >= CommandId::LanguageFirst && id <= CommandId::LanguageLast)
            continue;
        if (action->icon().isNull()) {
            const QIcon icon = CommandIcons::Icon(id);
            if (!icon.isNull())
                action->setIcon(icon);
        }
        if (id == CommandId::StandardToolbar)
            action->setCheckable(true);
        // A language file may list a command twice; two items with one key would leave the key
        // ambiguous and dead, so the first item keeps it.
        if (m_actions.contains(id))
            action->setShortcuts({});
        m_actions.insert(id, action);
    }
}

void MainFrame::AddKeyOnlyActions()
{
    for (int id : MenuBuilder::KeyedCommands()) {
        if (MenuBuilder::FindCommand(menuBar(), id))
            continue;
        auto* action = new QAction(this);
        CommandAction::SetId(action, id);
        action->setShortcuts(MenuBuilder::Shortcuts(id));
        connect(action, &QAction::triggered, this, [this, action] { RouteAction(action); });
        addAction(action);
        m_actions.insert(id, action);
    }
    // The find dialog is a window of its own: without them there, Ctrl+Tab or Ctrl+S would
    // do nothing while it is active.
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        if (DocumentTabs::IsOwnCommand(it.key()) && !it.value()->shortcuts().isEmpty())
            m_tabs->Find()->addAction(it.value());
    }
}

void MainFrame::ReleaseViewKeys(DocumentFrame* frame)
{
    // The tree binds keys of its own so that it works alone; in the window the menu items
    // carry them, and two owners of one key would make Qt refuse it as ambiguous.
    QList<QKeySequence> windowKeys;
    for (int id : MenuBuilder::KeyedCommands())
        windowKeys << MenuBuilder::Shortcuts(id);
    TreeListView* view = frame->View();
    for (QAction* own : view->AcceleratorActions()) {
        if (windowKeys.contains(own->shortcut()))
            view->removeAction(own);
    }
}

void MainFrame::BuildToolBar()
{
    m_toolBar = new QToolBar(QStringLiteral("Standard"), this);
    m_toolBar->setObjectName(QStringLiteral("StandardToolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->toggleViewAction()->setVisible(false);
    m_toolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    for (int id : ToolBarCommands) {
        if (id == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* menuAction = MenuBuilder::FindCommand(menuBar(), id);
        auto* action =
            new QAction(CommandIcons::Icon(id),
                        ToolTipOf(id, menuAction ? menuAction->text() : QString()), m_toolBar);
        CommandAction::SetId(action, id);
        connect(action, &QAction::triggered, this, [this, action] { RouteAction(action); });
        if (id == CommandId::FileOpen) {
            auto* button = new DropDownToolButton(m_toolBar);
            button->setObjectName(QStringLiteral("OpenButton"));
            button->setDefaultAction(action);
            connect(button, &DropDownToolButton::DropDownRequested, this,
                    &MainFrame::ShowRecentPopup);
            m_toolBar->addWidget(button);
        } else {
            m_toolBar->addAction(action);
        }
        m_actions.insert(id, action);
    }
    const bool visible = !m_services.settings || m_services.settings->topToolbarVisible;
    m_toolBar->setVisible(visible);
}

void MainFrame::BuildLanguagesMenu()
{
    if (!m_services.language || m_services.language->Languages().isEmpty())
        return;
    const QString current = m_services.settings ? m_services.settings->language : QString();
    m_languagesMenu = new QMenu(ShellText::Get(ShellStringId::Languages), this);
    const QList<LanguageResource::Language>& languages = m_services.language->Languages();
    for (int i = 0; i < languages.size() && i <= CommandId::LanguageLast - CommandId::LanguageFirst;
         ++i) {
        QAction* action = m_languagesMenu->addAction(languages[i].name);
        CommandAction::SetId(action, CommandId::LanguageFirst + i);
        action->setCheckable(true);
        action->setChecked(languages[i].id == current);
    }
    // Just before the last pop-up ("&?").
    const QList<QAction*> top = menuBar()->actions();
    QAction* before = nullptr;
    for (int i = int(top.size()) - 1; i >= 0; --i) {
        if (top[i]->menu()) {
            before = top[i];
            break;
        }
    }
    menuBar()->insertMenu(before, m_languagesMenu);
}

void MainFrame::BuildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    m_pathField = new PathLabel(bar);
    m_pathField->setObjectName(QStringLiteral("SelectedPath"));
    bar->addWidget(m_pathField, 1);
    m_countField = new QLabel(bar);
    m_countField->setObjectName(QStringLiteral("NodeCount"));
    bar->addPermanentWidget(m_countField);
}

void MainFrame::UpdateStatusBar()
{
    m_statusStale = false;
    const DocumentFrame* active = m_tabs->ActiveFrame();
    const QString path = active ? active->SelectedPath() : QString();
    if (m_pathField->text() != path) {
        m_pathField->setText(path);
        m_pathField->setToolTip(path);
    }
    const QString count =
        active ? ShellText::Format(StringId::StatusNodeCount,
                                   {QLocale().toString(qulonglong(active->NodeCount()))})
               : QString();
    if (m_countField->text() != count)
        m_countField->setText(count);
}

void MainFrame::BuildFindResults()
{
    m_tabs->SetNoticeSink(
        [this](const QString& text) { statusBar()->showMessage(text, NoticeMilliseconds); });
    m_findResults = new FindResultsPane(this);
    addDockWidget(Qt::BottomDockWidgetArea, m_findResults);
    m_findResults->hide();
    m_tabs->SetFindAllSink([this](DocumentFrame* frame, const std::vector<FoundNode>& matches) {
        m_findResults->ShowResults(frame, matches);
    });
    connect(m_findResults, &FindResultsPane::nodeChosen, this, &MainFrame::SelectFoundNode);
}

void MainFrame::BuildXPathQuery()
{
    m_xpathQuery = new XPathQueryPane(this, [this] { return m_tabs->ActiveFrame(); });
    addDockWidget(Qt::BottomDockWidgetArea, m_xpathQuery);
    m_xpathQuery->hide();
    connect(m_xpathQuery, &XPathQueryPane::nodeChosen, this, &MainFrame::SelectFoundNode);
}

void MainFrame::SelectFoundNode(DocumentFrame* frame, int32_t id)
{
    const int index = frame ? m_tabs->IndexOf(frame) : -1;
    if (index < 0)
        return;
    if (index != m_tabs->ActiveIndex())
        m_tabs->Activate(index);
    frame->View()->SelectNode(id);
}

void MainFrame::ApplyPlacement()
{
    const AppSettings* settings = m_services.settings;
    QRect normal(
        QPoint(settings ? settings->normalLeft : 0, settings ? settings->normalTop : 0),
        QPoint(settings ? settings->normalRight : 800, settings ? settings->normalBottom : 600));
    // The stored right and bottom edges lie just outside the window.
    normal = QRect(normal.left(), normal.top(), normal.right() - normal.left(),
                   normal.bottom() - normal.top());
    if (normal.width() < MinimumWidth || normal.height() < MinimumHeight)
        normal.setSize(normal.size().expandedTo(QSize(800, 600)));
    setGeometry(normal);
    if (!settings || settings->maximized)
        showMaximized();
    else
        showNormal();
}

void MainFrame::RouteAction(QAction* action)
{
    const int id = CommandAction::IdOf(action);
    if (id != 0)
        HandleCommand(id);
}

bool MainFrame::HandleCommand(int commandId)
{
    switch (commandId) {
    case CommandId::Exit:
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return true;
    case CommandId::ToggleTabPosition:
        m_tabs->ToggleStripPosition();
        return true;
    case CommandId::StandardToolbar:
        ToggleToolBar();
        return true;
    case CommandId::HomePage:
        ShowHomePage();
        return true;
    case CommandId::About:
        if (m_aboutPresenter)
            m_aboutPresenter(QApplication::activeWindow() ? QApplication::activeWindow() : this);
        return true;
    case CommandId::RecentFilesPopup:
        ShowRecentPopup(QCursor::pos());
        return true;
    case CommandId::XPathQuery:
        m_xpathQuery->Open();
        return true;
    default:
        break;
    }
    if (commandId >= CommandId::RecentFileFirst && commandId <= CommandId::RecentFileLast) {
        m_recent.Choose(
            commandId - CommandId::RecentFileFirst,
            [this](const QString& path) { m_tabs->OpenDocument(path); },
            [this](const QString& path) {
                ShellMessages::ShowError(this,
                                         ShellText::Format(ShellStringId::RecentMissing, {path}));
            });
        return true;
    }
    if (commandId >= CommandId::LanguageFirst && commandId <= CommandId::LanguageLast) {
        ChooseLanguage(commandId - CommandId::LanguageFirst);
        return true;
    }
    const bool handled = m_tabs->HandleCommand(commandId);
    // The status bar waits for the idle update: the selected node's exact path counts its
    // same-named siblings, tens of milliseconds among a million, which must not delay the
    // edit's paint.
    UpdateCommandStates();
    return handled;
}

void MainFrame::ToggleToolBar()
{
    m_toolBar->setVisible(m_toolBar->isHidden());
    RunIdleUpdate();
}

void MainFrame::ShowHomePage()
{
    const QString guide = UserGuide::HtmlFile();
    if (!guide.isEmpty())
        m_services.desktop.OpenUrl(QUrl::fromLocalFile(guide).toString());
}

void MainFrame::ShowRecentPopup(const QPoint& globalPosition, bool fromKeyboard)
{
    if (m_recent.IsEmpty())
        return;
    QMenu popup(this);
    m_recent.FillPopup(&popup);
    // Opened by a key, the first file is ready for Enter, as in any menu opened that way.
    if (fromKeyboard)
        popup.setActiveAction(popup.actions().value(0));
    if (QAction* chosen = popup.exec(globalPosition))
        RouteAction(chosen);
}

void MainFrame::ChooseLanguage(int index)
{
    if (!m_services.language || index < 0 || index >= m_services.language->Languages().size())
        return;
    // Takes effect at the next start: the texts and the check mark stay as they are.
    if (m_services.settings)
        m_services.settings->language = m_services.language->Languages()[index].id;
    ShellMessages::ShowInformation(this, ShellText::Get(ShellStringId::RestartToApply));
}

void MainFrame::RunIdleUpdate()
{
    if (m_closed)
        return;
    UpdateCommandStates();
    if (m_statusStale)
        UpdateStatusBar();
}

void MainFrame::UpdateCommandStates()
{
    if (m_closed)
        return;
    m_tabs->UpdateModifiedMarkers();
    for (QAction* action : m_actions.values(CommandId::StandardToolbar)) {
        action->setCheckable(true);
        action->setChecked(!m_toolBar->isHidden());
    }
    const int count = m_tabs->Count();
    QHash<int, bool> states;
    for (int id : DocumentCommands)
        states.insert(id, count >= 1);
    states.insert(CommandId::CloseAllButThis, count >= 2);
    QHash<int, bool> checked;
    if (DocumentFrame* active = m_tabs->ActiveFrame())
        active->RefineCommandStates(states, checked);
    // The view decides Save all from its own document alone, which would leave other
    // modified tabs without a way to save them all at once.
    if (!states.value(CommandId::SaveAll)) {
        for (int i = 0; i < count; ++i) {
            if (m_tabs->FrameAt(i)->IsModified()) {
                states.insert(CommandId::SaveAll, true);
                break;
            }
        }
    }
    for (auto it = states.cbegin(); it != states.cend(); ++it) {
        for (QAction* action : m_actions.values(it.key())) {
            if (action->isEnabled() != it.value())
                action->setEnabled(it.value());
        }
    }
    for (auto it = checked.cbegin(); it != checked.cend(); ++it) {
        for (QAction* action : m_actions.values(it.key())) {
            if (action->isCheckable() || it.value()) {
                action->setCheckable(true);
                action->setChecked(it.value());
            }
        }
    }
    m_states = states;
    UpdateTitle();
}

void MainFrame::UpdateTitle()
{
    const DocumentFrame* active = m_tabs->ActiveFrame();
    const QString title = DocumentNaming::WindowTitle(active ? active->Caption() : QString(),
                                                      active != nullptr, m_applicationTitle);
    if (windowTitle() != title)
        setWindowTitle(title);
}

void MainFrame::FocusActivePane()
{
    if (DocumentFrame* active = m_tabs->ActiveFrame())
        active->FocusTarget()->setFocus();
}

void MainFrame::OnTabInserted(int)
{
    UpdateTitle();
    RunIdleUpdate();
    update();
}

void MainFrame::OnTabRemoved(int)
{
    m_statusStale = true;
    UpdateTitle();
    RunIdleUpdate();
    update();
}

void MainFrame::OnTabClosing(int index)
{
    // The file enters the list even when the save prompt then cancels the close.
    if (const DocumentFrame* frame = m_tabs->FrameAt(index)) {
        if (!frame->IsUntitled() && !frame->Path().isEmpty())
            m_recent.Add(frame->Path());
    }
    UpdateTitle();
    RunIdleUpdate();
}

void MainFrame::OnActiveTabChanged(int, int)
{
    disconnect(m_statusConnection);
    if (DocumentFrame* active = m_tabs->ActiveFrame()) {
        ReleaseViewKeys(active);
        m_statusConnection =
            connect(active, &DocumentFrame::StatusChanged, this, [this] { m_statusStale = true; });
    }
    m_statusStale = true;
    FocusActivePane();
    UpdateTitle();
}

void MainFrame::OnTabContextMenu(int, const QPoint& globalPosition)
{
    const std::optional<MenuDescription> description =
        BuiltinResources::Menu(m_services.language, BuiltinResources::kTabMenu);
    const MenuDescription::Item* popup = description ? description->FirstPopup() : nullptr;
    if (!popup)
        return;
    RunIdleUpdate();
    std::unique_ptr<QMenu> menu(MenuBuilder::BuildPopup(*popup, this));
    for (QAction* action : menu->actions()) {
        const int id = CommandAction::IdOf(action);
        if (id != 0 && !action->isSeparator())
            action->setEnabled(action->isEnabled() && IsCommandEnabled(id));
    }
    if (QAction* chosen = menu->exec(globalPosition))
        RouteAction(chosen);
}

void MainFrame::OnCommandFromTabs(int commandId)
{
    HandleCommand(commandId);
}

void MainFrame::ReceiveExternalPath(const QString& path)
{
    m_tabs->OpenDocument(path);
    // Brought forward whatever the outcome of the open.
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void MainFrame::OpenDroppedFiles(const QStringList& paths)
{
    int lastOpened = -1;
    for (qsizetype i = paths.size() - 1; i >= 0; --i) {
        const int index = m_tabs->OpenDocument(paths[i]);
        if (index != -1)
            lastOpened = index;
    }
    if (lastOpened >= 0 && lastOpened < m_tabs->Count())
        m_tabs->Activate(lastOpened);
}

void MainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls()) {
        for (const QUrl& url : event->mimeData()->urls()) {
            if (url.isLocalFile()) {
                event->acceptProposedAction();
                return;
            }
        }
    }
    QMainWindow::dragEnterEvent(event);
}

void MainFrame::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    if (paths.isEmpty()) {
        QMainWindow::dropEvent(event);
        return;
    }
    event->acceptProposedAction();
    OpenDroppedFiles(paths);
}

void MainFrame::closeEvent(QCloseEvent* event)
{
    if (!m_tabs->CloseAll()) {
        event->ignore();
        return;
    }
    if (m_handOversPending && m_handOversPending()) {
        event->ignore();
        return;
    }
    m_closed = true;
    disconnect(m_idleConnection);
    if (AppSettings* settings = m_services.settings) {
        settings->maximized = isMaximized();
        const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
        settings->normalLeft = normal.left();
        settings->normalTop = normal.top();
        settings->normalRight = normal.left() + normal.width();
        settings->normalBottom = normal.top() + normal.height();
        settings->topToolbarVisible = m_toolBar && !m_toolBar->isHidden();
        settings->bottomToolbarVisible = false;
        settings->recentFiles = m_recent.Entries();
        settings->treeNameColumnWidth = TreeColumnWidths::Shared().NameWidth();
    }
    event->accept();
    emit Closed();
}

void MainFrame::changeEvent(QEvent* event)
{
    // Back from another program, which may have changed the open files.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_closed)
        m_tabs->ScheduleDiskCheck();
    QMainWindow::changeEvent(event);
}
