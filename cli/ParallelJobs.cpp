#include "ParallelJobs.h"

#include <QScopeGuard>

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>
#include <vector>

namespace cli {

namespace {

// The first exception that a job threw, kept to be thrown again on the calling
// thread once every thread has stopped: one that left a thread would end the
// program at once.
class FirstFailure
{
public:
    void keep(std::exception_ptr failure)
    {
        const std::lock_guard lock(m_mutex);
        if (!m_failure)
            m_failure = std::move(failure);
    }
    void rethrow()
    {
        if (m_failure)
            std::rethrow_exception(m_failure);
    }

private:
    std::mutex m_mutex;
    std::exception_ptr m_failure;
};

} // namespace

void RunInOrder(std::size_t count, std::size_t workers, const std::function<void(std::size_t)> &work,
    const std::function<void(std::size_t)> &done)
{
    std::atomic<std::size_t> next = 0;
    std::mutex mutex;
    std::condition_variable finishedOne;
    std::vector<bool> finished(count, false);
    std::size_t awaited = 0;
    bool stopped = false;
    FirstFailure failure;

    const auto worker = [&] {
        for (std::size_t job = next++; job < count; job = next++) {
            bool failed = false;
            try {
                work(job);
            } catch (...) {
                failure.keep(std::current_exception());
                failed = true;
            }
            const std::lock_guard lock(mutex);
            finished[job] = true;
            stopped = stopped || failed;
            // Only the job the caller waits for wakes it: jobs of small pages
            // finish far more often than a wake-up is worth.
            if (job == awaited || failed)
                finishedOne.notify_one();
        }
    };
    {
        std::vector<std::jthread> threads;
        // Declared after the threads, so that it runs before they are joined,
        // however this block is left: no job is started after that.
        const auto noMoreJobs = qScopeGuard([&] { next = count; });
        for (std::size_t i = 0; i < std::min(workers, count); ++i)
            threads.emplace_back(worker);

        for (std::size_t job = 0; job < count; ++job) {
            std::unique_lock lock(mutex);
            awaited = job;
            finishedOne.wait(lock, [&] { return finished[job] || stopped; });
            if (stopped)
                break;
            lock.unlock();
            done(job);
        }
    }
    failure.rethrow();
}

void RunAll(std::size_t count, std::size_t workers, const std::function<void(std::size_t)> &work)
{
    std::atomic<std::size_t> next = 0;
    FirstFailure failure;
    {
        std::vector<std::jthread> threads;
        for (std::size_t i = 0; i < std::min(workers, count); ++i) {
            threads.emplace_back([&] {
                for (std::size_t job = next++; job < count; job = next++) {
                    try {
                        work(job);
                    } catch (...) {
                        failure.keep(std::current_exception());
                        next = count;
                    }
                }
            });
        }
    }
    failure.rethrow();
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
