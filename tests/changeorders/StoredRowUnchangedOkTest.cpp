// Every dialog that edits a stored row, opened on it and closed with OK (or its store button)
// without a change, leaves every row of every table as it was, apart from the columns it stamps
// (modification times, logs). One case per dialog, each in both dialects on a fresh database.
//
// The forms that edit one row, with another client writing that row while the form is open: a
// field the user left alone keeps the other client's value beside the user's change, and the
// other client storing the very value the user stores is no conflict; when the other client
// changed the field the user changed to another value, or deleted the row (also when it made a
// row again under the same key), nothing is written and one box says so.
#include "changeorders/ChangeLableItemDlg.h"
#include "changeorders/ECOChangeItemDlg.h"
#include "changeorders/ECOModifyItemDlg.h"
#include "changeorders/ECONextAuditTaskDlg.h"
#include "changeorders/ECONextAuditTaskItemDlg.h"
#include "controls/TaskColorDlg.h"
#include "core/ComError.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ScriptedUser.h"
#include "projects/AssignProjectTaskDlg.h"
#include "projects/ProjectTaskItemDlg.h"
#include "projects/ProjectTaskItemIds.h"
#include "projects/ProjectTeamDlg.h"
#include "review/AssistAuditDlg.h"
#include "review/AuditOpinionDlg.h"
#include "review/DesignFileAuditSender.h"
#include "teamwork/DesignPartDlg.h"
#include "teamwork/TaskPartDlg.h"
#include "teamwork/TaskResourceDlg.h"
#include "teamwork/TeamTaskItemDlg.h"
#include "teamwork/WorkPartIds.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

// Table name -> its rows, each row its columns as "name=value" joined by tabs. A NULL reads as an
// empty text: a column stored NULL and written back empty is not counted as a change.
using Snapshot = std::map<std::string, std::multiset<std::string>>;

std::string FieldText(const _variant_t& value) {
    if (value.IsBinary()) {
        std::ostringstream bytes;
        bytes << "<" << value.Bytes().size() << " bytes:";
        for (BYTE b : value.Bytes())
            bytes << ' ' << static_cast<int>(b);
        bytes << ">";
        return bytes.str();
    }
    return VariantToString(value).str();
}

// The pseudo-table of the task colour settings, read like a table of the database.
const char* const kColourTable = "[设计任务颜色]";

// Every row of every table; the columns in `stamped` ("Table.Column") are left out, and the
// tables named alone ("Table") are not read.
Snapshot TakeSnapshot(const std::set<std::string>& stamped) {
    _ConnectionPtr conn = theApp.m_pConnPDM;
    std::vector<std::string> tables;
    {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(
            vqtest::DbWorkspace::OnPostgreSQL()
                ? "SELECT table_name FROM information_schema.tables WHERE table_schema = current_schema() "
                  "AND table_type = 'BASE TABLE'"
                : "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%'",
            conn, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            tables.push_back(VariantToString(rs->GetCollect(0L)).str());
            rs->MoveNext();
        }
        rs->Close();
    }
    // Names compare without regard to case (the server folds them).
    auto named = [&](const std::string& name) {
        for (const std::string& s : stamped)
            if (CString(s.c_str()).CompareNoCase(CString(name.c_str())) == 0)
                return true;
        return false;
    };
    Snapshot snapshot;
    for (const std::string& table : tables) {
        // The change tasks' write stamps count every write, one that stores a row as it was too.
        if (named(table) || CString(table.c_str()).CompareNoCase("ECOTaskStamp") == 0)
            continue;
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(CString("SELECT * FROM ") + table.c_str(), conn, adOpenForwardOnly, adLockReadOnly,
                 adCmdText);
        auto& rows = snapshot[table];
        while (!rs->IsEOF()) {
            std::string row;
            for (long i = 0; i < rs->GetFields()->GetCount(); ++i) {
                Field* field = rs->GetFields()->GetItem(i);
                const std::string column = field->GetName().str();
                if (!named(table + "." + column))
                    row += column + "=" + FieldText(field->GetValue()) + "\t";
            }
            rows.insert(row);
            rs->MoveNext();
        }
        rs->Close();
    }
    for (const auto& state : CTaskColorDlg::kStates)
        snapshot[kColourTable].insert(std::string(state.key) + "=" +
                                      ReadSetting(CTaskColorDlg::kSection, state.key, "").str());
    return snapshot;
}

// The rows that went and the rows that came, table by table.
std::string Differences(const Snapshot& before, const Snapshot& after) {
    std::ostringstream out;
    std::set<std::string> tables;
    for (const auto& [table, rows] : before)
        tables.insert(table);
    for (const auto& [table, rows] : after)
        tables.insert(table);
    for (const std::string& table : tables) {
        const auto was = before.count(table) ? before.at(table) : std::multiset<std::string>();
        const auto is = after.count(table) ? after.at(table) : std::multiset<std::string>();
        if (was == is)
            continue;
        out << table << ":\n";
        for (const std::string& row : was)
            if (!is.count(row))
                out << "  - " << row << "\n";
        for (const std::string& row : is)
            if (!was.count(row))
                out << "  + " << row << "\n";
    }
    return out.str();
}

