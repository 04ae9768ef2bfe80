// Publishing a change order in both dialects over a structure with shared parts: release rows,
// direct and indirect impact in the three structure families, manager notices merged per login
// name and per address, the mails as an SMTP server on loopback receives them, and the message
// rows.
#include "changeorders/ECOPublisher.h"
#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "mail/LfsrCipher.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/SmtpServer.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Users (one address shared in other letter case, one without an address, one unusable),
// departments whose manager is named by user name, and the order EC-1 of three changed parts.
// Structure: A1 uses P1 and P2 in the archive and P1 in the collaborative design; P1 uses P2;
// G uses A1 (a grandparent); T8 and T9 use P3 in a project task. P3 has no archive title row.
const char* const kData =
    "INSERT INTO UserInformation (UserLogName, UserName, EmailAddress) VALUES ('zhangsan', '张三', "
    "'zs@vq.example');"
    "INSERT INTO UserInformation (UserLogName, UserName, EmailAddress) VALUES ('lisi', '李四', "
    "'LS@VQ.example');"
    "INSERT INTO UserInformation (UserLogName, UserName, EmailAddress) VALUES ('wangwu', '王五', "
    "'ls@vq.example');"
    "INSERT INTO UserInformation (UserLogName, UserName, EmailAddress) VALUES ('zhaoliu', '赵六', '');"
    "INSERT INTO UserInformation (UserLogName, UserName, EmailAddress) VALUES ('qianqi', '钱七', "
    "'@vq.example');"
    "INSERT INTO EnpartmentManage (Code, Name, Manager) VALUES ('D01', '设计一室', '张三');"
    "INSERT INTO EnpartmentManage (Code, Name, Manager) VALUES ('G01', '工艺室', '张三');"
    "INSERT INTO EnpartmentManage (Code, Name, Manager) VALUES ('S01', '生产车间', '无名氏');"
    "INSERT INTO EnpartmentManage (Code, Name, Manager) VALUES ('S02', '装配车间', '李四');"
    "INSERT INTO ECOHandout (ECOGroup, ECONo, Enpartment) VALUES ('更改单', 'EC-1', '设计一室');"
    "INSERT INTO ECOHandout (ECOGroup, ECONo, Enpartment) VALUES ('更改单', 'EC-1', '工艺室');"
    "INSERT INTO ECOHandout (ECOGroup, ECONo, Enpartment) VALUES ('更改单', 'EC-1', '生产车间');"
    "INSERT INTO ECOHandout (ECOGroup, ECONo, Enpartment) VALUES ('修改单', 'EC-1', '装配车间');"
    "INSERT INTO ECOChangePart (ECONo, PartCode, PartName) VALUES ('EC-1', 'P1', '箱座');"
    "INSERT INTO ECOChangePart (ECONo, PartCode, PartName) VALUES ('EC-1', 'P2', '箱盖');"
    "INSERT INTO ECOChangePart (ECONo, PartCode, PartName) VALUES ('EC-1', 'P3', '油标');"
    "INSERT INTO ECOChangePart (ECONo, PartCode, PartName) VALUES ('EC-2', 'A1', '箱体');"
    "INSERT INTO VqkorvelAll_title (TCode, TName, Manager) VALUES ('P1', '箱座', 'zhangsan');"
    "INSERT INTO VqkorvelAll_title (TCode, TName, Manager) VALUES ('P2', '箱盖', 'ZhangSan');"
    "INSERT INTO VqkorvelAll_title (TCode, TName, Manager) VALUES ('A1', '箱体', 'lisi');"
    "INSERT INTO VqkorvelAll_title (TCode, TName, Manager) VALUES ('G', '减速机', 'zhaoliu');"
    "INSERT INTO VqkorvelAll_detail (UpCode, Dcode) VALUES ('A1', 'P1');"
    "INSERT INTO VqkorvelAll_detail (UpCode, Dcode) VALUES ('A1', 'P2');"
    "INSERT INTO VqkorvelAll_detail (UpCode, Dcode) VALUES ('P1', 'P2');"
    "INSERT INTO VqkorvelAll_detail (UpCode, Dcode) VALUES ('G', 'A1');"
    "INSERT INTO VqkorvelTeam_title (TCode, TName, Manager) VALUES ('A1', '箱体', 'lisi');"
    "INSERT INTO VqkorvelTeam_detail (UpCode, Dcode) VALUES ('A1', 'P1');"
    "INSERT INTO VqkorvelTask_title (TCode, TName, Manager) VALUES ('T8', '油路', 'wangwu');"
    "INSERT INTO VqkorvelTask_title (TCode, TName, Manager) VALUES ('T9', '油箱', 'qianqi');"
    "INSERT INTO VqkorvelTask_detail (UpCode, Dcode) VALUES ('T8', 'P3');"
    "INSERT INTO VqkorvelTask_detail (UpCode, Dcode) VALUES ('T9', 'P3');"
    // Another order's notice row, which publishing EC-1 must leave as it is.
    "INSERT INTO ECOPartNotify (ECOGroup, ECONo, RelateType, PartCode, PartName, Manager) VALUES ('更改单', "
    "'EC-0', '直接', 'P1', '箱座', 'former')";

class ECOPublisherTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strLoginUser = "admin";
        theApp.m_strHostIP = "10.0.0.7";
        ws.Execute(kData);
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        theApp.m_strHostIP.Empty();
        EXPECT_EQ(rec.Pending(), 0) << "an expected message box was not shown";
    }
    void UseMailServer(const vqtest::SmtpServer& server) {
        const char* section = "邮件服务器配置";
        ws.WriteSetting(section, "SMTP地址", server.Host());
        ws.WriteSetting(section, "SMTP邮件发送帐号", "pdm@vq.example");
        ws.WriteSetting(section, "SMTP校验帐号", server.User());
        ws.WriteSetting(section, "使用邮件服务器", "1");
        ws.WriteSetting(section, "邮件配置方式", "0");
        CString bytes = server.Password();
        CLfsrCipher cipher;
        cipher.TransformString(CLfsrCipher::kMailKey, &bytes);
        ws.WriteFile("install/qent/spt/_vqpass.ini", bytes.str());
    }
    CString Count(const CString& where) const { return ws.QueryText("SELECT COUNT(*) FROM " + where); }
    // The notice rows of EC-1 as "relation code manager" lines (manager "-" when NULL), sorted.
    std::vector<std::string> NoticeRows() const {
        std::vector<std::string> rows;
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open("SELECT RelateType, PartCode, Manager FROM ECOPartNotify WHERE ECONo='EC-1'",
                 theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            const _variant_t manager = rs->GetCollect(2L);
            rows.push_back((VariantToString(rs->GetCollect(0L)) + " " + VariantToString(rs->GetCollect(1L)) +
                            " " + (manager.vt == VT_NULL ? CString("-") : VariantToString(manager)))
                               .str());
            rs->MoveNext();
        }
        rs->Close();
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    CString Message(const CString& receiver) const {
        return ws.QueryText("SELECT Content FROM MessageManage WHERE Reseiver='" + receiver + "'");
    }
    // The texts of every message row of a receiver.
    std::vector<CString> Messages(const CString& receiver) const {
        std::vector<CString> texts;
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open("SELECT Content FROM MessageManage WHERE Reseiver='" + receiver + "'", theApp.m_pConnPDM,
                 adOpenForwardOnly, adLockReadOnly, adCmdText);
        for (; !rs->IsEOF(); rs->MoveNext())
            texts.push_back(VariantToString(rs->GetCollect(0L)));
        rs->Close();
        return texts;
    }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
};

} // namespace

