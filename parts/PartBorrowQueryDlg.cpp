#include "parts/PartBorrowQueryDlg.h"

#include "controls/ProgressWnd.h"
#include "core/ComError.h"
#include "core/IndexPlans.h"
#include "core/ItemText.h"
#include "core/VqDesignTaskApp.h"
#include "parts/PartBrowseDlg.h"
#include "parts/PartSelectDlg.h"
#include "platform/base/File.h"
#include "platform/base/MessageBox.h"
#include "platform/base/TextCodec.h"
#include "platform/base/WaitCursor.h"
#include "platform/os/ShellOpen.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/FileDialog.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

namespace {

const vq::DialogTemplate kPartBorrowQueryTemplate{
    "零部件借用性查询",
    {vq::Label("输入零部件图号:"), vq::EditBox(1022, vq::kBeside), vq::PushButton(1056, "...", vq::kBeside),
     vq::CheckBox(1177, "查询模式", vq::kBeside), vq::DefPushButton(1244, "查询...", vq::kBeside),
     vq::RadioButton(1392, "树方式", true), vq::RadioButton(1393, "表方式", false, vq::kBeside),
     vq::Tree(1205, vq::kFill),
     vq::ReportList(1395, vq::kFill | vq::kHidden, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
     vq::Label("", vq::kNoLayoutFlags, SS_CENTER, 1252), vq::PushButton(1206, "展开"),
     vq::PushButton(1211, "保存", vq::kBeside), vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};
const vq::TemplateRegistration kRegistration(231, kPartBorrowQueryTemplate);

constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr char kFieldSeparator = '\x1f';

int CompareRows(LPARAM a, LPARAM b, LPARAM sortData) {
    const int column = static_cast<int>(sortData >= 0 ? sortData : -sortData - 1);
    const auto* left = reinterpret_cast<const CItemText*>(a);
    const auto* right = reinterpret_cast<const CItemText*>(b);
    if (!left || !right)
        return 0;
    const int result = left->GetField(column).CollateNoCase(right->GetField(column));
    return sortData >= 0 ? result : -result;
}

// The code page 936 form of a text, padded with spaces to at least width bytes (never cut).
std::string Padded(const CString& text, std::size_t width) {
    std::string bytes = vq::Utf8ToGbk(text.str());
    if (bytes.size() < width)
        bytes.append(width - bytes.size(), ' ');
    return bytes;
}

bool IsLastChild(CTreeCursor node) {
    return !node.GetNext().m_item;
}

CString Upper(CString text) {
    text.MakeUpper();
    return text;
}

constexpr const char* kStopHint = "\n\n      中止操作请按<取消>键...";
// Codes per statement of the level read, and nodes between two looks at the cancel button.
constexpr std::size_t kCodesPerStatement = 400;
constexpr int kNodesPerPump = 200;

// Standard parts ("GB...") and empty codes are not climbed.
bool IsClimbed(const CString& trimmedCode) {
    return !trimmedCode.IsEmpty() && trimmedCode.Find("GB") != 0;
}

} // namespace

BEGIN_MESSAGE_MAP(CPartBorrowQueryDlg, CDialog)
    ON_BN_CLICKED(1056, &CPartBorrowQueryDlg::OnPickPart)
    ON_BN_CLICKED(1244, &CPartBorrowQueryDlg::OnQuery)
    ON_BN_CLICKED(1392, &CPartBorrowQueryDlg::OnTreeMode)
    ON_BN_CLICKED(1393, &CPartBorrowQueryDlg::OnTableMode)
    ON_BN_CLICKED(1206, &CPartBorrowQueryDlg::OnExpandAll)
    ON_BN_CLICKED(1211, &CPartBorrowQueryDlg::OnSave)
    ON_NOTIFY(LVN_COLUMNCLICK, 1395, &CPartBorrowQueryDlg::OnColumnClick)
END_MESSAGE_MAP()

CPartBorrowQueryDlg::CPartBorrowQueryDlg(CWnd* parent) : CDialog(231, parent) {}

CPartBorrowQueryDlg::~CPartBorrowQueryDlg() {
    FreeItemTexts();
}

void CPartBorrowQueryDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1205, m_tree);
    DDX_Control(pDX, 1395, m_list);
    DDX_Text(pDX, 1022, m_strPartCode);
    DDX_Radio(pDX, 1392, m_nShowMode);
    DDX_Check(pDX, 1177, m_bPickBySearch);
}

