// A message server on 127.0.0.1 for one test: it speaks the line protocol of the message
// client (platform/com/MessageClient.h) on a thread of the test process and records every
// session it serves.
#pragma once

#include "platform/base/String.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace vqtest {

class MessageServer {
public:
    struct Session {
        std::vector<CString> commands;                    // every line received, as sent
        std::vector<CString> accounts;                    // arguments of LOGON, unescaped
        std::vector<std::pair<CString, CString>> notices; // arguments of SEND, unescaped
        bool loggedOff = false;                           // LOGOFF received
        bool closed = false;                              // connection ended
    };

    MessageServer();
    ~MessageServer();
    MessageServer(const MessageServer&) = delete;
    MessageServer& operator=(const MessageServer&) = delete;

    int Port() const { return m_port; }
    CString ServerName() const; // "127.0.0.1:<port>"

    // Sessions so far (a copy). WaitForClosedSessions waits until that many connections ended.
    std::vector<Session> Sessions() const;
    bool WaitForClosedSessions(std::size_t count,
                               std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    // Number of connections accepted so far.
    std::size_t Connections() const;

private:
    void AcceptLoop();
    void Serve(int fd, std::size_t index);

    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<Session> m_sessions;
};

} // namespace vqtest
