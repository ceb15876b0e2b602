#include "config/BuiltinResources.h"

#include "config/LanguageResource.h"

#include <QFile>

// The resource lives in a static library; nothing would pull it into the program otherwise.
static void InitBuiltinResources()
{
    Q_INIT_RESOURCE(BuiltinResources);
}

const LanguageResource& BuiltinResources::Resource()
{
    static LanguageResource resource;
    static const bool loaded = [] {
        InitBuiltinResources();
        QFile file(QStringLiteral(":/config/BuiltinResources.xml"));
        return file.open(QIODevice::ReadOnly) && resource.LoadXml(file.readAll()) &&
               resource.SelectLanguage(QStringLiteral("en"));
    }();
    Q_UNUSED(loaded);
    return resource;
}

std::optional<MenuDescription> BuiltinResources::Menu(int menuId)
{
    return Resource().BuildMenu(menuId);
}

std::optional<DialogDescription> BuiltinResources::Dialog(int dialogId)
{
    return Resource().BuildDialog(dialogId);
}

std::optional<MenuDescription> BuiltinResources::Menu(const LanguageResource* language, int menuId)
{
    if (language) {
        if (std::optional<MenuDescription> menu = language->BuildMenu(menuId))
            return menu;
    }
    return Menu(menuId);
}

std::optional<DialogDescription> BuiltinResources::Dialog(const LanguageResource* language,
                                                          int dialogId)
{
    if (language) {
        if (std::optional<DialogDescription> dialog = language->BuildDialog(dialogId))
            return dialog;
    }
    return Dialog(dialogId);
}
