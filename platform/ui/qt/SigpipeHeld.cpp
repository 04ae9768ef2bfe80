#include "platform/ui/qt/SigpipeHeld.h"

#include <cerrno>
#include <ctime>
#include <pthread.h>

namespace vq {

namespace {

sigset_t OnlySigpipe() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    return set;
}

bool SigpipePending() {
    sigset_t pending;
    sigemptyset(&pending);
    return ::sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
}

} // namespace

SigpipeHeld::SigpipeHeld() {
    const sigset_t pipe = OnlySigpipe();
    sigset_t previous;
    sigemptyset(&previous);
    if (::pthread_sigmask(SIG_BLOCK, &pipe, &previous) != 0) {
        m_heldBefore = true; // nothing was changed: nothing to undo
        return;
    }
    m_heldBefore = sigismember(&previous, SIGPIPE) == 1;
    if (!m_heldBefore)
        m_pendingBefore = SigpipePending();
}

SigpipeHeld::~SigpipeHeld() {
    if (m_heldBefore)
        return;
    const int savedErrno = errno;
    const sigset_t pipe = OnlySigpipe();
    if (!m_pendingBefore && SigpipePending()) {
        const struct timespec now {0, 0};
        while (::sigtimedwait(&pipe, nullptr, &now) < 0 && errno == EINTR) {
        }
    }
    ::pthread_sigmask(SIG_UNBLOCK, &pipe, nullptr);
    errno = savedErrno;
}

} // namespace vq