void CPartBorrowQueryDlg::FreeItemTexts() {
    DeleteItemTexts(m_arrItemTexts);
}

void CPartBorrowQueryDlg::OnDestroy() {
    FreeItemTexts();
    CDialog::OnDestroy();
}

BOOL CPartBorrowQueryDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_imageList.Create(132, 16, 0, kMagenta);
    m_imageList.SetBkColor(::GetSysColor(COLOR_WINDOW));
    m_tree.SetImageList(&m_imageList, TVSIL_NORMAL);
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_list.InsertColumn(0, "部件图号", LVCFMT_LEFT, 130);
    m_list.InsertColumn(1, "部件图名", LVCFMT_LEFT, 140);
    m_list.InsertColumn(2, "产品总图号", LVCFMT_LEFT, 130);
    m_imageArrows.Create(344, 16, 10, RGB(0, 0, 0));
    m_list.m_header.SetImageList(&m_imageArrows);
    UpdateData(FALSE);
    if (!m_strPartCode.IsEmpty())
        RunQuery();
    return TRUE;
}

void CPartBorrowQueryDlg::RunQuery() {
    CWaitCursor wait;
    UpdateData(TRUE);
    m_strPartCode.Trim();
    if (m_strPartCode.IsEmpty())
        return;

    m_strProductCode.Empty();
    CString sql;
    sql.Format("SELECT ProductDwgCode FROM VqkorvelAll_title WHERE Tcode='%s'", SqlQuote(m_strPartCode));
    if (m_pConnection) {
        try {
            _RecordsetPtr rs;
            rs.CreateInstance();
            rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
            if (!rs->IsEOF())
                m_strProductCode = VariantToString(rs->GetCollect(0L));
            if (m_nAdoCloseMode)
                rs->Close();
        } catch (_com_error& e) {
            ReportComError(e);
            m_strProductCode.Empty();
        }
    }
    CString caption = "零部件借用性查询";
    if (!m_strProductCode.IsEmpty())
        caption.Format("零部件借用性查询 : 原设计产品[%s]", m_strProductCode);
    SetWindowText(caption);

    if (m_nShowMode == 1) {
        QueryTable();
        return;
    }
    sql.Format("SELECT TName FROM VqkorvelAll_title WHERE TCode='%s'", SqlQuote(m_strPartCode));
    m_strPartName = theApp.GetSqlString(sql);
    m_tree.DeleteAllItems();
    CString text;
    text.Format("%s [%s]", m_strPartName, m_strPartCode);
    m_startNode = m_tree.InsertItem(CTreeCursor(), text, 0);
    BuildTree();
    m_tree.SelectItem(m_startNode);
    m_tree.Expand(m_startNode, TVE_EXPAND);
    // A part that no assembly lists is used nowhere: the count is 0, not the start node itself.
    m_nLeafCount = m_startNode.GetChild().m_item ? CountLeaves(m_startNode) : 0;
    text.Format("共%d处", m_nLeafCount);
    if (m_bCancelled)
        text += "（查询已中止）";
    SetDlgItemText(1252, text);
}

void CPartBorrowQueryDlg::BuildTree() {
    m_bCancelled = FALSE;
    CProgressWnd progress(this, "正在进行");
    m_pProgress = &progress;
    if (ReadUpwardLines(progress))
        AddUpwardTree(progress);
    m_bCancelled = progress.Cancelled();
    m_pProgress = nullptr;
    m_parentsByCode.clear();
    progress.Hide();
}

