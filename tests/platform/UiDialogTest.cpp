// A sample dialog built from a template and worked by the scripted user: data exchange, nested
// dialogs, message boxes, file dialogs, popup menus, the close box and Cancel, posted messages,
// modeless windows.
#include "platform/ui/Button.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Edit.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/Menu.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/TreeCtrl.h"

#include <gtest/gtest.h>

namespace {

constexpr int kName = 1001;
constexpr int kBrowse = 1002;
constexpr int kCount = 1003;
constexpr int kReadOnly = 1005;
constexpr int kProduct = 1006;
constexpr int kPart = 1007;
constexpr int kKind = 1008;
constexpr int kList = 1009;
constexpr int kTree = 1010;
constexpr int kDelete = 1011;
constexpr int kDetail = 1012;
constexpr int kNote = 1101;
constexpr UINT kMenuOpen = 31;
constexpr UINT kMenuCopy = 32;
constexpr UINT kMenuGone = 33;

const vq::DialogTemplate kDetailTemplate{"详细信息",
                                         {vq::Label("备注:"), vq::EditBox(kNote),
                                          vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")}};

class CDetailDlg : public CDialog {
public:
    explicit CDetailDlg(CWnd* parent) : CDialog(kDetailTemplate, parent) {}
    CString m_note;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, kNote, m_note); }
};

const vq::DialogTemplate kSampleTemplate{
    "样例对话框",
    {vq::Label("名称:"), vq::EditBox(kName), vq::PushButton(kBrowse, "浏览...", vq::kBeside),
     vq::Label("数量:"), vq::EditBox(kCount, vq::kNoLayoutFlags, ES_NUMBER), vq::CheckBox(kReadOnly, "只读"),
     vq::RadioButton(kProduct, "产品", true), vq::RadioButton(kPart, "部件", false, vq::kBeside),
     vq::Label("类别:"), vq::DropDownList(kKind),
     vq::ReportList(kList, vq::kNoLayoutFlags, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                    LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES),
     vq::Tree(kTree), vq::PushButton(kDelete, "删除..."), vq::PushButton(kDetail, "详细..."),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")}};

class CSampleDlg : public CDialog {
public:
    CSampleDlg() : CDialog(kSampleTemplate, nullptr) {}

    CString m_name;
    int m_count = 1;
    int m_readOnly = 0;
    int m_kind = 0;
    int m_category = 0;
    CString m_note;
    UINT m_menuCommand = 0;
    int m_closeBox = 0;
    int m_cancels = 0;
    int m_userMessages = 0;
    int m_deleted = 0;
    std::vector<CString> m_changes; // texts of the name field, as EN_CHANGE reported them
    CListCtrl m_list;
    CTreeCtrl m_tree;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, kList, m_list);
        DDX_Control(pDX, kTree, m_tree);
        DDX_Text(pDX, kName, m_name);
        DDX_Text(pDX, kCount, m_count);
        DDV_MinMaxInt(pDX, m_count, 1, 25);
        DDX_Check(pDX, kReadOnly, m_readOnly);
        DDX_Radio(pDX, kProduct, m_kind);
        DDX_CBIndex(pDX, kKind, m_category);
    }

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        auto* kinds = static_cast<CComboBox*>(GetDlgItem(kKind));
        kinds->AddString("图纸");
        kinds->AddString("文档");
        kinds->AddString("模型");
        kinds->SetCurSel(m_category);
        m_list.InsertColumn(0, "图号", LVCFMT_LEFT, 80);
        m_list.InsertColumn(1, "名称", LVCFMT_LEFT, 120);
        const char* rows[][2] = {{"A-1", "底座"}, {"A-2", "支架"}, {"A-3", "盖板"}};
        for (int i = 0; i < 3; ++i) {
            m_list.InsertItem(i, rows[i][0]);
            m_list.SetItemText(i, 1, rows[i][1]);
        }
        HTREEITEM root = m_tree.InsertItem("产品A [P1]");
        m_tree.InsertItem("部件B [B2]", root);
        PostMessage(WM_USER + 5, 7, 0);
        return TRUE;
    }

    void OnBrowse() {
        CFileDialog dlg(TRUE, "csv", nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST,
                        "文本文件 (*.txt)|*.txt|逗号分隔 (*.csv)|*.csv||", this);
        if (dlg.DoModal() == IDOK) {
            CString text;
            text.Format("%s|%d", dlg.GetPathName(), static_cast<int>(dlg.m_ofn.nFilterIndex));
            SetDlgItemText(kName, text);
        }
    }

