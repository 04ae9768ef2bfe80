// The change label item dialog in both dialects, for part revisions and for change-order
// documents: new labels with the changer and date filled in, trimmed marks and "%2f" rectangles,
// the refusals (empty, duplicate, duplicate stored by another user between the check and the
// write), renames keyed by the old mark, the rectangle kept or replaced, read-only and missing
// rows, the pickers, and a failing write that keeps the dialog open.
#include "changeorders/ChangeLableItemDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/Time.h"
#include "platform/ui/Edit.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using Dlg = CChangeLableItemDlg;

class ChangeLableItemTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        m_oldLogin = theApp.m_strLoginUser;
        theApp.m_strLoginUser = "zhangsan";
        ws.Execute(
            "INSERT INTO UserInformation (UserLogName, UserName, GroupName) VALUES ('zhangsan', '张三', "
            "'设计一室');"
            "INSERT INTO UserInformation (UserLogName, UserName, GroupName) VALUES ('lisi', '李四', "
            "'设计一室');"
            "INSERT INTO GroupInformation (GroupName, GroupDescription, Groupmanager) VALUES ('设计一室', "
            "'结构', 'zhangsan');"
            "INSERT INTO PartChangeLabel VALUES ('P1', 'B', 'a', '3C', '2', 'GC-1', '李四', "
            "'2026-11-02', '强度不足', '壁厚改为12\n倒角C2', '无', '10.000000', '20.000000', "
            "'110.000000', '80.000000');"
            "INSERT INTO PartChangeLabel (PartCode, RevNo, ChangeLabel, LeftX, LeftY, RightX, RightY) "
            "VALUES ('P1', 'B', 'B', '1.5', 'x', '', '7')");
    }
    void TearDown() override {
        theApp.m_strLoginUser = m_oldLogin;
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        EXPECT_EQ(rec.Pending(), 0) << "an expected message box was not shown";
    }

    CString Row(const CString& columns, const CString& label, const CString& rev = "B") const {
        CString sql;
        sql.Format("SELECT %s FROM PartChangeLabel WHERE PartCode='P1' AND RevNo='%s' AND ChangeLabel='%s'",
                   columns.c_str(), rev.c_str(), label.c_str());
        return ws.QueryText(sql);
    }
    CString Count() const { return ws.QueryText("SELECT count(*) FROM PartChangeLabel"); }

    static void PartKey(Dlg& dlg, const CString& rev = "B") {
        dlg.m_strPartCode = "P1";
        dlg.m_strRevNo = rev;
    }
    static bool Enabled(CDialog& d, int id) { return d.GetDlgItem(id)->IsWindowEnabled(); }
    static bool ReadOnly(CDialog& d, int id) { return (d.GetDlgItem(id)->GetStyle() & ES_READONLY) != 0; }
    static CString Text(CDialog& d, int id) {
        CString text;
        d.GetDlgItemText(id, text);
        return text;
    }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
    CString m_oldLogin;
};

TEST_P(ChangeLableItemTest, NewLabelIsStoredTrimmedWithItsRectangleAsTwoFTexts) {
    CString changer, date;
    vq::ScriptedUser user;
    user.Dialog("图纸更改标记项")
        .Do([&](CDialog& d) {
            changer = Text(d, Dlg::kChangerId);
            date = Text(d, Dlg::kDateId);
            EXPECT_TRUE(ReadOnly(d, Dlg::kChangerId));
        })
        .Set(Dlg::kLabelId, "  △1  ")
        .Set(Dlg::kAreaId, "B4")
        .Set(Dlg::kCountId, "两处")
        .Set(Dlg::kFileSerialId, "GC-2026-01")
        .Set(Dlg::kResionId, "客户's 要求")
        .Set(Dlg::kContentId, "轴承座加长\n孔距改为120")
        .Set(Dlg::kRemarkId, "")
        .Click(IDOK);
    Dlg dlg;
    PartKey(dlg);
    dlg.m_dLeftX = 12.5;
    dlg.m_dLeftY = -3;
    dlg.m_dRightX = 420;
    dlg.m_dRightY = 297.25;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(changer, "张三");
    EXPECT_EQ(date, CTime::GetCurrentTime().Format("%Y-%m-%d"));
    EXPECT_EQ(dlg.m_strChangeLabel, "△1");
    EXPECT_EQ(Row("LeftX", "△1"), "12.500000");
    EXPECT_EQ(Row("LeftY", "△1"), "-3.000000");
    EXPECT_EQ(Row("RightX", "△1"), "420.000000");
    EXPECT_EQ(Row("RightY", "△1"), "297.250000");
    EXPECT_EQ(Row("Changer", "△1"), "张三");
    EXPECT_EQ(Row("Resion", "△1"), "客户's 要求");
    EXPECT_EQ(Row("Content", "△1"), "轴承座加长\n孔距改为120");
    EXPECT_EQ(Row("ChangeCount", "△1"), "两处");
    EXPECT_EQ(Count(), "3");
}

