// The registry class over our own registry store: every kind of value written and read back,
// the recorded kinds, sizes and result codes, the read buffers and the archive bytes of the
// collection values.
#include "core/Registry.h"
#include "tests/support/HostProcess.h"
#include "tests/support/Workspace.h"

#include "platform/base/Folders.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const char* const kKey = "Software\\Vq\\DesignTask";

// The raw bytes and kind of a value, read past the class.
std::vector<BYTE> RawValue(HKEY root, const char* key, const char* name, DWORD* kind = nullptr) {
    HKEY h = nullptr;
    EXPECT_EQ(RegOpenKeyEx(root, key, 0, KEY_READ, &h), ERROR_SUCCESS);
    std::vector<BYTE> bytes(65536);
    DWORD size = static_cast<DWORD>(bytes.size());
    EXPECT_EQ(RegQueryValueEx(h, name, nullptr, kind, bytes.data(), &size), ERROR_SUCCESS);
    bytes.resize(size);
    RegCloseKey(h);
    return bytes;
}

class RegistryTest : public ::testing::Test {
protected:
    vqtest::Workspace ws; // the store lives in its system folder
};

} // namespace

TEST_F(RegistryTest, NewObjectWorksUnderLocalMachine) {
    CRegistry reg;
    EXPECT_EQ(reg.m_hRootKey, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(reg.m_hKey, HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(reg.m_strPath.IsEmpty());
    ASSERT_TRUE(reg.CreateKey(kKey));
    EXPECT_TRUE(reg.Write("Count", 42));
    EXPECT_EQ(reg.m_dwLastType, REG_DWORD);
    EXPECT_EQ(reg.m_dwLastSize, 4u);

    CRegistry other;
    EXPECT_TRUE(other.VerifyKey(HKEY_LOCAL_MACHINE, kKey));
    int n = 0;
    EXPECT_TRUE(other.Read("Count", n));
    EXPECT_EQ(n, 42);
    EXPECT_EQ(other.m_dwLastType, REG_DWORD);
    // Another root is another tree.
    CRegistry user(HKEY_CURRENT_USER);
    EXPECT_FALSE(user.VerifyKey(HKEY_CURRENT_USER, kKey));
    EXPECT_EQ(user.m_nLastError, ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, NumbersAndDwordWrite) {
    CRegistry reg;
    ASSERT_TRUE(reg.CreateKey(kKey));
    EXPECT_TRUE(reg.Write("Negative", -7));
    reg.m_nLastError = 99;
    reg.m_dwLastType = 77;
    // The DWORD form records nothing and returns the result code itself.
    EXPECT_EQ(reg.Write("Flags", DWORD{0xA0B0C0D0u}), ERROR_SUCCESS);
    EXPECT_EQ(reg.m_nLastError, 99);
    EXPECT_EQ(reg.m_dwLastType, 77u);
    EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, kKey, "Flags"), (std::vector<BYTE>{0xD0, 0xC0, 0xB0, 0xA0}));
    int n = 0;
    EXPECT_TRUE(reg.Read("negative", n)); // value names ignore case
    EXPECT_EQ(n, -7);
    // No type check: a four-byte text is read into the number.
    EXPECT_TRUE(reg.Write("Abc", "abc"));
    EXPECT_TRUE(reg.Read("Abc", n));
    EXPECT_EQ(n, 'a' | ('b' << 8) | ('c' << 16));
    EXPECT_EQ(reg.m_dwLastType, REG_SZ);
    // A longer value does not fit the four bytes.
    EXPECT_TRUE(reg.Write("Long", "abcdef"));
    n = 5;
    EXPECT_FALSE(reg.Read("Long", n));
    EXPECT_EQ(reg.m_nLastError, ERROR_MORE_DATA);
    EXPECT_EQ(n, 5);
    EXPECT_FALSE(reg.Read("Missing", n));
    EXPECT_EQ(reg.m_nLastError, ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, TextsAndTheTextBuffer) {
    CRegistry reg;
    ASSERT_TRUE(reg.CreateKey(kKey));
    EXPECT_TRUE(reg.Write("Name", "hello"));
    EXPECT_EQ(reg.m_dwLastType, REG_SZ);
    EXPECT_EQ(reg.m_dwLastSize, 6u);
    EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, kKey, "Name"), (std::vector<BYTE>{'h', 'e', 'l', 'l', 'o', 0}));
    // Chinese text is stored in code page 936: two bytes a character.
    EXPECT_TRUE(reg.Write("Chinese", "产品"));
    EXPECT_EQ(reg.m_dwLastSize, 5u);
    CString text;
    EXPECT_TRUE(reg.Read("Chinese", text));
    EXPECT_EQ(text, "产品");
    EXPECT_EQ(reg.m_dwLastSize, 5u);

    // 199 characters and the NUL fill the 200-byte buffer; one more does not fit.
    const CString fits(std::string(199, 'x'));
    const CString tooLong(std::string(200, 'y'));
    EXPECT_TRUE(reg.Write("Fits", fits));
    EXPECT_TRUE(reg.Read("Fits", text));
    EXPECT_EQ(text, fits);
    EXPECT_TRUE(reg.Write("TooLong", tooLong));
    EXPECT_FALSE(reg.Read("TooLong", text));
    EXPECT_EQ(reg.m_nLastError, ERROR_MORE_DATA);
    EXPECT_EQ(reg.m_dwLastSize, 201u);
    EXPECT_EQ(text, fits);
}

