#include "RunawayInputs.h"
#include "ShellFixture.h"
#include "app/DocumentFrame.h"
#include "app/FindDialog.h"
#include "app/ProgressStrip.h"
#include "app/ToolErrorsPane.h"
#include "document/SaveFileSystem.h"
#include "view/BusyCursor.h"
#include "view/TreeListView.h"

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QThread>
#include <QTreeWidget>

#include <atomic>

using Answer = MessageBoxes::Answer;

TEST_F(ShellFixture, NewNamesCountUpAndReuseFreedNumbers)
{
    for (int i = 0; i < 3; ++i)
        Tabs().HandleCommand(57600);
    ASSERT_EQ(Tabs().Count(), 3);
    EXPECT_EQ(DisplayName(0), QStringLiteral("Untitled"));
    EXPECT_EQ(DisplayName(1), QStringLiteral("Untitled 1"));
    EXPECT_EQ(DisplayName(2), QStringLiteral("Untitled 2"));
    // A new document is modified at once, so closing it asks.
    EXPECT_EQ(Caption(1), QStringLiteral("Untitled 1*"));
    boxes.answers = {Answer::No};
    ASSERT_TRUE(Tabs().CloseTab(1));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              QStringLiteral("Do you want to save changes to file: Untitled 1"));
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("TOVI XMLEditor"));
    Tabs().HandleCommand(57600);
    EXPECT_EQ(DisplayName(2), QStringLiteral("Untitled 1"));
}

TEST_F(ShellFixture, LongFileNameCaptionAndToolTip)
{
    const QString name = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789.xml");
    const int index = Open(name);
    ASSERT_EQ(index, 0);
    EXPECT_EQ(Caption(0), QStringLiteral("abcdefghijklmno...yz0123456789.xml"));
    EXPECT_EQ(Tabs().Strip()->tabToolTip(0), dir.filePath(name));
    Modify(0);
    Tabs().UpdateModifiedMarkers();
    EXPECT_EQ(Caption(0), QStringLiteral("abcdefghijklmno...yz0123456789.xml*"));
    EXPECT_EQ(Tabs().Strip()->tabToolTip(0), dir.filePath(name) + u'*');
}

TEST_F(ShellFixture, ClosingChoosesTheNextActiveTab)
{
    Open(QStringLiteral("a.xml"));
    Open(QStringLiteral("b.xml"));
    Open(QStringLiteral("c.xml"));
    ASSERT_EQ(Tabs().ActiveIndex(), 2);
    ASSERT_TRUE(Tabs().CloseTab(2));
    EXPECT_EQ(Tabs().ActiveIndex(), 1);
    EXPECT_EQ(DisplayName(1), QStringLiteral("b.xml"));
    EXPECT_TRUE(Tabs().ActiveFrame()->isVisible() || !frame->isVisible());

    Open(QStringLiteral("c.xml"));
    Tabs().Activate(1);
    ASSERT_TRUE(Tabs().CloseTab(1)); // the middle one: its right neighbour moves in
    EXPECT_EQ(Tabs().ActiveIndex(), 1);
    EXPECT_EQ(DisplayName(1), QStringLiteral("c.xml"));

    ASSERT_TRUE(Tabs().CloseTab(0)); // left of the active one: the index shifts
    EXPECT_EQ(Tabs().ActiveIndex(), 0);
    EXPECT_EQ(DisplayName(0), QStringLiteral("c.xml"));

    ASSERT_TRUE(Tabs().CloseTab(0));
    EXPECT_EQ(Tabs().ActiveIndex(), -1);
    EXPECT_FALSE(Tabs().Strip()->isVisibleTo(&Tabs()));
}

