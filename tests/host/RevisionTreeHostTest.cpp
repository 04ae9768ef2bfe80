// The host runs the drawing-number revision browser headless with a script.
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace {

std::string RunHost(const std::string& args, int* status) {
    const std::string cmd = std::string(VQ_BINARY_DIR) + "/host/vqhost " + args + " 2>&1";
    std::string out;
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe)
        return out;
    std::array<char, 4096> buf{};
    while (fgets(buf.data(), buf.size(), pipe))
        out += buf.data();
    const int raw = pclose(pipe);
    *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

} // namespace

TEST(RevisionTreeHost, ScriptBrowsesTheRevisionsOfAPart) {
    vqtest::DbWorkspace ws(0);
    ws.Execute(
        "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode, CurrentRev, LateRev) VALUES "
        "('P-1', '箱座', 'P', 'A', 'A');"
        "INSERT INTO Documents VALUES ('P-1', '零件图', 'p1.dwg', 'DWG', '10KB', '2026-11-02', '', 'A')");
    const CString script = ws.WriteFile("in/browse.script", "dialog \"浏览图号版本信息\"\n"
                                                            "tree 1009 \"图号 P-1 的版本信息.../A\"\n"
                                                            "click 1\n");
    int status = -1;
    const std::string out =
        RunHost("--headless --script " + script.str() + " BrowsePartReversionTree P-1 lisi", &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("浏览图号版本信息"), std::string::npos) << out;
    EXPECT_NE(out.find("result: 1"), std::string::npos) << out;
    // The part had no revision yet: its first one has been recorded.
    EXPECT_EQ(ws.QueryText("SELECT RevNumber FROM PartRevManage WHERE PartCode='P-1'"), "A");
}
