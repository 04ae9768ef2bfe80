#include "platform/base/Folders.h"

#include "tests/support/HostProcess.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

#include "platform/base/File.h"
#include "platform/base/ProcessMark.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

using vqtest::EnvGuard;

TEST(Folders, WorkspaceVariablesNameTheFolders) {
    vqtest::Workspace ws;
    EXPECT_EQ(vq::WindowsFolder(), ws.WindowsDir());
    EXPECT_EQ(vq::SystemFolder(), ws.SystemDir());
    EXPECT_EQ(vq::TempFolder(), ws.TempDir() + "/");
}

TEST(Folders, ConfigurationDefaultsWhenVariablesAreMissing) {
    EnvGuard guard({"VQ_WINDOWS_DIR", "VQ_SYSTEM_DIR", "XDG_CONFIG_HOME", "HOME", "TMPDIR"});
    unsetenv("VQ_WINDOWS_DIR");
    unsetenv("VQ_SYSTEM_DIR");
    setenv("XDG_CONFIG_HOME", "/cfg/", 1);
    EXPECT_EQ(vq::WindowsFolder(), "/cfg/vqpdm");
    EXPECT_EQ(vq::SystemFolder(), "/cfg/vqpdm");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(vq::WindowsFolder(), "/home/u/.config/vqpdm");
    unsetenv("HOME");
    EXPECT_EQ(vq::WindowsFolder(), "");
    char buf[MAX_PATH] = "x";
    EXPECT_EQ(GetWindowsDirectory(buf, MAX_PATH), 0u);

    unsetenv("TMPDIR");
    EXPECT_EQ(vq::TempFolder(), "/tmp/");
    setenv("TMPDIR", "/var/tmp//", 1);
    EXPECT_EQ(vq::TempFolder(), "/var/tmp/");
}

TEST(Folders, FrameworkQueriesReportTheNeededSizeWhenTheBufferIsSmall) {
    EnvGuard guard({"VQ_WINDOWS_DIR", "TMPDIR"});
    setenv("VQ_WINDOWS_DIR", "/opt/win", 1);
    char buf[16];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(GetWindowsDirectory(buf, 8), 9u); // "/opt/win" and its NUL
    EXPECT_EQ(buf[0], 'x');                     // nothing written
    EXPECT_EQ(GetWindowsDirectory(buf, 9), 8u);
    EXPECT_STREQ(buf, "/opt/win");
    // A temporary folder that does not exist: the working folder's name all the same (nothing can
    // be written there).
    setenv("TMPDIR", "/t", 1);
    const std::string expected = "/t/vqpdm-" + std::to_string(::geteuid()) + "/";
    char big[64];
    EXPECT_EQ(GetTempPath(4, big), expected.size() + 1);
    EXPECT_EQ(GetTempPath(sizeof big, big), expected.size());
    EXPECT_EQ(std::string(big), expected);
}

namespace {

struct FolderState {
    bool exists = false;
    fs::file_type type = fs::file_type::none;
    unsigned mode = 0;
    unsigned owner = 0;
    std::vector<std::string> entries;
    bool operator==(const FolderState&) const = default;
};

FolderState StateOf(const std::string& path) {
    FolderState state;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return state;
    state.exists = true;
    state.type = fs::symlink_status(path).type();
    state.mode = st.st_mode & 07777;
    state.owner = st.st_uid;
    if (S_ISDIR(st.st_mode))
        for (const auto& entry : fs::directory_iterator(path))
            state.entries.push_back(entry.path().filename().string());
    return state;
}

bool IsPrivateFolder(const CString& folder) {
    struct stat st;
    const std::string path = folder.Left(folder.GetLength() - 1).str();
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & 07777) == 0700 &&
           st.st_uid == ::geteuid();
}

} // namespace

