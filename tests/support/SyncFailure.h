#pragma once

#include <QString>

namespace testsupport {

// Makes every fsync and fdatasync of this process fail with EIO for as long
// as the object lives. Works only when the test runs with the FailingSync shim
// preloaded (ctest does that); error() says so otherwise.
class SyncFailure
{
public:
    SyncFailure();
    ~SyncFailure();
    SyncFailure(const SyncFailure &) = delete;
    SyncFailure &operator=(const SyncFailure &) = delete;

    bool isSet() const { return m_switch != nullptr; }
    QString error() const;

private:
    int *m_switch = nullptr;
};

} // namespace testsupport
