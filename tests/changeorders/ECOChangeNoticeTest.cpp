// The header and part rows of a change notice in both dialects: a notice stored twice keeps one
// header and exactly its parts, the level and review type are mapped both ways, and quotes in the
// texts are stored as typed.
#include "changeorders/ECOChangeNotice.h"
#include "core/VqDesignTaskApp.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

namespace {

class ECOChangeNoticeTest : public ::testing::TestWithParam<int> {
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
    CString Query(const CString& sql) const { return ws.QueryText(sql); }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
};

} // namespace

TEST_P(ECOChangeNoticeTest, StoringTwiceKeepsOneHeaderAndExactlyTheListedParts) {
    CECOChangeNotice notice;
    notice.m_strECONo = "JX-2030-001";
    notice.m_nLevel = 5;
    notice.m_nReviewMode = 3;
    notice.m_strState = "临时";
    notice.m_strRemark = "O'Neil's remark";
    std::vector<ECOChangePartRow> parts{{"P1", "箱座", "a", "2", ""}, {"P2", "箱盖", "b", "1", "M-1; M-2"}};
    ASSERT_EQ(notice.StoreHeader(), 1);
    ASSERT_EQ(notice.StoreParts(parts), 1);
    notice.m_nLevel = 1;
    notice.m_nReviewMode = 7;
    notice.m_strState = "评审";
    parts.pop_back();
    ASSERT_EQ(notice.StoreHeader(), 1);
    ASSERT_EQ(notice.StoreParts(parts), 1);
    EXPECT_EQ(Query("SELECT count(*) FROM ECOChangeManage WHERE ECONo='JX-2030-001'"), "1");
    EXPECT_EQ(Query("SELECT count(*) FROM ECOChangePart WHERE ECONo='JX-2030-001'"), "1");
    EXPECT_EQ(Query("SELECT ECOLevel FROM ECOChangeManage"), "中等");
    EXPECT_EQ(Query("SELECT AuditingType FROM ECOChangeManage"), "无");

    CECOChangeNotice read;
    read.m_strECONo = "jx-2030-001";
    ASSERT_TRUE(read.LoadHeader());
    EXPECT_EQ(read.m_nLevel, 1);
    EXPECT_EQ(read.m_nReviewMode, 2);
    EXPECT_EQ(read.m_strState, "评审");
    EXPECT_EQ(read.m_strRemark, "O'Neil's remark");
    std::vector<ECOChangePartRow> back;
    ASSERT_TRUE(read.LoadParts(back));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].m_strPartName, "箱座");
    EXPECT_EQ(back[0].m_strChangePlace, "2");
}

TEST_P(ECOChangeNoticeTest, LevelsAndReviewTypesAsStored) {
    CECOChangeNotice notice;
    notice.m_strECONo = "N";
    notice.m_nLevel = 7;
    notice.m_nReviewMode = 3;
    ASSERT_EQ(notice.StoreHeader(), 1);
    EXPECT_EQ(Query("SELECT ECOLevel FROM ECOChangeManage"), "优先");
    EXPECT_EQ(Query("SELECT AuditingType FROM ECOChangeManage"), "按单");
    CECOChangeNotice read;
    read.m_strECONo = "N";
    ASSERT_TRUE(read.LoadHeader());
    EXPECT_EQ(read.m_nLevel, 2);
    EXPECT_EQ(read.m_nReviewMode, 1);
    read.m_strECONo = "none";
    EXPECT_FALSE(read.LoadHeader());
}

INSTANTIATE_TEST_SUITE_P(Dialects, ECOChangeNoticeTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
