#include "parts/ProductSelectDlg.h"

#include "core/ComError.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/ui/DataExchange.h"

namespace {

const vq::DialogTemplate kProductSelectTemplate{
    "选择产品",
    {vq::Label("总图号:", vq::kNoLayoutFlags, 0, 1252), vq::EditBox(1076, vq::kBeside),
     vq::RadioButton(1007, "显示所有", true, vq::kHidden),
     vq::RadioButton(1050, "显示型号", false, vq::kBeside | vq::kHidden), vq::ReportList(1003, vq::kFill),
     vq::PushButton(1236, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

// The fields of the row records are separated by a character that no text holds.
constexpr char kFieldSeparator = '\x1f';

int CompareRows(LPARAM a, LPARAM b, LPARAM sortData) {
    int column = static_cast<int>(sortData >= 0 ? sortData : -sortData - 1);
    const auto* left = reinterpret_cast<const CItemText*>(a);
    const auto* right = reinterpret_cast<const CItemText*>(b);
    if (!left || !right)
        return 0;
    int result = left->GetField(column).CollateNoCase(right->GetField(column));
    return sortData >= 0 ? result : -result;
}

} // namespace

BEGIN_MESSAGE_MAP(CProductSelectDlg, CDialog)
    ON_BN_CLICKED(1236, &CProductSelectDlg::OnOkButton)
    ON_BN_CLICKED(1007, &CProductSelectDlg::OnShowModeChanged)
    ON_BN_CLICKED(1050, &CProductSelectDlg::OnShowModeChanged)
    ON_EN_CHANGE(1076, &CProductSelectDlg::OnSearchChanged)
    ON_NOTIFY(LVN_COLUMNCLICK, 1003, &CProductSelectDlg::OnColumnClick)
    ON_NOTIFY(LVN_ITEMCHANGED, 1003, &CProductSelectDlg::OnItemChanged)
    ON_NOTIFY(NM_DBLCLK, 1003, &CProductSelectDlg::OnDblClick)
END_MESSAGE_MAP()

CProductSelectDlg::CProductSelectDlg(CWnd* parent) : CDialog(kProductSelectTemplate, parent) {}

CProductSelectDlg::~CProductSelectDlg() {
    FreeItemTexts();
}

void CProductSelectDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1003, m_list);
    DDX_Control(pDX, 1076, m_editSearch);
    DDX_Text(pDX, 1076, m_strSearch);
    DDX_Radio(pDX, 1007, m_nShowMode);
}

void CProductSelectDlg::FreeItemTexts() {
    DeleteItemTexts(m_arrItemTexts);
}

CItemText* CProductSelectDlg::NewItemText(const std::vector<CString>& fields) {
    auto* record = new CItemText;
    record->m_cSeparator = kFieldSeparator;
    for (std::size_t i = 0; i < fields.size(); ++i)
        record->SetField(static_cast<int>(i), fields[i]);
    m_arrItemTexts.Add(record);
    return record;
}

BOOL CProductSelectDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    if (m_strLoginUser.IsEmpty())
        m_strLoginUser = theApp.m_strLoginUser;
    if (!m_bMultiSelect)
        m_list.ModifyStyle(0, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS);

    m_nProductRight = atoi(ReadSetting("系统权限配置", "产品权限", "0"));
    if (m_nProductRight != 0 && m_strLoginUser.CompareNoCase("admin") != 0)
        m_nRightMode = 2;

