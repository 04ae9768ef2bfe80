// The audit-flow engine without a window, in both dialects: decisions it refuses, a decision that
// fails half-way and leaves nothing behind, messages shown only once nothing is held locked,
// delegates, held peers, change-task documents, and the differences of the design-document
// dialog's options.
#include "review/AuditFlowEngine.h"
#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/com/ProcessPlanningUtility.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using E = CAuditFlowEngine;
using Set = std::set<std::string>;

class AuditFlowEngineTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三'), "
                   "('zhaoliu', '赵六'), ('lisi', '李四'), ('wangwu', '王五'), ('chenqi', '陈七')");
        ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectManager) VALUES ('XM-01', '减速器', "
                   "'chenqi')");
        ws.Execute("INSERT INTO TeamWorkManage (TaskNo, WorkID, Manager, WorkName) VALUES ('XM-01', "
                   "'XM-01[M]#001', 'zhangsan', '箱体部件设计')");
        ws.Execute("INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES "
                   "('三级评审', '混合', '校对(40,20)|*|审核(40,110)|*|工艺审查(240,110)|*|批准(40,200)'),"
                   "('会签', '并联', '设计会签(40,20)|*|工艺会签(240,20)')");
        ws.Execute("INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, State, AuditingModel, "
                   "AuditorName, AuditingType) VALUES ('F-1', 'XM-01[M]#001', '箱盖零件图', 'a.dwg', '评审', "
                   "'三级评审', 'zhaoliu|*|lisi|*|wangwu|*|chenqi', '混合')");
        // Level 1 passed; level 2 open.
        ws.Execute("INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, BeginDate, State, Result, Manager, "
                   "Working) VALUES ('F-1', '校对', 'zhaoliu', '2026-12-01 10:00', '已完成', '通过', 'zhaoliu', 'F'), "
                   "('F-1', '审核', 'lisi', '2026-12-02 10:00', '未完成', NULL, 'lisi', 'F'), "
                   "('F-1', '工艺审查', 'wangwu', '2026-12-02 10:00', '未完成', NULL, 'wangwu', 'F')");
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_nUseChangeTask = 0;
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nUseChangeTask = 0;
    }
    // Loads the engine for one reviewer's step, as a review dialog does.
    void Load(E& engine, const char* login, const char* step, const char* fileId = "F-1") {
        theApp.m_strLoginUser = login;
        engine.m_strLogin = login;
        engine.m_strFileID = fileId;
        engine.m_strAuditTask = step;
        ASSERT_EQ(engine.LoadDocument(), 1);
    }
    int Decide(const char* login, const char* step, int result, const char* opinion = "意见",
               const AuditFlowOptions& options = AuditFlowOptions()) {
        E engine(options);
        Load(engine, login, step);
        engine.m_nResult = result;
        engine.m_strOpinion = opinion;
        return engine.ApplyAuditResult();
    }
    Set Rows(const CString& sql) {
        Set all;
        _ConnectionPtr conn = ws.Connect();
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, conn, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            all.insert(VariantToString(rs->GetCollect(0L)).str());
            rs->MoveNext();
        }
        rs->Close();
        return all;
    }
    Set Steps() {
        return Rows("SELECT AuditTask || '=' || coalesce(Auditor, '') || '/' || coalesce(State, '') || '/' || "
                    "coalesce(Result, '') FROM TeamWorkAudit WHERE FileID='F-1'");
    }
    // The last level's step has an empty auditor entry (written in the middle of the list).
    void WithoutFinalAuditor() {
        ws.Execute("UPDATE AuditingManage SET AuditingPath='校对(40,20)|*|批准(40,200)|*|审核(40,110)|*|工艺审查(240,110)' "
                   "WHERE AuditingModel='三级评审'");
        ws.Execute("UPDATE TeamWorkResult SET AuditorName='zhaoliu|*||*|lisi|*|wangwu'");
    }
    // Run while a message box of a decision is up: nothing of the decision may hold the
    // document's row, or on SQLite the whole database, until the reviewer answers.
    bool OthersCanWrite() { return ws.WritesAtOnce("UPDATE TeamWorkResult SET FileSize=FileSize WHERE FileID='F-1'"); }
    CString State() { return ws.QueryText("SELECT State FROM TeamWorkResult WHERE FileID='F-1'"); }
    CString Count(const char* table) { return ws.QueryText(CString("SELECT count(*) FROM ") + table); }

    vqtest::DbWorkspace ws{GetParam()};
};

