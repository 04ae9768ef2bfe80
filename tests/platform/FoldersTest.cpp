#include "platform/base/Folders.h"

#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Sets or clears environment variables for one test and restores them afterwards.
class EnvGuard {
public:
    explicit EnvGuard(std::initializer_list<const char*> names) {
        for (const char* n : names) {
            const char* v = std::getenv(n);
            m_saved.push_back({n, v ? std::optional<std::string>(v) : std::nullopt});
        }
    }
    ~EnvGuard() {
        for (auto& [name, value] : m_saved) {
            if (value)
                setenv(name, value->c_str(), 1);
            else
                unsetenv(name);
        }
    }

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> m_saved;
};

} // namespace

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
    setenv("TMPDIR", "/t", 1);
    EXPECT_EQ(GetTempPath(sizeof buf, buf), 3u);
    EXPECT_STREQ(buf, "/t/");
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
