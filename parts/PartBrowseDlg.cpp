#include "parts/PartBrowseDlg.h"

#include "controls/StatusProgress.h"
#include "core/ComError.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "parts/ProductSelectDlg.h"
#include "parts/ProductStructItem.h"
#include "parts/ProductStructTables.h"
#include "parts/SelectProductTreeDlg.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/ui/DataExchange.h"

#include <algorithm>
#include <set>
#include <tuple>

namespace {

const vq::DialogTemplate kPartBrowseTemplate{
    "浏览零部件",
    {vq::Label("产品总图号:"), vq::EditBox(1191, vq::kBeside), vq::PushButton(1056, "...", vq::kBeside),
     vq::CheckBox(1008, "产品大类", vq::kBeside), vq::Tree(1051, vq::kFill), vq::Label("图号:"),
     vq::EditBox(1076, vq::kBeside), vq::CheckBox(1177, "模糊", vq::kBeside),
     vq::PushButton(1185, "定位", vq::kBeside), vq::DefPushButton(IDOK, "确定"),
     vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};
const vq::TemplateRegistration kRegistration(159, kPartBrowseTemplate);

constexpr COLORREF kMagenta = RGB(255, 0, 255);

// Standard parts (a code holding " [GB", or the empty bracket " []") are shown but not opened.
bool IsUnopenedCode(const CString& code) {
    return code.Find(" []") >= 0 || code.Find(" [GB") >= 0;
}

CString Upper(CString text) {
    text.MakeUpper();
    return text;
}

} // namespace

BEGIN_MESSAGE_MAP(CPartBrowseDlg, CDialog)
    ON_BN_CLICKED(1056, &CPartBrowseDlg::OnPickProduct)
    ON_BN_CLICKED(1185, &CPartBrowseDlg::OnLocate)
    ON_NOTIFY(TVN_SELCHANGED, 1051, &CPartBrowseDlg::OnSelChanged)
END_MESSAGE_MAP()

CPartBrowseDlg::CPartBrowseDlg(CWnd* parent) : CDialog(159, parent) {}

CPartBrowseDlg::~CPartBrowseDlg() {
    FreeRecords();
}

CString CPartBrowseDlg::CodeFromText(const CString& text) {
    const int open = text.Find(" [");
    if (open < 0)
        return "";
    const int count = text.GetLength() - (open + 2) - 1;
    return count > 0 ? text.Mid(open + 2, count) : CString();
}

CString CPartBrowseDlg::NameFromText(const CString& text) {
    const int open = text.Find(" [");
    return open < 0 ? text : text.Left(open);
}

void CPartBrowseDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1051, m_tree);
    DDX_Text(pDX, 1191, m_productCode);
    DDX_Text(pDX, 1076, m_findText);
    DDX_Check(pDX, 1177, m_fuzzy);
    DDX_Check(pDX, 1008, m_byProductClass);
}

void CPartBrowseDlg::FreeRecords() {
    for (void* p : m_arrRecords)
        delete static_cast<CProductStructItem*>(p);
    m_arrRecords.RemoveAll();
}

void CPartBrowseDlg::OnDestroy() {
    FreeRecords();
    CDialog::OnDestroy();
}

BOOL CPartBrowseDlg::OnInitDialog() {
    m_imageList.Create(132, 16, 0, kMagenta);
    m_imageList.SetBkColor(::GetSysColor(COLOR_WINDOW));
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_nDatabaseType = theApp.m_nDatabaseType;
    m_treeMode = ReadSettingInt("VQPDM功能配置", "结构树方式", "0");
    m_byProductClass = ReadSettingInt("选择产品", "按产品大类", "0");
    CDialog::OnInitDialog();
    m_tree.SetImageList(&m_imageList, TVSIL_NORMAL);
    m_topNode = m_tree.InsertItem(CTreeCursor(), "请先选择产品...", 0);
    UpdateData(FALSE);
    return TRUE;
}

void CPartBrowseDlg::WriteClassSetting() {
    CString value;
    value.Format("%d", m_byProductClass);
    WriteSetting("选择产品", "按产品大类", value);
}

void CPartBrowseDlg::OnPickProduct() {
    UpdateData(TRUE);
    if (m_byProductClass) {
        CSelectProductTreeDlg dlg(this);
        dlg.m_strCode = m_productCode;
        if (dlg.DoModal() != IDOK)
            return;
        m_productCode = dlg.m_strCode;
        m_productName = dlg.m_strName;
    } else {
        CProductSelectDlg dlg(this);
        dlg.m_nMode = 0;
        dlg.m_strCode = m_productCode;
        if (dlg.DoModal() != IDOK)
            return;
        m_productCode = dlg.m_strCode;
        m_productName = dlg.m_strName;
    }
    UpdateData(FALSE);
    if (m_productCode.CompareNoCase(m_loadedProduct) != 0)
        LoadProduct();
}

