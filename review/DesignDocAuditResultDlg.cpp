#include "review/DesignDocAuditResultDlg.h"

#include "controls/RedlineViewDlg.h"
#include "core/ComError.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/File.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "teamwork/AuditPath.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

using D = CDesignDocAuditResultDlg;
constexpr DWORD kOpinionStyle = ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_VSCROLL;
constexpr DWORD kListStyle = LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL;

// A list made large enough to show its rows at first sight.
vq::ControlTemplate WithSize(vq::ControlTemplate control, int width, int height) {
    control.rect = CRect(0, 0, width, height);
    return control;
}

const vq::DialogTemplate kDesignDocAuditResultTemplate{
    "设计文档评审结果",
    {WithSize(vq::ReportList(D::kStepListId, vq::kFill, kListStyle), 520, 170),
     vq::CustomWindow(D::kViewerId, vq::kBeside, 0, CRect(0, 0, 180, 140)),
     vq::EditBox(D::kStepOpinionId, vq::kNoLayoutFlags, kOpinionStyle),
     vq::PushButton(D::kChangeAuditorId, "更换负责人...", vq::kNoLayoutFlags, WS_DISABLED),
     vq::PushButton(D::kAssistAuditId, "协助评审...", vq::kBeside),
     vq::Label("以往评审结果：", vq::kNoLayoutFlags, 0, D::kHistoryLabelId),
     WithSize(vq::ReportList(D::kHistoryListId, vq::kFill, kListStyle), 520, 150),
     vq::EditBox(D::kHistoryOpinionId, vq::kNoLayoutFlags, kOpinionStyle),
     vq::PushButton(D::kAuditFlowId, "评审流程...", vq::kRightColumn),
     vq::PushButton(D::kDocPropertiesId, "文档属性...", vq::kRightColumn),
     vq::PushButton(D::kBrowseMarkupId, "浏览批注...", vq::kRightColumn),
     vq::CheckBox(D::kClickBrowseId, "单击浏览", vq::kRightColumn),
     vq::Label("任务状态", vq::kRightColumn),
     vq::EditBox(D::kStateId, vq::kRightColumn, ES_AUTOHSCROLL | ES_READONLY),
     vq::PushButton(IDCANCEL, "退出", vq::kRightColumn)},
    CSize(760, 560),
    WS_CAPTION | WS_SYSMENU | WS_THICKFRAME};

const vq::TemplateRegistration kDesignDocAuditResultRegistration(D::IDD, kDesignDocAuditResultTemplate);

void RemoveIfNamed(CString& path) {
    if (!path.IsEmpty())
        CFile::Remove(path);
}

} // namespace

BEGIN_MESSAGE_MAP(CDesignDocAuditResultDlg, CWorkDocAuditResultDlg)
    ON_WM_SIZE()
    ON_NOTIFY(LVN_ITEMCHANGED, CDesignDocAuditResultDlg::kStepListId, &CDesignDocAuditResultDlg::OnStepChanged)
    ON_NOTIFY(NM_DBLCLK, CDesignDocAuditResultDlg::kStepListId, &CDesignDocAuditResultDlg::OnStepDblClk)
    ON_NOTIFY(LVN_ITEMCHANGED, CDesignDocAuditResultDlg::kHistoryListId,
              &CDesignDocAuditResultDlg::OnHistoryChanged)
    ON_NOTIFY(NM_DBLCLK, CDesignDocAuditResultDlg::kHistoryListId, &CDesignDocAuditResultDlg::OnHistoryDblClk)
    ON_BN_CLICKED(CDesignDocAuditResultDlg::kClickBrowseId, &CDesignDocAuditResultDlg::OnClickBrowse)
    ON_BN_CLICKED(CDesignDocAuditResultDlg::kBrowseMarkupId, &CDesignDocAuditResultDlg::OnBrowseMarkup)
    ON_VIEWER_MOUSEDOWN(CDesignDocAuditResultDlg::kViewerId, &CDesignDocAuditResultDlg::OnViewerMouseDown)
