// A notice to a user: one row of the message table MessageManage, sent by "系统" under the topic
// "系统工作消息" (or the one given), after which the message server is told (when the settings ask
// for it).
#pragma once

#include "platform/base/String.h"

// Writes the row (send time "%Y-%m-%d %H:%M" and date "%Y-%m-%d" of the local clock, the
// machine's address) and tells the message server; 1 when the row was written, else 0 after the
// statement has been shown. The message server hears of the notice either way.
int SendUserNotice(const CString& receiver, const CString& text, const CString& topic = "系统工作消息");

// Only the row of the notice, for a writer that runs it inside a transaction and tells the
// message server after the commit; 1 when written, else 0 after the statement has been shown.
int WriteUserNoticeRow(const CString& receiver, const CString& text, const CString& topic = "系统工作消息");
