// The work task state maintenance in both dialects: completing with and without document review,
// the refusals before completing, marking changed under each parent state, changing documents
// (all checked before any is changed), the state passed up to the work task group, failed
// updates that store nothing and show no success, what another client writes while a change is
// asked about, read-only openings and the entry function.
#include "teamwork/TeamWorkTaskStateDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

extern "C" int TeamWorkTaskStateMaintain(CString workId, CString login, int unused);

namespace {

using D = CTeamWorkTaskStateDlg;
constexpr char kCaption[] = "工作任务状态维护";

std::vector<std::string> ListStates(CDialog& d) {
    auto* list = dynamic_cast<CListCtrl*>(d.GetDlgItem(D::kListId));
    std::vector<std::string> states;
    for (int row = 0; row < list->GetItemCount(); ++row)
        states.push_back(list->GetItemText(row, D::kStateColumn).str());
    return states;
}

bool Enabled(CDialog& d, int id) {
    return d.GetDlgItem(id)->IsWindowEnabled() != FALSE;
}

class WorkTaskStateTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strLoginUser = "zhangsan";
        theApp.m_nUseChangeTask = 0;
        ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, WorkState, "
                   "TaskType) VALUES ('P1', '项目甲', '项目管理', 'zhangsan', '正进行中', 'V'),"
                   "('T1', '任务一', '项目甲\\', 'zhangsan', '正进行中', 'T')");
        ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkType, WorkState) "
                   "VALUES ('T1', 'T1', 'T1#001', 'zhangsan', '工作组', 'V', '正进行中'),"
                   "('T1', 'T1#001', 'T1#001#001', 'ZhangSan', '箱体设计', 'W', '正进行中'),"
                   "('T1', 'T1', 'T1#002', 'lisi', '他人工作', 'W', '正进行中'),"
                   "('T1', 'T1', 'T1#003', 'zhangsan', '未确认工作', 'W', '待确认')");
        Document("F1", "T1#001#001", "AutoCAD 图形", "正式", "已反签");
        Document("F2", "T1#001#001", "Microsoft Word 文档", "已归档", "");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        theApp.m_nUseChangeTask = 0;
    }
    void Document(const char* id, const char* work, const char* type, const char* state, const char* other2) {
        CString sql;
        sql.Format("INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, FileType, State, Other2, "
                   "PartCode) VALUES ('%s', '%s', '文档%s', '%s.dwg', '%s', '%s', '%s', 'P-%s')",
                   id, work, id, id, type, state, other2, id);
        ws.Execute(sql);
    }
    CString WorkState(const char* work) {
        CString sql;
        sql.Format("SELECT WorkState FROM TeamWorkManage WHERE WorkID='%s'", work);
        return ws.QueryText(sql);
    }
    CString DocState(const char* id) {
        CString sql;
        sql.Format("SELECT State FROM TeamWorkResult WHERE FileID='%s'", id);
        return ws.QueryText(sql);
    }

    vqtest::DbWorkspace ws{GetParam()};
};

TEST_P(WorkTaskStateTest, MarkCompleteWithReviewPassesTheStateUp) {
    CTeamWorkTaskStateDlg dlg;
    dlg.WorkID = "T1#001#001";
    bool completeBefore = false, changedBefore = true, completeAfter = true, changedAfter = false;
    CString stateShown;
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Do([&](CDialog& d) {
            completeBefore = Enabled(d, D::kMarkCompleteId);
            changedBefore = Enabled(d, D::kMarkChangedId);
            EXPECT_FALSE(Enabled(d, D::kSelectWorkId));
        })
        .Click("标记完成...")
        .Message("是否进行完整性分析?", IDNO)
        .Message("是否继续标记任务完成?", IDYES)
        .Message("工作任务已标记为完成状态...", IDOK)
        .Do([&](CDialog& d) {
            completeAfter = Enabled(d, D::kMarkCompleteId);
            changedAfter = Enabled(d, D::kMarkChangedId);
            d.GetDlgItemText(D::kStateId, stateShown);
        })
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_TRUE(completeBefore);
    EXPECT_FALSE(changedBefore);
    EXPECT_FALSE(completeAfter);
    EXPECT_TRUE(changedAfter);
    EXPECT_EQ(stateShown, "完成");
    EXPECT_EQ(dlg.Changed, 1);
    EXPECT_EQ(WorkState("T1#001#001"), "完成");
    EXPECT_FALSE(ws.QueryText("SELECT FinishedTime FROM TeamWorkManage WHERE WorkID='T1#001#001'").IsEmpty());
    EXPECT_EQ(WorkState("T1#001"), "完成"); // the group's only work is complete
    EXPECT_EQ(DocState("F1"), "正式");       // reviewed documents keep their state
    EXPECT_EQ(DocState("F2"), "已归档");
}

