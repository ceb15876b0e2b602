// Hostile settings and language files: bounded work, no stack overflow, and a settings file
// that cannot be used is never overwritten.
#include "ReliabilityHelpers.h"

#include "config/AppSettings.h"
#include "config/LanguageResource.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace reliability;

namespace {

QByteArray LanguageFile(const QByteArray& languageContent)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Languages><Language ID=\"x\" Name=\"X\">" +
           languageContent + "</Language></Languages>";
}

QByteArray NestedMenu(int depth)
{
    QByteArray text = "<Menus><Menu ID=\"128\">";
    for (int i = 0; i < depth; ++i)
        text += "<MenuItem Popup=\"1\" Data=\"level\">";
    text += "<MenuItem ID=\"57600\" Data=\"leaf\"/>";
    for (int i = 0; i < depth; ++i)
        text += "</MenuItem>";
    return text + "</Menu></Menus>";
}

int MenuDepth(const std::vector<MenuDescription::Item>& items)
{
    int depth = 0;
    const std::vector<MenuDescription::Item>* level = &items;
    while (!level->empty()) {
        ++depth;
        level = &level->front().children;
    }
    return depth;
}

} // namespace

TEST(HostileConfigTest, DialogWithTenThousandControlsIsBuiltInBoundedTime)
{
    QByteArray dialog = "<Dialogs><Dialog ID=\"100\" Style=\"64\" Caption=\"Big\">"
                        "<Font Name=\"Sans\" Size=\"9\" Weight=\"400\"/>";
    for (int i = 0; i < 10000; ++i)
        dialog += "<Control ID=\"" + QByteArray::number(1000 + i) +
                  "\" SystemClass=\"128\" X=\"1\" Y=\"2\" Width=\"3\" Height=\"4\" "
                  "Caption=\"c\\tx\"/>";
    dialog += "</Dialog></Dialogs>";
    QElapsedTimer timer;
    timer.start();
    LanguageResource resource;
    ASSERT_TRUE(resource.LoadXml(LanguageFile(dialog)));
    ASSERT_TRUE(resource.SelectLanguage("x"));
    const std::optional<DialogDescription> built = resource.BuildDialog(100);
    ASSERT_TRUE(built);
    EXPECT_EQ(built->controls.size(), size_t(10000));
    EXPECT_EQ(built->controls.back().id, 10999);
    EXPECT_EQ(built->controls.back().caption, QStringLiteral("c\tx"));
    EXPECT_LT(timer.elapsed(), 5000);
}

TEST(HostileConfigTest, DeeplyNestedMenusAreBoundedByTheParser)
{
    // Within the parser's nesting limit every level is built.
    LanguageResource resource;
    ASSERT_TRUE(resource.LoadXml(LanguageFile(NestedMenu(240))));
    ASSERT_TRUE(resource.SelectLanguage("x"));
    const std::optional<MenuDescription> menu = resource.BuildMenu(128);
    ASSERT_TRUE(menu);
    EXPECT_EQ(MenuDepth(menu->items), 241);

    // A menu nested 1000 deep never reaches the recursive menu builder: the file is refused
    // as a whole and every text stays built in.
    LanguageResource deep;
    EXPECT_FALSE(deep.LoadXml(LanguageFile(NestedMenu(1000))));
    EXPECT_FALSE(deep.SelectLanguage("x"));
    EXPECT_FALSE(deep.BuildMenu(128));
    EXPECT_TRUE(deep.Languages().isEmpty());
}

TEST(HostileConfigTest, HundredMegabyteSettingsFilesOpenInReasonableTimeAndSurvive)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(AppSettings::FileName());
    const QByteArray chunk(4 << 20, 'k'); // below the parser's 10 MB limit for one text node

    // Well-formed: 25 unknown elements of 4 MB each. It loads, and saving keeps all of it.
    {
        QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Setting>"
                          "<General><RecentFileList MaxCount=\"7\"/></General>";
        text.reserve(110 << 20);
        for (int i = 0; i < 25; ++i)
            text += "<Blob>" + chunk + "</Blob>";
        text += "</Setting>";
        ASSERT_TRUE(WriteFile(path, text));
        QElapsedTimer timer;
        timer.start();
        AppSettings settings;
        ASSERT_TRUE(settings.Open(path));
        EXPECT_EQ(settings.recentFileListLength, 7);
        settings.recentFiles = QStringList{"/tmp/a.xml"};
        EXPECT_TRUE(settings.Save());
        EXPECT_LT(timer.elapsed(), 20000);
        const QByteArray saved = ReadFile(path);
        EXPECT_GT(saved.size(), 100 << 20);
        EXPECT_EQ(saved.count("<Blob>"), 25);
    }
    // Not well-formed at its very end: refused, and not overwritten by a save.
    {
        QByteArray text = "<Setting><General/>";
        text.reserve(110 << 20);
        for (int i = 0; i < 25; ++i)
            text += "<Blob>" + chunk + "</Blob>";
        text += "<Unclosed>";
        ASSERT_TRUE(WriteFile(path, text));
        QElapsedTimer timer;
        timer.start();
        AppSettings settings;
        EXPECT_FALSE(settings.Open(path));
        EXPECT_FALSE(settings.Save());
        EXPECT_LT(timer.elapsed(), 20000);
        EXPECT_TRUE(ReadFile(path) == text);
    }
    // One 100 MB text node: refused and left alone, or loaded and saved back whole.
    {
        const QByteArray blob(100 << 20, 'k');
        const QByteArray text = "<Setting><General/><Blob>" + blob + "</Blob></Setting>";
        ASSERT_TRUE(WriteFile(path, text));
        AppSettings settings;
        if (!settings.Open(path)) {
            EXPECT_FALSE(settings.Save());
            EXPECT_TRUE(ReadFile(path) == text);
        } else {
            EXPECT_TRUE(settings.Save());
            const QByteArray saved = ReadFile(path);
            const qsizetype at = saved.indexOf("<Blob>");
            ASSERT_GE(at, 0);
            EXPECT_TRUE(saved.mid(at + 6, blob.size()) == blob);
            EXPECT_EQ(saved.mid(at + 6 + blob.size(), 7), QByteArray("</Blob>"));
        }
    }
}

TEST(HostileConfigTest, SettingsAndLanguagePathsThatAreNoRegularFileDoNotBlock)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fifo = dir.filePath("fifo.xml");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = dir.filePath("folder.xml");
    ASSERT_TRUE(QDir().mkdir(folder));
    for (const QString& path : {fifo, folder}) {
        SCOPED_TRACE(path.toStdString());
        const ChildOutcome settings = RunInChild(std::chrono::seconds(5), [&] {
            AppSettings s;
            return !s.Open(path) && !s.Save() ? 0 : 1;
        });
        EXPECT_TRUE(settings.finished) << "opening the settings file blocked";
        EXPECT_EQ(settings.exitCode, 0);
        const ChildOutcome language = RunInChild(std::chrono::seconds(5), [&] {
            LanguageResource resource;
            return resource.Load(path) ? 1 : 0;
        });
        EXPECT_TRUE(language.finished) << "loading the language file blocked";
        EXPECT_EQ(language.exitCode, 0);
    }
    EXPECT_TRUE(QFileInfo(folder).isDir());
}
