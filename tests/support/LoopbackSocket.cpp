#include "tests/support/LoopbackSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

namespace vqtest {

namespace {

// A TCP socket bound to a free port of 127.0.0.1, listening with `backlog` when one is given; the
// socket (its port in port), or -1 (port then 0).
int BindOnLoopback(std::optional<int> backlog, int& port) {
    port = 0;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        (backlog && ::listen(fd, *backlog) != 0) ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

} // namespace

int ListenOnLoopback(int backlog, int& port) {
    return BindOnLoopback(backlog, port);
}

int RefusingPortOnLoopback(int& port) {
    return BindOnLoopback(std::nullopt, port);
}

bool SendAll(int fd, const std::string& text) {
    std::size_t sent = 0;
    while (sent < text.size()) {
        ssize_t n = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace vqtest
