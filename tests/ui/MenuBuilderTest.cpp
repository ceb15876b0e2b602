#include "ui/MenuBuilder.h"
#include "config/BuiltinResources.h"
#include "config/LanguageResource.h"
#include "view/TreeListView.h"

#include <QAction>
#include <QHash>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray kTranslated = R"(<Languages><Language ID="de" Name="Deutsch"><Menus>
  <Menu ID="202">
    <MenuItem Popup="1" Data="Reiter">
      <MenuItem ID="57603" Data="&amp;Speichern\tStrg+S"/>
      <MenuItem ID="-1" Data="-"/>
      <MenuItem ID="-1" Data="Kein Befehl"/>
      <MenuItem ID="32784" Grayed="1" Data="Alle anderen schlie&#223;en"/>
      <MenuItem Popup="1" Grayed="1" Data="Mehr">
        <MenuItem Popup="1" Data="Noch mehr"><MenuItem ID="32791" Data="Ordner"/></MenuItem>
      </MenuItem>
      <MenuItem Popup="1" Data="Leer"/>
    </MenuItem>
  </Menu>
</Menus></Language></Languages>)";

QList<QAction*> Items(QMenu* menu)
{
    return menu->actions();
}

} // namespace

TEST(MenuBuilderTest, BuiltInMenuBarCarriesCommandIdsAndKeys)
{
    QWidget window;
    const std::optional<MenuDescription> description = BuiltinResources::Menu(128);
    ASSERT_TRUE(description.has_value());
    QMenuBar* bar = MenuBuilder::BuildMenuBar(*description, &window);
    const QList<QAction*> tops = bar->actions();
    ASSERT_EQ(tops.size(), 5);
    EXPECT_EQ(tops[0]->text(), u"&File");
    ASSERT_NE(tops[0]->menu(), nullptr);

    QAction* newAction = MenuBuilder::FindCommand(bar, 57600);
    ASSERT_NE(newAction, nullptr);
    EXPECT_EQ(MenuBuilder::CommandId(newAction), 57600);
    EXPECT_EQ(newAction->data().toInt(), 57600);
    // The key is bound, not written into the label, so menus and screen readers say it.
    EXPECT_EQ(newAction->text(), u"&New");
    EXPECT_EQ(newAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
    QAction* redo = MenuBuilder::FindCommand(bar, 57644);
    ASSERT_NE(redo, nullptr);
    const QList<QKeySequence> redoKeys{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                       QKeySequence(Qt::CTRL | Qt::Key_Y)};
    EXPECT_EQ(redo->shortcuts(), redoKeys);

    QAction* recent = MenuBuilder::FindCommand(bar, 32900);
    ASSERT_NE(recent, nullptr);
    EXPECT_FALSE(recent->isEnabled());

    // Nested pop-ups are searched too.
    QAction* xpath = MenuBuilder::FindCommand(bar, 32893);
    ASSERT_NE(xpath, nullptr);
    EXPECT_EQ(xpath->text(), u"Copy X&Path");
    EXPECT_EQ(MenuBuilder::FindCommand(bar, 12345), nullptr);
    EXPECT_FALSE(MenuBuilder::CommandId(tops[0]).has_value());

    const QList<QAction*> file = Items(tops[0]->menu());
    EXPECT_TRUE(file[5]->isSeparator());
    EXPECT_FALSE(MenuBuilder::CommandId(file[5]).has_value());

    QSignalSpy triggered(bar, &QMenuBar::triggered);
    newAction->trigger();
    ASSERT_EQ(triggered.count(), 1);
    EXPECT_EQ(MenuBuilder::CommandId(triggered[0][0].value<QAction*>()), 57600);
}

TEST(MenuBuilderTest, TranslatedTabMenuKeepsSeparatorsDisabledItemsAndNesting)
{
    LanguageResource resource;
    ASSERT_TRUE(resource.LoadXml(kTranslated));
    ASSERT_TRUE(resource.SelectLanguage(u"de"_s));
    const std::optional<MenuDescription> description = BuiltinResources::Menu(&resource, 202);
    ASSERT_TRUE(description.has_value() && description->FirstPopup());
    QWidget window;
    std::unique_ptr<QMenu> menu(MenuBuilder::BuildPopup(*description->FirstPopup(), &window));
    EXPECT_EQ(menu->title(), u"Reiter");
    const QList<QAction*> items = Items(menu.get());
    ASSERT_EQ(items.size(), 6);
    // A key text of the language file is dropped; the program's key stays.
    EXPECT_EQ(items[0]->text(), u"&Speichern");
    EXPECT_EQ(items[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_TRUE(items[1]->isSeparator());
    // ID -1 with another text is an ordinary item with command ID -1.
    EXPECT_FALSE(items[2]->isSeparator());
    EXPECT_EQ(MenuBuilder::CommandId(items[2]), -1);
    EXPECT_EQ(items[2]->text(), u"Kein Befehl");
    EXPECT_FALSE(items[3]->isEnabled());
    EXPECT_EQ(items[3]->text(), u"Alle anderen schließen");
    ASSERT_NE(items[4]->menu(), nullptr);
    EXPECT_FALSE(items[4]->isEnabled());
    EXPECT_NE(MenuBuilder::FindCommand(menu.get(), 32791), nullptr);
    ASSERT_NE(items[5]->menu(), nullptr);
    EXPECT_TRUE(items[5]->menu()->actions().isEmpty());

    // The whole description as one menu holds the pop-up as its only item.
    std::unique_ptr<QMenu> whole(MenuBuilder::BuildMenu(*description, &window));
    ASSERT_EQ(whole->actions().size(), 1);
    EXPECT_EQ(whole->actions()[0]->menu()->title(), u"Reiter");
}

namespace {

// The mnemonic letters of a menu's items (pop-ups included) that more than one item uses, and
// the items that have none.
void CheckMnemonics(const QMenu* menu, QStringList& problems)
{
    QHash<QChar, QString> taken;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator())
            continue;
        const QString text = action->text();
        const qsizetype amp = QString(text).replace(u"&&"_s, u"__"_s).indexOf(u'&');
        if (amp < 0 || amp + 1 >= text.size()) {
            problems << menu->title() + u": no mnemonic in "_s + text;
        } else {
            const QChar key = text.at(amp + 1).toLower();
            if (taken.contains(key))
                problems << menu->title() + u": "_s + taken[key] + u" and "_s + text;
            taken.insert(key, text);
        }
        if (action->menu())
            CheckMnemonics(action->menu(), problems);
    }
}

} // namespace

TEST(MenuBuilderTest, EveryBuiltInItemHasAMnemonicOfItsOwn)
{
    QWidget window;
    QStringList problems;
    for (int id : {128, 202, 203}) {
        const std::optional<MenuDescription> description = BuiltinResources::Menu(id);
        ASSERT_TRUE(description.has_value()) << id;
        // The menu bar's titles share one row; a context menu shows its pop-up's items.
        std::unique_ptr<QMenu> menu(id == 128 ? MenuBuilder::BuildMenu(*description, &window)
                                              : MenuBuilder::BuildPopup(
                                                    *description->FirstPopup(), &window));
        CheckMnemonics(menu.get(), problems);
    }
    EXPECT_EQ(problems.join(u'\n').toStdString(), "");
}

TEST(MenuBuilderTest, NoTwoCommandsShareAKeyNorTakeOneOfTheTree)
{
    QHash<QKeySequence, int> owner;
    for (int id : MenuBuilder::KeyedCommands()) {
        for (const QKeySequence& key : MenuBuilder::Shortcuts(id)) {
            EXPECT_FALSE(owner.contains(key))
                << key.toString().toStdString() << " of " << id << " and " << owner.value(key);
            owner.insert(key, id);
        }
    }
    // The tree's own keys either are the menu's key of the same command or no command's key.
    TreeListView view;
    for (QAction* own : view.AcceleratorActions()) {
        const int command = owner.value(own->shortcut(), -1);
        if (command == -1)
            continue;
        QSignalSpy ran(&view, &TreeListView::commandExecuted);
        own->trigger(); // nothing is selected: the command runs on nothing
        ASSERT_EQ(ran.count(), 1) << own->shortcut().toString().toStdString();
        EXPECT_EQ(ran[0][0].toInt(), command) << own->shortcut().toString().toStdString();
    }
}
