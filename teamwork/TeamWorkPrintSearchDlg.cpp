#include "teamwork/TeamWorkPrintSearchDlg.h"

#include "controls/ItemTextSort.h"
#include "controls/ProgressWnd.h"
#include "controls/UserBrowseDlg.h"
#include "core/ComError.h"
#include "core/ItemText.h"
#include "core/VqDesignTaskApp.h"
#include "parts/PartBrowseDlg.h"
#include "parts/PartSelectDlg.h"
#include "platform/base/File.h"
#include "platform/base/MessageBox.h"
#include "platform/base/TextCodec.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/FileDialog.h"

namespace {

using D = CTeamWorkPrintSearchDlg;

const vq::DialogTemplate kPrintSearchTemplate{
    "图纸申请下载情况查询",
    {vq::Label("图  号:"), vq::EditBox(D::kDrawingNoId), vq::PushButton(D::kPickPartId, "...", vq::kBeside),
     vq::CheckBox(D::kSearchModeId, "查询模式", vq::kBeside), vq::Label("申请人:", vq::kBeside),
     vq::EditBox(D::kApplicantId, vq::kBeside), vq::PushButton(D::kPickUserId, "...", vq::kBeside),
     vq::Label("申请时间从:"), vq::DateTimePicker(D::kFromDateId),
     vq::DateTimePicker(D::kFromTimeId, vq::kBeside, DTS_TIMEFORMAT), vq::Label("申请时间到:", vq::kBeside),
     vq::DateTimePicker(D::kToDateId, vq::kBeside), vq::DateTimePicker(D::kToTimeId, vq::kBeside, DTS_TIMEFORMAT),
     vq::ReportList(D::kListId, vq::kFill, LVS_REPORT | LVS_SHOWSELALWAYS),
     vq::DefPushButton(D::kQueryId, "查询"), vq::PushButton(D::kExportId, "导出...", vq::kBeside),
     vq::PushButton(IDCANCEL, "退出", vq::kBeside)},
    CSize(900, 480)};

const vq::TemplateRegistration kPrintSearchRegistration(D::IDD, kPrintSearchTemplate);

struct Column {
    const char* heading;
    int width;
};
const Column kColumns[D::kColumnCount] = {
    {"序号", 50},     {"所在产品号", 160}, {"图号", 120},     {"图名", 120},   {"版本", 50},
    {"文件名", 100},  {"状态", 60},        {"申请者", 70},    {"申请日期", 100}, {"批准者", 70},
    {"批准日期", 100}, {"批准意见", 100},  {"下载者", 70},    {"下载日期", 100}};

constexpr int kProgressWrap = 1000;
constexpr char kQueryingText[] = "正在查询显示符合条件的数据......\n\n      中止操作请按<取消>键...";
constexpr char kShowingText[] = "正在显示数据......\n\n      中止操作请按<取消>键...";

// The record fields are separated by a control character, so that a "?" in a drawing name or
// an opinion does not shift the fields after it.
constexpr char kFieldSeparator = '\x1f';

bool NeedsCsvQuotes(const CString& cell) {
    return cell.FindOneOf(",\"\r\n") >= 0;
}

} // namespace

BEGIN_MESSAGE_MAP(CTeamWorkPrintSearchDlg, CDialog)
    ON_BN_CLICKED(CTeamWorkPrintSearchDlg::kQueryId, &CTeamWorkPrintSearchDlg::OnQuery)
    ON_BN_CLICKED(CTeamWorkPrintSearchDlg::kPickPartId, &CTeamWorkPrintSearchDlg::OnPickPart)
    ON_BN_CLICKED(CTeamWorkPrintSearchDlg::kPickUserId, &CTeamWorkPrintSearchDlg::OnPickUser)
    ON_BN_CLICKED(CTeamWorkPrintSearchDlg::kExportId, &CTeamWorkPrintSearchDlg::OnExport)
    ON_NOTIFY(LVN_COLUMNCLICK, CTeamWorkPrintSearchDlg::kListId, &CTeamWorkPrintSearchDlg::OnColumnClick)
END_MESSAGE_MAP()

CTeamWorkPrintSearchDlg::CTeamWorkPrintSearchDlg(CWnd* parent) : CDialog(IDD, parent) {}

CTeamWorkPrintSearchDlg::~CTeamWorkPrintSearchDlg() {
    DeleteItemTexts(m_records);
}

void CTeamWorkPrintSearchDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kFromTimeId, m_fromTime);
    DDX_Control(pDX, kToTimeId, m_toTime);
    DDX_Control(pDX, kListId, m_list);
    DDX_Text(pDX, kDrawingNoId, DrawingNo);
    DDX_Text(pDX, kApplicantId, Applicant);
    DDX_Check(pDX, kSearchModeId, SearchMode);
    DDX_Control(pDX, kFromDateId, m_fromDate);
    DDX_Control(pDX, kToDateId, m_toDate);
}

BOOL CTeamWorkPrintSearchDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;

    m_fromDate.SetFormat("yyyy-MM-dd");
    m_toDate.SetFormat("yyyy-MM-dd");
    const CTime now = CTime::GetCurrentTime();
    m_fromDate.SetTime(now - CTimeSpan(30, 0, 0, 0));
    m_toDate.SetTime(now);
    m_fromTime.SetTime(CTime(2000, 2, 1, 0, 0, 0));
    m_toTime.SetTime(CTime(2000, 2, 1, 23, 59, 59));
    UpdateData(FALSE);

    m_list.SetImageList(CSysImageList::GetImageList(FALSE), LVSIL_NORMAL);
    m_list.SetImageList(CSysImageList::GetImageList(TRUE), LVSIL_SMALL);
    m_arrowImages.Create(344, 16, 10, RGB(0, 0, 0));
    m_list.m_header.SetImageList(&m_arrowImages);
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    for (int c = 0; c < kColumnCount; ++c)
        m_list.InsertColumn(c, kColumns[c].heading, LVCFMT_LEFT, kColumns[c].width);
    return TRUE;
}

void CTeamWorkPrintSearchDlg::PostNcDestroy() {
    DeleteItemTexts(m_records);
    m_pConnection = nullptr;
    CDialog::PostNcDestroy();
}

CString CTeamWorkPrintSearchDlg::RangeText(CDateTimeCtrl& date, CDateTimeCtrl& time) const {
    SYSTEMTIME day{};
    SYSTEMTIME clock{};
    date.GetTime(&day);
    time.GetTime(&clock);
    return vq::FormatPickerTime(day, "yyyy-MM-dd") + " " + vq::FormatPickerTime(clock, "HH:mm:ss");
}

bool CTeamWorkPrintSearchDlg::BuildCondition(const CString& drawingNo, const CString& applicant,
                                             const CString& start, const CString& end, CString& condition) {
    condition.Empty();
    auto join = [&condition](const CString& part) {
        if (!condition.IsEmpty())
            condition += " AND ";
        condition += part;
    };
    CString part;
    if (!drawingNo.IsEmpty()) {
        // The user's own "*" match any text too; "%" and "_" typed by the user are plain characters.
        part.Format("A.Other1 LIKE '%s'%s", SqlLikeWildcard("*" + drawingNo + "*"), kSqlLikeEscape);
        join(part);
    }
    if (!applicant.IsEmpty()) {
        part.Format("B.Applicator='%s'", SqlQuote(applicant));
        join(part);
    }
    const int order = end.CompareNoCase(start);
    if (order < 0) {
        AfxMessageBox("开始时间与结束时间不匹配...");
        return false;
    }
    if (order > 0)
        part.Format("B.ApplyDate>'%s' AND B.ApplyDate<'%s'", SqlQuote(start), SqlQuote(end));
    else
        part.Format("B.ApplyDate LIKE '%s%%'%s", SqlLikeLiteral(start), kSqlLikeEscape);
    join(part);
    return true;
}

void CTeamWorkPrintSearchDlg::OnQuery() {
    UpdateData(TRUE);
    RunQuery();
}

void CTeamWorkPrintSearchDlg::ClearRows() {
    m_list.DeleteAllItems();
    DeleteItemTexts(m_records);
    for (int c = 0; c < kColumnCount; ++c)
        m_list.m_header.SetColumnImage(c, -1);
}

