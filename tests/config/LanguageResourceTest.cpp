#include "config/LanguageResource.h"
#include "config/BuiltinResources.h"
#include "config/LoadText.h"
#include "config/StringTable.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kSample =
    QStringLiteral(TOVI_SOURCE_DIR "/tests/config/data/TOVIXMLEditorResource.xml");

using Item = MenuDescription::Item;

void CollectIds(const std::vector<Item>& items, QSet<int>& ids)
{
    for (const Item& item : items) {
        if (item.kind == Item::Kind::Command)
            ids.insert(item.id);
        CollectIds(item.children, ids);
    }
}

} // namespace

TEST(LanguageResourceTest, ListsEveryLanguageAndSelectsTheFirstMatch)
{
    LanguageResource resource;
    ASSERT_TRUE(resource.Load(kSample));
    ASSERT_EQ(resource.Languages().size(), 4);
    EXPECT_EQ(resource.Languages()[0].name, u"Deutsch");
    EXPECT_EQ(resource.Languages()[1].id, u"de");
    EXPECT_EQ(resource.Languages()[1].name, u"Deutsch (zweite)");
    EXPECT_EQ(resource.Languages()[2].name, u"Français");

    ASSERT_TRUE(resource.SelectLanguage(u"de"_s));
    EXPECT_EQ(resource.FindString(225), u"#Textknoten");    // the first "de", not the second
    EXPECT_EQ(resource.FindString(130), u"Speichern: %s?"); // a later entry replaces
    EXPECT_EQ(resource.FindString(0), u"a\tb\rc\\\n");      // "0x10" reads as 0; any element name
    EXPECT_FALSE(resource.FindString(128).has_value());

    EXPECT_FALSE(resource.SelectLanguage(u"DE"_s));
    EXPECT_FALSE(resource.HasSelection());
    EXPECT_FALSE(resource.FindString(225).has_value());
    EXPECT_FALSE(resource.SelectLanguage(u"de\""_s));
    EXPECT_FALSE(resource.SelectLanguage(u"xx"_s));
    EXPECT_EQ(resource.CurrentLanguage(), u"xx");

    // An empty identifier selects a language only when one has an empty ID.
    EXPECT_TRUE(resource.SelectLanguage(QString()));
    // A language without Strings, Menus or Dialogs replaces nothing.
    ASSERT_TRUE(resource.SelectLanguage(u"fr"_s));
    EXPECT_FALSE(resource.FindString(225).has_value());
    EXPECT_FALSE(resource.BuildMenu(128).has_value());
    EXPECT_FALSE(resource.BuildDialog(214).has_value());
}

TEST(LanguageResourceTest, TranslatedStringsReachLoadTextUntilTheResourceGoes)
{
    EXPECT_EQ(LoadText(225), u"#Text");
    {
        LanguageResource resource;
        ASSERT_TRUE(resource.Load(kSample));
        ASSERT_TRUE(resource.SelectLanguage(u"de"_s));
        resource.InstallAsTextSource();
        // Every text node loaded from now on takes its name from here.
        EXPECT_EQ(LoadText(StringId::TextName), u"#Textknoten");
        EXPECT_EQ(LoadText(222), u"Nicht\ngefunden");
        EXPECT_EQ(LoadText(210), u"#Comment"); // not translated: built in
        // The column titles stay built in whatever the language says.
        EXPECT_EQ(StringTable::Text(StringId::NameColumn), u"Name");

        ASSERT_FALSE(resource.SelectLanguage(u"none"_s));
        EXPECT_EQ(LoadText(225), u"#Text");
    }
    EXPECT_EQ(LoadText(225), u"#Text");
}

