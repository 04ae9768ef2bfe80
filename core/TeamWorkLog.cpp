#include "core/TeamWorkLog.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/Time.h"
#include "platform/db/SqlText.h"

int CTeamWorkLog::WriteLog(CString logId, CString logType, CString topic, CString prompt) {
    m_strUserName = theApp.m_strLoginUser;
    CString time = CTime::GetCurrentTime().Format("%Y-%m-%d %H:%M");
    // Every value is quoted: topics and prompts carry users' text.
    CString sql;
    sql.Format("INSERT INTO TeamWorkLog (LogID, LogType, UserName, SaveDate, LogTopic, LogPrompt) "
               "VALUES('%s', '%s', '%s', '%s', '%s', '%s')",
               SqlQuote(logId), SqlQuote(logType), SqlQuote(m_strUserName), SqlQuote(time), SqlQuote(topic),
               SqlQuote(prompt));
    return theApp.ExecuteSql(sql) ? 1 : 0;
}
