#include "teamwork/TaskResourceDlg.h"

#include "controls/DocViewLauncher.h"
#include "controls/InputStringDlg.h"
#include "core/ComError.h"
#include "core/DocumentFetch.h"
#include "core/FileInfo.h"
#include "core/ItemText.h"
#include "core/SqlTransaction.h"
#include "core/StoredRow.h"
#include "core/StoredRowEdit.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/maker/FileStore.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/FileDialog.h"
#include "projects/ProjectTaskRecords.h"

#include <optional>
#include <set>
#include <vector>

namespace {

const vq::DialogTemplate kTaskResourceTemplate{
    "任务资源管理",
    {vq::Label("任务编号:"), vq::Label("", vq::kBeside, 0, CTaskResourceDlg::kTaskNoId),
     vq::Label("任务名称：", vq::kBeside), vq::Label("", vq::kBeside, 0, CTaskResourceDlg::kTaskNameId),
     vq::ReportList(CTaskResourceDlg::kListId, vq::kFill),
     vq::PushButton(CTaskResourceDlg::kBatchAddId, "批量增加..."),
     vq::PushButton(CTaskResourceDlg::kDeleteId, "删除", vq::kBeside),
     vq::PushButton(CTaskResourceDlg::kDescriptionId, "文档提示...", vq::kBeside),
     vq::PushButton(CTaskResourceDlg::kStoreId, "存储...", vq::kBeside),
     vq::CheckBox(CTaskResourceDlg::kViewCheckId, "浏览文档", vq::kBeside),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "退出", vq::kBeside)},
    CSize(560, 360)};

constexpr const char* kTopPath = "项目管理";
constexpr int kResourceIdAttempts = 20;

// The leading decimal digits of a text as a number; 0 when it starts with none.
long LeadingNumber(const CString& text) {
    long number = 0;
    for (int i = 0; i < text.GetLength() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (number > 100000000L)
            break;
        number = number * 10 + (text[i] - '0');
    }
    return number;
}

} // namespace

CString FormatSerialNo4(int number) {
    CString text;
    text.Format("%04d", number);
    return text;
}

BEGIN_MESSAGE_MAP(CTaskResourceDlg, CDialog)
    ON_BN_CLICKED(CTaskResourceDlg::kBatchAddId, &CTaskResourceDlg::OnBatchAdd)
    ON_BN_CLICKED(CTaskResourceDlg::kDeleteId, &CTaskResourceDlg::OnDeleteDocument)
    ON_BN_CLICKED(CTaskResourceDlg::kDescriptionId, &CTaskResourceDlg::OnEditDescription)
    ON_BN_CLICKED(CTaskResourceDlg::kStoreId, &CTaskResourceDlg::OnStore)
    ON_BN_CLICKED(CTaskResourceDlg::kViewCheckId, &CTaskResourceDlg::OnViewCheck)
    ON_NOTIFY(LVN_ITEMCHANGED, CTaskResourceDlg::kListId, &CTaskResourceDlg::OnItemChanged)
    ON_NOTIFY(NM_DBLCLK, CTaskResourceDlg::kListId, &CTaskResourceDlg::OnDblClick)
END_MESSAGE_MAP()

CTaskResourceDlg::CTaskResourceDlg(CWnd* parent) : CDialog(kTaskResourceTemplate, parent) {}

CTaskResourceDlg::~CTaskResourceDlg() {
    for (int i = 0; i < m_arrItems.GetSize(); ++i)
        delete static_cast<DocFileItem*>(m_arrItems[i]);
    m_arrItems.RemoveAll();
}

void CTaskResourceDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kListId, m_list);
    DDX_Check(pDX, kViewCheckId, m_bViewDocument);
}

void CTaskResourceDlg::OnDestroy() {
    for (int i = 0; i < m_arrItems.GetSize(); ++i)
        delete static_cast<DocFileItem*>(m_arrItems[i]);
    m_arrItems.RemoveAll();
    CDialog::OnDestroy();
}

