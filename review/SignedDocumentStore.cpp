#include "review/SignedDocumentStore.h"

#include "core/FileInfo.h"
#include "core/SqlTransaction.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/db/SqlText.h"
#include "platform/maker/FileStore.h"

namespace {

const char* StoreFailedText(SignedDocumentKind kind) {
    return kind == SignedDocumentKind::Word ? "不能正常存储当前Word文档文件..."
                                            : "不能正常存储当前工程文档文件...";
}

int StoreInDatabase(const CString& fileId, const CString& path, const CFileInfo& info,
                    const CString& projectNo, const CString& workId, SignedDocumentKind kind) {
    CSqlTransaction transaction;
    if (!transaction.IsActive())
        return 0;
    CString sql;
    sql.Format("DELETE FROM TeamWorkResultPack WHERE FileID='%s'", SqlQuote(fileId));
    if (!theApp.ExecuteSql(sql))
        return 0;
    sql.Format(kind == SignedDocumentKind::Word
                   ? "INSERT INTO TeamWorkResultPack ( FileID, DocSaved ) VALUES('%s', '是')"
                   : "INSERT INTO TeamWorkResultPack (FileID, DocSaved ) VALUES('%s', '是')",
               SqlQuote(fileId));
    if (!theApp.ExecuteSql(sql))
        return 0;
    sql.Format("UPDATE TeamWorkResult SET FileSize='%s', FileDate='%s' WHERE FileID='%s'",
               SqlQuote(info.GetFileSizeKB()), SqlQuote(info.GetModifyTime()), SqlQuote(fileId));
    if (!theApp.ExecuteSql(sql))
        return 0;
    sql.Format("SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='%s'", SqlQuote(fileId));
    CVQSaveFileToDB store;
    if (!store.PushFileToDB(sql, path, "DocContent", projectNo, workId, fileId)) {
        AfxMessageBox(StoreFailedText(kind));
        return 0;
    }
    return transaction.Commit() ? 1 : 0;
}

// The change task's own sheet is filed with its modification notice as the attached document
// "_VQ_ECO" (the notice's other attached documents stay).
int FileChangeOrderSheet(const CString& fileId, const CString& path, const CFileInfo& info) {
    CString sql;
    sql.Format("SELECT WorkID FROM TeamworkResult Where FileID = '%s' AND Other4 = '_ECO'", SqlQuote(fileId));
    CString workId = theApp.GetSqlString(sql);
    if (workId.IsEmpty())
        return 1;
    int mark = workId.Find("[M]");
    CString ecoNo = mark >= 0 ? workId.Left(mark) : workId;
    CSqlTransaction transaction;
    if (!transaction.IsActive())
        return 0;
    sql.Format("DELETE FROM ECORelateFile WHERE ECOGroup='修改单' AND ECONo='%s' AND DocType='_VQ_ECO'",
               SqlQuote(ecoNo));
    if (!theApp.ExecuteSql(sql))
        return 0;
    sql.Format("INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileName, FileBulk, FileType, Other1) "
               "VALUES('%s', '%s', '%s', '%s', '%s', '%s', '%s')",
               "修改单", SqlQuote(ecoNo), "_VQ_ECO", SqlQuote(info.GetFileName()),
               SqlQuote(info.GetFileSizeKB()), SqlQuote(info.GetFileTypeName()),
               SqlQuote(info.GetModifyTime()));
    if (!theApp.ExecuteSql(sql))
        return 0;
    sql.Format(
        "SELECT DocSaved, DocContent FROM ECORelateFile WHERE ECOGroup='%s' AND ECONo='%s' AND DocType='%s'",
        "修改单", SqlQuote(ecoNo), "_VQ_ECO");
    CVQSaveFileToDB store;
    if (!store.PushFileToDB(sql, path, "DocContent", "PDM")) {
        AfxMessageBox("不能正常存储当前工程文档文件...");
        return 0;
    }
    return transaction.Commit() ? 1 : 0;
}

} // namespace

int StoreSignedDocument(const CString& fileId, const CString& path, SignedDocumentKind kind) {
    CFileInfo info(path);
    if (path.IsEmpty() || !info.Exists()) {
        AfxMessageBox(kind == SignedDocumentKind::Word ? "不能正常存储签名后的Word文档文件..."
                                                       : "不能正常存储签名后的工程文档文件...");
        return 0;
    }
    CString projectNo, workId;
    CVQTWSaveFileToFTP ftp;
    if (!ftp.GetProjectInfoFromFileID(fileId, projectNo, workId)) {
        AfxMessageBox("取项目信息失败！");
        return 0;
    }
    const int mode = theApp.m_nDocStorageMode;
    if (mode == 1 || mode == 2) {
        // The copy on the server is replaced by the signed one under the same name.
        if (!ftp.InitVQPDMFTP())
            return 0;
        if (!ftp.PutVQPDMFileToFTP(path, fileId + info.GetFileExt())) {
            AfxMessageBox(StoreFailedText(kind));
            return 0;
        }
    }
    if (mode == 0 || mode == 1) {
        if (!StoreInDatabase(fileId, path, info, projectNo, workId, kind))
            return 0;
    } else {
        CString sql;
        sql.Format("UPDATE TeamWorkResult SET FileSize='%s', FileDate='%s' WHERE FileID='%s'",
                   SqlQuote(info.GetFileSizeKB()), SqlQuote(info.GetModifyTime()), SqlQuote(fileId));
        if (!theApp.ExecuteSql(sql))
            return 0;
    }
    if (kind == SignedDocumentKind::Report && theApp.m_nUseChangeTask)
        return FileChangeOrderSheet(fileId, path, info);
    return 1;
}
