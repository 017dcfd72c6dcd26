// Times the page operations on generated pages of 1, 64 and 256 MiB, each
// beside the plain system calls that do the same work, then prints the ratios
// and the peak memory of one open-then-save.

#include "GeneratedPage.h"
#include "PageBenchmarks.h"
#include "PageWorkspace.h"
#include "PeakMemory.h"
#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <iostream>
#include <optional>
#include <vector>

#include <unistd.h>

namespace {

constexpr qint64 MiB = 1024 * 1024;
constexpr std::array<bench::PageSize, 3> Sizes = { {
    { "1MiB", MiB, 0, 0 },
    { "64MiB", 64 * MiB, 6, 8 },
    { "256MiB", 256 * MiB, 3, 5 },
} };
constexpr std::size_t FirstSizeWithTarget = 1;
constexpr double Target = 1.25;
constexpr double PeakTarget = 1.1;

void printPeakMemory(const std::optional<bench::PeakMemory> &memory, qint64 pageBytes)
{
    if (!memory) {
        std::cout << "\nPeak memory of open-then-save: the measuring child failed.\n";
        return;
    }
    const double page = static_cast<double>(pageBytes);
    const double base = static_cast<double>(memory->base);
    const double peak = static_cast<double>(memory->peak);
    const double multiple = (peak - base) / page;
    std::printf("\nPeak memory (ru_maxrss) of one open-then-save of a %.0f MiB page, in a forked child:\n"
                "  base %.1f MiB, peak %.1f MiB: peak = base + %.3f x page; ratio peak / (page + base) = %.3f\n"
                "  Target: peak <= base + %.2f x page%s\n",
        page / MiB, base / MiB, peak / MiB, multiple, peak / (page + base), PeakTarget,
        multiple > PeakTarget ? "  ! missed" : "");
}

} // namespace

int main(int argc, char **argv)
{
    // Repetitions of different benchmarks take turns, so that an operation
    // and its baseline meet the same spells of load. A flag given on the
    // command line comes later and still wins.
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    std::vector<char *> arguments(argv, argv + argc);
    arguments.insert(arguments.begin() + (argc > 0 ? 1 : 0), interleave);
    int argumentCount = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);
    benchmark::Initialize(&argumentCount, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(argumentCount, arguments.data()))
        return 1;

    const bench::PageWorkspace workspace;
    if (!workspace.isValid()) {
        std::cerr << "No temporary folder for the pages.\n";
        return 1;
    }
    for (const bench::PageSize &size : Sizes) {
        if (!bench::WriteGeneratedPage(workspace.page(size), size.bytes)) {
            std::cerr << "Cannot write the " << size.name << " page.\n";
            return 1;
        }
    }
    constexpr bench::PageSize WarmUp { "warm-up", 64 * 1024, 0, 0 };
    if (!bench::WriteGeneratedPage(workspace.page(WarmUp), WarmUp.bytes)) {
        std::cerr << "Cannot write the warm-up page.\n";
        return 1;
    }
    // The pages stay in the page cache, but on disk, so that no write-back
    // runs under the first benchmarks.
    ::sync();

    // Before any benchmark, while this process is small.
    const bench::PageSize &largest = Sizes.back();
    const std::optional<bench::PeakMemory> peakMemory = bench::MeasureOpenThenSave(
        workspace.page(WarmUp), workspace.page(largest), workspace.target("peak", largest));

    bench::RatioReporter reporter;
    for (const bench::PageSize &size : Sizes) {
        reporter.addSize(size.name);
        bench::RegisterPageBenchmarks(workspace, size);
    }
    bench::AddPageComparisons(reporter);

    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios(std::cout, Target, FirstSizeWithTarget);
    printPeakMemory(peakMemory, largest.bytes);
    benchmark::Shutdown();
    return 0;
}