// Records what the process-planning side is told.
class RecordingUtility : public vq::ProcessPlanningUtility {
public:
    short SetPdmConnection(_ConnectionPtr) override { return 1; }
    short SetCappConnection(_ConnectionPtr) override { return 1; }
    short SetFileState(const CString& id, short state) override {
        calls.push_back(id.str() + ":" + std::to_string(state));
        return 1;
    }
    short UpdateFileContent(const CString& id, const CString&) override {
        calls.push_back(id.str() + ":content");
        return 1;
    }
    std::vector<std::string> calls;
};

const Set kLevelTwoOpen{"校对=zhaoliu/已完成/通过", "审核=lisi/未完成/", "工艺审查=wangwu/未完成/"};

} // namespace

TEST_P(AuditFlowEngineTest, ADecisionOnADocumentNotUnderReviewIsRefused) {
    ws.Execute("UPDATE TeamWorkResult SET State='更改'");
    vqtest::MessageBoxRecorder rec;
    rec.Expect("该工作文档不在评审中，不能保存评审结果...");
    EXPECT_EQ(Decide("lisi", "审核", E::kPass), 0);
    EXPECT_EQ(rec.Pending(), 0);
    EXPECT_EQ(Steps(), kLevelTwoOpen);
    EXPECT_EQ(Count("TaskLogInformation"), "0");
    EXPECT_EQ(State(), "更改");
    // Gone altogether after the dialog read it: the row lock finds no state.
    ws.Execute("UPDATE TeamWorkResult SET State='评审'");
    E engine;
    Load(engine, "lisi", "审核");
    engine.m_nResult = E::kPass;
    engine.m_strOpinion = "同意";
    ws.Execute("DELETE FROM TeamWorkResult");
    rec.Expect("无法正确读取设计文档信息...");
    EXPECT_EQ(engine.ApplyAuditResult(), 0);
    EXPECT_EQ(rec.Pending(), 0);
    EXPECT_EQ(Steps(), kLevelTwoOpen);
    EXPECT_EQ(Count("TaskLogInformation"), "0");
    EXPECT_EQ(Count("MessageManage"), "0");
}

TEST_P(AuditFlowEngineTest, ADecisionOnAnInvalidPathOrAStepOffThePathIsRefused) {
    vqtest::MessageBoxRecorder rec;
    rec.Expect("该评审任务不存在，为无效路径!");
    EXPECT_EQ(Decide("lisi", "不在路径上", E::kPass), 0);
    ws.Execute("UPDATE TeamWorkResult SET AuditorName='zhaoliu|*|lisi'");
    rec.Expect("无评审路径或缺负责人，为无效路径!");
    EXPECT_EQ(Decide("lisi", "审核", E::kFail), 0);
    EXPECT_EQ(rec.Pending(), 0);
    EXPECT_EQ(Steps(), kLevelTwoOpen);
    EXPECT_EQ(State(), "评审");
    EXPECT_EQ(Count("MessageManage"), "0");
}

TEST_P(AuditFlowEngineTest, AFailedReturnRecordStopsBeforeTheDecisionIsStored) {
    ws.Execute("DROP TABLE TeamWorkAuditChange");
    vqtest::MessageBoxRecorder rec;
    rec.Expect(""); // the failed statement
    rec.Expect(
        "执行出错的SQL语句,(请检查表、字段是否存在，或字段类型是否匹配)：\nDELETE FROM TeamWorkAuditChange");
    rec.Expect("请检查数据库结构是否已更新...");
    E engine;
    Load(engine, "lisi", "审核");
    engine.m_nResult = E::kFail;
    engine.m_bReturnToStep = 1;
    engine.m_strReturnStep = "校对";
    engine.m_strReturnStepAuditor = "zhaoliu";
    engine.m_strReturnLevelType = "U";
    EXPECT_EQ(engine.ApplyAuditResult(), 0);
    EXPECT_EQ(rec.Pending(), 0);
    EXPECT_EQ(Steps(), kLevelTwoOpen);
    EXPECT_EQ(State(), "评审");
    EXPECT_EQ(Count("MessageManage"), "0");
}