TEST_F(RegistryTest, CollectionsHoldTheArchiveBytes) {
    CRegistry reg;
    ASSERT_TRUE(reg.CreateKey(kKey));
    CStringArray names;
    names.Add("a");
    names.Add("bc");
    EXPECT_TRUE(reg.Write("Names", names));
    EXPECT_EQ(reg.m_dwLastType, REG_BINARY);
    EXPECT_EQ(reg.m_dwLastSize, 7u);
    DWORD kind = 0;
    EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, kKey, "Names", &kind),
              (std::vector<BYTE>{2, 0, 1, 'a', 2, 'b', 'c'}));
    EXPECT_EQ(kind, REG_BINARY);

    CDWordArray numbers;
    numbers.Add(1);
    numbers.Add(0x01020304);
    EXPECT_TRUE(reg.Write("Numbers", numbers));
    EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, kKey, "Numbers"),
              (std::vector<BYTE>{2, 0, 1, 0, 0, 0, 4, 3, 2, 1}));

    CWordArray words;
    words.Add(0x0102);
    EXPECT_TRUE(reg.Write("Words", words));
    EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, kKey, "Words"), (std::vector<BYTE>{1, 0, 2, 1}));
    CWordArray wordsBack;
    wordsBack.SetSize(1);
    EXPECT_TRUE(reg.Read("Words", wordsBack));
    EXPECT_EQ(wordsBack[0], 0x0102);

    CByteArray bytes;
    bytes.Add(9);
    bytes.Add(8);
    EXPECT_TRUE(reg.Write("Bytes", bytes));
    EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, kKey, "Bytes"), (std::vector<BYTE>{2, 0, 9, 8}));

    CStringList list;
    list.AddTail("产");
    EXPECT_TRUE(reg.Write("List", list));
    EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, kKey, "List"), (std::vector<BYTE>{1, 0, 2, 0xB2, 0xFA}));
}

TEST_F(RegistryTest, ArraysAreReadIntoTheSizeTheyHave) {
    CRegistry reg;
    ASSERT_TRUE(reg.CreateKey(kKey));
    CStringList stored;
    for (const char* s : {"one", "two", "three", "four"})
        stored.AddTail(s);
    ASSERT_TRUE(reg.Write("List", stored));

    CStringArray none;
    EXPECT_TRUE(reg.Read("List", none));
    EXPECT_EQ(none.GetSize(), 0);

    CStringArray three;
    three.SetSize(3);
    EXPECT_TRUE(reg.Read("List", three));
    ASSERT_EQ(three.GetSize(), 3);
    EXPECT_EQ(three[0], "one");
    EXPECT_EQ(three[2], "three");

    CStringArray six;
    six.SetSize(6);
    six[5] = "old";
    EXPECT_TRUE(reg.Read("List", six));
    ASSERT_EQ(six.GetSize(), 6);
    EXPECT_EQ(six[3], "four");
    EXPECT_TRUE(six[5].IsEmpty());

    // A string list is read whole, whatever it held.
    CStringList list;
    list.AddTail("stale");
    EXPECT_TRUE(reg.Read("List", list));
    ASSERT_EQ(list.GetCount(), 4);
    EXPECT_EQ(list.GetHead(), "one");
    EXPECT_EQ(reg.m_dwLastType, REG_BINARY);

    CDWordArray numbers;
    numbers.Add(5);
    numbers.Add(6);
    numbers.Add(7);
    ASSERT_TRUE(reg.Write("Numbers", numbers));
    CDWordArray two;
    two.SetSize(2);
    EXPECT_TRUE(reg.Read("Numbers", two));
    EXPECT_EQ(two[1], 6u);
}

