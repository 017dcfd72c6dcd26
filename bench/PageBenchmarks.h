#pragma once

#include "PageWorkspace.h"
#include "RatioReporter.h"

namespace bench {

// Registers the page operations on the page of one size, each beside its
// baselines: load, scans, writes and the whole open-then-save job.
void RegisterPageBenchmarks(const PageWorkspace &workspace, const PageSize &size);

// Which operation is set against which baseline, and by which clock.
void AddPageComparisons(RatioReporter &reporter);

} // namespace bench
