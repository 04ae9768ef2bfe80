#include "teamwork/TeamTaskItemDlg.h"

#include "controls/UserBrowseDlg.h"
#include "core/ComError.h"
#include "core/Settings.h"
#include "core/SqlTransaction.h"
#include "core/StoredRow.h"
#include "core/TeamWorkLog.h"
#include "core/UserNotice.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/TextCodec.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Edit.h"
#include "projects/ProjectTaskRecords.h"
#include "projects/SelectProjectTeamerDlg.h"
#include "projects/TaskQueryDlg.h"
#include "projects/WorkNumbering.h"
#include "teamwork/TaskResourceDlg.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

constexpr int kWorkIdEdit = 1001;
constexpr int kWorkNameEdit = 1002;
constexpr int kTypeCombo = 1003;
constexpr int kBeginDate = 1004;
constexpr int kBeginDaysEdit = 1005;
constexpr int kPriorityEdit = 1006;
constexpr int kPrioritySpin = 1007;
constexpr int kManagerEdit = 1008;
constexpr int kSelectManager = 1009;
constexpr int kCheckDate = 1010;
constexpr int kCheckDaysEdit = 1011;
constexpr int kEndDate = 1012;
constexpr int kEndDaysEdit = 1013;
constexpr int kPromptEdit = 1014;
constexpr int kRequestEdit = 1015;
constexpr int kStateEdit = 1016;
constexpr int kPartCodeEdit = 1017;
constexpr int kBeginNumEdit = 1018;
constexpr int kEndNumEdit = 1019;
constexpr int kTaskQuery = 1020;
constexpr int kAssignResource = 1021;

constexpr DWORD kMultiLine = ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL;

const vq::DialogTemplate kTeamTaskItemTemplate{
    "工作任务分解",
    {vq::Label("工作编号"),
     vq::EditBox(kWorkIdEdit, vq::kNoLayoutFlags, ES_AUTOHSCROLL | ES_READONLY),
     vq::Label("任务类型", vq::kBeside),
     vq::DropDownList(kTypeCombo, vq::kBeside),
     vq::Label("工作名称"),
     vq::EditBox(kWorkNameEdit),
     vq::Label("负责人", vq::kBeside),
     vq::EditBox(kManagerEdit, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::PushButton(kSelectManager, "...", vq::kBeside),
     vq::Label("开始时间"),
     vq::DateTimePicker(kBeginDate),
     vq::EditBox(kBeginDaysEdit, vq::kBeside),
     vq::Label("天", vq::kBeside),
     vq::Label("报警时间"),
     vq::DateTimePicker(kCheckDate),
     vq::EditBox(kCheckDaysEdit, vq::kBeside),
     vq::Label("天", vq::kBeside),
     vq::Label("完成时间"),
     vq::DateTimePicker(kEndDate),
     vq::EditBox(kEndDaysEdit, vq::kBeside),
     vq::Label("天", vq::kBeside),
     vq::Label("优先级"),
     vq::EditBox(kPriorityEdit, vq::kNoLayoutFlags, ES_AUTOHSCROLL | ES_NUMBER),
     vq::Spin(kPrioritySpin),
     vq::Label("工作内容"),
     vq::EditBox(kPromptEdit, vq::kNoLayoutFlags, kMultiLine),
     vq::Label("工作要求"),
     vq::EditBox(kRequestEdit, vq::kNoLayoutFlags, kMultiLine),
     vq::Label("任务状态"),
     vq::EditBox(kStateEdit, vq::kNoLayoutFlags, ES_AUTOHSCROLL | ES_READONLY),
     vq::Label("图号前缀", vq::kHidden),
     vq::EditBox(kPartCodeEdit, vq::kHidden),
     vq::Label("起始", vq::kHidden),
     vq::EditBox(kBeginNumEdit, vq::kHidden),
     vq::Label("终止", vq::kHidden),
     vq::EditBox(kEndNumEdit, vq::kHidden),
     vq::PushButton(kTaskQuery, "任务查询..."),
     vq::PushButton(kAssignResource, "分配资源...", vq::kBeside),
     vq::DefPushButton(IDOK, "确定", vq::kBeside),
     vq::PushButton(IDCANCEL, "取消", vq::kBeside)},
    CSize(620, 600)};

constexpr const char* kGroupType = "工作任务组";
constexpr const char* kWorkType = "工作任务";
constexpr const char* kChangeType = "更改任务";

CTime DayAt0101(const CTime& time) {
    return CTime(time.GetYear(), time.GetMonth(), time.GetDay(), 1, 1, 1);
}

} // namespace

