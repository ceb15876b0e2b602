#include "document/SaveFileSystem.h"
#include "document/XmlDocument.h"

#include "NodeRecords.h"
#include "OrdinaryUser.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

const QByteArray kOldContent = "<?xml version=\"1.0\"?>\n<old>precious</old>\n";

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll();
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QStringList Entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                               QDir::NoDotAndDotDot);
}

class SaveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("doc.xml");
        doc.CreateNew();
        XmlNode* root = doc.Root()->ChildAt(0);
        doc.AppendChild(root, Record(XmlNodeKind::Text, "#Text", "new"));
    }
    QByteArray Expected() const
    {
        QByteArray bytes;
        EXPECT_EQ(doc.SerializeDocument(bytes), XE_OK);
        return bytes;
    }

    QTemporaryDir dir;
    QString path;
    XmlDocument doc;
};

// Passes every call to the real file system except the one chosen to fail.
class FailingFileSystem : public SaveFileSystem {
public:
    enum class Step { Open, FirstWrite, LaterWrite, Flush, Commit };
    explicit FailingFileSystem(Step step) : m_step(step) {}

    std::unique_ptr<Target> CreateTarget(const QString& path) override
    {
        return std::make_unique<FailingTarget>(SaveFileSystem::Real().CreateTarget(path), m_step);
    }

private:
    class FailingTarget : public Target {
    public:
        FailingTarget(std::unique_ptr<Target> real, Step step)
            : m_real(std::move(real)), m_step(step)
        {
        }
        bool Open() override { return m_step != Step::Open && m_real->Open(); }
        bool Write(const char* data, qint64 size) override
        {
            const int call = ++m_writes;
            if ((m_step == Step::FirstWrite && call == 1) ||
                (m_step == Step::LaterWrite && call == 2))
                return false;
            return m_real->Write(data, size);
        }
        bool Flush() override { return m_step != Step::Flush && m_real->Flush(); }
        bool Commit() override { return m_step != Step::Commit && m_real->Commit(); }

    private:
        std::unique_ptr<Target> m_real;
        Step m_step;
        int m_writes = 0;
    };

    Step m_step;
};

} // namespace

TEST_F(SaveTest, WritesTheSerialisedDocumentAndMarksItSaved)
{
    ASSERT_TRUE(doc.IsModified());
    ASSERT_EQ(doc.Save(path), XE_OK);
    EXPECT_EQ(ReadFile(path), Expected());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(Entries(dir.path()), QStringList{"doc.xml"});

    // Replacing an existing file.
    doc.SetNodeValue(doc.Root()->ChildAt(0)->ChildAt(0)->Id(), "changed");
    ASSERT_TRUE(doc.IsModified());
    ASSERT_EQ(doc.Save(path), XE_OK);
    EXPECT_TRUE(ReadFile(path).contains("changed"));
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(SaveTest, RefusedDocumentLeavesTheFileAndTheModifiedState)
{
    WriteFile(path, kOldContent);
    doc.AppendChild(doc.Root()->ChildAt(0), Record(XmlNodeKind::Element, "x", {}, "nope"));
    EXPECT_EQ(doc.Save(path), XmlError::NamespaceNotDeclared);
    EXPECT_EQ(ReadFile(path), kOldContent);
    EXPECT_TRUE(doc.IsModified());

    XmlDocument empty;
    EXPECT_EQ(empty.Save(path), XE_INTERNAL);
    EXPECT_EQ(ReadFile(path), kOldContent);
    EXPECT_EQ(Entries(dir.path()), QStringList{"doc.xml"});
}

TEST_F(SaveTest, EveryFailingStepLeavesTheOldFileByteForByte)
{
    // Larger than one write chunk, so a failure can strike in the middle.
    doc.AppendChild(doc.Root()->ChildAt(0),
                    Record(XmlNodeKind::Text, "#Text", QString(3 << 20, u'x')));
    using Step = FailingFileSystem::Step;
    for (Step step : {Step::Open, Step::FirstWrite, Step::LaterWrite, Step::Flush, Step::Commit}) {
        WriteFile(path, kOldContent);
        FailingFileSystem failing(step);
        SaveFileSystem::Override route(failing);
        EXPECT_EQ(doc.Save(path), XE_CANNOT_OPEN_FILE) << int(step);
        EXPECT_EQ(ReadFile(path), kOldContent) << int(step);
        EXPECT_TRUE(doc.IsModified()) << int(step);
        EXPECT_EQ(Entries(dir.path()), QStringList{"doc.xml"}) << "temporary file left behind";
    }
    // The override ends with its scope: the real file system saves again.
    EXPECT_EQ(doc.Save(path), XE_OK);
    EXPECT_EQ(ReadFile(path), Expected());
}

TEST_F(SaveTest, UnwritableTargetsAreReportedAndTouchNothing)
{
    EXPECT_EQ(doc.Save(QString()), XE_CANNOT_OPEN_FILE);
    EXPECT_EQ(doc.Save(dir.filePath("missing/doc.xml")), XE_CANNOT_OPEN_FILE);
    EXPECT_EQ(doc.Save(dir.path()), XE_CANNOT_OPEN_FILE); // a folder
    EXPECT_TRUE(doc.IsModified());

    // A read-only file is not replaced even though its folder is writable (for everyone, as
    // the check may run as another, ordinary user); a read-only folder takes no temporary
    // file, so nothing is written at all.
    const QFileDevice::Permissions all = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                         QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                         QFileDevice::WriteOther | QFileDevice::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(dir.path(), all));
    WriteFile(path, kOldContent);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadOther);
    const QString folder = dir.filePath("locked");
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString inside = folder + "/doc.xml";
    WriteFile(inside, kOldContent);
    QFile::setPermissions(inside, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                      QFileDevice::ReadOther | QFileDevice::WriteOther);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                      QFileDevice::ReadOther | QFileDevice::ExeOther);
    EXPECT_TRUE(AsOrdinaryUser([&] {
        return doc.Save(path) == XE_CANNOT_OPEN_FILE && doc.Save(inside) == XE_CANNOT_OPEN_FILE &&
               doc.IsModified();
    }));
    EXPECT_EQ(ReadFile(path), kOldContent);
    EXPECT_EQ(ReadFile(inside), kOldContent);
    EXPECT_EQ(Entries(folder), QStringList{"doc.xml"});
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(SaveTest, KeepsTheFilePermissions)
{
    WriteFile(path, kOldContent);
    const QFileDevice::Permissions mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ReadGroup | QFileDevice::ReadOther;
    ASSERT_TRUE(QFile::setPermissions(path, mode));
    ASSERT_EQ(doc.Save(path), XE_OK);
    EXPECT_EQ(ReadFile(path), Expected());
    // Owner, group and other bits; the "user" bits only mirror whoever runs the test.
    const QFileDevice::Permissions bits = QFileDevice::Permissions(0x7077);
    EXPECT_EQ(QFile::permissions(path) & bits, mode & bits);
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    ASSERT_EQ(doc.Save(path), XE_OK);
    EXPECT_FALSE(QFile::permissions(path) & QFileDevice::ReadOther);
}

TEST_F(SaveTest, SymbolicLinkKeepsPointingAtTheReplacedTarget)
{
    const QString target = dir.filePath("real.xml");
    const QString link = dir.filePath("link.xml");
    WriteFile(target, kOldContent);
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_EQ(doc.Save(link), XE_OK);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), QFileInfo(target).absoluteFilePath());
    EXPECT_EQ(ReadFile(target), Expected());
}
