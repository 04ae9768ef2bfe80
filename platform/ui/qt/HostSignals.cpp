// The end of a host on a signal that would otherwise end it where it stands (VqHostCatchEndSignals):
// SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM and every other one whose default
// is to end the program and that can be caught, but for those a failed write raises. The signal is
// passed from its handler through a pipe to the windows' event loop, which destroys every window
// (each gives back what it holds, the step a review window marks as worked on) and then ends the
// program by the same signal, as it would have ended without the handler. The windows are
// destroyed without a word to the display, and the end comes within 2 seconds of the signal
// even when the display holds the loop (EndGuard.h), or within 10 once the windows are giving back
// what they hold; a transfer under way stops at once.
// Headless (VqHostCatchEndSignalsHeadless) there is no loop to pass it to: the transfer under way
// stops, the script stops as at a failure so that the call unwinds and its windows close, and the
// host then ends by the signal (VqHostFinishHeadless), within the same limits.
// SIGPIPE and SIGXFSZ, which a write to a closed pipe or socket or past the file size limit
// raises, are ignored: the write fails instead (EPIPE, EFBIG) and is handled where it is made.
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
#include <vector>

namespace {

// The signals that end a program unless it catches them (SIGKILL and SIGSTOP cannot be caught;
// those of a fault the program made, SIGSEGV and the like, are not asked for from outside).
const std::vector<int>& EndSignals() {
    static const std::vector<int> caught = [] {
        std::vector<int> list = {SIGINT,    SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2,  SIGALRM,
                                 SIGVTALRM, SIGPROF, SIGIO,  SIGPWR,  SIGXCPU, SIGSTKFLT};
        for (int signo = SIGRTMIN; signo <= SIGRTMAX; ++signo)
            list.push_back(signo);
        return list;
    }();
    return caught;
}

constexpr int kIgnoredSignals[] = {SIGPIPE, SIGXFSZ};

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
    if (g_pipe[1] >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    }
}

// The handlers, on every end signal that is not ignored now; the signals of failed writes ignored.
void InstallHandlers() {
    for (int signo : kIgnoredSignals)
        std::signal(signo, SIG_IGN);
    for (int signo : EndSignals()) {
        struct sigaction previous {};
        if (::sigaction(signo, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = OnEndSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(signo, &action, nullptr);
    }
}

void EndOnSignal() {
    unsigned char byte = 0;
    if (::read(g_pipe[0], &byte, 1) != 1)
        return;
    for (int signo : EndSignals())
        std::signal(signo, SIG_DFL);
    vq::BeginGivingBack();
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
    InstallHandlers();
}

extern "C" void VqHostCatchEndSignalsHeadless() {
    static bool caught = false;
    if (caught || g_pipe[0] >= 0)
        return;
    caught = true;
    vq::PrepareEndGuard();
    InstallHandlers();
}

namespace vq {

void EndIfSignalled() {
    const int signo = g_pending;
    if (!signo)
        return;
    for (int other : EndSignals())
        std::signal(other, SIG_DFL);
    std::fflush(stdout);
    std::fflush(stderr);
    const struct rlimit noCore { 0, 0 };
    ::setrlimit(RLIMIT_CORE, &noCore);
    EndAtOnce(signo);
    ::_exit(128 + signo);
}

} // namespace vq
