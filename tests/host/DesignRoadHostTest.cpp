// The main road of design work, driven through the host on the demo data with the demo documents
// on an FTP server, in both dialects: a project is created and divided into a work-group task,
// the task into a work task, which its manager accepts and gives a part; a drawing of that part
// is submitted for review and reviewed level by level (a fail that returns it to its designer and
// is resubmitted from the failed step, an assisting review on the step that needs one) until it
// is released; the states of the task tree and of the work's part tree are checked on the way.
#include "core/ComError.h"
#include "platform/base/Collections.h"
#include "platform/base/Time.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/FtpServer.h"
#include "tests/support/HostProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Date(int daysFromToday) {
    return (CTime::GetCurrentTime() + CTimeSpan(daysFromToday, 0, 0, 0)).Format("%Y-%m-%d").str();
}

class DesignRoadHost : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        std::ifstream file(VQ_SOURCE_DIR "/schema/sqlite/demo.sql");
        std::stringstream text;
        text << file.rdbuf();
        vqtest::DbWorkspace::RunScript(ws.Connect(), CString(text.str()));
        ASSERT_TRUE(ftp.IsRunning());
        std::filesystem::copy(VQ_SOURCE_DIR "/schema/demo-files", ftp.Root().str(),
                              std::filesystem::copy_options::recursive);
        vqtest::ConfigRow row;
        row.domainName = "127.0.0.1:" + CString(std::to_string(ftp.Port()));
        ws.SetConfig(row);
    }

    // Runs one entry function headless with a script; the host's output.
    std::string Host(const std::string& script, const std::string& call) {
        const CString path = ws.WriteFile(CString("in/step" + std::to_string(++m_steps) + ".script"), script);
        const vqtest::HostRun run = vqtest::RunHost("--headless --script " + path.str() + " " + call);
        EXPECT_EQ(run.status, 0) << call << "\n" << run.out;
        return run.out;
    }
    static bool Returned(const std::string& out, const char* result) {
        return out.find(std::string("result: ") + result) != std::string::npos;
    }
    std::string Q(const std::string& sql) const { return ws.QueryText(CString(sql)).str(); }
    // The first column of every row, sorted and joined by ",".
    std::string Rows(const std::string& sql) const {
        std::vector<std::string> rows;
        _ConnectionPtr connection = ws.Connect();
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(CString(sql), connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            rows.push_back(VariantToString(rs->GetCollect(0L)).str());
            rs->MoveNext();
        }
        rs->Close();
        std::sort(rows.begin(), rows.end());
        std::string joined;
        for (const std::string& row : rows)
            joined += (joined.empty() ? "" : ",") + row;
        return joined;
    }
    std::string Steps() const {
        return Rows("SELECT AuditTask || ':' || Auditor || ':' || State || ':' || coalesce(Result, '') FROM "
                    "TeamWorkAudit WHERE FileID='F-0901'");
    }
    std::string DocumentState() const { return Q("SELECT State FROM TeamWorkResult WHERE FileID='F-0901'"); }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::FtpServer ftp;
    int m_steps = 0;
};

