// The demo workspace starts with the demo documents on its FTP server, where the dialogs look for
// them (the released drawings of the cover as PNG pictures under their ".dwg" names, the work
// documents, the task documents), and the work documents' content in the product database too.
#include "tests/support/DemoWorkspace.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using vqtest::DemoWorkspace;
using vqtest::ShellRun;

namespace {

// The first bytes of a file: the drawings are PNG pictures under their ".dwg" names.
std::string Head(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(8, '\0');
    in.read(bytes.data(), 8);
    return bytes;
}

// The rows of a statement that gives one text of rows joined by ";" and fields joined by "|".
std::vector<std::vector<std::string>> Rows(const DemoWorkspace& demo, const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    std::stringstream all(demo.Query(sql));
    for (std::string row; std::getline(all, row, ';');) {
        std::stringstream fields(row);
        rows.emplace_back();
        for (std::string field; std::getline(fields, field, '|');)
            rows.back().push_back(field);
    }
    return rows;
}

} // namespace

TEST(DemoFilesHost, EveryDemoDocumentIsOnTheServerAndTheWorkDocumentsInTheDatabase) {
    DemoWorkspace demo;
    // Creating the workspace is enough: a call that opens no dialog.
    demo.SetServers(false);
    demo.Host("", "--list");
    const std::filesystem::path working = demo.Dir() / "ftp" / "Vq" / "Working";
    const std::filesystem::path proven = demo.Dir() / "ftp" / "Vq" / "Proven" / "P-1000" / "P-1000-01-02";
    const std::string png = "\x89PNG\r\n\x1a\n";
    EXPECT_EQ(Head(proven / "A" / "P-1000-01-02.dwg"), png);
    EXPECT_EQ(Head(proven / "B" / "P-1000-01-02.dwg"), png);
    for (const char* id : {"F-0001.dwg", "F-0002.dwg", "F-0003.doc", "F-0004.dwg", "F-0005.dwg", "F-0006.dwg", "F-0101.dwg",
                           "F-0102.doc"})
        EXPECT_TRUE(std::filesystem::is_regular_file(working / id)) << id;
    EXPECT_TRUE(std::filesystem::is_regular_file(working / "XM-01-01" / "A" / "P-1000-01-01.dwg"));
    EXPECT_TRUE(std::filesystem::is_regular_file(working / "XM-02-01" / "B-3000-02-01.dwg"));
    EXPECT_TRUE(std::filesystem::is_regular_file(working / "XM-02-01" / "泵体强度计算书.doc"));
    // Each work document of the demo data has its content stored, the same bytes as its copy.
    EXPECT_EQ(demo.Query("SELECT count(*) FROM TeamWorkResult r WHERE NOT EXISTS (SELECT 1 FROM TeamWorkResultPack p "
                         "WHERE p.FileID=r.FileID AND p.DocSaved='1')"),
              "0");
    EXPECT_EQ(demo.Query("SELECT length(DocContent) FROM TeamWorkResultPack WHERE FileID='F-0005'"),
              std::to_string(std::filesystem::file_size(working / "F-0005.dwg")));
}

// The demo's views open without error boxes: the modification notice (its group's review is
// configured with a template), a document of a change notice shown by the configured viewer, the
// review opinion of the work document waiting for its first step, and the import of the demo
// structure file with its remembered column matching.
TEST(DemoFilesHost, TheDemoViewsOpenWithoutErrorBoxes) {
    DemoWorkspace demo;
    demo.SetServers(false);
    demo.Host("", "--list");
    // The drawings have a viewer of their own, every other document the desktop's program. The
    // run below starts a program that shows nothing instead.
    {
        std::ifstream in(demo.Dir() / "windows" / "vqviewer.ini");
        const std::string ini((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_NE(ini.find("\ndwg="), std::string::npos) << ini;
        EXPECT_NE(ini.find("\n*=xdg-open"), std::string::npos) << ini;
    }
    std::ofstream(demo.Dir() / "windows" / "vqviewer.ini") << "[\xCE\xC4\xB5\xB5\xE4\xAF\xC0\xC0\xB3\xCC\xD0\xF2]\n*=true\n";

    ShellRun r = demo.Host("click 2\n", "ShowECOModifyItemData JX-2026-001 lisi");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.find("message"), std::string::npos) << r.out;

    r = demo.Host("check \"浏览文档\" 1\nselect 1322 \"箱盖零件图\"\nclick 2\n", "ShowECOChanageItemData JX-2026-002 lisi");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.find("message"), std::string::npos) << r.out;

    r = demo.Host("check \"评审通过\" 1\nclick 1\n", "DoTeamTaskAudit F-0006 zhaoliu 校对");
    EXPECT_NE(r.out.find("result: 1"), std::string::npos) << r.out;
    EXPECT_EQ(demo.Query("SELECT State || Result FROM TeamWorkAudit WHERE FileID='F-0006' AND AuditTask='校对'"),
              "已完成通过");

    const std::string csv = (demo.Dir() / "import" / "P-2000.csv").string();
    r = demo.Host("dialog \"产品结构数据导入\"\nclick 1262\ndialog ~\"选择产品\"\nselect 1003 \"P-2000\"\nclick 1236\n"
                  "click 1388\nfile \"" + csv + "\" 4\ndialog \"产品数据匹配\"\nclick 1\nclick 1329\n"
                  "message \"产品结构信息存储完毕...\" IDOK\nclick 2\n",
                  "ImportProductDataFromFile x zhangsan");
    EXPECT_NE(r.out.find("result: 1"), std::string::npos) << r.out;
    EXPECT_EQ(demo.Query("SELECT count(*) FROM VqkorvelAll_detail WHERE ProductDwgCode='P-2000'"), "4");
}