END_MESSAGE_MAP()

CDesignDocAuditResultDlg::CDesignDocAuditResultDlg(CWnd* parent) : CWorkDocAuditResultDlg(IDD, parent) {}

CDesignDocAuditResultDlg::~CDesignDocAuditResultDlg() {
    if (ViewerWindow) {
        ViewerWindow->DestroyWindow();
        delete ViewerWindow;
        ViewerWindow = nullptr;
    }
}

void CDesignDocAuditResultDlg::DoDataExchange(CDataExchange* pDX) {
    CWorkDocAuditResultDlg::DoDataExchange(pDX);
    DDX_Control(pDX, kViewerId, VoloViewer);
    DDX_Text(pDX, kStateId, StateText);
    DDX_Check(pDX, kClickBrowseId, BrowseChecked);
}

BOOL CDesignDocAuditResultDlg::OnInitDialog() {
    // The second viewer is made with the window, over the place of the first.
    AutoVueViewer.CreateChild(this, kAutoVueId);
    CDialog::OnInitDialog();
    CWaitCursor wait;
    TakeConnection();
    CreateStepImages();
    StepList.InsertColumn(0, "评审任务", LVCFMT_LEFT, 120);
    StepList.InsertColumn(1, "负责人", LVCFMT_LEFT, 90);
    StepList.InsertColumn(2, "开始日期", LVCFMT_LEFT, 120);
    StepList.InsertColumn(3, "完成日期", LVCFMT_LEFT, 120);
    StepList.InsertColumn(4, "完成情况", LVCFMT_LEFT, 70);
    StepList.InsertColumn(5, "结果", LVCFMT_LEFT, 80);
    InsertHistoryColumns();

    Loading = 1;
    LoadAuditSteps();
    LoadAuditHistory();
    Loading = 0;
    ReadReviewSettings();
    StateText = State;
    UpdateData(FALSE);

    SetUpViewers();
    NoteWindowSize();
    const int allowChange = ReadSuperiorSettings();
    DecideSuperior();
    if (!allowChange)
        GetDlgItem(kChangeAuditorId)->ShowWindow(SW_HIDE);
    if (StepList.GetItemCount() > 0) {
        StepList.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        StepList.SetFocus();
    }
    return TRUE;
}

void CDesignDocAuditResultDlg::SetUpViewers() {
    RedlineTool = ReadSettingInt("设计过程管理", "红线批注工具", "0");
    if (RedlineTool == 0) {
        if (AutoVueViewer.GetSafeHwnd())
            AutoVueViewer.ShowWindow(SW_HIDE);
        if (!VoloViewer.GetSafeHwnd())
            AfxMessageBox("没有正确安装Autodesk Volo View浏览工具...");
    } else {
        if (VoloViewer.GetSafeHwnd()) {
            AutoVueViewer.MoveWindow(&VoloViewer.GetRectInParent());
            VoloViewer.ShowWindow(SW_HIDE);
        }
        if (!AutoVueViewer.GetSafeHwnd())
            AfxMessageBox("没有正确安装AutoVue浏览工具...");
        else
            AutoVueViewer.Activate(TRUE);
    }
    if (RedlineTool == 0 && VoloViewer.GetSafeHwnd() && VoloViewer.GetDrawingFile().IsEmpty())
        VoloViewer.SetOptions("DisableRightClickMenu");
}

void CDesignDocAuditResultDlg::NoteWindowSize() {
    CRect rect;
    GetWindowRect(&rect);
    LastWidth = rect.Width();
    LastHeight = rect.Height();
}

namespace {

void MoveChild(CWnd* child, int dx, int dy, int dWidth, int dHeight) {
    if (!child)
        return;
    CRect rect = child->GetRectInParent();
    rect.left += dx;
    rect.right += dx + dWidth;
    rect.top += dy;
    rect.bottom += dy + dHeight;
    child->MoveWindow(&rect);
}

} // namespace