TEST_P(WorkTaskStateTest, CompletionIsRefusedForUnreviewedOrUnsignedDrawingsAndWithoutDocuments) {
    Document("F3", "T1#001#001", "Microsoft Excel 工作表", "正式", ""); // other types need no signature
    Document("F4", "T1#001#001", "AutoCAD 图形", "正式", "");
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Click("标记完成...")
        .Message("有未经过反签的图纸，不能标记任务状态为完成...", IDOK)
        .Do([&](CDialog&) { ws.Execute("UPDATE TeamWorkResult SET Other2='已反签' WHERE FileID='F4'"); })
        .Click("标记完成...")
        .Message("是否进行完整性分析?", IDNO)
        .Message("是否继续标记任务完成?", IDNO)
        .Click("退出");
    CTeamWorkTaskStateDlg dlg;
    dlg.WorkID = "T1#001#001";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.Changed, 0);
    EXPECT_EQ(WorkState("T1#001#001"), "正进行中");

    Document("F5", "T1#001#001", "AutoCAD 图形", "评审", "已反签");
    vq::ScriptedUser inReview;
    inReview.Dialog(kCaption)
        .Click("标记完成...")
        .Message("有未经过评审通过的设计文档，不能标记任务状态为完成...", IDOK)
        .Click("退出");
    CTeamWorkTaskStateDlg second;
    second.WorkID = "T1#001#001";
    second.DoModal();
    EXPECT_TRUE(inReview.Succeeded()) << inReview.Error().c_str();

    ws.WriteSetting("设计过程管理配置", "任务文档不需要评审", "1");
    vq::ScriptedUser empty;
    empty.Dialog(kCaption)
        .Click("标记完成...")
        .Message("没有提交工作文档，不能标记任务状态为完成...", IDOK)
        .Click("退出");
    CTeamWorkTaskStateDlg none;
    none.WorkID = "T1#002";
    theApp.m_strLoginUser = "admin"; // admin may change any work task
    none.DoModal();
    EXPECT_TRUE(empty.Succeeded()) << empty.Error().c_str();
    EXPECT_EQ(none.Changed, 0); // nothing was stored, so nothing is reported as changed
    EXPECT_EQ(WorkState("T1#002"), "正进行中");
}

TEST_P(WorkTaskStateTest, WithoutDocumentReviewCompletingReleasesAndMarkingChangedResetsEveryDocument) {
    ws.WriteSetting("设计过程管理配置", "任务文档不需要评审", "1");
    Document("F3", "T1#001#001", "AutoCAD 图形", "评审", "");
    std::vector<std::string> released, changed;
    bool changeFileVisible = true;
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Do([&](CDialog& d) { changeFileVisible = d.GetDlgItem(D::kChangeFileId)->IsWindowVisible() != FALSE; })
        .Click("标记完成...")
        .Message("工作任务已标记为完成状态...", IDOK)
        .Do([&](CDialog& d) { released = ListStates(d); })
        .Click("标记更改...")
        .Message("将修改工作任务状态为更改，是否继续?", IDYES)
        .Message("工作任务已标记为更改状态...", IDOK)
        .Do([&](CDialog& d) { changed = ListStates(d); })
        .Click("退出");
    CTeamWorkTaskStateDlg dlg;
    dlg.WorkID = "T1#001#001";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_FALSE(changeFileVisible);
    EXPECT_EQ(released, (std::vector<std::string>{"正式", "正式", "正式"}));
    EXPECT_EQ(changed, (std::vector<std::string>{"更改", "更改", "更改"}));
    EXPECT_EQ(DocState("F3"), "更改");
    EXPECT_EQ(WorkState("T1#001#001"), "更改");
    EXPECT_EQ(WorkState("T1#001"), "更改");
    EXPECT_EQ(dlg.Changed, 1);
}