    void OnDelete() {
        const int row = m_list.GetNextItem(-1, LVNI_SELECTED);
        if (row < 0) {
            AfxMessageBox("请先选择一行!");
            return;
        }
        if (AfxMessageBox("是否真的要删除?", MB_YESNO | MB_ICONQUESTION) == IDYES) {
            m_list.DeleteItem(row);
            ++m_deleted;
        }
    }

    void OnDetail() {
        CDetailDlg dlg(this);
        dlg.m_note = "初始";
        if (dlg.DoModal() == IDOK)
            m_note = dlg.m_note;
    }

    void OnNameChange() { m_changes.push_back(GetDlgItem(kName)->GetWindowTextValue()); }

    void OnRClickList(NMHDR*, LRESULT* result) {
        CMenu menu;
        menu.CreatePopupMenu();
        menu.AppendMenu(MF_STRING, kMenuOpen, "打开(&O)");
        menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING, kMenuCopy, "复制(&C)");
        menu.AppendMenu(MF_STRING | MF_GRAYED, kMenuGone, "删除(&D)");
        CPoint point;
        GetCursorPos(&point);
        m_menuCommand = static_cast<UINT>(menu.TrackPopupMenu(TPM_RETURNCMD, point.x, point.y, this));
        *result = 0;
    }

    LRESULT OnUserFive(WPARAM wParam, LPARAM) {
        m_userMessages += static_cast<int>(wParam);
        return 0;
    }

    void OnClose() override {
        ++m_closeBox;
        CDialog::OnClose();
    }

    void OnCancel() override {
        ++m_cancels;
        CDialog::OnCancel();
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSampleDlg, CDialog)
ON_BN_CLICKED(kBrowse, &CSampleDlg::OnBrowse)
ON_BN_CLICKED(kDelete, &CSampleDlg::OnDelete)
ON_BN_CLICKED(kDetail, &CSampleDlg::OnDetail)
ON_EN_CHANGE(kName, &CSampleDlg::OnNameChange)
ON_NOTIFY(NM_RCLICK, kList, &CSampleDlg::OnRClickList)
ON_MESSAGE(WM_USER + 5, &CSampleDlg::OnUserFive)
ON_WM_CLOSE()
END_MESSAGE_MAP()

TEST(UiDialogTest, ScriptedRunFillsMembersThroughDataExchange) {
    vq::ScriptedUser user;
    user.Dialog("样例对话框")
        .Set(kName, "底座组件")
        .Set("数量:", "12")
        .Check(kReadOnly, 1)
        .Check(kPart, 1)
        .Select(kKind, "模型")
        .Click(IDOK);
    CSampleDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_name, "底座组件");
    EXPECT_EQ(dlg.m_count, 12);
    EXPECT_EQ(dlg.m_readOnly, 1);
    EXPECT_EQ(dlg.m_kind, 1);
    EXPECT_EQ(dlg.m_category, 2);
    // The first EN_CHANGE comes from data exchange filling the field, the second from typing.
    ASSERT_EQ(dlg.m_changes.size(), 2u);
    EXPECT_EQ(dlg.m_changes[1], "底座组件");
    // The posted user message ran once the modal loop was running.
    EXPECT_EQ(dlg.m_userMessages, 7);
    EXPECT_FALSE(dlg.m_hWnd) << "the window is gone after DoModal";
    EXPECT_FALSE(dlg.m_list.m_hWnd);
}

TEST(UiDialogTest, NestedDialogMessageBoxFileDialogAndMenuAnswers) {
    vq::ScriptedUser user;
    user.Dialog("样例对话框")
        .Click(kDelete)
        .Message("请先选择一行!", IDOK)
        .Select(kList, 1)
        .Click(kDelete)
        .Message("是否真的要删除?", IDNO)
        .Click(kDelete)
        .MessageContaining("删除", IDYES)
        .Click(kBrowse)
        .File("/tmp/parts.csv", 2)
        .Click(kDetail)
        .Dialog("详细信息")
        .Set(kNote, "已核对")
        .Click(IDOK)
        .Dialog("样例对话框")
        .RightClick(kList, "A-3")
        .Menu(kMenuCopy)
        .Set(kCount, "3")
        .Click(IDOK);
    CSampleDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_name, "/tmp/parts.csv|2");
    EXPECT_EQ(dlg.m_note, "已核对");
    EXPECT_EQ(dlg.m_menuCommand, kMenuCopy);
    const std::vector<CString>& log = user.Log();
    ASSERT_GE(log.size(), 6u);
    EXPECT_EQ(log[0], "dialog \"样例对话框\"");
    EXPECT_EQ(log[1], "message \"vqdesigntask\": 请先选择一行!");
    EXPECT_NE(std::find(log.begin(), log.end(), CString("dialog \"详细信息\"")), log.end());
}

