#include "core/StoredRow.h"

#include "core/VqDesignTaskApp.h"
#include "core/StoredRowEdit.h"
#include "platform/db/SqlText.h"

#include <utility>

namespace {

vq::db::Engine ProductEngine() {
    return theApp.m_pConnPDM ? theApp.m_pConnPDM->GetEngine() : vq::db::Engine::Other;
}

std::function<void()>& AfterRecheckHook() {
    static std::function<void()> hook;
    return hook;
}

bool IsDigits(const CString& text) {
    if (text.IsEmpty())
        return false;
    for (const char c : text.str())
        if (c < '0' || c > '9')
            return false;
    return true;
}

} // namespace

CString StoredRowIdColumn() {
    switch (ProductEngine()) {
    case vq::db::Engine::SQLite:
        return "rowid";
    case vq::db::Engine::PostgreSQL:
        return "ctid::text";
    default:
        return CString();
    }
}

CString StoredRowIs(const CString& id) {
    switch (ProductEngine()) {
    case vq::db::Engine::SQLite:
        return IsDigits(id) ? "rowid = " + id : CString("1=0");
    case vq::db::Engine::PostgreSQL:
        return id.IsEmpty() ? CString("1=0") : "ctid = '" + SqlQuote(id) + "'::tid";
    default:
        return "1=1";
    }
}

CString LockingReadSuffix() {
    return ProductEngine() == vq::db::Engine::PostgreSQL ? CString(" FOR UPDATE") : CString();
}

long ExecuteCountingRows(const CString& sql) {
    if (!theApp.m_pConnPDM)
        return -1;
    try {
        long affected = 0;
        theApp.m_pConnPDM->Execute(sql, &affected, adCmdText);
        return affected;
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
    }
    return -1;
}

void SetAfterRecheckHook(std::function<void()> hook) {
    AfterRecheckHook() = std::move(hook);
}

void RunAfterRecheckHook() {
    if (const auto& hook = AfterRecheckHook())
        hook();
}

StoredDocumentDeletion DeleteStoredDocumentRow(const CString& table, const CString& key, const CString& fileName,
                                               const CString& fileType, const CString& fileSize) {
    const CString identity = StoredRowIdColumn();
    std::vector<CString> stored;
    bool found = false;
    if (!ReadFirstRowTexts("SELECT FileName, FileType, FileBulk" + (identity.IsEmpty() ? CString() : ", " + identity) +
                               " FROM " + table + " WHERE " + key + LockingReadSuffix(),
                           stored, found))
        return StoredDocumentDeletion::Failed;
    if (!found)
        return StoredDocumentDeletion::Gone;
    if (stored[0] != fileName || stored[1] != fileType || stored[2] != fileSize)
        return StoredDocumentDeletion::Replaced;
    RunAfterRecheckHook();
    // Only the row re-read goes; a document stored under the key meanwhile by a program that takes
    // none of our locks is seen by the last guard, and nothing is deleted.
    const long deleted = ExecuteCountingRows("DELETE FROM " + table + " WHERE " + key + " AND " +
                                             StoredRowIs(stored.size() > 3 ? stored[3] : CString()));
    if (deleted < 0)
        return StoredDocumentDeletion::Failed;
    if (deleted != 1)
        return StoredDocumentDeletion::Replaced;
    const int left = theApp.GetSqlInt("SELECT count(*) FROM " + table + " WHERE " + key);
    if (theApp.m_bConnectionLost)
        return StoredDocumentDeletion::Failed;
    return left == 0 ? StoredDocumentDeletion::Deleted : StoredDocumentDeletion::Replaced;
}
