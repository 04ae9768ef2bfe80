#include "projects/WorkStateUpdater.h"

#include "core/ComError.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"

namespace {

constexpr const char* kRootPath = "项目管理";

} // namespace

CWorkStateUpdater::CWorkStateUpdater()
    : m_pConnection(theApp.m_pConnPDM), m_nAdoCloseMode(theApp.m_nAdoCloseMode),
      m_nDatabaseType(theApp.m_nDatabaseType) {}

CWorkStateUpdater::~CWorkStateUpdater() {
    m_arrAncestorNames.RemoveAll();
    m_arrAncestorPaths.RemoveAll();
    m_arrWorkIDs.RemoveAll();
    m_arrUpWorkIDs.RemoveAll();
    m_arrAncestorWorks.RemoveAll();
    m_pConnection = nullptr;
}

int CWorkStateUpdater::ReadProjectRow(CString sql) {
    m_strProjectNo.Empty();
    m_strProjectName.Empty();
    m_strProjectPath.Empty();
    m_strTaskType.Empty();
    bool found = false;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            found = true;
            m_strProjectNo = VariantToString(rs->GetCollect(0L));
            m_strProjectName = VariantToString(rs->GetCollect(1L));
            m_strProjectPath = VariantToString(rs->GetCollect(2L));
            m_strTaskType = VariantToString(rs->GetCollect(3L));
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        m_bStatementFailed = true;
        theApp.ReportSqlError(e, sql);
    }
    return found ? 1 : 0;
}

int CWorkStateUpdater::Execute(const CString& sql) {
    if (theApp.ExecuteSql(sql))
        return 1;
    m_bStatementFailed = true;
    return 0;
}

void CWorkStateUpdater::BuildAncestorList() {
    m_arrAncestorNames.RemoveAll();
    m_arrAncestorPaths.RemoveAll();
    if (m_strProjectPath.IsEmpty())
        return;
    m_arrAncestorNames.Add(m_strProjectName);
    m_arrAncestorPaths.Add(m_strProjectPath);
    if (m_strProjectPath == kRootPath)
        return;
    CString path = m_strProjectPath;
    while (!path.IsEmpty()) {
        if (path.Right(1) == "\\")
            path = path.Left(path.GetLength() - 1);
        if (path.IsEmpty())
            break;
        const int slash = path.ReverseFind('\\');
        if (slash >= 0) {
            const CString parentPath = path.Left(slash + 1);
            m_arrAncestorNames.Add(path.Mid(slash + 1));
            m_arrAncestorPaths.Add(parentPath);
            path = parentPath;
        } else {
            m_arrAncestorNames.Add(path);
            m_arrAncestorPaths.Add(kRootPath);
            break;
        }
    }
}

