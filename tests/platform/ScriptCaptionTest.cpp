// Scripts that name controls by caption instead of id: the label before a control, a button's
// caption for the field it belongs to, "*" for the only tree or report list, popup menu entries by
// their text, and the errors for captions that name more than one control.
#include "platform/ui/Button.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Edit.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/Menu.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/TreeCtrl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int kKind = 9001;
constexpr int kName = 9002;
constexpr int kBrowse = 9003;
constexpr int kReadOnly = 9004;
constexpr int kParts = 9005;
constexpr int kRows = 9006;
constexpr int kFirstTwin = 9007;
constexpr int kSecondTwin = 9008;

const vq::DialogTemplate kFormTemplate{
    "按标题操作",
    {vq::Label("类型"), vq::DropDownList(kKind), vq::Label("名称:"), vq::EditBox(kName),
     vq::PushButton(kBrowse, "...", vq::kBeside), vq::CheckBox(kReadOnly, "只读(&R)"), vq::Label("零件"),
     vq::Tree(kParts), vq::Label("清单"), vq::ReportList(kRows), vq::Label("备注"), vq::EditBox(kFirstTwin),
     vq::Label("备注"), vq::EditBox(kSecondTwin), vq::DefPushButton(IDOK, "确定"),
     vq::PushButton(IDCANCEL, "取消")}};

// A dialog that records what it hears and shows a popup menu on a right click of a row.
class CFormDlg : public CDialog {
public:
    CFormDlg() : CDialog(kFormTemplate, nullptr) {}
    std::vector<std::string> heard;
    UINT chosen = 0;
    CString name;
    int kind = -1;
    int readOnly = -1;
    CString treeSelection;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        auto* kinds = static_cast<CComboBox*>(GetDlgItem(kKind));
        kinds->AddString("零件");
        kinds->AddString("部件");
        kinds->AddString("产品");
        auto* tree = static_cast<CTreeCtrl*>(GetDlgItem(kParts));
        HTREEITEM product = tree->InsertItem("产品A");
        tree->InsertItem("部件B", product);
        auto* rows = static_cast<CListCtrl*>(GetDlgItem(kRows));
        rows->InsertColumn(0, "图号", LVCFMT_LEFT, 80);
        rows->InsertColumn(1, "名称", LVCFMT_LEFT, 80);
        rows->InsertItem(0, "P-1");
        rows->InsertItem(1, "P-2");
        return TRUE;
    }
    void OnOK() override {
        name = GetDlgItem(kName)->GetWindowTextValue();
        kind = static_cast<CComboBox*>(GetDlgItem(kKind))->GetCurSel();
        readOnly = static_cast<CButton*>(GetDlgItem(kReadOnly))->GetCheck();
        auto* tree = static_cast<CTreeCtrl*>(GetDlgItem(kParts));
        if (HTREEITEM item = tree->GetSelectedItem())
            treeSelection = tree->GetItemText(item);
        CDialog::OnOK();
    }
    void OnRowDouble(NMHDR* header, LRESULT*) {
        heard.push_back("double:" + std::to_string(reinterpret_cast<NMITEMACTIVATE*>(header)->iItem));
    }
    void OnRowRight(NMHDR* header, LRESULT*) {
        heard.push_back("right:" + std::to_string(reinterpret_cast<NMITEMACTIVATE*>(header)->iItem));
        CMenu menu;
        menu.CreatePopupMenu();
        menu.AppendMenu(MF_STRING, 301, "设为组长(&S)...");
        menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING | MF_GRAYED, 302, "删除(&D)\tDel");
        CMenu more;
        more.CreatePopupMenu();
        more.AppendMenu(MF_STRING, 303, "属性(&P)");
        menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(&more), "更多");
        chosen = static_cast<UINT>(menu.TrackPopupMenu(TPM_RETURNCMD, 0, 0, this));
        heard.push_back("menu:" + std::to_string(chosen));
    }
    void OnColumn(NMHDR* header, LRESULT*) {
        heard.push_back("column:" + std::to_string(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem));
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CFormDlg, CDialog)
ON_NOTIFY(NM_DBLCLK, kRows, &CFormDlg::OnRowDouble)
ON_NOTIFY(NM_RCLICK, kRows, &CFormDlg::OnRowRight)
ON_NOTIFY(LVN_COLUMNCLICK, kRows, &CFormDlg::OnColumn)
END_MESSAGE_MAP()

