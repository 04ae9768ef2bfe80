#include "core/OperationLog.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"

COperationLog::COperationLog() = default;

COperationLog::~COperationLog() = default;

void COperationLog::Init() {
    m_strMachine = theApp.m_strHostIP;
    m_strLoginUser = theApp.m_strLoginUser;
    m_strUserName = theApp.m_strUserName;
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
}

void COperationLog::WriteLog(CString logGroup, CString logType, CString partCode, CString operation) {
    CWaitCursor wait;
    if (logGroup.IsEmpty() || logType.IsEmpty() || partCode.IsEmpty())
        return;
    Init();
    CString time = CTime::GetCurrentTime().Format("%Y-%m-%d %H:%M:%S");
    CString user;
    user.Format("%s[%s]", m_strLoginUser, m_strUserName);
    // Every value is quoted: part codes and operation texts come from users.
    CString sql;
    sql.Format(
        "INSERT INTO LogInformation (LogGroup, LogType, PartCode, UserName, Machine, LogTime, Operation) "
        "VALUES('%s','%s','%s','%s','%s','%s','%s')",
        SqlQuote(logGroup), SqlQuote(logType), SqlQuote(partCode), SqlQuote(user), SqlQuote(m_strMachine),
        SqlQuote(time), SqlQuote(operation));
    if (!ExecuteSql(sql))
        AfxMessageBox("请检查是否更新了日志表的结构...");
}

int COperationLog::ExecuteSql(CString sql) {
    return theApp.ExecuteSql(sql);
}
