// The notifications a person's input raises, in the order the dialogs rely on, and the parent's
// right to refuse a change (tabs, spin buttons).
#include "platform/ui/ComboBox.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/DateTimeCtrl.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/SpinButtonCtrl.h"
#include "platform/ui/Static.h"
#include "platform/ui/TabCtrl.h"

#include <gtest/gtest.h>

namespace {

constexpr int kCombo = 9001;
constexpr int kList = 9002;
constexpr int kTabs = 9003;
constexpr int kNumber = 9004;
constexpr int kSpin = 9005;
constexpr int kLink = 9006;
constexpr int kDate = 9007;
constexpr int kMulti = 9008;

const vq::DialogTemplate kTemplate{
    "通知",
    {vq::DropDownList(kCombo), vq::ListBox(kList), vq::TabControl(kTabs), vq::EditBox(kNumber),
     vq::Spin(kSpin, vq::kBeside, UDS_SETBUDDYINT | UDS_AUTOBUDDY | UDS_WRAP),
     vq::Label("详细", 0, SS_NOTIFY, kLink),
     vq::DateTimePicker(kDate, vq::kNoLayoutFlags, DTS_SHORTDATEFORMAT | DTS_SHOWNONE),
     vq::ListBox(kMulti, vq::kNoLayoutFlags, LBS_NOTIFY | LBS_EXTENDEDSEL)}};

class CRecorder : public CDialog {
public:
    CRecorder() : CDialog(kTemplate, nullptr) {}
    std::vector<CString> m_events;
    bool m_refuseTab = false;
    bool m_refuseSpin = false;
    CString m_exact;
    CString m_listText;

protected:
    void Add(const char* what, int value = -100) {
        CString text = what;
        if (value != -100)
            text.AppendFormat(" %d", value);
        m_events.push_back(text);
    }
    CComboBox& Combo() { return *static_cast<CComboBox*>(GetDlgItem(kCombo)); }
    void OnDropDown() { Add("dropdown", Combo().GetCurSel()); }
    void OnSelChange() { Add("selchange", Combo().GetCurSel()); }
    void OnCloseUp() { Add("closeup", Combo().GetCurSel()); }
    void OnListSel() { Add("list", static_cast<CListBox*>(GetDlgItem(kList))->GetCurSel()); }
    void OnListDbl() { Add("listdbl"); }
    void OnTabChanging(NMHDR*, LRESULT* result) {
        Add("tabchanging", static_cast<CTabCtrl*>(GetDlgItem(kTabs))->GetCurSel());
        *result = m_refuseTab;
    }
    void OnTabChange(NMHDR*, LRESULT*) {
        Add("tabchange", static_cast<CTabCtrl*>(GetDlgItem(kTabs))->GetCurSel());
    }
    void OnSpin(NMHDR* header, LRESULT* result) {
        auto* nm = reinterpret_cast<NMUPDOWN*>(header);
        Add("spin", nm->iPos + nm->iDelta);
        *result = m_refuseSpin;
    }
    void OnLink() { Add("link"); }
    void OnDate(NMHDR* header, LRESULT*) {
        Add("date", reinterpret_cast<NMDATETIMECHANGE*>(header)->dwFlags == GDT_NONE ? 0 : 1);
    }
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_CBStringExact(pDX, kCombo, m_exact);
        DDX_LBString(pDX, kList, m_listText);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRecorder, CDialog)
ON_CBN_DROPDOWN(kCombo, &CRecorder::OnDropDown)
ON_CBN_SELCHANGE(kCombo, &CRecorder::OnSelChange)
ON_CBN_CLOSEUP(kCombo, &CRecorder::OnCloseUp)
ON_LBN_SELCHANGE(kList, &CRecorder::OnListSel)
ON_LBN_DBLCLK(kList, &CRecorder::OnListDbl)
ON_NOTIFY(TCN_SELCHANGING, kTabs, &CRecorder::OnTabChanging)
ON_NOTIFY(TCN_SELCHANGE, kTabs, &CRecorder::OnTabChange)
ON_NOTIFY(UDN_DELTAPOS, kSpin, &CRecorder::OnSpin)
ON_STN_CLICKED(kLink, &CRecorder::OnLink)
ON_NOTIFY(DTN_DATETIMECHANGE, kDate, &CRecorder::OnDate)
END_MESSAGE_MAP()

class UiNotificationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dlg.Create(kTemplate));
        combo = static_cast<CComboBox*>(dlg.GetDlgItem(kCombo));
        for (const char* text : {"图纸", "文档", "模型"})
            combo->AddString(text);
        list = static_cast<CListBox*>(dlg.GetDlgItem(kList));
        for (const char* text : {"甲", "乙", "丙"})
            list->AddString(text);
    }
    void TearDown() override { dlg.DestroyWindow(); }
    vq::ScriptedUser user; // the view while the windows live: no widgets, no layout
    CRecorder dlg;
    CComboBox* combo = nullptr;
    CListBox* list = nullptr;
};

