// An entry function called by a program other than our host's main window, as any host calls it:
// the library's exported symbol looked up with dlopen/dlsym, with no main window and nobody
// having set up message boxes. Its questions are asked in the Qt window of its dialog. Where
// nobody can be asked (no display, a display that does not answer, the off-screen platform and
// no program working the widgets) nothing waits and nothing aborts: the call is refused and every
// box gets its safe answer. Windows an entry leaves open keep a single call going until they
// close; quitting the main window closes each through its cancel road; a window still open gives
// its step back however its program ends (returning from main, exit(), the display killed, ended or
// frozen, the host on a signal), and a program's quit is not held up by it.
#include "controls/FtpTransferWindow.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/db/Connection.h"
#include "platform/maker/FileStore.h"
#include "platform/os/EntryTable.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/HostSupport.h"
#include "platform/ui/TreeCtrl.h"
#include "platform/ui/View.h"
#include "platform/ui/Wnd.h"
#include "platform/ui/qt/QtDialogView.h"
#include "review/DesignDocAuditDlg.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/FtpServer.h"
#include "tests/support/HostProcess.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/UnattendedMessageBoxes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// The library as an outside program loads it.
void* Symbol(const char* name) {
    static void* library = dlopen(VQ_BINARY_DIR "/libvqdesigntask.so", RTLD_NOW);
    return library ? dlsym(library, name) : nullptr;
}

// The test works the Qt view's widgets itself, off screen unless a display was given: it sets the
// view (a program that works the widgets answers the dialogs), and has the boxes shown there by
// the presenter the library installed as it was loaded.
class WorkTheWidgets {
public:
    WorkTheWidgets() {
        const char* display = std::getenv("DISPLAY");
        if (!std::getenv("QT_QPA_PLATFORM") && !(display && *display))
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        m_view = vq::SetDialogView(&vq::QtDialogView());
        EXPECT_TRUE(vqtest::LibraryMessageBoxPresenter());
        m_presenter = vq::SetMessageBoxPresenter(vqtest::LibraryMessageBoxPresenter());
    }
    ~WorkTheWidgets() {
        vq::SetMessageBoxPresenter(std::move(m_presenter));
        vq::SetDialogView(m_view);
    }
    WorkTheWidgets(const WorkTheWidgets&) = delete;
    WorkTheWidgets& operator=(const WorkTheWidgets&) = delete;

private:
    vq::DialogView* m_view = nullptr;
    vq::MessageBoxPresenter m_presenter;
};

// The top-level dialog of this caption that the Qt view shows, or nullptr.
CDialog* ShownDialog(const CString& caption) {
    for (CWnd* window : vq::TopLevelWindows()) {
        auto* dialog = dynamic_cast<CDialog*>(window);
        if (dialog && dialog->GetWindowTextValue() == caption &&
            !vq::qtinput::ShownRect(*dialog).IsRectEmpty())
            return dialog;
    }
    return nullptr;
}

std::string ReadBytes(const CString& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// Sets environment variables for the life of the object, then puts back what was there.
class Environment {
public:
    void Set(const char* name, const char* value) {
        if (!m_saved.count(name)) {
            const char* old = std::getenv(name);
            m_saved[name] =
                old ? std::make_pair(true, std::string(old)) : std::make_pair(false, std::string());
        }
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~Environment() {
        for (const auto& [name, old] : m_saved) {
            if (old.first)
                ::setenv(name.c_str(), old.second.c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }

private:
    std::map<std::string, std::pair<bool, std::string>> m_saved;
};

// Every wait below ends within seconds unless something waits for a person who is not there.
constexpr auto kPatience = std::chrono::seconds(90);
// How long a program that is ending may take: it ends at once, or never when it waits for
// something; what lies between is a busy machine.
constexpr auto kEndingPatience = std::chrono::seconds(30);

// Waits until `done` holds, looking again every few milliseconds, at most `patience`; whether it
// came to hold.
bool Eventually(const std::function<bool()>& done, std::chrono::milliseconds patience = kPatience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return true;
}

const std::string kHost = VQ_BINARY_DIR "/host/vqhost";
const std::string kOutsideCaller = VQ_BINARY_DIR "/tests/vqoutsidecaller";

// Waits for a program started with StartProgram to end; one still running after kPatience is
// killed, and the test fails.
vqtest::HostRun WaitForEnd(int pid, const std::string& output) {
    vqtest::HostRun run;
    if (pid < 0) {
        ADD_FAILURE() << "the program did not start";
        return run;
    }
    if (!Eventually([&] { return vqtest::FinishHost(pid, output, run, false); })) {
        ::kill(pid, SIGKILL);
        vqtest::FinishHost(pid, output, run);
        ADD_FAILURE() << "the program waited for somebody:\n" << run.out;
    }
    return run;
}

vqtest::HostRun RunToEnd(const std::string& program, const std::vector<std::string>& args,
                         const vqtest::Workspace& ws) {
    const std::string output = ws.Root().str() + "/run.out";
    return WaitForEnd(vqtest::StartProgram(program, args, output), output);
}

// The demo data, with the drawing of F-0006 stored, so that its review window opens without a
// message (a window that waits for nobody but whoever works it).
void LoadDemo(vqtest::DbWorkspace& ws) {
    vqtest::DbWorkspace::RunScript(ws.Connect(), CString(ReadBytes(VQ_SOURCE_DIR "/schema/sqlite/demo.sql")));
    ws.Execute("INSERT INTO TeamWorkResultPack (FileID) VALUES ('F-0006')");
    const CString drawing = ws.WriteFile("in/P-1000-01-01-02.dwg", "a drawing");
    theApp.m_pConnPDM = ws.Connect();
    CVQSaveFileToDB store;
    EXPECT_EQ(store.PushFileToDB("SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='F-0006'",
                                 drawing, "DocContent", "PDM"),
              1);
    theApp.m_pConnPDM = nullptr;
}

CString Working(const vqtest::DbWorkspace& ws) {
    return ws.QueryText("SELECT Working FROM TeamWorkAudit WHERE FileID='F-0006' AND AuditTask='校对'");
}

CString RecordedLogin() {
    return ReadSetting("公共管理功能", "当前登陆用户帐号", "");
}

// An X display name on loopback whose port accepts connections and never answers (a listening
// socket nobody serves), or with `listening` false, one where nothing listens at all.
class SilentDisplay {
public:
    explicit SilentDisplay(bool listening) {
        for (int number = 40; number < 1000 && m_name.empty(); ++number) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_port = htons(static_cast<uint16_t>(6000 + number));
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                (!listening || ::listen(fd, 8) == 0))
                m_name = "127.0.0.1:" + std::to_string(number);
            if (listening && !m_name.empty())
                m_fd = fd;
            else
                ::close(fd);
        }
    }
    ~SilentDisplay() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    const std::string& Name() const { return m_name; }

private:
    int m_fd = -1;
    std::string m_name;
};

// A Wayland display at a path: a socket that accepts connections and never answers.
class SilentWaylandSocket {
public:
    explicit SilentWaylandSocket(const std::string& path) : m_path(path) {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        EXPECT_EQ(::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
        EXPECT_EQ(::listen(m_fd, 8), 0);
    }
    ~SilentWaylandSocket() {
        ::close(m_fd);
        ::unlink(m_path.c_str());
    }
    SilentWaylandSocket(const SilentWaylandSocket&) = delete;
    SilentWaylandSocket& operator=(const SilentWaylandSocket&) = delete;

private:
    std::string m_path;
    int m_fd = -1;
};

// A display of the tests' own where a person could look (Xvfb, which scripts/setup installs), on
// a free display number; stopped at the end. Nobody looks: the runs on it must not ask.
class VirtualDisplay {
public:
    // Each test process tries display numbers of its own: a server that took the number of one
    // that another test is just ending would lose its socket file as that one cleans up. What the
    // server does when its last client leaves: starts afresh (as a bare Xvfb does), ends (so that
    // a reset shows), or stays as it is (the program's look whether it answers, just before Qt
    // connects, is then no last client).
    enum class LastClient { Resets, Ends, Stays };
    explicit VirtualDisplay(LastClient last = LastClient::Resets) : m_last(last) {
        if (::access("/usr/bin/Xvfb", X_OK) != 0)
            return;
        // Below 59536: the program's look at whether a display answers reads no higher number.
        const int first = 100 + static_cast<int>(::getpid() % 2900) * 20;
        for (int number = first; number < first + 20 && m_name.empty(); ++number)
            Start(number);
    }
    ~VirtualDisplay() {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGCONT);
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
    // ":N", or empty when the server did not start.
    const std::string& Name() const { return m_name; }
    // Sends the server a signal: SIGKILL kills it, SIGTERM ends it in order (waiting for its end
    // in both cases), SIGSTOP freezes it.
    void Signal(int signo) {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, signo);
        if (signo == SIGKILL || signo == SIGTERM) {
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
        // A killed server leaves its lock and socket files behind.
        if (signo == SIGKILL) {
            const std::string number = m_name.substr(1);
            ::unlink(("/tmp/.X" + number + "-lock").c_str());
            ::unlink(("/tmp/.X11-unix/X" + number).c_str());
        }
    }

private:
    // Starts a server on display `number`; m_name stays empty when it did not start (the number
    // is taken).
    void Start(int number) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return;
        const std::string display = ":" + std::to_string(number);
        m_pid = ::fork();
        if (m_pid == 0) {
            // The display's number is written to descriptor 3 once the server is ready.
            ::dup2(fds[1], 3);
            ::fcntl(3, F_SETFD, 0);
            const int quiet = ::open("/dev/null", O_WRONLY);
            ::dup2(quiet, 1);
            ::dup2(quiet, 2);
            ::execl("/usr/bin/Xvfb", "Xvfb", display.c_str(), "-displayfd", "3", "-nolisten", "tcp",
                    "-screen", "0", "1280x1024x24",
                    m_last == LastClient::Ends     ? "-terminate"
                    : m_last == LastClient::Stays ? "-noreset"
                                                  : "-reset",
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        std::string ready;
        pollfd wait{fds[0], POLLIN, 0};
        char c = 0;
        while (::poll(&wait, 1, static_cast<int>(kPatience / std::chrono::milliseconds(1))) == 1 &&
               ::read(fds[0], &c, 1) == 1 && c != '\n')
            ready += c;
        ::close(fds[0]);
        if (!ready.empty()) {
            m_name = ":" + ready;
            return;
        }
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
        m_pid = -1;
    }

    LastClient m_last = LastClient::Resets;
    pid_t m_pid = -1;
    std::string m_name;
};

// The environment of the runs on the virtual display: that display, and no platform chosen.
void OnDisplay(Environment& env, const VirtualDisplay& display) {
    env.Set("DISPLAY", display.Name().c_str());
    env.Set("WAYLAND_DISPLAY", nullptr);
    env.Set("QT_QPA_PLATFORM", nullptr);
}

// Where nobody can answer, in the environment set: the host's call of a modal entry and of the
// modeless review are refused at once, saying why on standard error (naming `named`: the platform
// or the display tried) and ending with a failure status, and store nothing (not even the login
// account); a box of an outside program takes its safe answer. Each run ends by no signal, and
// soon: the display probe waits 3 seconds at most, and a run on an idle machine ends within 5;
// the bound leaves room for a start on a busy one (a run that waits for somebody waits 30 seconds
// or without end).
void ExpectNothingWaits(const vqtest::DbWorkspace& ws, const std::string& environment,
                        const std::string& named = "") {
    SCOPED_TRACE(environment);
    const CString login = RecordedLogin();
    const CString working = Working(ws);
    const auto quickly = [&ws](const std::string& program, const std::vector<std::string>& args) {
        const auto start = std::chrono::steady_clock::now();
        const vqtest::HostRun run = RunToEnd(program, args, ws);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15)) << run.out;
        EXPECT_EQ(run.signal, 0) << run.out;
        return run;
    };
    const vqtest::HostRun modal =
        quickly(kHost, {"AssignTeamTaskMain", "XM-01", "XM-01-01", "zhangsan", "0", "0"});
    EXPECT_EQ(modal.status, 2) << modal.out;
    EXPECT_NE(modal.out.find("needs a display"), std::string::npos) << modal.out;
    EXPECT_NE(modal.out.find(named), std::string::npos) << modal.out;
    EXPECT_NE(modal.out.find("result: 0"), std::string::npos) << modal.out;
    EXPECT_EQ(RecordedLogin(), login);
    const vqtest::HostRun modeless =
        quickly(kHost, {"DoMultiTeamTaskAuditWithMarkup", "F-0006", "zhaoliu", "校对", "0"});
    EXPECT_EQ(modeless.status, 2) << modeless.out;
    EXPECT_NE(modeless.out.find("needs a display"), std::string::npos) << modeless.out;
    EXPECT_NE(modeless.out.find("result: 0"), std::string::npos) << modeless.out;
    EXPECT_EQ(Working(ws), working);
    EXPECT_EQ(RecordedLogin(), login);
    const vqtest::HostRun box = quickly(kOutsideCaller, {"--box"});
    EXPECT_EQ(box.status, 0) << box.out;
    EXPECT_NE(box.out.find("answer: " + std::to_string(IDNO)), std::string::npos) << box.out;
}

// The demo workspace, with the runs on a virtual display of their own.
class WindowCallOnDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(display.Name().empty()) << "Xvfb did not start (scripts/setup installs it)";
        LoadDemo(ws);
        OnDisplay(env, display);
    }

    const VirtualDisplay display;
    vqtest::DbWorkspace ws{0};
    Environment env;
};