// The stored rows the dialogs are opened on.
const char* const kRows =
    "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三');"
    "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('lisi', '李四');"
    "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('wangwu', '王五');"
    "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('admin', '管理员');"
    // A project, a work-group task with work tasks, a project task, and a change task filed
    // directly in its system folder without any dates.
    "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, CreatedTime, "
    "ModifiedTime, PreendedTime, WorkState, Remark, ProjectResource, AuditingModel, AuditorName, "
    "TaskType, AlertTime, TaskAssigner, Other3, Other4) VALUES ('P1', '项目甲', '项目管理', "
    "'zhangsan', '2026-01-01 08:00', '2026-02-01 08:00', '2099-12-31', '正进行中', '减速机项目', "
    "'JX-0<&>P-1', '两级', 'lisi|*|wangwu', 'V', '2099-12-01', 'zhangsan', '2026-01-05', 500);"
    "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, CreatedTime, "
    "ModifiedTime, PreendedTime, WorkState, Remark, ProjectResource, AuditingModel, AuditorName, "
    "TaskType, AlertTime, TaskAssigner, Other3, Other4) VALUES ('P1-01', '任务一', '项目甲\\', "
    "'zhangsan', '2026-01-01 09:00', '2026-02-01 09:00', '2099-06-30', '正进行中', '箱体', "
    "'JX-0<&>P-1|*|JX-0<&>P-2', '', '', 'T', '2099-06-01', 'zhangsan', '2026-02-01', 510);"
    "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, CreatedTime, "
    "ModifiedTime, PreendedTime, WorkState, Remark, ProjectResource, AuditingModel, AuditorName, "
    "TaskType, AlertTime, TaskAssigner, Other3, Other4) VALUES ('P1-02', '任务二', '项目甲\\', "
    "'lisi', '2026-01-01 09:00', '', '2099-03-31', '未开始', '', '', '', '', 'V', '2099-03-01', "
    "'zhangsan', '2026-03-01', 480);"
    "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, CreatedTime, "
    "PreendedTime, WorkState, TaskType, AlertTime, TaskAssigner, Other3, Other4) VALUES ('C1', "
    "'更改甲', '更改任务管理', 'lisi', '2026-01-01 08:00', '', '未开始', 'M', '', 'lisi', '', "
    "500);"
    "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('两级', '串联', "
    "'校对(40,20)|*|审核(40,110)');"
    "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkPrompt, WorkRequest, "
    "WorkType, BeginTime, CheckTime, PreEndedTime, CreateTime, WorkState, PartCode, BeginNum, EndNum, "
    "Other1) VALUES ('P1-01', 'P1-01', 'P1-01#001', 'zhangsan', '机座设计', '内容', '要求', 'W', "
    "'2030-01-01', '2030-01-05', '2030-02-01', '2026-01-01 10:00', '正进行中', 'P-1', 1, 9999, "
    "'300');"
    "INSERT INTO DesignProjectTeam (InterID, ProjectNo, TeamType, TeamGroup, TeamUser, IsLeader, "
    "SaveTime) VALUES (1, 'P1', '_P', 'P1', 'zhangsan', 'Y', '2026-01-01 08:00');"
    "INSERT INTO DesignProjectTeam (InterID, ProjectNo, TeamType, TeamGroup, TeamUser, IsLeader, "
    "SaveTime) VALUES (2, 'P1', '_T', 'P1-01', 'lisi', 'N', '2026-01-01 08:00');"
    "INSERT INTO DesignProjectTeamRight (TeamType, TeamGroup, TeamUser, RightName, RightValue) VALUES "
    "('_P', 'P1', 'zhangsan', '浏览', '1');"
    "INSERT INTO TaskExtDocument (TaskNo, DocType, FileName, FileBulk, FileType, FileDate, DocSaved) "
    "VALUES ('P1-01', '技术要求', 'a.txt', '1KB', '文本文件', '2026-01-02 10:00', '1');"
    "INSERT INTO TeamWorkResource (WorkID, ResourceID, ResourceType, ResourceName, FileSize, FileDate, "
    "FileType) VALUES ('P1-01#001', '20260102#ZHANGSAN#0001', 'b.dwg', '底图', '1KB', '2026-01-02 "
    "10:00', 'DWG');"
    "INSERT INTO TeamWorkResourcePack (ResourceID, DocSaved) VALUES ('20260102#ZHANGSAN#0001', '1');"
    "INSERT INTO TeamWorkPartTree (WorkID, UpCode, DCode, DName, Other1) VALUES ('P1-01#001', "
    "'P1-01#001', 'P-1', '机座', '借用 JX-0');"
    "INSERT INTO TeamWorkPartTree (WorkID, UpCode, DCode, DName, Other1) VALUES ('P1-01#001', 'P-1', "
    "'P-1-1', '底板', '见图 3');"
    "INSERT INTO TeamWorkPart (WorkID, PartCode, PartName, PartRev, UserName, TrastUser, SaveDate, "
    "UsedFlag, IsAssemble, State) VALUES ('P1-01#001', 'P-1', '机座', 'B', 'zhangsan', 'lisi', "
    "'2026-01-01 10:00', 1, 1, '自动');"
    "INSERT INTO TeamWorkPart (WorkID, PartCode, PartName, PartRev, UserName, TrastUser, SaveDate, "
    "UsedFlag, IsAssemble, State) VALUES ('P1-01#001', 'P-1-1', '底板', 'A', 'lisi', 'wangwu', "
    "'2026-01-01 10:00', 0, 0, '分配');"
    // Change labels of a part revision and of a change order's document.
    "INSERT INTO PartChangeLabel VALUES ('P-1', 'B', 'a', '3C', '2', 'GC-1', '李四', '2026-11-02', "
    "'强度不足', '壁厚改为12', '无', '10.000000', '20.000000', '110.000000', '80.000000');"
    "INSERT INTO ECOFileChangeLabel (ECOGroup, ECONo, DocType, ChangeLabel, ChangeArea, ChangeCount, "
    "FileSerial, Changer, ChangeDate, Resion, Content, Remark, LeftX, LeftY, RightX, RightY) VALUES "
    "('更改单', 'C-02', '箱座图', '1', '2B', '1', 'GC-2', '张三', '2026-11-03', '漏标', "
    "'补注公差', '', '0.000000', '0.000000', '420.000000', '297.000000');"
    // A temporary change notice and a temporary modification notice of their preparer.
    "INSERT INTO ECOChangeManage (ECONo, ECOLevel, SaveUser, SaveDate, State, ProductStyle, ProductName, "
    "ProductCode, Department, Remark, AffectNo, AuditingType) VALUES ('C-02', '普通', '张三', "
    "'2026-11-12 10:00', '临时', 'JX', '减速机', 'JX-0', '工艺室', '吊耳', 'SC-1', '无');"
    "INSERT INTO ECOChangePart (ECONo, PartCode, PartName, ChangeLabel, ChangePlace, ChangeECO) VALUES "
    "('C-02', 'P-1', '机座', 'b', '1', 'M-2; M-1');"
    "INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('修改单', "
    "'评审方式', '2');"
    "INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('修改单', "
    "'编号方式', '0');"
    "INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('修改单', "
    "'编号宽度', '0');"
    "INSERT INTO ECOModifyManage (ECONo, ECOLevel, SaveUser, SaveDate, State, ValidDate, ValidType, "
    "Department, Resion, Remark, AuditingType, Content, AffectNo) VALUES ('EC-3', '中等', '张三', "
    "'2026-11-21 11:00', '临时', '2026-12-01', '止', '工艺室', '加工困难', '备注一', '无', "
    "'倒角', 'SC-7');"
    "INSERT INTO ECOModifyPart (ECONo, PartCode, PartName, Result, Other1, Other2, Other3) VALUES "
    "('EC-3', 'P-1', '机座', '修改', 'a', '1', '尺寸')";

