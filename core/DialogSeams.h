// The dialogs of a higher subsystem that a dialog of a lower one opens. A folder includes only
// from the folders below it; where one of its dialogs opens a dialog that stands higher (a part's
// change history from the part dialogs, the review flow from a project task, ...), it calls the
// opener here, and the subsystem that owns the dialog fills the slot when the library is loaded
// (a registration object beside the dialog). An opener whose slot is empty answers as a cancelled
// dialog would and changes nothing.
#pragma once

#include "platform/base/String.h"
#include "platform/base/Types.h"

class CWnd;

namespace vq {

// What the review flow dialog of a task or a document is given and, after OK, what it hands back
// (auditModel and auditorName). The defaults are those of the dialog.
struct TaskAuditFlowRequest {
    CWnd* parent = nullptr;
    CString auditMode;
    CString workState;
    CString projectPath;
    CString projectName;
    CString taskId;
    int readOnly = 0;
    int writeToTask = 0;
    CString auditModel;
    CString auditorName;
    int submitMode = 1;
};

// The slots; null until the owning subsystem fills them. Each returns the dialog's DoModal result.
struct DialogSlots {
    // The change history of a part revision (change orders); lockPart keeps the part fixed.
    INT_PTR (*partChangeHistory)(const CString& partCode, const CString& revision, int lockPart) = nullptr;
    // The personal work tasks (work tasks) as a picker: workId in, and after OK the chosen one.
    INT_PTR (*personalWorkTask)(CString& workId, int tasksSelectable, int treeMode, int showWorks) = nullptr;
    // The review flow of a task or a document (review).
    INT_PTR (*taskAuditFlow)(TaskAuditFlowRequest& request) = nullptr;
    // The external resources of a task (work tasks).
    INT_PTR (*taskResources)
    (CWnd* parent, const CString& taskNo, const CString& taskName, int workTask, int readOnly) = nullptr;
    // The work tasks a project task is divided into (work tasks).
    INT_PTR (*teamWorks)
    (CWnd* parent, const CString& taskNo, const CString& taskName, int readOnly) = nullptr;
    // The project task browser (work tasks): taskNo in, and after OK the chosen number and name.
    INT_PTR (*browseProjectTask)(CWnd* parent, CString& taskNo, CString& taskName) = nullptr;
    // The review results of a document (review), by the document's file name.
    void (*auditResult)(const CString& fileId, const CString& fileName) = nullptr;
};

// The slots of the library.
DialogSlots& Dialogs();

INT_PTR OpenPartChangeHistory(const CString& partCode, const CString& revision, int lockPart);
INT_PTR OpenPersonalWorkTask(CString& workId, int tasksSelectable, int treeMode, int showWorks);
INT_PTR OpenTaskAuditFlow(TaskAuditFlowRequest& request);
INT_PTR OpenTaskResources(CWnd* parent, const CString& taskNo, const CString& taskName, int workTask,
                          int readOnly);
INT_PTR OpenTeamWorks(CWnd* parent, const CString& taskNo, const CString& taskName, int readOnly);
INT_PTR OpenBrowseProjectTask(CWnd* parent, CString& taskNo, CString& taskName);
void ShowAuditResult(const CString& fileId, const CString& fileName);

} // namespace vq
