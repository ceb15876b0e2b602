#pragma once

#include "config/DomDocument.h"

#include <QString>
#include <QStringList>

#include <memory>

// What the program remembers between runs, kept in TOVIXMLEditorSetting.xml. The file stays
// loaded as a DOM for the whole run and is written back as a whole, so whatever it holds that
// the program does not know survives.
class AppSettings {
public:
    // The find dialog's part of the file.
    struct FindDialogState {
        QStringList history; // most recent first
        quint32 flags = 0;   // on reading, the default for a file that stores none
    };

    AppSettings();
    ~AppSettings();
    AppSettings(const AppSettings&) = delete;
    AppSettings& operator=(const AppSettings&) = delete;

    static QString FileName() { return QStringLiteral("TOVIXMLEditorSetting.xml"); }

    // Loads the file at the path, creating it from the template when it does not exist, and
    // reads the main window, recent files and general groups. False (fields untouched, nothing
    // loaded) when the file cannot be loaded or its root is not Setting.
    bool Open(const QString& path);
    // Writes the three groups into the DOM and the DOM to the path. A file that cannot be
    // loaded is never overwritten: false then, and also when writing the file fails. What
    // another window saved since this one read the file (recent files, find history) is merged
    // in, not overwritten.
    bool Save();

    bool IsLoaded() const { return document_ != nullptr; }
    QString Path() const { return path_; }
    // The loaded DOM and its Setting element (null while nothing is loaded).
    DomDocument* Document() const { return document_.get(); }
    DomElement SettingElement() const { return setting_; }

    // The find dialog's history (at most historyLimit entries when it is >= 0, empty texts
    // skipped) and flag word. False when nothing is loaded; the state is then unchanged.
    bool ReadFindDialog(FindDialogState& state, int historyLimit) const;
    // Replaces the stored history and flags in the DOM (written to disk by Save).
    bool WriteFindDialog(const FindDialogState& state, int historyLimit);

    // Looks the name up under the parent and creates what is missing; several steps separated
    // by "/" are created one under the other. With clearChildren the element found or made
    // loses its children but keeps its attributes.
    static DomElement FindOrCreate(DomDocument& document, DomElement parent, const QString& name,
                                   bool clearChildren = false);

    // The folder of the settings file, with a trailing separator (empty when there is none).
    // Chosen once, unless a folder was set (tests, portable set-ups).
    static QString GetSettingsFolder();
    static void SetSettingsFolder(const QString& folder);

    // What the choice of the settings folder looks at.
    struct Places {
        QString programFolder;
        QString configFolder;  // the per-user settings folder of an installed copy
        QString oldDataFolder; // where installed copies kept the file before
        QStringList systemRoots;
    };
    // A program in a system location (under one of the roots) or in a folder it cannot write
    // to is installed: its settings live in the per-user folder (created when missing, the
    // file moved there once from the old folder or from next to the program), never next to
    // the program. Any other copy is portable and keeps them next to itself.
    static QString ChooseSettingsFolder(const Places& places);
    static bool IsUnderSystemRoot(const QString& folder, const QStringList& roots);
    static QString SettingsFilePath();
    // True when every folder of the full path exists or could be made.
    static bool CreateFolderChain(const QString& path);

    // Fields, with the values they have before the file is read.
    bool maximized = true;
    int normalLeft = 0;
    int normalTop = 0;
    int normalRight = 799;
    int normalBottom = 599;
    bool topToolbarVisible = true;
    bool bottomToolbarVisible = true;
    QStringList recentFiles;
    QString language;
    int recentFileListLength = 5;
    bool tabsBottom = false;
    bool tabsOneOpenDocShow = false;
    bool tabsDblClickClose = false;
    int skinIndex = 0;
    // The width of the trees' Name column, as the user last dragged it.
    int treeNameColumnWidth = kDefaultTreeNameColumnWidth;

    // Validation and transformation (element Tools): a run stops after the time limit (0: none)
    // and may use that much memory (MB, 0: no limit); the files last chosen in their dialogs.
    int toolTimeLimitSeconds = kDefaultToolTimeLimitSeconds;
    int toolMemoryLimitMegabytes = kDefaultToolMemoryLimitMegabytes;
    QString lastSchemaPath;
    QString lastStyleSheetPath;
    QString lastResultFolder;

    static constexpr int kDefaultToolTimeLimitSeconds = 60;
    static constexpr int kDefaultToolMemoryLimitMegabytes = 4096;
    static constexpr int kDefaultRecentFileListLength = 5;
    static constexpr int kDefaultTreeNameColumnWidth = 250;
    static constexpr int kMaxRecentFileListLength = 10;

private:
    std::unique_ptr<DomDocument> LoadDocument(DomElement& setting) const;
    void MergeSavedMeanwhile();
    void ReadMainWindow();
    void ReadRecentFiles();
    void ReadGeneral();
    void WriteMainWindow();
    void WriteRecentFiles();
    void WriteGeneral();
    void ReadTools();
    void WriteTools();

    QString path_;
    std::unique_ptr<DomDocument> document_;
    DomElement setting_;
    // The lists as the file held them when this run last read or wrote it: what both windows
    // started from, so each one's changes can be told apart when merging.
    QStringList baseRecentFiles_;
    QStringList baseFindHistory_;
    int findHistoryLimit_ = -1;
};