TEST_P(WorkTaskStateTest, AFailedCompletionStoresNothingAndShowsNoSuccess) {
    ws.WriteSetting("设计过程管理配置", "任务文档不需要评审", "1");
    Document("F3", "T1#001#001", "AutoCAD 图形", "评审", "");
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Do([&](CDialog&) { ws.Execute("ALTER TABLE TeamWorkManage RENAME COLUMN FinishedTime TO FinishedAt"); })
        .Click("标记完成...")
        .AnyMessage(IDOK)
        .MessageContaining("执行出错的SQL语句", IDOK)
        .Click("退出");
    CTeamWorkTaskStateDlg dlg;
    dlg.WorkID = "T1#001#001";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.Changed, 0);
    EXPECT_EQ(DocState("F3"), "评审"); // not released without the work task's update
    EXPECT_EQ(WorkState("T1#001#001"), "正进行中");
}

TEST_P(WorkTaskStateTest, MarkChangedIsRefusedWhileTheParentIsCompleteArchivedOrInReview) {
    ws.Execute("UPDATE TeamWorkManage SET WorkState='完成' WHERE WorkID IN ('T1#001#001', 'T1#002')");
    const std::pair<const char*, const char*> cases[] = {{"完成", "上级任务已经完成，不能更改..."},
                                                         {"已入库", "上级任务已经归档，不能更改..."},
                                                         {"归档", "上级任务已经归档，不能更改..."},
                                                         {"待评审", "上级任务已经提交评审，不能更改..."}};
    for (const auto& [parentState, message] : cases) {
        CString sql;
        sql.Format("UPDATE TeamWorkManage SET WorkState='%s' WHERE WorkID='T1#001'", parentState);
        ws.Execute(sql);
        vq::ScriptedUser user;
        user.Dialog(kCaption).Click("标记更改...").Message(message, IDOK).Click("退出");
        CTeamWorkTaskStateDlg dlg;
        dlg.WorkID = "T1#001#001";
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << parentState << ": " << user.Error().c_str();
        EXPECT_EQ(WorkState("T1#001#001"), "完成");
    }

    // Directly under a project task: its ProjectManage row decides; a missing row does not block.
    ws.Execute("UPDATE ProjectManage SET WorkState='评审' WHERE ProjectNo='T1'");
    theApp.m_strLoginUser = "lisi";
    vq::ScriptedUser review;
    review.Dialog(kCaption).Click("标记更改...").Message("上级任务已经提交评审，不能更改...", IDOK).Click("退出");
    CTeamWorkTaskStateDlg underTask;
    underTask.WorkID = "T1#002";
    underTask.DoModal();
    EXPECT_TRUE(review.Succeeded()) << review.Error().c_str();

    ws.Execute("DELETE FROM ProjectManage WHERE ProjectNo='T1'");
    vq::ScriptedUser missing;
    missing.Dialog(kCaption)
        .Click("标记更改...")
        .Message("将修改工作任务状态为更改，是否继续?", IDNO)
        .Click("退出");
    CTeamWorkTaskStateDlg orphan;
    orphan.WorkID = "T1#002";
    orphan.DoModal();
    EXPECT_TRUE(missing.Succeeded()) << missing.Error().c_str();
    EXPECT_EQ(orphan.Changed, 0);

    // With nothing above it to bring into line, the work task is marked changed all the same.
    vq::ScriptedUser confirmed;
    confirmed.Dialog(kCaption)
        .Click("标记更改...")
        .Message("将修改工作任务状态为更改，是否继续?", IDYES)
        .Message("工作任务已标记为更改状态...", IDOK)
        .Click("退出");
    CTeamWorkTaskStateDlg marked;
    marked.WorkID = "T1#002";
    marked.DoModal();
    EXPECT_TRUE(confirmed.Succeeded()) << confirmed.Error().c_str();
    EXPECT_EQ(marked.Changed, 1);
    EXPECT_EQ(WorkState("T1#002"), "更改");
}

