#include "projects/ProjectTaskItemDlg.h"

#include "controls/UserBrowseDlg.h"
#include "core/ComError.h"
#include "core/DialogSeams.h"
#include "core/OperationLog.h"
#include "core/Settings.h"
#include "core/SqlTransaction.h"
#include "core/UserNotice.h"
#include "core/VqDesignTaskApp.h"
#include "parts/PartBrowseDlg.h"
#include "parts/PartSelectDlg.h"
#include "platform/base/MessageBox.h"
#include "platform/base/TextCodec.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/maker/CodingManager.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Edit.h"
#include "platform/ui/SpinButtonCtrl.h"
#include "projects/ProjectTaskItemIds.h"
#include "projects/ProjectTaskRecords.h"
#include "projects/ProjectTeamDlg.h"
#include "projects/SelectProjectTeamerDlg.h"
#include "projects/TaskQueryDlg.h"

#include <utility>

using namespace projects;
using namespace projects::item_ids;

namespace {

const vq::DialogTemplate kItemTemplate{
    "项目/任务项属性",
    {vq::Label("编号:"), vq::EditBox(kNumber, vq::kBeside), vq::PushButton(kNewCode, "...", vq::kBeside),
     vq::Label("名称:"), vq::EditBox(kName, vq::kBeside),
     vq::Label("负责人:"), vq::EditBox(kManager, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::PushButton(kManagerPick, "...", vq::kBeside),
     vq::Label("完成日期:"), vq::DateTimePicker(kEndDate, vq::kBeside), vq::EditBox(kEndDays, vq::kBeside, ES_NUMBER),
     vq::Label("天", vq::kBeside),
     vq::Label("报警日期:"), vq::DateTimePicker(kAlertDate, vq::kBeside),
     vq::EditBox(kAlertDays, vq::kBeside, ES_NUMBER), vq::Label("天", vq::kBeside),
     vq::Label("开始日期:"), vq::DateTimePicker(kStartDate, vq::kBeside),
     vq::EditBox(kStartDays, vq::kBeside, ES_NUMBER), vq::Label("天", vq::kBeside),
     vq::Label("优先级:"), vq::EditBox(kPriority, vq::kBeside, ES_NUMBER), vq::Spin(kPrioritySpin),
     vq::Label("任务类型:"), vq::DropDownList(kTaskType, vq::kBeside),
     vq::CheckBox(kSimpleProject, "简单项目", vq::kBeside | vq::kHidden),
     vq::CheckBox(kCreateWorkTask, "创建任务", vq::kBeside | vq::kHidden),
     vq::Label("内容描述:"), vq::EditBox(kRemark, vq::kNoLayoutFlags, ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL),
     vq::Label("资源文件:"),
     vq::ReportList(kResourceList, vq::kNoLayoutFlags, LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL),
     vq::PushButton(kAddResource, "<-增加..."), vq::PushButton(kModifyResource, "修改...", vq::kBeside),
     vq::PushButton(kDeleteResource, "删除->", vq::kBeside),
     vq::Label("创建日期:"), vq::Label("", vq::kBeside, 0, kCreatedText), vq::Label("修改日期:", vq::kBeside),
     vq::Label("", vq::kBeside, 0, kModifiedText), vq::Label("工作状态:", vq::kBeside),
     vq::Label("", vq::kBeside, 0, kStateText),
     vq::PushButton(kMembers, "项目成员..."), vq::PushButton(kResources, "外部资源...", vq::kBeside),
     vq::PushButton(kSubdivide, "任务细分...", vq::kBeside | vq::kHidden),
     vq::PushButton(kAuditFlow, "评审流程", vq::kBeside), vq::PushButton(kTaskQuery, "任务查询...", vq::kBeside),
     vq::DefPushButton(IDOK, "修改"), vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

constexpr const char* kResourceJoin = "|*|";
constexpr const char* kResourcePair = "<&>";
constexpr const char* kSettingsSection = "设计过程管理配置";

CString DateText(const SYSTEMTIME& st) {
    CString text;
    text.Format("%04d-%02d-%02d", st.wYear, st.wMonth, st.wDay);
    return text;
}

// A date as OK takes it from its picker: a date that an existing item has stored empty and that
// was left alone stays empty (the picker only shows a default).
CString PickedDate(const CDateTimeCtrl& picker, const CString& text, bool newItem) {
    SYSTEMTIME st;
    if ((newItem || !text.IsEmpty()) && picker.GetTime(&st) == GDT_VALID)
        return DateText(st);
    return text;
}

// A picker date from a date text of at least ten characters ("yyyy-mm-dd"), at 01:01:01.
bool DateFromText(const CString& text, SYSTEMTIME& st) {
    if (text.GetLength() < 10)
        return false;
    st = SYSTEMTIME{};
    st.wYear = static_cast<WORD>(std::atoi(text.Mid(0, 4)));
    st.wMonth = static_cast<WORD>(std::atoi(text.Mid(5, 2)));
    st.wDay = static_cast<WORD>(std::atoi(text.Mid(8, 2)));
    st.wHour = 1;
    st.wMinute = 1;
    st.wSecond = 1;
    return vq::IsValidSystemTime(st);
}

// Empty when a new number's names stay within the file systems' limits (NumberNameLengthMessage),
// also those of the first work task created with it ("<number>#001"); else the message saying
// which limit it passes.
CString NewNumberLengthMessage(const CString& number, int createWorkTask) {
    const CString message = NumberNameLengthMessage(number);
    if (!message.IsEmpty() || !createWorkTask)
        return message;
    return NumberNameLengthMessage(number + "#001");
}

} // namespace

BEGIN_MESSAGE_MAP(CProjectTaskItemDlg, CDialog)
    ON_BN_CLICKED(kNewCode, &CProjectTaskItemDlg::OnNewCode)
    ON_BN_CLICKED(kAddResource, &CProjectTaskItemDlg::OnAddResource)
    ON_BN_CLICKED(kModifyResource, &CProjectTaskItemDlg::OnModifyResource)
    ON_BN_CLICKED(kDeleteResource, &CProjectTaskItemDlg::OnDeleteResource)
    ON_NOTIFY(NM_DBLCLK, kResourceList, &CProjectTaskItemDlg::OnResourceDblClk)
    ON_NOTIFY(LVN_ITEMCHANGED, kResourceList, &CProjectTaskItemDlg::OnResourceChanged)
    ON_NOTIFY(DTN_DATETIMECHANGE, kEndDate, &CProjectTaskItemDlg::OnEndDateChanged)
    ON_NOTIFY(DTN_DATETIMECHANGE, kAlertDate, &CProjectTaskItemDlg::OnAlertDateChanged)
    ON_NOTIFY(DTN_DATETIMECHANGE, kStartDate, &CProjectTaskItemDlg::OnStartDateChanged)
    ON_EN_CHANGE(kEndDays, &CProjectTaskItemDlg::OnEndDaysChanged)
    ON_EN_CHANGE(kAlertDays, &CProjectTaskItemDlg::OnAlertDaysChanged)
    ON_EN_CHANGE(kStartDays, &CProjectTaskItemDlg::OnStartDaysChanged)
    ON_EN_CHANGE(kPriority, &CProjectTaskItemDlg::OnPriorityChanged)
    ON_NOTIFY(UDN_DELTAPOS, kPrioritySpin, &CProjectTaskItemDlg::OnPrioritySpin)
    ON_CBN_SELCHANGE(kTaskType, &CProjectTaskItemDlg::OnTaskTypeChanged)
    ON_BN_CLICKED(kSimpleProject, &CProjectTaskItemDlg::OnSimpleProject)
    ON_BN_CLICKED(kManagerPick, &CProjectTaskItemDlg::OnPickManager)
    ON_BN_CLICKED(kTaskQuery, &CProjectTaskItemDlg::OnTaskQuery)
    ON_BN_CLICKED(kMembers, &CProjectTaskItemDlg::OnMembers)
    ON_BN_CLICKED(kResources, &CProjectTaskItemDlg::OnResources)
    ON_BN_CLICKED(kSubdivide, &CProjectTaskItemDlg::OnSubdivide)
    ON_BN_CLICKED(kAuditFlow, &CProjectTaskItemDlg::OnAuditFlow)
END_MESSAGE_MAP()

CProjectTaskItemDlg::CProjectTaskItemDlg(CWnd* parent) : CDialog(kItemTemplate, parent) {}

CString CProjectTaskItemDlg::TaskTypeLetter() const {
    if (SimpleProject)
        return "S";
    if (TaskTypeIndex == 1)
        return "T";
    if (TaskTypeIndex == 2)
        return "M";
    return "V";
}

void CProjectTaskItemDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kResourceList, m_resourceList);
    DDX_Control(pDX, kTaskType, m_taskType);
    DDX_Control(pDX, kEndDate, m_endDate);
    DDX_Control(pDX, kAlertDate, m_alertDate);
    DDX_Control(pDX, kStartDate, m_startDate);
    DDX_Text(pDX, kNumber, ItemNo);
    DDX_Text(pDX, kName, ItemName);
    DDX_Text(pDX, kManager, Manager);
    DDX_Text(pDX, kEndDays, EndDays);
    DDX_Text(pDX, kAlertDays, AlertDays);
    DDX_Text(pDX, kStartDays, StartDays);
    DDX_Text(pDX, kPriority, Priority);
    DDX_Text(pDX, kRemark, Remark);
    DDV_MaxChars(pDX, Remark, 254);
    DDX_CBIndex(pDX, kTaskType, TaskTypeIndex);
    DDX_Check(pDX, kSimpleProject, SimpleProject);
    DDX_Check(pDX, kCreateWorkTask, CreateWorkTask);
}

void CProjectTaskItemDlg::ShowItem(int id, bool show) {
    if (CWnd* item = GetDlgItem(id))
        item->ShowWindow(show ? SW_SHOW : SW_HIDE);
}

void CProjectTaskItemDlg::EnableItem(int id, bool enable) {
    if (CWnd* item = GetDlgItem(id))
        item->EnableWindow(enable ? TRUE : FALSE);
}

void CProjectTaskItemDlg::Warn(const CString& text, const CString& caption, int focusId) {
    if (caption.IsEmpty())
        AfxMessageBox(text);
    else
        MessageBox(text, caption, MB_OK | MB_ICONWARNING);
    if (focusId > 0) {
        if (CWnd* item = GetDlgItem(focusId))
            item->SetFocus();
    }
}

BOOL CProjectTaskItemDlg::OnInitDialog() {
    // The day counts are counted from today; the day boxes filled by the data exchange must not
    // move the pickers before the stored dates are in them.
    m_baseDate = COleDateTime::GetCurrentTime();
    m_baseDate = COleDateTime(m_baseDate.GetYear(), m_baseDate.GetMonth(), m_baseDate.GetDay(), 1, 1, 1);
    m_bUpdatingDates = true;
    CDialog::OnInitDialog();
    m_bUpdatingDates = false;
    CWaitCursor wait;
    m_resourceList.SetExtendedStyle(m_resourceList.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_resourceList.InsertColumn(0, "产品号", LVCFMT_LEFT, 160);
    m_resourceList.InsertColumn(1, "零部件图号", LVCFMT_LEFT, 160);
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_nDatabaseType = theApp.m_nDatabaseType;
    m_nPartSelectMode = ReadSettingInt("VQPDM功能配置", "零部件选择方式", "0");
    m_taskType.AddString("项目任务");
    m_taskType.AddString("工作组任务");

    if (!NewItem)
        LoadExistingItem();
    else
        PrepareNewItem();

    if (IsProject) {
        m_taskType.EnableWindow(FALSE);
        m_strParentDate = "9999-99-99";
        ShowItem(kSimpleProject, true);
        ShowItem(kCreateWorkTask, true);
        if (!NewItem && !SimpleProject && HasAnythingBelow(ItemNo, ProjectPath, ItemName))
            EnableItem(kSimpleProject, false);
    } else {
        ReadParentDateBound();
    }
    UpdateResourceButtons();
    if (m_resourceList.GetItemCount() > 0)
        SelectResourceRow(0);
    if (!Editable)
        ApplyReadOnly();
    m_strLoadedNo = ItemNo;
    m_strLoadedName = ItemName;
    for (CDateTimeCtrl* picker : {&m_endDate, &m_alertDate, &m_startDate})
        picker->SetFormat("yyyy-MM-dd");
    // The pickers and their day counts first: writing the counts into the day boxes must not
    // move the dates (their change handler counts from the base date).
    SetDatePickers();
    m_bUpdatingDates = true;
    UpdateData(FALSE);
    m_bUpdatingDates = false;

    OnTaskTypeChanged();
    if (SimpleProject) {
        ShowItem(kSubdivide, true);
        ShowItem(kMembers, false);
    } else if (IsProject) {
        ShowItem(kSubdivide, false);
        ShowItem(kMembers, true);
    }
    m_nLoadedTypeIndex = TaskTypeIndex;
    if (!NewItem) {
        ShowItem(kCreateWorkTask, false);
        EnableItem(kCreateWorkTask, false);
    }
    if (auto* spin = dynamic_cast<CSpinButtonCtrl*>(GetDlgItem(kPrioritySpin)))
        spin->SetRange32(0, 1000);
    if (!NewItem && m_bRowFound) {
        m_storedRow = std::make_unique<CStoredRowEdit>(
            TableName, std::vector<std::pair<CString, CString>>{{"ProjectNo", ProjectNo}});
        m_storedRow->Open(StoredFields());
    }
    return TRUE;
}

void CProjectTaskItemDlg::LoadExistingItem() {
    ItemNo = ProjectNo;
    const bool oracle = m_nDatabaseType == 2;
    CString sql;
    const CString columns = "SELECT ProjectNo,ProjectName,ProjectPath,ProjectManager,CreatedTime,ModifiedTime,"
                            "PreendedTime,WorkState,Remark,ProjectResource,AuditingModel,AuditorName,TaskType,"
                            "AlertTime, Other3, Other4 FROM ";
    if (!ProjectNo.IsEmpty())
        sql.Format("%s%s WHERE %s='%s'", columns, TableName, oracle ? "rtrim(ProjectNo)" : "ProjectNo",
                   SqlQuote(ProjectNo));
    else
        sql.Format("%s%s WHERE %s='%s' AND %s='%s'", columns, TableName,
                   oracle ? "rtrim(ProjectName)" : "ProjectName", SqlQuote(ProjectName),
                   oracle ? "rtrim(ProjectPath)" : "ProjectPath", SqlQuote(ProjectPath));
    CString created, modified, type;
    m_bRowFound = false;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            m_bRowFound = true;
            ItemNo = VariantToString(rs->GetCollect(0L));
            ProjectName = VariantToString(rs->GetCollect(1L));
            ProjectPath = VariantToString(rs->GetCollect(2L));
            Manager = VariantToString(rs->GetCollect(3L));
            created = VariantToString(rs->GetCollect(4L));
            modified = VariantToString(rs->GetCollect(5L));
            PreendedTime = VariantToString(rs->GetCollect(6L));
            WorkState = VariantToString(rs->GetCollect(7L));
            Remark = VariantToString(rs->GetCollect(8L));
            ProjectResource = VariantToString(rs->GetCollect(9L));
            AuditingModel = VariantToString(rs->GetCollect(10L));
            AuditorName = VariantToString(rs->GetCollect(11L));
            type = VariantToString(rs->GetCollect(12L));
            AlertTime = VariantToString(rs->GetCollect(13L));
            StartTime = VariantToString(rs->GetCollect(14L));
            Priority = std::atoi(VariantToString(rs->GetCollect(15L)));
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    ItemName = ProjectName;
    if (ProjectPath.IsEmpty())
        ProjectPath = kRootPath;
    if (!m_bRowFound) {
        EnableItem(IDOK, false);
    } else {
        SetDlgItemText(kCreatedText, created.IsEmpty() ? modified : created);
        SetDlgItemText(kModifiedText, modified);
        SetDlgItemText(kStateText, WorkState);
        if (type == "T") {
            TaskTypeIndex = 1;
        } else if (type == "S" && ProjectPath == kRootPath) {
            SimpleProject = 1;
        } else if (type == "M") {
            m_taskType.AddString("更改任务");
            TaskTypeIndex = 2;
            m_taskType.EnableWindow(FALSE);
        }
        if (AlertTime < created && !PreendedTime.IsEmpty())
            AlertTime = PreendedTime;
    }
    m_strLoadedManager = Manager;
    FillResourceList();
    if (auto* number = dynamic_cast<CEdit*>(GetDlgItem(kNumber)))
        number->SetReadOnly(TRUE);
    EnableItem(kNewCode, false);
    COperationLog log;
    log.WriteLog("项目管理", "浏览", ItemNo, "浏览任务属性");
    if (ProjectPath == kRootPath)
        IsProject = 1;
    m_bHasTasksBelow = HasTasksBelow(ProjectPath, ProjectName);
}

void CProjectTaskItemDlg::PrepareNewItem() {
    if (!IsProject) {
        EnableItem(kNewCode, false);
        ShowItem(kCreateWorkTask, true);
        EnableItem(kCreateWorkTask, false);
    }
    if (!ProjectNo.IsEmpty()) {
        CString sql;
        sql.Format("SELECT ProjectName,ProjectPath FROM %s WHERE ProjectNo='%s'", TableName, SqlQuote(ProjectNo));
        try {
            _RecordsetPtr rs;
            rs.CreateInstance();
            rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
            if (!rs->IsEOF()) {
                ProjectName = VariantToString(rs->GetCollect(0L));
                ProjectPath = VariantToString(rs->GetCollect(1L));
            }
            if (m_nAdoCloseMode)
                rs->Close();
        } catch (_com_error& e) {
            ReportComError(e);
        }
        if (ProjectPath.IsEmpty())
            ProjectPath = kRootPath;
    }
    m_strLoadedManager.Empty();
    Manager = theApp.m_strLoginUser;
    if (!IsProject) {
        ItemNo = ProposeNumber();
        if (ItemNo.IsEmpty()) {
            AfxMessageBox("不能正确获取任务编号...");
            EnableItem(IDOK, false);
        }
        if (auto* number = dynamic_cast<CEdit*>(GetDlgItem(kNumber)))
            number->SetReadOnly(TRUE);
    }
    SetDlgItemText(IDOK, "添加");
    if (IsProject)
        SimpleProject = ReadSettingInt(kSettingsSection, "上次所选项目类型", "0") != 0 ? 1 : 0;
    else
        SimpleProject = 0;
}

CString CProjectTaskItemDlg::ProposeNumber() const {
    const CString number = ProposeTaskNumber(TableName, ProjectName, ProjectPath, m_nDatabaseType);
    if (number.IsEmpty() || (m_strNumberSeparator == "-" && m_nSequenceWidth == 2))
        return number;
    // The numbering keeps the dialog's separator and width.
    const int dash = number.ReverseFind('-');
    return FormatChildNumber(number.Left(dash), std::atoi(number.Mid(dash + 1)), m_strNumberSeparator,
                             m_nSequenceWidth);
}

void CProjectTaskItemDlg::ReadParentDateBound() {
    CString parentName = ProjectName, parentPath = ProjectPath;
    if (!NewItem) {
        // The parent of an existing task, from its path: A\B\ names B in the path A\.
        CString path = ProjectPath;
        if (path.Right(1) == "\\")
            path = path.Left(path.GetLength() - 1);
        const int slash = path.ReverseFind('\\');
        if (slash >= 0) {
            parentName = path.Mid(slash + 1);
            parentPath = path.Left(slash + 1);
        } else {
            parentName = path;
            parentPath = kRootPath;
        }
    }
    CString sql;
    sql.Format("SELECT Preendedtime FROM ProjectManage WHERE ProjectName='%s' AND ProjectPath='%s'",
               SqlQuote(parentName), SqlQuote(parentPath.IsEmpty() ? CString(kRootPath) : parentPath));
    m_strParentDate = theApp.GetSqlString(sql);
}

void CProjectTaskItemDlg::ApplyReadOnly() {
    for (int id : {kNumber, kName, kManager, kRemark}) {
        if (auto* edit = dynamic_cast<CEdit*>(GetDlgItem(id)))
            edit->SetReadOnly(TRUE);
    }
    for (int id : {kNewCode, kManagerPick, kAddResource, kModifyResource, kDeleteResource, kTaskType, kEndDate,
                   kAlertDate, kEndDays, kAlertDays, kSimpleProject, IDOK})
        EnableItem(id, false);
}

void CProjectTaskItemDlg::SetDatePickers() {
    m_bUpdatingDates = true;
    struct Row {
        CDateTimeCtrl* picker;
        CString* text;
        int* days;
        int daysId;
    };
    for (const Row& row : {Row{&m_endDate, &PreendedTime, &EndDays, kEndDays},
                           Row{&m_alertDate, &AlertTime, &AlertDays, kAlertDays},
                           Row{&m_startDate, &StartTime, &StartDays, kStartDays}}) {
        SYSTEMTIME st;
        if (DateFromText(*row.text, st))
            row.picker->SetTime(&st);
        if (row.picker->GetTime(&st) == GDT_VALID) {
            const COleDateTime date(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
            *row.days = static_cast<int>((date - m_baseDate).GetTotalDays());
            SetDlgItemInt(row.daysId, *row.days);
        }
    }
    m_bUpdatingDates = false;
}

void CProjectTaskItemDlg::DateChanged(int pickerId, int daysId, CString& dateText, int& days) {
    if (m_bUpdatingDates)
        return;
    auto* picker = dynamic_cast<CDateTimeCtrl*>(GetDlgItem(pickerId));
    SYSTEMTIME st;
    if (!picker || picker->GetTime(&st) != GDT_VALID)
        return;
    m_bUpdatingDates = true;
    dateText = DateText(st);
    const COleDateTime date(st.wYear, st.wMonth, st.wDay, 1, 1, 1);
    days = static_cast<int>((date - m_baseDate).GetTotalDays());
    SetDlgItemInt(daysId, days);
    m_bUpdatingDates = false;
}

void CProjectTaskItemDlg::DaysChanged(int pickerId, int daysId, CString& dateText, int& days) {
    if (m_bUpdatingDates)
        return;
    auto* picker = dynamic_cast<CDateTimeCtrl*>(GetDlgItem(pickerId));
    if (!picker)
        return;
    CString text;
    GetDlgItemText(daysId, text);
    days = std::atoi(text);
    const COleDateTime date = m_baseDate + COleDateTimeSpan(days, 0, 0, 0);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(date.GetYear());
    st.wMonth = static_cast<WORD>(date.GetMonth());
    st.wDay = static_cast<WORD>(date.GetDay());
    st.wHour = st.wMinute = st.wSecond = 1;
    m_bUpdatingDates = true;
    if (picker->SetTime(&st))
        dateText = DateText(st);
    m_bUpdatingDates = false;
}

void CProjectTaskItemDlg::OnEndDateChanged(NMHDR*, LRESULT* result) {
    DateChanged(kEndDate, kEndDays, PreendedTime, EndDays);
    *result = 0;
}

void CProjectTaskItemDlg::OnAlertDateChanged(NMHDR*, LRESULT* result) {
    DateChanged(kAlertDate, kAlertDays, AlertTime, AlertDays);
    *result = 0;
}

void CProjectTaskItemDlg::OnStartDateChanged(NMHDR*, LRESULT* result) {
    DateChanged(kStartDate, kStartDays, StartTime, StartDays);
    *result = 0;
}

void CProjectTaskItemDlg::OnEndDaysChanged() {
    DaysChanged(kEndDate, kEndDays, PreendedTime, EndDays);
}

void CProjectTaskItemDlg::OnAlertDaysChanged() {
    DaysChanged(kAlertDate, kAlertDays, AlertTime, AlertDays);
}

void CProjectTaskItemDlg::OnStartDaysChanged() {
    DaysChanged(kStartDate, kStartDays, StartTime, StartDays);
}

void CProjectTaskItemDlg::OnPriorityChanged() {
    if (m_bUpdatingDates)
        return;
    CString text;
    GetDlgItemText(kPriority, text);
    const int value = std::atoi(text);
    const int kept = value > 1000 ? 1000 : (value < 0 ? 0 : value);
    Priority = kept;
    if (kept != value) {
        m_bUpdatingDates = true;
        SetDlgItemInt(kPriority, kept);
        m_bUpdatingDates = false;
    }
}

void CProjectTaskItemDlg::OnPrioritySpin(NMHDR* header, LRESULT* result) {
    const auto* updown = reinterpret_cast<NMUPDOWN*>(header);
    CString text;
    GetDlgItemText(kPriority, text);
    const int step = updown->iDelta > 0 ? 1 : -1;
    int value = (std::atoi(text) / 20 + step) * 20;
    value = value > 1000 ? 1000 : (value < 0 ? 0 : value);
    Priority = value;
    SetDlgItemInt(kPriority, value);
    // The value is set here; the spin control does not step it again.
    *result = 1;
}

void CProjectTaskItemDlg::OnTaskTypeChanged() {
    TaskTypeIndex = m_taskType.GetCurSel();
    SimpleProject = IsDlgButtonChecked(kSimpleProject) ? 1 : 0;
    EnableItem(kCreateWorkTask, NewItem && SimpleProject && TaskTypeIndex == 0);
    if (!IsProject) {
        if (TaskTypeIndex == 1) {
            SetDlgItemText(kMembers, "工作组成员...");
            ShowItem(kMembers, true);
        } else {
            ShowItem(kMembers, false);
        }
    }
}

void CProjectTaskItemDlg::OnSimpleProject() {
    const bool ticked = IsDlgButtonChecked(kSimpleProject) != 0;
    if (!ticked) {
        CString number;
        GetDlgItemText(kNumber, number);
        CString sql;
        sql.Format("SELECT count(*) FROM TeamWorkManage WHERE WorkID LIKE '%s#%%'%s", SqlLikeLiteral(number.Trim()),
                   kSqlLikeEscape);
        if (!number.IsEmpty() && QueryGuardCount(sql) != 0) {
            AfxMessageBox("该简单项目已分配了工作任务，需先删除已分配任务后才能能修改...");
            CheckDlgButton(kSimpleProject, BST_CHECKED);
            return;
        }
    }
    SimpleProject = ticked ? 1 : 0;
    ShowItem(kSubdivide, ticked);
    ShowItem(kMembers, !ticked);
    if (ticked && NewItem) {
        ShowItem(kCreateWorkTask, true);
        EnableItem(kCreateWorkTask, true);
    } else if (!ticked) {
        ShowItem(kCreateWorkTask, false);
        EnableItem(kCreateWorkTask, false);
        CheckDlgButton(kCreateWorkTask, BST_UNCHECKED);
        CreateWorkTask = 0;
    }
}

void CProjectTaskItemDlg::OnNewCode() {
    vq::CodingManager& manager = vq::ActiveCodingManager();
    if (!manager.IsLoaded() || !manager.HasVersionExport()) {
        AfxMessageBox("功能进行了升级，请更新Vqpdmcod.dll的版本...");
        return;
    }
    CString code;
    manager.NewCode(code);
    if (code.IsEmpty())
        return;
    UpdateData(TRUE);
    ItemNo = code;
    SetDlgItemText(kNumber, ItemNo);
}

void CProjectTaskItemDlg::FillResourceList() {
    m_resourceList.DeleteAllItems();
    CString rest = ProjectResource;
    while (!rest.IsEmpty()) {
        const int join = rest.Find(kResourceJoin);
        const CString entry = join >= 0 ? rest.Left(join) : rest;
        rest = join >= 0 ? rest.Mid(join + 3) : CString();
        const int pair = entry.Find(kResourcePair);
        if (pair < 1)
            continue;
        const int row = m_resourceList.InsertItem(m_resourceList.GetItemCount(), entry.Left(pair));
        m_resourceList.SetItemText(row, 1, entry.Mid(pair + 3));
    }
}

int CProjectTaskItemDlg::SelectedResourceRow() const {
    return m_resourceList.GetNextItem(-1, LVNI_SELECTED);
}

void CProjectTaskItemDlg::SelectResourceRow(int row) {
    m_resourceList.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (row >= 0) {
        m_resourceList.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        m_resourceList.EnsureVisible(row, FALSE);
    }
}

void CProjectTaskItemDlg::UpdateResourceButtons() {
    const bool rows = m_resourceList.GetItemCount() > 0 && Editable;
    EnableItem(kModifyResource, rows);
    EnableItem(kDeleteResource, rows);
}

int CProjectTaskItemDlg::FindResource(const CString& product, const CString& part, int skipRow) const {
    const CString entry = product + kResourcePair + part;
    for (int i = 0; i < m_resourceList.GetItemCount(); ++i) {
        if (i == skipRow)
            continue;
        const CString other = m_resourceList.GetItemText(i, 0) + kResourcePair + m_resourceList.GetItemText(i, 1);
        if (other.CompareNoCase(entry) == 0)
            return i;
    }
    return -1;
}

bool CProjectTaskItemDlg::PickResource(const CString& presetPart, CString& product, CString& part) {
    if (m_nPartSelectMode) {
        CPartSelectDlg dlg(this);
        dlg.m_strCode = presetPart;
        if (dlg.DoModal() != IDOK)
            return false;
        part = dlg.m_strSelCode;
        product = dlg.m_strSelProduct;
    } else {
        CPartBrowseDlg dlg(this);
        dlg.m_childFilter = 2;
        if (dlg.DoModal() != IDOK)
            return false;
        part = dlg.m_partCode;
        product = dlg.m_resultProductCode;
    }
    return true;
}

void CProjectTaskItemDlg::OnAddResource() {
    UpdateData(TRUE);
    CString product, part;
    if (!PickResource(CString(), product, part))
        return;
    const int existing = FindResource(product, part, -1);
    if (existing >= 0) {
        AfxMessageBox("该资源已存在!");
        SelectResourceRow(existing);
        return;
    }
    const int row = m_resourceList.InsertItem(m_resourceList.GetItemCount(), product);
    m_resourceList.SetItemText(row, 1, part);
    if (m_resourceList.GetItemCount() == 1) {
        UpdateResourceButtons();
        SelectResourceRow(0);
    }
}

void CProjectTaskItemDlg::OnModifyResource() {
    UpdateData(TRUE);
    const int row = SelectedResourceRow();
    if (row < 0 || !Editable)
        return;
    CString product, part;
    if (!PickResource(m_resourceList.GetItemText(row, 1), product, part))
        return;
    // The entry is tested against every row, the one being changed included.
    const int existing = FindResource(product, part, -1);
    if (existing >= 0) {
        AfxMessageBox("该资源已存在!");
        SelectResourceRow(existing);
        return;
    }
    m_resourceList.SetItemText(row, 0, product);
    m_resourceList.SetItemText(row, 1, part);
}

void CProjectTaskItemDlg::OnDeleteResource() {
    UpdateData(TRUE);
    const int row = SelectedResourceRow();
    if (row < 0)
        return;
    m_resourceList.DeleteItem(row);
    SelectResourceRow(row > 0 ? row - 1 : -1);
    UpdateResourceButtons();
}

void CProjectTaskItemDlg::OnResourceDblClk(NMHDR*, LRESULT* result) {
    *result = 0;
    OnModifyResource();
}

void CProjectTaskItemDlg::OnResourceChanged(NMHDR*, LRESULT* result) {
    *result = 0;
}

bool CProjectTaskItemDlg::CheckNameAndNumber() {
    if (ItemName.IsEmpty()) {
        Warn("项目或任务名称不能为空!", "警告", kName);
        return false;
    }
    if (IsReservedItemName(ItemName)) {
        Warn("项目管理、更改任务管理、产品评审管理为系统使用内容，不能做为任务名称进行定义...", "", kName);
        return false;
    }
    if (!HasValidItemCharacters(ItemName)) {
        Warn(NameCharacterMessage(), "", kName);
        return false;
    }
    CString value;
    value.Format("%d", SimpleProject);
    WriteSetting(kSettingsSection, "上次所选项目类型", value);
    if (IsProject && ItemNo.Find('#') >= 0) {
        Warn("项目或任务编号不能包含字符：# ......", "", kNumber);
        return false;
    }
    const bool oracle = m_nDatabaseType == 2;
    if (ItemName.CompareNoCase(m_strLoadedName) != 0) {
        CString path = ProjectPath;
        if (NewItem && !IsProject)
            path = ChildrenPath(ProjectPath, ProjectName);
        else if (NewItem)
            path = kRootPath;
        CString sql;
        sql.Format("SELECT count(*) FROM ProjectManage WHERE %s='%s' AND %s='%s'",
                   oracle ? "rtrim(ProjectPath)" : "ProjectPath", SqlQuote(path),
                   oracle ? "rtrim(ProjectName)" : "ProjectName", SqlQuote(ItemName));
        const int count = QueryGuardCount(sql);
        if (count < 0)
            return false;
        if (count > 0) {
            Warn("在同一项目路径下，项目或任务名称已存在...", "操作提示", kName);
            return false;
        }
    }
    if (ItemNo.IsEmpty()) {
        Warn("项目或任务编号不能为空!", "警告", kNumber);
        return false;
    }
    if (!HasValidItemNumber(ItemNo)) {
        Warn(NumberCharacterMessage(), "", kNumber);
        return false;
    }
    // A new number names the task's folder on the file server and its documents' local copies: one
    // past the file systems' limits would be stored, and none of its documents could be fetched.
    if (const CString tooLong = NewItem ? NewNumberLengthMessage(ItemNo, CreateWorkTask) : CString();
        !tooLong.IsEmpty()) {
        Warn(tooLong, "", kNumber);
        return false;
    }
    CString sql;
    // Numbers that differ only in letter case, in any script, or that name one folder, are one number.
    sql.Format("SELECT ProjectName,ProjectPath FROM %s WHERE %s", TableName,
               TaskNumberIs("ProjectNo", ItemNo));
    bool taken = false;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF() && !taken) {
            const CString name = VariantToString(rs->GetCollect(0L));
            const CString path = VariantToString(rs->GetCollect(1L));
            // Only the item's own row may hold its number.
            taken = NewItem || name.CompareNoCase(ProjectName) != 0 || path.CompareNoCase(ProjectPath) != 0;
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return false;
    }
    if (taken && NewItem && !IsProject && !m_bNumberLocked) {
        // Another client stored a task under the proposed number meanwhile. The box of a new
        // task's number cannot be typed into, so the task takes the number proposed now.
        const CString next = ProposeNumber();
        if (!next.IsEmpty() && next.CompareNoCase(ItemNo) != 0) {
            ItemNo = next;
            SetDlgItemText(kNumber, ItemNo);
            return CheckNameAndNumber();
        }
    }
    if (taken) {
        Warn("该项目或任务编号已存在，请重新输入!", "", kNumber);
        return false;
    }
    if (Manager.IsEmpty()) {
        Warn("任务负责人不能为空...", "", -1);
        return false;
    }
    return true;
}

bool CProjectTaskItemDlg::CheckDatesAndType(const CString& type) {
    // The date texts follow every change of a picker or of its day box; a date that an existing
    // item has stored empty and that was left alone stays empty (the picker only shows a default).
    for (auto [picker, text] : {std::pair{&m_endDate, &PreendedTime}, std::pair{&m_alertDate, &AlertTime},
                                std::pair{&m_startDate, &StartTime}})
        *text = PickedDate(*picker, *text, NewItem);
    const CString today = CTime::GetCurrentTime().Format("%Y-%m-%d");
    if (NewItem && PreendedTime.CompareNoCase(today) < 0) {
        Warn("预计完成时间不能早于当前计算机完成时间...", "", -1);
        return false;
    }
    // A parent without a planned completion date sets no bound.
    if (!m_strParentDate.IsEmpty() && PreendedTime.CompareNoCase(m_strParentDate) > 0) {
        CString text;
        text.Format("预计完成时间不能晚于上级任务预计完成时间：%s ...", m_strParentDate);
        Warn(text, "", -1);
        return false;
    }
    if (AlertTime.CompareNoCase(PreendedTime) > 0) {
        Warn("报警时间不能晚于预计完成时间...", "", -1);
        return false;
    }
    if (type == "V") {
        CString sql;
        sql.Format("SELECT count(*) FROM TeamWorkManage WHERE TaskNo='%s'", SqlQuote(ItemNo));
        const int count = QueryGuardCount(sql);
        if (count < 0)
            return false;
        if (count > 0) {
            Warn("指定项目任务下已分配了工作任务，不能再设定为项目任务组...", "", -1);
            return false;
        }
    }
    if (!NewItem && Editable && m_bHasTasksBelow && TaskTypeIndex == 1) {
        Warn("上级项目节点已经分配了任务，不能再设定为<工作组任务>...", "", -1);
        return false;
    }
    return true;
}

CString CProjectTaskItemDlg::ResourceText() const {
    CString text;
    for (int i = 0; i < m_resourceList.GetItemCount(); ++i) {
        if (i > 0)
            text += kResourceJoin;
        text += m_resourceList.GetItemText(i, 0) + kResourcePair + m_resourceList.GetItemText(i, 1);
    }
    return text;
}

std::vector<StoredField> CProjectTaskItemDlg::StoredFields() const {
    CString priority;
    priority.Format("%d", Priority);
    return {{"ProjectNo", "编号", ItemNo},
            {"ProjectName", "名称", ItemName},
            {"ProjectManager", "负责人", Manager},
            {"PreendedTime", "完成日期", PickedDate(m_endDate, PreendedTime, NewItem)},
            {"Remark", "内容描述", Remark},
            {"ProjectResource", "资源文件", ResourceText()},
            {"AuditingModel", "评审流程", AuditingModel},
            {"AuditorName", "评审人员", AuditorName},
            {"TaskType", "任务类型", TaskTypeLetter()},
            {"AlertTime", "报警日期", PickedDate(m_alertDate, AlertTime, NewItem)},
            {"Other3", "开始日期", PickedDate(m_startDate, StartTime, NewItem)},
            {"Other4", "优先级", priority, true}};
}

// Under the item's lock, the fields the user changed are written over the row as stored now, and
// the paths below a renamed item with them, or nothing when another client changed the same
// field or deleted the item meanwhile (one box, the dialog stays open).
bool CProjectTaskItemDlg::StoreExistingItem(const CString&) {
    CWaitCursor wait;
    if (!m_storedRow)
        return false;
    CSqlTransaction transaction;
    if (!transaction.IsActive() || !transaction.Lock(projects::ProjectTaskLockName(ProjectNo)))
        return false;
    const std::vector<StoredField> stamps = {
        {"ModifiedTime", "", CTime::GetCurrentTime().Format("%Y-%m-%d %H:%M")}};
    if (!m_storedRow->StoreChanges(StoredFields(), stamps, true))
        return false;
    if (ItemName != ProjectName && !RewriteChildPaths(ProjectPath, ProjectName, ItemName))
        return false;
    if (!transaction.Commit())
        return false;
    ProjectName = ItemName;
    return true;
}

void CProjectTaskItemDlg::NotifyNewManager() {
    if (Manager.CompareNoCase(m_strLoadedManager) == 0)
        return;
    const CString sender = theApp.GetUserNameByLogName(theApp.m_strLoginUser);
    CString text;
    if (CreateWorkTask)
        text.Format("辛苦了，项目上级%s给您分配了项目任务及工作组任务：%s[%s]...", sender, ItemName, ItemNo);
    else
        text.Format("辛苦了，项目上级%s给您分配了项目任务：%s[%s]...", sender, ItemName, ItemNo);
    SendUserNotice(Manager, text);
}

void CProjectTaskItemDlg::AnnounceNewItem() {
    if (!NewItem)
        return;
    {
        COperationLog log;
        log.WriteLog("项目管理", "修改", ItemNo, "增加任务属性");
    }
    NotifyNewManager();
}

void CProjectTaskItemDlg::OnOK() {
    if (!Editable || !m_bRowFound || !GetDlgItem(IDOK)->IsWindowEnabled())
        return;
    if (!UpdateData(TRUE))
        return;
    ItemNo.Trim();
    ItemName.Trim();
    SetDlgItemText(kNumber, ItemNo);
    SetDlgItemText(kName, ItemName);
    if (!CheckNameAndNumber())
        return;

    ProjectResource = ResourceText();
    if (vq::Utf8ToGbk(ProjectResource.str()).size() > 254) {
        Warn("分配资源较多，请重新组织!", "警告", -1);
        return;
    }
    // A new item is logged and its manager told by AnnounceNewItem, once the caller has stored it.
    if (!NewItem) {
        COperationLog log;
        log.WriteLog("项目管理", "修改", ItemNo, "修改任务属性");
    }
    const CString type = TaskTypeLetter();
    if (!CheckDatesAndType(type))
        return;
    if (!NewItem) {
        if (!StoreExistingItem(type))
            return;
        NotifyNewManager();
    }
    if (TaskTypeIndex != m_nLoadedTypeIndex && TaskTypeIndex == 0) {
        CreateWorkTask = 0;
        // A task that is no longer a work-group task loses its work group and the members' rights.
        const CString teamType = IsProject ? "_P" : "_T";
        CString sql;
        sql.Format("DELETE FROM DesignProjectTeam WHERE TeamType='%s' AND TeamGroup='%s'", teamType, SqlQuote(ItemNo));
        theApp.ExecuteSql(sql);
        sql.Format("DELETE FROM DesignProjectTeamRight WHERE TeamType='%s' AND TeamGroup='%s'", teamType,
                   SqlQuote(ItemNo));
        theApp.ExecuteSql(sql);
    }
    m_bUpdatingDates = true;
    UpdateData(FALSE);
    m_bUpdatingDates = false;
    EndDialog(IDOK);
}

void CProjectTaskItemDlg::DeleteWhatThisDialogStored() {
    // Only the rows stored under the number this dialog locked, in the group type it used: a
    // number typed but never locked may be that of another project, whose rows must stay.
    if (!NewItem || !m_bNumberLocked || m_strLockedNo.IsEmpty())
        return;
    CString group = m_strLockedNo;
    if (m_strLockedTeamType == "_T" && group.Find('#') >= 0)
        group = group.Left(group.Find('#'));
    CString sql;
    sql.Format("DELETE FROM TaskExtDocument WHERE TaskNo='%s'", SqlQuote(m_strLockedNo));
    theApp.ExecuteSql(sql);
    if (!m_strLockedTeamType.IsEmpty()) {
        sql.Format("DELETE FROM DesignProjectTeam WHERE TeamType='%s' AND TeamGroup='%s'",
                   SqlQuote(m_strLockedTeamType), SqlQuote(group));
        theApp.ExecuteSql(sql);
        sql.Format("DELETE FROM DesignProjectTeamRight WHERE TeamType='%s' AND TeamGroup='%s'",
                   SqlQuote(m_strLockedTeamType), SqlQuote(group));
        theApp.ExecuteSql(sql);
    }
    sql.Format("DELETE FROM TeamWorkManage WHERE TaskNo = '%s'", SqlQuote(m_strLockedNo));
    theApp.ExecuteSql(sql);
}

void CProjectTaskItemDlg::OnCancel() {
    DeleteWhatThisDialogStored();
    EndDialog(IDCANCEL);
}

CString CProjectTaskItemDlg::ItemPath() const {
    return NewItem && !IsProject ? ChildrenPath(ProjectPath, ProjectName) : ProjectPath;
}

CString CProjectTaskItemDlg::TopProjectNumber() {
    const CString path = ItemPath();
    if (IsProject || IsTopLevelPath(path))
        return ItemNo;
    const int slash = path.Find('\\');
    const CString name = slash >= 0 ? path.Left(slash) : path;
    CString sql;
    sql.Format("SELECT ProjectNo FROM ProjectManage WHERE ProjectName='%s' AND ProjectPath='项目管理'", SqlQuote(name));
    return theApp.GetSqlString(sql);
}

void CProjectTaskItemDlg::OnPickManager() {
    UpdateData(TRUE);
    if (!IsProject && ReadSettingInt(kSettingsSection, "按照项目组分配任务", "1") != 0) {
        CSelectProjectTeamerDlg picker(this);
        picker.m_strProjectNo = TopProjectNumber();
        picker.m_bWorkGroup = 0;
        picker.m_strLogName = Manager;
        picker.DoModal();
        // Cancel leaves the preset manager, so the result needs no test.
        if (!picker.m_strLogName.IsEmpty())
            Manager = picker.m_strLogName;
    } else {
        CUserBrowseDlg picker(this);
        picker.m_strLogName = Manager;
        if (picker.DoModal() != IDOK)
            return;
        Manager = picker.m_strLogName;
    }
    SetDlgItemText(kManager, Manager);
}

void CProjectTaskItemDlg::OnTaskQuery() {
    UpdateData(TRUE);
    CTaskQueryDlg query(this);
    query.UserName = Manager;
    query.ProjectNo = IsProject ? CString() : TopProjectNumber();
    query.DoModal();
    if (!Editable || query.UserName.IsEmpty() || query.UserName.CompareNoCase(Manager) == 0)
        return;
    CString text;
    text.Format("是否把负责人：%s 更改为：%s", Manager, query.UserName);
    if (MessageBox(text, "操作提示", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    Manager = query.UserName;
    SetDlgItemText(kManager, Manager);
}

bool CProjectTaskItemDlg::LockNewNumber(const CString& emptyMessage, const CString& characterEnding,
                                        const CString& takenMessage, const CString& question,
                                        const CString& teamType) {
    if (!NewItem)
        return true;
    ItemNo.Trim();
    if (ItemNo.IsEmpty()) {
        AfxMessageBox(emptyMessage);
        return false;
    }
    if (!HasValidItemNumber(ItemNo)) {
        Warn(NumberCharacterMessage() + characterEnding, "", kNumber);
        return false;
    }
    if (const CString tooLong = NewNumberLengthMessage(ItemNo, CreateWorkTask); !tooLong.IsEmpty()) {
        Warn(tooLong, "", kNumber);
        return false;
    }
    // A number that any row holds, a task's as well as a project's, is never locked as new: a
    // cancel removes the rows stored under the locked number.
    CString sql;
    sql.Format("SELECT count(*) FROM ProjectManage WHERE %s", TaskNumberIs("ProjectNo", ItemNo));
    const int count = QueryGuardCount(sql);
    if (count < 0)
        return false;
    if (count > 0) {
        AfxMessageBox(takenMessage);
        return false;
    }
    auto* number = dynamic_cast<CEdit*>(GetDlgItem(kNumber));
    if (m_bNumberLocked && m_strLockedNo == ItemNo) {
        if (m_strLockedTeamType.IsEmpty())
            m_strLockedTeamType = teamType;
        return true;
    }
    // Nor is a number under which work tasks, outside documents or group members are stored
    // already: they are not this dialog's to remove.
    const CString group = ItemNo.Find('#') >= 0 ? ItemNo.Left(ItemNo.Find('#')) : ItemNo;
    struct Use {
        const char* format;
        const CString& key;
    };
    for (const Use& use : {Use{"SELECT count(*) FROM TeamWorkManage WHERE TaskNo='%s'", ItemNo},
                           Use{"SELECT count(*) FROM TaskExtDocument WHERE TaskNo='%s'", ItemNo},
                           Use{"SELECT count(*) FROM DesignProjectTeam WHERE TeamGroup='%s'", group}}) {
        sql.Format(use.format, SqlQuote(use.key));
        const int rows = QueryGuardCount(sql);
        if (rows < 0)
            return false;
        if (rows > 0) {
            AfxMessageBox(takenMessage);
            return false;
        }
    }
    if (number && !number->IsReadOnly() && MessageBox(question, "警告", MB_YESNO | MB_ICONWARNING) != IDYES)
        return false;
    if (number)
        number->SetReadOnly(TRUE);
    EnableItem(kNewCode, false);
    m_bNumberLocked = true;
    m_strLockedNo = ItemNo;
    if (m_strLockedTeamType.IsEmpty())
        m_strLockedTeamType = teamType;
    return true;
}

void CProjectTaskItemDlg::OnMembers() {
    UpdateData(TRUE);
    const CString teamType = IsProject ? "_P" : "_T";
    if (!LockNewNumber("项目编号为空，不能设置项目成员...", "，不能设置项目成员...", "相同编号的项目已存在，不能设置项目成员...",
                       "设置项目成员将不再允许修改项目编号，是否继续?", teamType))
        return;
    CProjectTeamDlg team(this);
    if (IsProject) {
        team.m_strProjectNo = ItemNo;
        team.m_strProjectName = ItemName;
        team.m_bWorkGroup = 0;
    } else {
        team.m_strProjectNo = TopProjectNumber();
        team.m_strTaskNo = ItemNo.Find('#') >= 0 ? ItemNo.Left(ItemNo.Find('#')) : ItemNo;
        team.m_strTaskName = ItemName;
        team.m_bWorkGroup = 1;
    }
    team.m_bReadOnly = Editable ? 0 : 1;
    team.DoModal();
}

void CProjectTaskItemDlg::OnResources() {
    UpdateData(TRUE);
    if (!LockNewNumber("项目编号为空，不能增加外部资源...", "，不能增加外部资源...",
                       "相同编号的项目已存在，不能增加外部资源...",
                       "增加外部资源将不再允许修改项目编号，是否继续?", ""))
        return;
    vq::OpenTaskResources(this, ItemNo, ItemName, 0, Editable ? 0 : 1);
}

void CProjectTaskItemDlg::OnSubdivide() {
    UpdateData(TRUE);
    if (!LockNewNumber("项目编号为空，不能增加外部资源...", "，不能增加外部资源...",
                       "相同编号的项目已存在，不能增加外部资源...",
                       "对简单项目进行工作任务细分将不再允许修改项目编号，是否继续?", ""))
        return;
    SYSTEMTIME st;
    if (m_endDate.GetTime(&st) == GDT_VALID)
        WriteSetting("项目任务管理", "上级任务完成日期", DateText(st));
    const bool manager = !Manager.IsEmpty() && Manager.CompareNoCase(theApp.m_strLoginUser) == 0;
    vq::OpenTeamWorks(this, ItemNo, ItemName, Editable || manager ? 0 : 1);
}

void CProjectTaskItemDlg::OnAuditFlow() {
    UpdateData(TRUE);
    vq::TaskAuditFlowRequest flow;
    flow.parent = this;
    flow.projectPath = ItemPath();
    flow.projectName = ItemName;
    flow.taskId = ItemNo;
    flow.auditModel = AuditingModel;
    flow.auditorName = AuditorName;
    flow.writeToTask = 0;
    const bool changeable = WorkState.IsEmpty() || WorkState == "未开始" || WorkState == "正进行中" ||
                            WorkState == "评审-更改" || WorkState == "归档-更改";
    flow.readOnly = Editable && changeable ? 0 : 1;
    if (vq::OpenTaskAuditFlow(flow) != IDOK)
        return;
    AuditingModel = flow.auditModel;
    AuditorName = flow.auditorName;
}
