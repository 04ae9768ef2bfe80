// The mail job against a real SMTP server with AUTH LOGIN: what the server receives byte for
// byte, refused recipients and records, the settings and address checks, the password file and
// a server that stops answering.
#include "mail/MailSender.h"
#include "controls/ProgressWnd.h"
#include "mail/LfsrCipher.h"
#include "platform/base/TextCodec.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/Wnd.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/ScriptedSmtpServer.h"
#include "tests/support/SmtpServer.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <regex>

namespace {

constexpr const char* kSection = "邮件服务器配置";
constexpr const char* kSender = "sender@vq.example";
const char* const kChineseSubject = "更改单发放自动通知";
const char* const kChineseText = "设计变更通知：ECN-2026-001 已发放。\n请各部门查收，并按新图纸组织生产。\n";

// Writes the password file as an administrator's tool makes it: the password put through the
// cipher with the mail key (or another key, to make a file the job cannot read).
void WritePasswordFile(vqtest::Workspace& ws, const std::string& password,
                       const char* key = CLfsrCipher::kMailKey) {
    CString bytes(password);
    CLfsrCipher cipher;
    cipher.TransformString(key, &bytes);
    ws.WriteFile("install/qent/spt/_vqpass.ini", bytes.str());
}

void WriteSmtpSettings(vqtest::Workspace& ws, const vqtest::SmtpServer& server) {
    ws.WriteSetting(kSection, "SMTP地址", server.Host());
    ws.WriteSetting(kSection, "SMTP邮件发送帐号", kSender);
    ws.WriteSetting(kSection, "SMTP校验帐号", server.User());
    ws.WriteSetting(kSection, "使用邮件服务器", "1");
    ws.WriteSetting(kSection, "邮件配置方式", "0");
    WritePasswordFile(ws, server.Password().str());
}

// The Date header of a received mail, checked for its form and replaced by a fixed text.
std::string WithFixedDate(const std::string& data) {
    static const std::regex date("\r\nDate: [A-Z][a-z]{2}, [1-9][0-9]? [A-Z][a-z]{2} [0-9]{4} "
                                 "[0-9]{2}:[0-9]{2}:[0-9]{2} [+-][0-9]{4}\r\n");
    std::smatch found;
    if (!std::regex_search(data, found, date))
        return data;
    return found.prefix().str() + "\r\nDate: (date)\r\n" + found.suffix().str();
}

void WriteScriptedServerSettings(vqtest::Workspace& ws) {
    ws.WriteSetting(kSection, "SMTP地址", "127.0.0.1");
    ws.WriteSetting(kSection, "SMTP邮件发送帐号", kSender);
    ws.WriteSetting(kSection, "SMTP校验帐号", "mailer");
    ws.WriteSetting(kSection, "使用邮件服务器", "1");
    WritePasswordFile(ws, "pw");
}

// Stands for the person at the progress window: presses its cancel button once told to, when
// the window next takes its input.
class PersonWhoCancels : public vq::ScriptedUser {
public:
    std::atomic<bool> cancelNow{false};
    int presses = 0;

    void ProcessPendingEvents() override {
        if (cancelNow.exchange(false))
            for (CWnd* window : vq::TopLevelWindows())
                if (auto* progress = dynamic_cast<CProgressWnd*>(window)) {
                    progress->m_cancelButton.Click();
                    ++presses;
                }
        ScriptedUser::ProcessPendingEvents();
    }
};

std::string Headers(const std::string& to, const std::string& subject) {
    return "From: <sender@vq.example>\r\n"
           "To: " +
           to +
           "\r\n"
           "Subject: " +
           subject +
           "\r\n"
           "Date: (date)\r\n"
           "Importance: Normal\r\n"
           "X-Mailer:  CSmtp COM Class Mailer \r\n"
           "X-MSMail-Priority: Normal\r\n"
           "X-Priority: 3 (Normal)\r\n"
           "MIME-Version: 1.0\r\n"
           "Content-Type: text/plain;\r\n\tcharset=\"GB2312\"\r\n";
}

} // namespace

