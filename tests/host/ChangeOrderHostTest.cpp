// The host opens the change notice of the demo headless: its preparer stores a change in
// "临时", another user only looks; the assisting-review tasks of a step open display-only.
#include "changeorders/ECOChangeItemDlg.h"
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

TEST(ChangeOrderHost, ThePreparerStoresAChangeOfHisTemporaryNotice) {
    vqtest::DbWorkspace ws(0);
    LoadDemo(ws);
    CString lines;
    lines.Format("dialog \"更改通知单 - 改底图\"\n"
                 "set %d \"SC-0104\"\n"
                 "set %d \"箱座加强筋\"\n"
                 "click \"确定\"\n"
                 "dialog \"操作提示\"\n"
                 "click \"临时\"\n",
                 CECOChangeItemDlg::kAffectNoId, CECOChangeItemDlg::kRemarkId);
    const CString script = ws.WriteFile("in/store.script", lines.str());
    const vqtest::HostRun run =
        vqtest::RunHost("--headless --script " + script.str() + " ShowECOChanageItemData JX-2026-004 lisi");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
    EXPECT_EQ(ws.QueryText("SELECT State || '/' || AffectNo || '/' || Remark FROM ECOChangeManage WHERE "
                           "ECONo='JX-2026-004'"),
              "临时/SC-0104/箱座加强筋");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM ECOChangePart WHERE ECONo='JX-2026-004'"), "1");
}

TEST(ChangeOrderHost, AnotherUserOnlyLooksAndTheTaskListShowsDisplayOnly) {
    vqtest::DbWorkspace ws(0);
    LoadDemo(ws);
    const CString look = ws.WriteFile("in/look.script", "dialog \"更改通知单 - 改底图\"\n"
                                                        "click \"取消\"\n");
    vqtest::HostRun run =
        vqtest::RunHost("--headless --script " + look.str() + " ShowECOChanageItemData JX-2026-004 zhangsan");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
    EXPECT_EQ(ws.QueryText("SELECT AffectNo FROM ECOChangeManage WHERE ECONo='JX-2026-004'"), "");

    const CString tasks = ws.WriteFile("in/tasks.script", "dialog \"更改单—协助评审任务管理\"\n"
                                                         "click \"退出\"\n");
    run = vqtest::RunHost("--headless --script " + tasks.str() +
                          " ECOAssignNextAuditTaskShow 更改单 JX-2026-002 校对[N] zhaoliu");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
}