TEST_P(ECOPublisherTest, DirectAndOneLevelUpIndirectRowsWithTheirManagers) {
    CECOPublisher publisher;
    publisher.m_strECONo = "EC-1";
    publisher.m_strECOGroup = "更改单";
    EXPECT_EQ(publisher.Publish(), 1);
    EXPECT_TRUE(rec.Shown().empty());

    EXPECT_EQ(
        Count("ECOPartRelease WHERE ECOGroup='更改单' AND ECONo='EC-1' AND IsChanged='否' AND RevNo IS NULL"),
        "3");
    // P1 is both changed and the parent of P2; A1 is one parent of two changed parts in the
    // archive (one row) and again a parent in the collaborative design; the grandparent G gets
    // nothing; P3 has no title row and keeps no manager.
    const std::vector<std::string> expected = {"直接 P1 zhangsan", "直接 P2 ZhangSan", "直接 P3 -",
                                               "间接 A1 lisi",     "间接 A1 lisi",     "间接 P1 zhangsan",
                                               "间接 T8 wangwu",   "间接 T9 qianqi"};
    std::vector<std::string> sorted = expected;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(NoticeRows(), sorted);
    EXPECT_EQ(Count("ECOPartNotify WHERE ECONo='EC-1' AND ReleaseUser='admin' AND ReleaseDate IS NOT NULL"),
              "8");
    // The manager update reached only this order's rows.
    EXPECT_EQ(ws.QueryText("SELECT Manager FROM ECOPartNotify WHERE ECONo='EC-0'"), "former");
}

TEST_P(ECOPublisherTest, NoticesMergedPerReceiverAreMailedAndStored) {
    vqtest::SmtpServer server;
    ASSERT_TRUE(server.IsRunning());
    UseMailServer(server);
    CECOPublisher publisher;
    publisher.m_strECONo = "EC-1";
    publisher.m_strECOGroup = "更改单";
    publisher.m_nSmtpPort = server.Port();
    publisher.Publish();

    // One mail per address: lisi and wangwu share an address in other letter case, zhaoliu's
    // department manager is unknown, qianqi's address begins with "@".
    ASSERT_TRUE(server.WaitForMails(2));
    const auto mails = server.Received();
    ASSERT_EQ(mails.size(), 2u);
    ASSERT_EQ(mails[0].recipients.size(), 1u);
    EXPECT_EQ(mails[0].recipients[0], "zs@vq.example");
    ASSERT_EQ(mails[1].recipients.size(), 1u);
    EXPECT_EQ(mails[1].recipients[0], "LS@VQ.example");
    EXPECT_EQ(mails[0].from, "pdm@vq.example");
    // The subject reaches mail readers as ASCII that decodes to the notice's subject.
    for (const auto& mail : mails) {
        const std::vector<std::string> subject = vqtest::SmtpServer::HeaderLines(mail.data, "Subject");
        ASSERT_FALSE(subject.empty()) << mail.data;
        for (const std::string& line : subject)
            EXPECT_TRUE(std::all_of(line.begin(), line.end(), [](char ch) {
                return ch >= 0x20 && ch < 0x7F;
            })) << line;
        EXPECT_EQ(vqtest::SmtpServer::HeaderText(mail.data, "Subject"), CString("更改单发放自动通知"));
    }

    // One row per login name, none for the unknown department manager.
    EXPECT_EQ(Count("MessageManage"), "4");
    EXPECT_EQ(Count("MessageManage WHERE Sender='系统' AND Topic='更改单发放自动通知' AND ReadFlag='N' AND "
                    "MachineIP='10.0.0.7'"),
              "4");
    const CString zhangsan = Message("zhangsan");
    // Two department paragraphs first, then the part paragraphs; joined by an empty line.
    EXPECT_EQ(zhangsan.Find("更改单：EC-1 已发布，涉及到发放部门："), 0);
    EXPECT_NE(zhangsan.Find("涉及到发放部门：设计一室，请注意签收...\n时间："), -1);
    EXPECT_NE(zhangsan.Find("涉及到发放部门：工艺室"), -1);
    EXPECT_NE(zhangsan.Find(
                  "\n\n更改单：EC-1 已发布，涉及到您负责的零部件 P1[箱座]发生了更改，请注意跟踪...\n时间："),
              -1);
    EXPECT_NE(zhangsan.Find("零部件 P2[箱盖]发生了更改"), -1);
    EXPECT_NE(zhangsan.Find("零部件 P1[箱座]有借用件发生了更改"), -1);
    EXPECT_LT(zhangsan.Find("工艺室"), zhangsan.Find("零部件 P1"));
    int paragraphs = 1;
    for (int at = zhangsan.Find("\n\n"); at >= 0; at = zhangsan.Find("\n\n", at + 2))
        ++paragraphs;
    EXPECT_EQ(paragraphs, 5);
    EXPECT_NE(Message("lisi").Find("零部件 A1[箱体]有借用件发生了更改"), -1);
    EXPECT_EQ(Count("MessageManage WHERE Reseiver='qianqi'"), "1");
    EXPECT_EQ(Count("MessageManage WHERE Reseiver='wangwu'"), "1");
}

