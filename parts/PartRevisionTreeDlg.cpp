#include "parts/PartRevisionTreeDlg.h"
#include "parts/ChangeOrderSheet.h"
#include "parts/RevisionPaths.h"

#include "controls/DocViewLauncher.h"
#include "core/ComError.h"
#include "core/DialogSeams.h"
#include "core/InstallPath.h"
#include "core/ItemText.h"
#include "core/Revision.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "parts/DwgDetailDlg.h"
#include "parts/PartBorrowQueryDlg.h"
#include "parts/PartBrowseRight.h"
#include "parts/RevisionDocumentList.h"
#include "platform/base/Folders.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ftp/FtpConnection.h"
#include "platform/maker/FileStore.h"
#include "platform/ui/DC.h"
#include "platform/ui/DataExchange.h"

namespace {

const vq::DialogTemplate kPartRevisionTreeTemplate{
    "浏览图号版本信息",
    {vq::Tree(1009, vq::kFill), vq::Label("当前版本"),
     vq::EditBox(1001, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY), vq::Label("最新版本", vq::kBeside),
     vq::EditBox(1228, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::CheckBox(1013, "浏览文档", vq::kBeside),
     vq::ReportList(1382, vq::kNoLayoutFlags, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
     vq::ReportList(1172, vq::kFill, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
     vq::PushButton(1077, "版本属性"), vq::PushButton(1317, "使用性...", vq::kBeside),
     vq::PushButton(1381, "更改历史...", vq::kBeside), vq::DefPushButton(IDOK, "结束", vq::kBeside)}};

constexpr COLORREF kMagenta = RGB(255, 0, 255);

// The single-value reads of the dialog: the first field of the first row, empty without a row.
// Database errors are shown by the application's SQL service.
CString SingleValue(const CString& sql) {
    return theApp.GetSqlString(sql);
}

} // namespace

BEGIN_MESSAGE_MAP(CPartRevisionTreeDlg, CDialog)
    ON_NOTIFY(TVN_SELCHANGED, 1009, &CPartRevisionTreeDlg::OnSelChangedTree)
    ON_NOTIFY(LVN_ITEMCHANGED, 1172, &CPartRevisionTreeDlg::OnItemChangedDocuments)
    ON_BN_CLICKED(1013, &CPartRevisionTreeDlg::OnBrowseDocument)
    ON_BN_CLICKED(1077, &CPartRevisionTreeDlg::OnRevisionProperties)
    ON_BN_CLICKED(1317, &CPartRevisionTreeDlg::OnWhereUsed)
    ON_BN_CLICKED(1381, &CPartRevisionTreeDlg::OnChangeHistory)
    ON_NOTIFY(NM_DBLCLK, 1382, &CPartRevisionTreeDlg::OnDblClkChangeOrders)
    ON_MESSAGE(WM_USER + 10, &CPartRevisionTreeDlg::OnUncheckBrowse)
END_MESSAGE_MAP()

CPartRevisionTreeDlg::CPartRevisionTreeDlg(CWnd* parent) : CDialog(kPartRevisionTreeTemplate, parent) {
    m_treeStack.Init();
}

CPartRevisionTreeDlg::~CPartRevisionTreeDlg() {
    FreeRecords();
}

void CPartRevisionTreeDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1382, m_listChangeOrders);
    DDX_Control(pDX, 1172, m_listDocuments);
    DDX_Control(pDX, 1009, m_treeRevisions);
    DDX_Text(pDX, 1001, m_strCurrentRevText);
    DDX_Text(pDX, 1228, m_strLatestRevText);
    DDX_Check(pDX, 1013, m_bBrowseDocument);
}

void CPartRevisionTreeDlg::FreeRecords() {
    for (CObject* p : m_arrDocuments)
        delete p;
    m_arrDocuments.RemoveAll();
    DeleteItemTexts(m_arrChangeOrderRows);
}

void CPartRevisionTreeDlg::PostNcDestroy() {
    m_arrChildRevisions.RemoveAll();
    m_arrTopRevisions.RemoveAll();
    m_arrRevPaths.RemoveAll();
    m_arrRevNumbers.RemoveAll();
    m_arrRowFileNames.RemoveAll();
    FreeRecords();
    CDialog::PostNcDestroy();
}

BOOL CPartRevisionTreeDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_pFtpConnection = theApp.m_pFtpConnection;
    if (!m_pFtpConnection)
        GetDlgItem(1013)->EnableWindow(FALSE);
    GetDlgItem(1077)->EnableWindow(FALSE);

