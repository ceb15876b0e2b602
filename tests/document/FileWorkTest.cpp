#include "OrdinaryUser.h"
#include "TestFiles.h"
#include "document/DocumentMessages.h"
#include "document/FileProgress.h"
#include "document/XmlDocument.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class FileWorkTest : public ::testing::Test {
protected:
    QTemporaryDir dir;

    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(WriteFile(path, bytes));
        return path;
    }
};

} // namespace

// libxml2 refuses values over 10 MB unless asked for its huge mode; base64 blobs that large
// are common, so every kind of value opens whole.
TEST_F(FileWorkTest, ValuesLargerThanTheParsersDefaultLimitOpen)
{
    const QByteArray big(12 * 1000 * 1000, 'x');
    const QByteArray xml = "<r a='" + big + "'><!--" + big + "--><?pi " + big + "?><![CDATA[" +
                           big + "]]><t>" + big + "</t></r>";
    XmlDocument doc;
    ASSERT_EQ(doc.LoadFromData(xml), XE_OK);
    const XmlNode* root = doc.Root()->FirstChild();
    ASSERT_EQ(root->ChildCount(), 5);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(root->ChildAt(i)->ValueView().size(), big.size()) << i;
    EXPECT_EQ(root->ChildAt(4)->FirstChild()->ValueView().size(), big.size());

    // Huge mode must not loosen the bounds on entities: a chain of references nested deeper
    // than libxml2 allows still fails, in content and in attribute values alike.
    auto chain = [](int depth, bool inAttribute) {
        QByteArray dtd = "<!DOCTYPE r [<!ENTITY e0 'x'>";
        for (int i = 1; i <= depth; ++i)
            dtd +=
                "<!ENTITY e" + QByteArray::number(i) + " '&e" + QByteArray::number(i - 1) + ";'>";
        const QByteArray reference = "&e" + QByteArray::number(depth) + ";";
        return dtd + "]>" +
               (inAttribute ? "<r a='" + reference + "'/>" : "<r>" + reference + "</r>");
    };
    for (bool inAttribute : {false, true}) {
        EXPECT_EQ(doc.LoadFromData(chain(5, inAttribute)), XE_OK) << inAttribute;
        EXPECT_EQ(doc.LoadFromData(chain(60, inAttribute)), XmlError::MaxEntityExpansion)
            << inAttribute;
    }
}

TEST_F(FileWorkTest, ProgressCountsReadingAndParsingAndACancelStopsTheLoad)
{
    const QByteArray xml = "<r>" + QByteArray("<e a='1'>text</e>").repeated(100000) + "</r>";
    const QString path = Write(u"doc.xml"_qs, xml);
    XmlDocument doc;
    FileProgress progress;
    ASSERT_EQ(doc.Load(path, &progress), XE_OK);
    EXPECT_EQ(progress.Total(), 2 * xml.size());
    EXPECT_GT(progress.Done(), xml.size());
    EXPECT_LE(progress.Done(), progress.Total());

    FileProgress cancelled;
    cancelled.Cancel();
    XmlDocument other;
    EXPECT_EQ(other.Load(path, &cancelled), XE_CANCELLED);
}

TEST_F(FileWorkTest, ACancelledSaveLeavesTheFileAndTheModifiedState)
{
    const QByteArray xml = "<r>" + QByteArray("<e a='1'>text</e>").repeated(10000) + "</r>";
    const QString path = Write(u"doc.xml"_qs, xml);
    XmlDocument doc;
    ASSERT_EQ(doc.Load(path), XE_OK);
    ASSERT_TRUE(doc.SetLocalName(doc.Root()->FirstChild()->Id(), u"changed"_qs));
    FileProgress progress;
    progress.Cancel();
    EXPECT_EQ(doc.Save(path, &progress), XE_CANCELLED);
    EXPECT_EQ(ReadFile(path), xml);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1) << "no temporary file is left";

    FileProgress running;
    ASSERT_EQ(doc.Save(path, &running), XE_OK);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(running.Total(), 2 * ReadFile(path).size());
}

