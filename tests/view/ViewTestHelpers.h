#pragma once

#include "document/XmlNode.h"
#include "view/TreeListView.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <string>

namespace view_test {

// A sample file in a private folder, removed with the object.
class SampleFile {
public:
    explicit SampleFile(const QByteArray& content, const QString& name = QStringLiteral("s.xml"))
    {
        m_path = m_dir.filePath(name);
        QFile file(m_path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    const QString& Path() const { return m_path; }
    QString Folder() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

inline const QByteArray kSample = "<?xml version=\"1.0\"?>\n"
                                  "<!--top-->\n"
                                  "<root a=\"1\" xmlns:x=\"urn:x\">\n"
                                  "  <x:item id=\"7\">some text<!--note--></x:item>\n"
                                  "  <b><c/><d k=\"v\">t</d></b>\n"
                                  "</root>\n";

// Every item's parameter, order and nesting against the node tree, as "" when they agree or a
// description of the first difference.
inline std::string MirrorDifference(const TreeListView& view, const XmlNode* node,
                                    const TreeListItem* item, const std::string& where = "/")
{
    const int items = view.ChildItemCount(item);
    if (items != node->ChildCount())
        return where + ": " + std::to_string(items) + " items for " +
               std::to_string(node->ChildCount()) + " nodes";
    for (int i = 0; i < items; ++i) {
        const TreeListItem* childItem = view.ChildItem(item, i);
        const XmlNode* childNode = node->ChildAt(i);
        const std::string at = where + std::to_string(i) + "/";
        if (childItem->param != childNode->Id())
            return at + ": item " + std::to_string(childItem->param) + " for node " +
                   std::to_string(childNode->Id());
        if (view.ParentItem(childItem) != item)
            return at + ": wrong parent link";
        const std::string inner = MirrorDifference(view, childNode, childItem, at);
        if (!inner.empty())
            return inner;
    }
    return {};
}

inline std::string MirrorDifference(const TreeListView& view)
{
    return MirrorDifference(view, view.Document().Root(), nullptr);
}

// The item of the first node (document order) with this qualified name.
inline TreeListItem* ItemNamed(const TreeListView& view, const QString& name,
                               const TreeListItem* parent = nullptr)
{
    for (int i = 0; i < view.ChildItemCount(parent); ++i) {
        TreeListItem* child = view.ChildItem(parent, i);
        const XmlNode* node = view.NodeOf(child);
        if (node && node->QualifiedName() == name)
            return child;
        if (TreeListItem* inner = ItemNamed(view, name, child))
            return inner;
    }
    return nullptr;
}

// Opens the file in a shown, active view with every item expanded, as mouse and key tests need.
inline void OpenShownAndActive(TreeListView& view, const QString& path)
{
    EXPECT_TRUE(view.OpenFile(path));
    view.resize(700, 400);
    view.show();
    view.expandAll();
    QApplication::setActiveWindow(&view);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&view));
}

} // namespace view_test
