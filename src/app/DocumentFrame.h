#pragma once

#include "document/DocumentObserver.h"
#include "document/FileFingerprint.h"
#include "document/XmlStatus.h"
#include "editing/SiblingPositions.h"
#include "tools/ToolRun.h"

#include <functional>

#include <QHash>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

class AppSettings;
class FileDialogs;
class FileJob;
class FileProgress;
class LanguageResource;
class ProgressStrip;
class QShortcut;
class NodeCounter;
class ToolErrorsPane;
class TreeListPane;
class XmlDocument;
class TreeListView;

// One document tab: the pane (header over tree) with its view, which owns the document and
// its path, plus what the tab strip shows of it.
struct FoundNode;

class DocumentFrame : public QWidget, private DocumentObserver {
    Q_OBJECT
public:
    DocumentFrame(const LanguageResource* language, QWidget* parent);
    ~DocumentFrame() override;

    bool NewFile(const QString& name);

    // Opening, saving and expanding a very large subtree run on a worker thread; the tab is
    // busy meanwhile (see IsBusy) and says how far it is at its foot, with a Cancel button
    // (Esc does the same). WorkFinished tells the outcome.
    enum class Work { None, Open, Save, SaveAs, Expand };
    Q_ENUM(Work)
    // Starts reading the file; the view shows the document once it has loaded. The caller
    // reports a failure (LoadFailureText).
    void StartOpen(const QString& path);
    // Starts saving to the view's own path; a failure is reported here (string 216). False
    // when nothing started: busy, or an open edit that does not end.
    bool StartSave();
    // The same under a new name: on success the path becomes that name and the document is
    // no longer untitled; on failure or cancel the old path stays.
    bool StartSaveAs(const QString& path);
    // What runs now; None when idle.
    Work Busy() const { return m_work; }
    bool IsBusy() const { return m_work != Work::None; }
    // Waits until the running work has finished and WorkFinished has been handled; the window
    // keeps painting.
    void WaitForWork();
    // Asks the running work to stop: an open then fails, a save leaves the file as it was.
    void CancelWork();
    // The message for the last open that failed.
    const QString& LoadFailureText() const { return m_loadFailure; }
    // Commands that act on the tab rather than on its document work while it is busy.
    static bool WorksWhileBusy(int commandId);

    QString Path() const;
    bool IsUntitled() const { return m_untitled; }
    bool IsModified() const;
    bool ModifiedMarker() const { return m_modifiedMarker; }
    void SetModifiedMarker(bool modified) { m_modifiedMarker = modified; }

    // How the file on disk compares with what this tab last read or wrote.
    enum class DiskChange {
        None,    // the same bytes (a touch alone is no change), or a change the user kept
        Changed, // other bytes the user has not answered for yet
        Deleted, // no file at the path
    };
    // Looks at the file (reading it only when its size or time moved); untitled tabs never
    // change. Marks or unmarks the tab as deleted.
    DiskChange CheckDisk();
    // The user keeps the document as it is over the bytes CheckDisk last found: that state is
    // not offered again.
    void KeepDiskVersion() { m_kept = m_seen; }
    bool IsDeletedOnDisk() const { return m_deleted; }

    QString DisplayName() const;
    QString Caption() const;
    QString ToolTip() const;

    // Passes a command on to the view; false when the view did not take it.
    bool SendCommand(int commandId);
    // Selects the next match (or tells there is none); true when found, with `wrapped` set when
    // the search passed the end of the document (or its start, searching up).
    bool FindRequest(const QString& text, uint32_t flags, bool* wrapped = nullptr);
    // Every match in document order, as the tree shows the nodes.
    std::vector<FoundNode> FindAll(const QString& text, uint32_t flags) const;
    // Starts validating the document as it is in memory against a schema (XML Schema, RELAX NG
    // or DTD by the file's extension) or, with an empty path and DocumentType, against its own
    // document type. The run goes on in a worker process under a busy bar with a Cancel button;
    // at its end every error is listed under the tree and the first one's node is selected
    // before the validator's explanation is shown.
    void Validate(ToolKind kind, const QString& schemaPath);
    void ValidateBySchema(const QString& schemaPath)
    {
        Validate(SchemaKindOf(schemaPath), schemaPath);
    }
    // Starts transforming the document as it is in memory; at the end the result (UTF-8) goes
    // to a file the user names, and the user may open it in a new tab. The document itself
    // never changes.
    void TransformByXsl(const QString& styleSheetPath, FileDialogs& fileDialogs);
    // The limits of runs and the place of the last result (null: defaults).
    void SetSettings(AppSettings* settings) { m_settings = settings; }
    bool IsToolRunning() const { return m_run->IsRunning(); }
    ProgressStrip* RunBar() const { return m_runBar; }
    ToolErrorsPane* Errors() const { return m_errors; }
    // Lets the view refine the availability of its own commands (selection, undo, redo).
    void RefineCommandStates(QHash<int, bool>& enabled, QHash<int, bool>& checked) const;