// Copies go to a folder of the user's own below the temporary folder: made 0700 whatever the
// umask, and used again while it is the user's private folder.
TEST(Folders, TheWorkingFolderIsTheUsersPrivateFolder) {
    vqtest::Workspace ws;
    const mode_t oldMask = ::umask(0);
    const CString usual = ws.TempDir() + "/vqpdm-" + CString(std::to_string(::geteuid())) + "/";
    const CString folder = vq::WorkingFolder();
    ::umask(oldMask);
    EXPECT_EQ(folder, usual);
    EXPECT_TRUE(IsPrivateFolder(folder));
    EXPECT_EQ(ws.WorkDir() + "/", folder);
    char buf[MAX_PATH];
    ASSERT_GT(GetTempPath(MAX_PATH, buf), 0u);
    EXPECT_EQ(CString(buf), folder);
    EXPECT_TRUE(vq::InWorkingFolder(folder + "a.dwg"));
    EXPECT_TRUE(vq::InWorkingFolder(folder + "registry/x.reg"));
    EXPECT_TRUE(vq::InPrivateWorkingFolder(folder + "a.dwg"));
    EXPECT_FALSE(vq::InWorkingFolder(folder));
    EXPECT_FALSE(vq::InWorkingFolder(folder + "../a.dwg"));
    EXPECT_FALSE(vq::InWorkingFolder(ws.TempDir() + "/a.dwg"));
    EXPECT_FALSE(vq::InWorkingFolder(usual.Left(usual.GetLength() - 1) + "0/a.dwg"));
    // Used again as it is; made again when it went.
    ws.WriteFile(folder + "kept.txt", "kept");
    EXPECT_EQ(vq::WorkingFolder(), folder);
    EXPECT_EQ(ws.ReadFile(folder + "kept.txt"), "kept");
    fs::remove_all(folder.str());
    EXPECT_EQ(vq::WorkingFolder(), folder);
    EXPECT_TRUE(IsPrivateFolder(folder));
}

// Whatever stands at the working folder's name and is not a folder of the user's own is neither
// used nor changed: the process works in a new folder of its own, and nothing is written where the
// usual name points.
TEST(Folders, AWorkingFolderNameHeldByAnythingElseIsNeitherUsedNorChanged) {
    if (!vqtest::CanActAsOtherUser())
        GTEST_SKIP() << "needs root to plant another user's folder";
    vqtest::Workspace ws;
    const std::string uid = std::to_string(::geteuid());
    const std::string own = (ws.Root() + "/own-private").str();
    fs::create_directory(own);
    fs::permissions(own, fs::perms::owner_all);
    const struct {
        const char* what;
        std::function<void(const std::string&)> plant;
    } cases[] = {
        {"another user's open folder",
         [](const std::string& p) {
             fs::create_directory(p);
             std::ofstream(p + "/校对.rtf") << "planted";
             ::chmod(p.c_str(), 0777);
             ::chown(p.c_str(), vqtest::kOtherUser, vqtest::kOtherUser);
         }},
        {"another user's closed folder",
         [](const std::string& p) {
             fs::create_directory(p);
             ::chmod(p.c_str(), 0700);
             ::chown(p.c_str(), vqtest::kOtherUser, vqtest::kOtherUser);
         }},
        {"a link to a private folder of the user's",
         [&own](const std::string& p) { fs::create_directory_symlink(own, p); }},
        {"a file", [](const std::string& p) { std::ofstream(p) << "planted"; }},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string temp = (ws.Root() + "/t" + CString(std::to_string(n++))).str();
        fs::create_directory(temp);
        ::chmod(temp.c_str(), 01777);
        setenv("TMPDIR", temp.c_str(), 1);
        const std::string usual = temp + "/vqpdm-" + uid;
        c.plant(usual);
        const FolderState planted = StateOf(usual);
        const CString folder = vq::WorkingFolder();
        EXPECT_EQ(folder.Left(static_cast<int>(usual.size()) + 1), CString(usual + "-"));
        EXPECT_TRUE(IsPrivateFolder(folder));
        EXPECT_EQ(vq::WorkingFolder(), folder) << "kept for the process";
        EXPECT_TRUE(vq::InPrivateWorkingFolder(folder + "a.dwg"));
        // Nothing goes to the usual name.
        EXPECT_TRUE(vq::InWorkingFolder(CString(usual + "/a.dwg")));
        EXPECT_FALSE(vq::InPrivateWorkingFolder(CString(usual + "/a.dwg")));
        EXPECT_FALSE(vq::ReplaceFileContent(CString(usual + "/a.dwg"), "copy"));
        EXPECT_TRUE(vq::CreateUniqueFile(CString(usual), "x", ".dwf").IsEmpty());
        EXPECT_TRUE(StateOf(usual) == planted);
        EXPECT_TRUE(StateOf(own).entries.empty());
    }
    // Without a folder the user can make, the usual name stands and nothing is written there.
    setenv("TMPDIR", (ws.Root() + "/missing").c_str(), 1);
    const CString missing = vq::WorkingFolder();
    EXPECT_EQ(missing, ws.Root() + "/missing/vqpdm-" + CString(uid) + "/");
    EXPECT_FALSE(vq::ReplaceFileContent(missing + "a.dwg", "copy"));
    EXPECT_FALSE(fs::exists((ws.Root() + "/missing").str()));
}

