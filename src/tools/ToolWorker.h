#pragma once

#include "tools/ToolRequest.h"

// The worker side of a run: the editor's own program started with WorkerOption reads one
// request on standard input, runs it and writes the outcome on standard output. Runs live in
// a process of their own so that a run that never ends can be stopped at once and one that
// eats memory meets a limit, without the editor's state at stake.
class ToolWorker {
public:
    static constexpr const char* WorkerOption = "--tool-worker";

    // Runs the request in this process.
    static ToolOutcome Run(const ToolRequest& request);
    // The worker process's whole life: 0 when an outcome was written, 2 for a bad request.
    static int Main();
};
