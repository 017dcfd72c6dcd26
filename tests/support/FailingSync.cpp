// Preloaded into a test (LD_PRELOAD): once the test sets a switch below, which
// it finds by name, fsync (all a save calls) fails with EIO, or another
// program's file appears just before a renameat2.

#include <cerrno>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

extern "C" {

int tagwright_fail_sync = 0;
int tagwright_race_rename = 0;

int fsync(int descriptor)
{
    if (tagwright_fail_sync == 0)
        return reinterpret_cast<decltype(&fsync)>(::dlsym(RTLD_NEXT, "fsync"))(descriptor);
    errno = EIO;
    return -1;
}

int renameat2(int fromFolder, const char *from, int toFolder, const char *to, unsigned int flags)
{
    if (tagwright_race_rename != 0)
        ::close(::openat(toFolder, to, O_WRONLY | O_CREAT | O_EXCL, 0644));
    return reinterpret_cast<decltype(&renameat2)>(::dlsym(RTLD_NEXT, "renameat2"))(
        fromFolder, from, toFolder, to, flags);
}

} // extern "C"