TEST_P(DesignRoadHost, AProjectFromItsCreationToAReleasedDrawing) {
    // The project manager creates the project ...
    std::string out = Host("dialog \"设计项目管理\"\n"
                           "click 1106\n"
                           "dialog \"项目/任务项属性\"\n"
                           "set 1001 \"XM-09\"\n"
                           "set 1003 \"机座改型\"\n"
                           "set 1006 \"" + Date(60) + "\"\n"
                           "click 1\n"
                           "dialog \"设计项目管理\"\n"
                           "click 2\n",
                           "DesignProjectManageMain admin 0");
    EXPECT_TRUE(Returned(out, "1")) << out;
    EXPECT_EQ(Q("SELECT ProjectPath || '|' || WorkState || '|' || TaskType FROM ProjectManage WHERE ProjectNo='XM-09'"),
              "项目管理|未开始|V");

    // ... divides it into a work-group task (the work breakdown needs the file server) ...
    out = Host("dialog \"设计项目结构管理 — WBS分解\"\n"
               "click \"划分任务...\"\n"
               "dialog \"项目/任务项属性\"\n"
               "set 1003 \"机座结构设计\"\n"
               "set 1006 \"" + Date(50) + "\"\n"
               "select 1014 1\n"
               "click 1\n"
               "dialog \"设计项目结构管理 — WBS分解\"\n"
               "click 2\n",
               "AssignProjectTaskMain XM-09 admin 0");
    EXPECT_TRUE(Returned(out, "1")) << out;
    EXPECT_EQ(Q("SELECT ProjectNo || '|' || ProjectPath || '|' || WorkState || '|' || TaskType FROM ProjectManage "
                "WHERE ProjectName='机座结构设计'"),
              "XM-09-01|机座改型\\|未开始|T");

    // ... and the work group's manager divides the task into a work task.
    out = Host("dialog \"设计工作组工作管理\"\n"
               "tree 1050 \"项目：机座改型[XM-09] 下的任务：机座结构设计[XM-09-01]...\"\n"
               "click \"划分任务...\"\n"
               "dialog \"工作任务分解\"\n"
               "set \"工作名称\" \"机座设计\"\n"
               "set \"工作内容\" \"机座零件图\"\n"
               "set \"开始时间\" \"" + Date(0) + "\"\n"
               "set \"报警时间\" \"" + Date(20) + "\"\n"
               "set \"完成时间\" \"" + Date(40) + "\"\n"
               "click 1\n"
               "dialog \"设计工作组工作管理\"\n"
               "click \"退出\"\n",
               "AssignTeamTaskMain XM-09 XM-09-01 admin 0 0");
    EXPECT_TRUE(Returned(out, "1")) << out;
    EXPECT_EQ(Q("SELECT UpWorkID || '|' || Manager || '|' || WorkType || '|' || WorkState FROM TeamWorkManage "
                "WHERE WorkID='XM-09-01#001'"),
              "XM-09-01|admin|W|待确认");
    // The task tree is under way from the project down; the work waits for its manager.
    EXPECT_EQ(Q("SELECT WorkState FROM ProjectManage WHERE ProjectNo='XM-09'"), "正进行中");
    EXPECT_EQ(Q("SELECT WorkState FROM ProjectManage WHERE ProjectNo='XM-09-01'"), "正进行中");

    // The work's manager accepts it and adds the part it designs.
    out = Host("message \"该任务尚处于待确认状态，是否接受此任务?\" IDYES\n"
               "dialog \"设计产品结构管理\"\n"
               "click \"新建零部件...\"\n"
               "dialog \"增加设计零部件\"\n"
               "set \"零部件图号\" \"P-9000-01\"\n"
               "set \"零部件图名\" \"机座\"\n"
               "click 1\n"
               "dialog \"设计产品结构管理\"\n"
               "tree 1070 \"任务：机座结构设计[XM-09-01] 下的工作：机座设计[XM-09-01#001].../机座 [P-9000-01]\"\n"
               "click \"退出\"\n",
               "AssignTaskPartMain XM-09-01#001 admin 0");
    EXPECT_TRUE(Returned(out, "1")) << out;
    EXPECT_EQ(Q("SELECT WorkState FROM TeamWorkManage WHERE WorkID='XM-09-01#001'"), "正进行中");
    EXPECT_EQ(Q("SELECT UpCode || '|' || DName FROM TeamWorkPartTree WHERE WorkID='XM-09-01#001' AND "
                "DCode='P-9000-01'"),
              "XM-09-01#001|机座");
    EXPECT_EQ(Q("SELECT PartRev || '|' || UserName || '|' || State FROM TeamWorkPart WHERE WorkID='XM-09-01#001' "
                "AND PartCode='P-9000-01'"),
              "A|admin|分配");

    // The drawing of the part is handed in by the drawing program (not part of this module): its
    // row with a review path whose second level has a step that needs assisting reviews.
    ws.Execute("INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('三级协审', '混合', "
               "'校对(40,20)|*|审核[N](40,110)|*|工艺审查(240,110)|*|批准(40,200)')");
    ws.Execute("INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, FileSize, FileDate, FileType, "
               "SaveDate, State, AuditingModel, AuditorName, AuditingType, PartCode) VALUES ('F-0901', "
               "'XM-09-01#001', '机座零件图', 'P-9000-01.dwg', '6', '2026-12-07 10:00:00', 'AutoCAD 图形', "
               "'2026-12-07 10:05:00', '工作中', '三级协审', 'zhaoliu|*|zhangsan|*|wangwu|*|admin', '混合', "
               "'P-9000-01')");
    ftp.WriteFile("Vq/Working/F-0901.dwg", ftp.ReadFile("Vq/Working/F-0001.dwg"));

    out = Host("", "SendDesignFileToAudit F-0901 admin admin");
    EXPECT_TRUE(Returned(out, "1")) << out;
    EXPECT_EQ(Steps(), "校对:zhaoliu:未完成:");
    EXPECT_EQ(DocumentState(), "评审");

    const std::string pass = "dialog \"评审意见\"\nset 1001 \"同意\"\ncheck 1002 1\nclick 1\n";
    out = Host(pass, "DoTeamTaskAudit F-0901 zhaoliu 校对");
    EXPECT_TRUE(Returned(out, "1")) << out;
    EXPECT_EQ(Steps(), "审核[N]:zhangsan:未完成:,工艺审查:wangwu:未完成:,校对:zhaoliu:已完成:通过");

    // The process check fails: the drawing goes back to its designer ...
    out = Host("dialog \"评审意见\"\nset 1001 \"未注铸造圆角\"\ncheck 1003 1\nclick 1\n",
               "DoTeamTaskAudit F-0901 wangwu 工艺审查");
    EXPECT_TRUE(Returned(out, "1")) << out;
    EXPECT_EQ(DocumentState(), "更改");
    EXPECT_EQ(Q("SELECT Content FROM MessageManage WHERE Reseiver='admin' AND Content LIKE '对不起%F-0901%'"),
              "对不起，您提交的工作文档： 机座零件图 [F-0901] 在 工艺审查 未评审通过，需要再修改");
    // ... who resubmits it from the step that failed it: that step opens again, 校对 stays passed.
    out = Host("dialog \"设计文档评审提交\"\ncheck \"从\\\"不通过\\\"处开始\" 1\nclick 1\n",
               "SendDesignFileToAudit F-0901 admin admin");
    EXPECT_TRUE(Returned(out, "1")) << out;
    EXPECT_EQ(DocumentState(), "评审");
    EXPECT_EQ(Steps(), "审核[N]:zhangsan:未完成:,工艺审查:wangwu:未完成:,校对:zhaoliu:已完成:通过");
    out = Host(pass, "DoTeamTaskAudit F-0901 wangwu 工艺审查");
    EXPECT_TRUE(Returned(out, "1")) << out;

    // 审核 needs an assisting review: its reviewer gives one to lisi and cannot decide yet.
    out = Host("message \"此评审任务需要分配下级协助评审任务...\" IDOK\n"
               "dialog \"评审意见\"\n"
               "click 1008\n"
               "dialog \"设计过程—协助评审任务管理\"\n"
               "click 1002\n"
               "dialog \"用户浏览 - 选择组(多用户)\"\n"
               "select 1059 \"lisi\"\n"
               "click 1\n"
               "dialog \"设计过程—协助评审任务管理\"\n"
               "click 2\n"
               "dialog \"评审意见\"\n"
               "click 2\n",
               "DoTeamTaskAudit F-0901 zhangsan '审核[N]'");
    EXPECT_TRUE(Returned(out, "0")) << out;
    EXPECT_EQ(Q("SELECT AuditTask || ':' || Auditor || ':' || State FROM TeamWorkNextAudit WHERE FileID='F-0901'"),
              "审核[1]:lisi:未完成");
    EXPECT_EQ(Q("SELECT Content FROM MessageManage WHERE Reseiver='lisi' AND Content LIKE '%F-0901%'"),
              "辛苦了， 需要您对工作组任务 F-0901 进行 审核[N] 的协助评审");
    // The assisting reviewer records his result through the entry function for several documents
    // (lists of documents and steps, here one of each).
    out = Host("dialog \"评审意见\"\n"
               "set 1001 \"基准可以\"\n"
               "check 1002 1\n"
               "click 1\n",
               "DoMultiTeamTaskAuditEx F-0901 lisi '审核[1]' XM-09-01#001 0 1");
    EXPECT_TRUE(Returned(out, "1")) << out;
    EXPECT_EQ(Q("SELECT State || ':' || Result FROM TeamWorkNextAudit WHERE FileID='F-0901'"), "已完成:通过");
    out = Host(pass, "DoTeamTaskAudit F-0901 zhangsan '审核[N]'");
    EXPECT_TRUE(Returned(out, "1")) << out;
    EXPECT_EQ(Steps(), "审核[N]:zhangsan:已完成:通过,工艺审查:wangwu:已完成:通过,批准:admin:未完成:,"
                       "校对:zhaoliu:已完成:通过");

    // The approval releases the drawing.
    out = Host(pass, "DoTeamTaskAudit F-0901 admin 批准");
    EXPECT_TRUE(Returned(out, "1")) << out;
    EXPECT_EQ(DocumentState(), "正式");
    EXPECT_EQ(Q("SELECT count(*) FROM TeamWorkAudit WHERE FileID='F-0901' AND State='已完成' AND Result='通过'"), "4");

    // The counter-signing of the released drawing is the drawing program's; once it is there the
    // work's manager marks the work complete. The task and the project stay under way: the
    // project task has its own submission and review.
    ws.Execute("UPDATE TeamWorkResult SET Other2='已反签' WHERE FileID='F-0901'");
    out = Host("dialog \"工作任务状态维护\"\n"
               "click \"标记完成...\"\n"
               "message \"是否进行完整性分析?\" IDNO\n"
               "message \"是否继续标记任务完成?\" IDYES\n"
               "message \"工作任务已标记为完成状态...\" IDOK\n"
               "click \"退出\"\n",
               "TeamWorkTaskStateMaintain XM-09-01#001 admin 0");
    EXPECT_TRUE(Returned(out, "1")) << out;
    EXPECT_EQ(Q("SELECT WorkState FROM TeamWorkManage WHERE WorkID='XM-09-01#001'"), "完成");
    EXPECT_EQ(Q("SELECT WorkState FROM ProjectManage WHERE ProjectNo='XM-09-01'"), "正进行中");
    EXPECT_EQ(Q("SELECT WorkState FROM ProjectManage WHERE ProjectNo='XM-09'"), "正进行中");
    EXPECT_EQ(Q("SELECT PartCode || '|' || State FROM TeamWorkPart WHERE WorkID='XM-09-01#001'"), "P-9000-01|分配");
}

INSTANTIATE_TEST_SUITE_P(Dialects, DesignRoadHost, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);

} // namespace
