// Preloaded into a test (LD_PRELOAD) so that fsync and fdatasync fail with EIO
// on demand: they pass through to the C library until the test sets the
// switch below, which it finds by name (see SyncFailure).

#include <cerrno>
#include <dlfcn.h>

extern "C" {

// Read and written by the test thread and the saving thread alike.
int tagwright_fail_sync = 0;

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

} // extern "C"
