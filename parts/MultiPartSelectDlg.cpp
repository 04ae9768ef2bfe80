#include "parts/MultiPartSelectDlg.h"

#include "controls/StatusProgress.h"
#include "controls/SysImageList.h"
#include "core/ComError.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "parts/ProductSelectDlg.h"
#include "parts/ProductStructItem.h"
#include "parts/SelectProductTreeDlg.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Menu.h"

#include <vector>

namespace {

const vq::DialogTemplate kMultiPartSelectTemplate{
    "多选零部件",
    {vq::Label("产品总图号:"), vq::EditBox(1052, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::PushButton(1056, "...", vq::kBeside), vq::CheckBox(1009, "产品大类", vq::kBeside),
     vq::Tree(1051, vq::kFill), vq::Label("图号:"), vq::EditBox(1076, vq::kBeside),
     vq::CheckBox(1177, "模糊", vq::kBeside), vq::PushButton(1185, "定位", vq::kBeside),
     vq::PushButton(1142, "->"), vq::PushButton(1008, "<-", vq::kBeside, WS_DISABLED),
     vq::ReportList(1211, vq::kFill, LVS_REPORT | LVS_SHOWSELALWAYS, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
     vq::PushButton(1224, "标志...", vq::kHidden, WS_DISABLED), vq::DefPushButton(IDOK, "确定"),
     vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

[[maybe_unused]] const vq::TemplateRegistration kRegistered(IDD_MULTI_PART_SELECT, kMultiPartSelectTemplate);

constexpr int kCodeColumn = 1;
constexpr int kNameColumn = 2;
constexpr int kFlagColumn = 3;

CString NodeText(const CString& name, const CString& code) {
    CString text;
    text.Format("%s [%s]", name, code);
    return text;
}

// A path of drawing numbers passed, each followed by "||", holds the number when it begins with it
// or contains it between two separators. Codes compare without regard to letter case, as the
// database does, so that a cycle spelled in two cases still ends.
bool PathHolds(CString path, CString code) {
    path.MakeUpper();
    code.MakeUpper();
    return path.Find(code + "||") == 0 || path.Find("||" + code + "||") >= 0;
}

} // namespace

BEGIN_MESSAGE_MAP(CMultiPartSelectDlg, CDialog)
    ON_BN_CLICKED(1056, &CMultiPartSelectDlg::OnPickProduct)
    ON_BN_CLICKED(1185, &CMultiPartSelectDlg::OnLocate)
    ON_BN_CLICKED(1142, &CMultiPartSelectDlg::OnAddPart)
    ON_BN_CLICKED(1008, &CMultiPartSelectDlg::OnRemoveParts)
    ON_NOTIFY(TVN_SELCHANGED, 1051, &CMultiPartSelectDlg::OnTreeSelChanged)
    ON_NOTIFY(NM_RCLICK, 1051, &CMultiPartSelectDlg::OnTreeRightClick)
END_MESSAGE_MAP()

CMultiPartSelectDlg::CMultiPartSelectDlg(CWnd* parent) : CDialog(kMultiPartSelectTemplate, parent) {}

CMultiPartSelectDlg::~CMultiPartSelectDlg() {
    FreeRecords();
}

void CMultiPartSelectDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1051, m_tree);
    DDX_Control(pDX, 1211, m_list);
    DDX_Text(pDX, 1052, m_strProductCode);
    DDX_Text(pDX, 1076, m_strLocateCode);
    DDX_Check(pDX, 1177, m_bFuzzy);
    DDX_Check(pDX, 1009, m_bByProductClass);
}

CString CMultiPartSelectDlg::CodeOfText(const CString& text) {
    const int open = text.Find(" [");
    if (open < 0)
        return CString();
    const int first = open + 2;
    const int count = text.GetLength() - 1 - first; // up to, without, the last character
    return count > 0 ? text.Mid(first, count) : CString();
}

CString CMultiPartSelectDlg::NameOfText(const CString& text) {
    const int open = text.Find(" [");
    return open < 0 ? text : text.Left(open);
}

BOOL CMultiPartSelectDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_list.InsertColumn(0, "序号", LVCFMT_LEFT, 40);
    m_list.InsertColumn(kCodeColumn, "图号", LVCFMT_LEFT, 100);
    m_list.InsertColumn(kNameColumn, "图名", LVCFMT_LEFT, 100);
    m_list.InsertColumn(kFlagColumn, "标志", LVCFMT_LEFT, 40);

    m_imageList.Create(132, 16, 0, RGB(255, 0, 255));
    m_imageList.SetBkColor(GetSysColor(COLOR_WINDOW));
    m_tree.SetImageList(&m_imageList, TVSIL_NORMAL);

    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;

    m_nTreeMode = ReadSettingInt("VQPDM功能配置", "结构树方式", "0");
    m_bByProductClass = ReadSettingInt("选择产品", "按产品大类", "0");
    UpdateData(FALSE);

    // Selecting the placeholder is ignored: m_bLoading is still set.
    m_hTopItem = m_tree.InsertItem("请先选择产品...", 0, 0);
    m_tree.Expand(m_hTopItem, TVE_EXPAND);
    m_tree.SelectItem(m_hTopItem);
    return TRUE;
}

void CMultiPartSelectDlg::OnDestroy() {
    FreeRecords();
    CDialog::OnDestroy();
}

void CMultiPartSelectDlg::FreeRecords() {
    for (CObject* record : m_arrRecords)
        delete record;
    m_arrRecords.RemoveAll();
}

void CMultiPartSelectDlg::OnPickProduct() {
    UpdateData(TRUE);
    CString code;
    if (m_bByProductClass) {
        CSelectProductTreeDlg picker(this);
        picker.m_strCode = m_strProductCode;
        if (picker.DoModal() != IDOK)
            return;
        code = picker.m_strCode;
    } else {
        CProductSelectDlg picker(this);
        picker.m_nMode = 0;
        picker.m_strCode = m_strProductCode;
        if (picker.DoModal() != IDOK)
            return;
        code = picker.m_strCode;
    }
    m_strProductCode = code;
    UpdateData(FALSE);
    if (m_strProductCode.CompareNoCase(m_strLoadedProduct) != 0) {
        m_strLoadedProduct = m_strProductCode;
        LoadProductTree();
    }
}

void CMultiPartSelectDlg::LoadProductTree() {
    CWaitCursor wait;
    m_bLoading = TRUE;
    FreeRecords();
    m_tree.DeleteAllItems();
    m_tree.Invalidate();
    m_bLoading = FALSE;

    m_hTopItem = m_tree.InsertItem("所有产品结构信息...", 0, 0);
    const CString code = m_strProductCode;
    CString name;
    auto* product = new CProductStructItem;
    product->m_strCode = code;
    m_arrRecords.Add(product);
    try {
        CString sql =
            "SELECT ProductStyle,ProductName,ProductStand,ProductBak FROM Product WHERE ProductDwgCode='" +
            SqlQuote(code) + "'";
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) { // with several rows the last one wins
            product->m_strStyle = VariantToString(rs->GetCollect(0L));
            name = VariantToString(rs->GetCollect(1L));
            product->m_strStand = VariantToString(rs->GetCollect(2L));
            product->m_strRemark = VariantToString(rs->GetCollect(3L));
            rs->MoveNext();
        }
        rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    product->m_strName = name;
    HTREEITEM productNode = m_tree.InsertItem(NodeText(name, code), 0, 0, m_hTopItem);
    m_tree.SetItemData(productNode, reinterpret_cast<DWORD_PTR>(product));
    if (m_nTreeMode == 0)
        LoadChildren(productNode, code);
    else
        LoadFlatParts(productNode);
    m_tree.Expand(m_hTopItem, TVE_EXPAND);
    m_tree.SelectItem(m_hTopItem);
}

void CMultiPartSelectDlg::LoadChildren(HTREEITEM node, const CString& code) {
    if (code.IsEmpty())
        return;
    CStatusProgress progress(IDS_STATUS_WAIT, TRUE);
    progress.SetText("显示");
    progress.SetPos(20);
    CString sql;
    sql.Format(
        "SELECT DCode, DName FROM VqkorvelAll_detail WHERE UpCode='%s' AND DCode IN (SELECT TCode FROM "
        "VqkorvelAll_title) ORDER BY DItem",
        SqlQuote(code));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        progress.SetPos(50);
        while (!rs->IsEOF()) {
            const CString childCode = VariantToString(rs->GetCollect(0L));
            const CString childName = VariantToString(rs->GetCollect(1L));
            m_tree.InsertItem(NodeText(childName, childCode), 0, 0, node);
            rs->MoveNext();
        }
        rs->Close();
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
    }
    progress.SetPos(100);
    m_tree.Expand(node, TVE_EXPAND);
    Invalidate();
}

