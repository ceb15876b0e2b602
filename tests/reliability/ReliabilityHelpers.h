#pragma once

// Helpers of the reliability tests: files on disk, tree dumps, and running a step in a child
// process so that a hang or a runaway allocation is detected instead of stalling the suite.
#include "TreeDump.h"
#include "document/XmlDocument.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace reliability {

inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

inline QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

inline bool RunningAsRoot()
{
    return geteuid() == 0;
}

inline bool UnderAddressSanitizer()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

// Whether any name or value in the tree contains the text.
inline bool TreeContains(const XmlNode* node, QStringView text)
{
    for (const XmlNode* child : *node) {
        if (child->LocalName().contains(text) || child->ValueView().contains(text) ||
            TreeContains(child, text))
            return true;
    }
    return false;
}

struct ChildOutcome {
    bool finished = false; // false: killed after the time limit
    int exitCode = -1;     // when finished normally
    int signal = 0;        // when it died of a signal
};

// Runs `step` in a forked child that exits with its result. The child is killed once `limit`
// has passed, and its address space is capped (not under ASan, which reserves far more), so
// neither a blocking open nor an endless read can take the test or the machine down.
inline ChildOutcome RunInChild(std::chrono::milliseconds limit, const std::function<int()>& step,
                               rlim_t memoryCap = rlim_t(2) << 30)
{
    ChildOutcome outcome;
    const pid_t child = fork();
    if (child < 0)
        return outcome;
    if (child == 0) {
        if (!UnderAddressSanitizer()) {
            const rlimit cap{memoryCap, memoryCap};
            setrlimit(RLIMIT_AS, &cap);
        }
        _exit(step());
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (true) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child)
            break;
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return outcome;
        }
        usleep(10000);
    }
    outcome.finished = true;
    if (WIFEXITED(status))
        outcome.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        outcome.signal = WTERMSIG(status);
    return outcome;
}

} // namespace reliability
