#include "platform/base/Folders.h"

#include "tests/support/HostProcess.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

#include "platform/base/File.h"
#include "platform/base/ProcessMark.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sched.h>
#include <string>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
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

namespace {

// Ages a call folder's viewers record past the time copies handed to viewers are kept for.
void AgeRecord(const std::string& folder) {
    const std::string record = folder + ".viewers";
    ASSERT_TRUE(fs::exists(record)) << record;
    fs::last_write_time(record, fs::file_time_type::clock::now() - vq::kHandedCopiesKeptFor -
                                    std::chrono::minutes(1));
}

// A process id that no process of this namespace has.
long UnusedProcessId() {
    for (long pid = 4194000;; --pid)
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            return pid;
}

// The clock ticks since boot at which no process can have started: one far ahead.
unsigned long long TickNoProcessStartedAt() {
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return (static_cast<unsigned long long>(now.tv_sec) + 1000000ull) *
           static_cast<unsigned long long>(::sysconf(_SC_CLK_TCK));
}

// The mark earlier builds gave this process's folders: a hash of the host name, the boot's, the id
// and the start time.
vq::ProcessMark EarlierFormMark(long pid, unsigned long long start) {
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    const auto hash = [](const std::string& text) {
        std::uint32_t h = 2166136261u;
        for (const unsigned char c : text) {
            h ^= c;
            h *= 16777619u;
        }
        return h;
    };
    std::ifstream bootFile("/proc/sys/kernel/random/boot_id");
    std::string boot;
    bootFile >> boot;
    vq::ProcessMark mark;
    mark.machine = hash(host);
    mark.boot = hash(boot);
    mark.pid = pid;
    mark.start = start;
    mark.earlierForm = true;
    return mark;
}

// The checks of the call folders a later run removes (run as they are, and while processes come
// and go).
void CheckCallFoldersOfEndedRunsGo(vqtest::Workspace& ws) {
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
    vq::ProcessMark otherMachineEarlierBoot = otherMachine;
    otherMachineEarlierBoot.boot ^= 1;
    vq::ProcessMark earlierBoot = runningMark;
    earlierBoot.boot ^= 1;
    // A process of another PID namespace (a sandbox sharing the temporary folder): its id means
    // nothing here, whether or not a process of that id runs; it has ended only when no process of
    // the machine started at its moment.
    vq::ProcessMark otherSpaceUnseen = runningMark;
    otherSpaceUnseen.pidSpace ^= 1;
    otherSpaceUnseen.pid = UnusedProcessId();
    vq::ProcessMark otherSpaceEnded = runningMark;
    otherSpaceEnded.pidSpace ^= 1;
    otherSpaceEnded.start = TickNoProcessStartedAt();
    // A start time read in another time namespace differs by its offset: not a sign of another
    // process.
    vq::ProcessMark otherClock = runningMark;
    otherClock.timeSpace ^= 1;
    otherClock.start += 1000;
    EXPECT_FALSE(vq::ProcessHasEnded(otherSpaceUnseen));
    EXPECT_FALSE(vq::ProcessHasEnded(otherClock));
    // Marks of earlier builds name no namespace and the host name alone.
    const vq::ProcessMark earlierRunning = EarlierFormMark(UnusedProcessId(), runningMark.start);
    const vq::ProcessMark earlierEnded = EarlierFormMark(running.pid, TickNoProcessStartedAt());
    vq::ProcessMark earlierOtherBoot = earlierEnded;
    earlierOtherBoot.boot ^= 1;
    const bool seesAll = std::filesystem::read_symlink("/proc/self/ns/pid").string() == "pid:[4026531836]";

    std::vector<std::string> gone = {
        PlantCallFolder(working, CallFolderName(killedMark, "Ab12Cd")),
        PlantCallFolder(working, CallFolderName(reused, "Ab12Cd")),
        PlantCallFolder(working, CallFolderName(earlierBoot, "Ab12Cd")),
    };
    std::vector<std::string> kept = {
        PlantCallFolder(working, CallFolderName(runningMark, "Ab12Cd")),
        PlantCallFolder(working, CallFolderName(otherMachine, "Ab12Cd")),
        PlantCallFolder(working, CallFolderName(otherMachineEarlierBoot, "Ab12Cd")),
        PlantCallFolder(working, CallFolderName(otherSpaceUnseen, "Ab12Cd")),
        PlantCallFolder(working, CallFolderName(otherClock, "Ab12Cd")),
        PlantCallFolder(working, CallFolderName(earlierRunning, "Ab12Cd")),
        PlantCallFolder(working, CallFolderName(earlierOtherBoot, "Ab12Cd")),
        PlantCallFolder(working, "call-Ab12Cd"),
        PlantCallFolder(working, "registry"),
    };
    // Proven ended only by a process that sees every process of the machine.
    for (const vq::ProcessMark& mark : {otherSpaceEnded, earlierEnded})
        (seesAll ? gone : kept).push_back(PlantCallFolder(working, CallFolderName(mark, "Ab12Cd")));
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

// The checks of copies handed to viewers whose programs run in the session they were started in
// (run as they are, and while processes come and go).
void CheckCopiesStayForViewersOfTheirSession(vqtest::Workspace& ws) {
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
    // Past the time copies are kept for, the viewer's session still runs.
    AgeRecord(folder);
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
    // The copy was handed over just now: a viewer it was passed on to may open it yet.
    vq::RemoveLeftoverCallFolders();
    EXPECT_TRUE(fs::exists(left + "/校对.rtf"));
    AgeRecord(left);
    vq::RemoveLeftoverCallFolders();
    EXPECT_FALSE(fs::exists(left));
    EXPECT_FALSE(fs::exists(left + ".viewers"));

    // Of a maker in another PID namespace the sessions mean nothing here: the record's time and
    // the files held open decide.
    vq::ProcessMark elsewhere = vq::ThisProcessMark();
    elsewhere.pidSpace ^= 1;
    elsewhere.start = TickNoProcessStartedAt();
    if (std::filesystem::read_symlink("/proc/self/ns/pid").string() == "pid:[4026531836]") {
        const std::string sandboxed = PlantCallFolder(working, CallFolderName(elsewhere, "Sb01Sb"));
        std::ofstream(sandboxed + ".viewers") << ::getsid(0) << "\n";
        vq::RemoveLeftoverCallFolders();
        EXPECT_TRUE(fs::exists(sandboxed + "/校对.rtf"));
        AgeRecord(sandboxed);
        vq::RemoveLeftoverCallFolders();
        EXPECT_FALSE(fs::exists(sandboxed));
    }
}

} // namespace

// A call folder's name carries the mark of its maker. At a later run's start the folders of makers
// that have ended for certain (killed while a review was open) go with what they hold; those of
// running processes, of another machine (whatever its boot), of a process that cannot be seen from
// here (another PID namespace), and of names this system does not make stay. A process id that
// another process took since is not mistaken for the maker.
TEST(Folders, CallFoldersOfRunsThatEndedGoAtTheNextStart) {
    vqtest::Workspace ws;
    CheckCallFoldersOfEndedRunsGo(ws);
}

// A copy handed to a viewer that reads it later (a program started detached) keeps its folder
// after the window went, until every process of the viewer's session has ended and the copy was
// handed over long enough ago; at a later run as well, whose maker has ended by then.
TEST(Folders, ACopyHandedToAViewerStaysUntilTheViewerHasEnded) {
    vqtest::Workspace ws;
    CheckCopiesStayForViewersOfTheirSession(ws);
}

namespace {

// A process of the test's own that takes hold of a copy the way a viewer outside the session the
// copy was handed to does (a daemon, a running instance, a program the desktop's service manager
// started): in a session of its own, told a path, it reads the file and keeps it open, maps it, or
// works in its folder, and lets go when its input closes.
class OutsideViewer {
public:
    enum Way { kKeepsOpen, kMaps, kWorksIn };

