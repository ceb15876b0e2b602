#include "config/AppSettings.h"

#include "config/DecimalText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shlobj.h>
#pragma comment(lib, "advapi32.lib")
#pragma comment(lib, "shell32.lib")
#endif

namespace {

const QString kSetting = QStringLiteral("Setting");
const QString kMainWindow = QStringLiteral("MainWindow");
const QString kRect = QStringLiteral("Rect");
const QString kTopToolbar = QStringLiteral("TopToolbar");
const QString kBottomToolbar = QStringLiteral("BottomToolbar");
const QString kRecentFiles = QStringLiteral("RecentFiles");
const QString kFile = QStringLiteral("File");
const QString kGeneral = QStringLiteral("General");
const QString kLanguage = QStringLiteral("Language");
const QString kRecentFileList = QStringLiteral("RecentFileList");
const QString kTabsSetting = QStringLiteral("TabsSetting");
const QString kSearchDialog = QStringLiteral("SearchDialog");
const QString kTextComboHistory = QStringLiteral("TextComboHistory");
const QString kItem = QStringLiteral("Item");
const QString kTools = QStringLiteral("Tools");

constexpr char kTemplate[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Setting>\n</Setting>";
constexpr int kMaxFolderChainLength = 248;

int ReadInt(const DomElement& element, const QString& name, int missing)
{
    const std::optional<QString> text = element.Attribute(name);
    return text ? DecimalText::ToInt(*text) : missing;
}

bool ReadFlag(const DomElement& element, const QString& name, bool missing)
{
    const std::optional<QString> text = element.Attribute(name);
    return text ? DecimalText::ToInt(*text) != 0 : missing;
}

void WriteFlag(DomElement element, const QString& name, bool value)
{
    element.SetAttribute(name, DecimalText::FromFlag(value));
}

QString& FolderOverride()
{
    static QString folder;
    return folder;
}

QString WithTrailingSeparator(const QString& folder)
{
    if (folder.endsWith(u'/') || folder.endsWith(u'\\'))
        return folder;
    return folder + u'/';
}

} // namespace

AppSettings::AppSettings() = default;
AppSettings::~AppSettings() = default;

std::unique_ptr<DomDocument> AppSettings::LoadDocument(DomElement& setting) const
{
    auto document = std::make_unique<DomDocument>();
    if (!document->Load(path_))
        return nullptr;
    setting = document->SelectSingleNode(kSetting);
    if (!setting)
        return nullptr;
    return document;
}

bool AppSettings::Open(const QString& path)
{
    document_.reset();
    setting_ = DomElement();
    path_ = path;

    if (!path.isEmpty() && !QFileInfo::exists(path)) {
        QFile file(path);
        // NewOnly: never truncate a file that appeared in the meantime.
        if (file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::NewOnly))
            file.write(kTemplate);
    }

    DomElement setting;
    std::unique_ptr<DomDocument> document = LoadDocument(setting);
    if (!document)
        return false;
    document_ = std::move(document);
    setting_ = setting;

    ReadMainWindow();
    ReadRecentFiles();
    ReadGeneral();
    ReadTools();
    return true;
}

void AppSettings::ReadMainWindow()
{
    const DomElement mainWindow = setting_.SelectSingleNode(kMainWindow);
    if (!mainWindow)
        return;
    maximized = ReadFlag(mainWindow, QStringLiteral("Maximized"), false);
    if (const DomElement rect = mainWindow.SelectSingleNode(kRect)) {
        normalLeft = ReadInt(rect, QStringLiteral("Left"), 0);
        normalTop = ReadInt(rect, QStringLiteral("Top"), 0);
        normalRight = ReadInt(rect, QStringLiteral("Right"), 0);
        normalBottom = ReadInt(rect, QStringLiteral("Bottom"), 0);
    }
    if (const DomElement top = mainWindow.SelectSingleNode(kTopToolbar))
        topToolbarVisible = ReadFlag(top, QStringLiteral("Visible"), false);
    if (const DomElement bottom = mainWindow.SelectSingleNode(kBottomToolbar))
        bottomToolbarVisible = ReadFlag(bottom, QStringLiteral("Visible"), false);
}

void AppSettings::ReadRecentFiles()
{
    const DomElement recent = setting_.SelectSingleNode(kRecentFiles);
    if (!recent)
        return;
    // The file's list replaces what is held, so opening twice does not double the entries.
    recentFiles.clear();
    for (const DomElement& file : recent.SelectNodes(kFile))
        recentFiles.append(file.AttributeOr(QStringLiteral("FilePath")));
}

