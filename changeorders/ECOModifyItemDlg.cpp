#include "changeorders/ECOModifyItemDlg.h"

#include "changeorders/ECOConfigure.h"
#include "changeorders/ECONumbering.h"
#include "changeorders/NoticeFormNumbering.h"
#include "changeorders/SelectDeptDlg.h"
#include "controls/ListHelpers.h"
#include "core/ComError.h"
#include "core/Settings.h"
#include "core/SqlTransaction.h"
#include "core/VqDesignTaskApp.h"
#include "parts/MultiPartSelectDlg.h"
#include "parts/PartBorrowQueryDlg.h"
#include "parts/PartSelectDlg.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "review/TaskAuditFlowDlg.h"

#include <cstdlib>

namespace {

using Dlg = CECOModifyItemDlg;

constexpr UINT kClearBrowseMessage = WM_USER + 10;
constexpr int kPartColumns = 6;

// The panel of attached documents and its controls.
const RelateDocControlIds kDocIds{Dlg::kDocListId, Dlg::kDocAddId, Dlg::kDocDeleteId, Dlg::kDocSaveAsId,
                                  Dlg::kDocBrowseId};

// Rows: the header fields, the attached documents in their frame, the drawings in theirs with the
// lower part (content and reason) under a separator line, and the buttons.
vq::DialogTemplate MakeTemplate() {
    std::vector<vq::ControlTemplate> c = {
        vq::Label("编号:"),
        vq::EditBox(Dlg::kNumberId, vq::kNoLayoutFlags, ES_AUTOHSCROLL | ES_READONLY),
        vq::PushButton(Dlg::kNumberButtonId, "...", vq::kBeside),
        vq::Label("编制人:", vq::kBeside),
        vq::EditBox(Dlg::kSaveUserId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
        vq::Label("编制日期:", vq::kBeside),
        vq::EditBox(Dlg::kSaveDateId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
        vq::Label("状态:", vq::kBeside),
        vq::EditBox(Dlg::kStateId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
        vq::Label("有效期:"),
        vq::DateTimePicker(Dlg::kValidDateId, vq::kBeside),
        vq::DropDownList(Dlg::kValidTypeId, vq::kBeside),
        vq::Label("优先级别:", vq::kBeside),
        vq::DropDownList(Dlg::kLevelId, vq::kBeside),
        vq::CheckBox(Dlg::kByProductClassId, "产品大类", vq::kBeside),
        vq::Label("备注:"),
        vq::EditBox(Dlg::kRemarkId, vq::kBeside),
        vq::Label("生产单号:", vq::kBeside),
        vq::EditBox(Dlg::kAffectNoId, vq::kBeside),
        vq::Label("发放单位:"),
        vq::EditBox(Dlg::kDepartmentId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
        vq::PushButton(Dlg::kDepartmentButtonId, "...", vq::kBeside)};
    CRelateDocPanel panel(kModifyNoticeGroup, kDocIds);
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

BEGIN_MESSAGE_MAP(CECOModifyItemDlg, CDialog)
    ON_BN_CLICKED(CECOModifyItemDlg::kNumberButtonId, &CECOModifyItemDlg::OnApplyNumber)
    ON_BN_CLICKED(CECOModifyItemDlg::kPartAddId, &CECOModifyItemDlg::OnAddParts)
    ON_BN_CLICKED(CECOModifyItemDlg::kPartDeleteId, &CECOModifyItemDlg::OnDeleteParts)
    ON_BN_CLICKED(CECOModifyItemDlg::kImpactId, &CECOModifyItemDlg::OnImpact)
    ON_BN_CLICKED(CECOModifyItemDlg::kDepartmentButtonId, &CECOModifyItemDlg::OnDepartments)
    ON_BN_CLICKED(CECOModifyItemDlg::kAuditFlowId, &CECOModifyItemDlg::OnAuditFlow)
    ON_BN_CLICKED(CECOModifyItemDlg::kExpandId, &CECOModifyItemDlg::OnExpand)
    ON_BN_CLICKED(CECOModifyItemDlg::kDocAddId, &CECOModifyItemDlg::OnAddDocument)
    ON_BN_CLICKED(CECOModifyItemDlg::kDocDeleteId, &CECOModifyItemDlg::OnDeleteDocument)
    ON_BN_CLICKED(CECOModifyItemDlg::kDocSaveAsId, &CECOModifyItemDlg::OnSaveDocumentAs)
    ON_BN_CLICKED(CECOModifyItemDlg::kDocBrowseId, &CECOModifyItemDlg::OnBrowseDocument)
    ON_NOTIFY(LVN_ITEMCHANGED, CECOModifyItemDlg::kDocListId, &CECOModifyItemDlg::OnDocumentChanged)
    ON_MESSAGE(kClearBrowseMessage, &CECOModifyItemDlg::OnClearBrowse)
END_MESSAGE_MAP()

CECOModifyItemDlg::CECOModifyItemDlg(CWnd* parent)
    : CDialog(IDD, parent), m_validDate(Today()), m_docs(kModifyNoticeGroup, kDocIds) {}

CECOModifyItemDlg::~CECOModifyItemDlg() {
    m_docs.FreeDocs();
    m_pConnection = nullptr;
}

void CECOModifyItemDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kPartListId, m_listParts);
    DDX_Control(pDX, kValidDateId, m_dateValid);
    m_docs.DoDataExchange(pDX);
    DDX_Text(pDX, kNumberId, m_strECONo);
    DDX_Text(pDX, kSaveUserId, m_strSaveUser);
    DDX_Text(pDX, kSaveDateId, m_strSaveDate);
    DDX_Text(pDX, kStateId, m_strState);
    DDX_CBIndex(pDX, kLevelId, m_nLevel);
    DDX_DateTimeCtrl(pDX, kValidDateId, m_validDate);
    DDX_CBIndex(pDX, kValidTypeId, m_nValidType);
    DDX_Text(pDX, kRemarkId, m_strRemark);
    DDX_Text(pDX, kAffectNoId, m_strAffectNo);
    DDX_Text(pDX, kDepartmentId, m_strDepartment);
    DDX_Text(pDX, kContentId, m_strContent);
    DDX_Text(pDX, kResionId, m_strResion);
    DDX_Check(pDX, kSearchPartsId, m_bSearchParts);
    DDX_Check(pDX, kByProductClassId, m_bByProductClass);
}

BOOL CECOModifyItemDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    auto* level = static_cast<CComboBox*>(GetDlgItem(kLevelId));
    for (const char* text : {"普通", "中等", "优先"})
        level->AddString(text);
    auto* validType = static_cast<CComboBox*>(GetDlgItem(kValidTypeId));
    for (const char* text : {"起", "止"})
        validType->AddString(text);
    ShowLowerPart(false);

    m_docs.Init(this);
    m_listParts.SetExtendedStyle(m_listParts.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_listParts.InsertColumn(0, "图号", LVCFMT_LEFT, 90);
    m_listParts.InsertColumn(1, "图名", LVCFMT_LEFT, 80);
    m_listParts.InsertColumn(2, "处理意见", LVCFMT_LEFT, 140);
    m_listParts.InsertColumn(3, "更改标记", LVCFMT_LEFT, 120);
    m_listParts.InsertColumn(4, "更改处数", LVCFMT_LEFT, 120);
    m_listParts.InsertColumn(5, "更改类型", LVCFMT_LEFT, 120);
    for (UINT column = 2; column <= 5; ++column)
        m_listParts.m_editColumns.Add(column);
    m_listParts.m_editable = 1;

    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_strLoginUser = theApp.m_strLoginUser;
    m_strUserName = theApp.m_strUserName;
    m_dateValid.SetFormat("yyyy-MM-dd");

    if (m_bNewItem) {
        m_strSaveUser = m_strUserName;
        m_strSaveDate = CTime::GetCurrentTime().Format("%Y-%m-%d %H:%M");
        m_strState = "临时";
    } else {
        GetDlgItem(kNumberButtonId)->EnableWindow(FALSE);
        if (!m_strECONo.IsEmpty()) {
            LoadNotice();
            LoadParts();
            m_docs.m_strECONo = m_strECONo;
            m_docs.LoadRelatedDocs();
        }
    }
    if (!m_bReadOnly &&
        !((m_strState == "临时" || m_strState == "更改") && m_strSaveUser.CompareNoCase(m_strUserName) == 0))
        m_bReadOnly = 1;
    m_docs.m_bReadOnly = m_bReadOnly;
    if (m_bReadOnly)
        MakeReadOnly();
    m_docs.EnableEditing();

    m_bByProductClass = ReadSettingInt("选择产品", "按产品大类", "0");
    UpdateData(FALSE);
    LoadConfiguration();

    if (m_nNoMode == 4 && m_bNewItem) {
        GetDlgItem(kNumberButtonId)->EnableWindow(FALSE);
        m_strECONo = ApplyPersonalNoticeNumber(
            {kModifyNoticeGroup, m_nNoWidth, m_strNoSeparator, m_nNoMode, m_strSaveUser, m_strSaveDate},
            m_strPersonalCode);
        if (m_strECONo.IsEmpty())
            GetDlgItem(IDOK)->EnableWindow(FALSE);
        UpdateData(FALSE);
    }
    CheckReviewConfiguration();
    if (m_nReviewMode != kReviewPerOrder) {
        GetDlgItem(kAuditFlowId)->ShowWindow(SW_HIDE);
        m_strAuditingModel = m_strCfgAuditingModel;
        m_strAuditorName = m_strCfgAuditorName;
    }
    if (m_nNoMode == 0 && m_bNewItem && !m_bReadOnly) {
        static_cast<CEdit*>(GetDlgItem(kNumberId))->SetReadOnly(FALSE);
        GetDlgItem(kNumberButtonId)->EnableWindow(FALSE);
    }
    // The form always opens collapsed; the state stored at OK is written for other programs of
    // the installation and is not read back here.
    return TRUE;
}

void CECOModifyItemDlg::LoadNotice() {
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
        while (!rs->IsEOF()) {
            const int row =
                m_listParts.InsertItem(m_listParts.GetItemCount(), VariantToString(rs->GetCollect(0L)));
            for (long c = 1; c < kPartColumns; ++c)
                m_listParts.SetItemText(row, static_cast<int>(c), VariantToString(rs->GetCollect(c)));
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CECOModifyItemDlg::LoadConfiguration() {
    CECOConfigure configure;
    configure.LoadConfigure(kModifyNoticeGroup);
    // The notice's own review mode is the group's; a loaded notice keeps its stored flow until
    // the configured one replaces it (review modes other than per notice).
    m_nReviewMode = configure.m_nReviewMode;
    m_strCfgAuditingModel = configure.m_strCfgAuditingModel;
    m_strCfgAuditorName = configure.m_strCfgAuditorName;
    m_nNoWidth = configure.m_nNoWidth < 1 ? 1 : configure.m_nNoWidth;
    m_strNoSeparator = configure.m_strNoSeparator;
    m_nNoMode = configure.m_nNoMode < 0 ? 0 : configure.m_nNoMode;
}

void CECOModifyItemDlg::CheckReviewConfiguration() {
    if (!ReviewConfigureConsistent(kModifyNoticeGroup, m_nReviewMode, m_strCfgAuditingModel))
        GetDlgItem(IDOK)->EnableWindow(FALSE);
}

void CECOModifyItemDlg::MakeReadOnly() {
    m_listParts.m_editable = 0;
    for (int id : {kContentId, kResionId, kRemarkId, kAffectNoId})
        static_cast<CEdit*>(GetDlgItem(id))->SetReadOnly(TRUE);
    for (int id :
         {kLevelId, kValidDateId, kValidTypeId, kSearchPartsId, kByProductClassId, kPartAddId, kDocAddId,
          kPartDeleteId, kDocDeleteId, kOpinionId, kNumberButtonId, kDepartmentButtonId, IDOK})
        GetDlgItem(id)->EnableWindow(FALSE);
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

LRESULT CECOModifyItemDlg::OnClearBrowse(WPARAM, LPARAM) {
    UpdateData(TRUE);
    m_docs.ClearBrowseCheck();
    UpdateData(FALSE);
    return 1;
}

void CECOModifyItemDlg::OnApplyNumber() {
    UpdateData(TRUE);
    NoticeProduct product{m_strProduct, CString(), CString()};
    if (!PickProductAndApplyNumber(
            m_bByProductClass,
            {kModifyNoticeGroup, m_nNoWidth, m_strNoSeparator, m_nNoMode, m_strSaveUser, m_strSaveDate}, product,
            m_strECONo))
        return;
    m_strProduct = product.code;
    m_docs.m_strECONo = m_strECONo;
    UpdateData(FALSE);
}

bool CECOModifyItemDlg::HasPart(const CString& code) const {
    return IsItemInList(m_listParts, code) != FALSE;
}

void CECOModifyItemDlg::AddPartRow(const CString& code, const CString& name) {
    if (HasPart(code)) {
        CString text;
        text.Format("选定图纸 %s[%s] 已存在...", code, name);
        AfxMessageBox(text);
        return;
    }
    const int row = m_listParts.InsertItem(m_listParts.GetItemCount(), code);
    m_listParts.SetItemText(row, 1, name);
}

void CECOModifyItemDlg::OnAddParts() {
    UpdateData(TRUE);
    CStringArray codes;
    CStringArray names;
    if (m_bSearchParts) {
        CPartSelectDlg dlg;
        dlg.m_strProduct = m_strProduct;
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
    for (int i = 0; i < codes.GetSize(); ++i)
        AddPartRow(codes[i], i < names.GetSize() ? names[i] : CString());
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
    CSelectDeptDlg dlg;
    if (dlg.DoModal() != IDOK)
        return;
    CString joined;
    for (int i = 0; i < dlg.m_arrDeptName.GetSize(); ++i)
        joined += (i ? "; " : "") + dlg.m_arrDeptName[i];
    m_strDepartment = joined;
    UpdateData(FALSE);
}

void CECOModifyItemDlg::OnAuditFlow() {
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

CString CECOModifyItemDlg::ValidDateText() const {
    CString text;
    text.Format("%04d-%02d-%02d", m_validDate.wYear, m_validDate.wMonth, m_validDate.wDay);
    return text;
}

int CECOModifyItemDlg::StoreNotice() {
    CWaitCursor wait;
    CSqlTransaction transaction;
    if (!transaction.IsActive())
        return 0;
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
    if (!theApp.ExecuteSql("DELETE FROM ECOModifyPart WHERE ECONo='" + number + "'") ||
        !theApp.ExecuteSql("DELETE FROM ECOModifyManage WHERE ECONo='" + number + "'") ||
        !theApp.ExecuteSql(sql))
        return 0;
    for (int row = 0; row < m_listParts.GetItemCount(); ++row) {
        CString values;
        for (int c = 0; c < kPartColumns; ++c)
            values += (c ? ", '" : "'") + SqlQuote(m_listParts.GetItemText(row, c)) + "'";
        if (!theApp.ExecuteSql(
                "INSERT INTO ECOModifyPart (PartCode, PartName, Result, Other1, Other2, Other3, ECONo) "
                "VALUES(" +
                values + ", '" + number + "')"))
            return 0;
    }
    return transaction.Commit() ? 1 : 0;
}

bool CECOModifyItemDlg::StoreAll() {
    if (!StoreNotice())
        return false;
    m_docs.m_strECONo = m_strECONo;
    return m_docs.SaveRelatedDocs() != 0;
}

void CECOModifyItemDlg::WriteFormSettings() {
    CString value;
    value.Format("%d", m_bExpanded);
    WriteSetting("更改界面配置", "展开界面", value);
    value.Format("%d", m_bByProductClass);
    WriteSetting("选择产品", "按产品大类", value);
}

void CECOModifyItemDlg::OnOK() {
    UpdateData(TRUE);
    WriteFormSettings();
    if (m_strECONo.IsEmpty()) {
        AfxMessageBox("未申请修改单编号，不能存储...");
        return;
    }
    if (m_nNoMode == 0 && m_bNewItem &&
        theApp.GetSqlInt("SELECT count(*) FROM ECOModifyManage WHERE ECONo='" + SqlQuote(m_strECONo) + "'") >
            0) {
        AfxMessageBox("该编号已存在...");
        return;
    }
    if (HasReview(m_nReviewMode) &&
        (m_strAuditingModel.IsEmpty() || m_strAuditorName.IsEmpty())) {
        AfxMessageBox("评审流程或评审人员为空，请配置该修改单的评审流程...");
        return;
    }
    if (!StoreAll())
        return;
    if (m_bNewItem && !m_bReadOnly) {
        if (vq::ShowMessageBox("操作提示", "是否继续注册修改单?", MB_YESNO | MB_ICONQUESTION) == IDYES) {
            if (AfxMessageBox("是否清除当前修改单信息?", MB_YESNO) == IDYES) {
                m_strContent.Empty();
                m_strResion.Empty();
                m_strRemark.Empty();
                m_strAffectNo.Empty();
                m_strDepartment.Empty();
                m_listParts.DeleteAllItems();
            }
            m_docs.FreeDocs();
            m_strECONo.Empty();
            m_docs.m_strECONo.Empty();
            UpdateData(FALSE);
            return;
        }
    }
    EndDialog(IDOK);
}

void CECOModifyItemDlg::OnCancel() {
    UpdateData(TRUE);
    WriteFormSettings();
    if (!m_bReadOnly && m_bNewItem && !m_strECONo.IsEmpty()) {
        const int answer = vq::ShowMessageBox("操作提示", "编号已申请，是否存储修改单信息?",
                                              MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL)
            return;
        if (answer == IDYES) {
            // Closes only when the notice was stored; a failure was shown and the form stays.
            if (!StoreAll())
                return;
        } else if (m_nNoMode > 0) {
            CECONumbering numbering;
            numbering.m_strGroup = kModifyNoticeGroup;
            numbering.DeleteSerialNo(m_strECONo);
        }
    } else if (!m_bReadOnly && !m_bNewItem) {
        const int answer =
            vq::ShowMessageBox("操作提示", "是否存储修改单信息?", MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL)
            return;
        if (answer == IDYES && !StoreAll())
            return;
    }
    EndDialog(IDCANCEL);
}

void CECOModifyItemDlg::PostNcDestroy() {
    m_docs.FreeDocs();
    CDialog::PostNcDestroy();
}
