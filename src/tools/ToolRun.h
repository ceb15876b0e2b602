#pragma once

#include "tools/ToolRequest.h"

#include <QElapsedTimer>
#include <QObject>
#include <QProcess>

class AppSettings;
class QTimer;

// One validation or transformation in a worker process (ToolWorker): the caller's thread only
// writes the request and reads the outcome, so the window keeps painting. Cancel and the time
// limit kill the worker at once, whatever libxml2 or libxslt are doing (a schema compilation
// cannot be stopped from inside); the memory limit bounds its address space.
class ToolRun : public QObject {
    Q_OBJECT
public:
    struct Limits {
        int timeLimitSeconds = 60;   // <= 0: none
        qint64 memoryLimitBytes = 0; // 0: none
    };

    // The limits the settings name (their defaults without settings).
    static Limits LimitsFrom(const AppSettings* settings);

    explicit ToolRun(QObject* parent = nullptr);
    ~ToolRun() override; // a run still going is killed

    void Start(const ToolRequest& request, const Limits& limits);
    // Stops the run; finished() follows with status Cancelled.
    void Cancel();
    bool IsRunning() const;
    // Blocks until the run has ended (for batch use, where no event loop runs).
    const ToolOutcome& Wait();
    const ToolOutcome& Outcome() const { return m_outcome; }
    const Limits& RunLimits() const { return m_limits; }

    // The program started as worker: this program unless set (tests).
    static void SetWorkerProgram(const QString& program);
    static QString WorkerProgram();

signals:
    void finished();

private:
    enum class Stop { None, Cancelled, TimedOut };
    void Kill(Stop reason);
    void OnFinished(int exitCode, QProcess::ExitStatus exitStatus);

    QProcess* m_process = nullptr;
    QTimer* m_timer = nullptr;
    QElapsedTimer m_clock;
    Limits m_limits;
    Stop m_stop = Stop::None;
    bool m_running = false;
    QByteArray m_output;
    ToolOutcome m_outcome;
};