void CMultiPartSelectDlg::LoadFlatParts(HTREEITEM productNode) {
    const CString product = m_strProductCode;
    CObArray parts;
    try {
        const CString sql = "SELECT TCode,TName,Tother1 FROM VqkorvelAll_title WHERE ProductDwgCode='" +
                            SqlQuote(product) + "'";
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            const CString code = VariantToString(rs->GetCollect(0L));
            if (code.CompareNoCase(product) != 0) { // not the product's own title row
                auto* item = new CProductStructItem;
                item->m_strCode = code;
                item->m_strName = VariantToString(rs->GetCollect(1L));
                item->m_strTitleOther1 = VariantToString(rs->GetCollect(2L));
                parts.Add(item);
            }
            rs->MoveNext();
        }
        rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    SortStringPtrArray(parts, [](CObject* const* a, CObject* const* b) {
        return CompareStringPtr(&static_cast<CProductStructItem*>(*a)->m_strCode,
                                &static_cast<CProductStructItem*>(*b)->m_strCode);
    });
    for (CObject* object : parts) {
        auto* item = static_cast<CProductStructItem*>(object);
        m_arrRecords.Add(item);
        HTREEITEM node = m_tree.InsertItem(NodeText(item->m_strName, item->m_strCode), 0, 0, productNode);
        m_tree.SetItemData(node, reinterpret_cast<DWORD_PTR>(item));
    }
}

