#include "parts/PartRevSelectDlg.h"
#include "parts/RevisionPaths.h"

#include "core/ComError.h"
#include "core/DialogSeams.h"
#include "core/ItemText.h"
#include "core/Revision.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "parts/PartBorrowQueryDlg.h"
#include "parts/ProductStructItem.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DC.h"
#include "platform/ui/DataExchange.h"

#include <cstdlib>

namespace {

const vq::DialogTemplate kPartRevSelectTemplate{
    "选择零部件版本",
    {vq::Tree(1009), vq::ReportList(1033, vq::kBeside, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
     vq::ReportList(1030, vq::kFill, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
     vq::PushButton(1381, "更改历史..."), vq::PushButton(1317, "使用性...", vq::kBeside),
     vq::DefPushButton(IDOK, "确定", vq::kBeside), vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

int CompareItemNumbers(LPARAM a, LPARAM b, LPARAM) {
    const auto* left = reinterpret_cast<const CItemText*>(a);
    const auto* right = reinterpret_cast<const CItemText*>(b);
    if (!left || !right)
        return 0;
    return std::atoi(left->GetField(0)) - std::atoi(right->GetField(0));
}

} // namespace

BEGIN_MESSAGE_MAP(CPartRevSelectDlg, CDialog)
    ON_NOTIFY(TVN_SELCHANGED, 1009, &CPartRevSelectDlg::OnSelChangedTree)
    ON_BN_CLICKED(1317, &CPartRevSelectDlg::OnWhereUsed)
    ON_BN_CLICKED(1381, &CPartRevSelectDlg::OnChangeHistory)
END_MESSAGE_MAP()

CPartRevSelectDlg::CPartRevSelectDlg(CWnd* parent) : CDialog(kPartRevSelectTemplate, parent) {
    m_treeStack.Init();
}

CPartRevSelectDlg::~CPartRevSelectDlg() {
    FreeLineRecords();
}

void CPartRevSelectDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1033, m_titleList);
    DDX_Control(pDX, 1030, m_lineList);
    DDX_Control(pDX, 1009, m_tree);
}

void CPartRevSelectDlg::FreeLineRecords() {
    DeleteItemTexts(m_arrLineRecords);
}

void CPartRevSelectDlg::PostNcDestroy() {
    FreeLineRecords();
    CDialog::PostNcDestroy();
}

BOOL CPartRevSelectDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_imageList.Create(130, 16, 0, RGB(255, 0, 255));
    m_imageList.SetBkColor(::GetSysColor(COLOR_WINDOW));
    m_tree.SetImageList(&m_imageList, TVSIL_NORMAL);

    // Borrowing lookup; database errors are shown by the application's SQL service.
    CString sql;
    sql.Format("SELECT BorrowedCode FROM BorrowingRelation WHERE Code='%s'", SqlQuote(m_strPartCode));
    CString value = theApp.GetSqlString(sql);
    if (!value.IsEmpty())
        m_strPartCode = value;
    sql.Format("SELECT ProductCode FROM BorrowedParts WHERE PartCode='%s'", SqlQuote(m_strPartCode));
    value = theApp.GetSqlString(sql);
    if (!value.IsEmpty())
        m_strProductCode = value;
    m_strCurrentRev = "A";
    sql.Format("SELECT CurrentRev FROM VqkorvelAll_title WHERE TCode='%s' AND ProductDwgCode='%s'",
               SqlQuote(m_strPartCode), SqlQuote(m_strProductCode));
    value = theApp.GetSqlString(sql);
    if (!value.IsEmpty())
        m_strCurrentRev = value;
    if (m_strInitialRevision.IsEmpty())
        m_strInitialRevision = m_strCurrentRev;

    LoadRevisions();
    BuildTree();

    for (int i = 0; i < 5; ++i) {
        CString key;
        key.Format("标题其他%d", i + 1);
        m_strTitleLabel[i] = ReadSetting("产品属性", key, m_strTitleLabel[i]);
    }
    const char* lineKeys[] = {"明细备注", "明细类型", "明细规格", "明细其他1", "明细其他2"};
    for (int i = 0; i < 5; ++i)
        m_strLineLabel[i] = ReadSetting("产品属性", lineKeys[i], m_strLineLabel[i]);
    m_nDecimalQuantity = ReadSettingInt("初设数据配置", "件数为小数", "0");

    m_titleList.SetExtendedStyle(m_titleList.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_titleList.InsertColumn(0, "标题栏项", LVCFMT_LEFT, 80);
    m_titleList.InsertColumn(1, "属性值", LVCFMT_LEFT, 180);
    const CString rows[] = {"图号",
                            "图名",
                            "材料",
                            "重量",
                            "比例",
                            "图幅",
                            "尺寸",
                            "类型",
                            "标准",
                            "布局",
                            "装订线",
                            "设计者",
                            "设计时间",
                            "存库时间",
                            m_strTitleLabel[0],
                            m_strTitleLabel[1],
                            "当前版本号",
                            "最新版本号",
                            "参数",
                            m_strTitleLabel[2],
                            m_strTitleLabel[3],
                            m_strTitleLabel[4],
                            "负责人",
                            "状态"};
    int n = 0;
    for (const CString& label : rows)
        m_titleList.InsertItem(n++, label);

    m_lineList.SetExtendedStyle(m_lineList.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    const char* headings[] = {"序号", "图号", "图名", "材料", "重量", "总重", "数量"};
    const int widths[] = {40, 90, 90, 50, 40, 40, 40, 90, 40, 40, 50, 50};
    for (int i = 0; i < 12; ++i)
        m_lineList.InsertColumn(i, i < 7 ? CString(headings[i]) : m_strLineLabel[i - 7], LVCFMT_LEFT,
                                widths[i]);

    if (m_bItemFound) {
        m_tree.SelectItem(m_itemToSelect);
        m_tree.Expand(m_itemToSelect, TVE_EXPAND);
    }

    m_resize.Create(this, TRUE, 400);
    m_resize.Add(1009, 0, 0, 200, 200);
    m_resize.Add(1030, 0, 200, 400, 200);
    m_resize.Add(1033, 200, 0, 200, 200);
    for (int id : {1381, 1317, static_cast<int>(IDOK), static_cast<int>(IDCANCEL)})
        m_resize.Add(id, 100, 400, 0, 0);
    m_resize.SetMinimumTrackingSize();

    if (!m_bChangeHistory)
        GetDlgItem(1381)->EnableWindow(FALSE);
    return TRUE;
}

void CPartRevSelectDlg::LoadRevisions() {
    m_arrRevPaths.RemoveAll();
    m_arrRevNumbers.RemoveAll();
    ReadRevisionPaths(m_pConnection, m_nAdoCloseMode, PartRevisionPathsSql(m_strPartCode), m_arrRevPaths,
                      m_arrRevNumbers);
}

void CPartRevSelectDlg::FilterRevisionsByPath(const CString& path) {
    m_arrChildRevisions.RemoveAll();
    if (path.IsEmpty())
        m_arrTopRevisions.RemoveAll();
    m_nFoundCount = 0;
    for (int i = 0; i < m_arrRevPaths.GetSize(); ++i) {
        if (m_arrRevPaths[i] == path) {
            (path.IsEmpty() ? m_arrTopRevisions : m_arrChildRevisions).Add(m_arrRevNumbers[i]);
            ++m_nFoundCount;
        } else if (m_nFoundCount > 0) {
            break;
        }
    }
}

CTreeCursor CPartRevSelectDlg::InsertRevision(CTreeCursor parent, const CString& number) {
    const int image = number.CompareNoCase(m_strCurrentRev) == 0 ? 2 : 0;
    CTreeCursor item = m_tree.InsertItem(parent, GetNextRevision(number, 1), image);
    if (number.CompareNoCase(m_strInitialRevision) == 0) {
        m_itemToSelect = item;
        m_bItemFound = 1;
    }
    return item;
}

void CPartRevSelectDlg::BuildTree() {
    m_rootItem = m_tree.InsertItem(CTreeCursor(), "图纸 " + m_strPartCode + " 的版本信息...", 4);
    FilterRevisionsByPath("");
    if (m_arrTopRevisions.GetSize() == 0) {
        m_tree.InsertItem(m_rootItem, "无版本信息，请创建!", 6);
        m_nNoRevision = 1;
        GetDlgItem(IDOK)->EnableWindow(FALSE);
    } else {
        const CStringArray tops = m_arrTopRevisions;
        for (int i = 0; i < tops.GetSize(); ++i) {
            CTreeCursor item = InsertRevision(m_rootItem, tops[i]);
            m_strPathPrefix = tops[i];
            AddRevisionSubtree(item);
        }
    }
    m_tree.Expand(m_rootItem, TVE_EXPAND);
    m_tree.SelectItem(m_rootItem);
}

void CPartRevSelectDlg::AddRevisionSubtree(CTreeCursor item) {
    m_treeStack.Init();
    CString path = m_strPathPrefix + "\\";
    CTreeCursor parent = item;
    for (;;) {
        if (path.IsEmpty() && m_treeStack.IsEmpty())
            return;
        FilterRevisionsByPath(path);
        const CStringArray children = m_arrChildRevisions;
        const int count = static_cast<int>(children.GetSize());
        if (count == 0) {
            m_spareItem = m_treeStack.GetTop();
            parent = m_spareItem.m_cursor;
            path = m_spareItem.m_code;
            m_treeStack.Drop();
            continue;
        }
        for (int i = 0; i < count - 1; ++i) {
            CTreeCursor child = InsertRevision(parent, children[i]);
            m_treeStack.Push(child, path + children[i] + "\\", "", 0);
        }
        parent = InsertRevision(parent, children[count - 1]);
        path += children[count - 1] + "\\";
    }
}

void CPartRevSelectDlg::OnSelChangedTree(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    if (m_nNoRevision)
        return;
    CTreeCursor selected = m_tree.GetSelectedItem();
    if (!selected.m_item)
        return;
    m_strRevision = selected.GetText();
    if (m_strRevision.Find("版本信息") > 0)
        return;
    m_strRevision = GetNextRevision(m_strRevision, 2);
    m_strTableFamily = m_strRevision.CompareNoCase(m_strCurrentRev) == 0 ? "VqkorvelAll" : "VqkorvelVer";
    CWaitCursor wait;
    LoadTitle();
    LoadLines();
}

void CPartRevSelectDlg::LoadTitle() {
    for (int row = 0; row < m_titleList.GetItemCount(); ++row)
        m_titleList.SetItemText(row, 1, "");
    CString sql =
        "SELECT * FROM " + m_strTableFamily + "_title WHERE Tcode='" + SqlQuote(m_strPartCode) + "'";
    if (m_strTableFamily.CompareNoCase("VqkorvelVer") == 0)
        sql += " AND LateRev='" + SqlQuote(m_strRevision) + "'";
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            FieldsPtr fields = rs->GetFields();
            const long count = std::min<long>(27, fields->GetCount());
            int row = 0;
            for (long i = 0; i < count; ++i) {
                if (i >= 14 && i <= 16) // note, product and parameter drawing are not shown
                    continue;
                CString value = VariantToString(fields->GetItem(i)->GetValue());
                if (i == 19 || i == 20)
                    value = GetNextRevision(value, 1);
                m_titleList.SetItemText(row++, 1, value);
            }
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        GetDlgItem(IDOK)->EnableWindow(FALSE);
    }
}

void CPartRevSelectDlg::LoadLines() {
    m_lineList.DeleteAllItems();
    FreeLineRecords();
    CString sql = "SELECT Ditem,Dcode,Dname,Dmaterial,Dweight,Dtweight,Dquantity,"
                  "Dremark,Dstyle,Dstand,Dother1,Dother2 FROM " +
                  m_strTableFamily + "_detail WHERE UpCode='" + SqlQuote(m_strPartCode) + "'";
    if (m_strTableFamily.CompareNoCase("VqkorvelVer") == 0)
        sql += " AND ParentRev='" + SqlQuote(m_strRevision) + "'";
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            auto* record = new CItemText;
            CString texts[12];
            for (long i = 0; i < 12; ++i)
                texts[i] = VariantToString(rs->GetCollect(i));
            if (m_nDecimalQuantity) {
                texts[5] = texts[4];
                texts[6] = "1";
            }
            const int row = m_lineList.InsertItem(m_lineList.GetItemCount(), texts[0]);
            for (int i = 0; i < 12; ++i) {
                record->SetField(i, texts[i]);
                if (i > 0)
                    m_lineList.SetItemText(row, i, texts[i]);
            }
            m_lineList.SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
            m_arrLineRecords.Add(record);
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        GetDlgItem(IDOK)->EnableWindow(FALSE);
    }
    m_lineList.SortItems(&CompareItemNumbers, 0);
}

float CPartRevSelectDlg::SheetArea(const CString& size) {
    const int star = size.Find('*');
    if (size.IsEmpty() || star <= 0)
        return 0;
    const long long width = std::atoi(size.Left(star));
    const long long height = std::atoi(size.Mid(star + 1));
    return static_cast<float>(static_cast<double>(width * height / 31080) * 0.0625);
}

void CPartRevSelectDlg::OnOK() {
    if (m_strRevision.Find("版本信息") > 0) {
        AfxMessageBox("请选择版本号...");
        return;
    }
    // Rows are addressed by position: the labels of the configurable rows may repeat fixed ones.
    auto value = [this](int row) { return m_titleList.GetItemText(row, 1); };
    m_titleItem.m_strText1 = value(0);  // 图号
    m_titleItem.m_strText2 = value(1);  // 图名
    m_titleItem.m_strText3 = value(2);  // 材料
    m_titleItem.m_strText4 = value(14); // title label 1
    m_titleItem.m_strText5 = value(15); // title label 2
    m_titleItem.m_strText6 = value(4);  // 比例
    m_titleItem.m_strText7 = value(5);  // 图幅
    m_titleItem.m_strText8 = value(6);  // 尺寸
    m_titleItem.m_fNumber9 = SheetArea(value(6));
    m_titleItem.m_strText10 = value(19); // title labels 3, 4, 5
    m_titleItem.m_strText11 = value(20);
    m_titleItem.m_strText12 = value(21);
    m_titleItem.m_strText13 = GetNextRevision(value(16), 2); // 当前版本号

    m_arrLines.RemoveAll();
    for (int row = 0; row < m_lineList.GetItemCount(); ++row) {
        auto* line = new CProductStructItem;
        line->m_strOwnerCode = m_titleItem.m_strText1;
        line->m_strUpCode = m_titleItem.m_strText1;
        line->m_strUpName = m_titleItem.m_strText2;
        line->m_nItem = std::atoi(m_lineList.GetItemText(row, 0));
        line->m_strCode = m_lineList.GetItemText(row, 1);
        line->m_strName = m_lineList.GetItemText(row, 2);
        line->m_strMaterial = m_lineList.GetItemText(row, 3);
        line->m_dWeight = std::atof(m_lineList.GetItemText(row, 4));
        line->m_nQuantity = std::atoi(m_lineList.GetItemText(row, 6));
        line->m_nNumber17 = line->m_nQuantity;
        line->m_strRemark = m_lineList.GetItemText(row, 7);
        line->m_strStyle = m_lineList.GetItemText(row, 8);
        line->m_strStand = m_lineList.GetItemText(row, 9);
        line->m_strOther1 = m_lineList.GetItemText(row, 10);
        line->m_strOther2 = m_lineList.GetItemText(row, 11);
        line->m_nFlag24 = 1;
        line->m_nFlag26 = 0;
        m_arrLines.Add(line);
    }
    EndDialog(IDOK);
}

void CPartRevSelectDlg::OnWhereUsed() {
    CPartBorrowQueryDlg dlg(this);
    dlg.m_strPartCode = m_strPartCode;
    dlg.DoModal();
}

void CPartRevSelectDlg::OnChangeHistory() {
    vq::OpenPartChangeHistory(m_strPartCode, m_strRevision, 1);
}
