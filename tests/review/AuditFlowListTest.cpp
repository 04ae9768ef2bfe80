// Review notices of a batch in both dialects: one notice per recipient and kind, worded for the
// work, and the batch going on past a notice that cannot be written.
#include "review/AuditFlowList.h"
#include "core/VqDesignTaskApp.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

namespace {

class AuditFlowListTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.Execute(
            "INSERT INTO TeamWorkManage (TaskNo, WorkID, Manager, WorkName) VALUES ('XM-01', 'XM-01#001', "
            "'zhangsan', '箱体部件设计')");
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        list.m_strWorkID = "XM-01#001";
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        EXPECT_EQ(rec.Pending(), 0);
    }
    CString Count(const char* where = "1=1") {
        return ws.QueryText(CString("SELECT count(*) FROM MessageManage WHERE ") + where);
    }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
    CAuditFlowList list;
};

} // namespace

TEST_P(AuditFlowListTest, OneNoticePerRecipientAndKind) {
    // Three documents passing their last level, one failing, the same next step opened twice.
    for (int i = 0; i < 3; ++i)
        list.AddStep("zhangsan", AuditNoticeItem::Passed, "批准", "");
    list.AddStep("zhangsan", AuditNoticeItem::NotPassed, "审核", "");
    list.AddStep("lisi", AuditNoticeItem::MemberNotPassed, "审核", "张三");
    list.AddStep("wangwu", AuditNoticeItem::NextAuditor, "工艺审查", "");
    list.AddStep("wangwu", AuditNoticeItem::NextAuditor, "工艺审查", "");
    list.AddStep("", AuditNoticeItem::NotPassed, "审核", "");
    EXPECT_EQ(list.GetCount(), 7) << "a notice to nobody is not collected";
    EXPECT_EQ(list.SendAuditResultMessages(), 1);
    EXPECT_EQ(Count(), "4");
    EXPECT_EQ(
        ws.QueryText("SELECT Content FROM MessageManage WHERE Reseiver='zhangsan' AND Content LIKE '恭喜%'"),
        "恭喜您，您提交的工作任务 箱体部件设计 [XM-01#001] 的部分文档在 批准 评审通过");
    EXPECT_EQ(ws.QueryText(
                  "SELECT Content FROM MessageManage WHERE Reseiver='zhangsan' AND Content LIKE '对不起%'"),
              "对不起，您提交的工作任务 箱体部件设计 [XM-01#001] 的部分文档在 审核 未评审通过，需要再修改");
    EXPECT_EQ(ws.QueryText("SELECT Content FROM MessageManage WHERE Reseiver='lisi'"),
              "您负责的工作组成员：张三 的工作任务 箱体部件设计 [XM-01#001] 的部分文档 在 审核 "
              "未评审通过，需要再修改");
    EXPECT_EQ(ws.QueryText("SELECT Content FROM MessageManage WHERE Reseiver='wangwu'"),
              "辛苦了， 需要您对任务 箱体部件设计 [XM-01#001] 的工作文档进行 工艺审查");
    EXPECT_EQ(
        ws.QueryText(
            "SELECT Sender || '/' || Topic || '/' || ReadFlag FROM MessageManage WHERE Reseiver='lisi'"),
        "系统/系统工作消息/N");
    EXPECT_EQ(list.GetCount(), 7) << "items stay until the next RemoveAll";
    list.RemoveAll();
    EXPECT_EQ(list.GetCount(), 0);
}

TEST_P(AuditFlowListTest, AnEmptyWorkIdSendsNothing) {
    list.m_strWorkID = "";
    list.AddStep("zhangsan", AuditNoticeItem::Passed, "批准", "");
    EXPECT_EQ(list.SendAuditResultMessages(), 1);
    EXPECT_EQ(Count(), "0");
}

TEST_P(AuditFlowListTest, AddItemTakesEachPointerOnce) {
    auto* item = new AuditNoticeItem;
    item->m_strRecipient = "zhangsan";
    EXPECT_EQ(list.AddItem(item), 1);
    EXPECT_EQ(list.AddItem(item), 1);
    EXPECT_EQ(list.AddItem(nullptr), 0);
    EXPECT_EQ(list.GetCount(), 1);
}

TEST_P(AuditFlowListTest, AFailedNoticeDoesNotStopTheOthersAndIsReportedOnce) {
    // The message table refuses two of the recipients.
    ws.Execute("DROP TABLE MessageManage");
    ws.Execute("CREATE TABLE MessageManage (Sender VARCHAR(50), Reseiver VARCHAR(50) CHECK (Reseiver NOT IN "
               "('bad', 'worse')), SendTime VARCHAR(20), SendDate VARCHAR(10), MachineIP VARCHAR(50), Topic "
               "VARCHAR(255), Content VARCHAR(2000), ReadFlag VARCHAR(1))");
    list.AddStep("bad", AuditNoticeItem::Passed, "批准", "");
    list.AddStep("zhangsan", AuditNoticeItem::NextAuditor, "批准", "");
    list.AddStep("worse", AuditNoticeItem::NotPassed, "审核", "");
    list.AddStep("lisi", AuditNoticeItem::NotPassed, "审核", "");
    rec.Expect("有 2 条评审通知未能写入消息表");
    EXPECT_EQ(list.SendAuditResultMessages(), 0);
    EXPECT_EQ(Count(), "2");
    EXPECT_EQ(rec.Shown().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Dialects, AuditFlowListTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