struct Case {
    const char* name;
    // Columns ("Table.Column") and whole tables ("Table") the dialog stamps on its store.
    std::set<std::string> stamped;
    // Opens the dialog on its stored row with the scripted user and runs it.
    std::function<void(vq::ScriptedUser&)> run;
    // Rows or settings the case needs besides the common ones; may be empty.
    std::function<void(vqtest::DbWorkspace&)> prepare = {};
};

void OpenItem(vq::ScriptedUser& user, const char* number) {
    CProjectTaskItemDlg dlg;
    dlg.ProjectNo = number;
    dlg.Editable = 1;
    user.Dialog("项目/任务项属性").Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

void SubmitForReview(vqtest::DbWorkspace& ws) {
    ws.Execute(
        "INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, State, AuditingModel, "
        "AuditorName, AuditingType) VALUES ('F-1', 'P1-01#001', '机座零件图', 'a.dwg', '工作中', '两级', "
        "'lisi|*|wangwu', '串联')");
    theApp.m_strLoginUser = "zhangsan";
    CDesignFileAuditSender sender;
    sender.m_strFileID = "F-1";
    sender.m_strSuperior = "admin";
    ASSERT_EQ(sender.Send(), 1);
    // The first reviewer writes an opinion and decides later.
    theApp.m_strLoginUser = "lisi";
    vq::ScriptedUser user;
    user.Dialog("评审意见")
        .Set(CAuditOpinionDlg::kOpinionId, "待核对")
        .Check(CAuditOpinionDlg::kLaterId, 1)
        .Click(IDOK);
    CAuditOpinionDlg dlg(nullptr);
    dlg.m_strFileID = "F-1";
    dlg.m_strAuditTask = "校对";
    dlg.DoModal();
    ASSERT_TRUE(user.Succeeded()) << user.Error();
}

const std::set<std::string> kItemStamps = {"ProjectManage.ModifiedTime", "LogInformation"};

const std::vector<Case> kCases = {
    {"ProjectItem", kItemStamps, [](vq::ScriptedUser& user) { OpenItem(user, "P1"); }},
    {"WorkGroupTaskItem", kItemStamps, [](vq::ScriptedUser& user) { OpenItem(user, "P1-01"); }},
    {"ProjectTaskItem", kItemStamps, [](vq::ScriptedUser& user) { OpenItem(user, "P1-02"); }},
    {"ChangeTaskItemWithoutDates", kItemStamps, [](vq::ScriptedUser& user) { OpenItem(user, "C1"); }},
    {"TaskItemFromTheWorkBreakdown", kItemStamps,
     [](vq::ScriptedUser& user) {
         CAssignProjectTaskDlg dlg;
         dlg.ProjectNo = "P1";
         user.Dialog("设计项目结构管理 — WBS分解")
             .Tree(CAssignProjectTaskDlg::kTreeId, "项目：项目甲[P1] .../任务二 [P1-02]")
             .Click("修改任务...")
             .Dialog("项目/任务项属性")
             .Click(IDOK)
             .Dialog("设计项目结构管理 — WBS分解")
             .Click(IDCANCEL);
         dlg.DoModal();
     }},
    {"WorkTaskItem",
     {"TeamWorkLog"},
     [](vq::ScriptedUser& user) {
         CTeamTaskItemDlg dlg;
         dlg.TaskNo = "P1-01";
         dlg.WorkID = "P1-01#001";
         dlg.ModifyMode = 1;
         user.DialogContaining("属性").Click(IDOK);
         EXPECT_EQ(dlg.DoModal(), IDOK);
     }},
    {"ProjectTeamAndMembers",
     {},
     [](vq::ScriptedUser& user) {
         CProjectTeamDlg dlg;
         dlg.m_strProjectNo = "P1";
         user.Dialog("项目组成员管理").Click(IDCANCEL);
         dlg.DoModal();
     }},
    {"TaskWorkGroupMembers",
     {},
     [](vq::ScriptedUser& user) {
         CProjectTeamDlg dlg;
         dlg.m_strProjectNo = "P1";
         dlg.m_strTaskNo = "P1-01";
         dlg.m_bWorkGroup = 1;
         user.Dialog("项目组成员管理").Click(IDCANCEL);
         dlg.DoModal();
     }},
    {"TaskOutsideResources",
     {},
     [](vq::ScriptedUser& user) {
         CTaskResourceDlg dlg;
         dlg.m_strTaskNo = "P1-01";
         dlg.m_strTaskName = "任务一";
         user.Dialog("任务资源管理").Click(IDOK);
         EXPECT_EQ(dlg.DoModal(), IDOK);
     }},
    {"WorkOutsideResources",
     {},
     [](vq::ScriptedUser& user) {
         CTaskResourceDlg dlg;
         dlg.m_strTaskNo = "P1-01#001";
         dlg.m_strTaskName = "机座设计";
         dlg.m_bWorkTask = 1;
         user.Dialog("任务资源管理").Click(IDOK);
         EXPECT_EQ(dlg.DoModal(), IDOK);
     }},
    {"TaskPartAndDesignPart",
     {"TeamWorkPart.SaveDate"},
     [](vq::ScriptedUser& user) {
         CTaskPartDlg dlg;
         dlg.m_strWorkID = "P1-01#001";
         dlg.m_bReadOnly = 0;
         user.Dialog("设计产品结构管理")
             .Tree(teamwork::part_ids::kTaskPartTree,
                   "任务：任务一[P1-01] 下的工作：机座设计[P1-01#001].../机座 [P-1]")
             .Click(teamwork::part_ids::kModifyPart)
             .Dialog("增加设计零部件")
             .Click(IDOK)
             .Dialog("设计产品结构管理")
             .Click(IDCANCEL);
         dlg.DoModal();
     }},
    {"DesignPartBelowAPart",
     {"TeamWorkPart.SaveDate"},
     [](vq::ScriptedUser& user) {
         CDesignPartDlg dlg;
         dlg.WorkID = "P1-01#001";
         dlg.PlaceInTree = 1;
         dlg.UpCode = "P-1";
         dlg.PartCode = "P-1-1";
         dlg.PartName = "底板";
         user.Dialog("增加设计零部件").Click(IDOK);
         EXPECT_EQ(dlg.DoModal(), IDOK);
     }},
    {"PartChangeLabel",
     {},
     [](vq::ScriptedUser& user) {
         CChangeLableItemDlg dlg;
         dlg.m_strPartCode = "P-1";
         dlg.m_strRevNo = "B";
         dlg.m_bNewLabel = 0;
         dlg.m_strChangeLabel = "a";
         user.Dialog("图纸更改标记项").Click(IDOK);
         EXPECT_EQ(dlg.DoModal(), IDOK);
     }},
    {"ChangeOrderDocumentLabel",
     {},
     [](vq::ScriptedUser& user) {
         CChangeLableItemDlg dlg(nullptr, ChangeLabelTable::ChangeOrderDocument);
         dlg.m_strECOGroup = "更改单";
         dlg.m_strECONo = "C-02";
         dlg.m_strDocType = "箱座图";
         dlg.m_bNewLabel = 0;
         dlg.m_strChangeLabel = "1";
         user.Dialog("设计更改标记项").Click(IDOK);
         EXPECT_EQ(dlg.DoModal(), IDOK);
     }},
    {"ChangeNotice",
     {},
     [](vq::ScriptedUser& user) {
         CECOChangeItemDlg form;
         form.m_strECONo = "C-02";
         form.m_bNewItem = 0;
         user.Dialog("更改通知单 - 改底图").Click("确定").Dialog("操作提示").Click("临时");
         EXPECT_EQ(form.DoModal(), IDOK);
     }},
    {"ModificationNotice",
     {},
     [](vq::ScriptedUser& user) {
         CECOModifyItemDlg form;
         form.m_strECONo = "EC-3";
         form.m_bNewItem = 0;
         user.Dialog("修改通知单 - 改蓝图").Click("确定");
         EXPECT_EQ(form.DoModal(), IDOK);
     }},
    // Stored texts that the forms' combos and radio buttons have no choice for (written by
    // another program) stay as they are.
    {"ChangeNoticeWithTextsOutsideTheChoices",
     {},
     [](vq::ScriptedUser& user) {
         CECOChangeItemDlg form;
         form.m_strECONo = "C-02";
         form.m_bNewItem = 0;
         user.Dialog("更改通知单 - 改底图").Click("确定").Dialog("操作提示").Click("临时");
         EXPECT_EQ(form.DoModal(), IDOK);
     },
     [](vqtest::DbWorkspace& ws) {
         ws.Execute(
             "UPDATE ECOChangeManage SET ECOLevel = '紧急', AuditingType = '会签' WHERE ECONo = 'C-02'");
     }},
    {"ModificationNoticeWithTextsOutsideTheChoices",
     {},
     [](vq::ScriptedUser& user) {
         CECOModifyItemDlg form;
         form.m_strECONo = "EC-3";
         form.m_bNewItem = 0;
         user.Dialog("修改通知单 - 改蓝图").Click("确定");
         EXPECT_EQ(form.DoModal(), IDOK);
     },
     [](vqtest::DbWorkspace& ws) {
         ws.Execute("UPDATE ECOModifyManage SET ECOLevel = '紧急', ValidType = '至', ValidDate = "
                    "'2026-12-01 00:00:00' WHERE ECONo = 'EC-3'");
     }},
    {"ReviewOpinionDecidedLater",
     {},
     [](vq::ScriptedUser& user) {
         theApp.m_strLoginUser = "lisi";
         CAuditOpinionDlg dlg(nullptr);
         dlg.m_strFileID = "F-1";
         dlg.m_strAuditTask = "校对";
         user.Dialog("评审意见").Click(IDOK);
         dlg.DoModal();
     },
     SubmitForReview},
    // The assisting reviewer is told again after every OK, whether or not anything changed.
    {"AssistingReviewOfADocument",
     {"MessageManage"},
     [](vq::ScriptedUser& user) {
         CAssistAuditDlg dlg(nullptr);
         dlg.FileID = "F-9";
         dlg.UpAuditName = "会审[N]";
         user.Dialog("设计过程—协助评审任务管理")
             .DoubleClick(CAssistAuditDlg::kListId, 0)
             .Dialog("设计过程—协助评审任务")
             .Click(IDOK)
             .Dialog("设计过程—协助评审任务管理")
             .Click(IDCANCEL);
         dlg.DoModal();
     },
     [](vqtest::DbWorkspace& ws) {
         ws.Execute(
             "INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, State, AuditingModel, "
             "AuditorName) VALUES ('F-9', 'P1-01#001', '箱盖零件图', 'c.dwg', '评审', '会审', 'zhangsan');"
             "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('会审', "
             "'并联', '会审[N](40,20)');"
             "INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, State) VALUES ('F-9', '会审[N]', "
             "'zhangsan', '未完成');"
             "INSERT INTO TeamWorkNextAudit (FileID, UpAuditName, Assigner, AssignDate, AuditTask, Auditor, "
             "BeginDate, State, AuditRequest) VALUES ('F-9', '会审[N]', 'zhangsan', '2026-11-01 08:00', "
             "'会审[1]', 'lisi', '2026-11-01 08:00', '未完成', '核对孔位')");
     }},
    {"AssistingReviewOfAChangeOrder",
     {"MessageManage"},
     [](vq::ScriptedUser& user) {
         CECONextAuditTaskDlg dlg;
         dlg.m_strECOGroup = "更改单";
         dlg.m_strECONo = "C-02";
         dlg.m_strUpAuditName = "校对[N]";
         user.Dialog("更改单—协助评审任务管理")
             .DoubleClick(CECONextAuditTaskDlg::kListId, 0)
             .Dialog("更改单—协助评审任务")
             .Click(IDOK)
             .Dialog("更改单—协助评审任务管理")
             .Click("退出");
         dlg.DoModal();
     },
     [](vqtest::DbWorkspace& ws) {
         ws.Execute(
             "INSERT INTO ECONextAuditManage (ECOGroup, ECONo, UpAuditName, Assigner, AssignDate, "
             "AuditName, Auditor, BeginTime, AuditState, AuditRequest) VALUES ('更改单', 'C-02', '校对[N]', "
             "'zhangsan', '2026-11-01', '校对[1]', 'lisi', '2026-11-01', '未完成', '核对尺寸')");
     }},
    {"TaskColours",
     {},
     [](vq::ScriptedUser& user) {
         CTaskColorDlg dlg;
         user.Dialog("配置任务项显示颜色").Click(IDOK);
         EXPECT_EQ(dlg.DoModal(), IDOK);
     },
     [](vqtest::DbWorkspace&) {
         int value = 100;
         for (const auto& state : CTaskColorDlg::kStates)
             WriteSetting(CTaskColorDlg::kSection, state.key, std::to_string(value++).c_str());
     }},
};

template <class Param> class StoredRowDialogTest : public ::testing::TestWithParam<Param> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = DatabaseType();
        theApp.m_nAdoCloseMode = 1;
        m_oldLogin = theApp.m_strLoginUser;
        m_oldName = theApp.m_strUserName;
        theApp.m_strLoginUser = "zhangsan";
        theApp.m_strUserName = "张三";
        ws.WriteSetting("公共管理功能", "当前登陆用户帐号", "zhangsan");
        ws.Execute(kRows);
    }
    void TearDown() override {
        theApp.m_strLoginUser = m_oldLogin;
        theApp.m_strUserName = m_oldName;
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
    }
    int DatabaseType() const { return std::get<0>(this->GetParam()); }

    vqtest::DbWorkspace ws{DatabaseType()};
    CString m_oldLogin, m_oldName;
};

