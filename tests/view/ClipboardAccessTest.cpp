#include "document/XmlDocument.h"
#include "editing/NodeClipboard.h"
#include "ui/QtClipboardAccess.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>

namespace {

XmlNode* Add(XmlDocument& doc, XmlNode* parent, XmlNodeKind kind, const QString& local,
             const QString& value = {})
{
    XmlNodeData data;
    data.kind = kind;
    data.localName = local;
    data.value = value;
    return doc.AppendChild(parent, data);
}

} // namespace

TEST(ClipboardAccessTest, PrivateBlocksTravelUnderTheRegisteredName)
{
    QtClipboardAccess clipboard;
#ifdef Q_OS_WIN
    EXPECT_EQ(
        QtClipboardAccess::MimeType(NodeClipboard::FormatName()),
        QStringLiteral("application/x-qt-windows-mime;value=\"TOVIXMLDocumentClipboardFormat\""));
#else
    EXPECT_EQ(QtClipboardAccess::MimeType(NodeClipboard::FormatName()),
              QStringLiteral("TOVIXMLDocumentClipboardFormat"));
#endif
    XmlDocument doc;
    XmlNode* root = Add(doc, doc.Root(), XmlNodeKind::Element, "root");
    XmlNode* text = Add(doc, root, XmlNodeKind::Text, "#Text", "ab");
    ASSERT_TRUE(NodeClipboard::CopyNodeToClipboard(clipboard, doc, text->Id()));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->data(QtClipboardAccess::MimeType(NodeClipboard::FormatName())).size(), 39);
    EXPECT_FALSE(data->hasText());

    ASSERT_TRUE(NodeClipboard::PasteFromClipboard(clipboard, doc, root->Id()));
    EXPECT_EQ(root->ChildCount(), 2);
    EXPECT_EQ(root->LastChild()->Value(), QStringLiteral("ab"));
}

TEST(ClipboardAccessTest, TextReplacesThePrivateFormat)
{
    QtClipboardAccess clipboard;
    ASSERT_TRUE(clipboard.SetData(NodeClipboard::FormatName(), QByteArray(39, '\0')));
    EXPECT_TRUE(NodeClipboard::HasPrivateClipboardData(clipboard));
    NodeClipboard::PutClipboardText(clipboard, QStringLiteral("//root/item"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("//root/item"));
    EXPECT_FALSE(NodeClipboard::HasPrivateClipboardData(clipboard));
    EXPECT_FALSE(clipboard.GetData(NodeClipboard::FormatName()).has_value());
}