BEGIN_MESSAGE_MAP(CTeamTaskItemDlg, CDialog)
    ON_BN_CLICKED(kSelectManager, &CTeamTaskItemDlg::OnSelectManager)
    ON_BN_CLICKED(kAssignResource, &CTeamTaskItemDlg::OnAssignResource)
    ON_BN_CLICKED(kTaskQuery, &CTeamTaskItemDlg::OnTaskQuery)
    ON_CBN_SELCHANGE(kTypeCombo, &CTeamTaskItemDlg::OnSelChangeTaskType)
    ON_EN_CHANGE(kBeginDaysEdit, &CTeamTaskItemDlg::OnChangeBeginDays)
    ON_EN_CHANGE(kCheckDaysEdit, &CTeamTaskItemDlg::OnChangeCheckDays)
    ON_EN_CHANGE(kEndDaysEdit, &CTeamTaskItemDlg::OnChangeEndDays)
    ON_NOTIFY(DTN_DATETIMECHANGE, kBeginDate, &CTeamTaskItemDlg::OnBeginDateChange)
    ON_NOTIFY(DTN_DATETIMECHANGE, kCheckDate, &CTeamTaskItemDlg::OnCheckDateChange)
    ON_NOTIFY(DTN_DATETIMECHANGE, kEndDate, &CTeamTaskItemDlg::OnEndDateChange)
    ON_NOTIFY(UDN_DELTAPOS, kPrioritySpin, &CTeamTaskItemDlg::OnPriorityDeltaPos)
    ON_EN_CHANGE(kPriorityEdit, &CTeamTaskItemDlg::OnChangePriority)
END_MESSAGE_MAP()

// Until the window has shown its values, field changes come from the code.
CTeamTaskItemDlg::CTeamTaskItemDlg(CWnd* parent)
    : CDialog(kTeamTaskItemTemplate, parent), m_bSettingFields(true) {}

void CTeamTaskItemDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kPrioritySpin, PrioritySpin);
    DDX_Control(pDX, kTypeCombo, TypeCombo);
    DDX_Control(pDX, kEndDate, EndDatePicker);
    DDX_Control(pDX, kCheckDate, CheckDatePicker);
    DDX_Control(pDX, kBeginDate, BeginDatePicker);
    DDX_Text(pDX, kWorkIdEdit, WorkID);
    DDX_Text(pDX, kWorkNameEdit, WorkName);
    DDX_Text(pDX, kStateEdit, WorkState);
    DDX_Text(pDX, kPromptEdit, WorkPrompt);
    DDX_Text(pDX, kRequestEdit, WorkRequest);
    DDX_Text(pDX, kPartCodeEdit, PartCode);
    DDX_Text(pDX, kManagerEdit, Manager);
    DDX_Text(pDX, kBeginNumEdit, BeginNum);
    DDX_Text(pDX, kEndNumEdit, EndNum);
    DDX_CBIndex(pDX, kTypeCombo, TypeIndex);
    DDX_Text(pDX, kBeginDaysEdit, BeginDays);
    DDX_Text(pDX, kCheckDaysEdit, CheckDays);
    DDX_Text(pDX, kEndDaysEdit, EndDays);
    DDX_Text(pDX, kPriorityEdit, Priority);
    DDV_MinMaxInt(pDX, Priority, 0, 1000);
}

void CTeamTaskItemDlg::SetFieldText(int id, const CString& text) {
    const bool old = m_bSettingFields;
    m_bSettingFields = true;
    SetDlgItemText(id, text);
    m_bSettingFields = old;
}

BOOL CTeamTaskItemDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // The entries of the type list; then the selection of TypeIndex.
    TypeCombo.ResetContent();
    TypeCombo.AddString(kGroupType);
    TypeCombo.AddString(kWorkType);
    TypeCombo.SetCurSel(TypeIndex);
    CWaitCursor wait;
    if (Connection != theApp.m_pConnPDM)
        Connection = theApp.m_pConnPDM;
    LoginUser = theApp.m_strLoginUser;
    CloseMode = theApp.m_nAdoCloseMode;
    for (CDateTimeCtrl* picker : {&BeginDatePicker, &CheckDatePicker, &EndDatePicker})
        picker->SetFormat("yyyy-MM-dd");
    if (UpWorkID.IsEmpty())
        UpWorkID = TaskNo;
    Today = DayAt0101(CTime::GetCurrentTime());

    if (ModifyMode == 0)
        InitNewWork();
    else
        InitExistingWork();
    if (ReadOnly)
        LockFields();
    ReadParentEndTime();

    m_bSettingFields = true;
    UpdateData(TRUE);
    PrioritySpin.SetRange32(0, 1000);
    m_bSettingFields = false;
    return TRUE;
}