TEST_F(ShellFixture, CloseAllStopsAtCancelAndKeepsTheActiveTab)
{
    for (int i = 0; i < 3; ++i)
        Tabs().HandleCommand(57600);
    Tabs().Activate(2);
    boxes.answers = {Answer::No, Answer::Cancel};
    EXPECT_FALSE(Tabs().CloseAll());
    ASSERT_EQ(Tabs().Count(), 2);
    EXPECT_EQ(DisplayName(0), QStringLiteral("Untitled 1"));
    EXPECT_EQ(DisplayName(1), QStringLiteral("Untitled 2"));
    EXPECT_EQ(Tabs().ActiveIndex(), 1) << "the tab active at the start stays active";

    // When the first one was active, the second becomes active.
    Tabs().HandleCommand(57600);
    Tabs().Activate(0);
    boxes.answers = {Answer::No, Answer::Cancel};
    EXPECT_FALSE(Tabs().CloseAll());
    EXPECT_EQ(Tabs().Count(), 2);
    EXPECT_EQ(Tabs().ActiveIndex(), 0);
    EXPECT_EQ(DisplayName(0), QStringLiteral("Untitled 2"));
}

TEST_F(ShellFixture, CloseAllButThisFromTheMiddle)
{
    Open(QStringLiteral("a.xml"));
    Open(QStringLiteral("b.xml"));
    Open(QStringLiteral("c.xml"));
    Open(QStringLiteral("d.xml"));
    Tabs().Activate(1);
    Tabs().HandleCommand(32784);
    ASSERT_EQ(Tabs().Count(), 1);
    EXPECT_EQ(DisplayName(0), QStringLiteral("b.xml"));
    EXPECT_EQ(Tabs().ActiveIndex(), 0);
    // The closed files went into the recent list in closing order: a, then c, d.
    EXPECT_EQ(frame->Recent().Entries(),
              QStringList({dir.filePath("d.xml"), dir.filePath("c.xml"), dir.filePath("a.xml")}));
}

TEST_F(ShellFixture, FailedSaveInThePromptRefusesTheClose)
{
    // A file name so long that no temporary file can be made next to it: saving fails while
    // the file itself stays as it is.
    const QString name = QString(248, u'n') + QStringLiteral(".xml");
    const QByteArray original = "<?xml version=\"1.0\"?>\n<root/>\n";
    ASSERT_EQ(OpenPath(MakeFile(name, original)), 0);
    Modify(0);
    boxes.answers = {Answer::Yes};
    EXPECT_FALSE(Tabs().CloseTab(0));
    EXPECT_EQ(Tabs().Count(), 1);
    ASSERT_GE(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].kind, QStringLiteral("error"));
    EXPECT_TRUE(Tabs().FrameAt(0)->IsModified());
    QFile file(dir.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), original);
}

TEST_F(ShellFixture, SaveAsProposesNameAndExtension)
{
    Open(QStringLiteral("README"));
    Open(QStringLiteral("doc.xml"));
    SaveTabAs(0); // cancelled: nothing changes
    SaveTabAs(1);
    ASSERT_EQ(fileDialogs.saveCalls.size(), 2u);
    EXPECT_TRUE(fileDialogs.saveCalls[0].initialName.isEmpty());
    EXPECT_TRUE(fileDialogs.saveCalls[0].defaultExtension.isEmpty());
    EXPECT_EQ(fileDialogs.saveCalls[1].initialName, QStringLiteral("doc.xml"));
    EXPECT_EQ(fileDialogs.saveCalls[1].defaultExtension, QStringLiteral("xml"));
    EXPECT_EQ(fileDialogs.filters[0], QStringLiteral("XML Files (*.xml)|*.xml|All files|*.*||"));
    EXPECT_EQ(DisplayName(0), QStringLiteral("README"));

    // An untitled document saved under a name becomes that file.
    Tabs().HandleCommand(57600);
    const QString target = dir.filePath(QStringLiteral("saved.xml"));
    fileDialogs.saveAnswers = {target};
    Tabs().HandleCommand(57603);
    Settle();
    EXPECT_FALSE(Tabs().ActiveFrame()->IsUntitled());
    EXPECT_EQ(Tabs().ActiveFrame()->Path(), target);
    EXPECT_EQ(Caption(2), QStringLiteral("saved.xml"));
    EXPECT_TRUE(QFile::exists(target));
}

