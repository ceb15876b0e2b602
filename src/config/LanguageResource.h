#pragma once

#include "config/DialogDescription.h"
#include "config/DomDocument.h"
#include "config/MenuDescription.h"

#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

// Texts, menus and dialogs of one chosen language, from TOVIXMLEditorResource.xml. Whatever
// the selected language does not supply stays built in.
class LanguageResource {
public:
    struct Language {
        QString id;
        QString name;
    };

    LanguageResource();
    ~LanguageResource();
    LanguageResource(const LanguageResource&) = delete;
    LanguageResource& operator=(const LanguageResource&) = delete;

    static QString FileName() { return QStringLiteral("TOVIXMLEditorResource.xml"); }

    // Clears the strings and the selection, loads the file and reads the language list.
    bool Load(const QString& path);
    // The same from text in memory (the built-in resources use this).
    bool LoadXml(const QByteArray& data);
    bool IsLoaded() const { return document_ != nullptr; }

    // Selects the first language with exactly this identifier and reads its strings.
    bool SelectLanguage(const QString& id);
    bool HasSelection() const { return !selected_.IsNull(); }
    QString CurrentLanguage() const { return currentId_; }
    // Every Language of the file in document order, duplicates included.
    const QList<Language>& Languages() const { return languages_; }

    // The selected language's text for the string ID, if it has one.
    std::optional<QString> FindString(int id) const;
    // Makes LoadText ask this resource first. Undone when this object goes away.
    void InstallAsTextSource();

    // The selected language's menu or dialog with that resource ID, if it has one.
    std::optional<MenuDescription> BuildMenu(int menuId) const;
    std::optional<DialogDescription> BuildDialog(int dialogId) const;

    // Backslash-r, backslash-n and backslash-t, in that order, become CR, LF and tab.
    static QString ReplaceEscapes(QString text);

private:
    bool ReadLanguages();
    void Clear();
    static void AddMenuItems(const DomElement& parent, std::vector<MenuDescription::Item>& items);

    std::unique_ptr<DomDocument> document_;
    QList<Language> languages_;
    QString currentId_;
    DomElement selected_;
    QHash<int, QString> strings_;
};
