#include "parts/SelectProductTreeDlg.h"

#include "controls/StatusProgress.h"
#include "core/ComError.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/ui/DC.h"
#include "platform/ui/DataExchange.h"

#include <unordered_map>
#include <unordered_set>

namespace {

const vq::DialogTemplate kSelectProductTreeTemplate{"选择产品信息",
                                                    {vq::Tree(1001, vq::kFill), vq::PushButton(1206, "展开"),
                                                     vq::DefPushButton(IDOK, "确定", vq::kBeside),
                                                     vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

constexpr COLORREF kMagenta = RGB(255, 0, 255);

// The node images of the classification tree in pairs (node, selected node): root, class,
// stand, group, product; each a coloured square, framed while selected, on magenta.
void ClassificationImages(CDC& dc) {
    const COLORREF colors[] = {RGB(90, 90, 90), RGB(0, 90, 160), RGB(0, 140, 70), RGB(220, 150, 0),
                               RGB(170, 0, 120)};
    dc.FillSolidRect(0, 0, 10 * 16, 16, kMagenta);
    for (int kind = 0; kind < 5; ++kind) {
        for (int selected = 0; selected < 2; ++selected) {
            const int x = (kind * 2 + selected) * 16;
            dc.FillSolidRect(x + 3, 3, 10, 10, colors[kind]);
            if (selected)
                dc.Draw3dRect(x + 1, 1, 14, 14, RGB(0, 0, 0), RGB(0, 0, 0));
        }
    }
}

[[maybe_unused]] const bool kImagesRegistered = [] {
    vq::RegisterBitmapResource(347, 10 * 16, 16, ClassificationImages);
    return true;
}();

CString UpperKey(const CString& a, const CString& b, const CString& c) {
    CString key = a + "\x1f" + b + "\x1f" + c;
    key.MakeUpper();
    return key;
}

} // namespace

BEGIN_MESSAGE_MAP(CSelectProductTreeDlg, CDialog)
    ON_BN_CLICKED(1206, &CSelectProductTreeDlg::OnExpand)
    ON_NOTIFY(TVN_SELCHANGED, 1001, &CSelectProductTreeDlg::OnSelChanged)
END_MESSAGE_MAP()

CSelectProductTreeDlg::CSelectProductTreeDlg(CWnd* parent) : CDialog(kSelectProductTreeTemplate, parent) {}

CSelectProductTreeDlg::~CSelectProductTreeDlg() {
    FreeItemData();
}

void CSelectProductTreeDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1001, m_tree);
}

void CSelectProductTreeDlg::FreeItemData() {
    DeleteTreeItemData(m_arrItemData);
}

void CSelectProductTreeDlg::OnDestroy() {
    FreeItemData();
    CDialog::OnDestroy();
}

BOOL CSelectProductTreeDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_pConnection = theApp.m_pConnPDM;
    m_strLoginUser = theApp.m_strLoginUser;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_imageList.Create(347, 16, 0, kMagenta);
    m_imageList.SetBkColor(::GetSysColor(COLOR_WINDOW));
    m_tree.SetImageList(&m_imageList, TVSIL_NORMAL);
    FillTree();
    if (m_bFoundPreselected) {
        m_tree.SelectItem(m_preselected);
        m_tree.EnsureVisible(m_preselected);
    }
    return TRUE;
}

CTreeCursor CSelectProductTreeDlg::AddNode(CTreeCursor parent, const CString& text, int image,
                                           const char* kind, const CString& code, const CString& recordText) {
    CTreeCursor node = m_tree.InsertItem(parent, text, image);
    auto* record = new TreeItemData;
    record->kind = kind;
    record->code = code;
    record->text = recordText;
    m_arrItemData.Add(record);
    m_tree.SetItemData(node, reinterpret_cast<DWORD_PTR>(record));
    return node;
}

bool CSelectProductTreeDlg::ReadPairs(const CString& sql, CStringPairArray& pairs) {
    if (!m_pConnection)
        return false;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            pairs.Add({VariantToString(rs->GetCollect(0L)), VariantToString(rs->GetCollect(1L))});
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
        return false;
    }
    return true;
}

