#include "controls/InputStringDlg.h"

#include "platform/ui/DataExchange.h"

namespace {

const vq::DialogTemplate kInputStringTemplate{
    "输入字符串",
    {vq::Label("", vq::kNoLayoutFlags, 0, 1014), vq::EditBox(1013),
     vq::CheckBox(1087, "多级评审", vq::kHidden), vq::CheckBox(6084, "混合评审者", vq::kBeside | vq::kHidden),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")}};

const vq::TemplateRegistration kInputStringRegistration(CInputStringDlg::IDD, kInputStringTemplate);

// Names of the folders and nodes the system creates itself.
const char* const kReservedNames[] = {
    "",         "文件夹",         "可访问资源库", "阶段工作成果", "相关工作任务", "更改任务管理",
    "项目管理", "待评审产品数据", "评审结果文档"};

} // namespace

CInputStringDlg::CInputStringDlg(CWnd* parent) : CDialog(IDD, parent) {}

bool CInputStringDlg::IsReservedName(const CString& text) {
    for (const char* name : kReservedNames)
        if (text == name)
            return true;
    return false;
}

bool CInputStringDlg::HasForbiddenCharacter(const CString& text) {
    // Texts are UTF-8: every byte of a multi-byte character is 0x80 or above, so only whole
    // ASCII characters can match.
    return text.FindOneOf("\\/:*?\"<>|'") >= 0;
}

void CInputStringDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, 1013, m_strValue);
    DDX_Check(pDX, 1087, m_bMultiLevel);
    DDX_Check(pDX, 6084, m_bMixed);
}

BOOL CInputStringDlg::OnInitDialog() {
    SetDlgItemText(1014, m_strPrompt);
    if (m_bShowMultiLevel || m_bShowMixed) {
        // A value that carries the marks opens as the text before them, with the boxes checked;
        // a mark at the very start stays part of the text.
        CString upper = m_strValue;
        upper.MakeUpper();
        int pos = upper.Find("[M]");
        if (pos > 0) {
            m_strValue = m_strValue.Left(pos);
            m_bMixed = 1;
        }
        pos = m_strValue.Find("[N]");
        if (pos > 0) {
            m_strValue = m_strValue.Left(pos);
            m_bMultiLevel = 1;
        }
        if (m_bShowMultiLevel)
            GetDlgItem(1087)->ShowWindow(SW_SHOW);
        if (m_bShowMixed)
            GetDlgItem(6084)->ShowWindow(SW_SHOW);
    }
    return CDialog::OnInitDialog();
}

void CInputStringDlg::OnOK() {
    if (!UpdateData(TRUE))
        return;
    if (IsReservedName(m_strValue)) {
        AfxMessageBox("该字符串已被系统使用，请重新输入!");
        return;
    }
    if (HasForbiddenCharacter(m_strValue)) {
        AfxMessageBox("字符串不能包含以下字母\n         \\ / : * ? \" ' < > |");
        return;
    }
    if (m_bShowMultiLevel || m_bShowMixed) {
        if (m_bMultiLevel)
            m_strValue += "[N]";
        if (m_bMixed)
            m_strValue += "[M]";
        UpdateData(FALSE);
    }
    EndDialog(IDOK);
}