void CMultiPartSelectDlg::LoadAllBelow(HTREEITEM node, CString path) {
    CWaitCursor wait;
    const CString code = CodeOfText(m_tree.GetItemText(node));
    if (!path.IsEmpty() && PathHolds(path, code)) {
        m_cycleNotice.Report(code, path);
        return;
    }
    path += code + "||";
    LoadChildren(node, code);
    m_tree.Expand(node, TVE_EXPAND);
    for (HTREEITEM child = m_tree.GetChildItem(node); child; child = m_tree.GetNextSiblingItem(child))
        LoadAllBelow(child, path);
}

void CMultiPartSelectDlg::ExpandBelow(HTREEITEM node) {
    m_tree.Expand(node, TVE_EXPAND);
    for (HTREEITEM child = m_tree.GetChildItem(node); child; child = m_tree.GetNextSiblingItem(child))
        ExpandBelow(child);
}

HTREEITEM CMultiPartSelectDlg::FindBelow(HTREEITEM parent, const CString& pattern) const {
    for (HTREEITEM child = m_tree.GetChildItem(parent); child; child = m_tree.GetNextSiblingItem(child)) {
        CString text = m_tree.GetItemText(child);
        text.MakeUpper();
        if (text.Find(pattern) > 0)
            return child;
        if (HTREEITEM found = FindBelow(child, pattern))
            return found;
    }
    return nullptr;
}

void CMultiPartSelectDlg::Locate(const CString& code) {
    CWaitCursor wait;
    CString pattern = " [" + code;
    if (!m_bFuzzy)
        pattern += "]";
    pattern.MakeUpper();
    HTREEITEM start = m_tree.GetSelectedItem();
    HTREEITEM found = FindBelow(start ? start : TVI_ROOT, pattern);
    if (!found)
        return;
    m_tree.SelectItem(found);
    m_tree.Expand(found, TVE_EXPAND);
    m_tree.EnsureVisible(found);
}

void CMultiPartSelectDlg::OnLocate() {
    UpdateData(TRUE);
    Locate(m_strLocateCode);
}

void CMultiPartSelectDlg::OnTreeSelChanged(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    if (m_bLoading)
        return;
    HTREEITEM node = m_tree.GetSelectedItem();
    if (!node)
        return;
    if (!m_tree.ItemHasChildren(node))
        LoadChildren(node, CodeOfText(m_tree.GetItemText(node)));
    m_tree.Expand(node, TVE_EXPAND);
}