// The output of a shell command (the display's own tools), read whole.
std::string CommandOutput(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

// A window manager (openbox, which scripts/setup installs) on the display of DISPLAY, managing
// once the constructor returns; stopped at the end. Now and then, on a busy machine, openbox starts
// without ever naming itself: one that has not within half a minute is stopped and started again,
// three times at most, and what the last one said is kept for the failure's message.
class WindowManager {
public:
    WindowManager() {
        for (int attempt = 0; attempt < 3 && !m_managing; ++attempt) {
            Stop();
            Start();
        }
    }
    ~WindowManager() {
        Stop();
        ::unlink(m_log.c_str());
    }
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;
    bool Managing() const { return m_managing; }
    // What the last openbox started wrote.
    std::string Said() const {
        std::ifstream log(m_log);
        return std::string(std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>());
    }

private:
    void Start() {
        m_pid = ::fork();
        if (m_pid == 0) {
            const int log = ::open(m_log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(log, 1);
            ::dup2(log, 2);
            ::execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // It manages once it names itself on the root window.
        m_managing = m_pid > 0 && Eventually(
                                      [] {
                                          return CommandOutput("xprop -root _NET_SUPPORTING_WM_CHECK")
                                                     .find("window id") != std::string::npos;
                                      },
                                      std::chrono::seconds(30));
    }
    void Stop() {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

    pid_t m_pid = -1;
    bool m_managing = false;
    const std::string m_log =
        (std::filesystem::temp_directory_path() / ("vq-openbox-" + std::to_string(::getpid()) + ".log"))
            .string();
};

// The captions of the windows the window manager stacks, from the bottom to the top.
std::vector<std::string> StackedCaptions() {
    std::vector<std::string> captions;
    const std::string list = CommandOutput("xprop -root -notype _NET_CLIENT_LIST_STACKING");
    std::size_t at = list.find('#');
    while (at != std::string::npos && (at = list.find("0x", at)) != std::string::npos) {
        const std::string id = list.substr(at, list.find_first_of(", \n", at) - at);
        at += id.size();
        const std::string name = CommandOutput("LC_ALL=C.UTF-8 xprop -id " + id + " -notype _NET_WM_NAME");
        const std::size_t open = name.find('"'), close = name.rfind('"');
        captions.push_back(open != close ? name.substr(open + 1, close - open - 1) : std::string());
    }
    return captions;
}

// The top-level dialog shown whose caption begins with `prefix` (a progress window adds its
// percentage), or nullptr.
CDialog* ShownDialogStartingWith(const CString& prefix) {
    for (CWnd* window : vq::TopLevelWindows()) {
        auto* dialog = dynamic_cast<CDialog*>(window);
        if (dialog && dialog->GetWindowTextValue().Left(prefix.GetLength()) == prefix &&
            !vq::qtinput::ShownRect(*dialog).IsRectEmpty())
            return dialog;
    }
    return nullptr;
}

constexpr int kTree = 1050;
constexpr int kDelete = 1057;
const char* const kConfirm = "删除该工作任务将失去其对应的所有信息,真的要删除吗?";

} // namespace

// The work-group management called through its exported symbol: the delete confirmation is a Qt
// message box over the dialog, and the work is deleted only when it is answered 是.
TEST(WindowCall, TheDeleteConfirmationIsAskedInTheDialogsWindow) {
    WorkTheWidgets driver;
    vqtest::DbWorkspace ws;
    ws.Execute(
        "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, PreendedTime, "
        "WorkState, TaskType) VALUES ('P1', '项目甲', '项目管理', 'zhangsan', '2099-12-31', '正进行中', 'V'),"
        "('T1', '任务一', '项目甲\\', 'zhangsan', '2040-12-31', '正进行中', 'T')");
    ws.Execute(
        "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkType, WorkState) "
        "VALUES ('T1', 'T1', 'T1#001', 'lisi', '工作', 'W', '待确认')");
    using Entry = int (*)(CString, CString, CString, int, int);
    auto entry = reinterpret_cast<Entry>(Symbol("AssignTeamTaskMain"));
    ASSERT_TRUE(entry) << dlerror();

    const CString caption = "设计工作组工作管理";
    auto works = [&ws] {
        return ws.QueryText("SELECT count(*) FROM TeamWorkManage WHERE WorkID='T1#001'").str();
    };
    auto boxShown = [] { return vq::qtinput::MessageBoxText() == kConfirm; };
    auto boxGone = [] { return vq::qtinput::MessageBoxText().IsEmpty(); };
    auto pressDelete = [caption] {
        CDialog* dialog = ShownDialog(caption);
        auto* tree = dynamic_cast<CTreeCtrl*>(dialog->GetDlgItem(kTree));
        HTREEITEM item = tree->FindPath("项目：项目甲[P1] 下的任务：任务一[T1].../工作 [T1#001]");
        ASSERT_TRUE(item);
        tree->UserSelect(item);
        EXPECT_TRUE(vq::qtinput::Click(*dialog->GetDlgItem(kDelete)));
    };
    std::vector<std::string> seen;
    // First 否: nothing goes; then 是: the work goes; then the dialog is left with 退出. Each step
    // is set up before the press that opens the box, whose loop then runs it.
    vq::qtinput::WhenReady([caption] { return ShownDialog(caption) != nullptr; },
                           [&] {
                               vq::qtinput::WhenReady(boxShown, [&] {
                                   seen.push_back("asked over " +
                                                  vq::qtinput::MessageBoxOwnerCaption().str() + ", works " +
                                                  works());
                                   vq::qtinput::WhenReady(boxGone, [&] {
                                       seen.push_back("after 否, works " + works());
                                       vq::qtinput::WhenReady(boxShown, [&] {
                                           seen.push_back("asked again, works " + works());
                                           vq::qtinput::WhenReady(boxGone, [&] {
                                               seen.push_back("after 是, works " + works());
                                               for (CWnd* child : ShownDialog(caption)->GetChildren()) {
                                                   if (child->GetWindowTextValue() == "退出") {
                                                       EXPECT_TRUE(vq::qtinput::Click(*child));
                                                   }
                                               }
                                           });
                                           EXPECT_TRUE(vq::qtinput::AnswerMessageBox("是(&Y)"));
                                       });
                                       pressDelete();
                                   });
                                   EXPECT_TRUE(vq::qtinput::AnswerMessageBox("否(N)"));
                               });
                               pressDelete();
                           });
    EXPECT_EQ(entry("P1", "T1", "zhangsan", 0, 0), 1);
    EXPECT_EQ(seen,
              (std::vector<std::string>{"asked over " + caption.str() + ", works 1", "after 否, works 1",
                                        "asked again, works 1", "after 是, works 0"}));
}

// With no presenter at all (a program that took the view's away), the message-box service gives
// a question its safe answer: No, Cancel where it is offered, OK for a notice; never its first
// button.
TEST(WindowCall, WithoutAPresenterAQuestionGetsItsSafeAnswer) {
    auto view = vq::SetMessageBoxPresenter(nullptr);
    EXPECT_EQ(vq::ShowMessageBox("警告", kConfirm, MB_YESNO | MB_ICONWARNING), IDNO);
    EXPECT_EQ(vq::ShowMessageBox("提示", "是否要保存审查文档结果?", MB_YESNOCANCEL), IDCANCEL);
    EXPECT_EQ(vq::ShowMessageBox("提示", "覆盖当前列表中的明细数据?", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(vq::ShowMessageBox("提示", "连接失败", MB_RETRYCANCEL), IDCANCEL);
    EXPECT_EQ(AfxMessageBox("无法连接FTP服务器。"), IDOK);
    vq::SetMessageBoxPresenter(std::move(view));
}

// The review window of a work document stays open after its call: the single call of a host
// returns when that window has been closed (its close box gives the step back without asking),
// and the step is given back then, not before.
TEST(WindowCall, ASingleCallLastsUntilItsLastWindowCloses) {
    WorkTheWidgets driver;
    vqtest::DbWorkspace ws(0);
    LoadDemo(ws);
    using Entry = int (*)(_ConnectionPtr, CWnd*, CString, CString, CString, int);
    auto entry = reinterpret_cast<Entry>(Symbol("DoMultiTeamTaskAuditWithMarkup"));
    auto wait = reinterpret_cast<void (*)()>(Symbol("VqHostWaitForWindows"));
    ASSERT_TRUE(entry && wait) << dlerror();

    // Nothing open: the wait is over at once.
    wait();
    entry(ws.Connect(), nullptr, "F-0006", "zhaoliu", "校对", 0);
    ASSERT_EQ(vq::ModelessWindows().size(), 1u);
    EXPECT_EQ(Working(ws), "T");
    CDialog* window = vq::ModelessWindows().front();
    const CString caption = window->GetWindowTextValue();
    std::string whileOpen;
    vq::qtinput::WhenReady([caption] { return ShownDialog(caption) != nullptr; },
                           [&] {
                               whileOpen = Working(ws).str();
                               EXPECT_TRUE(vq::qtinput::Close(*ShownDialog(caption)));
                           });
    wait();
    EXPECT_EQ(whileOpen, "T");
    EXPECT_TRUE(vq::ModelessWindows().empty());
    EXPECT_EQ(Working(ws), "F");
    theApp.m_pConnPDM = nullptr;
}

// Quitting the main window (Ctrl+Q) with a review open in which an opinion was typed and a result
// chosen, and which the person then minimised: the review comes back on the screen and its cancel
// road asks over it. 否 keeps the review, what was typed in it and the main window; 是 closes the
// review without storing anything, gives its step back and ends the loop. In the opinion Tab moves
// on and Ctrl+Tab writes a tab.
TEST(WindowCall, QuittingAsksBeforeTypedWorkIsThrownAway) {
    WorkTheWidgets driver;
    vqtest::DbWorkspace ws(0);
    LoadDemo(ws);
    using Entry = int (*)(_ConnectionPtr, CWnd*, CString, CString, CString, int);
    auto entry = reinterpret_cast<Entry>(Symbol("DoMultiTeamTaskAuditWithMarkup"));
    auto run = reinterpret_cast<decltype(&VqHostRunWindow)>(Symbol("VqHostRunWindow"));
    auto table = reinterpret_cast<const vq::EntryInfo* (*)(int*)>(Symbol("VqEntryTable"));
    ASSERT_TRUE(entry && run && table) << dlerror();
    entry(ws.Connect(), nullptr, "F-0006", "zhaoliu", "校对", 0);
    ASSERT_EQ(vq::ModelessWindows().size(), 1u);
    const CString caption = vq::ModelessWindows().front()->GetWindowTextValue();
    const CString opinion = "孔距尺寸未注公差";
    const CString question = "批注结果未保存，是否真的要退出?";
    auto opinionShown = [caption] {
        CDialog* review = ShownDialog(caption);
        return review ? vq::qtinput::ShownText(*review->GetDlgItem(CDesignDocAuditDlg::kOpinionId))
                      : CString();
    };
    auto asked = [question] { return vq::qtinput::MessageBoxText() == question; };
    auto answered = [] { return vq::qtinput::MessageBoxText().IsEmpty(); };
    auto quit = [] {
        return vq::qtinput::MessageBoxText().IsEmpty() && vq::qtinput::ChooseMainWindowMenu("文件/退出");
    };
    auto quitByKeys = [] {
        return vq::qtinput::MessageBoxText().IsEmpty() && vq::qtinput::PressKeysInMainWindow("Ctrl+Q");
    };
    std::vector<std::string> seen;
    vq::qtinput::WhenReady(
        [caption] { return ShownDialog(caption) != nullptr; },
        [&] {
            CDialog* review = ShownDialog(caption);
            CWnd& field = *review->GetDlgItem(CDesignDocAuditDlg::kOpinionId);
            EXPECT_TRUE(vq::qtinput::Type(field, "孔距"));
            EXPECT_TRUE(vq::qtinput::PressKeys(field, "Ctrl+Tab"));
            EXPECT_NE(field.GetWindowTextValue().Find('\t'), -1) << "Ctrl+Tab writes a tab";
            EXPECT_TRUE(vq::qtinput::HasFocus(field));
            EXPECT_TRUE(vq::qtinput::Type(field, opinion));
            EXPECT_TRUE(vq::qtinput::PressKeys(field, "Tab"));
            EXPECT_FALSE(vq::qtinput::HasFocus(field)) << "Tab moves on";
            EXPECT_EQ(field.GetWindowTextValue(), opinion);
            EXPECT_TRUE(vq::qtinput::Click(*review->GetDlgItem(CDesignDocAuditDlg::kFailId)));
            EXPECT_TRUE(vq::qtinput::Minimize(*review));
            vq::qtinput::WhenReady(asked, [&] {
                seen.push_back("asked over " + vq::qtinput::MessageBoxOwnerCaption().str() +
                               (vq::qtinput::IsMinimized(*ShownDialog(caption)) ? " (minimised)" : ""));
                vq::qtinput::WhenReady(answered, [&] {
                    seen.push_back("after 否: " + std::to_string(vq::ModelessWindows().size()) + " open, " +
                                   opinionShown().str() + ", " + Working(ws).str());
                    vq::qtinput::WhenReady(asked,
                                           [&] { EXPECT_TRUE(vq::qtinput::AnswerMessageBox("是(Y)")); });
                    vq::qtinput::WhenReady(quit, [] {});
                });
                EXPECT_TRUE(vq::qtinput::AnswerMessageBox("否(N)"));
            });
            vq::qtinput::WhenReady(quitByKeys, [] {});
        });
    int count = 0;
    const vq::EntryInfo* entries = table(&count);
    EXPECT_EQ(run(entries, count, nullptr), 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"asked over " + caption.str(),
                                              "after 否: 1 open, " + opinion.str() + ", T"}));
    EXPECT_TRUE(vq::ModelessWindows().empty());
    EXPECT_EQ(Working(ws), "F");
    EXPECT_EQ(ws.QueryText("SELECT Prompt FROM TeamWorkAudit WHERE FileID='F-0006' AND AuditTask='校对'"),
              "");
    theApp.m_pConnPDM = nullptr;
}

// A person without a mouse reaches the main window's menus: Alt and F10 go to the menu bar (F10
// opens its first menu), Alt and a menu's letter opens that menu, Esc goes back, and Ctrl+Q quits.
TEST(WindowCall, TheMainWindowsMenusAreReachedFromTheKeyboard) {
    WorkTheWidgets driver;
    auto run = reinterpret_cast<decltype(&VqHostRunWindow)>(Symbol("VqHostRunWindow"));
    auto table = reinterpret_cast<const vq::EntryInfo* (*)(int*)>(Symbol("VqEntryTable"));
    ASSERT_TRUE(run && table) << dlerror();
    std::vector<std::string> seen;
    auto shown = [] {
        bool open = false;
        const CString menu = vq::qtinput::MainWindowMenu(&open);
        return menu.str() + (open ? " open" : "");
    };
    // Esc in an open menu and then on the menu bar leaves the menus.
    auto leave = [&] {
        bool open = false;
        vq::qtinput::MainWindowMenu(&open);
        if (open)
            vq::qtinput::KeyToTopWindow(VK_ESCAPE);
        vq::qtinput::PressKeysInMainWindow("Esc");
        return shown();
    };
    vq::qtinput::WhenReady([] { return vq::qtinput::PressKeysInMainWindow("Alt"); },
                           [&] {
                               seen.push_back("Alt: " + shown());
                               seen.push_back("Esc: " + leave());
                               for (const char* keys : {"F10", "Alt+F", "Alt+R"}) {
                                   EXPECT_TRUE(vq::qtinput::PressKeysInMainWindow(keys));
                                   seen.push_back(std::string(keys) + ": " + shown());
                                   seen.push_back("Esc: " + leave());
                               }
                               EXPECT_TRUE(vq::qtinput::PressKeysInMainWindow("Ctrl+Q"));
                               // The window has gone: no key reaches it any more (else the menu ends the
                               // run).
                               if (vq::qtinput::PressKeysInMainWindow("Esc")) {
                                   ADD_FAILURE() << "Ctrl+Q left the main window open";
                                   vq::qtinput::ChooseMainWindowMenu("文件/退出");
                               }
                           });
    int count = 0;
    const vq::EntryInfo* entries = table(&count);
    EXPECT_EQ(run(entries, count, nullptr), 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"Alt: 文件(F)", "Esc: ", "F10: 文件(F) open",
                                              "Esc: ", "Alt+F: 文件(F) open",
                                              "Esc: ", "Alt+R: 设计审核(R) open", "Esc: "}));
}

// The argument prompts of the main window's menu show their whole caption (the entry's title and
// name) and start from the values given to the same entry last in the session.
TEST(WindowCall, TheArgumentPromptsShowTheirCaptionAndKeepTheLastValues) {
    WorkTheWidgets driver;
    auto run = reinterpret_cast<decltype(&VqHostRunWindow)>(Symbol("VqHostRunWindow"));
    auto table = reinterpret_cast<const vq::EntryInfo* (*)(int*)>(Symbol("VqEntryTable"));
    ASSERT_TRUE(run && table) << dlerror();
    static int calls = 0;
    auto invoke = reinterpret_cast<VqHostInvoke>(
        +[](const vq::EntryInfo*, const char* const*, int, char* text, int size) {
            ++calls;
            std::snprintf(text, static_cast<std::size_t>(size), "1");
            return 1;
        });
    const CString menu = "设计审核/项目任务审核流程 (无对话框)  ShowProjectTaskAuditFlow";
    std::vector<std::string> seen;
    CString lastLabel;
    // Answers the prompts that follow one another with these values, noting what each showed first.
    std::function<void(std::deque<CString>)> answer = [&](std::deque<CString> values) {
        if (values.empty())
            return;
        vq::qtinput::WhenReady(
            [&] {
                const auto prompt = vq::qtinput::ShownPrompt();
                return !prompt.caption.IsEmpty() && prompt.label != lastLabel;
            },
            [&, values]() mutable {
                const auto prompt = vq::qtinput::ShownPrompt();
                lastLabel = prompt.label;
                seen.push_back(prompt.value.str() +
                               (prompt.width >= prompt.captionWidth ? "" : " (caption cut)"));
                EXPECT_EQ(prompt.caption, menu.Mid(menu.Find('/') + 1));
                EXPECT_TRUE(vq::qtinput::AnswerPrompt(values.front()));
                values.pop_front();
                answer(values);
            });
    };
    // The menu is chosen once the calls before have been made (a closed prompt's loop may still
    // be on its way out).
    auto chooseAfter = [](int made, const CString& path) {
        return [made, path] { return calls == made && vq::qtinput::ChooseMainWindowMenu(path); };
    };
    answer({"图号甲", "乙", "5", "图号丙", "丁", "6"});
    vq::qtinput::WhenReady(chooseAfter(0, menu), [] {});
    vq::qtinput::WhenReady(chooseAfter(1, menu), [] {});
    vq::qtinput::WhenReady(chooseAfter(2, "文件/退出"), [] {});
    int count = 0;
    const vq::EntryInfo* entries = table(&count);
    EXPECT_EQ(run(entries, count, invoke), 0);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(seen, (std::vector<std::string>{"", "", "0", "图号甲", "乙", "5"}));
}

// A call that leaves its review window open has not ended: the main window's status bar names the
// open window instead of a result, and says when it has closed.
TEST(WindowCall, TheStatusBarSaysWhileACallsWindowIsOpen) {
    WorkTheWidgets driver;
    vqtest::DbWorkspace ws(0);
    LoadDemo(ws);
    using Entry = int (*)(_ConnectionPtr, CWnd*, CString, CString, CString, int);
    static Entry entry;
    static _ConnectionPtr connection;
    entry = reinterpret_cast<Entry>(Symbol("DoMultiTeamTaskAuditWithMarkup"));
    connection = ws.Connect();
    auto run = reinterpret_cast<decltype(&VqHostRunWindow)>(Symbol("VqHostRunWindow"));
    auto table = reinterpret_cast<const vq::EntryInfo* (*)(int*)>(Symbol("VqEntryTable"));
    ASSERT_TRUE(entry && run && table) << dlerror();
    auto invoke = reinterpret_cast<VqHostInvoke>(
        +[](const vq::EntryInfo*, const char* const*, int, char* text, int size) {
            std::snprintf(text, static_cast<std::size_t>(size), "%d",
                          entry(connection, nullptr, "F-0006", "zhaoliu", "校对", 0));
            return 1;
        });
    int count = 0;
    const vq::EntryInfo* entries = table(&count);
    CString menu;
    for (int i = 0; i < count; ++i)
        if (CString(entries[i].name) == "DoMultiTeamTaskAuditWithMarkup")
            menu = "设计审核/" + vq::EntryMenuText(entries[i]);
    // Every prompt (the login, the arguments) is answered; the call made above ignores them.
    CString lastLabel;
    std::function<void()> answerPrompts = [&] {
        vq::qtinput::WhenReady(
            [&] {
                const auto prompt = vq::qtinput::ShownPrompt();
                return (!prompt.caption.IsEmpty() && prompt.label != lastLabel) ||
                       vq::qtinput::MainWindowStatus().Find("DoMultiTeamTaskAuditWithMarkup") >= 0;
            },
            [&] {
                const auto prompt = vq::qtinput::ShownPrompt();
                if (prompt.caption.IsEmpty())
                    return;
                lastLabel = prompt.label;
                EXPECT_TRUE(vq::qtinput::AnswerPrompt(prompt.label.Find("整数") >= 0 ? "0" : "zhaoliu"));
                answerPrompts();
            });
    };
    std::vector<std::string> seen;
    CString caption;
    // The prompts are answered as they come; the menu's entry runs them from inside its choice.
    answerPrompts();
    vq::qtinput::WhenReady([&] { return vq::qtinput::ChooseMainWindowMenu(menu); }, [] {});
    vq::qtinput::WhenReady(
        [] { return vq::ModelessWindows().size() == 1 && vq::qtinput::MainWindowStatus().Find("窗口") >= 0; },
        [&] {
            caption = vq::ModelessWindows().front()->GetWindowTextValue();
            seen.push_back(vq::qtinput::MainWindowStatus().str());
            EXPECT_TRUE(vq::qtinput::Close(*vq::ModelessWindows().front()));
            vq::qtinput::WhenReady([] { return vq::ModelessWindows().empty(); },
                                   [&] {
                                       seen.push_back(vq::qtinput::MainWindowStatus().str());
                                       vq::qtinput::ChooseMainWindowMenu("文件/退出");
                                   });
        });
    EXPECT_EQ(run(entries, count, invoke), 0);
    const std::string name = menu.Mid(menu.Find('/') + 1).str();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_NE(caption.Find("F-0006"), -1) << caption;
    EXPECT_EQ(seen[0], name + ": 窗口仍打开: " + caption.str());
    EXPECT_EQ(seen[1], name + ": 窗口已关闭");
    EXPECT_EQ(Working(ws), "F");
    connection = nullptr;
    theApp.m_pConnPDM = nullptr;
}

// --- Where nobody can answer --------------------------------------------------------------------

// No display, no platform given, no script.
TEST(WindowCall, WithoutADisplayNothingWaits) {
    vqtest::DbWorkspace ws(0);
    LoadDemo(ws);
    Environment env;
    env.Set("DISPLAY", nullptr);
    env.Set("WAYLAND_DISPLAY", nullptr);
    env.Set("QT_QPA_PLATFORM", nullptr);
    ExpectNothingWaits(ws, "no display", "there is no display");
}

// A display whose server accepts the connection and never answers, and one where no server is:
// nothing aborts, and a script still works its dialogs there.
TEST(WindowCall, OnADisplayThatDoesNotAnswerNothingWaits) {
    vqtest::DbWorkspace ws(0);
    LoadDemo(ws);
    Environment env;
    env.Set("WAYLAND_DISPLAY", nullptr);
    env.Set("QT_QPA_PLATFORM", nullptr);
    const SilentDisplay silent(true);
    ASSERT_FALSE(silent.Name().empty());
    env.Set("DISPLAY", silent.Name().c_str());
    ExpectNothingWaits(ws, "a display that does not answer", "\"" + silent.Name() + "\" does not answer");
    const CString script = ws.WriteFile("in/colours.script", "dialog \"配置任务项显示颜色\"\nclick 2\n");
    const vqtest::HostRun scripted =
        RunToEnd(kHost, {"--headless", "--script", script.str(), "ConfigureTaskItemColor"}, ws);
    EXPECT_EQ(scripted.status, 0) << scripted.out;
    EXPECT_NE(scripted.out.find("result: 0"), std::string::npos) << scripted.out;

    const SilentDisplay absent(false);
    ASSERT_FALSE(absent.Name().empty());
    env.Set("DISPLAY", absent.Name().c_str());
    ExpectNothingWaits(ws, "a display where no server is", "\"" + absent.Name() + "\" does not answer");
}

// Qt told to draw off screen (or on the minimal platform), and no script.
TEST(WindowCall, OffScreenWithoutAScriptNothingWaits) {
    vqtest::DbWorkspace ws(0);
    LoadDemo(ws);
    Environment env;
    env.Set("WAYLAND_DISPLAY", nullptr);
    for (const char* platform : {"offscreen", "minimal"}) {
        env.Set("QT_QPA_PLATFORM", platform);
        ExpectNothingWaits(ws, platform, std::string("QT_QPA_PLATFORM=") + platform);
    }
}

// Qt's platforms that show no person a window to answer (a frame buffer, displays driven without a
// window system, a VNC server open to every address, a name Qt does not know): nothing is started
// on them, though an X display that works stands beside them, and the refusal names the platform.
TEST_F(WindowCallOnDisplay, OnAPlatformOtherThanXOrWaylandNothingWaits) {
    for (const char* platform : {"linuxfb", "eglfs", "vkkhrdisplay", "vnc", "nosuchplatform"}) {
        env.Set("QT_QPA_PLATFORM", platform);
        ExpectNothingWaits(ws, platform, "\"" + std::string(platform) + "\"");
    }
}

// A Wayland compositor whose socket accepts and never answers, asked for by QT_QPA_PLATFORM beside
// a working X display, or found by WAYLAND_DISPLAY alone; and no compositor at all. The refusal
// names the Wayland display tried, not the X display that works.
TEST_F(WindowCallOnDisplay, OnAWaylandDisplayThatDoesNotAnswerNothingWaits) {
    const std::string path = ws.Root().str() + "/wayland-silent";
    const SilentWaylandSocket silent(path);
    env.Set("WAYLAND_DISPLAY", path.c_str());
    env.Set("QT_QPA_PLATFORM", "wayland");
    ExpectNothingWaits(ws, "QT_QPA_PLATFORM=wayland, a silent compositor", "\"" + path + "\"");
    env.Set("QT_QPA_PLATFORM", nullptr);
    env.Set("DISPLAY", nullptr);
    ExpectNothingWaits(ws, "WAYLAND_DISPLAY of a silent compositor", "\"" + path + "\"");

    const std::string runtime = ws.Root().str() + "/run";
    std::filesystem::create_directory(runtime);
    env.Set("DISPLAY", display.Name().c_str());
    env.Set("QT_QPA_PLATFORM", "wayland");
    env.Set("WAYLAND_DISPLAY", nullptr);
    env.Set("XDG_RUNTIME_DIR", runtime.c_str());
    ExpectNothingWaits(ws, "QT_QPA_PLATFORM=wayland, no compositor", "\"" + runtime + "/wayland-0\"");
}

// A display with no other client (a bare Xvfb, as tests and CI start them): a probe connection
// that closed before Qt opened its own would make the server reset and drop Qt's connection. The
// library's view reaches the display at every start; a server that ends where it would reset
// shows that the probe's connection never leaves it without a client.
TEST_F(WindowCallOnDisplay, EveryStartOnADisplayWithNoOtherClientOpensIt) {
    for (int start = 0; start < 3; ++start) {
        const VirtualDisplay ending(VirtualDisplay::LastClient::Ends);
        ASSERT_FALSE(ending.Name().empty());
        env.Set("DISPLAY", ending.Name().c_str());
        const vqtest::HostRun run = RunToEnd(kOutsideCaller, {"--reach"}, ws);
        ASSERT_NE(run.out.find("reaches: a person"), std::string::npos) << run.out;
    }
    env.Set("DISPLAY", display.Name().c_str());
    for (int start = 0; start < 10; ++start) {
        const vqtest::HostRun run = RunToEnd(kOutsideCaller, {"--reach"}, ws);
        ASSERT_EQ(run.status, 0) << "start " << start << ":\n" << run.out;
        ASSERT_NE(run.out.find("reaches: a person"), std::string::npos) << "start " << start << ":\n"
                                                                        << run.out;
    }
}

// A login account that the settings file would hold as another (bytes that are not UTF-8, code page
// 936 bytes among them, a character that code page lacks, line breaks that would start a section
// of their own, more than 99 bytes, blanks or quotes around it) is refused before anything is
// stored: the entry returns its failure value and says why; the host ends with a failure status.
TEST_F(WindowCallOnDisplay, ALoginThatCannotBeStoredAsGivenIsRefused) {
    const CString login = RecordedLogin();
    const CString working = Working(ws);
    std::string wide;
    for (int i = 0; i < 50; ++i)
        wide += "张";
    const std::string logins[] = {
        "\xff\xfe-\x80",         "\xd5\xc5\xc8\xfd", "zhangsan\n[x]\ny=1", std::string(100, 'a'), wide,
        "zhang\xf0\x9f\x98\x80", " zhangsan",        "\"zhangsan\""};
    for (const std::string& bad : logins) {
        SCOPED_TRACE(bad);
        const vqtest::HostRun modal =
            RunToEnd(kOutsideCaller, {"AssignTeamTaskMain", "XM-01", "XM-01-01", bad, "0", "0"}, ws);
        EXPECT_EQ(modal.status, 0) << modal.out;
        EXPECT_NE(modal.out.find("result: 0"), std::string::npos) << modal.out;
        EXPECT_NE(modal.out.find("login account"), std::string::npos) << modal.out;
        EXPECT_EQ(RecordedLogin(), login);
        EXPECT_EQ(ReadSetting("x", "y", ""), "");
    }
    const vqtest::HostRun review = RunToEnd(
        kOutsideCaller, {"DoMultiTeamTaskAuditWithMarkup", "F-0006", "zhaoliu\r\n", "校对", "0"}, ws);
    EXPECT_NE(review.out.find("result: 0"), std::string::npos) << review.out;
    EXPECT_NE(review.out.find("open windows: 0"), std::string::npos) << review.out;
    EXPECT_EQ(Working(ws), working);
    const vqtest::HostRun host =
        RunToEnd(kHost, {"AssignTeamTaskMain", "XM-01", "XM-01-01", "\xff", "0", "0"}, ws);
    EXPECT_EQ(host.status, 2) << host.out;
    EXPECT_NE(host.out.find("login account"), std::string::npos) << host.out;
    EXPECT_EQ(RecordedLogin(), login);
}

// The main window given a table of entries it cannot read (a count beyond the library's table or
// below 0, no table, an entry without its name) is not opened: it says why and fails at once.
TEST(WindowCall, TheMainWindowRefusesATableItCannotRead) {
    WorkTheWidgets driver;
    auto run = reinterpret_cast<decltype(&VqHostRunWindow)>(Symbol("VqHostRunWindow"));
    auto table = reinterpret_cast<const vq::EntryInfo* (*)(int*)>(Symbol("VqEntryTable"));
    ASSERT_TRUE(run && table) << dlerror();
    int count = 0;
    const vq::EntryInfo* entries = table(&count);
    ASSERT_GT(count, 2);
    std::vector<vq::EntryInfo> nameless(entries, entries + count);
    nameless[1].name = nullptr;
    const struct {
        const char* what;
        const vq::EntryInfo* entries;
        int count;
    } cases[] = {{"a count of 2147483647", entries, 2147483647},
                 {"a count below 0", entries, -1},
                 {"no table", nullptr, count},
                 {"an entry without its name", nameless.data(), count}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(run(c.entries, c.count, nullptr), 1);
        EXPECT_NE(::testing::internal::GetCapturedStderr().find("not usable"), std::string::npos);
    }
}

// --- However the caller ends --------------------------------------------------------------------

// A program other than our host opens the modeless review on a display and returns from main
// without closing it: the window goes as the program ends, and gives its step back.
TEST_F(WindowCallOnDisplay, AProgramThatReturnsGivesTheStepOfItsWindowBack) {
    const vqtest::HostRun run =
        RunToEnd(kOutsideCaller, {"DoMultiTeamTaskAuditWithMarkup", "F-0006", "zhaoliu", "校对", "0"}, ws);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("open windows: 1"), std::string::npos) << run.out;
    EXPECT_EQ(Working(ws), "F") << run.out;
}