void CTeamTaskItemDlg::InitNewWork() {
    CString sql;
    sql.Format("SELECT count(*) FROM ProjectManage WHERE ProjectNo = '%s' AND TaskType ='S'",
               SqlQuote(UpWorkID));
    if (theApp.GetSqlInt(sql) > 0) {
        TypeIndex = 1;
        TypeCombo.SetCurSel(1);
        TypeCombo.EnableWindow(FALSE);
    }
    WorkState = "待确认";
    WorkID = MakeNewWorkID();
    if (WorkID.IsEmpty()) {
        AfxMessageBox("不能正常自动生成工作任务编号...");
        GetDlgItem(IDOK)->EnableWindow(FALSE);
    }
    Manager = LoginUser;
    m_bSettingFields = true;
    UpdateData(FALSE);
}

void CTeamTaskItemDlg::InitExistingWork() {
    LoadWork();
    const CString typeText =
        TypeIndex >= 0 && TypeIndex < TypeCombo.GetCount() ? TypeCombo.GetLBText(TypeIndex) : CString();
    SetWindowText(typeText + "属性");
    if (typeText == kGroupType) {
        CString sql;
        sql.Format("SELECT count(*) FROM TeamWorkManage WHERE UpWorkID = '%s'", SqlQuote(WorkID));
        if (theApp.GetSqlInt(sql) > 0)
            TypeCombo.EnableWindow(FALSE);
    }
    m_bSettingFields = true;
    UpdateData(FALSE);
    ShowDatesFromTexts();
    OldManager = Manager;
    CheckMaintainRights();
    m_storedRow = std::make_unique<CStoredRowEdit>(
        "TeamWorkManage", std::vector<std::pair<CString, CString>>{{"WorkID", WorkID}});
    m_storedRow->Open(StoredFields());
}

void CTeamTaskItemDlg::CheckMaintainRights() {
    if (UpWorkID.IsEmpty())
        return;
    CString sql;
    sql.Format("SELECT Manager FROM TeamworkManage WHERE WorkID = '%s'", SqlQuote(UpWorkID));
    CString parentManager = theApp.GetSqlString(sql);
    if (parentManager.IsEmpty()) {
        sql.Format("Select ProjectManager FROM ProjectManage WHERE ProjectNo = '%s'", SqlQuote(UpWorkID));
        parentManager = theApp.GetSqlString(sql);
    }
    if (LoginUser.CompareNoCase(parentManager) != 0 && LoginUser.CompareNoCase("Admin") != 0) {
        MessageBox("非系统管理员或者上级任务负责人，不能进行属性维护!", "操作提示", MB_OK | MB_ICONWARNING);
        ReadOnly = 1;
    }
}

void CTeamTaskItemDlg::LockFields() {
    for (int id :
         {kWorkIdEdit, kWorkNameEdit, kPartCodeEdit, kPromptEdit, kRequestEdit, kBeginNumEdit, kEndNumEdit})
        if (auto* edit = dynamic_cast<CEdit*>(GetDlgItem(id)))
            edit->SetReadOnly(TRUE);
    for (int id : {kTypeCombo, IDOK, kAssignResource, kSelectManager, kBeginDate, kCheckDate, kEndDate})
        GetDlgItem(id)->EnableWindow(FALSE);
}

void CTeamTaskItemDlg::ReadParentEndTime() {
    CString sql;
    if (UpWorkID.CompareNoCase(TaskNo) == 0)
        sql.Format("SELECT PreendedTime FROM ProjectManage WHERE ProjectNo='%s'", SqlQuote(TaskNo));
    else
        sql.Format("SELECT PreEndedTime FROM TeamWorkManage WHERE WorkID='%s'", SqlQuote(UpWorkID));
    ParentEndTime = theApp.GetSqlString(sql);
    if (ParentEndTime.IsEmpty())
        ParentEndTime = ReadSetting("项目任务管理", "上级任务完成日期", "");
}

