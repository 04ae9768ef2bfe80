#include "changeorders/ECOModifyItemDlg.h"

#include "changeorders/ECOConfigure.h"
#include "changeorders/ECOModifyParts.h"
#include "controls/ListHelpers.h"
#include "core/ComError.h"
#include "core/Settings.h"
#include "core/SqlTransaction.h"
#include "core/VqDesignTaskApp.h"
#include "parts/PartBorrowQueryDlg.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/DataExchange.h"

#include <cstdlib>

namespace {

using Dlg = CECOModifyItemDlg;

constexpr int kPartColumns = 6;

const NoticeFormSetup kSetup{
    kModifyNoticeGroup,
    {Dlg::kNumberId, Dlg::kNumberButtonId, Dlg::kSaveUserId, Dlg::kSaveDateId, Dlg::kStateId, Dlg::kLevelId,
     Dlg::kRemarkId, Dlg::kAffectNoId, Dlg::kDepartmentId, Dlg::kDepartmentButtonId, Dlg::kSearchPartsId,
     Dlg::kByProductClassId, Dlg::kPartListId, Dlg::kAuditFlowId},
    {Dlg::kDocListId, Dlg::kDocAddId, Dlg::kDocDeleteId, Dlg::kDocSaveAsId, Dlg::kDocBrowseId},
    {"状态:", "未申请修改单编号，不能存储...", "评审流程或评审人员为空，请配置该修改单的评审流程...",
     "是否继续注册修改单?", "是否清除当前修改单信息?", "编号已申请，是否存储修改单信息?",
     "是否存储修改单信息?", "SELECT count(*) FROM ECOModifyManage WHERE ECONo='"}};

// Rows: the header fields, the attached documents in their frame, the drawings in theirs with the
// lower part (content and reason) under a separator line, and the buttons.
vq::DialogTemplate MakeTemplate() {
    std::vector<vq::ControlTemplate> c = NoticeNumberRow(kSetup);
    for (const vq::ControlTemplate& control :
         {vq::Label("有效期:"), vq::DateTimePicker(Dlg::kValidDateId, vq::kBeside),
          vq::DropDownList(Dlg::kValidTypeId, vq::kBeside), vq::Label("优先级别:", vq::kBeside),
          vq::DropDownList(Dlg::kLevelId, vq::kBeside),
          vq::CheckBox(Dlg::kByProductClassId, "产品大类", vq::kBeside), vq::Label("备注:"),
          vq::EditBox(Dlg::kRemarkId, vq::kBeside), vq::Label("生产单号:", vq::kBeside),
          vq::EditBox(Dlg::kAffectNoId, vq::kBeside)})
        c.push_back(control);
    for (const vq::ControlTemplate& control : NoticeDepartmentRow(kSetup))
        c.push_back(control);
    CRelateDocPanel panel(kModifyNoticeGroup, kSetup.docIds);
    for (const vq::ControlTemplate& control : panel.TemplateControls())
        c.push_back(control);
    for (const vq::ControlTemplate& control :
         {vq::GroupFrame("涉及图纸:"), vq::CheckBox(Dlg::kSearchPartsId, "查询"),
          vq::PushButton(Dlg::kPartAddId, "增加...", vq::kBeside),
          vq::PushButton(Dlg::kPartDeleteId, "删除...", vq::kBeside),
          vq::PushButton(Dlg::kOpinionId, "意见...", vq::kBeside),
          vq::PushButton(Dlg::kImpactId, "影响面...", vq::kBeside),
          vq::ReportList(Dlg::kPartListId, vq::kFill, LVS_REPORT | LVS_SHOWSELALWAYS),
          vq::Label("", vq::kNoLayoutFlags, SS_ETCHEDHORZ, Dlg::kSeparatorId),
          vq::Label("更改内容:", vq::kNoLayoutFlags, 0, Dlg::kContentLabelId),
          vq::EditBox(Dlg::kContentId, vq::kBeside, ES_MULTILINE | ES_WANTRETURN),
          vq::Label("更改原因:", vq::kNoLayoutFlags, 0, Dlg::kResionLabelId),
          vq::EditBox(Dlg::kResionId, vq::kBeside, ES_MULTILINE | ES_WANTRETURN),
          vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside),
          vq::PushButton(Dlg::kAuditFlowId, "评审流程...", vq::kBeside),
          vq::PushButton(Dlg::kExpandId, "展开>>", vq::kBeside)})
        c.push_back(control);
    return vq::DialogTemplate("修改通知单 - 改蓝图", c, CSize(780, 640));
}

