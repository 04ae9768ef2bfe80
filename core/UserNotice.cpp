#include "core/UserNotice.h"

#include "core/VqDesignTaskApp.h"
#include "platform/base/Time.h"
#include "platform/db/SqlText.h"

int WriteUserNoticeRow(const CString& receiver, const CString& text, const CString& topic) {
    const CTime now = CTime::GetCurrentTime();
    CString sql;
    sql.Format("INSERT INTO MessageManage (Sender, Reseiver, SendTime, SendDate, MachineIP, Topic, Content, "
               "ReadFlag) VALUES('系统', '%s', '%s', '%s', '%s', '%s', '%s', 'N')",
               SqlQuote(receiver), SqlQuote(now.Format("%Y-%m-%d %H:%M")), SqlQuote(now.Format("%Y-%m-%d")),
               SqlQuote(theApp.m_strHostIP), SqlQuote(topic), SqlQuote(text));
    return theApp.ExecuteSql(sql);
}

int SendUserNotice(const CString& receiver, const CString& text, const CString& topic) {
    const int written = WriteUserNoticeRow(receiver, text, topic);
    theApp.NotifyMessageServer(receiver, text);
    return written;
}
