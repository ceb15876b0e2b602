#include "config/AppSettings.h"

#include "config/DecimalText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
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
const QString kTreeColumns = QStringLiteral("TreeColumns");
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

// The texts of a list kept as repeated elements under a child of Setting, read without
// creating anything.
QStringList StoredList(const DomElement& setting, const QString& group, const QString& item,
                       const QString& attribute)
{
    QStringList list;
    const DomElement parent = setting ? setting.SelectSingleNode(group) : DomElement();
    if (!parent)
        return list;
    for (const DomElement& element : parent.SelectNodes(item))
        list.append(element.AttributeOr(attribute));
    return list;
}

QStringList StoredRecentFiles(const DomElement& setting)
{
    return StoredList(setting, kRecentFiles, kFile, QStringLiteral("FilePath"));
}

QStringList StoredFindHistory(const DomElement& setting)
{
    return StoredList(setting, kTextComboHistory, kItem, QStringLiteral("Text"));
}

// How many entries at the front of a most-recent-first list were put there since `base`: the
// rest is what remains of `base`, in its order.
qsizetype AddedAtFront(const QStringList& list, const QStringList& base)
{
    qsizetype i = list.size();
    qsizetype j = base.size();
    while (i > 0) {
        const qsizetype found = j > 0 ? base.lastIndexOf(list[i - 1], j - 1) : -1;
        if (found < 0)
            break;
        j = found;
        --i;
    }
    return i;
}

// Both windows started from `base`. What either put in front comes first (this window's
// before the other's, as it writes last); of the older entries only those neither window
// dropped remain.
QStringList MergeLists(const QStringList& base, const QStringList& ours, const QStringList& theirs,
                       qsizetype limit)
{
    if (theirs == base)
        return ours;
    const qsizetype oursAdded = AddedAtFront(ours, base);
    const qsizetype theirsAdded = AddedAtFront(theirs, base);
    QStringList merged = ours.mid(0, oursAdded);
    for (qsizetype i = 0; i < theirsAdded; ++i) {
        if (!merged.contains(theirs[i]))
            merged.append(theirs[i]);
    }
    for (const QString& entry : base) {
        if (!merged.contains(entry) && ours.indexOf(entry, oursAdded) >= 0 &&
            theirs.indexOf(entry, theirsAdded) >= 0)
            merged.append(entry);
    }
    if (limit >= 0 && merged.size() > limit)
        merged.erase(merged.begin() + limit, merged.end());
    return merged;
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
    baseRecentFiles_ = StoredRecentFiles(setting_);
    baseFindHistory_ = StoredFindHistory(setting_);
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
    if (const DomElement columns = mainWindow.SelectSingleNode(kTreeColumns))
        treeNameColumnWidth =
            ReadInt(columns, QStringLiteral("NameWidth"), kDefaultTreeNameColumnWidth);
}

void AppSettings::ReadRecentFiles()
{
    // The file's list replaces what is held, so opening twice does not double the entries.
    if (setting_.SelectSingleNode(kRecentFiles))
        recentFiles = StoredRecentFiles(setting_);
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
        baseRecentFiles_ = StoredRecentFiles(setting_);
        baseFindHistory_ = StoredFindHistory(setting_);
    }
    // Another window may save at the same moment: read, merge and write under one lock. A
    // lock that cannot be had within the wait (a hung editor) does not cost this run its
    // settings.
    QLockFile lock(path_ + QStringLiteral(".lock"));
    lock.tryLock(2000);
    MergeSavedMeanwhile();
    WriteMainWindow();
    WriteRecentFiles();
    WriteGeneral();
    WriteTools();
    if (!document_->Save(path_, DomDocument::Format::Indented))
        return false;
    baseRecentFiles_ = recentFiles;
    baseFindHistory_ = StoredFindHistory(setting_);
    return true;
}

