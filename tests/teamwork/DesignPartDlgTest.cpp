// The add-design-part dialog on its own, in both dialects: what it refuses, a part outside the
// work's structure, a borrowed part, and the parts of a change task that may stand in several
// structures.
#include "teamwork/DesignPartDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ScriptedUser.h"
#include "teamwork/WorkPartIds.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

using namespace teamwork::part_ids;

namespace {

class DesignPartTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strLoginUser = "zhangsan";
        ws.Execute("INSERT INTO TeamWorkPartTree (WorkID, UpCode, DCode, DName) VALUES ('W#001', 'W#001', "
                   "'P-1', '机座')");
        ws.Execute("INSERT INTO TeamWorkPart (WorkID, PartCode, PartName, PartRev, UsedFlag, State) VALUES "
                   "('W#001', 'P-1', '机座', 'A', 0, '分配')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        theApp.m_nUseChangeTask = 0;
    }

    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(DesignPartTest, ACodeAndANameAreRequiredAndAPartIsNotDeclaredTwice) {
    CDesignPartDlg dlg;
    dlg.WorkID = "W#002";
    CString user, usedFlag, saveDate;
    vq::ScriptedUser script;
    script.Dialog("增加设计零部件")
        .Do([&](CDialog& d) {
            d.GetDlgItemText(kUserName, user);
            d.GetDlgItemText(kUsedFlag, usedFlag);
            d.GetDlgItemText(kSaveDate, saveDate);
            EXPECT_FALSE(d.GetDlgItem(kTrastUser)->IsWindowVisible());
        })
        .Set(kPartCode, "   ")
        .Click(IDOK)
        .Message("未指定零部件图号...", IDOK)
        .Set(kPartCode, "p-1")
        .Click(IDOK)
        .Message("未指定零部件名称...", IDOK)
        .Set(kPartName, "机座")
        .Click(IDOK)
        .Message("零部件图号已存在：p-1[机座]", IDOK)
        .Set(kPartCode, "P-2")
        .Check(kIsAssemble, 1)
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(script.Succeeded()) << script.Error().c_str();
    EXPECT_EQ(user, "zhangsan");
    EXPECT_EQ(usedFlag, "否");
    EXPECT_EQ(saveDate.GetLength(), 16);
    // Outside the structure only the part row is written.
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkPartTree WHERE DCode='P-2'"), "0");
    EXPECT_EQ(ws.QueryText(
                  "SELECT WorkID || '|' || PartRev || '|' || TrastUser || '|' || IsAssemble || '|' || State "
                  "FROM TeamWorkPart WHERE PartCode='P-2'"),
              "W#002|A|zhangsan|1|分配");
}

TEST_P(DesignPartTest, AChangeTaskPartMayStandInAnotherStructure) {
    theApp.m_nUseChangeTask = 1;
    CDesignPartDlg dlg;
    dlg.WorkID = "W[M]#002";
    dlg.PlaceInTree = 1;
    vq::ScriptedUser script;
    script.Dialog("增加设计零部件").Set(kPartCode, "P-1").Set(kPartName, "机座").Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(script.Succeeded()) << script.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT UpCode FROM TeamWorkPartTree WHERE WorkID='W[M]#002'"), "W[M]#002");
    // The code names a part already: only the link is new.
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkPart WHERE PartCode='P-1'"), "1");
}

TEST_P(DesignPartTest, ABorrowedPartNamesItsProduct) {
    ws.Execute(
        "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode) VALUES ('S-1', '标准轴', 'PRD-7')");
    CDesignPartDlg dlg;
    dlg.WorkID = "W#001";
    dlg.PlaceInTree = 1;
    dlg.UpCode = "P-1";
    vq::ScriptedUser script;
    script.Dialog("增加设计零部件")
        .Check(kQueryMode, 1)
        .Set(kPartCode, "S-1")
        .Click("借用...")
        .Dialog("选择零部件")
        .Click(1244)
        .Select(1051, 0)
        .Click(IDOK)
        .Dialog("增加设计零部件")
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(script.Succeeded()) << script.Error().c_str();
    EXPECT_EQ(dlg.PartName, "标准轴");
    EXPECT_EQ(ws.QueryText(
                  "SELECT UpCode || '|' || DName || '|' || Other1 FROM TeamWorkPartTree WHERE DCode='S-1'"),
              "P-1|标准轴|借用 PRD-7");
}

INSTANTIATE_TEST_SUITE_P(Dialects, DesignPartTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