TEST_P(ChangeLableItemTest, RectangleNeverSetIsStoredAsZeros) {
    theApp.m_strLoginUser = "nobody"; // no UserInformation row: the changer stays empty
    vq::ScriptedUser user;
    user.Dialog("图纸更改标记项")
        .Do([](CDialog& d) { EXPECT_EQ(Text(d, Dlg::kChangerId), ""); })
        .Set(Dlg::kLabelId, "C")
        .Click(IDOK);
    Dlg dlg;
    PartKey(dlg);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    for (const char* column : {"LeftX", "LeftY", "RightX", "RightY"})
        EXPECT_EQ(Row(column, "C"), "0.000000") << column;
    EXPECT_EQ(Row("Changer", "C"), "");
}

TEST_P(ChangeLableItemTest, EmptyAndExistingMarksAreRefusedAndTheDialogStaysOpen) {
    vq::ScriptedUser user;
    user.Dialog("图纸更改标记项")
        .Set(Dlg::kLabelId, "   ")
        .Click(IDOK)
        .Message("更改标记信息不能为空，请重新输入...", IDOK)
        .Set(Dlg::kLabelId, " A ") // "a" exists; marks compare without regard to case
        .Click(IDOK)
        .Message("该更改标记项已存在，请重新输入...", IDOK)
        .Do([](CDialog& d) { EXPECT_FALSE(d.HasEnded()); })
        .Click(IDCANCEL);
    Dlg dlg;
    PartKey(dlg);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Count(), "2");

    // The same mark in another revision is another label.
    vq::ScriptedUser again;
    again.Dialog("图纸更改标记项").Set(Dlg::kLabelId, "a").Click(IDOK);
    Dlg other;
    PartKey(other, "C");
    EXPECT_EQ(other.DoModal(), IDOK);
    EXPECT_TRUE(again.Succeeded()) << again.Error().c_str();
    EXPECT_EQ(Row("ChangeArea", "a", "C"), "");
    EXPECT_EQ(Count(), "3");
}

// Another user stores the same mark after this dialog has counted: the unique key refuses the
// second row and the user reads the same refusal as after the count.
class RacingItemDlg : public Dlg {
public:
    std::function<void()> otherUser;
    int CountLabels() override {
        const int found = Dlg::CountLabels();
        if (otherUser) {
            otherUser();
            otherUser = nullptr;
        }
        return found;
    }
};

TEST_P(ChangeLableItemTest, MarkStoredMeanwhileByAnotherUserIsRefusedByTheUniqueKey) {
    vq::ScriptedUser user;
    user.Dialog("图纸更改标记项")
        .Set(Dlg::kLabelId, "D")
        .Set(Dlg::kAreaId, "mine")
        .Click(IDOK)
        .Message("该更改标记项已存在，请重新输入...", IDOK)
        .Set(Dlg::kLabelId, "E")
        .Click(IDOK);
    RacingItemDlg dlg;
    PartKey(dlg);
    dlg.otherUser = [this] {
        ws.Execute(
            "INSERT INTO PartChangeLabel (PartCode, RevNo, ChangeLabel, ChangeArea) VALUES ('P1', 'B', "
            "'d', 'theirs')");
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Row("ChangeArea", "D"), "theirs");
    EXPECT_EQ(Row("count(*)", "D"), "1");
    EXPECT_EQ(Row("ChangeArea", "E"), "mine");
}