TEST(LanguageResourceTest, BrokenFilesOfferNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(LanguageResource::FileName());
    LanguageResource resource;
    EXPECT_FALSE(resource.Load(path)); // missing

    QFile truncated(path);
    ASSERT_TRUE(truncated.open(QIODevice::WriteOnly));
    truncated.write("<Languages><Language ID=\"de\" Name=\"Deutsch\"><Strings>");
    truncated.close();
    EXPECT_FALSE(resource.Load(path));
    EXPECT_TRUE(resource.Languages().isEmpty());
    EXPECT_FALSE(resource.SelectLanguage(u"de"_s));

    EXPECT_FALSE(resource.LoadXml(QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF\x00", 11)));
    EXPECT_FALSE(resource.IsLoaded());
    EXPECT_FALSE(resource.BuildMenu(128).has_value());

    // A readable file with another root simply lists no languages.
    EXPECT_TRUE(resource.LoadXml("<Other><Language ID=\"de\"/></Other>"));
    EXPECT_TRUE(resource.Languages().isEmpty());
    EXPECT_FALSE(resource.SelectLanguage(u"de"_s));
}

TEST(LanguageResourceTest, BuildsMenusWithShortcutsSeparatorsAndNesting)
{
    LanguageResource resource;
    ASSERT_TRUE(resource.Load(kSample));
    ASSERT_TRUE(resource.SelectLanguage(u"de"_s));
    EXPECT_FALSE(resource.BuildMenu(202).has_value());
    const std::optional<MenuDescription> menu = resource.BuildMenu(128);
    ASSERT_TRUE(menu.has_value());
    ASSERT_EQ(menu->items.size(), 1u);
    const Item& file = menu->items[0];
    EXPECT_EQ(file.kind, Item::Kind::Popup);
    EXPECT_EQ(file.text, u"&Datei");
    ASSERT_EQ(file.children.size(), 6u);
    EXPECT_EQ(file.children[0].id, 57600);
    EXPECT_EQ(file.children[0].text, u"&Neu\tStrg+N");
    EXPECT_EQ(file.children[1].kind, Item::Kind::Separator);
    EXPECT_EQ(file.children[2].kind, Item::Kind::Command);
    EXPECT_EQ(file.children[2].id, -1);
    EXPECT_TRUE(file.children[3].grayed);
    const Item& recent = file.children[4];
    EXPECT_EQ(recent.kind, Item::Kind::Popup);
    EXPECT_TRUE(recent.grayed);
    ASSERT_EQ(recent.children.size(), 1u);
    ASSERT_EQ(recent.children[0].children.size(), 1u);
    // In menu texts only the tab escape is replaced.
    EXPECT_EQ(recent.children[0].children[0].text, u"Eintrag\\n");
    EXPECT_EQ(file.children[5].kind, Item::Kind::Popup);
    EXPECT_TRUE(file.children[5].children.empty());
}

TEST(LanguageResourceTest, BuildsDialogDescriptions)
{
    LanguageResource resource;
    ASSERT_TRUE(resource.Load(kSample));
    ASSERT_TRUE(resource.SelectLanguage(u"de"_s));
    EXPECT_FALSE(resource.BuildDialog(999).has_value());
    const std::optional<DialogDescription> dialog = resource.BuildDialog(214);
    ASSERT_TRUE(dialog.has_value());
    EXPECT_EQ(dialog->style, 0x80C800C0u);
    EXPECT_EQ(dialog->extStyle, 8u);
    EXPECT_EQ(dialog->x, 5);
    EXPECT_EQ(dialog->height, 100);
    EXPECT_EQ(dialog->caption, u"Suchen\\n"); // the dialog's caption keeps its backslashes
    EXPECT_EQ(dialog->fontName, u"Sans Serif");
    EXPECT_EQ(dialog->fontSize, 10);
    EXPECT_EQ(dialog->fontWeight, 400); // missing weight
    ASSERT_EQ(dialog->controls.size(), 13u);
    const DialogDescription::Control* names = dialog->FindControl(1012);
    ASSERT_NE(names, nullptr);
    EXPECT_EQ(names->caption, u"Knoten\tnamen");
    EXPECT_EQ(names->systemClass, DialogDescription::kButton);
    EXPECT_EQ(dialog->controls.back().id, quint16(70000 & 0xFFFF));
    EXPECT_EQ(dialog->controls.back().className, u"Static");
    EXPECT_EQ(dialog->controls.back().captionId, 207);
    EXPECT_TRUE(dialog->controls.back().caption.isEmpty());

    const std::optional<DialogDescription> plain = resource.BuildDialog(215);
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(plain->fontName, u"MS Shell Dlg"); // no set-font bit: the Font child is unused
    EXPECT_EQ(plain->fontSize, 8);
    EXPECT_TRUE(plain->controls.empty());
}

TEST(BuiltinResourcesTest, DescribeTheProgramsMenusAndFindDialog)
{
    const std::optional<MenuDescription> bar = BuiltinResources::Menu(128);
    ASSERT_TRUE(bar.has_value());
    QStringList titles;
    for (const Item& item : bar->items)
        titles.append(item.text);
    EXPECT_EQ(titles, (QStringList{u"&File"_s, u"&Edit"_s, u"&View"_s, u"&Tools"_s, u"&?"_s}));
    QSet<int> ids;
    CollectIds(bar->items, ids);
    for (int id : {57600, 57601, 57603, 57604, 32786, 57602, 32785, 32900, 32773, 57643, 57644,
                   57635, 57634, 57637, 57632, 57636, 32869, 32811, 32812, 32891, 32893, 32838,
                   32839, 32863, 32860, 32861, 32862, 32874, 32875, 32876, 32866, 32867, 32868,
                   32870, 32871, 32850, 32774, 32814, 32894, 32895, 32881, 202})
        EXPECT_TRUE(ids.contains(id)) << id;
    EXPECT_EQ(bar->items[0].children[0].text, u"&New\tCtrl+N");

    // Every command with a description in the menu bar has its text in the string table.
    for (int id : ids) {
        if (id >= 32784 && id != 32785 && id != 32870 && id != 32871 && id != 32850 &&
            id != 32774 && id != 32881 && id != 57636 && id != 32900) {
            EXPECT_TRUE(StringTable::Contains(id)) << id;
        }
    }

    const std::optional<MenuDescription> tab = BuiltinResources::Menu(202);
    ASSERT_TRUE(tab.has_value() && tab->FirstPopup());
    QSet<int> tabIds;
    CollectIds(tab->items, tabIds);
    EXPECT_EQ(tabIds, (QSet<int>{57603, 57602, 32784, 32790, 32791}));
    const std::optional<MenuDescription> item = BuiltinResources::Menu(203);
    ASSERT_TRUE(item.has_value() && item->FirstPopup());
    QSet<int> itemIds;
    CollectIds(item->items, itemIds);
    EXPECT_TRUE(itemIds.contains(32874) && itemIds.contains(32876) && itemIds.contains(32838));

    const std::optional<DialogDescription> find = BuiltinResources::Dialog(214);
    ASSERT_TRUE(find.has_value());
    EXPECT_EQ(find->caption, u"Find");
    for (int id : {1009, 1010, 1012, 1013, 1014, 1015, 1016, 1017, 1018, 1019, 1020, 2})
        EXPECT_NE(find->FindControl(quint16(id)), nullptr) << id;
    EXPECT_EQ(find->FindControl(1015)->caption, u"A&ttribute values");
    EXPECT_FALSE(BuiltinResources::Menu(999).has_value());
}

TEST(BuiltinResourcesTest, LanguageVersionWinsWhenItHasOne)
{
    LanguageResource resource;
    ASSERT_TRUE(resource.Load(kSample));
    ASSERT_TRUE(resource.SelectLanguage(u"de"_s));
    EXPECT_EQ(BuiltinResources::Menu(&resource, 128)->items[0].text, u"&Datei");
    EXPECT_EQ(BuiltinResources::Menu(&resource, 202)->FirstPopup()->children[0].id, 57603);
    EXPECT_EQ(BuiltinResources::Dialog(&resource, 214)->caption, u"Suchen\\n");
    EXPECT_EQ(BuiltinResources::Dialog(nullptr, 214)->caption, u"Find");
}