TEST_P(AuditFlowEngineTest, ADecisionThatFailsHalfWayLeavesNothingBehind) {
    Decide("lisi", "审核", E::kPass);
    // The last peer's decision cannot write its log row: the opened level, the notices and the
    // step itself are all taken back.
    ws.Execute("DROP TABLE TaskLogInformation");
    vqtest::MessageBoxRecorder rec;
    rec.Expect("");
    rec.Expect("执行出错的SQL语句");
    EXPECT_EQ(Decide("wangwu", "工艺审查", E::kPass), 0);
    EXPECT_EQ(Steps(), (Set{"校对=zhaoliu/已完成/通过", "审核=lisi/已完成/通过", "工艺审查=wangwu/未完成/"}));
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM MessageManage WHERE Reseiver='chenqi'"), "0");
}

TEST_P(AuditFlowEngineTest, TwoDecisionsOfOneMinuteKeepTheirOwnOpinionsInTheLog) {
    EXPECT_EQ(Decide("lisi", "审核", E::kPass, "公差合理"), 1);
    EXPECT_EQ(Decide("wangwu", "工艺审查", E::kPass, "可加工"), 1);
    EXPECT_EQ(Rows("SELECT TaskName || ':' || Advise || ':' || Result FROM TaskLogInformation"),
              (Set{"审核:公差合理:通过", "工艺审查:可加工:通过"}));
    EXPECT_EQ(ws.QueryText("SELECT Other1 FROM TaskLogInformation WHERE TaskName='审核'"), "2026-12-02 10:00");
}

TEST_P(AuditFlowEngineTest, ANextLevelStepWithoutAnAuditorStopsTheOpinionDialogsDecision) {
    WithoutFinalAuditor();
    Decide("lisi", "审核", E::kPass);
    vqtest::MessageBoxRecorder rec;
    rec.Expect("没有设置下级评审负责人，不能到下级评审...");
    EXPECT_EQ(Decide("wangwu", "工艺审查", E::kPass), 0);
    EXPECT_EQ(Steps().count("工艺审查=wangwu/未完成/"), 1u);
    EXPECT_EQ(Steps().count("批准=/未完成/"), 0u);
}

TEST_P(AuditFlowEngineTest, TheDesignDocumentOptionsOpenAStepWithoutAnAuditorAndClearTheReturnRecord) {
    WithoutFinalAuditor();
    ws.Execute("INSERT INTO TeamWorkAuditChange (FileID, TaskGroup, PreAuditName) VALUES ('F-1', 'Task', '校对')");
    const AuditFlowOptions doc = E::DesignDocDialogOptions();
    EXPECT_EQ(Decide("lisi", "审核", E::kPass, "x", doc), 1);
    // Waiting for the peer: the return record stays.
    EXPECT_EQ(Count("TeamWorkAuditChange"), "1");
    vqtest::MessageBoxRecorder rec;
    EXPECT_EQ(Decide("wangwu", "工艺审查", E::kPass, "x", doc), 1);
    EXPECT_TRUE(rec.Shown().empty());
    EXPECT_EQ(Steps().count("批准=/未完成/"), 1u);
    EXPECT_EQ(Count("TeamWorkAuditChange"), "0");
}

TEST_P(AuditFlowEngineTest, AReturnToAnEarlierStepSendsNoFailNoticesWithTheDesignDocumentOptions) {
    for (const AuditFlowOptions& options : {E::OpinionDialogOptions(false), E::DesignDocDialogOptions()}) {
        ws.Execute("DELETE FROM MessageManage");
        ws.Execute("UPDATE TeamWorkAudit SET State='未完成', Result=NULL WHERE AuditTask='审核'");
        E engine(options);
        Load(engine, "lisi", "审核");
        engine.m_nResult = E::kFail;
        engine.m_bReturnToStep = 1;
        engine.m_strReturnStep = "校对";
        engine.m_strReturnLevelType = "S";
        EXPECT_EQ(engine.ApplyAuditResult(), 1);
        EXPECT_EQ(engine.m_strDocState, "评审");
        EXPECT_EQ(Count("MessageManage"), options.quietReturnToStep ? "0" : "2");
        EXPECT_EQ(Steps().count("校对=zhaoliu/未完成/不通过-返"), 1u);
    }
}

