#pragma once

#include <QString>
#include <QStringList>

// Turns the program's command line into at most one file path.
class CommandLine {
public:
    // Removes every leading and trailing double quote and nothing else: no trimming of white
    // space, no splitting. A quoted path with spaces survives; two quoted paths stay one
    // (unopenable) path with the inner quotes.
    static QString StripQuotes(const QString& commandLine);
    // The arguments after the program name joined back into one command line (the shell has
    // already split it), then stripped. Empty when no file was named.
    static QString PathFromArguments(const QStringList& arguments);
};
