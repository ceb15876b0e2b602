#pragma once

class AppSettings;
class DesktopServices;
class FileDialogs;
class LanguageResource;

// What the shell's windows share: the file dialogs and the desktop (tests replace them; message
// boxes go through MessageBoxes::Current()), the settings and the language resource (either
// may be null).
struct ShellServices {
    FileDialogs& fileDialogs;
    DesktopServices& desktop;
    AppSettings* settings = nullptr;
    const LanguageResource* language = nullptr;
};