TEST_P(AuditFlowEngineTest, TheDesignDocumentOptionsWriteNoticeTimesWithSeconds) {
    ws.Execute("UPDATE TeamWorkAudit SET State='已完成', Result='通过' WHERE AuditTask='审核'");
    EXPECT_EQ(Decide("wangwu", "工艺审查", E::kPass, "x", E::DesignDocDialogOptions()), 1);
    EXPECT_EQ(ws.QueryText("SELECT length(SendTime) FROM MessageManage WHERE Reseiver='chenqi'"), "19");
}

TEST_P(AuditFlowEngineTest, APeerHeldOpenKeepsTheNextLevelClosedUntilItHasPassed) {
    ws.Execute("UPDATE TeamWorkAudit SET Working='T' WHERE AuditTask='审核'");
    vqtest::MessageBoxRecorder rec;
    rec.Expect("同组的 审核 正在评审，请稍后再进行!");
    EXPECT_EQ(Decide("wangwu", "工艺审查", E::kPass), 1);
    EXPECT_EQ(Steps().count("工艺审查=wangwu/已完成/通过"), 1u);
    EXPECT_EQ(Steps().count("批准=chenqi/未完成/"), 0u);
    // 审核 passes while both marks are still set (工艺审查's window not closed yet, or its client
    // gone after its decision): a peer that has passed holds nothing back.
    ws.Execute("UPDATE TeamWorkAudit SET Working='T'");
    EXPECT_EQ(Decide("lisi", "审核", E::kPass, "意见", E::DesignDocDialogOptions()), 1);
    EXPECT_EQ(Steps().count("批准=chenqi/未完成/"), 1u);
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM MessageManage WHERE Reseiver='chenqi'"), "1");
    EXPECT_EQ(rec.Pending(), 0);
    EXPECT_EQ(rec.Shown().size(), 1u);
}

TEST_P(AuditFlowEngineTest, NothingIsHeldLockedWhileTheReviewerReadsADecisionsMessage) {
    bool free = false;
    const auto othersWrite = [this, &free] { free = OthersCanWrite(); };
    vqtest::MessageBoxRecorder rec;
    // A peer being read: the own pass is stored, the level waits.
    ws.Execute("UPDATE TeamWorkAudit SET Working='T' WHERE AuditTask='工艺审查'");
    rec.Expect("同组的 工艺审查 正在评审，请稍后再进行!", IDOK, othersWrite);
    EXPECT_EQ(Decide("lisi", "审核", E::kPass, "意见", E::DesignDocDialogOptions()), 1);
    EXPECT_TRUE(free);
    EXPECT_EQ(Steps().count("审核=lisi/已完成/通过"), 1u);
    // The next level has no auditor: nothing is stored.
    WithoutFinalAuditor();
    ws.Execute("UPDATE TeamWorkAudit SET Working='F'");
    free = false;
    rec.Expect("没有设置下级评审负责人，不能到下级评审...", IDOK, othersWrite);
    EXPECT_EQ(Decide("wangwu", "工艺审查", E::kPass), 0);
    EXPECT_TRUE(free);
    // The document has left the review meanwhile.
    ws.Execute("UPDATE TeamWorkResult SET State='更改'");
    for (const AuditFlowOptions& options : {E::OpinionDialogOptions(false), E::DesignDocDialogOptions()}) {
        free = false;
        rec.Expect("该工作文档不在评审中，不能保存评审结果...", IDOK, othersWrite);
        EXPECT_EQ(Decide("wangwu", "工艺审查", E::kFail, "意见", options), 0);
        EXPECT_TRUE(free);
    }
    EXPECT_EQ(rec.Pending(), 0);
    EXPECT_EQ(Steps().count("工艺审查=wangwu/未完成/"), 1u);
    EXPECT_EQ(Count("MessageManage"), "0");
    EXPECT_EQ(Count("TaskLogInformation"), "1");
}

