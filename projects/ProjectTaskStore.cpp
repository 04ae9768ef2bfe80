#include "projects/ProjectTaskStore.h"

#include "core/SqlTransaction.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "projects/ProjectTaskItemDlg.h"
#include "projects/ProjectTaskRecords.h"

namespace projects {

namespace {

// 1 when a row holds the number, 0 when none does, -1 after the read failed (shown).
int NumberTaken(const CString& number) {
    CString sql;
    sql.Format("SELECT count(*) FROM ProjectManage WHERE %s", TaskNumberIs("ProjectNo", number));
    const int count = QueryGuardCount(sql);
    return count < 0 ? -1 : (count > 0 ? 1 : 0);
}

} // namespace

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

int StoreNewTask(CProjectTaskItemDlg& item, const CString& parentNo, const CString& path, const CString& created,
                 const CString& assigner) {
    CSqlTransaction transaction;
    if (!transaction.IsActive())
        return 0;
    CString sql;
    sql.Format("UPDATE ProjectManage SET WorkState=WorkState WHERE ProjectNo='%s'", SqlQuote(parentNo));
    if (!theApp.ExecuteSql(sql))
        return 0;
    int taken = NumberTaken(item.ItemNo);
    if (taken < 0)
        return 0;
    if (taken > 0) {
        const CString lost = item.ItemNo;
        const CString next = item.NumberLocked() ? CString() : item.ProposeNumber();
        taken = next.IsEmpty() ? 1 : NumberTaken(next);
        if (taken < 0)
            return 0;
        if (taken > 0) {
            CString text;
            text.Format("任务编号 %s 已被其他用户使用，任务没有保存...",
                        CString(vq::VisibleText(lost.str())));
            AfxMessageBox(text);
            return 0;
        }
        // The number proposed now may be longer than the one checked in the dialog.
        if (const CString tooLong = NumberNameLengthMessage(next + (item.CreateWorkTask ? "#001" : ""));
            !tooLong.IsEmpty()) {
            AfxMessageBox(tooLong);
            return 0;
        }
        item.ItemNo = next;
    }
    if (!InsertNewItemRow(item, path, created, assigner))
        return 0;
    return transaction.Commit() ? 1 : 0;
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
