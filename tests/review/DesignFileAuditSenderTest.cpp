// Submission of design documents for review, first and again after a failed review, in both
// dialects: the first-level step rows, the notices to their auditors and the document's state.
#include "review/DesignFileAuditSender.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ScriptedUser.h"
#include "review/AuditResubmitDlg.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include "core/ComError.h"
#include "core/Settings.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

namespace {

using D = CAuditResubmitDlg;
using Set = std::set<std::string>;

class DesignFileAuditSenderTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三'), "
                   "('zhaoliu', '赵六'), ('wangwu', '王五'), ('admin', '管理员')");
        ws.Execute(
            "INSERT INTO TeamWorkManage (TaskNo, WorkID, Manager, WorkName) VALUES ('XM-01', 'XM-01#001', "
            "'zhangsan', '箱体部件设计')");
        ws.Execute("INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES "
                   "('三级评审', '混合', '校对(40,20)|*|审核(40,110)|*|工艺审查(240,110)|*|批准(40,200)'),"
                   "('会签', '并联', '设计会签(40,20)|*|组签[m](240,20)'),"
                   "('长路径', '并联', '甲(40,20)|*|乙(240,20)'),"
                   "('空模板', '并联', '')");
        ws.Execute("INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, State, AuditingModel, "
                   "AuditorName, AuditingType) VALUES ('F-1', 'XM-01#001', '箱盖零件图', 'a.dwg', '工作中', "
                   "'三级评审', "
                   "'zhaoliu|*|zhangsan|*|wangwu|*|admin', '混合')");
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strLoginUser = "zhangsan";
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
    }
    int Send(const char* fileId = "F-1", const char* superior = "admin") {
        CDesignFileAuditSender sender;
        sender.m_strFileID = fileId;
        sender.m_strSuperior = superior;
        return sender.Send();
    }
    Set Rows(const char* fileId = "F-1") {
        CString sql;
        sql.Format("SELECT AuditTask, Auditor, State FROM TeamWorkAudit WHERE FileID = '%s'", fileId);
        Set all;
        _ConnectionPtr conn = ws.Connect();
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, conn, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            all.insert((VariantToString(rs->GetCollect(0L)) + "=" + VariantToString(rs->GetCollect(1L)) +
                        "/" + VariantToString(rs->GetCollect(2L)))
                           .str());
            rs->MoveNext();
        }
        rs->Close();
        return all;
    }
    CString State(const char* fileId = "F-1") {
        return ws.QueryText(CString("SELECT State FROM TeamWorkResult WHERE FileID='") + fileId + "'");
    }
    CString Notices(const char* receiver) {
        return ws.QueryText(CString("SELECT count(*) FROM MessageManage WHERE Reseiver='") + receiver + "'");
    }

    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(DesignFileAuditSenderTest, AFirstSubmissionOpensTheFirstLevelAndNotifiesItsAuditor) {
    vqtest::MessageBoxRecorder rec;
    EXPECT_EQ(Send(), 1);
    EXPECT_EQ(Rows(), (Set{"校对=zhaoliu/未完成"}));
    EXPECT_EQ(State(), "评审");
    EXPECT_FALSE(ws.QueryText("SELECT Other3 FROM TeamWorkResult WHERE FileID='F-1'").IsEmpty());
    EXPECT_EQ(Notices("zhaoliu"), "1");
    EXPECT_EQ(ws.QueryText("SELECT Content FROM MessageManage WHERE Reseiver='zhaoliu'"),
              "辛苦了，张三[admin]给您分配了工作组评审任务：校对任务箱体部件设计[XM-01#001], 任务负责人: "
              "zhangsan...");
    EXPECT_EQ(ws.QueryText("SELECT BeginDate FROM TeamWorkAudit WHERE FileID='F-1'").GetLength(), 16);
    // Not one by one: the summary goes to the settings for the host, no box shows.
    EXPECT_TRUE(rec.Shown().empty());
    EXPECT_EQ(ReadSetting("设计过程管理配置", "批量提交文档评审提示", ""),
              "设计文档已提交：校对 [zhaoliu] 进行评审...");
}

TEST_P(DesignFileAuditSenderTest, OneByOneTheSummaryIsShown) {
    ws.WriteSetting("设计过程管理配置", "批量提交文档数量", "1");
    ws.Execute(
        "UPDATE TeamWorkResult SET AuditingModel='会签', AuditorName='lisi|*|wangwu', AuditingType='并联'");
    vqtest::MessageBoxRecorder rec;
    rec.Expect("设计文档：箱盖零件图[F-1] 已提交：设计会签 [lisi]，组签[m] [wangwu] 进行评审...");
    EXPECT_EQ(Send(), 1);
    EXPECT_EQ(rec.Pending(), 0);
    // A mixed-auditor step is written under its cut name, with its group row.
    EXPECT_EQ(Rows(), (Set{"组签=wangwu/未完成", "设计会签=lisi/未完成"}));
    EXPECT_EQ(ws.QueryText("SELECT AuditTask || '/' || Auditor || '/' || State FROM TeamWorkGroupAudit"),
              "组签/wangwu/未完成");
}