// Reads the parents of the part, then of those parents, and so on: one statement per level (a
// few for a wide level), each code read once however often the tree shows it. Returns false
// when the person cancelled.
bool CPartBorrowQueryDlg::ReadUpwardLines(CProgressWnd& progress) {
    m_parentsByCode.clear();
    if (!m_pConnection)
        return true;
    std::unordered_set<CString> seen;
    std::vector<CString> level;
    CString start = m_strPartCode;
    start.TrimRight();
    if (IsClimbed(start)) {
        level.push_back(start);
        seen.insert(Upper(start));
    }
    progress.SetRange(0, 100);
    const CIndexPlanScope byIndex(m_pConnection); // each level is a list of codes
    for (int depth = 1; !level.empty(); ++depth) {
        progress.SetText((CString("正在读取第 %d 层上级部件 (%d 个)......") + kStopHint).c_str(), depth,
                         static_cast<int>(level.size()));
        progress.SetPos(std::min(depth * 5, 50));
        std::vector<CString> next;
        for (std::size_t first = 0; first < level.size(); first += kCodesPerStatement) {
            if (progress.PeekAndPump())
                return false;
            // One code is looked up by itself; several at once, each row naming its code.
            const std::size_t end = std::min(level.size(), first + kCodesPerStatement);
            const bool single = end - first == 1;
            CString sql;
            if (single) {
                sql.Format("SELECT UpCode, UpName FROM VqkorvelAll_detail WHERE DCode='%s'",
                           SqlQuote(level[first]));
            } else {
                CString list;
                for (std::size_t i = first; i < end; ++i)
                    list.AppendFormat(i == first ? "'%s'" : ",'%s'", SqlQuote(level[i]));
                sql.Format("SELECT UpCode, UpName, DCode FROM VqkorvelAll_detail WHERE DCode IN (%s)", list);
            }
            try {
                _RecordsetPtr rs;
                rs.CreateInstance();
                rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
                while (!rs->IsEOF()) {
                    ParentLine line{VariantToString(rs->GetCollect(0L)), VariantToString(rs->GetCollect(1L))};
                    CString up = line.code;
                    up.TrimRight();
                    if (IsClimbed(up) && seen.insert(Upper(up)).second)
                        next.push_back(up);
                    const CString key = single ? level[first] : VariantToString(rs->GetCollect(2L));
                    m_parentsByCode[Upper(key)].push_back(std::move(line));
                    rs->MoveNext();
                }
                if (m_nAdoCloseMode)
                    rs->Close();
            } catch (_com_error& e) {
                theApp.ReportSqlError(e, sql);
                return true; // what was read is shown
            }
        }
        level = std::move(next);
    }
    return true;
}

// How many nodes the tree above a code will show, for the progress bar: each parent once per
// place it is reached (a code already on the way counts once and stops, as a cycle does).
double CPartBorrowQueryDlg::EstimateNodes(const CString& code) const {
    std::unordered_map<CString, double> memo;
    std::unordered_set<CString> onWay;
    struct Frame {
        CString key;
        std::size_t next = 0;
        double sum = 0;
    };
    std::vector<Frame> frames{{Upper(code)}};
    onWay.insert(frames.back().key);
    double result = 0;
    while (!frames.empty()) {
        Frame& f = frames.back();
        auto found = m_parentsByCode.find(f.key);
        const std::size_t count = found == m_parentsByCode.end() ? 0 : found->second.size();
        if (f.next < count) {
            CString up = found->second[f.next++].code;
            up.TrimRight();
            f.sum += 1;
            const CString key = Upper(up);
            if (!IsClimbed(up) || onWay.count(key))
                continue;
            if (auto m = memo.find(key); m != memo.end()) {
                f.sum += m->second;
                continue;
            }
            onWay.insert(key);
            frames.push_back({key});
            continue;
        }
        const double total = std::min(f.sum, 1e15);
        memo[f.key] = total;
        onWay.erase(f.key);
        frames.pop_back();
        if (frames.empty())
            result = total;
        else
            frames.back().sum += total;
    }
    return result;
}

void CPartBorrowQueryDlg::AddUpwardTree(CProgressWnd& progress) {
    const double estimate = std::max(1.0, EstimateNodes(m_strPartCode));
    progress.SetRange(0, 1000);
    progress.SetPos(0);
    int shown = 0;
    int steps = 0;
    m_stack.Init();
    m_cycleNotice.Reset();
    CString code = m_strPartCode;
    CString path;
    CTreeCursor node = m_startNode;
    while (!code.IsEmpty() || !m_stack.IsEmpty()) {
        if (progress.Cancelled())
            return;
        if (steps++ % kNodesPerPump == 0) {
            progress.SetText((CString("正在显示，已显示 %d 个节点......") + kStopHint).c_str(), shown);
            progress.SetPos(static_cast<int>(std::min(1000.0, shown * 1000.0 / estimate)));
            if (progress.PeekAndPump())
                return;
        }
        LoadParents(code, path);
        if (m_nParentCount > 0) {
            const CString parentPath = path + code + "||";
            CString text;
            for (int i = 0; i + 1 < m_nParentCount; ++i) {
                text.Format("%s [%s]", m_arrUpNames[i], m_arrUpCodes[i]);
                CTreeCursor child = m_tree.InsertItem(node, text, 0);
                m_stack.Push(child, m_arrUpCodes[i], parentPath, 0);
            }
            const int last = m_nParentCount - 1;
            text.Format("%s [%s]", m_arrUpNames[last], m_arrUpCodes[last]);
            node = m_tree.InsertItem(node, text, 0);
            code = m_arrUpCodes[last];
            path = parentPath;
            shown += m_nParentCount;
        } else {
            CTreeStackItem top = m_stack.GetTop();
            m_stack.Drop();
            node = top.m_cursor;
            code = top.m_code;
            path = top.m_name;
        }
    }
}

