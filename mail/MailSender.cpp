#include "mail/MailSender.h"

#include "controls/ProgressWnd.h"
#include "core/InstallPath.h"
#include "mail/LfsrCipher.h"
#include "mail/MimeMessage.h"
#include "mail/Smtp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Profile.h"
#include "platform/base/TextCodec.h"
#include "platform/base/WaitCursor.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

const char kMailSection[] = "邮件服务器配置";

CString ReadMailSetting(const char* path, const char* key, const char* def) {
    char buffer[260] = {};
    GetPrivateProfileString(kMailSection, key, def, buffer, sizeof buffer, path);
    return CString(buffer);
}

// The decimal value at the start of the text; anything else gives 0.
int LeadingNumber(const CString& text) {
    int value = 0;
    for (int i = 0; i < text.GetLength() && text[i] >= '0' && text[i] <= '9' && value < 100000000; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

// The charset of one mail: GB2312 when it holds every character of the mail's texts (the charset
// every reader knows), else GB18030, which holds every character.
CString MailCharset(const std::vector<const CString*>& texts) {
    std::string bytes;
    for (const CString* text : texts)
        if (!vq::Utf8ToGb2312(text->str(), bytes))
            return "GB18030";
    return "GB2312";
}

CString InCharset(const CString& text, const CString& charset) {
    std::string bytes;
    if (charset == "GB2312" && vq::Utf8ToGb2312(text.str(), bytes))
        return CString(bytes);
    return CString(vq::Utf8ToGb18030(text.str()));
}

// The sender account as written in the settings: an address alone, or a display name before the
// address in angle brackets ("设计部门 <pdm@vq.example>", "\"Design Dept\" <pdm@vq.example>"). False
// when the address cannot go between the brackets of MAIL FROM: a "<" without its ">", text after
// the ">", or an address that is empty, holds no "@", or holds a blank, bracket or control character.
bool SplitSender(const CString& account, CString& name, CString& address) {
    CString text = account;
    text.Trim(" \t");
    name.Empty();
    address = text;
    const int open = text.Find('<');
    if (open >= 0) {
        const int close = text.Find('>', open);
        if (close < 0 || !text.Mid(close + 1).Trim(" \t").IsEmpty())
            return false;
        address = text.Mid(open + 1, close - open - 1);
        address.Trim(" \t");
        CString written = text.Left(open);
        written.Trim(" \t");
        if (written.GetLength() >= 2 && written[0] == '"' && written[written.GetLength() - 1] == '"') {
            // A quoted name: its backslashes escape the character after them.
            std::string plain;
            const std::string inner = written.Mid(1, written.GetLength() - 2).str();
            for (std::size_t i = 0; i < inner.size(); ++i)
                plain += inner[i] == '\\' && i + 1 < inner.size() ? inner[++i] : inner[i];
            written = CString(plain);
        }
        name = written;
    }
    if (address.IsEmpty() || address.Find('@') < 0)
        return false;
    for (const char ch : address.str()) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte <= ' ' || byte == 127 || ch == '<' || ch == '>' || ch == '"')
            return false;
    }
    return name.FindOneOf("\r\n") < 0;
}

// The receivers who got nothing, one a line after the job's message; a control character in a
// stored address shows as a blank, so that each name keeps its line.
CString NotSentText(const CString& message, const std::vector<CString>& receivers) {
    CString text = message;
    if (receivers.empty())
        return text;
    text += "\n以下收件人没有收到邮件：";
    for (const CString& receiver : receivers) {
        std::string name = receiver.str();
        for (char& ch : name)
            if (static_cast<unsigned char>(ch) < ' ' || ch == 127)
                ch = ' ';
        text += "\n" + CString(name);
    }
    return text;
}

// The progress window of the SMTP way, hidden and destroyed when the way ends. Its cancel
// button stops the job.
class SmtpProgress {
public:
    SmtpProgress() { m_window.SetRange(0, 10); }
    ~SmtpProgress() { m_window.Hide(); }
    SmtpProgress(const SmtpProgress&) = delete;
    SmtpProgress& operator=(const SmtpProgress&) = delete;

