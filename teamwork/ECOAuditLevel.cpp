#include "teamwork/ECOAuditLevel.h"

#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/db/SqlText.h"
#include "teamwork/AuditPath.h"

#include <cstdlib>
#include <functional>

namespace {
CString ChangeOrderNo(const CString& workId) {
    int mark = workId.Find("[M]");
    return mark >= 0 ? workId.Left(mark) : workId;
}

constexpr const char* kOrderPartsError = "获取更改单涉及零部件信息时, 数据库发生异常...";
constexpr const char* kSubmittedPartsError = "获取更改任务提交文档涉及零部件信息时, 数据库发生异常...";
constexpr const char* kMorePartsWarning = "提交文档对应零部件的数量大于更改单设计的零部件数量, "
                                          "\n请检查修改，否则评审流程将无法进行下去...";

// Reads every row of a statement as trimmed texts; false after the error and errorText (when
// given) were shown.
bool ReadTexts(const CString& sql, long columns, const char* errorText,
               const std::function<void(const std::vector<CString>&)>& onRow) {
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        std::vector<CString> row(static_cast<std::size_t>(columns));
        while (!rs->IsEOF()) {
            for (long c = 0; c < columns; ++c)
                row[static_cast<std::size_t>(c)] = VariantToString(rs->GetCollect(c));
            onRow(row);
            rs->MoveNext();
        }
        rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        if (errorText)
            AfxMessageBox(errorText);
        return false;
    }
    return true;
}
} // namespace

// ---------------------------------------------------------------------------------------------
// The snapshot of a change task

bool ECOTaskSnapshot::ReadSummary(const CString& workId, Summary& summary) const {
    CString sql;
    sql.Format(
        "SELECT COUNT(*), SUM(CurrentAuditLevel), SUM(MaxAuditLevel), (SELECT COUNT(*) FROM TeamWorkResult "
        "WHERE WorkID = '%s'), (SELECT COUNT(*) FROM ECOModifyPart WHERE ECONo = '%s') FROM ECOAuditLevel "
        "WHERE ECOTaskNo = '%s'",
        SqlQuote(workId), SqlQuote(ChangeOrderNo(workId)), SqlQuote(workId));
    return ReadTexts(sql, 5, nullptr, [&summary](const std::vector<CString>& row) {
        summary.levelRows = std::atoll(row[0]);
        summary.currentSum = std::atoll(row[1]);
        summary.maximumSum = std::atoll(row[2]);
        summary.drawingRows = std::atoll(row[3]);
        summary.partRows = std::atoll(row[4]);
    });
}

bool ECOTaskSnapshot::Read(const CString& workId) {
    m_workId.Empty();
    m_orderParts.clear();
    m_drawings.clear();
    m_levels.clear();
    m_sheet.clear();
    m_hasSheet = false;
    if (!ReadSummary(workId, m_summary))
        return false;
    CString sql;
    sql.Format("SELECT Distinct PartCode FROM ECOModifyPart WHERE ECONo = '%s' AND Upper(Other3) = '0'",
               SqlQuote(ChangeOrderNo(workId)));
    if (!ReadTexts(sql, 1, kOrderPartsError,
                   [this](const std::vector<CString>& row) { m_orderParts.insert(row[0].str()); }))
        return false;
    sql.Format(
        "SELECT FileID, PartCode FROM TeamWorkResult WHERE WorkID = '%s' AND Upper(FileName) Like '%%.DWG'",
        SqlQuote(workId));
    if (!ReadTexts(sql, 2, kSubmittedPartsError, [this](const std::vector<CString>& row) {
            m_drawings.emplace_back(row[0].str(), row[1].str());
        }))
        return false;
    sql.Format("SELECT FileID, IsECOFile, CurrentAuditLevel, MaxAuditLevel FROM ECOAuditLevel WHERE "
               "ECOTaskNo = '%s'",
               SqlQuote(workId));
    if (!ReadTexts(sql, 4, nullptr, [this](const std::vector<CString>& row) {
            Level level;
            level.sheet = row[1].CompareNoCase("Y") == 0;
            level.current = row[2];
            level.maximum = row[3];
            level.reached = std::atoi(row[2]);
            if (level.sheet && !m_hasSheet) {
                m_hasSheet = true;
                m_sheet = row[0].str();
            }
            m_levels.emplace(row[0].str(), level);
        }))
        return false;
    std::unordered_map<std::string, std::size_t> partIndex;
    for (const std::string& part : m_orderParts)
        partIndex.emplace(part, partIndex.size());
    m_partLevels.assign(partIndex.size(), {});
    m_otherLevels.clear();
    for (const auto& [fileId, part] : m_drawings) {
        const auto level = m_levels.find(fileId);
        if (level == m_levels.end())
            continue; // never submitted at any level
        const auto index = partIndex.find(part);
        if (index == partIndex.end())
            m_otherLevels.push_back(&level->second);
        else
            m_partLevels[index->second].push_back(&level->second);
    }
    m_workId = workId;
    return true;
}