TEST_P(AuditFlowEngineTest, ADelegateDecidesInTheNameOfTheStepsAuditor) {
    E engine;
    Load(engine, "zhangsan", "审核");
    engine.m_bConsigned = 1;
    engine.m_nResult = E::kPass;
    engine.m_strOpinion = "代审";
    EXPECT_EQ(engine.ApplyAuditResult(), 1);
    EXPECT_EQ(ws.QueryText("SELECT Manager FROM TeamWorkAudit WHERE AuditTask='审核'"), "lisi");
    EXPECT_EQ(ws.QueryText("SELECT OPERATOR || '/' || AUDITCONSIGNER || '/' || WORKID || '/' || AUDITNAME || '/' || "
                           "AUDITRESULT || '/' || AUDITOPTION FROM AuditConsignHistory"),
              "lisi/zhangsan/XM-01[M]#001/审核/通过/代审");
}

TEST_P(AuditFlowEngineTest, APlainPathIsReleasedWhenItsLastStepPasses) {
    ws.Execute("UPDATE TeamWorkResult SET AuditingModel='会签', AuditorName='lisi|*|wangwu'");
    ws.Execute("DELETE FROM TeamWorkAudit");
    ws.Execute("INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, State) VALUES ('F-1', '设计会签', 'lisi', "
               "'未完成'), ('F-1', '工艺会签', 'wangwu', '未完成')");
    EXPECT_EQ(Decide("lisi", "设计会签", E::kPass), 1);
    EXPECT_EQ(State(), "评审");
    EXPECT_EQ(Decide("wangwu", "工艺会签", E::kPass), 1);
    EXPECT_EQ(State(), "正式");
}

TEST_P(AuditFlowEngineTest, DecideLaterKeepsTheStepOpen) {
    E engine;
    Load(engine, "lisi", "审核");
    engine.m_strOpinion = "明天再看";
    EXPECT_EQ(engine.SaveOpinionOnly(), 1);
    EXPECT_EQ(Steps(), kLevelTwoOpen);
    EXPECT_EQ(ws.QueryText("SELECT Prompt FROM TeamWorkAudit WHERE AuditTask='审核'"), "明天再看");
    // A step without a row cannot be written.
    E missing;
    Load(missing, "lisi", "批准");
    vqtest::MessageBoxRecorder rec;
    rec.Expect("执行出错的SQL语句");
    EXPECT_EQ(missing.SaveOpinionOnly(), 0);
}

TEST_P(AuditFlowEngineTest, AssistingReviewsCountAsFinishedInEitherSpelling) {
    ws.Execute("INSERT INTO TeamWorkNextAudit (FileID, UpAuditName, AuditTask, Auditor, State) VALUES "
               "('F-1', '审核[N]', '审核[1]', 'zhaoliu', '已完成'), ('F-1', '审核[N]', '审核[2]', 'wangwu', '完成')");
    E engine;
    EXPECT_EQ(engine.CheckAssistAudits("F-1", "审核[N]"), 1);
    ws.Execute("UPDATE TeamWorkNextAudit SET State='未完成' WHERE AuditTask='审核[2]'");
    EXPECT_EQ(engine.CheckAssistAudits("F-1", "审核[N]"), 0);
    EXPECT_EQ(engine.CheckAssistAudits("F-1", "无协助"), 1);
    EXPECT_EQ(E::AssistParentStep("审核[2]"), "审核[N]");
    EXPECT_EQ(E::AssistParentStep("[1]"), "[1]");
    // An assisting reviewer's result closes his task.
    Load(engine, "wangwu", "审核");
    engine.m_strAuditTask = "审核[2]";
    engine.m_bAssistAudit = 1;
    engine.m_nResult = E::kFail;
    engine.m_strOpinion = "孔位不对";
    EXPECT_EQ(engine.SaveAssistAuditResult(), 1);
    EXPECT_EQ(ws.QueryText("SELECT State || '/' || Result || '/' || Prompt || '/' || Working FROM TeamWorkNextAudit "
                           "WHERE AuditTask='审核[2]'"),
              "已完成/不通过/孔位不对/F");
    // A task deleted meanwhile (its window was opened before): neither the result nor the opinion
    // of decide-later is stored anywhere, and the reviewer is told so once.
    ws.Execute("DELETE FROM TeamWorkNextAudit WHERE AuditTask='审核[2]'");
    for (const int result : {E::kPass, E::kLater}) {
        engine.m_nResult = result;
        vqtest::MessageBoxRecorder rec;
        rec.Expect("执行出错的SQL语句");
        EXPECT_EQ(engine.SaveAssistAuditResult(), 0);
        EXPECT_EQ(rec.Pending(), 0);
        EXPECT_EQ(rec.Shown().size(), 1u);
    }
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkNextAudit WHERE Auditor='wangwu'"), "0");
}

