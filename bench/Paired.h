#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace bench {

// A job timed beside the subject; false means it failed.
struct Baseline
{
    std::string name;
    std::function<bool()> run;
};

// Runs the subject and its baselines in turns, each round starting with the
// next one, so that all meet the same spells of load on a shared machine. The
// benchmark's time is the subject's (use UseManualTime); each baseline adds its
// median time in milliseconds and "x_NAME", the median of the per-round ratios
// subject / baseline, which a busy moment moves far less than a ratio of totals.
inline void RunPaired(benchmark::State &state, const std::function<bool()> &subject,
    const std::vector<Baseline> &baselines, std::int64_t bytesPerRun = 0)
{
    std::vector<std::function<bool()>> jobs { subject };
    for (const Baseline &baseline : baselines)
        jobs.push_back(baseline.run);
    std::vector<std::vector<double>> seconds(jobs.size());
    std::size_t first = 0;
    for (auto _ : state) {
        for (std::size_t step = 0; step < jobs.size(); ++step) {
            const std::size_t job = (first + step) % jobs.size();
            const auto start = std::chrono::steady_clock::now();
            const bool ok = jobs[job]();
            seconds[job].push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            if (!ok) {
                const std::string failed = job == 0 ? "the subject" : baselines[job - 1].name;
                state.SkipWithError((failed + " failed").c_str());
                return;
            }
        }
        state.SetIterationTime(seconds[0].back());
        first = (first + 1) % jobs.size();
    }
    if (bytesPerRun > 0)
        state.SetBytesProcessed(state.iterations() * bytesPerRun);
    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values.size() % 2 ? values[values.size() / 2]
                                 : (values[values.size() / 2 - 1] + values[values.size() / 2]) / 2;
    };
    for (std::size_t i = 0; i < baselines.size(); ++i) {
        std::vector<double> ratios;
        for (std::size_t round = 0; round < seconds[0].size(); ++round)
            ratios.push_back(seconds[0][round] / seconds[i + 1][round]);
        state.counters[baselines[i].name + "_ms"] = 1000 * median(seconds[i + 1]);
        state.counters["x_" + baselines[i].name] = median(ratios);
    }
}

// Registers RunPaired as the benchmark name, run iterations times.
inline void AddPaired(const std::string &name, int iterations, const std::function<bool()> &subject,
    const std::vector<Baseline> &baselines, std::int64_t bytesPerRun = 0)
{
    benchmark::RegisterBenchmark(
        name.c_str(), [=](benchmark::State &state) { RunPaired(state, subject, baselines, bytesPerRun); })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(iterations);
}

} // namespace bench
