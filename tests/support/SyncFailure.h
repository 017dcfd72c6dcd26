#pragma once

#include <dlfcn.h>

namespace testsupport {

// Makes every fsync and fdatasync of this process fail with EIO for as long
// as the object lives. Works only when the test runs with the FailingSync shim
// preloaded (ctest does that); isSet() tells.
class SyncFailure
{
public:
    SyncFailure()
        : m_switch(static_cast<int *>(::dlsym(RTLD_DEFAULT, "tagwright_fail_sync")))
    {
        if (m_switch)
            __atomic_store_n(m_switch, 1, __ATOMIC_SEQ_CST);
    }
    ~SyncFailure()
    {
        if (m_switch)
            __atomic_store_n(m_switch, 0, __ATOMIC_SEQ_CST);
    }
    SyncFailure(const SyncFailure &) = delete;
    SyncFailure &operator=(const SyncFailure &) = delete;

    bool isSet() const { return m_switch != nullptr; }

private:
    int *m_switch;
};

} // namespace testsupport
