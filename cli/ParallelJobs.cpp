#include "ParallelJobs.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace cli {

void RunInOrder(std::size_t count, std::size_t workers, const std::function<void(std::size_t)> &work,
    const std::function<void(std::size_t)> &done)
{
    std::atomic<std::size_t> next = 0;
    std::mutex mutex;
    std::condition_variable finishedOne;
    std::vector<bool> finished(count, false);

    const auto worker = [&] {
        for (std::size_t job = next++; job < count; job = next++) {
            work(job);
            const std::lock_guard lock(mutex);
            finished[job] = true;
            finishedOne.notify_one();
        }
    };
    std::vector<std::jthread> threads;
    for (std::size_t i = 0; i < std::min(workers, count); ++i)
        threads.emplace_back(worker);

    for (std::size_t job = 0; job < count; ++job) {
        std::unique_lock lock(mutex);
        finishedOne.wait(lock, [&] { return finished[job]; });
        lock.unlock();
        done(job);
    }
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
