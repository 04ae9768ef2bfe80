// Data exchange and the smaller controls: edit limits that never split a character, combo and
// list boxes, spin buttons with their buddy, date pickers, tabs, rich text through RTF.
#include "platform/ui/Button.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/DateTimeCtrl.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Edit.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/ProgressCtrl.h"
#include "platform/ui/RichEditCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/SpinButtonCtrl.h"
#include "platform/ui/TabCtrl.h"

#include <gtest/gtest.h>

namespace {

constexpr int kText = 4001;
constexpr int kRows = 4002;
constexpr int kSpin = 4003;
constexpr int kDate = 4004;
constexpr int kCombo = 4005;
constexpr int kList = 4006;
constexpr int kTabs = 4007;
constexpr int kRich = 4008;
constexpr int kFirstRadio = 4010;
constexpr int kProgress = 4013;

const vq::DialogTemplate kControlsTemplate{
    "控件",
    {vq::Label("名称:"), vq::EditBox(kText), vq::Label("网格行数:"), vq::EditBox(kRows), vq::Spin(kSpin),
     vq::DateTimePicker(kDate), vq::ComboBox(kCombo),
     vq::ListBox(kList, vq::kNoLayoutFlags, LBS_NOTIFY | LBS_SORT), vq::TabControl(kTabs),
     vq::RichEdit(kRich), vq::RadioButton(kFirstRadio, "一", true),
     vq::RadioButton(kFirstRadio + 1, "二", false), vq::RadioButton(kFirstRadio + 2, "三", false),
     vq::ProgressBar(kProgress), vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")}};

struct Date {
    int y = 2000, m = 1, d = 1, h = 0, mi = 0, s = 0;
    Date() = default;
    Date(int y_, int m_, int d_, int h_, int mi_, int s_) : y(y_), m(m_), d(d_), h(h_), mi(mi_), s(s_) {}
    int GetYear() const { return y; }
    int GetMonth() const { return m; }
    int GetDay() const { return d; }
    int GetHour() const { return h; }
    int GetMinute() const { return mi; }
    int GetSecond() const { return s; }
};

class CControlsDlg : public CDialog {
public:
    CControlsDlg() : CDialog(kControlsTemplate, nullptr) {}
    CString m_text;
    int m_rows = 5;
    int m_radio = -1;
    Date m_date{2024, 2, 29, 0, 0, 0};
    CString m_combo;
    std::vector<int> m_deltas;
    std::vector<CString> m_dates;
    std::vector<int> m_tabs;
    CSpinButtonCtrl m_spin;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, kSpin, m_spin);
        DDX_Text(pDX, kText, m_text);
        DDV_MaxChars(pDX, m_text, 7);
        DDX_Text(pDX, kRows, m_rows);
        DDV_MinMaxInt(pDX, m_rows, 1, 25);
        DDX_Radio(pDX, kFirstRadio, m_radio);
        DDX_DateTimeCtrl(pDX, kDate, m_date);
        DDX_CBString(pDX, kCombo, m_combo);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_spin.SetRange(1, 25);
        static_cast<CDateTimeCtrl*>(GetDlgItem(kDate))->SetFormat("yyyy-MM-dd");
        auto* tabs = static_cast<CTabCtrl*>(GetDlgItem(kTabs));
        tabs->InsertItem(0, "基本");
        tabs->InsertItem(1, "附件");
        auto* combo = static_cast<CComboBox*>(GetDlgItem(kCombo));
        combo->AddString("甲");
        combo->AddString("乙");
        return TRUE;
    }
    void OnDelta(NMHDR* header, LRESULT* result) {
        m_deltas.push_back(reinterpret_cast<NMUPDOWN*>(header)->iDelta);
        *result = 0;
    }
    void OnDate(NMHDR* header, LRESULT*) {
        auto* nm = reinterpret_cast<NMDATETIMECHANGE*>(header);
        m_dates.push_back(vq::FormatPickerTime(nm->st, "yyyy-MM-dd"));
    }
    void OnTab(NMHDR*, LRESULT*) { m_tabs.push_back(static_cast<CTabCtrl*>(GetDlgItem(kTabs))->GetCurSel()); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CControlsDlg, CDialog)
ON_NOTIFY(UDN_DELTAPOS, kSpin, &CControlsDlg::OnDelta)
ON_NOTIFY(DTN_DATETIMECHANGE, kDate, &CControlsDlg::OnDate)
ON_NOTIFY(TCN_SELCHANGE, kTabs, &CControlsDlg::OnTab)
END_MESSAGE_MAP()

TEST(UiControlsTest, DataExchangeRoundTrip) {
    vq::ScriptedUser user;
    CString shownDate;
    int shownRadio = -2;
    user.Do([&](CDialog& d) {
            shownDate = d.GetDlgItem(kDate)->GetWindowTextValue();
            shownRadio = static_cast<CButton*>(d.GetDlgItem(kFirstRadio))->GetCheck();
        })
        .Set("名称:", "图纸")
        .Check(kFirstRadio + 2, 1)
        .Set(kDate, "2025-03-01")
        .Set(kCombo, "丙")
        .Click(IDOK);
    CControlsDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(shownDate, "2024-02-29");
    EXPECT_EQ(shownRadio, BST_UNCHECKED) << "radio index -1 checks none";
    EXPECT_EQ(dlg.m_text, "图纸");
    EXPECT_EQ(dlg.m_radio, 2);
    EXPECT_EQ(dlg.m_date.y, 2025);
    EXPECT_EQ(dlg.m_date.m, 3);
    EXPECT_EQ(dlg.m_date.d, 1);
    EXPECT_EQ(dlg.m_dates, (std::vector<CString>{"2025-03-01"}));
    EXPECT_EQ(dlg.m_combo, "丙") << "an editable combo keeps typed text";
}

TEST(UiControlsTest, IntegerAndLengthValidation) {
    vq::ScriptedUser user;
    user.Set(kRows, "abc")
        .Click(IDOK)
        .Message("请输入一个整数。", IDOK)
        .Set(kRows, "0")
        .Click(IDOK)
        .Message("请输入一个介于 1 和 25 之间的整数。", IDOK)
        .Set(kRows, "99999999999")
        .Click(IDOK)
        .Message("请输入一个整数。", IDOK)
        .Set(kRows, "8")
        // The length check also limits typing: the person cannot type past it...
        .Set(kText, "零一二三")
        .Do([](CDialog& d) { EXPECT_EQ(d.GetDlgItem(kText)->GetWindowTextValue(), "零一二"); })
        // ...but text the code put there is still checked.
        .Do([](CDialog& d) { d.GetDlgItem(kText)->SetWindowText("零一二三"); })
        .Click(IDOK)
        .Message("此项最多只能输入 7 个字符。", IDOK)
        .Set(kText, "零一")
        .Click(IDOK);
    CControlsDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_rows, 8);
    EXPECT_EQ(dlg.m_text, "零一");
}

TEST(UiControlsTest, SpinStepsItsBuddyWithinTheRange) {
    vq::ScriptedUser user;
    CString after;
    user.Set(kRows, "24").Do([&after](CDialog& d) {
        auto* spin = static_cast<CSpinButtonCtrl*>(d.GetDlgItem(kSpin));
        EXPECT_EQ(spin->GetBuddy(), d.GetDlgItem(kRows)) << "the control before it is its buddy";
        EXPECT_EQ(spin->GetPos(), 24) << "the position follows the buddy's text";
        spin->UserDelta(1);
        spin->UserDelta(1); // stops at the top
        after = d.GetDlgItem(kRows)->GetWindowTextValue();
        d.GetDlgItem(kRows)->SetWindowText("x");
        EXPECT_EQ(spin->GetPos(), 25) << "a buddy without a number leaves the position";
    });
    user.Click(IDCANCEL);
    CControlsDlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(after, "25");
    EXPECT_EQ(dlg.m_deltas, (std::vector<int>{1, 1}));
}

TEST(UiControlsTest, EditLimitNeverSplitsACharacter) {
    CControlsDlg dlg;
    vq::ScriptedUser user;
    ASSERT_TRUE(dlg.Create(kControlsTemplate));
    auto* edit = static_cast<CEdit*>(dlg.GetDlgItem(kText));
    // The limit counts code page 936 bytes: two for each of these characters, one for "A".
    edit->SetLimitText(5);
    ASSERT_TRUE(edit->UserSetText("图纸A"));
    EXPECT_EQ(edit->GetWindowTextValue(), "图纸A");
    edit->SetLimitText(3);
    ASSERT_TRUE(edit->UserSetText("图纸"));
    EXPECT_EQ(edit->GetWindowTextValue(), "图") << "the second character does not fit whole";
    edit->SetReadOnly(TRUE);
    EXPECT_FALSE(edit->UserSetText("x"));
    edit->SetReadOnly(FALSE);
    edit->SetWindowText("ab图cd");
    edit->SetSel(3, 4); // inside "图": moves back to its start
    int start = 0, end = 0;
    edit->GetSel(start, end);
    EXPECT_EQ(start, 2);
    edit->SetSel(0, -1);
    edit->ReplaceSel("新");
    EXPECT_EQ(edit->GetWindowTextValue(), "新");
    char buffer[4];
    EXPECT_EQ(edit->GetWindowText(buffer, 3), 0) << "a 3-byte character does not fit in 2 bytes";
    dlg.DestroyWindow();
}

TEST(UiControlsTest, ListAndComboBoxesKeepOrderAndSearchWithoutCase) {
    CControlsDlg dlg;
    vq::ScriptedUser user;
    ASSERT_TRUE(dlg.Create(kControlsTemplate));
    auto* list = static_cast<CListBox*>(dlg.GetDlgItem(kList));
    list->AddString("beta");
    list->AddString("Alpha");
    list->AddString("gamma");
    EXPECT_EQ(list->GetText(0), "Alpha") << "sorted box";
    EXPECT_EQ(list->FindString(-1, "BE"), 1);
    EXPECT_EQ(list->FindStringExact(-1, "be"), LB_ERR);
    EXPECT_EQ(list->FindString(1, "a"), 0) << "the search wraps around";
    EXPECT_EQ(list->SetCurSel(7), LB_ERR);
    EXPECT_EQ(list->GetCurSel(), LB_ERR);
    auto* combo = static_cast<CComboBox*>(dlg.GetDlgItem(kCombo));
    combo->SetCurSel(1);
    combo->DeleteString(0);
    EXPECT_EQ(combo->GetCurSel(), 0) << "the selection follows its entry";
    EXPECT_EQ(combo->DeleteString(5), CB_ERR);
    combo->SetItemData(0, 77);
    EXPECT_EQ(combo->GetItemData(0), 77u);
    EXPECT_EQ(combo->GetItemData(3), static_cast<DWORD_PTR>(CB_ERR));
    dlg.DestroyWindow();
}

TEST(UiControlsTest, TabsAndProgress) {
    vq::ScriptedUser user;
    user.Select(kTabs, "附件").Select(kTabs, 1).Click(IDCANCEL);
    CControlsDlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_tabs, (std::vector<int>{1})) << "choosing the current tab again tells nobody";
    CProgressCtrl progress;
    ASSERT_TRUE(progress.Create(0, CRect(0, 0, 100, 10), nullptr, 1));
    progress.SetRange(0, 10);
    progress.SetStep(4);
    progress.StepIt();
    progress.StepIt();
    progress.StepIt();
    EXPECT_EQ(progress.GetPos(), 2) << "past the top the bar starts again from the bottom";
    EXPECT_EQ(progress.SetPos(50), 2);
    EXPECT_EQ(progress.GetPos(), 10);
    progress.DestroyWindow();
}

