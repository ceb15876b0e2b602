#pragma once

#include "config/DialogDescription.h"
#include "config/MenuDescription.h"

#include <optional>

class LanguageResource;

// The program's own menus (128 menu bar, 202 tab menu, 203 item context menu) and dialogs
// (214 Find), embedded in the language-file format.
class BuiltinResources {
public:
    static constexpr int kMainMenu = 128;
    static constexpr int kTabMenu = 202;
    static constexpr int kItemMenu = 203;
    static constexpr int kFindDialog = 214;

    static std::optional<MenuDescription> Menu(int menuId);
    static std::optional<DialogDescription> Dialog(int dialogId);

    // The language's version when the resource supplies one, else the built-in one. The
    // language may be null (no resource file).
    static std::optional<MenuDescription> Menu(const LanguageResource* language, int menuId);
    static std::optional<DialogDescription> Dialog(const LanguageResource* language, int dialogId);

private:
    static const LanguageResource& Resource();
};
