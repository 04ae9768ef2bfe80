#include "platform/ui/qt/EndGuard.h"
#include "platform/base/EndRequest.h"

#include <QGuiApplication>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <semaphore.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#if QT_CONFIG(xcb)
// Only for the descriptor of Qt's own connection (ConnectionNumber reads the display's record).
#define XLIB_ILLEGAL_ACCESS
#include <X11/Xlib.h>
#endif

namespace vq {
namespace {

// How long the windows' loop has to take the signal before the display is taken to hold it, and
// how long after the signal the guard ends the program itself.
constexpr auto kLoopPatience = std::chrono::milliseconds(600);
constexpr auto kEndWithin = std::chrono::milliseconds(1700);
// How long after the signal a loop that has begun giving back what the windows hold may take.
constexpr auto kGiveBackWithin = std::chrono::seconds(10);

sem_t g_started;
volatile sig_atomic_t g_signal = 0;
int g_displayFd = -1;

// The descriptor of Qt's connection to an X server; -1 on another platform.
int DisplayConnection() {
#if QT_CONFIG(xcb)
    if (qGuiApp)
        if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
            if (Display* display = x11->display())
                return ConnectionNumber(display);
#endif
    return -1;
}

[[noreturn]] void EndBySignal(int signo) {
    std::fflush(stdout);
    std::fflush(stderr);
    std::signal(signo, SIG_DFL);
    std::raise(signo);
    ::_exit(128 + signo);
}

void Guard() {
    while (sem_wait(&g_started) != 0 && errno == EINTR) {
    }
    const int signo = g_signal;
    std::this_thread::sleep_for(kLoopPatience);
    // Still here: the loop has not ended the program, most likely held in a wait for a display that
    // does not answer (for its reply, or for room to write to it). Shutting the connection down
    // ends every such wait with a broken connection (a write to it then raises SIGPIPE, which goes
    // unheard now).
    if (g_displayFd >= 0) {
        std::signal(SIGPIPE, SIG_IGN);
        ::shutdown(g_displayFd, SHUT_RDWR);
    }
    std::this_thread::sleep_for(kEndWithin - kLoopPatience);
    // The loop took the signal and is giving back what the windows hold: it ends the program itself
    // when done. Only a give-back that outlasts its own timeouts is cut short.
    const auto cutOff = std::chrono::steady_clock::now() + (kGiveBackWithin - kEndWithin);
    while (GivingBack() && std::chrono::steady_clock::now() < cutOff)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EndBySignal(signo);
}

// Qt exits when its display connection breaks: with an end signal under way the program ends by
// that signal, after the windows have given back what they hold (their closer was registered
// later, so it has run by now).
void EndBySignalUnderWay() {
    if (const int signo = g_signal)
        EndBySignal(signo);
}

} // namespace

void PrepareEndGuard() {
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;
    if (sem_init(&g_started, 0, 0) != 0) {
        std::perror("vqhost: no guard of the end");
        return;
    }
    g_displayFd = DisplayConnection();
    std::atexit(EndBySignalUnderWay);
    std::thread(Guard).detach();
}

bool DisplayConnectionBroken() {
    const int fd = DisplayConnection();
    if (fd < 0)
        return false;
    // The server's end closed: what it sent before is read by Qt's own thread, so only the hang-up
    // counts, never data waiting.
    pollfd connection{fd, POLLRDHUP, 0};
    return ::poll(&connection, 1, 0) == 1 && (connection.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

void StartEndGuard(int signo) {
    if (g_signal)
        return;
    g_signal = signo;
    sem_post(&g_started);
}

} // namespace vq
