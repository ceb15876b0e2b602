#include "ShellFixture.h"
#include "app/CommandAction.h"
#include "app/FindDialog.h"
#include "config/LanguageResource.h"
#include "view/TreeColumnWidths.h"
#include "view/TreeListView.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QUrl>
#include <QWidgetAction>

using Answer = MessageBoxes::Answer;

namespace {

bool ActionEnabled(const MainFrame& frame, int id)
{
    const QList<QAction*> actions = frame.ActionsFor(id);
    EXPECT_FALSE(actions.isEmpty()) << id;
    for (const QAction* action : actions) {
        if (!action->isEnabled())
            return false;
    }
    return true;
}

QStringList ToolBarIds(const QToolBar& bar)
{
    QStringList ids;
    for (const QAction* action : bar.actions()) {
        if (action->isSeparator()) {
            ids << QStringLiteral("|");
        } else if (qobject_cast<const QWidgetAction*>(action)) {
            ids << QStringLiteral("w");
        } else {
            ids << QString::number(CommandAction::IdOf(action));
        }
    }
    return ids;
}

} // namespace

TEST_F(ShellFixture, AvailabilityFollowsTheNumberOfTabs)
{
    frame->RunIdleUpdate();
    for (int id : {57602, 57603, 32786, 57636, 32894, 57632, 32869})
        EXPECT_FALSE(ActionEnabled(*frame, id)) << id;
    for (int id : {57600, 57601, 57604, 32773})
        EXPECT_TRUE(ActionEnabled(*frame, id)) << id;
    EXPECT_FALSE(frame->IsCommandEnabled(32784));

    Open(QStringLiteral("a.xml"));
    frame->RunIdleUpdate();
    for (int id : {57602, 32785, 57636, 32894, 32895})
        EXPECT_TRUE(ActionEnabled(*frame, id)) << id;
    // The view refines what depends on its document, Save on the modified state.
    Modify(0);
    frame->RunIdleUpdate();
    EXPECT_TRUE(ActionEnabled(*frame, 57603));
    EXPECT_FALSE(frame->IsCommandEnabled(32784)) << "close all but this needs two tabs";

    Open(QStringLiteral("b.xml"));
    frame->RunIdleUpdate();
    EXPECT_TRUE(frame->IsCommandEnabled(32784));

    // Save all stays available while any document is modified, not only the active one.
    Tabs().Activate(1);
    frame->RunIdleUpdate();
    EXPECT_FALSE(ActionEnabled(*frame, 57603));
    EXPECT_TRUE(ActionEnabled(*frame, 32786));

    // Save as with no tab does nothing.
    boxes.answers = {Answer::No};
    ASSERT_TRUE(Tabs().CloseAll());
    frame->HandleCommand(57604);
    Settle();
    EXPECT_TRUE(fileDialogs.saveCalls.empty());
}

TEST_F(ShellFixture, TitleOfAModifiedUntitledDocument)
{
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("TOVI XMLEditor"));
    frame->HandleCommand(57600);
    frame->HandleCommand(57600);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Untitled 1* - TOVI XMLEditor"));
    boxes.answers = {Answer::No};
    frame->HandleCommand(57602);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Untitled* - TOVI XMLEditor"));
}

TEST_F(ShellFixture, MenuToolBarAndLanguagesPlacement)
{
    ASSERT_NE(frame->FileMenu(), nullptr);
    EXPECT_EQ(frame->FileMenu()->title(), QStringLiteral("&File"));
    EXPECT_EQ(ToolBarIds(*frame->StandardToolBar()),
              QStringList({"57600", "w",     "57603", "32786", "|",     "57632", "57635", "57634",
                           "57637", "|",     "57643", "57644", "|",     "32869", "|",     "32862",
                           "32876", "32863", "32868", "|",     "32894", "32895"}));
    EXPECT_EQ(frame->LanguagesMenu(), nullptr) << "no language file, no Languages menu";
    EXPECT_GE(frame->minimumWidth(), 300);
    EXPECT_GE(frame->minimumHeight(), 200);

    frame->HandleCommand(32850);
    EXPECT_TRUE(frame->StandardToolBar()->isHidden());
    frame->RunIdleUpdate();
    EXPECT_FALSE(frame->ActionsFor(32850).first()->isChecked());
    frame->HandleCommand(32850);
    frame->RunIdleUpdate();
    EXPECT_TRUE(frame->ActionsFor(32850).first()->isChecked());
}