// A folder of the user's own at the usual name that others may enter is closed to them and used,
// with what it holds: the copies of every run go to one folder, not to a new one each run.
TEST(Folders, TheUsersOwnFolderOpenToOthersIsClosedAndUsed) {
    vqtest::Workspace ws;
    const std::string usual = (ws.TempDir() + "/vqpdm-" + CString(std::to_string(::geteuid()))).str();
    for (const mode_t mode : {0755, 0770, 0777, 0701}) {
        SCOPED_TRACE(mode);
        fs::remove_all(usual);
        fs::create_directory(usual);
        std::ofstream(usual + "/kept.txt") << "kept";
        ASSERT_EQ(::chmod(usual.c_str(), mode), 0);
        const CString folder = vq::WorkingFolder();
        EXPECT_EQ(folder, CString(usual + "/"));
        EXPECT_TRUE(IsPrivateFolder(folder));
        EXPECT_EQ(ws.ReadFile(folder + "kept.txt"), "kept");
        EXPECT_TRUE(vq::InPrivateWorkingFolder(folder + "a.dwg"));
        EXPECT_TRUE(vq::ReplaceFileContent(folder + "a.dwg", "copy"));
    }
    // What others could put there while it was open is not used: a folder inside that others may
    // write to (or another user's) takes no copy.
    const std::string open = usual + "/open";
    fs::create_directory(open);
    ASSERT_EQ(::chmod(open.c_str(), 0777), 0);
    EXPECT_FALSE(vq::InPrivateWorkingFolder(CString(open + "/a.dwg")));
    EXPECT_FALSE(vq::ReplaceFileContent(CString(open + "/a.dwg"), "copy"));
    EXPECT_FALSE(vq::InPrivateWorkingFolder(CString(open + "/sub/a.dwg")));
    ASSERT_EQ(::chmod(open.c_str(), 0755), 0);
    EXPECT_TRUE(vq::ReplaceFileContent(CString(open + "/a.dwg"), "copy"));
    if (vqtest::CanActAsOtherUser()) {
        ASSERT_EQ(::chown(open.c_str(), vqtest::kOtherUser, vqtest::kOtherUser), 0);
        EXPECT_FALSE(vq::InPrivateWorkingFolder(CString(open + "/a.dwg")));
    }
    // Opened again while the process runs: closed again at the next use.
    ASSERT_EQ(::chmod(usual.c_str(), 0755), 0);
    EXPECT_EQ(vq::WorkingFolder(), CString(usual + "/"));
    EXPECT_TRUE(IsPrivateFolder(CString(usual + "/")));
}

namespace {

// The working folder a new run of this program (a process of its own, with this environment)
// takes.
std::string NextRunsWorkingFolder() {
    EnvGuard guard({"VQ_FOLDERS_NEXT_RUN"});
    setenv("VQ_FOLDERS_NEXT_RUN", "1", 1);
    const vqtest::HostRun run =
        vqtest::RunProgramMeasured("/proc/self/exe", {"--gtest_filter=Folders.NextRun"});
    EXPECT_EQ(run.status, 0) << run.out;
    const std::string mark = "working folder: ";
    const std::size_t at = run.out.find(mark);
    if (at == std::string::npos)
        return std::string();
    const std::size_t end = run.out.find('\n', at);
    return run.out.substr(at + mark.size(), end - at - mark.size());
}

} // namespace