TEST_P(ChangeLableItemTest, ExistingLabelIsLoadedAndRenamedByItsOldMark) {
    CString content, area;
    vq::ScriptedUser user;
    user.Dialog("图纸更改标记项")
        .Do([&](CDialog& d) {
            content = Text(d, Dlg::kContentId);
            area = Text(d, Dlg::kAreaId);
        })
        .Set(Dlg::kLabelId, "A") // only the letter case: no uniqueness check, the row is renamed
        .Set(Dlg::kAreaId, "4D")
        .Click(IDOK);
    Dlg dlg;
    PartKey(dlg);
    dlg.m_bNewLabel = 0;
    dlg.m_strChangeLabel = "a";
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(area, "3C");
    EXPECT_EQ(content, "壁厚改为12\n倒角C2");
    EXPECT_EQ(dlg.m_strChanger, "李四");
    EXPECT_EQ(dlg.OldLabel(), "a");
    EXPECT_EQ(Count(), "2");
    EXPECT_EQ(ws.QueryText("SELECT ChangeLabel FROM PartChangeLabel WHERE ChangeArea='4D'"), "A");
    // The stored rectangle is written back unchanged.
    EXPECT_EQ(Row("LeftX", "A"), "10.000000");
    EXPECT_EQ(Row("RightY", "A"), "80.000000");
    EXPECT_EQ(Row("Changer", "A"), "李四");

    // Renaming to a mark another label has is refused.
    vq::ScriptedUser again;
    again.Dialog("图纸更改标记项")
        .Set(Dlg::kLabelId, "b")
        .Click(IDOK)
        .Message("该更改标记项已存在，请重新输入...", IDOK)
        .Click(IDCANCEL);
    Dlg second;
    PartKey(second);
    second.m_bNewLabel = 0;
    second.m_strChangeLabel = "A";
    EXPECT_EQ(second.DoModal(), IDCANCEL);
    EXPECT_TRUE(again.Succeeded()) << again.Error().c_str();
    EXPECT_EQ(Row("ChangeArea", "A"), "4D");
}

TEST_P(ChangeLableItemTest, KeepRectangleFlagStoresTheViewInsteadOfTheStoredRectangle) {
    vq::ScriptedUser user;
    user.Dialog("图纸更改标记项").Click(IDOK);
    Dlg dlg;
    PartKey(dlg);
    dlg.m_bNewLabel = 0;
    dlg.m_strChangeLabel = "a";
    dlg.m_bUseViewRect = 1;
    dlg.m_dLeftX = 1;
    dlg.m_dLeftY = 2;
    dlg.m_dRightX = 3.25;
    dlg.m_dRightY = 4;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_dStoredLeftX, 10.0);
    EXPECT_EQ(Row("LeftX", "a"), "1.000000");
    EXPECT_EQ(Row("RightX", "a"), "3.250000");

    // Texts that are not numbers read as 0, numbers by their leading part.
    vq::ScriptedUser again;
    again.Dialog("图纸更改标记项").Click(IDCANCEL);
    Dlg odd;
    PartKey(odd);
    odd.m_bNewLabel = 0;
    odd.m_strChangeLabel = "B";
    odd.DoModal();
    EXPECT_EQ(odd.m_dLeftX, 1.5);
    EXPECT_EQ(odd.m_dLeftY, 0.0);
    EXPECT_EQ(odd.m_dRightX, 0.0);
    EXPECT_EQ(odd.m_dRightY, 7.0);
}

TEST_P(ChangeLableItemTest, ReadOnlyShowsTheLabelAndAMissingRowDisablesOk) {
    vq::ScriptedUser user;
    user.Dialog("图纸更改标记项")
        .Do([](CDialog& d) {
            EXPECT_EQ(Text(d, Dlg::kFileSerialId), "GC-1");
            for (int id : {Dlg::kLabelId, Dlg::kAreaId, Dlg::kCountId, Dlg::kFileSerialId, Dlg::kDateId,
                           Dlg::kResionId, Dlg::kContentId, Dlg::kRemarkId})
                EXPECT_TRUE(ReadOnly(d, id)) << id;
            for (int id : {static_cast<int>(IDOK), Dlg::kLabelCharId, Dlg::kChangerPickId})
                EXPECT_FALSE(Enabled(d, id)) << id;
        })
        .Click(IDCANCEL);
    Dlg dlg;
    PartKey(dlg);
    dlg.m_bNewLabel = 0;
    dlg.m_bReadOnly = 1;
    dlg.m_strChangeLabel = "a";
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();

    // Deleted meanwhile: empty fields, OK disabled, no message.
    vq::ScriptedUser gone;
    gone.Dialog("图纸更改标记项")
        .Do([](CDialog& d) {
            EXPECT_EQ(Text(d, Dlg::kAreaId), "");
            EXPECT_FALSE(Enabled(d, IDOK));
        })
        .Click(IDCANCEL);
    Dlg missing;
    PartKey(missing);
    missing.m_bNewLabel = 0;
    missing.m_bReadOnly = 1;
    missing.m_strChangeLabel = "Z";
    missing.DoModal();
    EXPECT_TRUE(gone.Succeeded()) << gone.Error().c_str();
    EXPECT_TRUE(rec.Shown().empty());
}

