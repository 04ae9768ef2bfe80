// The entry function of the project/task item properties.
#include "core/EntryFrame.h"
#include "core/EntryRegistry.h"
#include "core/VqDesignTaskApp.h"
#include "platform/db/SqlText.h"
#include "projects/ProjectTaskItemDlg.h"

// CreateNewProjectTaskItem(itemNo, unused, login): shows the properties of an existing project or
// task; they may be changed by its creator and by "admin", as in the project management. Returns
// the item's number after OK, else an empty text (also when the database cannot be opened).
extern "C" CString CreateNewProjectTaskItem(CString itemNo, CString /*unused*/, CString login) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return CString();
    // The item is updated, and its number returned, as its row stores it.
    const CString storedNo = StoredNumber("ProjectManage", "ProjectNo", itemNo);
    CString sql;
    sql.Format("SELECT TaskAssigner FROM ProjectManage WHERE ProjectNo='%s'", SqlQuote(storedNo));
    const CString creator = theApp.GetSqlString(sql);
    CProjectTaskItemDlg dlg(nullptr);
    dlg.ProjectNo = storedNo;
    dlg.Editable = (creator.CompareNoCase(theApp.m_strLoginUser) == 0 ||
                    theApp.m_strLoginUser.CompareNoCase("admin") == 0)
                       ? 1
                       : 0;
    if (dlg.DoModal() != IDOK)
        return CString();
    return dlg.ProjectNo;
}
VQ_EXPORT_ENTRY(CreateNewProjectTaskItem, 3, "项目/任务项属性", vq::kProjectsSubsystem);