TEST(UiControlsTest, DatePickerFormatsAndRefusesImpossibleDates) {
    SYSTEMTIME t;
    t.wYear = 2023;
    t.wMonth = 2;
    t.wDay = 29;
    EXPECT_FALSE(vq::IsValidSystemTime(t));
    t.wYear = 2024;
    EXPECT_TRUE(vq::IsValidSystemTime(t));
    t.wHour = 7;
    t.wMinute = 5;
    EXPECT_EQ(vq::FormatPickerTime(t, "yyyy-MM-dd HH:mm 'at' h tt"), "2024-02-29 07:05 at 7 AM");
    EXPECT_EQ(vq::FormatPickerTime(t, "yy/M/d"), "24/2/29");
    CDateTimeCtrl picker;
    ASSERT_TRUE(picker.Create(DTS_SHORTDATEFORMAT, CRect(0, 0, 100, 20), nullptr, 1));
    SYSTEMTIME bad;
    bad.wYear = 2024;
    bad.wMonth = 13;
    bad.wDay = 1;
    EXPECT_FALSE(picker.SetTime(&bad));
    EXPECT_FALSE(picker.SetTime(static_cast<SYSTEMTIME*>(nullptr))) << "no \"none\" box without DTS_SHOWNONE";
    picker.SetTime(&t);
    EXPECT_EQ(picker.GetWindowTextValue(), "2024-02-29");
    picker.DestroyWindow();
}

