#include "projects/AuditTaskPropDlg.h"

#include "platform/base/MessageBox.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Edit.h"
#include "projects/FlowView.h"

#include <cstring>

namespace {

const vq::DialogTemplate kAuditTaskPropTemplate{
    "任务流程属性",
    {vq::Label("任务名称:"), vq::EditBox(CAuditTaskPropDlg::kNameId),
     vq::CheckBox(CAuditTaskPropDlg::kMultiLevelId, "多级评审", vq::kHidden),
     vq::CheckBox(CAuditTaskPropDlg::kMixedId, "混合评审者", vq::kHidden | vq::kBeside),
     vq::Label("前置任务:"), vq::ListBox(CAuditTaskPropDlg::kPredecessorsId), vq::Label("后置任务:"),
     vq::ListBox(CAuditTaskPropDlg::kSuccessorsId), vq::DefPushButton(IDOK, "确定"),
     vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

const vq::TemplateRegistration kAuditTaskPropRegistration(CAuditTaskPropDlg::IDD, kAuditTaskPropTemplate);

bool HoldsEitherCase(const CString& text, const char* upper, const char* lower) {
    return text.Find(upper) >= 0 || text.Find(lower) >= 0;
}

} // namespace

BEGIN_MESSAGE_MAP(CAuditTaskPropDlg, CDialog)
    ON_LBN_DBLCLK(CAuditTaskPropDlg::kPredecessorsId, &CAuditTaskPropDlg::OnDblClkPredecessors)
    ON_LBN_DBLCLK(CAuditTaskPropDlg::kSuccessorsId, &CAuditTaskPropDlg::OnDblClkSuccessors)
END_MESSAGE_MAP()

CAuditTaskPropDlg::CAuditTaskPropDlg(CWnd* parent) : CDialog(IDD, parent) {}

void CAuditTaskPropDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kSuccessorsId, m_listSuccessors);
    DDX_Control(pDX, kPredecessorsId, m_listPredecessors);
    DDX_Text(pDX, kNameId, m_strName);
    DDX_Check(pDX, kMultiLevelId, m_bMultiLevel);
    DDX_Check(pDX, kMixedId, m_bMixed);
}

BOOL CAuditTaskPropDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    const CString toThis = CString(kFlowLinkSeparator) + m_strName;
    const CString fromThis = m_strName + kFlowLinkSeparator;
    for (const CString& link : m_arrLinks) {
        if (link.GetLength() >= toThis.GetLength() &&
            link.Right(toThis.GetLength()).CompareNoCase(toThis) == 0)
            m_listPredecessors.AddString(link.Left(link.GetLength() - toThis.GetLength()));
        if (link.Left(fromThis.GetLength()).CompareNoCase(fromThis) == 0)
            m_listSuccessors.AddString(link.Mid(fromThis.GetLength()));
    }
    m_strOpeningName = m_strName;
    if (m_strKind == kFlowKindTask)
        if (auto* edit = dynamic_cast<CEdit*>(GetDlgItem(kNameId)))
            edit->SetReadOnly(TRUE);
    if (m_bAllowMultiLevel || m_bAllowMixed) {
        CString upper = m_strName;
        upper.MakeUpper();
        const int mixedAt = upper.Find("[M]");
        if (mixedAt > 0) {
            m_strName = upper.Left(mixedAt);
            upper = m_strName;
            m_bMixed = 1;
        }
        const int multiAt = upper.Find("[N]");
        if (multiAt > 0) {
            m_strName = upper.Left(multiAt);
            m_bMultiLevel = 1;
        }
    }
    if (m_bAllowMultiLevel)
        GetDlgItem(kMultiLevelId)->ShowWindow(SW_SHOW);
    if (m_bAllowMixed)
        GetDlgItem(kMixedId)->ShowWindow(SW_SHOW);
    UpdateData(FALSE);
    return TRUE;
}

void CAuditTaskPropDlg::OnOK() {
    if (!UpdateData(TRUE))
        return;
    if (m_strName.IsEmpty()) {
        AfxMessageBox("该任务名称不能为空，请重新输入!");
        return;
    }
    if (!m_bAllowMultiLevel) {
        if (HoldsEitherCase(m_strName, "[N]", "[n]")) {
            AfxMessageBox("评审任务名不能含[N]，请重新输入!");
            return;
        }
        if (HoldsEitherCase(m_strName, "[M]", "[m]")) {
            AfxMessageBox("评审任务名不能含[M]，请重新输入!");
            return;
        }
    }
    if (m_strName.CompareNoCase(m_strOpeningName) != 0)
        for (const CString& name : m_arrTaskNames)
            if (name.CompareNoCase(m_strName) == 0) {
                AfxMessageBox("该任务名称已存在,请重新输入!");
                return;
            }
    if (m_bAllowMultiLevel || m_bAllowMixed) {
        if (m_bMultiLevel)
            m_strName += "[N]";
        if (m_bMixed)
            m_strName += "[M]";
    }
    CStringArray links;
    const int separatorLength = static_cast<int>(std::strlen(kFlowLinkSeparator));
    for (const CString& link : m_arrLinks) {
        const int at = link.Find(kFlowLinkSeparator);
        const CString source = at >= 0 ? link.Left(at) : link;
        const CString target = at >= 0 ? link.Mid(at + separatorLength) : CString();
        if (source.CompareNoCase(m_strOpeningName) != 0 && target.CompareNoCase(m_strOpeningName) != 0)
            links.Add(link);
    }
    for (int i = 0; i < m_listPredecessors.GetCount(); ++i)
        links.Add(m_listPredecessors.GetText(i) + kFlowLinkSeparator + m_strName);
    for (int i = 0; i < m_listSuccessors.GetCount(); ++i)
        links.Add(m_strName + kFlowLinkSeparator + m_listSuccessors.GetText(i));
    m_arrLinks.Copy(links);
    m_arrTaskNames.RemoveAll();
    EndDialog(IDOK);
}

void CAuditTaskPropDlg::RemoveSelectedLine(CListBox& list) {
    if (m_strKind == kFlowKindTemplate)
        return;
    const int selected = list.GetCurSel();
    if (selected >= 0)
        list.DeleteString(static_cast<UINT>(selected));
}

void CAuditTaskPropDlg::OnDblClkPredecessors() {
    RemoveSelectedLine(m_listPredecessors);
}

void CAuditTaskPropDlg::OnDblClkSuccessors() {
    RemoveSelectedLine(m_listSuccessors);
}
