#include "changeorders/ECOAuditSetup.h"

#include "changeorders/ECOConfigure.h"
#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/Wnd.h"

namespace {

constexpr const char* kFailedResult = "不通过";

} // namespace

void CECOAuditSetup::DisableOwnerOk() {
    if (m_pOwner)
        if (CWnd* ok = m_pOwner->GetDlgItem(IDOK))
            ok->EnableWindow(FALSE);
}

int CECOAuditSetup::LoadAuditTemplate() {
    m_path.m_strAuditingStyle.Empty();
    m_path.m_strAuditingPath.Empty();
    CString sql;
    sql.Format("SELECT AuditingStyle,AuditingPath FROM AuditingManage WHERE AuditingModel='%s'",
               SqlQuote(m_strAuditingModel));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            m_path.m_strAuditingStyle = VariantToString(rs->GetCollect(0L));
            m_path.m_strAuditingPath = VariantToString(rs->GetCollect(1L));
        }
        if (theApp.m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return 0;
    }
    return 1;
}

void CECOAuditSetup::SplitAuditors() {
    m_path.ClearAuditPath();
    m_path.m_strAuditorName = m_strAuditorName;
    m_path.SplitList();
}

void CECOAuditSetup::BuildAuditSteps() {
    m_path.BuildAuditPath();
}

