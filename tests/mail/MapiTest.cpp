// The simple MAPI way of the mail job: the Windows profile switch, the registered mail program,
// one mail per record or one for all, subject and address checks, the recipient list.
#include "mail/MailSender.h"
#include "platform/base/Profile.h"
#include "platform/com/SimpleMapi.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct MapiLog {
    std::vector<vq::MapiMessage> mails;
    std::vector<unsigned long> sendFlags;
    int logons = 0;
    int logoffs = 0;
    unsigned long logonResult = 0;
    unsigned long sendResult = 0;
};

class FakeMapi : public vq::SimpleMapi {
public:
    explicit FakeMapi(MapiLog& log) : m_log(log) {}
    unsigned long Logon(unsigned long flags, unsigned long* session) override {
        EXPECT_EQ(vq::MAPI_LOGON_UI | vq::MAPI_PASSWORD_UI, flags);
        ++m_log.logons;
        *session = 42;
        return m_log.logonResult;
    }
    unsigned long SendMail(unsigned long session, const vq::MapiMessage& message,
                           unsigned long flags) override {
        EXPECT_EQ(42u, session);
        m_log.mails.push_back(message);
        m_log.sendFlags.push_back(flags);
        return m_log.sendResult;
    }
    unsigned long Logoff(unsigned long session) override {
        ++m_log.logoffs;
        return 0;
    }

private:
    MapiLog& m_log;
};

// A workspace whose Windows profile enables MAPI, with a recording mail program registered.
class MapiFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ws.WriteSetting("邮件服务器配置", "邮件配置方式", "1");
        WritePrivateProfileString("Mail", "MAPI", "1", "win.ini");
        m_previous = vq::RegisterOutsideObject(
            vq::kSimpleMapiLibrary, [this] { return std::unique_ptr<vq::OutsideObject>(new FakeMapi(log)); });
    }
    void TearDown() override { vq::RegisterOutsideObject(vq::kSimpleMapiLibrary, m_previous); }

    void SetMode(const char* mode) { ws.WriteSetting("邮件服务器配置", "邮件配置方式", mode); }

    vqtest::Workspace ws;
    vqtest::MessageBoxRecorder boxes;
    MapiLog log;
    CMailSender job;

private:
    vq::OutsideObjectFactory m_previous;
};

} // namespace

TEST(MailMapi, WithoutTheProfileSwitchTheFirstMailFails) {
    vqtest::Workspace ws;
    ws.WriteSetting("邮件服务器配置", "邮件配置方式", "1");
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("邮件发送失败!");
    CMailSender job;
    job.Items.Add(CMailItem("", "a@x", "s", "t"));
    EXPECT_EQ(0, job.Send(0));
    EXPECT_EQ(0, boxes.Pending());
    EXPECT_EQ(1, job.MapiSendMail("a@x", "s", "t", 0));
}

TEST_F(MapiFixture, NoMailProgramOrRefusedLogOnFails) {
    vq::OutsideObjectFactory fake = vq::RegisterOutsideObject(vq::kSimpleMapiLibrary, nullptr);
    EXPECT_EQ(2, job.MapiSendMail("a@x", "s", "t", 0));
    vq::RegisterOutsideObject("mapi32.dll", fake); // names are found without regard to case
    log.logonResult = 3;
    EXPECT_EQ(3, job.MapiSendMail("a@x", "s", "t", 0));
    EXPECT_EQ(0, log.logoffs);
    log.logonResult = 0;
    log.sendResult = 2;
    EXPECT_EQ(4, job.MapiSendMail("a@x", "s", "t", 0));
    EXPECT_EQ(1, log.logoffs);
}