bool ECOTaskSnapshot::Prepare(const CString& workId) {
    if (m_workId.IsEmpty() || m_workId != workId)
        return Read(workId);
    Summary now;
    if (!ReadSummary(workId, now)) {
        m_workId.Empty();
        return false;
    }
    return now == m_summary || Read(workId);
}

const ECOTaskSnapshot::Level* ECOTaskSnapshot::Find(const CString& fileId) const {
    const auto found = m_levels.find(fileId.str());
    return found == m_levels.end() ? nullptr : &found->second;
}

void ECOTaskSnapshot::SetCurrent(const std::string& fileId, int level) {
    const auto found = m_levels.find(fileId);
    if (found == m_levels.end())
        return;
    CString& current = found->second.current;
    if (!current.IsEmpty())
        m_summary.currentSum -= std::atoll(current);
    current.Format("%d", level);
    found->second.reached = level;
    m_summary.currentSum += level;
}

// ---------------------------------------------------------------------------------------------

CECOAuditLevel::CECOAuditLevel() {
    if (!theApp.m_pConnPDM)
        theApp.ConnectDatabase();
}

CECOAuditLevel::CECOAuditLevel(ECOTaskSnapshot* snapshot) : CECOAuditLevel() {
    m_pSnapshot = snapshot;
}

ECOTaskSnapshot* CECOAuditLevel::Snapshot(const CString& workId) {
    if (!m_pSnapshot)
        return nullptr;
    // Already read for this task: the checks between two advances use it as it stands.
    if (!m_pSnapshot->m_workId.IsEmpty() && m_pSnapshot->m_workId == workId)
        return m_pSnapshot;
    return m_pSnapshot->Read(workId) ? m_pSnapshot : nullptr;
}