void CMultiPartSelectDlg::OnTreeRightClick(NMHDR*, LRESULT* pResult) {
    *pResult = 1;
    CPoint point;
    GetCursorPos(&point);
    CPoint screen = point;
    m_tree.ScreenToClient(&point);
    HTREEITEM node = m_tree.HitTest(point);
    if (!node)
        return;
    m_tree.SelectItem(node);

    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, 1, "展开(&E)");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, 2, "展开所有(&A)...");
    const UINT command =
        menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, screen.x, screen.y, this);
    if (command == 1) {
        ExpandBelow(node);
        m_tree.EnsureVisible(node);
    } else if (command == 2) {
        if (vq::ShowMessageBox("操作提示", "全部自动展开选定节点下的所有产品结构树，时间可能较长，是否等待?",
                               MB_YESNO | MB_ICONWARNING) != IDYES)
            return;
        // The top node carries no drawing number: its product nodes are the ones expanded.
        std::vector<HTREEITEM> targets;
        if (node == m_hTopItem) {
            for (HTREEITEM child = m_tree.GetChildItem(node); child; child = m_tree.GetNextSiblingItem(child))
                targets.push_back(child);
        } else {
            targets.push_back(node);
        }
        m_cycleNotice.Reset();
        for (HTREEITEM target : targets) {
            while (HTREEITEM child = m_tree.GetChildItem(target))
                m_tree.DeleteItem(child);
            LoadAllBelow(target, CString());
        }
        m_tree.EnsureVisible(node);
        AfxMessageBox("自动展开选定节点下的产品结构树完毕...");
    }
}

void CMultiPartSelectDlg::OnAddPart() {
    HTREEITEM node = m_tree.GetSelectedItem();
    if (!node || node == m_hTopItem) {
        AfxMessageBox("请选择零部件!");
        return;
    }
    const CString text = m_tree.GetItemText(node);
    const CString name = NameOfText(text);
    const CString code = CodeOfText(text);
    const int rows = m_list.GetItemCount();
    for (int row = 0; row < rows; ++row) {
        if (m_list.GetItemText(row, kCodeColumn).CompareNoCase(code) == 0) {
            AfxMessageBox("该零部件已被选入...");
            return;
        }
    }
    CString number;
    number.Format("%d", rows + 1);
    const int row = m_list.InsertItem(rows, number);
    m_list.SetItemText(row, kCodeColumn, code);
    m_list.SetItemText(row, kNameColumn, name);
    m_list.SetItemText(row, kFlagColumn, "");
    m_nChosenCount = m_list.GetItemCount();
    if (rows == 0)
        GetDlgItem(1008)->EnableWindow(TRUE);
}

void CMultiPartSelectDlg::RenumberRows() {
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        CString number;
        number.Format("%d", row + 1);
        m_list.SetItemText(row, 0, number);
    }
}

void CMultiPartSelectDlg::OnRemoveParts() {
    std::vector<int> selected;
    POSITION pos = m_list.GetFirstSelectedItemPosition();
    while (pos)
        selected.push_back(m_list.GetNextSelectedItem(pos));
    for (auto it = selected.rbegin(); it != selected.rend(); ++it)
        m_list.DeleteItem(*it);
    m_nChosenCount = m_list.GetItemCount();
    if (m_nChosenCount == 0)
        GetDlgItem(1008)->EnableWindow(FALSE);
    else
        RenumberRows();
}

void CMultiPartSelectDlg::OnOK() {
    UpdateData(TRUE);
    HTREEITEM node = m_tree.GetSelectedItem();
    if (!node || node == m_hTopItem) {
        AfxMessageBox("请选择零部件!");
        return;
    }
    const CString text = m_tree.GetItemText(node);
    m_strSelName = NameOfText(text);
    m_strSelCode = CodeOfText(text);
    m_strSelFlag.Empty();

    m_arrSelCode.RemoveAll();
    m_arrSelName.RemoveAll();
    m_arrSelFlag.RemoveAll();
    const int rows = m_list.GetItemCount();
    if (rows > 0) {
        for (int row = 0; row < rows; ++row) {
            m_arrSelCode.Add(m_list.GetItemText(row, kCodeColumn));
            m_arrSelName.Add(m_list.GetItemText(row, kNameColumn));
            m_arrSelFlag.Add(m_list.GetItemText(row, kFlagColumn));
        }
    } else {
        m_arrSelCode.Add(m_strSelCode);
        m_arrSelName.Add(m_strSelName);
        m_arrSelFlag.Add(CString());
    }
    m_strResultProduct = m_strProductCode;
    CString value;
    value.Format("%d", m_bByProductClass);
    WriteSetting("选择产品", "按产品大类", value);
    EndDialog(IDOK);
}
