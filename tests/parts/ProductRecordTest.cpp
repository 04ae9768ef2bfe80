// The bill-of-materials line and title row records: defaults and their archive bytes.
#include "parts/ProductStructItem.h"
#include "parts/ProductTitleItem.h"
#include "platform/base/Archive.h"

#include "platform/base/File.h"

#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<BYTE> Store(CProductStructItem& item) {
    std::vector<BYTE> bytes;
    CArchive ar(&bytes, CArchive::store);
    item.Serialize(ar);
    return bytes;
}

CProductStructItem Load(std::vector<BYTE>& bytes) {
    CProductStructItem item;
    CArchive ar(&bytes, CArchive::load);
    item.Serialize(ar);
    return item;
}

std::string Hex(const std::vector<BYTE>& bytes) {
    std::string s;
    char buf[4];
    for (BYTE b : bytes) {
        std::snprintf(buf, sizeof buf, "%02x", b);
        s += buf;
    }
    return s;
}

} // namespace

TEST(ProductStructItem, NewLineHasTheDocumentedDefaults) {
    CProductStructItem item;
    EXPECT_EQ(item.m_nQuantity, 1);
    EXPECT_EQ(item.m_nNumber16, 1);
    EXPECT_EQ(item.m_nNumber17, 1);
    EXPECT_EQ(item.m_nFlag24, 1);
    EXPECT_EQ(item.m_nFlag25, 1);
    EXPECT_EQ(item.m_nFlag26, 1);
    EXPECT_EQ(item.m_nNumber1, 0);
    EXPECT_EQ(item.m_nItem, 0);
    EXPECT_EQ(item.m_dWeight, 0.0);
    EXPECT_EQ(item.m_dwNumber27, 0u);
    EXPECT_EQ(item.m_dNumber32, 0.0);
    EXPECT_TRUE(item.m_strCode.IsEmpty());
}

TEST(ProductStructItem, DefaultLineArchivesToTheFixedLayout) {
    CProductStructItem item;
    std::vector<BYTE> bytes = Store(item);
    // 6 strings, word, 3 strings, word, 3 strings, 3 words, double, 5 strings, 3 words, dword,
    // 4 strings, double, 4 strings: 25 empty strings (1 byte each), 8 words, 1 dword, 2 doubles.
    ASSERT_EQ(bytes.size(), 25u + 8u * 2 + 4u + 2u * 8);
    EXPECT_EQ(Hex(bytes), "000000000000"     // texts 1-6
                          "0000"             // number 1
                          "000000"           // owner, parent code, parent name
                          "0000"             // item number
                          "000000"           // code, name, material
                          "010001000100"     // quantity, numbers 16 and 17
                          "0000000000000000" // weight
                          "0000000000"       // remark ... other 2
                          "010001000100"     // flags 24-26
                          "00000000"         // number 27
                          "00000000"         // title others 3-5, text 31
                          "0000000000000000" // number 32
                          "00000000");       // texts 33-36
}

TEST(ProductStructItem, TextsAreStoredInCodePage936WithTheirByteLength) {
    CProductStructItem item;
    item.m_strText1 = "图号"; // two characters, four bytes in code page 936
    std::vector<BYTE> bytes = Store(item);
    ASSERT_GE(bytes.size(), 5u);
    EXPECT_EQ(Hex(std::vector<BYTE>(bytes.begin(), bytes.begin() + 5)), "04cdbcbac5");
}

TEST(ProductStructItem, LongTextsUseTheWideLengthForms) {
    CProductStructItem item;
    item.m_strText1 = CString(std::string(255, 'a'));
    item.m_strText4 = CString(std::string(70000, 'b'));
    std::vector<BYTE> bytes = Store(item);
    // 255 bytes: the byte 255 and a 16-bit length.
    EXPECT_EQ(Hex(std::vector<BYTE>(bytes.begin(), bytes.begin() + 3)), "ffff00");
    // 70000 bytes: 255, 0xFFFF and a 32-bit length; it sits after texts 1 to 3.
    std::size_t at = 3 + 255 + 1 + 1;
    EXPECT_EQ(Hex(std::vector<BYTE>(bytes.begin() + static_cast<long>(at),
                                    bytes.begin() + static_cast<long>(at) + 7)),
              "ffffff70110100");
    CProductStructItem back = Load(bytes);
    EXPECT_EQ(back.m_strText1, item.m_strText1);
    EXPECT_EQ(back.m_strText4, item.m_strText4);
}

TEST(ProductStructItem, WholeNumbersKeepOnlyTheirLow16Bits) {
    CProductStructItem item;
    item.m_nQuantity = 70000;
    item.m_nItem = -1;
    item.m_nFlag26 = 65535;
    std::vector<BYTE> bytes = Store(item);
    CProductStructItem back = Load(bytes);
    EXPECT_EQ(back.m_nQuantity, 4464);
    EXPECT_EQ(back.m_nItem, 65535);
    EXPECT_EQ(back.m_nFlag26, 65535);
}

