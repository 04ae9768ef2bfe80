// The modification notice in both dialects: shown read-only by its entry function, stored by its
// compiler (header and drawings replaced in one transaction, the form closing only after a
// successful store), and picked from the notices of a part with "*" filters.
#include "changeorders/ECOModifyItemDlg.h"
#include "changeorders/SelectModifyItemDlg.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/Time.h"
#include "platform/ui/Edit.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

extern "C" int ShowECOModifyItemData(CString number, CString login);

namespace {

using Form = CECOModifyItemDlg;
using Picker = CSelectModifyItemDlg;

const char* const kNotices =
    "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('lisi', '李四');"
    "INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('修改单', '评审方式', "
    "'2');"
    "INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('修改单', '编号方式', "
    "'0');"
    "INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('修改单', '编号宽度', "
    "'0');"
    "INSERT INTO ECOModifyManage (ECONo, ECOLevel, SaveUser, SaveDate, State, ValidDate, ValidType, "
    "Department, "
    "Resion, Remark, AuditingType, AuditingModel, AuditorName, Content, AffectNo) VALUES ('EC-01', '中等', "
    "'李四', "
    "'2026-11-21 11:00', '正式', '2026-12-01', '止', '工艺室', '加工困难', '备注一', '按单', '会签', "
    "'a|*|b', "
    "'倒角', 'SC-7');"
    "INSERT INTO ECOModifyManage (ECONo, ECOLevel, SaveUser, State) VALUES ('EC-02', '紧急', '张三', '临时');"
    "INSERT INTO ECOModifyManage (ECONo, ECOLevel, SaveUser, State) VALUES ('EC_3', '普通', '李四', '临时');"
    "INSERT INTO ECOModifyManage (ECONo, ECOLevel, SaveUser, State) VALUES ('XEC-4', '普通', '李四', '更改');"
    "INSERT INTO ECOModifyPart (ECONo, PartCode, PartName, Result, Other1, Other2, Other3) VALUES ('EC-01', "
    "'P-1', "
    "'箱座', '修改', 'a', '1', '尺寸');"
    "INSERT INTO ECOModifyPart (ECONo, PartCode, PartName) VALUES ('EC-01', 'P-2', '箱盖');"
    "INSERT INTO ECOModifyPart (ECONo, PartCode, PartName) VALUES ('EC-02', 'P-1', '箱座');"
    "INSERT INTO ECOModifyPart (ECONo, PartCode, PartName) VALUES ('XEC-4', 'P-1', '箱座');"
    "INSERT INTO ECOModifyPart (ECONo, PartCode, PartName) VALUES ('EC_3', 'PX1', '其他')";

class ModifyNoticeTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strUserName = "李四";
        ws.Execute(kNotices);
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        EXPECT_EQ(rec.Pending(), 0) << "an expected message box was not shown";
    }
    static CListCtrl& List(CDialog& d, int id) { return *dynamic_cast<CListCtrl*>(d.GetDlgItem(id)); }
    static std::vector<CString> Column(CDialog& d, int id, int column) {
        std::vector<CString> texts;
        for (int row = 0; row < List(d, id).GetItemCount(); ++row)
            texts.push_back(List(d, id).GetItemText(row, column));
        return texts;
    }
    static CString Text(CDialog& d, int id) {
        CString text;
        d.GetDlgItem(id)->GetWindowText(text);
        return text;
    }
    static bool Enabled(CDialog& d, int id) { return d.GetDlgItem(id)->IsWindowEnabled() != 0; }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
};

} // namespace