// Run by NextRunsWorkingFolder as a new run of the program.
TEST(Folders, NextRun) {
    if (!std::getenv("VQ_FOLDERS_NEXT_RUN"))
        GTEST_SKIP() << "run by the tests of the folder a new run takes";
    std::printf("working folder: %s\n", vq::WorkingFolder().c_str());
}

// When the usual name is held by something else, the next run takes the folder of its own that an
// earlier run made instead, not a new one each run: copies do not pile up, and what is kept there
// (the registry store without a home) is found again. Folders of that pattern that are not the
// user's own, or are links, are not taken; of the user's own folders the one holding a registry
// store comes first.
TEST(Folders, ANewRunTakesTheFolderAnEarlierRunMadeInPlaceOfTheUsualOne) {
    vqtest::Workspace ws;
    const std::string uid = std::to_string(::geteuid());
    const std::string temp = ws.TempDir().str();
    const std::string usual = temp + "/vqpdm-" + uid;
    std::ofstream(usual) << "planted";
    const std::string own = (ws.Root() + "/own-private").str();
    fs::create_directory(own);
    fs::permissions(own, fs::perms::owner_all);
    // Names of the pattern that sort before any mkdtemp makes.
    fs::create_directory_symlink(own, usual + "-000000");
    std::ofstream(usual + "-000001") << "planted";
    if (vqtest::CanActAsOtherUser()) {
        fs::create_directory(usual + "-000002");
        ::chmod((usual + "-000002").c_str(), 0700);
        ::chown((usual + "-000002").c_str(), vqtest::kOtherUser, vqtest::kOtherUser);
    }
    const CString first = vq::WorkingFolder();
    ASSERT_EQ(first.Left(static_cast<int>(usual.size()) + 1), CString(usual + "-"));
    EXPECT_TRUE(IsPrivateFolder(first));
    EXPECT_EQ(NextRunsWorkingFolder(), first.str());
    EXPECT_TRUE(StateOf(own).entries.empty());

    // Of several folders of the user's own (left by earlier versions), the one with the registry
    // store; without one, the first by name.
    const std::string other = usual + "-zzzzzz";
    fs::create_directory(other);
    ::chmod(other.c_str(), 0755);
    EXPECT_EQ(NextRunsWorkingFolder(), first.str());
    fs::create_directory(other + "/registry");
    EXPECT_EQ(NextRunsWorkingFolder(), other + "/");
    EXPECT_TRUE(IsPrivateFolder(CString(other + "/")));
    EXPECT_EQ(vq::WorkingFolder(), first) << "kept for the process";
}

namespace {

// A process of the test's own that runs until its input is closed ("cat"), optionally leading a
// session of its own as a viewer started detached does.
struct BlockedChild {
    pid_t pid = -1;
    int input = -1;

