#include "app/RecentFileList.h"
#include "app/CommandAction.h"

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList Texts(const QMenu& menu)
{
    QStringList texts;
    for (const QAction* action : menu.actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

// A File menu like the built-in one around its placeholder.
void FillFileMenu(QMenu& menu)
{
    CommandAction::SetId(menu.addAction(QStringLiteral("Close")), 57602);
    menu.addSeparator();
    QAction* placeholder = menu.addAction(QStringLiteral("Recent Files"));
    CommandAction::SetId(placeholder, 32900);
    placeholder->setEnabled(false);
    menu.addSeparator();
    CommandAction::SetId(menu.addAction(QStringLiteral("Exit")), 32773);
}

} // namespace

TEST(RecentFileListTest, ClosingOrderAndReAdding)
{
    RecentFileList list;
    list.Load({}, 5);
    list.Add(QStringLiteral("/d/A.xml"));
    list.Add(QStringLiteral("/d/B.xml"));
    list.Add(QStringLiteral("/d/C.xml"));
    EXPECT_EQ(list.Entries(), QStringList({"/d/C.xml", "/d/B.xml", "/d/A.xml"}));
    list.Add(QStringLiteral("/d/A.xml"));
    EXPECT_EQ(list.Entries(), QStringList({"/d/A.xml", "/d/C.xml", "/d/B.xml"}));
    // Entries compare exactly: another case is another file.
    list.Add(QStringLiteral("/d/a.xml"));
    EXPECT_EQ(list.Entries().size(), 4);
}

TEST(RecentFileListTest, MaxCountLimitsLoadAndAdd)
{
    RecentFileList list;
    list.Load({}, 2);
    for (const char* name : {"/A", "/B", "/C"})
        list.Add(QString::fromLatin1(name));
    EXPECT_EQ(list.Entries(), QStringList({"/C", "/B"}));

    RecentFileList loaded;
    loaded.Load({"/1", "/2", "/3", "/4"}, 3);
    EXPECT_EQ(loaded.Entries(), QStringList({"/1", "/2", "/3"}));

    RecentFileList none;
    none.Load({"/1"}, 0);
    none.Add(QStringLiteral("/2"));
    EXPECT_TRUE(none.IsEmpty());
}

TEST(RecentFileListTest, ShortenRecentPathWithSlashes)
{
    // A 50-character path keeps its leading folders that fit and the file name.
    EXPECT_EQ(RecentFileList::ShortenRecentPath(
                  QStringLiteral("/c/Data/Projects/Customer/Reports/2012/summary.xml")),
              QStringLiteral("/c/Data/Projects/Customer/.../summary.xml"));
    // Every folder but the last fits: unchanged.
    const QString fits = QStringLiteral("/c/Program Files/Common/Vendor/Tools/x.xml");
    ASSERT_EQ(fits.size(), 42);
    EXPECT_EQ(RecentFileList::ShortenRecentPath(fits), fits);
    // A long file name is cut itself (the leading "/" is the only head that can stay).
    const QString name = QString(42, u'n') + QStringLiteral(".xml");
    const QString longName = QStringLiteral("/c/Documents/") + name;
    ASSERT_EQ(longName.size(), 59);
    const QString shown = RecentFileList::ShortenRecentPath(longName);
    EXPECT_EQ(shown, QStringLiteral("/...") + (u'/' + name).left(39) + QStringLiteral("..."));
    // Where the first separator is not at the start, the head keeps it ("c:/" here).
    const QString drive = QStringLiteral("c:/Documents/") + name.mid(1);
    ASSERT_EQ(drive.size(), 58);
    EXPECT_EQ(RecentFileList::ShortenRecentPath(drive),
              QStringLiteral("c:/...") + (u'/' + name.mid(1)).left(37) + QStringLiteral("..."));
    EXPECT_EQ(shown.size(), 46);
    // Short paths and paths with one separator stay.
    EXPECT_EQ(RecentFileList::ShortenRecentPath(QStringLiteral("/short.xml")),
              QStringLiteral("/short.xml"));
    const QString oneSeparator = u'/' + QString(60, u'x');
    EXPECT_EQ(RecentFileList::ShortenRecentPath(oneSeparator), oneSeparator);
}

TEST(RecentFileListTest, MenuEntriesReplaceThePlaceholder)
{
    QMenu menu;
    FillFileMenu(menu);
    RecentFileList list;
    list.SetMenu(&menu);
    list.Load({QStringLiteral("/a.xml"), QStringLiteral("/b.xml")}, 5);
    EXPECT_EQ(Texts(menu), QStringList({"Close", "-", "&1 /a.xml", "&2 /b.xml", "-", "Exit"}));
    EXPECT_EQ(CommandAction::IdOf(menu.actions()[3]), 32901);

    for (int i = 0; i < 10; ++i)
        list.Add(QStringLiteral("/f%1.xml").arg(i));
    EXPECT_EQ(list.Entries().size(), 5);
    EXPECT_EQ(menu.actions().size(), 4 + 5);

    QMenu popup;
    list.FillPopup(&popup);
    EXPECT_EQ(popup.actions().size(), 5);
    EXPECT_EQ(popup.actions()[0]->text(), QStringLiteral("&1 /f9.xml"));
}

TEST(RecentFileListTest, TenthEntryNumberedTen)
{
    QStringList paths;
    for (int i = 0; i < 10; ++i)
        paths << QStringLiteral("/p%1").arg(i);
    EXPECT_EQ(RecentFileList::EntryText(9, paths[9]), QStringLiteral("&10 /p9"));
}

TEST(RecentFileListTest, MissingFileIsReportedRemovedAndRenumbered)
{
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("there.xml"));
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString missing = dir.filePath(QStringLiteral("gone.xml"));

    QMenu menu;
    FillFileMenu(menu);
    RecentFileList list;
    list.SetMenu(&menu);
    list.Load({missing, existing}, 5);

    QStringList opened, reported;
    auto open = [&](const QString& path) { opened << path; };
    auto report = [&](const QString& path) { reported << path; };
    list.Choose(1, open, report);
    EXPECT_EQ(opened, QStringList({existing}));
    EXPECT_EQ(list.Entries(), QStringList({missing, existing})) << "no reordering on open";

    list.Choose(0, open, report);
    EXPECT_EQ(reported, QStringList({missing}));
    EXPECT_EQ(list.Entries(), QStringList({existing}));
    EXPECT_EQ(menu.actions()[2]->text(), RecentFileList::EntryText(0, existing));
    EXPECT_EQ(CommandAction::IdOf(menu.actions()[2]), 32900);

    list.Choose(7, open, report); // outside the list: ignored
    EXPECT_EQ(opened.size(), 1);

    QFile::remove(existing);
    list.Choose(0, open, report);
    EXPECT_TRUE(list.IsEmpty());
    ASSERT_EQ(Texts(menu), QStringList({"Close", "-", "Recent &Files", "-", "Exit"}));
    EXPECT_FALSE(menu.actions()[2]->isEnabled());
}
