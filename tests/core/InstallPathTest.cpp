#include "core/InstallPath.h"

#include "platform/base/TextCodec.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

class InstallPathTest : public ::testing::Test {
protected:
    // GetInstallFilePath into a buffer whose bytes after the MAX_PATH limit are watched.
    int Get(const char* rel, CString& out) {
        std::string buffer(MAX_PATH + 16, '#');
        int rc = GetInstallFilePath(rel, buffer.data());
        EXPECT_EQ(buffer.substr(MAX_PATH), std::string(16, '#')) << "written past the buffer";
        out = CString(buffer.c_str());
        return rc;
    }
    void RemoveVqpdmTxt() { fs::remove((ws.WindowsDir() + "/vqpdm.txt").str()); }

    vqtest::Workspace ws;
    vqtest::MessageBoxRecorder boxes;
};

} // namespace

TEST_F(InstallPathTest, SettingsPathBelowTheInstallationFolder) {
    CString path;
    EXPECT_EQ(Get("qent\\spt\\vqpdmcad.ini", path), 1);
    EXPECT_EQ(path, ws.SettingsPath());
}

TEST_F(InstallPathTest, FolderWrittenTheWindowsWayStaysUnnormalised) {
    ws.WriteFile("windows/vqpdm.txt", "D:\\Host\r\nsecond line\r\n");
    CString path;
    EXPECT_EQ(Get("qent\\spt\\vqpdmcad.ini", path), 1);
    EXPECT_EQ(path, "D:/Host/qent/spt/vqpdmcad.ini");
    ws.WriteFile("windows/vqpdm.txt", "D:\\Host\\");
    EXPECT_EQ(Get("qent\\spt\\vqpdmcad.ini", path), 1);
    EXPECT_EQ(path, "D:/Host//qent/spt/vqpdmcad.ini"); // the doubled separator is kept
}

TEST_F(InstallPathTest, FileNamesAndFoldersAreFoundInAnyCase) {
    RemoveVqpdmTxt();
    ws.WriteFile("windows/VQPDM.TXT", ws.InstallDir().str() + "\n");
    fs::rename((ws.InstallDir() + "/qent").str(), (ws.InstallDir() + "/QEnt").str());
    CString path;
    EXPECT_EQ(Get("qent\\spt\\vqpdmcad.ini", path), 1);
    EXPECT_EQ(path, ws.InstallDir() + "/QEnt/spt/vqpdmcad.ini");
}

TEST_F(InstallPathTest, InstallationFolderInCodePage936) {
    CString folder = ws.Root() + "/安装目录";
    fs::create_directories((folder + "/qent/spt").str());
    ws.WriteFile("windows/vqpdm.txt", vq::Utf8ToGbk(folder.str()) + "\r\n");
    CString path;
    EXPECT_EQ(Get("qent\\spt\\vqpdmcad.ini", path), 1);
    EXPECT_EQ(path, folder + "/qent/spt/vqpdmcad.ini");
}

TEST_F(InstallPathTest, SetupFileIsTheFallbackAndItsFirstLineIsTakenWhole) {
    RemoveVqpdmTxt();
    ws.WriteFile("windows/vqsetup.ini", "[Setup]\r\nPath=/x\r\n");
    CString path;
    EXPECT_EQ(Get("a.txt", path), 1);
    EXPECT_EQ(path, "[Setup]/a.txt");
}

TEST_F(InstallPathTest, EmptyVqpdmTxtShowsItsMessageWithoutFallingBack) {
    ws.WriteFile("windows/vqpdm.txt", "");
    ws.WriteFile("windows/vqsetup.ini", "/elsewhere\n");
    boxes.Expect("读取VQPDM注册变量出错，请正确安装VQPDM3.5!");
    CString path = "unchanged";
    EXPECT_EQ(Get("a.txt", path), 0);
    EXPECT_EQ(path, "");
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].caption, "错误信息");
    EXPECT_EQ(boxes.Shown()[0].text, "读取VQPDM注册变量出错，请正确安装VQPDM3.5!");
    EXPECT_EQ(boxes.Shown()[0].type, MB_OK);
}

