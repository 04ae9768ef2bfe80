#include "tests/support/ScriptedSmtpServer.h"
#include "tests/support/LoopbackSocket.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace vqtest {

ScriptedSmtpServer::ScriptedSmtpServer(Responder responder, std::vector<std::string> greeting)
    : m_responder(std::move(responder)), m_greeting(std::move(greeting)) {
    m_listen = ListenOnLoopback(4, m_port);
    if (m_listen < 0)
        return;
    m_thread = std::thread([this] { Serve(); });
}

ScriptedSmtpServer::~ScriptedSmtpServer() {
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listen >= 0)
        ::close(m_listen);
}

std::vector<std::string> ScriptedSmtpServer::Commands() const {
    std::lock_guard lock(m_mutex);
    return m_commands;
}

std::vector<std::string> ScriptedSmtpServer::Messages() const {
    std::lock_guard lock(m_mutex);
    return m_messages;
}

std::vector<std::size_t> ScriptedSmtpServer::ReceiveSizes() const {
    std::lock_guard lock(m_mutex);
    return m_receiveSizes;
}

std::vector<std::string> ScriptedSmtpServer::Accepting(const std::string& command) {
    // The answers to the log-on prompts: the user name, then the password.
    static thread_local int answers = 0;
    std::string word = command.substr(0, command.find(' '));
    if (word == "AUTH")
        answers = 0;
    if (word == "EHLO")
        return {"250-fake.vq.test\r\n250-AUTH LOGIN\r\n250 8BITMIME\r\n"};
    if (word == "AUTH")
        return {"334 VXNlcm5hbWU6\r\n"};
    if (word == "DATA")
        return {"354 go ahead\r\n"};
    if (word == "QUIT")
        return {"221 bye\r\n"};
    if (command == "." || word == "MAIL" || word == "RCPT" || word == "HELO" || word == "RSET")
        return {"250 OK\r\n"};
    return {++answers % 2 ? "334 UGFzc3dvcmQ6\r\n" : "235 accepted\r\n"};
}

void ScriptedSmtpServer::Serve() {
    while (!m_stop) {
        pollfd pfd{m_listen, POLLIN, 0};
        if (::poll(&pfd, 1, 50) != 1)
            continue;
        int fd = ::accept(m_listen, nullptr, nullptr);
        if (fd < 0)
            continue;
        ServeConnection(fd);
        ::close(fd);
    }
}

void ScriptedSmtpServer::ServeConnection(int fd) {
    auto reply = [&](const std::vector<std::string>& pieces) {
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            if (i > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (!SendAll(fd, pieces[i]))
                return false;
        }
        return true;
    };
    if (!reply(m_greeting))
        return;
    std::string pending;
    std::string message;
    bool inData = false;
    while (!m_stop) {
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, 50) != 1)
            continue;
        char buffer[4096];
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return;
        {
            std::lock_guard lock(m_mutex);
            m_receiveSizes.push_back(static_cast<std::size_t>(n));
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
            std::string line = pending.substr(0, end + 1);
            pending.erase(0, end + 1);
            std::string bare = line;
            while (!bare.empty() && (bare.back() == '\n' || bare.back() == '\r'))
                bare.pop_back();
            if (inData && bare != ".") {
                message += line;
                continue;
            }
            if (inData) {
                inData = false;
                std::lock_guard lock(m_mutex);
                m_messages.push_back(message);
                message.clear();
            } else {
                std::lock_guard lock(m_mutex);
                m_commands.push_back(bare);
            }
            std::vector<std::string> pieces = m_responder(bare);
            if (!pieces.empty() && pieces.front().rfind("354", 0) == 0)
                inData = true;
            if (!reply(pieces))
                return;
        }
    }
}

} // namespace vqtest
