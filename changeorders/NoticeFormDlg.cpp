#include "changeorders/NoticeFormDlg.h"

#include "changeorders/ECOConfigure.h"
#include "changeorders/ECONumbering.h"
#include "changeorders/SelectDeptDlg.h"
#include "controls/ListHelpers.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "parts/MultiPartSelectDlg.h"
#include "parts/PartSelectDlg.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/db/SqlText.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Edit.h"
#include "review/TaskAuditFlowDlg.h"

namespace {

constexpr UINT kClearBrowseMessage = WM_USER + 10;

} // namespace

std::vector<vq::ControlTemplate> NoticeNumberRow(const NoticeFormSetup& setup) {
    const NoticeFormControlIds& ids = setup.ids;
    return {vq::Label("编号:"),
            vq::EditBox(ids.number, vq::kNoLayoutFlags, ES_AUTOHSCROLL | ES_READONLY),
            vq::PushButton(ids.numberButton, "...", vq::kBeside),
            vq::Label("编制人:", vq::kBeside),
            vq::EditBox(ids.saveUser, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
            vq::Label("编制日期:", vq::kBeside),
            vq::EditBox(ids.saveDate, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
            vq::Label(setup.texts.stateLabel, vq::kBeside),
            vq::EditBox(ids.state, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY)};
}

std::vector<vq::ControlTemplate> NoticeDepartmentRow(const NoticeFormSetup& setup) {
    return {vq::Label("发放单位:"),
            vq::EditBox(setup.ids.department, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
            vq::PushButton(setup.ids.departmentButton, "...", vq::kBeside)};
}

BEGIN_MESSAGE_MAP(CNoticeFormDlg, CDialog)
    ON_MESSAGE(kClearBrowseMessage, &CNoticeFormDlg::OnClearBrowse)
END_MESSAGE_MAP()

CNoticeFormDlg::CNoticeFormDlg(UINT idd, CWnd* parent, const NoticeFormSetup& setup)
    : CDialog(idd, parent), m_docs(setup.group, setup.docIds), m_setup(setup) {}

CNoticeFormDlg::~CNoticeFormDlg() {
    m_docs.FreeDocs();
    m_pConnection = nullptr;
}

void CNoticeFormDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    const NoticeFormControlIds& ids = m_setup.ids;
    DDX_Control(pDX, ids.partList, m_listParts);
    m_docs.DoDataExchange(pDX);
    DDX_Text(pDX, ids.number, m_strECONo);
    DDX_Text(pDX, ids.saveUser, m_strSaveUser);
    DDX_Text(pDX, ids.saveDate, m_strSaveDate);
    DDX_Text(pDX, ids.state, m_strState);
    DDX_CBIndex(pDX, ids.level, m_nLevel);
    DDX_Text(pDX, ids.remark, m_strRemark);
    DDX_Text(pDX, ids.affectNo, m_strAffectNo);
    DDX_Text(pDX, ids.department, m_strDepartment);
    DDX_Check(pDX, ids.searchParts, m_bSearchParts);
    DDX_Check(pDX, ids.byProductClass, m_bByProductClass);
}

void CNoticeFormDlg::PostNcDestroy() {
    m_docs.FreeDocs();
    CDialog::PostNcDestroy();
}

// ---------------------------------------------------------------------------------------------
// Opening

void CNoticeFormDlg::SetUpSharedControls() {
    auto* level = static_cast<CComboBox*>(GetDlgItem(m_setup.ids.level));
    for (const char* text : {"普通", "中等", "优先"})
        level->AddString(text);
    m_docs.Init(this);

    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_strLoginUser = theApp.m_strLoginUser;
    m_strUserName = theApp.m_strUserName;

    m_listParts.SetExtendedStyle(m_listParts.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
}

void CNoticeFormDlg::OpenNotice() {
    if (m_bNewItem) {
        m_strSaveUser = m_strUserName;
        m_strSaveDate = CTime::GetCurrentTime().Format("%Y-%m-%d %H:%M");
        m_strState = "临时";
        return;
    }
    GetDlgItem(m_setup.ids.numberButton)->EnableWindow(FALSE);
    if (m_strECONo.IsEmpty())
        return;
    LoadNotice();
    m_docs.m_strECONo = m_strECONo;
    m_docs.LoadRelatedDocs();
}

bool CNoticeFormDlg::InPreparersHands() const {
    return (m_strState == "临时" || m_strState == "更改") && m_strSaveUser.CompareNoCase(m_strUserName) == 0;
}

void CNoticeFormDlg::ApplyReadOnly(std::initializer_list<int> readOnlyEdits,
                                   std::initializer_list<int> disabled) {
    m_docs.m_bReadOnly = m_bReadOnly;
    if (m_bReadOnly) {
        m_listParts.m_editable = 0;
        for (int id : readOnlyEdits)
            static_cast<CEdit*>(GetDlgItem(id))->SetReadOnly(TRUE);
        for (int id : disabled)
            GetDlgItem(id)->EnableWindow(FALSE);
    }
    m_docs.EnableEditing();
}

void CNoticeFormDlg::ApplyConfigure() {
    m_bByProductClass = ReadSettingInt("选择产品", "按产品大类", "0");
    UpdateData(FALSE);
    LoadConfigure();
    if (m_nNoMode == 4 && m_bNewItem)
        ReservePersonalNumber();
    CheckAuditConfigure();
    if (m_nReviewMode != kReviewPerOrder) {
        GetDlgItem(m_setup.ids.auditFlow)->ShowWindow(SW_HIDE);
        m_strAuditingModel = m_strCfgAuditingModel;
        m_strAuditorName = m_strCfgAuditorName;
    }
    if (m_nNoMode == 0 && m_bNewItem && !m_bReadOnly) {
        static_cast<CEdit*>(GetDlgItem(m_setup.ids.number))->SetReadOnly(FALSE);
        GetDlgItem(m_setup.ids.numberButton)->EnableWindow(FALSE);
    }
}

NoticeNumbering CNoticeFormDlg::Numbering() const {
    return {m_setup.group, m_nNoWidth, m_strNoSeparator, m_nNoMode, m_strSaveUser, m_strSaveDate};
}

void CNoticeFormDlg::LoadConfigure() {
    CECOConfigure configure;
    // The group's review mode replaces the one a loaded notice was stored with; a group without
    // one leaves the stored mode (a new notice: no review).
    configure.m_nReviewMode = m_nReviewMode;
    configure.LoadConfigure(m_setup.group);
    m_nReviewMode = configure.m_nReviewMode;
    m_strCfgAuditingModel = configure.m_strCfgAuditingModel;
    m_strCfgAuditorName = configure.m_strCfgAuditorName;
    m_nNoWidth = configure.m_nNoWidth < 1 ? 1 : configure.m_nNoWidth;
    m_strNoSeparator = configure.m_strNoSeparator;
    m_nNoMode = configure.m_nNoMode < 0 ? 0 : configure.m_nNoMode;
}

void CNoticeFormDlg::CheckAuditConfigure() {
    if (!ReviewConfigureConsistent(m_setup.group, m_nReviewMode, m_strCfgAuditingModel))
        GetDlgItem(IDOK)->EnableWindow(FALSE);
}

void CNoticeFormDlg::ReservePersonalNumber() {
    GetDlgItem(m_setup.ids.numberButton)->EnableWindow(FALSE);
    m_strECONo = ApplyPersonalNoticeNumber(Numbering(), m_strPersonalCode);
    m_docs.m_strECONo = m_strECONo;
    // Without a number the notice cannot be stored (the numbering has said why).
    if (m_strECONo.IsEmpty())
        GetDlgItem(IDOK)->EnableWindow(FALSE);
    UpdateData(FALSE);
}

// ---------------------------------------------------------------------------------------------
// Buttons

bool CNoticeFormDlg::ApplyNumberFor(NoticeProduct& product) {
    if (!PickProductAndApplyNumber(m_bByProductClass, Numbering(), product, m_strECONo))
        return false;
    m_docs.m_strECONo = m_strECONo;
    return true;
}

void CNoticeFormDlg::AddPartRow(const CString& code, const CString& name) {
    if (IsItemInList(m_listParts, code)) {
        CString text;
        text.Format("选定图纸 %s[%s] 已存在...", code, name);
        AfxMessageBox(text);
        return;
    }
    const int row = m_listParts.InsertItem(m_listParts.GetItemCount(), code);
    m_listParts.SetItemText(row, 1, name);
}

bool CNoticeFormDlg::AddPickedParts(const CString& product) {
    CStringArray codes;
    CStringArray names;
    if (m_bSearchParts) {
        CPartSelectDlg dlg;
        dlg.m_strProduct = product;
        if (dlg.DoModal() != IDOK)
            return false;
        codes.Append(dlg.m_arrCode);
        names.Append(dlg.m_arrName);
    } else {
        CMultiPartSelectDlg dlg;
        if (dlg.DoModal() != IDOK)
            return false;
        codes.Append(dlg.m_arrSelCode);
        names.Append(dlg.m_arrSelName);
    }
    for (int i = 0; i < codes.GetSize(); ++i)
        AddPartRow(codes[i], i < names.GetSize() ? names[i] : CString());
    return true;
}

void CNoticeFormDlg::PickDepartments() {
    CSelectDeptDlg dlg;
    if (dlg.DoModal() != IDOK)
        return;
    CString joined;
    for (int i = 0; i < dlg.m_arrDeptName.GetSize(); ++i)
        joined += (i ? "; " : "") + dlg.m_arrDeptName[i];
    m_strDepartment = joined;
    UpdateData(FALSE);
}

void CNoticeFormDlg::OnReviewFlow() {
    CTaskAuditFlowDlg dlg;
    dlg.m_bReadOnly = m_bReadOnly;
    dlg.m_bSubmitMode = 0;
    dlg.m_bWriteToTask = 0;
    dlg.m_strAuditModel = m_strAuditingModel;
    dlg.m_strAuditorName = m_strAuditorName;
    if (dlg.DoModal() != IDOK)
        return;
    m_strAuditingModel = dlg.m_strAuditModel;
    m_strAuditorName = dlg.m_strAuditorName;
}

LRESULT CNoticeFormDlg::OnClearBrowse(WPARAM, LPARAM) {
    UpdateData(TRUE);
    m_docs.ClearBrowseCheck();
    UpdateData(FALSE);
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Storing and closing

bool CNoticeFormDlg::ReadyToStore() {
    const NoticeFormTexts& texts = m_setup.texts;
    if (m_strECONo.IsEmpty()) {
        AfxMessageBox(texts.noNumber);
        return false;
    }
    if (m_nNoMode == 0 && m_bNewItem &&
        theApp.GetSqlInt(texts.countStatement + SqlQuote(m_strECONo) + "'") > 0) {
        AfxMessageBox("该编号已存在...");
        return false;
    }
    if (HasReview(m_nReviewMode) && (m_strAuditingModel.IsEmpty() || m_strAuditorName.IsEmpty())) {
        AfxMessageBox(texts.reviewMissing);
        return false;
    }
    return true;
}

bool CNoticeFormDlg::StoreAll() {
    if (StoreNotice()) {
        m_docs.m_strECONo = m_strECONo;
        if (m_docs.SaveRelatedDocs())
            return true;
    }
    UpdateData(FALSE);
    return false;
}

bool CNoticeFormDlg::OfferNextNotice() {
    if (!m_bNewItem || m_bReadOnly)
        return false;
    if (vq::ShowMessageBox("操作提示", m_setup.texts.registerNext, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    const bool cleared = AfxMessageBox(m_setup.texts.clearNotice, MB_YESNO) == IDYES;
    if (cleared) {
        m_strDepartment.Empty();
        m_strRemark.Empty();
        m_strAffectNo.Empty();
        m_listParts.DeleteAllItems();
    }
    m_strECONo.Empty();
    ResetForNextNotice(cleared);
    UpdateData(FALSE);
    return true;
}

bool CNoticeFormDlg::OfferStoreBeforeClose() {
    if (m_bReadOnly || (m_bNewItem && m_strECONo.IsEmpty()))
        return true;
    const char* question = m_bNewItem ? m_setup.texts.storeReserved : m_setup.texts.storeChanged;
    const int answer = vq::ShowMessageBox("操作提示", question, MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL)
        return false;
    // Closes only when the notice was stored; a failure or a cancelled question keeps it.
    if (answer == IDYES)
        return StoreAll();
    if (m_bNewItem && m_nNoMode > 0) {
        CECONumbering numbering;
        numbering.m_strGroup = m_setup.group;
        numbering.DeleteSerialNo(m_strECONo);
    }
    return true;
}
