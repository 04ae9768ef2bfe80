// The client of the message server: it tells a running message server about a notice that was
// just written to the message table, so that the server can pass it on to the user at once.
//
// Message server protocol
// -----------------------
// TCP. The server is named "host" or "host:port" ("[v6-address]:port" for an IPv6 address with a
// port); without a port the client uses port 7077.
// Text is UTF-8. Every message in either direction is one line ending in LF; a CR before the LF
// is ignored. Inside an argument a backslash, a tab, a CR and a LF are written as "\\", "\t",
// "\r" and "\n", so an argument never breaks its line.
//
//   server, on connection:   OK VQMSG 1
//   client:                  LOGON <account>
//   server:                  OK            (or ERR <reason>)
//   client:                  SEND <text1><TAB><text2>
//   server:                  OK            (or ERR <reason>; ERR before a successful LOGON)
//   client:                  LOGOFF
//   server:                  OK            and closes the connection
//
// A session is one connection: log on once, send any number of notices, log off. Every reply is
// one line beginning with "OK" or "ERR". A command the server does not know gets "ERR".
// The client gives up on a server that does not accept the connection within 5 seconds or does
// not answer a command (its whole line) within 10 seconds, and on a reply line longer than 4096
// bytes; the notice then stays only in the message table.
#pragma once

#include "platform/base/String.h"
#include "platform/base/Types.h"
#include "platform/os/TcpSocket.h"

namespace vq {

constexpr int kMessageServerDefaultPort = 7077;

// Escaping of one argument of the line protocol, and its reverse.
CString EscapeMessageArgument(const CString& text);
CString UnescapeMessageArgument(const CString& text);

class CMessageClient {
public:
    CMessageClient() = default;
    ~CMessageClient();
    CMessageClient(const CMessageClient&) = delete;
    CMessageClient& operator=(const CMessageClient&) = delete;

    // "host" or "host:port"; takes effect at the next Logon.
    void SetServerName(const CString& serverName) { m_strServerName = serverName; }
    const CString& GetServerName() const { return m_strServerName; }

    // Connects to the server and logs on with the account. FALSE when the server cannot be
    // reached or refuses.
    BOOL Logon(const CString& account);
    // Sends one notice; FALSE when not logged on or refused.
    BOOL Send(const CString& text1, const CString& text2);
    // Logs off and closes the connection (nothing happens when not connected).
    void Logoff();
    BOOL IsLoggedOn() const { return m_socket.IsOpen() && m_bLoggedOn; }

private:
    bool Connect();
    void Disconnect();
    bool SendLine(const CString& line);
    bool ReadReply(CString& reply);
    bool Command(const CString& line);

    CString m_strServerName;
    TcpSocket m_socket;
    bool m_bLoggedOn = false;
    std::string m_pending; // bytes received after the last complete line
};

} // namespace vq
