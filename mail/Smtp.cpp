#include "mail/Smtp.h"

#include "core/Settings.h"
#include "mail/Base64.h"
#include "mail/MailLoginDlg.h"
#include "platform/base/MessageBox.h"
#include "platform/base/TextCodec.h"
#include "platform/os/HostAddress.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr std::size_t kPieceSize = 1024;
// A reply longer than this without its last line is not a reply of an SMTP server.
constexpr std::size_t kReplyLimit = 64 * 1024;
// MAIL FROM answered with 530 is tried again after a new log-on this many times in all.
constexpr int kMailFromAttempts = 3;
// Log-on prompts answered before the log-on is given up.
constexpr int kLogonPromptLimit = 8;

// Whether the text ends with the last line of a reply: a line that ends in LF and whose code is
// not followed by "-" (the lines before the last of a multi-line reply read "250-...").
bool HasLastLine(const std::string& text) {
    if (text.empty() || text.back() != '\n')
        return false;
    std::size_t end = text.size() - 1;
    std::size_t start = text.rfind('\n', end - (end > 0 ? 1 : 0));
    start = (start == std::string::npos || start >= end) ? 0 : start + 1;
    return end - start < 4 || text[start + 3] != '-';
}

bool HasLineBreak(const CString& text) {
    return text.FindOneOf("\r\n") >= 0;
}

// An address goes between "<" and ">" of MAIL FROM or RCPT TO: a bracket, a blank or a control
// character in it would end the address early and let the rest pass as parameters of the command.
bool IsUnsafeAddress(const CString& address) {
    for (char ch : address.str()) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte <= ' ' || byte == 127 || byte == '<' || byte == '>')
            return true;
    }
    return false;
}

bool IsUnsafeEntry(const CMimeAddress& entry) {
    return IsUnsafeAddress(entry.Address) || HasLineBreak(entry.Name);
}

bool ListHasUnsafeEntry(const std::vector<CMimeAddress>& list) {
    return std::any_of(list.begin(), list.end(), IsUnsafeEntry);
}

} // namespace

CSmtp::CSmtp() {
    int port = vq::ServicePort("SMTP", "tcp");
    Port = port > 0 ? port : 25;
}

CSmtp::~CSmtp() {
    Disconnect();
}

void CSmtp::SetServer(const char* host) {
    if (!host)
        return;
    Host = host;
    // "server:port" names a server that listens elsewhere than on the mail port (a local test
    // or demo server cannot take port 25 without privileges).
    const int colon = Host.ReverseFind(':');
    if (colon <= 0 || Host.Find(':') != colon)
        return;
    const CString digits = Host.Mid(colon + 1);
    if (digits.IsEmpty() || digits.GetLength() > 5 || digits.SpanIncluding("0123456789") != digits)
        return;
    const int port = atoi(digits);
    if (port < 1 || port > 65535)
        return;
    Port = port;
    Host = Host.Left(colon);
}

void CSmtp::SetUser(const char* user) {
    User = user ? user : "";
}

void CSmtp::SetPassword(const char* password) {
    Password = password ? password : "";
}

void CSmtp::DiscardPendingInput() {
    char buffer[kPieceSize];
    while (Socket.WaitReadable(0) == 1) {
        if (Socket.Receive(buffer, sizeof buffer, 0) <= 0)
            break;
    }
}

int CSmtp::WaitLimitMs() const {
    using namespace std::chrono;
    long long limit = static_cast<long long>(Timeout) * 1000;
    if (Deadline != steady_clock::time_point{})
        limit = std::min<long long>(limit, duration_cast<milliseconds>(Deadline - steady_clock::now()).count());
    return static_cast<int>(std::max<long long>(limit, 0));
}

int CSmtp::Wait(bool reading, long timeoutMs) {
    using namespace std::chrono;
    constexpr long kSliceMs = 100;
    const auto end = steady_clock::now() + milliseconds(timeoutMs);
    for (;;) {
        const auto now = steady_clock::now();
        if (Stopped || (Deadline != steady_clock::time_point{} && now >= Deadline)) {
            Stopped = 1;
            return -1;
        }
        if (now >= end)
            return 0;
        auto until = end;
        if (Deadline != steady_clock::time_point{})
            until = std::min(until, Deadline);
        const long slice = std::min<long>(kSliceMs, static_cast<long>(duration_cast<milliseconds>(until - now).count()) + 1);
        const int ready = reading ? Socket.WaitReadable(static_cast<int>(slice)) : Socket.WaitWritable(static_cast<int>(slice));
        if (ready != 0)
            return ready;
        if (!OnWaiting()) {
            Stopped = 1;
            return -1;
        }
    }
}

