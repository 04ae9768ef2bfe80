#include "parts/PartSelectDlg.h"

#include "controls/ProgressWnd.h"
#include "core/ComError.h"
#include "core/ItemText.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/maker/CodingManager.h"
#include "platform/ui/DataExchange.h"

namespace {

const vq::DialogTemplate kPartSelectTemplate{
    "选择零部件",
    {vq::PushButton(1126, "图 号:"), vq::EditBox(1038, vq::kBeside), vq::Label("名 称:"),
     vq::EditBox(1199, vq::kBeside), vq::Label("产 品:"), vq::EditBox(1044, vq::kBeside),
     vq::DefPushButton(1244, "查询", vq::kBeside), vq::CheckBox(1007, "明细数据"),
     vq::Label("数据类型：", vq::kBeside), vq::DropDownList(1074, vq::kBeside),
     vq::ReportList(1051, vq::kFill), vq::PushButton(IDOK, "确定", vq::kNoLayoutFlags, WS_DISABLED),
     vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};
const vq::TemplateRegistration kRegistration(295, kPartSelectTemplate);

// The fields of the row records are separated by a character that no text holds.
constexpr char kFieldSeparator = '\x1f';

// Sort data: the column for ascending order, -column - 1 for descending order.
int CompareRows(LPARAM a, LPARAM b, LPARAM sortData) {
    const int column = static_cast<int>(sortData >= 0 ? sortData : -sortData - 1);
    const auto* left = reinterpret_cast<const CItemText*>(a);
    const auto* right = reinterpret_cast<const CItemText*>(b);
    if (!left || !right)
        return 0;
    const int result = left->GetField(column).CollateNoCase(right->GetField(column));
    return sortData >= 0 ? result : -result;
}

void AppendCondition(CString& where, const char* column, const CString& pattern) {
    if (pattern.IsEmpty())
        return;
    where += where.IsEmpty() ? " WHERE" : " AND";
    where.AppendFormat(" %s LIKE '%s'%s", column, SqlLikeWildcard(pattern), kSqlLikeEscape);
}

} // namespace

BEGIN_MESSAGE_MAP(CPartSelectDlg, CDialog)
    ON_BN_CLICKED(1244, &CPartSelectDlg::BuildWhere)
    ON_BN_CLICKED(1126, &CPartSelectDlg::OnNewCode)
    ON_CBN_CLOSEUP(1074, &CPartSelectDlg::SelectTables)
    ON_NOTIFY(LVN_COLUMNCLICK, 1051, &CPartSelectDlg::OnColumnClick)
    ON_NOTIFY(NM_DBLCLK, 1051, &CPartSelectDlg::OnDblClick)
END_MESSAGE_MAP()

CPartSelectDlg::CPartSelectDlg(CWnd* parent) : CDialog(295, parent) {}

CPartSelectDlg::~CPartSelectDlg() {
    FreeItemTexts();
}

void CPartSelectDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1051, m_list);
    DDX_Control(pDX, 1074, m_comboType);
    DDX_Text(pDX, 1038, m_strCode);
    DDX_Text(pDX, 1199, m_strName);
    DDX_Text(pDX, 1044, m_strProduct);
    DDX_Check(pDX, 1007, m_bDetail);
    DDX_CBIndex(pDX, 1074, m_nDataType);
}

BOOL CPartSelectDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // The entries of the drop-down list; the data exchange then selects m_nDataType.
    m_comboType.ResetContent();
    m_comboType.AddString("归档数据");
    m_comboType.AddString("工作数据");
    m_comboType.AddString("项目数据");
    m_comboType.SetCurSel(m_nDataType);
    m_imageArrows.Create(344, 16, 10, RGB(0, 0, 0));
    m_list.m_header.SetImageList(&m_imageArrows);
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    const std::pair<const char*, int> columns[] = {{"序号", 40},    {"图  号", 130}, {"名  称", 160},
                                                   {"其  他", 170}, {"总图号", 100}, {"材  料", 80},
                                                   {"重量", 40}};
    int i = 0;
    for (const auto& [text, width] : columns)
        m_list.InsertColumn(i++, text, LVCFMT_LEFT, width);
    m_list.m_header.SetColumnImage(0, 0);
    return TRUE;
}

void CPartSelectDlg::OnDestroy() {
    FreeItemTexts();
    CDialog::OnDestroy();
}

void CPartSelectDlg::FreeItemTexts() {
    DeleteItemTexts(m_arrItemTexts);
}

void CPartSelectDlg::SelectTables() {
    UpdateData(TRUE);
    switch (m_nDataType) {
    case 1:
        m_strTitleTable = "VqkorvelTeam_title";
        m_strDetailTable = "VqkorvelTeam_detail";
        break;
    case 2:
        m_strTitleTable = "VqkorvelTask_title";
        m_strDetailTable = "VqkorvelTask_detail";
        break;
    default:
        m_strTitleTable = "VqkorvelAll_title";
        m_strDetailTable = "VqkorvelAll_detail";
        break;
    }
}

