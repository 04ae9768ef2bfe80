// A scripted SMTP server on 127.0.0.1 for one test, for what a real server will not do: replies
// split over several sends, refusals of any kind, a server that stops answering. It serves one
// connection at a time on a thread of the test process: it sends the greeting, then passes every
// command line (without its CR LF) to the responder and sends the pieces the responder returns,
// a short pause between pieces. After a reply beginning "354" it collects the message text up to
// the line "." and passes "." to the responder. No pieces: no answer at all.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vqtest {

class ScriptedSmtpServer {
public:
    using Responder = std::function<std::vector<std::string>(const std::string& command)>;

    explicit ScriptedSmtpServer(Responder responder,
                                std::vector<std::string> greeting = {"220 fake.vq.test ESMTP\r\n"});
    ~ScriptedSmtpServer();
    ScriptedSmtpServer(const ScriptedSmtpServer&) = delete;
    ScriptedSmtpServer& operator=(const ScriptedSmtpServer&) = delete;

    int Port() const { return m_port; }
    // Every command line received so far, in order (message texts not included).
    std::vector<std::string> Commands() const;
    // Every message text received (between DATA and ".", as sent: dot-stuffing kept).
    std::vector<std::string> Messages() const;
    // Every chunk of bytes as it arrived from the client.
    std::vector<std::size_t> ReceiveSizes() const;

    // Replies of a server that accepts everything and offers AUTH LOGIN with any password.
    static std::vector<std::string> Accepting(const std::string& command);

private:
    void Serve();
    void ServeConnection(int fd);

    Responder m_responder;
    std::vector<std::string> m_greeting;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_commands;
    std::vector<std::string> m_messages;
    std::vector<std::size_t> m_receiveSizes;
};

} // namespace vqtest
