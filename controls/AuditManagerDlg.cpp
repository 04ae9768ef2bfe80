#include "controls/AuditManagerDlg.h"

#include "controls/SelectGroupDlg.h"
#include "controls/UserBrowseDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/DataExchange.h"

namespace {

const vq::DialogTemplate kAuditManagerTemplate{
    "评审负责人",
    {vq::Label("负责人:"), vq::EditBox(1147), vq::PushButton(1148, "...", vq::kBeside),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

const vq::TemplateRegistration kAuditManagerRegistration(CAuditManagerDlg::IDD, kAuditManagerTemplate);

} // namespace

BEGIN_MESSAGE_MAP(CAuditManagerDlg, CDialog)
    ON_BN_CLICKED(1148, &CAuditManagerDlg::OnBrowse)
END_MESSAGE_MAP()

CAuditManagerDlg::CAuditManagerDlg(CWnd* parent) : CDialog(IDD, parent) {}

void CAuditManagerDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, 1147, m_strManager);
}

BOOL CAuditManagerDlg::OnInitDialog() {
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_nDatabaseType = theApp.m_nDatabaseType;
    if (m_bCheckMixed) {
        m_strStepName.MakeUpper();
        if (m_strStepName.Find("[M]") >= 0)
            m_bGroupMode = 1;
    }
    return CDialog::OnInitDialog();
}

void CAuditManagerDlg::OnBrowse() {
    UpdateData(TRUE);
    if (m_bGroupMode) {
        CSelectGroupDlg dlg(this);
        dlg.m_strGroupName = m_strManager;
        if (dlg.DoModal() != IDOK)
            return;
        m_strManager = dlg.m_strGroupName;
    } else {
        CUserBrowseDlg dlg(this);
        dlg.m_bMultiSelect = 0;
        dlg.m_strLogName = m_strManager;
        if (dlg.DoModal() != IDOK)
            return;
        m_strManager = dlg.m_strLogName;
    }
    UpdateData(FALSE);
}

void CAuditManagerDlg::OnOK() {
    if (!UpdateData(TRUE))
        return;
    if (m_strManager.IsEmpty()) {
        AfxMessageBox("评审任务不能无负责人，请重新输入!");
        return;
    }
    CString sql;
    if (m_bGroupMode) {
        sql.Format("SELECT count(*) FROM GroupInformation WHERE GroupName='%s'", SqlQuote(m_strManager));
        if (theApp.GetSqlInt(sql) == 0) {
            AfxMessageBox("该组不是系统注册使用的组，请重新输入!");
            return;
        }
    } else {
        if (m_nDatabaseType == 2)
            sql.Format("SELECT count(*) FROM UserInformation WHERE rtrim(UserLogName)='%s'",
                       SqlQuote(m_strManager));
        else
            sql.Format("SELECT count(*) FROM UserInformation WHERE UserLogName='%s'", SqlQuote(m_strManager));
        if (theApp.GetSqlInt(sql) == 0) {
            AfxMessageBox("负责人不是系统注册使用人员，请重新输入!");
            return;
        }
    }
    EndDialog(IDOK);
}
