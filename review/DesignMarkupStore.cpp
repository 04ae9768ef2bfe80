#include "review/DesignMarkupStore.h"

#include "core/ComError.h"
#include "core/FileInfo.h"
#include "core/InstallPath.h"
#include "core/ItemText.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/File.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/maker/FileStore.h"

#include <cstdlib>
#include <optional>

namespace {

constexpr const char* kStepCondition =
    "TaskGroup='_T' AND FileID='%s' AND AuditName='%s' AND AuditDate='%s' AND "
    "FileGroup='_Markup'";

long long ToKey(CString text) {
    text.Trim();
    return std::atoll(text);
}

// The first value of a statement's first row as a key; 0 when there is no row. A failure throws.
long long FirstKey(const _ConnectionPtr& connection, const CString& sql) {
    _RecordsetPtr rs;
    rs.CreateInstance();
    rs->Open(sql, connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
    const long long key = rs->IsEOF() ? 0 : ToKey(VariantToString(rs->GetCollect(0L)));
    rs->Close();
    return key;
}

} // namespace

CDesignMarkupStore::CDesignMarkupStore() {
    m_dVoloViewVersion = std::atof(ReadSetting("设计过程管理", "VoloView版本", "1"));
}

CString CDesignMarkupStore::MarkupToolName() const {
    if (m_dVoloViewVersion > 1.0) {
        CString name;
        name.Format("VoloView%g", m_dVoloViewVersion);
        return name;
    }
    return "VoloView1.0";
}

CString CDesignMarkupStore::StoredAuditDate() const {
    if (m_nRound <= 0)
        return m_strAuditDate;
    CString date;
    date.Format("%s #%d", m_strAuditDate.c_str(), m_nRound + 1);
    return date;
}

int CDesignMarkupStore::LoggedRounds() const {
    CString sql;
    sql.Format("SELECT count(*) FROM TaskLogInformation WHERE ProjectNo='%s' AND TaskName='%s' AND Other1='%s'",
               SqlQuote(m_strFileID), SqlQuote(m_strAuditTask), SqlQuote(m_strAuditDate));
    return theApp.GetSqlInt(sql);
}

void CDesignMarkupStore::SetRoundOfStep(const CString& stepState) {
    const int logged = LoggedRounds();
    m_nRound = stepState == "已完成" && logged > 0 ? logged - 1 : logged;
}

int CDesignMarkupStore::FindStoredMarkup(bool firstRow) {
    CString where;
    where.Format(kStepCondition, SqlQuote(m_strFileID), SqlQuote(m_strAuditTask), SqlQuote(StoredAuditDate()));
    CString sql =
        "SELECT FileLogID, FileBulk, Auditor, SaveTime, FileType, MarkupTool FROM DesignMarkupManage "
        "WHERE " +
        where;
    m_bMarkupFound = 0;
    m_bLookupFailed = 0;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF() && !(firstRow && m_bMarkupFound)) {
            m_nFileLogID = ToKey(VariantToString(rs->GetCollect(0L)));
            m_strFileBulk = VariantToString(rs->GetCollect(1L));
            m_strStoredAuditor = VariantToString(rs->GetCollect(2L));
            m_strSaveTime = VariantToString(rs->GetCollect(3L));
            m_strFileType = VariantToString(rs->GetCollect(4L));
            m_strMarkupTool = VariantToString(rs->GetCollect(5L));
            m_bMarkupFound = 1;
            rs->MoveNext();
        }
        rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        m_bMarkupFound = 0;
        m_bLookupFailed = 1;
    }
    return m_bMarkupFound;
}

CString CDesignMarkupStore::DownloadMarkupFile(const CString& failureText) {
    if (m_strFileBulk.IsEmpty() || m_nFileLogID == 0)
        return CString();
    CString name;
    name.Format("Vq_Markup_%lld%s", m_nFileLogID, MakeValidFileName(m_strFileType).c_str());
    CString sql;
    sql.Format("SELECT DocSaved, DocContent FROM DesignMarkupPackage WHERE FileLogID=%lld", m_nFileLogID);
    CWaitCursor wait;
    CVQSaveFileToDB store;
    CString path = store.PopFileFromDB(sql, m_callFolder.Path() + name, "DocContent", "PDM");
    if (path.IsEmpty()) {
        AfxMessageBox(failureText);
        return CString();
    }
    m_arrTempFiles.Add(path);
    theApp.AddUniqueFile(path);
    return path;
}

