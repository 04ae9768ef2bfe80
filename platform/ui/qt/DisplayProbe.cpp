#include "platform/ui/qt/DisplayProbe.h"

#include "platform/os/TcpSocket.h"

#include <chrono>
#include <cstdlib>

namespace vq {
namespace {

using Clock = std::chrono::steady_clock;

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

} // namespace

bool XDisplayAnswers(const std::string& name, int timeoutMs) {
    const XDisplayName display = ReadXDisplayName(name);
    if (display.number < 0)
        return false;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    TcpSocket socket;
    if (!display.host.empty()) {
        if (!socket.Connect(CString(display.host), 6000 + display.number, MillisecondsLeft(deadline)))
            return false;
        return AnswersSetUp(socket, deadline);
    }
    // A local server listens under an abstract name and as a file; the client library tries the
    // abstract name first.
    const std::string path = "/tmp/.X11-unix/X" + std::to_string(display.number);
    for (const std::string& socketName : {"@" + path, path})
        if (socket.ConnectLocal(CString(socketName), MillisecondsLeft(deadline)))
            return AnswersSetUp(socket, deadline);
    return false;
}

bool WaylandDisplayAnswers(const std::string& name, int timeoutMs) {
    if (name.empty())
        return false;
    std::string path = name;
    if (path[0] != '/') {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (!runtime || !*runtime)
            return false;
        path = std::string(runtime) + "/" + name;
    }
    TcpSocket socket;
    return socket.ConnectLocal(CString(path), timeoutMs);
}

} // namespace vq