TEST_F(ShellFixture, OpenSeveralFilesFromTheDialog)
{
    const QString a = MakeFile(QStringLiteral("a.xml"));
    const QString broken = MakeFile(QStringLiteral("broken.xml"), "<root>");
    const QString b = MakeFile(QStringLiteral("b.xml"));
    fileDialogs.openAnswers = {{a, broken, b}};
    Tabs().HandleCommand(57601);
    Settle();
    ASSERT_EQ(Tabs().Count(), 2);
    EXPECT_EQ(Tabs().ActiveIndex(), 1);
    EXPECT_EQ(DisplayName(1), QStringLiteral("b.xml"));
    ASSERT_EQ(boxes.shown.size(), 1u) << "the broken file is reported";
    EXPECT_EQ(boxes.shown[0].kind, QStringLiteral("error"));
    // A file that is open already gets its tab activated, not a second one.
    fileDialogs.openAnswers = {{a}};
    Tabs().HandleCommand(57601);
    Settle();
    EXPECT_EQ(Tabs().Count(), 2);
    EXPECT_EQ(Tabs().ActiveIndex(), 0);
}

TEST_F(ShellFixture, PreviousAndNextWrap)
{
    Open(QStringLiteral("a.xml"));
    Open(QStringLiteral("b.xml"));
    Open(QStringLiteral("c.xml"));
    Tabs().HandleCommand(32793);
    EXPECT_EQ(Tabs().ActiveIndex(), 0);
    Tabs().HandleCommand(32792);
    EXPECT_EQ(Tabs().ActiveIndex(), 2);
    Tabs().HandleCommand(32792);
    EXPECT_EQ(Tabs().ActiveIndex(), 1);
}

TEST_F(ShellFixture, CopyPathAndOpenFolder)
{
    Tabs().HandleCommand(57600);
    Tabs().HandleCommand(57600);
    Tabs().HandleCommand(32790);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Untitled 1"));
    Tabs().HandleCommand(32791);
    EXPECT_TRUE(desktop.shownFiles.isEmpty());
    Open(QStringLiteral("shown.xml"));
    Tabs().HandleCommand(32790);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), dir.filePath(QStringLiteral("shown.xml")));
    Tabs().HandleCommand(32791);
    EXPECT_EQ(desktop.shownFiles, QStringList({dir.filePath(QStringLiteral("shown.xml"))}));
}

TEST_F(ShellFixture, RelativePathsOpenAsAbsoluteFiles)
{
    MakeFile(QStringLiteral("relative.xml"));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const int index = OpenPath(QStringLiteral("relative.xml"));
    QDir::setCurrent(previous);
    ASSERT_EQ(index, 0);
    EXPECT_EQ(DisplayName(0), QStringLiteral("relative.xml"));
    EXPECT_EQ(Tabs().FrameAt(0)->Path(), dir.filePath(QStringLiteral("relative.xml")));
}

TEST_F(ShellFixture, FindDialogOnlyWithADocument)
{
    Tabs().HandleCommand(57636);
    EXPECT_FALSE(Tabs().Find()->isVisible());
    Open(QStringLiteral("a.xml"));
    Tabs().HandleCommand(57636);
    EXPECT_TRUE(Tabs().Find()->isVisible());
    Tabs().Find()->Cancel();
}

TEST_F(ShellFixture, DoubleClickOnTheEmptyAreaAsksForFiles)
{
    const QString a = MakeFile(QStringLiteral("a.xml"));
    fileDialogs.openAnswers = {{a}};
    QTest::mouseDClick(&Tabs(), Qt::LeftButton, {}, Tabs().rect().center());
    ASSERT_EQ(fileDialogs.filters.size(), 1u);
    EXPECT_EQ(fileDialogs.filters[0], QStringLiteral("XML Files (*.xml)|*.xml|All files|*.*||"));
    EXPECT_EQ(Tabs().Count(), 1);
    // With a tab the area belongs to the document.
    QTest::mouseDClick(&Tabs(), Qt::LeftButton, {}, QPoint(1, Tabs().height() - 2));
    EXPECT_EQ(fileDialogs.filters.size(), 1u);
}

