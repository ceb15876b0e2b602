#pragma once

#include "document/FileFailure.h"
#include "document/FileFingerprint.h"
#include "document/NodeIdPath.h"
#include "document/NodeIndex.h"
#include "document/NodeStore.h"
#include "document/XmlNode.h"
#include "document/XmlNodeData.h"
#include "document/XmlStatus.h"
#include "editing/UndoHistory.h"

#include <QByteArray>
#include <QString>
#include <vector>

class DocumentObserver;
class FileProgress;

// The in-memory form of one XML file: the node tree under a root holder, the ID index,
// the undo history and the observers that mirror the tree.
class XmlDocument {
public:
    XmlDocument();
    virtual ~XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Hooks that define the modified state together with the history's positions.
    virtual void OnCreated();
    virtual void OnLoaded(XmlStatus status);
    virtual void OnSaved(XmlStatus status);

    // --- Creating, loading and saving -------------------------------------------------
    bool CreateNew();
    // Reads and parses the file; with `progress`, reports the bytes read and parsed there and
    // stops with XE_CANCELLED when it is cancelled. Meant to run on a worker thread: a document
    // nobody else touches yet.
    XmlStatus Load(const QString& path, FileProgress* progress = nullptr);
    // The second step of Load: reads XML text that is already in memory.
    XmlStatus LoadFromData(const QByteArray& data);
    // Replaces the file atomically; with `progress`, reports the bytes serialised and written
    // and stops with XE_CANCELLED (the file untouched) when it is cancelled before the file is
    // replaced. Only reads the tree, so a worker may save while the window shows the document,
    // as long as nothing edits it meanwhile.
    XmlStatus Save(const QString& path, FileProgress* progress = nullptr);
    // Why the last Load or Save failed, beyond its status (see FileFailure).
    const FileFailure& LastFileFailure() const { return m_fileFailure; }
    // The bytes the last successful Load read or Save wrote, with the file's size and time
    // then; empty for a document that did not come from a file.
    const FileFingerprint& DiskFingerprint() const { return m_diskFingerprint; }
    // Writes the whole document as indented UTF-8 XML text. On a failure `failedNodeId`
    // receives the node that could not be written, or -1.
    XmlStatus SerializeDocument(QByteArray& output, int32_t* failedNodeId = nullptr,
                                FileProgress* progress = nullptr) const;
    // The node that made the last Save fail, or -1.
    int32_t SaveFailureNodeId() const { return m_saveFailureNodeId; }
    // What "Copy as XML" gives: an element or instruction as XML text with the XML declaration
    // (an element with the namespace declarations it needs from its ancestors), the value of
    // a text, comment or attribute; an empty string when there is no such node.
    QString NodeToXmlText(int32_t id) const;

    // The document type declaration as it stood in the file ("<!DOCTYPE ...>", internal subset
    // and all, line breaks as LF), or empty. Written back before the document element.
    const QString& DocumentType() const { return m_documentType; }
    // The XML declaration's standalone: Yes or No when the file said so, else Omitted.
    enum class Standalone : int8_t { Omitted, Yes, No };
    Standalone StandaloneDeclaration() const { return m_standalone; }

    int32_t ErrorLine() const { return m_errorLine; }
    int32_t ErrorPosition() const { return m_errorPosition; }

    // --- Tree access and primitives -----------------------------------------------------
    XmlNode* Root() { return &m_root; }
    const XmlNode* Root() const { return &m_root; }
    XmlNode* FindNode(int32_t id) const;
    // The node for a parent ID: -1 is the root holder.
    XmlNode* FindParent(int32_t parentId);
    int32_t NextId() const { return m_nextId; }

    XmlNode* AppendChild(XmlNode* parent, const XmlNodeData& record);
    XmlNode* InsertChild(XmlNode* parent, int index, const XmlNodeData& record);
    // Destroys the child at the index with its subtree; out of range does nothing.
    void RemoveChildAt(XmlNode* parent, int index);
    XmlNode* CopySubtree(const XmlNode* source, XmlNode* targetParent, int index);
    QString MakeUniqueAttributeName(const QString& prefix, const QString& localName,
                                    const XmlNode* parent) const;
    bool GetIdPath(int32_t id, NodeIdPath& path) const;

    // A parentless node with a default record, for the undo actions that park subtrees.
    XmlNode* CreateHolderNode();
    // Destroys a node that is in no parent (a holder) with everything under it.
    void DestroyDetachedNode(XmlNode* node);

    // Raw changes of a node's strings: no action, no notification.
    void AssignName(XmlNode* node, QStringView prefix, QStringView localName);
    void AssignLocalName(XmlNode* node, QStringView localName);
    void AssignValue(XmlNode* node, QStringView value);

    // --- Observers ------------------------------------------------------------------------
    void AddObserver(DocumentObserver* observer);
    void RemoveObserver(DocumentObserver* observer);
    void NotifyNodeChanged(int32_t id);
    void NotifyNodeAboutToBeRemoved(const XmlNode* node);
    void NotifyNodeRemoved(const NodeIdPath& path);
    void NotifyNodeInserted(int32_t id, XmlNode* node);

    // --- Drag move and copy (undoable) ----------------------------------------------------
    bool MoveNodeTo(int32_t id, int32_t targetParentId);
    bool CopyNodeTo(int32_t id, int32_t targetParentId);

    // --- Edit operations (undoable; refusals are silent) ----------------------------------
    bool RenameNode(int32_t id, const QString& prefix, const QString& localName);
    bool SetLocalName(int32_t id, const QString& localName);
    bool SetNodeValue(int32_t id, const QString& value);
    bool MoveNodeStep(int32_t id, bool up);
    bool DeleteNode(int32_t id);
    bool DuplicateNode(int32_t id);
    bool InsertNode(const XmlNodeData& record, int32_t parentId, int32_t afterId,
                    NodeIdPath& pathOut);

    // --- History --------------------------------------------------------------------------
    UndoHistory& History() { return m_history; }
    const UndoHistory& History() const { return m_history; }
    bool IsModified() const { return m_history.IsModified(); }

    // Bytes held by the tree (nodes, child arrays, names, text, ID index).
    size_t MemoryUsage() const;
    NodeStore& Store() { return m_store; }

private:
    friend class DocumentLoader;

    // Clears the tree, the index, the prolog and the error position (the start of every load).
    void ClearTree();
    // The loader's path: names already interned, the value set afterwards from the arena.
    XmlNode* AppendLoadedNode(XmlNode* parent, XmlNodeKind kind, const NodeName* name);
    XmlNode* NewNode(XmlNode* parent, int index, const XmlNodeData& record);
    // Whether `target` may receive a drag of `node`: checks of MoveNodeTo/CopyNodeTo.
    XmlNode* DropTarget(XmlNode* node, int32_t targetParentId) const;

    NodeStore m_store;
    XmlNode m_root;
    int32_t m_nextId = 0;
    NodeIndex m_nodeIndex;
    int32_t m_errorLine = -1;
    int32_t m_errorPosition = -1;
    int32_t m_saveFailureNodeId = -1;
    FileFailure m_fileFailure;
    QString m_documentType;
    Standalone m_standalone = Standalone::Omitted;
    UndoHistory m_history;
    std::vector<DocumentObserver*> m_observers;
    FileFingerprint m_diskFingerprint;
};
