// The entry functions of the design-document review: a reviewer's step (DoTeamTaskAuditWithMarkup),
// an assisting reviewer's step (DoTeamTaskNextAudit), and a modeless review window on the host's
// own connection (DoMultiTeamTaskAuditWithMarkup). A document that is not an AutoCAD drawing, or
// an installation without redline markup ([设计过程管理] "红线批注工具" = 2), is reviewed in the
// work-document review dialog instead.
#include "core/EntryFrame.h"
#include "core/EntryRegistry.h"
#include "core/FileInfo.h"
#include "core/Settings.h"
#include "core/VqConnectHolder.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/View.h"
#include "review/AuditOpinionDlg.h"
#include "review/DesignDocAuditDlg.h"

namespace {

// Whether the document is reviewed with the drawing viewer.
bool UsesDrawingReview(const CString& fileId) {
    CString sql;
    sql.Format("SELECT FileName FROM TeamWorkResult WHERE FileID='%s'", SqlQuote(fileId).c_str());
    const CString fileName = theApp.GetSqlString(sql);
    const int tool = ReadSettingInt("设计过程管理", "红线批注工具", "0");
    return CFileInfo(fileName).GetFileExt().CompareNoCase(".DWG") == 0 && tool != 2;
}

int RunOpinionDialog(const CString& fileId, const CString& task, int consigned, int assist) {
    CAuditOpinionDlg dlg(nullptr);
    dlg.m_strFileID = fileId;
    dlg.m_strAuditTask = task;
    dlg.m_bConsigned = consigned;
    dlg.m_bAssistAudit = assist;
    dlg.DoModal();
    return dlg.m_bSaved;
}

int RunDesignDocDialog(const CString& fileId, const CString& task, int consigned, int assist) {
    CDesignDocAuditDlg dlg(nullptr);
    dlg.m_strFileID = fileId;
    dlg.m_strAuditTask = task;
    dlg.m_bConsigned = consigned;
    dlg.m_bAssistAudit = assist;
    dlg.DoModal();
    return dlg.m_bSaved;
}

int ReviewStep(const CString& typedFileId, const CString& login, const CString& task, int consigned,
               int assist) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    const CString fileId = StoredNumber("TeamWorkResult", "FileID", typedFileId);
    if (UsesDrawingReview(fileId))
        return RunDesignDocDialog(fileId, task, consigned, assist);
    return RunOpinionDialog(fileId, task, consigned, assist);
}

} // namespace

// DoTeamTaskAuditWithMarkup(fileId, login, task, delegated): m_bSaved of the dialog used; 0 when
// the database cannot be opened.
extern "C" int DoTeamTaskAuditWithMarkup(CString fileId, CString login, CString task, int delegated) {
    try {
        return ReviewStep(fileId, login, task, delegated, 0);
    } catch (...) {
        return 0;
    }
}
VQ_EXPORT_ENTRY(DoTeamTaskAuditWithMarkup, 2, "设计文档评审意见", vq::kReviewSubsystem);

// DoTeamTaskNextAudit(fileId, login, task): the assisting review of a step; as above.
extern "C" int DoTeamTaskNextAudit(CString fileId, CString login, CString task) {
    try {
        return ReviewStep(fileId, login, task, 0, 1);
    } catch (...) {
        return 0;
    }
}
VQ_EXPORT_ENTRY(DoTeamTaskNextAudit, 2, "设计文档评审意见 — 协助评审", vq::kReviewSubsystem);

// DoMultiTeamTaskAuditWithMarkup(host connection, parent, fileId, login, task, delegated): opens
// no connection of its own. The host's connection becomes the application's (and stays so after
// the call); a review window made here keeps its own reference to it for as long as it is open.
// Returns m_bSaved of the new window (0: it has just opened), m_bSaved of the work-document
// review dialog, or 0 when the window cannot be made or ten are open already.
extern "C" int DoMultiTeamTaskAuditWithMarkup(_ConnectionPtr connection, CWnd* parent, CString fileId,
                                              CString login, CString task, int delegated) {
    try {
        if (!vq::EntryCallCanShowDialogs() || !EntryLoginAccepted(login))
            return 0;
        CWaitCursor wait;
        // Settings that cannot be read are said before the login account would be written.
        if (SaidSettingsFault())
            return 0;
        SetCurrentLoginUser(login);
        CVqConnectHolder settings;
        settings.LoadDatabaseConfig();
        if (theApp.m_pConnPDM != connection)
            theApp.m_pConnPDM = connection;
        if (!connection)
            return 0;
        theApp.m_bConnectionLost = FALSE;
        theApp.RefreshUserName();
        fileId = StoredNumber("TeamWorkResult", "FileID", fileId);
        if (!UsesDrawingReview(fileId))
            return RunOpinionDialog(fileId, task, delegated, 0);
        if (CDesignDocAuditDlg::LiveCount() + 1 > CDesignDocAuditDlg::kMaxModelessWindows) {
            AfxMessageBox("无模式评审界面不允许超过10个，请先关闭其他界面...");
            return 0;
        }
        auto* dlg = new CDesignDocAuditDlg(parent);
        dlg->m_strFileID = fileId;
        dlg->m_strAuditTask = task;
        dlg->m_bModeless = 1;
        dlg->m_bConsigned = delegated;
        if (!dlg->Create(CDesignDocAuditDlg::IDD, parent)) {
            delete dlg;
            return 0;
        }
        dlg->m_bOwnsItself = true;
        dlg->ShowWindow(SW_SHOW);
        return dlg->m_bSaved;
    } catch (...) {
        return 0;
    }
}

namespace {

// The host program passes only texts and numbers: it calls the modeless review as a host with a
// connection of its own would, opening the product database for the call and letting go of its
// reference when the call returns (the windows keep theirs).
int HostDoMultiTeamTaskAuditWithMarkup(CString fileId, CString login, CString task, int delegated) {
    if (!vq::EntryCallCanShowDialogs() || !EntryLoginAccepted(login))
        return 0;
    _ConnectionPtr hostConnection;
    {
        CVqConnectHolder holder;
        if (SaidSettingsFault() || GetSettingsFilePath().IsEmpty() || !holder.ConnectPDM())
            return 0;
        hostConnection = holder.m_pConnection;
        holder.m_pConnection = nullptr;
    }
    return DoMultiTeamTaskAuditWithMarkup(hostConnection, nullptr, fileId, login, task, delegated);
}

[[maybe_unused]] const bool kHostEntryRegistered =
    vq::RegisterEntry("DoMultiTeamTaskAuditWithMarkup", &HostDoMultiTeamTaskAuditWithMarkup, 2,
                      "设计文档评审意见 (无模式)", vq::kReviewSubsystem);

} // namespace