TEST_F(ShellFixture, FindNextGoesToTheActiveView)
{
    Open(QStringLiteral("a.xml"));
    FindDialog* find = Tabs().Find();
    find->SetFlags(FindFlag::NodeNames);
    find->TextBox()->setEditText(QStringLiteral("x"));
    find->FindNext();
    const TreeListView* view = Tabs().ActiveFrame()->View();
    const XmlNode* node = view->SelectedNode();
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->LocalName(), QStringLiteral("x"));
    EXPECT_TRUE(boxes.shown.empty());
    find->TextBox()->setEditText(QStringLiteral("nowhere"));
    find->FindNext();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("The specified text was not found."));
}

TEST_F(ShellFixture, SaveAllGoesOnPastACancelledDialog)
{
    Tabs().HandleCommand(57600);
    Open(QStringLiteral("a.xml"));
    Modify(1);
    Tabs().HandleCommand(32786);
    Settle();
    EXPECT_EQ(fileDialogs.saveCalls.size(), 1u) << "one dialog for the untitled document";
    EXPECT_TRUE(Tabs().FrameAt(0)->IsUntitled());
    EXPECT_FALSE(Tabs().FrameAt(1)->IsModified());
    EXPECT_EQ(Caption(1), QStringLiteral("a.xml"));
    QFile file(dir.filePath(QStringLiteral("a.xml")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("<changed")) << "the edit reached the disk";
}

namespace {
// Runs go on in a worker process; the tab reports when it has ended.
void WaitForRun(DocumentFrame* frame)
{
    QTRY_VERIFY_WITH_TIMEOUT(!frame->IsToolRunning(), 30000);
}
} // namespace

TEST_F(ShellFixture, ValidateAndTransformTheActiveDocument)
{
    Open(QStringLiteral("doc.xml"));
    const QString schema = MakeFile(
        QStringLiteral("s.xsd"),
        "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">"
        "<xs:element name=\"root\"><xs:complexType><xs:sequence>"
        "<xs:element name=\"x\"/></xs:sequence>"
        "<xs:attribute name=\"a\" type=\"xs:int\"/></xs:complexType></xs:element></xs:schema>");
    fileDialogs.openAnswers = {{schema}};
    frame->HandleCommand(32894);
    EXPECT_EQ(fileDialogs.filters.back(),
              QStringLiteral("Schemas (*.xsd;*.rng;*.dtd)|*.xsd;*.rng;*.dtd|XML Schema (*.xsd)|"
                             "*.xsd|RELAX NG (*.rng)|*.rng|DTD (*.dtd)|*.dtd|All files|*.*||"));
    DocumentFrame* tab = Tabs().ActiveFrame();
    WaitForRun(tab);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, QStringLiteral("information"));
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Validation successful."));

    // The unsaved edit is what gets validated; its errors are listed, and an edit makes the
    // list out of date. The dialog starts at the schema chosen last.
    Modify(0);
    fileDialogs.openAnswers = {{schema}};
    frame->HandleCommand(32894);
    EXPECT_EQ(fileDialogs.openStarts.back(), schema);
    WaitForRun(tab);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].kind, QStringLiteral("error"));
    ASSERT_GE(tab->Errors()->Count(), 1);
    EXPECT_FALSE(tab->Errors()->IsOutOfDate());
    // Enter on a row selects its node (the undeclared root element).
    tab->View()->ClearSelection();
    QTreeWidget* list = tab->Errors()->List();
    list->setCurrentItem(list->topLevelItem(0));
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_NE(tab->View()->SelectedNode(), nullptr);
    EXPECT_EQ(tab->View()->SelectedNodeId(), tab->Document()->Root()->FirstChild()->Id());
    Modify(0);
    tab->Document()->NotifyNodeChanged(tab->Document()->Root()->FirstChild()->Id());
    EXPECT_TRUE(tab->Errors()->IsOutOfDate());

    const QString sheet = MakeFile(
        QStringLiteral("t.xslt"),
        "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
        "<xsl:output omit-xml-declaration=\"yes\"/><xsl:template match=\"/\"><n><xsl:value-of "
        "select=\"name(/*)\"/></n></xsl:template></xsl:stylesheet>");
    const QString result = dir.filePath(QStringLiteral("result.xml"));
    fileDialogs.openAnswers = {{sheet}};
    fileDialogs.saveAnswers = {result};
    boxes.answers = {MessageBoxes::Answer::Yes};
    frame->HandleCommand(32895);
    WaitForRun(tab);
    EXPECT_EQ(fileDialogs.saveCalls.back().initialName, QStringLiteral("doc"));
    QFile file(result);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("<n>changed</n>\n"));
    // It says where the result went and opens it on request.
    ASSERT_EQ(boxes.shown.size(), 3u) << boxes.shown.back().text.toStdString();
    EXPECT_EQ(boxes.shown[2].kind, QStringLiteral("question"));
    EXPECT_TRUE(boxes.shown[2].text.contains(QStringLiteral("result.xml")));
    EXPECT_EQ(frame->statusBar()->currentMessage(),
              QStringLiteral("Transformation result written to %1.").arg(result));
    QTRY_COMPARE(Tabs().Count(), 2);
}