TEST_F(RegistryTest, CollectionBufferAndNonBinaryValues) {
    CRegistry reg;
    ASSERT_TRUE(reg.CreateKey(kKey));
    // 4096 bytes fit: a count of two bytes and 4094 bytes.
    CByteArray fits;
    fits.SetSize(4094);
    fits[4093] = 0x5A;
    ASSERT_TRUE(reg.Write("Fits", fits));
    EXPECT_EQ(reg.m_dwLastSize, 4096u);
    CByteArray read;
    read.SetSize(4094);
    EXPECT_TRUE(reg.Read("Fits", read));
    EXPECT_EQ(read[4093], 0x5A);

    CByteArray tooLarge;
    tooLarge.SetSize(4095);
    ASSERT_TRUE(reg.Write("TooLarge", tooLarge));
    read[0] = 1;
    EXPECT_FALSE(reg.Read("TooLarge", read));
    EXPECT_EQ(reg.m_nLastError, ERROR_MORE_DATA);
    EXPECT_EQ(reg.m_dwLastSize, 4097u);
    EXPECT_EQ(read[0], 1);

    // A text value is not loaded, and the call still succeeded.
    ASSERT_TRUE(reg.Write("Text", "abc"));
    CStringArray names;
    names.SetSize(2);
    names[0] = "kept";
    EXPECT_TRUE(reg.Read("Text", names));
    EXPECT_EQ(names[0], "kept");
    EXPECT_EQ(reg.m_dwLastType, REG_SZ);

    // Binary bytes that are no collection fail instead of throwing.
    HKEY h = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kKey, 0, KEY_ALL_ACCESS, &h), ERROR_SUCCESS);
    const BYTE broken[] = {5, 0, 3, 'a'};
    ASSERT_EQ(RegSetValueEx(h, "Broken", 0, REG_BINARY, broken, sizeof broken), ERROR_SUCCESS);
    RegCloseKey(h);
    EXPECT_FALSE(reg.Read("Broken", names));
    EXPECT_EQ(names[0], "kept");
}

TEST_F(RegistryTest, RectanglesAndPoints) {
    CRegistry reg;
    ASSERT_TRUE(reg.CreateKey(kKey));
    CRect rect(10, 20, 300, 400);
    EXPECT_TRUE(reg.Write("Place", &rect));
    EXPECT_EQ(reg.m_dwLastType, 1u);
    EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, kKey, "Place"),
              (std::vector<BYTE>{5, 0, 20, 0, 0, 0, 144, 1, 0, 0, 10, 0, 0, 0, 44, 1, 0, 0, 0, 0, 0, 0}));
    CRect back;
    EXPECT_TRUE(reg.Read("Place", &back));
    EXPECT_EQ(back.left, 10);
    EXPECT_EQ(back.top, 20);
    EXPECT_EQ(back.right, 300);
    EXPECT_EQ(back.bottom, 400);
    EXPECT_EQ(reg.m_dwLastType, 1u);
    EXPECT_EQ(reg.m_dwLastSize, 16u);

    CPoint point(-5, 7);
    EXPECT_TRUE(reg.Write("Spot", &point));
    EXPECT_EQ(reg.m_dwLastType, 2u);
    CPoint spot;
    EXPECT_TRUE(reg.Read("Spot", &spot));
    EXPECT_EQ(spot.x, -5);
    EXPECT_EQ(spot.y, 7);
    EXPECT_EQ(reg.m_dwLastType, 2u);
    EXPECT_EQ(reg.m_dwLastSize, 8u);

    // A rectangle read from a text value: the call succeeded, the rectangle is unchanged.
    ASSERT_TRUE(reg.Write("Text", "abc"));
    CRect unchanged(1, 2, 3, 4);
    EXPECT_TRUE(reg.Read("Text", &unchanged));
    EXPECT_EQ(unchanged, CRect(1, 2, 3, 4));

    // A value larger than the rectangle's buffer.
    CDWordArray eight;
    eight.SetSize(8);
    ASSERT_TRUE(reg.Write("Eight", eight));
    EXPECT_FALSE(reg.Read("Eight", &unchanged));
    EXPECT_EQ(reg.m_nLastError, ERROR_MORE_DATA);
    EXPECT_EQ(unchanged, CRect(1, 2, 3, 4));
}