TEST(MailSender, JobWithARefusedRecipientArrivesByteForByte) {
    vqtest::Workspace ws;
    vqtest::SmtpServer server("mailer@vq.example", "s3cret", {"refused@vq.example"});
    ASSERT_TRUE(server.IsRunning());
    WriteSmtpSettings(ws, server);
    vqtest::MessageBoxRecorder boxes;

    CMailSender job;
    job.SmtpPort = server.Port();
    job.To = "a@vq.example";
    job.Items.Add(
        CMailItem("zhang", "a@vq.example;refused@vq.example;c@vq.example", kChineseSubject, kChineseText));
    job.Items.Add(CMailItem("li", "li@vq.example", "Status", "line one\n.hidden dot line\n"));
    job.Items.Add(CMailItem("wang", "wang@vq.example", "Empty", ""));
    // The others of the record get it; the refused one is named and the job says not all went.
    boxes.Expect("refused@vq.example");
    EXPECT_EQ(0, job.Send(0));
    ASSERT_EQ(1u, boxes.Shown().size());
    EXPECT_EQ(boxes.Shown()[0].text.Find("a@vq.example"), -1) << boxes.Shown()[0].text.str();

    ASSERT_TRUE(server.WaitForMails(3));
    auto mails = server.Received();
    ASSERT_EQ(3u, mails.size());
    EXPECT_EQ(kSender, mails[0].from);
    EXPECT_EQ((std::vector<CString>{"a@vq.example", "c@vq.example"}), mails[0].recipients);
    EXPECT_EQ("mailer@vq.example", mails[0].login);
    EXPECT_EQ(Headers("<a@vq.example>,\r\n    <refused@vq.example>,\r\n    <c@vq.example>",
                      "=?GB2312?B?uPy4xLWlt6K3xdfUtq/NqNaq?=") +
                  "Content-Transfer-Encoding: base64\r\n\r\n"
                  "yei8xrHkuPzNqNaqo7pFQ04tMjAyNi0wMDEg0tG3orfFoaMNCsfruPeyv8PFsunK1aOssqKwtNDC\r\n"
                  "zbzWvdfp1q/J+rL6oaMNCg==\r\n",
              WithFixedDate(mails[0].data));

    // Bare line feeds went as CR LF and the dot line arrives as it was written.
    EXPECT_EQ((std::vector<CString>{"li@vq.example"}), mails[1].recipients);
    EXPECT_EQ(Headers("<li@vq.example>", "Status") +
                  "Content-Transfer-Encoding: 7bit\r\n\r\nline one\r\n.hidden dot line\r\n\r\n",
              WithFixedDate(mails[1].data));
    EXPECT_EQ(Headers("<wang@vq.example>", "Empty") + "Content-Transfer-Encoding: 7bit\r\n\r\n\r\n",
              WithFixedDate(mails[2].data));
}

// A refused receiver does not stop the others: the server's 550 to one record and the job's own
// refusal of an address that would break its command line each leave the records after them to
// be sent, and one message at the end names every receiver who got nothing.
TEST(MailSender, RefusedRecordsAreNamedOnceAndTheOthersStillGo) {
    vqtest::Workspace ws;
    vqtest::SmtpServer server("mailer@vq.example", "s3cret", {"gone@vq.example"});
    WriteSmtpSettings(ws, server);
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("不能自动发送邮件信息...");
    CMailSender job;
    job.SmtpPort = server.Port();
    job.To = "first@vq.example";
    job.Items.Add(CMailItem("a", "first@vq.example", "one", "1"));
    job.Items.Add(CMailItem("b", "gone@vq.example", "two", "2"));
    job.Items.Add(CMailItem("c", "third@vq.example", "three", "3"));
    job.Items.Add(CMailItem("d", "bad@vq.example\r\nRCPT TO: <evil@vq.example>", "four", "4"));
    job.Items.Add(CMailItem("e", "fifth@vq.example", "five", "5"));
    EXPECT_EQ(0, job.Send(0));
    EXPECT_EQ(0, boxes.Pending());
    ASSERT_EQ(1u, boxes.Shown().size());
    const CString text = boxes.Shown()[0].text;
    EXPECT_GE(text.Find("gone@vq.example"), 0) << text.str();
    EXPECT_GE(text.Find("bad@vq.example"), 0) << text.str();
    EXPECT_EQ(text.Find("first@vq.example"), -1) << text.str();
    EXPECT_EQ(text.Find("third@vq.example"), -1) << text.str();
    EXPECT_EQ(text.Find('\n', text.Find("bad@vq.example")), -1) << "a name stays on its line";
    ASSERT_TRUE(server.WaitForMails(3));
    auto mails = server.Received();
    ASSERT_EQ(3u, mails.size());
    EXPECT_EQ((std::vector<CString>{"first@vq.example"}), mails[0].recipients);
    EXPECT_EQ((std::vector<CString>{"third@vq.example"}), mails[1].recipients);
    EXPECT_EQ((std::vector<CString>{"fifth@vq.example"}), mails[2].recipients);
}

