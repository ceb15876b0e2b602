#pragma once

#include "document/XmlDocument.h"
#include "document/XmlNode.h"
#include "view/TreeListView.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// A document and the view of it, as a tab holds them: the document outlives the view.
struct ViewedDocument {
    XmlDocument document;
    TreeListView view;

    ViewedDocument() { view.SetDocument(document); }
    bool Open(const QString& path)
    {
        const bool loaded = document.Load(path) == XE_OK;
        view.Reset();
        return loaded;
    }
};

// The rows as "name/level"; every row must also be where a walk of the document by the
// view's expanded states puts it, so a stale row after any change fails here.
inline std::string Shown(const NodeTreeView& view)
{
    std::vector<const XmlNode*> walk;
    auto visit = [&](auto& self, const XmlNode* parent) -> void {
        for (const XmlNode* child : *parent) {
            walk.push_back(child);
            if (view.Rows().IsExpanded(child))
                self(self, child);
        }
    };
    visit(visit, view.Document().Root());
    EXPECT_EQ(int(walk.size()), view.Rows().Count());
    std::string text;
    for (int row = 0; row < view.Rows().Count(); ++row) {
        const XmlNode* node = view.Rows().At(row);
        EXPECT_TRUE(row < int(walk.size()) && walk[size_t(row)] == node) << "row " << row;
        text += (text.empty() ? "" : " ") + node->LocalName().toStdString() + "/" +
                std::to_string(VisibleRows::Level(node));
    }
    return text;
}

// The first node (document order) with this qualified name.
inline const XmlNode* NodeNamed(const XmlDocument& document, const QString& name,
                                const XmlNode* parent = nullptr)
{
    for (const XmlNode* child : *(parent ? parent : document.Root())) {
        if (child->QualifiedName() == name)
            return child;
        if (const XmlNode* inner = NodeNamed(document, name, child))
            return inner;
    }
    return nullptr;
}

inline int32_t IdNamed(const XmlDocument& document, const QString& name)
{
    const XmlNode* node = NodeNamed(document, name);
    return node ? node->Id() : -1;
}

// Every element of the document expanded.
inline void ExpandEverything(NodeTreeView& view)
{
    for (const XmlNode* top : *view.Document().Root())
        view.ExpandAll(top->Id());
}

// The middle of the node's row, in viewport coordinates.
inline QPoint RowCentre(const NodeTreeView& view, const XmlNode* node)
{
    return view.CellRect(view.Rows().RowOf(node), NodeTreeView::NameColumn).center();
}

// Opens the file in a shown, active view with every row expanded, as mouse and key tests need.
inline void OpenShownAndActive(ViewedDocument& viewed, const QString& path)
{
    EXPECT_TRUE(viewed.Open(path));
    TreeListView& view = viewed.view;
    view.resize(700, 400);
    view.show();
    ExpandEverything(view);
    QApplication::setActiveWindow(&view);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&view));
}

} // namespace view_test
