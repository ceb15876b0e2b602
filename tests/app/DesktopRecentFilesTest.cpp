#include "app/DesktopRecentFiles.h"
#include "ShellFixture.h"
#include "config/DomDocument.h"

#include <QDir>
#include <QUrl>
#include <map>

using namespace Qt::Literals::StringLiterals;

namespace {

// An entry another program wrote, as GTK writes them.
constexpr char kForeignList[] =
    R"(<?xml version="1.0" encoding="UTF-8"?>
<xbel version="1.0" xmlns:bookmark="http://www.freedesktop.org/standards/desktop-bookmarks"
      xmlns:mime="http://www.freedesktop.org/standards/shared-mime-info">
  <bookmark href="file:///home/someone/notes.txt" added="2024-01-02T03:04:05Z"
            modified="2024-01-02T03:04:05Z" visited="2024-01-02T03:04:05Z">
    <info><metadata owner="http://freedesktop.org"><mime:mime-type type="text/plain"/>
      <bookmark:applications><bookmark:application name="Text Editor" exec="&apos;gedit %u&apos;"
        modified="2024-01-02T03:04:05Z" count="3"/></bookmark:applications>
    </metadata></info>
  </bookmark>
</xbel>
)";

struct Bookmark {
    QString mimeType;
    QString application;
    QString count;
};

// The list as any reader of the format sees it: bookmarks by their URI.
std::map<QString, Bookmark> ReadList(const QString& path)
{
    std::map<QString, Bookmark> bookmarks;
    DomDocument list;
    EXPECT_TRUE(list.Load(path)) << list.LastError().reason.toStdString();
    for (const DomElement& bookmark : list.DocumentElement().SelectNodes(u"bookmark"_s)) {
        Bookmark& entry = bookmarks[bookmark.AttributeOr(u"href"_s)];
        const DomElement metadata = bookmark.SelectSingleNode(u"info/metadata"_s);
        for (const DomElement& child : metadata.ChildElements()) {
            if (child.Name().endsWith(u"mime-type"))
                entry.mimeType = child.AttributeOr(u"type"_s);
            if (!child.Name().endsWith(u"applications"))
                continue;
            for (const DomElement& application : child.ChildElements()) {
                entry.application = application.AttributeOr(u"name"_s);
                entry.count = application.AttributeOr(u"count"_s);
            }
        }
    }
    return bookmarks;
}

// The user's data folder pointed at a private one for the test's duration.
class PrivateDataHome {
public:
    PrivateDataHome() : old_(qgetenv("XDG_DATA_HOME"))
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
    }
    ~PrivateDataHome() { qputenv("XDG_DATA_HOME", old_); }
    QTemporaryDir dir;

private:
    QByteArray old_;
};

} // namespace

TEST(DesktopRecentFilesTest, AddsToTheSharedListAndKeepsOtherProgramsEntries)
{
    if (!DesktopRecentFiles::IsAvailable())
        GTEST_SKIP() << "no shared recent-files list on this system";
    PrivateDataHome home;
    const QString listPath = DesktopRecentFiles::DefaultListPath();
    ASSERT_EQ(listPath, home.dir.filePath(u"recently-used.xbel"_s));
    QFile list(listPath);
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write(kForeignList);
    list.close();

    const QString document = home.dir.filePath(u"my files/bücher.xml"_s);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(document).absolutePath()));
    QFile file(document);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<books/>");
    file.close();

    QString error;
    ASSERT_TRUE(DesktopRecentFiles::Add(document, &error)) << error.toStdString();
    ASSERT_TRUE(DesktopRecentFiles::Add(document, &error)) << error.toStdString();

    const std::map<QString, Bookmark> bookmarks = ReadList(listPath);
    ASSERT_EQ(bookmarks.size(), 2u);
    const Bookmark& foreign = bookmarks.at(u"file:///home/someone/notes.txt"_s);
    EXPECT_EQ(foreign.application, u"Text Editor");
    EXPECT_EQ(foreign.count, u"3");
    const QString uri = QString::fromUtf8(QUrl::fromLocalFile(document).toEncoded());
    ASSERT_EQ(bookmarks.count(uri), 1u) << uri.toStdString();
    EXPECT_EQ(bookmarks.at(uri).mimeType, u"application/xml");
    EXPECT_EQ(bookmarks.at(uri).application, u"tovi-xmleditor");
    EXPECT_EQ(bookmarks.at(uri).count, u"2");
    // What a user opened is nobody else's business.
    EXPECT_EQ(QFile::permissions(listPath) & (QFile::ReadGroup | QFile::ReadOther), 0);
}

TEST(DesktopRecentFilesTest, AListThatCannotBeReadIsLeftAlone)
{
    if (!DesktopRecentFiles::IsAvailable())
        GTEST_SKIP() << "no shared recent-files list on this system";
    QTemporaryDir dir;
    const QString listPath = dir.filePath(u"recently-used.xbel"_s);
    QFile list(listPath);
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("<xbel version=\"1.0\"><bookmark");
    list.close();

    QString error;
    EXPECT_FALSE(DesktopRecentFiles::Add(dir.filePath(u"a.xml"_s), &error, listPath));
    EXPECT_FALSE(error.isEmpty());
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    EXPECT_EQ(list.readAll(), "<xbel version=\"1.0\"><bookmark");
}

TEST_F(ShellFixture, OpeningAndSavingTellTheDesktop)
{
    const int index = Open(u"a.xml"_s);
    ASSERT_GE(index, 0);
    Tabs().OpenDocument(QString()); // untitled: not a file yet
    const QString path = Tabs().FrameAt(index)->Path();
    EXPECT_EQ(desktop.recentlyUsed, QStringList{path});

    Modify(index);
    ASSERT_TRUE(SaveTab(index));
    const QString copy = dir.filePath(u"b.xml"_s);
    fileDialogs.saveAnswers.push_back(copy);
    ASSERT_TRUE(SaveTabAs(index));
    EXPECT_EQ(desktop.recentlyUsed, (QStringList{path, path, copy}));
}