void AppSettings::MergeSavedMeanwhile()
{
    DomDocument disk;
    if (!disk.Load(path_))
        return;
    const DomElement theirSetting = disk.SelectSingleNode(kSetting);
    if (!theirSetting)
        return;

    recentFiles = MergeLists(baseRecentFiles_, recentFiles, StoredRecentFiles(theirSetting),
                             recentFileListLength);

    const QStringList ourHistory = StoredFindHistory(setting_);
    const QStringList theirHistory = StoredFindHistory(theirSetting);
    const QStringList history =
        MergeLists(baseFindHistory_, ourHistory, theirHistory, findHistoryLimit_);
    if (history != ourHistory) {
        DomElement element = FindOrCreate(*document_, setting_, kTextComboHistory, true);
        for (const QString& text : history)
            element.AppendChild(document_->CreateElement(kItem))
                .SetAttribute(QStringLiteral("Text"), text);
    }
    // The other window's find flags, when this one never opened the find dialog.
    const DomElement theirSearch = theirSetting.SelectSingleNode(kSearchDialog);
    const std::optional<QString> theirFlags =
        theirSearch ? theirSearch.Attribute(QStringLiteral("Flags")) : std::nullopt;
    if (theirFlags && !setting_.SelectSingleNode(kSearchDialog))
        FindOrCreate(*document_, setting_, kSearchDialog)
            .SetAttribute(QStringLiteral("Flags"), *theirFlags);
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
    DomElement columns = mainWindow.AppendChild(document_->CreateElement(kTreeColumns));
    columns.SetAttribute(QStringLiteral("NameWidth"), treeNameColumnWidth);
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

bool AppSettings::WriteFindDialog(const FindDialogState& state, int historyLimit)
{
    if (!document_)
        return false;
    findHistoryLimit_ = historyLimit;
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
    const auto userFolder = [](QStandardPaths::StandardLocation location) {
        const QString root = QStandardPaths::writableLocation(location);
        return root.isEmpty() ? QString() : root + QStringLiteral("/TOVIXMLEditor/");
    };
    QStringList roots{QStringLiteral("/usr"), QStringLiteral("/opt")};
#ifdef TOVI_INSTALL_PREFIX
    roots.append(QStringLiteral(TOVI_INSTALL_PREFIX));
#endif
    folder = ChooseSettingsFolder({programFolder, userFolder(QStandardPaths::GenericConfigLocation),
                                   userFolder(QStandardPaths::GenericDataLocation), roots});
#endif
    return folder;
}

void AppSettings::SetSettingsFolder(const QString& folder)
{
    FolderOverride() = folder.isEmpty() ? QString() : WithTrailingSeparator(folder);
}

QString AppSettings::SettingsFilePath()
{
    const QString folder = GetSettingsFolder();
    return folder.isEmpty() ? QString() : folder + FileName();
}

bool AppSettings::IsUnderSystemRoot(const QString& folder, const QStringList& roots)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    const QString path = canonical.isEmpty() ? QDir::cleanPath(folder) : canonical;
    for (const QString& root : roots) {
        const QString rootCanonical = QFileInfo(root).canonicalFilePath();
        const QString rootPath = rootCanonical.isEmpty() ? QDir::cleanPath(root) : rootCanonical;
        // A root of "/" (a prefix set so) would make every copy an installed one.
        if (rootPath.isEmpty() || rootPath == QStringLiteral("/"))
            continue;
        if (path == rootPath || path.startsWith(rootPath + u'/'))
            return true;
    }
    return false;
}

QString AppSettings::ChooseSettingsFolder(const Places& places)
{
    const bool installed = !QFileInfo(places.programFolder).isWritable() ||
                           IsUnderSystemRoot(places.programFolder, places.systemRoots);
    if (!installed)
        return WithTrailingSeparator(places.programFolder);
    // Without a per-user folder there is no settings file at all, rather than one in a system
    // folder.
    if (places.configFolder.isEmpty())
        return QString();
    const QString folder = WithTrailingSeparator(places.configFolder);
    // A folder that cannot be made only means the settings file cannot be created.
    CreateFolderChain(folder);
    const QString target = folder + FileName();
    if (!QFileInfo::exists(target)) {
        // A move, not a copy: where the old file cannot be removed (another user's, in a
        // system folder) it stays where it is and is not taken over.
        for (const QString& old : {places.oldDataFolder, places.programFolder}) {
            if (!old.isEmpty() && QFile::rename(WithTrailingSeparator(old) + FileName(), target))
                break;
        }
    }
    return folder;
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