using StoredRowUnchangedOkTest = StoredRowDialogTest<std::tuple<int, std::size_t>>;

const char* const kDeleted = "该记录已被其他用户删除，本次修改未保存。";

// A form edited while another client writes its row.
struct MergeCase {
    const char* name;
    std::set<std::string> stamped;
    // Queues the steps that lead to the form, then `atForm` (which queues the user's steps on the
    // open form and leaves it on the form's own dialog), then the steps after it; runs it.
    std::function<void(vq::ScriptedUser&, const std::function<void(vq::ScriptedUser&)>& atForm)> run;
    // The user's change of one field, and the store.
    std::function<void(vq::ScriptedUser&)> edit;
    std::function<void(vq::ScriptedUser&)> store;
    // How the user leaves the form after a refused store.
    std::function<void(vq::ScriptedUser&)> leave;
    const char* fieldCaption; // what the box calls the field the user changed
    // Another client's writes while the form is open: a field the user leaves alone, the field
    // the user changes, the deletion of the row.
    const char* otherField;
    const char* sameField;
    const char* deleteRow;
    // After the store with otherField: the user's field and the other client's field as stored.
    const char* userQuery;
    const char* userValue;
    const char* otherQuery;
    const char* otherValue;
    // What the form says of a deleted row where it has words of its own.
    const char* deletedText = kDeleted;
    // Rows the case needs besides the common ones.
    const char* rows = nullptr;
    // Another client storing the value the user stores; the row deleted and made again under the
    // same key by another preparer (for rows that tell so). Null where the case has none.
    const char* sameValue = nullptr;
    const char* remade = nullptr;
};

