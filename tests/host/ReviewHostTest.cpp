// The host shows the review path of a demo work document headless through ShowTeamTaskAuditFlow.
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

TEST(ReviewHost, ShowTeamTaskAuditFlowShowsTheDocumentsPathReadOnly) {
    vqtest::DbWorkspace ws(0);
    LoadDemo(ws);
    // The dialog is read-only: its OK cannot be pressed, only the close box.
    const CString script = ws.WriteFile("in/flow.script", "dialog \"任务评审流程图\"\n"
                                                          "close\n");
    vqtest::HostRun run =
        vqtest::RunHost("--headless --script " + script.str() + " ShowTeamTaskAuditFlow F-0005 zhangsan 0");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("任务评审流程图"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
    // A document without a row opens nothing.
    const CString none = ws.WriteFile("in/none.script", "");
    run = vqtest::RunHost("--headless --script " + none.str() + " ShowTeamTaskAuditFlow F-9999 zhangsan 0");
    EXPECT_EQ(run.out.find("任务评审流程图"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("result: 0"), std::string::npos) << run.out;
}

TEST(ReviewHost, TheFourPlaceholderEntriesAnswerOne) {
    vqtest::DbWorkspace ws(0);
    const CString none = ws.WriteFile("in/none.script", "");
    for (const char* entry : {"ShowProjectTaskAuditFlow", "ShowProjectTaskAuditResult",
                              "ShowTeamTaskAuditHistory", "ShowProjectTaskAuditHistory"}) {
        const vqtest::HostRun run =
            vqtest::RunHost("--headless --script " + none.str() + " " + entry + " a b 0");
        EXPECT_NE(run.out.find("result: 1"), std::string::npos) << entry << run.out;
    }
}
