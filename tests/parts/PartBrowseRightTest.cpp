// Browse rights: "admin" only as written, BrowseRight end dates against the server date, product
// groups the account manages or designs for, rights inherited from assemblies through the archive
// bill of materials, standard parts, cycles and quoting.
#include "parts/PartBrowseRight.h"
#include "core/VqDesignTaskApp.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

class PartBrowseRightTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.emplace(GetParam());
        theApp.m_pConnPDM = ws->Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        m_oldUser = theApp.m_strLoginUser;
        today = theApp.GetServerDate();
        ASSERT_EQ(today.GetLength(), 10);
        // Structure: PRD > ASM > PART; ASM2 > PART as well; GB-1 a standard part under PART.
        ws->Execute(
            "INSERT INTO VqkorvelAll_detail (UpCode, Dcode) VALUES ('PRD', 'ASM');"
            "INSERT INTO VqkorvelAll_detail (UpCode, Dcode) VALUES ('ASM', 'PART');"
            "INSERT INTO VqkorvelAll_detail (UpCode, Dcode) VALUES ('ASM2', 'PART');"
            "INSERT INTO VqkorvelAll_detail (UpCode, Dcode) VALUES ('PART', 'GB-1');"
            "INSERT INTO Product (ProductDwgCode, ProductStyle) VALUES ('PRD', 'S1');"
            "INSERT INTO ProductGroup (ProductStyle, Manager, UpperManager) VALUES ('S1', 'boss', 'chief');"
            "INSERT INTO ProductDesigner (ProductStyle, UserName) VALUES ('S1', 'designer')");
    }
    void TearDown() override {
        theApp.m_strLoginUser = m_oldUser;
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        ws.reset();
    }

    int Check(const CString& user, const CString& code) {
        theApp.m_strLoginUser = user;
        CPartBrowseRight right;
        return right.CanBrowse(code);
    }

    void Grant(const CString& user, const CString& code, const CString& endDate) {
        ws->Execute("INSERT INTO BrowseRight (UserName, PartCode, EndDate) VALUES ('" + user + "', '" + code +
                    "', '" + endDate + "')");
    }

    std::optional<vqtest::DbWorkspace> ws;
    CString today;
    CString m_oldUser;
};

TEST_P(PartBrowseRightTest, AdminOnlyAsWritten) {
    vqtest::MessageBoxRecorder boxes;
    EXPECT_EQ(Check("admin", "NOTHING"), 1);
    EXPECT_EQ(Check("admin", ""), 1); // no query, no message
    EXPECT_EQ(Check("Admin", "PART"), 0);
}

TEST_P(PartBrowseRightTest, EmptyPartCodeIsRefusedWithAMessage) {
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("请指定零部件图号信息...");
    EXPECT_EQ(Check("u1", ""), 0);
    EXPECT_EQ(boxes.Pending(), 0);
}

TEST_P(PartBrowseRightTest, EndDatesCountAgainstTheServerDate) {
    vqtest::MessageBoxRecorder boxes;
    Grant("u1", "T1", today);
    Grant("u1", "T2", "2000-01-01");
    Grant("u1", "T3", "");
    Grant("u1", "T4", "2999-12-31");
    EXPECT_EQ(Check("u1", "T1"), 1);
    EXPECT_EQ(Check("u1", "T2"), 0);
    EXPECT_EQ(Check("u1", "T3"), 1);
    EXPECT_EQ(Check("u1", "t4"), 1); // codes compare without regard to case
    EXPECT_EQ(Check("u2", "T1"), 0);
}

TEST_P(PartBrowseRightTest, RightOnAnAssemblyCoversItsParts) {
    vqtest::MessageBoxRecorder boxes;
    Grant("u1", "ASM2", "");
    EXPECT_EQ(Check("u1", "PART"), 1);
    EXPECT_EQ(Check("u1", "ASM"), 0);
    Grant("u2", "PRD", "");
    EXPECT_EQ(Check("u2", "PART"), 1); // two levels up
}

TEST_P(PartBrowseRightTest, ProductGroupsGiveTheirProductsAndEverythingBelow) {
    vqtest::MessageBoxRecorder boxes;
    for (const char* user : {"boss", "chief", "designer"}) {
        EXPECT_EQ(Check(user, "PRD"), 1) << user;
        EXPECT_EQ(Check(user, "PART"), 1) << user;
    }
    EXPECT_EQ(Check("stranger", "PART"), 0);
}

TEST_P(PartBrowseRightTest, StandardPartsAreComparedButNotClimbed) {
    vqtest::MessageBoxRecorder boxes;
    Grant("u1", "PART", "");
    EXPECT_EQ(Check("u1", "GB-1"), 0);
    Grant("u1", "GB-1", "");
    EXPECT_EQ(Check("u1", "GB-1"), 1);
}

TEST_P(PartBrowseRightTest, CycleIsReportedAndTheCheckCompletes) {
    ws->Execute("INSERT INTO VqkorvelAll_detail (UpCode, Dcode) VALUES ('PART', 'ASM')");
    Grant("u1", "ASM2", "");
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("处出现循环，请检查设计图纸...");
    EXPECT_EQ(Check("u1", "PART"), 1);
    ASSERT_EQ(boxes.Pending(), 0);
    EXPECT_NE(boxes.Texts()[0].Find("图号: PART 在: PART||ASM|| 处"), -1) << boxes.Texts()[0].c_str();
}

TEST_P(PartBrowseRightTest, QuotesInAccountAndCodeAreData) {
    vqtest::MessageBoxRecorder boxes;
    ws->Execute("INSERT INTO BrowseRight (UserName, PartCode, EndDate) VALUES ('o''neil', 'Q''1', '')");
    EXPECT_EQ(Check("o'neil", "Q'1"), 1);
    EXPECT_EQ(Check("x' OR '1'='1", "PART"), 0);
}

INSTANTIATE_TEST_SUITE_P(Dialects, PartBrowseRightTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

} // namespace
