#include "changeorders/ECOAuditResultDlg.h"

#include "changeorders/NoticeFormView.h"
#include "changeorders/ECOConfigure.h"
#include "changeorders/ECONextAuditTaskDlg.h"
#include "core/ComError.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "review/TaskAuditFlowDlg.h"

#include <cstdlib>

namespace {

using Dlg = CECOAuditResultDlg;

constexpr UINT kStepImagesBitmap = 182;
constexpr COLORREF kMagenta = RGB(255, 0, 255);

const vq::DialogTemplate kResultTemplate{
    "更修单评审结果",
    {vq::ReportList(Dlg::kStepListId, vq::kFill, LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL),
     vq::EditBox(Dlg::kOpinionId, vq::kNoLayoutFlags, ES_MULTILINE | ES_READONLY | WS_VSCROLL),
     vq::PushButton(IDCANCEL, "退出", vq::kRightColumn),
     vq::PushButton(Dlg::kAuditFlowId, "评审流程...", vq::kRightColumn),
     vq::PushButton(Dlg::kPropertiesId, "属性...", vq::kRightColumn),
     vq::PushButton(Dlg::kChangeManagerId, "更换负责人...", vq::kRightColumn, WS_DISABLED),
     vq::PushButton(Dlg::kAssistAuditId, "协助评审...", vq::kRightColumn | vq::kHidden),
     vq::Label("单据状态", vq::kRightColumn),
     vq::EditBox(Dlg::kStateId, vq::kRightColumn, ES_CENTER | ES_READONLY)},
    CSize(720, 380)};
const vq::TemplateRegistration kResultRegistration(CECOAuditResultDlg::IDD, kResultTemplate);

bool IsModifyNotice(const CString& group) {
    return group == kModifyNoticeGroup;
}

} // namespace

BEGIN_MESSAGE_MAP(CECOAuditResultDlg, CDialog)
    ON_NOTIFY(LVN_ITEMCHANGED, CECOAuditResultDlg::kStepListId, &CECOAuditResultDlg::OnStepChanged)
    ON_BN_CLICKED(CECOAuditResultDlg::kAuditFlowId, &CECOAuditResultDlg::OnAuditFlow)
    ON_BN_CLICKED(CECOAuditResultDlg::kPropertiesId, &CECOAuditResultDlg::OnOrderProperties)
    ON_BN_CLICKED(CECOAuditResultDlg::kAssistAuditId, &CECOAuditResultDlg::OnAssistAudit)
END_MESSAGE_MAP()

CECOAuditResultDlg::CECOAuditResultDlg(CWnd* parent) : CDialog(IDD, parent) {}

CECOAuditResultDlg::~CECOAuditResultDlg() {
    m_pConnection = nullptr;
}

void CECOAuditResultDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kStepListId, m_listSteps);
    DDX_Text(pDX, kOpinionId, m_strOpinion);
    DDX_Text(pDX, kStateId, m_strState);
}

BOOL CECOAuditResultDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_images.Create(kStepImagesBitmap, 16, 0, kMagenta);
    m_listSteps.SetImageList(&m_images, LVSIL_SMALL);
    m_listSteps.SetExtendedStyle(m_listSteps.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_listSteps.InsertColumn(0, "评审任务", LVCFMT_LEFT, 100);
    m_listSteps.InsertColumn(1, "负责人", LVCFMT_LEFT, 80);
    m_listSteps.InsertColumn(2, "完成日期", LVCFMT_LEFT, 120);
    m_listSteps.InsertColumn(3, "完成情况", LVCFMT_LEFT, 90);
    m_listSteps.InsertColumn(4, "结果", LVCFMT_LEFT, 80);
    LoadOrderInfo();
    UpdateData(FALSE);
    m_bLoading = 1;
    LoadAuditSteps();
    m_bLoading = 0;
    if (m_listSteps.GetItemCount() > 0) {
        m_listSteps.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        m_listSteps.SetFocus();
    }
    if (std::atoi(ReadSetting("设计过程管理配置", "允许设计者更换评审负责人", "1")) == 0)
        GetDlgItem(kChangeManagerId)->ShowWindow(SW_HIDE);
    return FALSE;
}