void CWorkStateUpdater::LoadWorkLinks() {
    m_arrWorkIDs.RemoveAll();
    m_arrUpWorkIDs.RemoveAll();
    CString sql;
    sql.Format("SELECT UpWorkID, WorkID FROM TeamWorkManage WHERE TaskNo='%s'", SqlQuote(m_strProjectNo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            m_arrUpWorkIDs.Add(VariantToString(rs->GetCollect(0L)));
            m_arrWorkIDs.Add(VariantToString(rs->GetCollect(1L)));
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        m_bStatementFailed = true;
        ReportComError(e);
    }
}

void CWorkStateUpdater::CollectAncestorWorks(CString workId) {
    // Walked as a loop: a work already passed (a cycle in the links, or the work itself) ends it.
    CStringArray passed;
    passed.Add(workId);
    CString current = workId;
    bool more = true;
    while (more) {
        more = false;
        for (int i = 0; i < m_arrWorkIDs.GetSize(); ++i) {
            if (m_arrWorkIDs[i].CompareNoCase(current) != 0)
                continue;
            const CString parent = m_arrUpWorkIDs[i];
            bool seen = false;
            for (int k = 0; k < passed.GetSize() && !seen; ++k)
                seen = passed[k].CompareNoCase(parent) == 0;
            if (seen)
                return;
            m_arrAncestorWorks.Add(parent);
            passed.Add(parent);
            current = parent;
            more = true;
            break;
        }
    }
}

int CWorkStateUpdater::HasUnfinishedSiblingWork(CString workId) {
    const int hash = workId.ReverseFind('#');
    const CString prefix = workId.Left(hash + 1);
    CString sql;
    sql.Format("SELECT count(*) FROM TeamWorkManage WHERE WorkID LIKE '%s%%'%s AND WorkState <> '完成'",
               SqlLikeLiteral(prefix), kSqlLikeEscape);
    return theApp.GetSqlInt(sql) > 0 ? 1 : 0;
}

bool CWorkStateUpdater::HasUnfinishedTaskWork() {
    CString sql;
    sql.Format("SELECT count(*) FROM TeamWorkManage WHERE %s='%s' AND (WorkState <> '完成' OR WorkState IS NULL)",
               m_nDatabaseType == 2 ? "rtrim(TaskNo)" : "TaskNo", SqlQuote(m_strProjectNo));
    // A count that cannot be read (empty) is taken as unfinished: nothing is archived on it.
    CString count = theApp.GetSqlString(sql);
    count.Trim();
    return count != "0";
}

int CWorkStateUpdater::MarkAncestorTasksStarted() {
    BuildAncestorList();
    const bool oracle = m_nDatabaseType == 2;
    for (int i = 0; i < m_arrAncestorNames.GetSize(); ++i) {
        if (m_arrAncestorNames[i].IsEmpty() || m_arrAncestorPaths[i].IsEmpty())
            continue;
        CString sql;
        if (oracle)
            sql.Format("UPDATE ProjectManage SET WorkState='正进行中' WHERE rtrim(ProjectName)='%s' AND "
                       "rtrim(ProjectPath)='%s' AND (rtrim(WorkState)='未开始' OR WorkState IS NULL)",
                       SqlQuote(m_arrAncestorNames[i]), SqlQuote(m_arrAncestorPaths[i]));
        else
            sql.Format("UPDATE ProjectManage SET WorkState='正进行中' WHERE ProjectName='%s' AND ProjectPath='%s' "
                       "AND (WorkState='未开始' OR WorkState IS NULL)",
                       SqlQuote(m_arrAncestorNames[i]), SqlQuote(m_arrAncestorPaths[i]));
        if (!Execute(sql))
            return 0;
    }
    return 1;
}

CString CWorkStateUpdater::TaskOfWorkStatement(const CString& workId) const {
    CString sql;
    if (m_nDatabaseType == 2)
        sql.Format("SELECT ProjectNo, ProjectName, ProjectPath, TaskType FROM ProjectManage WHERE rtrim(ProjectNo) IN "
                   "(SELECT rtrim(TaskNo) FROM TeamWorkManage WHERE rtrim(WorkID)='%s')",
                   SqlQuote(workId));
    else
        sql.Format("SELECT ProjectNo, ProjectName, ProjectPath, TaskType FROM ProjectManage WHERE ProjectNo IN "
                   "(SELECT TaskNo FROM TeamWorkManage WHERE WorkID='%s')",
                   SqlQuote(workId));
    return sql;
}

int CWorkStateUpdater::SetProjectInProgress(CString projectNo) {
    CWaitCursor wait;
    m_bStatementFailed = false;
    CString sql;
    sql.Format("SELECT ProjectNo, ProjectName, ProjectPath, TaskType FROM ProjectManage WHERE %s='%s'",
               m_nDatabaseType == 2 ? "rtrim(ProjectNo)" : "ProjectNo", SqlQuote(projectNo));
    if (!ReadProjectRow(sql))
        return 0;
    return MarkAncestorTasksStarted();
}

int CWorkStateUpdater::SetTeamWorkInProgress(CString workId) {
    CWaitCursor wait;
    m_bStatementFailed = false;
    if (!ReadProjectRow(TaskOfWorkStatement(workId)))
        return 0;
    if (!MarkAncestorTasksStarted())
        return 0;
    m_arrAncestorWorks.RemoveAll();
    LoadWorkLinks();
    CollectAncestorWorks(workId);
    for (int i = 0; i < m_arrAncestorWorks.GetSize(); ++i) {
        CString sql;
        sql.Format("UPDATE TeamWorkManage SET WorkState='正进行中' WHERE WorkID='%s'", SqlQuote(m_arrAncestorWorks[i]));
        if (!Execute(sql))
            return 0;
    }
    return 1;
}

int CWorkStateUpdater::SetTeamWorkState(CString workId, CString state) {
    CWaitCursor wait;
    m_bStatementFailed = false;
    const bool complete = state.CompareNoCase("完成") == 0;
    if (complete && HasUnfinishedSiblingWork(workId)) {
        CString sql;
        sql.Format("UPDATE TeamWorkManage SET WorkState='%s' WHERE WorkID='%s'", SqlQuote(state), SqlQuote(workId));
        return Execute(sql);
    }
    if (!ReadProjectRow(TaskOfWorkStatement(workId)))
        return 0;
    m_arrAncestorWorks.RemoveAll();
    LoadWorkLinks();
    CollectAncestorWorks(workId);
    // A work is complete only when all of its works are: completion stops below the first work
    // above that still has an unfinished one.
    CString below = workId;
    for (int i = 0; i < m_arrAncestorWorks.GetSize(); ++i) {
        if (complete && i > 0 && HasUnfinishedSiblingWork(below))
            break;
        CString sql;
        sql.Format("UPDATE TeamWorkManage SET WorkState='%s' WHERE WorkID='%s'", SqlQuote(state),
                   SqlQuote(m_arrAncestorWorks[i]));
        if (!Execute(sql))
            return 0;
        below = m_arrAncestorWorks[i];
    }
    const int simpleWithoutReview = ReadSettingInt("设计过程管理配置", "简单项目不进行项目级任务评审", "0");
    const bool changeTask = m_strTaskType.CompareNoCase("M") == 0;
    const bool simpleProject =
        simpleWithoutReview != 0 && m_strTaskType.CompareNoCase("S") == 0 && m_strProjectPath == kRootPath;
    // Archived only when every work of the task is complete, not just those under this parent.
    if (state == "完成" && (changeTask || simpleProject) && !HasUnfinishedTaskWork()) {
        CString sql;
        sql.Format("UPDATE ProjectManage SET WorkState='归档' WHERE %s='%s'",
                   m_nDatabaseType == 2 ? "rtrim(ProjectNo)" : "ProjectNo", SqlQuote(m_strProjectNo));
        theApp.ExecuteSql(sql);
    }
    return 1;
}
