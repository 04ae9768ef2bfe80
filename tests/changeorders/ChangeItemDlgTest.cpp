// The change notice form in both dialects: who may edit (decided again at opening), the refusals
// of OK, temporary and formal stores (published at once without review, sent into review
// otherwise, asked where a failed review restarts), a failed store that keeps the stored notice
// and the form, and the related modification notices of a part.
#include "changeorders/ECOChangeItemDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/Time.h"
#include "platform/ui/Edit.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/View.h"
#include "platform/ui/qt/QtDialogView.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/MessageServer.h"
#include "tests/support/ProcessBarrier.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

extern "C" int ShowECOChanageItemData(CString number, CString login);

namespace {

using Form = CECOChangeItemDlg;

const char* const kCaption = "更改通知单 - 改底图";

const char* const kNotices =
    "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('lisi', '李四');"
    "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhaoliu', '赵六');"
    "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES "
    "('两级', '串联', '校对(40,1)|*|审核(40,2)');"
    "INSERT INTO ECOChangeManage (ECONo, ECOLevel, SaveUser, SaveDate, State, ProductStyle, ProductName, "
    "ProductCode, Department, Remark, AffectNo, AuditingType, AuditingModel, AuditorName) VALUES "
    "('C-01', '中等', '李四', '2026-11-12 10:00', '评审', 'JX', '减速机', 'JX-0', '工艺室', '吊耳', 'SC-1', "
    "'按组', '两级', 'zhaoliu|*|lisi');"
    "INSERT INTO ECOChangeManage (ECONo, ECOLevel, SaveUser, State, ProductCode) VALUES "
    "('C-02', '普通', 'Li Si', '临时', 'JX-0');"
    "INSERT INTO ECOChangeManage (ECONo, ECOLevel, SaveUser, State) VALUES ('C-03', '优先', '张三', '更改');"
    "INSERT INTO ECOChangeManage (ECONo, ECOLevel, SaveUser, State, AuditingModel, AuditorName) VALUES "
    "('C-04', '普通', '李四', '更改', '两级', 'zhaoliu|*|lisi');"
    "INSERT INTO ECOAuditManage (ECOGroup, ECONo, AuditName, Auditor, AuditResult, AuditState) VALUES "
    "('更改单', 'C-04', '校对', 'zhaoliu', '通过', '完成');"
    "INSERT INTO ECOAuditManage (ECOGroup, ECONo, AuditName, Auditor, AuditResult, AuditState) VALUES "
    "('更改单', 'C-04', '审核', 'lisi', '不通过', '完成');"
    "INSERT INTO ECOChangePart (ECONo, PartCode, PartName, ChangeLabel, ChangePlace, ChangeECO) VALUES "
    "('C-01', 'P-1', '箱盖', 'b', '1', 'M-1');"
    "INSERT INTO ECOChangePart (ECONo, PartCode, PartName) VALUES ('C-01', 'P-2', '箱座');"
    "INSERT INTO ECOChangePart (ECONo, PartCode, PartName, ChangeECO) VALUES ('C-02', 'P-1', '箱盖', "
    "'M-2; M-1');"
    "INSERT INTO ECOChangePart (ECONo, PartCode, PartName) VALUES ('C-04', 'P-1', '箱盖');"
    "INSERT INTO ECOModifyManage (ECONo, SaveUser, State) VALUES ('M-1', '李四', '正式');"
    "INSERT INTO ECOModifyManage (ECONo, SaveUser, State) VALUES ('M-3', '李四', '正式');"
    "INSERT INTO ECOModifyPart (ECONo, PartCode, PartName) VALUES ('M-1', 'P-1', '箱盖');"
    "INSERT INTO ECOModifyPart (ECONo, PartCode, PartName) VALUES ('M-3', 'P-1', '箱盖')";

class ChangeItemDlgTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strUserName = "李四";
        theApp.m_strLoginUser = "lisi";
        ws.Execute(kNotices);
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        EXPECT_EQ(rec.Pending(), 0) << "an expected message box was not shown";
    }
    void Configure(const char* type, const char* value) const {
        ws.Execute(CString("INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES "
                           "('更改单', '") +
                   type + "', '" + value + "')");
    }
    static CListCtrl& List(CDialog& d, int id) { return *dynamic_cast<CListCtrl*>(d.GetDlgItem(id)); }
    static CString Text(CDialog& d, int id) {
        CString text;
        d.GetDlgItem(id)->GetWindowText(text);
        return text;
    }
    static bool Enabled(CDialog& d, int id) { return d.GetDlgItem(id)->IsWindowEnabled() != 0; }
    CString Query(const CString& sql) const { return ws.QueryText(sql); }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
};

