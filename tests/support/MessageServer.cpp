#include "tests/support/MessageServer.h"
#include "tests/support/LoopbackSocket.h"
#include "platform/com/MessageClient.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace vqtest {

MessageServer::MessageServer() {
    m_listen = ListenOnLoopback(8, m_port);
    if (m_listen < 0)
        return;
    m_thread = std::thread([this] { AcceptLoop(); });
}

MessageServer::~MessageServer() {
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listen >= 0)
        ::close(m_listen);
}

CString MessageServer::ServerName() const {
    return "127.0.0.1:" + CString(std::to_string(m_port));
}

std::vector<MessageServer::Session> MessageServer::Sessions() const {
    std::lock_guard lock(m_mutex);
    return m_sessions;
}

std::size_t MessageServer::Connections() const {
    std::lock_guard lock(m_mutex);
    return m_sessions.size();
}

bool MessageServer::WaitForClosedSessions(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
        std::size_t closed = 0;
        for (const Session& s : m_sessions)
            closed += s.closed ? 1 : 0;
        return closed >= count;
    });
}

// Connections are served one after the other: the client makes one at a time.
void MessageServer::AcceptLoop() {
    while (!m_stop) {
        pollfd pfd{m_listen, POLLIN, 0};
        if (::poll(&pfd, 1, 50) != 1)
            continue;
        int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::size_t index;
        {
            std::lock_guard lock(m_mutex);
            m_sessions.emplace_back();
            index = m_sessions.size() - 1;
        }
        Serve(fd, index);
        ::close(fd);
        {
            std::lock_guard lock(m_mutex);
            m_sessions[index].closed = true;
        }
        m_changed.notify_all();
    }
}

void MessageServer::Serve(int fd, std::size_t index) {
    if (!SendAll(fd, "OK VQMSG 1\r\n"))
        return;
    std::string pending;
    bool loggedOn = false;
    while (!m_stop) {
        std::size_t end = pending.find('\n');
        if (end == std::string::npos) {
            pollfd pfd{fd, POLLIN, 0};
            if (::poll(&pfd, 1, 50) != 1)
                continue;
            char buffer[1024];
            ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                return;
            pending.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string reply = "OK";
        bool quit = false;
        {
            std::lock_guard lock(m_mutex);
            Session& session = m_sessions[index];
            session.commands.push_back(CString(line));
            if (line.rfind("LOGON ", 0) == 0) {
                session.accounts.push_back(vq::UnescapeMessageArgument(CString(line.substr(6))));
                loggedOn = true;
            } else if (line.rfind("SEND ", 0) == 0) {
                std::string args = line.substr(5);
                std::size_t tab = args.find('\t');
                if (!loggedOn) {
                    reply = "ERR not logged on";
                } else if (tab == std::string::npos) {
                    reply = "ERR two texts expected";
                } else {
                    session.notices.emplace_back(vq::UnescapeMessageArgument(CString(args.substr(0, tab))),
                                                 vq::UnescapeMessageArgument(CString(args.substr(tab + 1))));
                }
            } else if (line == "LOGOFF") {
                session.loggedOff = true;
                quit = true;
            } else {
                reply = "ERR unknown command";
            }
        }
        m_changed.notify_all();
        if (!SendAll(fd, reply + "\r\n") || quit)
            return;
    }
}

} // namespace vqtest