    m_treeImages.Create(130, 16, 0, kMagenta);
    m_treeImages.SetBkColor(::GetSysColor(COLOR_WINDOW));
    m_treeRevisions.SetImageList(&m_treeImages, TVSIL_NORMAL);

    ResolveBorrowedPart();

    CString sql;
    bool titleFound = false;
    sql.Format("SELECT Tname, CurrentRev, LateRev From VqkorvelAll_title WHERE Tcode='%s'",
               SqlQuote(m_strPartCode));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            m_strPartName = VariantToString(rs->GetCollect(0L));
            m_strCurrentRev = VariantToString(rs->GetCollect(1L));
            m_strLatestRev = VariantToString(rs->GetCollect(2L));
            titleFound = true;
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    m_strCurrentRevText = GetNextRevision(m_strCurrentRev, 1);
    m_strLatestRevText = GetNextRevision(m_strLatestRev, 1);

    // A part that has a title row but no revision yet gets its first revision recorded.
    sql.Format("SELECT count(*) FROM PartRevManage WHERE PartCode='%s'", SqlQuote(m_strPartCode));
    if (theApp.GetSqlInt(sql) <= 0 && titleFound) {
        sql.Format("INSERT INTO PartRevManage (PartCode, RevPath, RevNumber, CreateDate, ModifiedDate) "
                   "VALUES('%s','%s','%s','%s','%s')",
                   SqlQuote(m_strPartCode), "", SqlQuote(m_strCurrentRev),
                   SqlQuote(theApp.GetServerDateTime()), "");
        theApp.ExecuteSql(sql);
    }

    LoadPartRevisions();
    BuildRevisionTree();
    m_nBuilding = 0;

    m_listDocuments.SetImageList(CSysImageList::GetImageList(FALSE), LVSIL_NORMAL);
    m_listDocuments.SetImageList(CSysImageList::GetImageList(TRUE), LVSIL_SMALL);
    m_listDocuments.SetExtendedStyle(m_listDocuments.GetExtendedStyle() | LVS_EX_GRIDLINES |
                                     LVS_EX_FULLROWSELECT);
    m_listChangeOrders.SetExtendedStyle(m_listChangeOrders.GetExtendedStyle() | LVS_EX_GRIDLINES |
                                        LVS_EX_FULLROWSELECT);
    m_listDocuments.InsertColumn(0, "文档说明", LVCFMT_LEFT, 90);
    m_listDocuments.InsertColumn(1, "文档类型", LVCFMT_LEFT, 120);
    m_listDocuments.InsertColumn(2, "文件大小", LVCFMT_LEFT, 80);
    m_listDocuments.InsertColumn(3, "创建日期", LVCFMT_LEFT, 125);
    m_listDocuments.InsertColumn(4, "备注", LVCFMT_LEFT, 120);
    m_listChangeOrders.InsertColumn(0, "更改单编号", LVCFMT_LEFT, 155);
    m_listChangeOrders.InsertColumn(1, "入库", LVCFMT_LEFT, 50);

    LoadDocuments();
    UpdateData(FALSE);
    m_nCheckRights = ReadSettingInt("系统权限配置", "数据权限", "0");
    return TRUE;
}

