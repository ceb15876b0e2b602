#include "config/AppSettings.h"
#include "config/DecimalText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class AppSettingsTest : public ::testing::Test {
protected:
    QString Path() const { return dir.filePath(AppSettings::FileName()); }
    void Write(const QByteArray& xml) { WriteAll(Path(), xml); }
    QStringList RootChildNames()
    {
        DomDocument doc;
        EXPECT_TRUE(doc.Load(Path()));
        QStringList names;
        for (const DomElement& e : doc.DocumentElement().ChildElements())
            names.append(e.Name());
        return names;
    }
    QTemporaryDir dir;
};

} // namespace

TEST(DecimalTextTest, ReadsLikeCDecimalConversion)
{
    EXPECT_EQ(DecimalText::ToInt(u"25"), 25);
    EXPECT_EQ(DecimalText::ToInt(u"  \t-3"), -3);
    EXPECT_EQ(DecimalText::ToInt(u"+7x9"), 7);
    EXPECT_EQ(DecimalText::ToInt(u"abc"), 0);
    EXPECT_EQ(DecimalText::ToInt(u""), 0);
    EXPECT_EQ(DecimalText::ToInt(u"- 5"), 0);
    EXPECT_EQ(DecimalText::ToInt(u"0x10"), 0);
    EXPECT_EQ(DecimalText::ToInt(u"-2147483648"), -2147483647 - 1);
    EXPECT_EQ(DecimalText::ToInt(u"99999999999999999999"), 2147483647);
    EXPECT_EQ(DecimalText::ToInt(u"-99999999999"), -2147483647 - 1);
    // Style bits read the same in unsigned and signed spelling.
    EXPECT_EQ(DecimalText::ToBits(u"2160591040"), 0x80C800C0u);
    EXPECT_EQ(DecimalText::ToBits(u"-2134376256"), 0x80C800C0u);
}

TEST_F(AppSettingsTest, FirstStartCreatesTheFileAndWritesGeneralFirst)
{
    AppSettings settings;
    ASSERT_TRUE(settings.Open(Path()));
    EXPECT_TRUE(settings.maximized);
    EXPECT_TRUE(settings.topToolbarVisible);
    EXPECT_TRUE(settings.bottomToolbarVisible);
    EXPECT_TRUE(settings.recentFiles.isEmpty());
    EXPECT_EQ(settings.recentFileListLength, 5);
    EXPECT_TRUE(settings.language.isEmpty());
    EXPECT_LT(settings.normalLeft, settings.normalRight);
    EXPECT_LT(settings.normalTop, settings.normalBottom);
    const QByteArray created = ReadAll(Path());
    EXPECT_TRUE(created.contains("<Setting>")) << created.constData();

    settings.recentFiles = {u"/tmp/a.xml"_s, u"/tmp/b.xml"_s};
    settings.language = u"de"_s;
    ASSERT_TRUE(settings.Save());
    EXPECT_EQ(RootChildNames(), (QStringList{u"General"_s, u"MainWindow"_s, u"RecentFiles"_s}));

    AppSettings again;
    ASSERT_TRUE(again.Open(Path()));
    EXPECT_EQ(again.recentFiles, settings.recentFiles);
    EXPECT_EQ(again.language, u"de");
    EXPECT_TRUE(again.maximized);
    EXPECT_FALSE(again.tabsBottom);
}

TEST_F(AppSettingsTest, NumbersAreClampedAndReadCStyle)
{
    const auto maxCount = [this](const QByteArray& general) {
        Write("<Setting><General>" + general + "</General></Setting>");
        AppSettings settings;
        EXPECT_TRUE(settings.Open(Path()));
        return settings.recentFileListLength;
    };
    EXPECT_EQ(maxCount("<RecentFileList MaxCount=\"25\"/>"), 10);
    EXPECT_EQ(maxCount("<RecentFileList MaxCount=\"-3\"/>"), 0);
    EXPECT_EQ(maxCount("<RecentFileList MaxCount=\"abc\"/>"), 0);
    EXPECT_EQ(maxCount("<RecentFileList MaxCount=\" 7 files\"/>"), 7);
    EXPECT_EQ(maxCount("<RecentFileList/>"), 5);
    EXPECT_EQ(maxCount(""), 5);

    const auto maximized = [this](const QByteArray& attribute) {
        Write("<Setting><MainWindow " + attribute + "/></Setting>");
        AppSettings settings;
        EXPECT_TRUE(settings.Open(Path()));
        return settings.maximized;
    };
    EXPECT_FALSE(maximized("Maximized=\"true\""));
    EXPECT_TRUE(maximized("Maximized=\"2\""));
    EXPECT_TRUE(maximized("Maximized=\"-1\""));
    EXPECT_FALSE(maximized("")); // element present, attribute missing
}

