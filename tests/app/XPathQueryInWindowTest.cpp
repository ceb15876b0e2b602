#include "ShellFixture.h"
#include "app/XPathQueryPane.h"
#include "editing/CommandId.h"
#include "view/TreeListView.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

namespace {

class XPathQueryInWindowTest : public ShellFixture {};

} // namespace

TEST_F(XPathQueryInWindowTest, ShortcutOpensThePaneWhoseRowsSelectTheirNodes)
{
    const QByteArray library = "<library xmlns=\"urn:lib\"><book id=\"1\"/><book id=\"2\"/>"
                               "<book id=\"3\"/></library>\n";
    ASSERT_EQ(OpenPath(MakeFile(QStringLiteral("library.xml"), library)), 0);
    XPathQueryPane* pane = frame->XPathQuery();
    ASSERT_NE(pane, nullptr);
    QAction* action = frame->ActionsFor(CommandId::XPathQuery).value(0);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));

    frame->show();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    TreeListView* view = Tabs().ActiveFrame()->View();
    view->setFocus();
    EXPECT_FALSE(pane->isVisible());
    QTest::keyClick(frame.get(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(pane->isVisible());

    pane->Expression()->setEditText(QStringLiteral("//d:book[@id > 1]"));
    pane->EvaluateButton()->click();
    EXPECT_EQ(pane->Prefixes(), QStringLiteral("Prefix d = urn:lib"));
    ASSERT_EQ(pane->Count(), 2) << pane->Outcome().toStdString();
    EXPECT_EQ(pane->Expression()->itemText(0), QStringLiteral("//d:book[@id > 1]"));
    QTreeView* list = pane->List();
    EXPECT_EQ(list->model()->index(1, 0).data().toString(),
              QStringLiteral(
                  "/*[local-name()='library' and namespace-uri()='urn:lib']/*[local-name()='book' "
                  "and namespace-uri()='urn:lib'][3]"));
    list->setCurrentIndex(list->model()->index(1, 0));
    const XmlNode* selected = view->SelectedNode();
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(selected->ChildAt(0)->Value(), u"3");

    pane->Expression()->setEditText(QStringLiteral("//d:book["));
    pane->EvaluateButton()->click();
    EXPECT_EQ(pane->Count(), 0);
    EXPECT_TRUE(pane->Outcome().startsWith(u"Error: ")) << pane->Outcome().toStdString();
}