// The review of F-0006 (zhaoliu, 校对) started on the display, once it has taken the step (Working
// "T"); -1, and the test fails, when the host ends before or never takes it.
int StartReviewHoldingItsStep(const vqtest::DbWorkspace& ws, const std::string& output) {
    const int pid =
        vqtest::StartHost({"DoMultiTeamTaskAuditWithMarkup", "F-0006", "zhaoliu", "校对", "0"}, output);
    if (pid <= 0) {
        ADD_FAILURE() << "the host did not start";
        return -1;
    }
    vqtest::HostRun early;
    bool ended = false;
    if (!Eventually([&] {
            ended = vqtest::FinishHost(pid, output, early, false);
            return ended || Working(ws) == "T";
        })) {
        ::kill(pid, SIGKILL);
        vqtest::FinishHost(pid, output, early);
        ADD_FAILURE() << "the review never took its step:\n" << early.out;
        return -1;
    }
    if (ended) {
        ADD_FAILURE() << "the host ended before the review took its step:\n" << early.out;
        return -1;
    }
    return pid;
}

// The host with the modeless review open ends on Ctrl+C (SIGINT), on SIGTERM, when its terminal
// goes (SIGHUP), on Ctrl+\ (SIGQUIT), on a user signal, a timer's (SIGALRM, SIGVTALRM), a power
// failure's or a real-time signal: the window is closed first and the step given back; the host
// then ends by the signal. While the window is open the call has not ended, and its result is not
// printed. A SIGPIPE sent before (as a write to a closed pipe raises it) does not end it.
TEST_F(WindowCallOnDisplay, ASignalEndsTheHostWithTheStepGivenBack) {
    const std::string output = ws.Root().str() + "/host.out";
    for (int signo :
         {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPWR, SIGRTMIN + 2}) {
        SCOPED_TRACE(::strsignal(signo));
        const int pid = StartReviewHoldingItsStep(ws, output);
        ASSERT_GT(pid, 0);
        EXPECT_EQ(ReadBytes(CString(output)).find("result:"), std::string::npos);
        ::kill(pid, SIGPIPE);
        ::kill(pid, signo);
        const vqtest::HostRun run = WaitForEnd(pid, output);
        EXPECT_EQ(run.signal, signo) << run.out;
        EXPECT_EQ(Working(ws), "F") << run.out;
    }
}