TEST_P(WorkTaskStateTest, ChangingFilesClearsTheSignatureAndMarksTheWorkChanged) {
    ws.Execute("UPDATE TeamWorkManage SET WorkState='完成' WHERE WorkID='T1#001#001'");
    std::vector<std::string> states;
    CString stateShown;
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Select(D::kListId, 0)
        .Do([](CDialog& d) {
            dynamic_cast<CListCtrl*>(d.GetDlgItem(D::kListId))->SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
        })
        .Click("更改文件...")
        .Message("将修改选择工作文档的状态为更改，是否继续?", IDYES)
        .Message("选中工作文档已标记为更改状态...", IDOK)
        .Do([&](CDialog& d) {
            states = ListStates(d);
            d.GetDlgItemText(D::kStateId, stateShown);
            EXPECT_FALSE(Enabled(d, D::kMarkChangedId));
        })
        .Click("退出");
    CTeamWorkTaskStateDlg dlg;
    dlg.WorkID = "T1#001#001";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(states, (std::vector<std::string>{"更改", "更改"}));
    EXPECT_EQ(stateShown, "更改");
    EXPECT_EQ(DocState("F1"), "更改");
    EXPECT_EQ(DocState("F2"), "更改");
    EXPECT_TRUE(ws.QueryText("SELECT Other2 FROM TeamWorkResult WHERE FileID='F1'").IsEmpty());
    EXPECT_EQ(WorkState("T1#001#001"), "更改");
    EXPECT_EQ(WorkState("T1#001"), "更改");
    EXPECT_EQ(dlg.Changed, 1);
}

// Each confirmed change of state with another client's write at the moment of its question: the
// stored rows judge it after the answer, the Part's refusal says what changed, nothing is stored
// (not even above the work task), and the dialog shows no success.
TEST_P(WorkTaskStateTest, WhatAnotherClientWritesWhileAskedIsJudgedAfterTheAnswer) {
    struct Road {
        const char* what;
        const char* before; // the rows when the dialog opens
        const char* button;
        std::vector<const char*> earlierQuestions; // answered No (the check) before the question
        const char* question;
        const char* write;
        const char* refusal;
        const char* workState; // stored afterwards
    };
    const Road roads[] = {{"标记完成, a document sent back",
                           "",
                           "标记完成...",
                           {"是否进行完整性分析?"},
                           "是否继续标记任务完成?",
                           "UPDATE TeamWorkResult SET State='更改' WHERE FileID='F1'",
                           "有未经过评审通过的设计文档，不能标记任务状态为完成...",
                           "正进行中"},
                          {"标记完成, a document stored",
                           "",
                           "标记完成...",
                           {"是否进行完整性分析?"},
                           "是否继续标记任务完成?",
                           "INSERT INTO TeamWorkResult (FileID, WorkID, FileName, State) VALUES ('F9', "
                           "'T1#001#001', 'n.txt', '工作')",
                           "有未经过评审通过的设计文档，不能标记任务状态为完成...",
                           "正进行中"},
                          {"标记更改, changed by another",
                           "UPDATE TeamWorkManage SET WorkState='完成' WHERE WorkID='T1#001#001'",
                           "标记更改...",
                           {},
                           "将修改工作任务状态为更改，是否继续?",
                           "UPDATE TeamWorkManage SET WorkState='正进行中' WHERE WorkID='T1#001#001'",
                           "工作任务不处于完成状态，不能标记为更改...",
                           "正进行中"},
                          {"更改文件, the document sent to review",
                           "UPDATE TeamWorkManage SET WorkState='完成' WHERE WorkID='T1#001#001'",
                           "更改文件...",
                           {},
                           "将修改选择工作文档的状态为更改，是否继续?",
                           "UPDATE TeamWorkResult SET State='评审' WHERE FileID='F1'",
                           "选中工作文档不处于正式或已归档状态，不能更改状态...",
                           "完成"}};
    for (const Road& road : roads) {
        SCOPED_TRACE(road.what);
        ws.Execute(
            "DELETE FROM TeamWorkResult WHERE FileID='F9'; UPDATE TeamWorkResult SET State='正式' WHERE "
            "FileID='F1'; UPDATE TeamWorkManage SET WorkState='正进行中' WHERE WorkID IN ('T1#001', "
            "'T1#001#001')");
        if (*road.before)
            ws.Execute(road.before);
        vq::ScriptedUser user;
        user.Dialog(kCaption).Select(D::kListId, 0).Click(road.button);
        for (const char* earlier : road.earlierQuestions)
            user.Message(earlier, IDNO);
        user.Message(road.question, IDYES).Click("退出");
        vqtest::MessageBoxRecorder boxes;
        boxes.WhenShown(road.question, [&] { ws.Execute(road.write); });
        boxes.Expect(road.refusal);
        CTeamWorkTaskStateDlg dlg;
        dlg.WorkID = "T1#001#001";
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(dlg.Changed, 0);
        EXPECT_EQ(WorkState("T1#001#001"), road.workState);
        EXPECT_EQ(WorkState("T1#001"), "正进行中");
        EXPECT_EQ(DocState("F2"), "已归档");
    }
}

