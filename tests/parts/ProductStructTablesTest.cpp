// Reading a structure downwards in both dialects, and one level at a time.
#include "parts/ProductStructTables.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class StructureTest : public ::testing::TestWithParam<int> {};

void AddStructure(const vqtest::DbWorkspace& ws, const char* family) {
    CString script;
    script.Format(
        "INSERT INTO Vqkorvel%s_title (TCode, TName) VALUES ('P', '产品');"
        "INSERT INTO Vqkorvel%s_title (TCode, TName) VALUES ('A', '部件A');"
        "INSERT INTO Vqkorvel%s_title (TCode, TName) VALUES ('B', '零件B');"
        "INSERT INTO Vqkorvel%s_title (TCode, TName) VALUES ('C', '零件C');"
        "INSERT INTO Vqkorvel%s_detail (UpCode, Ditem, Dcode, Dname, Dremark) VALUES ('P', 2, 'C', 'c', 'r');"
        "INSERT INTO Vqkorvel%s_detail (UpCode, Ditem, Dcode, Dname) VALUES ('P', 1, 'A', 'a');"
        "INSERT INTO Vqkorvel%s_detail (UpCode, Ditem, Dcode, Dname) VALUES ('A', 1, 'B', 'b');"
        "INSERT INTO Vqkorvel%s_detail (UpCode, Ditem, Dcode, Dname) VALUES ('A', 2, 'NOTITLE', '无标题');"
        "INSERT INTO Vqkorvel%s_detail (UpCode, Ditem, Dcode, Dname) VALUES ('X', 1, 'Y', 'y')",
        CString(family), CString(family), CString(family), CString(family), CString(family), CString(family),
        CString(family), CString(family), CString(family));
    ws.Execute(script);
}

std::vector<std::string> Lines(const std::vector<ProductTreeLine>& lines) {
    std::vector<std::string> v;
    for (const ProductTreeLine& l : lines)
        v.push_back((l.upCode + ">" + l.code + ":" + l.name + ":" + l.remark).str());
    return v;
}

} // namespace

TEST(ProductTables, FamiliesNameTheirTables) {
    EXPECT_STREQ(GetProductTables(ProductFamily::Archive).title, "VqkorvelAll_title");
    EXPECT_STREQ(GetProductTables(ProductFamily::Team).detail, "VqkorvelTeam_detail");
    EXPECT_STREQ(GetProductTables(ProductFamily::Task).title, "VqkorvelTask_title");
    EXPECT_STREQ(GetProductTables(ProductFamily::Version).detail, "VqkorvelVer_detail");
}

TEST_P(StructureTest, ArchiveStructureReadsDownwardsWithTitleNames) {
    vqtest::DbWorkspace ws(GetParam());
    AddStructure(ws, "All");
    _ConnectionPtr conn = ws.Connect();
    // Lines without a title row are left out by the join.
    EXPECT_EQ(Lines(ReadStructureDown(conn, GetParam(), ProductFamily::Archive, "p")),
              (std::vector<std::string>{"A>B:零件B:", "P>A:部件A:", "P>C:零件C:r"}));
    EXPECT_TRUE(ReadStructureDown(conn, GetParam(), ProductFamily::Archive, "nothing").empty());
}

TEST_P(StructureTest, CollaborativeStructureKeepsLinesWithoutTitles) {
    vqtest::DbWorkspace ws(GetParam());
    AddStructure(ws, "Team");
    _ConnectionPtr conn = ws.Connect();
    EXPECT_EQ(Lines(ReadStructureDown(conn, GetParam(), ProductFamily::Team, "P")),
              (std::vector<std::string>{"A>B:零件B:", "A>NOTITLE:无标题:", "P>A:部件A:", "P>C:零件C:r"}));
}

TEST_P(StructureTest, OneLevelAtATimeInItemOrder) {
    vqtest::DbWorkspace ws(GetParam());
    AddStructure(ws, "All");
    _ConnectionPtr conn = ws.Connect();
    EXPECT_EQ(Lines(ReadChildren(conn, ProductFamily::Archive, "P", false)),
              (std::vector<std::string>{"P>A:a:", "P>C:c:"}));
    EXPECT_EQ(Lines(ReadChildren(conn, ProductFamily::Archive, "A", false)),
              (std::vector<std::string>{"A>B:b:", "A>NOTITLE:无标题:"}));
    EXPECT_EQ(Lines(ReadChildren(conn, ProductFamily::Archive, "A", true)),
              (std::vector<std::string>{"A>B:b:"}));
    // A code with a quote is a value, not SQL.
    EXPECT_TRUE(ReadChildren(conn, ProductFamily::Archive, "x' OR '1'='1", false).empty());
}

INSTANTIATE_TEST_SUITE_P(Dialects, StructureTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

// The set read gives each line once: the lines of the downward read less the repeats of shared
// sub-assemblies, in the same order, also over codes in another letter case and a cycle.
TEST_P(StructureTest, SetReadGivesEachLineOnceInTheOrderOfTheDownwardRead) {
    vqtest::DbWorkspace ws(GetParam());
    AddStructure(ws, "All");
    ws.Execute("INSERT INTO VqkorvelAll_title (TCode, TName) VALUES ('S', '共用件');"
               "INSERT INTO VqkorvelAll_title (TCode, TName) VALUES ('L', '叶');"
               "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode) VALUES ('a', 3, 'S');"
               "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode) VALUES ('C', 1, 's');"
               "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode) VALUES ('S', 1, 'L');"
               "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode) VALUES ('L', 1, 'a')");
    _ConnectionPtr conn = ws.Connect();
    std::vector<std::string> down = Lines(ReadStructureDown(conn, GetParam(), ProductFamily::Archive, "P"));
    std::vector<std::string> once;
    for (const std::string& line : down)
        if (std::find(once.begin(), once.end(), line) == once.end())
            once.push_back(line);
    EXPECT_LT(once.size(), down.size()) << "the structure shares a sub-assembly";
    EXPECT_EQ(Lines(ReadStructureLines(conn, GetParam(), ProductFamily::Archive, "p")), once);
    EXPECT_TRUE(ReadStructureLines(conn, GetParam(), ProductFamily::Archive, "O'Neil").empty());
}
