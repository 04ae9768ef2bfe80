// CSmtp: the system's own SMTP client. One blocking TCP connection to the mail server: the
// greeting, EHLO (or HELO), AUTH LOGIN, then per message MAIL FROM, RCPT TO and DATA, ended by
// QUIT. When the server offers ESMTP and no password is known, it asks the user for one in
// CMailLoginDlg.
//
// Every wait for the server (connecting, sending, each reply) lasts at most Timeout seconds and
// never beyond Deadline; a reply is read whole, all lines of a multi-line reply included. -1
// stands for no reply at all (a connection, send or time-out failure, or a stop).
#pragma once

#include "mail/MimeMessage.h"
#include "platform/base/String.h"
#include "platform/os/TcpSocket.h"

#include <chrono>
#include <vector>

class CSmtp {
public:
    CSmtp();
    virtual ~CSmtp();
    CSmtp(const CSmtp&) = delete;
    CSmtp& operator=(const CSmtp&) = delete;

    void SetServer(const char* host);
    void SetUser(const char* user);
    void SetPassword(const char* password);

    // 1 when the server greeted with 220 and the greeting (and log-on) succeeded, else 0.
    int Connect();
    // QUIT when in session, then closes the connection.
    void Disconnect();
    // 0 when the server accepted the message, -1 or the failing reply code otherwise. A message
    // not sent while the session goes on leaves no mail transaction open (RSET).
    int SendMessage(CMimeMessage& message);
    // Sends command (none: only reads a reply) and returns the reply code, or -1.
    int SendCommand(const char* command);

    int Hello();
    int AuthLogin();
    int MailFrom(const char* address);
    int RcptTo(const char* address);
    int Data(CMimeMessage& message);
    int Quit();

    void ReportError(int code);
    int ReportRecoverable(int code);

    int TryEsmtp = 1;
    int Timeout = 30; // seconds allowed for one reply (and for connecting and sending)
    int Port = 25;    // the services entry "SMTP"/"tcp", else 25
    CString User;
    CString Password;
    CString Host;
    CString LastReply;
    int InSession = 0;
    int Esmtp = 0;
    // The end of the whole conversation (the limit of a mail job); the zero time point: none.
    std::chrono::steady_clock::time_point Deadline{};
    // 1 once a wait was given up because the deadline passed or OnWaiting asked for it: the
    // conversation is over, and the connection is closed without QUIT.
    int Stopped = 0;
    // The recipient addresses the server refused in the last SendMessage.
    std::vector<CString> Refused;
    // 1 when the last SendMessage failed at its sender: an address that cannot go into MAIL FROM,
    // or one the server refused there (a refusal for want of a log-on, 530, is not the sender's).
    int SenderRefused = 0;

protected:
    virtual int OnRecoverableError(int code, const char* reply) { return 0; }
    virtual int OnError(int code, const char* reply) { return 0; }
    virtual void OnResponse(const char* command, int code, const char* reply) {}
    // Called after every piece of a command longer than one piece; 0 aborts the command.
    virtual int OnSendProgress(const char* buffer, unsigned sent, unsigned total) { return 1; }
    // Called about ten times a second while the client waits for the server (not while it
    // connects); 0 stops the conversation.
    virtual int OnWaiting() { return 1; }

private:
    // Waits until the socket can be read (or written) within timeoutMs, in short slices that end
    // at the deadline and ask OnWaiting whether to go on: 1 ready, 0 the time ran out, -1 an
    // error or a stop.
    int Wait(bool reading, long timeoutMs);
    // Timeout in milliseconds, cut to the time left before the deadline.
    int WaitLimitMs() const;
    int ReadReply();
    bool SendPieces(const char* command);
    void DiscardPendingInput();

    vq::TcpSocket Socket;
};