TEST_P(WorkTaskStateTest, ARefusedDocumentLeavesEverySelectedDocumentAsItWas) {
    Document("F3", "T1#001#001", "AutoCAD 图形", "评审", "");
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Click("更改文件...")
        .Message("请选择指定的设计文件...", IDOK)
        .Select(D::kListId, 2)
        .Click("更改文件...")
        .Message("当前文件不是正式状态，不允许更改!", IDOK)
        .Select(D::kListId, 0)
        .Do([](CDialog& d) {
            dynamic_cast<CListCtrl*>(d.GetDlgItem(D::kListId))->SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
        })
        .Click("更改文件...")
        .Message("将修改选择工作文档的状态为更改，是否继续?", IDYES)
        .Message("选中工作文档不处于正式或已归档状态，不能更改状态...", IDOK)
        .Click("退出");
    CTeamWorkTaskStateDlg dlg;
    dlg.WorkID = "T1#001#001";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(DocState("F1"), "正式"); // checked first: the refused F3 stops before F1 is touched
    EXPECT_EQ(ws.QueryText("SELECT Other2 FROM TeamWorkResult WHERE FileID='F1'"), "已反签");
    EXPECT_EQ(WorkState("T1#001#001"), "正进行中");
    EXPECT_EQ(dlg.Changed, 0);
}

TEST_P(WorkTaskStateTest, AFailedChangeRollsBackEveryDocumentAndShowsNoSuccess) {
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Select(D::kListId, 0)
        .Do([](CDialog& d) {
            dynamic_cast<CListCtrl*>(d.GetDlgItem(D::kListId))->SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
        })
        // The project task cannot be read: the last step of the change, passing the state up, fails.
        .Do([&](CDialog&) { ws.Execute("ALTER TABLE ProjectManage RENAME COLUMN TaskType TO TaskKind"); })
        .Click("更改文件...")
        .Message("将修改选择工作文档的状态为更改，是否继续?", IDYES)
        .AnyMessage(IDOK) // the database error
        .AnyMessage(IDOK) // the statement
        .Message("不能更新上级任务的状态，工作任务状态没有改变...", IDOK)
        .Do([](CDialog& d) { EXPECT_EQ(ListStates(d), (std::vector<std::string>{"正式", "已归档"})); })
        .Click("退出");
    CTeamWorkTaskStateDlg dlg;
    dlg.WorkID = "T1#001#001";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(DocState("F1"), "正式"); // the documents' updates went back with the work task's
    EXPECT_EQ(DocState("F2"), "已归档");
    EXPECT_EQ(ws.QueryText("SELECT Other2 FROM TeamWorkResult WHERE FileID='F1'"), "已反签");
    EXPECT_EQ(WorkState("T1#001#001"), "正进行中");
    EXPECT_EQ(dlg.Changed, 0);
}

