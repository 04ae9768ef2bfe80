// The end of a host on SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1 and SIGUSR2 (VqHostCatchEndSignals),
// every signal that would otherwise end it where it stands: the signal is passed
// from its handler through a pipe to the windows' event loop, which destroys every window (each
// gives back what it holds, the step a review window marks as worked on) and then ends the
// program by the same signal, as it would have ended without the handler. The windows are
// destroyed without a word to the display, and the end comes within 2 seconds of the signal
// even when the display holds the loop (EndGuard.h); a transfer under way stops at once.
#include "platform/base/EndRequest.h"
#include "platform/ui/HostSupport.h"
#include "platform/ui/View.h"
#include "platform/ui/qt/EndGuard.h"
#include "platform/ui/qt/QtApplication.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int kEndSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2};

int g_pipe[2] = {-1, -1};
volatile sig_atomic_t g_pending = 0;

void EndAtOnce(int signo) {
    std::signal(signo, SIG_DFL);
    std::raise(signo);
}

// Only what may be done in a signal handler: the loop does the rest. A second signal before the
// loop came to the first (the program is busy, or waits) ends the program at once.
void OnEndSignal(int signo) {
    if (g_pending) {
        EndAtOnce(signo);
        return;
    }
    g_pending = signo;
    vq::StartEndGuard(signo);
    // A transfer running on the loop's thread stops at once and gives the loop back.
    vq::RequestEnd();
    const unsigned char byte = static_cast<unsigned char>(signo);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
}

void EndOnSignal() {
    unsigned char byte = 0;
    if (::read(g_pipe[0], &byte, 1) != 1)
        return;
    for (int signo : kEndSignals)
        std::signal(signo, SIG_DFL);
    // The display may not answer (its server stopped): nothing waits for it.
    vq::LeaveTheDisplay();
    vq::DestroyEveryWindow();
    std::fflush(stdout);
    std::fflush(stderr);
    // The windows have ended in order: a core file of that (Ctrl+\) would tell nobody anything.
    const struct rlimit noCore { 0, 0 };
    ::setrlimit(RLIMIT_CORE, &noCore);
    EndAtOnce(byte);
    ::_exit(128 + byte);
}

} // namespace

extern "C" void VqHostCatchEndSignals() {
    if (g_pipe[0] >= 0)
        return;
    vq::EnsureQtApplication();
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("vqhost: signals are not caught");
        return;
    }
    vq::PrepareEndGuard();
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] { EndOnSignal(); });
    for (int signo : kEndSignals) {
        struct sigaction previous {};
        ::sigaction(signo, nullptr, &previous);
        if (previous.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = OnEndSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(signo, &action, nullptr);
    }
}
