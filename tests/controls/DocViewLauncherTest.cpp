// The document launcher: which files go to the desktop's shell and which to the outside document
// viewer, with a recording shell and a recording viewer in place of the real ones.
#include "controls/DocViewLauncher.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/File.h"
#include "platform/base/Profile.h"
#include "platform/com/DocViewer.h"
#include "platform/os/ShellOpen.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

namespace {

class RecordingShell : public vq::ShellOpener {
public:
    RecordingShell() { m_previous = vq::SetShellOpener(this); }
    ~RecordingShell() override { vq::SetShellOpener(m_previous); }
    bool OpenFile(const CString& path) override {
        opened.push_back(path);
        return succeeds;
    }
    bool StartProgram(const CString& program, const std::vector<CString>&) override {
        started.push_back(program);
        return succeeds;
    }
    std::vector<CString> opened;
    std::vector<CString> started;
    bool succeeds = true;

private:
    vq::ShellOpener* m_previous = nullptr;
};

// What the launcher asked of the viewer objects it created.
struct ViewerLog {
    int created = 0;
    std::vector<CString> calls;
};

class RecordingViewer : public vq::DocumentViewer {
public:
    RecordingViewer(ViewerLog& log, bool shows) : m_log(log), m_shows(shows) {}
    bool OpenFile(const CString& path) override {
        m_log.calls.push_back("open " + path);
        return m_shows;
    }
    void SetViewCacheMode(bool on) override { m_log.calls.push_back(on ? "cache on" : "cache off"); }
    void ResetViewCache() override { m_log.calls.push_back("reset"); }
    void SetCachedFileName(const CString& name) override { m_log.calls.push_back("name " + name); }

private:
    ViewerLog& m_log;
    bool m_shows;
};

class DocViewLauncherTest : public ::testing::Test {
protected:
    void SetUp() override { InstallViewer(true); }
    void TearDown() override { vq::SetDocumentViewerFactory(nullptr); }

    void InstallViewer(bool shows) {
        vq::SetDocumentViewerFactory([this, shows](const CString&) -> std::unique_ptr<vq::DocumentViewer> {
            ++log.created;
            return std::make_unique<RecordingViewer>(log, shows);
        });
    }
    void UninstallViewer() {
        vq::SetDocumentViewerFactory([this](const CString&) -> std::unique_ptr<vq::DocumentViewer> {
            ++log.created;
            return nullptr;
        });
    }
    CString Document(const CString& name) { return ws.WriteFile("tmp/" + name, "document"); }

    vqtest::Workspace ws;
    RecordingShell shell;
    ViewerLog log;
};

TEST_F(DocViewLauncherTest, WordFileGoesToTheShellWhenTheSwitchIsOnWhateverTheList) {
    ws.WriteSetting("浏览器配置", "启动WORD系统", "1");
    ws.WriteSetting("浏览器配置", "直接浏览文档格式", "pdf; txt");
    const CString path = Document("manual.doc");
    EXPECT_EQ(OpenDocumentFile(path), 1);
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], path);
    EXPECT_EQ(log.created, 0);
}

TEST_F(DocViewLauncherTest, WordFileGoesToTheViewerWhenTheSwitchIsOffAndTheListEmpty) {
    ws.WriteSetting("浏览器配置", "启动WORD系统", "0");
    const CString path = Document("manual.DOC");
    EXPECT_EQ(OpenDocumentFile(path), -1); // the viewer's TRUE
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_EQ(log.created, 1);
    EXPECT_EQ(log.calls, std::vector<CString>{"open " + path});
}

TEST_F(DocViewLauncherTest, WordFileWithTheSwitchOffGoesToTheShellOnlyWhenListed) {
    ws.WriteSetting("浏览器配置", "直接浏览文档格式", "Doc");
    EXPECT_EQ(OpenDocumentFile(Document("a.doc")), 1);
    EXPECT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(log.created, 0);
}

TEST_F(DocViewLauncherTest, SecondListedExtensionInCapitalsGoesToTheShell) {
    ws.WriteSetting("浏览器配置", "直接浏览文档格式", "pdf; txt");
    EXPECT_EQ(OpenDocumentFile(Document("readme.TXT")), 1);
    EXPECT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(log.created, 0);
}

TEST_F(DocViewLauncherTest, ExtensionsJoinedWithoutTheBlankFormOneItemThatMatchesNothing) {
    ws.WriteSetting("浏览器配置", "直接浏览文档格式", "pdf;txt");
    EXPECT_EQ(OpenDocumentFile(Document("readme.txt")), -1);
    EXPECT_EQ(OpenDocumentFile(Document("readme.pdf")), -1);
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_EQ(log.created, 2);
}

