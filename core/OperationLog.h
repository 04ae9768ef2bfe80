// The operation log: one row of LogInformation per recorded operation, with the machine, the
// login account and the user's name of the current entry call. A dialog builds the writer on
// its stack and calls WriteLog.
#pragma once

#include "platform/base/String.h"
#include "platform/db/Ado.h"

class COperationLog {
public:
    COperationLog();
    virtual ~COperationLog();

    // Copies machine, account, user name, connection and close mode from the application object.
    void Init();
    // Writes one row; nothing is written when the group, the type or the part code is empty.
    void WriteLog(CString logGroup, CString logType, CString partCode, CString operation);
    // Runs a statement through the application object's ExecuteSql; 1 when it ran.
    int ExecuteSql(CString sql);

    CString m_strMachine;
    CString m_strLoginUser;
    CString m_strUserName;
    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
};