CString CPartSelectDlg::MakeWhere(bool detail, const CString& code, const CString& name,
                                  const CString& product) {
    CString where;
    AppendCondition(where, detail ? "Dcode" : "Tcode", code);
    AppendCondition(where, detail ? "Dname" : "Tname", name);
    AppendCondition(where, "ProductDwgCode", product);
    return where;
}

void CPartSelectDlg::BuildWhere() {
    UpdateData(TRUE);
    m_strCode.Trim();
    m_strName.Trim();
    m_strProduct.Trim();
    m_strWhere = MakeWhere(m_bDetail != 0, m_strCode, m_strName, m_strProduct);

    CWaitCursor wait;
    m_nRowCount = 0;
    m_list.DeleteAllItems();
    FreeItemTexts();
    Search();
    m_nRowCount = m_list.GetItemCount();
    if (CWnd* ok = GetDlgItem(IDOK))
        ok->EnableWindow(m_nRowCount >= 1);
}

void CPartSelectDlg::Search() {
    CWaitCursor wait;
    CString sql;
    CString countSql;
    if (m_bDetail) {
        sql.Format("SELECT Dcode,Dname,Dstyle,ProductDwgCode,Dmaterial,Dweight FROM %s %s", m_strDetailTable,
                   m_strWhere);
        countSql.Format("SELECT count(*) FROM %s %s", m_strDetailTable, m_strWhere);
    } else {
        sql.Format("SELECT Tcode,Tname,Tother1,ProductDwgCode,Tmaterial,Tweight FROM %s %s", m_strTitleTable,
                   m_strWhere);
        countSql.Format("SELECT count(*) FROM %s %s", m_strTitleTable, m_strWhere);
    }
    if (!m_pConnection)
        return;
    const int total = theApp.GetSqlInt(countSql);

    CProgressWnd progress(nullptr, "正在进行");
    progress.SetRange(0, total, 1);
    progress.SetText("共定位到 %d 条符合条件的数据......\n\n      中止操作请按<取消>键...", total);
    _RecordsetPtr rs;
    try {
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        int row = 0;
        while (!rs->IsEOF()) {
            progress.SetText("共 %d 条，正读取第 %d 条......\n\n      中止操作请按<取消>键...", total,
                             row + 1);
            progress.StepIt();
            if (progress.PeekAndPump()) {
                progress.Hide();
                rs->Close();
                return;
            }
            auto* record = new CItemText;
            record->m_cSeparator = kFieldSeparator;
            m_arrItemTexts.Add(record);
            CString number;
            number.Format("%d", row + 1);
            record->SetField(0, number);
            for (long f = 0; f < 6; ++f)
                record->SetField(static_cast<int>(f) + 1, VariantToString(rs->GetCollect(f)));
            m_list.InsertItem(row, record->GetField(0));
            for (int c = 1; c <= 6; ++c)
                m_list.SetItemText(row, c, record->GetField(c));
            m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
            ++row;
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CPartSelectDlg::OnOK() {
    CStringArray* arrays[] = {&m_arrCode,    &m_arrName,     &m_arrOther,
                              &m_arrProduct, &m_arrMaterial, &m_arrWeight};
    for (CStringArray* a : arrays)
        a->RemoveAll();
    int first = -1;
    if (m_list.GetItemCount() > 0) {
        POSITION pos = m_list.GetFirstSelectedItemPosition();
        while (pos) {
            const int row = m_list.GetNextSelectedItem(pos);
            if (first < 0)
                first = row;
            for (int c = 0; c < 6; ++c)
                arrays[c]->Add(m_list.GetItemText(row, c + 1));
        }
    }
    if (first < 0) {
        AfxMessageBox("未选中任何内容...");
        return;
    }
    m_strSelCode = m_list.GetItemText(first, 1);
    m_strSelName = m_list.GetItemText(first, 2);
    m_strSelOther = m_list.GetItemText(first, 3);
    m_strSelProduct = m_list.GetItemText(first, 4);
    m_strSelMaterial = m_list.GetItemText(first, 5);
    m_strSelWeight = m_list.GetItemText(first, 6);
    EndDialog(IDOK);
}

void CPartSelectDlg::OnDblClick(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    if (m_list.GetItemCount() >= 1)
        OnOK();
}

void CPartSelectDlg::OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    const int column = reinterpret_cast<NMLISTVIEW*>(pNMHDR)->iSubItem;
    const bool ascending = m_list.m_header.GetColumnImage(column) != 0;
    for (int c = 0; c < m_list.GetColumnCount(); ++c)
        m_list.m_header.SetColumnImage(c, -1);
    m_list.m_header.SetColumnImage(column, ascending ? 0 : 1);
    CWaitCursor wait;
    m_list.SortItems(&CompareRows, static_cast<DWORD_PTR>(ascending ? column : -column - 1));
}

void CPartSelectDlg::OnNewCode() {
    vq::CodingManager& manager = vq::ActiveCodingManager();
    if (!manager.IsLoaded())
        return;
    if (!manager.HasVersionExport()) {
        AfxMessageBox("功能进行了升级，请更新Vqpdmcod.dll的版本...");
        return;
    }
    CString code;
    manager.NewCode(code);
    if (code.IsEmpty())
        return;
    UpdateData(TRUE);
    m_strCode = code;
    UpdateData(FALSE);
}
