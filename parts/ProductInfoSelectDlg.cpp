#include "parts/ProductInfoSelectDlg.h"
#include "parts/ProductSelectDlg.h"

#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"

namespace {

const vq::DialogTemplate kProductInfoSelectTemplate{"选择产品信息",
                                                    {vq::Tree(1001, vq::kFill), vq::PushButton(1206, "展开"),
                                                     vq::DefPushButton(IDOK, "确定", vq::kBeside),
                                                     vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

[[maybe_unused]] const vq::TemplateRegistration kRegistered(IDD_PRODUCT_INFO_SELECT,
                                                            kProductInfoSelectTemplate);

constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr int kImageProduct = 0;
constexpr int kImageClass = 2;
constexpr int kImageStand = 4;
constexpr DWORD_PTR kClassNode = 1;
constexpr DWORD_PTR kStandNode = 2;
constexpr DWORD_PTR kProductNode = 3;

// Node images in pairs (node, selected node): product (a sheet), class (a folder), stand (a
// block); the selected look is framed. Magenta is transparent.
void ProductInfoImages(CDC& dc) {
    dc.FillSolidRect(0, 0, 6 * 16, 16, kMagenta);
    for (int selected = 0; selected < 2; ++selected) {
        int x = kImageProduct * 16 + selected * 16;
        dc.FillSolidRect(x + 4, 2, 8, 12, RGB(255, 255, 255));
        dc.Draw3dRect(x + 4, 2, 8, 12, RGB(90, 90, 90), RGB(90, 90, 90));
        dc.FillSolidRect(x + 6, 6, 4, 1, RGB(0, 90, 160));
        dc.FillSolidRect(x + 6, 9, 4, 1, RGB(0, 90, 160));
        x = kImageClass * 16 + selected * 16;
        dc.FillSolidRect(x + 1, 4, 6, 2, RGB(230, 160, 0));
        dc.FillSolidRect(x + 1, 6, 14, 8, RGB(230, 160, 0));
        x = kImageStand * 16 + selected * 16;
        dc.FillSolidRect(x + 3, 3, 10, 10, RGB(0, 140, 70));
    }
    for (int image : {kImageProduct + 1, kImageClass + 1, kImageStand + 1})
        dc.Draw3dRect(image * 16, 0, 16, 16, RGB(0, 0, 0), RGB(0, 0, 0));
}

[[maybe_unused]] const bool kImagesRegistered = [] {
    vq::RegisterBitmapResource(346, 6 * 16, 16, ProductInfoImages);
    return true;
}();

// A node text split at the first "::": the name before it, the code after it.
void SplitText(const CString& text, CString& name, CString& code) {
    const int at = text.Find("::");
    if (at < 0) {
        name = text;
        code.Empty();
        return;
    }
    name = text.Left(at);
    code = text.Mid(at + 2);
}

CString CodeOfText(const CString& text) {
    CString name, code;
    SplitText(text, name, code);
    return code;
}

} // namespace

BEGIN_MESSAGE_MAP(CProductInfoSelectDlg, CDialog)
    ON_BN_CLICKED(1206, &CProductInfoSelectDlg::OnExpand)
END_MESSAGE_MAP()

CProductInfoSelectDlg::CProductInfoSelectDlg(CWnd* parent) : CDialog(kProductInfoSelectTemplate, parent) {}

void CProductInfoSelectDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1001, m_tree);
}

BOOL CProductInfoSelectDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_strLoginUser = theApp.m_strLoginUser;

    m_imageList.Create(346, 16, 0, kMagenta);
    m_imageList.SetBkColor(GetSysColor(COLOR_WINDOW));
    m_tree.SetImageList(&m_imageList, TVSIL_NORMAL);

    if (m_nRightMode == 2) {
        CString caption;
        caption.Format("选择产品信息 - [%s]控制", m_strLoginUser);
        SetWindowText(caption);
    }
    if (m_strLoginUser.CompareNoCase("admin") == 0)
        m_nRightMode = 0;

    BuildTree();
    if (m_bFoundSelected) {
        m_tree.SelectItem(m_selectedCursor);
        m_tree.EnsureVisible(m_selectedCursor);
    }
    return TRUE;
}