CString CTeamTaskItemDlg::MakeNewWorkID() {
    return ::MakeNewWorkID(Connection ? Connection : theApp.m_pConnPDM, UpWorkID, CloseMode);
}

int CTeamTaskItemDlg::LoadWork() {
    m_bSettingFields = true;
    UpdateData(TRUE);
    if (WorkID.IsEmpty()) {
        AfxMessageBox("工作编号为空，不能正常读取属性...");
        return 0;
    }
    CString sql;
    sql.Format(
        "SELECT Manager, WorkName, WorkPrompt, WorkRequest, WorkType, BeginTime, CheckTime, PreEndedTime, "
        "WorkState, PartCode, BeginNum, EndNum, UpWorkID, Other1, TaskNo FROM TeamWorkManage WHERE "
        "WorkID='%s'",
        SqlQuote(WorkID));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, Connection ? Connection : theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly,
                 adCmdText);
        const bool found = !rs->IsEOF();
        if (found) {
            auto text = [&](long i) { return VariantToString(rs->GetCollect(i)); };
            Manager = text(0);
            WorkName = text(1);
            WorkPrompt = text(2);
            WorkRequest = text(3);
            const CString type = text(4);
            BeginTime = text(5);
            CheckTime = text(6);
            PreEndedTime = text(7);
            WorkState = text(8);
            PartCode = text(9);
            BeginNum = std::atoi(text(10));
            EndNum = std::atoi(text(11));
            UpWorkID = text(12);
            Priority = std::atoi(text(13));
            TaskNo = text(14);
            if (type.CompareNoCase("W") == 0) {
                TypeIndex = 1;
            } else if (type.CompareNoCase("M") == 0) {
                if (TypeCombo.GetCount() < 3)
                    TypeCombo.AddString(kChangeType);
                TypeCombo.EnableWindow(FALSE);
                TypeIndex = 2;
            } else {
                TypeIndex = 0;
            }
        }
        if (CloseMode && rs->GetState() == adStateOpen)
            rs->Close();
        if (!found) {
            AfxMessageBox("不能正常读取工作任务的属性...");
            GetDlgItem(IDOK)->EnableWindow(FALSE);
            return 0;
        }
    } catch (_com_error& e) {
        ReportComError(e);
        GetDlgItem(IDOK)->EnableWindow(FALSE);
        return 0;
    }
    return 1;
}

CString CTeamTaskItemDlg::GetTopProjectNo(CString taskNo) {
    CString sql;
    sql.Format("SELECT ProjectPath FROM ProjectManage WHERE ProjectNo='%s'", SqlQuote(taskNo));
    const CString path = theApp.GetSqlString(sql);
    for (const char* top : {"项目管理", "更改任务管理", "变异设计管理", "产品评审管理"})
        if (path == top)
            return taskNo;
    const int slash = path.Find('\\');
    const CString projectName = slash >= 0 ? path.Left(slash) : path;
    sql.Format("SELECT ProjectNo FROM ProjectManage WHERE ProjectName='%s' AND ProjectPath='项目管理'",
               SqlQuote(projectName));
    return theApp.GetSqlString(sql);
}

// --- Dates, day counts and priority -----------------------------------------------------------

CString CTeamTaskItemDlg::PickerDate(CDateTimeCtrl& picker) const {
    CTime time;
    if (!picker.GetTime(time))
        return CString();
    return time.Format("%Y-%m-%d");
}

// Whole days between the dates: the picker's time of day (the current time in new mode, midnight
// for a date typed in) does not take a day off the count.
int CTeamTaskItemDlg::DaysFromToday(CDateTimeCtrl& picker) const {
    CTime time;
    if (!picker.GetTime(time))
        return 0;
    return static_cast<int>((DayAt0101(time) - Today).GetTimeSpan() / 86400);
}

