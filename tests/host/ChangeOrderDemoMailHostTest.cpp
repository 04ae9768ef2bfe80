// On the demo workspace the change notice's publishing mail goes to the demo's own mail server
// (the settings the workspace's servers write name it as "address:port") and lands in its folder;
// the two roads the README walks on the demo run as the README writes them.
#include "tests/support/DemoWorkspace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const kStoreFormal = "dialog \"更改通知单 - 改底图\"\n"
                                 "click \"确定\"\n"
                                 "dialog \"操作提示\"\n"
                                 "click \"正式\"\n";

// The lines of the code blocks of a section of README.md, from its heading to the next heading.
std::string ReadmeSection(const std::string& heading) {
    std::ifstream in(VQ_SOURCE_DIR "/README.md");
    std::string code;
    bool inSection = false, inBlock = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("```", 0) == 0) {
            inBlock = !inBlock;
            continue;
        }
        if (!inBlock && line.rfind("#", 0) == 0) {
            inSection = line == heading;
            continue;
        }
        if (inSection && inBlock)
            code += line + "\n";
    }
    return code;
}

// Runs the lines of a README section as one shell script, stopping at the first command that
// fails, from a folder whose scripts/run opens the host of this build on the demo workspace (as
// scripts/run does, without building); /tmp/ stands for a folder of the run's own.
vqtest::ShellRun RunReadmeRoad(const vqtest::DemoWorkspace& demo, std::string lines) {
    const std::filesystem::path dir = demo.Dir().string() + "-road";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "scripts");
    std::filesystem::create_directories(dir / "tmp");
    std::ofstream(dir / "scripts" / "run") << "#!/usr/bin/env bash\nexec bash '" VQ_SOURCE_DIR
                                              "/scripts/demo-workspace' '" VQ_BINARY_DIR "' \"$@\"\n";
    std::filesystem::permissions(dir / "scripts" / "run", std::filesystem::perms::owner_all);
    const std::string tmp = (dir / "tmp").string() + "/";
    for (std::size_t at = lines.find("/tmp/"); at != std::string::npos;
         at = lines.find("/tmp/", at + tmp.size()))
        lines.replace(at, 5, tmp);
    std::ofstream(dir / "road.sh") << "set -euo pipefail\n" << lines;
    vqtest::ShellRun run =
        vqtest::Shell("cd '" + dir.string() + "' && VQ_DEMO_DIR='" + demo.Dir().string() + "' bash road.sh");
    std::filesystem::remove_all(dir);
    return run;
}

// The workspace itself and what lies in it that another user could enter, read or write, by path.
std::vector<std::string> OpenToOthers(const std::filesystem::path& dir) {
    using std::filesystem::perms;
    std::vector<std::string> open;
    const auto check = [&open](const std::filesystem::path& path,
                               const std::filesystem::file_status& status) {
        if ((status.permissions() & (perms::group_all | perms::others_all)) != perms::none)
            open.push_back(path.string());
    };
    check(dir, std::filesystem::symlink_status(dir));
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
        if (!entry.is_symlink())
            check(entry.path(), entry.symlink_status());
    return open;
}

} // namespace

TEST(ChangeOrderRoadDemo, ThePublishingMailLandsInTheDemosMailFolder) {
    vqtest::DemoWorkspace demo;
    // The first run makes the workspace; the group is then set to publish without review.
    const std::string look = "dialog \"更改通知单 - 改底图\"\nclick \"取消\"\n";
    vqtest::ShellRun run = demo.Host(look, "ShowECOChanageItemData JX-2026-004 lisi");
    ASSERT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
    demo.Query("UPDATE ECOConfigure SET ConfigureValue='2' WHERE ConfigureGroup='更改单' AND "
               "ConfigureType='评审方式'");

    run = demo.Host(kStoreFormal, "ShowECOChanageItemData JX-2026-004 lisi");
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
    EXPECT_EQ(demo.Query("SELECT State FROM ECOChangeManage WHERE ECONo='JX-2026-004'"), "正式");
    EXPECT_EQ(demo.Query("SELECT count(*) FROM ECOPartRelease WHERE ECONo='JX-2026-004'"), "1");

    std::string mails;
    if (std::filesystem::is_directory(demo.Dir() / "mail"))
        for (const auto& entry : std::filesystem::directory_iterator(demo.Dir() / "mail")) {
            std::ifstream file(entry.path(), std::ios::binary);
            std::stringstream text;
            text << file.rdbuf();
            mails += text.str();
        }
    EXPECT_NE(mails.find("zhangsan@localhost"), std::string::npos) << run.out;
    EXPECT_NE(mails.find("vqpdm@demo.local"), std::string::npos) << run.out;

    // The workspace, with the database account of vqdetail.mdb and the mails, is the user's alone,
    // and an earlier one open to others is closed on the next run.
    ASSERT_TRUE(std::filesystem::exists(demo.Dir() / "system" / "vqdetail.mdb"));
    EXPECT_EQ(OpenToOthers(demo.Dir()), std::vector<std::string>{});
    std::filesystem::permissions(demo.Dir(), std::filesystem::perms(0755));
    std::filesystem::permissions(demo.Dir() / "system" / "vqdetail.mdb", std::filesystem::perms(0644));
    std::filesystem::permissions(demo.Dir() / "mail", std::filesystem::perms(0755));
    run = demo.Host(look, "ShowECOChanageItemData JX-2026-004 lisi");
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
    EXPECT_EQ(OpenToOthers(demo.Dir()), std::vector<std::string>{});
}

