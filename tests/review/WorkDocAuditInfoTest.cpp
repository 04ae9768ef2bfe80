// The review facts of a work document in both dialects, and the assigning group of the login.
#include "teamwork/WorkDocAuditInfo.h"
#include "core/VqDesignTaskApp.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Groups(const char* text) {
    CStringArray names;
    CWorkDocAuditInfo::SplitGroupNames(text, names);
    std::vector<std::string> out;
    for (const CString& s : names)
        out.push_back(s.str());
    return out;
}

class WorkDocAuditInfoTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.Execute(
            "INSERT INTO TeamWorkResult (FileID, WorkID, AuditingModel, AuditorName, AuditingType, State) "
            "VALUES ('F-1', 'W#001', '三级评审', 'a|*|b', '混合', '评审'), ('o''f', 'W#001', 'm', 'x', "
            "'并联', '正式')");
        ws.Execute("INSERT INTO UserInformation (UserLogName, UserName, GroupName) VALUES "
                   "('u1', 'U1', '设计一室),(Review),(工艺室'), ('u2', 'U2', '),(review'), ('u3', 'U3', ''),"
                   "('u4', 'U4', 'a),(),(review'), ('u5', 'U5', 'review')");
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        EXPECT_EQ(rec.Pending(), 0);
    }
    int CanAssign(const char* login) {
        theApp.m_strLoginUser = login;
        CWorkDocAuditInfo info;
        return info.CanAssignAuditFlow();
    }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
};

} // namespace

TEST(WorkDocAuditGroups, SplitAtTheSeparatorWithoutLosingGroupsAfterAnEmptyOne) {
    EXPECT_EQ(Groups("a),(b),(c"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(Groups("whole group"), (std::vector<std::string>{"whole group"}));
    EXPECT_EQ(Groups("a),(),(c"), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(Groups("),(c"), (std::vector<std::string>{"c"}));
    EXPECT_EQ(Groups("a),("), (std::vector<std::string>{"a"}));
    EXPECT_TRUE(Groups("").empty());
}

TEST_P(WorkDocAuditInfoTest, ReadsTheReviewColumnsOfTheDocumentRow) {
    CWorkDocAuditInfo info;
    EXPECT_EQ(info.ReadDocAuditInfo("F-1"), 1);
    EXPECT_EQ(info.AuditingModel, "三级评审");
    EXPECT_EQ(info.AuditorName, "a|*|b");
    EXPECT_EQ(info.AuditingType, "混合");
    EXPECT_EQ(info.FileID, "F-1");
    // No row: 0, and the members stay.
    EXPECT_EQ(info.ReadDocAuditInfo("F-9"), 0);
    EXPECT_EQ(info.AuditingModel, "三级评审");
    EXPECT_EQ(info.FileID, "F-9");
    EXPECT_EQ(info.ReadDocAuditInfo(""), 0);
    EXPECT_EQ(info.ReadDocAuditInfo("o'f"), 1) << "the id is quoted";
    EXPECT_EQ(info.AuditingType, "并联");
}

TEST_P(WorkDocAuditInfoTest, TheLoginMustBelongToTheConfiguredGroup) {
    EXPECT_EQ(CanAssign("u1"), 0) << "no group configured";
    ws.WriteSetting("设计过程管理配置", "工作任务评审流程由上级指派", "2");
    EXPECT_EQ(CanAssign("u1"), 0) << "still no group, whatever the assignment setting";
    ws.WriteSetting("设计过程管理配置", "工作任务评审流程指派组", "review");
    EXPECT_EQ(CanAssign("u1"), 1) << "the middle name, letter case ignored";
    EXPECT_EQ(CanAssign("u2"), 1) << "after a leading separator";
    EXPECT_EQ(CanAssign("u3"), 0) << "no groups";
    EXPECT_EQ(CanAssign("u4"), 1) << "after an empty name";
    EXPECT_EQ(CanAssign("u5"), 1) << "a text without separator is one name";
    EXPECT_EQ(CanAssign("nobody"), 0);
    theApp.m_strLoginUser = "u1";
    CWorkDocAuditInfo info;
    info.CanAssignAuditFlow();
    EXPECT_EQ(info.AssignedBySuperior, 2);
    EXPECT_EQ(info.AssignGroup, "review");
}

INSTANTIATE_TEST_SUITE_P(Dialects, WorkDocAuditInfoTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