// A signal while another client holds the step's row (its write waits for the lock past the
// 2 seconds in which a host held by its display is ended): the windows still give the step back
// once the lock is let go, and the host then ends by the signal.
TEST_F(WindowCallOnDisplay, ASignalWhileTheStepIsLockedStillGivesItBack) {
    const std::string output = ws.Root().str() + "/host.out";
    const int pid = StartReviewHoldingItsStep(ws, output);
    ASSERT_GT(pid, 0);
    _ConnectionPtr other = ws.Connect();
    other->BeginTrans();
    other->Execute("UPDATE TeamWorkAudit SET Working = 'T' WHERE FileID='F-0006' AND AuditTask='校对'");
    ::kill(pid, SIGTERM);
    // The lock is held past the 2 seconds: the give-back under way waits for it.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    other->CommitTrans();
    const vqtest::HostRun run = WaitForEnd(pid, output);
    EXPECT_EQ(run.signal, SIGTERM) << run.out;
    EXPECT_EQ(Working(ws), "F") << run.out;
}

// The review of project task PT-9 by u1 (校对, its step not under way), its drawing total.dwg on the
// file server `ftp`, which the workspace's settings name, beside an earlier redline file of the
// drawing; returns that file's content.
std::string PrepareRedlineReview(vqtest::DbWorkspace& ws, const vqtest::FtpServer& ftp) {
    vqtest::ConfigRow config;
    config.domainName = ftp.Url();
    ws.SetConfig(config);
    ws.Execute(
        "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, WorkState, "
        "AuditingModel, AuditorName) VALUES ('PT-9', '泵体设计', '项目\\', 'mgr', '评审', '单级', 'u1');"
        "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('单级', '串联', "
        "'校对(40,20)');"
        "INSERT INTO TaskAuditManage (ProjectNo, AuditName, Auditor, BeginTime, AuditState, Working, "
        "AuditManager) VALUES ('PT-9', '校对', 'u1', '2026-12-01', '未完成', 'F', 'u1');"
        "INSERT INTO TaskDocuments (ProjectNo, DocumentType, FileName, FileType, FileBulk, FileDate, "
        "FileRemark) VALUES ('PT-9', '总图', 'total.dwg', 'AutoCAD 图形', '12KB', '2026-11-30', '')");
    ftp.WriteFile("Vq/Working/PT-9/total.dwg", "drawing bytes");
    const std::string earlier = "earlier redline.\n";
    ftp.WriteFile("Vq/Auditing/PT-9/校对_总图.dwg", earlier);
    return earlier;
}

