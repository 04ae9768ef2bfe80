// The related information of a task or a drawing in both dialects: the topics and their content,
// the name looked up by the kind of code, and the topics sorted by a column and back.
#include "review/RelateInfoDlg.h"
#include "core/EntryFrame.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using R = CRelateInfoDlg;

std::vector<CString> Column(const CListCtrl& list, int column) {
    std::vector<CString> texts;
    for (int row = 0; row < list.GetItemCount(); ++row)
        texts.push_back(list.GetItemText(row, column));
    return texts;
}

class RelateInfoTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.Execute(
            "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectManager) VALUES ('XM-01', '减速器', 'lisi');"
            "INSERT INTO VqkorvelAll_title (TCode, TName) VALUES ('JS-001', '箱座');"
            "INSERT INTO RelateMessage (Code, Type, Topic, Saver, SaveTime, Content) VALUES "
            "('XM-01', '任务', 'b 材料?', 'wangwu', '2026-12-02 08:00', '改用HT250'),"
            "('XM-01', '任务', 'A 图幅', 'zhaoliu', '2026-11-30 09:30', '改为A1'),"
            "('XM-01', '任务', 'c 公差', 'lisi', '2026-12-10 17:00', '按GB/T 1804-m'),"
            "('XM-01', '图纸', '别的类型', 'lisi', '2026-12-01 00:00', ''),"
            "('JS-001', '图纸', '孔位', 'wangwu', '2026-12-03 10:00', '孔距±0.05');");
        ASSERT_TRUE(frame.IsOpen());
        theApp.m_nDatabaseType = GetParam();
    }
    void TearDown() override { theApp.m_nDatabaseType = 0; }

    vqtest::DbWorkspace ws{GetParam()};
    CEntryFrame frame{"lisi"};
};

} // namespace

TEST_P(RelateInfoTest, TopicsOfATaskSortByEachColumnBothWays) {
    R dlg;
    dlg.m_strCode = "XM-01";
    vq::ScriptedUser user;
    user.Dialog("相关信息显示")
        .Do([](CDialog& d) {
            auto& r = static_cast<R&>(d);
            EXPECT_EQ(r.GetDlgItem(R::kNameId)->GetWindowTextValue(), "减速器");
            EXPECT_EQ(r.m_listTopics.GetItemCount(), 3) << "only the task's topics";
        })
        .Column(R::kTopicListId, 0)
        .Do([](CDialog& d) {
            auto& r = static_cast<R&>(d);
            EXPECT_EQ(Column(r.m_listTopics, 0), (std::vector<CString>{"A 图幅", "b 材料?", "c 公差"}))
                << "without regard to case";
            EXPECT_EQ(r.m_listTopics.m_header.GetColumnImage(0), 0);
        })
        .Column(R::kTopicListId, 0)
        .Do([](CDialog& d) {
            auto& r = static_cast<R&>(d);
            EXPECT_EQ(Column(r.m_listTopics, 0), (std::vector<CString>{"c 公差", "b 材料?", "A 图幅"}));
            EXPECT_EQ(r.m_listTopics.m_header.GetColumnImage(0), 1);
        })
        .Column(R::kTopicListId, 2)
        .Do([](CDialog& d) {
            auto& r = static_cast<R&>(d);
            EXPECT_EQ(Column(r.m_listTopics, 2),
                      (std::vector<CString>{"2026-11-30 09:30", "2026-12-02 08:00", "2026-12-10 17:00"}));
            EXPECT_EQ(r.m_listTopics.m_header.GetColumnImage(0), -1) << "one arrow only";
        })
        .Column(R::kTopicListId, 1)
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(static_cast<R&>(d).m_listTopics, 1),
                      (std::vector<CString>{"lisi", "wangwu", "zhaoliu"}));
        })
        // The content follows the row wherever the sort put it; a "?" in a topic shifts nothing.
        .Select(R::kTopicListId, "b 材料?")
        .Do([](CDialog& d) { EXPECT_EQ(d.GetDlgItem(R::kContentId)->GetWindowTextValue(), "改用HT250"); })
        .Select(R::kTopicListId, "c 公差")
        .Do([](CDialog& d) { EXPECT_EQ(d.GetDlgItem(R::kContentId)->GetWindowTextValue(), "按GB/T 1804-m"); })
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error();
}

TEST_P(RelateInfoTest, ADrawingCodeAGivenNameAndNoTopics) {
    R drawing;
    drawing.m_strCode = "JS-001";
    drawing.m_nKind = 1;
    vq::ScriptedUser user;
    user.Dialog("相关信息显示")
        .Do([](CDialog& d) {
            auto& r = static_cast<R&>(d);
            EXPECT_EQ(r.GetDlgItem(R::kNameId)->GetWindowTextValue(), "箱座");
            EXPECT_EQ(r.m_strType, "图纸");
            EXPECT_EQ(Column(r.m_listTopics, 0), std::vector<CString>{"孔位"});
        })
        .Click(IDCANCEL);
    drawing.DoModal();
    // A caller that names the task skips the lookup and keeps the type it set.
    R named;
    named.m_strCode = "XM-01";
    named.m_strName = "给定名称";
    named.m_strType = "图纸";
    user.Dialog("相关信息显示")
        .Do([](CDialog& d) {
            auto& r = static_cast<R&>(d);
            EXPECT_EQ(r.GetDlgItem(R::kNameId)->GetWindowTextValue(), "给定名称");
            EXPECT_EQ(Column(r.m_listTopics, 0), std::vector<CString>{"别的类型"});
        })
        .Click(IDCANCEL);
    named.DoModal();
    R empty;
    empty.m_strCode = "XM-'99";
    user.Dialog("相关信息显示")
        .Do([](CDialog& d) {
            auto& r = static_cast<R&>(d);
            EXPECT_EQ(r.m_listTopics.GetItemCount(), 0);
            EXPECT_EQ(r.GetDlgItem(R::kContentId)->GetWindowTextValue(), "");
        })
        .Column(R::kTopicListId, 1)
        .Click(IDCANCEL);
    empty.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error();
}

INSTANTIATE_TEST_SUITE_P(Dialects, RelateInfoTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);