// What another client commits between the window's read of the step and the decision's write:
// a hand-over, a decision of the same step in another window, an assisting task finished by
// another. Nothing of the refused decision is stored and one box says who has the step now;
// the reviewer's own step, a step of a group and a delegate's step as read still take it.
TEST_P(AuditFlowEngineTest, AStepHandedOverOrDecidedSinceTheWindowReadItTakesNoDecision) {
    const CString handOver =
        "UPDATE TeamWorkAudit SET Auditor='zhaoliu', Manager='zhaoliu' WHERE AuditTask='审核'";
    for (const int result : {E::kPass, E::kFail, E::kLater}) {
        SCOPED_TRACE(result);
        E engine;
        Load(engine, "lisi", "审核");
        engine.m_nResult = result;
        engine.m_strOpinion = "迟到的意见";
        E::s_beforeNextDecision = [&] { ws.Execute(handOver); };
        vqtest::MessageBoxRecorder rec;
        rec.Expect("该评审任务的负责人已被更换为zhaoliu，不能保存评审结果...");
        EXPECT_EQ(result == E::kLater ? engine.SaveOpinionOnly() : engine.ApplyAuditResult(), 0);
        EXPECT_EQ(rec.Pending(), 0);
        EXPECT_EQ(rec.Shown().size(), 1u);
        EXPECT_TRUE(engine.m_bStepChanged);
        EXPECT_EQ(Steps(),
                  (Set{"校对=zhaoliu/已完成/通过", "审核=zhaoliu/未完成/", "工艺审查=wangwu/未完成/"}));
        EXPECT_EQ(ws.QueryText("SELECT coalesce(Prompt, '') FROM TeamWorkAudit WHERE AuditTask='审核'"), "");
        EXPECT_EQ(Count("TaskLogInformation"), "0");
        EXPECT_EQ(Count("MessageManage"), "0");
        EXPECT_EQ(State(), "评审");
        ws.Execute("UPDATE TeamWorkAudit SET Auditor='lisi', Manager='lisi' WHERE AuditTask='审核'");
    }

    // Two windows on one step: the first passes, the second's fail (or decide later) is refused
    // and names who decided; the document stays under review, the step passed.
    E first, second, later;
    Load(first, "lisi", "审核");
    Load(second, "lisi", "审核");
    Load(later, "lisi", "审核");
    first.m_nResult = E::kPass;
    first.m_strOpinion = "意见";
    EXPECT_EQ(first.ApplyAuditResult(), 1);
    second.m_nResult = E::kFail;
    {
        vqtest::MessageBoxRecorder rec;
        rec.Expect("该评审任务已被lisi评审，不能保存评审结果...");
        EXPECT_EQ(second.ApplyAuditResult(), 0);
        rec.Expect("该评审任务已被lisi评审，不能保存评审结果...");
        later.m_strOpinion = "覆盖";
        EXPECT_EQ(later.SaveOpinionOnly(), 0);
        EXPECT_EQ(rec.Pending(), 0);
        EXPECT_EQ(rec.Shown().size(), 2u);
    }
    EXPECT_EQ(State(), "评审");
    EXPECT_EQ(ws.QueryText(
                  "SELECT State || '/' || Result || '/' || Prompt FROM TeamWorkAudit WHERE AuditTask='审核'"),
              "已完成/通过/意见");
    EXPECT_EQ(Count("TaskLogInformation"), "1");

    // A delegate acts for the auditor he read: handed over meanwhile, he decides for nobody.
    E delegate;
    Load(delegate, "zhangsan", "工艺审查");
    delegate.m_bConsigned = 1;
    delegate.m_nResult = E::kPass;
    E::s_beforeNextDecision = [&] {
        ws.Execute("UPDATE TeamWorkAudit SET Auditor='chenqi' WHERE AuditTask='工艺审查'");
    };
    {
        vqtest::MessageBoxRecorder rec;
        rec.Expect("该评审任务的负责人已被更换为chenqi，不能保存评审结果...");
        EXPECT_EQ(delegate.ApplyAuditResult(), 0);
        EXPECT_EQ(rec.Pending(), 0);
    }
    EXPECT_EQ(Count("AuditConsignHistory"), "0");
    // A window opened after the hand-over has no step of its reviewer's to decide either.
    E::s_beforeNextDecision = nullptr;
    E opened;
    Load(opened, "wangwu", "工艺审查");
    opened.m_nResult = E::kPass;
    {
        vqtest::MessageBoxRecorder rec;
        rec.Expect("该评审任务的负责人已被更换为chenqi，不能保存评审结果...");
        EXPECT_EQ(opened.ApplyAuditResult(), 0);
        EXPECT_EQ(rec.Pending(), 0);
    }
    // A step of mixed auditors ("[M]" in the path) stores their group, and a member decides it.
    ws.Execute("UPDATE AuditingManage SET AuditingPath='校对(40,20)|*|审核(40,110)|*|工艺审查[M](240,110)|*|"
               "批准(40,200)' WHERE AuditingModel='三级评审'");
    ws.Execute("UPDATE TeamWorkAudit SET Auditor='工艺组' WHERE AuditTask='工艺审查'");
    E group;
    Load(group, "wangwu", "工艺审查");
    group.m_nResult = E::kPass;
    EXPECT_EQ(group.ApplyAuditResult(), 1);
    EXPECT_EQ(ws.QueryText("SELECT State || '/' || Manager FROM TeamWorkAudit WHERE AuditTask='工艺审查'"),
              "已完成/wangwu");

    // An assisting task another window finished meanwhile keeps that result.
    ws.Execute("INSERT INTO TeamWorkNextAudit (FileID, UpAuditName, AuditTask, Auditor, State) VALUES "
               "('F-1', '批准[N]', '批准[1]', 'chenqi', '未完成')");
    E assist;
    assist.m_bAssistAudit = 1;
    Load(assist, "chenqi", "批准[1]");
    assist.m_nResult = E::kFail;
    assist.m_strOpinion = "不行";
    E::s_beforeNextDecision = [&] {
        ws.Execute("UPDATE TeamWorkNextAudit SET State='已完成', Result='通过', Prompt='可以'");
    };
    {
        vqtest::MessageBoxRecorder rec;
        rec.Expect("该评审任务已被chenqi评审，不能保存评审结果...");
        EXPECT_EQ(assist.SaveAssistAuditResult(), 0);
        EXPECT_EQ(rec.Pending(), 0);
    }
    EXPECT_EQ(ws.QueryText("SELECT Result || '/' || Prompt FROM TeamWorkNextAudit"), "通过/可以");
}