void CTeamWorkPrintSearchDlg::RunQuery() {
    CWaitCursor wait;
    ClearRows();
    CString condition;
    if (!BuildCondition(DrawingNo, Applicant, RangeText(m_fromDate, m_fromTime), RangeText(m_toDate, m_toTime),
                        condition))
        return;
    CString sql;
    sql.Format("SELECT A.FileID, A.Other1, A.Other2, A.Other3, A.Other4, B.Other1, B.Applicator, B.ApplyDate, "
               "B.Checker, B.CheckDate, B.CheckReason, B.Printer, B.PrintDate FROM TeamWorkPrintFile A, "
               "TeamWorkPrintMain B WHERE A.ApplyNo=B.ApplyNo AND %s",
               condition);
    CProgressWnd progress(this, "正在进行");
    progress.SetRange(0, kProgressWrap);
    progress.SetText(kQueryingText);
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        int step = 0;
        while (!rs->IsEOF()) {
            if (++step > kProgressWrap) {
                step = 0;
                progress.SetPos(0);
            }
            progress.SetText(kShowingText);
            progress.StepIt();
            if (progress.PeekAndPump())
                break;
            CStringArray fields;
            fields.SetSize(kColumnCount);
            fields[0].Format("%d", m_list.GetItemCount() + 1);
            for (int c = 1; c < kColumnCount; ++c)
                fields[c] = VariantToString(rs->GetCollect(static_cast<long>(c - 1)));
            AddRow(fields);
            rs->MoveNext();
        }
        progress.Hide();
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        progress.Hide();
        ReportComError(e);
    }
}

void CTeamWorkPrintSearchDlg::AddRow(const CStringArray& fields) {
    auto* record = new CItemText;
    record->m_cSeparator = kFieldSeparator;
    for (int c = 0; c < kColumnCount; ++c)
        record->SetField(c, fields[c]);
    m_records.Add(record);
    const int row = m_list.InsertItem(m_list.GetItemCount(), fields[0], -1);
    m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
    for (int c = 1; c < kColumnCount; ++c)
        m_list.SetItemText(row, c, fields[c]);
}

void CTeamWorkPrintSearchDlg::OnColumnClick(NMHDR* header, LRESULT* result) {
    *result = 0;
    const int column = reinterpret_cast<NMLISTVIEW*>(header)->iSubItem;
    if (column < 0 || column >= kColumnCount)
        return;
    SortListByItemText(m_list, column);
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        CString number;
        number.Format("%d", row + 1);
        m_list.SetItemText(row, 0, number);
    }
}

void CTeamWorkPrintSearchDlg::OnPickPart() {
    UpdateData(TRUE);
    CString code;
    if (SearchMode) {
        CPartSelectDlg dlg(this);
        dlg.m_strCode = DrawingNo;
        if (dlg.DoModal() != IDOK)
            return;
        code = dlg.m_strSelCode;
    } else {
        CPartBrowseDlg dlg(this);
        dlg.m_childFilter = 2;
        if (dlg.DoModal() != IDOK)
            return;
        code = dlg.m_partCode;
    }
    DrawingNo = code;
    SetDlgItemText(kDrawingNoId, DrawingNo);
}

void CTeamWorkPrintSearchDlg::OnPickUser() {
    UpdateData(TRUE);
    CUserBrowseDlg dlg(this);
    dlg.m_strLogName = Applicant;
    if (dlg.DoModal() != IDOK)
        return;
    Applicant = dlg.m_strLogName;
    UpdateData(FALSE);
}

std::string CTeamWorkPrintSearchDlg::ExportLine(const CStringArray& cells) {
    CString line;
    for (int c = 0; c < cells.GetSize(); ++c) {
        if (c > 0)
            line += ",";
        CString cell = cells[c];
        if (NeedsCsvQuotes(cell)) {
            cell.Replace("\"", "\"\"");
            cell = "\"" + cell + "\"";
        }
        line += cell;
    }
    return vq::Utf8ToGbk(line.str()) + "\r\n";
}

std::string CTeamWorkPrintSearchDlg::ExportText() const {
    std::string text;
    const int columns = m_list.GetColumnCount();
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        CStringArray cells;
        for (int c = 0; c < columns; ++c)
            cells.Add(m_list.GetItemText(row, c));
        text += ExportLine(cells);
    }
    return text;
}

void CTeamWorkPrintSearchDlg::OnExport() {
    if (m_list.GetItemCount() == 0) {
        AfxMessageBox("无图纸下载申请查询结果...");
        return;
    }
    CFileDialog dialog(FALSE, ".csv", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       "图纸下载申请查询结果 (*.csv)|*.csv||", this);
    if (dialog.DoModal() != IDOK)
        return;
    const CString path = dialog.GetPathName();
    // Written to a temporary file and renamed, so a full disk leaves a former file whole.
    if (!vq::ReplaceFileContent(path, ExportText())) {
        AfxMessageBox("不能打开文件 " + path);
        return;
    }
    AfxMessageBox("图纸下载申请查询结果导出完毕...");
}