// The window of the form holding the keyboard focus: a control, or the control under an editor
// of a cell; nullptr when none. (A group frame holds the controls inside it.)
CWnd* FocusedControl(CDialog& d) {
    for (CWnd* control : d.GetChildren()) {
        if (control->GetControlKind() == vq::ControlKind::GroupBox)
            continue;
        if (vq::qtinput::HasFocus(*control))
            return control;
        for (CWnd* over : control->GetChildren())
            if (vq::qtinput::HasFocus(*over))
                return over;
    }
    return nullptr;
}

// Works the form with these keys only, from its part list, as many times as it takes to go round;
// the captions of the buttons the focus came to ("(nowhere)" when it left every control).
std::set<std::string> ButtonsReached(CDialog& d, const char* keys) {
    std::set<std::string> reached;
    vq::qtinput::ClickCell(*d.GetDlgItem(Form::kPartListId), 0, 0);
    for (int press = 0; press < 80; ++press) {
        CWnd* focused = FocusedControl(d);
        if (!focused) {
            reached.insert("(nowhere)");
            break;
        }
        if (focused->GetControlKind() == vq::ControlKind::PushButton)
            reached.insert(focused->GetWindowTextValue().str());
        vq::qtinput::PressKeys(*focused, keys);
    }
    return reached;
}

std::set<std::string> EnabledButtons(CDialog& d) {
    std::set<std::string> buttons;
    for (CWnd* control : d.GetChildren())
        if (control->GetControlKind() == vq::ControlKind::PushButton && control->IsWindowVisible() &&
            control->IsWindowEnabled())
            buttons.insert(control->GetWindowTextValue().str());
    return buttons;
}

} // namespace

// Worked from the keyboard alone, a notice shown read-only or being edited lets Tab and Shift+Tab
// go round from its part list to every enabled button (取消, 浏览文档, ...), through the list's
// cells while it is edited, and Ctrl+Tab leave the list at once.
TEST_P(ChangeItemDlgTest, TabShiftTabAndCtrlTabGoRoundFromThePartListToEveryEnabledButton) {
    vq::DialogView* previous = vq::SetDialogView(&vq::QtDialogView());
    theApp.m_strUserName = "LI SI"; // the preparer of C-02
    Configure("评审方式", "0");     // reviewed by group, as C-01 was stored
    Configure("评审流程", "两级");
    for (const char* number : {"C-01", "C-02"}) {
        SCOPED_TRACE(number);
        Form form;
        form.m_strECONo = number;
        form.m_bNewItem = 0;
        form.m_bReadOnly = 1;
        bool ran = false;
        vq::qtinput::WhenReady(
            [&form] { return ::IsWindow(&form) && !vq::qtinput::ShownRect(form).IsRectEmpty(); },
            [&] {
                ran = true;
                const std::set<std::string> buttons = EnabledButtons(form);
                EXPECT_TRUE(buttons.count("取消"));
                EXPECT_EQ(ButtonsReached(form, "Tab"), buttons);
                EXPECT_EQ(ButtonsReached(form, "Shift+Tab"), buttons);
                CWnd& parts = *form.GetDlgItem(Form::kPartListId);
                vq::qtinput::ClickCell(parts, 0, 0);
                vq::qtinput::PressKeys(parts, "Ctrl+Tab");
                CWnd* after = FocusedControl(form);
                EXPECT_TRUE(after && after != &parts && after->GetParent() != &parts);
                form.EndDialog(IDCANCEL);
            });
        form.DoModal();
        EXPECT_TRUE(ran);
    }
    vq::SetDialogView(previous);
}