void CTeamTaskItemDlg::ShowDatesFromTexts() {
    struct Date {
        const CString& text;
        CDateTimeCtrl& picker;
        int& days;
        int daysId;
    };
    for (Date d : {Date{BeginTime, BeginDatePicker, BeginDays, kBeginDaysEdit},
                   Date{CheckTime, CheckDatePicker, CheckDays, kCheckDaysEdit},
                   Date{PreEndedTime, EndDatePicker, EndDays, kEndDaysEdit}}) {
        if (d.text.GetLength() >= 10) {
            const CTime date(std::atoi(d.text.Mid(0, 4)), std::atoi(d.text.Mid(5, 2)),
                             std::atoi(d.text.Mid(8, 2)), 1, 1, 1);
            d.picker.SetTime(date);
        }
        d.days = DaysFromToday(d.picker);
        const bool old = m_bSettingFields;
        m_bSettingFields = true;
        SetDlgItemInt(d.daysId, static_cast<UINT>(d.days));
        m_bSettingFields = old;
    }
}

void CTeamTaskItemDlg::DaysChanged(int daysId, CDateTimeCtrl& picker, int& days, CString& dateText) {
    if (m_bSettingFields)
        return;
    BOOL translated = FALSE;
    const int value = static_cast<int>(GetDlgItemInt(daysId, &translated, TRUE));
    if (!translated)
        return;
    days = value;
    const CTime date = Today + CTimeSpan(value, 0, 0, 0);
    dateText = date.Format("%Y-%m-%d");
    picker.SetTime(DayAt0101(date));
}

void CTeamTaskItemDlg::DateChanged(int daysId, CDateTimeCtrl& picker, int& days, CString& dateText) {
    dateText = PickerDate(picker);
    days = DaysFromToday(picker);
    const bool old = m_bSettingFields;
    m_bSettingFields = true;
    SetDlgItemInt(daysId, static_cast<UINT>(days));
    m_bSettingFields = old;
}

void CTeamTaskItemDlg::OnChangeBeginDays() {
    DaysChanged(kBeginDaysEdit, BeginDatePicker, BeginDays, BeginTime);
}
void CTeamTaskItemDlg::OnChangeCheckDays() {
    DaysChanged(kCheckDaysEdit, CheckDatePicker, CheckDays, CheckTime);
}
void CTeamTaskItemDlg::OnChangeEndDays() {
    DaysChanged(kEndDaysEdit, EndDatePicker, EndDays, PreEndedTime);
}
void CTeamTaskItemDlg::OnBeginDateChange(NMHDR*, LRESULT* result) {
    DateChanged(kBeginDaysEdit, BeginDatePicker, BeginDays, BeginTime);
    *result = 0;
}
void CTeamTaskItemDlg::OnCheckDateChange(NMHDR*, LRESULT* result) {
    DateChanged(kCheckDaysEdit, CheckDatePicker, CheckDays, CheckTime);
    *result = 0;
}
void CTeamTaskItemDlg::OnEndDateChange(NMHDR*, LRESULT* result) {
    DateChanged(kEndDaysEdit, EndDatePicker, EndDays, PreEndedTime);
    *result = 0;
}

// One click moves the priority by 20 and snaps it to a multiple of 20, within 0 to 1000; the
// spin's own step of one is refused.
void CTeamTaskItemDlg::OnPriorityDeltaPos(NMHDR* header, LRESULT* result) {
    const auto* updown = reinterpret_cast<NMUPDOWN*>(header);
    BOOL translated = FALSE;
    const int current = static_cast<int>(GetDlgItemInt(kPriorityEdit, &translated, TRUE));
    if (translated)
        Priority = current;
    Priority = std::clamp((Priority / 20 + updown->iDelta) * 20, 0, 1000);
    const bool old = m_bSettingFields;
    m_bSettingFields = true;
    SetDlgItemInt(kPriorityEdit, static_cast<UINT>(Priority));
    m_bSettingFields = old;
    *result = 1;
}

void CTeamTaskItemDlg::OnChangePriority() {
    if (m_bSettingFields)
        return;
    // The framework's range check tells the person; the value is then held within the range.
    CDataExchange dx(this, TRUE);
    bool inRange = true;
    try {
        DDX_Text(&dx, kPriorityEdit, Priority);
        DDV_MinMaxInt(&dx, Priority, 0, 1000);
    } catch (const vq::DataExchangeFailure&) {
        inRange = false;
    }
    if (inRange)
        return;
    BOOL translated = FALSE;
    const int typed = static_cast<int>(GetDlgItemInt(kPriorityEdit, &translated, TRUE));
    Priority = translated ? std::clamp(typed, 0, 1000) : std::clamp(Priority, 0, 1000);
    const bool old = m_bSettingFields;
    m_bSettingFields = true;
    SetDlgItemInt(kPriorityEdit, static_cast<UINT>(Priority));
    m_bSettingFields = old;
}

