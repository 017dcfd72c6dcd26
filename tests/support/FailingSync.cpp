// Preloaded into a test (LD_PRELOAD) so that fsync and fdatasync fail with EIO
// on demand, and so that another program's file appears just before a
// renameat2: they pass through to the C library until the test sets the
// switches below, which it finds by name (see SyncFailure).

#include <cerrno>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

extern "C" {

// Read and written by the test thread and the saving thread alike.
int tagwright_fail_sync = 0;
int tagwright_race_rename = 0;

static int passOn(const char *name, int descriptor)
{
    const auto sync = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, name));
    if (__atomic_load_n(&tagwright_fail_sync, __ATOMIC_SEQ_CST) == 0 && sync != nullptr)
        return sync(descriptor);
    errno = sync == nullptr ? ENOSYS : EIO;
    return -1;
}

int fsync(int descriptor)
{
    return passOn("fsync", descriptor);
}

int fdatasync(int descriptor)
{
    return passOn("fdatasync", descriptor);
}

int renameat2(int fromFolder, const char *from, int toFolder, const char *to, unsigned int flags)
{
    if (__atomic_load_n(&tagwright_race_rename, __ATOMIC_SEQ_CST) != 0) {
        const int made = ::openat(toFolder, to, O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (made >= 0)
            ::close(made);
    }
    using Rename = int (*)(int, const char *, int, const char *, unsigned int);
    const auto rename = reinterpret_cast<Rename>(::dlsym(RTLD_NEXT, "renameat2"));
    return rename(fromFolder, from, toFolder, to, flags);
}

} // extern "C"