// A record whose recipients the server refuses leaves no mail transaction open: the next record
// starts its own after RSET, and a record whose recipients all pass says nothing.
TEST(MailSender, ARecordRefusedByTheServerIsResetBeforeTheNext) {
    vqtest::Workspace ws;
    vqtest::ScriptedSmtpServer server([](const std::string& command) -> std::vector<std::string> {
        if (command == "RCPT TO: <gone@x>")
            return {"550 no such user\r\n"};
        return vqtest::ScriptedSmtpServer::Accepting(command);
    });
    WriteScriptedServerSettings(ws);
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("gone@x");
    CMailSender job;
    job.SmtpPort = server.Port();
    job.To = "a@x";
    job.Items.Add(CMailItem("", "a@x", "s", "1"));
    job.Items.Add(CMailItem("", "gone@x", "s", "2"));
    job.Items.Add(CMailItem("", "c@x", "s", "3"));
    EXPECT_EQ(0, job.Send(0));
    EXPECT_EQ(0, boxes.Pending());
    auto commands = server.Commands();
    auto rcpt = std::find(commands.begin(), commands.end(), "RCPT TO: <gone@x>");
    ASSERT_NE(rcpt, commands.end());
    ASSERT_NE(rcpt + 1, commands.end());
    EXPECT_EQ(*(rcpt + 1), "RSET");
    EXPECT_EQ(2u, server.Messages().size());
}

