#pragma once

#include <QString>

#include <optional>

namespace bench {

// Resident memory of a child process that runs one open-then-save, as
// getrusage reports its ru_maxrss, in bytes.
struct PeakMemory
{
    qint64 base = 0; // before the page is loaded
    qint64 peak = 0; // after the page is saved
};

// Forks, so that the measure starts from this process as it is now and
// nothing the benchmarks allocate later counts. The child first opens and
// saves a small page, so that the code and buffers any save needs are part of
// the base. Returns nothing when the child fails.
std::optional<PeakMemory> MeasureOpenThenSave(const QString &smallPage, const QString &page, const QString &target);

} // namespace bench
