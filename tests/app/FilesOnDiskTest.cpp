#include "ShellFixture.h"
#include "TestFiles.h"
#include "app/ShellText.h"
#include "app/SingleInstance.h"
#include "editing/CommandId.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <thread>

namespace {

const QByteArray Changed = "<?xml version=\"1.0\"?>\n<other b=\"2\"/>\n";
const QByteArray ChangedAgain = "<?xml version=\"1.0\"?>\n<third><y/><z/></third>\n";

void Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QString RootName(DocumentFrame* frame)
{
    return frame->Document()->Root()->FirstChild()->LocalName();
}

} // namespace

TEST_F(ShellFixture, AFileOpenAlreadyIsActivatedFromEveryWayOfOpening)
{
    const QString a = MakeFile(QStringLiteral("a.xml"));
    const QString b = MakeFile(QStringLiteral("b.xml"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    ASSERT_TRUE(QFile::link(a, dir.filePath(QStringLiteral("link.xml"))));
    fileDialogs.openAnswers = {{a}};
    frame->HandleCommand(CommandId::FileOpen);
    Settle();
    Open(QStringLiteral("c.xml"));
    ASSERT_EQ(Tabs().Count(), 2);

    // A link, an unclean path, a hand-over, the recent list and a drop all name the same file.
    EXPECT_EQ(OpenPath(dir.filePath(QStringLiteral("link.xml"))), 0);
    EXPECT_EQ(Tabs().ActiveIndex(), 0);
    Tabs().Activate(1);
    frame->ReceiveExternalPath(dir.filePath(QStringLiteral("sub/../a.xml")));
    EXPECT_EQ(Tabs().ActiveIndex(), 0);
    Tabs().Activate(1);
    frame->Recent().Add(a);
    frame->HandleCommand(CommandId::RecentFileFirst);
    EXPECT_EQ(Tabs().ActiveIndex(), 0);
    frame->OpenDroppedFiles({a, b, a});
    Settle();
    ASSERT_EQ(Tabs().Count(), 3);
    EXPECT_EQ(Tabs().ActiveIndex(), 0) << "the first dropped ends active";
    EXPECT_TRUE(boxes.shown.empty());

    // Saving a tab under the name of a file open in another tab would make two tabs of it.
    Modify(2);
    fileDialogs.saveAnswers = {a};
    EXPECT_FALSE(SaveTabAs(2));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, ShellText::Format(ShellStringId::OpenInOtherTab, {a}));
    EXPECT_EQ(ReadFile(a), ReadFile(dir.filePath(QStringLiteral("c.xml"))));
    EXPECT_EQ(DisplayName(2), QStringLiteral("b.xml"));
}

TEST_F(ShellFixture, AChangedFileIsOfferedForReloadOncePerChange)
{
    const QString a = MakeFile(QStringLiteral("a.xml"));
    Open(QStringLiteral("before.xml"));
    OpenPath(a);
    Open(QStringLiteral("after.xml"));
    DocumentFrame* original = Tabs().FrameAt(1);

    // A touch alone is no change.
    {
        QFile file(a);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                     QFileDevice::FileModificationTime));
    }
    Tabs().CheckFilesOnDisk();
    Settle();
    EXPECT_TRUE(boxes.shown.empty());

    // The watcher notices a real change by itself; keeping the document asks no more about it.
    Write(a, Changed);
    boxes.answers = {MessageBoxes::Answer::No};
    QElapsedTimer clock;
    clock.start();
    while (boxes.shown.empty() && clock.elapsed() < 5000)
        QTest::qWait(20);
    ASSERT_EQ(boxes.shown.size(), 1u) << "the watcher did not report the change";
    EXPECT_EQ(boxes.shown[0].text, ShellText::Format(ShellStringId::ReloadPrompt, {a}));
    Tabs().CheckFilesOnDisk();
    Settle();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(Tabs().FrameAt(1), original);
    EXPECT_EQ(RootName(original), QStringLiteral("root"));

    // Reloading fills the same tab with a fresh document: no undo history of the old one.
    Modify(1);
    Write(a, ChangedAgain);
    boxes.answers = {MessageBoxes::Answer::Yes};
    Tabs().CheckFilesOnDisk();
    Settle();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, ShellText::Format(ShellStringId::ReloadModifiedPrompt, {a}));
    ASSERT_EQ(Tabs().Count(), 3);
    DocumentFrame* reloaded = Tabs().FrameAt(1);
    EXPECT_NE(reloaded, original);
    EXPECT_EQ(Tabs().ActiveIndex(), 2);
    EXPECT_EQ(RootName(reloaded), QStringLiteral("third"));
    EXPECT_FALSE(reloaded->IsModified());
    EXPECT_FALSE(reloaded->Document()->History().CanUndo());
    EXPECT_EQ(DisplayName(1), QStringLiteral("a.xml"));
    Tabs().CheckFilesOnDisk();
    Settle();
    EXPECT_EQ(boxes.shown.size(), 2u);

    // A file that no longer loads keeps the tab as it was, and is not offered again.
    Write(a, "<broken");
    boxes.answers = {MessageBoxes::Answer::Yes};
    Tabs().CheckFilesOnDisk();
    Settle();
    ASSERT_EQ(boxes.shown.size(), 4u);
    EXPECT_EQ(boxes.shown[3].kind, QStringLiteral("error"));
    EXPECT_EQ(Tabs().FrameAt(1), reloaded);
    EXPECT_EQ(RootName(reloaded), QStringLiteral("third"));
    Tabs().CheckFilesOnDisk();
    Settle();
    EXPECT_EQ(boxes.shown.size(), 4u);
}

