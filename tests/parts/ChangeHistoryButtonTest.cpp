// The "更改历史..." button of the drawing detail, the revision browser and the part revision
// picker opens the part change history for the dialog's part, fixed there.
#include "changeorders/PartChangeHistoryDlg.h"
#include "core/VqDesignTaskApp.h"
#include "parts/DwgDetailDlg.h"
#include "parts/PartRevSelectDlg.h"
#include "parts/PartRevisionTreeDlg.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using History = CPartChangeHistoryDlg;

class ChangeHistoryButtonTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        ws.Execute("INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode, CurrentRev, LateRev) VALUES "
                   "('P1', '底座', 'PRD', 'B', 'B');"
                   "INSERT INTO PartRevManage (PartCode, RevPath, RevNumber) VALUES ('P1', '', 'A');"
                   "INSERT INTO PartRevManage (PartCode, RevPath, RevNumber) VALUES ('P1', 'A\\', 'B');"
                   "INSERT INTO ECOPartRelease (ECOGroup, ECONo, PartCode, PartName, IsChanged, RevNo) VALUES "
                   "('更改单', 'C-1', 'P1', '底座', '否', 'A');"
                   "INSERT INTO ECOPartRelease (ECOGroup, ECONo, PartCode, PartName, IsChanged, RevNo) VALUES "
                   "('更改单', 'C-2', 'P1', '底座', '是', 'B');"
                   "INSERT INTO ECOPartRelease (ECOGroup, ECONo, PartCode, PartName, IsChanged, RevNo) VALUES "
                   "('更改单', 'C-3', 'P2', '别的', '否', 'A')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
    }
    // Clicks "更改历史..." in the dialog of the caption and checks the history it opens.
    static void ExpectHistory(vq::ScriptedUser& user, const CString& caption) {
        user.Dialog(caption)
            .Click("更改历史...")
            .Dialog("零部件更改历史")
            .Do([](CDialog& d) {
                auto& history = static_cast<History&>(d);
                EXPECT_EQ(history.m_strPartCode, "P1");
                EXPECT_TRUE(history.m_bLockPart);
                auto& list = *dynamic_cast<CListCtrl*>(d.GetDlgItem(History::kListId));
                ASSERT_EQ(list.GetItemCount(), 2);
                EXPECT_EQ(list.GetItemText(0, 2), "C-1");
                EXPECT_EQ(list.GetItemText(1, 7), "B");
                for (int id : {History::kPartButtonId, History::kProductCheckId, History::kSearchModeId})
                    EXPECT_FALSE(d.GetDlgItem(id)->IsWindowEnabled()) << id;
            })
            .Click("退出")
            .Dialog(caption);
    }

    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(ChangeHistoryButtonTest, DrawingDetailOpensTheHistoryOfItsDrawing) {
    vq::ScriptedUser user;
    ExpectHistory(user, "图纸的详细信息");
    user.Click(IDCANCEL);
    CDwgDetailDlg dlg;
    dlg.m_strTablePrefix = "VqkorvelAll";
    dlg.m_strPartCode = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(ChangeHistoryButtonTest, RevisionBrowserOpensTheHistoryOfItsPart) {
    vq::ScriptedUser user;
    ExpectHistory(user, "浏览图号版本信息");
    user.Click(IDOK);
    CPartRevisionTreeDlg dlg;
    dlg.m_strPartCode = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(ChangeHistoryButtonTest, RevisionPickerOpensTheHistoryOfItsPart) {
    vq::ScriptedUser user;
    ExpectHistory(user, "选择零部件版本");
    user.Click(IDCANCEL);
    CPartRevSelectDlg dlg;
    dlg.m_strPartCode = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

INSTANTIATE_TEST_SUITE_P(Dialects, ChangeHistoryButtonTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