// The work document's review as the README walks it: submitted, decided level by level, released.
TEST(ReadmeRoadsDemo, AWorkDocumentsReviewRunsAsTheReadmeWritesIt) {
    const std::string lines = ReadmeSection("### A work document's review on the demo");
    ASSERT_NE(lines.find("SendDesignFileToAudit F-0005"), std::string::npos) << lines;
    vqtest::DemoWorkspace demo;
    const vqtest::ShellRun run = RunReadmeRoad(demo, lines);
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(demo.Query("SELECT State FROM TeamWorkResult WHERE FileID='F-0005'"), "正式") << run.out;
    EXPECT_EQ(
        demo.Query(
            "SELECT group_concat(AuditTask || ':' || Auditor || ':' || State || ':' || Result, ',') FROM "
            "(SELECT * FROM TeamWorkAudit WHERE FileID='F-0005' ORDER BY AuditTask)"),
        "审核:zhangsan:已完成:通过,工艺审查:wangwu:已完成:通过,批准:admin:已完成:通过,校对:zhaoliu:已完成:"
        "通过");
    EXPECT_NE(run.out.find("dialog \"任务评审流程图\""), std::string::npos) << run.out;
}

// The change notice's road as the README walks it: a notice that failed its review goes to review
// again at the failed step; a notice without review gets its drawing and a label, and is
// published: released, its mail in the demo's mail folder, listed in the part's change history.
TEST(ReadmeRoadsDemo, AChangeNoticesRoadRunsAsTheReadmeWritesIt) {
    const std::string lines = ReadmeSection("### A change notice's road on the demo");
    ASSERT_NE(lines.find("ShowECOChanageItemData JX-2026-004 lisi"), std::string::npos) << lines;
    vqtest::DemoWorkspace demo;
    const vqtest::ShellRun run = RunReadmeRoad(demo, lines);
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(demo.Query("SELECT State FROM ECOChangeManage WHERE ECONo='JX-2026-003'"), "评审") << run.out;
    EXPECT_EQ(
        demo.Query("SELECT Auditor || ':' || AuditState FROM ECOAuditManage WHERE ECONo='JX-2026-003' AND "
                   "AuditName='审核'"),
        "zhangsan:未完成");
    EXPECT_EQ(demo.Query("SELECT State FROM ECOChangeManage WHERE ECONo='JX-2026-004'"), "正式");
    EXPECT_EQ(
        demo.Query("SELECT FileName FROM ECORelateFile WHERE ECONo='JX-2026-004' AND DocType='箱座零件图'"),
        "P-1000-01-01.dwg");
    EXPECT_EQ(
        demo.Query("SELECT ChangeLabel || '/' || Content FROM ECOFileChangeLabel WHERE ECONo='JX-2026-004'"),
        "1/箱座壁厚由12改为14");
    EXPECT_EQ(demo.Query("SELECT PartCode FROM ECOPartRelease WHERE ECONo='JX-2026-004'"), "P-1000-01-01");
    EXPECT_NE(demo.Query("SELECT count(*) FROM MessageManage WHERE Reseiver='zhangsan' AND Content LIKE "
                         "'%JX-2026-004 已发布%'"),
              "0");
    // The mail printed from the mail folder, and the change history that lists the notice.
    const std::size_t mail = run.out.find("RCPT TO:");
    ASSERT_NE(mail, std::string::npos) << run.out;
    EXPECT_NE(run.out.find("zhangsan@localhost", mail), std::string::npos) << run.out;
    const std::size_t history = run.out.find("dialog \"零部件更改历史\"");
    ASSERT_NE(history, std::string::npos) << run.out;
    EXPECT_NE(run.out.find("JX-2026-004", history), std::string::npos) << run.out;
}
