// The SMTP client against a scripted server: replies split over several sends, EHLO refused,
// the log-on with its prompts, refusals, the password dialog, a server that stops answering,
// pieces of long commands and refused header-breaking texts.
#include "mail/Smtp.h"
#include "mail/MailLoginDlg.h"
#include "platform/os/HostAddress.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/ScriptedSmtpServer.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

using vqtest::ScriptedSmtpServer;

namespace {

constexpr const char* kUserB64 = "bWFpbGVy";     // "mailer"
constexpr const char* kPasswordB64 = "c2VjcmV0"; // "secret"

class RecordingSmtp : public CSmtp {
public:
    std::vector<int> errors;
    std::vector<unsigned> progress;

protected:
    int OnError(int code, const char* reply) override {
        errors.push_back(code);
        return 0;
    }
    int OnSendProgress(const char* buffer, unsigned sent, unsigned total) override {
        progress.push_back(sent);
        return 1;
    }
};

void Prepare(CSmtp& client, const ScriptedSmtpServer& server, const char* password = "secret") {
    client.SetServer("127.0.0.1");
    client.SetUser("mailer");
    client.SetPassword(password);
    client.Port = server.Port();
    client.Timeout = 5;
}

CMimeMessage Message(const char* to, const char* subject = "subject", const char* text = "text") {
    CMimeMessage message;
    message.From.SetAddress("sender@vq.example");
    message.AddRecipients(to);
    message.Subject = subject;
    message.BodyParts.emplace_back(text, "text/plain", "GB2312");
    return message;
}

std::vector<std::string> Expected(std::initializer_list<std::string> commands) {
    return commands;
}

} // namespace

TEST(Smtp, DefaultsAndServicePort) {
    CSmtp client;
    EXPECT_EQ(1, client.TryEsmtp);
    EXPECT_EQ(30, client.Timeout);
    EXPECT_EQ(25, client.Port); // the services database has no entry "SMTP" (names are lower case)
    EXPECT_EQ(0, client.InSession);
}

TEST(Smtp, ServerAddressMayCarryItsPort) {
    CSmtp client;
    client.SetServer("127.0.0.1:2525");
    EXPECT_EQ("127.0.0.1", client.Host);
    EXPECT_EQ(2525, client.Port);
    // Anything that is not one colon and a port number stays the server's name.
    for (const char* name : {"mail.vq.test", "mail:", "mail:70000", "mail:25x", "::1", "a:b:25"}) {
        CSmtp other;
        other.SetServer(name);
        EXPECT_EQ(CString(name), other.Host) << name;
        EXPECT_EQ(25, other.Port) << name;
    }
}

TEST(Smtp, SplitMultiLineReplyIsReadWholeAndLogOnAnswersPromptsInAnyCase) {
    vqtest::Workspace ws;
    vqtest::MessageBoxRecorder boxes;
    ScriptedSmtpServer server([](const std::string& command) -> std::vector<std::string> {
        if (command.rfind("EHLO", 0) == 0)
            return {"250-fake.vq.test greets you\r\n", "250-AUTH LOGIN PLAIN\r\n250-SIZE 1000",
                    "0\r\n250 8BITMIME\r\n"};
        if (command == "AUTH LOGIN")
            return {"334 VVNFUk5BTUU6\r\n"}; // "USERNAME:"
        if (command == kUserB64)
            return {"334 UGFzc3dvcmQ6\r\n"};
        if (command == kPasswordB64)
            return {"235 2.7.0 accepted\r\n"};
        return ScriptedSmtpServer::Accepting(command);
    });
    CSmtp client;
    Prepare(client, server);
    ASSERT_EQ(1, client.Connect());
    EXPECT_EQ(1, client.Esmtp);
    EXPECT_EQ(1, client.InSession);
    CMimeMessage message = Message("a@vq.example");
    EXPECT_EQ(0, client.SendMessage(message));
    client.Disconnect();
    const std::string ehlo = "EHLO " + vq::LocalHostName().Left(63).str();
    EXPECT_EQ(Expected({ehlo, "AUTH LOGIN", kUserB64, kPasswordB64, "MAIL FROM: <sender@vq.example>",
                        "RCPT TO: <a@vq.example>", "DATA", "QUIT"}),
              server.Commands());
}

