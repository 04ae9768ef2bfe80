#include "parts/BorrowRelationDlg.h"

#include "core/ComError.h"
#include "core/SqlTransaction.h"
#include "core/VqDesignTaskApp.h"
#include "parts/DwgDetailDlg.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Menu.h"

#include <algorithm>
#include <set>

namespace {

const vq::DialogTemplate kBorrowRelationTemplate{
    "借用关系浏览",
    {vq::Tree(1205, vq::kFill), vq::PushButton(IDCANCEL, "退出"), vq::PushButton(1206, "展开", vq::kBeside),
     vq::PushButton(1029, "属性", vq::kBeside, WS_DISABLED),
     vq::PushButton(1091, "解除借用", vq::kBeside, WS_DISABLED), vq::GroupFrame("查询:"), vq::Label("图号:"),
     vq::EditBox(1076, vq::kBeside), vq::PushButton(IDOK, "查询", vq::kBeside),
     vq::CheckBox(1007, "关联树节点", vq::kBeside), vq::ListBox(1237)}};

[[maybe_unused]] const vq::TemplateRegistration kRegistered(IDD_BORROW_RELATION, kBorrowRelationTemplate);

CString Upper(CString s) {
    s.MakeUpper();
    return s;
}

// The lock of the borrowings below one part: releases of that level are taken one after the other.
CString LevelLockName(const CString& upCode) {
    return Upper("BorrowingRelation:" + upCode);
}

} // namespace

BEGIN_MESSAGE_MAP(CBorrowRelationDlg, CDialog)
    ON_BN_CLICKED(1206, &CBorrowRelationDlg::OnExpand)
    ON_BN_CLICKED(1029, &CBorrowRelationDlg::OnProperties)
    ON_BN_CLICKED(1091, &CBorrowRelationDlg::OnRelease)
    ON_BN_CLICKED(1007, &CBorrowRelationDlg::OnLinkTree)
    ON_LBN_SELCHANGE(1237, &CBorrowRelationDlg::OnQuerySelChange)
    ON_NOTIFY(TVN_SELCHANGED, 1205, &CBorrowRelationDlg::OnTreeSelChanged)
    ON_NOTIFY(NM_RCLICK, 1205, &CBorrowRelationDlg::OnTreeRightClick)
END_MESSAGE_MAP()

CBorrowRelationDlg::CBorrowRelationDlg(CWnd* parent) : CDialog(kBorrowRelationTemplate, parent) {}

CBorrowRelationDlg::~CBorrowRelationDlg() {
    FreeRecords();
}

void CBorrowRelationDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1205, m_tree);
    DDX_Control(pDX, 1237, m_listQuery);
    DDX_Text(pDX, 1076, m_strQueryCode);
    DDX_Check(pDX, 1007, m_bLinkTree);
}

BOOL CBorrowRelationDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    LoadTree();
    return TRUE;
}

void CBorrowRelationDlg::OnDestroy() {
    FreeRecords();
    CDialog::OnDestroy();
}

void CBorrowRelationDlg::FreeRecords() {
    for (Record* record : m_records)
        delete record;
    m_records.clear();
}

void CBorrowRelationDlg::LoadTree() {
    CWaitCursor wait;
    m_bLoading = TRUE;
    m_tree.DeleteAllItems();
    FreeRecords();
    m_listQuery.ResetContent();
    m_found.clear();
    m_nFoundCount = 0;

    std::map<CString, std::vector<Row>> byParent; // by upper-cased UpCode
    std::vector<CString> parents;                 // UpCode values in first-seen order
    std::set<CString> codes;                      // upper-cased Code values
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open("SELECT Code, ProductCode, UpCode FROM BorrowingRelation ORDER BY UpCode, Code",
                 theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            Row row{VariantToString(rs->GetCollect(0L)), VariantToString(rs->GetCollect(1L))};
            const CString upCode = VariantToString(rs->GetCollect(2L));
            auto& rows = byParent[Upper(upCode)];
            if (rows.empty())
                parents.push_back(upCode);
            rows.push_back(row);
            codes.insert(Upper(row.code));
            rs->MoveNext();
        }
        rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }

    m_hRoot = m_tree.InsertItem("借用关系");
    for (const CString& upCode : parents) {
        if (upCode.IsEmpty() || codes.count(Upper(upCode)))
            continue; // shown below the part that borrows
        HTREEITEM parent = m_tree.InsertItem(upCode, m_hRoot);
        std::vector<CString> path{Upper(upCode)};
        AddRows(parent, upCode, byParent, path);
    }
    m_tree.Expand(m_hRoot, TVE_EXPAND);
    m_bLoading = FALSE;
    UpdateButtons();
}