// A copy of the workspace works on its own database and settings, not on those of the original.
TEST(DemoFilesHost, ACopiedWorkspaceUsesItsOwnDatabase) {
    DemoWorkspace demo;
    demo.SetServers(false);
    demo.Host("", "--list");
    DemoWorkspace copy(demo.Dir().string() + "-copy");
    std::filesystem::remove_all(copy.Dir());
    std::filesystem::copy(demo.Dir(), copy.Dir(), std::filesystem::copy_options::recursive);
    copy.SetServers(false);
    copy.Host("", "--list");
    std::ifstream odbc(copy.Dir() / "odbc" / "odbc.ini");
    const std::string ini((std::istreambuf_iterator<char>(odbc)), std::istreambuf_iterator<char>());
    std::ifstream pointer(copy.Dir() / "windows" / "vqpdm.txt");
    std::string install;
    std::getline(pointer, install);
    EXPECT_NE(ini.find("Database=" + (copy.Dir() / "db" / "vqpdm.db").string() + "\n"), std::string::npos) << ini;
    EXPECT_EQ(install, (copy.Dir() / "install").string());
}

// A run beside another on the same workspace (a headless call beside the open window) uses the
// servers the first run started and points the workspace nowhere else; they stay while any run
// uses them, also after the run that started them has ended, and end with the last. The waiting
// runs' host here is a stand-in that says where the workspace points and waits until it is told
// to end; the other runs are the real host, whose work breakdown opens only with the FTP server.
TEST(DemoFilesHost, RunsShareTheServersWhichStayWhileAnyRunUsesThem) {
    namespace fs = std::filesystem;
    DemoWorkspace demo;
    demo.SetServers(false);
    demo.Host("", "--list"); // creates the workspace
    demo.SetServers(true);
    const fs::path standIn = demo.Dir().string() + "-build";
    fs::create_directories(standIn / "host");
    for (const char* name : {"first", "second"})
        ASSERT_EQ(::mkfifo((standIn / name).c_str(), 0600), 0);
    {
        std::ofstream host(standIn / "host" / "vqhost");
        host << "#!/bin/sh\n"
             << "echo \"points at $(sqlite3 \"$VQ_SYSTEM_DIR/vqdetail.mdb\" 'SELECT DomainName FROM "
                "Config')\"\n"
             << "read -r line < '" << standIn.string() << "'/\"$1\"\n";
    }
    fs::permissions(standIn / "host" / "vqhost", fs::perms::owner_all);
    auto pointsAt = [&demo] {
        return vqtest::Shell("sqlite3 '" + (demo.Dir() / "system" / "vqdetail.mdb").string() +
                             "' 'SELECT DomainName FROM Config'")
            .out;
    };
    // A waiting run: its output is read as it comes, up to the line of its host. However the test
    // ends, its host is told to end (when it waits) and the run is waited for.
    struct WaitingRun {
        FILE* run = nullptr;
        fs::path release;
        int status = -1;
        std::string pointsAt;
        WaitingRun(const std::string& command, fs::path fifo) : release(std::move(fifo)) {
            run = popen((command + " 2>&1").c_str(), "r");
            std::string line;
            for (char buf[1024]; run && line.rfind("points at ", 0) != 0 && fgets(buf, sizeof buf, run);)
                line = buf;
            if (line.rfind("points at ", 0) == 0)
                pointsAt = line.substr(std::string("points at ").size());
        }
        int End() {
            if (run) {
                const int fd = ::open(release.c_str(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    EXPECT_EQ(::write(fd, "end\n", 4), 4);
                    ::close(fd);
                }
                status = pclose(run);
                run = nullptr;
            }
            return status;
        }
        ~WaitingRun() { End(); }
    };
    WaitingRun first(demo.Command(standIn.string(), "first"), standIn / "first");
    ASSERT_EQ(first.pointsAt.rfind("127.0.0.1:", 0), 0u) << first.pointsAt;
    const std::string servers = first.pointsAt;
    WaitingRun second(demo.Command(standIn.string(), "second"), standIn / "second");
    EXPECT_EQ(second.pointsAt, servers);

    // A headless run opens the work breakdown, which needs the FTP server: the first run's.
    const std::string breakdown = "dialog \"设计项目结构管理 — WBS分解\"\nclick 2\n";
    const ShellRun headless = demo.Host(breakdown, "AssignProjectTaskMain XM-01 zhangsan 0");
    EXPECT_EQ(headless.status, 0) << headless.out;
    EXPECT_NE(headless.out.find("dialog \"设计项目结构管理 — WBS分解\""), std::string::npos) << headless.out;
    EXPECT_EQ(pointsAt(), servers);

    // The run that started the servers ends; the second still uses them, and so does a new run.
    EXPECT_EQ(first.End(), 0);
    const ShellRun later = demo.Host(breakdown, "AssignProjectTaskMain XM-01 zhangsan 0");
    EXPECT_EQ(later.status, 0) << later.out;
    EXPECT_NE(later.out.find("dialog \"设计项目结构管理 — WBS分解\""), std::string::npos) << later.out;
    EXPECT_EQ(pointsAt(), servers);

    // With the last run ended the servers end too: their port stops answering.
    EXPECT_EQ(second.End(), 0);
    const int port = std::stoi(servers.substr(servers.find(':') + 1));
    auto answers = [port] {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        return up;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool ended = false;
    while (!(ended = !answers()) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // polls a port nobody tells of its end
    EXPECT_TRUE(ended) << "the servers at " << servers << " still answer";
    fs::remove_all(standIn);
}

// A settings file that is a link (to an installation's settings kept elsewhere) stays a link when
// the workspace's servers write their addresses into it: the file it points at gets them.
TEST(DemoFilesHost, TheServersWriteThroughASettingsFileThatIsALink) {
    namespace fs = std::filesystem;
    DemoWorkspace demo;
    demo.SetServers(false);
    demo.Host("", "--list"); // creates the workspace
    const fs::path settings = demo.Dir() / "install" / "qent" / "spt" / "vqpdmcad.ini";
    const fs::path kept = demo.Dir().string() + "-kept.ini";
    fs::copy_file(settings, kept, fs::copy_options::overwrite_existing);
    fs::remove(settings);
    fs::create_symlink(kept, settings);
    auto read = [](const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string before = read(kept);

    demo.SetServers(true);
    const ShellRun run = demo.Host("", "--list");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(settings))) << run.out;
    const std::string after = read(kept);
    EXPECT_NE(after, before);
    EXPECT_NE(after.find("vqpdm@demo.local"), std::string::npos) << after;
    fs::remove(kept);
}

// The demo's states are those the system's own steps leave: a work in progress has started its
// task and every task above it (none of them is "未开始" or without a state) and every work above
// it is in progress too, as accepting or starting a work makes them.
TEST(DemoFilesHost, EveryTaskAndWorkAboveAWorkInProgressHasStarted) {
    DemoWorkspace demo;
    demo.SetServers(false);
    demo.Host("", "--list");
    // The task of each work in progress, and each task above that one by its path.
    const auto unstarted = Rows(
        demo,
        "SELECT group_concat(w.WorkID || '|' || t.ProjectNo || '|' || coalesce(t.WorkState, ''), ';') FROM "
        "TeamWorkManage w JOIN ProjectManage o ON o.ProjectNo = w.TaskNo JOIN ProjectManage t ON "
        "(t.ProjectNo = o.ProjectNo OR o.ProjectPath LIKE (CASE WHEN t.ProjectPath = '项目管理' THEN '' "
        "ELSE t.ProjectPath END) || t.ProjectName || '\\%') "
        "WHERE w.WorkState = '正进行中' AND coalesce(t.WorkState, '') IN ('', '未开始')");
    for (const auto& row : unstarted)
        ADD_FAILURE() << "work " << row.at(0) << " is in progress, its task "
                      << (row.size() > 1 ? row.at(1) : "") << " is "
                      << (row.size() > 2 ? row.at(2) : "without a state");
    EXPECT_EQ(
        demo.Query("SELECT count(*) FROM TeamWorkManage w JOIN TeamWorkManage u ON u.WorkID = w.UpWorkID "
                   "WHERE w.WorkState = '正进行中' AND coalesce(u.WorkState, '') <> '正进行中'"),
        "0");
    // Every task with a work in progress is under way (the demo has no task above one that is not).
    EXPECT_EQ(demo.Query(
                  "SELECT group_concat(DISTINCT t.ProjectNo || '=' || t.WorkState) FROM ProjectManage t JOIN "
                  "TeamWorkManage w ON w.TaskNo = t.ProjectNo WHERE w.WorkState = '正进行中' AND "
                  "t.WorkState <> '正进行中'"),
              "");
}

// The demo keeps the rules of its own dialogs: every project and task opens in its properties for
// the one who assigned it and OK without a change stores it as it was, without a message box (a
// work-group task holds work tasks and no tasks below it, a project task the reverse); so does
// every work task, opened from the work management of its work-group task or work task group by
// that one's manager.
TEST(DemoFilesHost, EveryDemoItemIsStoredUnchangedByWhoeverAssignedIt) {
    DemoWorkspace demo;
    demo.SetServers(false);
    demo.Host("", "--list");
    const std::string item =
        "ProjectName || ProjectPath || ProjectManager || TaskType || PreendedTime || WorkState";
    const auto items =
        Rows(demo, "SELECT group_concat(ProjectNo || '|' || TaskAssigner, ';') FROM ProjectManage");
    EXPECT_EQ(items.size(), 6u);
    for (const auto& row : items) {
        const std::string number = row.at(0);
        const std::string stored =
            demo.Query("SELECT " + item + " FROM ProjectManage WHERE ProjectNo='" + number + "'");
        const ShellRun r = demo.Host("dialog \"项目/任务项属性\"\nclick 1\n",
                                     "CreateNewProjectTaskItem " + number + " '' " + row.at(1));
        EXPECT_NE(r.out.find("result: \"" + number + "\""), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("message"), std::string::npos) << r.out;
        EXPECT_EQ(demo.Query("SELECT " + item + " FROM ProjectManage WHERE ProjectNo='" + number + "'"),
                  stored)
            << number;
    }

    // Each work task with its task, its task's project and the manager and name of its parent.
    const std::string work =
        "WorkName || Manager || WorkType || BeginTime || CheckTime || PreEndedTime || WorkState";
    const auto works = Rows(
        demo, "SELECT group_concat(w.WorkID || '|' || w.WorkName || '|' || w.TaskNo || '|' || "
              "t.ProjectName || '|' || w.UpWorkID || '|' || coalesce(u.Manager, t.ProjectManager) || '|' || "
              "coalesce(u.WorkName, '') || '|' || coalesce(p.ProjectNo, t.ProjectNo) || '|' || "
              "coalesce(p.ProjectName, t.ProjectName), ';') "
              "FROM TeamWorkManage w JOIN ProjectManage t ON t.ProjectNo=w.TaskNo "
              "LEFT JOIN TeamWorkManage u ON u.WorkID=w.UpWorkID "
              "LEFT JOIN ProjectManage p ON t.ProjectPath<>'项目管理' AND p.ProjectPath='项目管理' AND "
              "t.ProjectPath LIKE p.ProjectName || '\\%'");
    EXPECT_EQ(works.size(), 5u);
    // Nor does the OK of a work change the state of a task: the demo's are those its works give.
    const std::string taskStates =
        "SELECT group_concat(ProjectNo || '=' || coalesce(WorkState, ''), ' ') FROM "
        "(SELECT ProjectNo, WorkState FROM ProjectManage ORDER BY ProjectNo)";
    const std::string storedStates = demo.Query(taskStates);
    for (const auto& row : works) {
        const std::string id = row.at(0), name = row.at(1), task = row.at(2), taskName = row.at(3),
                          up = row.at(4), assigner = row.at(5), upName = row.at(6), project = row.at(7),
                          projectName = row.at(8);
        const bool inGroup = up != task;
        const std::string caption = inGroup ? "工作任务组任务管理" : "设计工作组工作管理";
        const std::string root =
            inGroup
                ? "工作任务组:" + taskName + "[" + task + "]下的工作任务: " + upName + "[" + up + "]..."
                : "项目：" + projectName + "[" + project + "] 下的任务：" + taskName + "[" + task + "]...";
        const std::string stored =
            demo.Query("SELECT " + work + " FROM TeamWorkManage WHERE WorkID='" + id + "'");
        const std::string script = "dialog \"" + caption + "\"\ntree 1050 \"" + root + "/" + name + " [" + id +
                                   "]\"\nclick \"任务属性...\"\ndialog ~\"属性\"\nclick 1\ndialog \"" + caption +
                                   "\"\nclick \"退出\"\n";
        const ShellRun r =
            demo.Host(script,
                      "AssignTeamTaskMain " + (inGroup ? task : project) + " " + up + " " + assigner + " 0 " +
                          (inGroup ? "1" : "0"));
        EXPECT_NE(r.out.find("result: 1"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("message"), std::string::npos) << r.out;
        EXPECT_EQ(demo.Query("SELECT " + work + " FROM TeamWorkManage WHERE WorkID='" + id + "'"), stored)
            << id;
        EXPECT_EQ(demo.Query(taskStates), storedStates) << id;
    }
}