void CProductInfoSelectDlg::ReadPairs(const CString& sql, CStringPairArray& pairs, bool product) {
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            StringPairRecord pair;
            if (product) {
                const CString style = VariantToString(rs->GetCollect(0L));
                const CString stand = VariantToString(rs->GetCollect(1L));
                const CString code = VariantToString(rs->GetCollect(2L));
                const CString name = VariantToString(rs->GetCollect(3L));
                bool allowed = m_nRightMode != 2;
                for (int i = 0; !allowed && i < m_arrRightCodes.GetSize(); ++i)
                    allowed = m_arrRightCodes[i].CompareNoCase(code) == 0;
                if (allowed) {
                    pair.code.Format("%s[%s]", style, stand);
                    pair.name.Format("%s::%s", name, code);
                    pairs.Add(pair);
                }
            } else {
                pair.code = VariantToString(rs->GetCollect(0L));
                pair.name = VariantToString(rs->GetCollect(1L));
                pairs.Add(pair);
            }
            rs->MoveNext();
        }
        rs->Close();
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
    }
}

void CProductInfoSelectDlg::LoadRights() {
    CProductSelectDlg::LoadControlledProducts(m_pConnection, m_strLoginUser, m_arrRightCodes);
}

void CProductInfoSelectDlg::BuildTree() {
    m_groupPairs.RemoveAll();
    m_standPairs.RemoveAll();
    m_productPairs.RemoveAll();
    m_bFoundSelected = FALSE;

    if (!m_strStyle.IsEmpty())
        m_groupPairs.Add(StringPairRecord{m_strStyle, m_strStyleName});
    else
        ReadPairs("SELECT ProductStyle, ProductName FROM ProductGroup ORDER BY ProductStyle", m_groupPairs,
                  false);

    CString sql;
    if (!m_strStyle.IsEmpty())
        sql.Format("SELECT ProductStyle, ProductStand FROM ProductStand WHERE ProductStyle='%s'",
                   SqlQuote(m_strStyle));
    else
        sql = "SELECT ProductStyle, ProductStand FROM ProductStand ORDER BY ProductStyle";
    ReadPairs(sql, m_standPairs, false);

    if (m_nRightMode == 2)
        LoadRights();
    if (!m_strStyle.IsEmpty())
        sql.Format("SELECT ProductStyle, ProductStand, ProductDwgCode, ProductName FROM Product WHERE "
                   "ProductStyle='%s'",
                   SqlQuote(m_strStyle));
    else
        sql = "SELECT ProductStyle, ProductStand, ProductDwgCode, ProductName FROM Product ORDER BY "
              "ProductStyle";
    ReadPairs(sql, m_productPairs, true);

    m_root = CTreeCursor(nullptr, &m_tree);
    for (const StringPairRecord& cls : m_groupPairs) {
        CString text;
        text.Format("%s::%s", cls.name, cls.code);
        CTreeCursor classNode = m_tree.InsertItem(m_root, text, kImageClass);
        m_tree.SetItemData(classNode, kClassNode);
        for (int s = 0; s < m_standPairs.GetSize();) {
            const StringPairRecord stand = m_standPairs[s];
            if (stand.code.CompareNoCase(cls.code) != 0) {
                ++s;
                continue;
            }
            // A stand goes under the first class that matches it only.
            m_standPairs.RemoveAt(s);
            CTreeCursor standNode = m_tree.InsertItem(classNode, stand.name, kImageStand);
            m_tree.SetItemData(standNode, kStandNode);
            CString key;
            key.Format("%s[%s]", cls.code, stand.name);
            for (int p = 0; p < m_productPairs.GetSize();) {
                const StringPairRecord product = m_productPairs[p];
                if (product.code.CompareNoCase(key) != 0) {
                    ++p;
                    continue;
                }
                m_productPairs.RemoveAt(p);
                CTreeCursor productNode = m_tree.InsertItem(standNode, product.name, kImageProduct);
                m_tree.SetItemData(productNode, kProductNode);
                if (!m_strCode.IsEmpty() && CodeOfText(product.name).CompareNoCase(m_strCode) == 0) {
                    m_bFoundSelected = TRUE; // a later match replaces an earlier one
                    m_selectedCursor = productNode;
                }
            }
        }
        m_tree.Expand(classNode, TVE_EXPAND);
    }
    m_tree.SelectItem(m_root);
    m_groupPairs.RemoveAll();
    m_standPairs.RemoveAll();
    m_productPairs.RemoveAll();
}

