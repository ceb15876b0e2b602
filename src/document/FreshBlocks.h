#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>

// Memory blocks made ready ahead of a large load by a helper thread. The kernel clears each
// fresh page when it is first touched; for a load of gigabytes that took a fifth to half of
// the loading thread's time on this machine. Done ahead on another core, the loading thread
// finds its blocks in place. A block is freed with ::operator delete.
class FreshBlocks {
public:
    explicit FreshBlocks(size_t blockBytes);
    ~FreshBlocks();
    FreshBlocks(const FreshBlocks&) = delete;
    FreshBlocks& operator=(const FreshBlocks&) = delete;

    size_t BlockBytes() const { return m_blockBytes; }
    // A block with its pages in place: one made ready, or made here when none is.
    void* Take();

    // Has the kernel put the pages of [memory, memory + bytes) in place at once, rather than
    // one fault at a time as they are first written; nothing when it refuses.
    static void Populate(void* memory, size_t bytes);

private:
    void Run();

    // Kept ready ahead of the loading thread: a few megabytes.
    static constexpr size_t kAhead = 32;

    const size_t m_blockBytes;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<void*> m_ready;
    bool m_stop = false;
    std::thread m_thread;
};
