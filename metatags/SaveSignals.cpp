#include "SaveSignals.h"

#ifdef Q_OS_UNIX
#include <array>
#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <unistd.h>
#endif

namespace metatags {

#ifdef Q_OS_UNIX

namespace {

// A signal handler can reach only what is static, so the names of the saves in
// progress live here, built before they are needed: the handler only reads
// them and calls unlink(), both safe inside a handler.
struct NameSlot
{
    enum State : int { Free, Filling, Ready };
    std::atomic<int> state { Free };
    char name[PATH_MAX] {};
};
static_assert(std::atomic<int>::is_always_lock_free);

// More than the batch tool's saving threads.
std::array<NameSlot, 32> pendingNames;

extern "C" void removeTemporaryFilesAndEnd(int signal)
{
    for (NameSlot &slot : pendingNames) {
        if (slot.state.load() == NameSlot::Ready)
            ::unlink(slot.name);
    }
    // SA_RESETHAND has put back the default action; it ends the process once
    // the handler returns and the signal is unblocked.
    ::raise(signal);
}

void removeTemporaryFilesOn(int signal)
{
    struct sigaction previous
    { };
    if (::sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN)
        return;
    struct sigaction action
    { };
    action.sa_handler = removeTemporaryFilesAndEnd;
    action.sa_flags = static_cast<int>(SA_RESETHAND);
    sigfillset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
}

} // namespace

void PrepareProcessForSaves()
{
    ::signal(SIGXFSZ, SIG_IGN);
    for (const int signal : { SIGINT, SIGTERM, SIGHUP })
        removeTemporaryFilesOn(signal);
}

TemporaryNameGuard::TemporaryNameGuard(const QByteArray &name)
{
    if (name.size() >= PATH_MAX)
        return;
    for (std::size_t i = 0; i < pendingNames.size(); ++i) {
        int expected = NameSlot::Free;
        if (pendingNames[i].state.compare_exchange_strong(expected, NameSlot::Filling)) {
            qstrncpy(pendingNames[i].name, name.constData(), sizeof pendingNames[i].name);
            pendingNames[i].state.store(NameSlot::Ready);
            m_slot = static_cast<int>(i);
            return;
        }
    }
}

TemporaryNameGuard::~TemporaryNameGuard()
{
    if (m_slot != -1)
        pendingNames[static_cast<std::size_t>(m_slot)].state.store(NameSlot::Free);
}

#else

void PrepareProcessForSaves()
{ }

TemporaryNameGuard::TemporaryNameGuard(const QByteArray &)
{ }

TemporaryNameGuard::~TemporaryNameGuard() = default;

#endif

} // namespace metatags