// A handout department and a manager whose names GB2312 lacks (镕 喆), an address stored with
// its display name, and a sender account written with one: mail readers show every notice as
// written, the envelope carries the addresses alone, and the message rows hold the same texts.
TEST_P(ECOPublisherTest, NoticesWithNamesOutsideGb2312ReachMailReadersAsWritten) {
    ws.Execute("INSERT INTO UserInformation (UserLogName, UserName, EmailAddress) VALUES ('wangzhe', '王喆', "
               "'王喆 <wz@vq.example>')");
    ws.Execute("INSERT INTO EnpartmentManage (Code, Name, Manager) VALUES ('S09', '镕钢车间', '王喆')");
    ws.Execute("INSERT INTO ECOHandout (ECOGroup, ECONo, Enpartment) VALUES ('更改单', 'EC-1', '镕钢车间')");
    vqtest::SmtpServer server;
    ASSERT_TRUE(server.IsRunning());
    UseMailServer(server);
    ws.WriteSetting("邮件服务器配置", "SMTP邮件发送帐号", "设计部门 <pdm@vq.example>");
    CECOPublisher publisher;
    publisher.m_strECONo = "EC-1";
    publisher.m_strECOGroup = "更改单";
    publisher.m_nSmtpPort = server.Port();
    publisher.Publish();
    EXPECT_TRUE(rec.Shown().empty());

    ASSERT_TRUE(server.WaitForMails(3));
    const auto mails = server.Received();
    ASSERT_EQ(mails.size(), 3u);
    for (const auto& mail : mails) {
        EXPECT_EQ(mail.from, "pdm@vq.example");
        const auto read = vqtest::SmtpServer::ReadAsMailReaders(mail.data);
        ASSERT_TRUE(read.ran) << (read.defects.empty() ? "" : read.defects[0].str());
        for (const CString& defect : read.defects)
            ADD_FAILURE() << defect.str() << "\n" << mail.data;
        EXPECT_EQ(read.subject, "更改单发放自动通知");
        EXPECT_EQ(read.body, read.oldBody);
        ASSERT_FALSE(read.addresses.empty());
        EXPECT_EQ(read.addresses[0], "设计部门 <pdm@vq.example>");
        if (mail.recipients == std::vector<CString>{"wz@vq.example"}) {
            EXPECT_EQ(read.charset, "gb18030");
            EXPECT_EQ(read.addresses,
                      (std::vector<CString>{"设计部门 <pdm@vq.example>", "王喆 <wz@vq.example>"}));
            EXPECT_EQ(read.body.Find("更改单：EC-1 已发布，涉及到发放部门：镕钢车间，请注意签收...\n时间："),
                      0)
                << read.body.str();
            EXPECT_EQ(read.body, Message("wangzhe"));
        } else {
            // The others' texts GB2312 holds.
            EXPECT_EQ(read.charset, "gb2312");
        }
    }
    EXPECT_NE(Message("wangzhe").Find("镕钢车间"), -1);
}

TEST_P(ECOPublisherTest, MessageRowsAreWrittenWhenNobodyCanBeMailed) {
    ws.Execute("UPDATE UserInformation SET EmailAddress=''");
    CECOPublisher publisher;
    publisher.m_strECONo = "EC-1";
    publisher.m_strECOGroup = "更改单";
    publisher.Publish();
    EXPECT_EQ(Count("MessageManage WHERE Topic='更改单发放自动通知'"), "4");
    EXPECT_TRUE(rec.Shown().empty());
}