void CProductInfoSelectDlg::ExpandBelow(HTREEITEM item) {
    m_tree.Expand(item, TVE_EXPAND);
    for (HTREEITEM child = m_tree.GetChildItem(item); child; child = m_tree.GetNextSiblingItem(child))
        ExpandBelow(child);
}

void CProductInfoSelectDlg::OnExpand() {
    CWaitCursor wait;
    HTREEITEM selected = m_tree.GetSelectedItem();
    if (!selected)
        return;
    ExpandBelow(selected);
    m_tree.EnsureVisible(selected);
}

void CProductInfoSelectDlg::TakeClass(HTREEITEM cls) {
    SplitText(m_tree.GetItemText(cls), m_strStyleName, m_strStyle);
}

void CProductInfoSelectDlg::TakeStand(HTREEITEM stand) {
    m_strStand = m_tree.GetItemText(stand);
    TakeClass(m_tree.GetParentItem(stand));
}

void CProductInfoSelectDlg::TakeProduct(HTREEITEM product) {
    SplitText(m_tree.GetItemText(product), m_strName, m_strCode);
    TakeStand(m_tree.GetParentItem(product));
}

void CProductInfoSelectDlg::OnOK() {
    if (m_bBrowseOnly == 1) {
        EndDialog(IDOK);
        return;
    }
    HTREEITEM node = m_tree.GetSelectedItem();
    const bool standAlone = !m_bAnyLevel && !m_bNeedProduct && m_bNeedStand;
    if (!node) {
        // No node is no acceptable node: the message of the level asked for.
        AfxMessageBox(standAlone ? "请选择具体的产品规格..." : "请选择具体的产品总图号...");
        return;
    }
    const auto data = static_cast<int>(m_tree.GetItemData(node));
    m_nLevel = data - 1;
    if (m_bAnyLevel) {
        if (data == static_cast<int>(kProductNode)) {
            TakeProduct(node);
        } else if (data == static_cast<int>(kStandNode)) {
            m_strCode.Empty();
            m_strName.Empty();
            TakeStand(node);
        } else {
            m_strCode.Empty();
            m_strName.Empty();
            m_strStand.Empty();
            TakeClass(node);
        }
    } else if (m_bNeedProduct) {
        if (data != static_cast<int>(kProductNode)) {
            AfxMessageBox("请选择具体的产品总图号...");
            return;
        }
        TakeProduct(node);
    } else if (m_bNeedStand) {
        if (data < static_cast<int>(kStandNode)) {
            AfxMessageBox("请选择具体的产品规格...");
            return;
        }
        // A product node is taken with its stand and class as a product.
        if (data == static_cast<int>(kProductNode))
            TakeProduct(node);
        else
            TakeStand(node);
    } else {
        // Any node: the class it belongs to.
        HTREEITEM cls = node;
        while (m_tree.GetParentItem(cls))
            cls = m_tree.GetParentItem(cls);
        TakeClass(cls);
    }
    EndDialog(IDOK);
}
