#include "platform/base/Profile.h"

#include "platform/base/TextCodec.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string Gbk(const char* utf8) {
    return vq::Utf8ToGbk(utf8);
}

// A settings file as another (Windows) program wrote it: code page 936, CRLF, comments, odd spacing.
std::string HostFile() {
    return Gbk("; 设置文件\r\n"
               "[数据库配置]\r\n"
               "  数据库类型 = 2 \r\n"
               "DSN=vq\r\n"
               "\r\n"
               "[VQPDM功能配置]\r\n"
               "结构树方式=\"1\"\r\n"
               "; 注释\r\n"
               "\r\n"
               "[公共管理功能]\r\n"
               "当前登陆用户帐号=张三\r\n");
}

class ProfileTest : public ::testing::Test {
protected:
    CString Read(const char* section, const char* key, const char* def = "默认") {
        char buf[100];
        GetPrivateProfileString(section, key, def, buf, sizeof buf, path);
        return CString(buf);
    }

    vqtest::Workspace ws;
    CString path = ws.WriteFile("install/qent/spt/vqpdmcad.ini", HostFile());
};

} // namespace

TEST_F(ProfileTest, ReadsValuesInUtf8WithoutRegardToCase) {
    EXPECT_EQ(Read("数据库配置", "数据库类型"), "2");
    EXPECT_EQ(Read("数据库配置", "dsn"), "vq");
    EXPECT_EQ(Read("vqpdm功能配置", "结构树方式"), "1"); // quotes removed
    EXPECT_EQ(Read("公共管理功能", "当前登陆用户帐号"), "张三");
}

TEST_F(ProfileTest, MissingSectionKeyOrFileGiveTheDefault) {
    EXPECT_EQ(Read("数据库配置", "没有"), "默认");
    EXPECT_EQ(Read("没有", "DSN"), "默认");
    EXPECT_EQ(Read("VQPDM功能配置", "DSN"), "默认"); // the key belongs to another section
    char buf[20];
    EXPECT_EQ(GetPrivateProfileString("a", "b", "def  ", buf, sizeof buf, ws.Root() + "/none.ini"), 3u);
    EXPECT_STREQ(buf, "def"); // trailing blanks of the default are dropped
    EXPECT_EQ(GetPrivateProfileString("a", "b", nullptr, buf, sizeof buf, ws.Root() + "/none.ini"), 0u);
    EXPECT_STREQ(buf, "");
}

TEST_F(ProfileTest, ChineseNamesWhoseBytesLookLikeBracketsOrLetters) {
    // 癩 is B0 5D in code page 936: its second byte is "]". 癆 (B0 41) and 癮 (B0 61) differ only in
    // what looks like the case of an ASCII letter.
    ws.WriteFile(path, Gbk("[癩]\r\n癆=1\r\n癮=2\r\n"));
    EXPECT_EQ(Read("癩", "癆"), "1");
    EXPECT_EQ(Read("癩", "癮"), "2");
    ASSERT_TRUE(WritePrivateProfileString("癩", "癮", "3", path));
    EXPECT_EQ(ws.ReadFile(path), Gbk("[癩]\r\n癆=1\r\n癮=3\r\n"));
}

TEST_F(ProfileTest, WritingOneValueLeavesEveryOtherByteAlone) {
    ASSERT_TRUE(WritePrivateProfileString("VQPDM功能配置", "结构树方式", "0", path));
    std::string expected = HostFile();
    std::string oldLine = Gbk("结构树方式=\"1\"");
    expected.replace(expected.find(oldLine), oldLine.size(), Gbk("结构树方式=0"));
    EXPECT_EQ(ws.ReadFile(path), expected);
}

