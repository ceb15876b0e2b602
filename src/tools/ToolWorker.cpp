#include "tools/ToolWorker.h"

#include "tools/SchemaValidator.h"
#include "tools/XslTransformer.h"

#include <QFile>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

// Finds each error's node and, when the text is the file's, its line in the file: passes over
// the whole text that are better spent here than in the editor's window.
void PlaceErrors(const ToolRequest& request, ToolOutcome& outcome)
{
    std::vector<ValidationErrorPlace> places;
    places.reserve(size_t(outcome.messages.size()));
    int lastOrdinal = -1;
    for (const ToolMessage& message : std::as_const(outcome.messages)) {
        places.push_back(message.place);
        lastOrdinal = std::max(lastOrdinal, message.place.elementOrdinal);
    }
    std::vector<QString> names;
    const std::vector<std::vector<int>> paths =
        ValidationWalk::ChildIndexPaths(request.documentText, places, &names);
    std::vector<int> lines;
    if (request.documentIsFile && lastOrdinal >= 0) {
        QFile file(request.documentPath);
        if (file.open(QIODevice::ReadOnly))
            lines = ValidationWalk::ElementLines(file.readAll(), lastOrdinal + 1);
    }
    for (qsizetype i = 0; i < outcome.messages.size(); ++i) {
        ToolMessage& message = outcome.messages[i];
        message.treePath = QList<int>(paths[size_t(i)].begin(), paths[size_t(i)].end());
        message.attributeName = names[size_t(i)];
        const int ordinal = message.place.elementOrdinal;
        if (ordinal >= 0 && size_t(ordinal) < lines.size())
            message.fileLine = lines[size_t(ordinal)];
    }
}

} // namespace

ToolOutcome ToolWorker::Run(const ToolRequest& request)
{
    ToolOutcome outcome;
    if (request.kind == ToolKind::Transform) {
        XslTransformer transformer;
        const XmlStatus status = transformer.RunTransformationOnText(
            request.documentText, request.toolPath, request.documentPath);
        outcome.status = status == XE_OK                 ? ToolStatus::Done
                         : status == XE_XSLT_LOAD_FAILED ? ToolStatus::LoadFailed
                                                         : ToolStatus::Failed;
        outcome.messages = transformer.Errors();
        if (outcome.messages.size() > ToolOutcome::MaxMessages) {
            outcome.omitted = outcome.messages.size() - ToolOutcome::MaxMessages;
            outcome.messages.resize(ToolOutcome::MaxMessages);
        }
        outcome.result = transformer.ResultUtf8();
        return outcome;
    }
    SchemaValidator validator;
    const XmlStatus status =
        validator.Run(request.kind, request.documentText, request.toolPath, request.documentPath);
    outcome.status = status == XE_OK                   ? ToolStatus::Done
                     : status == XE_VALIDATION_FAILED  ? ToolStatus::Invalid
                     : status == XE_SCHEMA_LOAD_FAILED ? ToolStatus::LoadFailed
                                                       : ToolStatus::Failed;
    outcome.messages = validator.Messages();
    outcome.omitted = validator.Omitted();
    if (outcome.status == ToolStatus::Invalid)
        PlaceErrors(request, outcome);
    return outcome;
}

int ToolWorker::Main()
{
    QByteArray input;
    char buffer[65536];
    for (size_t read; (read = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;)
        input.append(buffer, qsizetype(read));
    ToolRequest request;
    if (!ToolRequest::FromBytes(input, request))
        return 2;
    input = QByteArray();
    // AddressSanitizer reserves far more address space than any limit would allow.
#if !defined(__SANITIZE_ADDRESS__)
    if (request.memoryLimitBytes > 0) {
        // A failed allocation then ends the run as a failure (or the worker, when Qt's own
        // allocation fails), never the editor.
        const rlimit limit{rlim_t(request.memoryLimitBytes), rlim_t(request.memoryLimitBytes)};
        setrlimit(RLIMIT_AS, &limit);
    }
#endif
    const QByteArray output = Run(request).ToBytes();
    if (std::fwrite(output.constData(), 1, size_t(output.size()), stdout) != size_t(output.size()))
        return 2;
    return std::fflush(stdout) == 0 ? 0 : 2;
}
