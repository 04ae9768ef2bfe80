// The settings of a change-order group in both dialects (defaults, limits, exact type names, the
// later of two rows) and the level and review-type mappings.
#include "changeorders/ECOConfigure.h"
#include "core/VqDesignTaskApp.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

namespace {

class ECOConfigureTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
    }
    void Set(const char* group, const char* type, const char* value) {
        ws.Execute(
            CString("INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('") +
            group + "', '" + type + "', '" + value + "')");
    }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
};

} // namespace

TEST_P(ECOConfigureTest, AGroupWithoutRowsHasTheDefaults) {
    Set("修改单", "评审方式", "0");
    CECOConfigure configure;
    EXPECT_EQ(configure.LoadConfigure("更改单"), 1);
    EXPECT_EQ(configure.m_nReviewMode, 2);
    EXPECT_EQ(configure.m_nNoWidth, 1);
    EXPECT_EQ(configure.m_strNoSeparator, "-");
    EXPECT_EQ(configure.m_nNoMode, 0);
    EXPECT_TRUE(configure.m_strCfgAuditingModel.IsEmpty());
    EXPECT_TRUE(configure.m_strCfgAuditorName.IsEmpty());
}

TEST_P(ECOConfigureTest, ValuesAreReadWithTheirLimits) {
    Set("更改单", "评审方式", "abc");
    Set("更改单", "编号宽度", "-3");
    Set("更改单", "编号方式", "-1");
    Set("更改单", "编号分隔", "/");
    Set("更改单", "评审流程", "三级评审");
    Set("更改单", "评审人员", "a|*|b");
    CECOConfigure configure;
    EXPECT_EQ(configure.LoadConfigure("更改单"), 1);
    EXPECT_EQ(configure.m_nReviewMode, 0);
    EXPECT_EQ(configure.m_nNoWidth, 1);
    EXPECT_EQ(configure.m_nNoMode, 0);
    EXPECT_EQ(configure.m_strNoSeparator, "/");
    EXPECT_EQ(configure.m_strCfgAuditingModel, "三级评审");
    EXPECT_EQ(configure.m_strCfgAuditorName, "a|*|b");
}

TEST_P(ECOConfigureTest, NumbersAtTheStartCountAndUnknownTypesAreIgnored) {
    Set("更改单", "编号宽度", " 4 digits");
    Set("更改单", "编号方式", "3");
    Set("更改单", "评审方式", "1");
    Set("更改单", "评审方式", "3"); // the later row read wins
    Set("更改单", "编号宽度x", "9");
    CECOConfigure configure;
    EXPECT_EQ(configure.LoadConfigure("更改单"), 1);
    EXPECT_EQ(configure.m_nNoWidth, 4);
    EXPECT_EQ(configure.m_nNoMode, 3);
    EXPECT_EQ(configure.m_nReviewMode, 3);
}

TEST(ECOMappingTest, LevelsAndReviewTypes) {
    EXPECT_EQ(ECOLevelText(0), "普通");
    EXPECT_EQ(ECOLevelText(1), "中等");
    EXPECT_EQ(ECOLevelText(2), "优先");
    EXPECT_EQ(ECOLevelText(-1), "优先");
    EXPECT_EQ(ECOLevelIndex("中等"), 1);
    EXPECT_EQ(ECOLevelIndex("急"), 2);
    EXPECT_EQ(AuditingTypeText(0), "按组");
    EXPECT_EQ(AuditingTypeText(1), "按单");
    EXPECT_EQ(AuditingTypeText(3), "按单");
    EXPECT_EQ(AuditingTypeText(2), "无");
    EXPECT_EQ(AuditingTypeText(7), "无");
    EXPECT_EQ(ReviewModeOfAuditingType("按组"), 0);
    EXPECT_EQ(ReviewModeOfAuditingType("按单"), 1);
    EXPECT_EQ(ReviewModeOfAuditingType("无"), 2);
    EXPECT_EQ(LeadingSignedInt("  -12abc"), -12);
    EXPECT_EQ(LeadingSignedInt("x1"), 0);
}

INSTANTIATE_TEST_SUITE_P(Dialects, ECOConfigureTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