void CDesignDocAuditResultDlg::OnSize(UINT type, int cx, int cy) {
    CDialog::OnSize(type, cx, cy);
    if (LastWidth < 1 || LastHeight < 1)
        return;
    CRect rect;
    GetWindowRect(&rect);
    const int dx = rect.Width() - LastWidth;
    const int dy = rect.Height() - LastHeight;
    const int h = dy / 2;
    // A view that lays the window out (the Qt view) has placed the controls already.
    if (!GetViewData()) {
        for (int id : {static_cast<int>(kAuditFlowId), static_cast<int>(kDocPropertiesId),
                       static_cast<int>(kClickBrowseId), static_cast<int>(IDCANCEL)})
            MoveChild(GetDlgItem(id), dx, 0, 0, 0);
        MoveChild(&VoloViewer, 0, 0, dx, dy);
        if (AutoVueViewer.GetSafeHwnd())
            AutoVueViewer.MoveWindow(&VoloViewer.GetRectInParent());
        MoveChild(GetDlgItem(kStepOpinionId), 0, 0, 0, h);
        MoveChild(GetDlgItem(D::kHistoryLabelId), 0, h, 0, 0);
        MoveChild(GetDlgItem(kHistoryListId), 0, h, 0, 0);
        MoveChild(GetDlgItem(kHistoryOpinionId), 0, h, 0, dy - h);
    }
    LastWidth += dx;
    LastHeight += dy;
    VoloViewer.UpdateView();
}

// The steps of the document's review path in the order a person reads its flow chart: level by
// level (the box's top), and within a level from left to right. Steps begun in the same minute
// (every step of a level opens at once) are listed in this order instead of by chance.
std::vector<CString> CDesignDocAuditResultDlg::ReadPathStepOrder() {
    CString sql;
    sql.Format("SELECT AuditingPath FROM AuditingManage WHERE AuditingModel IN (SELECT AuditingModel FROM "
               "TeamWorkResult WHERE FileID='%s')",
               SqlQuote(FileID));
    const CString pathText = theApp.GetSqlString(sql);
    CStringArray entries;
    SplitAuditList(pathText, entries);
    std::vector<AuditPathEntry> steps;
    for (int i = 0; i < entries.GetSize(); ++i)
        steps.push_back(ParseAuditPathEntry(entries[i]));
    std::stable_sort(steps.begin(), steps.end(), [](const AuditPathEntry& a, const AuditPathEntry& b) {
        return a.top != b.top ? a.top < b.top : a.left < b.left;
    });
    std::vector<CString> order;
    for (const AuditPathEntry& step : steps)
        order.push_back(StoredStepName(step.name));
    return order;
}

void CDesignDocAuditResultDlg::LoadAuditSteps() {
    CString sql;
    sql.Format("SELECT AuditTask,Auditor,BeginDate,FinishDate,State,Result,Prompt,Manager FROM TeamWorkAudit "
               "WHERE FileID='%s' ORDER BY BeginDate",
               SqlQuote(FileID));
    std::vector<std::array<CString, 8>> steps;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, Connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            std::array<CString, 8>& v = steps.emplace_back();
            for (long i = 0; i < 8; ++i)
                v[i] = VariantToString(rs->GetCollect(i));
            rs->MoveNext();
        }
        if (CloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    // Steps begun at the same time keep the path's order; a step the path does not name (a
    // changed template, an assisting review) follows them in the order the table gave.
    const std::vector<CString> order = steps.size() > 1 ? ReadPathStepOrder() : std::vector<CString>();
    const auto rank = [&order](const CString& task) {
        const CString stored = StoredStepName(task);
        for (std::size_t i = 0; i < order.size(); ++i)
            if (order[i] == stored)
                return i;
        return order.size();
    };
    for (auto group = steps.begin(); group != steps.end();) {
        auto end = std::find_if(group, steps.end(), [&](const auto& v) { return v[2] != (*group)[2]; });
        std::stable_sort(group, end, [&](const auto& a, const auto& b) { return rank(a[0]) < rank(b[0]); });
        group = end;
    }
    for (const std::array<CString, 8>& v : steps) {
        StepOpinions.Add(v[6]);
        const int row = StepList.InsertItem(StepList.GetItemCount(), v[0], ResultImage(v[5]));
        StepList.SetItemText(row, 1, ResponsibleText(v[1], v[7]));
        for (int column = 2; column < 6; ++column)
            StepList.SetItemText(row, column, v[column]);
    }
}