TEST_F(AppSettingsTest, MissingElementsKeepInitialValuesMissingAttributesReadDefaults)
{
    Write("<Setting><MainWindow Maximized=\"1\"><Rect Left=\"10\" Right=\"500\"/>"
          "<TopToolbar/></MainWindow>"
          "<RecentFiles><File FilePath=\"/a.xml\"/><File/><File FilePath=\"/c.xml\"/>"
          "<Other FilePath=\"/x.xml\"/></RecentFiles>"
          "<General><Language ID=\"fr\"/>"
          "<TabsSetting Bottom=\"1\" DblClickClose=\"x\" SkinIndex=\"3\"/></General></Setting>");
    AppSettings settings;
    ASSERT_TRUE(settings.Open(Path()));
    EXPECT_EQ(settings.normalLeft, 10);
    EXPECT_EQ(settings.normalTop, 0);
    EXPECT_EQ(settings.normalRight, 500);
    EXPECT_EQ(settings.normalBottom, 0);
    EXPECT_FALSE(settings.topToolbarVisible);   // element without attribute
    EXPECT_TRUE(settings.bottomToolbarVisible); // no element: initial value
    // The entry without a path stays in the list.
    EXPECT_EQ(settings.recentFiles, (QStringList{u"/a.xml"_s, u""_s, u"/c.xml"_s}));
    EXPECT_EQ(settings.language, u"fr");
    EXPECT_EQ(settings.recentFileListLength, 5);
    EXPECT_TRUE(settings.tabsBottom);
    EXPECT_FALSE(settings.tabsOneOpenDocShow);
    EXPECT_FALSE(settings.tabsDblClickClose);
    EXPECT_EQ(settings.skinIndex, 3);
    EXPECT_EQ(settings.treeNameColumnWidth, AppSettings::kDefaultTreeNameColumnWidth);

    // Opening again replaces the list instead of appending to it.
    ASSERT_TRUE(settings.Open(Path()));
    EXPECT_EQ(settings.recentFiles.size(), 3);
}

TEST_F(AppSettingsTest, SaveKeepsUnknownContentAndSkinIndex)
{
    Write("<?xml version=\"1.0\"?>\n<Setting Owner=\"me\">\n"
          "  <Plugin Name=\"x\"><Opt V=\"1\"/></Plugin>\n"
          "  <MainWindow Maximized=\"0\" Extra=\"keep\"><Old/></MainWindow>\n"
          "  <General Custom=\"y\"><TabsSetting SkinIndex=\"4\" Bottom=\"1\"/>"
          "<Language ID=\"de\" Note=\"n\"/></General>\n"
          "  <!-- a comment -->\n</Setting>\n");
    AppSettings settings;
    ASSERT_TRUE(settings.Open(Path()));
    settings.skinIndex = 9; // never written
    settings.tabsBottom = false;
    settings.maximized = true;
    settings.treeNameColumnWidth = 310;
    ASSERT_TRUE(settings.Save());
    AppSettings again;
    ASSERT_TRUE(again.Open(Path()));
    EXPECT_EQ(again.treeNameColumnWidth, 310);

    DomDocument doc;
    ASSERT_TRUE(doc.Load(Path()));
    EXPECT_EQ(doc.DocumentElement().AttributeOr(u"Owner"_s), u"me");
    EXPECT_EQ(doc.SelectSingleNode(u"Setting/Plugin/Opt"_s).AttributeOr(u"V"_s), u"1");
    const DomElement tabs = doc.SelectSingleNode(u"Setting/General/TabsSetting"_s);
    EXPECT_EQ(tabs.AttributeOr(u"SkinIndex"_s), u"4");
    EXPECT_EQ(tabs.AttributeOr(u"Bottom"_s), u"0");
    EXPECT_EQ(tabs.AttributeOr(u"DblClickClose"_s), u"0");
    EXPECT_EQ(doc.SelectSingleNode(u"Setting/General"_s).AttributeOr(u"Custom"_s), u"y");
    EXPECT_EQ(doc.SelectSingleNode(u"Setting/General/Language"_s).AttributeOr(u"Note"_s), u"n");
    // The main window group is rewritten: its children are replaced, its attributes kept.
    const DomElement mainWindow = doc.SelectSingleNode(u"Setting/MainWindow"_s);
    EXPECT_EQ(mainWindow.AttributeOr(u"Maximized"_s), u"1");
    EXPECT_EQ(mainWindow.AttributeOr(u"Extra"_s), u"keep");
    EXPECT_TRUE(mainWindow.SelectSingleNode(u"Old"_s).IsNull());
    EXPECT_FALSE(mainWindow.SelectSingleNode(u"Rect"_s).IsNull());
    EXPECT_EQ(mainWindow.SelectSingleNode(u"BottomToolbar"_s).AttributeOr(u"Visible"_s), u"1");
    EXPECT_TRUE(ReadAll(Path()).contains("<!-- a comment -->"));
}

