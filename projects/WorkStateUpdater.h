// CWorkStateUpdater: carries a change of WorkState up the task tree of ProjectManage (linked by
// paths) and the work tree of TeamWorkManage (linked by UpWorkID). The caller stores the new
// state on its own row first, then calls one of the three operations; the updater marks the
// tasks above as started, passes a work's state to the works above it and archives a change
// task, or a simple project when the settings say so, once its works are complete.
//
//   CWorkStateUpdater updater;
//   theApp.ExecuteSql("UPDATE TeamWorkManage SET WorkState='正进行中' WHERE WorkID='...'");
//   updater.SetTeamWorkInProgress(workId);
#pragma once

#include "platform/base/Collections.h"
#include "platform/db/Ado.h"

class CWorkStateUpdater {
public:
    CWorkStateUpdater();
    virtual ~CWorkStateUpdater();

    // The task and every task above it go from "未开始" (or no state) to "正进行中".
    int SetProjectInProgress(CString projectNo);
    // The work's task and the tasks above it as SetProjectInProgress; every work above it
    // becomes "正进行中".
    int SetTeamWorkInProgress(CString workId);
    // Passes the work's new state to the works above it. "完成" goes up only as far as works
    // whose works are all complete; a change task, or a simple project when the settings say so,
    // is archived once every work of it is complete.
    int SetTeamWorkState(CString workId, CString state);
    // Each operation gives 0 both when a statement failed and when there was no task row to
    // bring into line; this tells the two apart: true after a failed statement or read.
    bool StatementFailed() const { return m_bStatementFailed; }

    int ReadProjectRow(CString sql);
    void BuildAncestorList();
    void LoadWorkLinks();
    // The parent, grandparent ... of the work; a chain that comes back to a work it has passed
    // ends there.
    void CollectAncestorWorks(CString workId);
    int HasUnfinishedSiblingWork(CString workId);

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    int m_nDatabaseType = 0;
    CString m_strProjectNo;
    CString m_strProjectName;
    CString m_strProjectPath;
    CString m_strTaskType;
    CStringArray m_arrAncestorNames;
    CStringArray m_arrAncestorPaths;
    CStringArray m_arrWorkIDs;
    CStringArray m_arrUpWorkIDs;
    CStringArray m_arrAncestorWorks;
    bool m_bStatementFailed = false;

private:
    int Execute(const CString& sql);
    // Whether a work of the task is not complete (one without a state included).
    bool HasUnfinishedTaskWork();
    int MarkAncestorTasksStarted();
    CString TaskOfWorkStatement(const CString& workId) const;
};
