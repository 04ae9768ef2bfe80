// The entry functions of the project group members and of the member picker.
#include "core/EntryFrame.h"
#include "core/EntryRegistry.h"
#include "projects/ProjectTeamDlg.h"
#include "projects/SelectProjectTeamerDlg.h"

// AssignProjectTeamMain(taskNo, projectNo, groupType, login, readOnly): 1 when members were added
// through the user picker, else 0 (also when the database cannot be opened).
extern "C" int AssignProjectTeamMain(CString taskNo, CString projectNo, CString groupType, CString login,
                                     int readOnly) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    CProjectTeamDlg dlg(nullptr);
    dlg.m_bWorkGroup = groupType.CompareNoCase("_T") == 0 ? 1 : 0;
    dlg.m_strTaskNo = StoredNumber("ProjectManage", "ProjectNo", taskNo);
    dlg.m_strProjectNo = StoredNumber("ProjectManage", "ProjectNo", projectNo);
    dlg.m_bReadOnly = readOnly;
    dlg.DoModal();
    return dlg.m_bChanged;
}
VQ_EXPORT_ENTRY(AssignProjectTeamMain, 4, "项目组成员管理", vq::kProjectsSubsystem);

// SelectProjectTeamer(taskNo, projectNo, groupType, login): the chosen member's login name after
// OK, the login account itself after Cancel, empty when the database cannot be opened.
extern "C" CString SelectProjectTeamer(CString taskNo, CString projectNo, CString groupType, CString login) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return CString();
    CSelectProjectTeamerDlg dlg(nullptr);
    dlg.m_bWorkGroup = groupType.CompareNoCase("_T") == 0 ? 1 : 0;
    dlg.m_strProjectNo = StoredNumber("ProjectManage", "ProjectNo", projectNo);
    dlg.m_strTaskNo = StoredNumber("ProjectManage", "ProjectNo", taskNo);
    dlg.m_strLogName = login;
    dlg.DoModal();
    return dlg.m_strLogName;
}
VQ_EXPORT_ENTRY(SelectProjectTeamer, 4, "选择项目组成员", vq::kProjectsSubsystem);