TEST_P(DesignFileAuditSenderTest, MissingArgumentsAreRefusedBeforeAnythingIsWritten) {
    vqtest::MessageBoxRecorder rec;
    rec.Expect("设计文档编号不能为空，不能提交设计评审...");
    EXPECT_EQ(Send(""), 0);
    rec.Expect("无上级负责人信息，不能提交设计评审...");
    EXPECT_EQ(Send("F-1", ""), 0);
    EXPECT_EQ(Rows(), (Set{}));
    EXPECT_EQ(State(), "工作中");
}

TEST_P(DesignFileAuditSenderTest, ReSubmissionFromTheFailedStepRestartsThatStepAlone) {
    ws.Execute(
        "INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, State, Result) VALUES "
        "('F-1', '校对', 'zhaoliu', '已完成', '通过'), ('F-1', '审核', 'zhangsan', '已完成', '不通过'), "
        "('F-1', '工艺审查', 'wangwu', '已完成', '通过')");
    ws.Execute("UPDATE TeamWorkResult SET State='更改'");
    vq::ScriptedUser user;
    user.Dialog("设计文档评审提交")
        .Do([](CDialog& d) {
            EXPECT_EQ(d.GetDlgItem(D::kHeadingId)->GetWindowTextValue(),
                      "  属于评审不通过后的再提交，需要确认如下内容：");
            EXPECT_TRUE(d.GetDlgItem(D::kFromTaskId)->IsWindowEnabled());
        })
        .Check(D::kFromTaskId, 1)
        .Click(IDOK);
    EXPECT_EQ(Send(), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    EXPECT_EQ(Rows(), (Set{"审核=zhangsan/未完成", "工艺审查=wangwu/已完成", "校对=zhaoliu/已完成"}));
    EXPECT_EQ(State(), "评审");
    EXPECT_EQ(Notices("zhangsan"), "1");
}

TEST_P(DesignFileAuditSenderTest, ReSubmissionFromTheFailedLevelRestartsEveryStepOfIt) {
    ws.Execute(
        "INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, State, Result) VALUES "
        "('F-1', '校对', 'zhaoliu', '已完成', '通过'), ('F-1', '审核', 'zhangsan', '已完成', '不通过-返'), "
        "('F-1', '工艺审查', 'wangwu', '已完成', '不通过')");
    vq::ScriptedUser user;
    user.Dialog("设计文档评审提交").Check(D::kFromLevelId, 1).Click(IDOK);
    EXPECT_EQ(Send(), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    EXPECT_EQ(Rows(), (Set{"审核=zhangsan/未完成", "工艺审查=wangwu/未完成", "校对=zhaoliu/已完成"}));
    EXPECT_EQ(Notices("zhangsan"), "1");
    EXPECT_EQ(Notices("wangwu"), "1");
}

TEST_P(DesignFileAuditSenderTest, AReturnedDocumentStartsWhereTheReviewerSentIt) {
    ws.Execute("INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, State, Result) VALUES "
               "('F-1', '校对', 'zhaoliu', '已完成', '通过'), ('F-1', '批准', 'admin', '已完成', '不通过')");
    ws.Execute(
        "INSERT INTO TeamWorkAuditChange (FileID, TaskGroup, PreAuditName, PreAuditor, LevelType) VALUES "
        "('F-1', 'Task', '批准', 'admin', 's')");
    vq::ScriptedUser user;
    user.Dialog("设计文档评审提交")
        .Do([](CDialog& d) {
            EXPECT_FALSE(d.GetDlgItem(D::kFromTaskId)->IsWindowEnabled());
            EXPECT_FALSE(d.GetDlgItem(D::kFromStartId)->IsWindowEnabled());
            EXPECT_EQ(d.IsDlgButtonChecked(D::kFromTaskId), 1u);
        })
        .Click(IDOK);
    EXPECT_EQ(Send(), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    EXPECT_EQ(Rows(), (Set{"批准=admin/未完成", "校对=zhaoliu/已完成"}));
}

TEST_P(DesignFileAuditSenderTest, ARestartThatFindsNoStepFailsAndKeepsTheState) {
    // The failed row's step is not in the path any more.
    ws.Execute("INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, State, Result) VALUES "
               "('F-1', '旧步骤', 'zhaoliu', '已完成', '不通过')");
    ws.Execute("UPDATE TeamWorkResult SET State='更改'");
    vq::ScriptedUser user;
    user.Dialog("设计文档评审提交")
        .Check(D::kFromLevelId, 1)
        .Click(IDOK)
        .Message("该评审任务不存在，为无效路径!", IDOK);
    EXPECT_EQ(Send(), 0);
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    EXPECT_EQ(State(), "更改") << "not released without review";
    EXPECT_EQ(Rows(), (Set{"旧步骤=zhaoliu/已完成"}));
}

TEST_P(DesignFileAuditSenderTest, AMissingTemplateFailsInsteadOfReleasing) {
    ws.Execute("UPDATE TeamWorkResult SET AuditingModel='不存在'");
    vqtest::MessageBoxRecorder rec;
    rec.Expect("评审流程模板 不存在 不存在，不能提交设计评审...");
    EXPECT_EQ(Send(), 0);
    EXPECT_EQ(State(), "工作中");
    // A template without steps releases the document, with no notice.
    ws.Execute("UPDATE TeamWorkResult SET AuditingModel='空模板'");
    EXPECT_EQ(Send(), 1);
    EXPECT_EQ(State(), "正式");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM MessageManage"), "0");
}

TEST_P(DesignFileAuditSenderTest, MoreStepsThanAuditorsStillStart) {
    ws.Execute("UPDATE TeamWorkResult SET AuditingModel='长路径', AuditorName='lisi', AuditingType='并联'");
    vqtest::MessageBoxRecorder rec;
    EXPECT_EQ(Send(), 1);
    EXPECT_EQ(Rows(), (Set{"乙=/未完成", "甲=lisi/未完成"}));
}

TEST_P(DesignFileAuditSenderTest, AssignedBySuperiorTheDocumentWaitsForItsPath) {
    ws.WriteSetting("设计过程管理配置", "工作任务评审流程由上级指派", "2");
    vqtest::MessageBoxRecorder rec;
    EXPECT_EQ(Send(), 1);
    EXPECT_EQ(State(), "待评审");
    EXPECT_EQ(Rows(), (Set{}));
}

TEST_P(DesignFileAuditSenderTest, KeepingThePathIsAskedWhenConfigured) {
    ws.WriteSetting("设计过程管理配置", "逐个确认评审流程", "1");
    ws.WriteSetting("设计过程管理配置", "工作任务评审流程由上级指派", "1");
    vqtest::MessageBoxRecorder rec;
    rec.Expect("是否继续采用上级项目任务的评审流程进行设计评审?", IDNO);
    EXPECT_EQ(Send(), 1);
    EXPECT_EQ(State(), "待评审") << "a new path is assigned by the superior";
    // The change-order pass never asks.
    ws.Execute("UPDATE TeamWorkResult SET State='工作中'");
    EXPECT_EQ(Send("F-1", "_eco_design_pass"), 1);
    EXPECT_EQ(Rows(), (Set{"校对=zhaoliu/未完成"}));
}

// Another client submits the document, or changes its state, its path or its step rows, while
// "是否继续采用..." is open: Yes then writes nothing of this submission and one box says what
// changed. A change to another document meanwhile does not stop it.
TEST_P(DesignFileAuditSenderTest, WhatAnotherClientWritesWhileAskedStopsTheSubmission) {
    struct Change {
        const char* what;
        std::function<void()> write;
        const char* refusal; // nullptr: the submission is made
        Set rows;            // TeamWorkAudit afterwards
        const char* state;   // of the document afterwards
    };
    const auto execute = [this](const char* sql) { return [this, sql] { ws.Execute(sql); }; };
    // A second client submits the same document from its own connection.
    const auto submitted = [this] {
        _ConnectionPtr mine = theApp.m_pConnPDM;
        theApp.m_pConnPDM = ws.Connect();
        {
            vqtest::MessageBoxRecorder other;
            other.Expect("是否继续采用上级项目任务的评审流程进行设计评审?", IDYES);
            EXPECT_EQ(Send(), 1);
        }
        theApp.m_pConnPDM = mine;
    };
    const Change changes[] = {
        {"submitted by another", submitted, "设计文档 F-1 的状态已被其他用户改为评审，不能提交设计评审...",
         Set{"校对=zhaoliu/未完成"}, "评审"},
        {"released", execute("UPDATE TeamWorkResult SET State='正式' WHERE FileID='F-1'"),
         "设计文档 F-1 的状态已被其他用户改为正式，不能提交设计评审...", Set{}, "正式"},
        {"another path",
         execute("UPDATE TeamWorkResult SET AuditingModel='会签', AuditorName='lisi|*|wangwu', "
                 "AuditingType='并联' WHERE FileID='F-1'"),
         "设计文档 F-1 的评审流程已被其他用户修改，不能提交设计评审...", Set{}, "工作中"},
        {"other auditors",
         execute(
             "UPDATE TeamWorkResult SET AuditorName='wangwu|*|zhangsan|*|wangwu|*|admin' WHERE FileID='F-1'"),
         "设计文档 F-1 的评审流程已被其他用户修改，不能提交设计评审...", Set{}, "工作中"},
        {"deleted", execute("DELETE FROM TeamWorkResult WHERE FileID='F-1'"),
         "设计文档 F-1 不存在，不能提交设计评审...", Set{}, ""},
        {"another document", execute("UPDATE TeamWorkResult SET State='评审' WHERE FileID='F-2'"), nullptr,
         Set{"校对=zhaoliu/未完成"}, "评审"}};
    ws.WriteSetting("设计过程管理配置", "逐个确认评审流程", "1");
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        ws.Execute(
            "DELETE FROM TeamWorkAudit; DELETE FROM MessageManage; DELETE FROM TeamWorkResult WHERE FileID "
            "IN ('F-1', 'F-2')");
        ws.Execute("INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, State, AuditingModel, "
                   "AuditorName, AuditingType) VALUES ('F-1', 'XM-01#001', '箱盖零件图', 'a.dwg', '工作中', "
                   "'三级评审', 'zhaoliu|*|zhangsan|*|wangwu|*|admin', '混合'), ('F-2', 'XM-01#001', '箱体', "
                   "'b.dwg', '工作中', '', '', '')");
        vq::ScriptedUser user; // opens no dialog
        vqtest::MessageBoxRecorder rec;
        rec.Expect("是否继续采用上级项目任务的评审流程进行设计评审?", IDYES, change.write);
        if (change.refusal)
            rec.Expect(change.refusal);
        EXPECT_EQ(Send(), change.refusal ? 0 : 1);
        EXPECT_EQ(rec.Shown().size(), change.refusal ? 2u : 1u);
        EXPECT_TRUE(user.Succeeded()) << user.Error();
        EXPECT_EQ(Rows(), change.rows);
        EXPECT_EQ(State(), change.state);
        // One notice at most: the other client's.
        EXPECT_EQ(Notices("zhaoliu"), change.rows.count("校对=zhaoliu/未完成") ? "1" : "0");
    }
}

// The other roads that ask before they write: No with a path assigned by the superior, and the
// re-submission dialog's choice. Another client's write while they are open stops them too.
TEST_P(DesignFileAuditSenderTest, WhatAnotherClientWritesWhileTheRoadIsChosenStopsTheSubmission) {
    ws.WriteSetting("设计过程管理配置", "逐个确认评审流程", "1");
    ws.WriteSetting("设计过程管理配置", "工作任务评审流程由上级指派", "1");
    {
        vqtest::MessageBoxRecorder rec;
        rec.Expect("是否继续采用上级项目任务的评审流程进行设计评审?", IDNO,
                   [this] { ws.Execute("UPDATE TeamWorkResult SET State='评审' WHERE FileID='F-1'"); });
        rec.Expect("设计文档 F-1 的状态已被其他用户改为评审，不能提交设计评审...");
        EXPECT_EQ(Send(), 0);
        EXPECT_EQ(State(), "评审") << "not set waiting for its superior";
    }
    ws.WriteSetting("设计过程管理配置", "逐个确认评审流程", "0");
    ws.Execute(
        "INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, State, Result) VALUES "
        "('F-1', '校对', 'zhaoliu', '已完成', '通过'), ('F-1', '审核', 'zhangsan', '已完成', '不通过')");
    ws.Execute("UPDATE TeamWorkResult SET State='更改'");
    vq::ScriptedUser user;
    user.Dialog("设计文档评审提交")
        .Do([this](CDialog&) {
            // The reviewer of the failed step takes it back and passes it meanwhile.
            ws.Execute("UPDATE TeamWorkAudit SET Result='通过' WHERE FileID='F-1' AND AuditTask='审核'");
        })
        .Check(D::kFromTaskId, 1)
        .Click(IDOK)
        .Message("设计文档 F-1 的评审任务已被其他用户修改，不能提交设计评审...", IDOK);
    EXPECT_EQ(Send(), 0);
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    EXPECT_EQ(State(), "更改") << "neither in review nor waiting for its superior";
    EXPECT_EQ(Rows(), (Set{"审核=zhangsan/已完成", "校对=zhaoliu/已完成"}));
    EXPECT_EQ(Notices("zhangsan"), "0");
}

INSTANTIATE_TEST_SUITE_P(Dialects, DesignFileAuditSenderTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

TEST_P(DesignFileAuditSenderTest, AnUnknownDocumentIsNotSubmitted) {
    vqtest::MessageBoxRecorder rec;
    rec.Expect("设计文档 F-9 不存在，不能提交设计评审...");
    EXPECT_EQ(Send("F-9"), 0);
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkAudit"), "0");
}