TEST_F(ProfileTest, KeyKeepsItsSpellingAndNewKeysGoToTheEndOfTheirSection) {
    ASSERT_TRUE(WritePrivateProfileString("数据库配置", "DSN", "新值", path));
    ASSERT_TRUE(WritePrivateProfileString("数据库配置", "UID", "sa", path));
    ASSERT_TRUE(WritePrivateProfileString("新节", "键", "值", path));
    std::string expected = Gbk("; 设置文件\r\n"
                               "[数据库配置]\r\n"
                               "  数据库类型 = 2 \r\n"
                               "DSN=新值\r\n"
                               "UID=sa\r\n"
                               "\r\n"
                               "[VQPDM功能配置]\r\n"
                               "结构树方式=\"1\"\r\n"
                               "; 注释\r\n"
                               "\r\n"
                               "[公共管理功能]\r\n"
                               "当前登陆用户帐号=张三\r\n"
                               "[新节]\r\n"
                               "键=值\r\n");
    EXPECT_EQ(ws.ReadFile(path), expected);
    ASSERT_TRUE(WritePrivateProfileString("数据库配置", "dsn", "x", path));
    EXPECT_EQ(Read("数据库配置", "DSN"), "x");
    EXPECT_NE(ws.ReadFile(path).find("\r\nDSN=x\r\n"), std::string::npos);
}

TEST_F(ProfileTest, DeletesKeysAndSections) {
    ASSERT_TRUE(WritePrivateProfileString("数据库配置", "DSN", nullptr, path));
    EXPECT_EQ(Read("数据库配置", "DSN"), "默认");
    EXPECT_EQ(Read("数据库配置", "数据库类型"), "2");
    ASSERT_TRUE(WritePrivateProfileString("VQPDM功能配置", nullptr, nullptr, path));
    EXPECT_EQ(Read("VQPDM功能配置", "结构树方式"), "默认");
    EXPECT_EQ(ws.ReadFile(path), Gbk("; 设置文件\r\n[数据库配置]\r\n  数据库类型 = 2 \r\n\r\n"
                                     "[公共管理功能]\r\n当前登陆用户帐号=张三\r\n"));
    // Deleting what is not there succeeds and changes nothing.
    EXPECT_TRUE(WritePrivateProfileString("没有", nullptr, nullptr, path));
    EXPECT_TRUE(WritePrivateProfileString("数据库配置", "没有", nullptr, path));
}

TEST_F(ProfileTest, LineEndsFollowTheFile) {
    CString lfFile = ws.WriteFile("lf.ini", "[a]\nx=1");
    ASSERT_TRUE(WritePrivateProfileString("a", "y", "2", lfFile));
    ASSERT_TRUE(WritePrivateProfileString("b", "z", "3", lfFile));
    EXPECT_EQ(ws.ReadFile(lfFile), "[a]\nx=1\ny=2\n[b]\nz=3\n");

    CString fresh = ws.Root() + "/new.ini";
    ASSERT_TRUE(WritePrivateProfileString("节", "键", "值", fresh));
    EXPECT_EQ(ws.ReadFile(fresh), Gbk("[节]\r\n键=值\r\n"));
}

TEST_F(ProfileTest, NoFileIsCreatedInAMissingFolder) {
    CString missing = ws.Root() + "/nofolder/a.ini";
    EXPECT_FALSE(WritePrivateProfileString("a", "b", "c", missing));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(missing.str()).parent_path()));
}

TEST_F(ProfileTest, ReadOnlyFileIsNotReplaced) {
    std::filesystem::permissions(path.str(), std::filesystem::perms::owner_read);
    EXPECT_FALSE(WritePrivateProfileString("数据库配置", "DSN", "x", path));
    EXPECT_EQ(ws.ReadFile(path), HostFile());
}

