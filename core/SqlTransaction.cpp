#include "core/SqlTransaction.h"

#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"

CSqlTransaction::CSqlTransaction() : m_connection(theApp.m_pConnPDM) {
    if (!m_connection)
        return;
    try {
        m_connection->BeginTrans();
        m_active = true;
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

CSqlTransaction::~CSqlTransaction() {
    if (!m_active)
        return;
    try {
        m_connection->RollbackTrans();
    } catch (_com_error&) {
        // Nothing more can be done; the connection ends the transaction when it closes.
    }
}

bool CSqlTransaction::Lock(const CString& name, bool withNextStatement) {
    if (!m_active)
        return false;
    try {
        m_connection->LockUntilTransactionEnds(name, withNextStatement);
        return true;
    } catch (_com_error& e) {
        ReportComError(e);
    }
    return false;
}

bool CSqlTransaction::Commit() {
    if (!m_active)
        return false;
    try {
        m_connection->CommitTrans();
        m_active = false;
        NoteWriteSucceeded();
        return true;
    } catch (_com_error& e) {
        ReportFailedCommit(e);
    }
    try {
        m_connection->RollbackTrans();
    } catch (_com_error&) {
    }
    m_active = false;
    return false;
}

bool CSqlTransaction::ExecuteAndCommit(const std::vector<CString>& statements) {
    for (const CString& statement : statements) {
        if (!theApp.ExecuteSql(statement))
            return false;
    }
    return Commit();
}

bool ExecuteSqlAsOneUnit(const _ConnectionPtr& connection, const std::vector<CString>& statements) {
    try {
        connection->BeginTrans();
    } catch (_com_error& e) {
        ReportComError(e);
        return false;
    }
    for (const CString& sql : statements) {
        if (!theApp.ExecuteSql(sql)) {
            try {
                connection->RollbackTrans();
            } catch (_com_error& e) {
                ReportComError(e);
            }
            return false;
        }
    }
    try {
        connection->CommitTrans();
        NoteWriteSucceeded();
        return true;
    } catch (_com_error& e) {
        ReportFailedCommit(e);
        try {
            connection->RollbackTrans();
        } catch (_com_error&) {
        }
        return false;
    }
}