    m_imageArrows.Create(344, 16, 10, RGB(0, 0, 0));
    m_list.m_header.SetImageList(&m_imageArrows);
    m_imageRows.Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1);
    if (HICON icon = vq::LoadIconResource((m_nMode == 1 || m_nMode == 2) ? 6007 : 158))
        m_imageRows.Add(icon);
    m_list.SetImageList(&m_imageRows, LVSIL_SMALL);
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);

    CString caption;
    auto columns = [&](std::initializer_list<std::pair<const char*, int>> list) {
        int i = 0;
        for (const auto& [text, width] : list)
            m_list.InsertColumn(i++, text, LVCFMT_LEFT, width);
    };
    auto hideSearch = [&] {
        if (CWnd* label = GetDlgItem(1252))
            label->ShowWindow(SW_HIDE);
        m_editSearch.ShowWindow(SW_HIDE);
    };
    switch (m_nMode) {
    case 0:
        caption = "选择产品";
        SetDlgItemText(1252, "总图号:");
        columns({{"总装图号", 120}, {"产品名称", 140}, {"产品型号", 110}, {"产品规格", 110}});
        if (!m_strFilterStyle.IsEmpty()) {
            GetDlgItem(1007)->ShowWindow(SW_SHOW);
            GetDlgItem(1050)->ShowWindow(SW_SHOW);
            m_nShowMode = 1;
            CheckRadioButton(1007, 1050, 1050);
        }
        FillProducts();
        AskShowAll();
        SortByColumn(0, true);
        for (int i = 0; i < m_list.GetItemCount(); ++i) {
            if (m_list.GetItemText(i, 0).CompareNoCase(m_strCode) == 0) {
                m_nCurrent = i;
                break;
            }
        }
        if (m_nRightMode == 2)
            caption.Format("选择产品 - [%s]控制", m_strLoginUser);
        break;
    case 1:
        caption = "选择项目";
        SetDlgItemText(1252, "项目编号:");
        columns({{"项目编号", 120}, {"项目名称", 160}, {"负责人", 100}, {"完成日期", 110}});
        FillFromStatement(
            "SELECT ProjectNo, ProjectName, ProjectManager, PreendedTime FROM ProjectManage WHERE "
            "ProjectPath='项目管理'",
            {0, 1, 2, 3}, true);
        break;
    case 2:
        caption = "选择项目模板";
        SetDlgItemText(1252, "项目编号:");
        columns({{"项目编号", 120}, {"项目名称", 160}, {"创建人", 100}, {"创建日期", 110}});
        FillFromStatement(
            "SELECT ProjectNo, ProjectName, ProjectManager, PreendedTime FROM ProjectTemplet WHERE "
            "ProjectPath='项目管理' ORDER BY ProjectName",
            {0, 1, 2, 3}, true);
        break;
    case 3:
        // No table supplies work-order numbers: the list stays empty.
        caption = "选择施工单号";
        SetDlgItemText(1252, "施工单号:");
        columns({{"施工单号", 110}, {"产品名称", 140}, {"所属产品", 100}, {"备注", 110}});
        m_list.DeleteAllItems();
        FreeItemTexts();
        m_nRowCount = 0;
        break;
    case 4:
        caption = "选择报表";
        hideSearch();
        columns({{"报表名称", 120}, {"模板图名", 100}, {"第二页有无标题栏", 120}, {"行数", 60}});
        FillFromStatement("SELECT * FROM Report", {0, 1, 2, 4}, false);
        m_nCurrent = -1;
        break;
    case 5: {
        caption = "选择视图";
        hideSearch();
        columns({{"视图名称", 130}, {"视图提示", 130}, {"备注", 120}});
        FillFromStatement("Select ViewName, ViewPrompt From ViewManage", {0, 1}, false);
        // The fixed views come first; the stored ones follow as "用户定义".
        const char* fixed[3][3] = {{"设计视图", "所有产品信息...", "系统设置"},
                                   {"产品视图", "所有产品组信息...", "系统设置"},
                                   {"零部件视图", "所有零部件信息...", "系统设置"}};
        for (int i = 0; i < m_list.GetItemCount(); ++i) {
            if (m_list.GetItemText(i, 1).IsEmpty())
                m_list.SetItemText(i, 1, "未指定提示符...");
            m_list.SetItemText(i, 2, "用户定义");
        }
        for (int i = 2; i >= 0; --i) {
            m_list.InsertItem(0, fixed[i][0], 0);
            m_list.SetItemText(0, 1, fixed[i][1]);
            m_list.SetItemText(0, 2, fixed[i][2]);
        }
        m_nCurrent = -1;
        for (int i = 0; i < m_list.GetItemCount(); ++i) {
            if (m_list.GetItemText(i, 0).CompareNoCase(m_strCode) == 0) {
                m_nCurrent = i;
                break;
            }
        }
        m_nRowCount = m_list.GetItemCount();
        break;
    }
    default: {
        caption = "选择工程表格名称";
        hideSearch();
        columns({{"表格名称", 130}, {"对应图纸图号", 130}, {"所在产品", 120}});
        CString sql;
        sql.Format("Select ContentName, TCode, Other1 From VqEngineerTable WHERE TCode='%s'",
                   SqlQuote(m_strDrawingCode));
        FillFromStatement(sql, {0, 1, 2}, false);
        break;
    }
    }

    RebuildItemData();
    m_nRowCount = m_list.GetItemCount();
    CString count;
    count.Format(" 共 %d 项", m_nRowCount);
    SetWindowText(caption + count);

    if (m_nCurrent < 0)
        m_nCurrent = 0;
    SelectRow(m_nCurrent, true);
    for (int c = 0; c < m_list.GetColumnCount(); ++c)
        m_list.m_header.SetColumnImage(c, c == 0 ? 0 : -1);
    m_nSortColumn = 0;
    return TRUE;
}

void CProductSelectDlg::RebuildItemData() {
    for (int i = 0; i < m_list.GetItemCount(); ++i) {
        std::vector<CString> fields;
        for (int c = 0; c < m_list.GetColumnCount(); ++c)
            fields.push_back(m_list.GetItemText(i, c));
        m_list.SetItemData(i, reinterpret_cast<DWORD_PTR>(NewItemText(fields)));
    }
}

