#include "platform/com/MessageClient.h"

#include <chrono>
#include <cstdlib>
#include <string>

namespace vq {
namespace {

constexpr int kConnectTimeoutMs = 5000;
constexpr int kReplyTimeoutMs = 10000;
// A reply is a short line; a server that sends more without a line end is not one of ours.
constexpr std::size_t kMaxReplyLength = 4096;

// Splits "host", "host:port", "[v6]:port" and a bare IPv6 address.
bool SplitServerName(const CString& name, std::string& host, std::string& port) {
    std::string text = CString(name).Trim().str();
    port = std::to_string(kMessageServerDefaultPort);
    if (text.empty())
        return false;
    if (text.front() == '[') {
        std::size_t close = text.find(']');
        if (close == std::string::npos)
            return false;
        host = text.substr(1, close - 1);
        std::string rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':' || rest.size() == 1)
                return false;
            port = rest.substr(1);
        }
    } else {
        std::size_t colon = text.find(':');
        if (colon != std::string::npos && text.find(':', colon + 1) == std::string::npos) {
            host = text.substr(0, colon);
            port = text.substr(colon + 1);
        } else {
            host = text;
        }
    }
    if (host.empty() || port.empty() || port.size() > 5)
        return false;
    for (char ch : port) {
        if (ch < '0' || ch > '9')
            return false;
    }
    int value = std::atoi(port.c_str());
    return value > 0 && value <= 65535;
}

} // namespace

CString EscapeMessageArgument(const CString& text) {
    std::string out;
    for (char ch : text.str()) {
        switch (ch) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += ch;
        }
    }
    return out;
}

CString UnescapeMessageArgument(const CString& text) {
    const std::string& in = text.str();
    std::string out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '\\' || i + 1 == in.size()) {
            out += in[i];
            continue;
        }
        char next = in[++i];
        switch (next) {
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        default:
            out += next;
        }
    }
    return out;
}

CMessageClient::~CMessageClient() {
    Disconnect();
}

bool CMessageClient::Connect() {
    Disconnect();
    std::string host, port;
    if (!SplitServerName(m_strServerName, host, port))
        return false;
    if (!m_socket.Connect(CString(host), std::atoi(port.c_str()), kConnectTimeoutMs))
        return false;
    CString greeting;
    if (!ReadReply(greeting) || greeting.Left(2) != "OK") {
        Disconnect();
        return false;
    }
    return true;
}

void CMessageClient::Disconnect() {
    m_socket.Close();
    m_bLoggedOn = false;
    m_pending.clear();
}

bool CMessageClient::SendLine(const CString& line) {
    return m_socket.SendAll(line + "\n", kReplyTimeoutMs);
}

bool CMessageClient::ReadReply(CString& reply) {
    // The whole answer must arrive in time: a server that trickles bytes without ever ending the
    // line is given up like a silent one.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReplyTimeoutMs);
    for (;;) {
        std::size_t end = m_pending.find('\n');
        if (end != std::string::npos) {
            std::string line = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            reply = CString(line);
            return true;
        }
        if (m_pending.size() > kMaxReplyLength)
            return false;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        char buffer[1024];
        long n = m_socket.Receive(buffer, sizeof buffer, static_cast<int>(left.count()));
        if (n <= 0)
            return false;
        m_pending.append(buffer, static_cast<std::size_t>(n));
    }
}

bool CMessageClient::Command(const CString& line) {
    if (!m_socket.IsOpen())
        return false;
    CString reply;
    if (!SendLine(line) || !ReadReply(reply)) {
        Disconnect();
        return false;
    }
    return reply == "OK" || reply.Left(3) == "OK ";
}

BOOL CMessageClient::Logon(const CString& account) {
    if (!Connect())
        return FALSE;
    m_bLoggedOn = Command("LOGON " + EscapeMessageArgument(account));
    return m_bLoggedOn ? TRUE : FALSE;
}

BOOL CMessageClient::Send(const CString& text1, const CString& text2) {
    if (!IsLoggedOn())
        return FALSE;
    return Command("SEND " + EscapeMessageArgument(text1) + "\t" + EscapeMessageArgument(text2)) ? TRUE
                                                                                                 : FALSE;
}

void CMessageClient::Logoff() {
    if (m_socket.IsOpen())
        Command("LOGOFF");
    Disconnect();
}

} // namespace vq
