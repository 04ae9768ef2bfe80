#include "projects/TaskVersionDlg.h"

#include "controls/DocViewLauncher.h"
#include "controls/SysImageList.h"
#include "core/ComError.h"
#include "core/InstallPath.h"
#include "core/ItemText.h"
#include "core/VqDesignTaskApp.h"
#include "parts/RevisionDocumentList.h"
#include "parts/RevisionPaths.h"
#include "platform/base/Folders.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ftp/FtpConnection.h"
#include "platform/ui/DataExchange.h"
#include "projects/TaskFtpFolder.h"

namespace {

using D = CTaskVersionDlg;

const vq::DialogTemplate kVersionTemplate{
    "浏览所有版本信息",
    {vq::Label("工作状态"), vq::EditBox(D::kWorkStateId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::Label("当前版本", vq::kBeside),
     vq::EditBox(D::kCurrentRevId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::Tree(D::kTreeId, vq::kFill), vq::PushButton(D::kStoreId, "版本存储"),
     vq::CheckBox(D::kBrowseId, "浏览文档", vq::kBeside),
     vq::ReportList(D::kListId, vq::kFill, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
     vq::PushButton(IDCANCEL, "退出")},
    CSize(620, 520)};

constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr int kRootImage = 4;
constexpr int kVersionImage = 0;
constexpr int kCurrentImage = 2;
constexpr int kNoteImage = 6;

} // namespace

BEGIN_MESSAGE_MAP(CTaskVersionDlg, CDialog)
    ON_NOTIFY(TVN_SELCHANGED, kTreeId, &CTaskVersionDlg::OnSelChangedTree)
    ON_NOTIFY(LVN_ITEMCHANGED, kListId, &CTaskVersionDlg::OnItemChangedList)
    ON_BN_CLICKED(kBrowseId, &CTaskVersionDlg::OnBrowseDocument)
END_MESSAGE_MAP()

CTaskVersionDlg::CTaskVersionDlg(CWnd* parent) : CDialog(kVersionTemplate, parent) {
    m_treeStack.Init();
}

CTaskVersionDlg::~CTaskVersionDlg() {
    FreeRecords();
}

void CTaskVersionDlg::FreeRecords() {
    for (CObject* p : m_arrDocuments)
        delete p;
    m_arrDocuments.RemoveAll();
}

void CTaskVersionDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kTreeId, m_tree);
    DDX_Control(pDX, kListId, m_list);
    DDX_Text(pDX, kWorkStateId, m_strWorkState);
    DDX_Text(pDX, kCurrentRevId, m_strCurrentRev);
    DDX_Check(pDX, kBrowseId, m_bBrowseDocument);
}

void CTaskVersionDlg::PostNcDestroy() {
    m_arrRevPaths.RemoveAll();
    m_arrRevNumbers.RemoveAll();
    m_arrRowFileNames.RemoveAll();
    FreeRecords();
    CDialog::PostNcDestroy();
}

BOOL CTaskVersionDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_pFtpConnection = theApp.m_pFtpConnection;

    m_treeImages.Create(130, 16, 0, kMagenta);
    m_treeImages.SetBkColor(::GetSysColor(COLOR_WINDOW));
    m_tree.SetImageList(&m_treeImages, TVSIL_NORMAL);

    ReadTaskRow();
    ReadVersions();
    BuildTree();

    m_list.SetImageList(CSysImageList::GetImageList(FALSE), LVSIL_NORMAL);
    m_list.SetImageList(CSysImageList::GetImageList(TRUE), LVSIL_SMALL);
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_list.InsertColumn(0, "文档说明", LVCFMT_LEFT, 90);
    m_list.InsertColumn(1, "文档类型", LVCFMT_LEFT, 120);
    m_list.InsertColumn(2, "文件大小", LVCFMT_LEFT, 80);
    m_list.InsertColumn(3, "创建日期", LVCFMT_LEFT, 115);
    m_list.InsertColumn(4, "备注", LVCFMT_LEFT, 80);
    ReadDocuments();

    GetDlgItem(kStoreId)->EnableWindow(FALSE);
    GetDlgItem(kBrowseId)->EnableWindow(FALSE);
    UpdateData(FALSE);
    return TRUE;
}

