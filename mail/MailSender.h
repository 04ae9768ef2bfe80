// The mail job: the one way in which the system sends e-mail. A caller builds a CMailSender on
// its stack, sets To, adds one CMailItem per mail to Items, calls Send once and destroys the job.
// The job reads the mail settings and the server password on every call and delivers every mail
// through the system's own SMTP client or through simple MAPI, as the settings choose. Failures
// are shown inside the job; the caller only sees 1 or 0.
//
// Texts are UTF-8 in memory. On the SMTP way each mail's subject, body and display names go out
// in GB2312 when it holds all of them, else in GB18030; addresses go as stored. The sender account
// may carry a display name ("设计部门 <pdm@vq.example>"); MAIL FROM takes its address alone.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"

class CMailItem {
public:
    CMailItem() = default;
    CMailItem(const CString& logName, const CString& address, const CString& subject, const CString& text,
              const CString& extra1 = CString(), const CString& extra2 = CString())
        : LogName(logName), Address(address), Subject(subject), Text(text), Extra1(extra1), Extra2(extra2) {}

    CString LogName; // the receiver's login name; carried, not read by the job
    CString Address; // one address, or on the SMTP way several separated by ";"
    CString Subject;
    CString Text;
    CString Extra1;
    CString Extra2;
};

class CMailSender {
public:
    CMailSender() = default;
    virtual ~CMailSender() = default;

    // 1 when the job ended without a failure, 0 when it stopped at one. flag (MAPI way only):
    // 0 one mail per record, 1 one mail to all records' addresses.
    int Send(int flag = 0);
    void LoadSettings();
    // 1 when the password file was read (and deciphered into password), 0 when it cannot be
    // opened (password empty).
    int ReadPassword(CString& password);
    int CheckAddresses();
    int SendBySmtp();
    int SendByMapi(int flag, int quiet);
    // 0 sent; 1 the Windows profile does not enable MAPI; 2 no MAPI library; 3 MAPI log-on
    // failed; 4 MAPI refused the mail. to: addresses separated by ";".
    int MapiSendMail(const char* to, const char* subject, const char* text, int quiet);

    CString To;
    CString Cc;
    CString Bcc;
    CArray<CMailItem> Items;
    CString SmtpServer;
    CString SenderAccount;
    CString AuthAccount;
    CString Password;
    int UseServer = 0;
    int Mode = 1;

    // The SMTP client's port and reply time-out in seconds; 0 keeps the client's own (the
    // services entry "SMTP", else 25; 30 seconds).
    int SmtpPort = 0;
    int SmtpTimeout = 0;
    // Seconds allowed for the whole SMTP conversation of a job; 0: kSmtpJobLimit. A job that
    // reaches it, or whose progress window is cancelled, ends there: the mails sent stay sent
    // and a message says how many were sent and how many not.
    int SmtpJobTimeout = 0;
    static constexpr int kSmtpJobLimit = 300;

private:
    bool m_bSettingsLoaded = false; // LoadSettings ran in this call of Send
};
