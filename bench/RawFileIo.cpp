#include "RawFileIo.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bench {

namespace {

bool readAll(int fd, char *buffer, std::size_t size)
{
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t got = ::read(fd, buffer + filled, size - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        filled += static_cast<std::size_t>(got);
    }
    return true;
}

bool writeAll(int fd, const char *bytes, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t put = ::write(fd, bytes + done, size - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

} // namespace

Bytes AllocateBytes(std::size_t size)
{
    constexpr std::size_t CacheLine = 64;
    return Bytes(static_cast<char *>(std::aligned_alloc(CacheLine, (size + CacheLine - 1) / CacheLine * CacheLine)));
}

RawFile ReadWholeFile(const char *path)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    RawFile file;
    struct stat status
    { };
    if (::fstat(fd, &status) == 0) {
        const auto size = static_cast<std::size_t>(status.st_size);
        file.bytes = AllocateBytes(size);
        file.size = size;
        if (!file.bytes || !readAll(fd, file.bytes.get(), size))
            file = {};
    }
    ::close(fd);
    return file;
}

bool ReadWholeFileInto(const char *path, char *buffer, std::size_t size)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status
    { };
    const bool ok
        = ::fstat(fd, &status) == 0 && static_cast<std::size_t>(status.st_size) == size && readAll(fd, buffer, size);
    ::close(fd);
    return ok;
}

bool WriteWholeFile(const char *path, const char *bytes, std::size_t size)
{
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = writeAll(fd, bytes, size);
    return ::close(fd) == 0 && ok;
}

bool WriteFileDurably(const char *path, const char *bytes, std::size_t size)
{
    const std::string temporary = std::string(path) + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, bytes, size) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written) {
        ::unlink(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path) != 0)
        return false;
    // The rename itself is only durable once the folder is synced.
    const std::string name(path);
    const std::string folder = name.find('/') == std::string::npos ? "." : name.substr(0, name.rfind('/') + 1);
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return false;
    const bool synced = ::fsync(folderFd) == 0;
    ::close(folderFd);
    return synced;
}

} // namespace bench
