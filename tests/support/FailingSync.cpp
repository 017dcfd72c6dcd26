// Preloaded into a test (LD_PRELOAD): once the test sets a switch below, which
// it finds by name, fsync (all a save calls) fails with EIO; another program's
// file appears just before a renameat2 (1), or a renameat2 that works finds
// errno at EEXIST (2), as a retried temporary name leaves it; or fstat says
// size 0, as for a file that grows from nothing while it is read.

#include <cerrno>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {

int tagwright_fail_sync = 0;
int tagwright_race_rename = 0;
int tagwright_hide_size = 0;

int fsync(int descriptor)
{
    if (tagwright_fail_sync == 0)
        return reinterpret_cast<decltype(&fsync)>(::dlsym(RTLD_NEXT, "fsync"))(descriptor);
    errno = EIO;
    return -1;
}

int renameat2(int fromFolder, const char *from, int toFolder, const char *to, unsigned int flags)
{
    if (tagwright_race_rename == 1)
        ::close(::openat(toFolder, to, O_WRONLY | O_CREAT | O_EXCL, 0644));
    errno = tagwright_race_rename == 2 ? EEXIST : errno;
    return reinterpret_cast<decltype(&renameat2)>(::dlsym(RTLD_NEXT, "renameat2"))(
        fromFolder, from, toFolder, to, flags);
}

int fstat(int descriptor, struct stat *status)
{
    const int result = reinterpret_cast<decltype(&fstat)>(::dlsym(RTLD_NEXT, "fstat"))(descriptor, status);
    status->st_size = tagwright_hide_size != 0 ? 0 : status->st_size;
    return result;
}

} // extern "C"