void CBorrowRelationDlg::AddRows(HTREEITEM parent, const CString& upCode,
                                 const std::map<CString, std::vector<Row>>& byParent,
                                 std::vector<CString>& path) {
    const auto it = byParent.find(Upper(upCode));
    if (it == byParent.end())
        return;
    for (const Row& row : it->second) {
        HTREEITEM node = m_tree.InsertItem(row.code, parent);
        auto* record = new Record{row.productCode, row.code};
        m_records.push_back(record);
        m_tree.SetItemData(node, reinterpret_cast<DWORD_PTR>(record));
        const CString key = Upper(row.code);
        if (std::find(path.begin(), path.end(), key) != path.end())
            continue; // a cycle: the part is already on the way down
        path.push_back(key);
        AddRows(node, row.code, byParent, path);
        path.pop_back();
    }
}

void CBorrowRelationDlg::UpdateButtons() {
    HTREEITEM node = m_tree.GetSelectedItem();
    const bool onRoot = !node || node == m_hRoot;
    GetDlgItem(1029)->EnableWindow(!onRoot);
    const bool releasable = !onRoot && m_tree.GetParentItem(node) != m_hRoot && !m_tree.ItemHasChildren(node);
    GetDlgItem(1091)->EnableWindow(releasable);
}

void CBorrowRelationDlg::OnTreeSelChanged(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    if (m_bLoading)
        return;
    UpdateButtons();
}

void CBorrowRelationDlg::ExpandBelow(HTREEITEM node) {
    m_tree.Expand(node, TVE_EXPAND);
    for (HTREEITEM child = m_tree.GetChildItem(node); child; child = m_tree.GetNextSiblingItem(child))
        ExpandBelow(child);
}

void CBorrowRelationDlg::OnExpand() {
    CWaitCursor wait;
    HTREEITEM node = m_tree.GetSelectedItem();
    if (!node)
        return;
    ExpandBelow(node);
    m_tree.EnsureVisible(node);
}

void CBorrowRelationDlg::OnProperties() {
    HTREEITEM node = m_tree.GetSelectedItem();
    const auto* record = node ? reinterpret_cast<const Record*>(m_tree.GetItemData(node)) : nullptr;
    if (!record) {
        AfxMessageBox("请选择借用图号!");
        return;
    }
    // The drawing detail of the record: its first text as the drawing number, its second text as
    // the revision, from the archive tables.
    CDwgDetailDlg dlg(this);
    dlg.m_strTablePrefix = "VqkorvelAll";
    dlg.m_strPartCode = record->first;
    dlg.m_strRevision = record->second;
    dlg.DoModal();
}

void CBorrowRelationDlg::OnRelease() {
    ReleaseOne();
}

