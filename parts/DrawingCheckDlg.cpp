#include "parts/DrawingCheckDlg.h"

#include "controls/MessageChoiceDlg.h"
#include "controls/StatusProgress.h"
#include "core/ComError.h"
#include "core/DialogSeams.h"
#include "core/VqDesignTaskApp.h"
#include "parts/PartFilterDlg.h"
#include "platform/base/File.h"
#include "platform/base/MessageBox.h"
#include "platform/base/TextCodec.h"
#include "platform/base/WaitCursor.h"
#include "platform/os/ShellOpen.h"
#include "platform/ui/DC.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/FileDialog.h"

#include <algorithm>

namespace {

const vq::DialogTemplate kDrawingCheckTemplate{
    "图纸完整性查询",
    {vq::Label("任务编号:"), vq::EditBox(1191, vq::kBeside), vq::PushButton(1056, "...", vq::kBeside),
     vq::Tree(1051, vq::kFill,
              TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_CHECKBOXES),
     vq::Label("已入库图纸", vq::kNoLayoutFlags, 0, 1241), vq::ReportList(1244, vq::kFill),
     vq::Label("未入库图纸", vq::kNoLayoutFlags, 0, 1242), vq::ReportList(1245, vq::kFill),
     vq::CheckBox(1007, "过滤"), vq::Label("", vq::kBeside, 0, 1243),
     vq::PushButton(1451, "条件...", vq::kBeside), vq::PushButton(6077, "刷新", vq::kBeside),
     vq::PushButton(1312, "重新查询", vq::kBeside), vq::PushButton(1524, "审查结果", vq::kBeside),
     vq::PushButton(1246, "导出...", vq::kBeside), vq::PushButton(IDCANCEL, "退出", vq::kBeside)}};

constexpr int kTreeStackWindow = 1500;

CString Upper(CString text) {
    text.MakeUpper();
    return text;
}

int CompareRows(LPARAM a, LPARAM b, LPARAM sortData) {
    int column = static_cast<int>(sortData >= 0 ? sortData : -sortData - 1);
    const auto* left = reinterpret_cast<const CItemText*>(a);
    const auto* right = reinterpret_cast<const CItemText*>(b);
    if (!left || !right)
        return 0;
    int result = left->GetField(column).CollateNoCase(right->GetField(column));
    return sortData >= 0 ? result : -result;
}

// A text in the export's code page, padded with blanks to width bytes (as "%-*s" does).
std::string PaddedGbk(const CString& text, std::size_t width) {
    std::string bytes = vq::Utf8ToGbk(text.str());
    if (bytes.size() < width)
        bytes.append(width - bytes.size(), ' ');
    return bytes;
}

std::string ExportLine(const CString& number, const CString& code, const CString& name) {
    return PaddedGbk(number, 6) + PaddedGbk(code, 30) + vq::Utf8ToGbk(name.str()) + "\r\n";
}

} // namespace

BEGIN_MESSAGE_MAP(CDrawingCheckDlg, CDialog)
    ON_BN_CLICKED(1056, &CDrawingCheckDlg::OnPickTask)
    ON_BN_CLICKED(1451, &CDrawingCheckDlg::OnConditions)
    ON_BN_CLICKED(6077, &CDrawingCheckDlg::OnRefreshButton)
    ON_BN_CLICKED(1312, &CDrawingCheckDlg::OnRequery)
    ON_BN_CLICKED(1524, &CDrawingCheckDlg::OnAudit)
    ON_BN_CLICKED(1246, &CDrawingCheckDlg::OnExport)
    ON_NOTIFY(LVN_COLUMNCLICK, 1244, &CDrawingCheckDlg::OnColumnClick1)
    ON_NOTIFY(LVN_COLUMNCLICK, 1245, &CDrawingCheckDlg::OnColumnClick2)
END_MESSAGE_MAP()

CDrawingCheckDlg::CDrawingCheckDlg(CWnd* parent)
    : CDialog(kDrawingCheckTemplate, parent), m_stack(std::make_unique<CTreeStack>()) {}

CDrawingCheckDlg::~CDrawingCheckDlg() {
    FreeRecords();
}

void CDrawingCheckDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1051, m_tree);
    DDX_Control(pDX, 1244, m_list1);
    DDX_Control(pDX, 1245, m_list2);
    DDX_Text(pDX, 1191, m_strTaskNo);
    DDX_Check(pDX, 1007, m_bFilter);
}

BOOL CDrawingCheckDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_treeImages.Create(132, 16, 1, RGB(255, 0, 255));
    m_treeImages.SetBkColor(GetSysColor(COLOR_WINDOW));
    m_tree.SetImageList(&m_treeImages, TVSIL_NORMAL);
    m_headerImages.Create(344, 16, 10, RGB(0, 0, 0));
    m_list1.m_header.SetImageList(&m_headerImages);
    m_list2.m_header.SetImageList(&m_headerImages);
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_nDatabaseType = theApp.m_nDatabaseType;
    m_strLoginUser = theApp.m_strLoginUser;
    if (CWnd* audit = GetDlgItem(1524))
        audit->EnableWindow(m_nReviewFlag != 0);

    m_tree.DeleteAllItems();
    CTreeCursor first = m_tree.InsertItem(CTreeCursor(), "请先选择工作任务...", 0);
    m_tree.SetCheck(first, TRUE);

    for (CSortListCtrl* list : {&m_list1, &m_list2}) {
        list->SetExtendedStyle(list->GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
        list->InsertColumn(kNumber, "序号", LVCFMT_LEFT, 50);
        list->InsertColumn(kCode, "图号", LVCFMT_LEFT, 120);
        list->InsertColumn(kName, "图名", LVCFMT_LEFT, 130);
        list->InsertColumn(kOldCode, "旧图号", LVCFMT_LEFT, 110);
        list->InsertColumn(kParentCode, "父图号", LVCFMT_LEFT, 110);
    }
    m_list2.InsertColumn(kRemark, "备注", LVCFMT_LEFT, 0);

    if (m_nCheckMode == 1 || m_nCheckMode == 2) {
        SetWindowText(m_nCheckMode == 1 ? "图纸借用率" : "图纸关联性");
        SetDlgItemText(1241, m_nCheckMode == 1 ? "借用图纸" : "已关联图纸");
        SetDlgItemText(1242, m_nCheckMode == 1 ? "本产品设计图纸" : "未关联图纸");
        for (int id : {1007, 1243, 1451}) {
            if (CWnd* control = GetDlgItem(id))
                control->ShowWindow(SW_HIDE);
        }
    }

    m_resize.Create(this);
    m_resize.Add(1244, 0, 0, 100, 50);
    m_resize.Add(1241, 0, 0, 100, 50);
    m_resize.Add(1245, 0, 50, 100, 50);
    m_resize.Add(1242, 0, 50, 100, 50);
    m_resize.Add(1051, 0, 0, 0, 100);
    for (int id : {1007, 1243, 1451, 1246, static_cast<int>(IDCANCEL), 1524, 6077})
        m_resize.Add(id, 0, 100, 0, 0);
    m_resize.SetMinimumTrackingSize();

    UpdateData(FALSE);
    if (!m_strTaskNo.IsEmpty())
        Refresh();
    return TRUE;
}

void CDrawingCheckDlg::FreeRecords() {
    m_rowRecords.clear();
    m_childRecords.clear();
    m_records.clear();
}

void CDrawingCheckDlg::ClearLists() {
    m_list1.DeleteAllItems();
    m_list2.DeleteAllItems();
    m_itemTexts.clear();
    m_storedCodes.clear();
    m_notStoredCodes.clear();
    m_nCount1 = 0;
    m_nCount2 = 0;
}