// While the tab matches its file, an error row gives the line in that file.
TEST_F(ShellFixture, ErrorRowsGiveTheLinesOfTheFile)
{
    OpenPath(MakeFile(QStringLiteral("lines.xml"), "<r>\n\n\n  <x n=\"a\"/>\n</r>\n"));
    fileDialogs.openAnswers = {{MakeFile(
        QStringLiteral("n.xsd"),
        "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"><xs:element name=\"r\">"
        "<xs:complexType><xs:sequence><xs:element name=\"x\"><xs:complexType><xs:attribute "
        "name=\"n\" type=\"xs:int\"/></xs:complexType></xs:element></xs:sequence>"
        "</xs:complexType></xs:element></xs:schema>")}};
    frame->HandleCommand(32894);
    DocumentFrame* tab = Tabs().ActiveFrame();
    WaitForRun(tab);
    ASSERT_EQ(tab->Errors()->Count(), 1);
    EXPECT_EQ(tab->Errors()->List()->topLevelItem(0)->text(1), QStringLiteral("4"));
}

// The document's own document type is offered only when it has one.
TEST_F(ShellFixture, DocumentTypeValidationIsOfferedWhenTheDocumentHasOne)
{
    Open(QStringLiteral("plain.xml"));
    QHash<int, bool> enabled, checked;
    Tabs().ActiveFrame()->RefineCommandStates(enabled, checked);
    EXPECT_FALSE(enabled.value(33000));
    OpenPath(MakeFile(QStringLiteral("typed.xml"),
                      "<!DOCTYPE r [<!ELEMENT r (x)><!ELEMENT x EMPTY>]><r><x/></r>"));
    DocumentFrame* tab = Tabs().ActiveFrame();
    tab->RefineCommandStates(enabled, checked);
    EXPECT_TRUE(enabled.value(33000));
    frame->HandleCommand(33000);
    WaitForRun(tab);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Validation successful."));
}

// A run that never ends can be cancelled: nothing is written and the tab is usable again.
TEST_F(ShellFixture, CancelledTransformationWritesNothing)
{
    Open(QStringLiteral("doc.xml"));
    const QString sheet =
        MakeFile(QStringLiteral("calls.xsl"), RunawayInputs::ExponentialStyleSheet());
    fileDialogs.openAnswers = {{sheet}};
    fileDialogs.saveAnswers = {dir.filePath(QStringLiteral("never.txt"))};
    frame->HandleCommand(32895);
    DocumentFrame* tab = Tabs().ActiveFrame();
    ASSERT_TRUE(tab->IsToolRunning());
    ASSERT_TRUE(tab->RunBar()->isVisibleTo(tab));
    tab->RunBar()->CancelButton()->click();
    WaitForRun(tab);
    EXPECT_FALSE(tab->RunBar()->isVisibleTo(tab));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(fileDialogs.saveCalls.empty());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("never.txt"))));
    EXPECT_FALSE(tab->IsModified());
}