void CProductSelectDlg::FillFromStatement(const CString& sql, const std::vector<int>& fields,
                                          bool matchName) {
    m_list.DeleteAllItems();
    FreeItemTexts();
    m_nRowCount = 0;
    if (!m_pConnection)
        return;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            int row = m_list.GetItemCount();
            std::vector<CString> texts;
            for (int f : fields)
                texts.push_back(VariantToString(rs->GetCollect(static_cast<long>(f))));
            m_list.InsertItem(row, texts[0], 0);
            for (std::size_t c = 1; c < texts.size(); ++c)
                m_list.SetItemText(row, static_cast<int>(c), texts[c]);
            if (!m_strCode.IsEmpty() &&
                (texts[0].CompareNoCase(m_strCode) == 0 ||
                 (matchName && texts.size() > 1 && texts[1].CompareNoCase(m_strCode) == 0)))
                m_nCurrent = row;
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    m_nRowCount = m_list.GetItemCount();
}

void CProductSelectDlg::LoadRights() {
    LoadControlledProducts(m_pConnection, m_strLoginUser, m_arrRightCodes);
}

namespace {
// Appends the first column of every row of the statement; a database error propagates.
void AppendFirstColumn(const _ConnectionPtr& connection, const CString& sql, CStringArray& codes) {
    _RecordsetPtr rs;
    rs.CreateInstance();
    rs->Open(sql, connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
    while (!rs->IsEOF()) {
        codes.Add(VariantToString(rs->GetCollect(0L)));
        rs->MoveNext();
    }
    rs->Close();
}
} // namespace

void CProductSelectDlg::LoadControlledProducts(const _ConnectionPtr& connection, const CString& login,
                                               CStringArray& codes) {
    codes.RemoveAll();
    CString sql;
    try {
        sql.Format("SELECT ProductDwgCode FROM ProductRight WHERE UserLogName='%s' AND ManageType='控制'",
                   SqlQuote(login));
        AppendFirstColumn(connection, sql, codes);
    } catch (_com_error& e) {
        ReportComError(e);
        return;
    }
    try {
        sql.Format(
            "SELECT ProductDwgCode FROM Product WHERE ProductStyle IN (SELECT ProductStyle FROM ProductGroup "
            "WHERE Manager='%s')",
            SqlQuote(login));
        AppendFirstColumn(connection, sql, codes);
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
    }
}

void CProductSelectDlg::FillProducts() {
    if (m_nRightMode == 2)
        LoadRights();
    CString sql = "SELECT ProductDwgCode,ProductName,ProductStyle,ProductStand FROM Product";
    if (m_nShowMode == 1 && !m_strFilterStyle.IsEmpty()) {
        if (m_strFilterStand.IsEmpty())
            sql.AppendFormat(" WHERE ProductStyle='%s'", SqlQuote(m_strFilterStyle));
        else
            sql.AppendFormat(" WHERE ProductStyle='%s' AND ProductStand='%s'", SqlQuote(m_strFilterStyle),
                             SqlQuote(m_strFilterStand));
    }
    m_list.DeleteAllItems();
    FreeItemTexts();
    m_nRowCount = 0;
    if (!m_pConnection)
        return;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            std::vector<CString> texts;
            for (long f = 0; f < 4; ++f)
                texts.push_back(VariantToString(rs->GetCollect(f)));
            CItemText* record = NewItemText(texts);
            bool allowed = m_nRightMode != 2;
            for (int i = 0; !allowed && i < m_arrRightCodes.GetSize(); ++i)
                allowed = m_arrRightCodes[i].CompareNoCase(texts[0]) == 0;
            if (allowed) {
                int row = m_list.GetItemCount();
                m_list.InsertItem(row, texts[0], 0);
                for (int c = 1; c < 4; ++c)
                    m_list.SetItemText(row, c, texts[static_cast<std::size_t>(c)]);
                m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
                if (!m_strCode.IsEmpty() && texts[0].CompareNoCase(m_strCode) == 0)
                    m_nCurrent = row;
            }
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    m_nRowCount = m_list.GetItemCount();
}

void CProductSelectDlg::AskShowAll() {
    if (!m_bAskShowAll || (m_strStyle.IsEmpty() && m_strStand.IsEmpty()))
        return;
    if (m_list.GetItemCount() > 0 &&
        vq::ShowMessageBox("操作提示", "是否显示所有产品信息?", MB_YESNO | MB_ICONQUESTION) == IDYES)
        return;
    for (int i = m_list.GetItemCount() - 1; i >= 0; --i) {
        bool keep = m_list.GetItemText(i, 2).CompareNoCase(m_strStyle) == 0;
        if (keep && !m_strStand.IsEmpty())
            keep = m_list.GetItemText(i, 3).CompareNoCase(m_strStand) == 0;
        if (!keep)
            m_list.DeleteItem(i);
    }
    m_nRowCount = m_list.GetItemCount();
}

void CProductSelectDlg::SortByColumn(int column, bool ascending) {
    CWaitCursor wait;
    m_list.SortItems(&CompareRows, static_cast<DWORD_PTR>(ascending ? column : -column - 1));
}

void CProductSelectDlg::SelectRow(int row, bool deselectOthers) {
    if (deselectOthers)
        m_list.SetItemState(-1, 0, LVIS_SELECTED);
    if (row < 0 || row >= m_list.GetItemCount())
        return;
    m_list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    m_list.EnsureVisible(row, FALSE);
    m_nCurrent = row;
}

void CProductSelectDlg::OnShowModeChanged() {
    UpdateData(TRUE);
    if (m_nMode != 0)
        return;
    FillProducts();
    AskShowAll();
    RebuildItemData();
    m_nRowCount = m_list.GetItemCount();
}

void CProductSelectDlg::OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
    auto* info = reinterpret_cast<NMLISTVIEW*>(pNMHDR);
    *pResult = 0;
    int column = info->iSubItem;
    m_nSortColumn = column;
    int image = m_list.m_header.GetColumnImage(column);
    bool ascending = image != 0; // no arrow or the descending arrow: ascending
    m_editSearch.EnableWindow(column == 0 && ascending);
    for (int c = 0; c < 4 && c < m_list.GetColumnCount(); ++c)
        m_list.m_header.SetColumnImage(c, -1);
    m_list.m_header.SetColumnImage(column, ascending ? 0 : 1);
    SortByColumn(column, ascending);
    POSITION pos = m_list.GetFirstSelectedItemPosition();
    if (pos)
        m_nCurrent = m_list.GetNextSelectedItem(pos);
    if (m_nCurrent >= 0 && m_nCurrent < m_list.GetItemCount())
        m_list.EnsureVisible(m_nCurrent, FALSE);
}