void CSelectProductTreeDlg::FillTree() {
    m_nDisplayType = atoi(ReadSetting("产品数据区", "显示类型", ""));
    FreeItemData();
    m_tree.DeleteAllItems();
    Invalidate();
    m_bFoundPreselected = FALSE;
    m_root = AddNode(CTreeCursor(), "所有产品大类信息...", 0, "_Tree", "", "");

    CStatusProgress progress(IDS_STATUS_WAIT, TRUE);
    progress.SetText("显示");
    progress.SetPos(5);

    CString sql = "SELECT ProductStyle, Description FROM ProductGroup";
    if (m_strLoginUser.CompareNoCase("admin") != 0) {
        const CString login = SqlQuote(m_strLoginUser);
        sql.AppendFormat(
            " WHERE Manager='%s' OR UpperManager='%s' OR ProductStyle IN (SELECT ProductStyle FROM "
            "ProductDesigner WHERE UserName='%s')",
            login, login, login);
    }
    sql += " ORDER BY ProductStyle";
    ReadPairs(sql, m_classPairs);
    progress.SetPos(20);
    ReadPairs("SELECT ProductStyle, ProductStand FROM ProductStand ORDER BY ProductStyle, ProductStand",
              m_standPairs);
    progress.SetPos(35);

    const CString groupSql =
        "SELECT ProductStyle, ProductStand, UpGroupNo, UpGroupType, GroupNo, GroupName, GroupType "
        "FROM ProductGroupTree ORDER BY ProductStyle, ProductStand, UpGroupNo";
    if (m_pConnection) {
        try {
            _RecordsetPtr rs;
            rs.CreateInstance();
            rs->Open(groupSql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
            while (!rs->IsEOF()) {
                ProductGroupRecord r;
                r.style = VariantToString(rs->GetCollect(0L));
                r.stand = VariantToString(rs->GetCollect(1L));
                r.upKey.Format("%s [%s]", VariantToString(rs->GetCollect(2L)),
                               VariantToString(rs->GetCollect(3L)));
                r.groupNo = VariantToString(rs->GetCollect(4L));
                r.groupName = VariantToString(rs->GetCollect(5L));
                r.groupType = VariantToString(rs->GetCollect(6L));
                m_groupRecords.push_back(r);
                rs->MoveNext();
            }
            if (m_nAdoCloseMode)
                rs->Close();
        } catch (_com_error& e) {
            ReportComError(e);
            AfxMessageBox(groupSql);
        }
    }
    progress.SetPos(50);

    for (int c = 0; c < m_classPairs.GetSize(); ++c) {
        const StringPairRecord cls = m_classPairs[c];
        CTreeCursor classNode = AddNode(m_root, cls.name, 2, "_Style", cls.code, cls.name);
        // A stand goes under the first class that matches it only: it leaves the array there.
        for (int s = 0; s < m_standPairs.GetSize();) {
            if (m_standPairs[s].code.CompareNoCase(cls.code) != 0) {
                ++s;
                continue;
            }
            const CString stand = m_standPairs[s].name;
            m_standPairs.RemoveAt(s);
            CTreeCursor standNode = AddNode(classNode, stand, 4, "_Stand", stand, "规格");
            InsertGroupNodes(standNode, cls.code, stand);
        }
    }
    m_classPairs.RemoveAll();
    m_standPairs.RemoveAll();
    m_groupRecords.clear();
    m_tree.Expand(m_root, TVE_EXPAND);
    m_tree.SelectItem(m_root);
    progress.SetPos(100);
    progress.Hide();
}

// Walks the classification rows below one stand without recursion. A row whose key already
// stands on the way up from it (a loop in the table) is shown but not opened again, so that
// the walk ends.
void CSelectProductTreeDlg::InsertGroupNodes(CTreeCursor standNode, const CString& style,
                                             const CString& stand) {
    // The rows of this class and stand by parent key, in record order.
    std::unordered_map<CString, std::vector<std::size_t>, std::hash<CString>> children;
    for (std::size_t i = 0; i < m_groupRecords.size(); ++i) {
        const ProductGroupRecord& r = m_groupRecords[i];
        if (r.style.CompareNoCase(style) == 0 && r.stand.CompareNoCase(stand) == 0)
            children[UpperKey(r.upKey, "", "")].push_back(i);
    }
    if (children.empty())
        return;

    CTreeStack stack;
    stack.Init();
    CTreeCursor parent = standNode;
    CString key;
    key.Format("%s [%s]", stand, "_S");
    CString path = "||" + UpperKey(key, "", "") + "||";
    while (!(key.IsEmpty() && stack.IsEmpty())) {
        auto found = key.IsEmpty() ? children.end() : children.find(UpperKey(key, "", ""));
        std::vector<std::pair<CTreeCursor, CString>> added;
        if (found != children.end()) {
            for (std::size_t index : found->second) {
                const ProductGroupRecord& r = m_groupRecords[index];
                const bool group = r.groupType == "_G";
                CString text;
                if (group)
                    text = r.groupNo;
                else if (m_nDisplayType == 0)
                    text = r.groupName;
                else if (m_nDisplayType == 1)
                    text = r.groupNo;
                else
                    text.Format("%s [%s]", r.groupName, r.groupNo);
                CTreeCursor node = AddNode(parent, text, group ? 6 : 8, group ? "_Group" : "_Product",
                                           r.groupNo, r.groupName);
                if (!group && !m_strCode.IsEmpty() && r.groupNo.CompareNoCase(m_strCode) == 0) {
                    m_bFoundPreselected = TRUE;
                    m_preselected = node;
                }
                CString childKey;
                childKey.Format("%s [%s]", r.groupNo, r.groupType);
                if (path.Find("||" + UpperKey(childKey, "", "") + "||") < 0)
                    added.emplace_back(node, childKey);
            }
        }
        if (!added.empty()) {
            for (std::size_t i = 0; i + 1 < added.size(); ++i)
                stack.Push(added[i].first, added[i].second, path, 0);
            parent = added.back().first;
            key = added.back().second;
            path += UpperKey(key, "", "") + "||";
        } else {
            CTreeStackItem top = stack.GetTop();
            stack.Drop();
            parent = top.m_cursor;
            key = top.m_code;
            path = top.m_name + UpperKey(key, "", "") + "||";
        }
    }
}

void CSelectProductTreeDlg::OnSelChanged(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    m_current = m_tree.GetSelectedItem();
    const auto* record =
        m_current.m_item ? reinterpret_cast<const TreeItemData*>(m_tree.GetItemData(m_current)) : nullptr;
    if (!m_bMultiSelect) {
        if (CWnd* ok = GetDlgItem(IDOK))
            ok->EnableWindow(record && record->kind == "_Product");
    }
    if (record) {
        m_strCode = record->code;
        m_strName = record->text;
    }
}

void CSelectProductTreeDlg::ExpandBelow(CTreeCursor node) {
    if (!node.m_item)
        return;
    m_tree.Expand(node, TVE_EXPAND);
    for (CTreeCursor child = node.GetChild(); child.m_item; child = child.GetNext())
        ExpandBelow(child);
}

void CSelectProductTreeDlg::OnExpand() {
    CWaitCursor wait;
    m_current = m_tree.GetSelectedItem();
    ExpandBelow(m_current);
    if (m_current.m_item)
        m_tree.EnsureVisible(m_current);
}

void CSelectProductTreeDlg::CollectProducts(CTreeCursor node) {
    // Depth first without recursion: a node, then each child with its descendants.
    std::vector<HTREEITEM> pending{node.m_item};
    while (!pending.empty()) {
        CTreeCursor n(pending.back(), &m_tree);
        pending.pop_back();
        const auto* record = reinterpret_cast<const TreeItemData*>(m_tree.GetItemData(n));
        if (record && record->kind == "_Product") {
            bool known = false;
            for (int i = 0; i < m_arrCodes.GetSize() && !known; ++i)
                known = m_arrCodes[i].CompareNoCase(record->code) == 0;
            if (!known) {
                m_arrCodes.Add(record->code);
                m_arrNames.Add(record->text);
            }
        }
        std::vector<HTREEITEM> children;
        for (CTreeCursor c = n.GetChild(); c.m_item; c = c.GetNext())
            children.push_back(c.m_item);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
}

void CSelectProductTreeDlg::OnOK() {
    m_strStyle.Empty();
    m_strStand.Empty();
    for (CTreeCursor n = m_current; n.m_item && !(n == m_root); n = n.GetParent()) {
        const auto* record = reinterpret_cast<const TreeItemData*>(m_tree.GetItemData(n));
        if (!record)
            continue;
        if (record->kind == "_Style")
            m_strStyle = record->code;
        else if (record->kind == "_Stand")
            m_strStand = record->code;
    }
    if (m_bMultiSelect) {
        m_current = m_tree.GetSelectedItem();
        m_arrCodes.RemoveAll();
        m_arrNames.RemoveAll();
        if (m_current.m_item)
            CollectProducts(m_current);
        if (m_arrCodes.GetSize() == 0) {
            AfxMessageBox("无产品信息，请重新选择...");
            return;
        }
        EndDialog(IDOK);
        return;
    }
    if (m_strCode.IsEmpty()) {
        AfxMessageBox("未选择到产品信息，请重新选择...");
        return;
    }
    EndDialog(IDOK);
}