void CBorrowRelationDlg::ReleaseOne() {
    HTREEITEM node = m_tree.GetSelectedItem();
    const auto* record = node ? reinterpret_cast<const Record*>(m_tree.GetItemData(node)) : nullptr;
    if (!record) {
        AfxMessageBox("请选择借用图号!");
        return;
    }
    if (vq::ShowMessageBox("警告", "是否真的要解除借用关系?", MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    HTREEITEM parent = m_tree.GetParentItem(node);
    bool deeper = false;
    {
        // As for releasing all below a part: judged on the stored rows in the transaction that
        // deletes, since another client may have stored a borrowing below this part while the
        // question was open, which would then be left below a released part. The count is the
        // last step before the commit: a borrowing found below the part rolls the delete back.
        CSqlTransaction transaction;
        if (!transaction.IsActive() || !transaction.Lock(LevelLockName(m_tree.GetItemText(parent))))
            return;
        const CString sql = "DELETE FROM BorrowingRelation WHERE Code='" + SqlQuote(record->second) +
                            "' AND ProductCode='" + SqlQuote(record->first) + "'";
        if (!theApp.ExecuteSql(sql))
            return;
        deeper = theApp.GetSqlInt("SELECT count(*) FROM BorrowingRelation WHERE UpCode='" +
                                  SqlQuote(record->second) + "'") > 0;
        if (theApp.m_bConnectionLost)
            return;
        if (!deeper && !transaction.Commit())
            return;
    }
    if (deeper) {
        AfxMessageBox("存在多层的借用关系，先需逐层进行解除...");
        return;
    }
    m_tree.DeleteItem(node);
    if (parent)
        m_tree.SelectItem(parent);
    UpdateButtons();
}

void CBorrowRelationDlg::ReleaseAllBelow(HTREEITEM node) {
    if (vq::ShowMessageBox("警告", "是否真的要解除所有借用关系?", MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    for (HTREEITEM child = m_tree.GetChildItem(node); child; child = m_tree.GetNextSiblingItem(child)) {
        if (m_tree.ItemHasChildren(child)) {
            AfxMessageBox("存在多层的借用关系，先需逐层进行解除...");
            return;
        }
    }
    CWaitCursor wait;
    const CString upCode = m_tree.GetItemText(node);
    bool deeper = false;
    {
        // The levels are judged again on the stored rows, in the transaction that deletes: a
        // borrowing that another client stored below one of the parts while the question was open
        // would otherwise be left below a released part.
        CSqlTransaction transaction;
        if (!transaction.IsActive() || !transaction.Lock(LevelLockName(upCode)))
            return;
        CString sql;
        sql.Format(
            "SELECT count(*) FROM BorrowingRelation WHERE UpCode IN (SELECT Code FROM BorrowingRelation "
            "WHERE UpCode='%s')",
            SqlQuote(upCode));
        deeper = theApp.GetSqlInt(sql) > 0;
        if (theApp.m_bConnectionLost)
            return;
        if (!deeper) {
            sql.Format("DELETE FROM BorrowingRelation WHERE UpCode='%s'", SqlQuote(upCode));
            if (!theApp.ExecuteSql(sql) || !transaction.Commit())
                return;
        }
    }
    if (deeper) {
        AfxMessageBox("存在多层的借用关系，先需逐层进行解除...");
        return;
    }
    while (HTREEITEM child = m_tree.GetChildItem(node))
        m_tree.DeleteItem(child);
    UpdateButtons();
}

void CBorrowRelationDlg::OnTreeRightClick(NMHDR*, LRESULT* pResult) {
    *pResult = 1;
    CPoint point;
    GetCursorPos(&point);
    const CPoint screen = point;
    m_tree.ScreenToClient(&point);
    HTREEITEM node = m_tree.HitTest(point);
    if (!node)
        return;
    m_tree.SelectItem(node);
    if (node == m_hRoot || !m_tree.ItemHasChildren(node))
        return;
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, 1, "解除所有借用...");
    if (menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, screen.x, screen.y, this) == 1)
        ReleaseAllBelow(node);
}

void CBorrowRelationDlg::FindNodes(HTREEITEM parent, const CString& pattern) {
    for (HTREEITEM child = m_tree.GetChildItem(parent); child; child = m_tree.GetNextSiblingItem(child)) {
        if (Upper(m_tree.GetItemText(child)).Find(pattern) >= 0) {
            CString entry = m_tree.GetItemText(child);
            if (HTREEITEM up = m_tree.GetParentItem(child); up && up != m_hRoot)
                entry += " <- " + m_tree.GetItemText(up);
            m_listQuery.AddString(entry);
            m_found.push_back(child);
        }
        FindNodes(child, pattern);
    }
}

// "查询": the nodes whose code contains the drawing number.
void CBorrowRelationDlg::OnOK() {
    UpdateData(TRUE);
    m_listQuery.ResetContent();
    m_found.clear();
    CString pattern = m_strQueryCode;
    pattern.Trim();
    if (!pattern.IsEmpty() && m_hRoot)
        FindNodes(m_hRoot, Upper(pattern));
    m_nFoundCount = static_cast<int>(m_found.size());
}

void CBorrowRelationDlg::LinkSelectedEntry() {
    UpdateData(TRUE);
    if (!m_bLinkTree || m_nFoundCount == 0)
        return;
    const int index = m_listQuery.GetCurSel();
    if (index < 0 || index >= m_nFoundCount)
        return;
    HTREEITEM node = m_found[static_cast<std::size_t>(index)];
    if (!m_tree.IsValidItem(node))
        return; // released since the query
    m_tree.SelectItem(node);
    m_tree.Expand(node, TVE_EXPAND);
}

void CBorrowRelationDlg::OnLinkTree() {
    LinkSelectedEntry();
}

void CBorrowRelationDlg::OnQuerySelChange() {
    LinkSelectedEntry();
}