TEST_P(ChangeLableItemTest, MissingPartOrRevisionDisablesOk) {
    vq::ScriptedUser user;
    user.Message("无对应的零部件图号或版本信息...", IDOK)
        .Dialog("图纸更改标记项")
        .Do([](CDialog& d) {
            EXPECT_FALSE(Enabled(d, IDOK));
            EXPECT_EQ(Text(d, Dlg::kChangerId), "");
        })
        .Click(IDCANCEL);
    Dlg dlg;
    dlg.m_strPartCode = "P1";
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(ChangeLableItemTest, PickersFillTheMarkAndTheChanger) {
    vq::ScriptedUser user;
    user.Dialog("图纸更改标记项")
        .Set(Dlg::kLabelId, "F")
        .Click(Dlg::kLabelCharId)
        .Dialog("特殊字符")
        .Click(IDCANCEL) // no choice: the mark stays
        .Dialog("图纸更改标记项")
        .Do([](CDialog& d) { EXPECT_EQ(Text(d, Dlg::kLabelId), "F"); })
        .Click(Dlg::kChangerPickId)
        .Dialog("用户浏览 - 选择用户")
        .Select(1060, "设计一室")
        .Select(1059, "lisi")
        .Click(IDOK)
        .Dialog("图纸更改标记项")
        .Click(IDOK);
    Dlg dlg;
    PartKey(dlg);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Row("Changer", "F"), "李四");
}

TEST_P(ChangeLableItemTest, FailedWriteIsReportedWithTheStatementAndKeepsTheInput) {
    ws.Execute("DROP TABLE PartChangeLabel");
    ws.Execute(
        "CREATE TABLE PartChangeLabel (PartCode VARCHAR(100), RevNo VARCHAR(20), ChangeLabel VARCHAR(100))");
    vq::ScriptedUser user;
    user.Dialog("图纸更改标记项")
        .Set(Dlg::kLabelId, "G")
        .Click(IDOK)
        .AnyMessage(IDOK)
        .MessageContaining("执行出错的SQL语句", IDOK)
        .Do([](CDialog& d) {
            EXPECT_FALSE(d.HasEnded());
            EXPECT_EQ(Text(d, Dlg::kLabelId), "G");
        })
        .Click(IDCANCEL);
    Dlg dlg;
    PartKey(dlg);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(ChangeLableItemTest, ChangeOrderDocumentLabelsAreKeyedByTheirDocument) {
    ws.Execute(
        "INSERT INTO ECOFileChangeLabel (ECOGroup, ECONo, DocType, ChangeLabel) VALUES ('更改单', 'G-1', "
        "'箱座图', '1')");
    vq::ScriptedUser user;
    user.Dialog("设计更改标记项")
        .Set(Dlg::kLabelId, "1")
        .Click(IDOK)
        .Message("该更改标记项已存在，请重新输入...", IDOK)
        .Set(Dlg::kLabelId, "2")
        .Click(IDOK);
    Dlg dlg(nullptr, ChangeLabelTable::ChangeOrderDocument);
    dlg.m_strECOGroup = "更改单";
    dlg.m_strECONo = "G-1";
    dlg.m_strDocType = "箱座图";
    dlg.m_dRightX = 420;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT RightX FROM ECOFileChangeLabel WHERE ECONo='G-1' AND ChangeLabel='2'"),
              "420.000000");

    // The same mark on another document of the order; a view-only dialog kept editable.
    vq::ScriptedUser other;
    other.Dialog("设计更改标记项")
        .Do([](CDialog& d) { EXPECT_TRUE(Enabled(d, IDOK)); })
        .Set(Dlg::kLabelId, "1")
        .Click(IDOK);
    Dlg second(nullptr, ChangeLabelTable::ChangeOrderDocument);
    second.m_strECOGroup = "更改单";
    second.m_strECONo = "G-1";
    second.m_strDocType = "箱盖图";
    second.m_bReadOnly = 1;
    second.m_bEditOverride = 1;
    EXPECT_EQ(second.DoModal(), IDOK);
    EXPECT_TRUE(other.Succeeded()) << other.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM ECOFileChangeLabel WHERE ChangeLabel='1'"), "2");

    vq::ScriptedUser incomplete;
    incomplete.Message("无对应的更改单属性信息...", IDOK).Dialog("设计更改标记项").Click(IDCANCEL);
    Dlg third(nullptr, ChangeLabelTable::ChangeOrderDocument);
    third.m_strECOGroup = "更改单";
    third.m_strECONo = "G-1";
    EXPECT_EQ(third.DoModal(), IDCANCEL);
    EXPECT_TRUE(incomplete.Succeeded()) << incomplete.Error().c_str();
}

INSTANTIATE_TEST_SUITE_P(Dialects, ChangeLableItemTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

} // namespace