const vq::DialogTemplate kModifyItemTemplate = MakeTemplate();
const vq::TemplateRegistration kModifyItemRegistration(CECOModifyItemDlg::IDD, kModifyItemTemplate);

// The controls below the separator line, shown only when the form is expanded.
constexpr int kLowerControls[] = {Dlg::kSeparatorId, Dlg::kContentLabelId, Dlg::kContentId,
                                  Dlg::kResionLabelId, Dlg::kResionId};

SYSTEMTIME Today() {
    const CTime now = CTime::GetCurrentTime();
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(now.GetYear());
    st.wMonth = static_cast<WORD>(now.GetMonth());
    st.wDay = static_cast<WORD>(now.GetDay());
    return st;
}

} // namespace

BEGIN_MESSAGE_MAP(CECOModifyItemDlg, CNoticeFormDlg)
    ON_BN_CLICKED(CECOModifyItemDlg::kNumberButtonId, &CECOModifyItemDlg::OnApplyNumber)
    ON_BN_CLICKED(CECOModifyItemDlg::kPartAddId, &CECOModifyItemDlg::OnAddParts)
    ON_BN_CLICKED(CECOModifyItemDlg::kPartDeleteId, &CECOModifyItemDlg::OnDeleteParts)
    ON_BN_CLICKED(CECOModifyItemDlg::kImpactId, &CECOModifyItemDlg::OnImpact)
    ON_BN_CLICKED(CECOModifyItemDlg::kDepartmentButtonId, &CECOModifyItemDlg::OnDepartments)
    ON_BN_CLICKED(CECOModifyItemDlg::kAuditFlowId, &CECOModifyItemDlg::OnReviewFlow)
    ON_BN_CLICKED(CECOModifyItemDlg::kExpandId, &CECOModifyItemDlg::OnExpand)
    ON_BN_CLICKED(CECOModifyItemDlg::kDocAddId, &CECOModifyItemDlg::OnAddDocument)
    ON_BN_CLICKED(CECOModifyItemDlg::kDocDeleteId, &CECOModifyItemDlg::OnDeleteDocument)
    ON_BN_CLICKED(CECOModifyItemDlg::kDocSaveAsId, &CECOModifyItemDlg::OnSaveDocumentAs)
    ON_BN_CLICKED(CECOModifyItemDlg::kDocBrowseId, &CECOModifyItemDlg::OnBrowseDocument)
    ON_NOTIFY(LVN_ITEMCHANGED, CECOModifyItemDlg::kDocListId, &CECOModifyItemDlg::OnDocumentChanged)
END_MESSAGE_MAP()

CECOModifyItemDlg::CECOModifyItemDlg(CWnd* parent)
    : CNoticeFormDlg(IDD, parent, kSetup), m_validDate(Today()) {}

void CECOModifyItemDlg::DoDataExchange(CDataExchange* pDX) {
    CNoticeFormDlg::DoDataExchange(pDX);
    DDX_Control(pDX, kValidDateId, m_dateValid);
    DDX_DateTimeCtrl(pDX, kValidDateId, m_validDate);
    DDX_CBIndex(pDX, kValidTypeId, m_nValidType);
    DDX_Text(pDX, kContentId, m_strContent);
    DDX_Text(pDX, kResionId, m_strResion);
}

