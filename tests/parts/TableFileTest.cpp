// The table-file format: reading files written by hand and by WriteTableFile.
#include "platform/maker/TableFile.h"
#include "platform/base/TextCodec.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

namespace {

CStringArray Array(std::initializer_list<const char*> texts) {
    CStringArray a;
    for (const char* t : texts)
        a.Add(t);
    return a;
}

std::vector<std::string> Strings(const CStringArray& a) {
    std::vector<std::string> v;
    for (const CString& s : a)
        v.push_back(s.str());
    return v;
}

} // namespace

TEST(TableFile, ReadsAHandWrittenFileInCodePage936WithCrLf) {
    vqtest::Workspace ws;
    const std::string text = "VQTBL 1\r\n"
                             "# 零件明细\r\n"
                             "[TITLE]\r\n"
                             "图号\tP-1000\r\n"
                             "备注\r\n"
                             "\r\n"
                             "[DETAIL 1\t明细栏]\r\n"
                             "序号\t图号\t图名\r\n"
                             "1\tP-1000-01\t箱体\r\n"
                             "2\tP-1000-02\r\n";
    CString path = ws.WriteFile("a.tbl", vq::Utf8ToGbk(text));
    CVQReadTblTool tool;
    tool.SetTblFile(path);
    ASSERT_TRUE(tool.GetTitleItemIDAndValue());
    EXPECT_EQ(Strings(tool.m_arrTitleItemIDs), (std::vector<std::string>{"图号", "备注"}));
    EXPECT_EQ(Strings(tool.m_arrTitleItemValues), (std::vector<std::string>{"P-1000", ""}));
    ASSERT_TRUE(tool.GetDetailDefineDataAndValue());
    ASSERT_EQ(tool.m_arrDetailTables.GetSize(), 1);
    EXPECT_EQ(tool.m_arrDetailIDs[0], "1");
    EXPECT_EQ(tool.m_arrDetailNames[0], "明细栏");
    const CAttribValueTable& table = tool.m_arrDetailTables[0];
    CStringArray labels, values;
    EXPECT_EQ(table.GetAttribLableRecord(labels), 3);
    EXPECT_EQ(Strings(labels), (std::vector<std::string>{"序号", "图号", "图名"}));
    ASSERT_EQ(table.GetTableLogicSize(), 2);
    table.GetAttribValueRecord(0, values);
    EXPECT_EQ(Strings(values), (std::vector<std::string>{"1", "P-1000-01", "箱体"}));
    // A short row keeps only the values it has.
    EXPECT_EQ(table.GetAttribValueRecord(1, values), 2);
    EXPECT_EQ(table.GetAttribValueRecord(2, values), 0);
    EXPECT_EQ(values.GetSize(), 0);
}

TEST(TableFile, FilesWithoutTheSignatureOrWithForeignSectionsAreRefused) {
    vqtest::Workspace ws;
    CVQReadTblTool tool;
    tool.SetTblFile(ws.WriteFile("plain.tbl", "[TITLE]\nA\tB\n"));
    EXPECT_FALSE(tool.GetTitleItemIDAndValue());
    tool.SetTblFile(ws.WriteFile("other.tbl", "VQTBL 1\n[SHEET]\nA\n"));
    EXPECT_FALSE(tool.GetDetailDefineDataAndValue());
    tool.SetTblFile(ws.Root() + "/missing.tbl");
    EXPECT_FALSE(tool.GetTitleItemIDAndValue());
    // A file of the format with no detail area reads, with no areas.
    tool.SetTblFile(ws.WriteFile("title.tbl", "VQTBL 1\n[TITLE]\nA\tB\n"));
    EXPECT_TRUE(tool.GetDetailDefineDataAndValue());
    EXPECT_EQ(tool.m_arrDetailTables.GetSize(), 0);
}

TEST(TableFile, WrittenFilesReadBackValueForValue) {
    vqtest::Workspace ws;
    CAttribValueTable parts;
    parts.SetAttribLables(Array({"图号", "备注"}));
    parts.AddAttribValueRecord(Array({"A\tB", "line1\nline2"}));
    parts.AddAttribValueRecord(Array({"[not a section]", "#not a comment"}));
    parts.AddAttribValueRecord(Array({""}));
    parts.AddAttribValueRecord(Array({"C:\\dir\\x", "  "}));
    CAttribValueTable second;
    second.SetAttribLables(Array({"X"}));
    CArray<CAttribValueTable> tables;
    tables.Add(parts);
    tables.Add(second);
    const CString path = ws.Root() + "/out.tbl";
    ASSERT_TRUE(WriteTableFile(path, Array({"图号", "a\\b"}), Array({"P-1", "x\ty"}), tables, CStringArray(),
                               Array({"明细", "附表"})));

    CVQReadTblTool tool;
    tool.SetTblFile(path);
    ASSERT_TRUE(tool.GetTitleItemIDAndValue());
    EXPECT_EQ(Strings(tool.m_arrTitleItemIDs), (std::vector<std::string>{"图号", "a\\b"}));
    EXPECT_EQ(Strings(tool.m_arrTitleItemValues), (std::vector<std::string>{"P-1", "x\ty"}));
    ASSERT_TRUE(tool.GetDetailDefineDataAndValue());
    ASSERT_EQ(tool.m_arrDetailTables.GetSize(), 2);
    EXPECT_EQ(Strings(tool.m_arrDetailIDs), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(Strings(tool.m_arrDetailNames), (std::vector<std::string>{"明细", "附表"}));
    const CAttribValueTable& read = tool.m_arrDetailTables[0];
    ASSERT_EQ(read.GetTableLogicSize(), 4);
    CStringArray values;
    read.GetAttribValueRecord(0, values);
    EXPECT_EQ(Strings(values), (std::vector<std::string>{"A\tB", "line1\nline2"}));
    read.GetAttribValueRecord(1, values);
    EXPECT_EQ(Strings(values), (std::vector<std::string>{"[not a section]", "#not a comment"}));
    read.GetAttribValueRecord(2, values);
    EXPECT_EQ(Strings(values), (std::vector<std::string>{""}));
    read.GetAttribValueRecord(3, values);
    EXPECT_EQ(Strings(values), (std::vector<std::string>{"C:\\dir\\x", "  "}));
    EXPECT_EQ(tool.m_arrDetailTables[1].GetTableLogicSize(), 0);
    // On disk the text is code page 936 with CRLF line ends.
    std::string bytes = ws.ReadFile(path);
    EXPECT_EQ(bytes.rfind("VQTBL 1\r\n", 0), 0u);
    EXPECT_NE(bytes.find(vq::Utf8ToGbk("图号")), std::string::npos);
}

TEST(TableFile, AFullDiskKeepsTheOldFile) {
    vqtest::Workspace ws;
    const CString path = ws.WriteFile("out.tbl", "VQTBL 1\r\n[TITLE]\r\n");
    CStringArray ids, values;
    for (int i = 0; i < 4000; ++i) {
        ids.Add("id");
        values.Add("value");
    }
    {
        vqtest::FileSizeLimit full(1024);
        EXPECT_FALSE(
            WriteTableFile(path, ids, values, CArray<CAttribValueTable>(), CStringArray(), CStringArray()));
    }
    EXPECT_EQ(ws.ReadFile(path), "VQTBL 1\r\n[TITLE]\r\n");
}
