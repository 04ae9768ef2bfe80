#include "teamwork/ECOAuditLevel.h"

#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/db/SqlText.h"
#include "teamwork/AuditPath.h"

#include <cstdlib>

namespace {
CString ChangeOrderNo(const CString& workId) {
    int mark = workId.Find("[M]");
    return mark >= 0 ? workId.Left(mark) : workId;
}
} // namespace

CECOAuditLevel::CECOAuditLevel() {
    if (!theApp.m_pConnPDM)
        theApp.ConnectDatabase();
}

bool CECOAuditLevel::ReadColumnValues(const CString& sql, CStringArray& values, const char* errorText) {
    values.RemoveAll();
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            values.Add(VariantToString(rs->GetCollect(0L)));
            rs->MoveNext();
        }
        rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        AfxMessageBox(errorText);
        return false;
    }
    return true;
}

int CECOAuditLevel::CheckModifiedPartsReady(CString workId, int level) {
    CString sql;
    sql.Format("SELECT Distinct PartCode FROM ECOModifyPart WHERE ECONo = '%s' AND Upper(Other3) = '0'",
               SqlQuote(ChangeOrderNo(workId)));
    CStringArray orderParts;
    if (!ReadColumnValues(sql, orderParts, "获取更改单涉及零部件信息时, 数据库发生异常..."))
        return 0;
    sql.Format(
        "SELECT distinct PartCode FROM TeamWorkResult WHERE WorkID = '%s' AND Upper(FileName) Like '%%.DWG' "
        "AND FileID IN ( SELECT Distinct FileID FROM ECOAuditLevel WHERE CurrentAuditLevel >= %d AND "
        "ECOTaskNo = '%s' )",
        SqlQuote(workId), level, SqlQuote(workId));
    CStringArray submitted;
    if (!ReadColumnValues(sql, submitted, "获取更改任务提交文档涉及零部件信息时, 数据库发生异常..."))
        return 0;
    if (submitted.GetSize() < orderParts.GetSize())
        return 0;
    for (int i = 0; i < orderParts.GetSize(); ++i) {
        bool found = false;
        for (int j = 0; j < submitted.GetSize() && !found; ++j)
            found = submitted[j] == orderParts[i];
        if (!found)
            return 0;
    }
    if (submitted.GetSize() > orderParts.GetSize()) {
        AfxMessageBox("提交文档对应零部件的数量大于更改单设计的零部件数量, "
                      "\n请检查修改，否则评审流程将无法进行下去...");
        return 1;
    }
    sql.Format("SELECT CurrentAuditLevel FROM ECOAuditLevel WHERE ECOTaskNo = '%s' AND IsECOFile = 'Y'",
               SqlQuote(workId));
    CString sheetLevel = theApp.GetSqlString(sql);
    if (sheetLevel.IsEmpty())
        return 0;
    return std::atoi(sheetLevel) >= level ? 1 : 0;
}

int CECOAuditLevel::ResetWaitingAudits(int level, CString workId, int alsoGroupRows) {
    if (!CheckModifiedPartsReady(workId, level))
        return 1;
    CString sql;
    sql.Format(
        "Update TeamWorkAudit SET State = '未完成' WHERE State = '等待' AND FileID IN ( SELECT FileID FROM "
        "ECOAuditLevel WHERE ECOTaskNo = '%s' AND CurrentAuditLevel = %d )",
        SqlQuote(workId), level);
    if (!theApp.ExecuteSql(sql))
        return 0;
    if (alsoGroupRows) {
        sql.Format("Update TeamWorkGroupAudit SET State = '未完成' WHERE State = '等待' AND  FileID IN ( "
                   "SELECT FileID "
                   "FROM ECOAuditLevel WHERE ECOTaskNo = '%s' AND CurrentAuditLevel = %d )",
                   SqlQuote(workId), level);
        if (!theApp.ExecuteSql(sql))
            return 0;
    }
    return 1;
}

