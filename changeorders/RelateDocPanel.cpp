#include "changeorders/RelateDocPanel.h"

#include "changeorders/ECOConfigure.h"
#include "controls/DocViewLauncher.h"
#include "controls/InputStringDlg.h"
#include "controls/ListHelpers.h"
#include "controls/SysImageList.h"
#include "core/ComError.h"
#include "core/DocumentFetch.h"
#include "core/FileInfo.h"
#include "core/ItemText.h"
#include "core/SqlTransaction.h"
#include "core/StoredRow.h"
#include "core/StoredRowEdit.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/File.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/maker/FileStore.h"
#include "platform/os/ShellOpen.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/FileDialog.h"

namespace {

constexpr const char* kSheetDocType = "_VQ_ECO";

// The lock that the stores and deletions of the documents of one description of an order take.
CString DescriptionLockName(const CString& group, const CString& number, const CString& description) {
    CString name = "ECORelateFile:" + group + "|" + number + "|" + description;
    name.MakeUpper();
    return name;
}

// Takes the row this store inserted out again, inside the owner's transaction: the row with its
// values, not one another client stored under the description.
void RemoveOwnRow(const CString& key, const CFileInfo& info) {
    CString sql;
    sql.Format("DELETE FROM ECORelateFile WHERE %s AND FileName='%s' AND FileBulk='%s' AND FileType='%s' AND "
               "Other1='%s'",
               key, SqlQuote(info.GetFileName()), SqlQuote(info.GetFileSizeKB()),
               SqlQuote(info.GetFileTypeName()), SqlQuote(info.GetModifyTime()));
    theApp.ExecuteSql(sql);
}

CString TakenDescriptionText(const CString& description) {
    CString text;
    text.Format("文档说明：%s 已存在（其他用户已存储该说明的文档），本次没有保存，请修改文档说明后再存储。",
                CString(vq::VisibleText(description.str())));
    return text;
}

} // namespace

CRelateDocPanel::CRelateDocPanel(CString group, RelateDocControlIds ids)
    : m_strGroup(std::move(group)), m_ids(ids) {}

CRelateDocPanel::~CRelateDocPanel() {
    for (void* item : m_arrDocs)
        delete static_cast<CRelateFileItem*>(item);
    m_arrDocs.RemoveAll();
}

bool CRelateDocPanel::HidesSheet() const {
    return m_strGroup == kModifyNoticeGroup;
}

std::vector<vq::ControlTemplate> CRelateDocPanel::TemplateControls() const {
    const bool modify = HidesSheet();
    return {vq::GroupFrame(modify ? "附加文档:" : "附加文档"),
            vq::ReportList(m_ids.list, vq::kFill, LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL),
            vq::PushButton(m_ids.add, "增加..."),
            vq::PushButton(m_ids.remove, "删除...", vq::kBeside),
            vq::PushButton(m_ids.saveAs, "另存为...", vq::kBeside),
            vq::CheckBox(m_ids.browse, modify ? "浏览" : "浏览文档", vq::kBeside)};
}

void CRelateDocPanel::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, m_ids.list, m_list);
    DDX_Check(pDX, m_ids.browse, m_bBrowseDoc);
}

void CRelateDocPanel::Init(CDialog* owner) {
    m_pOwner = owner;
    m_list.SetImageList(CSysImageList::GetImageList(FALSE), LVSIL_NORMAL);
    m_list.SetImageList(CSysImageList::GetImageList(TRUE), LVSIL_SMALL);
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    const bool modify = HidesSheet();
    m_list.InsertColumn(0, "文件说明", LVCFMT_LEFT, modify ? 90 : 120);
    m_list.InsertColumn(1, "文件类型", LVCFMT_LEFT, modify ? 100 : 140);
    m_list.InsertColumn(2, "文件大小", LVCFMT_LEFT, modify ? 80 : 120);
    m_list.InsertColumn(3, "凭证", LVCFMT_LEFT, modify ? 40 : 60);
}

CRelateFileItem* CRelateDocPanel::ItemOf(int row) const {
    if (row < 0 || row >= m_list.GetItemCount())
        return nullptr;
    return reinterpret_cast<CRelateFileItem*>(m_list.GetItemData(row));
}

void CRelateDocPanel::EnableButton(int id, BOOL enable) {
    if (m_pOwner)
        if (CWnd* button = m_pOwner->GetDlgItem(id))
            button->EnableWindow(enable);
}

void CRelateDocPanel::EnableEditing() {
    const BOOL rows = m_list.GetItemCount() > 0;
    EnableButton(m_ids.add, !m_bReadOnly);
    EnableButton(m_ids.remove, rows && !m_bReadOnly);
    EnableButton(m_ids.saveAs, rows);
}