// The parents of one node of the tree, from the lines read before; a code already on the node's
// way up is a cycle in the data, reported and not climbed again.
void CPartBorrowQueryDlg::LoadParents(CString code, const CString& path) {
    m_arrUpCodes.RemoveAll();
    m_arrUpNames.RemoveAll();
    m_nParentCount = 0;
    code.TrimRight();
    if (!IsClimbed(code))
        return;
    if (!path.IsEmpty()) {
        // Codes compare without regard to case, as the database compares them.
        const CString upperCode = Upper(code);
        const CString upperPath = Upper(path);
        if (upperPath.Find(upperCode + "||") == 0 || upperPath.Find("||" + upperCode + "||") >= 0) {
            m_cycleNotice.Report(code, path);
            return;
        }
    }
    auto found = m_parentsByCode.find(Upper(code));
    if (found == m_parentsByCode.end())
        return;
    for (const ParentLine& line : found->second) {
        m_arrUpCodes.Add(line.code);
        m_arrUpNames.Add(line.name);
    }
    m_nParentCount = static_cast<int>(found->second.size());
}

void CPartBorrowQueryDlg::QueryTable() {
    m_list.DeleteAllItems();
    FreeItemTexts();
    CString sql;
    sql.Format("SELECT UpCode, UpName, ProductDwgCode FROM VqkorvelAll_detail WHERE Dcode='%s'",
               SqlQuote(m_strPartCode));
    if (m_pConnection) {
        try {
            _RecordsetPtr rs;
            rs.CreateInstance();
            rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
            while (!rs->IsEOF()) {
                auto* record = new CItemText;
                record->m_cSeparator = kFieldSeparator;
                m_arrItemTexts.Add(record);
                for (long f = 0; f < 3; ++f)
                    record->SetField(static_cast<int>(f), VariantToString(rs->GetCollect(f)));
                const int row = m_list.GetItemCount();
                m_list.InsertItem(row, record->GetField(0));
                m_list.SetItemText(row, 1, record->GetField(1));
                m_list.SetItemText(row, 2, record->GetField(2));
                m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
                rs->MoveNext();
            }
            if (m_nAdoCloseMode)
                rs->Close();
        } catch (_com_error& e) {
            ReportComError(e);
        }
    }
    CString text;
    text.Format("共%d处", m_list.GetItemCount());
    SetDlgItemText(1252, text);
}

int CPartBorrowQueryDlg::CountLeaves(CTreeCursor node) {
    int count = 0;
    std::vector<HTREEITEM> pending{node.m_item};
    while (!pending.empty()) {
        CTreeCursor n(pending.back(), &m_tree);
        pending.pop_back();
        CTreeCursor child = n.GetChild();
        if (!child.m_item)
            ++count;
        for (; child.m_item; child = child.GetNext())
            pending.push_back(child.m_item);
    }
    return count;
}

void CPartBorrowQueryDlg::OnQuery() {
    RunQuery();
}

void CPartBorrowQueryDlg::OnTreeMode() {
    m_list.ShowWindow(SW_HIDE);
    m_tree.ShowWindow(SW_SHOW);
    RunQuery();
}

void CPartBorrowQueryDlg::OnTableMode() {
    m_list.ShowWindow(SW_SHOW);
    m_tree.ShowWindow(SW_HIDE);
    RunQuery();
}

void CPartBorrowQueryDlg::OnPickPart() {
    UpdateData(TRUE);
    if (m_bPickBySearch) {
        CPartSelectDlg dlg(this);
        dlg.m_strCode = m_strPartCode;
        if (dlg.DoModal() != IDOK)
            return;
        m_strPartCode = dlg.m_strSelCode;
    } else {
        CPartBrowseDlg dlg(this);
        dlg.m_childFilter = 2;
        if (dlg.DoModal() != IDOK)
            return;
        m_strPartCode = dlg.m_partCode;
    }
    UpdateData(FALSE);
    if (vq::ShowMessageBox("操作提示", "是否开始借用性查询?", MB_YESNO | MB_ICONWARNING) == IDYES)
        RunQuery();
}

