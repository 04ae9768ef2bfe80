// Runs the host program as a person or a script would and reads what it prints.
#include "tests/support/DemoWorkspace.h"
#include "tests/support/HostProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using vqtest::DemoWorkspace;
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

namespace {

// A Windows folder of its own for one run of the host: VQ_WINDOWS_DIR points at it while this
// lives, and it goes with it.
class OwnWindowsFolder {
public:
    explicit OwnWindowsFolder(const std::string& name)
        : m_dir(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir / "windows");
        if (const char* saved = std::getenv("VQ_WINDOWS_DIR"))
            m_saved = saved;
        m_hadSaved = std::getenv("VQ_WINDOWS_DIR") != nullptr;
        ::setenv("VQ_WINDOWS_DIR", (m_dir / "windows").c_str(), 1);
    }
    ~OwnWindowsFolder() {
        if (m_hadSaved)
            ::setenv("VQ_WINDOWS_DIR", m_saved.c_str(), 1);
        else
            ::unsetenv("VQ_WINDOWS_DIR");
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    const std::filesystem::path& Dir() const { return m_dir; }
    void Write(const std::string& relative, const std::string& bytes) const {
        std::filesystem::create_directories((m_dir / relative).parent_path());
        std::ofstream(m_dir / relative, std::ios::binary) << bytes;
    }
    std::string Read(const std::string& relative) const {
        std::ifstream in(m_dir / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path m_dir;
    std::string m_saved;
    bool m_hadSaved = false;
};

std::size_t Occurrences(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++n;
    return n;
}

} // namespace

// A run that nobody answers says a broken installation once, naming the file, and ends with a
// failure instead of waiting for a box (or repeating it for every setting the library reads).
TEST(Host, ABrokenInstallationIsSaidOnceAndTheRunEnds) {
    const std::string message = "读取VQPDM注册变量出错，请正确安装VQPDM3.5!";
    OwnWindowsFolder folder("vqhost-broken");
    const std::string txt = (folder.Dir() / "windows" / "vqpdm.txt").string();
    folder.Write("windows/vqpdm.txt", "");
    const auto script = folder.Dir() / "cancel.script";
    folder.Write("cancel.script", "click 2\n");
    for (const std::string& args : std::vector<std::string>{
             "--list", "--headless ShowTeamTaskAuditHistory a b 1",
             "--headless --script " + script.string() + " DesignProjectManageMain zhangsan 0"}) {
        HostRun r = RunHost(args);
        EXPECT_EQ(r.status, 1) << args << "\n" << r.out;
        EXPECT_EQ(Occurrences(r.out, message), 1u) << args << "\n" << r.out;
        EXPECT_NE(r.out.find(txt + " 是空的"), std::string::npos) << args << "\n" << r.out;
        EXPECT_EQ(r.out.find("result:"), std::string::npos) << args << "\n" << r.out;
    }
    // A folder that is not there is said as well, instead of running on the defaults.
    folder.Write("windows/vqpdm.txt", (folder.Dir() / "gone").string() + "\n");
    HostRun gone = RunHost("--headless ShowTeamTaskAuditHistory a b 1");
    EXPECT_EQ(gone.status, 1) << gone.out;
    EXPECT_EQ(Occurrences(gone.out, message), 1u) << gone.out;
    EXPECT_NE(gone.out.find((folder.Dir() / "gone").string() + " 不存在"), std::string::npos) << gone.out;
}

// A settings file saved in UTF-8 naming another data source: the host neither lists the default
// data source's projects nor writes its code page 936 lines into the file; it says what is wrong.
TEST(Host, ASettingsFileInUtf8IsSaidAndLeftAsItIs) {
    OwnWindowsFolder folder("vqhost-utf8");
    folder.Write("windows/vqpdm.txt", (folder.Dir() / "install").string() + "\n");
    const std::string settings =
        "[服务器参数配置]\nPDM数据源=otherdsn\n[公共管理功能]\n当前登陆用户帐号=admin\n";
    folder.Write("install/qent/spt/vqpdmcad.ini", settings);
    const std::string path = (folder.Dir() / "install" / "qent" / "spt" / "vqpdmcad.ini").string();
    for (const std::string& args :
         {std::string("--list"), std::string("--headless DesignProjectManageMain zhangsan 0")}) {
        HostRun r = RunHost(args);
        EXPECT_EQ(r.status, 1) << args << "\n" << r.out;
        EXPECT_EQ(Occurrences(r.out, path + " 不是代码页936(GBK)文本"), 1u) << args << "\n" << r.out;
        EXPECT_EQ(r.out.find("result:"), std::string::npos) << args << "\n" << r.out;
    }
    EXPECT_EQ(folder.Read("install/qent/spt/vqpdmcad.ini"), settings);
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

    // A number that does not fit an int is refused, never taken modulo 2^32 (4294967296 as 0,
    // which would switch 禁止新建 off); so is anything around the digits.
    for (const char* number : {"4294967296", "4294967297", "2147483648", "-2147483649",
                               "99999999999999999999", "'1 '", "' 1'", "1x", "0x1", "''"}) {
        HostRun wide = RunHost(std::string("--headless DesignProjectManageMain zhangsan ") + number);
        EXPECT_NE(wide.status, 0) << number;
        EXPECT_NE(wide.out.find("argument 2 of DesignProjectManageMain must be a whole number"),
                  std::string::npos)
            << number << "\n"
            << wide.out;
        EXPECT_EQ(wide.out.find("result:"), std::string::npos) << number << "\n" << wide.out;
    }
}

// A script's number that does not fit is refused before anything runs, as other bad numbers
// are: "click 4294967297" would press OK (1), "select 1105 4294967296" choose entry 0.
TEST(Host, ScriptNumbersThatDoNotFitAreRefusedBeforeTheCall) {
    auto script = std::filesystem::temp_directory_path() / ("vqhost-numbers-" + std::to_string(::getpid()));
    for (const char* line :
         {"click 4294967297", "click -1", "select 1105 4294967296", "check 1020 4294967297"}) {
        std::ofstream(script) << "dialog ~\"\"\n" << line << "\n";
        HostRun r = RunHost("--headless --script " + script.string() + " ShowTeamTaskAuditHistory a b 1");
        EXPECT_NE(r.status, 0) << line << "\n" << r.out;
        EXPECT_NE(r.out.find("script line 2: cannot read the"), std::string::npos) << line << "\n" << r.out;
        EXPECT_EQ(r.out.find("result:"), std::string::npos) << line << "\n" << r.out;
    }
    std::filesystem::remove(script);
}

TEST(Host, ScriptWithUnusedActionsFails) {
    auto script = std::filesystem::temp_directory_path() / "vqhost-unused.script";
    std::ofstream(script) << "dialog \"never opened\"\nclick 1\n";
    HostRun r = RunHost("--headless --script " + script.string() + " ShowTeamTaskAuditHistory a b 1");
    std::filesystem::remove(script);
    EXPECT_NE(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("unused"), std::string::npos) << r.out;
}

namespace {

// A call of an entry function on the demo workspace that opens its dialog (or modeless window);
// the script types a word at once, as a person who starts typing without choosing a field, and
// leaves with Cancel.
struct DemoCall {
    const char* name;
    const char* args;
    const char* script = "type \"工装设计\"\nclick 2\n";
};

// The review of a project task asks on Cancel whether to keep its documents' results.
constexpr const char* kLeaveProjectReview =
    "type \"工装设计\"\nclick 2\nmessage \"是否要保存审查文档结果?\" IDNO\n";
// The review of a work document asks on Cancel before the opinion typed is lost.
constexpr const char* kLeaveOpinion =
    "type \"工装设计\"\nclick 2\nmessage \"批注结果未保存，是否真的要退出?\" IDYES\n";

const DemoCall kDemoCalls[] = {
    {"DesignProjectManageMain", "admin 0"},
    {"CreateNewProjectTaskItem", "XM-01 '' admin"},
    {"AssignProjectTaskMain", "XM-01 zhangsan 0"},
    {"AssignProjectTeamMain", "'' XM-01 _P zhangsan 0"},
    {"AssignProjectStructMain", "XM-01 zhangsan 0"},
    {"SelectProjectTeamer", "XM-01-01 XM-01 _T zhangsan"},
    {"CreateNewTeamTaskItem", "XM-01-02 '' x lisi"},
    {"AssignTeamTaskMain", "XM-01 XM-01-01 zhangsan 0 0"},
    {"AssignTaskPartMain", "XM-01-01#001 zhangsan 0"},
    {"TeamWorkTaskStateMaintain", "XM-01-03#001#001 zhaoliu 0"},
    {"TeamGorupFileManageMain", "XM-01-01#001 1 zhangsan"},
    {"TeamWorkPrintSearchMain", "P-1000-01-01 zhangsan"},
    {"ShowTeamTaskAuditFlow", "F-0006 zhangsan 0"},
    {"ShowTeamTaskAuditResult", "F-0006 zhangsan 0"},
    {"DoTeamTaskAudit", "F-0006 zhaoliu 校对", kLeaveOpinion},
    {"DoMultiTeamTaskAudit", "0 F-0006 zhaoliu 校对", kLeaveOpinion},
    {"DoMultiTeamTaskAuditEx", "F-0006 zhaoliu 校对 '' 0 0", kLeaveOpinion},
    {"DoTeamTaskAuditWithMarkup", "F-0006 zhaoliu 校对 0"},
    {"DoTeamTaskNextAudit", "F-0006 zhaoliu 校对"},
    {"DoMultiTeamTaskAuditWithMarkup", "F-0006 zhaoliu 校对 0", "window ~\"\"\ntype \"工装设计\"\nclick 2\n"},
    {"DoProjectTaskAudit", "XM-02-01 zhaoliu 校对", kLeaveProjectReview},
    {"DoMultiProjectTaskAudit", "0 XM-02-01 zhaoliu 校对", kLeaveProjectReview},
    {"TeamAssignNextAuditTaskMain", "F-0006 校对 zhaoliu 0"},
    {"TeamAssignNextAuditTaskShow", "F-0006 校对 zhaoliu"},
    {"ConfigureTaskItemColor", ""},
    {"ImportProductDataFromFile", "x zhangsan"},
    {"BrowsePartReversionTree", "P-1000-01-02 zhangsan"},
    {"PartChangeLableMaintain", "P-1000-01-02 0 zhangsan"},
    {"PartChangeLableBrowse", "P-1000-01-02 zhangsan"},
    {"ECOChangeLableMainTain", "更改单 JX-2026-002 箱盖零件图 0 zhangsan"},
    {"ECOChangeLableBrowse", "更改单 JX-2026-002 箱盖零件图 zhangsan"},
    {"ECOChangeLableBrowseMain", "更改单 JX-2026-002 zhangsan"},
    {"ECOChangeLableBrowseMainEx", "更改单 JX-2026-002 zhangsan 1"},
    {"ECOAssignNextAuditTaskMain", "更改单 JX-2026-002 校对 zhaoliu 0"},
    {"ECOAssignNextAuditTaskShow", "更改单 JX-2026-002 校对 zhaoliu"},
    {"ShowPartECODesignHistory", "P-1000-01-01 zhangsan"},
    {"ShowECOModifyItemData", "JX-2026-001 lisi"},
    {"ShowECOChanageItemData", "JX-2026-002 lisi"},
};

// The demo's product database as a dump, without what opening and closing a dialog write of
// themselves: the operation log ("浏览任务属性") and a review step not held, which the demo leaves
// empty and a window closing gives back as 'F'.
std::string StoredData(const DemoWorkspace& demo) {
    std::istringstream lines(
        vqtest::Shell("sqlite3 '" + (demo.Dir() / "db" / "vqpdm.db").string() + "' .dump").out);
    std::string data;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("INSERT INTO LogInformation ", 0) == 0)
            continue;
        const std::string notHeld = ",NULL);";
        if ((line.rfind("INSERT INTO TeamWorkAudit ", 0) == 0 ||
             line.rfind("INSERT INTO TeamWorkNextAudit ", 0) == 0) &&
            line.size() >= notHeld.size() &&
            line.compare(line.size() - notHeld.size(), notHeld.size(), notHeld) == 0)
            line.replace(line.size() - notHeld.size(), notHeld.size(), ",'F');");
        data += line + "\n";
    }
    return data;
}

// The title that `--list` gives an entry ("NAME (arguments) -> kind  TITLE  @subsystem").
std::string ListedTitle(const std::string& list, const std::string& name) {
    std::istringstream lines(list);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(name + " (", 0) != 0)
            continue;
        const std::size_t kind = line.find(" -> ");
        const std::size_t start = kind == std::string::npos ? kind : line.find("  ", kind);
        if (start == std::string::npos)
            return "";
        const std::size_t end = line.find("  @", start + 2);
        return line.substr(start + 2, end == std::string::npos ? std::string::npos : end - start - 2);
    }
    return "";
}