// The status table's text stays; the reason the system or the content gives is added.
TEST_F(FileWorkTest, FailuresSayWhatHappened)
{
    XmlDocument doc;
    EXPECT_EQ(doc.Load(dir.path()), XE_CANNOT_OPEN_FILE);
    EXPECT_EQ(doc.LastFileFailure().kind, FileFailure::Kind::Folder);
    const QString folderText =
        LoadErrorText(dir.path(), XE_CANNOT_OPEN_FILE, -1, -1, doc.LastFileFailure());
    EXPECT_TRUE(folderText.startsWith(LoadErrorText(dir.path(), XE_CANNOT_OPEN_FILE, -1, -1)));
    EXPECT_TRUE(folderText.endsWith(u"\nThe path is a folder, not a file."_qs))
        << folderText.toStdString();

    EXPECT_EQ(doc.Load(dir.filePath(u"missing.xml"_qs)), XE_CANNOT_OPEN_FILE);
    EXPECT_EQ(doc.LastFileFailure().kind, FileFailure::Kind::System);
    EXPECT_EQ(FileFailureText(doc.LastFileFailure()),
              u"The system's reason: No such file or directory."_qs);

    // Only content that starts with no markup at all is "not XML"; broken XML is not.
    for (const QByteArray& text : {QByteArray("hello, world"), QByteArray("\xEF\xBB\xBF  {}")}) {
        EXPECT_NE(doc.Load(Write(u"text.xml"_qs, text)), XE_OK);
        EXPECT_EQ(doc.LastFileFailure().kind, FileFailure::Kind::NoMarkup) << text.constData();
    }
    for (const QByteArray& text :
         {QByteArray("<a><b></a>"), QByteArray("\xFF\xFE<\0a\0>\0", 8), QByteArray("  ")}) {
        EXPECT_NE(doc.Load(Write(u"broken.xml"_qs, text)), XE_OK);
        EXPECT_EQ(doc.LastFileFailure().kind, FileFailure::Kind::None) << text.constData();
    }

    ASSERT_EQ(doc.LoadFromData("<a/>"), XE_OK);
    EXPECT_EQ(doc.Save(dir.path()), XE_CANNOT_OPEN_FILE);
    EXPECT_EQ(doc.LastFileFailure().kind, FileFailure::Kind::Folder);
    EXPECT_EQ(doc.Save(dir.filePath(u"no/such/folder.xml"_qs)), XE_CANNOT_OPEN_FILE);
    EXPECT_EQ(doc.LastFileFailure().kind, FileFailure::Kind::System);
    EXPECT_FALSE(doc.LastFileFailure().systemText.isEmpty());
}

TEST_F(FileWorkTest, SavingOntoAReadOnlyFileSaysSo)
{
    // Permission bits do not stop root: the checks run as an ordinary user, who may write the
    // folder but not the file.
    const QString path = Write(u"locked.xml"_qs, "<a/>");
    const auto all = QFileDevice::Permissions(0x7777);
    ASSERT_TRUE(QFile::setPermissions(dir.path(), all));
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                                QFileDevice::ReadOther));
    EXPECT_TRUE(AsOrdinaryUser([&] {
        XmlDocument doc;
        return doc.LoadFromData("<b/>") == XE_OK && doc.Save(path) == XE_CANNOT_OPEN_FILE &&
               FileFailureText(doc.LastFileFailure()) == u"The file is read-only."_qs;
    }));
    EXPECT_EQ(ReadFile(path), "<a/>");

    // Unreadable for the load: the system's own words.
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));
    EXPECT_TRUE(AsOrdinaryUser([&] {
        XmlDocument doc;
        return doc.Load(path) == XE_CANNOT_OPEN_FILE &&
               FileFailureText(doc.LastFileFailure()) ==
                   u"The system's reason: Permission denied."_qs;
    }));
}
