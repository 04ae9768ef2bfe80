// The work documents of a part code in both dialects: only drawing files, by file name, the
// choice on OK, and the questions of OK without a row and of cancel.
#include "parts/PartWorkDocDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

namespace {

class PartWorkDocTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 0;
        ws.Execute(
            "INSERT INTO TeamWorkResult (FileID, WorkID, FileName, FileSize, FileType, State, SaveDate, "
            "PartCode) "
            "VALUES ('F2', 'W#001', 'b.dwg', '20', 'AutoCAD 图形', '评审', '2026-11-02 10:00:00', 'P-1'),"
            "('F1', 'W#001', 'a.dwg', '10', 'autocad drawing', '正式', '2026-11-01 10:00:00', 'P-1'),"
            "('F3', 'W#001', 'c.doc', '5', 'Microsoft Word 文档', '评审', '2026-11-03', 'P-1'),"
            "('F4', 'W#002', 'd.dwg', '7', 'AutoCAD 图形', '评审', '2026-11-04', 'P-2')");
    }
    void TearDown() override { theApp.m_pConnPDM = nullptr; }

    vqtest::DbWorkspace ws{GetParam()};
};

TEST_P(PartWorkDocTest, ListsTheDrawingFilesOfThePartAndReturnsTheChosenOne) {
    CPartWorkDocDlg dlg;
    dlg.m_strPartCode = "P-1";
    std::vector<std::string> rows;
    vq::ScriptedUser user;
    user.Dialog("零部件[P-1]对应的文件信息")
        .Do([&](CDialog& d) {
            auto* list = dynamic_cast<CListCtrl*>(d.GetDlgItem(6108));
            for (int i = 0; i < list->GetItemCount(); ++i) {
                std::string row;
                for (int c = 0; c < 7; ++c)
                    row += list->GetItemText(i, c).str() + "|";
                rows.push_back(row);
            }
            EXPECT_EQ(list->GetColumnWidth(6), 0);
        })
        .Select(6108, 1)
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(rows, (std::vector<std::string>{"1|a.dwg|10|autocad drawing|正式|2026-11-01 10:00:00|F1|",
                                              "2|b.dwg|20|AutoCAD 图形|评审|2026-11-02 10:00:00|F2|"}));
    EXPECT_EQ(dlg.m_strFileID, "F2");
    EXPECT_EQ(dlg.m_strFileName, "b.dwg");
}

TEST_P(PartWorkDocTest, PartWithoutDrawingsHasNothingToChooseAndCancelAsks) {
    CPartWorkDocDlg dlg;
    dlg.m_strPartCode = "P-9'";
    int rows = -1;
    vq::ScriptedUser user;
    user.Dialog("零部件[P-9']对应的文件信息")
        .Do([&](CDialog& d) { rows = dynamic_cast<CListCtrl*>(d.GetDlgItem(6108))->GetItemCount(); })
        .Click(IDOK)
        .Message("没有选择文件信息...", IDOK)
        .Click(IDCANCEL)
        .Message("是否真的退出?", IDNO)
        .Click(IDCANCEL)
        .Message("是否真的退出?", IDYES);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(rows, 0);
    EXPECT_TRUE(dlg.m_strFileID.IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Dialects, PartWorkDocTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

} // namespace
