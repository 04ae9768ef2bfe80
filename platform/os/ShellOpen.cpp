#include "platform/os/ShellOpen.h"

#include "platform/base/Folders.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vq {

bool SpawnDetached(const CString& program, const std::vector<CString>& arguments) {
    if (program.IsEmpty())
        return false;
    // Everything the children need is prepared before fork: after it only async-signal-safe calls.
    std::vector<std::string> storage;
    storage.push_back(program.str());
    for (const CString& a : arguments)
        storage.push_back(a.str());
    std::vector<char*> argv;
    for (std::string& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    // A pipe closed on a successful exec tells the parent whether the program started; the middle
    // child exits at once, so the program is adopted by init and never becomes our zombie.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return false;
    const pid_t middle = ::fork();
    if (middle < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (middle == 0) {
        ::close(report[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            const int devnull = ::open("/dev/null", O_RDWR);
            if (devnull >= 0) {
                ::dup2(devnull, 0);
                ::dup2(devnull, 1);
                ::dup2(devnull, 2);
            }
            // The host ignores the signals of failed writes (it handles the failure), and a window's
            // loop holds SIGPIPE back on its thread; the program started gets them as programs
            // expect, ending when its reader goes away.
            ::signal(SIGPIPE, SIG_DFL);
            ::signal(SIGXFSZ, SIG_DFL);
            sigset_t failedWrites;
            sigemptyset(&failedWrites);
            sigaddset(&failedWrites, SIGPIPE);
            sigaddset(&failedWrites, SIGXFSZ);
            ::sigprocmask(SIG_UNBLOCK, &failedWrites, nullptr);
            ::execvp(argv[0], argv.data());
            const int error = errno;
            [[maybe_unused]] ssize_t n = ::write(report[1], &error, sizeof error);
            ::_exit(127);
        }
        if (grandchild < 0) {
            const int error = errno;
            [[maybe_unused]] ssize_t n = ::write(report[1], &error, sizeof error);
        }
        ::_exit(0);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    do
        got = ::read(report[0], &error, sizeof error);
    while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (got != 0)
        return false;
    // The program leads the session the middle child made: a copy handed to it stays while a
    // process of that session runs.
    for (const CString& a : arguments)
        HandedToViewer(a, static_cast<long>(middle));
    return true;
}

namespace {

class DesktopShell : public ShellOpener {
public:
    bool OpenFile(const CString& path) override {
        const CString native = NativePath(path);
        struct stat st;
        if (native.IsEmpty() || ::stat(native.c_str(), &st) != 0)
            return false;
        return SpawnDetached("xdg-open", {native});
    }
    bool StartProgram(const CString& program, const std::vector<CString>& arguments) override {
        return SpawnDetached(program, arguments);
    }
};

ShellOpener* g_opener = nullptr;

} // namespace

ShellOpener& ActiveShellOpener() {
    static DesktopShell desktop;
    return g_opener ? *g_opener : desktop;
}

ShellOpener* SetShellOpener(ShellOpener* opener) {
    ShellOpener* old = g_opener;
    g_opener = opener;
    return old;
}

} // namespace vq
