#pragma once

#include "app/DocumentTabsListener.h"
#include "app/RecentFileList.h"
#include "app/ShellServices.h"

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QMetaObject>
#include <functional>

class DocumentFrame;
class DocumentTabs;
class FindResultsPane;
class XPathQueryPane;
class QAction;
class QLabel;
class QMenu;
class QToolBar;

// The program's main window: menu bar, Standard tool bar, status bar, the recent files and the
// document tabs. It handles the application commands and routes every other one to
// DocumentTabs, which passes what it does not handle to the active view.
class MainFrame : public QMainWindow, public DocumentTabsListener {
    Q_OBJECT
public:
    static constexpr int MinimumWidth = 300;
    static constexpr int MinimumHeight = 200;
    // How long a notice stays in the status bar.
    static constexpr int NoticeMilliseconds = 5000;

    explicit MainFrame(const ShellServices& services, QWidget* parent = nullptr);
    ~MainFrame() override;

    // Places and shows the window as the settings describe it.
    void ApplyPlacement();
    // Routes a command by its ID; false when nobody took it.
    bool HandleCommand(int commandId);
    // Command states, tool bar, title and status bar; runs whenever the event loop is about to
    // wait (after the paints); a forwarded command updates all but the status bar at once.
    void RunIdleUpdate();

    // A path handed over by a later start: opened in a new tab, the window brought forward.
    void ReceiveExternalPath(const QString& path);
    // Files dropped on the window, in the order of the drop: opened last first, and the last
    // one that opened (the first dropped) ends active.
    void OpenDroppedFiles(const QStringList& paths);

    DocumentTabs* Tabs() const { return m_tabs; }
    RecentFileList& Recent() { return m_recent; }
    QToolBar* StandardToolBar() const { return m_toolBar; }
    FindResultsPane* FindResults() const { return m_findResults; }
    XPathQueryPane* XPathQuery() const { return m_xpathQuery; }
    QMenu* FileMenu() const { return m_fileMenu; }
    QMenu* LanguagesMenu() const { return m_languagesMenu; }
    QList<QAction*> ActionsFor(int commandId) const { return m_actions.values(commandId); }
    // The state the last idle update gave the command (true for commands it does not touch).
    bool IsCommandEnabled(int commandId) const { return m_states.value(commandId, true); }
    QString ApplicationTitle() const { return m_applicationTitle; }

    // The status bar's fields: the selected node's exact XPath and the document's node count.
    QLabel* PathField() const { return m_pathField; }
    QLabel* NodeCountField() const { return m_countField; }

    // Tells whether paths handed over by later starts still wait to open; the window does not
    // close over them (they wait while a box of the closing itself is up).
    void SetHandOversPending(std::function<bool()> pending)
    {
        m_handOversPending = std::move(pending);
    }

    // The about box is shown through this, so tests can replace it.
    void SetAboutPresenter(std::function<void(QWidget*)> presenter)
    {
        m_aboutPresenter = std::move(presenter);
    }

signals:
    // The window closed for good (all tabs closed, settings stored): time to end the loop.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // DocumentTabsListener
    void OnTabInserted(int index) override;
    void OnTabRemoved(int index) override;
    void OnTabClosing(int index) override;
    void OnActiveTabChanged(int oldIndex, int newIndex) override;
    void OnTabContextMenu(int index, const QPoint& globalPosition) override;
    void OnCommandFromTabs(int commandId) override;

    void BuildMenuBar();
    void BuildToolBar();
    void BuildLanguagesMenu();
    void CollectActions(QWidget* menuOrBar);
    // Window actions for keyed commands no menu item carries (Ctrl+Tab), and the keys of the
    // file and tab commands in the find dialog too.
    void AddKeyOnlyActions();
    // Takes from the tab's tree the keys it binds for itself that the menus carry as well.
    void ReleaseViewKeys(DocumentFrame* frame);
    void RouteAction(QAction* action);
    void ShowRecentPopup(const QPoint& globalPosition, bool fromKeyboard = false);
    void ChooseLanguage(int index);
    void ShowHomePage();
    void ToggleToolBar();
    void UpdateTitle();
    void FocusActivePane();
    void BuildStatusBar();
    void UpdateStatusBar();
    // Enabled and checked commands, the tab markers and the title: RunIdleUpdate without the
    // status bar.
    void UpdateCommandStates();
    void BuildFindResults();
    // A row of the Find all list was picked: its node is selected in its tab, if both are
    // still there.
    void SelectFoundNode(DocumentFrame* frame, int32_t id);
    void BuildXPathQuery();

    ShellServices m_services;
    QString m_applicationTitle;
    DocumentTabs* m_tabs = nullptr;
    QToolBar* m_toolBar = nullptr;
    FindResultsPane* m_findResults = nullptr;
    XPathQueryPane* m_xpathQuery = nullptr;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_languagesMenu = nullptr;
    RecentFileList m_recent;
    QMultiHash<int, QAction*> m_actions;
    QHash<int, bool> m_states;
    QMetaObject::Connection m_idleConnection;
    QLabel* m_pathField = nullptr;
    QLabel* m_countField = nullptr;
    QMetaObject::Connection m_statusConnection;
    bool m_statusStale = true;
    std::function<void(QWidget*)> m_aboutPresenter;
    std::function<bool()> m_handOversPending;
    bool m_closed = false;
};
