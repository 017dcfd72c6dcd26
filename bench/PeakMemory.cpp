#include "PeakMemory.h"

#include "OpenThenSave.h"

#include <cerrno>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {

namespace {

qint64 maxResidentBytes()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return qint64 { usage.ru_maxrss } * 1024; // Linux reports kilobytes
}

[[noreturn]] void runChild(int output, const QString &smallPage, const QString &page, const QString &target)
{
    PeakMemory memory;
    const bool warmedUp = !OpenThenSave(smallPage, target, TypedText::Ascii).has_value();
    memory.base = maxResidentBytes();
    const bool saved = warmedUp && !OpenThenSave(page, target, TypedText::Ascii).has_value();
    memory.peak = maxResidentBytes();
    const bool reported = saved && ::write(output, &memory, sizeof memory) == static_cast<ssize_t>(sizeof memory);
    ::_exit(reported ? 0 : 1);
}

} // namespace

std::optional<PeakMemory> MeasureOpenThenSave(const QString &smallPage, const QString &page, const QString &target)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        runChild(channel[1], smallPage, page, target);
    }
    ::close(channel[1]);

    PeakMemory memory;
    ssize_t got = -1;
    if (child > 0) {
        do
            got = ::read(channel[0], &memory, sizeof memory);
        while (got < 0 && errno == EINTR);
    }
    ::close(channel[0]);
    int status = 0;
    if (child > 0)
        ::waitpid(child, &status, 0);
    if (got != static_cast<ssize_t>(sizeof memory) || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return memory;
}

} // namespace bench
