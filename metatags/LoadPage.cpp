#include "LoadPage.h"

#include "FileKind.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <new>

#ifdef Q_OS_UNIX
#include "FileDescriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace metatags {

namespace {

// The context the messages are translated in.
struct Text
{
    Q_DECLARE_TR_FUNCTIONS(LoadPage)
};

#ifdef Q_OS_UNIX

// A page of hundreds of megabytes would otherwise take a page fault for every
// 4 KiB it fills, which costs more than reading it. Only advice: nothing fails
// without it.
void adviseHugePages(QByteArray &page)
{
#ifdef MADV_HUGEPAGE
    constexpr quintptr HugePage = 2 * 1024 * 1024;
    if (page.size() < 4 * static_cast<qsizetype>(HugePage))
        return;
    const auto start = reinterpret_cast<quintptr>(page.data());
    const quintptr begin = (start + HugePage - 1) & ~(HugePage - 1);
    const quintptr end = (start + static_cast<quintptr>(page.size())) & ~(HugePage - 1);
    ::madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
#else
    Q_UNUSED(page);
#endif
}

// read(), tried again when a signal interrupts it.
ssize_t readSome(int fd, char *into, qsizetype size)
{
    ssize_t got = 0;
    do
        got = ::read(fd, into, static_cast<size_t>(size));
    while (got < 0 && errno == EINTR);
    return got;
}

// Reads until end of file, so that a file that grows while it is read is read
// whole and one that shrinks gives what it still holds; one that keeps growing
// far past its size is refused rather than read without end.
Result<QByteArray> readToEnd(const QString &path, int fd, qsizetype expectedSize)
{
    QByteArray page(expectedSize, Qt::Uninitialized);
    adviseHugePages(page);
    qsizetype filled = 0;
    while (filled < page.size()) {
        const ssize_t got = readSome(fd, page.data() + filled, page.size() - filled);
        if (got < 0)
            return FileError { path, qt_error_string(errno) };
        if (got == 0) {
            page.truncate(filled);
            return page;
        }
        filled += got;
    }
    constexpr qsizetype GrowthAllowance = 64 * 1024 * 1024;
    const qsizetype mostBytes = 2 * expectedSize + GrowthAllowance;
    // A small probe for bytes written since the size was taken, instead of
    // growing a large buffer on the chance that there are some.
    char probe[64 * 1024];
    for (;;) {
        const ssize_t got = readSome(fd, probe, sizeof probe);
        if (got < 0)
            return FileError { path, qt_error_string(errno) };
        if (got == 0)
            return page;
        if (page.size() + got > mostBytes)
            return FileError { path,
                Text::tr("The file kept growing while it was read (past %1 bytes, from %2 when it was opened); "
                         "another program is still writing it.")
                    .arg(mostBytes)
                    .arg(expectedSize) };
        page.append(probe, got);
    }
}

Result<StampedPage> loadRegularFile(const QString &path)
{
    // O_NONBLOCK: opening a FIFO without a writer must not wait for one.
    const FileDescriptor file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() == -1) {
        // A socket cannot be opened at all; say what it is rather than "No
        // such device or address".
        const int error = errno;
        struct stat status
        { };
        if (::stat(QFile::encodeName(path).constData(), &status) == 0 && !S_ISREG(status.st_mode))
            return FileError { path, DescribeNonRegularFile(status.st_mode) };
        return FileError { path, qt_error_string(error) };
    }

    struct stat status
    { };
    if (::fstat(file.get(), &status) != 0)
        return FileError { path, qt_error_string(errno) };
    if (!S_ISREG(status.st_mode))
        return FileError { path, DescribeNonRegularFile(status.st_mode) };

    // A regular file never blocks; clear the flag so that reads behave plainly.
    const int flags = ::fcntl(file.get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK);

    Result<QByteArray> bytes = readToEnd(path, file.get(), static_cast<qsizetype>(status.st_size));
    if (!bytes)
        return bytes.error();
    // Taken after the read, so that bytes added while it ran count as read.
    return StampedPage { std::move(bytes).value(), StampOfOpenFile(file.get()) };
}

#else

Result<StampedPage> loadRegularFile(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return FileError { path, DescribeNonRegularFile(info) };

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileError { path, file.errorString() };
    StampedPage page { file.readAll(), StampOf(path) };
    if (file.error() != QFileDevice::NoError)
        return FileError { path, file.errorString() };
    return page;
}

#endif

} // namespace

Result<StampedPage> LoadPage(const QString &path)
{
    if (path.isEmpty())
        return FileError { path, Text::tr("No file name was given.") };
    try {
        return loadRegularFile(path);
    } catch (const std::bad_alloc &) {
        return FileError { path, Text::tr("There is not enough memory to hold the whole file.") };
    }
}

} // namespace metatags
