// A Qt Widgets program of someone else's that calls the library (WindowCallTest starts it): it
// makes its own application object and main window, calls one entry function by name from its
// event loop (a modal dialog runs inside that call, a modeless window stays open after it) and
// keeps running its loop. SIGUSR1 makes it call exit(0) from its loop, SIGUSR2 quit its
// application; once its loop has ended it says so and returns from main.
//
//     vqqtprogram ENTRY [ARG...]
#include "host/EntryCall.h"

#include <QApplication>
#include <QMainWindow>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

int g_pipe[2] = {-1, -1};

void OnSignal(int signo) {
    const unsigned char byte = static_cast<unsigned char>(signo);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
}

const vq::EntryInfo* FindEntry(const std::string& name) {
    int count = 0;
    const vq::EntryInfo* entries = VqEntryTable(&count);
    return vqhost::FindEntry(entries, count, name);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    const vq::EntryInfo* entry = args.empty() ? nullptr : FindEntry(args[0]);
    if (!entry) {
        std::fprintf(stderr, "usage: vqqtprogram ENTRY [ARG...]\n");
        return 2;
    }
    args.erase(args.begin());
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return 2;
    QSocketNotifier notifier(g_pipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [] {
        unsigned char signo = 0;
        if (::read(g_pipe[0], &signo, 1) != 1)
            return;
        std::fflush(stdout);
        if (signo == SIGUSR1)
            std::exit(0);
        QCoreApplication::quit();
    });
    std::signal(SIGUSR1, OnSignal);
    std::signal(SIGUSR2, OnSignal);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("someone else's program"));
    window.resize(400, 300);
    window.show();
    QTimer::singleShot(0, &window, [&] {
        const vqhost::EntryResult result = vqhost::CallEntry(*entry, args);
        std::printf("result: %s\n", result.ok ? result.text.c_str() : result.error.c_str());
        std::fflush(stdout);
    });
    const int status = QApplication::exec();
    std::printf("event loop ended: %d\n", status);
    std::fflush(stdout);
    return 0;
}
