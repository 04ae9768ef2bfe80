// Runs the host program as a person or a script would and reads what it prints.
#include "tests/support/HostProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using vqtest::HostRun;
using vqtest::RunHost;
using vqtest::RunHostMeasured;

TEST(Host, ListsTheExportedEntryFunctionsWithTheirArguments) {
    HostRun r = RunHost("--list");
    EXPECT_EQ(r.status, 0) << r.out;
    // Each argument by its name and kind; an entry that opens no dialog says so.
    EXPECT_NE(r.out.find("ShowProjectTaskAuditFlow (未用 text, 未用 text, 未用 int) -> int  项目任务审核流程 (无对话框)"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("ECOAssignNextAuditFlatroof (未用 text, 未用 text, 未用 text, 未用 text) -> int"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("DoTeamTaskAudit (文档编号 text, 登录帐号 login, 评审步骤 text) -> int  评审意见 — 一个工作文档"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("DoMultiTeamTaskAuditEx (文档编号列表 list, 登录帐号 login, 评审步骤列表 list, 工作编号 text, "
                         "委托评审 int, 协助评审 int) -> int"),
              std::string::npos)
        << r.out;
    // Each with the caption of the dialog it opens and its subsystem, as the menus show them.
    EXPECT_NE(r.out.find("ImportProductDataFromFile (未用 text, 登录帐号 login) -> int  产品结构数据导入  @零部件与产品结构"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("ConfigureTaskItemColor () -> int  配置任务项显示颜色  @公共控件"), std::string::npos)
        << r.out;
    // In the order of the system's entry table, not by name.
    const std::size_t manage = r.out.find("DesignProjectManageMain ");
    const std::size_t item = r.out.find("CreateNewProjectTaskItem ");
    const std::size_t audit = r.out.find("DoTeamTaskAudit ");
    const std::size_t notice = r.out.find("ShowECOChanageItemData ");
    EXPECT_EQ(manage, r.out.find_first_not_of(" \n")) << r.out;
    EXPECT_LT(manage, item);
    EXPECT_LT(item, audit);
    EXPECT_LT(audit, notice);
    EXPECT_EQ(r.out.find('\n', notice), r.out.size() - 1) << "the change notice is the table's last entry";
}

// Loading the library reads the settings only where an installation is named: without one the
// host starts without a message box (the entry call that needs the settings says it once).
TEST(Host, LoadsWithoutAnInstallationWithoutMessageBoxes) {
    const std::filesystem::path empty = std::filesystem::temp_directory_path() /
                                        ("vqhost-noinstall-" + std::to_string(::getpid()));
    std::filesystem::create_directories(empty);
    const char* saved = std::getenv("VQ_WINDOWS_DIR");
    const std::string before = saved ? saved : "";
    ::setenv("VQ_WINDOWS_DIR", empty.c_str(), 1);
    HostRun r = RunHost("--list");
    if (saved)
        ::setenv("VQ_WINDOWS_DIR", before.c_str(), 1);
    else
        ::unsetenv("VQ_WINDOWS_DIR");
    std::filesystem::remove_all(empty);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.find("vqsetup.ini"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("message"), std::string::npos) << r.out;
}

TEST(Host, HeadlessCallPrintsTheResult) {
    HostRun r = RunHost("--headless ShowTeamTaskAuditHistory T1 admin 3");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("result: 1"), std::string::npos) << r.out;
}

TEST(Host, RefusesWrongArguments) {
    HostRun unknown = RunHost("--headless NoSuchEntry");
    EXPECT_NE(unknown.status, 0);
    EXPECT_NE(unknown.out.find("no entry function NoSuchEntry"), std::string::npos) << unknown.out;

    HostRun count = RunHost("--headless ShowTeamTaskAuditHistory only-one");
    EXPECT_NE(count.status, 0);
    EXPECT_NE(count.out.find("takes 3 arguments"), std::string::npos) << count.out;

    HostRun kind = RunHost("--headless ShowTeamTaskAuditHistory a b notanumber");
    EXPECT_NE(kind.status, 0);
    EXPECT_NE(kind.out.find("must be a whole number"), std::string::npos) << kind.out;
}

TEST(Host, ScriptWithUnusedActionsFails) {
    auto script = std::filesystem::temp_directory_path() / "vqhost-unused.script";
    std::ofstream(script) << "dialog \"never opened\"\nclick 1\n";
    HostRun r = RunHost("--headless --script " + script.string() + " ShowTeamTaskAuditHistory a b 1");
    std::filesystem::remove(script);
    EXPECT_NE(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("unused"), std::string::npos) << r.out;
}

// A script that never ends is refused with a message instead of filling the memory, and a FIFO
// that nobody writes is not waited on for ever; a FIFO whose writer comes later is read whole.
TEST(Host, ScriptsThatNeverEndAreRefused) {
    const std::vector<std::string> call{"ShowTeamTaskAuditHistory", "a", "b", "1"};
    auto args = [&call](const std::string& script) {
        std::vector<std::string> all{"--headless", "--script", script};
        all.insert(all.end(), call.begin(), call.end());
        return all;
    };
    HostRun endless = RunHostMeasured(args("/dev/zero"));
    EXPECT_NE(endless.status, 0) << endless.out;
    EXPECT_NE(endless.out.find("larger than"), std::string::npos) << endless.out;
    EXPECT_EQ(endless.out.find("result:"), std::string::npos) << endless.out;
    EXPECT_LT(endless.peakKiB, 1024L * 1024) << "the host grew by gigabytes";

    const auto fifo = std::filesystem::temp_directory_path() / ("vqhost-fifo-" + std::to_string(::getpid()));
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    HostRun silent = RunHostMeasured(args(fifo.string()));
    EXPECT_NE(silent.status, 0) << silent.out;
    EXPECT_NE(silent.out.find("did not end"), std::string::npos) << silent.out;
    EXPECT_EQ(silent.out.find("result:"), std::string::npos) << silent.out;

    // The writer opens the FIFO once the host has opened it for reading.
    std::thread writer([&fifo] {
        const int fd = ::open(fifo.c_str(), O_WRONLY);
        if (fd < 0)
            return;
        const std::string text = "dialog \"never opened\"\nclick 1\n";
        EXPECT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        ::close(fd);
    });
    HostRun written = RunHostMeasured(args(fifo.string()));
    // Should the host not have opened it, a reader of our own lets the writer's open return.
    const int unblock = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    writer.join();
    if (unblock >= 0)
        ::close(unblock);
    std::filesystem::remove(fifo);
    EXPECT_NE(written.status, 0) << written.out;
    EXPECT_NE(written.out.find("2 action(s) unused"), std::string::npos) << written.out;
}
