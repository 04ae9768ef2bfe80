// The assisting-review tasks a window lists, checked against their rows as stored after the
// person's answer: the work documents' and the change orders' task windows restart and delete
// only tasks still stored as they list them, and one box names those another client changed or
// deleted meanwhile.
//
//   CSqlTransaction transaction;
//   ... take the tasks' locks ...
//   CString changed;
//   if (!FindChangedAssistTasks(list, rows, nameColumn, columnCount, compared, selectTask, changed))
//       return;                                   // the failed read has been shown
//   if (!changed.IsEmpty())
//       ... end the transaction, then SayAssistTasksChanged(changed, "删除") ...
#pragma once

#include "platform/base/String.h"

#include <functional>
#include <vector>

class CListCtrl;

// Inside the caller's transaction, after the tasks' locks: reads each listed row's task again with
// `selectTask(taskName)`, a statement that gives the task's columns in the order of the list's
// columns, and compares the list's texts of the columns `compared` (every column when empty) with
// the stored ones. Appends one line to `changed` for each task another client changed or deleted.
// False when a read failed (shown).
bool FindChangedAssistTasks(const CListCtrl& list, const std::vector<int>& rows, int nameColumn,
                            int columnCount, const std::vector<int>& compared,
                            const std::function<CString(const CString& taskName)>& selectTask,
                            CString& changed);

// The line of FindChangedAssistTasks for one task.
CString AssistTaskChangedLine(const CString& taskName, bool deleted);

// One box: the lines that say what changed, then that nothing of `what` (the operation: "删除",
// "重新启动") was done to the selected tasks.
void SayAssistTasksChanged(const CString& changed, const char* what);
