// The entry functions of the review opinion dialog and of the assisting reviews. Each returns 0
// when the database cannot be opened.
//
// DoTeamTaskAudit(fileId, login, step) and DoMultiTeamTaskAudit(unused, fileId, login, step)
// open the opinion dialog for one document; DoMultiTeamTaskAuditEx(fileIds, login, steps, workId,
// delegated, assisting) for several documents of one work. All three return 1 when a pass or
// fail (or an assisting result) was stored. TeamAssignNextAuditTaskMain(fileId, step, login,
// readOnly) and TeamAssignNextAuditTaskShow(fileId, step, login) open the assisting reviews of a
// step and return 1 when the dialog closed.
#include "core/EntryFrame.h"
#include "core/EntryRegistry.h"
#include "platform/base/Collections.h"
#include "platform/base/MessageBox.h"
#include "review/AssistAuditDlg.h"
#include "review/AuditOpinionDlg.h"

#include <exception>

namespace {

// Nothing thrown inside a dialog may reach the host.
template <class Body> int Guarded(Body body) {
    try {
        return body();
    } catch (const std::exception& e) {
        AfxMessageBox(CString("程序发生异常: ") + e.what());
    } catch (...) {
        AfxMessageBox("程序发生异常...");
    }
    return 0;
}

int RunOpinionDialog(const CString& fileId, const CString& login, const CString& step) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    return Guarded([&] {
        CAuditOpinionDlg dlg(nullptr);
        dlg.m_strFileID = StoredNumber("TeamWorkResult", "FileID", fileId);
        dlg.m_strAuditTask = step;
        dlg.DoModal();
        return dlg.m_bSaved;
    });
}

int RunAssistDialog(const CString& fileId, const CString& step, const CString& login, int readOnly) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    return Guarded([&] {
        CAssistAuditDlg dlg(nullptr);
        dlg.FileID = StoredNumber("TeamWorkResult", "FileID", fileId);
        dlg.UpAuditName = step;
        dlg.ReadOnly = readOnly;
        dlg.DoModal();
        return 1;
    });
}

} // namespace

extern "C" int DoTeamTaskAudit(CString fileId, CString login, CString step) {
    return RunOpinionDialog(fileId, login, step);
}
VQ_EXPORT_ENTRY(DoTeamTaskAudit, 2, "评审意见 — 一个工作文档", vq::kReviewSubsystem);

extern "C" int DoMultiTeamTaskAudit(int, CString fileId, CString login, CString step) {
    return RunOpinionDialog(fileId, login, step);
}
VQ_EXPORT_ENTRY(DoMultiTeamTaskAudit, 3, "评审意见 — 多文档评审中的一个工作文档", vq::kReviewSubsystem);

extern "C" int DoMultiTeamTaskAuditEx(CStringArray* fileIds, CString login, CStringArray* steps, CString workId,
                                      int delegated, int assisting) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    return Guarded([&] {
        CAuditOpinionDlg dlg(nullptr);
        dlg.m_bMultiDoc = 1;
        dlg.m_bConsigned = delegated;
        dlg.m_bAssistAudit = assisting;
        if (fileIds)
            for (int i = 0; i < fileIds->GetSize(); ++i)
                dlg.m_arrFileIDs.Add(StoredNumber("TeamWorkResult", "FileID", (*fileIds)[i]));
        if (steps)
            dlg.m_arrAuditTasks.Copy(*steps);
        if (dlg.m_arrFileIDs.GetSize() > 0 && dlg.m_arrAuditTasks.GetSize() > 0) {
            dlg.m_strFileID = dlg.m_arrFileIDs[0];
            dlg.m_strAuditTask = dlg.m_arrAuditTasks[0];
        }
        dlg.m_strWorkID = StoredNumber("TeamWorkManage", "WorkID", workId);
        dlg.DoModal();
        return dlg.m_bSaved;
    });
}
VQ_EXPORT_ENTRY(DoMultiTeamTaskAuditEx, 2, "评审意见 — 多个工作文档及其评审步骤", vq::kReviewSubsystem);

extern "C" int TeamAssignNextAuditTaskMain(CString fileId, CString step, CString login, int readOnly) {
    return RunAssistDialog(fileId, step, login, readOnly);
}
VQ_EXPORT_ENTRY(TeamAssignNextAuditTaskMain, 3, "设计过程—协助评审任务管理", vq::kReviewSubsystem);

extern "C" int TeamAssignNextAuditTaskShow(CString fileId, CString step, CString login) {
    return RunAssistDialog(fileId, step, login, 1);
}
VQ_EXPORT_ENTRY(TeamAssignNextAuditTaskShow, 3, "设计过程—协助评审任务管理(浏览)", vq::kReviewSubsystem);