bool CSmtp::SendPieces(const char* command) {
    const std::size_t total = std::strlen(command);
    for (std::size_t sent = 0; sent < total;) {
        std::size_t piece = std::min(kPieceSize, total - sent);
        // Room for the piece is waited for here, where a stop is heard; the send itself then
        // rarely waits.
        if (Wait(false, static_cast<long>(Timeout) * 1000) != 1 ||
            !Socket.SendAll(command + sent, piece, WaitLimitMs()))
            return false;
        sent += piece;
        if (total > kPieceSize &&
            !OnSendProgress(command, static_cast<unsigned>(sent), static_cast<unsigned>(total)))
            return false;
    }
    return true;
}

int CSmtp::ReadReply() {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(Timeout);
    std::string text;
    char buffer[kPieceSize];
    bool complete = false;
    while (!complete && text.size() < kReplyLimit) {
        auto remaining =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (remaining <= 0 || Wait(true, static_cast<long>(remaining)) != 1)
            break;
        long n = Socket.Receive(buffer, sizeof buffer, 0);
        if (n <= 0)
            break; // the server closed the connection
        text.append(buffer, static_cast<std::size_t>(n));
        complete = HasLastLine(text);
    }
    // The reply's text ends before its last CR LF.
    std::size_t end = text.rfind('\n');
    if (end != std::string::npos) {
        text.erase(end);
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
    }
    LastReply = text;
    if (!complete || text.size() < 3)
        return -1;
    for (int i = 0; i < 3; ++i)
        if (text[static_cast<std::size_t>(i)] < '0' || text[static_cast<std::size_t>(i)] > '9')
            return -1;
    return std::atoi(text.substr(0, 3).c_str());
}

int CSmtp::SendCommand(const char* command) {
    LastReply.Empty();
    if (!Socket.IsOpen() || Stopped)
        return -1;
    if (command) {
        DiscardPendingInput();
        if (!SendPieces(command))
            return -1;
    }
    int code = ReadReply();
    if (code == -1)
        return -1;
    OnResponse(command, code, LastReply);
    return code;
}

int CSmtp::Connect() {
    Disconnect();
    Stopped = 0;
    if (!Socket.Connect(Host, Port, WaitLimitMs()))
        return 0;
    int code = SendCommand(nullptr);
    if (code != 220) {
        if (!Stopped)
            AfxMessageBox("send null fail");
        ReportError(code);
        Disconnect();
        return 0;
    }
    if (Hello() != 0) {
        Disconnect();
        return 0;
    }
    return 1;
}

void CSmtp::Disconnect() {
    if (Socket.IsOpen() && InSession && !Stopped)
        Quit();
    Socket.Close();
    InSession = 0;
}

int CSmtp::Hello() {
    CString name = vq::LocalHostName().Left(63);
    int code = -1;
    Esmtp = 0;
    if (TryEsmtp) {
        code = SendCommand("EHLO " + name + "\r\n");
        if (code == 250)
            Esmtp = 1;
        else if (code == -1) {
            // No answer at all: a HELO would only wait as long again.
            ReportError(code);
            return code;
        }
    }
    if (!Esmtp) {
        code = SendCommand("HELO " + name + "\r\n");
        if (code != 250) {
            ReportError(code);
            return code;
        }
    }
    InSession = 1;
    if (Esmtp && AuthLogin() != 0) {
        if (!Stopped)
            vq::ShowMessageBox("提示", "验证不成功!", MB_OK | MB_ICONEXCLAMATION);
        return -1;
    }
    return 0;
}