// The installation is judged without a box (the library does it while it loads, before anybody
// could answer one): each fault keeps the system's words and names the file and what is wrong.
TEST_F(InstallPathTest, FaultsOfTheInstallationNameTheFileWithoutABox) {
    CString folder;
    EXPECT_EQ(InstallationFault(&folder), "");
    EXPECT_EQ(folder, ws.InstallDir());
    const CString txt = ws.WindowsDir() + "/vqpdm.txt";
    auto expectFault = [&](const CString& what) {
        const CString fault = InstallationFault();
        EXPECT_EQ(fault.Find("读取VQPDM注册变量出错，请正确安装VQPDM3.5!\n"), 0) << fault.c_str();
        EXPECT_NE(fault.Find(txt), -1) << fault.c_str();
        EXPECT_NE(fault.Find(what), -1) << fault.c_str();
    };
    ws.WriteFile("windows/vqpdm.txt", "");
    expectFault("是空的");
    ws.WriteFile("windows/vqpdm.txt", "\r\nsecond line\r\n");
    expectFault("没有指定安装目录");
    ws.WriteFile("windows/vqpdm.txt", (ws.Root() + "/gone\n").str());
    expectFault(ws.Root() + "/gone 不存在");
    ws.WriteFile("windows/vqpdm.txt", (ws.SettingsPath() + "\n").str()); // a file, not a folder
    expectFault("不存在");
    // A vqpdm.txt that cannot be opened (a link to itself) is said unless vqsetup.ini, which
    // the system then follows, names an installation.
    RemoveVqpdmTxt();
    fs::create_symlink("vqpdm.txt", txt.str());
    expectFault("不能读取文件");
    ws.WriteFile("windows/vqsetup.ini", (ws.InstallDir() + "\n").str());
    EXPECT_EQ(InstallationFault(), "");
    ws.WriteFile("windows/vqsetup.ini", "");
    const CString setup = InstallationFault();
    EXPECT_EQ(setup.Find("读取VQ60注册变量出错，请正确安装VQMCAD6.0!\n"), 0) << setup.c_str();
    EXPECT_NE(setup.Find(ws.WindowsDir() + "/vqsetup.ini"), -1) << setup.c_str();
    // Neither file: nothing is named, and the entry call says what it says of that.
    fs::remove(txt.str());
    fs::remove((ws.WindowsDir() + "/vqsetup.ini").str());
    EXPECT_EQ(InstallationFault(), "");
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(InstallPathTest, MissingSetupFileNamesItsFullPath) {
    RemoveVqpdmTxt();
    boxes.Expect("打开文件");
    CString path;
    EXPECT_EQ(Get("a.txt", path), 0);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "打开文件 " + ws.WindowsDir() + "/vqsetup.ini 出错!");
    EXPECT_EQ(boxes.Shown()[0].caption, "错误信息");
}

TEST_F(InstallPathTest, EmptySetupFileShowsTheSetupMessage) {
    RemoveVqpdmTxt();
    ws.WriteFile("windows/vqsetup.ini", "");
    boxes.Expect("读取VQ60注册变量出错，请正确安装VQMCAD6.0!");
    CString path;
    EXPECT_EQ(GetInstallFilePathFromSetup("a.txt", path.GetBuffer(MAX_PATH)), 0);
    path.ReleaseBuffer();
    EXPECT_EQ(path, "");
}

TEST_F(InstallPathTest, UnobtainableWindowsFolderShowsItsMessageInBothFunctions) {
    // A Windows folder that does not fit the 260-byte buffer cannot be obtained.
    setenv("VQ_WINDOWS_DIR", ("/" + std::string(300, 'w')).c_str(), 1);
    boxes.Expect("获取Windows路径出错!");
    boxes.Expect("获取Windows路径出错!");
    CString path;
    EXPECT_EQ(Get("a.txt", path), 0);
    char buf[MAX_PATH];
    EXPECT_EQ(GetInstallFilePathFromSetup("a.txt", buf), 0);
    EXPECT_EQ(boxes.Shown().back().caption, "错误信息");
}