BOOL CECOModifyItemDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    SetUpSharedControls();
    auto* validType = static_cast<CComboBox*>(GetDlgItem(kValidTypeId));
    for (const char* text : {"起", "止"})
        validType->AddString(text);
    ShowLowerPart(false);

    m_listParts.InsertColumn(0, "图号", LVCFMT_LEFT, 90);
    m_listParts.InsertColumn(1, "图名", LVCFMT_LEFT, 80);
    m_listParts.InsertColumn(2, "处理意见", LVCFMT_LEFT, 140);
    m_listParts.InsertColumn(3, "更改标记", LVCFMT_LEFT, 120);
    m_listParts.InsertColumn(4, "更改处数", LVCFMT_LEFT, 120);
    m_listParts.InsertColumn(5, "更改类型", LVCFMT_LEFT, 120);
    for (UINT column = 2; column <= 5; ++column)
        m_listParts.m_editColumns.Add(column);
    m_listParts.m_editable = 1;
    m_dateValid.SetFormat("yyyy-MM-dd");

    OpenNotice();
    // The notice as read, before the group's configuration replaces its review mode and flow: what
    // the configuration replaces is stored as the form's change.
    if (m_bHeaderFound)
        KeepStoredNotice();
    // An opener's read-only form stays read-only; an editable one only in its preparer's hands.
    if (!m_bReadOnly && !InPreparersHands())
        m_bReadOnly = 1;
    ApplyReadOnly({kContentId, kResionId, kRemarkId, kAffectNoId},
                  {kLevelId, kValidDateId, kValidTypeId, kSearchPartsId, kByProductClassId, kPartAddId,
                   kDocAddId, kPartDeleteId, kDocDeleteId, kOpinionId, kNumberButtonId, kDepartmentButtonId,
                   IDOK});
    ApplyConfigure();
    // The form always opens collapsed; the state stored at OK is written for other programs of
    // the installation and is not read back here.
    return TRUE;
}

void CECOModifyItemDlg::LoadNotice() {
    LoadHeader();
    LoadParts();
}