// --- Rows

void CDesignDocAuditResultDlg::OnStepChanged(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    UpdateData(TRUE);
    const int row = reinterpret_cast<const NMLISTVIEW*>(pNMHDR)->iItem;
    if (Loading || row < 0 || row == LastStepRow)
        return;
    LastStepRow = row;
    StepOpinion = row < StepOpinions.GetSize() ? StepOpinions[row] : CString();
    UpdateStepButtons(row, 4);
    MarkupStep = StepList.GetItemText(row, 0);
    MarkupDate = StepList.GetItemText(row, 2);
    MarkupRound = StepRound(row);
    UpdateData(FALSE);
    if (BrowseChecked)
        ShowDrawing();
}

void CDesignDocAuditResultDlg::OnStepDblClk(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    if (StepList.GetItemCount() < 1 || LastStepRow < 0)
        return;
    StepOpinion = LastStepRow < StepOpinions.GetSize() ? StepOpinions[LastStepRow] : CString();
    MarkupStep = StepList.GetItemText(LastStepRow, 0);
    MarkupDate = StepList.GetItemText(LastStepRow, 2);
    MarkupRound = StepRound(LastStepRow);
    UpdateData(FALSE);
    ShowDrawing();
}

void CDesignDocAuditResultDlg::OnHistoryChanged(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    UpdateData(TRUE);
    const int row = reinterpret_cast<const NMLISTVIEW*>(pNMHDR)->iItem;
    if (Loading || row < 0 || row == LastHistoryRow)
        return;
    LastHistoryRow = row;
    HistoryOpinion = HistoryList.GetItemText(row, 5);
    MarkupStep = HistoryList.GetItemText(row, 0);
    MarkupDate = HistoryList.GetItemText(row, 2);
    MarkupRound = HistoryRound(row);
    UpdateData(FALSE);
}

void CDesignDocAuditResultDlg::OnHistoryDblClk(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    if (HistoryList.GetItemCount() < 1 || LastHistoryRow < 0)
        return;
    HistoryOpinion = HistoryList.GetItemText(LastHistoryRow, 5);
    MarkupStep = HistoryList.GetItemText(LastHistoryRow, 0);
    MarkupDate = HistoryList.GetItemText(LastHistoryRow, 2);
    MarkupRound = HistoryRound(LastHistoryRow);
    UpdateData(FALSE);
    ShowDrawing();
}

int CDesignDocAuditResultDlg::StepRound(int row) {
    m_markup.m_strFileID = FileID;
    m_markup.m_strAuditTask = StepList.GetItemText(row, 0);
    m_markup.m_strAuditDate = StepList.GetItemText(row, 2);
    m_markup.SetRoundOfStep(StepList.GetItemText(row, 4));
    return m_markup.m_nRound;
}

int CDesignDocAuditResultDlg::HistoryRound(int row) const {
    const CString step = HistoryList.GetItemText(row, 0);
    const CString date = HistoryList.GetItemText(row, 2);
    int round = 0;
    for (int above = 0; above < row; ++above)
        if (HistoryList.GetItemText(above, 0) == step && HistoryList.GetItemText(above, 2) == date)
            ++round;
    return round;
}

void CDesignDocAuditResultDlg::OnClickBrowse() {
    UpdateData(TRUE);
    if (BrowseChecked && StepList.GetItemCount() > 0 && StepList.GetSelectedCount() > 0)
        ShowDrawing();
}

