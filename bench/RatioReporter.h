#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace bench {

// Prints one line per benchmark (the median where it was repeated), in the
// order of registration once all have run, since repetitions run shuffled;
// and keeps each benchmark's time per iteration, so that operations can be
// set against their baselines from the same run.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    // CPU time for work that never waits, so that other processes on a busy
    // machine do not count; wall-clock time for work that waits for the disk.
    enum class Clock { Cpu, Real };

    // In colour only on a terminal, so that a saved report reads plainly.
    RatioReporter();

    // operation and baseline are names as registered, without the size.
    void compare(
        std::string operation, std::string baseline, std::string description, Clock clock, bool hasTarget = true);
    void addSize(std::string name);

    bool ReportContext(const Context &context) override;
    void ReportRuns(const std::vector<Run> &runs) override;
    void Finalize() override;

    // The table of ratios, one row per comparison and one column per size.
    // Returns false when a ratio with a target misses it.
    bool printRatios(std::ostream &out, double target, std::size_t firstSizeWithTarget) const;

private:
    struct Comparison
    {
        std::string operation;
        std::string baseline;
        std::string description;
        Clock clock;
        bool hasTarget;
    };
    struct Seconds
    {
        double real = 0;
        double cpu = 0;
    };

    double secondsOf(const std::string &name, Clock clock) const;

    std::vector<Comparison> m_comparisons;
    std::vector<std::string> m_sizes;
    std::map<std::string, Seconds> m_seconds;
    std::vector<Run> m_shown;
};

} // namespace bench
