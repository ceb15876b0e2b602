#pragma once

#include "document/FileProgress.h"
#include "document/XmlStatus.h"

#include <QObject>
#include <functional>

class QThread;

// One load or save on a worker thread, so the window keeps painting and answering meanwhile.
// The work gets the job's progress to report to and to watch for a cancel; Finished comes on
// the thread that made the job once the work has returned.
class FileJob : public QObject {
    Q_OBJECT
public:
    using Work = std::function<XmlStatus(FileProgress&)>;
    FileJob(Work work, QObject* parent = nullptr);
    // Cancels and waits: the work may use what the job's owner frees next.
    ~FileJob() override;

    FileProgress& Progress() { return m_progress; }
    // True until Finished has been delivered.
    bool IsRunning() const { return !m_finished; }
    // What the work returned, once it has finished.
    XmlStatus Status() const { return m_status; }
    // Returns once Finished has been delivered (its receivers have run). The window keeps
    // painting and timers keep running; user input waits, so nothing can start on the same
    // document meanwhile.
    void Wait();

signals:
    void Finished();

private:
    FileProgress m_progress;
    XmlStatus m_status = XE_OK;
    bool m_finished = false;
    QThread* m_thread = nullptr;
};