namespace {

// The real file system, noting whether the bytes were written off the window's thread.
class BusyWatchingFileSystem : public SaveFileSystem {
public:
    std::atomic<bool> writtenOnWindowThread = false;

    std::unique_ptr<Target> CreateTarget(const QString& path) override
    {
        return std::make_unique<WatchedTarget>(SaveFileSystem::Real().CreateTarget(path), *this);
    }

private:
    class WatchedTarget : public Target {
    public:
        WatchedTarget(std::unique_ptr<Target> real, BusyWatchingFileSystem& owner)
            : m_real(std::move(real)), m_owner(owner)
        {
        }
        bool Open() override { return m_real->Open(); }
        bool Write(const char* data, qint64 size) override
        {
            if (QThread::currentThread() == QCoreApplication::instance()->thread())
                m_owner.writtenOnWindowThread = true;
            return m_real->Write(data, size);
        }
        bool Flush() override { return m_real->Flush(); }
        bool Commit() override { return m_real->Commit(); }

    private:
        std::unique_ptr<Target> m_real;
        BusyWatchingFileSystem& m_owner;
    };
};

} // namespace

TEST_F(ShellFixture, BusyCursorCoversTheWorkButNeverADialog)
{
    BusyWatchingFileSystem watching;
    SaveFileSystem::Override route(watching);
    Open(QStringLiteral("doc.xml"));
    Modify(0);
    frame->HandleCommand(57603); // File Save
    Settle();
    EXPECT_FALSE(watching.writtenOnWindowThread);
    EXPECT_FALSE(Tabs().FrameAt(0)->IsModified());

    // Every way the long commands end in a box or a dialog: a file that does not load, a
    // save that fails, a failed validation, a transformation asking where to put its result,
    // a search without a match.
    EXPECT_EQ(OpenPath(MakeFile(QStringLiteral("bad.xml"), "<a><b></a>")), -1);
    fileDialogs.saveAnswers = {dir.filePath(QStringLiteral("gone/doc.xml"))};
    frame->HandleCommand(57604); // File Save As
    Settle();
    fileDialogs.openAnswers = {{MakeFile(QStringLiteral("s.xsd"),
                                         "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">"
                                         "<xs:element name=\"other\"/></xs:schema>")}};
    frame->HandleCommand(32894);
    WaitForRun(Tabs().ActiveFrame());
    fileDialogs.openAnswers = {{MakeFile(QStringLiteral("t.xslt"),
                                         "<xsl:stylesheet version=\"1.0\" "
                                         "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\"/>")}};
    frame->HandleCommand(32895);
    WaitForRun(Tabs().ActiveFrame());
    Tabs().FrameAt(0)->FindRequest(QStringLiteral("no such text"), 0);
    EXPECT_EQ(boxes.shown.size(), 4u);
    EXPECT_EQ(boxes.shownBusy, 0);
    EXPECT_GE(fileDialogs.filters.size(), 4u);
    EXPECT_EQ(fileDialogs.shownBusy, 0);
    EXPECT_FALSE(BusyCursor::IsShown());
}

TEST_F(ShellFixture, AFailedSaveSelectsAndNamesTheNodeTheFileCannotHold)
{
    Open(QStringLiteral("doc.xml"));
    // An edit below the level of the editor's checks, as a program might make it.
    XmlDocument* document = Tabs().FrameAt(0)->Document();
    const XmlNode* x = document->Root()->FirstChild()->ChildAt(1);
    ASSERT_TRUE(document->RenameNode(x->Id(), QStringLiteral("p"), QStringLiteral("x")));
    Tabs().FrameAt(0)->View()->ClearSelection();
    frame->HandleCommand(57603); // File Save
    Settle();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.endsWith(
        QStringLiteral("Namespace is not declared.\nThe selected node cannot be written: p:x")))
        << boxes.shown[0].text.toStdString();
    TreeListView* view = Tabs().FrameAt(0)->View();
    EXPECT_EQ(view->SelectedNodeId(), x->Id());
    EXPECT_TRUE(Tabs().FrameAt(0)->IsModified());
}