TEST(UiControlsTest, RichTextSurvivesRtfWithFormatsAndChineseText) {
    CRichEditCtrl rich;
    ASSERT_TRUE(rich.Create(ES_MULTILINE, CRect(0, 0, 200, 100), nullptr, 1));
    rich.SetWindowText("更改内容\n第二段 {括号} \\ 斜线");
    rich.SetSel(0, 6); // "更改"
    CHARFORMAT bold;
    bold.dwMask = CFM_BOLD | CFM_COLOR;
    bold.dwEffects = CFE_BOLD;
    bold.crTextColor = RGB(255, 0, 0);
    rich.SetSelectionCharFormat(bold);
    PARAFORMAT centre;
    centre.dwMask = PFM_ALIGNMENT;
    centre.wAlignment = PFA_CENTER;
    rich.SetParaFormat(centre);
    rich.SetSel(14, 15); // inside the second paragraph
    PARAFORMAT bullet;
    bullet.dwMask = PFM_NUMBERING;
    bullet.wNumbering = PFN_BULLET;
    rich.SetParaFormat(bullet);
    const CString rtf = rich.GetRtf();
    EXPECT_EQ(rtf.Left(5), "{\\rtf");

    CRichEditCtrl copy;
    ASSERT_TRUE(copy.Create(ES_MULTILINE, CRect(0, 0, 200, 100), nullptr, 2));
    ASSERT_TRUE(copy.SetRtf(rtf));
    EXPECT_EQ(copy.GetWindowTextValue(), "更改内容\n第二段 {括号} \\ 斜线");
    ASSERT_EQ(copy.ParaStyles().size(), 2u);
    EXPECT_EQ(copy.ParaStyles()[0].alignment, PFA_CENTER);
    EXPECT_FALSE(copy.ParaStyles()[0].bullet);
    EXPECT_TRUE(copy.ParaStyles()[1].bullet);
    copy.SetSel(0, 6);
    CHARFORMAT read;
    copy.GetSelectionCharFormat(read);
    EXPECT_TRUE(read.dwMask & CFM_BOLD);
    EXPECT_TRUE(read.dwEffects & CFE_BOLD);
    EXPECT_EQ(read.crTextColor, RGB(255, 0, 0));
    copy.SetSel(0, 9); // mixed: bold and not
    copy.GetSelectionCharFormat(read);
    EXPECT_FALSE(read.dwMask & CFM_BOLD);
    EXPECT_FALSE(copy.SetRtf("plain text")) << "not RTF";
    rich.DestroyWindow();
    copy.DestroyWindow();
}

