#include "ToolsTestData.h"
#include "tools/ResultFileName.h"
#include "tools/ResultFileWriter.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ToolsTestData;

TEST(ResultFileNameTest, ProposesFileNameWithoutFolderAndExtension)
{
    EXPECT_EQ(ResultFileName::Propose(QStringLiteral("/home/user/orders/march.xml")),
              QStringLiteral("march"));
    EXPECT_EQ(ResultFileName::Propose(QStringLiteral("/data/archive.tar.xml")),
              QStringLiteral("archive.tar"));
    EXPECT_EQ(ResultFileName::Propose(QStringLiteral("/d/Grüße.xml")), QStringLiteral("Grüße"));
}

TEST(ResultFileNameTest, NoProposalWithoutFolderOrExtension)
{
    EXPECT_TRUE(ResultFileName::Propose(QString()).isEmpty()); // untitled document
    EXPECT_TRUE(ResultFileName::Propose(QStringLiteral("/home/user/README")).isEmpty());
    EXPECT_TRUE(ResultFileName::Propose(QStringLiteral("/home/my.folder/README")).isEmpty());
    EXPECT_TRUE(ResultFileName::Propose(QStringLiteral("plain.xml")).isEmpty());
    EXPECT_TRUE(ResultFileName::Propose(QStringLiteral("/home/user/.xml")).isEmpty());
#ifdef Q_OS_WIN
    EXPECT_EQ(ResultFileName::Propose(QStringLiteral("C:\\docs\\report.xml")),
              QStringLiteral("report"));
    EXPECT_EQ(ResultFileName::Propose(QStringLiteral("C:\\docs/sub\\report.v2.xml")),
              QStringLiteral("report.v2"));
#else
    // A backslash is an ordinary file-name character here.
    EXPECT_EQ(ResultFileName::Propose(QStringLiteral("/x/a\\b.xml")), QStringLiteral("a\\b"));
#endif
}

TEST(ResultFileWriterTest, WritesUtf8WithoutByteOrderMarkAndReplacesOldContent)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    ASSERT_TRUE(WriteFile(path, QByteArray("old content that is longer than the new one")));
    const QString text = QStringLiteral("Grüße €\r\nline 𝄞");
    ASSERT_TRUE(ResultFileWriter::Write(path, text.toUtf8()));
    const QByteArray bytes = ReadFile(path);
    EXPECT_EQ(bytes, text.toUtf8()); // CR LF kept as is, no BOM
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));

    ASSERT_TRUE(ResultFileWriter::Write(path, QByteArray()));
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(QFileInfo(path).size(), 0);
}

TEST(ResultFileWriterTest, FailureLeavesNoFileBehind)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missingFolder = dir.filePath(QStringLiteral("missing/out.txt"));
    EXPECT_FALSE(ResultFileWriter::Write(missingFolder, QByteArray("x")));
    EXPECT_FALSE(QFileInfo::exists(missingFolder));
    // A folder of that name cannot be replaced by the result.
    const QString folder = dir.filePath(QStringLiteral("taken"));
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_FALSE(ResultFileWriter::Write(folder, QByteArray("x")));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
    EXPECT_FALSE(ResultFileWriter::Write(QString(), QByteArray("x")));
}