TEST(UiDialogTest, DeleteAfterYesRemovesTheSelectedRow) {
    vq::ScriptedUser user;
    int rowsLeft = -1;
    CString firstLeft;
    user.Select(kList, "A-2").Click(kDelete).Message("是否真的要删除?", IDYES).Do([&](CDialog& d) {
        auto& list = *static_cast<CListCtrl*>(d.GetDlgItem(kList));
        rowsLeft = list.GetItemCount();
        firstLeft = list.GetItemText(1, 0);
    });
    user.Click(IDCANCEL);
    CSampleDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(rowsLeft, 2);
    EXPECT_EQ(firstLeft, "A-3");
}

TEST(UiDialogTest, CloseBoxAndCancelAreDistinct) {
    {
        vq::ScriptedUser user;
        user.Close();
        CSampleDlg dlg;
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_EQ(dlg.m_closeBox, 1);
        EXPECT_EQ(dlg.m_cancels, 1) << "the close box falls back to Cancel";
    }
    {
        vq::ScriptedUser user;
        user.Click("取消");
        CSampleDlg dlg;
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_EQ(dlg.m_closeBox, 0);
        EXPECT_EQ(dlg.m_cancels, 1);
    }
}

TEST(UiDialogTest, RangeErrorKeepsTheDialogOpenUntilTheValueIsRight) {
    vq::ScriptedUser user;
    int focusedId = 0;
    user.Set(kCount, "30")
        .Click(IDOK)
        .Message("请输入一个介于 1 和 25 之间的整数。", IDOK)
        .Do([&focusedId](CDialog&) { focusedId = CWnd::GetFocus() ? CWnd::GetFocus()->GetDlgCtrlID() : 0; })
        .Set(kCount, "25")
        .Click(IDOK);
    CSampleDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(focusedId, kCount) << "the failing field gets the focus";
    EXPECT_EQ(dlg.m_count, 25);
}

TEST(UiDialogTest, DigitsOnlyFieldRefusesLettersAndStopsTheRun) {
    vq::ScriptedUser user;
    user.Set(kCount, "12a").Click(IDOK);
    CSampleDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL) << "a failed run closes the dialog as with Cancel";
    EXPECT_TRUE(user.Failed());
    EXPECT_NE(user.Error().Find("refuses"), -1) << user.Error().c_str();
    EXPECT_EQ(dlg.m_cancels, 0) << "no handler runs after the failure";
}

TEST(UiDialogTest, UnexpectedMessageBoxNamesItsTextAndGetsTheSafeAnswer) {
    vq::ScriptedUser user;
    user.Select(kList, 0).Click(kDelete).Click(IDOK);
    CSampleDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Failed());
    EXPECT_NE(user.Error().Find("是否真的要删除?"), -1) << user.Error().c_str();
    EXPECT_EQ(dlg.m_deleted, 0) << "a Yes/No box nobody expected is answered No";
    EXPECT_EQ(dlg.m_list.GetItemCount(), 0) << "the list's rows went with its window";
}

TEST(UiDialogTest, WrongCaptionAndMissingControlsFail) {
    {
        vq::ScriptedUser user;
        user.Dialog("别的对话框");
        CSampleDlg dlg;
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_NE(user.Error().Find("样例对话框"), -1) << user.Error().c_str();
    }
    {
        vq::ScriptedUser user;
        user.Click(4242);
        CSampleDlg dlg;
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_NE(user.Error().Find("no such control"), -1) << user.Error().c_str();
    }
    {
        vq::ScriptedUser user;
        user.Do([](CDialog& d) { d.GetDlgItem(kDelete)->EnableWindow(FALSE); }).Click(kDelete);
        CSampleDlg dlg;
        dlg.DoModal();
        EXPECT_NE(user.Error().Find("disabled"), -1) << user.Error().c_str();
    }
    {
        vq::ScriptedUser user; // no actions at all
        CSampleDlg dlg;
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_NE(user.Error().Find("ran out"), -1);
    }
}

TEST(UiDialogTest, GreyedMenuCommandCannotBeChosen) {
    vq::ScriptedUser user;
    user.RightClick(kList, 0).Menu(kMenuGone);
    CSampleDlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Failed());
    EXPECT_EQ(dlg.m_menuCommand, 0u);
}