TEST(Smtp, RefusedEhloFallsBackToHeloWithoutLogOn) {
    vqtest::Workspace ws;
    vqtest::MessageBoxRecorder boxes;
    ScriptedSmtpServer server([](const std::string& command) -> std::vector<std::string> {
        if (command.rfind("EHLO", 0) == 0)
            return {"500 unknown command\r\n"};
        return ScriptedSmtpServer::Accepting(command);
    });
    CSmtp client;
    Prepare(client, server);
    ASSERT_EQ(1, client.Connect());
    EXPECT_EQ(0, client.Esmtp);
    client.Disconnect();
    const std::string name = vq::LocalHostName().Left(63).str();
    EXPECT_EQ(Expected({"EHLO " + name, "HELO " + name, "QUIT"}), server.Commands());
}

TEST(Smtp, SettingSkipsTheLogOn) {
    vqtest::Workspace ws;
    vqtest::MessageBoxRecorder boxes;
    ws.WriteSetting("邮件服务器配置", "不进行安全帐号校验", "1");
    ScriptedSmtpServer server(ScriptedSmtpServer::Accepting);
    CSmtp client;
    Prepare(client, server);
    ASSERT_EQ(1, client.Connect());
    client.Disconnect();
    ASSERT_EQ(2u, server.Commands().size());
    EXPECT_EQ("QUIT", server.Commands()[1]);
}

TEST(Smtp, RefusedPasswordEndsTheConnection) {
    vqtest::Workspace ws;
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("验证不成功!");
    ScriptedSmtpServer server([](const std::string& command) -> std::vector<std::string> {
        if (command == kPasswordB64)
            return {"535 5.7.8 Authentication credentials invalid\r\n"};
        if (command == kUserB64)
            return {"334 UGFzc3dvcmQ6\r\n"};
        return ScriptedSmtpServer::Accepting(command);
    });
    RecordingSmtp client;
    Prepare(client, server);
    EXPECT_EQ(0, client.Connect());
    EXPECT_EQ(0, boxes.Pending());
    EXPECT_EQ("提示", boxes.Shown().at(0).caption);
    EXPECT_EQ(std::vector<int>{535}, client.errors);
    // The session was open: it is closed with QUIT.
    EXPECT_EQ("QUIT", server.Commands().back());
}

TEST(Smtp, UnknownPromptEndsTheLogOn) {
    vqtest::Workspace ws;
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("验证不成功!");
    ScriptedSmtpServer server([](const std::string& command) -> std::vector<std::string> {
        if (command == "AUTH LOGIN")
            return {"334 VXNlciBOYW1lAA==\r\n"}; // "User Name" and a zero byte
        return ScriptedSmtpServer::Accepting(command);
    });
    RecordingSmtp client;
    Prepare(client, server);
    EXPECT_EQ(0, client.Connect());
    EXPECT_EQ(std::vector<int>{334}, client.errors);
}

TEST(Smtp, PasswordDialogShowsServerAndUserAndItsPasswordIsUsed) {
    vqtest::Workspace ws;
    ScriptedSmtpServer server(ScriptedSmtpServer::Accepting);
    CSmtp client;
    Prepare(client, server, "");
    vq::ScriptedUser user;
    user.Dialog("登录邮件服务器")
        .Do([](CDialog& d) {
            CString text;
            d.GetDlgItemText(CMailLoginDlg::kServerId, text);
            EXPECT_EQ("127.0.0.1", text);
            d.GetDlgItemText(CMailLoginDlg::kUserNameId, text);
            EXPECT_EQ("mailer", text);
            EXPECT_TRUE(d.GetDlgItem(CMailLoginDlg::kUserNameId)->GetStyle() & ES_READONLY);
            EXPECT_TRUE(d.GetDlgItem(CMailLoginDlg::kPasswordId)->GetStyle() & ES_PASSWORD);
        })
        .Set(CMailLoginDlg::kPasswordId, "secret")
        .Click(IDOK);
    ASSERT_EQ(1, client.Connect());
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ("secret", client.Password);
    client.Disconnect();
    auto commands = server.Commands();
    ASSERT_EQ(5u, commands.size());
    EXPECT_EQ(kPasswordB64, commands[3]);
}

