#include "platform/os/TcpSocket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>

namespace vq {
namespace {

int WaitFor(int fd, short events, int timeoutMs) {
    if (fd < 0)
        return -1;
    pollfd pfd{fd, events, 0};
    for (;;) {
        int rc = ::poll(&pfd, 1, timeoutMs < 0 ? -1 : timeoutMs);
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc < 0)
            return -1;
        if (rc == 0)
            return 0;
        // An error or a hang-up also ends the wait: the next receive or send reports it.
        return 1;
    }
}

bool ConnectWithin(int fd, const sockaddr* address, socklen_t length, int timeoutMs) {
    int flags = ::fcntl(fd, F_GETFL, 0);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int result = ::connect(fd, address, length);
    if (result != 0 && errno == EINPROGRESS) {
        result = -1;
        if (WaitFor(fd, POLLOUT, timeoutMs) == 1) {
            int error = 0;
            socklen_t size = sizeof error;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
            result = error == 0 ? 0 : -1;
        }
    }
    ::fcntl(fd, F_SETFL, flags);
    return result == 0;
}

} // namespace

bool TcpSocket::Connect(const CString& host, int port, int timeoutMs) {
    Close();
    if (host.IsEmpty() || port <= 0 || port > 65535)
        return false;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    std::string service = std::to_string(port);
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0)
        return false;
    for (addrinfo* ai = found; ai && m_fd < 0; ai = ai->ai_next) {
        int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC, ai->ai_protocol);
        if (fd < 0)
            continue;
        if (ConnectWithin(fd, ai->ai_addr, ai->ai_addrlen, timeoutMs))
            m_fd = fd;
        else
            ::close(fd);
    }
    ::freeaddrinfo(found);
    return m_fd >= 0;
}

bool TcpSocket::ConnectLocal(const CString& path, int timeoutMs) {
    Close();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string& name = path.str();
    if (name.empty() || name.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, name.data(), name.size());
    // An abstract name starts with a zero byte and is as long as it is: no terminator counts.
    if (name[0] == '@')
        address.sun_path[0] = '\0';
    const auto length =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size() + (name[0] == '@' ? 0 : 1));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    if (ConnectWithin(fd, reinterpret_cast<const sockaddr*>(&address), length, timeoutMs))
        m_fd = fd;
    else
        ::close(fd);
    return m_fd >= 0;
}

int TcpSocket::WaitReadable(int timeoutMs) const {
    return WaitFor(m_fd, POLLIN, timeoutMs);
}

int TcpSocket::WaitWritable(int timeoutMs) const {
    return WaitFor(m_fd, POLLOUT, timeoutMs);
}

long TcpSocket::Receive(char* buffer, std::size_t size, int timeoutMs) {
    if (WaitReadable(timeoutMs) != 1)
        return -1;
    for (;;) {
        ssize_t n = ::recv(m_fd, buffer, size, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR)
            continue;
        return static_cast<long>(n);
    }
}

bool TcpSocket::SendAll(const char* data, std::size_t size, int timeoutMs) {
    std::size_t sent = 0;
    while (sent < size) {
        if (WaitWritable(timeoutMs) != 1)
            return false;
        ssize_t n = ::send(m_fd, data + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void TcpSocket::Close() {
    if (m_fd < 0)
        return;
    ::shutdown(m_fd, SHUT_RDWR);
    ::close(m_fd);
    m_fd = -1;
}

int ServicePort(const char* name, const char* protocol) {
    servent entry{};
    servent* found = nullptr;
    char buffer[1024];
    if (::getservbyname_r(name, protocol, &entry, buffer, sizeof buffer, &found) != 0 || !found)
        return 0;
    return ntohs(static_cast<uint16_t>(found->s_port));
}

} // namespace vq
