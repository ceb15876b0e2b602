#pragma once

#include "app/DocumentFrame.h"

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class DocumentTabsListener;
class FindDialog;
struct FoundNode;
class QFileSystemWatcher;
class QTabBar;
class QTimer;
struct ShellServices;

// The documents of the main window, one tab each, and everything that opens, saves, closes
// and switches them. Commands it does not handle go to the active tab's view.
class DocumentTabs : public QWidget {
    Q_OBJECT
public:
    static constexpr int StripHeight = 25;
    static constexpr int Inset = 3;

    DocumentTabs(DocumentTabsListener& listener, const ShellServices& services, QWidget* parent);
    ~DocumentTabs() override;

    // An empty path makes a new untitled document. A file that is open already is not opened
    // twice: its tab becomes the active one. A file opens on a worker: its tab is there at
    // once, busy until the document has loaded; a failed or cancelled open removes the tab
    // again (a failure is reported). Returns the tab's index.
    int OpenDocument(const QString& path);
    // The tab showing this file (symbolic links resolved), or -1.
    int IndexOfFile(const QString& path) const;
    // False when the user cancelled a save prompt; the remaining tabs stay.
    bool CloseAll();

    // The commands DocumentTabs handles itself.
    static bool IsOwnCommand(int commandId);
    // Handles its own commands and passes the rest to the active view; false when nobody
    // took the command (no tab, or the view refused it).
    bool HandleCommand(int commandId);

    int Count() const { return int(m_frames.size()); }
    int ActiveIndex() const { return m_active; }
    DocumentFrame* FrameAt(int index) const;
    DocumentFrame* ActiveFrame() const { return FrameAt(m_active); }
    int IndexOf(const DocumentFrame* frame) const;
    QTabBar* Strip() const { return m_strip; }
    FindDialog* Find() const { return m_find; }
    // Where short notices of the search go (the status bar), and Find all's matches.
    void SetNoticeSink(std::function<void(const QString&)> sink) { m_notice = std::move(sink); }
    void SetFindAllSink(std::function<void(DocumentFrame*, const std::vector<FoundNode>&)> sink)
    {
        m_findAll = std::move(sink);
    }
    bool StripAtBottom() const { return m_stripAtBottom; }
    QRect DocumentArea() const;

    // Makes a tab the active one, with the notifications of a user's choice.
    void Activate(int index);
    // Asks (main frame first, then the save prompt) and removes the tab; false if refused.
    bool CloseTab(int index);
    // Start a save on a worker; false when none started (busy, declined, no name chosen).
    bool SaveTab(int index);
    bool SaveTabAs(int index);
    // SaveTab, then waits for the outcome: true when the document was saved.
    bool SaveTabAndWait(int index);
    void SaveAll();
    void CloseAllButActive();
    void PreviousTab();
    void NextTab();
    void CopyDocumentPath();
    // The tab menu of the active tab, below it: the Menu key or Shift+F10 on the strip.
    void OpenTabMenuByKey();
    // Tells in the status bar that a transformation wrote its result to `resultPath`.
    void NoticeTransformationWritten(const QString& resultPath);
    void OpenContainingFolder();
    void ShowFindDialog();
    void ToggleStripPosition();

    // The idle handler: brings every tab's modified marker, caption and tool-tip up to date.
    void UpdateModifiedMarkers();

    // Compares every tab's file with what the tab last read or wrote: a deleted file marks its
    // tab, a changed one is offered for reload, once per change. Waits while a modal box is up.
    void CheckFilesOnDisk();
    // The same a moment later, so a burst of notifications asks once.
    void ScheduleDiskCheck();
    // Starts reading the tab's file anew into a fresh document in the same place of the
    // strip; the old one comes back when the file cannot be loaded (or the user cancels).
    // False when no reload started.
    bool ReloadTab(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DocumentFrame* NewFrame();
    void FrameWorkFinished(DocumentFrame* frame, DocumentFrame::Work work, XmlStatus status);
    // Removes the tab without asking; `later` deletes its frame once control returns to the
    // event loop.
    void RemoveFrame(int index, bool later = false);
    // Waits for the frame's load or save, keeping other questions off the screen meanwhile.
    void WaitFor(DocumentFrame* frame);
    // Cancels an expansion running in the tab (and waits for it), so the tab can be saved or
    // closed at once.
    void StopExpanding(DocumentFrame* frame);
    bool RequestClose(int index);
    bool SavePrompt(int index);
    // False when the file changed on disk since the tab read it and the user keeps it.
    bool ConfirmOverwrite(DocumentFrame* frame);
    void WatchFiles();
    void RefreshTab(int index);
    void AfterCountChanged();
    void LayOut();
    // Searches the active tab with the dialog's text and options, `up` overriding Search up
    // when given (F3 and Shift+F3).
    void RelayFindRequest(std::optional<bool> up = std::nullopt);
    void RepeatFind(bool up);
    void RelayFindAll();
    void RunToolDialog(int commandId);
    // Settings and requests of a new frame.
    void WireFrame(DocumentFrame* frame);
    QString NewName() const;
    QWidget* DialogOwner() const;

    DocumentTabsListener& m_listener;
    const ShellServices& m_services;
    QTabBar* m_strip = nullptr;
    FindDialog* m_find = nullptr;
    std::function<void(const QString&)> m_notice;
    std::function<void(DocumentFrame*, const std::vector<FoundNode>&)> m_findAll;
    std::vector<DocumentFrame*> m_frames;
    int m_active = -1;
    bool m_stripAtBottom = false;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_diskCheck = nullptr;
    bool m_checkingDisk = false;
    int m_waiting = 0;
    // A frame reloading its tab's file, and the frame it replaces once the load succeeds.
    QHash<DocumentFrame*, QPointer<DocumentFrame>> m_replaced;
};
