#include "PageBenchmarks.h"

#include "FileReplacement.h"
#include "GeneratedPage.h"
#include "LoadPage.h"
#include "OpenThenSave.h"
#include "RawFileIo.h"
#include "ReadMetaTag.h"
#include "TrimPageToTitle.h"
#include "WriteMetaPage.h"

#include <QFile>

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include <unistd.h>

namespace bench {

namespace {

// Each benchmark runs this often, interleaved with the others, and counts by
// its median, so that a burst of load on the machine does not decide a ratio.
constexpr int Repetitions = 3;

// A byte that a generated page never holds, so memchr scans it all.
constexpr char AbsentByte = '\x01';

std::string nameOf(const char *operation, const PageSize &size)
{
    return std::string(operation) + '/' + size.name;
}

enum class Waits { Never, ForDisk };

void configure(benchmark::internal::Benchmark *benchmark, const PageSize &size, Waits waits)
{
    benchmark->Unit(benchmark::kMillisecond)->Repetitions(Repetitions);
    if (waits == Waits::ForDisk)
        benchmark->UseRealTime();
    const int iterations = waits == Waits::ForDisk ? size.diskIterations : size.iterations;
    if (iterations > 0)
        benchmark->Iterations(iterations);
    else
        benchmark->MinTime(0.2);
}

void countBytes(benchmark::State &state, qint64 pageBytes)
{
    state.SetBytesProcessed(state.iterations() * pageBytes);
}

QByteArray loadOrSkip(benchmark::State &state, const QString &path)
{
    metatags::Result<metatags::StampedPage> loaded = metatags::LoadPage(path);
    if (!loaded.has_value()) {
        state.SkipWithError(loaded.error().reason.toStdString().c_str());
        return {};
    }
    return std::move(loaded->bytes);
}

void registerLoad(const PageWorkspace &workspace, const PageSize &size)
{
    const QString page = workspace.page(size);
    const std::string path = QFile::encodeName(page).toStdString();
    const auto bytes = static_cast<std::size_t>(size.bytes);

    configure(benchmark::RegisterBenchmark(nameOf("LoadPage", size).c_str(),
                  [page, size](benchmark::State &state) {
                      for (auto _ : state) {
                          metatags::Result<metatags::StampedPage> loaded = metatags::LoadPage(page);
                          if (!loaded.has_value())
                              state.SkipWithError("LoadPage failed");
                          benchmark::DoNotOptimize(loaded);
                      }
                      countBytes(state, size.bytes);
                  }),
        size, Waits::Never);
    configure(benchmark::RegisterBenchmark(nameOf("ReadIntoNewBuffer", size).c_str(),
                  [path, size](benchmark::State &state) {
                      for (auto _ : state) {
                          RawFile file = ReadWholeFile(path.c_str());
                          if (!file.bytes)
                              state.SkipWithError("read failed");
                          benchmark::DoNotOptimize(file.bytes.get());
                      }
                      countBytes(state, size.bytes);
                  }),
        size, Waits::Never);
    configure(benchmark::RegisterBenchmark(nameOf("ReadIntoPreallocatedBuffer", size).c_str(),
                  [path, size, bytes](benchmark::State &state) {
                      // Allocated and touched before the timing, so no page faults count.
                      const Bytes buffer = AllocateBytes(bytes);
                      std::memset(buffer.get(), 0, bytes);
                      for (auto _ : state) {
                          if (!ReadWholeFileInto(path.c_str(), buffer.get(), bytes))
                              state.SkipWithError("read failed");
                          benchmark::DoNotOptimize(buffer.get());
                      }
                      countBytes(state, size.bytes);
                  }),
        size, Waits::Never);
}

void registerScans(const PageWorkspace &workspace, const PageSize &size)
{
    const QString page = workspace.page(size);

    configure(benchmark::RegisterBenchmark(nameOf("ReadMetaTag", size).c_str(),
                  [page, size](benchmark::State &state) {
                      const QByteArray bytes = loadOrSkip(state, page);
                      for (auto _ : state) {
                          const metatags::MetaTagRead read = metatags::ReadMetaTag(bytes, AbsentWord);
                          if (read.outcome != metatags::MetaTagRead::Outcome::NotFound)
                              state.SkipWithError("the absent word was found");
                          benchmark::DoNotOptimize(read);
                      }
                      countBytes(state, size.bytes);
                  }),
        size, Waits::Never);
    configure(benchmark::RegisterBenchmark(nameOf("Memchr", size).c_str(),
                  [page, size](benchmark::State &state) {
                      const QByteArray bytes = loadOrSkip(state, page);
                      for (auto _ : state) {
                          const void *hit
                              = std::memchr(bytes.constData(), AbsentByte, static_cast<std::size_t>(bytes.size()));
                          if (hit)
                              state.SkipWithError("the absent byte was found");
                          benchmark::DoNotOptimize(hit);
                      }
                      countBytes(state, size.bytes);
                  }),
        size, Waits::Never);
    configure(benchmark::RegisterBenchmark(nameOf("TrimPageToTitle", size).c_str(),
                  [page, size](benchmark::State &state) {
                      QByteArray bytes;
                      for (auto _ : state) {
                          // A fresh page buffer as the editor holds it; loading it, and
                          // freeing the last one, are not part of the trim.
                          state.PauseTiming();
                          bytes = loadOrSkip(state, page);
                          state.ResumeTiming();
                          if (!metatags::TrimPageToTitle(bytes))
                              state.SkipWithError("no title tag");
                          benchmark::DoNotOptimize(bytes.constData());
                      }
                      countBytes(state, size.bytes);
                  }),
        size, Waits::Never);
}

void registerWrites(const PageWorkspace &workspace, const PageSize &size)
{
    const QString page = workspace.page(size);
    const QString metaTarget = workspace.target("written", size);
    const std::string plainTarget = QFile::encodeName(workspace.target("plain", size)).toStdString();
    const std::string durableTarget = QFile::encodeName(workspace.target("durable", size)).toStdString();
    const metatags::PerTag<QByteArray> values = { "Tables of Data", "Daily tables of data", "data, tables" };

    configure(benchmark::RegisterBenchmark(nameOf("WriteMetaPage", size).c_str(),
                  [page, metaTarget, values, size](benchmark::State &state) {
                      const QByteArray bytes = loadOrSkip(state, page);
                      for (auto _ : state) {
                          const auto write
                              = [&](QIODevice &device) { return metatags::WriteMetaPage(device, values, bytes); };
                          if (!metatags::ReplaceFile(metaTarget, write).has_value())
                              state.SkipWithError("WriteMetaPage failed");
                      }
                      countBytes(state, size.bytes);
                  }),
        size, Waits::ForDisk);
    configure(
        benchmark::RegisterBenchmark(nameOf("Write", size).c_str(),
            [page, plainTarget, size](benchmark::State &state) {
                const QByteArray bytes = loadOrSkip(state, page);
                for (auto _ : state) {
                    if (!WriteWholeFile(plainTarget.c_str(), bytes.constData(), static_cast<std::size_t>(bytes.size())))
                        state.SkipWithError("write failed");
                }
                countBytes(state, size.bytes);
                // Written back now, so that it does not slow down what runs next.
                ::sync();
            }),
        size, Waits::Never);
    configure(benchmark::RegisterBenchmark(nameOf("WriteSyncRename", size).c_str(),
                  [page, durableTarget, size](benchmark::State &state) {
                      const QByteArray bytes = loadOrSkip(state, page);
                      for (auto _ : state) {
                          if (!WriteFileDurably(
                                  durableTarget.c_str(), bytes.constData(), static_cast<std::size_t>(bytes.size())))
                              state.SkipWithError("durable write failed");
                      }
                      countBytes(state, size.bytes);
                  }),
        size, Waits::ForDisk);
}

void registerJobs(const PageWorkspace &workspace, const PageSize &size)
{
    const QString page = workspace.page(size);
    const std::string path = QFile::encodeName(page).toStdString();
    const QString jobTarget = workspace.target("saved", size);
    const std::string plainTarget = QFile::encodeName(workspace.target("copied", size)).toStdString();
    const std::string durableTarget = QFile::encodeName(workspace.target("copied-durably", size)).toStdString();

    const auto registerJob = [&](const char *name, TypedText typed) {
        configure(benchmark::RegisterBenchmark(nameOf(name, size).c_str(),
                      [page, jobTarget, size, typed](benchmark::State &state) {
                          for (auto _ : state) {
                              if (OpenThenSave(page, jobTarget, typed))
                                  state.SkipWithError("open-then-save failed");
                          }
                          countBytes(state, size.bytes);
                      }),
            size, Waits::ForDisk);
    };
    registerJob("OpenThenSave", TypedText::Ascii);
    registerJob("OpenThenSaveTypingBeyondAscii", TypedText::BeyondAscii);

    configure(benchmark::RegisterBenchmark(nameOf("ReadWrite", size).c_str(),
                  [path, plainTarget, size](benchmark::State &state) {
                      for (auto _ : state) {
                          const RawFile file = ReadWholeFile(path.c_str());
                          if (!file.bytes || !WriteWholeFile(plainTarget.c_str(), file.bytes.get(), file.size))
                              state.SkipWithError("read or write failed");
                      }
                      countBytes(state, size.bytes);
                      ::sync();
                  }),
        size, Waits::Never);
    configure(benchmark::RegisterBenchmark(nameOf("ReadWriteSyncRename", size).c_str(),
                  [path, durableTarget, size](benchmark::State &state) {
                      for (auto _ : state) {
                          const RawFile file = ReadWholeFile(path.c_str());
                          if (!file.bytes || !WriteFileDurably(durableTarget.c_str(), file.bytes.get(), file.size))
                              state.SkipWithError("read or durable write failed");
                      }
                      countBytes(state, size.bytes);
                  }),
        size, Waits::ForDisk);
}

} // namespace

void AddPageComparisons(RatioReporter &reporter)
{
    using Clock = RatioReporter::Clock;
    reporter.compare(
        "LoadPage", "ReadIntoPreallocatedBuffer", "LoadPage / read(2) into a preallocated buffer", Clock::Cpu);
    reporter.compare(
        "LoadPage", "ReadIntoNewBuffer", "LoadPage / open+fstat+malloc+read(2) into a new buffer", Clock::Cpu, false);
    reporter.compare("ReadMetaTag", "Memchr", "ReadMetaTag, absent word / memchr, absent byte", Clock::Cpu);
    reporter.compare("TrimPageToTitle", "Memchr", "TrimPageToTitle / memchr, absent byte", Clock::Cpu);
    reporter.compare(
        "WriteMetaPage", "WriteSyncRename", "WriteMetaPage / write(2)+fsync+rename+fsync(folder)", Clock::Real);
    reporter.compare("WriteMetaPage", "Write", "WriteMetaPage / write(2) alone, no fsync", Clock::Real, false);
    reporter.compare(
        "OpenThenSave", "ReadWriteSyncRename", "open-then-save / read-all + durable write-all", Clock::Real);
    reporter.compare(
        "OpenThenSave", "ReadWrite", "open-then-save / read-all + write-all, no fsync", Clock::Real, false);
    reporter.compare("OpenThenSaveTypingBeyondAscii", "ReadWriteSyncRename",
        "open-then-save, typing beyond ASCII / read-all + durable write-all", Clock::Real);
}

void RegisterPageBenchmarks(const PageWorkspace &workspace, const PageSize &size)
{
    registerLoad(workspace, size);
    registerScans(workspace, size);
    registerWrites(workspace, size);
    registerJobs(workspace, size);
}

} // namespace bench