void CPartRevisionTreeDlg::ResolveBorrowedPart() {
    CString sql;
    sql.Format("SELECT BorrowedCode FROM BorrowingRelation WHERE Code='%s'", SqlQuote(m_strPartCode));
    CString value = SingleValue(sql);
    if (!value.IsEmpty())
        m_strPartCode = value;
    sql.Format("SELECT ProductCode FROM BorrowedParts WHERE PartCode='%s'", SqlQuote(m_strPartCode));
    value = SingleValue(sql);
    if (!value.IsEmpty())
        m_strProductCode = value;
    if (m_strProductCode.IsEmpty()) {
        sql.Format("SELECT ProductDwgCode FROM VqkorvelAll_title WHERE TCode='%s'", SqlQuote(m_strPartCode));
        value = SingleValue(sql);
        if (!value.IsEmpty())
            m_strProductCode = value;
    }
    m_strCurrentRev = "A";
    sql.Format("SELECT CurrentRev FROM VqkorvelAll_title WHERE TCode='%s' AND ProductDwgCode='%s'",
               SqlQuote(m_strPartCode), SqlQuote(m_strProductCode));
    value = SingleValue(sql);
    if (!value.IsEmpty())
        m_strCurrentRev = value;
}

void CPartRevisionTreeDlg::LoadPartRevisions() {
    m_arrRevPaths.RemoveAll();
    m_arrRevNumbers.RemoveAll();
    ReadRevisionPaths(m_pConnection, m_nAdoCloseMode, PartRevisionPathsSql(m_strPartCode), m_arrRevPaths,
                      m_arrRevNumbers);
}

void CPartRevisionTreeDlg::InsertRevision(CTreeCursor parent, const CString& number, CTreeCursor* inserted) {
    const int image = number.CompareNoCase(m_strCurrentRev) == 0 ? 2 : 0;
    *inserted = m_treeRevisions.InsertItem(parent, GetNextRevision(number, 1), image);
}

void CPartRevisionTreeDlg::BuildRevisionTree() {
    m_treeRevisions.DeleteAllItems();
    m_rootItem = m_treeRevisions.InsertItem(CTreeCursor(), "图号 " + m_strPartCode + " 的版本信息...", 4);
    FilterRevisionsByPath("");
    if (m_arrTopRevisions.GetSize() == 0) {
        m_nNoRevision = 1;
        m_treeRevisions.InsertItem(m_rootItem, "该图号对应的图档未入库...", 6);
    } else {
        const CStringArray tops = m_arrTopRevisions;
        for (int i = 0; i < tops.GetSize(); ++i) {
            CTreeCursor item;
            InsertRevision(m_rootItem, tops[i], &item);
            m_strPathPrefix = tops[i];
            AddRevisionSubtree(item);
        }
    }
    m_treeRevisions.Expand(m_rootItem, TVE_EXPAND);
    m_treeRevisions.SelectItem(m_rootItem);
}

void CPartRevisionTreeDlg::FilterRevisionsByPath(const CString& path) {
    m_arrChildRevisions.RemoveAll();
    if (path.IsEmpty())
        m_arrTopRevisions.RemoveAll();
    m_nFoundCount = 0;
    for (int i = 0; i < m_arrRevPaths.GetSize(); ++i) {
        if (m_arrRevPaths[i] == path) {
            if (path.IsEmpty())
                m_arrTopRevisions.Add(m_arrRevNumbers[i]);
            else
                m_arrChildRevisions.Add(m_arrRevNumbers[i]);
            ++m_nFoundCount;
        } else if (m_nFoundCount > 0) {
            break; // equal paths stand together
        }
    }
}

