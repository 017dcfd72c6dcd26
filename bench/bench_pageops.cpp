// The page operations beside the plain system calls that do the same work, on
// generated pages of 1, 64 and 256 MiB; the byte searches and the UTF-8 check
// beside memchr; saving 1,000 pages on one thread and on eight; and the peak
// memory of one open-then-save. Run by hand: build/default/bench/bench_pageops.

#include "OpenThenSave.h"
#include "Paired.h"

#include <ByteSearch.h>
#include <FileReplacement.h>
#include <PageEncoding.h>
#include <ParallelJobs.h>
#include <ReadMetaTag.h>
#include <TrimPageToTitle.h>
#include <WriteMetaPage.h>

#include <QByteArrayMatcher>
#include <QFile>
#include <QTemporaryDir>

#include <array>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr qint64 MiB = 1024 * 1024;
// A word that a generated page never holds, so that looking for it scans the
// whole page; the page has a lower-case "keywords" tag instead, as many real
// pages do, and "Key" and "Words" all over its text.
constexpr QByteArrayView AbsentWord = "KeyWords";
constexpr char AbsentByte = '\x01';

// The next of a fixed sequence, so that every run measures the same pages.
std::size_t nextOf(quint64 &state, std::size_t bound)
{
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<std::size_t>(state % bound);
}

// An HTML page of exactly size bytes: meta tags, a title, and a body of
// elements whose words share letters and letter pairs with the tag words.
QByteArray typicalPage(qint64 size)
{
    constexpr std::array<const char *, 24> Words = { "Tag", "Data", "Key", "Keyboard", "Words", "Title", "Description",
        "Table", "Download", "Details", "Tägliche", "Übersicht", "the", "of", "and", "records", "<b>Key</b>",
        "<a href=\"Key_Words.html\">Key Words</a>", "keyed", "meta", "content", "Desk", "Key-Words", "Wordsmith" };
    constexpr std::array<const char *, 4> Elements[]
        = { { "<p>", "</p>\r\n" }, { "<tr><td>", "</td></tr>\r\n" }, { "<li>", "</li>\r\n" }, { "<h2>", "</h2>\r\n" } };
    QByteArray page = "<!DOCTYPE html>\r\n<html><head>\r\n<meta charset=\"utf-8\">\r\n"
                      "<meta name=\"Title\" content=\"Tables of Data and Key Figures\">\r\n"
                      "<meta name=\"Description\" content=\"Daily Tables, Details and Downloads\">\r\n"
                      "<meta name=\"keywords\" content=\"data, tables, key words\">\r\n"
                      "<title>Tables of Data and Key Figures</title>\r\n</head><body>\r\n";
    page.reserve(size);
    quint64 state = 0x9E3779B97F4A7C15ULL;
    const QByteArrayView tail = "</body></html>\r\n";
    while (page.size() < size - tail.size() - 1024) {
        const auto &element = Elements[nextOf(state, std::size(Elements))];
        page.append(element[0]);
        for (std::size_t i = 3 + nextOf(state, 12); i > 0; --i)
            page.append(Words[nextOf(state, Words.size())]).append(i > 1 ? " " : "");
        page.append(element[1]);
    }
    return page.append(QByteArray(size - tail.size() - page.size(), ' ')).append(tail);
}

// Nothing but the tag words' letters in a random order: the first and last
// bytes of "KeyWords" stand seven apart about every 256 bytes.
QByteArray letterPage(qint64 size)
{
    constexpr QByteArrayView Letters = "KeyWordsTitlDscpn";
    QByteArray page(size, Qt::Uninitialized);
    quint64 state = 0x2545F4914F6CDD1DULL;
    for (char &byte : page)
        byte = Letters[static_cast<qsizetype>(nextOf(state, static_cast<std::size_t>(Letters.size())))];
    for (qsizetype at = page.indexOf(AbsentWord); at >= 0; at = page.indexOf(AbsentWord, at))
        page[at] = 'k';
    return page;
}

// One read(2) of the whole file, which Linux gives whole for a regular file.
bool readInto(const std::string &path, char *buffer, qint64 size)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool read = fd >= 0 && ::read(fd, buffer, static_cast<std::size_t>(size)) == size;
    return fd >= 0 && ::close(fd) == 0 && read;
}

// write(2), fsync, rename over the target and fsync of the folder: the least
// that replaces a file durably.
bool writeDurably(const std::string &folder, const std::string &name, QByteArrayView bytes)
{
    const std::string temporary = folder + "/." + name, target = folder + "/" + name;
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool written = fd >= 0 && ::write(fd, bytes.data(), static_cast<std::size_t>(bytes.size())) == bytes.size()
        && ::fsync(fd) == 0 && ::close(fd) == 0 && std::rename(temporary.c_str(), target.c_str()) == 0;
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return written && dir >= 0 && ::fsync(dir) == 0 && ::close(dir) == 0;
}

const metatags::PerTag<QByteArray> NewValues { "Tables of Data", "Daily tables of data", "data, tables" };

// The meta page saved as a save puts it in place.
bool saveMetaPage(const QString &target, const QByteArray &page)
{
    return metatags::ReplaceFile(target, [&](QIODevice &device) {
        return metatags::WriteMetaPage(device, NewValues, page);
    }).has_value();
}

struct Workspace
{
    QTemporaryDir dir;
    std::string folder = QFile::encodeName(dir.path()).toStdString();
    QString page(qint64 size) const { return dir.filePath(QStringLiteral("page-%1.html").arg(size)); }
    std::string pagePath(qint64 size) const { return QFile::encodeName(page(size)).toStdString(); }
};

