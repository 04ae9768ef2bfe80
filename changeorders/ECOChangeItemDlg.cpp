#include "changeorders/ECOChangeItemDlg.h"

#include "changeorders/ECOAuditSetup.h"
#include "changeorders/ECOAuditSubmitDlg.h"
#include "changeorders/ECOChangeNotice.h"
#include "changeorders/ECOConfigure.h"
#include "changeorders/ECONumbering.h"
#include "changeorders/NoticeFormNumbering.h"
#include "changeorders/ECOPublisher.h"
#include "changeorders/SelectDeptDlg.h"
#include "changeorders/SelectModifyItemDlg.h"
#include "controls/ListHelpers.h"
#include "controls/MessageChoiceDlg.h"
#include "core/ComError.h"
#include "core/Settings.h"
#include "core/SqlTransaction.h"
#include "core/VqDesignTaskApp.h"
#include "parts/MultiPartSelectDlg.h"
#include "parts/PartRevisionTreeDlg.h"
#include "parts/PartSelectDlg.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Edit.h"
#include "review/TaskAuditFlowDlg.h"

namespace {

using Dlg = CECOChangeItemDlg;

constexpr UINT kClearBrowseMessage = WM_USER + 10;
constexpr int kPartColumns = 5;

const RelateDocControlIds kDocIds{Dlg::kDocListId, Dlg::kDocAddId, Dlg::kDocDeleteId, Dlg::kDocSaveAsId,
                                  Dlg::kDocBrowseId};

// Rows: number, preparer, date and state; the product; priority, production order number and
// remark; the departments; the changed parts in their frame; the attached documents; the buttons.
vq::DialogTemplate MakeTemplate() {
    std::vector<vq::ControlTemplate> c = {
        vq::Label("编号:"),
        vq::EditBox(Dlg::kNumberId, vq::kNoLayoutFlags, ES_AUTOHSCROLL | ES_READONLY),
        vq::PushButton(Dlg::kNumberButtonId, "...", vq::kBeside),
        vq::Label("编制人:", vq::kBeside),
        vq::EditBox(Dlg::kSaveUserId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
        vq::Label("编制日期:", vq::kBeside),
        vq::EditBox(Dlg::kSaveDateId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
        vq::Label("更改单状态", vq::kBeside),
        vq::EditBox(Dlg::kStateId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
        vq::Label("产品型号:"),
        vq::EditBox(Dlg::kProductStyleId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
        vq::Label("产品名称:", vq::kBeside),
        vq::EditBox(Dlg::kProductNameId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
        vq::Label("产品总图号:", vq::kBeside),
        vq::EditBox(Dlg::kProductCodeId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
        vq::Label("优先级别"),
        vq::DropDownList(Dlg::kLevelId, vq::kBeside),
        vq::Label("生产单号:", vq::kBeside),
        vq::EditBox(Dlg::kAffectNoId, vq::kBeside),
        vq::Label("备注:", vq::kBeside),
        vq::EditBox(Dlg::kRemarkId, vq::kBeside),
        vq::Label("发放单位:"),
        vq::EditBox(Dlg::kDepartmentId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
        vq::PushButton(Dlg::kDepartmentButtonId, "...", vq::kBeside),
        vq::GroupFrame("更改图纸"),
        vq::CheckBox(Dlg::kSearchPartsId, "查询模式"),
        vq::CheckBox(Dlg::kByProductClassId, "产品大类", vq::kBeside),
        vq::PushButton(Dlg::kPartAddId, "增加...", vq::kBeside),
        vq::PushButton(Dlg::kPartDeleteId, "删除...", vq::kBeside),
        vq::PushButton(Dlg::kRelatedOrdersId, "涉及修改...", vq::kBeside),
        vq::PushButton(Dlg::kDrawingInfoId, "图档信息...", vq::kBeside),
        vq::ReportList(Dlg::kPartListId, vq::kFill, LVS_REPORT | LVS_SHOWSELALWAYS)};
    CRelateDocPanel panel(kChangeNoticeGroup, kDocIds);
    for (const vq::ControlTemplate& control : panel.TemplateControls())
        c.push_back(control);
    for (const vq::ControlTemplate& control :
         {vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside),
          vq::PushButton(Dlg::kAuditFlowId, "评审流程...", vq::kBeside)})
        c.push_back(control);
    return vq::DialogTemplate("更改通知单 - 改底图", c, CSize(780, 640));
}

const vq::DialogTemplate kChangeItemTemplate = MakeTemplate();
const vq::TemplateRegistration kChangeItemRegistration(CECOChangeItemDlg::IDD, kChangeItemTemplate);

} // namespace

BEGIN_MESSAGE_MAP(CECOChangeItemDlg, CDialog)
    ON_BN_CLICKED(CECOChangeItemDlg::kNumberButtonId, &CECOChangeItemDlg::OnApplyNumber)
    ON_BN_CLICKED(CECOChangeItemDlg::kPartAddId, &CECOChangeItemDlg::OnAddParts)
    ON_BN_CLICKED(CECOChangeItemDlg::kPartDeleteId, &CECOChangeItemDlg::OnDeleteParts)
    ON_BN_CLICKED(CECOChangeItemDlg::kRelatedOrdersId, &CECOChangeItemDlg::OnRelatedModifyOrders)
    ON_BN_CLICKED(CECOChangeItemDlg::kDrawingInfoId, &CECOChangeItemDlg::OnPartDrawingInfo)
    ON_BN_CLICKED(CECOChangeItemDlg::kDepartmentButtonId, &CECOChangeItemDlg::OnSelectDepartments)
    ON_BN_CLICKED(CECOChangeItemDlg::kAuditFlowId, &CECOChangeItemDlg::OnReviewFlow)
    ON_BN_CLICKED(CECOChangeItemDlg::kDocAddId, &CECOChangeItemDlg::OnAddDocument)
    ON_BN_CLICKED(CECOChangeItemDlg::kDocDeleteId, &CECOChangeItemDlg::OnDeleteDocument)
    ON_BN_CLICKED(CECOChangeItemDlg::kDocSaveAsId, &CECOChangeItemDlg::OnSaveDocumentAs)
    ON_BN_CLICKED(CECOChangeItemDlg::kDocBrowseId, &CECOChangeItemDlg::OnBrowseDocument)
    ON_NOTIFY(LVN_ITEMCHANGED, CECOChangeItemDlg::kDocListId, &CECOChangeItemDlg::OnDocumentChanged)
    ON_MESSAGE(kClearBrowseMessage, &CECOChangeItemDlg::OnClearBrowse)
END_MESSAGE_MAP()

CECOChangeItemDlg::CECOChangeItemDlg(CWnd* parent)
    : CDialog(IDD, parent), m_docs(kChangeNoticeGroup, kDocIds) {}

CECOChangeItemDlg::~CECOChangeItemDlg() {
    m_docs.FreeDocs();
    m_pConnection = nullptr;
}

void CECOChangeItemDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kPartListId, m_listParts);
    m_docs.DoDataExchange(pDX);
    DDX_Text(pDX, kNumberId, m_strECONo);
    DDX_Text(pDX, kSaveUserId, m_strSaveUser);
    DDX_Text(pDX, kSaveDateId, m_strSaveDate);
    DDX_Text(pDX, kStateId, m_strState);
    DDX_Text(pDX, kProductStyleId, m_strProductStyle);
    DDX_Text(pDX, kProductNameId, m_strProductName);
    DDX_Text(pDX, kProductCodeId, m_strProductCode);
    DDX_Text(pDX, kRemarkId, m_strRemark);
    DDX_Text(pDX, kAffectNoId, m_strAffectNo);
    DDX_CBIndex(pDX, kLevelId, m_nLevel);
    DDX_Text(pDX, kDepartmentId, m_strDepartment);
    DDX_Check(pDX, kSearchPartsId, m_bSearchParts);
    DDX_Check(pDX, kByProductClassId, m_bByProductClass);
}

BOOL CECOChangeItemDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    auto* level = static_cast<CComboBox*>(GetDlgItem(kLevelId));
    for (const char* text : {"普通", "中等", "优先"})
        level->AddString(text);
    m_docs.Init(this);

    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_strLoginUser = theApp.m_strLoginUser;
    m_strUserName = theApp.m_strUserName;

    m_listParts.SetExtendedStyle(m_listParts.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_listParts.InsertColumn(0, "图号", LVCFMT_LEFT, 90);
    m_listParts.InsertColumn(1, "图名", LVCFMT_LEFT, 80);
    m_listParts.InsertColumn(2, "更改标记", LVCFMT_LEFT, 90);
    m_listParts.InsertColumn(3, "更改数处", LVCFMT_LEFT, 90);
    m_listParts.InsertColumn(4, "涉及修改单", LVCFMT_LEFT, 210);
    m_listParts.m_editColumns.Add(2);
    m_listParts.m_editColumns.Add(3);
    m_listParts.m_editable = 1;

    if (m_bNewItem) {
        m_strSaveUser = m_strUserName;
        m_strSaveDate = CTime::GetCurrentTime().Format("%Y-%m-%d %H:%M");
        m_strState = "临时";
    } else {
        GetDlgItem(kNumberButtonId)->EnableWindow(FALSE);
        if (!m_strECONo.IsEmpty())
            LoadNotice();
    }
    // Decided here whatever the opener asked for: the preparer edits a notice in his hands.
    const bool inPreparersHands =
        (m_strState == "临时" || m_strState == "更改") && m_strSaveUser.CompareNoCase(m_strUserName) == 0;
    m_bReadOnly = inPreparersHands ? 0 : 1;
    m_docs.m_bReadOnly = m_bReadOnly;
    if (m_bReadOnly)
        MakeReadOnly();
    m_docs.EnableEditing();

    m_bByProductClass = ReadSettingInt("选择产品", "按产品大类", "0");
    UpdateData(FALSE);
    LoadConfigure();
    if (m_nNoMode == 4 && m_bNewItem)
        ReservePersonalNumber();
    CheckAuditConfigure();
    if (m_nReviewMode != kReviewPerOrder) {
        GetDlgItem(kAuditFlowId)->ShowWindow(SW_HIDE);
        m_strAuditingModel = m_strCfgAuditingModel;
        m_strAuditorName = m_strCfgAuditorName;
    }
    if (m_listParts.GetItemCount() == 0)
        GetDlgItem(kPartDeleteId)->EnableWindow(FALSE);
    if (m_nNoMode == 0 && m_bNewItem && !m_bReadOnly) {
        static_cast<CEdit*>(GetDlgItem(kNumberId))->SetReadOnly(FALSE);
        GetDlgItem(kNumberButtonId)->EnableWindow(FALSE);
    }
    return TRUE;
}

void CECOChangeItemDlg::LoadNotice() {
    CWaitCursor wait;
    CECOChangeNotice notice;
    notice.m_strECONo = m_strECONo;
    if (notice.LoadHeader()) {
        m_nLevel = notice.m_nLevel;
        m_strSaveUser = notice.m_strSaveUser;
        m_strSaveDate = notice.m_strSaveDate;
        m_strState = notice.m_strState;
        m_strProductStyle = notice.m_strProductStyle;
        m_strProductName = notice.m_strProductName;
        m_strProductCode = notice.m_strProductCode;
        m_strDepartment = notice.m_strDepartment;
        m_strRemark = notice.m_strRemark;
        m_strAffectNo = notice.m_strAffectNo;
        m_nReviewMode = notice.m_nReviewMode;
        m_strAuditingModel = notice.m_strAuditingModel;
        m_strAuditorName = notice.m_strAuditorName;
    } else {
        GetDlgItem(IDOK)->EnableWindow(FALSE);
    }
    std::vector<ECOChangePartRow> parts;
    notice.LoadParts(parts);
    for (const ECOChangePartRow& part : parts) {
        const int row = m_listParts.InsertItem(m_listParts.GetItemCount(), part.m_strPartCode);
        m_listParts.SetItemText(row, 1, part.m_strPartName);
        m_listParts.SetItemText(row, 2, part.m_strChangeLabel);
        m_listParts.SetItemText(row, 3, part.m_strChangePlace);
        m_listParts.SetItemText(row, 4, part.m_strChangeECO);
    }
    m_docs.m_strECONo = m_strECONo;
    m_docs.LoadRelatedDocs();
}

void CECOChangeItemDlg::LoadConfigure() {
    CECOConfigure configure;
    configure.LoadConfigure(kChangeNoticeGroup);
    m_nReviewMode = configure.m_nReviewMode;
    m_strCfgAuditingModel = configure.m_strCfgAuditingModel;
    m_strCfgAuditorName = configure.m_strCfgAuditorName;
    m_nNoWidth = configure.m_nNoWidth < 1 ? 1 : configure.m_nNoWidth;
    m_strNoSeparator = configure.m_strNoSeparator;
    m_nNoMode = configure.m_nNoMode < 0 ? 0 : configure.m_nNoMode;
}

void CECOChangeItemDlg::ReservePersonalNumber() {
    GetDlgItem(kNumberButtonId)->EnableWindow(FALSE);
    m_strECONo = ApplyPersonalNoticeNumber(
        {kChangeNoticeGroup, m_nNoWidth, m_strNoSeparator, m_nNoMode, m_strSaveUser, m_strSaveDate},
        m_strPersonalCode);
    m_docs.m_strECONo = m_strECONo;
    // Without a number the notice cannot be stored (the numbering has said why).
    if (m_strECONo.IsEmpty())
        GetDlgItem(IDOK)->EnableWindow(FALSE);
    UpdateData(FALSE);
}

void CECOChangeItemDlg::CheckAuditConfigure() {
    if (!ReviewConfigureConsistent(kChangeNoticeGroup, m_nReviewMode, m_strCfgAuditingModel))
        GetDlgItem(IDOK)->EnableWindow(FALSE);
}

void CECOChangeItemDlg::MakeReadOnly() {
    m_listParts.m_editable = 0;
    for (int id : {kRemarkId, kAffectNoId})
        static_cast<CEdit*>(GetDlgItem(id))->SetReadOnly(TRUE);
    for (int id : {kLevelId, kNumberButtonId, kPartAddId, kPartDeleteId, kDepartmentButtonId, kDocAddId,
                   kDocDeleteId, IDOK})
        GetDlgItem(id)->EnableWindow(FALSE);
}

LRESULT CECOChangeItemDlg::OnClearBrowse(WPARAM, LPARAM) {
    UpdateData(TRUE);
    m_docs.ClearBrowseCheck();
    UpdateData(FALSE);
    return 1;
}

void CECOChangeItemDlg::OnApplyNumber() {
    UpdateData(TRUE);
    NoticeProduct product{m_strProductCode, m_strProductName, m_strProductStyle};
    if (!PickProductAndApplyNumber(
            m_bByProductClass,
            {kChangeNoticeGroup, m_nNoWidth, m_strNoSeparator, m_nNoMode, m_strSaveUser, m_strSaveDate}, product,
            m_strECONo))
        return;
    m_strProductCode = product.code;
    m_strProductName = product.name;
    m_strProductStyle = product.style;
    m_docs.m_strECONo = m_strECONo;
    UpdateData(FALSE);
}

bool CECOChangeItemDlg::HasPart(const CString& code) const {
    return IsItemInList(m_listParts, code) != FALSE;
}

void CECOChangeItemDlg::OnAddParts() {
    UpdateData(TRUE);
    CStringArray codes;
    CStringArray names;
    if (m_bSearchParts) {
        CPartSelectDlg dlg;
        dlg.m_strProduct = m_strProductCode;
        if (dlg.DoModal() != IDOK)
            return;
        codes.Append(dlg.m_arrCode);
        names.Append(dlg.m_arrName);
    } else {
        CMultiPartSelectDlg dlg;
        if (dlg.DoModal() != IDOK)
            return;
        codes.Append(dlg.m_arrSelCode);
        names.Append(dlg.m_arrSelName);
    }
    for (int i = 0; i < codes.GetSize(); ++i) {
        const CString name = i < names.GetSize() ? names[i] : CString();
        if (HasPart(codes[i])) {
            CString text;
            text.Format("选定图纸 %s[%s] 已存在...", codes[i], name);
            AfxMessageBox(text);
            continue;
        }
        const int row = m_listParts.InsertItem(m_listParts.GetItemCount(), codes[i]);
        m_listParts.SetItemText(row, 1, name);
    }
    if (m_listParts.GetItemCount() > 0)
        GetDlgItem(kPartDeleteId)->EnableWindow(TRUE);
}

void CECOChangeItemDlg::OnDeleteParts() {
    if (vq::ShowMessageBox("操作提示", "是否删除选中的零部件信息?", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    for (int row = m_listParts.GetItemCount() - 1; row >= 0; --row)
        if (m_listParts.GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED)
            m_listParts.DeleteItem(row);
}

int CECOChangeItemDlg::SelectedPartRow() {
    const int row = GetFirstSelectedItem(m_listParts);
    if (row < 0)
        AfxMessageBox("请选择涉及的零部件...");
    return row;
}

void CECOChangeItemDlg::OnRelatedModifyOrders() {
    const int row = SelectedPartRow();
    if (row < 0)
        return;
    CSelectModifyItemDlg dlg;
    dlg.m_strPartCode = m_listParts.GetItemText(row, 0);
    dlg.m_bLockPart = 1;
    if (dlg.DoModal() != IDOK)
        return;
    CString text = m_listParts.GetItemText(row, 4);
    if (!text.IsEmpty()) {
        const int answer = AfxMessageBox("是否替代已有的涉及修改单信息?", MB_YESNOCANCEL);
        if (answer == IDCANCEL)
            return;
        if (answer == IDYES)
            text.Empty();
    }
    m_listParts.SetItemText(row, 4, AppendRelatedNumbers(text, dlg.m_arrSelectedNo));
}

void CECOChangeItemDlg::OnPartDrawingInfo() {
    const int row = SelectedPartRow();
    if (row < 0)
        return;
    CPartRevisionTreeDlg dlg;
    dlg.m_strPartCode = m_listParts.GetItemText(row, 0);
    dlg.m_strProductCode.Empty();
    dlg.DoModal();
}

void CECOChangeItemDlg::OnSelectDepartments() {
    UpdateData(TRUE);
    if (!m_strDepartment.IsEmpty() && AfxMessageBox("是否覆盖当前部门信息?", MB_YESNO) != IDYES)
        return;
    CSelectDeptDlg dlg;
    if (dlg.DoModal() != IDOK)
        return;
    CString joined;
    for (int i = 0; i < dlg.m_arrDeptName.GetSize(); ++i)
        joined += (i ? "; " : "") + dlg.m_arrDeptName[i];
    m_strDepartment = joined;
    UpdateData(FALSE);
}

void CECOChangeItemDlg::OnReviewFlow() {
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

int CECOChangeItemDlg::AskStorageType() {
    CMessageChoiceDlg dlg;
    dlg.m_strCaption = "操作提示";
    dlg.SetMessageText("请选择更改单的存储类型...");
    dlg.AddButton(kStoreTemporary, FALSE, FALSE, "临时");
    dlg.AddButton(kStoreFormal, FALSE, FALSE, "正式");
    dlg.AddButton(kStoreCancel, TRUE, TRUE, "取消");
    return static_cast<int>(dlg.DoModal());
}

CString CECOChangeItemDlg::FormalState() {
    if (m_nReviewMode == kReviewNone)
        return "正式";
    if (m_strState == "更改") {
        CECOAuditSubmitDlg submit;
        if (submit.DoModal() != IDOK)
            return CString();
        m_nRestartType = submit.m_nRestartType;
    } else {
        m_nRestartType = 2;
    }
    return "评审";
}

bool CECOChangeItemDlg::SaveParts(CECOChangeNotice& notice) {
    std::vector<ECOChangePartRow> parts;
    for (int row = 0; row < m_listParts.GetItemCount(); ++row) {
        ECOChangePartRow part;
        part.m_strPartCode = m_listParts.GetItemText(row, 0);
        part.m_strPartName = m_listParts.GetItemText(row, 1);
        part.m_strChangeLabel = m_listParts.GetItemText(row, 2);
        part.m_strChangePlace = m_listParts.GetItemText(row, 3);
        part.m_strChangeECO = m_listParts.GetItemText(row, 4);
        parts.push_back(part);
    }
    if (notice.StoreParts(parts))
        return true;
    AfxMessageBox("不能正常存储涉及的零部件信息...");
    return false;
}

bool CECOChangeItemDlg::WriteNotice(const CString& state, bool review) {
    CWaitCursor wait;
    CSqlTransaction transaction;
    if (!transaction.IsActive())
        return false;
    CECOAuditSetup setup;
    if (review) {
        setup.m_strECONo = m_strECONo;
        setup.m_strAuditingModel = m_strAuditingModel;
        setup.m_strAuditorName = m_strAuditorName;
        setup.m_nReviewMode = m_nReviewMode;
        setup.m_nRestartType = m_nRestartType;
        setup.m_pOwner = this;
        if (!setup.SetupAuditFlow())
            return false;
    }
    CECOChangeNotice notice;
    notice.m_strECONo = m_strECONo;
    notice.m_nLevel = m_nLevel;
    notice.m_strSaveUser = m_strSaveUser;
    notice.m_strSaveDate = m_strSaveDate;
    notice.m_strState = state;
    notice.m_strProductStyle = m_strProductStyle;
    notice.m_strProductName = m_strProductName;
    notice.m_strProductCode = m_strProductCode;
    notice.m_strDepartment = m_strDepartment;
    notice.m_strRemark = m_strRemark;
    notice.m_strAffectNo = m_strAffectNo;
    notice.m_nReviewMode = m_nReviewMode;
    notice.m_strAuditingModel = m_strAuditingModel;
    notice.m_strAuditorName = m_strAuditorName;
    if (!SaveParts(notice) || !notice.StoreHeader() || !transaction.Commit())
        return false;
    // The reviewers hear of their tasks only once the tasks are stored.
    setup.SendNotices();
    return true;
}

int CECOChangeItemDlg::StoreNotice() {
    CString state;
    bool review = false;
    switch (AskStorageType()) {
    case kStoreTemporary:
        state = "临时";
        break;
    case kStoreFormal:
        state = FormalState();
        if (state.IsEmpty())
            return 0;
        review = state == "评审";
        break;
    default:
        return 0;
    }
    if (!WriteNotice(state, review))
        return 0;
    if (state == "正式") {
        CECOPublisher publisher;
        publisher.m_strECONo = m_strECONo;
        publisher.m_strECOGroup = kChangeNoticeGroup;
        publisher.Publish();
    }
    return 1;
}

bool CECOChangeItemDlg::StoreAll() {
    if (!StoreNotice())
        return false;
    m_docs.m_strECONo = m_strECONo;
    return m_docs.SaveRelatedDocs() != 0;
}

void CECOChangeItemDlg::WriteFormSettings() {
    CString value;
    value.Format("%d", m_bByProductClass);
    WriteSetting("选择产品", "按产品大类", value);
}

void CECOChangeItemDlg::OnOK() {
    UpdateData(TRUE);
    if (m_strECONo.IsEmpty()) {
        AfxMessageBox("未申请更改单编号，不能存储...");
        return;
    }
    if (m_nNoMode == 0 && m_bNewItem &&
        theApp.GetSqlInt("SELECT count(*) FROM ECOChangeManage WHERE ECONo='" + SqlQuote(m_strECONo) + "'") >
            0) {
        AfxMessageBox("该编号已存在...");
        return;
    }
    if (HasReview(m_nReviewMode) && (m_strAuditingModel.IsEmpty() || m_strAuditorName.IsEmpty())) {
        AfxMessageBox("评审流程或评审人员为空，请配置该更改单的评审流程...");
        return;
    }
    if (!StoreAll()) {
        UpdateData(FALSE);
        return;
    }
    if (m_bNewItem && !m_bReadOnly) {
        if (vq::ShowMessageBox("操作提示", "是否继续注册更改单?", MB_YESNO | MB_ICONQUESTION) == IDYES) {
            if (AfxMessageBox("是否清除当前更改单信息?", MB_YESNO) == IDYES) {
                m_strDepartment.Empty();
                m_strRemark.Empty();
                m_strAffectNo.Empty();
                m_listParts.DeleteAllItems();
            }
            m_strECONo.Empty();
            m_strProductCode.Empty();
            m_strProductName.Empty();
            m_strProductStyle.Empty();
            UpdateData(FALSE);
            return;
        }
    }
    WriteFormSettings();
    EndDialog(IDOK);
}

void CECOChangeItemDlg::OnCancel() {
    UpdateData(TRUE);
    if (!m_bReadOnly && m_bNewItem && !m_strECONo.IsEmpty()) {
        const int answer = vq::ShowMessageBox("操作提示", "编号已申请，是否存储更改单信息?",
                                              MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL)
            return;
        if (answer == IDYES) {
            // Closes only when the notice was stored; a failure or a cancelled question keeps it.
            if (!StoreAll()) {
                UpdateData(FALSE);
                return;
            }
        } else if (m_nNoMode > 0) {
            CECONumbering numbering;
            numbering.m_strGroup = kChangeNoticeGroup;
            numbering.DeleteSerialNo(m_strECONo);
        }
    } else if (!m_bReadOnly && !m_bNewItem) {
        const int answer =
            vq::ShowMessageBox("操作提示", "是否存储更改单信息?", MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL)
            return;
        if (answer == IDYES && !StoreAll()) {
            UpdateData(FALSE);
            return;
        }
    }
    WriteFormSettings();
    EndDialog(IDCANCEL);
}

void CECOChangeItemDlg::PostNcDestroy() {
    m_docs.FreeDocs();
    CDialog::PostNcDestroy();
}
