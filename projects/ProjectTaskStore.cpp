#include "projects/ProjectTaskStore.h"

#include "core/VqDesignTaskApp.h"
#include "projects/ProjectTaskItemDlg.h"
#include "projects/ProjectTaskRecords.h"

namespace projects {

CString NewItemTaskType(const CProjectTaskItemDlg& item) {
    return item.SimpleProject ? "S" : (item.TaskTypeIndex == 1 ? "T" : "V");
}

int InsertNewItemRow(const CProjectTaskItemDlg& item, const CString& path, const CString& created,
                     const CString& assigner) {
    CString sql;
    sql.Format("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, CreatedTime, "
               "PreendedTime, WorkState, Remark, ProjectResource, AuditingModel, AuditorName, AlertTime, TaskAssigner, "
               "TaskType, Other3, Other4) VALUES('%s', '%s', '%s', '%s', '%s', '%s', '未开始', '%s', '%s', '%s', '%s', "
               "'%s', '%s', '%s', '%s', %d)",
               SqlQuote(item.ItemNo), SqlQuote(item.ItemName), SqlQuote(path), SqlQuote(item.Manager),
               SqlQuote(created), SqlQuote(item.PreendedTime), SqlQuote(item.Remark), SqlQuote(item.ProjectResource),
               SqlQuote(item.AuditingModel), SqlQuote(item.AuditorName), SqlQuote(item.AlertTime), SqlQuote(assigner),
               SqlQuote(NewItemTaskType(item)), SqlQuote(item.StartTime), item.Priority);
    return theApp.ExecuteSql(sql);
}

void WriteAssignTaskLog(const CString& itemNo, const CString& itemName, const CString& login) {
    CString sql;
    sql.Format("INSERT INTO TaskLogInformation (ProjectNo, ProjectName, UserName, SavedTime, WorkType) "
               "VALUES('%s', '%s', '%s', '%s', '分配任务')",
               SqlQuote(itemNo), SqlQuote(itemName), SqlQuote(login), SqlQuote(theApp.GetServerDateTime()));
    theApp.ExecuteSql(sql);
}

CString InsertFirstWorkTask(const CProjectTaskItemDlg& item, const CString& created, const CString& today) {
    const CString workId = NextWorkNumber(item.ItemNo);
    CString sql;
    sql.Format("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkPrompt, WorkRequest, "
               "WorkType, BeginTime, CheckTime, PreEndedTime, CreateTime, WorkState, PartCode, BeginNum, EndNum) "
               "VALUES('%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s', %d, %d)",
               SqlQuote(item.ItemNo), SqlQuote(item.ItemNo), SqlQuote(workId), SqlQuote(item.Manager),
               SqlQuote(item.ItemName), "", "", "W", SqlQuote(today), SqlQuote(item.AlertTime),
               SqlQuote(item.PreendedTime), SqlQuote(created), "待确认", "", 1, 9999);
    return theApp.ExecuteSql(sql) ? workId : CString();
}

} // namespace projects