TEST_F(AppSettingsTest, UnusableFilesAreNeitherReadNorOverwritten)
{
    const QList<QByteArray> bad = {
        "<?xml version=\"1.0\"?>\n<Options><General><RecentFileList MaxCount=\"2\"/>"
        "</General></Options>",
        "<Setting><General><RecentFileList MaxCount=\"2\"/></Gen",
        QByteArray("\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR", 16),
        QByteArray(),
    };
    for (const QByteArray& content : bad) {
        Write(content);
        AppSettings settings;
        EXPECT_FALSE(settings.Open(Path()));
        EXPECT_FALSE(settings.IsLoaded());
        EXPECT_EQ(settings.recentFileListLength, 5);
        settings.recentFileListLength = 3;
        EXPECT_FALSE(settings.Save());
        EXPECT_EQ(ReadAll(Path()), content);
        AppSettings::FindDialogState state{{u"x"_s}, 5};
        EXPECT_FALSE(settings.ReadFindDialog(state, 50));
        EXPECT_FALSE(settings.WriteFindDialog(state, 50));
        EXPECT_EQ(state.history, QStringList{u"x"_s});
    }
}

TEST_F(AppSettingsTest, SaveWithoutOpenLoadsTheFileFirst)
{
    AppSettings settings;
    EXPECT_FALSE(settings.Save()); // no path, nothing to load
    Write("<Setting><Mine/></Setting>");
    ASSERT_TRUE(settings.Open(Path()));
    settings.language = u"it"_s;
    ASSERT_TRUE(settings.Save());
    AppSettings reader;
    ASSERT_TRUE(reader.Open(Path()));
    EXPECT_EQ(reader.language, u"it");
    EXPECT_TRUE(RootChildNames().contains(u"Mine"_s));
}

TEST_F(AppSettingsTest, FailedWriteIsReported)
{
    const QString folder = dir.filePath(u"gone"_s);
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString path = folder + u"/"_s + AppSettings::FileName();
    AppSettings settings;
    ASSERT_TRUE(settings.Open(path));
    ASSERT_TRUE(QDir(folder).removeRecursively());
    EXPECT_FALSE(settings.Save());
}