TEST_F(DocViewLauncherTest, FileWithoutExtensionGoesToTheViewer) {
    ws.WriteSetting("浏览器配置", "直接浏览文档格式", "pdf; txt; ");
    EXPECT_EQ(OpenDocumentFile(Document("README")), -1);
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_EQ(log.created, 1);
}

TEST_F(DocViewLauncherTest, MissingViewerIsReportedOnceWithoutFallingBackToTheShell) {
    UninstallViewer();
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("不能正常创建工程文档浏览窗口!");
    EXPECT_EQ(OpenDocumentFile(Document("part.dwg")), 0);
    EXPECT_EQ(boxes.Shown().size(), 1u);
    EXPECT_TRUE(shell.opened.empty());
}

TEST_F(DocViewLauncherTest, ShellAndViewerFailuresAreReportedAndGiveZero) {
    ws.WriteSetting("浏览器配置", "直接浏览文档格式", "txt");
    shell.succeeds = false;
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("不能正常打开文档");
    EXPECT_EQ(OpenDocumentFile(Document("a.txt")), 0);

    InstallViewer(false);
    boxes.Expect("不能正常打开文档");
    EXPECT_EQ(OpenDocumentFile(Document("a.dwg")), 0);
    EXPECT_EQ(boxes.Pending(), 0);
}

TEST_F(DocViewLauncherTest, RealExtensionSkipsVersionNumbers) {
    EXPECT_EQ(CDocViewLauncher::GetRealFileExt("a.dwg"), ".dwg");
    EXPECT_EQ(CDocViewLauncher::GetRealFileExt("a.dwg.3"), ".dwg");
    EXPECT_EQ(CDocViewLauncher::GetRealFileExt("a.b.dwg.12.7"), ".dwg");
    EXPECT_EQ(CDocViewLauncher::GetRealFileExt("a.v2"), ".v2");
    EXPECT_EQ(CDocViewLauncher::GetRealFileExt("drawing"), "");
    EXPECT_EQ(CDocViewLauncher::GetRealFileExt("drawing."), "");
    EXPECT_EQ(CDocViewLauncher::GetRealFileExt("drawing.12"), "");
    EXPECT_EQ(CDocViewLauncher::GetRealFileExt(""), "");
}

class CacheLauncher : public CDocViewLauncher {
public:
    CacheLauncher() { m_bViewCacheMode = 1; }
};

TEST_F(DocViewLauncherTest, ViewCacheModeCopiesTheFileAndNamesItToTheViewer) {
    const CString path = Document("bolt.dwg.2");
    const int downloadsBefore = static_cast<int>(theApp.m_arrDownloadFiles.GetSize());
    CacheLauncher launcher;
    EXPECT_EQ(launcher.OpenDocument(path), -1);

    const CString copy = ws.InstallDir() + "/qent/spt/View/" + vq::HostProgramFileName().SpanExcluding(".") +
                         ".DWG"; // the path is taken in capitals
    ASSERT_EQ(log.calls.size(), 4u);
    EXPECT_EQ(log.calls[0], "cache on");
    EXPECT_EQ(log.calls[1], "reset");
    EXPECT_EQ(log.calls[2], "name BOLT.DWG.2");
    EXPECT_EQ(log.calls[3], "open " + copy);
    EXPECT_EQ(ws.ReadFile(copy), "document");
    EXPECT_FALSE(PathFileExists(path)); // the source goes
    ASSERT_EQ(theApp.m_arrDownloadFiles.GetSize(), downloadsBefore + 1);
    EXPECT_EQ(theApp.m_arrDownloadFiles[downloadsBefore], copy);
    theApp.m_arrDownloadFiles.RemoveAt(downloadsBefore);
}

TEST_F(DocViewLauncherTest, ViewCacheModeOpensModelFilesWhereTheyLie) {
    const CString path = Document("frame.sldasm");
    CacheLauncher launcher;
    EXPECT_EQ(launcher.OpenDocument(path), -1);
    ASSERT_EQ(log.calls.size(), 3u);
    EXPECT_EQ(log.calls[2].Left(5), "open ");
    EXPECT_EQ(log.calls[2].Mid(5).CompareNoCase(path), 0);
    EXPECT_TRUE(PathFileExists(path));
}

