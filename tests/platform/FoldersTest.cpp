#include "platform/base/Folders.h"

#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

#include "platform/base/File.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <sys/stat.h>
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

// Whatever stands at the working folder's name and is not the user's private folder is neither
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
        {"the user's folder open to the group",
         [](const std::string& p) {
             fs::create_directory(p);
             ::chmod(p.c_str(), 0770);
         }},
        {"the user's folder readable by all",
         [](const std::string& p) {
             fs::create_directory(p);
             ::chmod(p.c_str(), 0755);
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
