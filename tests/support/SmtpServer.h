// A real SMTP server on 127.0.0.1 for one test: aiosmtpd run by /usr/bin/python3 on a free port.
// It requires AUTH LOGIN with one user and password (prompting "Username:" and "Password:", as
// most servers do), refuses the recipients it is told to refuse with 550, and writes every mail
// it accepts into a fresh temporary folder: the envelope, then the message text as received
// (after the SMTP dot-stuffing is undone). The constructor returns once the server listens; the
// destructor stops it and removes the folder.
#pragma once

#include "platform/base/String.h"

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vqtest {

class SmtpServer {
public:
    struct Mail {
        CString from;                    // MAIL FROM address
        std::vector<CString> recipients; // accepted RCPT TO addresses
        CString login;                   // the account the session logged on with
        std::string data;                // the message text, byte for byte
    };

    explicit SmtpServer(const CString& user = "mailer@vq.example", const CString& password = "s3cret",
                        const std::vector<CString>& refused = {});
    ~SmtpServer();
    SmtpServer(const SmtpServer&) = delete;
    SmtpServer& operator=(const SmtpServer&) = delete;

    bool IsRunning() const { return m_port != 0; }
    int Port() const { return m_port; }
    CString Host() const { return "127.0.0.1"; }
    CString User() const { return m_user; }
    CString Password() const { return m_password; }

    // The mails accepted so far, in order.
    std::vector<Mail> Received() const;
    // Waits until at least count mails were accepted; false when the time ran out.
    bool WaitForMails(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

    // The lines of a header of a message text as received (the first line whose name matches
    // without regard to case, and the folded lines after it), without their CR LF.
    static std::vector<std::string> HeaderLines(const std::string& data, const std::string& name);
    // The header's value unfolded, with its Base64 encoded words ("=?charset?B?...?=") decoded
    // from code page 936 into UTF-8, as a mail reader shows it; decoded here without the system's
    // own coders.
    static CString HeaderText(const std::string& data, const std::string& name);

    // What two mail readers show of a message text, both Python's email package run by
    // /usr/bin/python3: with policy=default, and with the compat32 policy and
    // email.header.decode_header. Texts are UTF-8, line ends of the bodies LF.
    struct ReaderView {
        bool ran = false;
        CString from, to, subject, body, charset;    // policy=default; the body as get_content gives it
        std::vector<CString> addresses;              // "display name <address>" (or the address) of From, To
        CString oldFrom, oldTo, oldSubject, oldBody; // compat32; the body decoded strictly
        std::vector<CString> defects;                // what either reader found wrong, and its errors
    };
    static ReaderView ReadAsMailReaders(const std::string& data);

private:
    CString m_user;
    CString m_password;
    CString m_folder;
    pid_t m_pid = -1;
    int m_port = 0;
};

} // namespace vqtest