TEST_P(AuditFlowEngineTest, AChangeTaskDocumentWaitsForItsChangeOrderAfterItsLastLevel) {
    theApp.m_nUseChangeTask = 1;
    ws.Execute("UPDATE TeamWorkAudit SET State='已完成', Result='通过'");
    ws.Execute("INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, State) VALUES ('F-1', '批准', 'chenqi', "
               "'未完成')");
    EXPECT_EQ(Decide("chenqi", "批准", E::kPass), 1);
    EXPECT_EQ(State(), "等待正式");
}

// The server ends the session as a change-task decision sets the document's level (as when it
// restarts): the loss is said once, with nothing of the level's questions after it, and nothing of
// the decision stays.
TEST_P(AuditFlowEngineTest, ALostSessionAtAChangeTaskLevelIsSaidOnce) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "needs the PostgreSQL server";
    theApp.m_nUseChangeTask = 1;
    ws.Execute("UPDATE TeamWorkAudit SET State='已完成', Result='通过'");
    ws.Execute(
        "INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, State) VALUES ('F-1', '批准', 'chenqi', "
        "'未完成')");
    ws.Execute("INSERT INTO ECOAuditLevel (ECOTaskNo, FileID, IsECOFile, CurrentAuditLevel, MaxAuditLevel) "
               "VALUES ('XM-01[M]#001', 'F-1', 'N', 0, 1)");
    _ConnectionPtr admin = ws.Connect();
    admin->Execute("CREATE FUNCTION vq_end_session() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN PERFORM "
                   "pg_terminate_backend(pg_backend_pid()); RETURN NEW; END $$",
                   nullptr, adCmdText);
    admin->Execute(
        "CREATE TRIGGER vq_end_session BEFORE UPDATE ON ECOAuditLevel FOR EACH ROW EXECUTE FUNCTION "
        "vq_end_session()",
        nullptr, adCmdText);
    vqtest::MessageBoxRecorder rec;
    rec.Expect(DbFailureText(DbFailure::ConnectionLost));
    EXPECT_EQ(Decide("chenqi", "批准", E::kPass), 0);
    EXPECT_EQ(rec.Pending(), 0);
    EXPECT_EQ(rec.Shown().size(), 1u);
    EXPECT_EQ(State(), "评审");
    EXPECT_EQ(ws.QueryText("SELECT CurrentAuditLevel FROM ECOAuditLevel"), "0");
    EXPECT_TRUE(theApp.m_bConnectionLost);
    theApp.m_bConnectionLost = FALSE;
}

