#include "parts/FilterConditionDlg.h"

#include "parts/PartFilterCondition.h"
#include "platform/ui/DataExchange.h"

namespace {

const vq::DialogTemplate kFilterConditionTemplate{
    "选择过滤条件",
    {vq::GroupFrame("比较项"), vq::RadioButton(1395, "图号", true),
     vq::RadioButton(1453, "图名", false, vq::kBeside), vq::RadioButton(1454, "备注", false, vq::kBeside),
     vq::RadioButton(1045, "类型", false, vq::kBeside), vq::RadioButton(1122, "规格", false),
     vq::RadioButton(1047, "其他1", false, vq::kBeside), vq::RadioButton(1048, "其他2", false, vq::kBeside),
     vq::Label("条件:"), vq::ListBox(1000, vq::kFill), vq::DefPushButton(IDOK, "确定"),
     vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

} // namespace

BEGIN_MESSAGE_MAP(CFilterConditionDlg, CDialog)
    ON_LBN_DBLCLK(1000, &CFilterConditionDlg::OnDblClkOperators)
END_MESSAGE_MAP()

CFilterConditionDlg::CFilterConditionDlg(CWnd* parent) : CDialog(kFilterConditionTemplate, parent) {}

void CFilterConditionDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1000, m_listOperators);
    DDX_Radio(pDX, 1395, m_nItem);
}

BOOL CFilterConditionDlg::OnInitDialog() {
    if (m_nItem < 0 || m_nItem >= kPartFilterItemCount)
        m_nItem = 0;
    CDialog::OnInitDialog();
    for (int i = 0; i < kPartFilterOperatorCount; ++i) {
        m_listOperators.AddString(kPartFilterOperators[i]);
        if (m_strOperator.CompareNoCase(kPartFilterOperators[i]) == 0)
            m_listOperators.SetCurSel(i);
    }
    return TRUE;
}

void CFilterConditionDlg::OnOK() {
    if (!UpdateData(TRUE))
        return;
    int selected = m_listOperators.GetCurSel();
    if (selected >= 0)
        m_strOperator = m_listOperators.GetText(selected);
    EndDialog(IDOK);
}

void CFilterConditionDlg::OnDblClkOperators() {
    OnOK();
}
