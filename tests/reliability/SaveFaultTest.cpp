// A failing disk never costs the user the file they had: every failing step of a save leaves
// the old file byte for byte, keeps the document modified, reports string 216, and the same
// save succeeds once the fault is gone.
#include "ReliabilityHelpers.h"

#include "document/DocumentMessages.h"
#include "document/SaveFileSystem.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>

using namespace reliability;

namespace {

const QByteArray kOldFile = "<?xml version=\"1.0\"?>\n<old>the user's earlier file</old>\n";

// The real file system with one step failing while `armed`; counts what really happened.
class FaultyFileSystem final : public SaveFileSystem {
public:
    enum class Fault { None, Open, FirstWrite, MiddleWrite, Flush, Commit };
    Fault fault = Fault::None;
    int writesSeen = 0;

    std::unique_ptr<Target> CreateTarget(const QString& path) override
    {
        return std::make_unique<FaultyTarget>(*this, Real().CreateTarget(path));
    }

private:
    class FaultyTarget final : public Target {
    public:
        FaultyTarget(FaultyFileSystem& owner, std::unique_ptr<Target> real)
            : m_owner(owner), m_real(std::move(real))
        {
        }
        bool Open() override { return m_owner.fault != Fault::Open && m_real->Open(); }
        bool Write(const char* data, qint64 size) override
        {
            const int call = ++m_owner.writesSeen;
            if (m_owner.fault == Fault::FirstWrite && call == 1)
                return false;
            if (m_owner.fault == Fault::MiddleWrite && call == 2) {
                // Half of this chunk reaches the temporary file before the disk gives up.
                m_real->Write(data, size / 2);
                return false;
            }
            return m_real->Write(data, size);
        }
        bool Flush() override { return m_owner.fault != Fault::Flush && m_real->Flush(); }
        bool Commit() override { return m_owner.fault != Fault::Commit && m_real->Commit(); }

    private:
        FaultyFileSystem& m_owner;
        std::unique_ptr<Target> m_real;
    };
};

// Sets or clears the immutable attribute, which stops even root from replacing a file or
// adding to a folder. False when the file system does not support it.
bool SetImmutable(const QString& path, bool on)
{
    const int fd = open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    close(fd);
    return ok;
}

class SaveFaultTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("doc.xml");
        // More than two write chunks of text, so a fault can strike in the middle.
        QByteArray text = "<doc>";
        for (int i = 0; i < 40000; ++i)
            text += "<item n=\"" + QByteArray::number(i) + "\">value number " +
                    QByteArray::number(i) + " with some padding text</item>";
        text += "</doc>";
        ASSERT_TRUE(WriteFile(path, text));
        ASSERT_EQ(document.Load(path), XE_OK);
        ASSERT_TRUE(document.SetNodeValue(document.Root()->ChildAt(0)->ChildAt(0)->ChildAt(1)->Id(),
                                          QStringLiteral("edited")));
        ASSERT_TRUE(document.IsModified());
        ASSERT_EQ(document.SerializeDocument(expected), XE_OK);
        ASSERT_GT(expected.size(), 2 << 20);
        ASSERT_TRUE(WriteFile(path, kOldFile));
    }
    // The failed save's report, as the view shows it.
    void ExpectFailureReported(XmlStatus status, const QString& target)
    {
        EXPECT_TRUE(IsFailure(status)) << std::hex << status;
        EXPECT_TRUE(document.IsModified());
        const QString report = SaveErrorText(target, status);
        EXPECT_TRUE(report.startsWith(QStringLiteral("Can not save file: ") + target + u'.'))
            << report.toStdString();
        EXPECT_FALSE(report.contains(QStringLiteral("Internal error"))) << report.toStdString();
    }
    void ExpectSavedNow(const QString& target)
    {
        EXPECT_EQ(document.Save(target), XE_OK);
        EXPECT_FALSE(document.IsModified());
        EXPECT_TRUE(ReadFile(target) == expected);
    }

    QTemporaryDir dir;
    QString path;
    XmlDocument document;
    QByteArray expected;
};

} // namespace

TEST_F(SaveFaultTest, EveryFailingStepKeepsTheOldFileAndARetrySucceeds)
{
    using Fault = FaultyFileSystem::Fault;
    FaultyFileSystem faulty;
    SaveFileSystem::Override route(faulty);
    for (Fault fault :
         {Fault::Open, Fault::FirstWrite, Fault::MiddleWrite, Fault::Flush, Fault::Commit}) {
        SCOPED_TRACE(int(fault));
        faulty.fault = fault;
        faulty.writesSeen = 0;
        ExpectFailureReported(document.Save(path), path);
        EXPECT_TRUE(ReadFile(path) == kOldFile);
        EXPECT_EQ(Entries(dir.path()), QStringList{"doc.xml"}) << "temporary file left behind";
        if (fault == Fault::MiddleWrite) {
            EXPECT_EQ(faulty.writesSeen, 2);
        }
    }
    // The disk is fine again: the very same save goes through.
    faulty.fault = Fault::None;
    ExpectSavedNow(path);
    EXPECT_EQ(Entries(dir.path()), QStringList{"doc.xml"});
}