TEST(UiControlsTest, RtfFromOtherWritersWithCodePageEscapes) {
    CRichEditCtrl rich;
    ASSERT_TRUE(rich.Create(ES_MULTILINE, CRect(0, 0, 200, 100), nullptr, 1));
    // "中文" in code page 936, a \u escape with its fallback, and ignorable groups.
    ASSERT_TRUE(
        rich.SetRtf("{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
                    "{\\*\\generator Riched20;}\\pard\\qr\\f0\\fs24 \\'d6\\'d0\\'ce\\'c4\\u27979?\\par\n"
                    "end\\par\n}"));
    EXPECT_EQ(rich.GetWindowTextValue(), "中文测\nend");
    ASSERT_EQ(rich.ParaStyles().size(), 2u);
    EXPECT_EQ(rich.ParaStyles()[0].alignment, PFA_RIGHT);
    rich.SetSel(0, 3);
    CHARFORMAT read;
    rich.GetSelectionCharFormat(read);
    EXPECT_STREQ(read.szFaceName, "宋体");
    EXPECT_EQ(read.yHeight, 240);
    rich.DestroyWindow();
}

} // namespace

namespace {

const vq::DialogTemplate kRichTemplate{"意见", {vq::RichEdit(4101), vq::DefPushButton(IDOK, "确定")}};

class CRichHost : public CDialog {
public:
    CRichHost() : CDialog(kRichTemplate, nullptr) {}
    int m_changes = 0;

protected:
    void OnChange() { ++m_changes; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRichHost, CDialog)
ON_EN_CHANGE(4101, &CRichHost::OnChange)
END_MESSAGE_MAP()

TEST(UiControlsTest, RichEditTellsChangesOnlyWhenAskedAndKeepsItsLimit) {
    vq::ScriptedUser user;
    CRichHost host;
    ASSERT_TRUE(host.Create(kRichTemplate));
    auto* rich = static_cast<CRichEditCtrl*>(host.GetDlgItem(4101));
    rich->UserSetText("一");
    EXPECT_EQ(host.m_changes, 0) << "no change notifications without ENM_CHANGE";
    rich->SetEventMask(ENM_CHANGE);
    rich->LimitText(5);
    rich->UserSetText("一二三");
    EXPECT_EQ(host.m_changes, 1);
    EXPECT_EQ(rich->GetWindowTextValue(), "一二") << "five code page 936 bytes hold two of these";
    rich->SetSel(2, 2); // inside "一": moves back to its start
    long start = -1, end = -1;
    rich->GetSel(start, end);
    EXPECT_EQ(start, 0);
    rich->SetSel(6, 6);
    rich->UserReplaceSel("三");
    EXPECT_EQ(rich->GetWindowTextValue(), "一二") << "one byte of room holds no such character";
    rich->UserReplaceSel("x");
    EXPECT_EQ(rich->GetWindowTextValue(), "一二x");
    rich->SetReadOnly(TRUE);
    EXPECT_FALSE(rich->UserSetText("改"));
    host.DestroyWindow();
}

} // namespace
