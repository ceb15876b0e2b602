#include "OrdinaryUser.h"
#include "TestFiles.h"
#include "TreeDump.h"
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

TEST_F(FileWorkTest, ProgressCountsTheBytesParsedAndACancelStopsTheLoad)
{
    const QByteArray xml = "<r>" + QByteArray("<e a='1'>text</e>").repeated(100000) + "</r>";
    const QString path = Write(u"doc.xml"_qs, xml);
    XmlDocument doc;
    FileProgress progress;
    ASSERT_EQ(doc.Load(path, &progress), XE_OK);
    EXPECT_EQ(progress.Total(), xml.size());
    EXPECT_GT(progress.Done(), xml.size() / 2);
    EXPECT_LE(progress.Done(), progress.Total());

    FileProgress cancelled;
    cancelled.Cancel();
    XmlDocument other;
    EXPECT_EQ(other.Load(path, &cancelled), XE_CANCELLED);
}

// A file is read in pieces of a few megabytes as the parser goes; what comes of it must be
// what the same text held whole gives: the prolog kept for the document type once the window
// moved past it, slices of UTF-16 never parted after a CR, the hash of every byte.
TEST_F(FileWorkTest, AFileReadInPiecesLoadsAsTheSameTextHeldWhole)
{
    const QByteArray body = QByteArray("<e a='\xE9&x;'>line\r\nnext &x; \xE9</e>\r\n")
                                .repeated(130000); // 4.4 to 9 MB: past the first window of 4 MB
    const QByteArray prolog = "<!-- before -->\r\n<!DOCTYPE r [\r\n<!ENTITY x 'ex'>\r\n]>\r\n";
    const QByteArray latin1 =
        "<?xml version='1.0' encoding='ISO-8859-1'?>" + prolog + "<r>" + body + "</r>";
    QByteArray utf8 = QString::fromLatin1(latin1).toUtf8();
    utf8.replace("encoding='ISO-8859-1'", "encoding='UTF-8'  ");
    const QString text16 = QString::fromLatin1(latin1).replace(u"ISO-8859-1"_qs, u"UTF-16"_qs);
    QByteArray utf16("\xFF\xFE");
    utf16 += QByteArray(reinterpret_cast<const char*>(text16.utf16()), text16.size() * 2);

    for (const auto& [name, bytes] :
         {std::pair{"latin1", latin1}, std::pair{"utf8", utf8}, std::pair{"utf16", utf16}}) {
        SCOPED_TRACE(name);
        const QString path = Write(QString::fromLatin1(name), bytes);
        XmlDocument read;
        XmlDocument held;
        ASSERT_EQ(read.Load(path), XE_OK);
        ASSERT_EQ(held.LoadFromData(bytes), XE_OK);
        EXPECT_EQ(read.DocumentType(), u"<!DOCTYPE r [\n<!ENTITY x 'ex'>\n]>"_qs);
        EXPECT_TRUE(DumpTree(read) == DumpTree(held));
        EXPECT_TRUE(read.DiskFingerprint().SameContent(FileFingerprint::OfFile(path)));
    }

    XmlDocument none;
    EXPECT_NE(none.Load(Write(u"words"_qs, QByteArray("no markup at all ").repeated(600000))),
              XE_OK);
    EXPECT_EQ(none.LastFileFailure().kind, FileFailure::Kind::NoMarkup);
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