    explicit OutsideViewer(Way way) {
        int go[2], told[2];
        if (::pipe(go) != 0 || ::pipe(told) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::setsid();
            ::close(go[1]);
            ::close(told[0]);
            std::string path;
            char c;
            while (::read(go[0], &c, 1) == 1 && c != '\n')
                path += c;
            std::string seen(64, '\0');
            const int fd = ::open(path.c_str(), O_RDONLY);
            const ssize_t n = fd >= 0 ? ::read(fd, seen.data(), seen.size()) : -1;
            seen.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
            if (way == kMaps && fd >= 0)
                ::mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE, fd, 0);
            if (way != kKeepsOpen && fd >= 0)
                ::close(fd);
            if (way == kWorksIn && ::chdir(fs::path(path).parent_path().c_str()) != 0)
                seen = "no chdir";
            [[maybe_unused]] const ssize_t w = ::write(told[1], seen.data(), seen.size());
            ::close(told[1]);
            while (::read(go[0], &c, 1) > 0) {
            }
            ::_exit(0);
        }
        ::close(go[0]);
        ::close(told[1]);
        m_go = go[1];
        m_told = told[0];
    }
    ~OutsideViewer() { End(); }
    // Has it open the file (late: long after it started); what it read.
    std::string Open(const std::string& path) {
        const std::string line = path + "\n";
        if (::write(m_go, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
            return std::string();
        std::string seen;
        char buffer[64];
        for (ssize_t n; (n = ::read(m_told, buffer, sizeof buffer)) > 0;)
            seen.append(buffer, static_cast<std::size_t>(n));
        return seen;
    }
    void End() {
        if (m_pid <= 0)
            return;
        ::close(m_go);
        ::close(m_told);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_go = -1;
    int m_told = -1;
};

} // namespace

// A copy handed to a viewer stays for as long as a viewer may read it, whichever way the viewer
// runs: the program started with the path ends at once, having passed the path on to a process
// outside its session (one it became by daemonising, a running instance, one the desktop's service
// manager starts), which opens the copy only after the window went, and keeps it open, maps it or
// works in its folder past the time copies are kept for, and past the end of the run.
TEST(Folders, ACopyStaysWhileAViewerOutsideTheSessionItWasHandedToMayReadIt) {
    vqtest::Workspace ws;
    for (const OutsideViewer::Way way :
         {OutsideViewer::kKeepsOpen, OutsideViewer::kMaps, OutsideViewer::kWorksIn}) {
        SCOPED_TRACE(way);
        OutsideViewer instance(way);
        std::string copy;
        {
            BlockedChild launcher(true);
            vq::CallFolder window;
            copy = (window.Path() + "P-1_total_.dwg").str();
            std::ofstream(copy) << "drawing bytes";
            vq::HandedToViewer(CString(copy), launcher.pid);
            // It passed the path on and ended before the window closed.
            launcher.End();
        }
        const std::string folder = fs::path(copy).parent_path().string();
        vq::RemoveLeftoverCallFolders();
        ASSERT_TRUE(fs::exists(copy));
        EXPECT_EQ(instance.Open(copy), "drawing bytes");
        AgeRecord(folder);
        vq::RemoveLeftoverCallFolders();
        EXPECT_TRUE(fs::exists(copy));
        // A later run, whose maker has ended, leaves it too.
        NextRunsWorkingFolder();
        EXPECT_TRUE(fs::exists(copy));
        instance.End();
        vq::RemoveLeftoverCallFolders();
        EXPECT_FALSE(fs::exists(folder));
        EXPECT_FALSE(fs::exists(folder + ".viewers"));
    }
    // A folder of a run killed with a copy held open by a process (no record) stays as well.
    BlockedChild maker(false);
    vq::ProcessMark makerMark;
    ASSERT_TRUE(vq::MarkOfProcess(maker.pid, makerMark));
    maker.End(true);
    const std::string left = PlantCallFolder(ws.WorkDir().str(), CallFolderName(makerMark, "Kk00Kk"));
    OutsideViewer holder(OutsideViewer::kKeepsOpen);
    EXPECT_NE(holder.Open(left + "/校对.rtf"), "");
    vq::RemoveLeftoverCallFolders();
    EXPECT_TRUE(fs::exists(left + "/校对.rtf"));
    holder.End();
    vq::RemoveLeftoverCallFolders();
    EXPECT_FALSE(fs::exists(left));
}

namespace {

// Children that start and end at once, a few at a time, as on a busy machine: until stopped, or
// until a bound in count or time is reached.
class ProcessChurn {
public:
    ProcessChurn(int limit, std::chrono::seconds bound) {
        const auto deadline = std::chrono::steady_clock::now() + bound;
        m_thread = std::thread([this, limit, deadline] {
            while (!m_stop && m_made < limit && std::chrono::steady_clock::now() < deadline) {
                pid_t batch[8];
                int started = 0;
                for (pid_t& pid : batch) {
                    // Each child shares the test's table of open files instead of a copy of it:
                    // a child that the busy machine has not let end yet then never holds a file
                    // the test has closed meanwhile (a copy it wrote into a folder it checks).
                    pid = static_cast<pid_t>(
                        ::syscall(SYS_clone, CLONE_FILES | SIGCHLD, nullptr, nullptr, nullptr, nullptr));
                    if (pid == 0)
                        ::_exit(0);
                    started += pid > 0;
                }
                for (const pid_t pid : batch)
                    if (pid > 0)
                        ::waitpid(pid, nullptr, 0);
                m_made += started;
            }
            m_done = true;
        });
    }
    ~ProcessChurn() {
        m_stop = true;
        m_thread.join();
    }
    bool Running() const { return !m_done; }
    int Made() const { return m_made; }

private:
    std::atomic<bool> m_stop{false}, m_done{false};
    std::atomic<int> m_made{0};
    std::thread m_thread;
};

} // namespace

// Processes that end while they are read (thousands of short children meanwhile) are taken for
// ended: reading them never throws, not from a window's object going either, and a process that
// runs is never taken for ended. The call-folder rules hold meanwhile.
TEST(Folders, ProcessesEndingWhileTheyAreReadNeverMakeTheChecksFail) {
    vqtest::Workspace ws;
    const std::string working = ws.WorkDir().str();
    BlockedChild viewer(true);
    vq::ProcessMark running;
    ASSERT_TRUE(vq::MarkOfProcess(viewer.pid, running));
    std::vector<std::string> folders;
    {
        ProcessChurn churn(2000, std::chrono::seconds(12));
        // A second reader meanwhile, as another window of the process may be.
        std::atomic<int> thrown{0}, wrong{0};
        std::thread reader([&] {
            while (churn.Running()) {
                try {
                    vq::ProcessMark mark;
                    wrong += !vq::SessionMayRun(viewer.pid) || vq::ProcessHasEnded(running) ||
                             !vq::MarkOfProcess(viewer.pid, mark) || !(mark == running);
                } catch (...) {
                    ++thrown;
                }
            }
        });
        while (churn.Running()) {
            EXPECT_NO_THROW({
                EXPECT_TRUE(vq::SessionMayRun(viewer.pid));
                EXPECT_FALSE(vq::ProcessHasEnded(running));
                EXPECT_EQ(vq::FoldersInUse({working}), std::vector<bool>{false});
                {
                    vq::CallFolder window;
                    const CString copy = window.Path() + "a.dwg";
                    std::ofstream(copy.str()) << "drawing bytes";
                    vq::HandedToViewer(copy, viewer.pid);
                    folders.push_back(fs::path(copy.str()).parent_path().string());
                }
                vq::RemoveLeftoverCallFolders();
            });
        }
        reader.join();
        EXPECT_EQ(thrown, 0);
        EXPECT_EQ(wrong, 0);
        EXPECT_GT(churn.Made(), 100);
    }
    for (const std::string& folder : folders) {
        EXPECT_TRUE(fs::exists(folder + "/a.dwg")) << folder;
        AgeRecord(folder);
    }
    viewer.End();
    vq::RemoveLeftoverCallFolders();
    for (const std::string& folder : folders)
        EXPECT_FALSE(fs::exists(folder)) << folder;

    ProcessChurn churn(2000, std::chrono::seconds(12));
    CheckCallFoldersOfEndedRunsGo(ws);
    CheckCopiesStayForViewersOfTheirSession(ws);
}

namespace {

// A child of the test in namespaces of its own (CLONE_NEW... flags; in a new PID namespace it is
// the first process, with a /proc of its own). It runs a function, hands back what it returned, and
// runs on until End. result is "unshare failed" when the namespaces cannot be made.
class NamespacedChild {
public:
    NamespacedChild(int flags, const std::function<std::string()>& body) {
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(in[1]);
            ::close(out[0]);
            std::string result;
            if (::unshare(flags) != 0) {
                result = "unshare failed";
            } else {
                if ((flags & CLONE_NEWNS) != 0)
                    ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
                if ((flags & CLONE_NEWPID) != 0) {
                    const pid_t first = ::fork();
                    if (first != 0) {
                        ::close(in[0]);
                        ::close(out[1]);
                        ::waitpid(first, nullptr, 0);
                        ::_exit(0);
                    }
                    if (::mount("proc", "/proc", "proc", 0, nullptr) != 0)
                        result = "unshare failed";
                }
                if (result.empty())
                    result = body();
            }
            [[maybe_unused]] const ssize_t n = ::write(out[1], result.data(), result.size());
            ::close(out[1]);
            char c;
            while (::read(in[0], &c, 1) > 0) {
            }
            ::_exit(0);
        }
        ::close(in[0]);
        ::close(out[1]);
        m_input = in[1];
        char buffer[256];
        for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
            result.append(buffer, static_cast<std::size_t>(n));
        ::close(out[0]);
    }
    ~NamespacedChild() { End(); }
    void End() {
        if (m_pid <= 0)
            return;
        ::close(m_input);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    std::string result;

private:
    pid_t m_pid = -1;
    int m_input = -1;
};

} // namespace

// Two hosts of one user sharing the temporary folder, one in a PID namespace of its own (a sandbox
// or container): neither takes the other's running maker, whose id it cannot see, for ended, and
// neither removes the other's folders while their makers run.
TEST(Folders, HostsInPidNamespacesOfTheirOwnKeepEachOthersCallFolders) {
    if (!vqtest::CanActAsOtherUser())
        GTEST_SKIP() << "needs root to make namespaces";
    vqtest::Workspace ws;
    const std::string working = ws.WorkDir().str();
    vq::CallFolder own;
    const std::string ownFolder = own.Path().str();
    BlockedChild killed(false);
    vq::ProcessMark killedMark;
    ASSERT_TRUE(vq::MarkOfProcess(killed.pid, killedMark));
    killed.End(true);
    const std::string killedFolder = PlantCallFolder(working, CallFolderName(killedMark, "Ab12Cd"));

    NamespacedChild sandbox(CLONE_NEWPID | CLONE_NEWNS, [] {
        // Left to the end of the process, as a window still open.
        auto* window = new vq::CallFolder;
        const std::string folder = window->Path().str();
        vq::RemoveLeftoverCallFolders();
        return folder + "\n" + vq::MarkText(vq::ThisProcessMark());
    });
    if (sandbox.result == "unshare failed")
        GTEST_SKIP() << "no PID namespaces here";
    const std::size_t line = sandbox.result.find('\n');
    ASSERT_NE(line, std::string::npos) << sandbox.result;
    const std::string sandboxFolder = sandbox.result.substr(0, line);
    vq::ProcessMark sandboxMark;
    ASSERT_TRUE(vq::ParseMark(sandbox.result.substr(line + 1), sandboxMark)) << sandbox.result;
    EXPECT_EQ(sandboxMark.pid, 1);
    EXPECT_NE(sandboxMark.pidSpace, vq::ThisProcessMark().pidSpace);
    EXPECT_EQ(sandboxMark.machine, vq::ThisProcessMark().machine);
    // Its sweep left this namespace's folders alone, the one of a maker ended as well: nothing
    // there proves it.
    EXPECT_TRUE(fs::is_directory(ownFolder));
    EXPECT_TRUE(fs::exists(killedFolder + "/校对.rtf"));
    EXPECT_FALSE(vq::ProcessHasEnded(sandboxMark));
    vq::RemoveLeftoverCallFolders();
    EXPECT_TRUE(fs::is_directory(sandboxFolder));
    EXPECT_FALSE(fs::exists(killedFolder));
    sandbox.End();
}

// The machine a mark names is its machine id (/etc/machine-id, else /var/lib/dbus/machine-id),
// not its host name: a process of this machine under another host name is of this machine, one
// with another id is another machine's even under this host name, and its folders stay whatever
// its boot and process. Only without an id does the host name tell machines apart.
TEST(Folders, AMachineIsKnownByItsIdNotItsHostName) {
    if (!vqtest::CanActAsOtherUser())
        GTEST_SKIP() << "needs root to make namespaces";
    vqtest::Workspace ws;
    const std::string other = ws.WriteFile("other-id", "0123456789abcdef0123456789abcdef\n").str();
    const std::string empty = ws.WriteFile("no-id", "").str();
    const auto machineOf = [](int flags, const char* host, const std::string& etcId,
                              const std::string& dbusId) {
        NamespacedChild child(flags, [&] {
            if ((host && ::sethostname(host, std::strlen(host)) != 0) ||
                (!etcId.empty() &&
                 ::mount(etcId.c_str(), "/etc/machine-id", nullptr, MS_BIND, nullptr) != 0) ||
                (!dbusId.empty() &&
                 ::mount(dbusId.c_str(), "/var/lib/dbus/machine-id", nullptr, MS_BIND, nullptr) != 0))
                return std::string("unshare failed");
            return vq::MarkText(vq::ThisProcessMark());
        });
        vq::ProcessMark mark;
        return vq::ParseMark(child.result, mark) ? std::optional<std::uint64_t>(mark.machine) : std::nullopt;
    };
    const std::uint64_t here = vq::ThisProcessMark().machine;
    const auto renamed = machineOf(CLONE_NEWUTS, "another-host", "", "");
    // The second place is put in the way only where the machine has it.
    const std::string dbusFile = "/var/lib/dbus/machine-id";
    const bool dbus = fs::exists(dbusFile);
    const auto otherId = machineOf(CLONE_NEWNS, nullptr, other, dbus ? other : "");
    const auto noId = machineOf(CLONE_NEWNS, nullptr, empty, dbus ? empty : "");
    const auto noIdRenamed = machineOf(CLONE_NEWNS | CLONE_NEWUTS, "another-host", empty, dbus ? empty : "");
    if (!renamed || !otherId || !noId || !noIdRenamed)
        GTEST_SKIP() << "no namespaces or no machine id here";
    EXPECT_EQ(*renamed, here);
    EXPECT_NE(*otherId, here);
    if (dbus) {
        EXPECT_EQ(machineOf(CLONE_NEWNS, nullptr, empty, other), otherId);
    }
    EXPECT_NE(*noId, here);
    EXPECT_NE(*noId, *otherId);
    EXPECT_NE(*noIdRenamed, *noId);

    // A process of the other machine under this host name, in a boot and with an id not of here.
    vq::ProcessMark elsewhere = vq::ThisProcessMark();
    elsewhere.machine = *otherId;
    elsewhere.boot ^= 1;
    elsewhere.pid = UnusedProcessId();
    vq::ProcessMark earlierBoot = elsewhere;
    earlierBoot.machine = here;
    const std::string working = ws.WorkDir().str();
    const std::string kept = PlantCallFolder(working, CallFolderName(elsewhere, "Mm00Mm"));
    const std::string gone = PlantCallFolder(working, CallFolderName(earlierBoot, "Mm00Mm"));
    vq::RemoveLeftoverCallFolders();
    EXPECT_TRUE(fs::exists(kept + "/校对.rtf"));
    EXPECT_FALSE(fs::exists(gone));
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