CString CDesignMarkupStore::MarkupFileName() const {
    if (m_bAutoVue)
        return CString();
    CString name;
    name.Format(m_dVoloViewVersion > 1.0 ? "%s_Vq_%s_%s.rml" : "%s_Vq_%s_%s.dwf", m_callFolder.Path().c_str(),
                MakeValidFileName(m_strFileID).c_str(), MakeValidFileName(m_strAuditTask).c_str());
    return name;
}

int CDesignMarkupStore::SaveMarkup(const CString& path) {
    if (path.IsEmpty() || !CFileInfo(path).Exists())
        return 0;
    if (!StoreMarkup(path))
        return -1;
    CFile::Remove(path);
    return 1;
}

long long CDesignMarkupStore::NextSequenceKey() {
    long long key = 0;
    try {
        key = FirstKey(theApp.m_pConnPDM, "SELECT Markup_FileLogID.nextVal FROM dual");
    } catch (_com_error& e) {
        SayStoreFailed(&e);
        return 0;
    }
    if (key == 0)
        AfxMessageBox("请检查数据库中是否存在名称为: Markup_FileLogID 的序列, 如果没有请联系服务商!",
                      MB_OK | MB_ICONEXCLAMATION);
    return key;
}

CString CDesignMarkupStore::InsertStatement(long long key, const CString& size, const CString& time,
                                            const CString& ext) const {
    // The opinion goes in with the row: a row without it never becomes visible.
    CString values;
    values.Format("'%s', '_T', '%s', '%s', '%s', '%s', '_Markup', '%s', '%s', '%s', '%s', '%s'",
                  SqlQuote(m_strWorkID), SqlQuote(m_strFileID), SqlQuote(m_strAuditTask),
                  SqlQuote(m_strAuditor), SqlQuote(StoredAuditDate()), SqlQuote(size), SqlQuote(time),
                  SqlQuote(ext), SqlQuote(MarkupToolName()), SqlQuote(m_strOpinion));
    CString sql;
    if (key != 0)
        sql.Format(
            "INSERT INTO DesignMarkupManage (FileLogID, TaskID, TaskGroup, FileID, AuditName, Auditor, "
            "AuditDate, FileGroup, FileBulk, SaveTime, FileType, MarkupTool, Other1) VALUES(%lld, %s)",
            key, values.c_str());
    else
        sql.Format(
            "INSERT INTO DesignMarkupManage (TaskID, TaskGroup, FileID, AuditName, Auditor, AuditDate, "
            "FileGroup, FileBulk, SaveTime, FileType, MarkupTool, Other1) VALUES(%s)",
            values.c_str());
    return sql;
}

CString CDesignMarkupStore::ReadBackStatement() const {
    // The store holds the lock of the document's markup, so the newest row of the step under the
    // reviewer's name is the one it has just written: the earlier markup is still there until the
    // end of the store.
    CString where;
    where.Format(kStepCondition, SqlQuote(m_strFileID), SqlQuote(m_strAuditTask), SqlQuote(StoredAuditDate()));
    CString sql;
    sql.Format("SELECT max(FileLogID) FROM DesignMarkupManage WHERE %s AND Auditor='%s'", where.c_str(),
               SqlQuote(m_strAuditor));
    return sql;
}

void CDesignMarkupStore::SayStoreFailed(const _com_error* error) const {
    CString text = "未能正确存储红线批注文件...";
    if (error) {
        // A lost connection is said once, as everywhere; the caller stops on it.
        if (IsConnectionLost(*error)) {
            ReportComError(*error);
            return;
        }
        const DbFailure failure = ClassifyDbError(*error);
        const CString cause = failure == DbFailure::Other ? error->Description() : DbFailureText(failure);
        if (!cause.IsEmpty())
            text += "\n" + cause;
    }
    AfxMessageBox(text + "\n评审结果没有保存，请稍后再试。", MB_OK | MB_ICONEXCLAMATION);
}