TEST(MailSender, ChineseTextDecodesBackFromTheWire) {
    vqtest::Workspace ws;
    vqtest::SmtpServer server;
    WriteSmtpSettings(ws, server);
    vqtest::MessageBoxRecorder boxes;
    CMailSender job;
    job.SmtpPort = server.Port();
    job.To = "a@vq.example";
    const CString text = "零件 P-100 的图纸已更新。\r\n版本：B";
    job.Items.Add(CMailItem("", "a@vq.example", "图纸更新", text));
    ASSERT_EQ(1, job.Send(0));
    auto mails = server.Received();
    ASSERT_EQ(1u, mails.size());
    const std::string& data = mails[0].data;
    std::size_t body = data.find("\r\n\r\n");
    ASSERT_NE(std::string::npos, body);
    std::string base64 = data.substr(body + 4);
    std::string decoded;
    // Decoded independently of the system's coder.
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    unsigned bits = 0, count = 0;
    for (char ch : base64) {
        std::size_t value = alphabet.find(ch);
        if (value == std::string::npos)
            continue;
        bits = bits << 6 | static_cast<unsigned>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            decoded += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    EXPECT_EQ(text, CString(vq::GbkToUtf8(decoded)));
    EXPECT_EQ(vqtest::SmtpServer::HeaderText(data, "Subject"), CString("图纸更新"));
    const std::string subject = vqtest::SmtpServer::HeaderLines(data, "Subject").at(0);
    EXPECT_TRUE(std::all_of(subject.begin(), subject.end(), [](char ch) { return ch >= 0x20 && ch < 0x7F; }))
        << subject;
}

// Every mail as two readers read it: the texts and the display names of sender and receivers
// in their own characters, also those that code page 936 has and GB2312 lacks (镕 喆 堃, common
// in names) and those only GB18030 has; the envelope carries the addresses alone. A mail whose
// texts GB2312 holds keeps that charset.
TEST(MailSender, EveryReaderReadsTheTextsAndNamesAsWritten) {
    vqtest::Workspace ws;
    vqtest::SmtpServer server;
    WriteSmtpSettings(ws, server);
    vqtest::MessageBoxRecorder boxes;
    // A name that one encoded word holds, but not on the line of "To: ".
    std::string longName;
    for (int i = 0; i < 22; ++i)
        longName += i % 2 ? "喆" : "堃";
    struct Case {
        const char* sender; // the setting as an administrator writes it
        std::string address;
        const char* subject;
        const char* text;
        const char* charset;
        std::vector<CString> shownAddresses; // sender, then receivers
    };
    const Case cases[] = {
        {"设计部门 <pdm@vq.example>",
         "张三 <zs@vq.example>",
         "更改单发放自动通知",
         "更改单：EC-1 已发布，涉及到发放部门：设计一室，请注意签收...\n时间：2026-12-10 09:30\n",
         "gb2312",
         {"设计部门 <pdm@vq.example>", "张三 <zs@vq.example>"}},
        {"\"Design Dept\" <pdm@vq.example>",
         "王喆 <wz@vq.example>;李堃<lk@vq.example>",
         "镕钢车间：更改单发放自动通知",
         "更改单：EC-1 已发布，涉及到发放部门：镕钢车间，请注意签收...\n时间：2026-12-10 09:30\n",
         "gb18030",
         {"Design Dept <pdm@vq.example>", "王喆 <wz@vq.example>", "李堃 <lk@vq.example>"}},
        // Only GB18030 has "•" and "€".
        {"pdm@vq.example",
         longName + " <long@vq.example>",
         "Status",
         "• 价格 100€ — 已确认",
         "gb18030",
         {"pdm@vq.example", CString(longName) + " <long@vq.example>"}},
    };
    std::size_t count = 0;
    for (const Case& c : cases) {
        ws.WriteSetting(kSection, "SMTP邮件发送帐号", c.sender);
        CMailSender job;
        job.SmtpPort = server.Port();
        job.To = "a@vq.example";
        job.Items.Add(CMailItem("", c.address, c.subject, c.text));
        ASSERT_EQ(1, job.Send(0)) << c.sender;
        ASSERT_TRUE(server.WaitForMails(++count));
        const vqtest::SmtpServer::Mail mail = server.Received().back();
        EXPECT_EQ(mail.from, "pdm@vq.example");
        const auto read = vqtest::SmtpServer::ReadAsMailReaders(mail.data);
        ASSERT_TRUE(read.ran) << (read.defects.empty() ? "" : read.defects[0].str());
        for (const CString& defect : read.defects)
            ADD_FAILURE() << defect.str() << "\n" << mail.data;
        EXPECT_EQ(read.charset, c.charset);
        EXPECT_EQ(read.subject, c.subject);
        EXPECT_EQ(read.oldSubject, c.subject);
        const CString text = CString(c.text);
        EXPECT_EQ(read.body, text);
        EXPECT_EQ(read.oldBody, text);
        std::vector<CString> shown = read.addresses;
        EXPECT_EQ(shown, c.shownAddresses) << mail.data;
        // The second reader shows the same names beside the same addresses.
        for (const CString& address : c.shownAddresses) {
            CString name = address.Find('<') > 0 ? address.Left(address.Find('<')) : CString();
            name.Trim();
            EXPECT_TRUE((read.oldFrom + read.oldTo).Find(name) >= 0)
                << read.oldFrom.str() << read.oldTo.str();
        }
        // What goes on the wire before the body is ASCII in lines a reader takes whole.
        const std::string head = mail.data.substr(0, mail.data.find("\r\n\r\n"));
        std::size_t start = 0;
        for (std::size_t end; (end = head.find("\r\n", start)) != std::string::npos || start < head.size();
             start = end + 2) {
            end = end == std::string::npos ? head.size() : end;
            const std::string line = head.substr(start, end - start);
            EXPECT_LE(line.size(), 76u) << line;
            EXPECT_TRUE(std::all_of(line.begin(), line.end(), [](char ch) {
                return (ch >= 0x20 && ch < 0x7F) || ch == '\t';
            })) << line;
            if (end == head.size())
                break;
        }
    }
    EXPECT_TRUE(boxes.Shown().empty());
}

// A sender the server refuses stops the job at the first mail with one box that names the
// sender, not the receivers' addresses as the fault; the mails after it are not tried.
TEST(MailSender, ASenderRefusedByTheServerIsNamedAsTheFault) {
    vqtest::Workspace ws;
    vqtest::ScriptedSmtpServer server([](const std::string& command) -> std::vector<std::string> {
        if (command.rfind("MAIL FROM", 0) == 0)
            return {"553 5.7.1 Sender address rejected\r\n"};
        return vqtest::ScriptedSmtpServer::Accepting(command);
    });
    WriteScriptedServerSettings(ws);
    ws.WriteSetting(kSection, "SMTP邮件发送帐号", "设计部门 <pdm@x>");
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("邮件服务器拒绝了发件人的地址，不能发送邮件...\n发件人：pdm@"
                 "x\n以下收件人没有收到邮件：\n张三 <a@x>\nb@x");
    CMailSender job;
    job.SmtpPort = server.Port();
    job.To = "a@x";
    job.Items.Add(CMailItem("", "张三 <a@x>", "s", "1"));
    job.Items.Add(CMailItem("", "b@x", "s", "2"));
    EXPECT_EQ(0, job.Send(0));
    EXPECT_EQ(0, boxes.Pending());
    EXPECT_EQ(1u, boxes.Shown().size());
    const auto commands = server.Commands();
    EXPECT_EQ(1, std::count_if(commands.begin(), commands.end(), [](const std::string& command) {
                  return command.rfind("MAIL FROM", 0) == 0;
              }));
    EXPECT_NE(std::find(commands.begin(), commands.end(), "MAIL FROM: <pdm@x>"), commands.end());
    EXPECT_EQ("QUIT", commands.back());
    EXPECT_TRUE(server.Messages().empty());
}

TEST(MailSender, NothingIsSentWithoutTheServerSwitchOrSettings) {
    vqtest::Workspace ws;
    vqtest::MessageBoxRecorder boxes;
    CMailSender job;
    job.To = "a@vq.example";
    job.Items.Add(CMailItem("", "a@vq.example", "s", "t"));
    // No settings at all: the SMTP way, switched off.
    EXPECT_EQ(1, job.Send(0));
    EXPECT_EQ(0, job.Mode);
    EXPECT_EQ(0, job.UseServer);
    vqtest::SmtpServer server;
    WriteSmtpSettings(ws, server);
    ws.WriteSetting(kSection, "使用邮件服务器", "0");
    job.SmtpPort = server.Port();
    EXPECT_EQ(1, job.Send(0));
    EXPECT_EQ("127.0.0.1", job.SmtpServer);
    EXPECT_EQ("s3cret", job.Password);
    EXPECT_TRUE(server.Received().empty());
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST(MailSender, AddressChecksComeBeforeAnyConnection) {
    vqtest::Workspace ws;
    vqtest::MessageBoxRecorder boxes;
    ws.WriteSetting(kSection, "使用邮件服务器", "1");
    ws.WriteSetting(kSection, "SMTP地址", "127.0.0.1");
    struct Case {
        const char* sender;
        const char* to;
        const char* cc;
        const char* bcc;
        const char* message;
    };
    const Case cases[] = {
        {"", "a@x", "", "", "邮件发件人的地址不能为空，不能发送邮件..."},
        {"sender", "a@x", "", "", "邮件发件人的地址要包含'@'，不能发送邮件..."},
        {"s@x", "", "", "", "邮件收件人的地址不能为空，不能发送邮件..."},
        {"s@x", "ax", "", "", "邮件收件人的地址要包含'@'，不能发送邮件..."},
        {"s@x", "a@x", "cc", "", "邮件抄送人的地址要包含'@'，不能发送邮件..."},
        {"s@x", "a@x", "", "bcc", "邮件密送人的地址要包含'@'，不能发送邮件..."},
        // A sender written with a display name whose address cannot go into MAIL FROM is named
        // as the sender's fault, before any connection.
        {"设计部门 <pdm@x", "a@x", "", "",
         "邮件发件人的地址格式不正确，不能发送邮件...\n发件人：设计部门 <pdm@x"},
        {"设计部门 <pdm@x> 张三", "a@x", "", "", "邮件发件人的地址格式不正确"},
        {"pdm@x <设计部门>", "a@x", "", "", "邮件发件人的地址格式不正确"},
        {"Design Dept <pdm x@y>", "a@x", "", "", "邮件发件人的地址格式不正确"},
    };
    for (const Case& c : cases) {
        ws.WriteSetting(kSection, "SMTP邮件发送帐号", c.sender);
        boxes.Clear();
        boxes.Expect(c.message);
        CMailSender job;
        job.SmtpPort = 1; // nobody listens: a connection attempt would show another message
        job.To = c.to;
        job.Cc = c.cc;
        job.Bcc = c.bcc;
        job.Items.Add(CMailItem("", "a@x", "s", "t"));
        EXPECT_EQ(0, job.Send(0)) << c.message;
        EXPECT_EQ(0, boxes.Pending()) << c.message;
        EXPECT_EQ(1u, boxes.Shown().size()) << c.message;
    }
}

TEST(MailSender, AJobWithoutRecordsConnectsAndQuits) {
    vqtest::Workspace ws;
    vqtest::ScriptedSmtpServer server(vqtest::ScriptedSmtpServer::Accepting);
    ws.WriteSetting(kSection, "SMTP地址", "127.0.0.1");
    ws.WriteSetting(kSection, "SMTP邮件发送帐号", kSender);
    ws.WriteSetting(kSection, "SMTP校验帐号", "mailer");
    ws.WriteSetting(kSection, "使用邮件服务器", "1");
    WritePasswordFile(ws, "pw");
    vqtest::MessageBoxRecorder boxes;
    CMailSender job;
    job.SmtpPort = server.Port();
    job.To = "a@x";
    EXPECT_EQ(1, job.Send(0));
    EXPECT_TRUE(boxes.Shown().empty());
    auto commands = server.Commands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ("QUIT", commands.back());
    EXPECT_EQ(0, std::count(commands.begin(), commands.end(), "DATA"));
}

TEST(MailSender, PasswordFileIsDecipheredWholeAndAWrongKeyIsRefused) {
    vqtest::Workspace ws;
    vqtest::SmtpServer server("mailer@vq.example", "pass\r\n");
    WriteSmtpSettings(ws, server);
    CMailSender job;
    CString password;
    EXPECT_EQ(1, job.ReadPassword(password));
    EXPECT_EQ("pass\r\n", password); // the enciphered line end stays part of the password
    vqtest::MessageBoxRecorder boxes;
    job.SmtpPort = server.Port();
    job.To = "a@vq.example";
    job.Items.Add(CMailItem("", "a@vq.example", "s", "t"));
    EXPECT_EQ(1, job.Send(0));
    EXPECT_EQ(1u, server.Received().size());

    // A file made with another key deciphers to a wrong password: the server refuses the log-on.
    WritePasswordFile(ws, "pass\r\n", "some other key");
    boxes.Expect("验证不成功!");
    boxes.Expect("连接邮件服务器失败，不能发送邮件信息...");
    EXPECT_EQ(0, job.Send(0));
    EXPECT_EQ(0, boxes.Pending());
    EXPECT_EQ(1u, server.Received().size());

    ws.WriteFile("install/qent/spt/_vqpass.ini", "");
    EXPECT_EQ(1, job.ReadPassword(password));
    EXPECT_EQ("", password);
}

TEST(MailSender, MissingPasswordFileGivesAnEmptyPassword) {
    vqtest::Workspace ws;
    CMailSender job;
    CString password = "old";
    EXPECT_EQ(0, job.ReadPassword(password));
    EXPECT_EQ("", password);
}

TEST(MailSender, ServerThatStopsAnsweringEndsWithTheJobsMessage) {
    vqtest::Workspace ws;
    vqtest::ScriptedSmtpServer server([](const std::string& command) -> std::vector<std::string> {
        if (command.rfind("RCPT", 0) == 0)
            return {};
        return vqtest::ScriptedSmtpServer::Accepting(command);
    });
    ws.WriteSetting(kSection, "SMTP地址", "127.0.0.1");
    ws.WriteSetting(kSection, "SMTP邮件发送帐号", kSender);
    ws.WriteSetting(kSection, "SMTP校验帐号", "mailer");
    ws.WriteSetting(kSection, "使用邮件服务器", "1");
    WritePasswordFile(ws, "pw");
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("不能自动发送邮件信息...");
    CMailSender job;
    job.SmtpPort = server.Port();
    job.SmtpTimeout = 1;
    job.To = "a@x";
    job.Items.Add(CMailItem("", "a@x;b@x;c@x", "s", "t"));
    EXPECT_EQ(0, job.Send(0));
    EXPECT_EQ(0, boxes.Pending());
    // The first unanswered recipient ends the job: the others are not tried, each waiting in vain.
    const auto commands = server.Commands();
    EXPECT_EQ(1, std::count_if(commands.begin(), commands.end(),
                               [](const std::string& command) { return command.rfind("RCPT", 0) == 0; }));
}

TEST(MailSender, HeaderBreakingSubjectIsNotSent) {
    vqtest::Workspace ws;
    vqtest::SmtpServer server;
    WriteSmtpSettings(ws, server);
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("不能自动发送邮件信息...");
    CMailSender job;
    job.SmtpPort = server.Port();
    job.To = "a@vq.example";
    job.Items.Add(CMailItem("", "a@vq.example", "Notice\r\nBcc: someone@else.example", "t"));
    EXPECT_EQ(0, job.Send(0));
    EXPECT_EQ(0, boxes.Pending());
    EXPECT_TRUE(server.Received().empty());
}

TEST(MailSender, AddressCarryingItsOwnParametersIsNotSentAndNamesKeepTheirQuotes) {
    vqtest::Workspace ws;
    vqtest::SmtpServer server;
    WriteSmtpSettings(ws, server);
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("不能自动发送邮件信息...");
    {
        // A stored address that closes its own brackets would add SMTP parameters and, after
        // its ";", a recipient of its own: the mail goes to nobody.
        CMailSender job;
        job.SmtpPort = server.Port();
        job.To = "zhangsan@localhost";
        job.Items.Add(CMailItem("zhangsan", "zhangsan@localhost> NOTIFY=SUCCESS ORCPT=rfc822;evil@example.com",
                                "s", "t"));
        EXPECT_EQ(0, job.Send(0));
        EXPECT_EQ(0, boxes.Pending());
    }
    // A display name with quotes stays one name in the To header, quotes and all.
    CMailSender job;
    job.SmtpPort = server.Port();
    job.To = "zs@vq.example";
    job.Items.Add(CMailItem("zhangsan", "张三 \"经理\" <zs@vq.example>", "s", "t"));
    EXPECT_EQ(1, job.Send(0));
    auto mails = server.Received();
    ASSERT_EQ(1u, mails.size());
    EXPECT_EQ((std::vector<CString>{"zs@vq.example"}), mails[0].recipients);
    const auto read = vqtest::SmtpServer::ReadAsMailReaders(mails[0].data);
    EXPECT_TRUE(read.ran && read.defects.empty()) << mails[0].data;
    EXPECT_EQ(read.addresses, (std::vector<CString>{"sender@vq.example", "张三 \"经理\" <zs@vq.example>"}))
        << mails[0].data;
}

TEST(MailSender, CancelInTheProgressWindowEndsAJobWithASlowServer) {
    vqtest::Workspace ws;
    WriteScriptedServerSettings(ws);
    PersonWhoCancels person;
    person.Message("邮件发送已取消：已发送 1 封邮件，其余 2 封邮件未发送。", IDOK);
    int mailsBegun = 0;
    // The second mail's MAIL FROM is never answered: the person gives up waiting.
    vqtest::ScriptedSmtpServer server([&](const std::string& command) -> std::vector<std::string> {
        if (command.rfind("MAIL FROM", 0) == 0 && ++mailsBegun == 2) {
            person.cancelNow = true;
            return {};
        }
        return vqtest::ScriptedSmtpServer::Accepting(command);
    });
    CMailSender job;
    job.SmtpPort = server.Port();
    job.To = "a@x";
    for (const char* to : {"a@x", "b@x", "c@x"})
        job.Items.Add(CMailItem("", to, "s", "t"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(0, job.Send(0));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(25)) << "not the reply time-out";
    EXPECT_EQ(1, person.presses);
    EXPECT_TRUE(person.Succeeded()) << person.Error();
    // The first mail went whole; the broken conversation ends without QUIT.
    EXPECT_EQ(1u, server.Messages().size());
    const auto commands = server.Commands();
    EXPECT_EQ(0, std::count(commands.begin(), commands.end(), "QUIT"));
    EXPECT_EQ("MAIL FROM: <sender@vq.example>", commands.back());
}

TEST(MailSender, AJobEndsAtItsTimeLimitSayingWhatWasNotSent) {
    vqtest::Workspace ws;
    WriteScriptedServerSettings(ws);
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("邮件发送超过时限：已发送 0 封邮件，其余 3 封邮件未发送。");
    // Every reply would come within the reply time-out, but the first message is never taken.
    vqtest::ScriptedSmtpServer server([](const std::string& command) -> std::vector<std::string> {
        if (command == ".")
            return {};
        return vqtest::ScriptedSmtpServer::Accepting(command);
    });
    CMailSender job;
    job.SmtpPort = server.Port();
    job.SmtpJobTimeout = 1;
    job.To = "a@x";
    for (const char* to : {"a@x", "b@x", "c@x"})
        job.Items.Add(CMailItem("", to, "s", "t"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(0, job.Send(0));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(25)) << "not the reply time-out";
    EXPECT_EQ(0, boxes.Pending());
    EXPECT_EQ(1u, boxes.Shown().size());
    EXPECT_EQ(1u, server.Messages().size());
    EXPECT_EQ("DATA", server.Commands().back());
}