void CPartRevisionTreeDlg::AddRevisionSubtree(CTreeCursor item) {
    m_treeStack.Init();
    CString path = m_strPathPrefix + "\\";
    CTreeCursor parent = item;
    for (;;) {
        if (path.IsEmpty() && m_treeStack.IsEmpty())
            return;
        FilterRevisionsByPath(path);
        const int count = static_cast<int>(m_arrChildRevisions.GetSize());
        if (count == 0) {
            m_spareItem = m_treeStack.GetTop();
            parent = m_spareItem.m_cursor;
            path = m_spareItem.m_code;
            m_treeStack.Drop();
            continue;
        }
        const CStringArray children = m_arrChildRevisions;
        for (int i = 0; i < count - 1; ++i) {
            CTreeCursor child;
            InsertRevision(parent, children[i], &child);
            m_treeStack.Push(child, path + children[i] + "\\", "", 0);
        }
        CTreeCursor last;
        InsertRevision(parent, children[count - 1], &last);
        parent = last;
        path += children[count - 1] + "\\";
    }
}

void CPartRevisionTreeDlg::LoadDocuments() {
    CString sql;
    sql.Format("SELECT DocumentType,FileName,FileType,FileBulk,FileDate,FileRemark,RevNumber FROM Documents "
               "WHERE Code='%s'",
               SqlQuote(m_strPartCode));
    ReadDocumentItems(m_pConnection, m_nAdoCloseMode, sql, m_arrDocuments);
}

void CPartRevisionTreeDlg::OnSelChangedTree(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    if (m_nBuilding || m_nNoRevision)
        return;
    CTreeCursor selected = m_treeRevisions.GetSelectedItem();
    if (!selected.m_item)
        return;
    const CString text = selected.GetText();
    if (text.Find("版本信息") > 0) {
        GetDlgItem(1077)->EnableWindow(FALSE);
        return;
    }
    GetDlgItem(1077)->EnableWindow(TRUE);
    m_strChosenRevision = GetNextRevision(text, 2);
    FillChangeOrderList(m_strChosenRevision);
    FillDocumentList(m_strChosenRevision);
}

void CPartRevisionTreeDlg::FillChangeOrderList(const CString& revision) {
    CWaitCursor wait;
    m_listChangeOrders.DeleteAllItems();
    DeleteItemTexts(m_arrChangeOrderRows);
    CString sql;
    sql.Format("SELECT ECONo, IsChanged FROM ECOPartRelease WHERE ECOGroup='修改单' AND PartCode='%s' AND "
               "(RevNo='%s' OR RevNo IS NULL)",
               SqlQuote(m_strPartCode), SqlQuote(revision));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            auto* item = new CItemText;
            item->SetField(0, VariantToString(rs->GetCollect(0L)));
            item->SetField(1, VariantToString(rs->GetCollect(1L)) == "是" ? "√" : "");
            const int row =
                m_listChangeOrders.InsertItem(m_listChangeOrders.GetItemCount(), item->GetField(0));
            m_listChangeOrders.SetItemText(row, 1, item->GetField(1));
            m_listChangeOrders.SetItemData(row, reinterpret_cast<DWORD_PTR>(item));
            m_arrChangeOrderRows.Add(item);
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
    }
}