void CProductSelectDlg::OnItemChanged(NMHDR* pNMHDR, LRESULT* pResult) {
    auto* info = reinterpret_cast<NMLISTVIEW*>(pNMHDR);
    if (info->iItem >= 0 && (info->uNewState & LVIS_FOCUSED))
        m_nCurrent = info->iItem;
    *pResult = 0;
}

void CProductSelectDlg::OnDblClick(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    OnOkButton();
}

void CProductSelectDlg::OnSearchChanged() {
    Search();
}

void CProductSelectDlg::Search() {
    if (m_nSortColumn != 0 || m_list.GetItemCount() == 0)
        return;
    GetDlgItemText(1076, m_strSearch);
    if (m_strSearch.CollateNoCase(m_list.GetItemText(0, 0)) <= 0) {
        SelectRow(0, true);
        return;
    }
    int row = m_list.GetItemCount() - 1;
    for (int i = 1; i < m_list.GetItemCount(); ++i) {
        if (m_list.GetItemText(i, 0).CollateNoCase(m_strSearch) >= 0) {
            row = i;
            break;
        }
    }
    SelectRow(row, true);
}

// Enter: a search while the list is sorted by column 0; otherwise the same as the OK button,
// so that IDOK always comes with the chosen row in the result members.
void CProductSelectDlg::OnOK() {
    if (m_nSortColumn == 0 && GetFocus() == &m_editSearch) {
        Search();
        return;
    }
    OnOkButton();
}

void CProductSelectDlg::OnOkButton() {
    m_arrCodes.RemoveAll();
    m_arrNames.RemoveAll();
    m_arrStyles.RemoveAll();
    m_arrStands.RemoveAll();
    int first = -1;
    for (int i = 0; i < m_list.GetItemCount(); ++i) {
        if (!(m_list.GetItemState(i, LVIS_SELECTED) & LVIS_SELECTED))
            continue;
        if (first < 0)
            first = i;
        m_arrCodes.Add(m_list.GetItemText(i, 0));
        m_arrNames.Add(m_list.GetItemText(i, 1));
        m_arrStyles.Add(m_list.GetItemText(i, 2));
        m_arrStands.Add(m_list.GetItemText(i, 3));
    }
    if (first < 0) {
        AfxMessageBox("请选择列表内容...");
        return;
    }
    m_strCode = m_list.GetItemText(first, 0);
    m_strName = m_list.GetItemText(first, 1);
    m_strStyle = m_list.GetItemText(first, 2);
    m_strStand = m_list.GetItemText(first, 3);
    EndDialog(IDOK);
}

void CProductSelectDlg::OnDestroy() {
    CDialog::OnDestroy();
    m_list.DeleteAllItems();
    FreeItemTexts();
}
