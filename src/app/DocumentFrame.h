#pragma once

#include "document/XmlStatus.h"

#include <QHash>
#include <QString>
#include <QWidget>
#include <cstdint>

class FileDialogs;
class LanguageResource;
class TreeListPane;
class XmlDocument;
class TreeListView;

// One document tab: the pane (header over tree) with its view, which owns the document and
// its path, plus what the tab strip shows of it.
class DocumentFrame : public QWidget {
    Q_OBJECT
public:
    DocumentFrame(const LanguageResource* language, QWidget* parent);
    ~DocumentFrame() override;

    // Loading and making reports failures itself (the view shows the load error).
    bool OpenFile(const QString& path);
    bool NewFile(const QString& name);
    // Saves to the view's own path; a failure is reported by the view (string 216).
    bool Save();
    // Saves under a new name; on success the path becomes that name and the document is no
    // longer untitled, on failure the old path stays.
    bool SaveAs(const QString& path);

    QString Path() const;
    bool IsUntitled() const { return m_untitled; }
    bool IsModified() const;
    bool ModifiedMarker() const { return m_modifiedMarker; }
    void SetModifiedMarker(bool modified) { m_modifiedMarker = modified; }

    QString DisplayName() const;
    QString Caption() const;
    QString ToolTip() const;

    // Passes a command on to the view; false when the view did not take it.
    bool SendCommand(int commandId);
    void FindRequest(const QString& text, uint32_t flags);
    // Validates the document as it is in memory; an invalid one gets its offending node
    // selected before the validator's explanation is shown.
    void ValidateBySchema(const QString& schemaPath);
    // Transforms the document as it is in memory and writes the result (UTF-8) to a file the
    // user names; the document itself never changes.
    void TransformByXsl(const QString& styleSheetPath, FileDialogs& fileDialogs);
    // Lets the view refine the availability of its own commands (selection, undo, redo).
    void RefineCommandStates(QHash<int, bool>& enabled, QHash<int, bool>& checked) const;

    QWidget* FocusTarget() const;
    TreeListView* View() const { return m_view; }
    XmlDocument* Document() const;

private:
    // The save itself, under the busy cursor.
    XmlStatus SaveDocument(const QString& path);

    TreeListPane* m_pane = nullptr;
    TreeListView* m_view = nullptr;
    bool m_untitled = false;
    bool m_modifiedMarker = false;
};
