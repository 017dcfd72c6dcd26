#include "RatioReporter.h"

#include <algorithm>
#include <cstdio>
#include <tuple>
#include <utility>

#include <unistd.h>

namespace bench {

RatioReporter::RatioReporter()
    : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular)
{ }

void RatioReporter::compare(
    std::string operation, std::string baseline, std::string description, Clock clock, bool hasTarget)
{
    m_comparisons.push_back({ std::move(operation), std::move(baseline), std::move(description), clock, hasTarget });
}

void RatioReporter::addSize(std::string name)
{
    m_sizes.push_back(std::move(name));
}

bool RatioReporter::ReportContext(const Context &context)
{
    const bool ok = ConsoleReporter::ReportContext(context);
    GetErrorStream() << "Running; the results follow once every benchmark has run.\n";
    return ok;
}

void RatioReporter::ReportRuns(const std::vector<Run> &runs)
{
    for (const Run &run : runs) {
        const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (run.error_occurred || single || median)
            m_shown.push_back(run);
        if (run.error_occurred || !(single || median) || run.iterations == 0)
            continue;
        const auto iterations = static_cast<double>(run.iterations);
        m_seconds[run.run_name.function_name]
            = { run.real_accumulated_time / iterations, run.cpu_accumulated_time / iterations };
    }
}

void RatioReporter::Finalize()
{
    std::stable_sort(m_shown.begin(), m_shown.end(), [](const Run &a, const Run &b) {
        return std::tie(a.family_index, a.per_family_instance_index)
            < std::tie(b.family_index, b.per_family_instance_index);
    });
    if (!m_shown.empty())
        ConsoleReporter::ReportRuns(m_shown);
    ConsoleReporter::Finalize();
}

double RatioReporter::secondsOf(const std::string &name, Clock clock) const
{
    const auto found = m_seconds.find(name);
    if (found == m_seconds.end())
        return 0;
    return clock == Clock::Cpu ? found->second.cpu : found->second.real;
}

bool RatioReporter::printRatios(std::ostream &out, double target, std::size_t firstSizeWithTarget) const
{
    char line[256];
    std::snprintf(line, sizeof line, "\nTime of each operation / time of its baseline, same run\n%-72s %5s",
        "operation / baseline", "clock");
    out << line;
    for (const std::string &size : m_sizes) {
        std::snprintf(line, sizeof line, " %8s", size.c_str());
        out << line;
    }
    out << '\n';

    bool allMet = true;
    for (const Comparison &comparison : m_comparisons) {
        std::snprintf(line, sizeof line, "%-72s %5s", comparison.description.c_str(),
            comparison.clock == Clock::Cpu ? "cpu" : "real");
        out << line;
        for (std::size_t i = 0; i < m_sizes.size(); ++i) {
            const double operation = secondsOf(comparison.operation + '/' + m_sizes[i], comparison.clock);
            const double baseline = secondsOf(comparison.baseline + '/' + m_sizes[i], comparison.clock);
            if (operation <= 0 || baseline <= 0) {
                out << "        -";
                continue;
            }
            const double ratio = operation / baseline;
            const bool missed = comparison.hasTarget && i >= firstSizeWithTarget && ratio > target;
            allMet = allMet && !missed;
            std::snprintf(line, sizeof line, " %7.2f%c", ratio, missed ? '!' : comparison.hasTarget ? ' ' : '*');
            out << line;
        }
        out << '\n';
    }
    std::snprintf(line, sizeof line,
        "Target: %.2f or less from %s up; '!' marks a miss, '*' a comparison given for context only.\n", target,
        firstSizeWithTarget < m_sizes.size() ? m_sizes[firstSizeWithTarget].c_str() : "-");
    out << line;
    return allMet;
}

} // namespace bench
