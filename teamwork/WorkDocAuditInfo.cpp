#include "teamwork/WorkDocAuditInfo.h"

#include "core/ComError.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"

namespace {
const char* const kSection = "设计过程管理配置";
const char* const kGroupSeparator = "),(";
} // namespace

CWorkDocAuditInfo::CWorkDocAuditInfo() : Connection(theApp.m_pConnPDM), CloseMode(theApp.m_nAdoCloseMode) {}

CWorkDocAuditInfo::~CWorkDocAuditInfo() = default;

int CWorkDocAuditInfo::ReadDocAuditInfo(CString fileId) {
    CWaitCursor wait;
    FileID = fileId;
    if (FileID.IsEmpty())
        return 0;
    CString sql;
    sql.Format("SELECT AuditingModel, AuditorName, AuditingType, State FROM TeamWorkResult WHERE FileID='%s'",
               SqlQuote(FileID));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, Connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        int found = 0;
        if (!rs->IsEOF()) {
            AuditingModel = VariantToString(rs->GetCollect(0L));
            AuditorName = VariantToString(rs->GetCollect(1L));
            AuditingType = VariantToString(rs->GetCollect(2L));
            found = 1;
        }
        if (CloseMode)
            rs->Close();
        return found;
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
        return 0;
    }
}

void CWorkDocAuditInfo::SplitGroupNames(const CString& groupText, CStringArray& names) {
    const int separatorLength = 3;
    CString rest = groupText;
    for (;;) {
        const int at = rest.Find(kGroupSeparator);
        if (at < 0)
            break;
        if (at > 0)
            names.Add(rest.Left(at));
        rest = rest.Mid(at + separatorLength);
    }
    if (!rest.IsEmpty())
        names.Add(rest);
}

int CWorkDocAuditInfo::CanAssignAuditFlow() {
    AssignedBySuperior = ReadSettingInt(kSection, "工作任务评审流程由上级指派", "0");
    AssignGroup = ReadSetting(kSection, "工作任务评审流程指派组", "");
    if (AssignGroup.IsEmpty())
        return 0;
    CString sql;
    sql.Format("SELECT GroupName FROM UserInformation WHERE UserLogName='%s'",
               SqlQuote(theApp.m_strLoginUser));
    const CString groups = theApp.GetSqlString(sql);
    if (groups.IsEmpty())
        return 0;
    CStringArray names;
    SplitGroupNames(groups, names);
    for (const CString& name : names)
        if (name.CompareNoCase(AssignGroup) == 0)
            return 1;
    return 0;
}