int CECOAuditResultDlg::LoadOrderInfo() {
    CString sql;
    sql.Format("SELECT AuditingModel,AuditorName,State FROM %s WHERE ECONo='%s'",
               IsModifyNotice(m_strECOGroup) ? "ECOModifyManage" : "ECOChangeManage", SqlQuote(m_strECONo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            m_strAuditingModel = VariantToString(rs->GetCollect(0L));
            m_strAuditorName = VariantToString(rs->GetCollect(1L));
            m_strState = VariantToString(rs->GetCollect(2L));
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return 0;
    }
    return 1;
}

CString CECOAuditResultDlg::ResponsibleText(const CString& auditor, const CString& manager) const {
    CString name = theApp.GetUserNameByLogName(auditor);
    if (name.IsEmpty())
        name = theApp.GetUserNameByLogName(manager);
    if (name.IsEmpty())
        name = auditor;
    return auditor + "{" + name + "}";
}

void CECOAuditResultDlg::LoadAuditSteps() {
    CString sql;
    sql.Format("SELECT AuditName,Auditor,FinishTime,AuditState,AuditResult,AuditRemark,AuditManager FROM "
               "ECOAuditManage WHERE ECOGroup='%s' AND ECONo='%s'",
               SqlQuote(m_strECOGroup), SqlQuote(m_strECONo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            auto field = [&rs](long i) { return VariantToString(rs->GetCollect(i)); };
            m_arrOpinions.Add(field(5));
            const int row = m_listSteps.InsertItem(m_listSteps.GetItemCount(), field(0), kPlainStepImage);
            m_listSteps.SetItemText(row, 1, ResponsibleText(field(1), field(6)));
            m_listSteps.SetItemText(row, 2, field(2));
            m_listSteps.SetItemText(row, 3, field(3));
            const CString result = field(4);
            m_listSteps.SetItemText(row, 4, result);
            const int image = result == "不通过" ? kFailedStepImage
                              : result == "通过" ? kPassedStepImage
                                                 : kPlainStepImage;
            m_listSteps.SetItem(row, 0, LVIF_IMAGE, nullptr, image, 0, 0, 0);
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CECOAuditResultDlg::OnStepChanged(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    const auto* info = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
    if (m_bLoading || info->iItem < 0 || info->iItem >= m_arrOpinions.GetSize())
        return;
    m_nCurStep = info->iItem;
    m_strOpinion = m_arrOpinions[m_nCurStep];
    const CString step = m_listSteps.GetItemText(m_nCurStep, 0);
    GetDlgItem(kAssistAuditId)->ShowWindow(step.Find("[N]") > 0 ? SW_SHOW : SW_HIDE);
    UpdateData(FALSE);
}

void CECOAuditResultDlg::OnAuditFlow() {
    if (!LoadOrderInfo())
        return;
    UpdateData(FALSE);
    CTaskAuditFlowDlg dlg;
    dlg.m_bReadOnly = 1;
    dlg.m_bSubmitMode = 0;
    dlg.m_bWriteToTask = 0;
    dlg.m_strAuditModel = m_strAuditingModel;
    dlg.m_strAuditorName = m_strAuditorName;
    dlg.DoModal();
}

void CECOAuditResultDlg::OnOrderProperties() {
    ShowNoticeReadOnly(m_strECOGroup, m_strECONo);
}

void CECOAuditResultDlg::OnAssistAudit() {
    if (m_nCurStep < 0 || m_nCurStep >= m_listSteps.GetItemCount())
        return;
    CECONextAuditTaskDlg dlg;
    dlg.m_strECOGroup = m_strECOGroup;
    dlg.m_strECONo = m_strECONo;
    dlg.m_strUpAuditName = m_listSteps.GetItemText(m_nCurStep, 0);
    dlg.m_bDisplayOnly = 1;
    dlg.DoModal();
}
