#include "ParallelJobs.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>
#include <vector>

namespace cli {

std::size_t ComputingThreads()
{
    return std::max(2U, std::thread::hardware_concurrency());
}

void RunInOrder(std::size_t count, std::size_t maxThreads, const std::function<bool(std::size_t)> &work,
    const std::function<void(std::size_t)> &done)
{
    std::atomic<std::size_t> next = 0;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<bool> finished(count, false);
    std::size_t reported = 0;
    std::size_t waitedForDisk = 0;
    // The first exception a job threw, thrown again here once every thread
    // has stopped: one that left a thread would end the program at once.
    std::exception_ptr failure;

    // The thread that finishes the job next in order reports it and every
    // finished job behind it, so that no thread waits to report: jobs of small
    // pages end far more often than a wake-up of a waiting thread is worth.
    const auto worker = [&] {
        for (std::size_t job = next++; job < count; job = next++) {
            try {
                const bool waited = work(job);
                const std::lock_guard lock(mutex);
                finished[job] = true;
                for (; reported != count && finished[reported]; ++reported)
                    done(reported);
                waitedForDisk += waited ? 1 : 0;
                if (waited || reported == count)
                    changed.notify_one();
            } catch (...) {
                next = count;
                const std::lock_guard lock(mutex);
                if (!failure)
                    failure = std::current_exception();
                changed.notify_one();
            }
        }
    };
    {
        std::vector<std::jthread> threads;
        const std::size_t first = std::min({ ComputingThreads(), maxThreads, count });
        for (std::size_t i = 0; i != first; ++i)
            threads.emplace_back(worker);
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock,
                [&] { return reported == count || failure || (waitedForDisk > 0 && threads.size() < maxThreads); });
            if (reported == count || failure)
                break;
            --waitedForDisk;
            if (next < count)
                threads.emplace_back(worker);
        }
        // The lock goes before the threads are joined: it was made after them.
    }
    if (failure)
        std::rethrow_exception(failure);
}

void RunAll(std::size_t count, const std::function<void(std::size_t)> &work)
{
    RunInOrder(
        count, ComputingThreads(),
        [&](std::size_t i) {
            work(i);
            return false;
        },
        [](std::size_t) {});
}

void MemoryBudget::acquire(long long bytes)
{
    std::unique_lock lock(m_mutex);
    m_freed.wait(lock, [&] { return m_used == 0 || m_used + bytes <= m_limit; });
    m_used += bytes;
}

void MemoryBudget::release(long long bytes)
{
    const std::lock_guard lock(m_mutex);
    m_used -= bytes;
    m_freed.notify_all();
}

} // namespace cli