TEST_F(AppSettingsTest, FindDialogHistoryAndNegativeFlagsRoundTrip)
{
    AppSettings settings;
    ASSERT_TRUE(settings.Open(Path()));
    AppSettings::FindDialogState state;
    ASSERT_TRUE(settings.ReadFindDialog(state, 50));
    EXPECT_TRUE(state.history.isEmpty());
    EXPECT_EQ(state.flags, 0u);

    state.history = {u"Abc"_s, u"two words"_s, u"<&>"_s, u"overflow"_s};
    state.flags = 0x80000000u | 0x40000000u | 0x1Fu;
    ASSERT_TRUE(settings.WriteFindDialog(state, 3));
    ASSERT_TRUE(settings.Save());

    DomDocument doc;
    ASSERT_TRUE(doc.Load(Path()));
    // Both are children of Setting; the flag word is stored as a signed number.
    EXPECT_EQ(doc.SelectSingleNode(u"Setting/SearchDialog"_s).AttributeOr(u"Flags"_s),
              QString::number(qint32(0xC000001Fu)));
    EXPECT_EQ(doc.SelectNodes(u"Setting/TextComboHistory/Item"_s).size(), 3);

    AppSettings reader;
    ASSERT_TRUE(reader.Open(Path()));
    AppSettings::FindDialogState read;
    ASSERT_TRUE(reader.ReadFindDialog(read, 50));
    EXPECT_EQ(read.flags, 0xC000001Fu);
    EXPECT_EQ(read.history, (QStringList{u"Abc"_s, u"two words"_s, u"<&>"_s}));

    // Writing again replaces the history rather than adding to it.
    ASSERT_TRUE(reader.WriteFindDialog({{u"only"_s}, 1}, 50));
    ASSERT_TRUE(reader.ReadFindDialog(read, 50));
    EXPECT_EQ(read.history, QStringList{u"only"_s});
    EXPECT_EQ(read.flags, 1u);
}

TEST_F(AppSettingsTest, FindDialogReadSkipsEmptyTextsAndHonoursTheLimit)
{
    Write("<Setting><SearchDialog Flags=\"junk\"/><TextComboHistory><Item Text=\"a\"/>"
          "<Item/><Item Text=\"\"/><Item Text=\"b\"/><Item Text=\"c\"/></TextComboHistory>"
          "</Setting>");
    AppSettings settings;
    ASSERT_TRUE(settings.Open(Path()));
    AppSettings::FindDialogState state;
    state.flags = 12;
    ASSERT_TRUE(settings.ReadFindDialog(state, 2));
    EXPECT_EQ(state.history, (QStringList{u"a"_s, u"b"_s}));
    EXPECT_EQ(state.flags, 0u);
}

TEST_F(AppSettingsTest, FindOrCreateMakesEveryMissingStep)
{
    Write("<Setting><A keep=\"1\"><X/></A></Setting>");
    AppSettings settings;
    ASSERT_TRUE(settings.Open(Path()));
    DomDocument& doc = *settings.Document();
    DomElement c = AppSettings::FindOrCreate(doc, settings.SettingElement(), u"A/B/C"_s);
    ASSERT_FALSE(c.IsNull());
    EXPECT_EQ(doc.SelectSingleNode(u"Setting/A/B/C"_s), c);
    EXPECT_EQ(doc.SelectNodes(u"Setting/A"_s).size(), 1);
    EXPECT_EQ(AppSettings::FindOrCreate(doc, settings.SettingElement(), u"A/B/C"_s), c);

    DomElement a = AppSettings::FindOrCreate(doc, settings.SettingElement(), u"A"_s, true);
    EXPECT_TRUE(a.ChildElements().isEmpty());
    EXPECT_EQ(a.AttributeOr(u"keep"_s), u"1");
    EXPECT_TRUE(AppSettings::FindOrCreate(doc, DomElement(), u"A"_s).IsNull());
}

