#include "parts/ChangeOrderSheet.h"

#include "core/DocumentFetch.h"
#include "core/ItemText.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/maker/FileStore.h"

CString FetchChangeOrderSheet(const CString& folder, const CString& group, const CString& number) {
    CWaitCursor wait;
    CString sql;
    sql.Format("SELECT FileBulk FROM ECORelateFile WHERE ECOGroup='%s' AND ECONo='%s' AND DocType='_VQ_ECO'",
               SqlQuote(group), SqlQuote(number));
    if (theApp.GetSqlString(sql).IsEmpty())
        return "";
    CString name;
    name.Format("M%s_ECO.tbl", MakeValidFileName(number));
    const CString localPath = folder + name;
    sql.Format("SELECT DocSaved, DocContent FROM ECORelateFile WHERE ECOGroup='%s' AND ECONo='%s' AND "
               "DocType='_VQ_ECO'",
               SqlQuote(group), SqlQuote(number));
    CVQSaveFileToDB store;
    if (store.PopFileFromDB(sql, localPath, "DocContent", "PDM").IsEmpty()) {
        ReportFetchFailure(group + number, store.GetLastFailure(), "文档下载失败!");
        return "";
    }
    theApp.AddUniqueFile(localPath);
    return localPath;
}