// A file of another encoding (saved in UTF-8 by an editor) is never written into: lines of code
// page 936 after its own would leave one file in two encodings, with two sections of one name.
TEST_F(ProfileTest, AFileInAnotherEncodingIsNotWrittenInto) {
    const std::string utf8 = "[服务器参数配置]\nPDM数据源=otherdsn\n";
    const CString other = ws.WriteFile("install/qent/spt/utf8.ini", utf8);
    EXPECT_NE(vq::ProfileEncodingFault(other), "");
    EXPECT_FALSE(WritePrivateProfileString("服务器参数配置", "PDM数据源", "x", other));
    EXPECT_FALSE(WritePrivateProfileString("公共管理功能", "当前登陆用户帐号", "lisi", other));
    EXPECT_FALSE(WritePrivateProfileString("服务器参数配置", nullptr, nullptr, other));
    EXPECT_EQ(ws.ReadFile(other), utf8);
    const std::string bom = "\xEF\xBB\xBF[a]\r\nb=c\r\n";
    const CString marked = ws.WriteFile("install/qent/spt/bom.ini", bom);
    EXPECT_FALSE(WritePrivateProfileString("a", "b", "d", marked));
    EXPECT_EQ(ws.ReadFile(marked), bom);
    // The host's own file, and one that is not there yet, are code page 936.
    EXPECT_EQ(vq::ProfileEncodingFault(path), "");
    EXPECT_EQ(vq::ProfileEncodingFault(ws.Root() + "/none.ini"), "");
    EXPECT_TRUE(WritePrivateProfileString("数据库配置", "DSN", "x", path));
}

TEST_F(ProfileTest, ValueWithLineBreaksCannotAddLines) {
    ASSERT_TRUE(WritePrivateProfileString("数据库配置", "DSN", "a\r\n[数据库配置]\nDSN=b", path));
    EXPECT_EQ(Read("数据库配置", "DSN"), "a  [数据库配置] DSN=b");
}

TEST_F(ProfileTest, BufferLimitsNeverSplitACharacter) {
    char buf[6];
    // "张三" is six bytes in UTF-8: five fit, which cuts inside the second character.
    EXPECT_EQ(GetPrivateProfileString("公共管理功能", "当前登陆用户帐号", "", buf, sizeof buf, path), 3u);
    EXPECT_STREQ(buf, "张");
    char none[1] = {'x'};
    EXPECT_EQ(GetPrivateProfileString("公共管理功能", "当前登陆用户帐号", "", none, 0, path), 0u);
    EXPECT_EQ(none[0], 'x');
}

TEST_F(ProfileTest, ListsSectionsAndKeys) {
    char buf[200];
    DWORD n = GetPrivateProfileString("数据库配置", nullptr, "", buf, sizeof buf, path);
    EXPECT_EQ(std::string(buf, n + 1), std::string("数据库类型\0DSN\0", n + 1));
    n = GetPrivateProfileString(nullptr, nullptr, "", buf, sizeof buf, path);
    EXPECT_EQ(std::string(buf, n), std::string("数据库配置\0VQPDM功能配置\0公共管理功能\0", n));
    // A list that does not fit is cut and still ends with two NULs.
    char small[8];
    EXPECT_EQ(GetPrivateProfileString("数据库配置", nullptr, "", small, sizeof small, path), 6u);
    EXPECT_EQ(small[6], '\0');
    EXPECT_EQ(small[7], '\0');
}

TEST_F(ProfileTest, IntegersAndTheWindowsFolderDefault) {
    EXPECT_EQ(GetPrivateProfileInt("数据库配置", "数据库类型", 7, path), 2u);
    EXPECT_EQ(GetPrivateProfileInt("数据库配置", "DSN", 7, path), 0u); // not a number
    EXPECT_EQ(GetPrivateProfileInt("数据库配置", "没有", 7, path), 7u);
    ws.WriteFile("windows/vqbomspt.ini", Gbk("[列]\r\n数量=12abc\r\n负=-5\r\n"));
    // A bare file name lives in the Windows folder.
    EXPECT_EQ(GetPrivateProfileInt("列", "数量", 0, "vqbomspt.ini"), 12u);
    EXPECT_EQ(GetPrivateProfileInt("列", "负", 3, "vqbomspt.ini"), 0u);
    EXPECT_EQ(vq::ReadProfileString("列", "数量", "", "VQBOMSPT.INI"), "12abc");
}

TEST_F(ProfileTest, BackslashPathsAreResolvedWithoutRegardToCase) {
    CString windowsStyle = ws.Root() + "\\INSTALL\\Qent\\SPT\\VQPDMCAD.ini";
    EXPECT_EQ(vq::ReadProfileString("公共管理功能", "当前登陆用户帐号", "", windowsStyle), "张三");
    ASSERT_TRUE(vq::WriteProfileString("公共管理功能", "当前登陆用户帐号", "李四", windowsStyle));
    EXPECT_EQ(Read("公共管理功能", "当前登陆用户帐号"), "李四");
}