void CPartBorrowQueryDlg::ExpandBelow(CTreeCursor node) {
    std::vector<HTREEITEM> pending{node.m_item};
    while (!pending.empty()) {
        CTreeCursor n(pending.back(), &m_tree);
        pending.pop_back();
        m_tree.Expand(n, TVE_EXPAND);
        std::vector<HTREEITEM> children;
        for (CTreeCursor c = n.GetChild(); c.m_item; c = c.GetNext())
            children.push_back(c.m_item);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
}

void CPartBorrowQueryDlg::OnExpandAll() {
    CWaitCursor wait;
    CTreeCursor selected = m_tree.GetSelectedItem();
    if (!selected.m_item)
        return;
    ExpandBelow(selected);
    m_tree.EnsureVisible(selected);
}

void CPartBorrowQueryDlg::OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    const int column = reinterpret_cast<NMLISTVIEW*>(pNMHDR)->iSubItem;
    const bool ascending = m_list.m_header.GetColumnImage(column) != 0;
    for (int c = 0; c < m_list.GetColumnCount(); ++c)
        m_list.m_header.SetColumnImage(c, -1);
    m_list.m_header.SetColumnImage(column, ascending ? 0 : 1);
    m_list.SortItems(&CompareRows, static_cast<DWORD_PTR>(ascending ? column : -column - 1));
}

std::string CPartBorrowQueryDlg::TableText() {
    std::string text =
        Padded("部件图号", 40) + Padded("部件图名", 60) + vq::Utf8ToGbk("产品总图号") + "\r\n\r\n";
    for (int row = 0; row < m_list.GetItemCount(); ++row)
        text += Padded(m_list.GetItemText(row, 0), 40) + Padded(m_list.GetItemText(row, 1), 60) +
                vq::Utf8ToGbk(m_list.GetItemText(row, 2).str()) + "\r\n";
    return text;
}

std::string CPartBorrowQueryDlg::TreeText() {
    std::string text;
    CTreeCursor start = m_tree.GetRootItem();
    if (!start.m_item)
        return text;
    text = vq::Utf8ToGbk(start.GetText().str()) + "\r\n";
    // Pre-order below the start node; each entry carries the indent of its children.
    struct Pending {
        HTREEITEM item;
        CString indent;
    };
    std::vector<Pending> pending;
    auto pushChildren = [&](CTreeCursor parent, const CString& indent) {
        std::vector<Pending> children;
        for (CTreeCursor c = parent.GetChild(); c.m_item; c = c.GetNext())
            children.push_back({c.m_item, indent});
        pending.insert(pending.end(), children.rbegin(), children.rend());
    };
    pushChildren(start, "");
    while (!pending.empty()) {
        Pending p = pending.back();
        pending.pop_back();
        CTreeCursor node(p.item, &m_tree);
        const bool last = IsLastChild(node);
        text += vq::Utf8ToGbk((p.indent + (last ? " └" : " ├") + node.GetText()).str()) + "\r\n";
        pushChildren(node, p.indent + (last ? "   " : " │"));
    }
    return text;
}

void CPartBorrowQueryDlg::SaveText(const char* filter, bool tree) {
    CFileDialog dlg(FALSE, "txt", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter, this);
    if (dlg.DoModal() != IDOK)
        return;
    CString extension = dlg.GetFileExt();
    extension.MakeUpper();
    if (extension != "TXT") {
        AfxMessageBox("该文件必须是TXT类型的文本文件!");
        return;
    }
    const CString path = dlg.GetPathName();
    const std::string bytes = tree ? TreeText() : TableText();
    if (!vq::ReplaceFileContent(path, bytes)) {
        AfxMessageBox("不能打开文件 " + path);
        return;
    }
    if (vq::ShowMessageBox("操作提示", "存储完毕，是否打开该文件?", MB_YESNO | MB_ICONWARNING) == IDYES)
        vq::ShellOpenFile(path);
}

void CPartBorrowQueryDlg::OnSave() {
    if (m_nShowMode == 1)
        SaveText("结构数据文件 (*.txt)|*.txt||", false);
    else
        SaveText("树结构文件 (*.txt)|*.txt||", true);
}