TEST(UiDialogTest, ScriptTextDrivesTheSameRun) {
    vq::ScriptedUser user;
    ASSERT_TRUE(user.Load("# a comment line\n"
                          "dialog ~\"样例\"\n"
                          "set 1001 \"带\\\"引号\\\"的名称\"\n"
                          "set \"数量:\" \"4\"\n"
                          "check 1005 1\n"
                          "select 1008 2\n"
                          "tree 1010 \"产品A [P1]/部件B [B2]\"\n"
                          "click 1012\n"
                          "dialog \"详细信息\"\n"
                          "close\n"
                          "click \"删除...\"\n"
                          "message * IDOK\n"
                          "click 1\n"))
        << user.Error().c_str();
    CSampleDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_name, "带\"引号\"的名称");
    EXPECT_EQ(dlg.m_count, 4);
    EXPECT_EQ(dlg.m_category, 2);
    EXPECT_EQ(dlg.m_note, "") << "the nested dialog was closed with its close box";
}

TEST(UiDialogTest, ScriptLinesThatCannotBeReadAreRejectedWhole) {
    vq::ScriptedUser user;
    EXPECT_FALSE(user.Load("click 1\nselect 1008\n"));
    EXPECT_NE(user.Error().Find("line 2"), -1) << user.Error().c_str();
    EXPECT_EQ(user.Remaining(), 0) << "nothing of a bad script is kept";
    vq::ScriptedUser other;
    EXPECT_FALSE(other.Load("message \"没有结尾 IDOK\n"));
    EXPECT_FALSE(other.Load("jump 3\n"));
    vq::ScriptedUser good;
    EXPECT_TRUE(
        good.Load("message ~\"不存在!\" IDOK\nfile \"/tmp/a.csv\" 4\nmenu 2\nexpand 1051 \"产品A [P1]\"\n"
                  "dblclick 1059 0\ncolumn 1059 1\ncolor 255 0 0\nfont \"宋体\" 12\n"));
    EXPECT_EQ(good.Remaining(), 8);
}

// A self-deleting modeless window, as progress windows are.
class CProgressLikeDlg : public CDialog {
public:
    static int s_alive;
    CProgressLikeDlg() { ++s_alive; }
    ~CProgressLikeDlg() override { --s_alive; }

protected:
    void PostNcDestroy() override { delete this; }
};
int CProgressLikeDlg::s_alive = 0;

const vq::DialogTemplate kProgressTemplate{"进度", {vq::Label("正在处理..."), vq::ProgressBar(1200)}};

TEST(UiDialogTest, ModelessWindowsLiveSideBySideAndDeleteThemselves) {
    vq::ScriptedUser user;
    const std::size_t before = vq::TopLevelWindows().size();
    auto* first = new CProgressLikeDlg;
    auto* second = new CProgressLikeDlg;
    ASSERT_TRUE(first->Create(kProgressTemplate));
    ASSERT_TRUE(second->Create(kProgressTemplate));
    EXPECT_EQ(vq::TopLevelWindows().size(), before + 2);
    EXPECT_EQ(CProgressLikeDlg::s_alive, 2);
    // A message posted to a window that goes away before it runs is dropped.
    second->PostMessage(WM_USER + 1);
    first->DestroyWindow();
    EXPECT_EQ(CProgressLikeDlg::s_alive, 1);
    second->DestroyWindow();
    EXPECT_EQ(CProgressLikeDlg::s_alive, 0);
    EXPECT_EQ(vq::DispatchPostedMessages(), 0);
    EXPECT_EQ(vq::TopLevelWindows().size(), before);
    EXPECT_TRUE(user.Succeeded());
}

TEST(UiDialogTest, EnterPressesTheDefaultButtonAndEscapeCancels) {
    {
        vq::ScriptedUser user;
        user.Set(kCount, "2").Do([](CDialog& d) { vq::PressKey(*d.GetDlgItem(kName), VK_RETURN); });
        CSampleDlg dlg;
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_EQ(dlg.m_count, 2);
    }
    {
        vq::ScriptedUser user;
        user.Do([](CDialog& d) { vq::PressKey(d, VK_ESCAPE); });
        CSampleDlg dlg;
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_EQ(dlg.m_cancels, 1);
    }
}

TEST(UiDialogTest, MissingTemplateFailsDoModal) {
    CDialog dlg(987654u, nullptr);
    EXPECT_EQ(dlg.DoModal(), -1);
    static const vq::DialogTemplate registered{"登记的模板", {vq::PushButton(IDOK, "确定")}};
    vq::RegisterDialogTemplate(987655u, registered);
    vq::ScriptedUser user;
    user.Dialog("登记的模板").Click(IDOK);
    CDialog byNumber(987655u, nullptr);
    EXPECT_EQ(byNumber.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

} // namespace