// Runs a script against the form; the scripted user's error, empty when it succeeded.
CString RunScript(const char* script, CFormDlg& dialog) {
    vq::ScriptedUser user;
    EXPECT_TRUE(user.Load(script)) << user.Error().c_str();
    dialog.DoModal();
    return user.Succeeded() ? CString() : user.Error() + (user.Failed() ? "" : " (actions left over)");
}

} // namespace

TEST(ScriptCaptionTest, EveryControlActionTakesTheCaptionOfTheLabelBeforeTheControl) {
    CFormDlg dialog;
    const CString error = RunScript("select \"类型\" 1\n"
                              "set \"...\" \"M8 螺栓\"\n" // the field the "..." button belongs to
                              "check \"只读(R)\" 1\n"      // without the access key's '&'
                              "expand \"零件\" \"产品A\"\n"
                              "tree \"零件\" \"产品A/部件B\"\n"
                              "dblclick \"清单\" 1\n"
                              "column \"清单\" 1\n"
                              "rclick \"清单\" 0\n"
                              "menu \"设为组长(&S)...\"\n"
                              "click \"确定\"\n",
                              dialog);
    EXPECT_TRUE(error.IsEmpty()) << error.c_str();
    EXPECT_EQ(dialog.kind, 1);
    EXPECT_EQ(dialog.name, "M8 螺栓");
    EXPECT_EQ(dialog.readOnly, 1);
    EXPECT_EQ(dialog.treeSelection, "部件B");
    EXPECT_EQ(dialog.heard, (std::vector<std::string>{"double:1", "column:1", "right:0", "menu:301"}));
}

TEST(ScriptCaptionTest, StarNamesTheOnlyTreeOrReportList) {
    CFormDlg dialog;
    const CString error = RunScript("tree * \"产品A/部件B\"\n"
                              "dblclick * 0\n" // a row by number: the report list
                              "rclick * 1\n"
                              "menu \"属性(P)\"\n" // in a sub-menu, without its '&'
                              "click 1\n",
                              dialog);
    EXPECT_TRUE(error.IsEmpty()) << error.c_str();
    EXPECT_EQ(dialog.treeSelection, "部件B");
    EXPECT_EQ(dialog.heard, (std::vector<std::string>{"double:0", "right:1", "menu:303"}));
}

TEST(ScriptCaptionTest, TheSameActionsInCpp) {
    CFormDlg dialog;
    vq::ScriptedUser user;
    user.Select("类型", "产品")
        .Set("名称:", "垫圈")
        .Check("只读(&R)", 1)
        .Tree("*", "产品A")
        .Column("*", 0)
        .DoubleClick("清单", "P-1")
        .RightClick("*", 1)
        .Menu("设为组长(S)...")
        .Click(IDOK);
    dialog.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dialog.kind, 2);
    EXPECT_EQ(dialog.name, "垫圈");
    EXPECT_EQ(dialog.readOnly, 1);
    EXPECT_EQ(dialog.treeSelection, "产品A");
    EXPECT_EQ(dialog.heard, (std::vector<std::string>{"column:0", "double:0", "right:1", "menu:301"}));
}

TEST(ScriptCaptionTest, ACaptionOfSeveralControlsIsAnErrorThatNamesThem) {
    CFormDlg dialog;
    const CString error = RunScript("set \"备注\" \"x\"\nclick 1\n", dialog);
    EXPECT_NE(error.Find("\"备注\" names more than one control"), -1) << error.c_str();
    EXPECT_NE(error.Find("field 9007"), -1) << error.c_str();
    EXPECT_NE(error.Find("field 9008"), -1) << error.c_str();
    EXPECT_NE(error.Find("script line 1"), -1) << error.c_str();
    EXPECT_TRUE(dialog.name.IsEmpty()) << "the dialog ended as with Cancel";
}