    void Step(int position, const char* text = nullptr) {
        m_window.SetPos(position);
        if (text)
            m_window.SetText(text);
    }
    // Lets the window take its input; true once the person has cancelled.
    bool Cancelled() { return m_window.PeekAndPump() != FALSE; }

private:
    CProgressWnd m_window{nullptr, "发送邮件"};
};

// The job's SMTP client: its waits keep the progress window alive and end on its cancel.
class JobSmtp : public CSmtp {
public:
    explicit JobSmtp(SmtpProgress& progress) : m_progress(progress) {}
    bool cancelled = false;

protected:
    int OnWaiting() override {
        cancelled = cancelled || m_progress.Cancelled();
        return cancelled ? 0 : 1;
    }

private:
    SmtpProgress& m_progress;
};

} // namespace

int CMailSender::Send(int flag) {
    CWaitCursor wait;
    LoadSettings();
    m_bSettingsLoaded = true;
    int result = Mode == 0 ? SendBySmtp() : SendByMapi(flag, Mode != 1 ? 1 : 0);
    m_bSettingsLoaded = false;
    return result;
}

void CMailSender::LoadSettings() {
    char path[MAX_PATH] = {};
    GetInstallFilePath("qent\\spt\\vqpdmcad.ini", path);
    SmtpServer = ReadMailSetting(path, "SMTP地址", "");
    SenderAccount = ReadMailSetting(path, "SMTP邮件发送帐号", "");
    AuthAccount = ReadMailSetting(path, "SMTP校验帐号", "");
    ReadPassword(Password);
    UseServer = LeadingNumber(ReadMailSetting(path, "使用邮件服务器", "0"));
    Mode = LeadingNumber(ReadMailSetting(path, "邮件配置方式", "0"));
}

int CMailSender::ReadPassword(CString& password) {
    password.Empty();
    char path[MAX_PATH] = {};
    GetInstallFilePath("qent\\spt\\_vqpass.ini", path);
    std::ifstream file(path, std::ios::binary);
    if (!path[0] || !file)
        return 0;
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        return 0;
    // Every byte belongs to the password, a line end included.
    password = CString(bytes);
    CLfsrCipher cipher;
    cipher.TransformString(CLfsrCipher::kMailKey, &password);
    return 1;
}

int CMailSender::CheckAddresses() {
    const char* failure = nullptr;
    if (SenderAccount.IsEmpty())
        failure = "邮件发件人的地址不能为空，不能发送邮件...";
    else if (SenderAccount.Find('@') < 0)
        failure = "邮件发件人的地址要包含'@'，不能发送邮件...";
    else if (To.IsEmpty())
        failure = "邮件收件人的地址不能为空，不能发送邮件...";
    else if (To.Find('@') < 0)
        failure = "邮件收件人的地址要包含'@'，不能发送邮件...";
    else if (!Cc.IsEmpty() && Cc.Find('@') < 0)
        failure = "邮件抄送人的地址要包含'@'，不能发送邮件...";
    else if (!Bcc.IsEmpty() && Bcc.Find('@') < 0)
        failure = "邮件密送人的地址要包含'@'，不能发送邮件...";
    if (!failure)
        return 1;
    AfxMessageBox(failure, MB_OK);
    return 0;
}