void CTeamTaskItemDlg::OnSelChangeTaskType() {
    TypeIndex = TypeCombo.GetCurSel();
}

// --- Commands ---------------------------------------------------------------------------------

void CTeamTaskItemDlg::OnSelectManager() {
    m_bSettingFields = true;
    const BOOL read = UpdateData(TRUE);
    m_bSettingFields = false;
    if (!read)
        return;
    if (ReadSettingInt("设计过程管理配置", "按照工作组分配任务", "1") == 0) {
        CUserBrowseDlg picker(this);
        picker.m_strLogName = Manager;
        if (picker.DoModal() == IDOK)
            Manager = picker.m_strLogName;
    } else {
        // The work group of the project task: its number is the part of the parent's id before
        // the first "#", and the project is looked up from it (a work id names no project row).
        const CString taskNo = TaskNumberOf(UpWorkID);
        CSelectProjectTeamerDlg picker(this);
        picker.m_strProjectNo = GetTopProjectNo(taskNo);
        picker.m_bWorkGroup = 1;
        picker.m_strTaskNo = taskNo;
        picker.m_strLogName = Manager;
        picker.DoModal();
        if (!picker.m_strLogName.IsEmpty())
            Manager = picker.m_strLogName;
    }
    SetFieldText(kManagerEdit, Manager);
}

CString CTeamTaskItemDlg::TaskNumberOf(const CString& id) {
    const int hash = id.Find('#');
    return hash >= 0 ? id.Left(hash) : id;
}

// In new mode the resources hang on the id not stored yet; Cancel removes them again.
void CTeamTaskItemDlg::OnAssignResource() {
    m_bSettingFields = true;
    const BOOL read = UpdateData(TRUE);
    m_bSettingFields = false;
    if (!read)
        return;
    CTaskResourceDlg dlg(this);
    dlg.m_strTaskNo = WorkID;
    dlg.m_strTaskName = WorkName;
    dlg.m_bWorkTask = 1;
    dlg.m_bNewWork = ModifyMode == 0 ? 1 : 0;
    dlg.m_bReadOnly = 0;
    dlg.DoModal();
}

void CTeamTaskItemDlg::OnTaskQuery() {
    m_bSettingFields = true;
    const BOOL read = UpdateData(TRUE);
    m_bSettingFields = false;
    if (!read)
        return;
    CTaskQueryDlg query(this);
    query.UserName = Manager;
    query.ProjectNo = GetTopProjectNo(TaskNumberOf(WorkID));
    query.DoModal();
}

// --- Storing ----------------------------------------------------------------------------------

CString CTeamTaskItemDlg::TypeLetter() const {
    if (TypeIndex == 1)
        return "W";
    if (TypeIndex == 2)
        return "M";
    return "V";
}

CString CTeamTaskItemDlg::NoticeText() {
    CString text;
    text.Format("辛苦了，%s[%s]给您分配了工作组工作任务：%s[%s]...", theApp.GetUserNameByLogName(LoginUser),
                LoginUser, WorkName, WorkID);
    return text;
}