int CECOAuditLevel::ReadLevel(const char* column, const CString& workId, const CString& fileId) {
    CString sql;
    sql.Format("SELECT %s FROM ECOAuditLevel WHERE ECOTaskNo = '%s' AND FileID = '%s'", column,
               SqlQuote(workId), SqlQuote(fileId));
    return std::atoi(theApp.GetSqlString(sql));
}

int CECOAuditLevel::AdvanceFileLevel(CString workId, CString fileId, int advance) {
    CString sql;
    if (advance) {
        const int current = ReadLevel("CurrentAuditLevel", workId, fileId);
        const int maximum = ReadLevel("MaxAuditLevel", workId, fileId);
        if (current >= maximum)
            return 0;
        sql.Format("UPDATE ECOAuditLevel SET CurrentAuditLevel = %d WHERE ECOTaskNo = '%s' AND FileID = '%s'",
                   current + 1, SqlQuote(workId), SqlQuote(fileId));
        return theApp.ExecuteSql(sql) ? 1 : 0;
    }
    sql.Format("UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE ECOTaskNo = '%s' AND FileID = '%s'",
               SqlQuote(workId), SqlQuote(fileId));
    if (!theApp.ExecuteSql(sql)) {
        AfxMessageBox(sql);
        return 0;
    }
    sql.Format("UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE ECOTaskNo = '%s' AND IsECOFile = 'Y'",
               SqlQuote(workId));
    return theApp.ExecuteSql(sql) ? 1 : 0;
}

int CECOAuditLevel::CountUnfinishedFiles(CString workId) {
    if (!CheckModifiedPartsReady(workId, 0))
        return 0;
    CString sql;
    sql.Format(
        "SELECT count(*) FROM ECOAuditLevel WHERE CurrentAuditLevel <> MaxAuditLevel AND ECOTASKNO = '%s'",
        SqlQuote(workId));
    return std::atoi(theApp.GetSqlString(sql)) > 0 ? 0 : 1;
}

int CECOAuditLevel::GetFileLevels(CString workId, CString fileId, int& maxLevel, int& currentLevel) {
    CString sql;
    sql.Format(
        "SELECT MaxAuditLevel, CurrentAuditLevel FROM ECOAuditLevel WHERE ECOTASKNO = '%s' AND FileID = '%s'",
        SqlQuote(workId), SqlQuote(fileId));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            maxLevel = std::atoi(VariantToString(rs->GetCollect(0L)));
            currentLevel = std::atoi(VariantToString(rs->GetCollect(1L)));
        }
        rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        AfxMessageBox(sql);
        return 0;
    }
    return 1;
}

int CECOAuditLevel::RejectECOFiles(CString workId, CString state, CString stepName) {
    const CString time = CTime::GetCurrentTime().Format("%Y-%m-%d %H:%M");
    CString sql;
    sql.Format("SELECT FileID FROM TeamWorkResult WHERE WorkID = '%s' AND Other4 = '_ECO'", SqlQuote(workId));
    const CString sheet = theApp.GetSqlString(sql);
    // "未通过" is the result the peers of the change-order review read for the sheet's step.
    sql.Format(
        "Update TeamWorkAudit SET FinishDate='%s', State='已完成', Result='未通过', Prompt='', Manager='%s' "
        "WHERE AuditTask= '%s' AND FileID = '%s'",
        SqlQuote(time), SqlQuote(theApp.m_strLoginUser), SqlQuote(stepName), SqlQuote(sheet));
    if (!theApp.ExecuteSql(sql))
        return 0;
    sql.Format("Update TeamWorkResult Set State = '%s' WHERE WorkID = '%s' AND Other4 = '_ECO'",
               SqlQuote(state), SqlQuote(workId));
    return theApp.ExecuteSql(sql) ? 1 : 0;
}

int CECOAuditLevel::ReleaseWaitingResults(CString workId) {
    CString sql;
    sql.Format("UPDATE TeamWorkResult SET State='正式' WHERE WorkID='%s' AND State = '等待正式'",
               SqlQuote(workId));
    return theApp.ExecuteSql(sql) ? 1 : 0;
}

int CECOAuditLevel::GetAuditorIndex(CString listText, CString stepName) {
    return ::GetAuditorIndex(listText, stepName);
}
