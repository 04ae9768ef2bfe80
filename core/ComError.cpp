#include "core/ComError.h"

#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"

#include <memory>
#include <utility>

namespace {
DbFailure g_lastReported = DbFailure::Other;
unsigned long g_reportedCount = 0;
// A report of a database that takes no writes is kept for the end of the transaction open on
// this connection.
std::weak_ptr<_Connection> g_keptOn;
// The kind of no-write failure said last, until a write succeeds (Other: none).
DbFailure g_noWriteSaid = DbFailure::Other;

bool WriteFailureKept() {
    const std::shared_ptr<_Connection> connection = g_keptOn.lock();
    return connection && connection->InTransaction();
}

// The box's text: the common causes first, in the system's words; the driver's text after them
// still names the table, column or value. A busy database names nothing more: its words alone.
CString FailureText(const _com_error& e, DbFailure failure) {
    CString text = e.Description();
    if (text.IsEmpty()) {
        text = e.ErrorMessage();
        if (text.Right(2) == "\r\n")
            text = text.Left(text.GetLength() - 2);
    }
    if (failure == DbFailure::Busy)
        return DbFailureText(failure);
    if (failure != DbFailure::Other)
        return DbFailureText(failure) + "\n" + text;
    return text;
}
} // namespace

bool NoWriteFailureSaid(const _com_error& e) {
    const DbFailure failure = ClassifyDbError(e);
    return NoWriteCanSucceed(failure) && failure == g_noWriteSaid;
}

void NoteWriteSucceeded() {
    g_noWriteSaid = DbFailure::Other;
}

void ReportFailedCommit(const _com_error& e) {
    const DbFailure failure = ClassifyDbError(e);
    if (failure == DbFailure::ConnectionLost || (NoWriteCanSucceed(failure) && WriteFailureKept())) {
        ReportComError(e);
        return;
    }
    g_lastReported = failure;
    ++g_reportedCount;
    if (NoWriteCanSucceed(failure))
        g_noWriteSaid = failure;
    ShowDbMessage(FailureText(e, failure) + "\n" + kNothingStoredText);
}

void ShowDbMessage(const CString& text) {
    // A box the caller shows inside its transaction is preceded by the messages kept back, so
    // that a failure is never told after what the caller says next (a success least of all).
    static const bool keptComeFirst = [] {
        vq::SetMessageBoxPrelude([] {
            if (theApp.m_pConnPDM)
                theApp.m_pConnPDM->RunKeptReports();
        });
        return true;
    }();
    (void)keptComeFirst;
    auto show = [text] { AfxMessageBox(text, MB_OK); };
    if (theApp.m_pConnPDM)
        theApp.m_pConnPDM->AfterTransaction(show);
    else
        show();
}

DbFailure LastReportedDbFailure() {
    return g_lastReported;
}

unsigned long ReportedDbFailureCount() {
    return g_reportedCount;
}

bool NoWriteFailureReportedSince(unsigned long count) {
    return g_reportedCount != count && NoWriteCanSucceed(g_lastReported);
}

void ReportComError(_com_error e) {
    // A lost connection is said in the system's words: the driver's own text (often English,
    // and different for every driver) tells the person nothing more.
    const DbFailure failure = ClassifyDbError(e);
    g_lastReported = failure;
    ++g_reportedCount;
    if (failure == DbFailure::ConnectionLost) {
        // Every further statement fails the same way until the connection is opened again: said
        // once. Remembered, so that the caller does not read the missing answer as one with a
        // reason of its own, and so that the next action opens the connection again.
        if (theApp.m_bConnectionLost)
            return;
        theApp.m_bConnectionLost = TRUE;
        // Not kept for the end of a transaction: the lost session holds no locks, and the
        // transaction may never be ended by anyone. What was kept comes first.
        if (theApp.m_pConnPDM)
            theApp.m_pConnPDM->RunKeptReports();
        AfxMessageBox(DbFailureText(failure), MB_OK);
        return;
    }
    if (NoWriteCanSucceed(failure))
        g_noWriteSaid = failure;
    if (NoWriteCanSucceed(failure) && WriteFailureKept())
        return; // the transaction's box says it
    const CString text = FailureText(e, failure);
    const _ConnectionPtr& connection = theApp.m_pConnPDM;
    if (!NoWriteCanSucceed(failure) || !connection || !connection->InTransaction()) {
        ShowDbMessage(text);
        return;
    }
    // Said once the transaction has ended, with what it stored: a rolled-back one stored nothing.
    std::weak_ptr<_Connection> weak = connection->weak_from_this();
    g_keptOn = weak;
    connection->AfterTransaction([text, weak] {
        g_keptOn.reset();
        CString shown = text;
        const std::shared_ptr<_Connection> ended = weak.lock();
        if (ended && !ended->InTransaction() && ended->LastTransactionRolledBack())
            shown += CString("\n") + kNothingStoredText;
        AfxMessageBox(shown, MB_OK);
    });
}

CString VariantToString(_variant_t value) {
    return VariantToStoredText(std::move(value)).Trim();
}

CString VariantToStoredText(_variant_t value) {
    CString text;
    if (value.IsBinary() || !value.TryGetString(text))
        return CString();
    return text;
}

