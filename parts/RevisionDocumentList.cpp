#include "parts/RevisionDocumentList.h"

#include "controls/SysImageList.h"
#include "core/ComError.h"
#include "core/DocumentFetch.h"
#include "core/VqDesignTaskApp.h"
#include "parts/DocumentItem.h"
#include "platform/base/Folders.h"
#include "platform/base/MessageBox.h"
#include "platform/ftp/FtpConnection.h"
#include "platform/ftp/FtpFileFind.h"

void ReadDocumentItems(const _ConnectionPtr& connection, int adoCloseMode, const CString& sql,
                       CObArray& documents) {
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            auto* item = new CDocumentItem;
            item->DocumentType = VariantToString(rs->GetCollect(0L));
            item->FileName = VariantToString(rs->GetCollect(1L));
            item->FileType = VariantToString(rs->GetCollect(2L));
            item->FileBulk = VariantToString(rs->GetCollect(3L));
            item->FileDate = VariantToString(rs->GetCollect(4L));
            item->FileRemark = VariantToString(rs->GetCollect(5L));
            item->RevNumber = VariantToString(rs->GetCollect(6L));
            documents.Add(item);
            rs->MoveNext();
        }
        if (adoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void FillRevisionDocumentList(CListCtrl& list, const CObArray& documents, const CString& revision,
                              CStringArray& rowFileNames) {
    list.DeleteAllItems();
    rowFileNames.RemoveAll();
    for (CObject* p : documents) {
        const auto* doc = static_cast<const CDocumentItem*>(p);
        if (doc->RevNumber.CompareNoCase(revision) != 0)
            continue;
        rowFileNames.Add(doc->FileName);
        const int row =
            list.InsertItem(list.GetItemCount(), doc->DocumentType, CSysImageList::GetIconIndex(doc->FileName));
        list.SetItemText(row, 1, doc->FileType);
        list.SetItemText(row, 2, doc->FileBulk);
        list.SetItemText(row, 3, doc->FileDate);
        list.SetItemText(row, 4, doc->FileRemark);
    }
}

CString FetchRevisionDocument(CFtpConnection* connection, const CString& folder, const CString& file,
                              const CString& prefix, const CString& revision, DWORD findFlags) {
    // The stored name may name a subfolder of the revision's folder, nothing outside it.
    if (!vq::StaysBelowFolder(file)) {
        AfxMessageBox("文档下载失败!");
        return CString();
    }
    CFtpFileFind finder(connection, 1);
    if (!finder.FindFile(file, findFlags)) {
        AfxMessageBox("该文档已不在原存放位置，请检查!");
        return CString();
    }
    finder.FindNextFile();
    const CString title = finder.GetFileTitle();
    const CString name = finder.GetFileName();
    finder.Close();
    const int dot = name.ReverseFind('.');
    const CString extension = dot >= 0 ? name.Mid(dot) : CString();
    CString localName;
    localName.Format("%s_%s_%s%s", prefix, title, revision, extension);
    // The copy goes to the caller's own folder, not to whatever the process's current folder is,
    // nor to a name another call of the same user could choose.
    const CString localPath = folder + localName;
    if (!FetchDocumentCopy(connection, file, localPath, name, "文档下载失败!"))
        return CString();
    return localPath;
}