int CECOAuditLevel::CheckPartsInSnapshot(const ECOTaskSnapshot& task, int level) {
    // As the statements below ask it: every part of the order has a drawing whose document has
    // reached the level (a part missing also means fewer parts than the order has); drawings of
    // other parts at the level are more parts than the order has.
    for (const auto& levels : task.m_partLevels) {
        bool reached = false;
        for (const ECOTaskSnapshot::Level* file : levels)
            reached = reached || file->Reaches(level);
        if (!reached)
            return 0;
    }
    for (const ECOTaskSnapshot::Level* file : task.m_otherLevels) {
        if (file->Reaches(level)) {
            AfxMessageBox(kMorePartsWarning);
            return 1;
        }
    }
    if (!task.m_hasSheet)
        return 0;
    return task.m_levels.at(task.m_sheet).Reaches(level) ? 1 : 0;
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
    if (const ECOTaskSnapshot* task = Snapshot(workId))
        return CheckPartsInSnapshot(*task, level);
    CString sql;
    sql.Format("SELECT Distinct PartCode FROM ECOModifyPart WHERE ECONo = '%s' AND Upper(Other3) = '0'",
               SqlQuote(ChangeOrderNo(workId)));
    CStringArray orderParts;
    if (!ReadColumnValues(sql, orderParts, kOrderPartsError))
        return 0;
    sql.Format(
        "SELECT distinct PartCode FROM TeamWorkResult WHERE WorkID = '%s' AND Upper(FileName) Like '%%.DWG' "
        "AND FileID IN ( SELECT Distinct FileID FROM ECOAuditLevel WHERE CurrentAuditLevel >= %d AND "
        "ECOTaskNo = '%s' )",
        SqlQuote(workId), level, SqlQuote(workId));
    CStringArray submitted;
    if (!ReadColumnValues(sql, submitted, kSubmittedPartsError))
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
        AfxMessageBox(kMorePartsWarning);
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
    // A decision starts here: the snapshot is checked against the table first.
    ECOTaskSnapshot* task = m_pSnapshot && m_pSnapshot->Prepare(workId) ? m_pSnapshot : nullptr;
    CString sql;
    if (advance) {
        int current = 0, maximum = 0;
        if (task) {
            if (const ECOTaskSnapshot::Level* level = task->Find(fileId)) {
                current = std::atoi(level->current);
                maximum = std::atoi(level->maximum);
            }
        } else {
            current = ReadLevel("CurrentAuditLevel", workId, fileId);
            maximum = ReadLevel("MaxAuditLevel", workId, fileId);
        }
        if (current >= maximum)
            return 0;
        sql.Format("UPDATE ECOAuditLevel SET CurrentAuditLevel = %d WHERE ECOTaskNo = '%s' AND FileID = '%s'",
                   current + 1, SqlQuote(workId), SqlQuote(fileId));
        if (!theApp.ExecuteSql(sql))
            return 0;
        if (task)
            task->SetCurrent(fileId.str(), current + 1);
        return 1;
    }
    sql.Format("UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE ECOTaskNo = '%s' AND FileID = '%s'",
               SqlQuote(workId), SqlQuote(fileId));
    if (!theApp.ExecuteSql(sql)) {
        AfxMessageBox(sql);
        return 0;
    }
    if (task)
        task->SetCurrent(fileId.str(), 0);
    sql.Format("UPDATE ECOAuditLevel SET CurrentAuditLevel = 0 WHERE ECOTaskNo = '%s' AND IsECOFile = 'Y'",
               SqlQuote(workId));
    if (!theApp.ExecuteSql(sql))
        return 0;
    if (task) {
        for (auto& [id, level] : task->m_levels) {
            if (level.sheet)
                task->SetCurrent(id, 0);
        }
    }
    return 1;
}

int CECOAuditLevel::CountUnfinishedFiles(CString workId) {
    if (!CheckModifiedPartsReady(workId, 0))
        return 0;
    if (const ECOTaskSnapshot* task = Snapshot(workId)) {
        for (const auto& [id, level] : task->m_levels) {
            if (!level.current.IsEmpty() && !level.maximum.IsEmpty() &&
                std::atoi(level.current) != std::atoi(level.maximum))
                return 0;
        }
        return 1;
    }
    CString sql;
    sql.Format(
        "SELECT count(*) FROM ECOAuditLevel WHERE CurrentAuditLevel <> MaxAuditLevel AND ECOTASKNO = '%s'",
        SqlQuote(workId));
    return std::atoi(theApp.GetSqlString(sql)) > 0 ? 0 : 1;
}

int CECOAuditLevel::GetFileLevels(CString workId, CString fileId, int& maxLevel, int& currentLevel) {
    if (const ECOTaskSnapshot* task = Snapshot(workId)) {
        if (const ECOTaskSnapshot::Level* level = task->Find(fileId)) {
            maxLevel = std::atoi(level->maximum);
            currentLevel = std::atoi(level->current);
        }
        return 1;
    }
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