BOOL CTaskResourceDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_pConnection = theApp.m_pConnPDM;
    m_nDatabaseType = theApp.m_nDatabaseType;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_strLoginUser = theApp.m_strLoginUser;
    m_strLoginUser.MakeUpper();
    EnableEditing(FALSE);

    if (!m_bWorkTask && m_strTaskNo.IsEmpty()) {
        if (m_strTaskName.IsEmpty()) {
            AfxMessageBox("无指定的任务项...");
            return TRUE;
        }
        FindTaskNoByName();
    }
    SetDlgItemText(kTaskNoId, m_strTaskNo);
    SetDlgItemText(kTaskNameId, m_strTaskName);
    m_list.SetImageList(CSysImageList::GetImageList(FALSE), LVSIL_NORMAL);
    m_list.SetImageList(CSysImageList::GetImageList(TRUE), LVSIL_SMALL);
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    m_list.InsertColumn(0, "文件说明", LVCFMT_LEFT, 180);
    m_list.InsertColumn(1, "文件类型", LVCFMT_LEFT, 200);
    m_list.InsertColumn(2, "文件大小", LVCFMT_LEFT, 100);

    if (m_bWorkTask)
        LoadWorkResources();
    else
        LoadTaskDocuments();

    if (m_bReadOnly) {
        for (int id : {kBatchAddId, kDeleteId, kDescriptionId, kStoreId, static_cast<int>(IDOK)})
            GetDlgItem(id)->EnableWindow(FALSE);
    } else {
        GetDlgItem(kStoreId)->EnableWindow(FALSE);
    }
    if (m_list.GetItemCount() > 0) {
        SelectRow(0);
        if (!m_bReadOnly)
            EnableEditing(TRUE);
    }
    return TRUE;
}

void CTaskResourceDlg::EnableEditing(BOOL enable) {
    GetDlgItem(kDeleteId)->EnableWindow(enable);
    GetDlgItem(kDescriptionId)->EnableWindow(enable);
}

void CTaskResourceDlg::FindTaskNoByName() {
    CString sql;
    const CString path = m_strProjectPath.IsEmpty() ? CString(kTopPath) : m_strProjectPath;
    if (m_nDatabaseType == 2)
        sql.Format("SELECT ProjectNo FROM ProjectManage WHERE rtrim(ProjectName)='%s' AND rtrim(ProjectPath)='%s'",
                   SqlQuote(m_strTaskName), SqlQuote(path));
    else
        sql.Format("SELECT ProjectNo FROM ProjectManage WHERE ProjectName='%s' AND ProjectPath='%s'",
                   SqlQuote(m_strTaskName), SqlQuote(path));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF())
            m_strTaskNo = VariantToString(rs->GetCollect(0L));
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CTaskResourceDlg::ClearList() {
    EnableEditing(FALSE);
    m_list.DeleteAllItems();
    m_nCurrentRow = -1;
}

void CTaskResourceDlg::AddStoredRow(DocFileItem* item, const CString& iconName) {
    item->m_nStored = 1;
    m_arrItems.Add(item);
    const int row = m_list.InsertItem(m_list.GetItemCount(), item->m_strDescription,
                                      CSysImageList::GetIconIndex(iconName));
    m_list.SetItemText(row, 1, item->m_strFileType);
    m_list.SetItemText(row, 2, item->m_strFileSize);
    m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(item));
}