void CTeamTaskItemDlg::OnOK() {
    m_bSettingFields = true;
    const BOOL read = UpdateData(TRUE);
    m_bSettingFields = false;
    if (!read)
        return;
    WorkName.Trim();
    if (WorkName.IsEmpty()) {
        AfxMessageBox("未指定工作名称...");
        return;
    }
    if (Manager.IsEmpty()) {
        AfxMessageBox("未指定工作负责人...");
        return;
    }
    BeginTime = PickerDate(BeginDatePicker);
    CheckTime = PickerDate(CheckDatePicker);
    PreEndedTime = PickerDate(EndDatePicker);
    // A parent without a planned finish date (and none in the settings) sets no bound.
    if (!ParentEndTime.IsEmpty() && PreEndedTime.CompareNoCase(ParentEndTime) > 0) {
        CString text;
        if (UpWorkID.CompareNoCase(TaskNo) == 0)
            text.Format("预计完成时间不能晚于上级项目任务预计完成时间：%s ...", ParentEndTime);
        else
            text.Format("预计完成时间不能晚于上级工作任务组预计完成时间：%s ...", ParentEndTime);
        AfxMessageBox(text);
        return;
    }
    if (BeginTime.Compare(CheckTime) > 0 || BeginTime.Compare(PreEndedTime) > 0 ||
        CheckTime.Compare(PreEndedTime) > 0) {
        AfxMessageBox("开始时间、校对时间、完成时间之间不匹配...");
        return;
    }
    const CString typeLetter = TypeLetter();
    CWaitCursor wait;
    const CString dateTime = CTime::GetCurrentTime().Format("%Y-%m-%d %H:%M");
    if (ModifyMode == 0) {
        // The work number names the work's files on the file server, whose code page 936 must
        // hold every character of it (a task stored by another client may not keep to that).
        if (!vq::HasGbkForm(WorkID.str())) {
            AfxMessageBox(projects::NumberCharacterMessage());
            return;
        }
        // It names the local copies of the work's resources ("T<work number>_<file>"), which
        // must stay within the file system's limits.
        if (const CString tooLong = projects::NumberNameLengthMessage(WorkID, "工作任务编号");
            !tooLong.IsEmpty()) {
            AfxMessageBox(tooLong);
            return;
        }
        if (!StoreNewWork(typeLetter, dateTime))
            return;
    } else {
        if (HasSubWorks && TypeIndex == 1) {
            AfxMessageBox("上级任务已经分配了任务，不能再设定为<实任务>...");
            return;
        }
        if (!StoreChangedWork(typeLetter))
            return;
    }
    if (OldManager.CompareNoCase(Manager) != 0)
        NotifyManager();
    EndDialog(IDOK);
}

// The lock that the deletion of the new work task's parent takes (a work task group, or the
// project task itself), and whether the parent is still stored, read under that lock; on a server
// the parent's row is kept from other writers until the transaction ends. 1 stored, 0 gone, -1
// after a failed read (shown).
CString CTeamTaskItemDlg::ParentLockName() const {
    return UpWorkID.CompareNoCase(TaskNo) == 0 ? projects::ProjectTaskLockName(TaskNo)
                                               : projects::WorkTaskLockName(UpWorkID);
}

int CTeamTaskItemDlg::ParentStored() const {
    const bool belowTask = UpWorkID.CompareNoCase(TaskNo) == 0;
    const CString sql = belowTask ? "SELECT ProjectNo FROM ProjectManage WHERE " +
                                        projects::TaskNumberIs("ProjectNo", TaskNo) + LockingReadSuffix()
                                  : "SELECT WorkID FROM TeamWorkManage WHERE " +
                                        projects::NumberIsExactly("WorkID", UpWorkID) + LockingReadSuffix();
    std::vector<CString> row;
    bool found = false;
    if (!ReadFirstRowTexts(sql, row, found))
        return -1;
    return found ? 1 : 0;
}

// Writes the work log and inserts the row, in one transaction under the parent's lock: a parent
// that another client deleted since the window opened takes no work task below it (the deletion
// takes the same lock and looks for sub-work tasks under it). The id shown was numbered when the
// window opened: when another client has stored it meanwhile, or stores it between our check and
// our INSERT (the unique key refuses ours then, and the transaction with our log row is rolled
// back), the work task is numbered again and stored under the new id.
BOOL CTeamTaskItemDlg::StoreNewWork(const CString& typeLetter, const CString& dateTime) {
    const _ConnectionPtr connection = Connection ? Connection : theApp.m_pConnPDM;
    for (int attempt = 0; attempt < 20; ++attempt) {
        std::optional<_com_error> refused;
        CString sql;
        {
            CSqlTransaction transaction;
            if (!transaction.IsActive() || !transaction.Lock(ParentLockName()))
                return FALSE;
            const int parent = ParentStored();
            if (parent < 0)
                return FALSE;
            if (parent == 0) {
                ShowDbMessage(UpWorkID.CompareNoCase(TaskNo) == 0
                                  ? "上级项目任务已被其他用户删除，工作任务没有保存..."
                                  : "上级工作任务已被其他用户删除，工作任务没有保存...");
                return FALSE;
            }
            if (IsWorkIDStored(connection, WorkID, CloseMode)) {
                const CString fresh = MakeNewWorkID();
                if (fresh.IsEmpty())
                    return FALSE;
                if (const CString tooLong = projects::NumberNameLengthMessage(fresh, "工作任务编号");
                    !tooLong.IsEmpty()) {
                    AfxMessageBox(tooLong);
                    return FALSE;
                }
                WorkID = fresh;
                SetFieldText(kWorkIdEdit, WorkID);
            }
            RunAfterRecheckHook();
            CString prompt;
            prompt.Format("给%s分配新工作：%s[%s]", Manager, WorkName, WorkID);
            CTeamWorkLog log;
            if (!log.WriteLog(WorkID, "增加", "分配工作", prompt))
                return FALSE;
            sql.Format(
                "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkPrompt, "
                "WorkRequest, "
                "WorkType, BeginTime, CheckTime, PreEndedTime, CreateTime, WorkState, PartCode, BeginNum, "
                "EndNum, "
                "Other1) VALUES('%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', "
                "'%s', '%s', "
                "%d, %d, %d)",
                SqlQuote(TaskNo), SqlQuote(UpWorkID), SqlQuote(WorkID), SqlQuote(Manager), SqlQuote(WorkName),
                SqlQuote(WorkPrompt), SqlQuote(WorkRequest), SqlQuote(typeLetter), SqlQuote(BeginTime),
                SqlQuote(CheckTime), SqlQuote(PreEndedTime), SqlQuote(dateTime), SqlQuote(WorkState),
                SqlQuote(PartCode), BeginNum, EndNum, Priority);
            try {
                connection->Execute(sql, nullptr, adCmdText);
            } catch (_com_error& e) {
                refused = e;
            }
            if (!refused)
                return transaction.Commit() ? TRUE : FALSE;
        }
        // Rolled back, our log row with it; another client that took the id is numbered past.
        if (!IsWorkIDStored(connection, WorkID, CloseMode)) {
            ReportComError(*refused);
            AfxMessageBox("执行出错的SQL语句,(请检查表、字段是否存在，或字段类型是否匹配)：\n" + sql);
            return FALSE;
        }
    }
    AfxMessageBox("不能正常自动生成工作任务编号...");
    return FALSE;
}

