#include "teamwork/DeleteWorkCascade.h"

#include "core/ComError.h"
#include "core/SqlTransaction.h"
#include "core/StoredRow.h"
#include "core/StoredRowEdit.h"
#include "core/TeamWorkLog.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/maker/FileStore.h"
#include "projects/ProjectTaskRecords.h"
#include "projects/WorkDocumentCopies.h"

#include <set>
#include <string>
#include <vector>

namespace {

// The statement with its "WorkID='%s'" the condition that WorkID holds the work's number exactly
// as stored: a work numbered "xm-01#001" never reaches the rows of work "XM-01#001".
CString WithWork(const char* format, const CString& workId) {
    CString sql(format);
    // One pass: the number put in is not read again.
    sql.Replace("WorkID='%s'", projects::NumberIsExactly("WorkID", workId));
    return sql;
}

// Why the work may not be deleted, as the refusal says it; empty when nothing refuses. workState
// is the state the refusal judges. False after a database error has been shown.
bool FindRefusal(const CString& workId, const CString& taskNo, const CString& workState, CString& refusal) {
    refusal.Empty();
    // Every row goes by the work number exactly: it must be the number of one work, of the task
    // shown (however another client wrote the task's number).
    CString sql;
    sql.Format("SELECT count(*) FROM TeamWorkManage WHERE %s AND TaskNo='%s'",
               projects::NumberIsExactly("WorkID", workId), SqlQuote(taskNo));
    const int works = projects::QueryGuardCount(sql);
    if (works < 0)
        return false;
    if (works != 1) {
        refusal = "该工作任务已不存在，或其编号不能从数据库中确切读出，没有删除任何数据...";
        return true;
    }
    // Sub-work tasks would keep a parent number that no longer exists.
    sql.Format("SELECT count(*) FROM TeamWorkManage WHERE UpWorkID='%s' AND WorkID<>'%s'", SqlQuote(workId),
               SqlQuote(workId));
    const int below = projects::QueryGuardCount(sql);
    if (below < 0)
        return false;
    if (below > 0) {
        refusal = "请先删除任务下面的任务，再删除本任务...";
        return true;
    }
    if (workState == "评审" || workState == "完成") {
        refusal = "处于评审及完成状态的任务不能删除...";
        return true;
    }
    // Documents of a work whose number differs only in case refuse as well.
    sql.Format("SELECT count(*) FROM TeamWorkResult WHERE WorkID = '%s'", SqlQuote(workId));
    const int documents = projects::QueryGuardCount(sql);
    if (documents < 0)
        return false;
    if (documents > 0)
        refusal = " 该任务下存在工作文档，请先删除工作文档...";
    return true;
}

bool PassesChecks(const CString& workId, const CString& taskNo, const CString& workState) {
    CString refusal;
    if (!FindRefusal(workId, taskNo, workState, refusal))
        return false;
    if (!refusal.IsEmpty()) {
        AfxMessageBox(refusal);
        return false;
    }
    return vq::ShowMessageBox("警告", "删除该工作任务将失去其对应的所有信息,真的要删除吗?",
                              MB_YESNO | MB_ICONWARNING) == IDYES;
}

// The statements of the deletion before the work row's own, in order.
std::vector<CString> DeletionStatements(const CString& workId, int storageMode, bool withStructure) {
    std::vector<const char*> formats = {
        "DELETE FROM TeamWorkRequest WHERE WorkID='%s'",
        "DELETE FROM TeamWorkResourcePack WHERE ResourceID in (SELECT ResourceID FROM TeamWorkResource WHERE "
        "WorkID='%s')",
        "DELETE FROM TeamWorkResource WHERE WorkID='%s'",
        "DELETE FROM TeamWorkRelation WHERE FileID in (SELECT FileID FROM TeamWorkResult WHERE WorkID='%s')",
        "DELETE FROM TeamWorkAdvise WHERE FileID in (SELECT FileID FROM TeamWorkResult WHERE WorkID='%s')",
        "DELETE FROM TeamWorkAudit WHERE FileID in (SELECT FileID FROM TeamWorkResult WHERE WorkID='%s')",
        "DELETE FROM TeamWorkHistory WHERE FileID in (SELECT FileID FROM TeamWorkResult WHERE WorkID='%s')"};
    if (storageMode == 0 || storageMode == 1)
        formats.push_back(
            "DELETE FROM TeamWorkResultPack WHERE FileID in (SELECT FileID FROM TeamWorkResult WHERE WorkID='%s')");
    if (withStructure) {
        formats.push_back(
            "DELETE FROM VqkorvelTeam_title WHERE FileID IN (SELECT FileID FROM TeamWorkResult WHERE WorkID='%s')");
        formats.push_back(
            "DELETE FROM VqkorvelTeam_detail WHERE FileID IN (SELECT FileID FROM TeamWorkResult WHERE WorkID='%s')");
    }
    // No statement deletes a row of TeamWorkResult: the checks under the lock found none, and one
    // stored meanwhile by a client that takes no lock of ours refuses the deletion (the last guard).
    // The work row itself goes by its stored identity (DeleteRowsIfUnchanged).
    formats.push_back("DELETE FROM TeamWorkPart WHERE WorkID='%s'");
    formats.push_back("DELETE FROM TeamWorkPartTree WHERE WorkID='%s'");
    std::vector<CString> statements;
    for (const char* format : formats)
        statements.push_back(WithWork(format, workId));
    return statements;
}

// Counts what may have come after the checks under the lock, in the deleting transaction: the
// sub-work tasks and the documents of the work. 1 when there are none, 0 when there are, -1 after
// a database error has been shown.
int NothingCameMeanwhile(const CString& workId) {
    CString sql;
    sql.Format("SELECT count(*) FROM TeamWorkManage WHERE UpWorkID='%s' AND WorkID<>'%s'", SqlQuote(workId),
               SqlQuote(workId));
    const int below = projects::QueryGuardCount(sql);
    if (below != 0)
        return below < 0 ? -1 : 0;
    sql.Format("SELECT count(*) FROM TeamWorkResult WHERE WorkID = '%s'", SqlQuote(workId));
    const int documents = projects::QueryGuardCount(sql);
    return documents == 0 ? 1 : documents < 0 ? -1 : 0;
}

// The rows go in one transaction that first takes the work's lock and reads again, from the
// stored rows, what the checks before the question read: a document stored, a sub-work task made
// or the work sent to review by another client while the question was open refuses the deletion
// (said once the lock is given back), and nothing is deleted. Other programs write the same
// database without our lock: the work row goes only as it was re-read (its stored identity, its
// state still one that may be deleted), and a last guard after the statements, in the same
// transaction, rolls everything back when a sub-work task or a document of the work came
// meanwhile; the check's own message then says what came.
bool DeleteRowsIfUnchanged(const CString& workId, const CString& taskNo,
                           const std::vector<CString>& statements) {
    CString refusal;
    bool guarded = false;
    {
        CSqlTransaction transaction;
        if (!transaction.IsActive() || !transaction.Lock(projects::WorkTaskLockName(workId)))
            return false;
        const CString identity = StoredRowIdColumn();
        CString sql;
        // The work row is read with its stored identity, and on a server kept from other writers
        // until the transaction ends.
        sql.Format("SELECT WorkState%s FROM TeamWorkManage WHERE %s AND TaskNo='%s'%s",
                   identity.IsEmpty() ? CString() : ", " + identity,
                   projects::NumberIsExactly("WorkID", workId), SqlQuote(taskNo), LockingReadSuffix());
        std::vector<CString> stored;
        bool found = false;
        if (!ReadFirstRowTexts(sql, stored, found))
            return false;
        const CString storedState = found ? stored[0] : CString();
        if (theApp.m_bConnectionLost || !FindRefusal(workId, taskNo, storedState, refusal))
            return false;
        if (refusal.IsEmpty()) {
            RunAfterRecheckHook();
            for (const CString& statement : statements)
                if (!theApp.ExecuteSql(statement))
                    return false;
            sql.Format("DELETE FROM TeamWorkManage WHERE %s AND TaskNo='%s' AND %s AND (WorkState IS NULL OR "
                       "WorkState NOT IN ('评审', '完成'))",
                       projects::NumberIsExactly("WorkID", workId), SqlQuote(taskNo),
                       StoredRowIs(stored.size() > 1 ? stored[1] : CString()));
            const long deleted = ExecuteCountingRows(sql);
            if (deleted < 0)
                return false;
            const int nothingCame = deleted == 1 ? NothingCameMeanwhile(workId) : 0;
            if (nothingCame == 1)
                return transaction.Commit();
            if (nothingCame < 0 || theApp.m_bConnectionLost)
                return false;
            guarded = true;
        }
    }
    if (guarded) {
        // Rolled back: the checks, read again, name what came.
        CString sql;
        sql.Format("SELECT WorkState FROM TeamWorkManage WHERE %s",
                   projects::NumberIsExactly("WorkID", workId));
        const CString storedState = theApp.GetSqlString(sql);
        if (theApp.m_bConnectionLost || !FindRefusal(workId, taskNo, storedState, refusal))
            return false;
        if (refusal.IsEmpty())
            refusal = "该工作任务已被其他用户修改，没有删除任何数据...";
    }
    AfxMessageBox(refusal);
    return false;
}

} // namespace

