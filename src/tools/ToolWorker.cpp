#include "tools/ToolWorker.h"

#include "tools/SchemaValidator.h"
#include "tools/XslTransformer.h"

#include <cstdio>
#include <sys/resource.h>

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
