#include "platform/base/File.h"
#include "platform/base/FileFind.h"
#include "platform/base/TextCodec.h"
#include "platform/os/Shell.h"

#include "platform/base/Profile.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(StdioFile, ReadsCodePage936LinesWithEitherLineEnd) {
    vqtest::Workspace ws;
    CString path = ws.WriteFile("in.txt", vq::Utf8ToGbk("第一行\r\nsecond\n\n末行"));
    CStdioFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeRead | CFile::typeText));
    CString line;
    std::vector<CString> lines;
    while (file.ReadString(line))
        lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<CString>{"第一行", "second", "", "末行"}));
    EXPECT_FALSE(file.ReadString(line));
    EXPECT_EQ(line, "");
}

TEST(StdioFile, BufferedReadKeepsTheLineFeedAndNeverSplitsACharacter) {
    vqtest::Workspace ws;
    CString path = ws.WriteFile("in.txt", vq::Utf8ToGbk("中文字\r\nx"));
    CStdioFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeRead));
    char buf[6]; // five bytes of text: "中" (3 bytes) fits, "文" would be cut
    ASSERT_NE(file.ReadString(buf, sizeof buf), nullptr);
    EXPECT_STREQ(buf, "中");
    ASSERT_NE(file.ReadString(buf, sizeof buf), nullptr);
    EXPECT_STREQ(buf, "文");
    ASSERT_NE(file.ReadString(buf, sizeof buf), nullptr);
    EXPECT_STREQ(buf, "字\n");
    ASSERT_NE(file.ReadString(buf, sizeof buf), nullptr);
    EXPECT_STREQ(buf, "x");
    EXPECT_EQ(file.ReadString(buf, sizeof buf), nullptr);
}

TEST(StdioFile, WritesCodePage936WithCrlfInTextModeAndRawBytesInBinaryMode) {
    vqtest::Workspace ws;
    CString path = ws.Root() + "/out.txt";
    {
        CStdioFile file;
        ASSERT_TRUE(file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::typeText));
        EXPECT_TRUE(file.WriteString("图号\t名称\n"));
        EXPECT_TRUE(file.WriteString("A1\r\n"));
    }
    EXPECT_EQ(ws.ReadFile(path), vq::Utf8ToGbk("图号\t名称\r\nA1\r\n"));
    {
        CStdioFile file;
        ASSERT_TRUE(file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary));
        EXPECT_TRUE(file.WriteString("图\n"));
    }
    EXPECT_EQ(ws.ReadFile(path), "图\n");
}

