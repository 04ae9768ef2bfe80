// Storing a new project or task from the properties dialog: its ProjectManage row, its line in
// the task log and, when asked for, its first work task. The project management and the work
// breakdown store new items through these, with the same statements and values.
#pragma once

#include "platform/base/String.h"

class CProjectTaskItemDlg;

namespace projects {

// The task type of a new item: "S" a simple project, "T" a work-group task, else "V".
CString NewItemTaskType(const CProjectTaskItemDlg& item);

// Inserts the row ("未开始", created "%Y-%m-%d %H:%M", the login account as TaskAssigner) at the
// path; 1 when stored, 0 after the statement has been shown.
int InsertNewItemRow(const CProjectTaskItemDlg& item, const CString& path, const CString& created,
                     const CString& assigner);

// Stores a new task from the dialog at the path below its parent (the parent's number) as one
// transaction. The parent's row is taken first, so that a second client dividing the same parent
// waits until this one has committed; the number is then tested again: when another client
// stored it meanwhile, the task takes the next free number below the parent (item.ItemNo
// changes). A number under which the dialog has stored rows already is not replaced: the person
// is told and nothing is stored. 1 when stored, else 0 after the failure has been shown.
int StoreNewTask(CProjectTaskItemDlg& item, const CString& parentNo, const CString& path, const CString& created,
                 const CString& assigner);

// The task log row "分配任务" of a new item (server time); its result is not looked at.
void WriteAssignTaskLog(const CString& itemNo, const CString& itemName, const CString& login);

// Inserts the item's first work task (type "W", "待确认", numbers 1 to 9999, the item's manager
// and name); the work number, or empty after the statement has been shown.
CString InsertFirstWorkTask(const CProjectTaskItemDlg& item, const CString& created, const CString& today);

} // namespace projects