TEST_F(RegistryTest, KeysOpeningAndAccess) {
    CRegistry reg;
    EXPECT_FALSE(reg.Open("Software\\Missing"));
    EXPECT_EQ(reg.m_nLastError, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg.m_dwLastType, 0u);
    EXPECT_EQ(reg.m_strPath, "Software\\Missing");
    EXPECT_EQ(reg.m_hKey, nullptr);
    EXPECT_FALSE(reg.Write("X", 1));
    EXPECT_EQ(reg.m_nLastError, ERROR_INVALID_HANDLE);

    ASSERT_TRUE(reg.CreateKey("Software\\Vq\\A\\B"));
    reg.Close();
    EXPECT_EQ(reg.m_hKey, nullptr);
    EXPECT_TRUE(reg.Open("software\\VQ")); // key names ignore case
    EXPECT_TRUE(reg.VerifyKey("a"));       // relative to the open key
    EXPECT_TRUE(reg.VerifyKey("B"));
    EXPECT_FALSE(reg.VerifyKey("C"));

    // Opened for reading, a key takes no values.
    ASSERT_TRUE(reg.OpenForRead("Software\\Vq\\A"));
    EXPECT_FALSE(reg.Write("X", 1));
    EXPECT_EQ(reg.m_nLastError, ERROR_ACCESS_DENIED);

    // No root key: the one-argument forms fail at once.
    CRegistry rootless(nullptr);
    EXPECT_FALSE(rootless.CreateKey("Software"));
    EXPECT_FALSE(rootless.Open("Software"));
    EXPECT_FALSE(rootless.OpenForRead("Software"));
    EXPECT_FALSE(rootless.DeleteValueKey("Software"));
}

TEST_F(RegistryTest, DeletingValuesAndKeys) {
    CRegistry reg;
    ASSERT_TRUE(reg.CreateKey("Software\\Vq\\A\\B"));
    ASSERT_TRUE(reg.Write("V", "1"));
    EXPECT_TRUE(reg.VerifyValue("V"));
    EXPECT_TRUE(reg.DeleteValue("V"));
    EXPECT_EQ(reg.m_dwLastType, 0u);
    EXPECT_FALSE(reg.VerifyValue("V"));
    EXPECT_FALSE(reg.DeleteValue("V"));
    EXPECT_EQ(reg.m_nLastError, ERROR_FILE_NOT_FOUND);

    // A key with sub-keys stays.
    EXPECT_FALSE(reg.DeleteValueKey("Software\\Vq\\A"));
    EXPECT_EQ(reg.m_nLastError, ERROR_ACCESS_DENIED);
    EXPECT_TRUE(reg.DeleteValueKey("Software\\Vq\\A\\B"));
    EXPECT_TRUE(reg.DeleteValueKey(HKEY_LOCAL_MACHINE, "Software\\Vq\\A"));
    EXPECT_FALSE(reg.VerifyKey(HKEY_LOCAL_MACHINE, "Software\\Vq\\A"));
    EXPECT_TRUE(reg.VerifyKey(HKEY_LOCAL_MACHINE, "Software\\Vq"));
}

TEST_F(RegistryTest, StoreSurvivesAndKeepsEveryByte) {
    {
        CRegistry reg(HKEY_CURRENT_USER);
        ASSERT_TRUE(reg.CreateKey("Software\\名 称\\x"));
        CByteArray all;
        for (int i = 0; i < 256; ++i)
            all.Add(static_cast<BYTE>(i));
        ASSERT_TRUE(reg.Write("", all)); // the default value
        ASSERT_TRUE(reg.Write("empty", ""));
    }
    CRegistry reg(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenForRead("Software\\名 称\\X"));
    CByteArray all;
    all.SetSize(256);
    EXPECT_TRUE(reg.Read("", all));
    EXPECT_EQ(all[255], 255);
    EXPECT_EQ(all[10], 10);
    CString text = "x";
    EXPECT_TRUE(reg.Read("empty", text));
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_EQ(reg.m_dwLastSize, 1u);
}

