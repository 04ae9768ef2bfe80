// The SQL services of the application object: single values, statements and the server clock,
// on the product connection the current entry call lent (m_pConnPDM).
#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/WaitCursor.h"

#include <cstdlib>

namespace {

// Closes the recordset when the close mode asks for it; it is released with its last reference.
void CloseIfAsked(const _RecordsetPtr& rs, int closeMode) {
    if (closeMode && rs && rs->GetState() == adStateOpen)
        rs->Close();
}

CString TwoDigits(CString text) {
    if (text.GetLength() == 1)
        text = "0" + text;
    return text;
}

} // namespace

int CVqDesignTaskApp::GetSqlInt(CString sql) {
    int value = 0;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnPDM, adOpenStatic, adLockReadOnly, adCmdUnknown);
        if (!rs->IsEOF())
            value = std::atoi(VariantToString(rs->GetCollect(0L)));
        CloseIfAsked(rs, m_nAdoCloseMode);
    } catch (_com_error& e) {
        ReportComError(e);
    }
    return value;
}

CString CVqDesignTaskApp::GetSqlString(CString sql) {
    CString value;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdUnknown);
        if (!rs->IsEOF())
            value = VariantToString(rs->GetCollect(0L));
        CloseIfAsked(rs, m_nAdoCloseMode);
    } catch (_com_error& e) {
        ReportComError(e);
    }
    return value;
}

int CVqDesignTaskApp::ExecuteSql(CString sql) {
    try {
        _CommandPtr cmd;
        cmd.CreateInstance();
        cmd->PutActiveConnection(m_pConnPDM);
        cmd->PutCommandText(sql);
        cmd->PutCommandType(adCmdText);
        cmd->Execute(nullptr, nullptr, adCmdUnknown);
        NoteWriteSucceeded();
        return 1;
    } catch (_com_error& e) {
        ReportSqlError(e, sql);
        return 0;
    }
}

void CVqDesignTaskApp::ReportSqlError(const _com_error& e, const CString& sql) {
    // ReportComError also remembers a lost connection.
    ReportComError(e);
    const DbFailure failure = ClassifyDbError(e);
    // Where tables and fields may be the cause, the statement follows; a busy, read-only or
    // unreadable database ReportComError has named.
    if (failure == DbFailure::Other || failure == DbFailure::SchemaMismatch ||
        failure == DbFailure::ValueTooLong)
        ShowDbMessage("执行出错的SQL语句,(请检查表、字段是否存在，或字段类型是否匹配)：\n" + sql);
}

CString CVqDesignTaskApp::GetServerDateTime() {
    if (m_nDatabaseType == 2)
        return GetSqlString("SELECT TO_CHAR(sysdate, 'yyyy-mm-dd hh24:mi:ss') FROM DUAL");
    CWaitCursor wait;
    CString result;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open("SELECT DATEPART(yy,getdate()),DATEPART(mm,getdate()),DATEPART(dd,getdate()),"
                 "DATEPART(hh,getdate()),DATEPART(mi,getdate()),DATEPART(ss,getdate())",
                 m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdUnknown);
        if (rs->IsEOF()) {
            CloseIfAsked(rs, m_nAdoCloseMode);
            ShowDbMessage("取不到服务器时间...");
            return CString();
        }
        CString part[6];
        for (long i = 0; i < 6; ++i)
            part[i] = VariantToString(rs->GetCollect(i));
        result = part[0] + "-" + TwoDigits(part[1]) + "-" + TwoDigits(part[2]) + " " + TwoDigits(part[3]) +
                 ":" + TwoDigits(part[4]) + ":" + TwoDigits(part[5]);
        CloseIfAsked(rs, m_nAdoCloseMode);
    } catch (_com_error& e) {
        ReportComError(e);
        return CString();
    }
    return result;
}

CString CVqDesignTaskApp::GetServerDate() {
    if (m_nDatabaseType == 2)
        return GetSqlString("SELECT TO_CHAR(sysdate, 'yyyy-mm-dd') FROM DUAL");
    CString result;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open("SELECT DATEPART(yy,getdate()),DATEPART(mm,getdate()),DATEPART(dd,getdate())", m_pConnPDM,
                 adOpenForwardOnly, adLockReadOnly, adCmdUnknown);
        if (!rs->IsEOF())
            result.Format("%s-%s-%s", VariantToString(rs->GetCollect(0L)),
                          TwoDigits(VariantToString(rs->GetCollect(1L))),
                          TwoDigits(VariantToString(rs->GetCollect(2L))));
        CloseIfAsked(rs, m_nAdoCloseMode);
    } catch (_com_error& e) {
        ReportComError(e);
        return CString();
    }
    return result;
}

CString CVqDesignTaskApp::GetUserNameByLogName(CString loginName) {
    CString sql;
    if (m_nDatabaseType == 2)
        sql.Format("SELECT UserName FROM UserInformation where rtrim(UserLogName)='%s'", SqlQuote(loginName));
    else
        sql.Format("SELECT UserName FROM UserInformation where UserLogName='%s'", SqlQuote(loginName));
    return GetSqlString(sql);
}
