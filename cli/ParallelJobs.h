#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>

namespace cli {

// Runs work(0) ... work(count - 1) on up to workers threads, and calls
// done(i) on the calling thread for each i in order, as soon as job i and
// every job before it have finished, so that reports come in order. Saving a
// page waits mostly for the disk, and the disk takes several syncs at once.
// A job that throws stops the run: no job starts after it, and the exception
// is thrown again here once every thread has stopped. The same holds for
// RunAll.
void RunInOrder(std::size_t count, std::size_t workers, const std::function<void(std::size_t)> &work,
    const std::function<void(std::size_t)> &done);

// Runs work(0) ... work(count - 1) on up to workers threads and returns once
// all have finished.
void RunAll(std::size_t count, std::size_t workers, const std::function<void(std::size_t)> &work);

// Bounds the bytes that the jobs hold at once: a job waits until its share
// fits, but a share larger than the whole budget still runs, alone.
class MemoryBudget
{
public:
    explicit MemoryBudget(long long bytes)
        : m_limit(bytes)
    { }

    void acquire(long long bytes);
    void release(long long bytes);

private:
    std::mutex m_mutex;
    std::condition_variable m_freed;
    long long m_limit;
    long long m_used = 0;
};

} // namespace cli
