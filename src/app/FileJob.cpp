#include "app/FileJob.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

FileJob::FileJob(Work work, QObject* parent) : QObject(parent)
{
    m_thread = QThread::create([this, work = std::move(work)] { m_status = work(m_progress); });
    // Queued to this object's thread; the thread's end orders the status write before it.
    connect(m_thread, &QThread::finished, this, [this] {
        m_finished = true;
        emit Finished();
    });
    m_thread->start();
}

FileJob::~FileJob()
{
    m_progress.Cancel();
    m_thread->wait();
    delete m_thread;
}

void FileJob::Wait()
{
    // A receiver of Finished may delete the job: only the guard is looked at after events.
    const QPointer<FileJob> self(this);
    while (self && !m_finished)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents);
}