void CRelateDocPanel::SelectRow(int row) {
    m_nCurDoc = row; // selected here, not by the user: nothing is opened
    m_list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    m_list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    m_list.EnsureVisible(row, FALSE);
}

void CRelateDocPanel::FreeDocs() {
    m_list.DeleteAllItems();
    for (void* item : m_arrDocs)
        delete static_cast<CRelateFileItem*>(item);
    m_arrDocs.RemoveAll();
    m_nCurDoc = -1;
}

CString CRelateDocPanel::SelectStatement(const CString& docType) const {
    CString sql;
    sql.Format(
        "SELECT DocSaved, DocContent FROM ECORelateFile WHERE ECOGroup='%s' AND ECONo='%s' AND DocType='%s'",
        SqlQuote(m_strGroup), SqlQuote(m_strECONo), SqlQuote(docType));
    return sql;
}

// ---------------------------------------------------------------------------------------------
// Loading and adding

void CRelateDocPanel::LoadRelatedDocs() {
    FreeDocs();
    m_order = CChangeOrderState(m_strGroup, m_strECONo);
    m_order.Read();
    CString sql;
    sql.Format(
        "SELECT DocType, FileName, FileType, FileBulk FROM ECORelateFile WHERE ECOGroup='%s' AND ECONo='%s'",
        SqlQuote(m_strGroup), SqlQuote(m_strECONo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            auto* item = new CRelateFileItem;
            item->m_strDocType = VariantToString(rs->GetCollect(0L));
            item->m_strFileName = VariantToString(rs->GetCollect(1L));
            item->m_strFileType = VariantToString(rs->GetCollect(2L));
            item->m_strFileSize = VariantToString(rs->GetCollect(3L));
            item->m_bStored = 1;
            m_arrDocs.Add(item);
            if (!(HidesSheet() && item->m_strDocType.CompareNoCase(kSheetDocType) == 0)) {
                const int row = m_list.InsertItem(m_list.GetItemCount(), item->m_strDocType,
                                                  CSysImageList::GetIconIndex(item->m_strFileName));
                m_list.SetItemText(row, 1, item->m_strFileType);
                m_list.SetItemText(row, 2, item->m_strFileSize);
                m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(item));
            }
            rs->MoveNext();
        }
        if (theApp.m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    EnableEditing();
}

bool CRelateDocPanel::IsDescriptionTaken(const CString& description) const {
    // The sheet's own description is taken even where it is not listed: storing a document under
    // it would replace the sheet.
    if (HidesSheet() && description.CompareNoCase(kSheetDocType) == 0)
        return true;
    for (int row = 0; row < m_list.GetItemCount(); ++row)
        if (m_list.GetItemText(row, 0).CompareNoCase(description) == 0)
            return true;
    return false;
}

void CRelateDocPanel::OnAddDocument() {
    CFileDialog dialog(TRUE, "*.*", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, "所有文件 (*.*)|*.*||",
                       m_pOwner);
    if (dialog.DoModal() != IDOK)
        return;
    const CString path = dialog.GetPathName();
    CFileInfo info(path);
    CString prompt = "要增加的文档说明:";
    CString description = info.GetFileTitle();
    for (;;) {
        CInputStringDlg input(m_pOwner);
        input.m_strPrompt = prompt;
        input.m_strValue = description;
        if (input.DoModal() != IDOK)
            return;
        description = input.m_strValue;
        if (!IsDescriptionTaken(description))
            break;
        prompt = "该文档说明已存在...";
    }
    auto* item = new CRelateFileItem;
    item->m_strDocType = description;
    item->m_strFileName = path;
    item->m_strFileType = info.GetFileTypeName();
    item->m_strFileSize = info.GetFileSizeKB();
    item->m_bStored = 0;
    m_arrDocs.Add(item);
    const int row = m_list.InsertItem(m_list.GetItemCount(), description, CSysImageList::GetIconIndex(path));
    m_list.SetItemText(row, 1, item->m_strFileType);
    m_list.SetItemText(row, 2, item->m_strFileSize);
    m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(item));
    EnableButton(m_ids.remove, !m_bReadOnly);
    EnableButton(m_ids.saveAs, TRUE);
    SelectRow(row);
    m_list.SetFocus();
}

// ---------------------------------------------------------------------------------------------
// Deleting