TEST_P(WorkTaskStateTest, UnacceptedAndOtherManagersWorkTasksOpenReadOnly) {
    auto lockedButtons = [](CDialog& d) {
        for (int id : {D::kMarkCompleteId, D::kMarkChangedId, D::kChangeFileId, D::kFilePropertyId, D::kBrowseId,
                       D::kReviewResultId})
            EXPECT_FALSE(Enabled(d, id)) << id;
    };
    vq::ScriptedUser unaccepted;
    unaccepted.Message("工作任务还没有进行确认，不能进行状态维护...", IDOK)
        .Dialog(kCaption)
        .Do(lockedButtons)
        .Click("退出");
    CTeamWorkTaskStateDlg first;
    first.WorkID = "T1#003";
    first.DoModal();
    EXPECT_TRUE(unaccepted.Succeeded()) << unaccepted.Error().c_str();

    vq::ScriptedUser other;
    other.Dialog(kCaption).Do(lockedButtons).Click("退出");
    CTeamWorkTaskStateDlg second;
    second.WorkID = "T1#002";
    second.DoModal();
    EXPECT_TRUE(other.Succeeded()) << other.Error().c_str();
}

TEST_P(WorkTaskStateTest, ChangeTaskKeepsMarkChangedOffAndNeedsItsChangeOrderInChange) {
    theApp.m_nUseChangeTask = 1;
    ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, WorkState, TaskType) "
               "VALUES ('C1', '更改甲', '更改任务管理', 'zhangsan', '正进行中', 'M')");
    ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkType, WorkState) "
               "VALUES ('C1', 'C1', 'C1[M]#001', 'zhangsan', '图样更改', 'W', '完成')");
    Document("E1", "C1[M]#001", "AutoCAD 图形", "正式", "已反签");
    Document("E0", "C1[M]#001", "Microsoft Word 文档", "正式", "");
    ws.Execute("UPDATE TeamWorkResult SET Other4='_ECO' WHERE FileID='E0'");
    ws.Execute("INSERT INTO ECOAuditLevel (ECOTaskNo, FileID, IsECOFile, CurrentAuditLevel, MaxAuditLevel) VALUES "
               "('C1[M]#001', 'E1', 'N', 2, 2), ('C1[M]#001', 'E0', 'Y', 2, 2)");
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Do([](CDialog& d) { EXPECT_FALSE(Enabled(d, D::kMarkChangedId)); })
        .Select(D::kListId, 1)
        .Click("更改文件...")
        .Message("当前任务关联的更改单状态不为更改, 不允许更改文件!", IDOK)
        .Do([&](CDialog&) { ws.Execute("UPDATE TeamWorkResult SET State='更改' WHERE FileID='E0'"); })
        .Click("更改文件...")
        .Message("将修改选择工作文档的状态为更改，是否继续?", IDYES)
        .Message("选中工作文档已标记为更改状态...", IDOK)
        .Click("退出");
    CTeamWorkTaskStateDlg dlg;
    dlg.WorkID = "C1[M]#001";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(DocState("E1"), "更改");
    EXPECT_EQ(ws.QueryText("SELECT CurrentAuditLevel FROM ECOAuditLevel WHERE FileID='E1'"), "0");
    EXPECT_EQ(ws.QueryText("SELECT CurrentAuditLevel FROM ECOAuditLevel WHERE FileID='E0'"), "0");
    EXPECT_EQ(WorkState("C1[M]#001"), "更改");
}

TEST_P(WorkTaskStateTest, EntryFunctionReturnsWhetherTheStateChanged) {
    theApp.m_pConnPDM = nullptr;
    vq::ScriptedUser look;
    look.Dialog(kCaption).Click("退出");
    EXPECT_EQ(TeamWorkTaskStateMaintain("T1#001#001", "zhangsan", 0), 0);
    EXPECT_TRUE(look.Succeeded()) << look.Error().c_str();

    vq::ScriptedUser complete;
    complete.Dialog(kCaption)
        .Click("标记完成...")
        .Message("是否进行完整性分析?", IDNO)
        .Message("是否继续标记任务完成?", IDYES)
        .Message("工作任务已标记为完成状态...", IDOK)
        .Click("退出");
    EXPECT_EQ(TeamWorkTaskStateMaintain("T1#001#001", "zhangsan", 0), 1);
    EXPECT_TRUE(complete.Succeeded()) << complete.Error().c_str();
    EXPECT_EQ(WorkState("T1#001"), "完成");

    ws.ClearConfig();
    vqtest::MessageBoxRecorder rec;
    rec.Expect("");
    EXPECT_EQ(TeamWorkTaskStateMaintain("T1#001#001", "zhangsan", 0), 0);
}

INSTANTIATE_TEST_SUITE_P(Dialects, WorkTaskStateTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);

} // namespace
