#include "controls/InputFileNameDlg.h"

#include "core/FileInfo.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/FileDialog.h"

namespace {

const vq::DialogTemplate kInputFileNameTemplate{
    "输入文件名",
    {vq::Label("", vq::kNoLayoutFlags, 0, 1014), vq::EditBox(1182), vq::PushButton(1056, "...", vq::kBeside),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")}};

const vq::TemplateRegistration kInputFileNameRegistration(CInputFileNameDlg::IDD, kInputFileNameTemplate);

} // namespace

BEGIN_MESSAGE_MAP(CInputFileNameDlg, CDialog)
    ON_BN_CLICKED(1056, &CInputFileNameDlg::OnBrowse)
END_MESSAGE_MAP()

CInputFileNameDlg::CInputFileNameDlg(CWnd* parent) : CDialog(IDD, parent) {}

void CInputFileNameDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, 1182, m_strFilePath);
}

BOOL CInputFileNameDlg::OnInitDialog() {
    SetDlgItemText(1014, m_strPrompt);
    return CDialog::OnInitDialog();
}

void CInputFileNameDlg::OnBrowse() {
    CFileDialog dlg(TRUE, "*.*", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                    "红线批注文件 (*.dwf)|*.dwf|红线批注文件 (*.Rml)|*.Rml||", this);
    if (dlg.DoModal() != IDOK)
        return;
    m_strFilePath = dlg.GetPathName();
    m_strFileExt = dlg.GetFileExt();
    UpdateData(FALSE);
}

void CInputFileNameDlg::OnOK() {
    if (!UpdateData(TRUE))
        return;
    if (m_strFilePath.IsEmpty()) {
        AfxMessageBox("未指定红线批注文件...");
        return;
    }
    if (!CFileInfo(m_strFilePath).Exists()) {
        AfxMessageBox("指定的红线批注文件不存在...");
        return;
    }
    EndDialog(IDOK);
}