const char* const kChangeNoticeRemade =
    "DELETE FROM ECOChangeManage WHERE ECONo = 'C-02';"
    "INSERT INTO ECOChangeManage (ECONo, ECOLevel, SaveUser, SaveDate, State, ProductStyle, ProductName, "
    "ProductCode, Department, Remark, AffectNo, AuditingType) VALUES ('C-02', '普通', '李四', "
    "'2026-12-01 09:00', '临时', 'JX', '减速机', 'JX-0', '工艺室', '吊耳', 'SC-1', '无')";
const char* const kModificationNoticeRemade =
    "DELETE FROM ECOModifyManage WHERE ECONo = 'EC-3';"
    "INSERT INTO ECOModifyManage (ECONo, ECOLevel, SaveUser, SaveDate, State, ValidDate, ValidType, "
    "Department, Resion, Remark, AuditingType, Content, AffectNo) VALUES ('EC-3', '中等', '李四', "
    "'2026-12-01 09:00', '临时', '2026-12-01', '止', '工艺室', '加工困难', '备注一', '无', '倒角', 'SC-7')";

void OkClick(vq::ScriptedUser& user) {
    user.Click(IDOK);
}
void CancelClick(vq::ScriptedUser& user) {
    user.Click(IDCANCEL);
}

const std::vector<MergeCase> kMerges = {
    {"ProjectTaskItem", kItemStamps,
     [](vq::ScriptedUser& user, const auto& atForm) {
         CProjectTaskItemDlg dlg;
         dlg.ProjectNo = "P1-02";
         dlg.Editable = 1;
         atForm(user.Dialog("项目/任务项属性"));
         dlg.DoModal();
     },
     [](vq::ScriptedUser& user) { user.Set(projects::item_ids::kRemark, "改为铸件"); }, OkClick, CancelClick,
     "内容描述", "UPDATE ProjectManage SET Other4 = 700 WHERE ProjectNo = 'P1-02'",
     "UPDATE ProjectManage SET Remark = '他人所改' WHERE ProjectNo = 'P1-02'",
     "DELETE FROM ProjectManage WHERE ProjectNo = 'P1-02'",
     "SELECT Remark FROM ProjectManage WHERE ProjectNo = 'P1-02'", "改为铸件",
     "SELECT Other4 FROM ProjectManage WHERE ProjectNo = 'P1-02'", "700", kDeleted, nullptr,
     "UPDATE ProjectManage SET Remark = '改为铸件' WHERE ProjectNo = 'P1-02'"},
    {"WorkTaskItem",
     {"TeamWorkLog"},
     [](vq::ScriptedUser& user, const auto& atForm) {
         CTeamTaskItemDlg dlg;
         dlg.TaskNo = "P1-01";
         dlg.WorkID = "P1-01#001";
         dlg.ModifyMode = 1;
         atForm(user.DialogContaining("属性"));
         dlg.DoModal();
     },
     [](vq::ScriptedUser& user) { user.Set("工作要求", "按新标准"); },
     OkClick,
     CancelClick,
     "工作要求",
     "UPDATE TeamWorkManage SET WorkPrompt = '他人内容', Other1 = '320' WHERE WorkID = 'P1-01#001'",
     "UPDATE TeamWorkManage SET WorkRequest = '他人要求' WHERE WorkID = 'P1-01#001'",
     "DELETE FROM TeamWorkManage WHERE WorkID = 'P1-01#001'",
     "SELECT WorkRequest FROM TeamWorkManage WHERE WorkID = 'P1-01#001'",
     "按新标准",
     "SELECT WorkPrompt || Other1 FROM TeamWorkManage WHERE WorkID = 'P1-01#001'",
     "他人内容320",
     kDeleted,
     nullptr,
     "UPDATE TeamWorkManage SET WorkRequest = '按新标准' WHERE WorkID = 'P1-01#001'"},
    {"ChangeNotice",
     {},
     [](vq::ScriptedUser& user, const auto& atForm) {
         CECOChangeItemDlg form;
         form.m_strECONo = "C-02";
         form.m_bNewItem = 0;
         atForm(user.Dialog("更改通知单 - 改底图"));
         form.DoModal();
     },
     [](vq::ScriptedUser& user) { user.Set(CECOChangeItemDlg::kRemarkId, "吊耳改位"); },
     [](vq::ScriptedUser& user) { user.Click("确定").Dialog("操作提示").Click("临时"); },
     [](vq::ScriptedUser& user) {
         user.Dialog("更改通知单 - 改底图").Click("取消").Message("是否存储更改单信息?", IDNO);
     },
     "备注",
     "UPDATE ECOChangeManage SET AffectNo = 'SC-9' WHERE ECONo = 'C-02'",
     "UPDATE ECOChangeManage SET Remark = '他人备注' WHERE ECONo = 'C-02'",
     "DELETE FROM ECOChangeManage WHERE ECONo = 'C-02'",
     "SELECT Remark FROM ECOChangeManage WHERE ECONo = 'C-02'",
     "吊耳改位",
     "SELECT AffectNo FROM ECOChangeManage WHERE ECONo = 'C-02'",
     "SC-9",
     "更改单：C-02 已被删除，本次没有保存。",
     nullptr,
     "UPDATE ECOChangeManage SET Remark = '吊耳改位' WHERE ECONo = 'C-02'",
     kChangeNoticeRemade},
    {"ChangeNoticeParts",
     {},
     [](vq::ScriptedUser& user, const auto& atForm) {
         CECOChangeItemDlg form;
         form.m_strECONo = "C-02";
         form.m_bNewItem = 0;
         atForm(user.Dialog("更改通知单 - 改底图"));
         form.DoModal();
     },
     [](vq::ScriptedUser& user) {
         user.Select(CECOChangeItemDlg::kPartListId, 0)
             .Click(CECOChangeItemDlg::kPartDeleteId)
             .Message("是否删除选中的零部件信息?", IDYES);
     },
     [](vq::ScriptedUser& user) { user.Click("确定").Dialog("操作提示").Click("临时"); },
     [](vq::ScriptedUser& user) {
         user.Dialog("更改通知单 - 改底图").Click("取消").Message("是否存储更改单信息?", IDNO);
     },
     "更改图纸",
     "UPDATE ECOChangeManage SET AffectNo = 'SC-9' WHERE ECONo = 'C-02'",
     "UPDATE ECOChangePart SET ChangePlace = '3' WHERE ECONo = 'C-02'",
     "DELETE FROM ECOChangeManage WHERE ECONo = 'C-02'",
     "SELECT count(*) FROM ECOChangePart WHERE ECONo = 'C-02'",
     "0",
     "SELECT AffectNo FROM ECOChangeManage WHERE ECONo = 'C-02'",
     "SC-9",
     "更改单：C-02 已被删除，本次没有保存。",
     nullptr,
     "DELETE FROM ECOChangePart WHERE ECONo = 'C-02'",
     kChangeNoticeRemade},
    {"ModificationNotice",
     {},
     [](vq::ScriptedUser& user, const auto& atForm) {
         CECOModifyItemDlg form;
         form.m_strECONo = "EC-3";
         form.m_bNewItem = 0;
         atForm(user.Dialog("修改通知单 - 改蓝图"));
         form.DoModal();
     },
     [](vq::ScriptedUser& user) { user.Set(CECOModifyItemDlg::kRemarkId, "备注二"); },
     [](vq::ScriptedUser& user) { user.Click("确定"); },
     [](vq::ScriptedUser& user) {
         user.Dialog("修改通知单 - 改蓝图").Click("取消").Message("是否存储修改单信息?", IDNO);
     },
     "备注",
     "UPDATE ECOModifyManage SET AffectNo = 'SC-8' WHERE ECONo = 'EC-3'",
     "UPDATE ECOModifyManage SET Remark = '他人备注' WHERE ECONo = 'EC-3'",
     "DELETE FROM ECOModifyManage WHERE ECONo = 'EC-3'",
     "SELECT Remark FROM ECOModifyManage WHERE ECONo = 'EC-3'",
     "备注二",
     "SELECT AffectNo FROM ECOModifyManage WHERE ECONo = 'EC-3'",
     "SC-8",
     kDeleted,
     nullptr,
     "UPDATE ECOModifyManage SET Remark = '备注二' WHERE ECONo = 'EC-3'",
     kModificationNoticeRemade},
    {"ModificationNoticeDrawings",
     {},
     [](vq::ScriptedUser& user, const auto& atForm) {
         CECOModifyItemDlg form;
         form.m_strECONo = "EC-3";
         form.m_bNewItem = 0;
         atForm(user.Dialog("修改通知单 - 改蓝图"));
         form.DoModal();
     },
     [](vq::ScriptedUser& user) {
         user.Select(CECOModifyItemDlg::kPartListId, 0)
             .Click(CECOModifyItemDlg::kPartDeleteId)
             .Message("是否要删除选中的图纸信息?", IDYES);
     },
     [](vq::ScriptedUser& user) { user.Click("确定"); },
     [](vq::ScriptedUser& user) {
         user.Dialog("修改通知单 - 改蓝图").Click("取消").Message("是否存储修改单信息?", IDNO);
     },
     "图纸",
     "UPDATE ECOModifyManage SET AffectNo = 'SC-8' WHERE ECONo = 'EC-3'",
     "UPDATE ECOModifyPart SET Other2 = '4' WHERE ECONo = 'EC-3'",
     "DELETE FROM ECOModifyManage WHERE ECONo = 'EC-3'",
     "SELECT count(*) FROM ECOModifyPart WHERE ECONo = 'EC-3'",
     "0",
     "SELECT AffectNo FROM ECOModifyManage WHERE ECONo = 'EC-3'",
     "SC-8",
     kDeleted,
     nullptr,
     "DELETE FROM ECOModifyPart WHERE ECONo = 'EC-3'",
     kModificationNoticeRemade},
    {"PartChangeLabel",
     {},
     [](vq::ScriptedUser& user, const auto& atForm) {
         CChangeLableItemDlg dlg;
         dlg.m_strPartCode = "P-1";
         dlg.m_strRevNo = "B";
         dlg.m_bNewLabel = 0;
         dlg.m_strChangeLabel = "a";
         atForm(user.Dialog("图纸更改标记项"));
         dlg.DoModal();
     },
     [](vq::ScriptedUser& user) { user.Set(CChangeLableItemDlg::kRemarkId, "见新图"); },
     OkClick,
     CancelClick,
     "备注",
     "UPDATE PartChangeLabel SET FileSerial = 'GC-9' WHERE PartCode = 'P-1' AND ChangeLabel = 'a'",
     "UPDATE PartChangeLabel SET Remark = '他人备注' WHERE PartCode = 'P-1' AND ChangeLabel = 'a'",
     "DELETE FROM PartChangeLabel WHERE PartCode = 'P-1' AND ChangeLabel = 'a'",
     "SELECT Remark FROM PartChangeLabel WHERE PartCode = 'P-1' AND ChangeLabel = 'a'",
     "见新图",
     "SELECT FileSerial FROM PartChangeLabel WHERE PartCode = 'P-1' AND ChangeLabel = 'a'",
     "GC-9",
     kDeleted,
     nullptr,
     "UPDATE PartChangeLabel SET Remark = '见新图' WHERE PartCode = 'P-1' AND ChangeLabel = 'a'"},
    {"ChangeOrderDocumentLabel",
     {},
     [](vq::ScriptedUser& user, const auto& atForm) {
         CChangeLableItemDlg dlg(nullptr, ChangeLabelTable::ChangeOrderDocument);
         dlg.m_strECOGroup = "更改单";
         dlg.m_strECONo = "C-02";
         dlg.m_strDocType = "箱座图";
         dlg.m_bNewLabel = 0;
         dlg.m_strChangeLabel = "1";
         atForm(user.Dialog("设计更改标记项"));
         dlg.DoModal();
     },
     [](vq::ScriptedUser& user) { user.Set(CChangeLableItemDlg::kCountId, "2"); },
     OkClick,
     CancelClick,
     "更改处数",
     "UPDATE ECOFileChangeLabel SET Content = '补注公差及粗糙度' WHERE ECONo = 'C-02'",
     "UPDATE ECOFileChangeLabel SET ChangeCount = '3' WHERE ECONo = 'C-02'",
     "DELETE FROM ECOFileChangeLabel WHERE ECONo = 'C-02'",
     "SELECT ChangeCount FROM ECOFileChangeLabel WHERE ECONo = 'C-02'",
     "2",
     "SELECT Content FROM ECOFileChangeLabel WHERE ECONo = 'C-02'",
     "补注公差及粗糙度",
     kDeleted,
     nullptr,
     "UPDATE ECOFileChangeLabel SET ChangeCount = '2' WHERE ECONo = 'C-02'"},
    {"AssistingReviewTaskOfAChangeOrder",
     {},
     [](vq::ScriptedUser& user, const auto& atForm) {
         CECONextAuditTaskItemDlg dlg;
         dlg.m_strECOGroup = "更改单";
         dlg.m_strECONo = "C-02";
         dlg.m_strUpAuditName = "校对[N]";
         dlg.m_strAuditName = "校对[1]";
         atForm(user.Dialog("更改单—协助评审任务"));
         dlg.DoModal();
     },
     [](vq::ScriptedUser& user) { user.Set(CECONextAuditTaskItemDlg::kRequestId, "核对尺寸及公差"); },
     OkClick,
     CancelClick,
     "工作要求",
     "UPDATE ECONextAuditManage SET Auditor = 'wangwu' WHERE ECONo = 'C-02'",
     "UPDATE ECONextAuditManage SET AuditRequest = '他人要求' WHERE ECONo = 'C-02'",
     "DELETE FROM ECONextAuditManage WHERE ECONo = 'C-02'",
     "SELECT AuditRequest FROM ECONextAuditManage WHERE ECONo = 'C-02'",
     "核对尺寸及公差",
     "SELECT Auditor FROM ECONextAuditManage WHERE ECONo = 'C-02'",
     "wangwu",
     "该记录已被其他用户删除，本次修改未保存。",
     "INSERT INTO ECONextAuditManage (ECOGroup, ECONo, UpAuditName, Assigner, AssignDate, AuditName, "
     "Auditor, "
     "BeginTime, AuditState, AuditRequest) VALUES ('更改单', 'C-02', '校对[N]', 'zhangsan', '2026-11-01', "
     "'校对[1]', 'lisi', '2026-11-01', '未完成', '核对尺寸')",
     "UPDATE ECONextAuditManage SET AuditRequest = '核对尺寸及公差' WHERE ECONo = 'C-02'"},
    {"DesignPartBelowAPart",
     {"TeamWorkPart.SaveDate"},
     [](vq::ScriptedUser& user, const auto& atForm) {
         CDesignPartDlg dlg;
         dlg.WorkID = "P1-01#001";
         dlg.PlaceInTree = 1;
         dlg.UpCode = "P-1";
         dlg.PartCode = "P-1-1";
         dlg.PartName = "底板";
         atForm(user.Dialog("增加设计零部件"));
         dlg.DoModal();
     },
     [](vq::ScriptedUser& user) { user.Set(teamwork::part_ids::kNote, "见图 4"); },
     OkClick,
     CancelClick,
     "备注",
     "UPDATE TeamWorkPart SET TrastUser = 'lisi', PartRev = 'B' WHERE PartCode = 'P-1-1'",
     "UPDATE TeamWorkPartTree SET Other1 = '他人备注' WHERE DCode = 'P-1-1'",
     "DELETE FROM TeamWorkPart WHERE PartCode = 'P-1-1'",
     "SELECT Other1 FROM TeamWorkPartTree WHERE DCode = 'P-1-1'",
     "见图 4",
     "SELECT TrastUser || PartRev FROM TeamWorkPart WHERE PartCode = 'P-1-1'",
     "lisiB",
     kDeleted,
     nullptr,
     "UPDATE TeamWorkPartTree SET Other1 = '见图 4' WHERE DCode = 'P-1-1'"},
};