TEST_F(MapiFixture, OneMailPerRecordWithItsOwnTexts) {
    job.Items.Add(CMailItem("", "a@x", "第一封", "正文一"));
    job.Items.Add(CMailItem("", "b@x", "second", "text two"));
    EXPECT_EQ(1, job.Send(0));
    ASSERT_EQ(2u, log.mails.size());
    EXPECT_EQ("第一封", log.mails[0].subject);
    EXPECT_EQ("正文一", log.mails[0].noteText);
    ASSERT_EQ(1u, log.mails[1].recipients.size());
    EXPECT_EQ("SMTP:b@x", log.mails[1].recipients[0].address);
    EXPECT_EQ("SMTP:b@x", log.mails[1].recipients[0].name);
    EXPECT_EQ(vq::MAPI_TO, log.mails[1].recipients[0].recipientClass);
    // Mode 1 offers MAPI's log-on dialog; any other mode sends quietly.
    EXPECT_EQ(vq::MAPI_LOGON_UI, log.sendFlags[0]);
    SetMode("2");
    EXPECT_EQ(1, job.Send(0));
    EXPECT_EQ(0u, log.sendFlags.back());
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(MapiFixture, OneMailForAllRecordsTakesTheFirstTexts) {
    job.Items.Add(CMailItem("", "a@x", "first", "text1"));
    job.Items.Add(CMailItem("", "b@x;;c@x", "second", "text2"));
    job.Items.Add(CMailItem("", "d@x", "third", "text3"));
    EXPECT_EQ(1, job.Send(1));
    ASSERT_EQ(1u, log.mails.size());
    EXPECT_EQ("first", log.mails[0].subject);
    EXPECT_EQ("text1", log.mails[0].noteText);
    std::vector<CString> addresses;
    for (const auto& r : log.mails[0].recipients)
        addresses.push_back(r.address);
    EXPECT_EQ((std::vector<CString>{"SMTP:a@x", "SMTP:b@x", "SMTP:c@x", "SMTP:d@x"}), addresses);
    // Any other flag sends nothing.
    EXPECT_EQ(1, job.Send(2));
    EXPECT_EQ(1u, log.mails.size());
}

TEST_F(MapiFixture, AtMost64RecipientsGoIntoOneMail) {
    CString list;
    for (int i = 0; i < 70; ++i)
        list += "u" + CString(std::to_string(i)) + "@x;";
    EXPECT_EQ(0, job.MapiSendMail(list, "s", "t", 1));
    ASSERT_EQ(1u, log.mails.size());
    ASSERT_EQ(64u, log.mails[0].recipients.size());
    EXPECT_EQ("SMTP:u63@x", log.mails[0].recipients.back().address);
}

TEST_F(MapiFixture, SubjectLengthIsCountedInCodePage936Bytes) {
    // 253 + 2 = 255 bytes in code page 936 (256 in UTF-8): accepted; one byte more is refused.
    job.Items.Add(CMailItem("", "a@x", CString(std::string(253, 's')) + "更", "t"));
    EXPECT_EQ(1, job.Send(0));
    job.Items[0].Subject = CString(std::string(255, 's'));
    EXPECT_EQ(1, job.Send(0));
    job.Items[0].Subject = CString(std::string(254, 's')) + "更";
    boxes.Expect("邮件主题长度不能超过255, 请检查...");
    EXPECT_EQ(0, job.Send(0));
    boxes.Expect("邮件主题长度不能超过255, 请检查...");
    EXPECT_EQ(0, job.Send(1));
    EXPECT_EQ(0, boxes.Pending());
    EXPECT_EQ(2u, log.mails.size());
}

TEST_F(MapiFixture, AddressWithoutAtIsHandedOverOnlyInMode1) {
    job.Items.Add(CMailItem("", "zhangsan", "s", "t"));
    EXPECT_EQ(1, job.Send(0));
    ASSERT_EQ(1u, log.mails.size());
    EXPECT_EQ("SMTP:zhangsan", log.mails[0].recipients.at(0).address);
    SetMode("2");
    boxes.Expect("邮件收件人的地址要包含'@'，不能发送邮件...");
    EXPECT_EQ(0, job.Send(0));
    boxes.Expect("邮件收件人的地址要包含'@'，不能发送邮件...");
    EXPECT_EQ(0, job.Send(1));
    EXPECT_EQ(0, boxes.Pending());
    EXPECT_EQ(1u, log.mails.size());
}

TEST_F(MapiFixture, NoRecordsAndRefusedMails) {
    boxes.Expect("没有邮件发送信息!");
    EXPECT_EQ(0, job.Send(0));
    job.Items.Add(CMailItem("", "a@x", "s", "t"));
    job.Items.Add(CMailItem("", "b@x", "s", "t"));
    log.sendResult = 1;
    boxes.Expect("邮件发送失败!");
    EXPECT_EQ(0, job.Send(0));
    EXPECT_EQ(1u, log.mails.size()); // the job stopped at the first failure
    EXPECT_EQ(0, boxes.Pending());
}
