// The work log of team work: one row of TeamWorkLog per call of WriteLog, in the name of the
// current login account.
#pragma once

#include "platform/base/String.h"

class CTeamWorkLog {
public:
    CTeamWorkLog() = default;
    virtual ~CTeamWorkLog() = default;

    // Writes one row; 1 when it was written, 0 after the database error was shown.
    int WriteLog(CString logId, CString logType, CString topic, CString prompt);

    CString m_strUserName;
};
