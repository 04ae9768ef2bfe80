#include "core/UserNotice.h"

#include "core/VqDesignTaskApp.h"
#include "platform/base/Time.h"
#include "platform/db/SqlText.h"

int SendUserNotice(const CString& receiver, const CString& text, const CString& topic) {
    const CTime now = CTime::GetCurrentTime();
    CString sql;
    sql.Format("INSERT INTO MessageManage (Sender, Reseiver, SendTime, SendDate, MachineIP, Topic, Content, "
               "ReadFlag) VALUES('系统', '%s', '%s', '%s', '%s', '%s', '%s', 'N')",
               SqlQuote(receiver), SqlQuote(now.Format("%Y-%m-%d %H:%M")), SqlQuote(now.Format("%Y-%m-%d")),
               SqlQuote(theApp.m_strHostIP), SqlQuote(topic), SqlQuote(text));
    const int written = theApp.ExecuteSql(sql);
    theApp.NotifyMessageServer(receiver, text);
    return written;
}
