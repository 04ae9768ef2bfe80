// The host runs the design product structure of a work task headless on the demo data: the
// manager of a pending work accepts it and adds a part to its structure through the
// add-design-part dialog.
#include "platform/db/Ado.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/HostProcess.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

void LoadDemo(const vqtest::DbWorkspace& ws) {
    std::ifstream file(VQ_SOURCE_DIR "/schema/sqlite/demo.sql");
    std::stringstream text;
    text << file.rdbuf();
    vqtest::DbWorkspace::RunScript(ws.Connect(), CString(text.str()));
}

} // namespace

TEST(TaskPartHost, AssignTaskPartMainAddsAPartThroughTheDesignPartDialog) {
    vqtest::DbWorkspace ws(0);
    LoadDemo(ws);
    const CString script =
        ws.WriteFile("in/part.script", "message \"该任务尚处于待确认状态，是否接受此任务?\" IDYES\n"
                                       "dialog \"设计产品结构管理\"\n"
                                       "click \"新建零部件...\"\n"
                                       "dialog \"增加设计零部件\"\n"
                                       "set \"零部件图号\" \"P-1000-05\"\n"
                                       "set \"零部件图名\" \"透气塞\"\n"
                                       "set \"备注\" \"箱盖附件\"\n"
                                       "click 1\n"
                                       "dialog \"设计产品结构管理\"\n"
                                       "tree 1070 \"任务：箱体结构设计[XM-01-01] 下的工作：箱盖附件设计"
                                       "[XM-01-01#002].../透气塞 [P-1000-05]\"\n"
                                       "click \"退出\"\n");
    const vqtest::HostRun run =
        vqtest::RunHost("--headless --script " + script.str() + " AssignTaskPartMain XM-01-01#002 zhaoliu 0");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("增加设计零部件"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
    EXPECT_EQ(ws.QueryText("SELECT UpCode || '|' || DName || '|' || Other1 FROM TeamWorkPartTree WHERE "
                           "WorkID='XM-01-01#002' AND DCode='P-1000-05'"),
              "XM-01-01#002|透气塞|箱盖附件");
    EXPECT_EQ(ws.QueryText(
                  "SELECT WorkID || '|' || PartName || '|' || PartRev || '|' || UserName || '|' || UsedFlag "
                  "|| '|' || State FROM TeamWorkPart WHERE PartCode='P-1000-05'"),
              "XM-01-01#002|透气塞|A|zhaoliu|0|分配");
    EXPECT_EQ(ws.QueryText("SELECT WorkState FROM TeamWorkManage WHERE WorkID='XM-01-01#002'"), "正进行中");
}

TEST(TaskPartHost, AssignTaskPartMainReturnsZeroWhenTheUserOnlyLooks) {
    vqtest::DbWorkspace ws(0);
    LoadDemo(ws);
    const CString script = ws.WriteFile("in/look.script", "dialog \"设计产品结构管理\"\n"
                                                          "click \"退出\"\n");
    const vqtest::HostRun run =
        vqtest::RunHost("--headless --script " + script.str() + " AssignTaskPartMain XM-01-01#001 lisi 0");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("result: 0"), std::string::npos) << run.out;
}
