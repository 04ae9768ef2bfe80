#include "parts/ParentDwgDlg.h"

#include "platform/base/MessageBox.h"
#include "platform/ui/DataExchange.h"

namespace {

const vq::DialogTemplate kParentDwgTemplate{
    "指定父图",
    {vq::Label("父图号："), vq::EditBox(1060, vq::kBeside), vq::Label("父图名："),
     vq::EditBox(1161, vq::kBeside), vq::Label("图  幅："), vq::EditBox(1162, vq::kBeside),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

} // namespace

CParentDwgDlg::CParentDwgDlg(CWnd* parent) : CDialog(kParentDwgTemplate, parent) {}

void CParentDwgDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, 1060, m_strParentCode);
    DDX_Text(pDX, 1161, m_strParentName);
    DDX_Text(pDX, 1162, m_strParentFrame);
}

void CParentDwgDlg::OnOK() {
    UpdateData(TRUE);
    if (m_strParentCode.IsEmpty()) {
        AfxMessageBox("父图号不能为空！");
        return;
    }
    EndDialog(IDOK);
}
