#pragma once

#include <QtGlobal>

#include <atomic>

// Shared between a load or save running on a worker thread and the window that shows it: the
// worker reports how far it is, the window reads that and may ask it to stop. Units are bytes
// of work: a load reads the file and then parses it, so its total is twice the file's size; a
// save serialises and then writes, so its total is twice the (estimated) size of the output.
class FileProgress {
public:
    void SetTotal(qint64 bytes) { m_total.store(bytes, std::memory_order_relaxed); }
    void SetDone(qint64 bytes) { m_done.store(bytes, std::memory_order_relaxed); }
    qint64 Total() const { return m_total.load(std::memory_order_relaxed); }
    qint64 Done() const { return m_done.load(std::memory_order_relaxed); }

    // The worker stops at its next check and reports XE_CANCELLED.
    void Cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    bool IsCancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

private:
    std::atomic<qint64> m_total{0};
    std::atomic<qint64> m_done{0};
    std::atomic<bool> m_cancelled{false};
};