// The caption a title names: without a variant after " — " and without a closing hint in
// parentheses ("(浏览)", " (无模式)").
std::string TitleCaption(std::string title) {
    if (const std::size_t dash = title.find(" — "); dash != std::string::npos)
        title.erase(dash);
    if (!title.empty() && title.back() == ')') {
        if (const std::size_t open = title.rfind('('); open != std::string::npos)
            title.erase(open);
        while (!title.empty() && title.back() == ' ')
            title.pop_back();
    }
    return title;
}

// The caption of the first dialog or modeless window a headless run printed.
std::string FirstCaption(const std::string& out) {
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        for (const std::string verb : {"dialog \"", "window \""})
            if (line.rfind(verb, 0) == 0 && line.size() > verb.size())
                return line.substr(verb.size(), line.size() - verb.size() - 1);
    }
    return "";
}

void PrintTo(const DemoCall& call, std::ostream* out) {
    *out << call.name;
}

class EntryCaptionHost : public ::testing::TestWithParam<DemoCall> {};

} // namespace

// The menus show an entry by the caption of the dialog it opens: the caption is the title, or the
// title without its hints followed by what the dialog adds (" - 校对[F-0006]"). The dialog opens
// where a word typed at once is text a person meant (a field, or the list or tree of a dialog
// without one): never a read-only field, which would lose it, nor a choice, which would change;
// and Cancel after it stores nothing.
TEST_P(EntryCaptionHost, TheListedTitleIsTheCaptionOfTheDialogTheEntryOpens) {
    const DemoCall& call = GetParam();
    DemoWorkspace demo;
    const std::string title = ListedTitle(demo.Host("", "--list").out, call.name);
    ASSERT_FALSE(title.empty()) << call.name;
    const std::string before = StoredData(demo);
    const vqtest::ShellRun run = demo.Host(call.script, std::string(call.name) + " " + call.args);
    const std::string caption = FirstCaption(run.out);
    const std::string named = TitleCaption(title);
    EXPECT_TRUE(caption == title || caption == named || caption.rfind(named + " - ", 0) == 0)
        << title << " | " << caption;
    EXPECT_EQ(run.status, 0) << run.out;
    const std::size_t typed = run.out.find("typed \"工装设计\" into ");
    ASSERT_NE(typed, std::string::npos) << run.out;
    const std::string where = run.out.substr(typed, run.out.find('\n', typed) - typed);
    for (const char* lost : {"read-only", "drop-down list", "check box", "radio button", "date picker",
                             "spin", "tab control", "into nothing"})
        EXPECT_EQ(where.find(lost), std::string::npos) << where;
    EXPECT_TRUE(StoredData(demo) == before) << "the database changed";
}