TEST_F(UiNotificationTest, ComboPickSelectsBeforeTheListCloses) {
    combo->SetCurSel(0);
    ASSERT_TRUE(combo->UserSelect(2));
    EXPECT_EQ(dlg.m_events, (std::vector<CString>{"dropdown 0", "selchange 2", "closeup 2"}));
    dlg.m_events.clear();
    combo->UserSelect(2);
    EXPECT_EQ(dlg.m_events, (std::vector<CString>{"dropdown 2", "closeup 2"}))
        << "the same entry changes nothing";
    EXPECT_FALSE(combo->UserSelect(3));
    EXPECT_FALSE(combo->UserSetText("x")) << "a drop-down list has no field";
    EXPECT_EQ(combo->GetWindowTextValue(), "模型");
}

TEST_F(UiNotificationTest, ListBoxClicksAndDoubleClicks) {
    list->UserDoubleClick(1);
    EXPECT_EQ(dlg.m_events, (std::vector<CString>{"list 1", "listdbl"}));
    auto* multi = static_cast<CListBox*>(dlg.GetDlgItem(kMulti));
    for (const char* text : {"一", "二", "三", "四"})
        multi->AddString(text);
    multi->UserSelect(0);
    multi->UserSelect(2, true);
    multi->UserSelect(3, true);
    int selected[4] = {};
    ASSERT_EQ(multi->GetSelItems(4, selected), 3);
    EXPECT_EQ(selected[1], 2);
    multi->UserSelect(1); // a plain click keeps only that one
    EXPECT_EQ(multi->GetSelCount(), 1);
    EXPECT_EQ(multi->GetSel(1), 1);
    EXPECT_EQ(multi->SetCurSel(0), LB_ERR) << "not for a multiple-selection box";
}

TEST_F(UiNotificationTest, TabChangeCanBeRefused) {
    auto* tabs = static_cast<CTabCtrl*>(dlg.GetDlgItem(kTabs));
    tabs->InsertItem(0, "基本");
    tabs->InsertItem(1, "附件");
    EXPECT_EQ(tabs->GetCurSel(), 0) << "the first tab is chosen once there is one";
    tabs->UserSelect(1);
    dlg.m_refuseTab = true;
    tabs->UserSelect(0);
    EXPECT_EQ(tabs->GetCurSel(), 1);
    EXPECT_EQ(dlg.m_events, (std::vector<CString>{"tabchanging 0", "tabchange 1", "tabchanging 1"}));
    tabs->DeleteItem(1);
    EXPECT_EQ(tabs->GetCurSel(), -1) << "the chosen tab went";
}

TEST_F(UiNotificationTest, SpinWrapsAndCanBeRefused) {
    auto* spin = static_cast<CSpinButtonCtrl*>(dlg.GetDlgItem(kSpin));
    spin->SetRange(1, 3);
    spin->SetPos(3);
    spin->UserDelta(1);
    EXPECT_EQ(dlg.GetDlgItem(kNumber)->GetWindowTextValue(), "1") << "past the top it wraps";
    dlg.m_refuseSpin = true;
    spin->UserDelta(1);
    EXPECT_EQ(spin->GetPos(), 1);
    EXPECT_EQ(dlg.m_events, (std::vector<CString>{"spin 4", "spin 2"}));
    spin->SetRange(10, 0); // reversed: up counts down
    spin->SetPos(5);
    dlg.m_refuseSpin = false;
    spin->UserDelta(1);
    EXPECT_EQ(spin->GetPos(), 4);
}

TEST_F(UiNotificationTest, LabelsWithNotifyAndDatesWithoutValue) {
    static_cast<CStatic*>(dlg.GetDlgItem(kLink))->Click();
    auto* picker = static_cast<CDateTimeCtrl*>(dlg.GetDlgItem(kDate));
    picker->UserSetTime(nullptr);
    SYSTEMTIME read;
    EXPECT_EQ(picker->GetTime(&read), GDT_NONE);
    EXPECT_EQ(picker->GetWindowTextValue(), "");
    EXPECT_EQ(dlg.m_events, (std::vector<CString>{"link", "date 0"}));
}

TEST_F(UiNotificationTest, StringExchangeWithCombosAndLists) {
    dlg.m_exact = "文档";
    dlg.m_listText = "乙";
    dlg.UpdateData(FALSE);
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_EQ(list->GetCurSel(), 1);
    dlg.m_listText = "丁";
    dlg.UpdateData(FALSE);
    EXPECT_EQ(list->GetCurSel(), LB_ERR) << "no entry begins with it";
    combo->UserSelect(2);
    ASSERT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(dlg.m_exact, "模型");
    EXPECT_EQ(dlg.m_listText, "");
}

} // namespace