TEST(Smtp, CancelledPasswordDialogGoesOnWithoutLogOn) {
    vqtest::Workspace ws;
    ScriptedSmtpServer server(ScriptedSmtpServer::Accepting);
    CSmtp client;
    Prepare(client, server, "");
    vq::ScriptedUser user;
    user.Dialog("登录邮件服务器").Click(IDCANCEL);
    ASSERT_EQ(1, client.Connect());
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    client.Disconnect();
    ASSERT_EQ(2u, server.Commands().size());
    EXPECT_EQ("QUIT", server.Commands()[1]);
}

TEST(Smtp, RefusedRecipientsAreSkippedAndAllRefusedSendsNoData) {
    vqtest::Workspace ws;
    vqtest::MessageBoxRecorder boxes;
    ScriptedSmtpServer server([](const std::string& command) -> std::vector<std::string> {
        if (command.find("<bad") != std::string::npos)
            return {"550 5.1.1 no such user\r\n"};
        return ScriptedSmtpServer::Accepting(command);
    });
    CSmtp client;
    Prepare(client, server);
    ASSERT_EQ(1, client.Connect());
    CMimeMessage one = Message("bad1@x;good@x;");
    EXPECT_EQ(0, client.SendMessage(one));
    CMimeMessage none = Message("bad1@x;bad2@x");
    EXPECT_EQ(550, client.SendMessage(none));
    client.Disconnect();
    auto commands = server.Commands();
    EXPECT_EQ(1, std::count(commands.begin(), commands.end(), "DATA"));
    EXPECT_EQ(4, std::count_if(commands.begin(), commands.end(),
                               [](const std::string& c) { return c.rfind("RCPT TO:", 0) == 0; }));
    ASSERT_EQ(1u, server.Messages().size());
    EXPECT_NE(std::string::npos, server.Messages()[0].find("To: <bad1@x>,\r\n    <good@x>,\r\n    <>\r\n"));
}

TEST(Smtp, MailFromRefusedWithLogOnRequiredIsTriedAFewTimes) {
    vqtest::Workspace ws;
    vqtest::MessageBoxRecorder boxes;
    ScriptedSmtpServer server([](const std::string& command) -> std::vector<std::string> {
        if (command.rfind("MAIL FROM", 0) == 0)
            return {"530 5.7.0 Authentication required\r\n"};
        return ScriptedSmtpServer::Accepting(command);
    });
    CSmtp client;
    Prepare(client, server);
    ASSERT_EQ(1, client.Connect());
    CMimeMessage message = Message("a@x");
    EXPECT_EQ(530, client.SendMessage(message));
    client.Disconnect();
    auto commands = server.Commands();
    EXPECT_EQ(3, std::count_if(commands.begin(), commands.end(),
                               [](const std::string& c) { return c.rfind("MAIL FROM", 0) == 0; }));
    EXPECT_EQ(3, std::count(commands.begin(), commands.end(), "AUTH LOGIN"));
}

TEST(Smtp, QuitAnsweredWrongIsReportedAndTheSocketClosed) {
    vqtest::Workspace ws;
    vqtest::MessageBoxRecorder boxes;
    ScriptedSmtpServer server([](const std::string& command) -> std::vector<std::string> {
        if (command == "QUIT")
            return {"250 fine\r\n"};
        return ScriptedSmtpServer::Accepting(command);
    });
    RecordingSmtp client;
    Prepare(client, server);
    ASSERT_EQ(1, client.Connect());
    client.Disconnect();
    EXPECT_EQ(std::vector<int>{250}, client.errors);
    EXPECT_EQ(0, client.InSession);
    EXPECT_EQ(-1, client.SendCommand("NOOP\r\n"));
}

TEST(Smtp, LongCommandsGoInPiecesOf1024) {
    vqtest::Workspace ws;
    vqtest::MessageBoxRecorder boxes;
    ScriptedSmtpServer server([](const std::string& command) -> std::vector<std::string> {
        if (command.rfind("NOOP", 0) == 0)
            return {"250 OK\r\n"};
        return ScriptedSmtpServer::Accepting(command);
    });
    RecordingSmtp client;
    Prepare(client, server);
    ASSERT_EQ(1, client.Connect());
    std::string command = "NOOP " + std::string(4993, 'x') + "\r\n";
    ASSERT_EQ(5000u, command.size());
    EXPECT_EQ(250, client.SendCommand(command.c_str()));
    EXPECT_EQ((std::vector<unsigned>{1024, 2048, 3072, 4096, 5000}), client.progress);
}