TEST_F(SaveFaultTest, TargetsThatCannotBeWrittenKeepWhatIsThere)
{
    // A "folder" that is a file: nothing can be created below it, even by root.
    const QString underFile = path + "/doc.xml";
    ExpectFailureReported(document.Save(underFile), underFile);
    EXPECT_TRUE(ReadFile(path) == kOldFile);

    // A folder that vanished after the document was opened from it.
    const QString folder = dir.filePath("project");
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString inFolder = folder + "/doc.xml";
    ASSERT_TRUE(WriteFile(inFolder, kOldFile));
    ASSERT_TRUE(QDir(folder).removeRecursively());
    ExpectFailureReported(document.Save(inFolder), inFolder);
    EXPECT_FALSE(QFileInfo::exists(folder));
    ASSERT_TRUE(QDir().mkdir(folder));
    ExpectSavedNow(inFolder);
    ASSERT_TRUE(document.SetNodeValue(document.Root()->ChildAt(0)->ChildAt(0)->ChildAt(1)->Id(),
                                      QStringLiteral("edited again")));
    ASSERT_EQ(document.SerializeDocument(expected), XE_OK);

    // A folder put where the file was: it stays a folder.
    const QString nowFolder = dir.filePath("was-a-file.xml");
    ASSERT_TRUE(QDir().mkdir(nowFolder));
    ASSERT_TRUE(WriteFile(nowFolder + "/inside.txt", "kept"));
    ExpectFailureReported(document.Save(nowFolder), nowFolder);
    EXPECT_EQ(ReadFile(nowFolder + "/inside.txt"), QByteArray("kept"));
}

TEST_F(SaveFaultTest, ReadOnlyFileAndFolderAreNotReplaced)
{
    const QString folder = dir.filePath("locked");
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString inside = folder + "/doc.xml";
    ASSERT_TRUE(WriteFile(inside, kOldFile));
    if (RunningAsRoot()) {
        // Permission bits do not stop root; the immutable attribute does, where supported.
        if (!SetImmutable(path, true))
            GTEST_SKIP() << "running as root and the file system has no immutable attribute";
        ExpectFailureReported(document.Save(path), path);
        SetImmutable(path, false);
        EXPECT_TRUE(ReadFile(path) == kOldFile);
        ASSERT_TRUE(SetImmutable(folder, true));
        ExpectFailureReported(document.Save(inside), inside);
        SetImmutable(folder, false);
        EXPECT_TRUE(ReadFile(inside) == kOldFile);
        EXPECT_EQ(Entries(folder), QStringList{"doc.xml"});
        return;
    }
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner));
    ExpectFailureReported(document.Save(path), path);
    EXPECT_TRUE(ReadFile(path) == kOldFile);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    ExpectFailureReported(document.Save(inside), inside);
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(ReadFile(inside) == kOldFile);
    EXPECT_EQ(Entries(folder), QStringList{"doc.xml"});
}

TEST_F(SaveFaultTest, FileReplacedByAnotherProcessMeanwhileIsReplacedWholeByTheSave)
{
    // Another program writes a new version and renames it over the file, as editors do.
    const int replaced = QProcess::execute(
        "/bin/sh",
        {"-c", "printf '<other>version</other>' > \"$0.new\" && mv \"$0.new\" \"$0\"", path});
    ASSERT_EQ(replaced, 0);
    ASSERT_EQ(ReadFile(path), QByteArray("<other>version</other>"));
    // Saving writes this document's text, whole; nothing of either version is mixed in.
    ExpectSavedNow(path);
    EXPECT_EQ(Entries(dir.path()), QStringList{"doc.xml"});

    // The other program keeps the file open and writes to it while we save: the save still
    // lands whole, and the other program's later writes go to the file it had opened.
    QProcess writer;
    writer.start("/bin/sh", {"-c", "exec 3>>\"$0\"; read line; printf 'late' >&3", path});
    ASSERT_TRUE(writer.waitForStarted());
    ASSERT_TRUE(document.SetNodeValue(document.Root()->ChildAt(0)->ChildAt(0)->ChildAt(1)->Id(),
                                      QStringLiteral("third")));
    ASSERT_EQ(document.SerializeDocument(expected), XE_OK);
    ExpectSavedNow(path);
    writer.write("go\n");
    writer.closeWriteChannel();
    ASSERT_TRUE(writer.waitForFinished());
    EXPECT_TRUE(ReadFile(path) == expected);
}