int CSmtp::AuthLogin() {
    if (ReadSettingInt("邮件服务器配置", "不进行安全帐号校验", "0") != 0)
        return 0;
    if (Password.IsEmpty()) {
        CMailLoginDlg dlg;
        dlg.m_strServer = Host;
        dlg.m_strUserName = User;
        if (dlg.DoModal() != IDOK)
            return 0;
        // Typed text is UTF-8; the password file holds code page 936 bytes.
        Password = vq::Utf8ToGbk(dlg.m_strPassword.str());
    }
    if (User.IsEmpty())
        return 0;
    const CString user = vq::Utf8ToGbk(User.str());
    for (;;) {
        int code = SendCommand("AUTH LOGIN\r\n");
        if (code != 334) {
            ReportRecoverable(code);
            return code;
        }
        for (int prompts = 0;; ++prompts) {
            if (prompts == kLogonPromptLimit) {
                ReportError(334);
                return 334;
            }
            CBase64 coder;
            coder.Decode(LastReply.Mid(4).Left(259).c_str());
            const CString prompt(reinterpret_cast<const char*>(coder.DecodedMessage()));
            const CString* answer = nullptr;
            if (prompt.CompareNoCase("Username:") == 0)
                answer = &user;
            else if (prompt.CompareNoCase("Password:") == 0)
                answer = &Password;
            else {
                ReportError(334);
                return 334;
            }
            CBase64 encoder;
            encoder.Encode(answer->c_str(), static_cast<unsigned>(answer->GetLength()));
            code = SendCommand(CString(encoder.EncodedMessage()) + "\r\n");
            if (code == 334)
                continue;
            if (code == 235)
                return 0;
            if (code == 535) {
                int next = OnRecoverableError(535, LastReply);
                if (next == 334)
                    continue;
                if (next == 235)
                    return 0;
                if (next == 1)
                    break; // start again with AUTH LOGIN
                if (next == 0)
                    next = 535;
                ReportError(next);
                return next;
            }
            ReportError(code);
            return code;
        }
    }
}

int CSmtp::MailFrom(const char* address) {
    const CString line = CString("MAIL FROM: <") + address + ">\r\n";
    int code = SendCommand(line);
    for (int attempt = 1; code == 530 && attempt < kMailFromAttempts; ++attempt) {
        AuthLogin();
        code = SendCommand(line);
    }
    if (code == 250)
        return 0;
    ReportError(code);
    return code;
}

int CSmtp::RcptTo(const char* address) {
    int code = SendCommand(CString("RCPT TO: <") + address + ">\r\n");
    if (code == 250 || code == 251)
        return 0;
    ReportRecoverable(code);
    return code;
}

int CSmtp::Data(CMimeMessage& message) {
    int code = SendCommand("DATA\r\n");
    if (code != 354) {
        ReportError(code);
        return code;
    }
    CString text;
    message.BuildText(text);
    text += "\r\n.\r\n";
    code = SendCommand(text);
    if (code == 250)
        return 0;
    ReportError(code);
    return code;
}

int CSmtp::Quit() {
    if (!InSession)
        return 0;
    int code = SendCommand("QUIT\r\n");
    if (code != 221)
        ReportError(code);
    InSession = 0;
    return code == 221 ? 0 : code;
}

int CSmtp::SendMessage(CMimeMessage& message) {
    Refused.clear();
    SenderRefused = 0;
    if (message.From.Address.IsEmpty() || IsUnsafeEntry(message.From)) {
        SenderRefused = 1;
        return -1;
    }
    if (message.ToList.empty())
        return -1;
    // A line break in a name or the subject would end the header line early and let the rest
    // pass as headers or commands of its own; an address must not leave its brackets. Such a
    // message is not sent at all.
    if (HasLineBreak(message.Subject) || ListHasUnsafeEntry(message.ToList) ||
        ListHasUnsafeEntry(message.CcList) || ListHasUnsafeEntry(message.BccList))
        return -1;
    int result = MailFrom(message.From.Address);
    if (result != 0) {
        SenderRefused = result != -1 && result != 530 ? 1 : 0;
        return result;
    }
    int accepted = 0;
    int last = -1;
    for (const auto* list : {&message.ToList, &message.CcList, &message.BccList}) {
        for (const CMimeAddress& recipient : *list) {
            if (recipient.Address.IsEmpty())
                continue;
            last = RcptTo(recipient.Address);
            if (last == -1) {
                // The connection is gone: the other recipients would only wait in vain.
                ReportError(-1);
                return -1;
            }
            if (last == 0)
                ++accepted;
            else
                Refused.push_back(recipient.Address);
        }
    }
    if (accepted > 0) {
        result = Data(message);
    } else {
        ReportError(last);
        result = last;
    }
    // The mail transaction begun by MAIL FROM ends here, so that the next message can begin its
    // own (a server refuses a MAIL FROM inside an open one).
    if (result != 0 && result != -1 && InSession)
        SendCommand("RSET\r\n");
    return result;
}

void CSmtp::ReportError(int code) {
    if (code == -1)
        InSession = 0;
    OnError(code, LastReply);
}

int CSmtp::ReportRecoverable(int code) {
    return OnRecoverableError(code, LastReply);
}
