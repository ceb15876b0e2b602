#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

class AppSettings;

// Turns the program's command line into at most one file path, or into a batch run.
class CommandLine {
public:
    // Removes every leading and trailing double quote and nothing else: no trimming of white
    // space, no splitting. A quoted path with spaces survives; two quoted paths stay one
    // (unopenable) path with the inner quotes.
    static QString StripQuotes(const QString& commandLine);
    // The arguments after the program name joined back into one command line (the shell has
    // already split it), then stripped. Empty when no file was named.
    static QString PathFromArguments(const QStringList& arguments);

    // A command line that asks for work without a window:
    //   --validate SCHEMA FILE...   --transform STYLESHEET FILE --output OUT   --help
    struct Batch {
        enum class Mode { None, Help, Validate, Transform, Bad };
        Mode mode = Mode::None; // None: an ordinary start, with a file path or without
        QString tool;           // schema or style sheet
        QStringList files;
        QString output;
        QString problem; // what is wrong with a Bad command line
    };
    static Batch ParseBatch(const QStringList& arguments);

    // Exit codes of a batch run.
    static constexpr int ExitDone = 0;   // valid, or transformed
    static constexpr int ExitFailed = 1; // invalid, or the run failed
    static constexpr int ExitBadArguments = 2;
    // Runs a batch command line, writing `file:line: message` lines to `errors` and the help to
    // `out`. The settings give the time and memory limits (defaults without them).
    static int RunBatch(const Batch& batch, const AppSettings* settings, FILE* out, FILE* errors);
};