void AppSettings::ReadGeneral()
{
    const DomElement general = FindOrCreate(*document_, setting_, kGeneral);
    const DomElement languageElement = general.SelectSingleNode(kLanguage);
    language = languageElement.AttributeOr(QStringLiteral("ID"));

    const DomElement listElement = general.SelectSingleNode(kRecentFileList);
    recentFileListLength =
        std::clamp(ReadInt(listElement, QStringLiteral("MaxCount"), kDefaultRecentFileListLength),
                   0, kMaxRecentFileListLength);

    const DomElement tabs = general.SelectSingleNode(kTabsSetting);
    tabsBottom = ReadFlag(tabs, QStringLiteral("Bottom"), false);
    tabsOneOpenDocShow = ReadFlag(tabs, QStringLiteral("OneOpenDocShow"), false);
    tabsDblClickClose = ReadFlag(tabs, QStringLiteral("DblClickClose"), false);
    skinIndex = ReadInt(tabs, QStringLiteral("SkinIndex"), 0);
}

bool AppSettings::Save()
{
    if (!document_) {
        DomElement setting;
        std::unique_ptr<DomDocument> document = LoadDocument(setting);
        if (!document)
            return false;
        document_ = std::move(document);
        setting_ = setting;
    }
    WriteMainWindow();
    WriteRecentFiles();
    WriteGeneral();
    WriteTools();
    return document_->Save(path_, DomDocument::Format::Indented);
}

void AppSettings::WriteMainWindow()
{
    DomElement mainWindow = FindOrCreate(*document_, setting_, kMainWindow, true);
    WriteFlag(mainWindow, QStringLiteral("Maximized"), maximized);
    DomElement rect = mainWindow.AppendChild(document_->CreateElement(kRect));
    rect.SetAttribute(QStringLiteral("Left"), normalLeft);
    rect.SetAttribute(QStringLiteral("Top"), normalTop);
    rect.SetAttribute(QStringLiteral("Right"), normalRight);
    rect.SetAttribute(QStringLiteral("Bottom"), normalBottom);
    DomElement top = mainWindow.AppendChild(document_->CreateElement(kTopToolbar));
    WriteFlag(top, QStringLiteral("Visible"), topToolbarVisible);
    DomElement bottom = mainWindow.AppendChild(document_->CreateElement(kBottomToolbar));
    WriteFlag(bottom, QStringLiteral("Visible"), bottomToolbarVisible);
}

void AppSettings::WriteRecentFiles()
{
    DomElement recent = FindOrCreate(*document_, setting_, kRecentFiles, true);
    for (const QString& path : std::as_const(recentFiles)) {
        DomElement file = recent.AppendChild(document_->CreateElement(kFile));
        file.SetAttribute(QStringLiteral("FilePath"), path);
    }
}

void AppSettings::WriteGeneral()
{
    DomElement general = FindOrCreate(*document_, setting_, kGeneral);
    FindOrCreate(*document_, general, kLanguage).SetAttribute(QStringLiteral("ID"), language);
    FindOrCreate(*document_, general, kRecentFileList)
        .SetAttribute(QStringLiteral("MaxCount"), recentFileListLength);
    DomElement tabs = FindOrCreate(*document_, general, kTabsSetting);
    WriteFlag(tabs, QStringLiteral("Bottom"), tabsBottom);
    WriteFlag(tabs, QStringLiteral("OneOpenDocShow"), tabsOneOpenDocShow);
    WriteFlag(tabs, QStringLiteral("DblClickClose"), tabsDblClickClose);
    // SkinIndex is only ever read: a hand-written value stays as it is.
}

void AppSettings::ReadTools()
{
    const DomElement tools = setting_.SelectSingleNode(kTools);
    toolTimeLimitSeconds =
        std::max(0, ReadInt(tools, QStringLiteral("TimeLimit"), kDefaultToolTimeLimitSeconds));
    toolMemoryLimitMegabytes = std::max(
        0, ReadInt(tools, QStringLiteral("MemoryLimit"), kDefaultToolMemoryLimitMegabytes));
    lastSchemaPath = tools.AttributeOr(QStringLiteral("LastSchema"));
    lastStyleSheetPath = tools.AttributeOr(QStringLiteral("LastStyleSheet"));
    lastResultFolder = tools.AttributeOr(QStringLiteral("LastResultFolder"));
}

void AppSettings::WriteTools()
{
    // A file of someone who never used the tools stays as it was.
    const bool defaults = toolTimeLimitSeconds == kDefaultToolTimeLimitSeconds &&
                          toolMemoryLimitMegabytes == kDefaultToolMemoryLimitMegabytes &&
                          lastSchemaPath.isEmpty() && lastStyleSheetPath.isEmpty() &&
                          lastResultFolder.isEmpty();
    if (defaults && !setting_.SelectSingleNode(kTools))
        return;
    DomElement tools = FindOrCreate(*document_, setting_, kTools);
    tools.SetAttribute(QStringLiteral("TimeLimit"), toolTimeLimitSeconds);
    tools.SetAttribute(QStringLiteral("MemoryLimit"), toolMemoryLimitMegabytes);
    tools.SetAttribute(QStringLiteral("LastSchema"), lastSchemaPath);
    tools.SetAttribute(QStringLiteral("LastStyleSheet"), lastStyleSheetPath);
    tools.SetAttribute(QStringLiteral("LastResultFolder"), lastResultFolder);
}