void CDrawingCheckDlg::Refresh() {
    if (m_strTaskNo.CompareNoCase(m_strLastTaskNo) == 0) {
        if (vq::ShowMessageBox("操作提示", "是否需要重新刷新?", MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
            return;
    } else {
        m_strLastTaskNo = m_strTaskNo;
    }
    ClearLists();
    m_tree.DeleteAllItems();
    FreeRecords();
    m_conditions = MakePartFilterConditions(LoadPartFilterList());
    ShowInapplicableConditions();
    if (m_nCheckMode == 1 || m_nCheckMode == 2)
        FillHandedInDrawings();
    BuildTree();
    if (m_nCheckMode == 0 || m_nCheckMode == 2)
        CleanNotStored();
    NumberRows();
}

void CDrawingCheckDlg::ShowInapplicableConditions() {
    // Only code, name and remark of a part are known here: conditions on the other items filter
    // nothing, and the user is told so beside the filter switch.
    int count = 0;
    for (const PartFilterCondition& condition : m_conditions) {
        if (!PartFilterApplies(condition))
            ++count;
    }
    CString text;
    if (count > 0)
        text.Format("%d个过滤条件不适用", count);
    SetDlgItemText(1243, text);
}

void CDrawingCheckDlg::FillHandedInDrawings() {
    CString sql;
    sql.Format("SELECT Tcode,Tname,Tother4 FROM VqkorvelTeam_title WHERE FileID IN (SELECT FileID FROM "
               "TeamWorkResult "
               "WHERE WorkID='%s')",
               SqlQuote(m_strTaskNo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            int row = m_list2.InsertItem(m_list2.GetItemCount(), "");
            m_list2.SetItemText(row, kCode, VariantToString(rs->GetCollect(0L)));
            m_list2.SetItemText(row, kName, VariantToString(rs->GetCollect(1L)));
            m_list2.SetItemText(row, kOldCode, VariantToString(rs->GetCollect(2L)));
            ++m_nCount2;
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CDrawingCheckDlg::BuildTree() {
    m_tree.DeleteAllItems();
    m_rootNode = m_tree.InsertItem(CTreeCursor(), "所有设计结构树...", 0);
    m_tree.SetCheck(m_rootNode, TRUE);
    UpdateData(TRUE);
    CWaitCursor wait;

    struct TopPart {
        CString code, name, other1;
    };
    std::vector<TopPart> tops;
    CString sql;
    sql.Format("SELECT DCode, DName, Other1 FROM TeamWorkPartTree WHERE UpCode='%s'", SqlQuote(m_strTaskNo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            tops.push_back({VariantToString(rs->GetCollect(0L)), VariantToString(rs->GetCollect(1L)),
                            VariantToString(rs->GetCollect(2L))});
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }

    m_cycleNotice.Reset();
    for (const TopPart& top : tops) {
        auto record = std::make_unique<CDrawingCheckRecord>();
        record->m_strCode = top.code;
        record->m_strUpCode = top.code;
        record->m_strTitleName = top.code;
        record->m_strName = top.name;
        record->m_strTOther4 = top.other1;
        CString text;
        text.Format("%s [%s]", top.code, top.name);
        CTreeCursor node = m_tree.InsertItem(m_rootNode, text, 2);
        m_tree.SetCheck(node, TRUE);
        m_tree.SetItemData(node, reinterpret_cast<DWORD_PTR>(record.get()));
        m_records.push_back(std::move(record));
        m_strOldCode = top.other1;
        m_strParentCode = top.code;
        ListPart(top.code, top.name, "", true);
        ExpandTopPart(node, top.code);
        m_tree.Expand(node, TVE_EXPAND);
    }
    m_tree.Expand(m_rootNode, TVE_EXPAND);
    m_tree.SelectItem(m_rootNode);
}

BOOL CDrawingCheckDlg::ReadStructure(const CString& code) {
    m_arrUpCode.RemoveAll();
    m_arrCode.RemoveAll();
    m_arrName.RemoveAll();
    m_arrTitleName.RemoveAll();
    m_arrTOther4.RemoveAll();
    m_arrRemark.RemoveAll();
    m_rowRecords.clear();
    CString sql;
    try {
        _RecordsetPtr rs;
        if (m_nDatabaseType == 2) {
            sql.Format(
                "SELECT d.UpCode, d.DCode, d.DItem, d.DName, t.TName, t.TOther4, d.Dremark FROM (SELECT "
                "UpCode, "
                "DCode, DItem, DName, Dremark FROM VqkorvelTeam_detail START WITH UpCode='%s' CONNECT BY "
                "UpCode=Prior DCode) d, VqkorvelTeam_title t WHERE d.DCode=t.TCode(+) ORDER BY UpCode, DItem",
                SqlQuote(code));
            rs.CreateInstance();
            rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        } else {
            _CommandPtr cmd;
            cmd.CreateInstance();
            cmd->PutActiveConnection(m_pConnection);
            cmd->PutCommandText("ShowTeamStructTree");
            cmd->PutCommandType(adCmdText);
            cmd->GetParameters()->Append(
                cmd->CreateParameter("UpCode", adBSTR, adParamInput, 50, _variant_t(code)));
            rs = cmd->Execute(nullptr, nullptr, adCmdText);
        }
        // A part used under several parents brings its subtree once per path; each structure
        // line is kept once, so the tree shows it once below each of its parents.
        std::set<std::string> lines;
        while (!rs->IsEOF()) {
            std::string line =
                (VariantToString(rs->GetCollect(0L)) + "\x1f" + VariantToString(rs->GetCollect(1L)) + "\x1f" +
                 VariantToString(rs->GetCollect(2L)))
                    .str();
            if (!lines.insert(line).second) {
                rs->MoveNext();
                continue;
            }
            auto record = std::make_unique<CDrawingCheckRecord>();
            record->m_strUpCode = VariantToString(rs->GetCollect(0L));
            record->m_strCode = VariantToString(rs->GetCollect(1L));
            record->m_strName = VariantToString(rs->GetCollect(3L));
            record->m_strTitleName = VariantToString(rs->GetCollect(4L));
            record->m_strTOther4 = VariantToString(rs->GetCollect(5L));
            record->m_strRemark = VariantToString(rs->GetCollect(6L));
            m_arrUpCode.Add(record->m_strUpCode);
            m_arrCode.Add(record->m_strCode);
            m_arrName.Add(record->m_strName);
            m_arrTitleName.Add(record->m_strTitleName);
            m_arrTOther4.Add(record->m_strTOther4);
            m_arrRemark.Add(record->m_strRemark);
            m_rowRecords.push_back(record.get());
            m_records.push_back(std::move(record));
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
        return FALSE;
    }
    return TRUE;
}

void CDrawingCheckDlg::ExpandTopPart(CTreeCursor node, const CString& code) {
    CStatusProgress progress(IDS_STATUS_WAIT);
    progress.SetText("显示");
    progress.SetPos(5);
    ReadStructure(code);
    progress.SetPos(65);

    m_stack->Init();
    CTreeStackItem current;
    current.m_cursor = node;
    current.m_code = code;
    for (;;) {
        if (current.m_code.IsEmpty() && m_stack->IsEmpty())
            break;
        int count = FindChildren(current.m_code, current.m_name);
        if (count > 0) {
            CString path = current.m_name + Upper(current.m_code) + "||";
            CTreeCursor last;
            for (int i = 0; i < count; ++i) {
                CString text;
                text.Format("%s [%s]", m_arrChildCode[i], m_arrChildName[i]);
                CTreeCursor child = m_tree.InsertItem(current.m_cursor, text, 2);
                m_tree.SetCheck(child, TRUE);
                m_tree.SetItemData(child, reinterpret_cast<DWORD_PTR>(m_childRecords[i]));
                if (i < count - 1)
                    m_stack->Push(child, m_arrChildCode[i], path, 0);
                else
                    last = child;
            }
            current.m_cursor = last;
            current.m_code = m_arrChildCode[count - 1];
            current.m_name = path;
        } else {
            current = m_stack->GetTop();
            m_stack->Drop();
        }
    }
    progress.SetPos(90);
    progress.SetPos(100);
    progress.Hide();
}

int CDrawingCheckDlg::FindChildren(const CString& code, const CString& path) {
    m_arrChildCode.RemoveAll();
    m_arrChildName.RemoveAll();
    m_arrChildTOther4.RemoveAll();
    m_childRecords.clear();
    const CString upperCode = Upper(code);
    const CString upperPath = Upper(path);
    // Standard parts and entries without a code are never expanded.
    if (upperCode.Find(" []") >= 0 || upperCode.Find(" [GB") >= 0)
        return 0;
    if (!upperPath.IsEmpty() && (upperPath.Left(upperCode.GetLength() + 2) == upperCode + "||" ||
                                 upperPath.Find("||" + upperCode + "||") > 0)) {
        m_cycleNotice.Report(upperCode, upperPath);
        return 0;
    }
    const int rows = static_cast<int>(m_arrUpCode.GetSize());
    int first = 0;
    int last = rows - 1;
    if (upperCode.Left(1) != "@" && rows > 0) {
        // The rows are ordered by upper code: a binary search finds the run, a window around it
        // is scanned.
        int low = 0;
        int high = rows - 1;
        int probe = 0;
        while (low <= high) {
            probe = low + (high - low) / 2;
            int compare = m_arrUpCode[probe].CompareNoCase(code);
            if (compare == 0)
                break;
            if (compare < 0)
                low = probe + 1;
            else
                high = probe - 1;
        }
        int window = std::max(kTreeStackWindow, rows / 50);
        first = std::max(0, probe - window);
        last = std::min(rows - 1, probe + window);
    }
    bool matched = false;
    for (int i = first; i <= last; ++i) {
        if (m_arrUpCode[i].CompareNoCase(code) != 0) {
            if (matched)
                break;
            continue;
        }
        matched = true;
        m_arrChildCode.Add(m_arrCode[i]);
        m_arrChildName.Add(m_arrName[i]);
        m_arrChildTOther4.Add(m_arrTOther4[i]);
        m_childRecords.push_back(m_rowRecords[static_cast<std::size_t>(i)]);
        m_strParentCode = code;
        if (!m_arrTitleName[i].IsEmpty()) {
            m_strOldCode = m_arrTOther4[i];
            ListPart(m_arrCode[i], m_arrName[i], m_arrRemark[i], true);
        } else {
            m_strOldCode.Empty();
            ListPart(m_arrCode[i], m_arrName[i], m_arrRemark[i], false);
        }
    }
    return static_cast<int>(m_arrChildCode.GetSize());
}

void CDrawingCheckDlg::ListPart(const CString& code, const CString& name, const CString& remark,
                                bool stored) {
    if (code.IsEmpty())
        return;
    std::set<std::string>& listed = stored ? m_storedCodes : m_notStoredCodes;
    if (listed.count(code.str()))
        return;
    if (stored) {
        if (m_nCheckMode == 1 || m_nCheckMode == 2) {
            for (int row = m_list2.GetItemCount() - 1; row >= 0; --row) {
                if (m_list2.GetItemText(row, kCode).CompareNoCase(code) != 0)
                    continue;
                if (m_nCheckMode == 1)
                    return;
                m_list2.DeleteItem(row);
                --m_nCount2;
            }
        }
        listed.insert(code.str());
        int row = m_list1.InsertItem(m_list1.GetItemCount(), "");
        m_list1.SetItemText(row, kCode, code);
        m_list1.SetItemText(row, kName, name);
        m_list1.SetItemText(row, kOldCode, m_strOldCode);
        m_list1.SetItemText(row, kParentCode, m_strParentCode);
        ++m_nCount1;
        return;
    }
    if (m_nCheckMode == 2)
        return;
    if (m_bFilter && (code.Left(2) == "GB" || MatchPartFilter(m_conditions, code, name, remark)))
        return;
    listed.insert(code.str());
    int row = m_list2.InsertItem(m_list2.GetItemCount(), "");
    m_list2.SetItemText(row, kCode, code);
    m_list2.SetItemText(row, kName, name);
    m_list2.SetItemText(row, kOldCode, m_strOldCode);
    m_list2.SetItemText(row, kParentCode, m_strParentCode);
    m_list2.SetItemText(row, kRemark, remark);
    ++m_nCount2;
}

void CDrawingCheckDlg::CleanNotStored() {
    for (int row = m_list2.GetItemCount() - 1; row >= 0; --row) {
        CString code = m_list2.GetItemText(row, kCode);
        bool remove = false;
        if (m_nCheckMode == 0) {
            CString sql;
            sql.Format("SELECT COUNT(*) FROM VqkorvelAll_title WHERE TCode='%s'", SqlQuote(code));
            remove = theApp.GetSqlInt(sql) > 0;
        } else if (m_nCheckMode == 2) {
            remove = m_storedCodes.count(code.str()) > 0 || code.CompareNoCase(m_strTaskNo) == 0;
        }
        if (remove) {
            m_list2.DeleteItem(row);
            --m_nCount2;
        }
    }
}

void CDrawingCheckDlg::NumberRows() {
    for (CSortListCtrl* list : {&m_list1, &m_list2}) {
        for (int row = 0; row < list->GetItemCount(); ++row) {
            CString number;
            number.Format("%d", row + 1);
            list->SetItemText(row, kNumber, number);
            auto text = std::make_unique<CItemText>();
            text->SetFirstField(number);
            for (int column = kCode; column <= kParentCode; ++column)
                text->SetField(column, list->GetItemText(row, column));
            list->SetItemData(row, reinterpret_cast<DWORD_PTR>(text.get()));
            m_itemTexts.push_back(std::move(text));
        }
    }
}

void CDrawingCheckDlg::OnRefreshButton() {
    UpdateData(TRUE);
    Refresh();
}

void CDrawingCheckDlg::OnRequery() {
    UpdateData(TRUE);
    ClearLists();
    if (m_nCheckMode == 1 || m_nCheckMode == 2)
        FillHandedInDrawings();
    // Pre-order walk of the checked nodes; a cleared node hides its whole subtree.
    std::vector<HTREEITEM> pending;
    if (m_rootNode.m_item && m_tree.IsValidItem(m_rootNode))
        pending.push_back(m_rootNode);
    while (!pending.empty()) {
        HTREEITEM item = pending.back();
        pending.pop_back();
        if (!m_tree.GetCheck(item))
            continue;
        if (auto* record = reinterpret_cast<CDrawingCheckRecord*>(m_tree.GetItemData(item))) {
            m_strParentCode = record->m_strUpCode;
            if (!record->m_strTitleName.IsEmpty()) {
                m_strOldCode = record->m_strTOther4;
                ListPart(record->m_strCode, record->m_strName, record->m_strRemark, true);
            } else {
                m_strOldCode.Empty();
                ListPart(record->m_strCode, record->m_strName, record->m_strRemark, false);
            }
        }
        std::vector<HTREEITEM> children;
        for (HTREEITEM child = m_tree.GetChildItem(item); child; child = m_tree.GetNextSiblingItem(child))
            children.push_back(child);
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            pending.push_back(*it);
    }
    if (m_nCheckMode == 0 || m_nCheckMode == 2)
        CleanNotStored();
    NumberRows();
}

void CDrawingCheckDlg::OnPickTask() {
    UpdateData(TRUE);
    CString workId = m_strTaskNo;
    if (vq::OpenPersonalWorkTask(workId, 0, 1, 1) != IDOK)
        return;
    // A choice without a work id starts no query.
    if (workId.IsEmpty())
        return;
    m_strTaskNo = workId;
    UpdateData(FALSE);
    Refresh();
}

void CDrawingCheckDlg::OnConditions() {
    CPartFilterDlg dlg(this);
    if (dlg.DoModal() != IDOK)
        return;
    UpdateData(TRUE);
    if (m_strTaskNo.IsEmpty())
        return;
    if (vq::ShowMessageBox("操作提示", "过滤条件可能发生变化，是否重新显示?",
                           MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
        Refresh();
}

void CDrawingCheckDlg::OnAudit() {
    UpdateData(TRUE);
    if (m_strTaskNo.IsEmpty()) {
        AfxMessageBox("未指定产品...");
        return;
    }
    CMessageChoiceDlg choice(this);
    choice.m_strCaption = "操作提示";
    choice.SetMessageText("给出的审查结果将直接影响到产品的发布...");
    choice.AddButton(10001, FALSE, FALSE, "通过");
    choice.AddButton(10002, FALSE, FALSE, "不通过");
    choice.AddButton(10003, TRUE, TRUE, "取消");
    INT_PTR answer = choice.DoModal();
    if (answer != 10001 && answer != 10002)
        return;
    const char* group = m_nCheckMode == 1 ? "借用性" : m_nCheckMode == 2 ? "关联性" : "完整性";
    CString result = answer == 10002 ? "不通过" : "通过";
    CString time = theApp.GetServerDateTime();
    CString remove, insert;
    remove.Format("DELETE FROM ProductAuditResult WHERE ProductDwgCode='%s' AND ResultGroup='%s'",
                  SqlQuote(m_strTaskNo), group);
    insert.Format("INSERT INTO ProductAuditResult (ProductDwgCode, UserName, SavedTime, ResultGroup, Result) "
                  "VALUES('%s', '%s', '%s', '%s', '%s')",
                  SqlQuote(m_strTaskNo), SqlQuote(m_strLoginUser), SqlQuote(time), group, result);
    // The old verdict is replaced as a whole or not at all.
    bool stored = false;
    try {
        m_pConnection->BeginTrans();
        stored = theApp.ExecuteSql(remove) && theApp.ExecuteSql(insert);
        if (stored)
            m_pConnection->CommitTrans();
        else
            m_pConnection->RollbackTrans();
    } catch (_com_error& e) {
        if (m_pConnection->InTransaction())
            m_pConnection->RollbackTrans();
        ReportComError(e);
        stored = false;
    }
    if (stored)
        AfxMessageBox(CString("[") + group + "] 审查结果已记录...");
}

BOOL CDrawingCheckDlg::WriteExport(const CString& path) {
    static const char* const kTitles1[] = {
        "-----------------------已入库图纸------------------------\r\n\r\n",
        "-----------------------借用图纸--------------------------\r\n\r\n",
        "-----------------------已关联图纸--------------------------\r\n\r\n"};
    static const char* const kTitles2[] = {
        "-----------------------未入库图纸------------------------\r\n\r\n",
        "---------------------本产品设计图纸----------------------\r\n\r\n",
        "---------------------未关联图纸----------------------\r\n\r\n"};
    int mode = m_nCheckMode >= 0 && m_nCheckMode <= 2 ? m_nCheckMode : 0;
    CString head;
    head.Format("产品或零部件图号: %s\r\n\r\n", m_strTaskNo);
    std::string out = vq::Utf8ToGbk(head.str());
    std::string heading = ExportLine("序号", "图号", "图名");
    heading.insert(heading.size() - 2, "\r\n");
    out += vq::Utf8ToGbk(kTitles1[mode]);
    out += heading;
    for (int row = 0; row < m_list1.GetItemCount(); ++row)
        out += ExportLine(m_list1.GetItemText(row, kNumber), m_list1.GetItemText(row, kCode),
                          m_list1.GetItemText(row, kName));
    out += vq::Utf8ToGbk(kTitles2[mode]);
    out += heading;
    for (int row = 0; row < m_list2.GetItemCount(); ++row)
        out += ExportLine(m_list2.GetItemText(row, kNumber), m_list2.GetItemText(row, kCode),
                          m_list2.GetItemText(row, kName));
    if (!vq::ReplaceFileContent(path, out)) {
        AfxMessageBox("不能打开文件 " + path);
        return FALSE;
    }
    return TRUE;
}

void CDrawingCheckDlg::OnExport() {
    if (m_list1.GetItemCount() == 0 && m_list2.GetItemCount() == 0) {
        AfxMessageBox("无查询结果...");
        return;
    }
    CFileDialog dialog(FALSE, "txt", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       "综合查询结果文件 (*.txt)|*.txt||", this);
    if (dialog.DoModal() != IDOK)
        return;
    if (dialog.GetFileExt().CompareNoCase("txt") != 0) {
        AfxMessageBox("该文件必须是TXT类型的文本文件!");
        return;
    }
    CString path = dialog.GetPathName();
    if (!WriteExport(path))
        return;
    if (vq::ShowMessageBox("操作提示", "存储完毕，是否打开该文件?", MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
        vq::ShellOpenFile(path);
}

void CDrawingCheckDlg::SortList(CSortListCtrl& list, int column) {
    if (column < kNumber || column > kParentCode)
        return;
    bool ascending = list.m_header.GetColumnImage(column) != 0;
    for (int i = kNumber; i <= kParentCode; ++i)
        list.m_header.SetColumnImage(i, -1);
    list.m_header.SetColumnImage(column, ascending ? 0 : 1);
    list.SortItems(CompareRows, ascending ? column : -column - 1);
    for (int row = 0; row < list.GetItemCount(); ++row) {
        CString number;
        number.Format("%d", row + 1);
        list.SetItemText(row, kNumber, number);
        if (auto* text = reinterpret_cast<CItemText*>(list.GetItemData(row)))
            text->SetFirstField(number);
    }
}

void CDrawingCheckDlg::OnColumnClick1(NMHDR* header, LRESULT* result) {
    SortList(m_list1, reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
    *result = 0;
}

void CDrawingCheckDlg::OnColumnClick2(NMHDR* header, LRESULT* result) {
    SortList(m_list2, reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
    *result = 0;
}