// Without a home the store is the user's own, in the working folder: a store another user made
// first at the name the store once fell back to ("<temp>/vqpdm/registry") is neither read nor
// written, and the store's files are the user's alone.
TEST_F(RegistryTest, WithoutAHomeTheStoreIsInTheUsersWorkingFolder) {
    vqtest::EnvGuard env({"VQ_SYSTEM_DIR", "XDG_CONFIG_HOME", "HOME"});
    unsetenv("VQ_SYSTEM_DIR");
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("HOME");
    const CString planted = ws.WriteFile(ws.TempDir() + "/vqpdm/registry/HKEY_CURRENT_USER.reg",
                                         "VQREG 1\nK -\nK 536f667477617265\nV 6b 1 6f74686572\n");
    ::chmod(planted.c_str(), 0666);
    const std::string before = ws.ReadFile(planted);
    EXPECT_EQ(vq::RegistryStoreFolder(), ws.WorkDir() + "/registry");
    CRegistry reg(HKEY_CURRENT_USER);
    EXPECT_FALSE(reg.VerifyKey(HKEY_CURRENT_USER, "Software"));
    ASSERT_TRUE(reg.CreateKey("Software"));
    ASSERT_TRUE(reg.Write("k", "mine"));
    CString value;
    EXPECT_TRUE(reg.Read("k", value));
    EXPECT_EQ(value, "mine");
    EXPECT_EQ(ws.ReadFile(planted), before);
    struct stat st;
    ASSERT_EQ(::stat((ws.WorkDir() + "/registry/HKEY_CURRENT_USER.reg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

// Run by the test below as a new run of the program: prints the value it reads from the store.
TEST(RegistryNextRun, ReadsTheValue) {
    if (!std::getenv("VQ_REGISTRY_NEXT_RUN"))
        GTEST_SKIP() << "run by WithoutAHomeTheStoreIsWhereTheNextRunFindsIt";
    CRegistry reg(HKEY_CURRENT_USER);
    CString value;
    if (reg.VerifyKey(HKEY_CURRENT_USER, "Software") && reg.Read("k", value))
        std::printf("value: %s\n", value.c_str());
}

// Without a home, and with the working folder's usual name held by something else, the store is
// where the next run of the program finds it, not in a new folder each run.
TEST_F(RegistryTest, WithoutAHomeTheStoreIsWhereTheNextRunFindsIt) {
    vqtest::EnvGuard env({"VQ_SYSTEM_DIR", "XDG_CONFIG_HOME", "HOME", "VQ_REGISTRY_NEXT_RUN"});
    unsetenv("VQ_SYSTEM_DIR");
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("HOME");
    ws.WriteFile(ws.TempDir() + "/vqpdm-" + CString(std::to_string(::geteuid())), "planted");
    CRegistry reg(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.CreateKey("Software"));
    ASSERT_TRUE(reg.Write("k", "kept"));
    setenv("VQ_REGISTRY_NEXT_RUN", "1", 1);
    const vqtest::HostRun run =
        vqtest::RunProgramMeasured("/proc/self/exe", {"--gtest_filter=RegistryNextRun.ReadsTheValue"});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("value: kept\n"), std::string::npos) << run.out;
}

// A store file kept as a link to a shared file is written through it.
TEST_F(RegistryTest, AStoreFileKeptAsALinkIsWrittenThroughIt) {
    const CString shared = ws.WriteFile("shared/HKEY_LOCAL_MACHINE.reg", "VQREG 1\n");
    std::filesystem::create_directories((ws.SystemDir() + "/registry").str());
    const CString link = ws.SystemDir() + "/registry/HKEY_LOCAL_MACHINE.reg";
    std::filesystem::create_symlink(shared.str(), link.str());
    CRegistry reg(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.CreateKey("Software\\Vq"));
    ASSERT_TRUE(reg.Write("shared", "yes"));
    EXPECT_TRUE(std::filesystem::is_symlink(link.str()));
    EXPECT_NE(ws.ReadFile(shared).find("736861726564"), std::string::npos); // "shared" in hex
}