enum class Meanwhile { OtherField, SameField, Deleted, SameValue, Remade };

const char* MeanwhileWrite(const MergeCase& c, Meanwhile meanwhile) {
    switch (meanwhile) {
    case Meanwhile::OtherField:
        return c.otherField;
    case Meanwhile::SameField:
        return c.sameField;
    case Meanwhile::Deleted:
        return c.deleteRow;
    case Meanwhile::SameValue:
        return c.sameValue;
    case Meanwhile::Remade:
        return c.remade;
    }
    return nullptr;
}

// Every dialect, case and write of another client that the case has.
std::vector<std::tuple<int, std::size_t, int>> MergeParams() {
    std::vector<std::tuple<int, std::size_t, int>> params;
    for (int type : {0, 2})
        for (std::size_t c = 0; c < kMerges.size(); ++c)
            for (int meanwhile = 0; meanwhile <= static_cast<int>(Meanwhile::Remade); ++meanwhile)
                if (MeanwhileWrite(kMerges[c], static_cast<Meanwhile>(meanwhile)))
                    params.emplace_back(type, c, meanwhile);
    return params;
}

using StoredRowMergeTest = StoredRowDialogTest<std::tuple<int, std::size_t, int>>;

std::string MergeTestName(const ::testing::TestParamInfo<std::tuple<int, std::size_t, int>>& info) {
    static const char* const kMeanwhile[] = {"OtherField", "SameField", "Deleted", "SameValue", "Remade"};
    return std::string(kMerges[std::get<1>(info.param)].name) + "_" + kMeanwhile[std::get<2>(info.param)] +
           (std::get<0>(info.param) == 2 ? "_Oracle" : "_SqlServer");
}

} // namespace

