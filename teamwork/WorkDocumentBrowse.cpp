#include "teamwork/WorkDocumentBrowse.h"

#include "controls/DocViewLauncher.h"
#include "core/DocumentFetch.h"
#include "core/FileInfo.h"
#include "core/ItemText.h"
#include "core/TeamWorkLog.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/db/SqlText.h"
#include "platform/maker/FileStore.h"
#include "teamwork/DesignFilePartReader.h"
#include "teamwork/DocFileItem.h"

bool BrowseWorkDocument(const CString& folder, const DocFileItem& record, const CString& shownName,
                        int databaseType) {
    const CString& fileId = record.m_strKey;
    const CString tempPath = WorkDocumentTempPath(folder, fileId, record.m_strFile);
    CString sql;
    sql.Format(databaseType == 2
                   ? "SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE rtrim(FileID)='%s' ORDER BY FileID"
                   : "SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='%s' ORDER BY FileID",
               SqlQuote(fileId));
    CVQSaveFileToDB store;
    if (store.PopFileFromDB(sql, tempPath, "DocContent", fileId, record.m_strFile).IsEmpty()) {
        ReportFetchFailure(record.m_strFile, store.GetLastFailure(), "文档下载失败!");
        return false;
    }
    CString prompt;
    prompt.Format("直接浏览工作文档：%s[%s]", shownName, fileId);
    CTeamWorkLog log;
    log.WriteLog(fileId, "浏览", "浏览文档", prompt);
    OpenFetchedWorkDocument(tempPath, fileId);
    return true;
}

CString WorkDocumentTempPath(const CString& folder, const CString& fileId, const CString& storedName) {
    // The stored name comes from the database: whatever folders it names, the fetched file lands
    // in the caller's folder under a plain name.
    CString name;
    name.Format("T%s_%s", fileId, storedName);
    return folder + MakeValidFileName(name);
}

void OpenFetchedWorkDocument(const CString& tempPath, const CString& fileId) {
    theApp.AddUniqueFile(tempPath);
    if (!CFileInfo(tempPath).Exists())
        return;
    CDesignFilePartReader reader;
    reader.ReadFileParts(tempPath, fileId);
    OpenDocumentFile(tempPath);
}
