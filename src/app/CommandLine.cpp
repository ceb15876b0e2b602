#include "app/CommandLine.h"

#include "config/LoadText.h"
#include "config/StringTable.h"
#include "document/DocumentMessages.h"
#include "document/StatusMessageTable.h"
#include "document/XmlDocument.h"
#include "tools/ResultFileWriter.h"
#include "tools/ToolInput.h"
#include "tools/ToolRun.h"

#include <QFileInfo>

QString CommandLine::StripQuotes(const QString& commandLine)
{
    qsizetype begin = 0;
    qsizetype end = commandLine.size();
    while (begin < end && commandLine.at(begin) == u'"')
        ++begin;
    while (end > begin && commandLine.at(end - 1) == u'"')
        --end;
    return commandLine.mid(begin, end - begin);
}

QString CommandLine::PathFromArguments(const QStringList& arguments)
{
    return StripQuotes(arguments.mid(1).join(u' '));
}

CommandLine::Batch CommandLine::ParseBatch(const QStringList& arguments)
{
    Batch batch;
    const QStringList rest = arguments.mid(1);
    // Only a command line that starts with an option is one; anything else is a file path.
    if (rest.isEmpty() || !rest.front().startsWith(QLatin1String("--")))
        return batch;
    const QString& option = rest.front();
    const auto bad = [&batch](const QString& problem) {
        batch.mode = Batch::Mode::Bad;
        batch.problem = problem;
        return batch;
    };
    if (option == u"--help") {
        if (rest.size() != 1)
            return bad(QStringLiteral("--help takes no arguments"));
        batch.mode = Batch::Mode::Help;
        return batch;
    }
    if (option == u"--validate") {
        if (rest.size() < 3)
            return bad(QStringLiteral("--validate needs a schema and at least one file"));
        batch.mode = Batch::Mode::Validate;
        batch.tool = rest[1];
        batch.files = rest.mid(2);
        return batch;
    }
    if (option == u"--transform") {
        QStringList positional;
        for (qsizetype i = 1; i < rest.size(); ++i) {
            if (rest[i] == u"--output") {
                if (i + 1 >= rest.size() || !batch.output.isEmpty())
                    return bad(QStringLiteral("--output needs one file name"));
                batch.output = rest[++i];
            } else {
                positional.append(rest[i]);
            }
        }
        if (positional.size() != 2 || batch.output.isEmpty())
            return bad(QStringLiteral("--transform needs a style sheet, one file and --output"));
        batch.mode = Batch::Mode::Transform;
        batch.tool = positional[0];
        batch.files = {positional[1]};
        return batch;
    }
    return bad(QStringLiteral("unknown option %1").arg(option));
}

namespace {

void PrintLine(FILE* stream, const QString& file, int line, const QString& message)
{
    const QString text = line > 0 ? QStringLiteral("%1:%2: %3").arg(file).arg(line).arg(message)
                                  : QStringLiteral("%1: %2").arg(file, message);
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

// Prints the run's errors; an error in the document gets the line of its element in the file.
void PrintMessages(FILE* errors, const ToolOutcome& outcome, const QString& file)
{
    for (const ToolMessage& message : outcome.messages) {
        const bool inDocument =
            message.file.isEmpty() || message.file == QFileInfo(file).absoluteFilePath();
        const int line = inDocument ? message.fileLine : message.place.line;
        PrintLine(errors, inDocument ? file : message.file, line, message.DisplayText());
    }
    if (outcome.omitted > 0)
        PrintLine(errors, file, 0,
                  FormatPlaceholders(LoadText(StringId::ErrorListOmitted),
                                     {QString::number(outcome.omitted)}));
}

// Loads the file into the editor's model and runs the tool on the text the editor would
// validate or transform. 0 done, 1 otherwise.
int RunOne(ToolKind kind, const QString& tool, const QString& file, const QString& output,
           const ToolRun::Limits& limits, FILE* errors)
{
    XmlDocument document;
    const XmlStatus loaded = document.Load(file);
    if (loaded != XE_OK) {
        PrintLine(errors, file, document.ErrorLine(), StatusMessageTable::MessageOf(loaded));
        return CommandLine::ExitFailed;
    }
    // Relative references resolve against where the files are, not the working folder.
    ToolRequest request;
    request.kind = kind;
    request.toolPath = QFileInfo(tool).absoluteFilePath();
    request.documentPath = QFileInfo(file).absoluteFilePath();
    request.documentIsFile = true;
    const XmlStatus serialised =
        ToolInputText(document, kind, request.documentPath, request.documentText);
    if (serialised != XE_OK) {
        PrintLine(errors, file, 0, StatusMessageTable::MessageOf(serialised));
        return CommandLine::ExitFailed;
    }
    ToolRun run;
    run.Start(request, limits);
    const ToolOutcome& outcome = run.Wait();
    switch (outcome.status) {
    case ToolStatus::Done:
        if (kind == ToolKind::Transform && !ResultFileWriter::Write(output, outcome.result)) {
            PrintLine(errors, output, 0, LoadText(StringId::ResultFileError));
            return CommandLine::ExitFailed;
        }
        return CommandLine::ExitDone;
    case ToolStatus::LoadFailed:
        PrintLine(errors, tool, 0,
                  StatusMessageTable::MessageOf(
                      kind == ToolKind::Transform ? XE_XSLT_LOAD_FAILED : XE_SCHEMA_LOAD_FAILED));
        break;
    case ToolStatus::Failed:
        if (kind == ToolKind::Transform)
            PrintLine(errors, file, 0, StatusMessageTable::MessageOf(XE_XSLT_TRANSFORM_FAILED));
        else
            PrintLine(errors, file, 0, LoadText(StringId::ValidationNotRun));
        break;
    case ToolStatus::TimedOut:
        PrintLine(errors, file, 0,
                  FormatPlaceholders(LoadText(StringId::RunTimedOut),
                                     {QString::number(limits.timeLimitSeconds)}));
        break;
    case ToolStatus::Aborted:
        PrintLine(errors, file, 0,
                  FormatPlaceholders(LoadText(StringId::RunAborted),
                                     {QString::number(limits.memoryLimitBytes >> 20)}));
        break;
    case ToolStatus::Invalid:
    case ToolStatus::Cancelled:
        break;
    }
    PrintMessages(errors, outcome, file);
    return CommandLine::ExitFailed;
}

} // namespace

int CommandLine::RunBatch(const Batch& batch, const AppSettings* settings, FILE* out, FILE* errors)
{
    switch (batch.mode) {
    case Batch::Mode::None:
        return ExitBadArguments;
    case Batch::Mode::Bad:
        std::fputs(FormatPlaceholders(LoadText(StringId::BatchBadArguments), {batch.problem})
                       .toLocal8Bit()
                       .constData(),
                   errors);
        std::fputc('\n', errors);
        return ExitBadArguments;
    case Batch::Mode::Help:
        std::fputs(LoadText(StringId::BatchHelp).toLocal8Bit().constData(), out);
        std::fputc('\n', out);
        return ExitDone;
    case Batch::Mode::Validate:
    case Batch::Mode::Transform:
        break;
    }
    const ToolRun::Limits limits = ToolRun::LimitsFrom(settings);
    const ToolKind kind =
        batch.mode == Batch::Mode::Transform ? ToolKind::Transform : SchemaKindOf(batch.tool);
    int result = ExitDone;
    for (const QString& file : batch.files) {
        if (RunOne(kind, batch.tool, file, batch.output, limits, errors) != ExitDone)
            result = ExitFailed;
    }
    return result;
}