void CTaskResourceDlg::LoadWorkResources() {
    if (m_strTaskNo.IsEmpty())
        return;
    ClearList();
    CString sql;
    sql.Format("SELECT ResourceID, ResourceType, ResourceName, FileType, FileSize FROM TeamWorkResource WHERE "
               "WorkID='%s'",
               SqlQuote(m_strTaskNo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            auto* item = new DocFileItem;
            item->m_strKey = VariantToString(rs->GetCollect(0L));
            item->m_strDescription = VariantToString(rs->GetCollect(1L));
            item->m_strFile = VariantToString(rs->GetCollect(2L));
            item->m_strFileType = VariantToString(rs->GetCollect(3L));
            item->m_strFileSize = VariantToString(rs->GetCollect(4L));
            AddStoredRow(item, item->m_strDescription);
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CTaskResourceDlg::LoadTaskDocuments() {
    if (m_strTaskNo.IsEmpty())
        return;
    ClearList();
    CString sql;
    sql.Format("SELECT DocType, FileName, FileType, FileBulk FROM TaskExtDocument WHERE TaskNo='%s'",
               SqlQuote(m_strTaskNo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            auto* item = new DocFileItem;
            item->m_strDescription = VariantToString(rs->GetCollect(0L));
            item->m_strFile = VariantToString(rs->GetCollect(1L));
            item->m_strFileType = VariantToString(rs->GetCollect(2L));
            item->m_strFileSize = VariantToString(rs->GetCollect(3L));
            AddStoredRow(item, item->m_strFile);
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

DocFileItem* CTaskResourceDlg::ItemOf(int row) const {
    if (row < 0 || row >= m_list.GetItemCount())
        return nullptr;
    return reinterpret_cast<DocFileItem*>(m_list.GetItemData(row));
}

int CTaskResourceDlg::SelectedRow() const {
    POSITION pos = m_list.GetFirstSelectedItemPosition();
    return pos ? m_list.GetNextSelectedItem(pos) : -1;
}

void CTaskResourceDlg::SelectRow(int row) {
    m_list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    m_list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    m_list.EnsureVisible(row, FALSE);
}

// ---------------------------------------------------------------------------------------------
// Adding, deleting, describing

void CTaskResourceDlg::OnBatchAdd() {
    // Every chosen path is taken, however many: the dialog keeps the names whole.
    CFileDialog dialog(TRUE, "*.*", nullptr, OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_EXPLORER,
                       "所有文件 (*.*)|*.*||", this);
    if (dialog.DoModal() != IDOK)
        return;
    BOOL added = FALSE;
    POSITION pos = dialog.GetStartPosition();
    while (pos) {
        AddFile(dialog.GetNextPathName(pos), "");
        added = TRUE;
    }
    if (added) {
        m_bModified = TRUE;
        if (!m_bReadOnly)
            GetDlgItem(kStoreId)->EnableWindow(TRUE);
    }
}

void CTaskResourceDlg::AddFile(const CString& path, CString description) {
    CFileInfo info(path);
    if (!info.Exists()) {
        CString text;
        text.Format("指定文件：%s不存在...", path);
        AfxMessageBox(text);
        return;
    }
    if (description.IsEmpty())
        description = info.GetFileName();
    auto* item = new DocFileItem;
    item->m_strDescription = description;
    item->m_strFile = path;
    item->m_strFileType = info.GetFileTypeName();
    item->m_strFileSize = info.GetFileSizeKB();
    item->m_strOther2 = "";
    item->m_nStored = 0;
    m_arrItems.Add(item);
    const int row =
        m_list.InsertItem(m_list.GetItemCount(), description, CSysImageList::GetIconIndex(description));
    m_list.SetItemText(row, 1, item->m_strFileType);
    m_list.SetItemText(row, 2, item->m_strFileSize);
    m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(item));
    SelectRow(row);
    if (!m_bReadOnly)
        EnableEditing(TRUE);
}

void CTaskResourceDlg::OnDeleteDocument() {
    const int row = SelectedRow();
    if (row < 0) {
        AfxMessageBox("请选择文档项...");
        return;
    }
    if (vq::ShowMessageBox("操作提示", "是否删除选定文档?", MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    DocFileItem* item = ItemOf(row);
    if (!item) {
        AfxMessageBox("不能正常删除指定文档...");
        return;
    }
    if (item->m_nStored) {
        if (vq::ShowMessageBox("操作提示", "该文档已存储在服务器中，是否继续删?", MB_YESNO | MB_ICONWARNING) != IDYES)
            return;
        const CString key = m_bWorkTask ? item->m_strKey : m_list.GetItemText(row, 0);
        if (!DeleteStoredResource(key, item))
            return;
    }
    m_list.DeleteItem(row);
    m_nCurrentRow = -1;
    const int count = m_list.GetItemCount();
    if (count > 0 && !m_bReadOnly)
        SelectRow(row < count ? row : count - 1);
    else
        EnableEditing(FALSE);
}

int CTaskResourceDlg::DeleteStoredResource(const CString& key, const DocFileItem* item) {
    CString sql;
    if (m_bWorkTask) {
        sql.Format("DELETE FROM TeamWorkResource WHERE WorkID='%s' AND ResourceID='%s'", SqlQuote(m_strTaskNo),
                   SqlQuote(key));
        if (!theApp.ExecuteSql(sql))
            return 0;
        sql.Format("DELETE FROM TeamWorkResourcePack WHERE ResourceID='%s'", SqlQuote(key));
        return theApp.ExecuteSql(sql);
    }
    return item ? DeleteTaskDocument(key, *item) : 0;
}

// Only the row the person saw goes: re-read under the description's lock (the lock its stores
// take), with its stored identity, and on a server kept from other writers until the commit. A
// document another client deleted, replaced or stored under the description meanwhile stays;
// the last guard sees one that a program taking none of our locks stored after the re-read.
int CTaskResourceDlg::DeleteTaskDocument(const CString& description, const DocFileItem& item) {
    CString key;
    key.Format("TaskNo='%s' AND DocType='%s'", SqlQuote(m_strTaskNo), SqlQuote(description));
    CSqlTransaction transaction;
    if (!transaction.IsActive() || !transaction.Lock(DescriptionLockName(description)))
        return 0;
    const auto refuse = [&description](const char* format) {
        CString text;
        text.Format(format, CString(vq::VisibleText(description.str())));
        ShowDbMessage(text);
        return 0;
    };
    switch (DeleteStoredDocumentRow("TaskExtDocument", key, item.m_strFile, item.m_strFileType, item.m_strFileSize)) {
    case StoredDocumentDeletion::Deleted:
        break;
    case StoredDocumentDeletion::Gone:
        return refuse("文档 %s 已被其他用户删除...");
    case StoredDocumentDeletion::Replaced:
        return refuse("文档 %s 已被其他用户更换，本次没有删除。");
    case StoredDocumentDeletion::Failed:
        return 0;
    }
    return transaction.Commit() ? 1 : 0;
}

CString CTaskResourceDlg::DescriptionLockName(const CString& description) const {
    CString lock = "TaskExtDocument:" + m_strTaskNo + "|" + description;
    lock.MakeUpper();
    return lock;
}

void CTaskResourceDlg::OnEditDescription() {
    const int row = SelectedRow();
    if (row < 0) {
        AfxMessageBox("请选择文档项...");
        return;
    }
    const CString current = m_list.GetItemText(row, 0);
    CString prompt = "要修改的文档说明:";
    CString value = current;
    for (;;) {
        CInputStringDlg input(this);
        input.m_strPrompt = prompt;
        input.m_strValue = value;
        if (input.DoModal() != IDOK)
            return;
        value = input.m_strValue;
        if (value.CompareNoCase(current) == 0 || FindDescription(value, row) < 0)
            break;
        prompt = "该文档说明已存在...";
    }
    m_list.SetItemText(row, 0, value);
    if (DocFileItem* item = ItemOf(row))
        item->m_strDescription = value;
}

// ---------------------------------------------------------------------------------------------
// Viewing

void CTaskResourceDlg::OnItemChanged(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    const auto* info = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
    if (info->iItem < 0 || info->iItem == m_nCurrentRow || !(info->uNewState & LVIS_SELECTED))
        return;
    m_nCurrentRow = info->iItem;
    DocFileItem* item = ItemOf(m_nCurrentRow);
    m_bNewRow = item && !item->m_nStored;
    if (!m_bReadOnly)
        GetDlgItem(kDescriptionId)->EnableWindow(m_bNewRow);
    if (m_bViewDocument)
        ViewDocument();
}

void CTaskResourceDlg::OnViewCheck() {
    UpdateData(TRUE);
    if (m_bViewDocument)
        ViewDocument();
}

void CTaskResourceDlg::OnDblClick(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    if (SelectedRow() < 0)
        return;
    if (m_bNewRow && !m_bReadOnly) {
        OnEditDescription();
        return;
    }
    UpdateData(TRUE);
    if (!m_bViewDocument) {
        m_bViewDocument = TRUE;
        UpdateData(FALSE);
        ViewDocument();
    }
}

void CTaskResourceDlg::ViewDocument() {
    if (m_nCurrentRow < 0 || m_nCurrentRow >= m_list.GetItemCount())
        return;
    DocFileItem* item = ItemOf(m_nCurrentRow);
    if (!item) {
        AfxMessageBox("无文档属性信息，不能进行浏览...");
        return;
    }
    CString path;
    if (item->m_nStored) {
        // The stored name comes from the database: whatever folders it names, the fetched file
        // lands in the dialog's call folder.
        CString name;
        name.Format("T%s_%s", m_strTaskNo, item->m_strFile);
        path = m_copies.Path() + MakeValidFileName(name);
        CString sql;
        if (m_bWorkTask)
            sql.Format(m_nDatabaseType == 2
                           ? "SELECT DocSaved, DocContent FROM TeamWorkResourcePack WHERE rtrim(ResourceID)='%s'"
                           : "SELECT DocSaved, DocContent FROM TeamWorkResourcePack WHERE ResourceID='%s'",
                       SqlQuote(item->m_strKey));
        else
            sql.Format(m_nDatabaseType == 2 ? "SELECT DocSaved, DocContent FROM TaskExtDocument WHERE "
                                              "rtrim(TaskNo)='%s' AND rtrim(DocType)='%s'"
                                            : "SELECT DocSaved, DocContent FROM TaskExtDocument WHERE TaskNo='%s' "
                                              "AND DocType='%s'",
                       SqlQuote(m_strTaskNo), SqlQuote(m_list.GetItemText(m_nCurrentRow, 0)));
        CWaitCursor wait;
        CVQSaveFileToDB store;
        if (store.PopFileFromDB(sql, path, "DocContent", "PDM").IsEmpty()) {
            ReportFetchFailure(item->m_strFile, store.GetLastFailure(), "文档下载失败!");
            return;
        }
        theApp.AddUniqueFile(path);
    } else {
        path = item->m_strFile;
    }
    if (CFileInfo(path).Exists())
        OpenDocumentFile(path);
}

// ---------------------------------------------------------------------------------------------
// Storing

void CTaskResourceDlg::OnStore() {
    StoreAll();
}

void CTaskResourceDlg::OnOK() {
    if (StoreAll())
        EndDialog(IDOK);
}

void CTaskResourceDlg::OnCancel() {
    if (m_bModified) {
        const int answer =
            vq::ShowMessageBox("操作提示", "外部资源已发生修改，是否存储?", MB_YESNOCANCEL | MB_ICONWARNING);
        if (answer == IDCANCEL)
            return;
        if (answer == IDYES) {
            OnOK();
            return;
        }
    }
    EndDialog(IDCANCEL);
}

int CTaskResourceDlg::StoreAll() {
    const int count = m_list.GetItemCount();
    if (count == 0) {
        m_bModified = FALSE;
        return 1;
    }
    // Rows without a task would be stored under an empty number, where no task finds them.
    if (m_strTaskNo.IsEmpty()) {
        AfxMessageBox("无指定的任务项，不能存储外部资源...");
        return 0;
    }
    CWaitCursor wait;
    for (int row = 0; row < count; ++row) {
        if (CheckDuplicateDescription(row, m_list.GetItemText(row, 0)))
            return 0;
        if (!StoreResources(row))
            return 0;
    }
    m_bModified = FALSE;
    return 1;
}

int CTaskResourceDlg::FindDescription(const CString& text, int exceptRow) const {
    for (int other = 0; other < m_list.GetItemCount(); ++other) {
        if (other != exceptRow && m_list.GetItemText(other, 0).CompareNoCase(text) == 0)
            return other;
    }
    return -1;
}

int CTaskResourceDlg::CheckDuplicateDescription(int row, const CString& text) {
    int found = 0;
    for (int other = 0; other < m_list.GetItemCount(); ++other) {
        if (other == row || m_list.GetItemText(other, 0).CompareNoCase(text) != 0)
            continue;
        CString message;
        message.Format("第 %d 行与第 %d 行存在重复的文件说明：%s，不能存储...", row + 1, other + 1, text);
        AfxMessageBox(message);
        found = 1;
    }
    return found;
}

int CTaskResourceDlg::StoreResources(int row) {
    DocFileItem* item = ItemOf(row);
    if (!item) {
        AfxMessageBox("查找不到有效的信息...");
        return 0;
    }
    if (item->m_nStored)
        return 1;
    return m_bWorkTask ? StoreWorkResource(row, item) : StoreTaskDocument(row, item);
}

// The row and its content are stored in one transaction under the work's lock, the lock the
// work's deletion takes: a work another client deleted since the window opened takes no resource
// (it would hang on no work), and a failed content leaves no row. A work the caller is making and
// has not stored yet (m_bNewWork) is not looked for. The identifier is unique: when another client
// stored the same number since it was computed, the insert is refused, rolled back, and the next
// free number is taken.
int CTaskResourceDlg::StoreWorkResource(int row, DocFileItem* item) {
    const CString description = m_list.GetItemText(row, 0);
    CFileInfo info(item->m_strFile);
    if (!info.Exists()) {
        CString text;
        text.Format("文档文件: %s 已不存在，请检查...", description);
        AfxMessageBox(text);
        return 0;
    }
    for (int attempt = 0; attempt < kResourceIdAttempts; ++attempt) {
        CString key;
        CString sql;
        std::optional<_com_error> refused;
        {
            CSqlTransaction transaction;
            if (!transaction.IsActive() || !transaction.Lock(projects::WorkTaskLockName(m_strTaskNo)))
                return 0;
            if (!m_bNewWork) {
                // On a server the work's row is kept from other writers until the transaction ends.
                std::vector<CString> work;
                bool found = false;
                if (!ReadFirstRowTexts("SELECT WorkID FROM TeamWorkManage WHERE " +
                                           projects::NumberIsExactly("WorkID", m_strTaskNo) +
                                           LockingReadSuffix(),
                                       work, found))
                    return 0;
                if (!found) {
                    ShowDbMessage("该工作任务已被其他用户删除，外部资源没有保存...");
                    return 0;
                }
            }
            if (!item->m_strKey.IsEmpty()) {
                sql.Format("DELETE FROM TeamWorkResource WHERE ResourceID='%s'", SqlQuote(item->m_strKey));
                if (!theApp.ExecuteSql(sql))
                    return 0;
                sql.Format("DELETE FROM TeamWorkResourcePack WHERE ResourceID='%s'",
                           SqlQuote(item->m_strKey));
                if (!theApp.ExecuteSql(sql))
                    return 0;
            }
            RunAfterRecheckHook();
            key = MakeNewResourceID();
            if (key.IsEmpty())
                return 0;
            sql.Format(
                "INSERT INTO TeamWorkResource (WorkID, ResourceID, ResourceType, ResourceName, FileSize, "
                "FileDate, FileType) VALUES('%s', '%s', '%s', '%s', '%s', '%s', '%s')",
                SqlQuote(m_strTaskNo), SqlQuote(key), SqlQuote(description), SqlQuote(info.GetFileName()),
                SqlQuote(info.GetFileSizeKB()), SqlQuote(info.GetModifyTime()),
                SqlQuote(info.GetFileTypeName()));
            try {
                m_pConnection->Execute(sql, nullptr, adCmdText);
            } catch (_com_error& e) {
                refused = e;
            }
            if (!refused) {
                CString pack;
                pack.Format("INSERT INTO TeamWorkResourcePack (ResourceID) VALUES('%s')", SqlQuote(key));
                CString select;
                select.Format("SELECT DocSaved, DocContent FROM TeamWorkResourcePack WHERE ResourceID='%s'",
                              SqlQuote(key));
                CVQSaveFileToDB store;
                if (!theApp.ExecuteSql(pack) ||
                    !store.PushFileToDB(select, item->m_strFile, "DocContent", "PDM")) {
                    // A resource row without its content would list a document nobody can open; said
                    // once the transaction is rolled back.
                    ShowDbMessage("未能正确存储文档文件...");
                    return 0;
                }
                if (!transaction.Commit())
                    return 0;
                item->m_strKey = key;
                item->m_nStored = 1;
                m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(item));
                return 1;
            }
        }
        CString count;
        count.Format("SELECT count(*) FROM TeamWorkResource WHERE ResourceID='%s'", SqlQuote(key));
        if (theApp.GetSqlInt(count) > 0)
            continue;
        ReportComError(*refused);
        AfxMessageBox("执行出错的SQL语句,(请检查表、字段是否存在，或字段类型是否匹配)：\n" + sql);
        return 0;
    }
    AfxMessageBox("未能生成唯一的资源编号，请稍后再存储...");
    return 0;
}

// A new row's description names its stored row. Every stored row of the task was in the list
// when the window opened, and the list refuses two rows of one description: a row stored under
// the description now was stored by another client meanwhile, and is not replaced by this one.
// The row and its content are stored in one transaction under the description's lock: a failed
// content leaves no row, and takes out no row of another client.
int CTaskResourceDlg::StoreTaskDocument(int row, DocFileItem* item) {
    const CString description = m_list.GetItemText(row, 0);
    CFileInfo info(item->m_strFile);
    if (!info.Exists()) {
        CString text;
        text.Format("文档文件: %s 已不存在，请检查...", description);
        AfxMessageBox(text);
        return 0;
    }
    CString key;
    key.Format("TaskNo='%s' AND DocType='%s'", SqlQuote(m_strTaskNo), SqlQuote(description));
    const auto taken = [&description] {
        CString text;
        text.Format("文档说明：%s 已被其他用户存储，本次没有保存，请修改文档说明后再存储。", description);
        ShowDbMessage(text);
        return 0;
    };
    CSqlTransaction transaction;
    if (!transaction.IsActive() || !transaction.Lock(DescriptionLockName(description)))
        return 0;
    const int existing = theApp.GetSqlInt("SELECT count(*) FROM TaskExtDocument WHERE " + key);
    if (theApp.m_bConnectionLost)
        return 0;
    if (existing != 0)
        return taken();
    RunAfterRecheckHook();
    CString sql;
    sql.Format("INSERT INTO TaskExtDocument (TaskNo, DocType, FileName, FileBulk, FileType, FileDate) "
               "VALUES('%s', '%s', '%s', '%s', '%s', '%s')",
               SqlQuote(m_strTaskNo), SqlQuote(description), SqlQuote(info.GetFileName()),
               SqlQuote(info.GetFileSizeKB()), SqlQuote(info.GetFileTypeName()),
               SqlQuote(info.GetModifyTime()));
    if (!theApp.ExecuteSql(sql))
        return 0;
    // The last guard: a program that takes none of our locks may have stored a row under the
    // description since the count; the content would go into both rows.
    const int rows = theApp.GetSqlInt("SELECT count(*) FROM TaskExtDocument WHERE " + key);
    if (theApp.m_bConnectionLost)
        return 0;
    if (rows != 1)
        return taken();
    CString select;
    select.Format("SELECT DocSaved, DocContent FROM TaskExtDocument WHERE %s", key);
    CVQSaveFileToDB store;
    if (!store.PushFileToDB(select, item->m_strFile, "DocContent", "PDM")) {
        // Said once the transaction is rolled back and its lock given back.
        ShowDbMessage("未能正确存储文档文件...");
        return 0;
    }
    if (!transaction.Commit())
        return 0;
    // Stored: the record names the stored row now, as a row read from the table does.
    item->m_strFile = info.GetFileName();
    item->m_nStored = 1;
    m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(item));
    return 1;
}

CString CTaskResourceDlg::MakeNewResourceID() {
    CString prefix;
    prefix.Format("%s#%s#", CTime::GetCurrentTime().Format("%Y%m%d"), m_strLoginUser);
    CString sql;
    sql.Format("SELECT ResourceID FROM TeamWorkResource WHERE ResourceID LIKE '%s%%'%s ORDER BY ResourceID",
               SqlLikeLiteral(prefix), kSqlLikeEscape);
    std::set<long> taken;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            const CString id = VariantToString(rs->GetCollect(0L));
            if (id.GetLength() > prefix.GetLength())
                taken.insert(LeadingNumber(id.Mid(prefix.GetLength())));
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return "";
    }
    long number = 1;
    while (taken.count(number))
        ++number;
    return prefix + FormatSerialNo4(static_cast<int>(number));
}