void CRelateDocPanel::OnDeleteDocument() {
    const int row = GetFirstSelectedItem(m_list);
    if (m_list.GetItemCount() == 0 || row < 0) {
        AfxMessageBox("请选择文档项...");
        return;
    }
    if (vq::ShowMessageBox("操作提示", "是否删除选定文档?", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    const CRelateFileItem* item = ItemOf(row);
    if (item && item->m_bStored) {
        if (vq::ShowMessageBox("操作提示", "该文档已存储在服务器中，是否继续删?",
                               MB_YESNO | MB_ICONWARNING) != IDYES)
            return;
        if (!DeleteStoredDocument(*item))
            return;
    }
    m_list.DeleteItem(row);
    m_nCurDoc = -1;
    const int count = m_list.GetItemCount();
    if (count > 0 && !m_bReadOnly) {
        SelectRow(row < count ? row : count - 1);
    } else {
        EnableButton(m_ids.remove, FALSE);
        EnableButton(m_ids.saveAs, FALSE);
    }
}

bool CRelateDocPanel::DeleteStoredDocument(const CRelateFileItem& item) {
    CWaitCursor wait;
    CString key;
    key.Format("ECOGroup='%s' AND ECONo='%s' AND DocType='%s'", SqlQuote(m_strGroup), SqlQuote(m_strECONo),
               SqlQuote(item.m_strDocType));
    CSqlTransaction transaction;
    if (!transaction.IsActive() || !m_order.LockStillEditable(transaction, "选定文档") ||
        !transaction.Lock(DescriptionLockName(m_strGroup, m_strECONo, item.m_strDocType)))
        return false;
    const CString description(vq::VisibleText(item.m_strDocType.str()));
    const auto refuse = [&description](const char* format) {
        CString text;
        text.Format(format, description);
        ShowDbMessage(text);
        return false;
    };
    switch (DeleteStoredDocumentRow("ECORelateFile", key, item.m_strFileName, item.m_strFileType, item.m_strFileSize)) {
    case StoredDocumentDeletion::Deleted:
        break;
    case StoredDocumentDeletion::Gone:
        return refuse("文档 %s 已被其他用户删除...");
    case StoredDocumentDeletion::Replaced:
        return refuse("文档 %s 已被其他用户更换，本次没有删除。");
    case StoredDocumentDeletion::Failed:
        return false;
    }
    return transaction.Commit();
}

// ---------------------------------------------------------------------------------------------
// Opening and copying

void CRelateDocPanel::OnDocumentChanged(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    const auto* info = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
    if (info->iItem < 0 || info->iItem == m_nCurDoc || !(info->uNewState & LVIS_SELECTED))
        return;
    m_nCurDoc = info->iItem;
    if (m_bBrowseDoc)
        OpenRelatedDoc();
}

void CRelateDocPanel::OnBrowseDocument() {
    m_bBrowseDoc = m_pOwner && m_pOwner->IsDlgButtonChecked(m_ids.browse) ? 1 : 0;
    if (m_bBrowseDoc)
        OpenRelatedDoc();
}

void CRelateDocPanel::ClearBrowseCheck() {
    m_bBrowseDoc = 0;
    if (m_pOwner)
        m_pOwner->CheckDlgButton(m_ids.browse, BST_UNCHECKED);
}

CString CRelateDocPanel::FetchDocument(const CRelateFileItem& item) {
    if (!item.m_bStored)
        return item.m_strFileName;
    // The stored name comes from the database: made a valid file name as a whole, it names a
    // file in the panel's call folder whatever separators it holds.
    const CString path = m_copies.Path() + MakeValidFileName("M" + m_strECONo + "_" + item.m_strFileName);
    CWaitCursor wait;
    CVQSaveFileToDB store;
    if (store.PopFileFromDB(SelectStatement(item.m_strDocType), path, "DocContent", "PDM").IsEmpty()) {
        ReportFetchFailure(item.m_strFileName, store.GetLastFailure(), "文档下载失败!");
        return CString();
    }
    theApp.AddUniqueFile(path);
    return path;
}

void CRelateDocPanel::OpenRelatedDoc() {
    if (m_nCurDoc < 0)
        return;
    const CRelateFileItem* item = ItemOf(m_nCurDoc);
    if (!item) {
        AfxMessageBox("无文档属性信息，不能进行浏览...");
        return;
    }
    const CString path = FetchDocument(*item);
    if (!path.IsEmpty() && CFileInfo(path).Exists())
        OpenDocumentFile(path);
}

void CRelateDocPanel::OnSaveDocumentAs() {
    if (m_nCurDoc < 0) {
        AfxMessageBox("请先选择附加文档...");
        return;
    }
    const CRelateFileItem* item = ItemOf(m_nCurDoc);
    if (!item) {
        AfxMessageBox("无文档属性信息，不能进行浏览...");
        return;
    }
    const CString source = FetchDocument(*item);
    if (source.IsEmpty())
        return;
    const CString ext = CFileInfo(source).GetFileExt();
    CString filter;
    filter.Format("选定文档 (*%s)|*%s||", ext, ext);
    const CString defaultExt = ext.IsEmpty() ? CString() : ext.Mid(1);
    CFileDialog dialog(FALSE, HidesSheet() && !defaultExt.IsEmpty() ? defaultExt.c_str() : nullptr, nullptr,
                       OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter, m_pOwner);
    if (dialog.DoModal() != IDOK)
        return;
    const CString chosenExt = dialog.GetFileExt().IsEmpty() ? CString() : "." + dialog.GetFileExt();
    if (chosenExt.CompareNoCase(ext) != 0) {
        AfxMessageBox("原文件类型为*" + ext + ", 类型不匹配, 请重新输入!");
        return;
    }
    const CString target = dialog.GetPathName();
    if (!CopyFile(source, target, FALSE)) {
        AfxMessageBox("另存出错，请检查相关文件是否正被修改!");
        return;
    }
    if (vq::ShowMessageBox("操作提示", "附加文档另存完毕，是否打开?", MB_YESNO | MB_ICONQUESTION) == IDYES)
        vq::ShellOpenFile(target);
}

// ---------------------------------------------------------------------------------------------
// Storing

int CRelateDocPanel::SaveRelatedDocs() {
    CWaitCursor wait;
    for (int row = 0; row < m_list.GetItemCount(); ++row)
        if (!SaveRelatedDoc(row))
            return 0;
    return 1;
}

int CRelateDocPanel::SaveRelatedDoc(int row) {
    CRelateFileItem* item = ItemOf(row);
    if (!item)
        return 0;
    if (item->m_bStored)
        return 1;
    // A document's row and its content are stored together or not at all: a row without content
    // would list a document nobody can open. Inside the owner's transaction the owner decides.
    _ConnectionPtr connection = theApp.m_pConnPDM;
    const bool own = connection && !connection->InTransaction();
    try {
        if (own)
            connection->BeginTrans();
    } catch (_com_error& e) {
        ReportComError(e);
        return 0;
    }
    const int stored = StoreNewDocument(*item, !own);
    if (!own)
        return stored;
    try {
        if (stored) {
            connection->CommitTrans();
            // Stored now: a later store of the form leaves it as it is, a deletion finds it so.
            item->m_strFileName = CFileInfo(item->m_strFileName).GetFileName();
            item->m_bStored = 1;
            return 1;
        }
        connection->RollbackTrans();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    return 0;
}

// A new row's description names its stored row. Every stored row of the order was listed when
// the form loaded its documents, and the list refuses a description it holds: a row stored under
// the description now was stored by another client meanwhile, and is not replaced by this one.
int CRelateDocPanel::StoreNewDocument(const CRelateFileItem& item, bool removeOnFailure) {
    CFileInfo info(item.m_strFileName);
    if (!info.Exists()) {
        CString text;
        text.Format("文档文件: %s 已不存在，请检查...",
                    HidesSheet() ? item.m_strDocType : item.m_strFileName);
        AfxMessageBox(text);
        return 0;
    }
    CString key;
    key.Format("ECOGroup='%s' AND ECONo='%s' AND DocType='%s'", SqlQuote(m_strGroup), SqlQuote(m_strECONo),
               SqlQuote(item.m_strDocType));
    try {
        theApp.m_pConnPDM->LockUntilTransactionEnds(
            DescriptionLockName(m_strGroup, m_strECONo, item.m_strDocType));
    } catch (_com_error& e) {
        ReportComError(e);
        return 0;
    }
    const int taken = theApp.GetSqlInt("SELECT count(*) FROM ECORelateFile WHERE " + key);
    if (theApp.m_bConnectionLost)
        return 0;
    if (taken != 0) {
        ShowDbMessage(TakenDescriptionText(item.m_strDocType));
        return 0;
    }
    RunAfterRecheckHook();
    CString sql;
    sql.Format("INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileName, FileBulk, FileType, Other1) "
               "VALUES('%s', '%s', '%s', '%s', '%s', '%s', '%s')",
               SqlQuote(m_strGroup), SqlQuote(m_strECONo), SqlQuote(item.m_strDocType),
               SqlQuote(info.GetFileName()), SqlQuote(info.GetFileSizeKB()), SqlQuote(info.GetFileTypeName()),
               SqlQuote(info.GetModifyTime()));
    if (!theApp.ExecuteSql(sql))
        return 0;
    // The last guard: a program that takes none of our locks may have stored a row under the
    // description since the count; the content would go into both rows.
    if (theApp.GetSqlInt("SELECT count(*) FROM ECORelateFile WHERE " + key) != 1) {
        if (!theApp.m_bConnectionLost) {
            ShowDbMessage(TakenDescriptionText(item.m_strDocType));
            if (removeOnFailure)
                RemoveOwnRow(key, info);
        }
        return 0;
    }
    CVQSaveFileToDB store;
    if (!store.PushFileToDB(SelectStatement(item.m_strDocType), item.m_strFileName, "DocContent", "PDM")) {
        AfxMessageBox("未能正确存储文档文件...");
        // Inside the owner's transaction the row is taken out again here; our own is rolled back.
        if (removeOnFailure)
            RemoveOwnRow(key, info);
        return 0;
    }
    return 1;
}
