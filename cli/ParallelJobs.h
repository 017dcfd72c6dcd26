#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>

namespace cli {

// Threads for jobs that mostly compute: one for each processor, since more
// would only take turns on them.
std::size_t ComputingThreads();

// Runs work(0) ... work(count - 1) on threads, and calls done(i) for each i in
// order, one at a time, as soon as job i and every job before it have
// finished, so that reports come in order. The jobs start on
// ComputingThreads() threads; work returns whether its job waited for the
// disk, and each such job adds a thread, up to maxThreads, since saves wait
// mostly for syncs and the disk takes several at once. A job that throws
// stops the run: no job starts after it, and the exception is thrown again
// here once every thread has stopped.
void RunInOrder(std::size_t count, std::size_t maxThreads, const std::function<bool(std::size_t)> &work,
    const std::function<void(std::size_t)> &done);

// Runs work(0) ... work(count - 1) on ComputingThreads() threads and returns
// once all have finished; an exception is handled as by RunInOrder.
void RunAll(std::size_t count, const std::function<void(std::size_t)> &work);

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
