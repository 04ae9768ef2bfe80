#include "mail/MailLoginDlg.h"

#include "platform/ui/DataExchange.h"

namespace {

const vq::DialogTemplate kMailLoginTemplate{
    "登录邮件服务器",
    {vq::Label("请输入您在下列服务器上该用户名的密码。"), vq::GroupFrame("登录"), vq::Label("服务器:"),
     vq::Label("", vq::kBeside, 0, CMailLoginDlg::kServerId), vq::Label("用户名(&U):"),
     vq::EditBox(CMailLoginDlg::kUserNameId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::Label("密码(&P)"),
     vq::EditBox(CMailLoginDlg::kPasswordId, vq::kBeside, ES_AUTOHSCROLL | ES_PASSWORD),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")}};

const vq::TemplateRegistration kMailLoginRegistration(CMailLoginDlg::IDD, kMailLoginTemplate);

} // namespace

CMailLoginDlg::CMailLoginDlg(CWnd* parent) : CDialog(IDD, parent) {}

void CMailLoginDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, kPasswordId, m_strPassword);
    DDX_Text(pDX, kUserNameId, m_strUserName);
    DDX_Text(pDX, kServerId, m_strServer);
}