TEST_F(AppSettingsTest, SavingMergesWhatAnotherWindowSavedMeanwhile)
{
    Write("<Setting><RecentFiles><File FilePath=\"/a\"/><File FilePath=\"/b\"/>"
          "<File FilePath=\"/c\"/></RecentFiles>"
          "<TextComboHistory><Item Text=\"old\"/></TextComboHistory></Setting>");
    AppSettings first;
    AppSettings second;
    ASSERT_TRUE(first.Open(Path()));
    ASSERT_TRUE(second.Open(Path()));

    second.recentFiles = {u"/x"_s, u"/a"_s, u"/b"_s, u"/c"_s};
    second.maximized = false;
    ASSERT_TRUE(second.WriteFindDialog({{u"theirs"_s, u"old"_s}, 7}, 50));
    ASSERT_TRUE(second.Save());

    // The first window reopened /c and dropped /b; it never used the find dialog.
    first.recentFiles = {u"/c"_s, u"/a"_s};
    ASSERT_TRUE(first.Save());
    EXPECT_EQ(first.recentFiles, (QStringList{u"/c"_s, u"/x"_s, u"/a"_s}));

    AppSettings after;
    ASSERT_TRUE(after.Open(Path()));
    EXPECT_EQ(after.recentFiles, (QStringList{u"/c"_s, u"/x"_s, u"/a"_s}));
    EXPECT_TRUE(after.maximized); // the last window's placement wins
    AppSettings::FindDialogState find;
    ASSERT_TRUE(after.ReadFindDialog(find, 50));
    EXPECT_EQ(find.history, (QStringList{u"theirs"_s, u"old"_s}));
    EXPECT_EQ(find.flags, 7u);

    // Both searched meanwhile: both new texts stay, this window's first, within the limit.
    ASSERT_TRUE(first.WriteFindDialog({{u"mine"_s, u"theirs"_s, u"old"_s}, 1}, 3));
    ASSERT_TRUE(second.WriteFindDialog({{u"again"_s, u"theirs"_s, u"old"_s}, 7}, 50));
    ASSERT_TRUE(second.Save());
    ASSERT_TRUE(first.Save());
    AppSettings last;
    ASSERT_TRUE(last.Open(Path()));
    ASSERT_TRUE(last.ReadFindDialog(find, 50));
    EXPECT_EQ(find.history, (QStringList{u"mine"_s, u"again"_s, u"theirs"_s}));
    EXPECT_EQ(find.flags, 1u);
}

TEST_F(AppSettingsTest, RecentMergeKeepsTheLengthAndAnUnchangedFileAsItIs)
{
    // Duplicate entries a hand-edited file may hold stay while no other window wrote.
    Write("<Setting><RecentFiles><File FilePath=\"/a\"/><File FilePath=\"/a\"/>"
          "</RecentFiles><General><RecentFileList MaxCount=\"3\"/></General></Setting>");
    AppSettings settings;
    ASSERT_TRUE(settings.Open(Path()));
    ASSERT_TRUE(settings.Save());
    EXPECT_EQ(settings.recentFiles, (QStringList{u"/a"_s, u"/a"_s}));

    AppSettings other;
    ASSERT_TRUE(other.Open(Path()));
    other.recentFiles = {u"/p"_s, u"/q"_s, u"/a"_s};
    ASSERT_TRUE(other.Save());
    settings.recentFiles = {u"/r"_s, u"/a"_s, u"/a"_s};
    ASSERT_TRUE(settings.Save());
    EXPECT_EQ(settings.recentFiles, (QStringList{u"/r"_s, u"/p"_s, u"/q"_s}));
}

