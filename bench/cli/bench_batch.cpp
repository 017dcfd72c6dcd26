// tagwright-batch beside the plain tools that move the same bytes. Every
// command is one process over all the files, started the same way, so a
// ratio compares one run of the program with one run of the tool, start-up
// included. Each iteration runs both, one after the other, so that both see
// the same state of the machine; a "ratio" counter is the program's median
// time over the tool's, which a busy moment of the machine moves least.
#include "SamplePages.h"
#include "TimedProcess.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Command = std::vector<std::string>;

constexpr int SmallPages = 10000;
constexpr long long LargePageSize = 256LL * 1024 * 1024;
const std::string Batch = TAGWRIGHT_BATCH;

Command operator+(Command command, const std::vector<std::string> &more)
{
    command.insert(command.end(), more.begin(), more.end());
    return command;
}

// A baseline may take several tools in a row, such as a copy and then a sync.
struct Baseline
{
    std::string name;
    std::vector<Command> commands;
};

std::optional<double> secondsOf(const std::vector<Command> &commands)
{
    double total = 0;
    for (const Command &command : commands) {
        const std::optional<double> seconds = benchcli::SecondsToRun(command);
        if (!seconds)
            return std::nullopt;
        total += *seconds;
    }
    return total;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void compare(benchmark::State &state, const Command &program, const std::vector<Baseline> &baselines)
{
    std::vector<double> programTimes;
    std::vector<std::vector<double>> baselineTimes(baselines.size());
    for (auto _ : state) {
        const std::optional<double> seconds = benchcli::SecondsToRun(program);
        if (!seconds) {
            state.SkipWithError(("failed: " + program.front()).c_str());
            return;
        }
        state.SetIterationTime(*seconds);
        programTimes.push_back(*seconds);
        for (std::size_t i = 0; i < baselines.size(); ++i) {
            const std::optional<double> baseline = secondsOf(baselines[i].commands);
            if (!baseline) {
                state.SkipWithError(("failed: " + baselines[i].name).c_str());
                return;
            }
            baselineTimes[i].push_back(*baseline);
        }
    }
    state.counters["median_ms"] = median(programTimes) * 1000;
    for (std::size_t i = 0; i < baselines.size(); ++i) {
        state.counters[baselines[i].name + "_median_ms"] = median(baselineTimes[i]) * 1000;
        state.counters["ratio_" + baselines[i].name] = median(programTimes) / median(baselineTimes[i]);
    }
}

// The pages and their copies live in one folder that goes at the end.
class Workspace
{
public:
    Workspace()
        : m_root(std::filesystem::temp_directory_path() / ("tagwright-bench-cli-" + std::to_string(getpid())))
    {
        std::filesystem::create_directories(m_root / "copied");
        std::filesystem::current_path(m_root);
        pages = benchcli::WriteSmallPages("pages", SmallPages);
        const bool large = benchcli::WriteSamplePage("large.html", LargePageSize, 1);
        const bool sheet = benchcli::SecondsToRun(Command { Batch, "show" } + pages, "pages.tsv").has_value();
        ready = !pages.empty() && large && sheet && writeEditedSheet();
        for (const std::string &page : pages)
            copies.push_back("copied/" + std::filesystem::path(page).filename().string());
    }
    ~Workspace()
    {
        std::error_code ignored;
        std::filesystem::current_path(m_root.parent_path(), ignored);
        std::filesystem::remove_all(m_root, ignored);
    }
    Workspace(const Workspace &) = delete;
    Workspace &operator=(const Workspace &) = delete;

    std::vector<std::string> pages;
    std::vector<std::string> copies;
    bool ready = false;

private:
    // A sheet that gives every page a new title, so that every page is written.
    bool writeEditedSheet() const
    {
        std::ofstream sheet("edited.tsv");
        sheet << "path\ttitle\n";
        for (const std::string &page : pages)
            sheet << page << "\tA new title\n";
        return static_cast<bool>(sheet.flush());
    }

    std::filesystem::path m_root;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    const Workspace workspace;
    if (!workspace.ready) {
        std::cerr << "bench_batch: could not set up the pages (or run " << Batch << ")\n";
        return 1;
    }

    const Command cat = Command { "cat" } + workspace.pages;
    const Command show = Command { Batch, "show" } + workspace.pages;
    const Command copy = Command { "cp", "-t", "copied" } + workspace.pages;
    // The program makes every page durable before it replaces the old one;
    // sync(1) does the same for the copies, one fsync per file.
    const Command sync = Command { "sync" } + workspace.copies;

    benchmark::RegisterBenchmark("show/10000 pages",
        [&](benchmark::State &state) {
            compare(state, show, { { "cat", { cat } } });
        })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(9);

    // The sheet as show wrote it: apply reads and compares every page and
    // writes none, so it should cost about what show does.
    benchmark::RegisterBenchmark("apply unedited/10000 pages",
        [&](benchmark::State &state) {
            compare(state, { Batch, "apply", "pages.tsv" }, { { "show", { show } } });
        })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(9);

    // audit reads what show reads and checks it; its baseline is show itself.
    // The sample titles and descriptions are short, so every page has findings;
    // none of them may end the run with a status the timing takes for a failure.
    benchmark::RegisterBenchmark("audit/10000 pages",
        [&](benchmark::State &state) {
            compare(state, Command { Batch, "audit", "--fail-on", "no-title-tag" } + workspace.pages,
                { { "show", { Command { Batch, "show" } + workspace.pages } } });
        })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(9);

    benchmark::RegisterBenchmark("apply/10000 pages",
        [&](benchmark::State &state) {
            compare(state, { Batch, "apply", "-o", "applied", "edited.tsv" },
                { { "cp", { copy } }, { "cp_sync", { copy, sync } } });
        })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);

    benchmark::RegisterBenchmark("set/256 MiB page",
        [&](benchmark::State &state) {
            compare(state,
                { Batch, "set", "large.html", "--title", "New title", "--description", "New description", "-o",
                    "large-set.html" },
                { { "dd", { { "dd", "if=large.html", "of=large-dd.html", "bs=1M", "conv=fsync", "status=none" } } } });
        })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(9);

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
