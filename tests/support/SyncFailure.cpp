#include "SyncFailure.h"

#include <dlfcn.h>

namespace testsupport {

SyncFailure::SyncFailure()
    : m_switch(static_cast<int *>(::dlsym(RTLD_DEFAULT, "tagwright_fail_sync")))
{
    if (m_switch)
        __atomic_store_n(m_switch, 1, __ATOMIC_SEQ_CST);
}

SyncFailure::~SyncFailure()
{
    if (m_switch)
        __atomic_store_n(m_switch, 0, __ATOMIC_SEQ_CST);
}

QString SyncFailure::error() const
{
    return isSet() ? QString()
                   : QStringLiteral("the fsync shim is not preloaded: run this test through ctest, which sets "
                                    "LD_PRELOAD to libtagwright_failing_sync.so");
}

} // namespace testsupport
