// The execution status of the demo workspace's housing task: the demo's task log gives two
// design cycles with a review, a resubmission and a visible pie (VQ_SCREENSHOT_DIR saves it).
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ScriptedUser.h"
#include "projects/TaskExecutionDlg.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

// The demo data without its comment lines.
CString DemoScript() {
    std::ifstream in(VQ_SOURCE_DIR "/schema/sqlite/demo.sql", std::ios::binary);
    std::string line;
    std::string script;
    while (std::getline(in, line))
        if (line.rfind("--", 0) != 0)
            script += line + "\n";
    return CString(script);
}

} // namespace

TEST(TaskExecutionDemoTest, HousingTaskOfTheDemo) {
    vqtest::DbWorkspace ws(0);
    ws.Execute(DemoScript());
    theApp.m_pConnPDM = ws.Connect();
    theApp.m_nDatabaseType = 0;
    theApp.m_nAdoCloseMode = 1;
    vq::ScriptedUser user;
    user.Dialog("任务执行情况")
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CTaskExecutionDlg&>(d);
            EXPECT_EQ(dlg.m_strTaskName, "箱体结构设计");
            EXPECT_EQ(dlg.m_bChangeNotice, 1);
            CPieChartCtrl& pie = dlg.PieChart();
            ASSERT_EQ(pie.GetSliceCount(), 3);
            EXPECT_GT(pie.GetSlice(0)->m_value, 0);
            EXPECT_GT(pie.GetSlice(1)->m_value, 0);
            EXPECT_EQ(pie.GetSlice(0)->m_value + pie.GetSlice(1)->m_value + pie.GetSlice(2)->m_value, 360);
        })
        .Click(IDCANCEL);
    CTaskExecutionDlg dlg;
    dlg.m_strTaskNo = "XM-01-01";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    theApp.m_pConnPDM = nullptr;
}