long long CDesignMarkupStore::WriteRows(const _ConnectionPtr& connection, long long key, const CString& path,
                                        const CString& size, const CString& time, const CString& ext) {
    // Two stores of the document's markup (the reviewer's two windows on a step) are taken one
    // after the other.
    CString lock = "DesignMarkupManage:" + m_strFileID;
    lock.MakeUpper();
    connection->LockUntilTransactionEnds(lock);
    connection->Execute(InsertStatement(key, size, time, ext));
    const long long stored = FirstKey(connection, ReadBackStatement());
    if (stored == 0 || (key != 0 && stored != key))
        return 0;
    CString sql;
    sql.Format("INSERT INTO DesignMarkupPackage (FileLogID, FileType, FileDate) VALUES(%lld, '%s', '%s')",
               stored, SqlQuote(ext), SqlQuote(time));
    connection->Execute(sql);
    sql.Format("SELECT DocSaved, DocContent FROM DesignMarkupPackage WHERE FileLogID=%lld", stored);
    CVQSaveFileToDB store;
    if (!store.PushFileToDB(sql, path, "DocContent", "PDM"))
        return 0;
    // A reviewer keeps one stored markup per step: the earlier one goes once the new one is in.
    if (m_nFileLogID != 0) {
        sql.Format("DELETE FROM DesignMarkupPackage WHERE FileLogID=%lld", m_nFileLogID);
        connection->Execute(sql);
        sql.Format("DELETE FROM DesignMarkupManage WHERE FileLogID=%lld", m_nFileLogID);
        connection->Execute(sql);
    }
    return stored;
}

long long CDesignMarkupStore::WriteMarkup(long long key, const CString& path, const CString& size,
                                          const CString& time, const CString& ext) {
    _ConnectionPtr connection = theApp.m_pConnPDM;
    // The failure is said once the transaction has been rolled back: the earlier markup stays as
    // it was, and no other client waits on the box.
    std::optional<_com_error> failure;
    try {
        connection->BeginTrans();
        try {
            const long long stored = WriteRows(connection, key, path, size, time, ext);
            if (stored != 0) {
                connection->CommitTrans();
                return stored;
            }
        } catch (_com_error& e) {
            failure = e;
        }
        // A commit that failed has ended the transaction already.
        if (connection->InTransaction())
            connection->RollbackTrans();
    } catch (_com_error& e) {
        if (!failure)
            failure = e;
    }
    SayStoreFailed(failure ? &*failure : nullptr);
    return 0;
}

int CDesignMarkupStore::StoreMarkup(const CString& path) {
    CFileInfo info(path);
    if (path.IsEmpty() || !info.Exists())
        return 0;
    const CString size = info.GetFileSizeKB();
    const CString ext = info.GetFileExt();
    const CString time = info.GetModifyTime();

    if (!theApp.m_pConnPDM)
        return 0;
    long long key = 0;
    if (theApp.m_nDatabaseType == 2) {
        key = NextSequenceKey();
        if (key == 0)
            return 0;
    }
    CWaitCursor wait;
    const long long stored = WriteMarkup(key, path, size, time, ext);
    if (stored == 0)
        return 0;
    m_nFileLogID = stored;
    m_bMarkupFound = 1;
    m_strFileBulk = size;
    m_strStoredAuditor = m_strAuditor;
    m_strSaveTime = time;
    m_strFileType = ext;
    m_strMarkupTool = MarkupToolName();
    return 1;
}

int CDesignMarkupStore::DeleteMarkupById() {
    if (m_nFileLogID == 0)
        return 1;
    CString sql;
    sql.Format("DELETE FROM DesignMarkupPackage WHERE FileLogID=%lld", m_nFileLogID);
    if (!theApp.ExecuteSql(sql))
        return 0;
    sql.Format("DELETE FROM DesignMarkupManage WHERE FileLogID=%lld", m_nFileLogID);
    return theApp.ExecuteSql(sql) ? 1 : 0;
}

int CDesignMarkupStore::DeleteStoredMarkup() {
    CString where;
    where.Format(kStepCondition, SqlQuote(m_strFileID), SqlQuote(m_strAuditTask), SqlQuote(StoredAuditDate()));
    if (!theApp.ExecuteSql("delete FROM DesignMarkupManage WHERE " + where))
        return 0;
    if (m_nFileLogID != 0) {
        CString sql;
        sql.Format("delete FROM DesignMarkupPackage WHERE FileLogID=%lld", m_nFileLogID);
        if (!theApp.ExecuteSql(sql))
            return 0;
    }
    m_nFileLogID = 0;
    m_bMarkupFound = 0;
    return 1;
}