void CPartRevisionTreeDlg::FillDocumentList(const CString& revision) {
    CWaitCursor wait;
    m_nFilling = 1;
    FillRevisionDocumentList(m_listDocuments, m_arrDocuments, revision, m_arrRowFileNames);
    m_nFilling = 0;
    m_nCurrentDocRow = -1;
    if (m_listDocuments.GetItemCount() == 0) {
        GetDlgItem(1013)->EnableWindow(FALSE);
        return;
    }
    if (m_pFtpConnection)
        GetDlgItem(1013)->EnableWindow(TRUE);
    m_listDocuments.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void CPartRevisionTreeDlg::OnItemChangedDocuments(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    if (m_nFilling)
        return;
    const auto* info = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
    if (info->iItem < 0 || info->iItem == m_nCurrentDocRow)
        return;
    if (!(info->uNewState & LVIS_SELECTED))
        return;
    m_nCurrentDocRow = info->iItem;
    if (m_bBrowseDocument)
        OpenReleasedDocument();
}

void CPartRevisionTreeDlg::OnBrowseDocument() {
    UpdateData(TRUE);
    if (m_bBrowseDocument)
        OpenReleasedDocument();
}

LRESULT CPartRevisionTreeDlg::OnUncheckBrowse(WPARAM, LPARAM) {
    UpdateData(TRUE);
    m_bBrowseDocument = FALSE;
    UpdateData(FALSE);
    return 1;
}

void CPartRevisionTreeDlg::OpenReleasedDocument() {
    if (m_nCurrentDocRow < 0 || m_nCurrentDocRow >= m_arrRowFileNames.GetSize())
        return;
    if (!m_pFtpConnection)
        return; // no FTP connection lent: documents are listed only
    if (m_nCheckRights) {
        CPartBrowseRight right;
        if (!right.CanBrowse(m_strPartCode)) {
            AfxMessageBox("无浏览该零部件图纸的权限...");
            return;
        }
    }
    const CString product = StoredFolderName(m_strProductCode);
    const CString part = StoredFolderName(m_strPartCode);
    const CString file = m_arrRowFileNames[m_nCurrentDocRow];
    CWaitCursor wait;
    CString folder;
    folder.Format("/Vq/Proven/%s/%s/%s", product, part, m_strChosenRevision);
    if (product.IsEmpty() || part.IsEmpty() || !vq::StaysBelowFolder(m_strChosenRevision) ||
        !SetFtpFolder(folder)) {
        AfxMessageBox("不能正常设置服务器存储信息...");
        return;
    }
    const CString localPath = FetchRevisionDocument(m_pFtpConnection, m_copies.Path(), file, part,
                                                    m_strChosenRevision, INTERNET_FLAG_NO_CACHE_WRITE);
    if (localPath.IsEmpty())
        return;
    OpenDocumentFile(localPath);
}

int CPartRevisionTreeDlg::SetFtpFolder(const CString& folder) {
    if (!m_pFtpConnection)
        return 0;
    const char separator = folder.Find('\\') >= 0 ? '\\' : '/';
    if (!m_pFtpConnection->SetCurrentDirectory(theApp.m_strFtpRootDir))
        return 0;
    int start = 0;
    while (start <= folder.GetLength()) {
        int end = folder.Find(separator, start);
        if (end < 0)
            end = folder.GetLength();
        const CString component = folder.Mid(start, end - start);
        if (!component.IsEmpty() && !m_pFtpConnection->SetCurrentDirectory(component))
            return 0;
        start = end + 1;
    }
    return 1;
}

void CPartRevisionTreeDlg::OnDblClkChangeOrders(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    POSITION pos = m_listChangeOrders.GetFirstSelectedItemPosition();
    if (!pos)
        return;
    const int row = m_listChangeOrders.GetNextSelectedItem(pos);
    const CString number = m_listChangeOrders.GetItemText(row, 0);
    const CString path = FetchChangeOrderSheet(m_copies.Path(), "修改单", number);
    if (path.IsEmpty()) {
        AfxMessageBox("没有对应的更改单，检查是否采用新的更改单编制方式填写...");
        return;
    }
    OpenDocumentFile(path);
}

void CPartRevisionTreeDlg::OnRevisionProperties() {
    CDwgDetailDlg dlg(this);
    dlg.m_strTablePrefix =
        m_strChosenRevision.CompareNoCase(m_strCurrentRev) == 0 ? "VqkorvelAll" : "VqkorvelVer";
    dlg.m_strPartCode = m_strPartCode;
    dlg.m_strRevision = m_strChosenRevision;
    dlg.m_bChangeHistory = 0;
    dlg.DoModal();
}

void CPartRevisionTreeDlg::OnWhereUsed() {
    CPartBorrowQueryDlg dlg(this);
    dlg.m_strPartCode = m_strPartCode;
    dlg.DoModal();
}

void CPartRevisionTreeDlg::OnChangeHistory() {
    vq::OpenPartChangeHistory(m_strPartCode, m_strChosenRevision, 1);
}
