#include "platform/ui/qt/DisplayProbe.h"

#include "platform/os/TcpSocket.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>

namespace vq {
namespace {

using Clock = std::chrono::steady_clock;

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// The start of an X connection set-up (little-endian, protocol 11.0, no authorisation): any X
// server answers it at once, with success, failure or a request to authenticate.
bool AnswersSetUp(TcpSocket& socket, Clock::time_point deadline) {
    static const char kSetUp[12] = {'l', 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    if (!socket.SendAll(kSetUp, sizeof kSetUp, MillisecondsLeft(deadline)))
        return false;
    char answer[8];
    return socket.Receive(answer, sizeof answer, MillisecondsLeft(deadline)) > 0;
}

struct XDisplayName {
    std::string host; // empty: this machine, through the local socket
    int number = -1;
};

// "[protocol/][host]:number[.screen]"; number -1 when the name cannot be read.
XDisplayName ReadXDisplayName(const std::string& name) {
    XDisplayName display;
    std::string rest = name;
    std::string protocol;
    if (const std::size_t slash = rest.find('/'); slash != std::string::npos && slash < rest.rfind(':')) {
        protocol = rest.substr(0, slash);
        rest = rest.substr(slash + 1);
    }
    const std::size_t colon = rest.rfind(':');
    if (colon == std::string::npos || colon + 1 >= rest.size())
        return display;
    display.host = rest.substr(0, colon);
    // "host::0" names a DECnet node, which nothing here speaks.
    if (!display.host.empty() && display.host.back() == ':')
        return display;
    if (display.host == "unix" || protocol == "unix")
        display.host.clear();
    else if (display.host.empty() && (protocol == "tcp" || protocol == "inet" || protocol == "inet6"))
        display.host = "localhost";
    char* end = nullptr;
    const long number = std::strtol(rest.c_str() + colon + 1, &end, 10);
    if (end == rest.c_str() + colon + 1 || (*end != '\0' && *end != '.') || number < 0 || number > 59535)
        return display;
    display.number = static_cast<int>(number);
    return display;
}

// The path of a Wayland display name: a path as it stands, a name in XDG_RUNTIME_DIR; empty when
// there is none.
std::string WaylandSocketPath(const std::string& name) {
    if (name.empty() || name[0] == '/')
        return name;
    const std::string runtime = Environment("XDG_RUNTIME_DIR");
    return runtime.empty() ? std::string() : runtime + "/" + name;
}

} // namespace

bool XDisplayAnswers(const std::string& name, int timeoutMs, TcpSocket& connection) {
    connection.Close();
    const XDisplayName display = ReadXDisplayName(name);
    if (display.number < 0)
        return false;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!display.host.empty()) {
        if (!connection.Connect(CString(display.host), 6000 + display.number, MillisecondsLeft(deadline)))
            return false;
        return AnswersSetUp(connection, deadline);
    }
    // A local server listens under an abstract name and as a file; the client library tries the
    // abstract name first.
    const std::string path = "/tmp/.X11-unix/X" + std::to_string(display.number);
    for (const std::string& socketName : {"@" + path, path})
        if (connection.ConnectLocal(CString(socketName), MillisecondsLeft(deadline)))
            return AnswersSetUp(connection, deadline);
    return false;
}

bool WaylandDisplayAnswers(const std::string& name, int timeoutMs, TcpSocket& connection) {
    connection.Close();
    const std::string path = WaylandSocketPath(name);
    if (path.empty())
        return false;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!connection.ConnectLocal(CString(path), MillisecondsLeft(deadline)))
        return false;
    // wl_display.sync (object 1, request 0, a message of 12 bytes) with the new callback object 2:
    // a compositor answers it with the callback's "done" event once it has read it.
    static const std::uint32_t kSync[3] = {1, 12u << 16, 2};
    if (!connection.SendAll(reinterpret_cast<const char*>(kSync), sizeof kSync, MillisecondsLeft(deadline)))
        return false;
    char answer[8];
    return connection.Receive(answer, sizeof answer, MillisecondsLeft(deadline)) > 0;
}

bool PlatformReachesAPerson(const std::string& platform) {
    return platform == "xcb" || platform.rfind("wayland", 0) == 0;
}

void ChooseQtPlatform(QtPlatformChoice& choice, int timeoutMs) {
    const std::string chosen = Environment("QT_QPA_PLATFORM");
    const std::string display = Environment("DISPLAY");
    const std::string wayland = Environment("WAYLAND_DISPLAY");
    const std::string first = chosen.substr(0, chosen.find(';'));
    const std::string name = first.substr(0, first.find(':'));
    const std::string given = chosen.empty() ? std::string() : " (QT_QPA_PLATFORM=" + chosen + ")";
    choice.person = false;
    choice.platform = "offscreen";
    if (name == "offscreen" || name == "minimal" || name == "minimalegl") {
        // Drawn off screen by choice: a program that works the widgets itself may want them there.
        choice.platform = chosen;
        choice.why = "Qt draws off screen" + given;
        return;
    }
    if (!name.empty() && !PlatformReachesAPerson(name)) {
        choice.why =
            "Qt's platform \"" + name + "\"" + given + " shows the windows to nobody who can answer them";
        return;
    }
    const bool wantsX = name.empty() ? !display.empty() : name == "xcb";
    const std::string waylandName = wayland.empty() ? "wayland-0" : wayland;
    const std::string waylandPath = WaylandSocketPath(waylandName);
    const std::string waylandShown =
        waylandPath.empty() ? waylandName + " (XDG_RUNTIME_DIR is not set)" : waylandPath;
    const bool wantsWayland = name.empty() ? !wayland.empty() : !wantsX;
    if (wantsX) {
        choice.display = display;
        if (XDisplayAnswers(display, timeoutMs, choice.probe)) {
            choice.platform = name.empty() ? "xcb;offscreen" : chosen + ";offscreen";
            choice.person = true;
            return;
        }
    }
    if (wantsWayland) {
        if (WaylandDisplayAnswers(waylandName, timeoutMs, choice.probe)) {
            choice.display = waylandPath;
            choice.platform = name.empty() ? "wayland;offscreen" : chosen + ";offscreen";
            choice.person = true;
            return;
        }
    }
    choice.probe.Close();
    if (!wantsX && !wantsWayland)
        choice.why = "there is no display (DISPLAY and WAYLAND_DISPLAY are not set)";
    else if (wantsX && display.empty())
        choice.why = "there is no X display (DISPLAY is not set)" + given;
    else if (wantsX && !wantsWayland)
        choice.why = "the X display \"" + display + "\"" + given + " does not answer";
    else if (!wantsX)
        choice.why = "the Wayland display \"" + waylandShown + "\"" + given + " does not answer";
    else
        choice.why = "neither the X display \"" + display + "\" nor the Wayland display \"" + waylandShown +
                     "\" answers";
}

} // namespace vq