    QWidget* FocusTarget() const;
    TreeListView* View() const { return m_view; }
    XmlDocument* Document() const;
    ProgressStrip* ProgressBar() const { return m_progressBar; }

    // What the status bar shows of the tab: the nodes of the document, and the exact XPath of
    // the selected node (empty without one).
    size_t NodeCount() const;
    QString SelectedPath() const;

signals:
    // A load or save ended: XE_OK, XE_CANCELLED or the failure.
    void WorkFinished(DocumentFrame::Work work, XmlStatus status);
    // The user wants this file (a transformation's result) opened in a tab.
    void openRequested(const QString& path);
    // A transformation's result was written to this file.
    void resultWritten(const QString& path);
    // The selection or the document changed: what the status bar shows may be stale.
    void StatusChanged();

private:
    void StartRun(ToolRequest request);
    void FinishRun();
    void ReportValidation(const ToolOutcome& outcome);
    void ReportTransformation(const ToolOutcome& outcome);
    // The explanation of a failed load or run: the table's text, the reasons underneath.
    QString FailureText(const QString& headline, const ToolOutcome& outcome) const;
    void SelectPath(const NodeIdPath& path);
    void OnNodeChanged(const NodeIdPath& path) override;
    void OnNodeAboutToBeRemoved(const XmlNode* node) override;
    void OnNodeRemoved(const NodeIdPath& path) override;
    void OnNodeInserted(const NodeIdPath& path, XmlNode* node) override;
    // A change of the document: a run's outcome and the error list no longer match it.
    void MarkEdited();

    // Starts `work` on a worker, the tab blocked for edits until it ends. `name` is the file's
    // path, or the node's name for an expansion.
    void StartWork(Work kind, const QString& name, std::function<XmlStatus(FileProgress&)> work);
    void FinishWork();
    // Makes an opened document the tab's, moving the view and the frame's observers to it.
    void ShowOpenedDocument(std::unique_ptr<XmlDocument> document, const QString& path);
    // Shows a failed save, selecting and naming the node that could not be written.
    void ReportSaveFailure(const QString& path, XmlStatus status);
    // Starts writing the document to `path`; the outcome arrives in FinishWork.
    bool StartSaving(Work kind, const QString& path);
    // After a successful load or save: the file is what the document read or wrote.
    void TakeDiskState();

    // The tab's document; the view observes it (before the pane: the pane goes first).
    std::unique_ptr<XmlDocument> m_document;
    TreeListPane* m_pane = nullptr;
    TreeListView* m_view = nullptr;
    ToolErrorsPane* m_errors = nullptr;
    ToolRun* m_run = nullptr;
    ToolRequest m_request; // what the run in progress (or the last one) was given
    bool m_editedDuringRun = false;
    FileDialogs* m_fileDialogs = nullptr;
    AppSettings* m_settings = nullptr;
    bool m_untitled = false;
    bool m_modifiedMarker = false;
    bool m_deleted = false;
    FileFingerprint m_known; // what the document read or wrote (times follow touches)
    FileFingerprint m_seen;  // what the last check found when it differed
    FileFingerprint m_kept;  // a changed state the user chose not to reload
    // The status bar's path counts same-named siblings; kept until the document changes.
    mutable SiblingPositions m_positions;
    // Declared after the document, so it leaves the document's observers before it goes.
    std::unique_ptr<NodeCounter> m_nodes;
    ProgressStrip* m_progressBar = nullptr; // a file's open or save
    ProgressStrip* m_runBar = nullptr;      // a validation or transformation
    QShortcut* m_cancelKey = nullptr;       // Esc, while work runs
    Work m_work = Work::None;
    QString m_workPath;
    bool m_hadFocus = false;
    QString m_loadFailure;
    std::unique_ptr<XmlDocument> m_incoming;        // the document an open fills on the worker
    std::function<void(XmlStatus)> m_expansionDone; // the view's, when an expansion ends
    std::unique_ptr<FileJob> m_job; // declared last: it goes first, stopping the worker
};
