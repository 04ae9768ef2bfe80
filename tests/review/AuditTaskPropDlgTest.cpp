// The step properties dialog: the linked steps, the marks, renaming and the rewritten links.
#include "projects/AuditTaskPropDlg.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/ScriptedUser.h"
#include "projects/FlowView.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;
using D = CAuditTaskPropDlg;

Texts Lines(CDialog& d, int id) {
    auto* list = dynamic_cast<CListBox*>(d.GetDlgItem(id));
    Texts out;
    for (int i = 0; i < list->GetCount(); ++i)
        out.push_back(list->GetText(i).str());
    return out;
}

Texts Items(const CStringArray& a) {
    Texts out;
    for (const CString& s : a)
        out.push_back(s.str());
    return out;
}

void Fill(CAuditTaskPropDlg& dlg, const char* name, const char* kind) {
    dlg.m_strName = name;
    dlg.m_strKind = kind;
    for (const char* link : {"A->*<-B", "AB->*<-C", "X->*<-A", "B->*<-AB", "A->*<-C"})
        dlg.m_arrLinks.Add(link);
    for (const char* step : {"A", "B", "AB", "C", "X"})
        dlg.m_arrTaskNames.Add(step);
}

} // namespace

TEST(AuditTaskPropDlg, RenamingKeepsOtherStepsLinksAndRewritesItsOwn) {
    CAuditTaskPropDlg dlg;
    Fill(dlg, "A", kFlowKindTask);
    vq::ScriptedUser user;
    user.Dialog("任务流程属性")
        .Do([](CDialog& d) {
            EXPECT_EQ(Lines(d, D::kPredecessorsId), (Texts{"X"}));
            EXPECT_EQ(Lines(d, D::kSuccessorsId), (Texts{"B", "C"}));
            EXPECT_FALSE(d.GetDlgItem(D::kMultiLevelId)->IsWindowVisible());
        })
        // Double click removes a line in this kind.
        .Select(D::kSuccessorsId, 1)
        .DoubleClick(D::kSuccessorsId, 1)
        .Do([](CDialog& d) { EXPECT_EQ(Lines(d, D::kSuccessorsId), (Texts{"B"})); })
        .Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK) << user.Error();
    EXPECT_EQ(dlg.m_strName, "A") << "the name is read-only in a task flow";
    EXPECT_EQ(Items(dlg.m_arrLinks), (Texts{"AB->*<-C", "B->*<-AB", "X->*<-A", "A->*<-B"}));
    EXPECT_TRUE(dlg.m_arrTaskNames.IsEmpty());
}

TEST(AuditTaskPropDlg, NamesOfOtherStepsAreRefusedInAnyCase) {
    CAuditTaskPropDlg dlg;
    Fill(dlg, "A", kFlowKindTemplate);
    vq::ScriptedUser user;
    user.Dialog("任务流程属性")
        .Set(D::kNameId, "")
        .Click(IDOK)
        .Message("该任务名称不能为空，请重新输入!", IDOK)
        .Set(D::kNameId, "ab")
        .Click(IDOK)
        .Message("该任务名称已存在,请重新输入!", IDOK)
        .Set(D::kNameId, "新[m]")
        .Click(IDOK)
        .Message("评审任务名不能含[M]，请重新输入!", IDOK)
        .Set(D::kNameId, "Q")
        // No line is removed in the template kind.
        .Select(D::kPredecessorsId, 0)
        .DoubleClick(D::kPredecessorsId, 0)
        .Do([](CDialog& d) { EXPECT_EQ(Lines(d, D::kPredecessorsId), (Texts{"X"})); })
        .Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK) << user.Error();
    EXPECT_EQ(dlg.m_strName, "Q");
    EXPECT_EQ(Items(dlg.m_arrLinks), (Texts{"AB->*<-C", "B->*<-AB", "X->*<-Q", "Q->*<-B", "Q->*<-C"}));
    // Renaming to itself in another case is accepted.
    CAuditTaskPropDlg same;
    Fill(same, "A", kFlowKindTemplate);
    user.Dialog("任务流程属性").Set(D::kNameId, "a").Click(IDOK);
    ASSERT_EQ(same.DoModal(), IDOK) << user.Error();
    EXPECT_EQ(same.m_strName, "a");
}

TEST(AuditTaskPropDlg, MarksBecomeCheckBoxesWhereAllowed) {
    CAuditTaskPropDlg dlg;
    dlg.m_strName = "审核[n][M]";
    dlg.m_strKind = kFlowKindTemplate;
    dlg.m_arrLinks.Add("校对->*<-审核[n][M]");
    dlg.m_bAllowMixed = 1;
    vq::ScriptedUser user;
    user.Dialog("任务流程属性")
        .Do([](CDialog& d) {
            EXPECT_EQ(d.GetDlgItem(D::kNameId)->GetWindowTextValue(), "审核");
            EXPECT_EQ(d.IsDlgButtonChecked(D::kMixedId), 1u);
            EXPECT_EQ(d.IsDlgButtonChecked(D::kMultiLevelId), 1u);
            EXPECT_TRUE(d.GetDlgItem(D::kMixedId)->IsWindowVisible());
            EXPECT_FALSE(d.GetDlgItem(D::kMultiLevelId)->IsWindowVisible());
        })
        .Check(D::kMixedId, 0)
        .Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK) << user.Error();
    // The hidden multi-level mark stays ticked and is written back.
    EXPECT_EQ(dlg.m_strName, "审核[N]");
    EXPECT_EQ(Items(dlg.m_arrLinks), (Texts{"校对->*<-审核[N]"}));
}