TEST_F(ShellFixture, SavingOverAChangedFileAsksFirst)
{
    const QString a = MakeFile(QStringLiteral("a.xml"));
    OpenPath(a);
    Modify(0);
    Write(a, Changed);

    // No keeps the other program's file and the edits; the next save asks again.
    boxes.answers = {MessageBoxes::Answer::No};
    EXPECT_FALSE(SaveTab(0));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, ShellText::Format(ShellStringId::OverwritePrompt, {a}));
    EXPECT_EQ(ReadFile(a), Changed);
    EXPECT_TRUE(Tabs().FrameAt(0)->IsModified());
    boxes.answers = {MessageBoxes::Answer::Yes};
    EXPECT_TRUE(SaveTab(0));
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(ReadFile(a).contains("<changed"));

    // Our own save is no change; a change the user chose to keep editing over is not asked
    // about again when saving.
    Tabs().CheckFilesOnDisk();
    Settle();
    EXPECT_EQ(boxes.shown.size(), 2u);
    Write(a, ChangedAgain);
    boxes.answers = {MessageBoxes::Answer::No};
    Tabs().CheckFilesOnDisk();
    Settle();
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_TRUE(SaveTab(0));
    EXPECT_EQ(boxes.shown.size(), 3u);
    EXPECT_TRUE(ReadFile(a).contains("<changed"));
}

TEST_F(ShellFixture, ADeletedFileMarksItsTabAndSavingCreatesItAgain)
{
    const QString a = MakeFile(QStringLiteral("a.xml"));
    OpenPath(a);
    Open(QStringLiteral("b.xml"));
    const QString caption = Caption(0);
    ASSERT_TRUE(QFile::remove(a));
    Tabs().CheckFilesOnDisk();
    Settle();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(Caption(0), ShellText::Format(ShellStringId::DeletedCaption, {caption}));
    EXPECT_TRUE(
        Tabs().Strip()->tabToolTip(0).contains(ShellText::Get(ShellStringId::DeletedToolTip)));

    // Its path still names the tab.
    EXPECT_EQ(OpenPath(a), 0);
    EXPECT_TRUE(boxes.shown.empty());

    EXPECT_TRUE(SaveTab(0));
    EXPECT_TRUE(QFile::exists(a));
    EXPECT_EQ(Caption(0), caption);
    Tabs().CheckFilesOnDisk();
    Settle();
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ShellFixture, AHandOverUnderAModalDialogAnswersAtOnceAndOpensWhenItCloses)
{
    QTemporaryDir lockDir;
    SingleInstance editor(lockDir.path());
    ASSERT_EQ(editor.Start(QString()), SingleInstance::Role::Editor);
    ASSERT_TRUE(editor.Listen([this](const QString& path) { frame->ReceiveExternalPath(path); }));
    frame->SetHandOversPending([&editor] { return !editor.Pending().empty(); });
    frame->show();
    QDialog dialog(frame.get());
    dialog.setModal(true);
    dialog.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &dialog);

    // The later start blocks on its socket, so it runs beside this thread's event loop.
    const QString path = MakeFile(QStringLiteral("handed.xml"));
    SingleInstance::Role role = SingleInstance::Role::Editor;
    std::atomic<bool> done = false;
    std::thread later([&] {
        role = SingleInstance(lockDir.path()).Start(path, 3000);
        done = true;
    });
    QElapsedTimer clock;
    clock.start();
    while (!done && clock.elapsed() < 5000)
        QTest::qWait(10);
    const bool answeredUnderDialog = done;
    if (!answeredUnderDialog) {
        // Let it finish rather than hang on the join.
        dialog.hide();
        while (!done)
            QTest::qWait(10);
    }
    later.join();
    ASSERT_TRUE(answeredUnderDialog) << "the later start waited for the dialog";
    EXPECT_EQ(role, SingleInstance::Role::HandedOver);
    QTest::qWait(300);
    EXPECT_EQ(Tabs().Count(), 0) << "nothing opens under the modal dialog";

    // Closing the window now would lose the file: it stays open.
    QSignalSpy closed(frame.get(), &MainFrame::Closed);
    frame->close();
    EXPECT_EQ(closed.count(), 0);

    dialog.hide();
    clock.restart();
    while (Tabs().Count() == 0 && clock.elapsed() < 5000)
        QTest::qWait(20);
    ASSERT_EQ(Tabs().Count(), 1);
    EXPECT_EQ(Tabs().FrameAt(0)->Path(), path);
    EXPECT_TRUE(editor.Pending().empty());
}