void registerFileOperations(const Workspace &space, qint64 size, int iterations)
{
    const QString page = space.page(size), saved = space.dir.filePath(QStringLiteral("saved.html"));
    const std::string path = space.pagePath(size), folder = space.folder;
    const QByteArray bytes = metatags::LoadPage(page).value().bytes;
    const auto add = [&](const std::string &name, const std::function<bool()> &subject,
                         const std::vector<bench::Baseline> &baselines) {
        bench::AddPaired(name + "/" + std::to_string(size / MiB) + "MiB", iterations, subject, baselines, size);
    };
    const auto buffer = std::make_shared<QByteArray>(size, '\0');
    const auto unfound = [size](const char *from) { return !std::memchr(from, AbsentByte, std::size_t(size)); };
    const bench::Baseline read { "read", [=] { return readInto(path, buffer->data(), size); } };
    const bench::Baseline durable { "write_fsync_rename", [=] { return writeDurably(folder, "durable.html", bytes); } };
    const bench::Baseline readDurable { "read_write_fsync_rename",
        [=] { return readInto(path, buffer->data(), size) && writeDurably(folder, "copy.html", *buffer); } };

    add("LoadPage", [=] { return metatags::LoadPage(page).has_value(); }, { read });
    add("ReadMetaTag", [=] { return !metatags::ReadMetaTag(bytes, AbsentWord).hasValue(); },
        { { "memchr", [=] { return unfound(bytes.data()); } } });
    // The trim works on a copy of its own, as on the editor's buffer; so does its baseline.
    add("TrimPageToTitle",
        [=] {
            QByteArray copy(bytes.data(), size);
            return metatags::TrimPageToTitle(copy);
        },
        { { "copy_memchr", [=] { return unfound(QByteArray(bytes.data(), size).data()); } } });
    add("WriteMetaPage", [=] { return saveMetaPage(saved, bytes); }, { durable });
    add("OpenThenSave", [=] { return bench::OpenThenSave(page, saved); }, { readDurable });
}

// The searches a page operation could use for a tag word, and the UTF-8
// checks, each beside memchr for a byte that is not there.
void registerScans(const char *name, QByteArray (*makePage)(qint64))
{
    const auto page = std::make_shared<QByteArray>(makePage(64 * MiB));
    const bench::Baseline memchr { "memchr",
        [=] { return !std::memchr(page->data(), AbsentByte, static_cast<std::size_t>(page->size())); } };
    const QByteArrayMatcher matcher(AbsentWord);
    const auto add = [&](const std::string &what, const std::function<bool()> &subject) {
        bench::AddPaired(what + "/" + name, 40, subject, { memchr }, page->size());
    };
    add("FindBytes", [=] { return metatags::FindBytes(*page, AbsentWord) < 0; });
    add("QByteArrayView::indexOf", [=] { return QByteArrayView(*page).indexOf(AbsentWord) < 0; });
    add("QByteArrayMatcher", [=] { return matcher.indexIn(*page) < 0; });
    add("QByteArrayView::isValidUtf8", [=] { return QByteArrayView(*page).isValidUtf8(); });
}

// 1,000 small pages saved durably, as apply saves them, on one thread and on
// up to eight.
void registerSaveThreads(const Workspace &space)
{
    const QByteArray page = typicalPage(4 * 1024);
    const auto save = [=, &space](std::size_t threads) {
        cli::RunInOrder(
            1000, threads,
            [&](std::size_t i) {
                return saveMetaPage(space.dir.filePath(QStringLiteral("saved-%1.html").arg(i)), page);
            },
            [](std::size_t) {});
        return true;
    };
    bench::AddPaired(
        "Save1000Pages/8_threads", 5, [=] { return save(8); }, { { "1_thread", [=] { return save(1); } } });
}

// The peak memory (ru_maxrss) of a child that does the work, in MiB, or -1.
double peakOfChild(const std::function<bool()> &work)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(work() ? 0 : 1);
    int status = 0;
    rusage usage {};
    const bool done = child > 0 && ::wait4(child, &status, 0, &usage) == child && WIFEXITED(status);
    return done && WEXITSTATUS(status) == 0 ? double(usage.ru_maxrss) / 1024 : -1;
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const Workspace space;
    for (const qint64 size : { MiB, 64 * MiB, 256 * MiB }) {
        QFile file(space.page(size));
        if (!file.open(QIODevice::WriteOnly) || file.write(typicalPage(size)) != size || !file.flush())
            return 1;
    }
    ::sync(); // so that no write-back of the pages runs under the first timings
    // The peak memory of one open-then-save of the 256 MiB page, beside a
    // child that saves only a small page, which holds the libraries' own
    // share. Measured first, while this process is small: a forked child
    // starts from its parent's peak.
    const QString saved = space.dir.filePath(QStringLiteral("peak.html"));
    const auto small = [&] { return bench::OpenThenSave(space.page(MiB), saved); };
    const double base = peakOfChild(small);
    const double peak = peakOfChild([&] { return small() && bench::OpenThenSave(space.page(256 * MiB), saved); });
    benchmark::RegisterBenchmark("PeakMemory/OpenThenSave/256MiB", [=](benchmark::State &state) {
        for (auto _ : state)
            if (base < 0 || peak < 0)
                state.SkipWithError("a measuring child failed");
        state.counters["base_MiB"] = base;
        state.counters["peak_MiB"] = peak;
        state.counters["pages_over_base"] = (peak - base) / 256;
    })->Iterations(1);
    registerFileOperations(space, MiB, 50);
    registerFileOperations(space, 64 * MiB, 8);
    registerFileOperations(space, 256 * MiB, 4);
    registerScans("typical_page", typicalPage);
    registerScans("letters_of_tag_words", letterPage);
    registerSaveThreads(space);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