DbFailure ClassifyDbError(const _com_error& e) {
    const CString state = e.Source();
    CString text = e.Description();
    text.MakeLower();
    // Class 08 of SQLSTATE is a connection exception; 57P01..57P03 are the server shutting down
    // or ending the session, which PostgreSQL drivers pass on as they are.
    if (state.Left(2) == "08" && state != "08001" && state != "08004")
        return DbFailure::ConnectionLost;
    if (state.Left(3) == "57P" || text.Find("server closed the connection") >= 0 ||
        text.Find("connection has been lost") >= 0 || text.Find("connection lost") >= 0 ||
        text.Find("terminating connection") >= 0 || text.Find("connection dead") >= 0 ||
        text.Find("no connection to the server") >= 0)
        return DbFailure::ConnectionLost;
    // psqlODBC passes a lock that timed out on with a general state: its words tell.
    if (state == "55P03" || state == "40P01" || text.Find("database is locked") >= 0 ||
        text.Find("database table is locked") >= 0 || text.Find("due to lock timeout") >= 0 ||
        text.Find("deadlock detected") >= 0)
        return DbFailure::Busy;
    if (state == "25006" || text.Find("readonly database") >= 0 || text.Find("read-only transaction") >= 0)
        return DbFailure::ReadOnly;
    // SQLite's SQLITE_FULL (a full disk, or the database's page limit); PostgreSQL's class 53
    // disk_full, which psqlODBC may pass on with a general state and the system's words.
    if (state == "53100" || text.Find("database or disk is full") >= 0 ||
        text.Find("no space left on device") >= 0 || text.Find("disk quota exceeded") >= 0)
        return DbFailure::DiskFull;
    // SQLite's SQLITE_IOERR; PostgreSQL's io_error and the file failures of its storage.
    if (state == "58030" || text.Find("disk i/o error") >= 0 || text.Find("could not write to file") >= 0 ||
        text.Find("could not extend file") >= 0 || text.Find("could not fsync file") >= 0)
        return DbFailure::DiskError;
    // PostgreSQL's insufficient_privilege: the account may not write (or read) the table.
    if (state == "42501" || text.Find("permission denied for") >= 0)
        return DbFailure::NoPermission;
    if (text.Find("file is not a database") >= 0 || text.Find("file is encrypted") >= 0 ||
        text.Find("database disk image is malformed") >= 0)
        return DbFailure::NotADatabase;
    // Tables and columns: SQLite's words, PostgreSQL's undefined table and column, ODBC's base
    // table and column not found.
    const bool missingName =
        (text.Find("relation \"") >= 0 || text.Find("column \"") >= 0) && text.Find("does not exist") >= 0;
    if (state == "42P01" || state == "42703" || state == "42S02" || state == "42S22" || missingName ||
        text.Find("no such table") >= 0 || text.Find("no such column") >= 0 ||
        text.Find("has no column named") >= 0)
        return DbFailure::SchemaMismatch;
    // A text longer than its column, or too long for the index on its column.
    if (state == "22001" || text.Find("value too long") >= 0 || text.Find("index row size") >= 0 ||
        text.Find("string or blob too big") >= 0)
        return DbFailure::ValueTooLong;
    if (state == "08001" || state == "08004" || text.Find("unable to open database") >= 0 ||
        text.Find("cannot open") >= 0 || text.Find("connect failed") >= 0)
        return DbFailure::CannotOpen;
    return DbFailure::Other;
}

CString DbFailureText(DbFailure failure) {
    switch (failure) {
    case DbFailure::ConnectionLost:
        return "与数据库的连接已断开，操作不能继续。";
    case DbFailure::Busy:
        return "数据正被其他用户或程序锁定，请稍后再试。";
    case DbFailure::NotADatabase:
        return "文件不是数据库，或已损坏。";
    case DbFailure::CannotOpen:
        return "不能打开数据库。";
    case DbFailure::ReadOnly:
        return "数据库是只读的，不能保存修改。";
    case DbFailure::SchemaMismatch:
        return "数据库的结构与本程序不符：缺少表或字段。";
    case DbFailure::ValueTooLong:
        return "数据库的结构与本程序不符：值超出了字段的长度。";
    case DbFailure::DiskFull:
        return "磁盘已满，数据库不能写入。";
    case DbFailure::DiskError:
        return "读写数据库文件时磁盘出错，数据库不能写入。";
    case DbFailure::NoPermission:
        return "数据库帐户没有进行此操作的权限。";
    case DbFailure::Other:
        break;
    }
    return CString();
}

bool NoWriteCanSucceed(DbFailure failure) {
    switch (failure) {
    case DbFailure::ConnectionLost:
    case DbFailure::Busy:
    case DbFailure::NotADatabase:
    case DbFailure::CannotOpen:
    case DbFailure::ReadOnly:
    case DbFailure::DiskFull:
    case DbFailure::DiskError:
    case DbFailure::NoPermission:
        return true;
    case DbFailure::Other:
    case DbFailure::SchemaMismatch:
    case DbFailure::ValueTooLong:
        break;
    }
    return false;
}