TEST(File, OpenModesCreateTruncateAndAppend) {
    vqtest::Workspace ws;
    CString path = ws.Root() + "/data.bin";
    CFileException error;
    CFile file;
    EXPECT_FALSE(file.Open(path, CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    ASSERT_TRUE(file.Open(path, CFile::modeCreate | CFile::modeWrite));
    EXPECT_TRUE(file.Write("abcdef", 6));
    file.Close();
    ASSERT_TRUE(file.Open(path, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite));
    EXPECT_EQ(file.GetLength(), 6);
    file.SeekToEnd();
    EXPECT_TRUE(file.Write("gh", 2));
    file.SeekToBegin();
    char buf[16] = {};
    EXPECT_EQ(file.Read(buf, sizeof buf), 8u);
    EXPECT_STREQ(buf, "abcdefgh");
    EXPECT_TRUE(file.SetLength(3));
    EXPECT_EQ(file.GetLength(), 3);
    EXPECT_EQ(file.GetFileName(), "data.bin");
    EXPECT_EQ(file.GetFileTitle(), "data");
    file.Close();
    ASSERT_TRUE(file.Open(path, CFile::modeCreate | CFile::modeWrite));
    EXPECT_EQ(file.GetLength(), 0);
}

TEST(File, AFolderIsNotAFile) {
    vqtest::Workspace ws;
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(ws.InstallDir(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::accessDenied);
}

TEST(File, FreeFunctionsCopyMoveDeleteAndFolders) {
    vqtest::Workspace ws;
    CString a = ws.WriteFile("a.txt", "one");
    CString b = ws.Root() + "/b.txt";
    EXPECT_TRUE(CopyFile(a, b, TRUE));
    EXPECT_FALSE(CopyFile(a, b, TRUE)); // the target exists
    ws.WriteFile("a.txt", "two");
    EXPECT_TRUE(CopyFile(a, b, FALSE));
    EXPECT_EQ(ws.ReadFile(b), "two");
    EXPECT_FALSE(CopyFile(ws.Root() + "/none", b, FALSE));
    // A link at the target's name counts as a taken name, a dangling one too.
    const CString outside = ws.WriteFile("outside.txt", "keep");
    const fs::path link = fs::path(ws.Root().str()) / "link.txt";
    fs::create_symlink(outside.str(), link);
    EXPECT_FALSE(CopyFile(a, CString(link.string()), TRUE));
    EXPECT_EQ(ws.ReadFile(outside), "keep");
    fs::remove(link);
    fs::create_symlink(ws.Root().str() + "/nowhere", link);
    EXPECT_FALSE(CopyFile(a, CString(link.string()), TRUE));
    EXPECT_FALSE(fs::exists(ws.Root().str() + "/nowhere"));
    fs::remove(link);

    CString c = ws.Root() + "/c.txt";
    EXPECT_FALSE(MoveFile(a, b)); // the target exists
    EXPECT_TRUE(MoveFile(a, c));
    EXPECT_FALSE(PathFileExists(a));
    EXPECT_TRUE(PathFileExists(c));

    CString dir = ws.Root() + "/Docs";
    EXPECT_TRUE(CreateDirectory(dir));
    EXPECT_FALSE(CreateDirectory(dir));
    EXPECT_EQ(GetFileAttributes(ws.Root() + "\\DOCS") & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(DeleteFile(dir)); // a folder is not deleted as a file
    EXPECT_TRUE(CopyFile(c, dir + "\\c.txt", TRUE));
    EXPECT_FALSE(RemoveDirectory(dir)); // not empty
    EXPECT_TRUE(DeleteFile(ws.Root() + "/docs/C.TXT"));
    EXPECT_TRUE(RemoveDirectory(dir));
    EXPECT_EQ(GetFileAttributes(dir), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributes(c), FILE_ATTRIBUTE_NORMAL);
}

TEST(File, StatusReportsSizeTimeAndFullName) {
    vqtest::Workspace ws;
    CString path = ws.WriteFile("s.txt", "12345");
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(ws.Root() + "/S.TXT", status));
    EXPECT_EQ(status.m_size, 5);
    EXPECT_EQ(status.m_szFullName, path);
    EXPECT_LE((CTime::GetCurrentTime() - status.m_mtime).GetTotalSeconds(), 60);
    EXPECT_FALSE(CFile::GetStatus(ws.Root() + "/none", status));
}

TEST(FileFind, MatchesWildcardsWithoutRegardToCaseInNameOrder) {
    vqtest::Workspace ws;
    ws.WriteFile("f/b.DWG", "1");
    ws.WriteFile("f/a.dwg", "22");
    ws.WriteFile("f/c.txt", "");
    ws.WriteFile("f/noext", "");
    fs::create_directories((ws.Root() + "/f/sub").str());

    CFileFind finder;
    std::vector<CString> names;
    BOOL more = finder.FindFile(ws.Root() + "\\F\\*.dwg");
    while (more) {
        more = finder.FindNextFile();
        names.push_back(finder.GetFileName());
    }
    EXPECT_EQ(names, (std::vector<CString>{"a.dwg", "b.DWG"}));
    EXPECT_EQ(finder.GetFilePath(), ws.Root() + "/f/b.DWG");
    EXPECT_EQ(finder.GetFileTitle(), "b");
    EXPECT_EQ(finder.GetLength(), 1);

    names.clear();
    int dirs = 0, dots = 0;
    more = finder.FindFile(ws.Root() + "/f/*.*");
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots()) {
            ++dots;
            continue;
        }
        names.push_back(finder.GetFileName());
        dirs += finder.IsDirectory() ? 1 : 0;
    }
    EXPECT_EQ(names, (std::vector<CString>{"a.dwg", "b.DWG", "c.txt", "noext", "sub"}));
    EXPECT_EQ(dirs, 1);
    EXPECT_EQ(dots, 2);

    EXPECT_TRUE(finder.FindFile(ws.Root() + "/f/?.TXT"));
    EXPECT_FALSE(finder.FindFile(ws.Root() + "/f/*.doc"));
    EXPECT_FALSE(finder.FindFile(ws.Root() + "/missing/*.*"));
}

TEST(FileFind, WildcardRules) {
    EXPECT_TRUE(vq::WildcardMatch("*.*", "noext"));
    EXPECT_TRUE(vq::WildcardMatch("图?.txt", "图纸.TXT")); // "?" is one character, not one byte
    EXPECT_FALSE(vq::WildcardMatch("图?.txt", "图.txt"));
    EXPECT_TRUE(vq::WildcardMatch("a*b*c", "aXXbYYbc"));
    EXPECT_FALSE(vq::WildcardMatch("a*b", "ab c"));
}

TEST(Shell, TypeNameFromTheExtension) {
    vqtest::Workspace ws;
    EXPECT_EQ(vq::ShellFileTypeName("C:\\x\\a.dwg"), "DWG 文件");
    EXPECT_EQ(vq::ShellFileTypeName("/x/readme"), "文件");
    EXPECT_EQ(vq::ShellFileTypeName("/x.y/readme"), "文件");
    EXPECT_EQ(vq::ShellFileTypeName(ws.InstallDir()), "文件夹");
}

// A full disk in the middle of a replacement leaves the old file whole and nothing beside it.
TEST(ReplaceFileContent, AFullDiskKeepsTheOldFile) {
    vqtest::Workspace ws;
    const CString path = ws.WriteFile("data/a.txt", "old content");
    fs::permissions(path.str(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const std::string big(64 * 1024, 'x');
    {
        vqtest::FileSizeLimit full(16 * 1024);
        EXPECT_FALSE(vq::ReplaceFileContent(path, big));
        // The settings file is written the same way.
        EXPECT_FALSE(WritePrivateProfileString("s", "k", big.c_str(), path));
    }
    EXPECT_EQ(ws.ReadFile(path), "old content");
    EXPECT_EQ(1, std::distance(fs::directory_iterator(fs::path(path.str()).parent_path()),
                               fs::directory_iterator()));

    ASSERT_TRUE(vq::ReplaceFileContent(path, big));
    EXPECT_EQ(ws.ReadFile(path), big);
    EXPECT_EQ(fs::status(path.str()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // A full disk is told apart from other failures.
    {
        vqtest::FileSizeLimit full(16);
        EXPECT_FALSE(vq::ReplaceFileContent(path, big));
        EXPECT_TRUE(vq::IsDiskFullError(errno));
    }
    // A folder that does not exist cannot hold the file.
    EXPECT_FALSE(vq::ReplaceFileContent(ws.Root() + "/none/a.txt", "x"));
}

namespace {

unsigned ModeOf(const CString& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Runs with a umask for the lifetime of the object.
class Umask {
public:
    explicit Umask(mode_t mask) : m_old(::umask(mask)) {}
    ~Umask() { ::umask(m_old); }

private:
    mode_t m_old;
};

} // namespace

// Every file the system writes into the working folder is the user's alone (0600) whatever the
// umask and whatever stood at the name: a file of mode 0666 is replaced by one of 0600, a link is
// replaced and the file it points to keeps its content.
TEST(ReplaceFileContent, FilesInTheWorkingFolderAreTheUsersAlone) {
    vqtest::Workspace ws;
    const Umask mask(022);
    const CString work = ws.WorkDir() + "/";
    const CString source = ws.WriteFile("in/source.dwg", "drawing");
    fs::permissions(source.str(), fs::perms::all);
    const CString outside = ws.WriteFile("elsewhere/precious.txt", "precious");
    const CString open = ws.WriteFile(work + "open.rtf", "old");
    fs::permissions(open.str(), fs::perms::all & ~fs::perms::owner_exec & ~fs::perms::group_exec &
                                    ~fs::perms::others_exec);
    ASSERT_EQ(ModeOf(open), 0666u);
    fs::create_symlink(outside.str(), (work + "link.dwg").str());
    fs::create_symlink(outside.str(), (work + "copy-link.dwg").str());

    EXPECT_TRUE(vq::ReplaceFileContent(work + "new.rtf", "new"));
    EXPECT_TRUE(vq::ReplaceFileContent(open, "new"));
    EXPECT_TRUE(vq::ReplaceFileContent(work + "link.dwg", "new"));
    EXPECT_TRUE(CopyFile(source, work + "copy.dwg", TRUE));
    EXPECT_TRUE(CopyFile(source, work + "copy-link.dwg", FALSE));
    const CString unique = vq::CreateUniqueFile(work, "_vq_temp_red_", ".dwf");
    ASSERT_FALSE(unique.IsEmpty());
    for (const CString& file :
         {work + "new.rtf", open, work + "link.dwg", work + "copy.dwg", work + "copy-link.dwg", unique}) {
        EXPECT_FALSE(fs::is_symlink(file.str())) << file.c_str();
        EXPECT_EQ(ModeOf(file), 0600u) << file.c_str();
    }
    EXPECT_EQ(ws.ReadFile(work + "copy-link.dwg"), "drawing");
    EXPECT_EQ(ws.ReadFile(outside), "precious");
}

// Files the user keeps elsewhere (settings, registry, exports) are written through a link standing
// at their name: the link stays, the file it names gets the content and keeps its owner and mode,
// and a full disk leaves it whole. A link in a folder that others may write to is followed only
// when it is the user's own.
TEST(ReplaceFileContent, ALinkKeptOutsideTheWorkingFolderIsWrittenThrough) {
    vqtest::Workspace ws;
    const CString shared = ws.WriteFile("shared/vqpdmcad.ini", "[s]\r\nk=old\r\n");
    fs::permissions(shared.str(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                      fs::perms::group_write);
    const CString own = ws.Root() + "/own";
    fs::create_directory(own.str());
    const CString link = own + "/vqpdmcad.ini";
    fs::create_symlink(shared.str(), link.str());
    const CString source = ws.WriteFile("in/export.txt", "copied");

    EXPECT_TRUE(WritePrivateProfileString("s", "k", "new", link));
    EXPECT_TRUE(fs::is_symlink(link.str()));
    EXPECT_EQ(ws.ReadFile(shared), "[s]\r\nk=new\r\n");
    EXPECT_EQ(ModeOf(shared), 0660u);
    {
        vqtest::FileSizeLimit full(16);
        EXPECT_FALSE(vq::ReplaceFileContent(link, std::string(64, 'x')));
        EXPECT_TRUE(vq::IsDiskFullError(errno));
    }
    EXPECT_EQ(ws.ReadFile(shared), "[s]\r\nk=new\r\n");
    EXPECT_TRUE(vq::ReplaceFileContent(link, "short"));
    EXPECT_EQ(ws.ReadFile(shared), "short");
    EXPECT_TRUE(CopyFile(source, link, FALSE));
    EXPECT_TRUE(fs::is_symlink(link.str()));
    EXPECT_EQ(ws.ReadFile(shared), "copied");
    EXPECT_EQ(ModeOf(shared), 0660u);
    EXPECT_EQ(1, std::distance(fs::directory_iterator(own.str()), fs::directory_iterator()));
    // A dangling link makes the file it names.
    const CString later = ws.Root() + "/shared/later.csv";
    fs::create_symlink(later.str(), (own + "/later.csv").str());
    EXPECT_TRUE(vq::ReplaceFileContent(own + "/later.csv", "a;b"));
    EXPECT_EQ(ws.ReadFile(later), "a;b");

    if (!vqtest::CanActAsOtherUser())
        return;
    // In a folder that everybody writes to, another user's link is replaced, the user's own is
    // followed.
    const CString open = ws.Root() + "/open";
    fs::create_directory(open.str());
    ::chmod(open.c_str(), 01777);
    const CString foreign = open + "/foreign.csv";
    const CString mine = open + "/mine.csv";
    fs::create_symlink(shared.str(), foreign.str());
    ASSERT_EQ(::lchown(foreign.c_str(), vqtest::kOtherUser, vqtest::kOtherUser), 0);
    fs::create_symlink(shared.str(), mine.str());
    EXPECT_TRUE(vq::ReplaceFileContent(foreign, "exported"));
    EXPECT_FALSE(fs::is_symlink(foreign.str()));
    EXPECT_EQ(ws.ReadFile(shared), "copied");
    EXPECT_TRUE(vq::ReplaceFileContent(mine, "mine"));
    EXPECT_TRUE(fs::is_symlink(mine.str()));
    EXPECT_EQ(ws.ReadFile(shared), "mine");
}
