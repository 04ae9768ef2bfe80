// The host runs the label browser of a change order headless on the demo workspace: the dialog is
// printed with the order's attached drawings, a drawing is chosen and its labels listed, and the
// label management of that drawing opens from it.
#include "tests/support/DemoWorkspace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using vqtest::DemoWorkspace;
using vqtest::ShellRun;

TEST(ECOChangeLableHost, BrowserOfADemoOrderListsItsDrawingsAndOpensTheManagement) {
    DemoWorkspace demo;
    demo.SetServers(false);
    const std::string script = "dialog \"设计更改标记浏览\"\n"
                               "select 1002 \"箱盖零件图\"\n"
                               "select 1001 \"2\"\n"
                               "click 1003\n"
                               "dialog \"设计更改标记管理\"\n"
                               "click 2\n"
                               "dialog \"设计更改标记浏览\"\n"
                               "click 2\n";
    // Showing the drawing scales it on Qt's pooled threads; the host ends them before it exits,
    // so the leak check at its exit runs and passes.
    const ShellRun run = demo.Host(script, "ECOChangeLableBrowseMain 更改单 JX-2026-002 zhangsan");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("设计更改标记浏览"), std::string::npos) << run.out;
    // The drawing is listed with its type, size, date and remark; the order's own sheet and the
    // calculation are not. The management lists the drawing's two labels.
    EXPECT_NE(run.out.find("  list 1002: 文件说明 | 文件类型 | 大小 | 文件日期 | 备注\n"
                           "    箱盖零件图 | AutoCAD 图形 | 4 | 2026-11-12 09:40 | 吊耳位置调整后\n"
                           "  list 1001: 更改标记 | 分区 | 处数\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("    2 | C3 | 2 | P-1000-01-02 | 张三 | 2026-11-12"), std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("_VQ_ECO"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("吊耳强度计算"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("设计更改标记管理"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
}