    explicit BlockedChild(bool ownSession) {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        pid = ::fork();
        if (pid == 0) {
            if (ownSession)
                ::setsid();
            ::dup2(fds[0], 0);
            ::close(fds[0]);
            ::close(fds[1]);
            ::execl("/bin/cat", "cat", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[0]);
        input = fds[1];
    }
    ~BlockedChild() { End(); }
    // Ends it (closing its input, or killing it) and waits until it has gone.
    void End(bool kill = false) {
        if (pid <= 0)
            return;
        if (kill)
            ::kill(pid, SIGKILL);
        ::close(input);
        int status = 0;
        ::waitpid(pid, &status, 0);
        pid = -1;
    }
};

std::string CallFolderName(const vq::ProcessMark& maker, const char* suffix) {
    return "call-" + vq::MarkText(maker) + "-" + suffix;
}

// Makes a call folder as its maker would have, with an opinion in it.
std::string PlantCallFolder(const std::string& working, const std::string& name) {
    const std::string folder = working + "/" + name;
    fs::create_directory(folder);
    ::chmod(folder.c_str(), 0700);
    std::ofstream(folder + "/校对.rtf") << "an opinion typed before the run was killed";
    return folder;
}

} // namespace

// A call folder's name carries the mark of its maker. At a later run's start the folders of makers
// that have ended (killed while a review was open) go with what they hold; those of running
// processes, of another machine, and of names this system does not make stay. A process id that
// another process took since is not mistaken for the maker.
TEST(Folders, CallFoldersOfRunsThatEndedGoAtTheNextStart) {
    vqtest::Workspace ws;
    const std::string working = ws.WorkDir().str();
    BlockedChild killed(false), running(false);
    vq::ProcessMark killedMark, runningMark;
    ASSERT_TRUE(vq::MarkOfProcess(killed.pid, killedMark));
    ASSERT_TRUE(vq::MarkOfProcess(running.pid, runningMark));
    EXPECT_EQ(runningMark.machine, vq::ThisProcessMark().machine);
    killed.End(true);
    EXPECT_TRUE(vq::ProcessHasEnded(killedMark));
    EXPECT_FALSE(vq::ProcessHasEnded(runningMark));

    vq::ProcessMark reused = runningMark;
    reused.start += 1;
    vq::ProcessMark otherMachine = killedMark;
    otherMachine.machine ^= 1;
    vq::ProcessMark earlierBoot = runningMark;
    earlierBoot.boot ^= 1;
    const std::string gone[] = {
        PlantCallFolder(working, CallFolderName(killedMark, "Ab12Cd")),
        PlantCallFolder(working, CallFolderName(reused, "Ab12Cd")),
        PlantCallFolder(working, CallFolderName(earlierBoot, "Ab12Cd")),
    };
    const std::string kept[] = {
        PlantCallFolder(working, CallFolderName(runningMark, "Ab12Cd")),
        PlantCallFolder(working, CallFolderName(otherMachine, "Ab12Cd")),
        PlantCallFolder(working, "call-Ab12Cd"),
        PlantCallFolder(working, "registry"),
    };
    std::ofstream(working + "/" + CallFolderName(killedMark, "file00")) << "not a folder";
    // This process's own folder, in use.
    vq::CallFolder own;
    const std::string ownFolder = own.Path().str();
    ASSERT_EQ(ownFolder.rfind(working + "/call-" + vq::MarkText(vq::ThisProcessMark()) + "-", 0), 0u)
        << ownFolder;

    vq::RemoveLeftoverCallFolders();
    for (const std::string& folder : gone)
        EXPECT_FALSE(fs::exists(folder)) << folder;
    for (const std::string& folder : kept)
        EXPECT_TRUE(fs::exists(folder + "/校对.rtf")) << folder;
    EXPECT_TRUE(fs::exists(working + "/" + CallFolderName(killedMark, "file00")));
    EXPECT_TRUE(fs::is_directory(ownFolder));

    // A new run (a process of its own) removes them when it first takes its working folder.
    const std::string runningFolder = kept[0];
    running.End(true);
    NextRunsWorkingFolder();
    EXPECT_FALSE(fs::exists(runningFolder));
    EXPECT_TRUE(fs::is_directory(ownFolder));
}

// A copy handed to a viewer that reads it later (a program started detached) keeps its folder
// after the window went, until every process of the viewer's session has ended; at a later run as
// well, whose maker has ended by then.
TEST(Folders, ACopyHandedToAViewerStaysUntilTheViewerHasEnded) {
    vqtest::Workspace ws;
    const std::string working = ws.WorkDir().str();
    std::string folder;
    BlockedChild viewer(true);
    {
        vq::CallFolder window;
        const CString copy = window.Path() + "P-1_total_.dwg";
        std::ofstream(copy.str()) << "drawing bytes";
        folder = fs::path(copy.str()).parent_path().string();
        vq::HandedToViewer(copy, viewer.pid);
        // A path outside a call folder is not recorded.
        vq::HandedToViewer(ws.WorkDir() + "/x.dwg", viewer.pid);
    }
    EXPECT_EQ(ws.ReadFile(CString(folder + "/P-1_total_.dwg")), "drawing bytes");
    vq::RemoveLeftoverCallFolders();
    EXPECT_TRUE(fs::exists(folder + "/P-1_total_.dwg"));
    viewer.End();
    vq::RemoveLeftoverCallFolders();
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_FALSE(fs::exists(folder + ".viewers"));

    // Left by a run that ended while its viewer still ran.
    BlockedChild maker(false), second(true);
    vq::ProcessMark makerMark;
    ASSERT_TRUE(vq::MarkOfProcess(maker.pid, makerMark));
    maker.End(true);
    const std::string left = PlantCallFolder(working, CallFolderName(makerMark, "Zz99Yy"));
    std::ofstream(left + ".viewers") << makerMark.pid << "\n" << second.pid << "\n";
    vq::RemoveLeftoverCallFolders();
    EXPECT_TRUE(fs::exists(left + "/校对.rtf"));
    second.End();
    vq::RemoveLeftoverCallFolders();
    EXPECT_FALSE(fs::exists(left));
    EXPECT_FALSE(fs::exists(left + ".viewers"));
}

TEST(Folders, NativePathFindsEntriesSpelledInAnotherCase) {
    vqtest::Workspace ws;
    fs::create_directories((ws.Root() + "/Host/QENT/Spt").str());
    ws.WriteFile("Host/QENT/Spt/VqPdmCad.INI", "x");
    EXPECT_EQ(vq::NativePath(ws.Root() + "/host\\qent\\spt\\vqpdmcad.ini"),
              ws.Root() + "/Host/QENT/Spt/VqPdmCad.INI");
    // A missing component and everything after it stay as written.
    EXPECT_EQ(vq::NativePath(ws.Root() + "\\host\\Missing\\spt\\A.txt"),
              ws.Root() + "/Host/Missing/spt/A.txt");
    // An exact match wins over another spelling.
    fs::create_directories((ws.Root() + "/host").str());
    EXPECT_EQ(vq::NativePath(ws.Root() + "/host/x"), ws.Root() + "/host/x");
}

TEST(Folders, NativePathKeepsTheShapeOfThePath) {
    EXPECT_EQ(vq::NativePath("qent\\spt\\vqpdmcad.ini"), "qent/spt/vqpdmcad.ini");
    EXPECT_EQ(vq::NativePath("D:\\Host\\\\qent"), "D:/Host//qent"); // not normalised
    EXPECT_EQ(vq::NativePath(""), "");
    EXPECT_EQ(vq::NativePath("/"), "/");
}

TEST(Folders, OnlyPathsThatStayBelowTheirFolderPassTheCheck) {
    struct Case {
        const char* path;
        bool below;
    };
    const Case cases[] = {
        {"B-3000-02-01.dwg", true},
        {"Drawings/B-3000-02-01.dwg", true}, // a stored name with a subfolder
        {"Drawings\\sub\\B.dwg", true},
        {"a..b.dwg", true},
        {"..rtf", true},
        {".a", true},
        {"a. b", true},
        {"校对_总图.dwf", true},
        {"", false},
        {"..", false},
        {"x/../../../Working/XM-02-01/B-3000-02-01", false},
        {"x\\..\\..\\..\\Working\\XM-02-01\\B-3000-02-01", false},
        {"../../../../x.dwg", false},
        {"..\\..\\x.dwg", false},
        {"a/..", false},
        {"a\\..\\", false},
        {"/srv/x.dwg", false},
        {"\\srv\\x.dwg", false},
        {"C:\\x.dwg", false},
        {"c:x.dwg", false},
        {"a\tb.dwg", false},
        {"a\nb.dwg", false},
        {"a\x7f.dwg", false},
        // A component of dots and blanks only names the folder itself or the one above: a server
        // that drops trailing dots and blanks reads "...", ". " and ".. " as "." or "..".
        {".", false},
        {"...", false},
        {". ", false},
        {".. ", false},
        {" ", false},
        {"./a.dwg", false},
        {"a/./b.dwg", false},
        {"a\\. \\b.dwg", false},
        {"Working/.../x.dwg", false},
        {"a/.", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vq::StaysBelowFolder(c.path), c.below) << c.path;
    EXPECT_FALSE(vq::StaysBelowFolder(CString(std::string("a\0b", 3))));
}