TEST_P(ChangeItemDlgTest, EntryShowsANoticeInReviewReadOnlyAlsoToItsPreparer) {
    Configure("评审方式", "0"); // reviewed by group, as the notice was stored
    Configure("评审流程", "两级");
    theApp.m_pConnPDM = nullptr; // the entry opens its own connection
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Do([](CDialog& d) {
            EXPECT_EQ(Text(d, Form::kNumberId), "C-01");
            EXPECT_EQ(Text(d, Form::kStateId), "评审");
            EXPECT_EQ(Text(d, Form::kSaveUserId), "李四");
            EXPECT_EQ(Text(d, Form::kProductCodeId), "JX-0");
            EXPECT_EQ(Text(d, Form::kProductNameId), "减速机");
            EXPECT_EQ(Text(d, Form::kLevelId), "中等");
            EXPECT_EQ(Text(d, Form::kDepartmentId), "工艺室");
            EXPECT_EQ(Text(d, Form::kAffectNoId), "SC-1");
            auto& parts = List(d, Form::kPartListId);
            ASSERT_EQ(parts.GetItemCount(), 2);
            EXPECT_EQ(parts.GetItemText(0, 0), "P-1");
            EXPECT_EQ(parts.GetItemText(0, 2), "b");
            EXPECT_EQ(parts.GetItemText(0, 3), "1");
            EXPECT_EQ(parts.GetItemText(0, 4), "M-1");
            for (int id : {IDOK, Form::kNumberButtonId, Form::kPartAddId, Form::kPartDeleteId, Form::kLevelId,
                           Form::kDepartmentButtonId, Form::kDocAddId, Form::kDocDeleteId})
                EXPECT_FALSE(Enabled(d, id)) << id;
            for (int id : {IDCANCEL, Form::kRelatedOrdersId, Form::kDrawingInfoId, Form::kDocBrowseId})
                EXPECT_TRUE(Enabled(d, id)) << id;
            EXPECT_TRUE(dynamic_cast<CEdit*>(d.GetDlgItem(Form::kRemarkId))->IsReadOnly());
            // No review per notice configured: no review-flow button.
            EXPECT_FALSE(d.GetDlgItem(Form::kAuditFlowId)->IsWindowVisible());
        })
        .Click("取消");
    EXPECT_EQ(ShowECOChanageItemData("C-01", "lisi"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(ChangeItemDlgTest, ThePreparerEditsATemporaryNoticeThoughOpenedReadOnlyAndStoresIt) {
    theApp.m_strUserName = "LI SI"; // the stored preparer differs only in case
    Form form;
    form.m_strECONo = "C-02";
    form.m_bNewItem = 0;
    form.m_bReadOnly = 1;
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Do([](CDialog& d) {
            EXPECT_TRUE(Enabled(d, IDOK));
            EXPECT_TRUE(Enabled(d, Form::kPartAddId));
            EXPECT_FALSE(Enabled(d, Form::kNumberButtonId)); // an existing notice keeps its number
        })
        .Set(Form::kRemarkId, "O'Brien 改")
        .Select(Form::kLevelId, 2)
        .Click("确定")
        .Dialog("操作提示")
        .Click("临时");
    EXPECT_EQ(form.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(form.m_bReadOnly, 0);
    EXPECT_EQ(Query("SELECT Remark FROM ECOChangeManage WHERE ECONo='C-02'"), "O'Brien 改");
    EXPECT_EQ(Query("SELECT ECOLevel FROM ECOChangeManage WHERE ECONo='C-02'"), "优先");
    EXPECT_EQ(Query("SELECT State FROM ECOChangeManage WHERE ECONo='C-02'"), "临时");
    // The review mode the notice was stored without (shown as "无") was left alone: it stays so.
    EXPECT_EQ(Query("SELECT AuditingType FROM ECOChangeManage WHERE ECONo='C-02'"), "");
    EXPECT_EQ(Query("SELECT count(*) FROM ECOChangeManage WHERE ECONo='C-02'"), "1");
    EXPECT_EQ(Query("SELECT ChangeECO FROM ECOChangePart WHERE ECONo='C-02'"), "M-2; M-1");
}

TEST_P(ChangeItemDlgTest, AnotherUsersNoticeInChangeIsReadOnlyAndClosesWithoutAsking) {
    Form form;
    form.m_strECONo = "C-03";
    form.m_bNewItem = 0;
    vq::ScriptedUser user;
    user.Dialog(kCaption).Do([](CDialog& d) { EXPECT_FALSE(Enabled(d, IDOK)); }).Click("取消");
    EXPECT_EQ(form.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(form.m_bReadOnly, 1);
}

TEST_P(ChangeItemDlgTest, OkRefusesAMissingNumberATakenNumberAndAReviewWithoutAuditors) {
    Configure("评审方式", "1");
    Configure("评审流程", "两级");
    Form form;
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Do([](CDialog& d) {
            EXPECT_EQ(Text(d, Form::kStateId), "临时");
            EXPECT_EQ(Text(d, Form::kSaveUserId), "李四");
            EXPECT_TRUE(d.GetDlgItem(Form::kAuditFlowId)->IsWindowVisible());
        })
        .Click("确定")
        .Message("未申请更改单编号，不能存储...", IDOK)
        .Set(Form::kNumberId, "C-01")
        .Click("确定")
        .Message("该编号已存在...", IDOK)
        .Set(Form::kNumberId, "C-09")
        .Click("确定")
        .Message("评审流程或评审人员为空，请配置该更改单的评审流程...", IDOK)
        .Do([](CDialog& d) { EXPECT_FALSE(d.HasEnded()); })
        .Click("取消")
        .Message("编号已申请，是否存储更改单信息?", IDNO);
    EXPECT_EQ(form.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Query("SELECT count(*) FROM ECOChangeManage WHERE ECONo='C-09'"), "0");
}

TEST_P(ChangeItemDlgTest, AMissingTemplateStopsRegistration) {
    Configure("评审方式", "0");
    Configure("评审流程", "三级");
    Form form;
    vq::ScriptedUser user;
    user.Message("无评审流程模板：三级 的定制信息...", IDOK)
        .Message("评审配置不一致，不能进行更改单注册...", IDOK)
        .Dialog(kCaption)
        .Do([](CDialog& d) { EXPECT_FALSE(Enabled(d, IDOK)); })
        .Click("取消");
    EXPECT_EQ(form.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(ChangeItemDlgTest, AStoredReviewModeStandsWhenTheGroupSetsNone) {
    // Stored for review by group; the group has no review mode of its own: the notice keeps its
    // review and, without a template, cannot be stored as formal (published unreviewed).
    ws.Execute("UPDATE ECOChangeManage SET AuditingType='按组' WHERE ECONo='C-04'");
    Form form;
    form.m_strECONo = "C-04";
    form.m_bNewItem = 0;
    vq::ScriptedUser user;
    user.Message("更改单设定为有评审流程，但无设定的流程模板，不能进行...", IDOK)
        .Message("评审配置不一致，不能进行更改单注册...", IDOK)
        .Dialog(kCaption)
        .Do([](CDialog& d) { EXPECT_FALSE(Enabled(d, IDOK)); })
        .Click("取消")
        .Message("是否存储更改单信息?", IDNO);
    form.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(form.m_nReviewMode, 0);
    EXPECT_EQ(Query("SELECT State FROM ECOChangeManage WHERE ECONo='C-04'"), "更改");

    // A review mode set for the group replaces the stored one.
    Configure("评审方式", "2");
    Form configured;
    configured.m_strECONo = "C-04";
    configured.m_bNewItem = 0;
    vq::ScriptedUser second;
    second.Dialog(kCaption).Do([](CDialog& d) { EXPECT_TRUE(Enabled(d, IDOK)); }).Click("取消").Message("是否存储更改单信息?", IDNO);
    configured.DoModal();
    EXPECT_TRUE(second.Succeeded()) << second.Error().c_str();
    EXPECT_EQ(configured.m_nReviewMode, 2);
}

TEST_P(ChangeItemDlgTest, ANewNoticeIsStoredAndTheFormStaysForTheNext) {
    Form form;
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Set(Form::kNumberId, "C-10")
        .Set(Form::kAffectNoId, "SC-10")
        .Do([](CDialog& d) {
            auto& parts = List(d, Form::kPartListId);
            parts.InsertItem(0, "P-9");
            parts.SetItemText(0, 1, "油标");
            parts.SetItemText(0, 2, "c");
        })
        // Cancelling the storage type stores nothing and keeps the form.
        .Click("确定")
        .Dialog("操作提示")
        .Click("取消")
        .Dialog(kCaption)
        .Do([this](CDialog& d) {
            EXPECT_FALSE(d.HasEnded());
            EXPECT_EQ(Query("SELECT count(*) FROM ECOChangeManage WHERE ECONo='C-10'"), "0");
        })
        .Click("确定")
        .Dialog("操作提示")
        .Click("临时")
        .Message("是否继续注册更改单?", IDYES)
        .Message("是否清除当前更改单信息?", IDYES)
        .Dialog(kCaption)
        .Do([](CDialog& d) {
            EXPECT_EQ(Text(d, Form::kNumberId), "");
            EXPECT_EQ(Text(d, Form::kAffectNoId), "");
            EXPECT_EQ(List(d, Form::kPartListId).GetItemCount(), 0);
            EXPECT_EQ(Text(d, Form::kSaveUserId), "李四");
        })
        .Click("取消");
    EXPECT_EQ(form.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Query("SELECT AffectNo FROM ECOChangeManage WHERE ECONo='C-10'"), "SC-10");
    EXPECT_EQ(Query("SELECT State FROM ECOChangeManage WHERE ECONo='C-10'"), "临时");
    EXPECT_EQ(Query("SELECT PartName || '/' || ChangeLabel FROM ECOChangePart WHERE ECONo='C-10'"), "油标/c");
}

TEST_P(ChangeItemDlgTest, FormalWithoutReviewIsStoredFormalAndPublished) {
    Form form;
    form.m_strECONo = "C-02";
    form.m_bNewItem = 0;
    theApp.m_strUserName = "li si";
    vq::ScriptedUser user;
    user.Dialog(kCaption).Click("确定").Dialog("操作提示").Click("正式");
    EXPECT_EQ(form.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Query("SELECT State FROM ECOChangeManage WHERE ECONo='C-02'"), "正式");
    EXPECT_EQ(Query("SELECT count(*) FROM ECOAuditManage WHERE ECONo='C-02'"), "0");
    EXPECT_EQ(Query("SELECT count(*) FROM ECOPartRelease WHERE ECOGroup='更改单' AND ECONo='C-02' AND "
                    "PartCode='P-1'"),
              "1");
    EXPECT_EQ(Query("SELECT RelateType FROM ECOPartNotify WHERE ECONo='C-02' AND PartCode='P-1'"), "直接");
}

// The notice and its publication are stored together: when the publication fails the notice
// stays as it was and the form stays open; storing it again stores and publishes it once.
TEST_P(ChangeItemDlgTest, AFailedPublicationLeavesTheNoticeAsItWasAndStoringAgainPublishesOnce) {
    ws.Execute("ALTER TABLE ECOPartRelease RENAME TO Gone");
    Form form;
    form.m_strECONo = "C-02";
    form.m_bNewItem = 0;
    theApp.m_strUserName = "li si";
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Click("确定")
        .Dialog("操作提示")
        .Click("正式")
        .AnyMessage(IDOK) // the database error
        .MessageContaining("执行出错的SQL语句", IDOK)
        .Message("更改单：C-02 未能发布，没有保存任何发布记录。", IDOK)
        .Dialog(kCaption)
        .Do([this](CDialog& d) {
            EXPECT_FALSE(d.HasEnded());
            EXPECT_EQ(Query("SELECT State FROM ECOChangeManage WHERE ECONo='C-02'"), "临时");
            EXPECT_EQ(Query("SELECT count(*) FROM ECOPartNotify"), "0");
            ws.Execute("ALTER TABLE Gone RENAME TO ECOPartRelease");
        })
        .Click("确定")
        .Dialog("操作提示")
        .Click("正式");
    EXPECT_EQ(form.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Query("SELECT State FROM ECOChangeManage WHERE ECONo='C-02'"), "正式");
    EXPECT_EQ(Query("SELECT count(*) FROM ECOPartRelease WHERE ECONo='C-02'"), "1");
    EXPECT_EQ(Query("SELECT count(*) FROM ECOPartNotify WHERE ECONo='C-02' AND RelateType='直接'"), "1");
}

TEST_P(ChangeItemDlgTest, AFailedReviewRestartsWhereTheSubmitDialogSaysAndTellsAfterTheCommit) {
    vqtest::MessageServer server;
    ws.WriteSetting("消息配置", "服务器名称", server.ServerName());
    ws.WriteSetting("消息配置", "自动连接消息服务器", "1");
    Configure("评审方式", "1");
    Configure("评审流程", "两级");
    Form form;
    form.m_strECONo = "C-04";
    form.m_bNewItem = 0;
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Click("确定")
        .Dialog("操作提示")
        .Click("正式")
        .Dialog("更修单评审提交")
        .Click("确定"); // restart at the failed step (the first choice)
    EXPECT_EQ(form.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Query("SELECT State FROM ECOChangeManage WHERE ECONo='C-04'"), "评审");
    EXPECT_EQ(Query("SELECT AuditingType FROM ECOChangeManage WHERE ECONo='C-04'"), "按单");
    // Only the failed step is open again; the passed one stays.
    EXPECT_EQ(Query("SELECT AuditState || '/' || Auditor FROM ECOAuditManage WHERE ECONo='C-04' AND "
                    "AuditName='审核'"),
              "未完成/lisi");
    EXPECT_EQ(Query("SELECT AuditResult FROM ECOAuditManage WHERE ECONo='C-04' AND AuditName='校对'"),
              "通过");
    EXPECT_EQ(Query("SELECT Content FROM MessageManage WHERE Reseiver='lisi'"),
              "辛苦了， 需要您对更改单 C-04 进行 审核");
    ASSERT_TRUE(server.WaitForClosedSessions(1));
    ASSERT_EQ(server.Sessions()[0].notices.size(), 1u);
    EXPECT_EQ(server.Sessions()[0].notices[0].first, "lisi");
}

TEST_P(ChangeItemDlgTest, AFailedStoreKeepsTheStoredNoticeTheReviewRowsUnwrittenAndTheFormOpen) {
    vqtest::MessageServer server;
    ws.WriteSetting("消息配置", "服务器名称", server.ServerName());
    ws.WriteSetting("消息配置", "自动连接消息服务器", "1");
    Configure("评审方式", "1");
    Configure("评审流程", "两级");
    // A parts table that refuses the part P-7: the review rows are written, the part insert fails.
    ws.Execute(
        "DROP TABLE ECOChangePart;"
        "CREATE TABLE ECOChangePart (ECONo VARCHAR(100), PartCode VARCHAR(100) CHECK (PartCode <> 'P-7'), "
        "PartName VARCHAR(255), ChangeLabel VARCHAR(50), ChangePlace VARCHAR(50), ChangeECO VARCHAR(500));"
        "INSERT INTO ECOChangePart (ECONo, PartCode, PartName) VALUES ('C-04', 'P-1', '箱盖')");
    Form form;
    form.m_strECONo = "C-04";
    form.m_bNewItem = 0;
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Do([](CDialog& d) {
            auto& parts = List(d, Form::kPartListId);
            parts.InsertItem(1, "P-7");
        })
        .Click("确定")
        .Dialog("操作提示")
        .Click("正式")
        .Dialog("更修单评审提交")
        .Click("确定")
        .AnyMessage(IDOK) // the database error
        .MessageContaining("执行出错的SQL语句", IDOK)
        .Message("不能正常存储涉及的零部件信息...", IDOK)
        .Dialog(kCaption)
        .Do([](CDialog& d) {
            EXPECT_FALSE(d.HasEnded());
            EXPECT_EQ(Text(d, Form::kStateId), "更改");
        })
        .Click("取消")
        .Message("是否存储更改单信息?", IDNO);
    EXPECT_EQ(form.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Query("SELECT State FROM ECOChangeManage WHERE ECONo='C-04'"), "更改");
    EXPECT_EQ(Query("SELECT count(*) FROM ECOChangePart WHERE ECONo='C-04'"), "1");
    EXPECT_EQ(Query("SELECT AuditState FROM ECOAuditManage WHERE ECONo='C-04' AND AuditName='审核'"), "完成");
    EXPECT_EQ(Query("SELECT count(*) FROM MessageManage"), "0");
    EXPECT_EQ(server.Sessions().size(), 0u);
}

TEST_P(ChangeItemDlgTest, RelatedModificationNoticesAreAppendedOrReplaced) {
    theApp.m_strUserName = "li si";
    Form form;
    form.m_strECONo = "C-02";
    form.m_bNewItem = 0;
    auto pick = [](vq::ScriptedUser& user, std::vector<const char*> numbers) -> vq::ScriptedUser& {
        user.Click("涉及修改...").Dialog("选择修改单信息").Do([numbers](CDialog& d) {
            auto& list = List(d, 1006);
            for (int row = 0; row < list.GetItemCount(); ++row)
                for (const char* number : numbers)
                    if (list.GetItemText(row, 1) == number)
                        list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
        });
        return user.Click("确定");
    };
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Click("涉及修改...")
        .Message("请选择涉及的零部件...", IDOK)
        .Select(Form::kPartListId, 0);
    // M-1 is already listed (after "; "): kept text, nothing added.
    pick(user, {"M-1"}).Message("是否替代已有的涉及修改单信息?", IDNO).Dialog(kCaption).Do([](CDialog& d) {
        EXPECT_EQ(List(d, Form::kPartListId).GetItemText(0, 4), "M-2; M-1");
    });
    pick(user, {"M-1", "M-3"})
        .Message("是否替代已有的涉及修改单信息?", IDYES)
        .Dialog(kCaption)
        .Do([](CDialog& d) { EXPECT_EQ(List(d, Form::kPartListId).GetItemText(0, 4), "M-1; M-3"); });
    pick(user, {"M-3"})
        .Message("是否替代已有的涉及修改单信息?", IDCANCEL)
        .Dialog(kCaption)
        .Do([](CDialog& d) { EXPECT_EQ(List(d, Form::kPartListId).GetItemText(0, 4), "M-1; M-3"); });
    user.Click("取消").Message("是否存储更改单信息?", IDNO);
    EXPECT_EQ(form.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(ChangeItemDlgTest, PartsFoundBySearchAreAddedOnceWhateverTheirCaseAndDeletedAfterAsking) {
    ws.Execute("INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode) VALUES ('p-1', '箱盖', 'JX-0');"
               "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode) VALUES ('P-5', '油标', 'JX-0')");
    theApp.m_strUserName = "li si";
    Form form;
    form.m_strECONo = "C-02";
    form.m_bNewItem = 0;
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Check(Form::kSearchPartsId, 1)
        .Click(Form::kPartAddId)
        .Dialog("选择零部件")
        .Click(1244)
        .Do([](CDialog& d) {
            auto& found = List(d, 1051);
            ASSERT_EQ(found.GetItemCount(), 2);
            found.UserSelect(0);
            found.UserSelect(1, true);
        })
        .Click(IDOK)
        .Message("选定图纸 p-1[箱盖] 已存在...", IDOK)
        .Dialog(kCaption)
        .Do([](CDialog& d) {
            auto& parts = List(d, Form::kPartListId);
            ASSERT_EQ(parts.GetItemCount(), 2);
            EXPECT_EQ(parts.GetItemText(0, 0), "P-1");
            EXPECT_EQ(parts.GetItemText(1, 0), "P-5");
            EXPECT_EQ(parts.GetItemText(1, 1), "油标");
        })
        .Select(Form::kPartListId, 0)
        .Click(Form::kPartDeleteId)
        .Message("是否删除选中的零部件信息?", IDNO)
        .Click(Form::kPartDeleteId)
        .Message("是否删除选中的零部件信息?", IDYES)
        .Do([](CDialog& d) {
            auto& parts = List(d, Form::kPartListId);
            ASSERT_EQ(parts.GetItemCount(), 1);
            EXPECT_EQ(parts.GetItemText(0, 0), "P-5");
        })
        .Click("取消")
        .Message("是否存储更改单信息?", IDYES)
        .Dialog("操作提示")
        .Click("临时");
    EXPECT_EQ(form.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Query("SELECT PartCode FROM ECOChangePart WHERE ECONo='C-02'"), "P-5");
}

TEST_P(ChangeItemDlgTest, ANumberReservedForANewNoticeIsWithdrawnWhenItIsNotStored) {
    Configure("编号方式", "1");
    Configure("编号宽度", "3");
    ws.Execute(
        "INSERT INTO Product (ProductDwgCode, ProductName, ProductStyle) VALUES ('JX-0', '减速机', 'JX')");
    ws.WriteSetting("选择产品", "按产品大类", "0");
    const CString number = "JX-" + CTime::GetCurrentTime().Format("%Y") + "-001";
    Form form;
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Click(Form::kNumberButtonId)
        .DialogContaining("选择产品")
        .Select(1003, "JX-0")
        .Click(1236)
        .Dialog(kCaption)
        .Do([this, number](CDialog& d) {
            EXPECT_EQ(Text(d, Form::kNumberId), number);
            EXPECT_EQ(Text(d, Form::kProductStyleId), "JX");
            EXPECT_EQ(Query("SELECT count(*) FROM ECOSerialNo WHERE ECONo='" + number + "'"), "1");
        })
        .Click("取消")
        .Message("编号已申请，是否存储更改单信息?", IDCANCEL)
        .Do([](CDialog& d) { EXPECT_FALSE(d.HasEnded()); })
        .Click("取消")
        .Message("编号已申请，是否存储更改单信息?", IDNO);
    EXPECT_EQ(form.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Query("SELECT count(*) FROM ECOSerialNo WHERE ECOGroup='更改单'"), "0");
    EXPECT_EQ(Query("SELECT count(*) FROM ECOChangeManage WHERE ECONo='" + number + "'"), "0");
}

// Numbering mode 4 reserves the year-and-personal-code number as a new notice opens; without a
// number OK stays disabled, whichever way the request failed.
TEST_P(ChangeItemDlgTest, APersonalNumberIsReservedAtOpeningAndWithoutItOkIsDisabled) {
    Configure("编号方式", "4");
    Configure("编号宽度", "3");
    const CString number = CTime::GetCurrentTime().Format("%Y") + "ZS-001";
    const auto expectNoNumber = [](CDialog& d) {
        EXPECT_EQ(Text(d, Form::kNumberId), "");
        EXPECT_FALSE(Enabled(d, IDOK));
        EXPECT_FALSE(Enabled(d, Form::kNumberButtonId));
    };
    vq::ScriptedUser user;
    Form reserved;
    reserved.m_strPersonalCode = "ZS";
    user.Dialog(kCaption)
        .Do([number](CDialog& d) {
            EXPECT_EQ(Text(d, Form::kNumberId), number);
            EXPECT_TRUE(Enabled(d, IDOK));
        })
        .Click("取消")
        .Message("编号已申请，是否存储更改单信息?", IDNO);
    EXPECT_EQ(reserved.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();

    Form noCode;
    user.Message("个人代号不能为空...", IDOK).Dialog(kCaption).Do(expectNoNumber).Click("取消");
    EXPECT_EQ(noCode.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();

    ws.Execute("DROP TABLE ECOSerialNo");
    Form failed;
    failed.m_strPersonalCode = "ZS";
    user.AnyMessage(IDOK) // the database error
        .MessageContaining("不能正常进行申请", IDOK)
        .Message("申请编号未成功...", IDOK)
        .Dialog(kCaption)
        .Do(expectNoNumber)
        .Click("取消");
    EXPECT_EQ(failed.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

// Two or three windows of the preparer store one temporary notice as formal at the same moment
// (they meet at a barrier right before OK), 8 times over (each test run anew). As one after the other: the first
// stores and publishes it, every other finds it published, says so in one box and stores and
// sends nothing.
TEST_P(ChangeItemDlgTest, WindowsPublishingOneNoticeAtOnceLeaveOnePublication) {
    ws.Execute("INSERT INTO VqkorvelAll_title (TCode, TName, Manager) VALUES ('P-1', '箱盖', 'zhaoliu')");
    const CString published = "更改单：C-02 已发布，本次没有保存，也没有再次发布。";
    for (int run = 0; run < 8; ++run) {
        const int windows = 2 + run % 2;
        ws.Execute("UPDATE ECOChangeManage SET State='临时' WHERE ECONo='C-02'; DELETE FROM ECOPartRelease; "
                   "DELETE FROM ECOPartNotify; DELETE FROM MessageManage");
        const auto reports = vqtest::RunAtBarrier(windows, [this](int, const std::function<void()>& arrive) {
            theApp.m_pConnPDM = ws.Connect();
            theApp.m_strUserName = "li si";
            Form form;
            form.m_strECONo = "C-02";
            form.m_bNewItem = 0;
            vq::ScriptedUser user;
            std::string said;
            vq::SetMessageBoxPresenter([&said](const vq::MessageBoxRequest& request) {
                said += request.text.str() + "|";
                return IDOK;
            });
            user.Dialog(kCaption)
                .Do([&arrive](CDialog&) { arrive(); })
                .Click("确定")
                .Dialog("操作提示")
                .Click("正式");
            // The window that finds the notice published stays open with it: the script ends there.
            return std::string(form.DoModal() == IDOK ? "stored" : "open") + "|" + said;
        });
        int stored = 0;
        for (int window = 0; window < windows; ++window) {
            ASSERT_TRUE(reports[window]) << "run " << run << ", window " << window;
            if (*reports[window] == "stored|")
                ++stored;
            else
                EXPECT_EQ(*reports[window], ("open|" + published + "|").str()) << "run " << run;
        }
        EXPECT_EQ(stored, 1) << "run " << run;
        EXPECT_EQ(Query("SELECT State FROM ECOChangeManage WHERE ECONo='C-02'"), "正式");
        EXPECT_EQ(Query("SELECT count(*) FROM ECOPartRelease WHERE ECONo='C-02'"), "1") << "run " << run;
        EXPECT_EQ(Query("SELECT count(*) FROM ECOPartNotify WHERE ECONo='C-02'"), "1") << "run " << run;
        ASSERT_EQ(Query("SELECT count(*) FROM MessageManage WHERE Reseiver='zhaoliu'"), "1") << "run " << run;
    }
}

INSTANTIATE_TEST_SUITE_P(Dialects, ChangeItemDlgTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