INSTANTIATE_TEST_SUITE_P(Entries, EntryCaptionHost, ::testing::ValuesIn(kDemoCalls),
                         [](const ::testing::TestParamInfo<DemoCall>& info) {
                             return std::string(info.param.name);
                         });

namespace {

// The client area a window may take on a 1024x768 screen: less the task bar, its frame and its
// title bar.
constexpr int kScreenClientWidth = 1014;
constexpr int kScreenClientHeight = 698;

// The entries whose window opens in an opinion: a word typed there is the reviewer's work, and
// Esc asks a question before the window closes.
// (The design document's review window opens in its drawing number, and asks only once an
// opinion, a result or markup is given.)
const std::set<std::string> kOpinionEntries = {"DoTeamTaskAudit", "DoMultiTeamTaskAudit",
                                               "DoMultiTeamTaskAuditEx", "DoProjectTaskAudit",
                                               "DoMultiProjectTaskAudit"};

class EntryKeyboardHost : public ::testing::TestWithParam<DemoCall> {};

} // namespace

// The same windows worked with the keyboard alone (in the Qt view, off screen): Tab and Shift+Tab
// go round to every enabled button and never to no control, the window fits a 1024x768 screen at a
// scale of 1 and of 125 % (what does not fit scrolls, its buttons in sight), and Esc after a word
// typed where it opened closes it, except where that word is an opinion: there it asks first.
TEST_P(EntryKeyboardHost, TabReachesEveryButtonTheWindowFitsAndEscAsksBeforeAnOpinionIsLost) {
    const DemoCall& call = GetParam();
    DemoWorkspace demo;
    const std::filesystem::path standIn = demo.Dir().string() + "-keys";
    std::filesystem::create_directories(standIn / "host");
    std::filesystem::create_symlink(VQ_BINARY_DIR "/tests/vqkeywalk", standIn / "host" / "vqhost");
    std::vector<std::pair<std::string, vqtest::ShellRun>> runs;
    for (const std::string scale : {"1", "1.25"})
        runs.emplace_back(
            scale, vqtest::Shell("QT_SCALE_FACTOR=" + scale + " " +
                                 demo.Command(standIn.string(), std::string(call.name) + " " + call.args)));
    std::filesystem::remove_all(standIn);
    for (const auto& [scale, run] : runs) {
        SCOPED_TRACE("QT_SCALE_FACTOR=" + scale);
        const std::size_t window = run.out.find("window \"");
        ASSERT_NE(window, std::string::npos) << run.out;
        std::istringstream size(run.out.substr(run.out.find("\" ", window) + 2));
        int width = 0, height = 0;
        char by = 0;
        size >> width >> by >> height;
        EXPECT_LE(width, kScreenClientWidth) << run.out;
        EXPECT_LE(height, kScreenClientHeight) << run.out;
        EXPECT_EQ(run.out.find(" misses "), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find("lost the focus"), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find(" stops on spin"), std::string::npos) << run.out;
        const bool opinion = kOpinionEntries.count(call.name) != 0;
        EXPECT_NE(run.out.find(opinion ? "box \"" : "esc after typing: closes", window), std::string::npos)
            << run.out;
        EXPECT_NE(run.out.find("result: "), std::string::npos) << run.out;
    }
}

INSTANTIATE_TEST_SUITE_P(Entries, EntryKeyboardHost, ::testing::ValuesIn(kDemoCalls),
                         [](const ::testing::TestParamInfo<DemoCall>& info) {
                             return std::string(info.param.name);
                         });

// Every entry that opens a dialog is called above (and every one called is listed); the others say
// so in their title.
TEST(Host, EveryEntryWithADialogHasItsCaptionChecked) {
    std::set<std::string> called;
    for (const DemoCall& call : kDemoCalls)
        called.insert(call.name);
    HostRun r = RunHost("--list");
    ASSERT_EQ(r.status, 0) << r.out;
    std::istringstream lines(r.out);
    std::set<std::string> listed;
    for (std::string line; std::getline(lines, line);) {
        const std::string name = line.substr(0, line.find(' '));
        listed.insert(name);
        if (ListedTitle(r.out, name).find("(无对话框)") == std::string::npos) {
            EXPECT_TRUE(called.count(name)) << name;
        }
    }
    for (const std::string& name : called)
        EXPECT_TRUE(listed.count(name)) << name;
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
