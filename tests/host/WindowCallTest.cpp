// An entry function called by a program other than our host's main window, as any host calls it:
// the library's exported symbol looked up with dlopen/dlsym, with no main window and nobody
// having set up message boxes. Its questions are asked in the Qt window of its dialog; where
// nobody can be asked they get their safe answers. Windows an entry leaves open keep a single
// call going until they close, and quitting the main window closes them.
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/db/Connection.h"
#include "platform/os/EntryTable.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/HostSupport.h"
#include "platform/ui/TreeCtrl.h"
#include "platform/ui/Wnd.h"
#include "platform/ui/qt/QtDialogView.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/HostProcess.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/UnattendedMessageBoxes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

// The library as an outside program loads it.
void* Symbol(const char* name) {
    static void* library = dlopen(VQ_BINARY_DIR "/libvqdesigntask.so", RTLD_NOW);
    return library ? dlsym(library, name) : nullptr;
}

// The Qt view draws off screen, where a test works its windows, unless a display was given; its
// boxes are shown there by the presenter the library installed as it was loaded, and answered
// through the windows.
void DrawOffScreen() {
    const char* display = std::getenv("DISPLAY");
    if (!std::getenv("QT_QPA_PLATFORM") && !(display && *display))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ASSERT_TRUE(vqtest::LibraryMessageBoxPresenter());
    vq::SetMessageBoxPresenter(vqtest::LibraryMessageBoxPresenter());
}

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

// The host run where nobody can see its windows: no display, no platform given, no script.
vqtest::HostRun RunHostWithoutDisplay(const std::string& args) {
    Environment env;
    env.Set("DISPLAY", nullptr);
    env.Set("WAYLAND_DISPLAY", nullptr);
    env.Set("QT_QPA_PLATFORM", nullptr);
    return vqtest::RunHost(args);
}

constexpr int kTree = 1050;
constexpr int kDelete = 1057;
const char* const kConfirm = "删除该工作任务将失去其对应的所有信息,真的要删除吗?";

} // namespace