TEST(ProductStructItem, StoreAndLoadGiveEqualFields) {
    CProductStructItem item;
    item.m_strUpCode = "P-1000";
    item.m_strUpName = "减速机";
    item.m_strCode = "P-1000-01";
    item.m_strName = "箱体";
    item.m_strMaterial = "HT200";
    item.m_strRemark = "外购";
    item.m_strTitleOther5 = "t5";
    item.m_strText36 = "last";
    item.m_dWeight = 12.375;
    item.m_dNumber32 = -1e-300;
    item.m_dwNumber27 = 0xFFFFFFFFu;
    item.m_nItem = 7;
    std::vector<BYTE> bytes = Store(item);
    CProductStructItem back = Load(bytes);
    EXPECT_EQ(back.m_strUpCode, "P-1000");
    EXPECT_EQ(back.m_strUpName, "减速机");
    EXPECT_EQ(back.m_strCode, "P-1000-01");
    EXPECT_EQ(back.m_strName, "箱体");
    EXPECT_EQ(back.m_strMaterial, "HT200");
    EXPECT_EQ(back.m_strRemark, "外购");
    EXPECT_EQ(back.m_strTitleOther5, "t5");
    EXPECT_EQ(back.m_strText36, "last");
    EXPECT_EQ(back.m_dWeight, 12.375);
    EXPECT_EQ(back.m_dNumber32, -1e-300);
    EXPECT_EQ(back.m_dwNumber27, 0xFFFFFFFFu);
    EXPECT_EQ(back.m_nItem, 7);
}

TEST(ProductStructItem, TruncatedArchiveThrowsInsteadOfReadingPastTheEnd) {
    CProductStructItem item;
    item.m_strName = "箱体";
    std::vector<BYTE> bytes = Store(item);
    bytes.resize(bytes.size() - 3);
    EXPECT_THROW(Load(bytes), CArchiveException);
}

TEST(ProductStructItem, RuntimeClassCreatesRecordsByName) {
    const CRuntimeClass* line = CRuntimeClass::FromName("CProductStructItem");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->m_wSchema, 0u);
    std::unique_ptr<CObject> object(line->CreateObject());
    auto* item = dynamic_cast<CProductStructItem*>(object.get());
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->m_nQuantity, 1);
    const CRuntimeClass* title = CRuntimeClass::FromName("CProductTitleItem");
    ASSERT_NE(title, nullptr);
    std::unique_ptr<CObject> titleObject(title->CreateObject());
    EXPECT_NE(dynamic_cast<CProductTitleItem*>(titleObject.get()), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName("CNoSuchRecord"), nullptr);
}

TEST(ProductTitleItem, ArchivesEightTextsNumberFourTextsDoubleFourTexts) {
    CProductTitleItem item;
    item.m_strText1 = "A";
    item.m_fNumber9 = 1.5f;
    item.m_dNumber14 = 2.0;
    item.m_strText18 = "Z";
    std::vector<BYTE> bytes;
    {
        CArchive ar(&bytes, CArchive::store);
        item.Serialize(ar);
    }
    EXPECT_EQ(Hex(bytes), "0141"
                          "00000000000000"   // texts 1-8
                          "0000c03f"         // the 32-bit number (1.5 as single precision)
                          "00000000"         // texts 10-13
                          "0000000000000040" // the double 2.0
                          "000000015a");     // texts 15-18
    CProductTitleItem back;
    CArchive ar(&bytes, CArchive::load);
    back.Serialize(ar);
    EXPECT_EQ(back.m_strText1, "A");
    EXPECT_EQ(back.m_fNumber9, 1.5f);
    EXPECT_EQ(back.m_dNumber14, 2.0);
    EXPECT_EQ(back.m_strText18, "Z");
}

TEST(ProductTitleItem, RecordsTravelThroughAFile) {
    vqtest::Workspace ws;
    const CString path = ws.TempDir() + "/title.bin";
    CProductTitleItem item;
    item.m_strText5 = "自定义";
    {
        CFile file;
        ASSERT_TRUE(file.Open(path, CFile::modeCreate | CFile::modeWrite));
        CArchive ar(&file, CArchive::store);
        item.Serialize(ar);
        ar.Close();
        file.Close();
    }
    CProductTitleItem back;
    {
        CFile file;
        ASSERT_TRUE(file.Open(path, CFile::modeRead));
        CArchive ar(&file, CArchive::load);
        back.Serialize(ar);
    }
    EXPECT_EQ(back.m_strText5, "自定义");
}