int CMailSender::SendBySmtp() {
    CWaitCursor wait;
    // Within Send the settings (and the password file) were read a moment ago.
    if (!m_bSettingsLoaded)
        LoadSettings();
    if (UseServer == 0)
        return 1;
    if (!CheckAddresses())
        return 0;
    CString senderName, senderAddress;
    if (!SplitSender(SenderAccount, senderName, senderAddress)) {
        AfxMessageBox("邮件发件人的地址格式不正确，不能发送邮件...\n发件人：" + SenderAccount, MB_OK);
        return 0;
    }

    SmtpProgress progress;
    progress.Step(4, "正在连接邮件服务器......");
    auto client = std::make_unique<JobSmtp>(progress);
    client->SetServer(SmtpServer);
    client->SetUser(AuthAccount);
    client->SetPassword(Password);
    if (SmtpPort > 0)
        client->Port = SmtpPort;
    if (SmtpTimeout > 0)
        client->Timeout = SmtpTimeout;
    client->Deadline = std::chrono::steady_clock::now() +
                       std::chrono::seconds(SmtpJobTimeout > 0 ? SmtpJobTimeout : kSmtpJobLimit);
    // The receivers who got nothing (UTF-8), and how many mails went out.
    std::vector<CString> notSent;
    int sent = 0;
    // A cancel or the job's limit ends the conversation at once; the mails before it stay sent.
    auto stopped = [&]() {
        client->Disconnect();
        progress.Step(10);
        CString text;
        text.Format(client->cancelled ? "邮件发送已取消：已发送 %d 封邮件，其余 %d 封邮件未发送。"
                                      : "邮件发送超过时限：已发送 %d 封邮件，其余 %d 封邮件未发送。",
                    sent, static_cast<int>(Items.GetSize()) - sent);
        AfxMessageBox(NotSentText(text, notSent), MB_OK);
        return 0;
    };
    if (!client->Connect()) {
        if (client->Stopped)
            return stopped();
        AfxMessageBox("连接邮件服务器失败，不能发送邮件信息...", MB_OK);
        progress.Step(10);
        return 0;
    }
    progress.Step(7, "正在自动发送消息邮件......");
    for (int i = 0; i < Items.GetSize(); ++i) {
        if (progress.Cancelled()) {
            client->cancelled = true;
            return stopped();
        }
        const CMailItem& item = Items[i];
        CMimeMessage message;
        // The addresses go as stored; the texts a reader shows go in one charset that holds them.
        message.AddRecipients(item.Address);
        std::vector<const CString*> texts{&senderName, &item.Subject, &item.Text};
        for (const CMimeAddress& to : message.ToList)
            texts.push_back(&to.Name);
        const CString charset = MailCharset(texts);
        message.From = CMimeAddress(senderAddress, InCharset(senderName, charset));
        for (CMimeAddress& to : message.ToList)
            to.Name = InCharset(to.Name, charset);
        message.Subject = InCharset(item.Subject, charset);
        message.BodyParts.emplace_back(InCharset(item.Text, charset).c_str(), "text/plain", charset,
                                       CMimeBodyPart::EncodingAuto);
        const bool accepted = client->SendMessage(message) == 0;
        sent += accepted ? 1 : 0;
        if (client->Stopped)
            return stopped();
        if (!accepted && client->SenderRefused) {
            // Every mail goes from the same sender: none of the others would be taken either.
            for (int rest = i; rest < Items.GetSize(); ++rest)
                notSent.push_back(Items[rest].Address);
            client->Disconnect();
            progress.Step(10);
            AfxMessageBox(
                NotSentText("邮件服务器拒绝了发件人的地址，不能发送邮件...\n发件人：" + senderAddress,
                            notSent),
                MB_OK);
            return 0;
        }
        // A mail not sent is named by its record's address text as stored; of a mail sent, the
        // recipients the server refused.
        if (!accepted)
            notSent.push_back(item.Address);
        else
            for (const CString& refused : client->Refused)
                notSent.push_back(refused);
        if (!client->InSession) {
            // The connection is gone: the mails after this one cannot go either.
            for (int rest = i + 1; rest < Items.GetSize(); ++rest)
                notSent.push_back(Items[rest].Address);
            client->Disconnect();
            AfxMessageBox(NotSentText("不能自动发送邮件信息...", notSent), MB_OK);
            progress.Step(10);
            return 0;
        }
    }
    if (!notSent.empty()) {
        // A refused receiver stops nobody else; the job says who got nothing, and that not every
        // mail went out.
        client->Disconnect();
        progress.Step(10);
        AfxMessageBox(NotSentText("不能自动发送邮件信息...", notSent), MB_OK);
        return 0;
    }
    client->Disconnect();
    progress.Step(9, "邮件发送成功......");
    progress.Step(10);
    return 1;
}