TEST(ScriptCaptionTest, CaptionsThatNameNothingUsableAreErrors) {
    {
        CFormDlg dialog;
        const CString error = RunScript("select \"没有\" 1\n", dialog);
        EXPECT_NE(error.Find("no such control"), -1) << error.c_str();
    }
    {
        CFormDlg dialog; // a check box takes no entries
        const CString error = RunScript("select \"只读(R)\" 1\n", dialog);
        EXPECT_NE(error.Find("has no entries"), -1) << error.c_str();
    }
    {
        CFormDlg dialog; // a tree is not a report list
        const CString error = RunScript("column \"零件\" 0\n", dialog);
        EXPECT_NE(error.Find("not a report list"), -1) << error.c_str();
    }
    {
        CFormDlg dialog; // "确定" belongs to no field
        const CString error = RunScript("set \"确定\" \"x\"\n", dialog);
        EXPECT_NE(error.Find("no such control"), -1) << error.c_str();
    }
}

namespace {

const vq::DialogTemplate kTwoListsTemplate{
    "两个列表", {vq::ReportList(9101), vq::ReportList(9102), vq::Tree(9103), vq::DefPushButton(IDOK, "确定")}};

} // namespace

TEST(ScriptCaptionTest, StarForARowByTextWithATreeAndAListIsAmbiguous) {
    CFormDlg dialog;
    const CString error = RunScript("dblclick * \"P-2\"\n", dialog);
    EXPECT_NE(error.Find("* names more than one control in the dialog \"按标题操作\": tree 9005, report list 9006"),
              -1)
        << error.c_str();
}

TEST(ScriptCaptionTest, StarWithTwoListsNamesBoth) {
    vq::ScriptedUser user;
    ASSERT_TRUE(user.Load("column * 0\n"));
    CDialog dialog(kTwoListsTemplate, nullptr);
    dialog.DoModal();
    EXPECT_NE(user.Error().Find("* names more than one control"), -1) << user.Error().c_str();
    EXPECT_NE(user.Error().Find("report list 9101, report list 9102"), -1) << user.Error().c_str();

    vq::ScriptedUser again; // a tree action: the only tree, whatever the lists
    ASSERT_TRUE(again.Load("expand * \"x\"\n"));
    CDialog second(kTwoListsTemplate, nullptr);
    second.DoModal();
    EXPECT_NE(again.Error().Find("no tree item at \"x\""), -1) << again.Error().c_str();
}

TEST(ScriptCaptionTest, PopupMenuEntriesByText) {
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, 301, "设为组长(&S)...");
    menu.AppendMenu(MF_STRING | MF_GRAYED, 302, "删除(&D)\tDel");
    menu.AppendMenu(MF_STRING, 303, "刷新");
    menu.AppendMenu(MF_STRING, 304, "刷新");
    {
        vq::ScriptedUser user;
        ASSERT_TRUE(user.Load("menu \"设为组长(&S)...\"\nmenu \"没有\"\n"));
        EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 0, 0, nullptr), 301);
        EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 0, 0, nullptr), 0);
        EXPECT_NE(user.Error().Find("no entry \"没有\""), -1) << user.Error().c_str();
        EXPECT_NE(user.Error().Find("\"删除(&D)\""), -1) << "the error lists the entries: " << user.Error().c_str();
    }
    {
        vq::ScriptedUser user;
        ASSERT_TRUE(user.Load("menu \"删除(D)\"\n"));
        EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 0, 0, nullptr), 0);
        EXPECT_NE(user.Error().Find("is disabled"), -1) << user.Error().c_str();
    }
    {
        vq::ScriptedUser user;
        ASSERT_TRUE(user.Load("menu \"刷新\"\n"));
        EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 0, 0, nullptr), 0);
        EXPECT_NE(user.Error().Find("more than one entry \"刷新\" (commands 303, 304)"), -1) << user.Error().c_str();
    }
}