// The default viewer object: the program configured for the type.
TEST(DocViewerObjectTest, StartsTheProgramConfiguredForTheType) {
    vqtest::Workspace ws;
    const CString text = ws.WriteFile("tmp/a.TXT", "x");
    const CString drawing = ws.WriteFile("tmp/a.dwg", "x");
    EXPECT_EQ(vq::CreateDocumentViewer(text), nullptr); // nothing configured: not installed

    const CString config = vq::DocumentViewerConfigPath();
    ASSERT_TRUE(vq::WriteProfileString("文档浏览程序", "txt", "/bin/true --quiet", config));
    EXPECT_EQ(vq::CreateDocumentViewer(drawing), nullptr); // no program for the type
    auto viewer = vq::CreateDocumentViewer(text);
    ASSERT_NE(viewer, nullptr);
    RecordingShell shell;
    EXPECT_TRUE(viewer->OpenFile(text));
    EXPECT_EQ(shell.started, std::vector<CString>{"/bin/true"});
    EXPECT_FALSE(viewer->OpenFile(ws.TempDir() + "/missing.txt"));

    // A program for every other type.
    ASSERT_TRUE(vq::WriteProfileString("文档浏览程序", "*", "\"/opt/my viewer/view\" -r", config));
    viewer = vq::CreateDocumentViewer(drawing);
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->OpenFile(drawing));
    ASSERT_EQ(shell.started.size(), 2u);
    EXPECT_EQ(shell.started[1], "/opt/my viewer/view");
}

// The launcher with the default viewer object: a type without a program is not installed.
TEST(DocViewerObjectTest, LauncherReportsATypeWithoutProgramAsNotInstalled) {
    vqtest::Workspace ws;
    RecordingShell shell;
    ASSERT_TRUE(vq::WriteProfileString("文档浏览程序", "txt", "/bin/true", vq::DocumentViewerConfigPath()));
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("不能正常创建工程文档浏览窗口!");
    EXPECT_EQ(OpenDocumentFile(ws.WriteFile("tmp/a.dwg", "x")), 0);
    EXPECT_EQ(OpenDocumentFile(ws.WriteFile("tmp/b.txt", "x")), -1);
    EXPECT_EQ(shell.started, std::vector<CString>{"/bin/true"});
    EXPECT_EQ(boxes.Pending(), 0);
}

TEST(ShellOpenTest, DetachedProgramsReportWhetherTheyStarted) {
    EXPECT_TRUE(vq::SpawnDetached("/bin/true", {}));
    EXPECT_TRUE(vq::SpawnDetached("true", {"ignored"}));
    EXPECT_FALSE(vq::SpawnDetached("/nonexistent/viewer-program", {}));
    EXPECT_FALSE(vq::SpawnDetached("", {}));
    // The desktop's opener starts nothing for a file that is not there.
    EXPECT_FALSE(vq::ActiveShellOpener().OpenFile("/nonexistent/folder/a.pdf"));
}

// The host ignores SIGPIPE and SIGXFSZ (a failed write is handled where it is made), and the
// windows' loop holds SIGPIPE back on its thread (a viewer is started from a window); a program it
// starts gets them back as programs expect, neither ignored nor held, so that it ends when the
// reader of its output goes.
TEST(ShellOpenTest, AStartedProgramDoesNotInheritTheIgnoredSignalsOfFailedWrites) {
    vqtest::Workspace ws;
    const std::string file = (ws.Root() + "/signals").str();
    const auto oldPipe = std::signal(SIGPIPE, SIG_IGN);
    const auto oldSize = std::signal(SIGXFSZ, SIG_IGN);
    sigset_t failedWrites, oldMask;
    sigemptyset(&failedWrites);
    sigaddset(&failedWrites, SIGPIPE);
    sigaddset(&failedWrites, SIGXFSZ);
    ::pthread_sigmask(SIG_BLOCK, &failedWrites, &oldMask);
    // Perl, since a shell clears its mask as it starts.
    const bool started = vq::SpawnDetached(
        "perl", {"-e",
                 "open(my $in, '<', '/proc/self/status') and open(my $out, '>', \"$ARGV[0].tmp\") or exit 1;"
                 "print $out grep { /^Sig(Ign|Blk):/ } <$in>; close($out) and rename(\"$ARGV[0].tmp\", $ARGV[0]);",
                 CString(file)});
    ::pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    std::signal(SIGPIPE, oldPipe);
    std::signal(SIGXFSZ, oldSize);
    ASSERT_TRUE(started);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!std::filesystem::exists(file) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::ifstream in(file);
    std::string label, mask;
    for (int line = 0; line < 2; ++line) {
        ASSERT_TRUE(in >> label >> mask) << "the program wrote " << line << " lines";
        const unsigned long long set = std::stoull(mask, nullptr, 16);
        EXPECT_EQ(set & (1ull << (SIGPIPE - 1)), 0u) << label << " " << mask;
        EXPECT_EQ(set & (1ull << (SIGXFSZ - 1)), 0u) << label << " " << mask;
    }
}

} // namespace