DomElement AppSettings::FindOrCreate(DomDocument& document, DomElement parent, const QString& name,
                                     bool clearChildren)
{
    if (!parent)
        return DomElement();
    DomElement element = parent;
    for (const QString& step : name.split(u'/')) {
        DomElement next = element.SelectSingleNode(step);
        if (!next) {
            next = element.AppendChild(document.CreateElement(step));
            if (!next)
                return DomElement();
        }
        element = next;
    }
    if (clearChildren)
        element.ClearChildren();
    return element;
}

bool AppSettings::ReadFindDialog(FindDialogState& state, int historyLimit) const
{
    if (!document_)
        return false;
    const DomElement search = FindOrCreate(*document_, setting_, kSearchDialog);
    if (!search)
        return false;
    const DomElement history = FindOrCreate(*document_, setting_, kTextComboHistory);
    state.history.clear();
    for (const DomElement& item : history.SelectNodes(kItem)) {
        if (historyLimit >= 0 && state.history.size() >= historyLimit)
            break;
        const QString text = item.AttributeOr(QStringLiteral("Text"));
        if (!text.isEmpty())
            state.history.append(text);
    }
    // Without stored flags (first use) the caller's default stands.
    state.flags = quint32(ReadInt(search, QStringLiteral("Flags"), qint32(state.flags)));
    return true;
}

bool AppSettings::WriteFindDialog(const FindDialogState& state, int historyLimit) const
{
    if (!document_)
        return false;
    DomElement search = FindOrCreate(*document_, setting_, kSearchDialog);
    DomElement history = FindOrCreate(*document_, setting_, kTextComboHistory, true);
    if (!search || !history)
        return false;
    qsizetype written = 0;
    for (const QString& text : state.history) {
        if (historyLimit >= 0 && written >= historyLimit)
            break;
        history.AppendChild(document_->CreateElement(kItem))
            .SetAttribute(QStringLiteral("Text"), text);
        ++written;
    }
    search.SetAttribute(QStringLiteral("Flags"), qint32(state.flags));
    return true;
}

QString AppSettings::GetSettingsFolder()
{
    QString& folder = FolderOverride();
    if (!folder.isEmpty())
        return folder;
    const QString programFolder = QCoreApplication::applicationDirPath();
#ifdef Q_OS_WIN
    bool installed = false;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TOVIXMLEditor", 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        installed = true;
        RegCloseKey(key);
    }
    folder = WithTrailingSeparator(QDir::toNativeSeparators(programFolder));
    if (installed) {
        wchar_t buffer[MAX_PATH] = {};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, buffer))) {
            folder = QString::fromWCharArray(buffer) + QStringLiteral("\\TOVIXMLEditor\\");
            CreateFolderChain(folder);
        }
    }
#else
    const QString dataRoot = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString userData =
        dataRoot.isEmpty() ? QString() : dataRoot + QStringLiteral("/TOVIXMLEditor/");
    folder = ChooseSettingsFolder(programFolder, userData);
#endif
    return folder;
}

void AppSettings::SetSettingsFolder(const QString& folder)
{
    FolderOverride() = folder.isEmpty() ? QString() : WithTrailingSeparator(folder);
}

QString AppSettings::ChooseSettingsFolder(const QString& programFolder,
                                          const QString& userDataFolder)
{
    const bool installed = !QFileInfo(programFolder).isWritable();
    if (!installed || userDataFolder.isEmpty())
        return WithTrailingSeparator(programFolder);
    // A folder that cannot be made only means the settings file cannot be created.
    CreateFolderChain(userDataFolder);
    return WithTrailingSeparator(userDataFolder);
}

bool AppSettings::CreateFolderChain(const QString& path)
{
    if (path.isEmpty() || path.size() > kMaxFolderChainLength)
        return false;
    const QString normal = QDir::fromNativeSeparators(path);
    if (!QDir::isAbsolutePath(normal))
        return false;
    const QStringList parts = normal.split(u'/', Qt::SkipEmptyParts);
    QString current;
#ifdef Q_OS_WIN
    if (parts.isEmpty())
        return false;
    const QString drive = parts.first();
    if (drive.size() < 2 || drive[1] != u':')
        return false;
    const QChar letter = drive[0].toUpper();
    if (letter < u'A' || letter > u'Z' || !(GetLogicalDrives() & (1u << (letter.unicode() - u'A'))))
        return false;
    const std::wstring root = std::wstring(1, wchar_t(letter.unicode())) + L":\\";
    const UINT type = GetDriveTypeW(root.c_str());
    if (type != DRIVE_REMOVABLE && type != DRIVE_FIXED && type != DRIVE_REMOTE)
        return false;
    current = QString(letter) + QStringLiteral(":/");
    for (qsizetype i = 1; i < parts.size(); ++i) {
#else
    current = QStringLiteral("/");
    for (qsizetype i = 0; i < parts.size(); ++i) {
#endif
        current += parts[i] + u'/';
        if (QFileInfo(current).isDir())
            continue;
        if (!QDir().mkdir(current) && !QFileInfo(current).isDir())
            return false;
    }
    return true;
}