// The names in PT-9's folder of redline files on the server other than the earlier redline file.
std::vector<std::string> OtherRedlineFiles(const vqtest::FtpServer& ftp) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& file :
         std::filesystem::directory_iterator((ftp.Root() + "/Vq/Auditing/PT-9").str(), error))
        if (file.path().filename() != "校对_总图.dwg")
            names.push_back(file.path().filename().string());
    return names;
}

// Whether a new redline file of PT-9 is going up: some of it has reached the server.
bool RedlineUploading(const vqtest::FtpServer& ftp) {
    std::error_code error;
    for (const auto& file :
         std::filesystem::directory_iterator((ftp.Root() + "/Vq/Auditing/PT-9").str(), error))
        if (file.path().filename() != "校对_总图.dwg" && file.file_size(error) > 0)
            return true;
    return false;
}

// A headless host uploading the redline file of a project task's review over a slow link, ended
// by SIGTERM or a timer's SIGALRM (a SIGPIPE before it, as a closed standard output raises it,
// does not end it): the upload stops, the server keeps its earlier redline file whole and no part
// of the new one, nothing is recorded, the step is given back, and the host ends by the signal
// without a result. Also when another client holds the step's row past the 2 seconds in which a
// host that does not unwind is ended: the give-back waits for the lock.
TEST(WindowCall, ASignalDuringAHeadlessUploadGivesTheStepBackAndLeavesNoPart) {
    vqtest::DbWorkspace ws(0);
    vqtest::FtpServer slow(vqtest::FtpFault::SlowDataConnection);
    ASSERT_TRUE(slow.IsRunning());
    const std::string earlier = PrepareRedlineReview(ws, slow);
    // Two minutes over the slow link: the upload is under way long before it could end.
    const std::string redline = (ws.Root() + "/redline.dwg").str();
    std::ofstream(redline, std::ios::binary) << std::string(2000000, 'r');
    const std::string script = (ws.Root() + "/review.txt").str();
    std::ofstream(script, std::ios::binary) << "dialog ~\"评审意见\"\nselect 1001 0\nclick 1011\n"
                                               "dialog ~\"输入文件名\"\nset 1182 \""
                                            << redline << "\"\nclick 1\n";
    const std::string output = ws.Root().str() + "/host.out";
    const struct {
        int signo;
        bool rowLocked;
    } endings[] = {{SIGTERM, false}, {SIGALRM, false}, {SIGTERM, true}};
    for (const auto& ending : endings) {
        const int signo = ending.signo;
        SCOPED_TRACE(std::string(::strsignal(signo)) + (ending.rowLocked ? ", the row locked" : ""));
        const int pid = vqtest::StartHost(
            {"--headless", "--script", script, "DoProjectTaskAudit", "PT-9", "u1", "校对"}, output);
        ASSERT_GT(pid, 0);
        vqtest::HostRun early;
        bool ended = false;
        ASSERT_TRUE(Eventually([&] {
            ended = vqtest::FinishHost(pid, output, early, false);
            return ended || RedlineUploading(slow);
        }));
        ASSERT_FALSE(ended) << early.out;
        EXPECT_EQ(ws.QueryText("SELECT Working FROM TaskAuditManage WHERE ProjectNo='PT-9'"), "T");
        _ConnectionPtr other;
        if (ending.rowLocked) {
            other = ws.Connect();
            other->BeginTrans();
            other->Execute("UPDATE TaskAuditManage SET Working = 'T' WHERE ProjectNo='PT-9'");
        }
        ::kill(pid, SIGPIPE);
        ::kill(pid, signo);
        if (other) {
            std::this_thread::sleep_for(std::chrono::seconds(3));
            other->CommitTrans();
        }
        const vqtest::HostRun run = WaitForEnd(pid, output);
        EXPECT_EQ(run.signal, signo) << run.out;
        EXPECT_EQ(run.out.find("result:"), std::string::npos) << run.out;
        EXPECT_EQ(OtherRedlineFiles(slow), std::vector<std::string>{}) << run.out;
        EXPECT_EQ(slow.ReadFile("Vq/Auditing/PT-9/校对_总图.dwg"), earlier);
        EXPECT_EQ(ws.QueryText("SELECT RedlineFiles FROM TaskAuditManage WHERE ProjectNo='PT-9'"), "");
        EXPECT_EQ(ws.QueryText("SELECT Working FROM TaskAuditManage WHERE ProjectNo='PT-9'"), "F") << run.out;
    }
}