void CPartBrowseDlg::LoadProduct() {
    CWaitCursor wait;
    m_busy = TRUE;
    m_tree.DeleteAllItems();
    FreeRecords();
    m_busy = FALSE;
    m_topNode = m_tree.InsertItem(CTreeCursor(), "所有产品信息...", 0);
    CString text;
    text.Format("%s [%s]", m_productName, m_productCode);
    CTreeCursor productNode = m_tree.InsertItem(m_topNode, text, 0);
    m_loadedProduct = m_productCode;
    if (m_treeMode == 0) {
        if (vq::ShowMessageBox("操作提示", "是否全部展开产品结构树?", MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
            ReadWholeStructure(m_productCode, productNode);
        else
            ReadLevel(m_productCode, productNode);
        m_tree.Expand(productNode, TVE_EXPAND);
    } else {
        ListProductParts(productNode);
    }
    m_tree.Expand(m_topNode, TVE_EXPAND);
    m_tree.SelectItem(m_topNode);
}

void CPartBrowseDlg::ReadLevel(const CString& code, CTreeCursor parent) {
    if (code.IsEmpty() || IsUnopenedCode(code) || !m_pConnection)
        return;
    CStatusProgress progress(IDS_STATUS_WAIT, TRUE);
    progress.SetText("显示");
    progress.SetPos(20);
    try {
        std::vector<ProductTreeLine> lines =
            ReadChildren(m_pConnection, ProductFamily::Archive, code, m_childFilter == 2);
        progress.SetPos(50);
        for (const ProductTreeLine& line : lines) {
            CString text;
            text.Format("%s [%s]", line.name, line.code);
            m_tree.InsertItem(parent, text, 0);
        }
    } catch (_com_error& e) {
        ReportComError(e);
    }
    progress.SetPos(100);
    progress.Hide();
}

void CPartBrowseDlg::OnSelChanged(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    if (m_busy)
        return;
    CTreeCursor node = m_tree.GetSelectedItem();
    if (!node.m_item || node.GetChild().m_item)
        return;
    ReadLevel(CodeFromText(node.GetText()), node);
    m_tree.Expand(node, TVE_EXPAND);
}

bool CPartBrowseDlg::LoadStructure(const CString& productCode) {
    m_arrParentCodes.RemoveAll();
    m_arrChildCodes.RemoveAll();
    m_arrChildNames.RemoveAll();
    m_lineIndex.clear();
    if (!m_pConnection)
        return false;
    std::vector<ProductTreeLine> lines;
    try {
        lines = ReadStructureLines(m_pConnection, m_nDatabaseType, ProductFamily::Archive, productCode);
    } catch (_com_error& e) {
        ReportComError(e);
        return false;
    }
    // Each line is kept once (a line stored twice shows once), so that every use of a shared
    // sub-assembly shows its lines once.
    std::set<std::tuple<std::string, std::string, int>> seen;
    for (const ProductTreeLine& line : lines) {
        const CString parent = Upper(line.upCode);
        if (!seen.insert({parent.str(), Upper(line.code).str(), line.item}).second)
            continue;
        m_lineIndex[parent].push_back(static_cast<int>(m_arrParentCodes.GetSize()));
        m_arrParentCodes.Add(line.upCode);
        m_arrChildCodes.Add(line.code);
        m_arrChildNames.Add(line.name);
    }
    return true;
}

void CPartBrowseDlg::FindChildren(const CString& code, const CString& path) {
    m_childCodes.RemoveAll();
    m_childNames.RemoveAll();
    m_childCount = 0;
    if (IsUnopenedCode(code))
        return;
    const CString upperCode = Upper(code);
    const CString upperPath = Upper(path);
    if (!upperPath.IsEmpty() &&
        (upperPath.Find(upperCode + "||") == 0 || upperPath.Find("||" + upperCode + "||") >= 0)) {
        m_cycleNotice.Report(code, path);
        return;
    }
    auto found = m_lineIndex.find(upperCode);
    if (found == m_lineIndex.end())
        return;
    for (int index : found->second) {
        m_childCodes.Add(m_arrChildCodes[index]);
        m_childNames.Add(m_arrChildNames[index]);
    }
    m_childCount = static_cast<int>(m_childCodes.GetSize());
}

void CPartBrowseDlg::ReadWholeStructure(const CString& productCode, CTreeCursor productNode) {
    CStatusProgress progress(IDS_STATUS_WAIT, TRUE);
    progress.SetText("显示");
    progress.SetPos(5);
    if (LoadStructure(productCode)) {
        progress.SetPos(65);
        m_stack.Init();
        m_cycleNotice.Reset();
        CString code = productCode;
        CString path;
        CTreeCursor node = productNode;
        for (;;) {
            FindChildren(code, path);
            if (m_childCount == 0) {
                if (m_stack.IsEmpty())
                    break;
                CTreeStackItem top = m_stack.GetTop();
                m_stack.Drop();
                node = top.m_cursor;
                code = top.m_code;
                path = top.m_name;
                continue;
            }
            const CString childPath = path + code + "||";
            CString text;
            for (int i = 0; i + 1 < m_childCount; ++i) {
                text.Format("%s [%s]", m_childNames[i], m_childCodes[i]);
                CTreeCursor child = m_tree.InsertItem(node, text, 0);
                m_stack.Push(child, m_childCodes[i], childPath, 0);
            }
            const int last = m_childCount - 1;
            text.Format("%s [%s]", m_childNames[last], m_childCodes[last]);
            node = m_tree.InsertItem(node, text, 0);
            code = m_childCodes[last];
            path = childPath;
        }
        progress.SetPos(90);
    }
    m_arrParentCodes.RemoveAll();
    m_arrChildCodes.RemoveAll();
    m_arrChildNames.RemoveAll();
    m_lineIndex.clear();
    progress.SetPos(100);
    progress.Hide();
}

void CPartBrowseDlg::ListProductParts(CTreeCursor productNode) {
    if (!m_pConnection)
        return;
    CString sql;
    sql.Format("SELECT TCode,TName,Tother1 FROM VqkorvelAll_title WHERE ProductDwgCode='%s'",
               SqlQuote(m_productCode));
    std::vector<CProductStructItem*> items;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            const CString code = VariantToString(rs->GetCollect(0L));
            if (code.CompareNoCase(m_productCode) != 0) {
                auto* item = new CProductStructItem;
                m_arrRecords.Add(item);
                item->m_strCode = code;
                item->m_strUpCode = code;
                item->m_strName = VariantToString(rs->GetCollect(1L));
                item->m_strTitleOther1 = VariantToString(rs->GetCollect(2L));
                item->m_nFlag24 = 1;
                item->m_nFlag25 = 1;
                item->m_nFlag26 = 0;
                items.push_back(item);
            }
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const CProductStructItem* a, const CProductStructItem* b) {
                         return a->m_strCode.CollateNoCase(b->m_strCode) < 0;
                     });
    for (CProductStructItem* item : items) {
        CString text;
        text.Format("%s [%s]", item->m_strName, item->m_strCode);
        CTreeCursor node = m_tree.InsertItem(productNode, text, 0);
        m_tree.SetItemData(node, reinterpret_cast<DWORD_PTR>(item));
    }
}

