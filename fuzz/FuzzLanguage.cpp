// The language resource reader: any file loads or is refused; every language it lists can be
// selected, and every menu and dialog the selected language has is built with one item per
// MenuItem and one control per Control element.
#include "FuzzCheck.h"

#include "config/DecimalText.h"
#include "config/DomDocument.h"
#include "config/LanguageResource.h"

#include <cstdint>

namespace {

size_t CountItems(const std::vector<MenuDescription::Item>& items)
{
    size_t count = 0;
    std::vector<const std::vector<MenuDescription::Item>*> pending{&items};
    while (!pending.empty()) {
        const auto* level = pending.back();
        pending.pop_back();
        count += level->size();
        for (const MenuDescription::Item& item : *level)
            pending.push_back(&item.children);
    }
    return count;
}

size_t CountElements(const DomElement& parent, const QString& name)
{
    size_t count = 0;
    std::vector<DomElement> pending{parent};
    while (!pending.empty()) {
        const DomElement element = pending.back();
        pending.pop_back();
        for (const DomElement& child : element.SelectNodes(name)) {
            ++count;
            // Items under a command item are not part of the menu.
            if (DecimalText::ToInt(child.AttributeOr(QStringLiteral("Popup"))) != 0)
                pending.push_back(child);
        }
    }
    return count;
}

// Menus and dialogs are looked up by the decimal text of their number, so only an ID written
// that way ("7", not "007") can be asked for.
bool PlainNumber(const DomElement& element, int& id)
{
    const QString text = element.AttributeOr(QStringLiteral("ID"));
    id = DecimalText::ToInt(text);
    return text == QString::number(id);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    LanguageResource resource;
    DomDocument dom;
    const bool loaded = resource.LoadXml(bytes);
    FUZZ_CHECK(loaded == dom.LoadXml(bytes), "the resource and the DOM disagree on loading");
    if (!loaded) {
        FUZZ_CHECK(resource.Languages().isEmpty() && !resource.HasSelection(),
                   "a refused file offers languages");
        return 0;
    }
    const QList<LanguageResource::Language> languages = resource.Languages();
    int tried = 0;
    for (const LanguageResource::Language& language : languages) {
        if (++tried > 8)
            break;
        // A language without ID or with a double quote in it cannot be asked for by its ID.
        const DomElement element = dom.SelectSingleNode(QStringLiteral("Languages/Language"),
                                                        QStringLiteral("ID"), language.id);
        FUZZ_CHECK(resource.SelectLanguage(language.id) == !element.IsNull(),
                   "selecting a language disagrees with the file");
        if (element.IsNull())
            continue;
        for (const DomElement& menu : element.SelectNodes(QStringLiteral("Menus/Menu"))) {
            int id = 0;
            if (!PlainNumber(menu, id))
                continue;
            const std::optional<MenuDescription> built = resource.BuildMenu(id);
            FUZZ_CHECK(built.has_value(), "a menu of the language is not built");
            // The first menu with the ID is the one built.
            const DomElement chosen =
                element.SelectSingleNode(QStringLiteral("Menus/Menu"), QStringLiteral("ID"), id);
            FUZZ_CHECK(CountItems(built->items) ==
                           CountElements(chosen, QStringLiteral("MenuItem")),
                       "menu items lost or invented");
        }
        for (const DomElement& dialog : element.SelectNodes(QStringLiteral("Dialogs/Dialog"))) {
            int id = 0;
            if (!PlainNumber(dialog, id))
                continue;
            const std::optional<DialogDescription> built = resource.BuildDialog(id);
            FUZZ_CHECK(built.has_value(), "a dialog of the language is not built");
            const DomElement chosen = element.SelectSingleNode(QStringLiteral("Dialogs/Dialog"),
                                                               QStringLiteral("ID"), id);
            FUZZ_CHECK(built->controls.size() ==
                           size_t(chosen.SelectNodes(QStringLiteral("Control")).size()),
                       "dialog controls lost or invented");
        }
        const DomElement strings = element.SelectSingleNode(QStringLiteral("Strings"));
        for (const DomElement& entry : strings.ChildElements())
            FUZZ_CHECK(resource.FindString(DecimalText::ToInt(entry.AttributeOr("ID"))),
                       "a string of the language is missing");
    }
    return 0;
}