TEST_P(StoredRowMergeTest, WritesOnlyTheUsersChangeOverTheRowAsStoredNow) {
    const MergeCase& c = kMerges[std::get<1>(GetParam())];
    if (c.rows)
        ws.Execute(c.rows);
    const auto meanwhile = static_cast<Meanwhile>(std::get<2>(GetParam()));
    const char* write = MeanwhileWrite(c, meanwhile);
    const bool stores = meanwhile == Meanwhile::OtherField || meanwhile == Meanwhile::SameValue;
    const CString refusal = meanwhile == Meanwhile::Deleted || meanwhile == Meanwhile::Remade
                                ? CString(c.deletedText)
                                : CString("该记录已被其他用户修改（") + c.fieldCaption + "），本次修改未保存";
    Snapshot afterWrite;
    vq::ScriptedUser user;
    c.run(user, [&](vq::ScriptedUser& form) {
        form.Do([&](CDialog&) {
            ws.Execute(write);
            afterWrite = TakeSnapshot(c.stamped);
        });
        c.edit(form);
        c.store(form);
        if (!stores) {
            form.MessageContaining(refusal, IDOK);
            c.leave(form);
        }
    });
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    if (meanwhile == Meanwhile::OtherField) {
        EXPECT_EQ(ws.QueryText(c.userQuery), c.userValue);
        EXPECT_EQ(ws.QueryText(c.otherQuery), c.otherValue);
    } else if (meanwhile == Meanwhile::SameValue) {
        EXPECT_EQ(ws.QueryText(c.userQuery), c.userValue);
    } else {
        const Snapshot after = TakeSnapshot(c.stamped);
        EXPECT_TRUE(afterWrite == after) << Differences(afterWrite, after);
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, StoredRowMergeTest, ::testing::ValuesIn(MergeParams()), MergeTestName);

TEST_P(StoredRowUnchangedOkTest, LeavesEveryRowAsItWasButItsStamps) {
    const Case& c = kCases[std::get<1>(GetParam())];
    if (c.prepare)
        c.prepare(ws);
    ASSERT_FALSE(HasFatalFailure());
    const Snapshot before = TakeSnapshot(c.stamped);
    vq::ScriptedUser user;
    c.run(user);
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    const Snapshot after = TakeSnapshot(c.stamped);
    EXPECT_TRUE(before == after) << Differences(before, after);
}

INSTANTIATE_TEST_SUITE_P(Dialogs, StoredRowUnchangedOkTest,
                         ::testing::Combine(vqtest::DbWorkspace::Types(),
                                            ::testing::Range<std::size_t>(0, kCases.size())),
                         [](const ::testing::TestParamInfo<std::tuple<int, std::size_t>>& info) {
                             return std::string(kCases[std::get<1>(info.param)].name) +
                                    (std::get<0>(info.param) == 2 ? "_Oracle" : "_SqlServer");
                         });