void CDesignDocAuditResultDlg::OnBrowseMarkup() {
    ShowDrawing();
}

void CDesignDocAuditResultDlg::OnViewerMouseDown(short button, short, double x, double y) {
    if (button == 2)
        TrackViewerCommandMenu(VoloViewer, x, y, this);
}

// --- The drawing and its markup

void CDesignDocAuditResultDlg::DeleteShownFiles() {
    RemoveIfNamed(ShownMarkupFile);
    RemoveIfNamed(ShownDrawingFile);
}

CRedlineViewDlg* CDesignDocAuditResultDlg::OpenViewerWindow() {
    if (!ViewerWindow) {
        ViewerWindow = new CRedlineViewDlg(nullptr);
        ViewerWindow->Create(CRedlineViewDlg::IDD, this);
    }
    ViewerWindow->ShowWindow(SW_SHOW);
    return ViewerWindow;
}

void CDesignDocAuditResultDlg::ShowDrawing() {
    m_markup.m_strFileID = FileID;
    m_markup.m_strAuditTask = MarkupStep;
    m_markup.m_strAuditDate = MarkupDate;
    m_markup.m_nRound = MarkupRound;
    m_markup.m_nFileLogID = 0;
    m_markup.m_strFileBulk.Empty();
    m_markup.m_strStoredAuditor.Empty();
    m_markup.m_strSaveTime.Empty();
    m_markup.m_strFileType.Empty();
    m_markup.m_strMarkupTool.Empty();
    // When several markup rows match the step, the first is shown.
    HasMarkup = m_markup.FindStoredMarkup(true);
    if (m_markup.m_bLookupFailed)
        return; // the error has been shown; the drawing is not shown as if it were unmarked

    DeleteShownFiles();
    if (HasMarkup) {
        const CString markup = DownloadMarkup();
        const CString drawing = DownloadDrawing();
        CRedlineViewDlg* viewer = OpenViewerWindow();
        // The drawing first, so that markup stored without its own drawing lies over it.
        viewer->ShowFile(drawing);
        if (!viewer->OpenMarkupFile(markup, drawing))
            AfxMessageBox("不能正常显示红线批注文件，请与系统管理员联系...");
        ShownMarkupFile = markup;
        ShownDrawingFile = drawing;
    } else {
        const CString drawing = DownloadDrawing();
        CRedlineViewDlg* viewer = OpenViewerWindow();
        // A full local disk has been said by the fetch; the same fault is not said twice.
        if (!viewer->ShowFile(drawing) && LastFetchFailure != vq::FetchFailure::LocalDiskFull)
            AfxMessageBox("不能正常显示设计文件，请与系统管理员联系...");
        ShownDrawingFile = drawing;
        ShownMarkupFile.Empty();
    }
}

CString CDesignDocAuditResultDlg::DownloadDrawing() {
    CWaitCursor wait;
    LastFetchFailure = vq::FetchFailure::None;
    if (!ReadFileInfo(FileID))
        return CString();
    const CString path = DownloadDocument("T%s_%s");
    if (!path.IsEmpty())
        TempFiles.Add(path);
    return path;
}

CString CDesignDocAuditResultDlg::DownloadMarkup() {
    CWaitCursor wait;
    const CString path = m_markup.DownloadMarkupFile("文档下载失败!");
    if (!path.IsEmpty())
        TempFiles.Add(path);
    return path;
}

// --- Closing

void CDesignDocAuditResultDlg::OnCancel() {
    DeleteShownFiles();
    CDialog::OnCancel();
}

void CDesignDocAuditResultDlg::PostNcDestroy() {
    for (int i = 0; i < TempFiles.GetSize(); ++i)
        CFile::Remove(TempFiles[i]);
    if (ViewerWindow) {
        ViewerWindow->DestroyWindow();
        delete ViewerWindow;
        ViewerWindow = nullptr;
    }
    Connection = nullptr;
    CDialog::PostNcDestroy();
}