// Another reviewer of the change task is storing his decision: a decision on any document of the
// task waits for him, and one that waits longer than the lock wait says so once and stores nothing;
// once he is done it goes through.
TEST_P(AuditFlowEngineTest, ADecisionWaitingTooLongForItsChangeTaskSaysSoOnceAndStoresNothing) {
    theApp.m_nUseChangeTask = 1;
    _ConnectionPtr other = ws.Connect();
    other->BeginTrans();
    other->LockUntilTransactionEnds("ECOAUDITLEVEL:XM-01[M]#001");
    theApp.m_pConnPDM->SetLockWait(200);
    {
        vqtest::MessageBoxRecorder rec;
        rec.Expect("数据正被其他用户或程序锁定");
        EXPECT_EQ(Decide("lisi", "审核", E::kPass), 0);
        EXPECT_EQ(rec.Pending(), 0);
        EXPECT_EQ(rec.Shown().size(), 1u);
    }
    EXPECT_EQ(ws.QueryText("SELECT State FROM TeamWorkAudit WHERE AuditTask='审核'"), "未完成");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TaskLogInformation"), "0");
    other->RollbackTrans();
    EXPECT_EQ(Decide("lisi", "审核", E::kPass), 1);
    EXPECT_EQ(ws.QueryText("SELECT State FROM TeamWorkAudit WHERE AuditTask='审核'"), "已完成");
}

TEST_P(AuditFlowEngineTest, AReleaseTellsTheProcessPlanningSideWhenTheDocumentHasACopyThere) {
    ws.Execute("UPDATE TeamWorkAudit SET State='已完成', Result='通过'");
    ws.Execute("INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, State) VALUES ('F-1', '批准', 'chenqi', "
               "'未完成')");
    ws.Execute("INSERT INTO CAPPFileIDMap (PFileID, CFileID) VALUES ('F-1', 'C-77')");
    RecordingUtility utility;
    for (const AuditFlowOptions& options : {E::DesignDocDialogOptions(), E::OpinionDialogOptions(false)}) {
        ws.Execute("UPDATE TeamWorkAudit SET State='未完成', Result=NULL WHERE AuditTask='批准'");
        ws.Execute("UPDATE TeamWorkResult SET State='评审'");
        E engine(options);
        Load(engine, "chenqi", "批准");
        engine.m_pProcessPlanning = &utility;
        engine.m_nResult = E::kPass;
        EXPECT_EQ(engine.ApplyAuditResult(), 1);
        EXPECT_EQ(State(), "正式");
    }
    // Only the opinion dialog's engine links the release.
    EXPECT_EQ(utility.calls, (std::vector<std::string>{"C-77:5"}));
}

INSTANTIATE_TEST_SUITE_P(Dialects, AuditFlowEngineTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);