TEST(Smtp, ServerThatStopsAnsweringEndsAfterTheTimeout) {
    vqtest::Workspace ws;
    vqtest::MessageBoxRecorder boxes;
    ScriptedSmtpServer server([](const std::string& command) -> std::vector<std::string> {
        if (command == ".")
            return {}; // swallows the message and never answers
        return ScriptedSmtpServer::Accepting(command);
    });
    RecordingSmtp client;
    Prepare(client, server);
    client.Timeout = 1;
    ASSERT_EQ(1, client.Connect());
    CMimeMessage message = Message("a@x");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(-1, client.SendMessage(message));
    client.Disconnect();
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(900));
    EXPECT_LT(elapsed, std::chrono::seconds(15)); // the client's own 30 seconds did not count
    EXPECT_EQ(std::vector<int>{-1}, client.errors);
    // The message text arrived; the broken session is closed without QUIT.
    EXPECT_EQ(1u, server.Messages().size());
    EXPECT_EQ("DATA", server.Commands().back());
}

TEST(Smtp, SilentOrWrongGreetingFailsTheConnection) {
    vqtest::Workspace ws;
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("send null fail");
    boxes.Expect("send null fail");
    {
        ScriptedSmtpServer silent(ScriptedSmtpServer::Accepting, {});
        CSmtp client;
        Prepare(client, silent);
        client.Timeout = 1;
        EXPECT_EQ(0, client.Connect());
    }
    {
        ScriptedSmtpServer busy(ScriptedSmtpServer::Accepting, {"554 no service\r\n"});
        CSmtp client;
        Prepare(client, busy);
        EXPECT_EQ(0, client.Connect());
        EXPECT_EQ("554 no service", client.LastReply);
    }
    EXPECT_EQ(0, boxes.Pending());
    // Nobody listening at all: no message of the client's own.
    CSmtp client;
    client.SetServer("127.0.0.1");
    client.Port = 1;
    EXPECT_EQ(0, client.Connect());
}

TEST(Smtp, LineBreaksInAddressesOrSubjectAreNeverSent) {
    vqtest::Workspace ws;
    vqtest::MessageBoxRecorder boxes;
    ScriptedSmtpServer server(ScriptedSmtpServer::Accepting);
    CSmtp client;
    Prepare(client, server);
    ASSERT_EQ(1, client.Connect());
    CMimeMessage subject = Message("a@x", "Hello\r\nBcc: victim@x");
    EXPECT_EQ(-1, client.SendMessage(subject));
    CMimeMessage address = Message("a@x>\r\nRCPT TO: <victim@x");
    EXPECT_EQ(-1, client.SendMessage(address));
    CMimeMessage sender = Message("a@x");
    sender.From.SetAddress("s@x\nDATA");
    EXPECT_EQ(-1, client.SendMessage(sender));
    CMimeMessage empty = Message("a@x");
    empty.From.SetAddress("");
    EXPECT_EQ(-1, client.SendMessage(empty));
    // Brackets, blanks and control characters in an address would close the command's brackets
    // and add parameters of the sender's choosing.
    for (const char* hostile : {"victim@x> NOTIFY=SUCCESS", "a@x>", "victim@x <a@x>", "<victim@x>",
                                "a @x", "a@x\tvictim", "a@x\x01", "a@x\x7f"}) {
        CMimeMessage to = Message("a@x");
        to.ToList.emplace_back(hostile);
        EXPECT_EQ(-1, client.SendMessage(to)) << hostile;
        CMimeMessage from = Message("a@x");
        from.From.SetAddress(hostile);
        EXPECT_EQ(-1, client.SendMessage(from)) << hostile;
        CMimeMessage cc = Message("a@x");
        cc.CcList.emplace_back(hostile);
        EXPECT_EQ(-1, client.SendMessage(cc)) << hostile;
    }
    client.Disconnect();
    for (const std::string& command : server.Commands())
        EXPECT_EQ(std::string::npos, command.find("victim")) << command;
    EXPECT_TRUE(server.Messages().empty());
}
