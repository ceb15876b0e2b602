#pragma once

#include "document/DocumentObserver.h"
#include "document/XmlDocument.h"
#include "editing/EditCommandHandler.h"
#include "editing/EditCommandState.h"
#include "editing/FindFlags.h"
#include "view/TreeListControl.h"

#include <QString>
#include <memory>
#include <unordered_set>

class ClipboardAccess;
class LanguageResource;
class QAction;
class QMenu;
class XmlNode;

// The view of one document tab: owns the document and its path, keeps one item per node
// (each item's parameter is its node ID), paints the cells from the nodes, and runs the edit,
// clipboard and view commands on the selected item. Items change only when the document
// reports a change, and when a file is opened or created.
class TreeListView : public TreeListControl, public DocumentObserver {
    Q_OBJECT
public:
    static constexpr int NameColumn = 0;
    static constexpr int ValueColumn = 1;

    explicit TreeListView(QWidget* parent = nullptr);
    ~TreeListView() override;

    XmlDocument& Document() { return *m_document; }
    const XmlDocument& Document() const { return *m_document; }
    // The file path, or for a new document the name it was given.
    const QString& FilePath() const { return m_filePath; }
    void SetFilePath(const QString& path) { m_filePath = path; }

    // Loads the file and builds the items; a failure shows the load error and leaves the view
    // empty.
    bool OpenFile(const QString& path);
    bool NewFile(const QString& name);
    // Shows a document loaded elsewhere (on a worker thread) in place of the current one.
    void ShowDocument(std::unique_ptr<XmlDocument> document, const QString& path);

    // --- Items and nodes ----------------------------------------------------------------
    int32_t GetItemNodeId(const TreeListItem* item) const;
    // The node of an item, or null when its ID is not registered.
    const XmlNode* NodeOf(const TreeListItem* item) const;
    TreeListItem* FindChildItemById(const TreeListItem* parent, int32_t id) const;
    TreeListItem* FindItemByPath(const NodeIdPath& path) const;
    // Inserts the item of the node with its subtree's items; null `after` inserts first,
    // `last` appends instead. Null for a node of no shown kind.
    TreeListItem* InsertNodeItem(XmlNode* node, TreeListItem* parent, TreeListItem* after,
                                 bool last = false);

    bool ShowPrefixes() const { return m_showPrefixes; }

    // --- Commands -----------------------------------------------------------------------
    // Runs a command of the view on the selected item; false when it is not one of them.
    bool HandleCommand(int commandId);
    // Availability of the view's commands for the current selection.
    EditCommandState CommandState() const;
    struct FindOutcome {
        bool found = false;
        bool wrapped = false; // the match lies past the end (or, searching up, the start)
    };
    // The find request: searches from the selected item (else the first top-level item) and
    // selects the match, or tells that nothing was found.
    FindOutcome FindRequest(const QString& text, FindFlags flags);
    // Selects the item of a node by ID; false when the node is not in the tree (any more).
    bool SelectNode(int32_t id);
    // The commit of an in-place edit; false (after the invalid-name message) keeps it open.
    bool ApplyItemEdit(TreeListItem* item, int column, const QString& text);

    // Where the context menu comes from: the language's menu 203, else the built-in one.
    void SetLanguage(const LanguageResource* language) { m_language = language; }
    // The clipboard the commands use (the system clipboard unless replaced).
    void SetClipboard(ClipboardAccess& clipboard);
    // The context menu as last shown (null before the first), kept for inspection.
    QMenu* LastContextMenu() const { return m_contextMenu; }
    // The accelerator actions bound to the tree itself.
    const QList<QAction*>& AcceleratorActions() const { return m_accelerators; }

    // --- DocumentObserver ---------------------------------------------------------------
    void OnNodeChanged(const NodeIdPath& path) override;
    void OnNodeRemoved(const NodeIdPath& path) override;
    void OnNodeInserted(const NodeIdPath& path, XmlNode* node) override;

    // --- Hooks --------------------------------------------------------------------------
    QString GetCellText(const TreeListItem* item, int column) const override;
    int GetCellImage(const TreeListItem* item, int column, bool selected,
                     bool expanded) const override;
    // How a whitespace-only text is painted: a middle dot per space, an arrow per tab, a
    // return arrow per line break; editing still works on the text itself.
    static QString VisibleWhitespace(QStringView text);
    bool GetCellTextAndImage(const TreeListItem* item, int column, bool selected, bool expanded,
                             QString& text, int& image) const override;
    // Only elements hold other nodes.
    bool IsAlwaysLeaf(const TreeListItem* item) const override;
    // The node's kind, its level (1 for top-level rows) and, for a row with children, whether
    // it is expanded: "attribute, level 3", "element, level 1, collapsed".
    QString GetRowDescription(const TreeListItem* item) const override;
    uint32_t GetCellFontStyle(const TreeListItem* item, int column, uint32_t state) const override;
    // Node colours keep their hue and at least 4.5:1 contrast on the palette's background.
    QColor GetCellTextColor(const TreeListItem* item, int column, uint32_t state) const override;
    // The contrast ratio of two colours (1 to 21), by relative luminance.
    static double Contrast(const QColor& first, const QColor& second);
    bool CommitCellText(TreeListItem* item, int column, const QString& text) override;
    bool IsCellReadOnly(const TreeListItem* item, int column) const override;
    bool IsCellMultiline(const TreeListItem* item, int column) const override;
    void DropItem(TreeListItem* source, TreeListItem* target, bool copy) override;
    bool CanDropItem(const TreeListItem* source, const TreeListItem* target) const override;

signals:
    // After every command the view ran, so the shell can refresh availability and titles.
    void commandExecuted(int commandId);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    // Selects the item and opens menu 203 for it at the global position.
    void OpenContextMenu(TreeListItem* item, QPoint globalPosition);
    // The keyboard's menu: under the selected row's name; nothing without a selection.
    void OpenContextMenuAtSelection();
    // Widens the Value column to the rest of the viewport (never below its least width).
    void FitValueColumn();
    void ResetForNewContent();
    // Expanded items of a subtree about to leave the tree, by node ID, so that bringing the
    // same nodes back (a move, undo, redo) shows them as they were.
    void RememberExpanded(const TreeListItem* item);
    void RestoreExpanded(TreeListItem* item);
    // Expands `copy` and its descendants the way `original`, of the same shape, is.
    void MirrorExpanded(const TreeListItem* original, TreeListItem* copy);
    void BuildChildItems(const XmlNode* node, TreeListItem* parentItem);
    EditContext CurrentContext() const;
    void CreateAccelerators();

    std::unique_ptr<XmlDocument> m_document;
    std::unique_ptr<ClipboardAccess> m_systemClipboard;
    ClipboardAccess* m_clipboard = nullptr;
    std::unique_ptr<EditCommandHandler> m_commands;
    QString m_filePath;
    bool m_showPrefixes = true;
    const LanguageResource* m_language = nullptr;
    QMenu* m_contextMenu = nullptr;
    QList<QAction*> m_accelerators;
    std::unordered_set<int32_t> m_expandedAway;
    bool m_applyingWidths = false; // the view itself is setting a column width
};