// --- However the process ends, with the review painted ---------------------------------------------

const std::string kQtProgram = VQ_BINARY_DIR "/tests/vqqtprogram";

enum class Ending {
    ProgramExits, // the program calls exit(0) from its event loop
    DisplayKilled,
    DisplayEnds, // the X server ends in order (SIGTERM)
};

const char* Describe(Ending ending) {
    switch (ending) {
    case Ending::ProgramExits:
        return "the program calls exit(0)";
    case Ending::DisplayKilled:
        return "the X server is killed";
    case Ending::DisplayEnds:
        return "the X server ends";
    }
    return "";
}

const std::vector<std::string> kModelessReview = {"DoMultiTeamTaskAuditWithMarkup", "F-0006", "zhaoliu",
                                                  "校对", "0"};
const std::vector<std::string> kModalReview = {"DoTeamTaskAuditWithMarkup", "F-0006", "zhaoliu", "校对", "0"};

// Whether a sanitizer reported anything in a program's output.
bool SanitizerReported(const std::string& out) {
    return out.find("Sanitizer") != std::string::npos || out.find("runtime error:") != std::string::npos;
}

// The demo workspace; each run starts a display of its own, which it may end.
class WindowCallEnding : public ::testing::Test {
protected:
    void SetUp() override { LoadDemo(ws); }

