#pragma once

#include "editing/EditCommandHandler.h"
#include "editing/EditCommandState.h"
#include "editing/FindFlags.h"
#include "view/NodeTreeView.h"

#include <QList>
#include <QString>
#include <memory>

class ClipboardAccess;
class LanguageResource;
class QAction;
class QMenu;

// The document's tree with its commands: edit, clipboard and view commands on the selection,
// find, the context menu and the tree's own keys. The tab owns the document; the view shows
// the one it is given (SetDocument).
class TreeListView : public NodeTreeView {
    Q_OBJECT
public:
    explicit TreeListView(QWidget* parent = nullptr);
    ~TreeListView() override;

    const QString& FilePath() const { return m_filePath; }
    void SetFilePath(const QString& path) { m_filePath = path; }

    bool HandleCommand(int commandId);
    EditCommandState CommandState() const;
    struct FindOutcome {
        bool found = false;
        bool wrapped = false; // the match lies past the end (or, searching up, the start)
    };
    FindOutcome FindRequest(const QString& text, FindFlags flags);
    // Renames or changes the value of a node as an edit box would; a refusal is shown.
    bool ApplyItemEdit(int32_t id, int column, const QString& text);

    void SetLanguage(const LanguageResource* language) { m_language = language; }
    void SetClipboard(ClipboardAccess& clipboard) { m_clipboard = &clipboard; }
    QMenu* LastContextMenu() const { return m_contextMenu; }
    const QList<QAction*>& AcceleratorActions() const { return m_accelerators; }

signals:
    void commandExecuted(int commandId);

protected:
    bool CommitCellText(int32_t id, int column, const QString& text) override;
    bool IsCellEditVetoed(int32_t id, int column) const override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OpenContextMenu(int32_t id, QPoint globalPosition);
    void OpenContextMenuAtSelection();
    EditContext CurrentContext() const;
    EditCommandHandler Commands() const;
    void CreateAccelerators();

    std::unique_ptr<ClipboardAccess> m_systemClipboard;
    ClipboardAccess* m_clipboard = nullptr;
    QString m_filePath;
    const LanguageResource* m_language = nullptr;
    QMenu* m_contextMenu = nullptr;
    QList<QAction*> m_accelerators;
};