TEST_F(InstallPathTest, PathLongerThanTheBufferIsRefused) {
    std::string folder = "/" + std::string(240, 'h');
    ws.WriteFile("windows/vqpdm.txt", folder + "\n");
    CString path;
    EXPECT_EQ(Get("qent\\spt\\vqpdmcad.ini", path), 0); // 241 + 1 + 21 bytes do not fit
    EXPECT_EQ(path, "");
    EXPECT_EQ(Get("a.ini", path), 1); // 241 + 1 + 5 bytes do
    EXPECT_EQ(path, CString(folder + "/a.ini"));
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(InstallPathTest, OnlyTheFirst259BytesOfTheLineAreUsedAndNoCharacterIsCut) {
    std::string folder;
    for (int i = 0; i < 100; ++i)
        folder += "目"; // 300 bytes of UTF-8: 86 characters fill 258 bytes, the 87th is cut
    ws.WriteFile("windows/vqpdm.txt", folder + "\n");
    CString path;
    EXPECT_EQ(Get("", path), 1);
    EXPECT_EQ(path, CString(folder.substr(0, 86 * 3) + "/"));
}

TEST_F(InstallPathTest, TemporaryFolderEndsWithASeparator) {
    EXPECT_EQ(GetTempDirectory(), ws.WorkDir() + "/");
}

namespace {

// Reads every piece of a file with ReadFileLine until the end.
std::vector<CString> Pieces(vqtest::Workspace& ws, const std::string& bytes) {
    CString path = ws.WriteFile("lines.txt", bytes);
    FILE* f = std::fopen(path.c_str(), "r");
    std::vector<CString> pieces;
    if (!f)
        return pieces;
    int c;
    while ((c = std::fgetc(f)) != EOF) {
        std::ungetc(c, f);
        pieces.push_back(ReadFileLine(f));
    }
    EXPECT_EQ(ReadFileLine(f), ""); // at the end
    std::fclose(f);
    return pieces;
}

} // namespace

TEST(ReadFileLine, LinesWithoutTheirLineEnds) {
    vqtest::Workspace ws;
    EXPECT_EQ(Pieces(ws, "abc\nlast"), (std::vector<CString>{"abc", "last"}));
    EXPECT_EQ(Pieces(ws, "a\r\n\r\nb\r\n"), (std::vector<CString>{"a", "", "b"}));
    EXPECT_EQ(Pieces(ws, vq::Utf8ToGbk("图号,名称\r\n")), (std::vector<CString>{"图号,名称"}));
    EXPECT_EQ(ReadFileLine(nullptr), "");
}

TEST(ReadFileLine, LongLinesComeInPiecesOf99Bytes) {
    vqtest::Workspace ws;
    std::string line(150, 'x');
    EXPECT_EQ(Pieces(ws, line + "\nend\n"),
              (std::vector<CString>{CString(std::string(99, 'x')), CString(std::string(51, 'x')), "end"}));
    // A line of exactly 99 bytes gives no empty piece after it.
    EXPECT_EQ(Pieces(ws, std::string(99, 'y') + "\r\nz\n"),
              (std::vector<CString>{CString(std::string(99, 'y')), "z"}));
    EXPECT_EQ(Pieces(ws, std::string(198, 'y') + "\n"),
              (std::vector<CString>{CString(std::string(99, 'y')), CString(std::string(99, 'y'))}));
    // A carriage return alone is no line end.
    EXPECT_EQ(Pieces(ws, std::string(99, 'y') + "\rq\n"),
              (std::vector<CString>{CString(std::string(99, 'y')), "\rq"}));
}

TEST(ReadFileLine, PiecesNeverCutADoubleByteCharacter) {
    vqtest::Workspace ws;
    // 98 ASCII bytes, then a character of two bytes: it does not fit the 99 and goes whole to the next piece.
    std::string ascii(98, 'a');
    EXPECT_EQ(Pieces(ws, ascii + vq::Utf8ToGbk("中文") + "\n"),
              (std::vector<CString>{CString(ascii), "中文"}));
    // 60 Chinese characters are 120 bytes: 49 characters (98 bytes), then 11.
    std::string chinese;
    for (int i = 0; i < 60; ++i)
        chinese += "图";
    std::vector<CString> pieces = Pieces(ws, vq::Utf8ToGbk(chinese));
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].GetLength(), 49 * 3);
    EXPECT_EQ(pieces[1].GetLength(), 11 * 3);
}
