#include "tools/ToolRun.h"

#include "config/AppSettings.h"
#include "tools/ToolWorker.h"

#include <QCoreApplication>
#include <QTimer>

namespace {
QString& WorkerProgramOverride()
{
    static QString program;
    return program;
}
} // namespace

ToolRun::ToolRun(QObject* parent)
    : QObject(parent), m_process(new QProcess(this)), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] { Kill(Stop::TimedOut); });
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    // The worker's own complaints (Qt's, say) are no part of the outcome.
    m_process->setStandardErrorFile(QProcess::nullDevice());
    connect(m_process, &QProcess::readyReadStandardOutput, this,
            [this] { m_output += m_process->readAllStandardOutput(); });
    connect(m_process, &QProcess::finished, this, &ToolRun::OnFinished);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            OnFinished(-1, QProcess::CrashExit);
    });
}

ToolRun::~ToolRun()
{
    m_process->disconnect(this);
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}

ToolRun::Limits ToolRun::LimitsFrom(const AppSettings* settings)
{
    Limits limits;
    limits.timeLimitSeconds =
        settings ? settings->toolTimeLimitSeconds : AppSettings::kDefaultToolTimeLimitSeconds;
    limits.memoryLimitBytes = qint64(settings ? settings->toolMemoryLimitMegabytes
                                              : AppSettings::kDefaultToolMemoryLimitMegabytes)
                              << 20;
    return limits;
}

void ToolRun::SetWorkerProgram(const QString& program)
{
    WorkerProgramOverride() = program;
}

QString ToolRun::WorkerProgram()
{
    return WorkerProgramOverride().isEmpty() ? QCoreApplication::applicationFilePath()
                                             : WorkerProgramOverride();
}

void ToolRun::Start(const ToolRequest& request, const Limits& limits)
{
    if (m_running)
        return;
    m_limits = limits;
    m_stop = Stop::None;
    m_output.clear();
    m_outcome = ToolOutcome();
    m_running = true;
    ToolRequest sent = request;
    sent.memoryLimitBytes = limits.memoryLimitBytes;
    m_clock.start();
    m_process->start(WorkerProgram(), {QString::fromLatin1(ToolWorker::WorkerOption)});
    if (!m_running)
        return; // failed to start; finished() has been sent
    m_process->write(sent.ToBytes());
    m_process->closeWriteChannel();
    if (limits.timeLimitSeconds > 0)
        m_timer->start(limits.timeLimitSeconds * 1000);
}

void ToolRun::Cancel()
{
    Kill(Stop::Cancelled);
}

bool ToolRun::IsRunning() const
{
    return m_running;
}

void ToolRun::Kill(Stop reason)
{
    if (!m_running || m_stop != Stop::None)
        return;
    m_stop = reason;
    m_process->kill();
}

const ToolOutcome& ToolRun::Wait()
{
    while (m_running) {
        int wait = -1;
        if (m_limits.timeLimitSeconds > 0 && m_stop == Stop::None) {
            wait = int(qMax<qint64>(0, m_limits.timeLimitSeconds * 1000LL - m_clock.elapsed()));
            if (wait == 0) {
                Kill(Stop::TimedOut);
                wait = -1;
            }
        }
        if (!m_process->waitForFinished(wait) && m_process->state() == QProcess::NotRunning)
            OnFinished(-1, QProcess::CrashExit); // never started
    }
    return m_outcome;
}

void ToolRun::OnFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    if (!m_running)
        return;
    m_running = false;
    m_timer->stop();
    m_output += m_process->readAllStandardOutput();
    ToolOutcome outcome;
    if (m_stop == Stop::Cancelled) {
        outcome.status = ToolStatus::Cancelled;
    } else if (m_stop == Stop::TimedOut) {
        outcome.status = ToolStatus::TimedOut;
    } else if (exitStatus != QProcess::NormalExit || exitCode != 0 ||
               !ToolOutcome::FromBytes(m_output, outcome)) {
        outcome = ToolOutcome();
        outcome.status = ToolStatus::Aborted;
    }
    // A stopped run gives nothing back, a partial result least of all.
    if (outcome.status != ToolStatus::Done)
        outcome.result.clear();
    m_output.clear();
    m_outcome = outcome;
    emit finished();
}