bool DeleteWorkCascade(const CString& workId, const CString& taskNo, const CString& workState,
                       bool withStructure, const CString& logPrompt) {
    if (!PassesChecks(workId, taskNo, workState))
        return false;
    CWaitCursor wait;
    const int storageMode = theApp.m_nDocStorageMode;
    const bool onFtp = storageMode == 1 || storageMode == 2;
    CVQTWSaveFileToFTP store;
    std::vector<WorkDocumentRef> documents;
    if (onFtp) {
        // The server must be usable before anything is deleted, or contents would stay behind
        // without their rows.
        if (!store.InitVQPDMFTP()) {
            AfxMessageBox("文件服务器(FTP)不能使用，没有删除任何数据...");
            return false;
        }
        if (!ReadWorkDocuments(WithWork("SELECT FileID, FileName FROM TeamWorkResult WHERE WorkID='%s'", workId),
                               documents))
            return false;
    }
    // Copies whose names a server that ignores case reads as the folder of a task, or as a copy
    // of a document of another work, stay; decided before any row goes.
    CStringArray keptCopies;
    if (!documents.empty()) {
        std::set<std::string> taskFolders;
        if (!ReadTaskFolderKeys(taskFolders) ||
            !KeepCopiesOfStayingNames(
                documents, taskFolders,
                "WorkID IS NULL OR NOT (" + projects::NumberIsExactly("WorkID", workId) + ")", keptCopies))
            return false;
    }
    if (!DeleteRowsIfUnchanged(workId, taskNo, DeletionStatements(workId, storageMode, withStructure)))
        return false;
    if (onFtp) {
        CStringArray leftovers;
        RemoveWorkDocumentCopies(store, documents, leftovers);
        ReportFtpLeftovers(leftovers, CStringArray(), false, CStringArray(), keptCopies);
    }
    CTeamWorkLog log;
    if (!log.WriteLog(workId, "删除", "撤消工作", logPrompt)) {
        // The error shown names a statement; the deletion itself is complete.
        AfxMessageBox("工作任务[" + CString(vq::VisibleText(workId.str())) +
                      "]及其全部信息已删除，但删除记录未能写入工作日志。");
    }
    return true;
}