TEST_F(ShellFixture, LanguageChoiceWaitsForTheRestart)
{
    const QString resourcePath =
        MakeFile(QStringLiteral("TOVIXMLEditorResource.xml"),
                 "<Languages>"
                 "<Language ID=\"en\" Name=\"English\"/>"
                 "<Language ID=\"de\" Name=\"Deutsch\"><Strings>"
                 "<String ID=\"40500\" Data=\"&amp;Sprachen\"/></Strings></Language>"
                 "</Languages>");
    settings.language = QStringLiteral("en");
    {
        LanguageResource language;
        ASSERT_TRUE(language.Load(resourcePath));
        ASSERT_TRUE(language.SelectLanguage(settings.language));
        language.InstallAsTextSource();
        frame = MakeFrame(&language);
        QMenu* languages = frame->LanguagesMenu();
        ASSERT_NE(languages, nullptr);
        EXPECT_EQ(languages->title(), QStringLiteral("&Languages"));
        // Just before "&?".
        const QList<QAction*> top = frame->menuBar()->actions();
        ASSERT_GE(top.size(), 2);
        EXPECT_EQ(top[top.size() - 2]->menu(), languages);
        EXPECT_TRUE(languages->actions()[0]->isChecked());

        frame->HandleCommand(40502);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].kind, QStringLiteral("information"));
        EXPECT_EQ(boxes.shown[0].text,
                  QStringLiteral("Please, restart application to apply changes."));
        EXPECT_EQ(settings.language, QStringLiteral("de"));
        EXPECT_TRUE(languages->actions()[0]->isChecked());
        EXPECT_FALSE(languages->actions()[1]->isChecked());
        EXPECT_EQ(languages->title(), QStringLiteral("&Languages"));
        frame->HandleCommand(40509); // beyond the list
        EXPECT_EQ(boxes.shown.size(), 1u);
        frame->close();
        frame.reset();
    }
    ASSERT_TRUE(settings.Save());

    // The next start.
    AppSettings next;
    ASSERT_TRUE(next.Open(settings.Path()));
    EXPECT_EQ(next.language, QStringLiteral("de"));
    LanguageResource language;
    ASSERT_TRUE(language.Load(resourcePath));
    ASSERT_TRUE(language.SelectLanguage(next.language));
    language.InstallAsTextSource();
    ScriptedFileDialogs dialogs;
    RecordingDesktop desk;
    const ShellServices services{dialogs, desk, &next, &language};
    MainFrame restarted(services);
    ASSERT_NE(restarted.LanguagesMenu(), nullptr);
    EXPECT_EQ(restarted.LanguagesMenu()->title(), QStringLiteral("&Sprachen"));
    EXPECT_FALSE(restarted.LanguagesMenu()->actions()[0]->isChecked());
    EXPECT_TRUE(restarted.LanguagesMenu()->actions()[1]->isChecked());
}

TEST_F(ShellFixture, TreeNameWidthIsSharedByTabsAndKeptInTheSettings)
{
    settings.treeNameColumnWidth = 300;
    frame = MakeFrame(nullptr);
    ASSERT_EQ(Open(QStringLiteral("a.xml")), 0);
    TreeListView* first = Tabs().FrameAt(0)->View();
    EXPECT_EQ(first->Header()->sectionSize(TreeListView::NameColumn), 300);
    first->Header()->resizeSection(TreeListView::NameColumn, 280); // a drag on the header
    ASSERT_EQ(Open(QStringLiteral("b.xml")), 1);
    EXPECT_EQ(Tabs().FrameAt(1)->View()->Header()->sectionSize(TreeListView::NameColumn), 280);
    ASSERT_TRUE(frame->close());
    EXPECT_EQ(settings.treeNameColumnWidth, 280);
    TreeColumnWidths::Shared().SetNameWidth(TreeColumnWidths::DefaultNameWidth);
}

TEST_F(ShellFixture, WindowPlacementRoundTrip)
{
    settings.maximized = false;
    settings.normalLeft = 40;
    settings.normalTop = 50;
    settings.normalRight = 40 + 700;
    settings.normalBottom = 50 + 500;
    settings.topToolbarVisible = false;
    frame = MakeFrame(nullptr);
    frame->ApplyPlacement();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    EXPECT_EQ(frame->geometry(), QRect(40, 50, 700, 500));
    EXPECT_TRUE(frame->StandardToolBar()->isHidden());
    frame->move(60, 70);
    QTest::qWait(20);
    const QRect placed = frame->geometry();
    ASSERT_TRUE(frame->close());
    ASSERT_TRUE(settings.Save());

    AppSettings reread;
    ASSERT_TRUE(reread.Open(settings.Path()));
    EXPECT_FALSE(reread.maximized);
    EXPECT_EQ(QRect(QPoint(reread.normalLeft, reread.normalTop),
                    QPoint(reread.normalRight - 1, reread.normalBottom - 1)),
              placed);
    EXPECT_EQ(placed.size(), QSize(700, 500));
    EXPECT_FALSE(reread.topToolbarVisible);
    EXPECT_FALSE(reread.bottomToolbarVisible);
}

TEST_F(ShellFixture, ClosingTheWindowAsksForEveryModifiedDocument)
{
    Open(QStringLiteral("a.xml"));
    Open(QStringLiteral("b.xml"));
    Modify(0);
    Modify(1);
    boxes.answers = {Answer::No, Answer::Cancel};
    EXPECT_FALSE(frame->close());
    EXPECT_EQ(Tabs().Count(), 1);
    EXPECT_EQ(DisplayName(0), QStringLiteral("b.xml"));
    // Both files entered the recent list, the cancelled one too.
    EXPECT_EQ(frame->Recent().Entries(),
              QStringList({dir.filePath("b.xml"), dir.filePath("a.xml")}));
    EXPECT_TRUE(settings.recentFiles.isEmpty()) << "nothing stored while the window stays";

    boxes.answers = {Answer::No};
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(settings.recentFiles, frame->Recent().Entries());
}

