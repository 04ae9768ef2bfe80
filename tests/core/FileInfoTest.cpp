#include "core/FileInfo.h"

#include "platform/base/Time.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace fs = std::filesystem;

TEST(FileInfo, NameParts) {
    CFileInfo windows("C:\\x\\a.dwg");
    EXPECT_EQ(windows.GetFileName(), "a.dwg");
    EXPECT_EQ(windows.GetFileTitle(), "a");
    EXPECT_EQ(windows.GetFileExt(), ".dwg");
    CFileInfo native("/srv/图纸.v1/总装图.part.DWG");
    EXPECT_EQ(native.GetFileName(), "总装图.part.DWG");
    EXPECT_EQ(native.GetFileTitle(), "总装图.part");
    EXPECT_EQ(native.GetFileExt(), ".DWG");
    CFileInfo bare("readme");
    EXPECT_EQ(bare.GetFileTitle(), "readme");
    EXPECT_EQ(bare.GetFileExt(), "");
    CFileInfo folder("C:\\x\\");
    EXPECT_EQ(folder.GetFileName(), "");
    // A name longer than any fixed buffer is kept whole.
    std::string longName(400, 'n');
    EXPECT_EQ(CFileInfo(CString("/d/" + longName + ".txt")).GetFileTitle(), CString(longName));
}

TEST(FileInfo, SizesInBytesAndKilobytes) {
    vqtest::Workspace ws;
    struct Case {
        std::size_t bytes;
        const char* kb;
    } cases[] = {{0, "1KB"}, {1023, "1KB"}, {1024, "2KB"}, {5000, "5KB"}};
    for (const Case& c : cases) {
        CFileInfo info(ws.WriteFile("f.bin", std::string(c.bytes, 'x')));
        EXPECT_EQ(info.GetFileSizeKB(), c.kb) << c.bytes;
        EXPECT_EQ(info.GetFileSize(), CString(std::to_string(c.bytes))) << c.bytes;
    }
    CFileInfo missing(ws.Root() + "/none");
    EXPECT_EQ(missing.GetFileSize(), "0");
    EXPECT_EQ(missing.GetFileSizeKB(), "0KB");
}

TEST(FileInfo, ModifyTimeOfReadableFilesOnly) {
    vqtest::Workspace ws;
    CString path = ws.WriteFile("doc.txt", "x");
    fs::last_write_time(path.str(), fs::file_time_type::clock::now() - std::chrono::hours(72));
    CTime expected = CTime::GetCurrentTime() - CTimeSpan(3, 0, 0, 0);
    CString got = CFileInfo(path).GetModifyTime();
    EXPECT_TRUE(got == expected.Format("%Y-%m-%d %H:%M") ||
                got == (expected - CTimeSpan(60)).Format("%Y-%m-%d %H:%M"))
        << got.c_str();
    EXPECT_EQ(CFileInfo(ws.Root() + "/none").GetModifyTime(), "");
    EXPECT_EQ(CFileInfo(ws.InstallDir()).GetModifyTime(), ""); // a folder cannot be opened as a file
}

TEST(FileInfo, ExistsIgnoresOneTrailingSeparator) {
    vqtest::Workspace ws;
    ws.WriteFile("docs/a.dwg", "x");
    EXPECT_TRUE(CFileInfo(ws.Root() + "/docs").Exists());
    EXPECT_TRUE(CFileInfo(ws.Root() + "\\DOCS\\").Exists());
    EXPECT_TRUE(CFileInfo(ws.Root() + "/docs/").Exists());
    EXPECT_TRUE(CFileInfo(ws.Root() + "/docs/A.DWG").Exists());
    EXPECT_TRUE(CFileInfo(ws.Root() + "/docs/*.dwg").Exists());
    EXPECT_FALSE(CFileInfo(ws.Root() + "/docs/b.dwg").Exists());
    EXPECT_FALSE(CFileInfo(ws.Root() + "/nodocs/").Exists());
    EXPECT_FALSE(CFileInfo("").Exists());
}

TEST(FileInfo, TypeNameComesFromTheShell) {
    EXPECT_EQ(CFileInfo("C:\\x\\a.dwg").GetFileTypeName(), "DWG 文件");
    EXPECT_EQ(CFileInfo("/x/a.Doc").GetFileTypeName(), "DOC 文件");
}