    // Starts the program on a display of its own with the review of F-0006 open, and returns
    // once the review holds its step and has been painted (its picture saved); -1 when it did
    // not get there.
    int StartWithReviewPainted(const VirtualDisplay& display, const std::string& program,
                               const std::vector<std::string>& args) {
        ws.Execute("UPDATE TeamWorkAudit SET Working='F' WHERE FileID='F-0006' AND AuditTask='校对'");
        const std::string pictures = ws.Root().str() + "/pictures-" + std::to_string(++m_runs);
        OnDisplay(env, display);
        env.Set("VQ_SCREENSHOT_DIR", pictures.c_str());
        const int pid = vqtest::StartProgram(program, args, Output());
        if (pid < 0)
            return -1;
        auto painted = [&pictures] {
            std::error_code error;
            for (const auto& entry : std::filesystem::directory_iterator(pictures, error))
                if (entry.path().filename().string().find("[F-0006]") != std::string::npos)
                    return true;
            return false;
        };
        vqtest::HostRun early;
        bool ended = false;
        if (!Eventually([&] {
                ended = vqtest::FinishHost(pid, Output(), early, false);
                return ended || (Working(ws) == "T" && painted());
            }) ||
            ended) {
            ADD_FAILURE() << "the review did not open:\n"
                          << (ended ? early.out : ReadBytes(CString(Output())));
            if (!ended) {
                ::kill(pid, SIGKILL);
                vqtest::FinishHost(pid, Output(), early);
            }
            return -1;
        }
        return pid;
    }

    // Waits at most `limit` for a started program to end (killing it after that).
    vqtest::HostRun EndsWithin(int pid, std::chrono::milliseconds limit) {
        vqtest::HostRun run;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!vqtest::FinishHost(pid, Output(), run, false)) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid, SIGKILL);
                vqtest::FinishHost(pid, Output(), run);
                ADD_FAILURE() << "still running after " << limit.count() << " ms:\n" << run.out;
                return run;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return run;
    }

    // The program shows the review, painted, and ends as `ending` says: it ends (a program that
    // waited for its display would never end: half a minute tells the two apart on a busy machine),
    // without a crash or a sanitizer's report, and the review's step has been given back.
    void ExpectStepGivenBack(const std::string& program, const std::vector<std::string>& args,
                             Ending ending) {
        SCOPED_TRACE(program + " " + args[0] + ": " + Describe(ending));
        VirtualDisplay display(VirtualDisplay::LastClient::Stays);
        ASSERT_FALSE(display.Name().empty()) << "Xvfb did not start (scripts/setup installs it)";
        const int pid = StartWithReviewPainted(display, program, args);
        ASSERT_GT(pid, 0);
        if (ending == Ending::ProgramExits)
            ::kill(pid, SIGUSR1);
        else
            display.Signal(ending == Ending::DisplayKilled ? SIGKILL : SIGTERM);
        const vqtest::HostRun run = EndsWithin(pid, kEndingPatience);
        EXPECT_EQ(run.signal, 0) << run.out;
        EXPECT_FALSE(SanitizerReported(run.out)) << run.out;
        EXPECT_EQ(Working(ws), "F") << run.out;
    }

    std::string Output() const { return ws.Root().str() + "/run.out"; }

    vqtest::DbWorkspace ws{0};
    Environment env;
    int m_runs = 0;
};

// Our host, a single call of either review: its display killed or ended.
TEST_F(WindowCallEnding, TheHostGivesTheStepBackWhenItsDisplayGoes) {
    for (const auto* review : {&kModelessReview, &kModalReview})
        for (Ending ending : {Ending::DisplayKilled, Ending::DisplayEnds})
            ExpectStepGivenBack(kHost, *review, ending);
}

// A program of someone else's without Qt of its own: the modal review in its call, the modeless
// one while it waits for its windows.
TEST_F(WindowCallEnding, AProgramWithoutQtGivesTheStepBackWhenItsDisplayGoes) {
    std::vector<std::string> waiting = kModelessReview;
    waiting.insert(waiting.begin(), "--wait");
    const std::vector<std::string>& modeless = waiting;
    for (const auto* review : {&modeless, &kModalReview})
        for (Ending ending : {Ending::DisplayKilled, Ending::DisplayEnds})
            ExpectStepGivenBack(kOutsideCaller, *review, ending);
}

// A Qt program of someone else's, running its own event loop with either review open: it calls
// exit(0), or its display is killed or ended.
TEST_F(WindowCallEnding, AQtProgramGivesTheStepBackHoweverItEnds) {
    for (const auto* review : {&kModelessReview, &kModalReview})
        for (Ending ending : {Ending::ProgramExits, Ending::DisplayKilled, Ending::DisplayEnds})
            ExpectStepGivenBack(kQtProgram, *review, ending);
}

// A Qt program of someone else's quits its application with the modeless review open: the review
// closes, giving its step back, and the program's own loop ends, every time (8 times a run).
TEST_F(WindowCallEnding, AQtProgramThatQuitsEnds) {
    VirtualDisplay display(VirtualDisplay::LastClient::Stays);
    ASSERT_FALSE(display.Name().empty()) << "Xvfb did not start (scripts/setup installs it)";
    for (int run = 0; run < 8; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const int pid = StartWithReviewPainted(display, kQtProgram, kModelessReview);
        ASSERT_GT(pid, 0);
        ::kill(pid, SIGUSR2);
        const vqtest::HostRun ended = EndsWithin(pid, kEndingPatience);
        EXPECT_EQ(ended.status, 0) << ended.out;
        EXPECT_NE(ended.out.find("event loop ended: 0"), std::string::npos) << ended.out;
        EXPECT_FALSE(SanitizerReported(ended.out)) << ended.out;
        EXPECT_EQ(Working(ws), "F") << ended.out;
        if (HasFailure())
            break;
    }
}

// The host with either review open on a display that has frozen (its X server stopped) ends on
// SIGTERM within 2 s, by the signal, with the step given back: nothing waits for the display.
TEST_F(WindowCallEnding, TheHostEndsOnASignalWhenItsDisplayIsFrozen) {
    for (const auto* review : {&kModelessReview, &kModalReview}) {
        SCOPED_TRACE((*review)[0]);
        VirtualDisplay display(VirtualDisplay::LastClient::Stays);
        ASSERT_FALSE(display.Name().empty()) << "Xvfb did not start (scripts/setup installs it)";
        const int pid = StartWithReviewPainted(display, kHost, *review);
        ASSERT_GT(pid, 0);
        display.Signal(SIGSTOP);
        ::kill(pid, SIGTERM);
        const vqtest::HostRun run = EndsWithin(pid, std::chrono::seconds(2));
        EXPECT_EQ(run.signal, SIGTERM) << run.out;
        EXPECT_FALSE(SanitizerReported(run.out)) << run.out;
        EXPECT_EQ(Working(ws), "F") << run.out;
    }
}