TEST_P(ModifyNoticeTest, EntryShowsTheStoredNoticeReadOnly) {
    theApp.m_pConnPDM = nullptr; // the entry opens its own connection
    vq::ScriptedUser user;
    user.Dialog("修改通知单 - 改蓝图")
        .Do([](CDialog& d) {
            EXPECT_EQ(Text(d, Form::kNumberId), "EC-01");
            EXPECT_EQ(Text(d, Form::kStateId), "正式");
            EXPECT_EQ(Text(d, Form::kRemarkId), "备注一");
            EXPECT_EQ(Text(d, Form::kAffectNoId), "SC-7");
            EXPECT_EQ(Text(d, Form::kDepartmentId), "工艺室");
            EXPECT_EQ(Text(d, Form::kLevelId), "中等");
            EXPECT_EQ(Text(d, Form::kValidTypeId), "止");
            EXPECT_EQ(Column(d, Form::kPartListId, 0), (std::vector<CString>{"P-1", "P-2"}));
            EXPECT_EQ(List(d, Form::kPartListId).GetItemText(0, 5), "尺寸");
            // Nothing can be changed; the viewing buttons stay.
            for (int id : {IDOK, Form::kNumberButtonId, Form::kPartAddId, Form::kPartDeleteId, Form::kLevelId,
                           Form::kValidDateId, Form::kDepartmentButtonId, Form::kDocAddId})
                EXPECT_FALSE(Enabled(d, id)) << id;
            for (int id : {IDCANCEL, Form::kImpactId, Form::kExpandId, Form::kDocBrowseId})
                EXPECT_TRUE(Enabled(d, id)) << id;
            EXPECT_TRUE(dynamic_cast<CEdit*>(d.GetDlgItem(Form::kRemarkId))->IsReadOnly());
            // Review mode 2: no review-flow button.
            EXPECT_FALSE(d.GetDlgItem(Form::kAuditFlowId)->IsWindowVisible());
        })
        .Click("取消");
    EXPECT_EQ(ShowECOModifyItemData("EC-01", "lisi"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(ModifyNoticeTest, EntryWithAnEmptyNumberShowsAnEmptyForm) {
    theApp.m_pConnPDM = nullptr;
    vq::ScriptedUser user;
    user.Dialog("修改通知单 - 改蓝图")
        .Do([](CDialog& d) {
            EXPECT_EQ(Text(d, Form::kNumberId), "");
            EXPECT_FALSE(Enabled(d, IDOK));
        })
        .Click("取消");
    EXPECT_EQ(ShowECOModifyItemData("", "lisi"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(ModifyNoticeTest, CompilerStoresANewNoticeWithItsDrawings) {
    Form form;
    vq::ScriptedUser user;
    user.Dialog("修改通知单 - 改蓝图")
        .Do([](CDialog& d) {
            EXPECT_EQ(Text(d, Form::kStateId), "临时");
            EXPECT_FALSE(dynamic_cast<CEdit*>(d.GetDlgItem(Form::kNumberId))->IsReadOnly());
            auto& parts = List(d, Form::kPartListId);
            parts.InsertItem(0, "P-9");
            parts.SetItemText(0, 1, "油标");
            parts.SetItemText(0, 2, "作废");
            parts.InsertItem(1, "P-10'A");
            parts.SetItemText(1, 1, "O'Ring 密封圈");
            EXPECT_FALSE(Enabled(d, Form::kContentId));
        })
        // Expanding shows the content and reason; the button keeps its caption.
        .Click(Form::kExpandId)
        .Do([](CDialog& d) {
            EXPECT_TRUE(Enabled(d, Form::kContentId));
            EXPECT_TRUE(d.GetDlgItem(Form::kResionId)->IsWindowVisible());
            EXPECT_EQ(Text(d, Form::kExpandId), "展开>>");
        })
        .Set(Form::kNumberId, "MN-9")
        .Set(Form::kRemarkId, "O'Brien 的备注")
        .Select(Form::kLevelId, 2)
        .Click("确定")
        .Message("是否继续注册修改单?", IDNO);
    EXPECT_EQ(form.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT Remark FROM ECOModifyManage WHERE ECONo='MN-9'"), "O'Brien 的备注");
    EXPECT_EQ(ws.QueryText("SELECT ECOLevel FROM ECOModifyManage WHERE ECONo='MN-9'"), "优先");
    EXPECT_EQ(ws.QueryText("SELECT State FROM ECOModifyManage WHERE ECONo='MN-9'"), "临时");
    EXPECT_EQ(ws.QueryText("SELECT ValidDate FROM ECOModifyManage WHERE ECONo='MN-9'").GetLength(), 10);
    EXPECT_EQ(ws.QueryText("SELECT Result FROM ECOModifyPart WHERE ECONo='MN-9' AND PartCode='P-9'"), "作废");
    // Quotes are stored as typed, and an empty cell as an empty text, not as no value.
    EXPECT_EQ(ws.QueryText("SELECT PartName FROM ECOModifyPart WHERE ECONo='MN-9' AND PartCode='P-10''A'"),
              "O'Ring 密封圈");
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM ECOModifyPart WHERE ECONo='MN-9' AND Result='' AND "
                           "Other1='' AND Other3=''"),
              "1");
    EXPECT_EQ(ReadSetting("更改界面配置", "展开界面", ""), "1");

    // Stored again from the existing notice: replaced, not doubled.
    Form again;
    again.m_strECONo = "MN-9";
    again.m_bNewItem = 0;
    user.Dialog("修改通知单 - 改蓝图")
        .Do([](CDialog& d) {
            EXPECT_TRUE(Enabled(d, IDOK));
            // The stored expanded state is not read back: the form opens collapsed.
            EXPECT_FALSE(Enabled(d, Form::kContentId));
            EXPECT_FALSE(d.GetDlgItem(Form::kResionId)->IsWindowVisible());
            EXPECT_EQ(Text(d, Form::kExpandId), "展开>>");
        })
        .Set(Form::kAffectNoId, "SC-9")
        .Click("取消")
        .Message("是否存储修改单信息?", IDYES);
    EXPECT_EQ(again.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM ECOModifyManage WHERE ECONo='MN-9'"), "1");
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM ECOModifyPart WHERE ECONo='MN-9'"), "2");
    EXPECT_EQ(ws.QueryText("SELECT AffectNo FROM ECOModifyManage WHERE ECONo='MN-9'"), "SC-9");
}

// The number button: a cancelled product pick changes nothing; a picked product's model gives
// the series of the reserved number.
TEST_P(ModifyNoticeTest, TheNumberButtonNumbersByTheModelOfThePickedProduct) {
    ws.Execute("UPDATE ECOConfigure SET ConfigureValue='1' WHERE ConfigureGroup='修改单' AND "
               "ConfigureType='编号方式';"
               "UPDATE ECOConfigure SET ConfigureValue='3' WHERE ConfigureGroup='修改单' AND "
               "ConfigureType='编号宽度';"
               "INSERT INTO Product (ProductDwgCode, ProductName, ProductStyle) VALUES ('JX-0', '减速机', 'JX')");
    ws.WriteSetting("选择产品", "按产品大类", "0");
    const CString number = "JX-" + CTime::GetCurrentTime().Format("%Y") + "-001";
    Form form;
    vq::ScriptedUser user;
    user.Dialog("修改通知单 - 改蓝图")
        .Click(Form::kNumberButtonId)
        .DialogContaining("选择产品")
        .Click(IDCANCEL)
        .Dialog("修改通知单 - 改蓝图")
        .Do([this](CDialog& d) {
            EXPECT_EQ(Text(d, Form::kNumberId), "");
            EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM ECOSerialNo"), "0");
        })
        .Click(Form::kNumberButtonId)
        .DialogContaining("选择产品")
        .Select(1003, "JX-0")
        .Click(1236)
        .Dialog("修改通知单 - 改蓝图")
        .Do([this, number](CDialog& d) {
            EXPECT_EQ(Text(d, Form::kNumberId), number);
            EXPECT_EQ(ws.QueryText("SELECT ECOGroup FROM ECOSerialNo WHERE ECONo='" + number + "'"), "修改单");
        })
        .Click("取消")
        .AnyMessage(IDNO);
    EXPECT_EQ(form.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(ModifyNoticeTest, AnotherUsersNoticeInChangeStateIsReadOnly) {
    theApp.m_strUserName = "张三";
    Form form;
    form.m_strECONo = "XEC-4";
    form.m_bNewItem = 0;
    vq::ScriptedUser user;
    user.Dialog("修改通知单 - 改蓝图").Do([](CDialog& d) { EXPECT_FALSE(Enabled(d, IDOK)); }).Click("取消");
    form.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(form.m_bReadOnly, 1);
}

TEST_P(ModifyNoticeTest, AStoredReviewModeStandsWhenTheGroupSetsNone) {
    ws.Execute("DELETE FROM ECOConfigure WHERE ConfigureType='评审方式'");
    Form form;
    form.m_strECONo = "EC-01"; // stored for review per notice
    form.m_bNewItem = 0;
    vq::ScriptedUser user;
    user.Message("修改单设定为有评审流程，但无设定的流程模板，不能进行...", IDOK)
        .Message("评审配置不一致，不能进行修改单注册...", IDOK)
        .Dialog("修改通知单 - 改蓝图")
        .Do([](CDialog& d) { EXPECT_TRUE(d.GetDlgItem(Form::kAuditFlowId)->IsWindowVisible()); })
        .Click("取消");
    form.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(form.m_nReviewMode, 1);
}

TEST_P(ModifyNoticeTest, FailedStoreRollsBackAndKeepsTheFormOpen) {
    // A drawings table without its last column: the header insert succeeds, the drawing insert
    // fails, and the transaction takes the header back.
    ws.Execute(
        "DROP TABLE ECOModifyPart;"
        "CREATE TABLE ECOModifyPart (ECONo VARCHAR(100), PartCode VARCHAR(100), PartName VARCHAR(255))");
    Form form;
    vq::ScriptedUser user;
    user.Dialog("修改通知单 - 改蓝图")
        .Do([](CDialog& d) { List(d, Form::kPartListId).InsertItem(0, "P-9"); })
        .Set(Form::kNumberId, "MN-10")
        .Click("确定")
        .AnyMessage(IDOK) // the database error
        .MessageContaining("执行出错的SQL语句", IDOK)
        .Do([](CDialog& d) { EXPECT_FALSE(d.HasEnded()); })
        .Click("取消")
        .Message("编号已申请，是否存储修改单信息?", IDNO);
    EXPECT_EQ(form.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT COUNT(*) FROM ECOModifyManage WHERE ECONo='MN-10'"), "0");
}

TEST_P(ModifyNoticeTest, PickerListsTheNoticesOfALockedPartAndReturnsTheSelection) {
    Picker picker;
    picker.m_strPartCode = "P-1";
    picker.m_bLockPart = 1;
    vq::ScriptedUser user;
    user.Dialog("选择修改单信息")
        .Do([](CDialog& d) {
            auto numbers = Column(d, Picker::kListId, 1);
            std::sort(numbers.begin(), numbers.end());
            EXPECT_EQ(numbers, (std::vector<CString>{"EC-01", "EC-02", "XEC-4"}));
            EXPECT_EQ(Column(d, Picker::kListId, 0), (std::vector<CString>{"1", "2", "3"}));
            EXPECT_FALSE(Enabled(d, Picker::kPartButtonId));
            EXPECT_TRUE(dynamic_cast<CEdit*>(d.GetDlgItem(Picker::kPartCodeId))->IsReadOnly());
        })
        // Sorted by number three times: ascending, descending, ascending, renumbered each time.
        .Column(Picker::kListId, 1)
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, Picker::kListId, 1), (std::vector<CString>{"EC-01", "EC-02", "XEC-4"}));
        })
        .Column(Picker::kListId, 1)
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, Picker::kListId, 1), (std::vector<CString>{"XEC-4", "EC-02", "EC-01"}));
            EXPECT_EQ(Column(d, Picker::kListId, 0), (std::vector<CString>{"1", "2", "3"}));
            EXPECT_EQ(List(d, Picker::kListId).GetItemText(1, 2), "紧急");
        })
        .Column(Picker::kListId, 1)
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, Picker::kListId, 1), (std::vector<CString>{"EC-01", "EC-02", "XEC-4"}));
            List(d, Picker::kListId).SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
            List(d, Picker::kListId).SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
        })
        .Click("确定");
    EXPECT_EQ(picker.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    ASSERT_EQ(picker.m_arrSelectedNo.GetSize(), 2);
    EXPECT_EQ(picker.m_arrSelectedNo[0], "EC-01");
    EXPECT_EQ(picker.m_arrSelectedNo[1], "XEC-4");
    EXPECT_EQ(picker.m_strSelectedNo, "EC-01");
}