// Every change to a file is seen by the next read, however soon it follows the read before:
// another program's rewrite in place with the same size (many within one step of the file
// system's clock), with its modification time set back, a file renamed over it, its removal, and
// the system's own writes.
TEST_F(ProfileTest, EveryChangeIsSeenByTheNextRead) {
    const std::filesystem::path file(path.str());
    const auto content = [](int value) {
        return Gbk(("[计数]\r\n值=" + std::to_string(value) + "\r\n").c_str());
    };
    for (int i = 100; i < 400; ++i) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << content(i);
        ASSERT_EQ(Read("计数", "值"), CString(std::to_string(i))) << "rewrite " << i;
    }
    const auto stamp = std::filesystem::last_write_time(file);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << content(401);
    std::filesystem::last_write_time(file, stamp);
    EXPECT_EQ(Read("计数", "值"), "401");

    const std::filesystem::path other = file.parent_path() / "other.ini";
    std::ofstream(other, std::ios::binary) << content(402);
    std::filesystem::rename(other, file);
    EXPECT_EQ(Read("计数", "值"), "402");

    ASSERT_TRUE(WritePrivateProfileString("计数", "值", "403", path));
    EXPECT_EQ(Read("计数", "值"), "403");
    EXPECT_EQ(GetPrivateProfileInt("计数", "值", 0, path), 403u);

    std::filesystem::remove(file);
    EXPECT_EQ(Read("计数", "值"), "默认");
    char names[20];
    EXPECT_EQ(GetPrivateProfileString(nullptr, nullptr, "", names, sizeof names, path), 0u);
}

// The system's own writes keep the parse current: a read right after one (while the file's times
// are too recent to be trusted) reads the bytes but does not parse them again, and finds exactly
// what a fresh parse finds: values with blanks and quotes, new keys and new sections. A change by
// another program in that moment is still seen.
TEST_F(ProfileTest, OwnWritesAreReadWithoutParsingAgainAndOthersChangesAreStillSeen) {
    struct Written {
        const char* section;
        const char* key;
        const char* value;
        const char* read;
    };
    const Written writes[] = {
        {"数据库配置", "数据库类型", "0", "0"},
        {"数据库配置", "新键", "  带空格  ", "带空格"},
        {"VQPDM功能配置", "结构树方式", "\"2\"", "2"},
        {"新的节", "目录", "/home/张三/导入", "/home/张三/导入"},
        {"新的节", ";不是键", "x", "默认"},
    };
    for (const Written& w : writes) {
        ASSERT_TRUE(WritePrivateProfileString(w.section, w.key, w.value, path)) << w.key;
        const vq::ProfileReadCounts before = vq::ProfileReadCountsSoFar();
        EXPECT_EQ(Read(w.section, w.key), w.read) << w.key;
        EXPECT_EQ(Read("公共管理功能", "当前登陆用户帐号"), "张三") << w.key;
        const vq::ProfileReadCounts after = vq::ProfileReadCountsSoFar();
        EXPECT_EQ(after.parses, before.parses) << w.key;
        EXPECT_EQ(after.opens, before.opens + 2) << w.key;
    }
    char names[200];
    const DWORD length = GetPrivateProfileString("新的节", nullptr, "", names, sizeof names, path);
    EXPECT_EQ(std::string(names, length), std::string("目录\0", 7)); // the comment is no key

    // Another program replaces a value by one of the same length at once.
    ASSERT_TRUE(WritePrivateProfileString("数据库配置", "数据库类型", "1", path));
    std::string bytes;
    {
        std::ifstream in(path.str(), std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::size_t at = bytes.find(Gbk("数据库类型=1"));
    ASSERT_NE(at, std::string::npos);
    bytes[at + Gbk("数据库类型=").size()] = '7';
    std::ofstream(path.str(), std::ios::binary | std::ios::trunc) << bytes;
    EXPECT_EQ(Read("数据库配置", "数据库类型"), "7");
}
