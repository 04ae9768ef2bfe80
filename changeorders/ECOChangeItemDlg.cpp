#include "changeorders/ECOChangeItemDlg.h"

#include "changeorders/ECOAuditSetup.h"
#include "changeorders/ECOAuditSubmitDlg.h"
#include "changeorders/ECOChangeNotice.h"
#include "changeorders/ECOConfigure.h"
#include "changeorders/ECOPublisher.h"
#include "changeorders/SelectModifyItemDlg.h"
#include "controls/ListHelpers.h"
#include "controls/MessageChoiceDlg.h"
#include "core/ComError.h"
#include "core/Settings.h"
#include "core/SqlTransaction.h"
#include "core/VqDesignTaskApp.h"
#include "parts/PartRevisionTreeDlg.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"

#include <memory>

namespace {

using Dlg = CECOChangeItemDlg;

const NoticeFormSetup kSetup{
    kChangeNoticeGroup,
    {Dlg::kNumberId, Dlg::kNumberButtonId, Dlg::kSaveUserId, Dlg::kSaveDateId, Dlg::kStateId, Dlg::kLevelId,
     Dlg::kRemarkId, Dlg::kAffectNoId, Dlg::kDepartmentId, Dlg::kDepartmentButtonId, Dlg::kSearchPartsId,
     Dlg::kByProductClassId, Dlg::kPartListId, Dlg::kAuditFlowId},
    {Dlg::kDocListId, Dlg::kDocAddId, Dlg::kDocDeleteId, Dlg::kDocSaveAsId, Dlg::kDocBrowseId},
    {"更改单状态", "未申请更改单编号，不能存储...", "评审流程或评审人员为空，请配置该更改单的评审流程...",
     "是否继续注册更改单?", "是否清除当前更改单信息?", "编号已申请，是否存储更改单信息?",
     "是否存储更改单信息?", "SELECT count(*) FROM ECOChangeManage WHERE ECONo='"}};

// Rows: number, preparer, date and state; the product; priority, production order number and
// remark; the departments; the changed parts in their frame; the attached documents; the buttons.
vq::DialogTemplate MakeTemplate() {
    std::vector<vq::ControlTemplate> c = NoticeNumberRow(kSetup);
    for (const vq::ControlTemplate& control :
         {vq::Label("产品型号:"),
          vq::EditBox(Dlg::kProductStyleId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
          vq::Label("产品名称:", vq::kBeside),
          vq::EditBox(Dlg::kProductNameId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
          vq::Label("产品总图号:", vq::kBeside),
          vq::EditBox(Dlg::kProductCodeId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY), vq::Label("优先级别"),
          vq::DropDownList(Dlg::kLevelId, vq::kBeside), vq::Label("生产单号:", vq::kBeside),
          vq::EditBox(Dlg::kAffectNoId, vq::kBeside), vq::Label("备注:", vq::kBeside),
          vq::EditBox(Dlg::kRemarkId, vq::kBeside)})
        c.push_back(control);
    for (const vq::ControlTemplate& control : NoticeDepartmentRow(kSetup))
        c.push_back(control);
    for (const vq::ControlTemplate& control :
         {vq::GroupFrame("更改图纸"), vq::CheckBox(Dlg::kSearchPartsId, "查询模式"),
          vq::CheckBox(Dlg::kByProductClassId, "产品大类", vq::kBeside),
          vq::PushButton(Dlg::kPartAddId, "增加...", vq::kBeside),
          vq::PushButton(Dlg::kPartDeleteId, "删除...", vq::kBeside),
          vq::PushButton(Dlg::kRelatedOrdersId, "涉及修改...", vq::kBeside),
          vq::PushButton(Dlg::kDrawingInfoId, "图档信息...", vq::kBeside),
          vq::ReportList(Dlg::kPartListId, vq::kFill, LVS_REPORT | LVS_SHOWSELALWAYS)})
        c.push_back(control);
    CRelateDocPanel panel(kChangeNoticeGroup, kSetup.docIds);
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

BEGIN_MESSAGE_MAP(CECOChangeItemDlg, CNoticeFormDlg)
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
END_MESSAGE_MAP()

CECOChangeItemDlg::CECOChangeItemDlg(CWnd* parent) : CNoticeFormDlg(IDD, parent, kSetup) {}

void CECOChangeItemDlg::DoDataExchange(CDataExchange* pDX) {
    CNoticeFormDlg::DoDataExchange(pDX);
    DDX_Text(pDX, kProductStyleId, m_strProductStyle);
    DDX_Text(pDX, kProductNameId, m_strProductName);
    DDX_Text(pDX, kProductCodeId, m_strProductCode);
}

BOOL CECOChangeItemDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    SetUpSharedControls();
    m_listParts.InsertColumn(0, "图号", LVCFMT_LEFT, 90);
    m_listParts.InsertColumn(1, "图名", LVCFMT_LEFT, 80);
    m_listParts.InsertColumn(2, "更改标记", LVCFMT_LEFT, 90);
    m_listParts.InsertColumn(3, "更改数处", LVCFMT_LEFT, 90);
    m_listParts.InsertColumn(4, "涉及修改单", LVCFMT_LEFT, 210);
    m_listParts.m_editColumns.Add(2);
    m_listParts.m_editColumns.Add(3);
    m_listParts.m_editable = 1;

    OpenNotice();
    // The notice as read, before the group's configuration replaces its review mode and flow: what
    // the configuration replaces is stored as the form's change.
    if (m_bNoticeStored)
        KeepStoredNotice();
    // Decided here whatever the opener asked for: the preparer edits a notice in his hands.
    m_bReadOnly = InPreparersHands() ? 0 : 1;
    ApplyReadOnly({kRemarkId, kAffectNoId}, {kLevelId, kNumberButtonId, kPartAddId, kPartDeleteId,
                                             kDepartmentButtonId, kDocAddId, kDocDeleteId, IDOK});
    ApplyConfigure();
    if (m_listParts.GetItemCount() == 0)
        GetDlgItem(kPartDeleteId)->EnableWindow(FALSE);
    return TRUE;
}

void CECOChangeItemDlg::LoadNotice() {
    CWaitCursor wait;
    CECOChangeNotice notice;
    notice.m_strECONo = m_strECONo;
    if (notice.LoadHeader()) {
        m_bNoticeStored = true;
        m_strStoredState = notice.m_strState;
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

void CECOChangeItemDlg::OnApplyNumber() {
    UpdateData(TRUE);
    NoticeProduct product{m_strProductCode, m_strProductName, m_strProductStyle};
    if (!ApplyNumberFor(product))
        return;
    m_strProductCode = product.code;
    m_strProductName = product.name;
    m_strProductStyle = product.style;
    UpdateData(FALSE);
}

void CECOChangeItemDlg::OnAddParts() {
    UpdateData(TRUE);
    if (!AddPickedParts(m_strProductCode))
        return;
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
    PickDepartments();
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
    // A lost connection has been said as what it is.
    if (!theApp.m_bConnectionLost)
        AfxMessageBox("不能正常存储涉及的零部件信息...");
    return false;
}

std::vector<StoredField> CECOChangeItemDlg::HeaderFields() const {
    return {{"ECOLevel", "优先级别", ECOLevelText(m_nLevel)},
            {"SaveUser", "编制人", m_strSaveUser},
            {"SaveDate", "编制日期", m_strSaveDate},
            {"ProductStyle", "产品型号", m_strProductStyle},
            {"ProductName", "产品名称", m_strProductName},
            {"ProductCode", "产品总图号", m_strProductCode},
            {"Department", "发放单位", m_strDepartment},
            {"Remark", "备注", m_strRemark},
            {"AffectNo", "生产单号", m_strAffectNo},
            {"AuditingType", "评审方式", AuditingTypeText(m_nReviewMode)},
            {"AuditingModel", "评审流程", m_strAuditingModel},
            {"AuditorName", "评审人员", m_strAuditorName}};
}

CString CECOChangeItemDlg::PartsText() const {
    CString text;
    for (int row = 0; row < m_listParts.GetItemCount(); ++row) {
        for (int column = 0; column < 5; ++column)
            text += m_listParts.GetItemText(row, column) + "\t";
        text += "\n";
    }
    return text;
}

// The stored part rows in the form of PartsText.
static CString StoredPartsText(const CString& number) {
    CECOChangeNotice notice;
    notice.m_strECONo = number;
    std::vector<ECOChangePartRow> parts;
    notice.LoadParts(parts);
    CString text;
    for (const ECOChangePartRow& part : parts) {
        for (const CString* field : {&part.m_strPartCode, &part.m_strPartName, &part.m_strChangeLabel,
                                     &part.m_strChangePlace, &part.m_strChangeECO})
            text += *field + "\t";
        text += "\n";
    }
    return text;
}

void CECOChangeItemDlg::KeepStoredNotice() {
    // Its preparer and the time it was prepared tell the notice from one made again under the
    // same number after it was deleted.
    m_storedHeader = std::make_unique<CStoredRowEdit>(
        "ECOChangeManage", std::vector<std::pair<CString, CString>>{{"ECONo", m_strECONo}},
        std::vector<CString>{"SaveUser", "SaveDate"});
    m_storedHeader->Open(HeaderFields());
    m_strStoredParts = StoredPartsText(m_strECONo);
    m_strOpenedParts = PartsText();
}

bool CECOChangeItemDlg::WriteChanges(CECOChangeNotice& notice, const CString& state) {
    const CString parts = PartsText();
    const bool partsChanged = parts != m_strOpenedParts;
    // The parts another client stored meanwhile conflict with the person's change unless they are
    // the very parts the form now lists.
    if (partsChanged) {
        const CString stored = StoredPartsText(m_strECONo);
        if (stored != m_strStoredParts &&
            CStoredRowEdit::SortedRows(stored) != CStoredRowEdit::SortedRows(parts)) {
            ShowDbMessage(CStoredRowEdit::ConflictMessage({"更改图纸"}));
            return false;
        }
    }
    if (!m_storedHeader->StoreChanges(HeaderFields(), {{"State", "", state}}, true))
        return false;
    return !partsChanged || SaveParts(notice);
}

bool CECOChangeItemDlg::StoredNoticeUnchanged() {
    CString sql;
    sql.Format("SELECT State, SaveUser, SaveDate FROM ECOChangeManage WHERE ECONo='%s'",
               SqlQuote(m_strECONo));
    std::vector<CString> stored;
    bool found = false;
    if (!ReadFirstRowTexts(sql, stored, found))
        return false;
    // A notice deleted and made again under the same number (by another preparer, at another
    // time) is not the one the form read: it counts as deleted.
    if (found && m_bNoticeStored && m_storedHeader && m_storedHeader->IsOpen() && stored.size() == 3 &&
        std::vector<CString>(stored.begin() + 1, stored.end()) != m_storedHeader->Identity())
        found = false;
    const CString state = found ? stored[0] : CString();
    if (found == m_bNoticeStored && state == m_strStoredState)
        return true;
    // Said once the transaction has ended: the box keeps nobody else waiting.
    CString text;
    if (!found)
        text.Format("更改单：%s 已被删除，本次没有保存。", m_strECONo.c_str());
    else if (!m_bNoticeStored)
        text = "该编号已存在...";
    else if (state == "正式")
        text.Format("更改单：%s 已发布，本次没有保存，也没有再次发布。", m_strECONo.c_str());
    else
        text.Format("更改单：%s 的状态已变为“%s”，本次没有保存。", m_strECONo.c_str(), state.c_str());
    ShowDbMessage(text);
    return false;
}

bool CECOChangeItemDlg::WriteNotice(const CString& state, bool review, CECOPublisher* publication) {
    CWaitCursor wait;
    CSqlTransaction transaction;
    if (!transaction.IsActive())
        return false;
    // Two windows storing one notice at the same moment are taken one after the other, and each
    // stores only over the notice it opened: one that another window published, sent into review
    // or deleted meanwhile is neither written nor published again.
    CString lock = "ECOChangeManage:" + m_strECONo;
    lock.MakeUpper();
    if (!transaction.Lock(lock) || !StoredNoticeUnchanged())
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
    // A notice stored when the form read it gets the user's changes only; a new one is written
    // whole.
    const bool stored = m_bNoticeStored && m_storedHeader && m_storedHeader->IsOpen();
    if (stored ? !WriteChanges(notice, state) : !SaveParts(notice) || !notice.StoreHeader())
        return false;
    if (publication && !publication->WritePublication())
        return false;
    if (!transaction.Commit())
        return false;
    m_bNoticeStored = true;
    m_strStoredState = state;
    KeepStoredNotice();
    // The reviewers and the receivers of the publication hear of it only once it is stored.
    setup.SendNotices();
    if (publication)
        publication->SendNotices();
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
    std::unique_ptr<CECOPublisher> publisher;
    if (state == "正式") {
        publisher = std::make_unique<CECOPublisher>();
        publisher->m_strECONo = m_strECONo;
        publisher->m_strECOGroup = kChangeNoticeGroup;
    }
    return WriteNotice(state, review, publisher.get()) ? 1 : 0;
}

void CECOChangeItemDlg::WriteFormSettings() {
    CString value;
    value.Format("%d", m_bByProductClass);
    WriteSetting("选择产品", "按产品大类", value);
}

void CECOChangeItemDlg::ResetForNextNotice(bool) {
    m_bNoticeStored = false;
    m_storedHeader.reset();
    m_strStoredState.Empty();
    m_strProductCode.Empty();
    m_strProductName.Empty();
    m_strProductStyle.Empty();
}

void CECOChangeItemDlg::OnOK() {
    UpdateData(TRUE);
    if (!ReadyToStore() || !StoreAll() || OfferNextNotice())
        return;
    WriteFormSettings();
    EndDialog(IDOK);
}

void CECOChangeItemDlg::OnCancel() {
    UpdateData(TRUE);
    if (!OfferStoreBeforeClose())
        return;
    WriteFormSettings();
    EndDialog(IDCANCEL);
}