// The X server killed, or ended, while the redline file of a project task's review goes up over a
// slow link (a program of someone else's whose review window is worked as a person does): the
// upload stops and takes its partial file back from the server, which keeps its earlier redline
// file whole; nothing is recorded, and the step is given back as the program ends.
TEST_F(WindowCallEnding, AnUploadEndedByTheLossOfTheDisplayLeavesNoPartOnTheServer) {
    vqtest::FtpServer slow(vqtest::FtpFault::SlowDataConnection);
    ASSERT_TRUE(slow.IsRunning());
    const std::string earlier = PrepareRedlineReview(ws, slow);
    // Two minutes over the slow link: the upload is under way long before it could end.
    const std::string redline = (ws.Root() + "/redline.dwg").str();
    std::ofstream(redline, std::ios::binary) << std::string(2000000, 'r');
    const auto step = [this] {
        return ws.QueryText("SELECT Working FROM TaskAuditManage WHERE ProjectNo='PT-9'");
    };
    for (Ending ending : {Ending::DisplayKilled, Ending::DisplayEnds}) {
        SCOPED_TRACE(Describe(ending));
        VirtualDisplay display(VirtualDisplay::LastClient::Stays);
        ASSERT_FALSE(display.Name().empty()) << "Xvfb did not start (scripts/setup installs it)";
        OnDisplay(env, display);
        const int pid = vqtest::StartProgram(
            kOutsideCaller, {"--redline", redline, "DoProjectTaskAudit", "PT-9", "u1", "校对"}, Output());
        ASSERT_GT(pid, 0);
        vqtest::HostRun early;
        bool ended = false;
        ASSERT_TRUE(Eventually([&] {
            ended = vqtest::FinishHost(pid, Output(), early, false);
            return ended || RedlineUploading(slow);
        }));
        ASSERT_FALSE(ended) << early.out;
        EXPECT_EQ(step(), "T");
        display.Signal(ending == Ending::DisplayKilled ? SIGKILL : SIGTERM);
        const vqtest::HostRun run = EndsWithin(pid, kEndingPatience);
        EXPECT_EQ(run.signal, 0) << run.out;
        EXPECT_FALSE(SanitizerReported(run.out)) << run.out;
        EXPECT_EQ(OtherRedlineFiles(slow), std::vector<std::string>{}) << run.out;
        EXPECT_EQ(slow.ReadFile("Vq/Auditing/PT-9/校对_总图.dwg"), earlier);
        EXPECT_EQ(ws.QueryText("SELECT RedlineFiles FROM TaskAuditManage WHERE ProjectNo='PT-9'"), "");
        EXPECT_EQ(step(), "F") << run.out;
    }
}

// The host fetching a 2 MB released drawing over a slow link for the change-label management ends
// on SIGTERM within two seconds, as it would have without the fetch, and no part of the copy stays
// in the working folder.
TEST_F(WindowCallOnDisplay, ASignalDuringASlowFetchEndsTheHostWithoutAPartialCopy) {
    vqtest::FtpServer slow(vqtest::FtpFault::SlowDataConnection);
    ASSERT_TRUE(slow.IsRunning());
    for (const char* rev : {"A", "B"})
        slow.WriteFile("Vq/Proven/P-1000/P-1000-01-02/" + CString(rev) + "/P-1000-01-02.dwg",
                       std::string(2 << 20, 'd'));
    vqtest::ConfigRow config;
    config.domainName = slow.Url();
    ws.SetConfig(config);
    // The copy is fetched into the dialog's folder inside the working folder.
    const auto partialCopy = [&] {
        std::error_code error;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(ws.WorkDir().str(), error)) {
            if (entry.path().filename().string().rfind(".vqnew.", 0) == 0 && entry.file_size(error) > 0)
                return true;
        }
        return false;
    };
    const std::string output = ws.Root().str() + "/host.out";
    const int pid = vqtest::StartHost({"PartChangeLableMaintain", "P-1000-01-02", "0", "zhangsan"}, output);
    ASSERT_GT(pid, 0);
    vqtest::HostRun early;
    bool ended = false;
    ASSERT_TRUE(Eventually([&] {
        ended = vqtest::FinishHost(pid, output, early, false);
        return ended || partialCopy();
    }));
    ASSERT_FALSE(ended) << early.out;
    ::kill(pid, SIGTERM);
    const auto signalled = std::chrono::steady_clock::now();
    const vqtest::HostRun run = WaitForEnd(pid, output);
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(2)) << run.out;
    EXPECT_EQ(run.signal, SIGTERM) << run.out;
    EXPECT_FALSE(partialCopy()) << run.out;
    EXPECT_EQ(run.out.find("result:"), std::string::npos) << run.out;
}

// The redline file of a project task's review going up over a slow link, under a window manager:
// its window stands above the review window it serves, which takes no input meanwhile and says so
// in its caption. Closing the review window asks once, saying what each answer does: 否 stops the
// transfer and closes without keeping the passed document types, the server keeps its earlier
// redline file whole (and no part of the new one), nothing is recorded, and the review window then
// closes through its cancel road without asking again.
TEST_F(WindowCallOnDisplay, ARedlineUploadsWindowStandsAboveTheReviewAndClosingItAsksFirst) {
    WindowManager manager;
    ASSERT_TRUE(manager.Managing()) << "openbox did not start (scripts/setup installs it): "
                                    << manager.Said();
    WorkTheWidgets driver;
    vqtest::FtpServer slow(vqtest::FtpFault::SlowDataConnection);
    ASSERT_TRUE(slow.IsRunning());
    const std::string earlier = PrepareRedlineReview(ws, slow);
    // Two minutes over the slow link: the window is there long before the upload could end, also
    // on a busy machine.
    const std::string redline = (ws.Root() + "/redline.dwg").str();
    std::ofstream(redline, std::ios::binary) << std::string(2000000, 'r');
    using Entry = int (*)(CString, CString, CString);
    auto entry = reinterpret_cast<Entry>(Symbol("DoProjectTaskAudit"));
    ASSERT_TRUE(entry) << dlerror();

    const CString review = "评审意见";
    CString reviewCaption;
    CString busyCaption;
    std::vector<std::string> stacked;
    CString askedOver;
    const auto transferStacked = [&stacked] {
        stacked = StackedCaptions();
        return std::any_of(stacked.begin(), stacked.end(),
                           [](const std::string& c) { return c.rfind("正在上传文件", 0) == 0; });
    };
    vq::qtinput::WhenReady(
        [&] { return ShownDialogStartingWith(review) != nullptr; },
        [&] {
            vq::qtinput::WhenReady(
                [] { return ShownDialogStartingWith("输入文件名") != nullptr; },
                [&] {
                    vq::qtinput::WhenReady(
                        [&] { return ShownDialogStartingWith("正在上传文件") && transferStacked(); },
                        [&] {
                            vq::qtinput::WhenReady([] { return !vq::qtinput::MessageBoxText().IsEmpty(); },
                                                   [&] {
                                                       // One question, with what each answer does: 否 stops
                                                       // the transfer and closes without keeping the passed
                                                       // types.
                                                       EXPECT_EQ(vq::qtinput::MessageBoxText().Find(
                                                                     CFtpTransferWindow::kStopQuestion),
                                                                 0);
                                                       askedOver = vq::qtinput::MessageBoxOwnerCaption();
                                                       EXPECT_TRUE(vq::qtinput::AnswerMessageBox("否(N)"));
                                                   });
                            // Meanwhile the review says why it takes no input.
                            busyCaption = ShownDialogStartingWith(review)->GetWindowTextValue();
                            EXPECT_EQ(busyCaption,
                                      CFtpTransferWindow::BusyCaption(reviewCaption, "正在上传文件"));
                            // The window manager's close, as its close box or Alt+F4 asks.
                            CommandOutput("LC_ALL=C.UTF-8 wmctrl -F -c '" + busyCaption.str() + "'");
                        });
                    CDialog* input = ShownDialogStartingWith("输入文件名");
                    EXPECT_TRUE(vq::qtinput::Type(*input->GetDlgItem(1182), CString(redline)));
                    EXPECT_TRUE(vq::qtinput::Click(*input->GetDlgItem(IDOK)));
                });
            CDialog* dialog = ShownDialogStartingWith(review);
            reviewCaption = dialog->GetWindowTextValue();
            EXPECT_TRUE(vq::qtinput::ClickItem(*dialog->GetDlgItem(1001), 0));
            EXPECT_TRUE(vq::qtinput::Click(*dialog->GetDlgItem(1011)));
        });
    EXPECT_EQ(entry("PT-9", "u1", "校对"), 0);

    // Bottom to top: the transfer's window is above the review it serves.
    const auto at = [&stacked](const char* prefix) {
        return std::find_if(stacked.begin(), stacked.end(),
                            [prefix](const std::string& c) { return c.rfind(prefix, 0) == 0; }) -
               stacked.begin();
    };
    ASSERT_LT(at("评审意见"), static_cast<long>(stacked.size())) << ::testing::PrintToString(stacked);
    EXPECT_GT(at("正在上传文件"), at("评审意见")) << ::testing::PrintToString(stacked);
    EXPECT_EQ(askedOver, busyCaption);
    EXPECT_EQ(slow.ReadFile("Vq/Auditing/PT-9/校对_总图.dwg"), earlier);
    for (const auto& file : std::filesystem::directory_iterator((slow.Root() + "/Vq/Auditing/PT-9").str()))
        EXPECT_EQ(file.path().filename().string(), "校对_总图.dwg");
    EXPECT_EQ(ws.QueryText("SELECT RedlineFiles FROM TaskAuditManage WHERE ProjectNo='PT-9'"), "");
    EXPECT_EQ(ws.QueryText("SELECT Working FROM TaskAuditManage WHERE ProjectNo='PT-9'"), "F");
}

// An entry called from a second thread of an outside program is refused at once with its failure
// value and a word on standard error, records nothing, and the program ends.
TEST_F(WindowCallOnDisplay, ACallFromASecondThreadIsRefused) {
    const CString login = RecordedLogin();
    const vqtest::HostRun run = RunToEnd(
        kOutsideCaller, {"--thread", "AssignTeamTaskMain", "XM-01", "XM-01-01", "zhangsan", "0", "0"}, ws);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("result: 0"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("thread"), std::string::npos) << run.out;
    EXPECT_EQ(RecordedLogin(), login);
}
