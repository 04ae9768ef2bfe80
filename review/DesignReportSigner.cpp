#include "review/DesignReportSigner.h"

#include "core/FileInfo.h"
#include "core/InstallPath.h"
#include "core/ItemText.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/File.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/maker/FileStore.h"
#include "platform/maker/TableFile.h"
#include "review/SignedDocumentStore.h"

void CDesignReportSigner::SignCells(const CString& stepName, int assisting, CString& nameCell,
                                    CString& opinionCell, CString& dateCell) {
    CString step = stepName;
    int mark = step.Find("[N]");
    if (mark >= 1)
        step = step.Left(mark);
    const CString prefix = assisting ? CString("更改单\\协助") : CString("更改单\\");
    nameCell = prefix + step + "者";
    opinionCell = prefix + step + "意见";
    dateCell = prefix + step + "日期";
}

void CDesignReportSigner::Prepare() {
    Connection = theApp.m_pConnPDM;
    CloseMode = theApp.m_nAdoCloseMode;
    UserName = theApp.m_strUserName;
    if (UserName.IsEmpty()) {
        CString sql;
        sql.Format("SELECT UserName FROM UserInformation WHERE UserLogName='%s'",
                   SqlQuote(theApp.m_strLoginUser));
        UserName = theApp.GetSqlString(sql);
    }
}

CString CDesignReportSigner::DownloadReport() {
    CWaitCursor wait;
    CString sql;
    sql.Format("SELECT FileSize FROM TeamWorkResult WHERE FileID='%s'", SqlQuote(FileID));
    if (theApp.GetSqlString(sql).IsEmpty())
        return CString();
    CString target = m_callFolder.Path() + "R_" + MakeValidFileName(FileID) + ".tbl";
    sql.Format("SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='%s'", SqlQuote(FileID));
    CVQSaveFileToDB store;
    CString path = store.PopFileFromDB(sql, target, "DocContent", FileID, target);
    if (path.IsEmpty())
        AfxMessageBox("文档下载失败!");
    return path;
}

int CDesignReportSigner::SaveSignedDocument(CString path) {
    return StoreSignedDocument(FileID, path, SignedDocumentKind::Report);
}

int CDesignReportSigner::SignReport(CString stepName, CString opinion, int assisting) {
    Prepare();
    if (FileID.IsEmpty()) {
        AfxMessageBox("报表文件的编号不能为空，不能正常进行电子签名...");
        return 0;
    }
    CString path = DownloadReport();
    if (path.IsEmpty() || !CFileInfo(path).Exists()) {
        AfxMessageBox("不能正常下载设计过程的报表文件...");
        return 0;
    }
    CString nameCell, opinionCell, dateCell;
    SignCells(stepName, assisting, nameCell, opinionCell, dateCell);
    CVQReadTblTool tool;
    tool.SetTblFile(path);
    tool.SetTitleDataBySrc(nameCell, UserName);
    tool.SetTitleDataBySrc(opinionCell, opinion);
    tool.SetTitleDataBySrc(dateCell, theApp.GetServerDate());
    // A report that cannot be signed is not stored back over the unsigned one.
    int result = 0;
    if (tool.Serialize(1, path))
        result = SaveSignedDocument(path);
    else
        AfxMessageBox("不能正常存储签名后的工程文档文件...");
    CFile::Remove(path);
    return result != 0 ? 1 : 0;
}
