#pragma once

#include <QStringList>

// The program's start-up and shutdown: the command-line path, the single-instance decision,
// settings and language, the main window, the event loop, and the settings written once at
// the end.
class Application {
public:
    // Runs the program with the process's arguments (the program name first); returns the
    // exit code. A QApplication must exist.
    int Run(const QStringList& arguments);
};