bool CPartBrowseDlg::LocateBelow(CTreeCursor node, const CString& text) {
    CTreeCursor child = node.m_item ? node.GetChild() : m_tree.GetRootItem();
    for (; child.m_item; child = child.GetNext()) {
        if (Upper(child.GetText()).Find(text) >= 0) {
            m_found = TRUE;
            m_foundItem = child;
            return true;
        }
        if (LocateBelow(child, text))
            return true;
    }
    return false;
}

void CPartBrowseDlg::OnLocate() {
    UpdateData(TRUE);
    CWaitCursor wait;
    m_found = FALSE;
    if (!LocateBelow(m_tree.GetSelectedItem(), Upper(m_findText)))
        return;
    m_tree.SelectItem(m_foundItem);
    m_tree.Expand(m_foundItem, TVE_EXPAND);
    m_tree.EnsureVisible(m_foundItem);
}

void CPartBrowseDlg::OnOK() {
    UpdateData(TRUE);
    CTreeCursor node = m_tree.GetSelectedItem();
    if (!node.m_item || node == m_topNode) {
        AfxMessageBox("请选择零部件!");
        return;
    }
    m_partName = NameFromText(node.GetText());
    m_partCode = CodeFromText(node.GetText());
    if (m_partCode.IsEmpty()) {
        AfxMessageBox("选中的图号不能为空，请重新选择...");
        return;
    }
    m_resultProductCode = m_productCode;
    WriteClassSetting();
    EndDialog(IDOK);
}

void CPartBrowseDlg::OnCancel() {
    UpdateData(TRUE);
    WriteClassSetting();
    CDialog::OnCancel();
}