std::vector<StoredField> CTeamTaskItemDlg::StoredFields() {
    auto number = [](int value) {
        CString text;
        text.Format("%d", value);
        return text;
    };
    return {{"Manager", "负责人", Manager},
            {"WorkName", "工作名称", WorkName},
            {"WorkPrompt", "工作内容", WorkPrompt},
            {"WorkRequest", "工作要求", WorkRequest},
            {"WorkType", "任务类型", TypeLetter()},
            {"BeginTime", "开始时间", PickerDate(BeginDatePicker)},
            {"CheckTime", "报警时间", PickerDate(CheckDatePicker)},
            {"PreEndedTime", "完成时间", PickerDate(EndDatePicker)},
            {"PartCode", "图号前缀", PartCode},
            {"BeginNum", "起始", number(BeginNum), true},
            {"EndNum", "终止", number(EndNum), true},
            {"Other1", "优先级", number(Priority), true}};
}

// Under the work task's lock, the fields the user changed are written over the row as stored
// now, with the work log; nothing when another client changed the same field or deleted the
// work task meanwhile (one box, the window stays open).
BOOL CTeamTaskItemDlg::StoreChangedWork(const CString&) {
    if (!m_storedRow || !m_storedRow->IsOpen())
        return FALSE;
    CSqlTransaction transaction;
    if (!transaction.IsActive() || !transaction.Lock(projects::WorkTaskLockName(WorkID)) ||
        !m_storedRow->StoreChanges(StoredFields()))
        return FALSE;
    CTeamWorkLog log;
    if (!log.WriteLog(WorkID, "修改", "修改分配工作", NoticeText()))
        return FALSE;
    return transaction.Commit() ? TRUE : FALSE;
}

// A failed notice row has been shown and does not undo the stored work task.
void CTeamTaskItemDlg::NotifyManager() {
    const CString notice = NoticeText();
    if (!Manager.IsEmpty())
        SendUserNotice(Manager, notice);
}

void CTeamTaskItemDlg::OnCancel() {
    if (ModifyMode == 0 && !WorkID.IsEmpty()) {
        CString sql;
        sql.Format(
            "DELETE FROM TeamWorkResourcePack WHERE ResourceID in (SELECT ResourceID FROM TeamWorkResource "
            "WHERE WorkID='%s')",
            SqlQuote(WorkID));
        if (!theApp.ExecuteSql(sql))
            return;
        sql.Format("DELETE FROM TeamWorkResource WHERE WorkID='%s'", SqlQuote(WorkID));
        if (!theApp.ExecuteSql(sql))
            return;
    }
    CDialog::OnCancel();
}