TEST_P(ECOPublisherTest, PublishingTwiceAppendsEverythingAgain) {
    for (int run = 0; run < 2; ++run) {
        CECOPublisher publisher;
        publisher.m_strECONo = "EC-1";
        publisher.m_strECOGroup = "更改单";
        publisher.Publish();
    }
    EXPECT_EQ(Count("ECOPartRelease WHERE ECONo='EC-1'"), "6");
    EXPECT_EQ(Count("ECOPartNotify WHERE ECONo='EC-1'"), "16");
    EXPECT_EQ(Count("MessageManage"), "8");
    // The second run's notices see both sets of notice rows: twice the part paragraphs (the
    // first run's indirect rows keep their managers).
    std::vector<int> mentions;
    for (const CString& text : Messages("wangwu")) {
        int n = 0;
        for (int at = text.Find("T8["); at >= 0; at = text.Find("T8[", at + 1))
            ++n;
        mentions.push_back(n);
    }
    std::sort(mentions.begin(), mentions.end());
    EXPECT_EQ(mentions, (std::vector<int>{1, 2}));
}

TEST_P(ECOPublisherTest, ModificationNoticeReadsItsOwnPartTable) {
    ws.Execute("INSERT INTO ECOModifyPart (ECONo, PartCode, PartName) VALUES ('EC-1', 'A1', '箱体')");
    CECOPublisher publisher;
    publisher.m_strECONo = "EC-1";
    EXPECT_EQ(publisher.m_strECOGroup, "修改单");
    publisher.Publish();
    EXPECT_EQ(Count("ECOPartRelease WHERE ECOGroup='修改单' AND ECONo='EC-1' AND PartCode='A1'"), "1");
    EXPECT_EQ(Count("ECOPartRelease WHERE ECONo='EC-1'"), "1");
    EXPECT_EQ(Count("ECOPartNotify WHERE ECOGroup='修改单' AND RelateType='间接' AND PartCode='G' AND "
                    "Manager='zhaoliu'"),
              "1");
    // The handout department of the modification notice, managed by 李四 (lisi), and the part
    // manager lisi make one message.
    EXPECT_EQ(Count("MessageManage"), "2");
    EXPECT_EQ(Message("lisi").Find("更改单：EC-1 已发布，涉及到发放部门：装配车间"), 0);
}

// A failing statement ends the publication, shown with the statement, and keeps nothing of it:
// neither the rows written before it nor a message row. The release insert fails on a missing
// table, the message rows on a receiver that the table refuses.
TEST_P(ECOPublisherTest, AFailedStatementKeepsNothingOfThePublicationAndSaysSo) {
    const char* const kRefusingMessages =
        "CREATE TABLE MessageManage (Sender VARCHAR(50) COLLATE NOCASE, Reseiver VARCHAR(50) COLLATE NOCASE "
        "CHECK (Reseiver <> 'wangwu'), SendTime VARCHAR(20) COLLATE NOCASE, SendDate VARCHAR(10) COLLATE "
        "NOCASE, "
        "MachineIP VARCHAR(50) COLLATE NOCASE, Topic VARCHAR(255) COLLATE NOCASE, Content VARCHAR(2000) "
        "COLLATE "
        "NOCASE, ReadFlag VARCHAR(1) COLLATE NOCASE)";
    for (const char* table : {"ECOPartRelease", "MessageManage"}) {
        SCOPED_TRACE(table);
        const bool messages = CString(table) == "MessageManage";
        ws.Execute(CString("ALTER TABLE ") + table + " RENAME TO Gone");
        if (messages)
            ws.Execute(kRefusingMessages);
        rec.Expect("");
        rec.Expect("执行出错的SQL语句");
        rec.Expect("更改单：EC-1 未能发布，没有保存任何发布记录。");
        CECOPublisher publisher;
        publisher.m_strECONo = "EC-1";
        publisher.m_strECOGroup = "更改单";
        EXPECT_EQ(publisher.Publish(), 0);
        EXPECT_EQ(rec.Shown().size(), 3u);
        rec.Clear();
        if (messages)
            ws.Execute("DROP TABLE MessageManage");
        ws.Execute(CString("ALTER TABLE Gone RENAME TO ") + table);
        EXPECT_EQ(Count("ECOPartRelease"), "0");
        EXPECT_EQ(Count("ECOPartNotify WHERE ECONo='EC-1'"), "0");
        EXPECT_EQ(Count("MessageManage"), "0");
    }
    // The connection is still usable, and publishing again writes the whole publication once.
    CECOPublisher publisher;
    publisher.m_strECONo = "EC-1";
    publisher.m_strECOGroup = "更改单";
    EXPECT_EQ(publisher.Publish(), 1);
    EXPECT_EQ(Count("ECOPartRelease"), "3");
    EXPECT_EQ(Count("ECOPartNotify WHERE ECONo='EC-1'"), "8");
    EXPECT_EQ(Count("MessageManage"), "4");
}