int CECOAuditSetup::LoadAuditResults() {
    m_arrResultNames.RemoveAll();
    m_arrResultTexts.RemoveAll();
    CString sql;
    sql.Format("SELECT AuditName,AuditResult FROM ECOAuditManage WHERE ECOGroup='更改单' AND ECONo='%s'",
               SqlQuote(m_strECONo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            m_arrResultNames.Add(VariantToString(rs->GetCollect(0L)));
            m_arrResultTexts.Add(VariantToString(rs->GetCollect(1L)));
            rs->MoveNext();
        }
        if (theApp.m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return 0;
    }
    return 1;
}

void CECOAuditSetup::SelectFailedSteps(bool levelMode) {
    m_arrOpenSteps.RemoveAll();
    m_arrOpenAuditors.RemoveAll();
    CStringArray failed;
    for (int i = 0; i < m_arrResultNames.GetSize(); ++i)
        if (i < m_arrResultTexts.GetSize() && m_arrResultTexts[i] == kFailedResult)
            failed.Add(m_arrResultNames[i]);
    if (failed.GetSize() == 0) {
        AfxMessageBox("任务状态与评审流程的状态不符，请与系统管理员联系!");
        DisableOwnerOk();
        return;
    }
    if (!levelMode) {
        for (const CString& name : failed)
            for (int s = 0; s < m_path.GetCount(); ++s) {
                const AuditPathItem* step = m_path.GetItem(s);
                if (step->m_strTaskName.CompareNoCase(name) == 0) {
                    m_arrOpenSteps.Add(step->m_strTaskName);
                    m_arrOpenAuditors.Add(step->m_strAuditor);
                }
            }
        return;
    }
    int level = -1;
    for (int s = 0; s < m_path.GetCount(); ++s)
        if (m_path.GetItem(s)->m_strTaskName.CompareNoCase(failed[0]) == 0) {
            level = m_path.GetItem(s)->m_nLevel;
            break;
        }
    if (level < 0) {
        AfxMessageBox("该评审任务不存在，为无效路径!");
        DisableOwnerOk();
        return;
    }
    for (int s = 0; s < m_path.GetCount(); ++s) {
        const AuditPathItem* step = m_path.GetItem(s);
        if (step->m_nLevel == level) {
            m_arrOpenSteps.Add(step->m_strTaskName);
            m_arrOpenAuditors.Add(step->m_strAuditor);
        }
    }
}

void CECOAuditSetup::SelectFirstSteps() {
    m_path.CollectFirstLevelSteps(m_arrOpenSteps, m_arrOpenAuditors);
}

int CECOAuditSetup::CreateAuditTask(const CString& stepName, const CString& auditor) {
    CString sql;
    sql.Format("DELETE FROM ECOAuditManage WHERE ECOGroup='更改单' AND ECONo='%s' AND AuditName='%s'",
               SqlQuote(m_strECONo), SqlQuote(stepName));
    if (!theApp.ExecuteSql(sql))
        return 0;
    const CString beginDate = CTime::GetCurrentTime().Format("%Y-%m-%d");
    sql.Format("INSERT INTO ECOAuditManage (ECOGroup, ECONo, AuditingType, AuditName, Auditor, BeginTime, "
               "AuditState, AuditManager) VALUES('更改单', '%s', '%s', '%s', '%s', '%s', '未完成', '%s')",
               SqlQuote(m_strECONo), SqlQuote(AuditingTypeText(m_nReviewMode)), SqlQuote(stepName),
               SqlQuote(auditor), SqlQuote(beginDate), SqlQuote(auditor));
    if (!theApp.ExecuteSql(sql))
        return 0;
    if (m_nReviewMode == kReviewPerOrder && !auditor.IsEmpty()) {
        CString text;
        text.Format("辛苦了， 需要您对更改单 %s 进行 %s", m_strECONo, stepName);
        sql.Format(
            "INSERT INTO MessageManage (Sender, Reseiver, SendTime, SendDate, MachineIP, Topic, Content, "
            "ReadFlag) VALUES('系统', '%s', '%s', '%s', '%s', '系统工作消息', '%s', 'N')",
            SqlQuote(auditor), SqlQuote(CTime::GetCurrentTime().Format("%Y-%m-%d %H:%M")),
            SqlQuote(beginDate), SqlQuote(theApp.m_strHostIP), SqlQuote(text));
        if (!theApp.ExecuteSql(sql))
            return 0;
        // Told once the rows are stored: a set-up that fails afterwards leaves no task to tell of.
        m_arrNoticeReceivers.Add(auditor);
        m_arrNoticeTexts.Add(text);
    }
    return 1;
}

int CECOAuditSetup::OpenSteps() {
    if (m_nRestartType == 2) {
        CString sql;
        sql.Format("DELETE FROM ECOAuditManage WHERE ECOGroup='更改单' AND ECONo='%s'", SqlQuote(m_strECONo));
        if (!theApp.ExecuteSql(sql))
            return 0;
        m_arrResultNames.RemoveAll();
    }
    for (int i = 0; i < m_arrOpenSteps.GetSize(); ++i)
        if (!CreateAuditTask(m_arrOpenSteps[i],
                             i < m_arrOpenAuditors.GetSize() ? m_arrOpenAuditors[i] : CString()))
            return 0;
    CString sql;
    sql.Format("UPDATE ECOChangeManage SET State='评审' WHERE ECONo='%s'", SqlQuote(m_strECONo));
    return theApp.ExecuteSql(sql);
}

int CECOAuditSetup::SetupAuditFlow() {
    CWaitCursor wait;
    m_arrNoticeReceivers.RemoveAll();
    m_arrNoticeTexts.RemoveAll();
    if (!LoadAuditTemplate())
        return 0;
    SplitAuditors();
    BuildAuditSteps();
    if (!LoadAuditResults())
        return 0;
    if (m_nRestartType == 0)
        SelectFailedSteps(false);
    else if (m_nRestartType == 1 && m_path.IsMixed())
        SelectFailedSteps(true);
    else
        SelectFirstSteps();
    // A review that opens no step would never end: the notice is not sent into it.
    if (m_arrOpenSteps.GetSize() == 0) {
        if (m_nRestartType == 2 || (m_nRestartType == 1 && !m_path.IsMixed()))
            AfxMessageBox("评审流程：" + m_strAuditingModel + " 中没有可启动的评审任务，不能提交评审...");
        return 0;
    }
    _ConnectionPtr connection = theApp.m_pConnPDM;
    const bool own = connection && !connection->InTransaction();
    try {
        if (own)
            connection->BeginTrans();
        const int opened = OpenSteps();
        if (own) {
            if (opened)
                connection->CommitTrans();
            else
                connection->RollbackTrans();
        }
        if (!opened)
            return 0;
    } catch (_com_error& e) {
        ReportComError(e);
        if (own && connection->InTransaction())
            connection->RollbackTrans();
        return 0;
    }
    // Within the caller's transaction nothing is committed yet: the caller sends the notices.
    if (own)
        SendNotices();
    return 1;
}

void CECOAuditSetup::SendNotices() {
    for (int i = 0; i < m_arrNoticeReceivers.GetSize(); ++i)
        theApp.NotifyMessageServer(m_arrNoticeReceivers[i], m_arrNoticeTexts[i]);
    m_arrNoticeReceivers.RemoveAll();
    m_arrNoticeTexts.RemoveAll();
}