TEST_P(ModifyNoticeTest, PickerNumberAndAuthorTakeTheStarAsWildcardThePartCodeALikePattern) {
    Picker picker;
    vq::ScriptedUser user;
    user.Dialog("选择修改单信息")
        .Do([](CDialog& d) { EXPECT_EQ(List(d, Picker::kListId).GetItemCount(), 0); })
        .Set(Picker::kOrderNoId, "EC*")
        .Click("查询...")
        .Do([](CDialog& d) {
            auto numbers = Column(d, Picker::kListId, 1);
            std::sort(numbers.begin(), numbers.end());
            EXPECT_EQ(numbers, (std::vector<CString>{"EC-01", "EC-02", "EC_3"}));
        })
        // "_" is no wildcard: EC_3 only, not EC-0...
        .Set(Picker::kOrderNoId, "EC_*")
        .Click("查询...")
        .Do([](CDialog& d) { EXPECT_EQ(Column(d, Picker::kListId, 1), (std::vector<CString>{"EC_3"})); })
        // Without "*" only the equal value; with the author filter too.
        .Set(Picker::kOrderNoId, "EC-0")
        .Click("查询...")
        .Do([](CDialog& d) {
            EXPECT_EQ(List(d, Picker::kListId).GetItemCount(), 0);
            EXPECT_FALSE(Enabled(d, IDOK));
        })
        .Set(Picker::kOrderNoId, "*EC*")
        .Set(Picker::kSaveUserId, "李*")
        .Set(Picker::kPartCodeId, "P-1")
        .Click("查询...")
        .Do([](CDialog& d) {
            auto numbers = Column(d, Picker::kListId, 1);
            std::sort(numbers.begin(), numbers.end());
            EXPECT_EQ(numbers, (std::vector<CString>{"EC-01", "XEC-4"}));
            EXPECT_TRUE(Enabled(d, IDOK));
        })
        // The part code is a LIKE pattern as typed: "_" and "%" match there, "*" does not.
        .Set(Picker::kPartCodeId, "P_1")
        .Click("查询...")
        .Do([](CDialog& d) {
            auto numbers = Column(d, Picker::kListId, 1);
            std::sort(numbers.begin(), numbers.end());
            EXPECT_EQ(numbers, (std::vector<CString>{"EC-01", "EC_3", "XEC-4"}));
        })
        .Set(Picker::kPartCodeId, "%2")
        .Click("查询...")
        .Do([](CDialog& d) { EXPECT_EQ(Column(d, Picker::kListId, 1), (std::vector<CString>{"EC-01"})); })
        .Set(Picker::kPartCodeId, "P*")
        .Click("查询...")
        .Do([](CDialog& d) { EXPECT_EQ(List(d, Picker::kListId).GetItemCount(), 0); })
        .Set(Picker::kPartCodeId, "P'%")
        .Click("查询...")
        .Do([](CDialog& d) { EXPECT_EQ(List(d, Picker::kListId).GetItemCount(), 0); })
        .Set(Picker::kPartCodeId, "P-1")
        .Click("查询...")
        .Click("确定")
        .Message("未选中任何内容...", IDOK)
        .Click("取消");
    EXPECT_EQ(picker.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(ModifyNoticeTest, PickerOpensTheSelectedNoticeReadOnly) {
    Picker picker;
    picker.m_strPartCode = "PX1";
    picker.m_bLockPart = 1;
    vq::ScriptedUser user;
    user.Dialog("选择修改单信息")
        .Click("单据属性...")
        .Message("未选中任何内容...", IDOK)
        .Select(Picker::kListId, 0)
        .Click("单据属性...")
        .Dialog("修改通知单 - 改蓝图")
        .Do([](CDialog& d) {
            EXPECT_EQ(Text(d, Form::kNumberId), "EC_3");
            EXPECT_FALSE(Enabled(d, IDOK));
        })
        .Click("取消")
        .Dialog("选择修改单信息")
        .Click("取消");
    picker.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST(RelatedNumbersTest, NumbersAreComparedAsWholeEntries) {
    CStringArray chosen;
    for (const char* number : {"EC-1", "xec-1", "EC-10", "EC-1"})
        chosen.Add(number);
    // "EC-1" is neither part of "XEC-1" nor of "EC-10"; an entry without separator counts too.
    EXPECT_EQ(AppendRelatedNumbers("XEC-1", chosen), "XEC-1; EC-1; EC-10");
    EXPECT_EQ(AppendRelatedNumbers("EC-10; XEC-1", chosen), "EC-10; XEC-1; EC-1");
    EXPECT_EQ(AppendRelatedNumbers("", chosen), "EC-1; xec-1; EC-10");
    EXPECT_EQ(AppendRelatedNumbers("ec-1", chosen), "ec-1; xec-1; EC-10");
}

INSTANTIATE_TEST_SUITE_P(Dialects, ModifyNoticeTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