TEST_F(ShellFixture, DroppedFilesOpenLastFirstAndTheFirstDroppedEndsActive)
{
    const QString a = MakeFile(QStringLiteral("A.xml"));
    const QString b = MakeFile(QStringLiteral("B.xml"));
    const QString c = MakeFile(QStringLiteral("C.xml"));
    frame->OpenDroppedFiles({a, b, c});
    Settle();
    ASSERT_EQ(Tabs().Count(), 3);
    EXPECT_EQ(DisplayName(0), QStringLiteral("C.xml"));
    EXPECT_EQ(DisplayName(2), QStringLiteral("A.xml"));
    EXPECT_EQ(Tabs().ActiveIndex(), 2);

    ASSERT_TRUE(Tabs().CloseAll());
    frame->OpenDroppedFiles({dir.filePath("missing1.xml"), dir.filePath("missing2.xml"), c});
    Settle();
    ASSERT_EQ(Tabs().Count(), 1);
    EXPECT_EQ(Tabs().ActiveIndex(), 0);
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(ShellFixture, RecentEntriesOpenOrReportMissingFiles)
{
    const QString kept = MakeFile(QStringLiteral("kept.xml"));
    const QString gone = dir.filePath(QStringLiteral("gone.xml"));
    settings.recentFiles = {gone, kept};
    frame = MakeFrame(nullptr);
    frame->HandleCommand(32901);
    ASSERT_EQ(Tabs().Count(), 1);
    EXPECT_EQ(Tabs().FrameAt(0)->Path(), kept);
    frame->HandleCommand(32900);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, QStringLiteral("error"));
    EXPECT_EQ(boxes.shown[0].text,
              QStringLiteral("The file '%1' cannot be opened and will be removed from the "
                             "Recent list.")
                  .arg(gone));
    EXPECT_EQ(frame->Recent().Entries(), QStringList({kept}));
    // Untitled documents never enter the list.
    frame->HandleCommand(57600);
    boxes.answers = {Answer::No};
    frame->HandleCommand(57602);
    EXPECT_EQ(frame->Recent().Entries(), QStringList({kept}));
}

TEST_F(ShellFixture, HomePageOpensTheUserGuide)
{
    frame->HandleCommand(32881);
    ASSERT_EQ(desktop.openedUrls.size(), 1);
    const QString file = QUrl(desktop.openedUrls[0]).toLocalFile();
    QFile html(file);
    ASSERT_TRUE(html.open(QIODevice::ReadOnly)) << file.toStdString();
    EXPECT_TRUE(html.readAll().contains("TOVI XMLEditor"));
}

TEST_F(ShellFixture, ExitClosesTheWindowThroughTheClosingSequence)
{
    QSignalSpy closed(frame.get(), &MainFrame::Closed);
    frame->show();
    Open(QStringLiteral("a.xml"));
    Modify(0);
    boxes.answers = {Answer::Cancel};
    frame->HandleCommand(32773);
    QTest::qWait(20);
    EXPECT_EQ(closed.count(), 0) << "cancelled at the prompt";
    EXPECT_TRUE(frame->isVisible());
    boxes.answers = {Answer::No};
    frame->HandleCommand(32773);
    QTest::qWait(20);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(settings.recentFiles, QStringList({dir.filePath(QStringLiteral("a.xml"))}));
}

TEST_F(ShellFixture, ACommandListedTwiceByALanguageKeepsItsKeyOnce)
{
    const QString resourcePath =
        MakeFile(QStringLiteral("TOVIXMLEditorResource.xml"),
                 "<Languages><Language ID=\"de\" Name=\"Deutsch\"><Menus><Menu ID=\"128\">"
                 "<MenuItem Popup=\"1\" Data=\"&amp;Bearbeiten\">"
                 "<MenuItem ID=\"57634\" Data=\"&amp;Kopieren\\tStrg+C\"/></MenuItem>"
                 "<MenuItem Popup=\"1\" Data=\"&amp;Mehr\">"
                 "<MenuItem ID=\"57634\" Data=\"Noch einmal kopieren\"/></MenuItem>"
                 "</Menu></Menus></Language></Languages>");
    LanguageResource language;
    ASSERT_TRUE(language.Load(resourcePath));
    ASSERT_TRUE(language.SelectLanguage(QStringLiteral("de")));
    frame = MakeFrame(&language);
    int keyed = 0;
    for (const QAction* action : frame->ActionsFor(57634)) {
        keyed += action->shortcuts().size();
        EXPECT_FALSE(action->text().contains(u'\t'));
    }
    EXPECT_EQ(keyed, 1);
    // Keys of commands this menu lacks still reach them.
    QList<QKeySequence> newKeys;
    for (const QAction* action : frame->ActionsFor(57600))
        newKeys << action->shortcuts();
    EXPECT_EQ(newKeys, QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_N)});
}
