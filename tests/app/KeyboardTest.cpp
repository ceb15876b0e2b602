#include "ShellFixture.h"
#include "app/CommandAction.h"
#include "app/DropDownToolButton.h"
#include "app/FindDialog.h"
#include "app/XPathQueryPane.h"
#include "editing/CommandId.h"
#include "view/InPlaceEdit.h"
#include "view/TreeListView.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

class KeyboardTest : public ShellFixture {
protected:
    void ShowWindow()
    {
        frame->show();
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    }
    TreeListView* View(int index) { return Tabs().FrameAt(index)->View(); }
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    // Runs `inMenu` on the pop-up menu the next call opens, then closes it.
    void WhenMenuOpens(std::function<void(QMenu*)> inMenu)
    {
        QTimer::singleShot(0, [inMenu] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr) << "no menu opened";
            inMenu(menu);
            if (menu->isVisible())
                menu->close();
        });
    }
};

} // namespace

TEST_F(KeyboardTest, TreeKeysRunTheirCommandOnceAndCtrlYRedoes)
{
    Open(QStringLiteral("a.xml"));
    ShowWindow();
    TreeListView* view = View(0);
    XmlDocument& document = view->Document();
    const XmlNode* root = document.Root()->FirstChild();
    ASSERT_TRUE(view->SelectNode(root->ChildAt(1)->Id()));
    view->setFocus();
    frame->RunIdleUpdate(); // the command states follow the selection when the loop idles

    // The tree and the menu both know Ctrl+D: exactly one of them may act.
    Press(Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(root->ChildCount(), 3);
    Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(root->ChildCount(), 2);
    Press(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(root->ChildCount(), 3);
    Press(Qt::Key_Z, Qt::ControlModifier);
    Press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(root->ChildCount(), 3);

    // An insert key opens the editor on the new element, which then owns the keys.
    Press(Qt::Key_E, Qt::ControlModifier);
    ASSERT_TRUE(view->Editor().IsOpen());
    Press(Qt::Key_D, Qt::ControlModifier);
    Press(Qt::Key_Escape);
    EXPECT_FALSE(view->Editor().IsOpen());
    EXPECT_EQ(document.History().Count(), 2);
}

TEST_F(KeyboardTest, TextFieldsKeepTheirEditingKeys)
{
    Open(QStringLiteral("a.xml"));
    ShowWindow();
    const XmlNode* root = View(0)->Document().Root()->FirstChild();
    ASSERT_TRUE(View(0)->SelectNode(root->ChildAt(1)->Id()));
    frame->HandleCommand(CommandId::XPathQuery);
    QLineEdit* field = frame->XPathQuery()->Expression()->lineEdit();
    ASSERT_NE(field, nullptr);
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("abc"));
    Press(Qt::Key_Home);
    Press(Qt::Key_Delete);
    EXPECT_EQ(field->text(), QStringLiteral("bc"));
    Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(field->text(), QStringLiteral("abc"));
    EXPECT_EQ(root->ChildCount(), 2) << "Delete reached the document";
    EXPECT_EQ(View(0)->Document().History().Count(), 0);
}

TEST_F(KeyboardTest, CtrlTabPutsTheFocusIntoTheNewTabsTree)
{
    Open(QStringLiteral("a.xml"));
    Open(QStringLiteral("b.xml"));
    ShowWindow();
    View(1)->setFocus();
    Press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(Tabs().ActiveIndex(), 0);
    EXPECT_EQ(QApplication::focusWidget(), View(0));
    Press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Tabs().ActiveIndex(), 1);
    EXPECT_EQ(QApplication::focusWidget(), View(1));

    // From the strip too; its own arrow keys switch tabs and keep the focus there.
    Tabs().Strip()->setFocus();
    Press(Qt::Key_Left);
    EXPECT_EQ(Tabs().ActiveIndex(), 0);
    EXPECT_EQ(QApplication::focusWidget(), Tabs().Strip());
    Press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), View(1));
}

TEST_F(KeyboardTest, FileAndTabKeysWorkInTheFindDialog)
{
    Open(QStringLiteral("a.xml"));
    Open(QStringLiteral("b.xml"));
    ShowWindow();
    frame->HandleCommand(CommandId::Find);
    FindDialog* find = Tabs().Find();
    ASSERT_TRUE(find->isVisible());
    QApplication::setActiveWindow(find);
    find->CheckBox(FindDialog::MatchCaseId)->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(find));
    Press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(Tabs().ActiveIndex(), 0);
    Press(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(Tabs().Count(), 3);
    find->Cancel();
}

TEST_F(KeyboardTest, TabMenuOpensFromTheKeyboardBelowTheActiveTab)
{
    Open(QStringLiteral("a.xml"));
    Open(QStringLiteral("b.xml"));
    ShowWindow();
    Tabs().Strip()->setFocus();
    QPoint shownAt;
    QStringList texts;
    WhenMenuOpens([&](QMenu* menu) {
        shownAt = menu->pos();
        for (const QAction* action : menu->actions())
            texts << action->text();
        QTest::keyClick(menu, Qt::Key_P); // Copy document &path
    });
    Press(Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(texts.contains(QStringLiteral("Close all &but this")))
        << texts.join(u'|').toStdString();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), dir.filePath(QStringLiteral("b.xml")));
    const QRect tab = Tabs().Strip()->tabRect(1);
    EXPECT_EQ(shownAt.x(), Tabs().Strip()->mapToGlobal(tab.bottomLeft()).x());

    // The Menu key arrives as a keyboard context menu event.
    bool opened = false;
    WhenMenuOpens([&](QMenu*) { opened = true; });
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(1, 1),
                              Tabs().Strip()->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(Tabs().Strip(), &menuKey);
    EXPECT_TRUE(opened);
}

TEST_F(KeyboardTest, OpenButtonListsRecentFilesFromTheKeyboard)
{
    const QString recent = MakeFile(QStringLiteral("recent.xml"));
    frame->Recent().Add(recent);
    ShowWindow();
    auto* button = frame->findChild<DropDownToolButton*>(QStringLiteral("OpenButton"));
    ASSERT_NE(button, nullptr);
    EXPECT_NE(button->focusPolicy() & Qt::TabFocus, 0);
    button->setFocus();
    WhenMenuOpens([](QMenu* menu) {
        ASSERT_EQ(menu->activeAction(), menu->actions().value(0));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    Press(Qt::Key_Down, Qt::AltModifier);
    ASSERT_EQ(Tabs().Count(), 1);
    EXPECT_EQ(Tabs().ActiveFrame()->Path(), recent);
}

TEST_F(KeyboardTest, ScreenReadersHearTheItemAndItsKeyApart)
{
    QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(frame->FileMenu());
    ASSERT_NE(menu, nullptr);
    QAccessibleInterface* item = menu->child(0);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(QAccessible::Name), QStringLiteral("New"));
    EXPECT_EQ(item->text(QAccessible::Accelerator), QKeySequence(Qt::CTRL | Qt::Key_N).toString());
}