TEST(SettingsFolderTest, PortableCopiesKeepTheFileInstalledOnesUseTheConfigFolder)
{
    QTemporaryDir dir;
    const QString program = dir.filePath(u"build/bin"_s);
    ASSERT_TRUE(QDir().mkpath(program));
    const QString config = dir.filePath(u"home/.config/TOVIXMLEditor"_s);
    const QString oldData = dir.filePath(u"home/.local/share/TOVIXMLEditor"_s);
    AppSettings::Places places{program, config, oldData, {u"/usr"_s, u"/opt"_s}};

    EXPECT_EQ(AppSettings::ChooseSettingsFolder(places), program + u"/"_s);
    EXPECT_FALSE(QFileInfo::exists(config));

    // Under the install prefix the copy is installed even though its folder is writable (as
    // for root), and the file the old rule put into the data folder moves over once.
    places.systemRoots.append(dir.filePath(u"build"_s));
    ASSERT_TRUE(QDir().mkpath(oldData));
    WriteAll(oldData + u"/"_s + AppSettings::FileName(), "<Setting><Old/></Setting>");
    EXPECT_EQ(AppSettings::ChooseSettingsFolder(places), config + u"/"_s);
    EXPECT_EQ(ReadAll(config + u"/"_s + AppSettings::FileName()), "<Setting><Old/></Setting>");
    EXPECT_FALSE(QFileInfo::exists(oldData + u"/"_s + AppSettings::FileName()));

    // An existing file in the config folder is never replaced by an old one.
    WriteAll(program + u"/"_s + AppSettings::FileName(), "<Setting><NextToProgram/></Setting>");
    EXPECT_EQ(AppSettings::ChooseSettingsFolder(places), config + u"/"_s);
    EXPECT_EQ(ReadAll(config + u"/"_s + AppSettings::FileName()), "<Setting><Old/></Setting>");

    // No per-user folder: no settings file, rather than one next to an installed program.
    places.configFolder.clear();
    EXPECT_TRUE(AppSettings::ChooseSettingsFolder(places).isEmpty());

    // Outside the roots, a folder closed to the user is an installed one too (root ignores
    // permissions: then a file system that refuses writes to everyone stands in).
    places = {dir.filePath(u"closed"_s), config, oldData, {}};
    ASSERT_TRUE(QDir().mkdir(places.programFolder));
    ASSERT_TRUE(QFile::setPermissions(places.programFolder, QFile::ReadOwner | QFile::ExeOwner));
    if (QFileInfo(places.programFolder).isWritable())
        places.programFolder = u"/proc/sys"_s;
    if (!QFileInfo(places.programFolder).isWritable()) {
        EXPECT_EQ(AppSettings::ChooseSettingsFolder(places), config + u"/"_s);
    }
    QFile::setPermissions(dir.filePath(u"closed"_s),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(SettingsFolderTest, SystemRootsMatchWholeFolderNames)
{
    const QStringList roots{u"/usr"_s, u"/opt"_s, u"/"_s};
    EXPECT_TRUE(AppSettings::IsUnderSystemRoot(u"/usr/bin"_s, roots));
    EXPECT_TRUE(AppSettings::IsUnderSystemRoot(u"/opt"_s, roots));
    EXPECT_TRUE(AppSettings::IsUnderSystemRoot(u"/opt/tovi/../tovi/bin/"_s, roots));
    EXPECT_FALSE(AppSettings::IsUnderSystemRoot(u"/usrlocal/bin"_s, roots));
    EXPECT_FALSE(AppSettings::IsUnderSystemRoot(u"/home/me/tovi/build/bin"_s, roots));
}

TEST(SettingsFolderTest, FolderCanBeSetAndNamesTheFile)
{
    QTemporaryDir dir;
    AppSettings::SetSettingsFolder(dir.path());
    EXPECT_EQ(AppSettings::GetSettingsFolder(), dir.path() + u"/"_s);
    EXPECT_EQ(AppSettings::SettingsFilePath(), dir.path() + u"/TOVIXMLEditorSetting.xml"_s);
    AppSettings::SetSettingsFolder(QString());
}

TEST(CreateFolderChainTest, CreatesEveryLevelAndRejectsBadPaths)
{
    QTemporaryDir dir;
    const QString deep = dir.filePath(u"a/b/c/"_s);
    EXPECT_TRUE(AppSettings::CreateFolderChain(deep));
    EXPECT_TRUE(QFileInfo(deep).isDir());
    EXPECT_TRUE(AppSettings::CreateFolderChain(deep)); // already there

    EXPECT_FALSE(AppSettings::CreateFolderChain(QString()));
    EXPECT_FALSE(AppSettings::CreateFolderChain(u"relative/path"_s));
    EXPECT_FALSE(AppSettings::CreateFolderChain(dir.path() + u"/"_s + QString(250, u'x')));

    const QString file = dir.filePath(u"plain"_s);
    WriteAll(file, "x");
    EXPECT_FALSE(AppSettings::CreateFolderChain(file + u"/sub"_s));
}

TEST(AppSettingsToolsTest, LimitsAndLastFilesRoundTripUnderTools)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(AppSettings::FileName());
    {
        AppSettings settings;
        ASSERT_TRUE(settings.Open(path));
        EXPECT_EQ(settings.toolTimeLimitSeconds, 60);
        settings.toolTimeLimitSeconds = 5;
        settings.lastSchemaPath = QStringLiteral("/s/a.xsd");
        ASSERT_TRUE(settings.Save());
    }
    AppSettings settings;
    ASSERT_TRUE(settings.Open(path));
    EXPECT_EQ(settings.toolTimeLimitSeconds, 5);
    EXPECT_EQ(settings.toolMemoryLimitMegabytes, 4096);
    EXPECT_EQ(settings.lastSchemaPath, QStringLiteral("/s/a.xsd"));
}