void CECOModifyItemDlg::LoadHeader() {
    bool found = false;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open("SELECT "
                 "ECOLevel,SaveUser,SaveDate,State,ValidDate,ValidType,Department,Resion,Remark,AuditingType,"
                 "AuditingModel,AuditorName,Content,AffectNo FROM ECOModifyManage WHERE ECONo='" +
                     SqlQuote(m_strECONo) + "'",
                 m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            found = true;
            auto field = [&rs](long i) { return VariantToString(rs->GetCollect(i)); };
            m_nLevel = ECOLevelIndex(field(0));
            m_strSaveUser = field(1);
            m_strSaveDate = field(2);
            m_strState = field(3);
            const CString validDate = field(4);
            if (validDate.GetLength() > 9) {
                m_validDate = SYSTEMTIME{};
                m_validDate.wYear = static_cast<WORD>(std::atoi(validDate.Mid(0, 4)));
                m_validDate.wMonth = static_cast<WORD>(std::atoi(validDate.Mid(5, 2)));
                m_validDate.wDay = static_cast<WORD>(std::atoi(validDate.Mid(8, 2)));
            }
            m_nValidType = field(5) == "起" ? 0 : 1;
            m_strDepartment = field(6);
            m_strResion = field(7);
            m_strRemark = field(8);
            m_nReviewMode = ReviewModeOfAuditingType(field(9));
            m_strAuditingModel = field(10);
            m_strAuditorName = field(11);
            m_strContent = field(12);
            m_strAffectNo = field(13);
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    m_bHeaderFound = found;
    if (!found)
        GetDlgItem(IDOK)->EnableWindow(FALSE);
}

void CECOModifyItemDlg::LoadParts() {
    m_listParts.DeleteAllItems();
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open("SELECT PartCode,PartName,Result,Other1,Other2,Other3 FROM ECOModifyPart WHERE ECONo='" +
                     SqlQuote(m_strECONo) + "'",
                 m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        AppendTextRows(m_listParts, rs, kPartColumns);
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

// The lower part (content and reason) is hidden and disabled while the form is collapsed.
void CECOModifyItemDlg::ShowLowerPart(bool expanded) {
    for (int id : kLowerControls) {
        CWnd* control = GetDlgItem(id);
        control->ShowWindow(expanded ? SW_SHOW : SW_HIDE);
        control->EnableWindow(expanded ? TRUE : FALSE);
    }
}

void CECOModifyItemDlg::OnExpand() {
    m_bExpanded = m_bExpanded ? 0 : 1;
    ShowLowerPart(m_bExpanded != 0);
}

void CECOModifyItemDlg::OnApplyNumber() {
    UpdateData(TRUE);
    NoticeProduct product{m_strProduct, CString(), CString()};
    if (!ApplyNumberFor(product))
        return;
    m_strProduct = product.code;
    UpdateData(FALSE);
}

void CECOModifyItemDlg::OnAddParts() {
    UpdateData(TRUE);
    if (!AddPickedParts(m_strProduct))
        return;
    GetDlgItem(kPartDeleteId)->EnableWindow(m_listParts.GetItemCount() > 0 ? TRUE : FALSE);
}

void CECOModifyItemDlg::OnDeleteParts() {
    if (AfxMessageBox("是否要删除选中的图纸信息?", MB_YESNO) != IDYES)
        return;
    bool any = false;
    for (int row = m_listParts.GetItemCount() - 1; row >= 0; --row)
        if (m_listParts.GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED) {
            m_listParts.DeleteItem(row);
            any = true;
        }
    if (!any)
        AfxMessageBox("未选择图纸...");
}

void CECOModifyItemDlg::OnImpact() {
    const int row = GetFirstSelectedItem(m_listParts);
    if (row < 0) {
        AfxMessageBox("请选择图纸项...");
        return;
    }
    CPartBorrowQueryDlg dlg;
    dlg.m_strPartCode = m_listParts.GetItemText(row, 0);
    dlg.DoModal();
}

void CECOModifyItemDlg::OnDepartments() {
    UpdateData(TRUE);
    if (!m_strDepartment.IsEmpty() &&
        vq::ShowMessageBox("操作提示", "是否覆盖当前部门信息?", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    PickDepartments();
}

CString CECOModifyItemDlg::ValidDateText() const {
    CString text;
    text.Format("%04d-%02d-%02d", m_validDate.wYear, m_validDate.wMonth, m_validDate.wDay);
    return text;
}

std::vector<StoredField> CECOModifyItemDlg::HeaderFields() const {
    return {{"ECOLevel", "优先级别", ECOLevelText(m_nLevel)},
            {"SaveUser", "编制人", m_strSaveUser},
            {"SaveDate", "编制日期", m_strSaveDate},
            {"State", "状态", m_strState},
            {"ValidDate", "有效期", ValidDateText()},
            {"ValidType", "有效期（起/止）", m_nValidType == 0 ? "起" : "止"},
            {"Department", "发放单位", m_strDepartment},
            {"Resion", "更改原因", m_strResion},
            {"Remark", "备注", m_strRemark},
            {"AuditingType", "评审方式", AuditingTypeText(m_nReviewMode)},
            {"AuditingModel", "评审流程", m_strAuditingModel},
            {"AuditorName", "评审人员", m_strAuditorName},
            {"Content", "更改内容", m_strContent},
            {"AffectNo", "生产单号", m_strAffectNo}};
}

CString CECOModifyItemDlg::PartsText() const {
    CString text;
    for (int row = 0; row < m_listParts.GetItemCount(); ++row) {
        for (int column = 0; column < kPartColumns; ++column)
            text += m_listParts.GetItemText(row, column).Trim() + "\t";
        text += "\n";
    }
    return text;
}

CString CECOModifyItemDlg::StoredPartsText() const {
    return CStoredRowEdit::RowsText(
        "SELECT PartCode, PartName, Result, Other1, Other2, Other3 FROM ECOModifyPart WHERE ECONo='" +
        SqlQuote(m_strECONo) + "' ORDER BY PartCode, PartName, Result, Other1, Other2, Other3");
}

void CECOModifyItemDlg::KeepStoredNotice() {
    // Its preparer and the time it was prepared tell the notice from one made again under the
    // same number after it was deleted.
    m_storedHeader = std::make_unique<CStoredRowEdit>(
        "ECOModifyManage", std::vector<std::pair<CString, CString>>{{"ECONo", m_strECONo}},
        std::vector<CString>{"SaveUser", "SaveDate"});
    m_storedHeader->Open(HeaderFields());
    m_strStoredParts = StoredPartsText();
    m_strOpenedParts = PartsText();
}

bool CECOModifyItemDlg::WriteParts() {
    std::vector<std::vector<_variant_t>> parts;
    parts.reserve(static_cast<std::size_t>(m_listParts.GetItemCount()));
    for (int row = 0; row < m_listParts.GetItemCount(); ++row) {
        std::vector<_variant_t>& part = parts.emplace_back();
        for (int c = 0; c < kPartColumns; ++c)
            part.emplace_back(m_listParts.GetItemText(row, c));
    }
    return ReplaceModifyParts(m_strECONo, parts);
}

bool CECOModifyItemDlg::WriteChanges() {
    const CString parts = PartsText();
    const bool partsChanged = parts != m_strOpenedParts;
    // The drawings another client stored meanwhile conflict with the person's change unless they
    // are the very drawings the form now lists.
    if (partsChanged) {
        const CString stored = StoredPartsText();
        if (stored != m_strStoredParts &&
            CStoredRowEdit::SortedRows(stored) != CStoredRowEdit::SortedRows(parts)) {
            ShowDbMessage(CStoredRowEdit::ConflictMessage({"图纸"}));
            return false;
        }
    }
    return m_storedHeader->StoreChanges(HeaderFields()) && (!partsChanged || WriteParts());
}

int CECOModifyItemDlg::StoreNotice() {
    CWaitCursor wait;
    CSqlTransaction transaction;
    if (!transaction.IsActive())
        return 0;
    if (m_storedHeader && m_storedHeader->IsOpen()) {
        // A notice stored when the form read it gets the user's changes only.
        if (!transaction.Lock(m_storedHeader->LockName()) || !WriteChanges() || !transaction.Commit())
            return 0;
        KeepStoredNotice();
        return 1;
    }
    const CString number = SqlQuote(m_strECONo);
    CString sql;
    sql.Format(
        "INSERT INTO ECOModifyManage (ECONo, ECOLevel, SaveUser, SaveDate, State, ValidDate, ValidType, "
        "Department, Resion, Remark, AuditingType, AuditingModel, AuditorName, Content, AffectNo) "
        "VALUES('%s', "
        "'%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s')",
        number, SqlQuote(ECOLevelText(m_nLevel)), SqlQuote(m_strSaveUser), SqlQuote(m_strSaveDate),
        SqlQuote(m_strState), SqlQuote(ValidDateText()), m_nValidType == 0 ? "起" : "止",
        SqlQuote(m_strDepartment), SqlQuote(m_strResion), SqlQuote(m_strRemark),
        SqlQuote(AuditingTypeText(m_nReviewMode)), SqlQuote(m_strAuditingModel), SqlQuote(m_strAuditorName),
        SqlQuote(m_strContent), SqlQuote(m_strAffectNo));
    if (!theApp.ExecuteSql("DELETE FROM ECOModifyManage WHERE ECONo='" + number + "'") ||
        !theApp.ExecuteSql(sql) || !WriteParts() || !transaction.Commit())
        return 0;
    return 1;
}

void CECOModifyItemDlg::WriteFormSettings() {
    CString value;
    value.Format("%d", m_bExpanded);
    WriteSetting("更改界面配置", "展开界面", value);
    value.Format("%d", m_bByProductClass);
    WriteSetting("选择产品", "按产品大类", value);
}

void CECOModifyItemDlg::ResetForNextNotice(bool cleared) {
    if (cleared) {
        m_strContent.Empty();
        m_strResion.Empty();
    }
    m_docs.FreeDocs();
    m_docs.m_strECONo.Empty();
    m_storedHeader.reset();
}

void CECOModifyItemDlg::OnOK() {
    UpdateData(TRUE);
    WriteFormSettings();
    if (!ReadyToStore() || !StoreAll() || OfferNextNotice())
        return;
    EndDialog(IDOK);
}

void CECOModifyItemDlg::OnCancel() {
    UpdateData(TRUE);
    WriteFormSettings();
    if (!OfferStoreBeforeClose())
        return;
    EndDialog(IDCANCEL);
}