// The work-group management called through its exported symbol: the delete confirmation is a Qt
// message box over the dialog, and the work is deleted only when it is answered 是.
TEST(WindowCall, TheDeleteConfirmationIsAskedInTheDialogsWindow) {
    DrawOffScreen();
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
// returns when that window has been closed, and the step is given back then, not before.
TEST(WindowCall, ASingleCallLastsUntilItsLastWindowCloses) {
    DrawOffScreen();
    vqtest::DbWorkspace ws(0);
    vqtest::DbWorkspace::RunScript(ws.Connect(), CString(ReadBytes(VQ_SOURCE_DIR "/schema/sqlite/demo.sql")));
    using Entry = int (*)(_ConnectionPtr, CWnd*, CString, CString, CString, int);
    auto entry = reinterpret_cast<Entry>(Symbol("DoMultiTeamTaskAuditWithMarkup"));
    auto wait = reinterpret_cast<void (*)()>(Symbol("VqHostWaitForWindows"));
    ASSERT_TRUE(entry && wait) << dlerror();
    auto working = [&ws] {
        return ws.QueryText("SELECT Working FROM TeamWorkAudit WHERE FileID='F-0006' AND AuditTask='校对'");
    };

    // Nothing open: the wait is over at once.
    wait();
    // The demo document's content is not in this workspace: the window says so as it opens.
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("不能取得文档P-1000-01-01-02.dwg：服务器上没有该文件。");
    boxes.Expect("不能正常显示设计文件");
    entry(ws.Connect(), nullptr, "F-0006", "zhaoliu", "校对", 0);
    ASSERT_EQ(vq::ModelessWindows().size(), 1u);
    EXPECT_EQ(working(), "T");
    CDialog* window = vq::ModelessWindows().front();
    const CString caption = window->GetWindowTextValue();
    std::string whileOpen;
    vq::qtinput::WhenReady([caption] { return ShownDialog(caption) != nullptr; },
                           [&] {
                               whileOpen = working().str();
                               EXPECT_TRUE(vq::qtinput::Close(*ShownDialog(caption)));
                           });
    wait();
    EXPECT_EQ(whileOpen, "T");
    EXPECT_TRUE(vq::ModelessWindows().empty());
    EXPECT_EQ(working(), "F");
    theApp.m_pConnPDM = nullptr;
}

// Quitting the main window closes the review window an entry left open, gives its step back and
// ends the window's loop.
TEST(WindowCall, QuittingTheMainWindowClosesEveryWindow) {
    DrawOffScreen();
    vqtest::DbWorkspace ws(0);
    vqtest::DbWorkspace::RunScript(ws.Connect(), CString(ReadBytes(VQ_SOURCE_DIR "/schema/sqlite/demo.sql")));
    using Entry = int (*)(_ConnectionPtr, CWnd*, CString, CString, CString, int);
    auto entry = reinterpret_cast<Entry>(Symbol("DoMultiTeamTaskAuditWithMarkup"));
    auto run = reinterpret_cast<decltype(&VqHostRunWindow)>(Symbol("VqHostRunWindow"));
    auto table = reinterpret_cast<const vq::EntryInfo* (*)(int*)>(Symbol("VqEntryTable"));
    ASSERT_TRUE(entry && run && table) << dlerror();
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("不能取得文档P-1000-01-01-02.dwg：服务器上没有该文件。");
    boxes.Expect("不能正常显示设计文件");
    entry(ws.Connect(), nullptr, "F-0006", "zhaoliu", "校对", 0);
    ASSERT_EQ(vq::ModelessWindows().size(), 1u);
    int count = 0;
    const vq::EntryInfo* entries = table(&count);
    vq::qtinput::WhenReady([] { return vq::qtinput::ChooseMainWindowMenu("文件/退出"); }, [] {});
    EXPECT_EQ(run(entries, count, nullptr), 0);
    EXPECT_TRUE(vq::ModelessWindows().empty());
    EXPECT_EQ(ws.QueryText("SELECT Working FROM TeamWorkAudit WHERE FileID='F-0006' AND AuditTask='校对'"),
              "F");
    theApp.m_pConnPDM = nullptr;
}

// A call of the host where nobody can be asked (no display, no platform given, no script): the
// review's question whether to take over a step under review is answered 否, so no window opens
// and the step stays with whoever holds it.
TEST(WindowCall, WithoutADisplayAYesNoQuestionIsAnsweredNo) {
    vqtest::DbWorkspace ws(0);
    vqtest::DbWorkspace::RunScript(ws.Connect(), CString(ReadBytes(VQ_SOURCE_DIR "/schema/sqlite/demo.sql")));
    ws.Execute("UPDATE TeamWorkAudit SET Working='T' WHERE FileID='F-0006' AND AuditTask='校对'");
    const vqtest::HostRun run = RunHostWithoutDisplay("DoMultiTeamTaskAuditWithMarkup F-0006 zhaoliu 校对 0");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("此设计文档正进行指定的评审工作，是否继续?"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("不能取得文档"), std::string::npos) << "the window opened: " << run.out;
    EXPECT_EQ(ws.QueryText("SELECT Working FROM TeamWorkAudit WHERE FileID='F-0006' AND AuditTask='校对'"),
              "T");
}

// A single call of the host where nobody can see its windows (no display, no platform given):
// the window the call left open is closed as the host ends, and its step is given back.
TEST(WindowCall, WithoutADisplayTheHostClosesTheWindowsOfItsCall) {
    vqtest::DbWorkspace ws(0);
    vqtest::DbWorkspace::RunScript(ws.Connect(), CString(ReadBytes(VQ_SOURCE_DIR "/schema/sqlite/demo.sql")));
    const vqtest::HostRun run = RunHostWithoutDisplay("DoMultiTeamTaskAuditWithMarkup F-0006 zhaoliu 校对 0");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("result: 0"), std::string::npos) << run.out;
    EXPECT_EQ(ws.QueryText("SELECT Working FROM TeamWorkAudit WHERE FileID='F-0006' AND AuditTask='校对'"),
              "F")
        << run.out;
}