// The server ends the session while the indirect rows are written: one message, failure, nothing
// kept; publishing again on a new connection writes everything once.
TEST_P(ECOPublisherTest, ALostConnectionEndsThePublicationWithOneMessage) {
    if (GetParam() != 0 || !vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "needs the PostgreSQL server";
    theApp.m_pConnPDM->Execute("CREATE FUNCTION end_session() RETURNS trigger LANGUAGE plpgsql AS "
                               "$$ BEGIN PERFORM pg_terminate_backend(pg_backend_pid()); RETURN NEW; END $$");
    theApp.m_pConnPDM->Execute("CREATE TRIGGER end_session BEFORE INSERT ON ECOPartNotify FOR EACH ROW "
                               "WHEN (NEW.PartCode = 'T9') EXECUTE FUNCTION end_session()");
    rec.Expect("与数据库的连接已断开，操作不能继续。\n更改单：EC-1 未能发布，没有保存任何发布记录。");
    {
        CECOPublisher publisher;
        publisher.m_strECONo = "EC-1";
        publisher.m_strECOGroup = "更改单";
        EXPECT_EQ(publisher.Publish(), 0);
    }
    EXPECT_EQ(rec.Shown().size(), 1u);
    EXPECT_TRUE(theApp.m_bConnectionLost);
    theApp.m_bConnectionLost = FALSE;
    EXPECT_EQ(Count("ECOPartRelease"), "0");
    EXPECT_EQ(Count("ECOPartNotify WHERE ECONo='EC-1'"), "0");
    EXPECT_EQ(Count("MessageManage"), "0");

    ws.Execute("DROP TRIGGER end_session ON ECOPartNotify");
    theApp.m_pConnPDM = ws.Connect();
    CECOPublisher publisher;
    publisher.m_strECONo = "EC-1";
    publisher.m_strECOGroup = "更改单";
    EXPECT_EQ(publisher.Publish(), 1);
    EXPECT_EQ(Count("ECOPartRelease WHERE ECONo='EC-1'"), "3");
    EXPECT_EQ(Count("ECOPartNotify WHERE ECONo='EC-1'"), "8");
    EXPECT_EQ(Count("MessageManage"), "4");
}

TEST_P(ECOPublisherTest, UserLookupIgnoresCaseAndKeepsTheFoundLogin) {
    CECOPublisher publisher;
    publisher.m_strECONo = "none";
    publisher.Publish(); // loads the directory
    EXPECT_EQ(publisher.FindUserEmail("LISI", 0), "LS@VQ.example");
    EXPECT_TRUE(publisher.m_strFoundLogName.IsEmpty());
    EXPECT_EQ(publisher.FindUserEmail("王五", 1), "ls@vq.example");
    EXPECT_EQ(publisher.m_strFoundLogName, "wangwu");
    EXPECT_EQ(publisher.FindUserEmail("无名氏", 1), "");
    EXPECT_TRUE(publisher.m_strFoundLogName.IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Dialects, ECOPublisherTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