void CTaskVersionDlg::ReadTaskRow() {
    CString sql;
    const bool byNumber = !m_strTaskNo.IsEmpty();
    if (byNumber) {
        sql.Format("SELECT WorkState, CurrentRev, LatestRev From ProjectManage WHERE ProjectNo='%s'",
                   SqlQuote(m_strTaskNo));
    } else {
        const CString path = m_strProjectPath.IsEmpty() ? CString("项目管理") : m_strProjectPath;
        sql.Format(
            "SELECT ProjectNo, WorkState, CurrentRev, LatestRev From ProjectManage WHERE ProjectPath='%s' "
            "AND ProjectName='%s'",
            SqlQuote(path), SqlQuote(m_strTaskName));
    }
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            long column = 0;
            if (!byNumber)
                m_strTaskNo = VariantToString(rs->GetCollect(column++));
            m_strWorkState = VariantToString(rs->GetCollect(column++));
            m_strCurrentRev = VariantToString(rs->GetCollect(column));
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CTaskVersionDlg::ReadVersions() {
    CString sql;
    sql.Format("SELECT DISTINCT RevPath,RevNumber FROM TaskRevManage WHERE ProjectNo='%s' ORDER BY "
               "RevPath,RevNumber",
               SqlQuote(m_strTaskNo));
    ReadRevisionPaths(m_pConnection, m_nAdoCloseMode, sql, m_arrRevPaths, m_arrRevNumbers);
}

void CTaskVersionDlg::ReadDocuments() {
    CString sql;
    sql.Format(
        "SELECT DocumentType,FileName,FileType,FileBulk,FileDate,FileRemark,RevNumber FROM TaskRevDocuments "
        "WHERE ProjectNo='%s'",
        SqlQuote(m_strTaskNo));
    ReadDocumentItems(m_pConnection, m_nAdoCloseMode, sql, m_arrDocuments);
}

CTreeCursor CTaskVersionDlg::InsertVersion(CTreeCursor parent, const CString& number) {
    const bool current = number.CompareNoCase(m_strCurrentRev) == 0;
    CTreeCursor node = m_tree.InsertItem(parent, number, current ? kCurrentImage : kVersionImage);
    if (current)
        m_currentNode = node;
    return node;
}

void CTaskVersionDlg::BuildTree() {
    m_tree.DeleteAllItems();
    m_rootNode = m_tree.InsertItem(CTreeCursor(), "项目 " + m_strTaskNo + " 的版本信息...", kRootImage);
    CStringArray tops;
    for (int i = 0; i < m_arrRevPaths.GetSize(); ++i)
        if (m_arrRevPaths[i].IsEmpty())
            tops.Add(m_arrRevNumbers[i]);
    if (tops.GetSize() == 0)
        m_tree.InsertItem(m_rootNode, "该任务还未归过档...", kNoteImage);
    for (int i = 0; i < tops.GetSize(); ++i)
        AddDescendants(InsertVersion(m_rootNode, tops[i]), tops[i]);
    m_tree.Expand(m_rootNode, TVE_EXPAND);
    m_tree.SelectItem(m_rootNode);
    m_bInitialising = 0;
}

// Walks the versions below a top-level version without recursion: the children of a path form
// one run of the ordered pairs; all but the last child wait on the stack, the walk goes on at
// once with the last one.
void CTaskVersionDlg::AddDescendants(CTreeCursor node, const CString& number) {
    m_treeStack.Init();
    CString path = number + "\\";
    for (;;) {
        CStringArray children;
        for (int i = 0; i < m_arrRevPaths.GetSize(); ++i) {
            if (m_arrRevPaths[i] == path)
                children.Add(m_arrRevNumbers[i]);
            else if (children.GetSize() > 0)
                break;
        }
        if (children.GetSize() == 0) {
            if (m_treeStack.IsEmpty())
                return;
            const CTreeStackItem top = m_treeStack.GetTop();
            m_treeStack.Drop();
            node = top.m_cursor;
            path = top.m_code;
            continue;
        }
        const int count = static_cast<int>(children.GetSize());
        for (int i = 0; i < count - 1; ++i)
            m_treeStack.Push(InsertVersion(node, children[i]), path + children[i] + "\\", "", 0);
        node = InsertVersion(node, children[count - 1]);
        path += children[count - 1] + "\\";
    }
}

void CTaskVersionDlg::OnSelChangedTree(NMHDR*, LRESULT* result) {
    *result = 0;
    if (m_bInitialising)
        return;
    CTreeCursor selected = m_tree.GetSelectedItem();
    if (!selected.m_item)
        return;
    const int image = selected.GetImage();
    if (image == kRootImage || image == kNoteImage) {
        m_strSelectedVersion.Empty();
        m_bFilling = 1;
        m_list.DeleteAllItems();
        m_bFilling = 0;
        m_arrRowFileNames.RemoveAll();
        m_nSelectedRow = -1;
        GetDlgItem(kBrowseId)->EnableWindow(FALSE);
        return;
    }
    m_strSelectedVersion = selected.GetText();
    FillDocumentList(m_strSelectedVersion);
}

void CTaskVersionDlg::FillDocumentList(const CString& version) {
    CWaitCursor wait;
    m_bFilling = 1;
    FillRevisionDocumentList(m_list, m_arrDocuments, version, m_arrRowFileNames);
    m_bFilling = 0;
    m_nSelectedRow = -1;
    if (m_list.GetItemCount() == 0) {
        GetDlgItem(kBrowseId)->EnableWindow(FALSE);
        return;
    }
    if (m_pFtpConnection)
        GetDlgItem(kBrowseId)->EnableWindow(TRUE);
    m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void CTaskVersionDlg::OnItemChangedList(NMHDR* header, LRESULT* result) {
    *result = 0;
    if (m_bFilling)
        return;
    const auto* info = reinterpret_cast<const NMLISTVIEW*>(header);
    if (info->iItem < 0 || info->iItem == m_nSelectedRow || !(info->uNewState & LVIS_SELECTED))
        return;
    m_nSelectedRow = info->iItem;
    if (m_bBrowseDocument)
        OpenDocument();
}

void CTaskVersionDlg::OnBrowseDocument() {
    UpdateData(TRUE);
    if (m_bBrowseDocument)
        OpenDocument();
}

void CTaskVersionDlg::OpenDocument() {
    if (m_nSelectedRow < 0 || m_nSelectedRow >= m_arrRowFileNames.GetSize() || !m_pFtpConnection)
        return;
    CWaitCursor wait;
    const CString number = StoredFolderName(m_strTaskNo);
    const CString file = m_arrRowFileNames[m_nSelectedRow];
    CString folder;
    folder.Format("/Vq/Working/%s/%s", number, m_strSelectedVersion);
    if (number.IsEmpty() || !vq::StaysBelowFolder(m_strSelectedVersion) ||
        !SetTaskFtpFolder(m_pFtpConnection, folder))
        return;
    const CString localPath = FetchRevisionDocument(m_pFtpConnection, m_copies.Path(), file, number,
                                                    m_strSelectedVersion, INTERNET_FLAG_RELOAD);
    if (localPath.IsEmpty())
        return;
    m_strFetchedPath = localPath;
    OpenDocumentFile(localPath);
}
