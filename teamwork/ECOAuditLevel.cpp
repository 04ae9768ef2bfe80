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

// The count of a statement that counts: -1 after the error was shown.
long CountRows(const CString& sql) {
    long count = 0;
    if (!ReadTexts(sql, 1, nullptr, [&count](const std::vector<CString>& row) { count = std::atol(row[0]); }))
        return -1;
    return count;
}
} // namespace

// ---------------------------------------------------------------------------------------------
// The snapshot of a change task

bool ECOTaskSnapshot::Read(const CString& workId) {
    m_workId.Empty();
    m_orderParts.clear();
    m_drawings.clear();
    m_levels.clear();
    m_sheet.clear();
    m_hasSheet = false;
    m_parts.clear();
    m_missingHint = 0;
    m_unfinishedHint.clear();
    m_completeLevel = -1;
    CString sql;
    sql.Format("SELECT PartCode FROM ECOModifyPart WHERE ECONo = '%s' AND Upper(Other3) = '0'",
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
    for (const std::string& part : m_orderParts) {
        partIndex.emplace(part, m_parts.size());
        m_parts.push_back(part);
    }
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
    return Holds(workId) || Read(workId);
}

bool ECOTaskSnapshot::Follow(const std::string& fileId, const CString& current, const CString& maximum) {
    const auto found = m_levels.find(fileId);
    if (found != m_levels.end() && found->second.current == current && found->second.maximum == maximum)
        return true;
    m_workId.Empty();
    return false;
}

const ECOTaskSnapshot::Level* ECOTaskSnapshot::Find(const CString& fileId) const {
    const auto found = m_levels.find(fileId.str());
    return found == m_levels.end() ? nullptr : &found->second;
}

void ECOTaskSnapshot::SetCurrent(const std::string& fileId, int level) {
    const auto found = m_levels.find(fileId);
    if (found == m_levels.end())
        return;
    if (found->second.current.IsEmpty() || level < found->second.reached)
        m_completeLevel = -1;
    found->second.current.Format("%d", level);
    found->second.reached = level;
}

int ECOTaskSnapshot::MissingPart(int level) const {
    if (level <= m_completeLevel)
        return -1;
    const std::size_t count = m_partLevels.size();
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t part = (m_missingHint + k) % count;
        bool reached = false;
        for (const Level* file : m_partLevels[part])
            reached = reached || file->Reaches(level);
        if (!reached) {
            m_missingHint = part;
            return static_cast<int>(part);
        }
    }
    m_completeLevel = level;
    return -1;
}

bool ECOTaskSnapshot::OtherPartsReach(int level) const {
    for (const Level* file : m_otherLevels) {
        if (file->Reaches(level))
            return true;
    }
    return false;
}

int ECOTaskSnapshot::Answer(int level) const {
    if (MissingPart(level) >= 0)
        return 0;
    if (OtherPartsReach(level))
        return 1;
    return m_hasSheet && m_levels.at(m_sheet).Reaches(level) ? 1 : 0;
}

const std::string* ECOTaskSnapshot::UnfinishedFile() const {
    const auto hint = m_levels.find(m_unfinishedHint);
    if (hint != m_levels.end() && !hint->second.Finished())
        return &hint->first;
    for (const auto& [id, level] : m_levels) {
        if (!level.Finished()) {
            m_unfinishedHint = id;
            return &id;
        }
    }
    return nullptr;
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
    if (m_pSnapshot->Holds(workId))
        return m_pSnapshot;
    return m_pSnapshot->Read(workId) ? m_pSnapshot : nullptr;
}

int CECOAuditLevel::CheckPartsWithSnapshot(ECOTaskSnapshot& task, int level) {
    // A part none of whose drawings has reached the level keeps it closed whatever else the task
    // holds: when the table still says so of the part the snapshot names, that is the answer.
    const CString workId = task.m_workId;
    const int missing = task.MissingPart(level);
    if (missing >= 0) {
        const int stillMissing = PartStillMissing(task, static_cast<std::size_t>(missing), level);
        if (stillMissing != 0)
            return 0; // still missing, or the read failed (shown)
        // No longer so: the snapshot is read again when next used.
        task.m_workId.Empty();
    }
    // Every other answer is the table's own: no count the snapshot kept can tell that a level is
    // still complete (another client may take a drawing back and pass a report, store the
    // order's parts anew or rename a drawing, and every count stays). A snapshot that told
    // otherwise is read again when next used. Drawings of parts the order does not have are
    // counted first only where the snapshot has some at the level: elsewhere they are counted
    // when the sheet has not reached the level and they decide the answer, but not for the
    // warning alone (a drawing of another part that another client made since the snapshot was
    // read then goes unwarned; the answer is the same).
    const int answer = CheckPartsInTable(workId, level, task.OtherPartsReach(level));
    if (answer != task.Answer(level))
        task.m_workId.Empty();
    return answer;
}

int CECOAuditLevel::PartStillMissing(const ECOTaskSnapshot& task, std::size_t part, int level) {
    // The part is still the order's, and none of its drawings has reached the level.
    const CString workId = task.m_workId;
    const CString code(task.m_parts[part]);
    CString sql;
    sql.Format(
        "SELECT COUNT(*), (SELECT COUNT(*) FROM TeamWorkResult r, ECOAuditLevel a WHERE r.WorkID = '%s' "
        "AND r.PartCode = '%s' AND Upper(r.FileName) Like '%%.DWG' AND a.ECOTaskNo = '%s' AND a.FileID = "
        "r.FileID AND a.CurrentAuditLevel >= %d) FROM ECOModifyPart WHERE ECONo = '%s' AND PartCode = "
        "'%s' AND Upper(Other3) = '0'",
        SqlQuote(workId), SqlQuote(code), SqlQuote(workId), level, SqlQuote(ChangeOrderNo(workId)),
        SqlQuote(code));
    long ordered = 0, reached = 0;
    if (!ReadTexts(sql, 2, kOrderPartsError, [&](const std::vector<CString>& row) {
            ordered = std::atol(row[0]);
            reached = std::atol(row[1]);
        }))
        return -1;
    return ordered > 0 && reached == 0 ? 1 : 0;
}

long CECOAuditLevel::CountMissingParts(const CString& workId, int level) {
    // Other3 = '0' means what Upper(Other3) = '0' means ('0' has no case), but a server can
    // estimate it from its statistics: with Upper() PostgreSQL takes the order's parts for a few
    // rows and joins them in a nested loop, a second per question at 2,000 parts.
    CString sql;
    sql.Format(
        "SELECT COUNT(*) FROM ECOModifyPart p WHERE p.ECONo = '%s' AND p.Other3 = '0' AND NOT EXISTS "
        "(SELECT 1 FROM TeamWorkResult r, ECOAuditLevel a WHERE r.WorkID = '%s' AND r.PartCode = p.PartCode "
        "AND Upper(r.FileName) Like '%%.DWG' AND a.ECOTaskNo = '%s' AND a.FileID = r.FileID AND "
        "a.CurrentAuditLevel >= %d)",
        SqlQuote(ChangeOrderNo(workId)), SqlQuote(workId), SqlQuote(workId), level);
    long count = -1;
    if (!ReadTexts(sql, 1, kOrderPartsError,
                   [&count](const std::vector<CString>& row) { count = std::atol(row[0]); }))
        return -1;
    return count;
}

long CECOAuditLevel::CountOtherPartDrawings(const CString& workId, int level) {
    // The order's list of parts is read once; the level is looked up only for drawings whose
    // part is not on it.
    CString sql;
    sql.Format(
        "SELECT COUNT(*) FROM TeamWorkResult r WHERE r.WorkID = '%s' AND (r.PartCode IS NULL OR r.PartCode "
        "NOT IN (SELECT q.PartCode FROM ECOModifyPart q WHERE q.ECONo = '%s' AND q.Other3 = '0' AND "
        "q.PartCode IS NOT NULL)) AND Upper(r.FileName) Like '%%.DWG' AND EXISTS (SELECT 1 FROM "
        "ECOAuditLevel a WHERE a.ECOTaskNo = '%s' AND a.FileID = r.FileID AND a.CurrentAuditLevel >= %d)",
        SqlQuote(workId), SqlQuote(ChangeOrderNo(workId)), SqlQuote(workId), level);
    long count = -1;
    if (!ReadTexts(sql, 1, kSubmittedPartsError,
                   [&count](const std::vector<CString>& row) { count = std::atol(row[0]); }))
        return -1;
    return count;
}

int CECOAuditLevel::CheckPartsInTable(const CString& workId, int level, bool otherPartsFirst) {
    // As the part check's statements answer: a part without a drawing at the level keeps it
    // closed; drawings at the level of parts the order does not have open it (with the warning);
    // else the order's sheet decides.
    if (CountMissingParts(workId, level) != 0)
        return 0; // missing, or the read failed (shown)
    long others = 0;
    if (otherPartsFirst) {
        others = CountOtherPartDrawings(workId, level);
        if (others < 0)
            return 0;
    }
    if (others == 0) {
        CString sql;
        sql.Format("SELECT CurrentAuditLevel FROM ECOAuditLevel WHERE ECOTaskNo = '%s' AND IsECOFile = 'Y'",
                   SqlQuote(workId));
        const CString sheetLevel = theApp.GetSqlString(sql);
        if (!sheetLevel.IsEmpty() && std::atoi(sheetLevel) >= level)
            return 1;
        if (otherPartsFirst)
            return 0;
        others = CountOtherPartDrawings(workId, level);
        if (others <= 0)
            return 0;
    }
    AfxMessageBox(kMorePartsWarning);
    return 1;
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
    if (m_pSnapshot) {
        ECOTaskSnapshot* task = Snapshot(workId);
        return task ? CheckPartsWithSnapshot(*task, level) : 0; // a failed read was shown
    }
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

bool CECOAuditLevel::ReadFileRow(const CString& workId, const CString& fileId, CString& current, CString& maximum,
                                 bool& failed) {
    CString sql;
    sql.Format("SELECT CurrentAuditLevel, MaxAuditLevel FROM ECOAuditLevel WHERE ECOTaskNo = '%s' AND FileID = '%s'",
               SqlQuote(workId), SqlQuote(fileId));
    bool found = false;
    failed = !ReadTexts(sql, 2, nullptr, [&](const std::vector<CString>& row) {
        if (!found) {
            current = row[0];
            maximum = row[1];
            found = true;
        }
    });
    return found && !failed;
}

int CECOAuditLevel::ReadLevel(const char* column, const CString& workId, const CString& fileId) {
    CString sql;
    sql.Format("SELECT %s FROM ECOAuditLevel WHERE ECOTaskNo = '%s' AND FileID = '%s'", column,
               SqlQuote(workId), SqlQuote(fileId));
    return std::atoi(theApp.GetSqlString(sql));
}

int CECOAuditLevel::AdvanceFileLevel(CString workId, CString fileId, int advance) {
    // A decision starts here: the document's own row is read from the table, and the snapshot
    // is read again when it has the row otherwise.
    ECOTaskSnapshot* task = m_pSnapshot && m_pSnapshot->Prepare(workId) ? m_pSnapshot : nullptr;
    CString sql;
    if (advance) {
        int current = 0, maximum = 0;
        if (task) {
            CString currentText, maximumText;
            bool failed = false;
            if (ReadFileRow(workId, fileId, currentText, maximumText, failed)) {
                current = std::atoi(currentText);
                maximum = std::atoi(maximumText);
            } else if (failed) {
                return 0;
            }
            if (!task->Follow(fileId.str(), currentText, maximumText))
                task = nullptr;
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
    if (m_pSnapshot) {
        ECOTaskSnapshot* task = Snapshot(workId);
        return task ? CountUnfinishedWithSnapshot(*task) : 0; // a failed read was shown
    }
    if (!CheckModifiedPartsReady(workId, 0))
        return 0;
    return CountUnfinishedInTable(workId);
}

int CECOAuditLevel::CountUnfinishedInTable(const CString& workId) {
    CString sql;
    sql.Format(
        "SELECT count(*) FROM ECOAuditLevel WHERE CurrentAuditLevel <> MaxAuditLevel AND ECOTASKNO = '%s'",
        SqlQuote(workId));
    // A count that could not be read (shown) is not "all finished": that would release every
    // document of the task.
    return CountRows(sql) == 0 ? 1 : 0;
}

int CECOAuditLevel::CountUnfinishedWithSnapshot(ECOTaskSnapshot& task) {
    // Not finished while a part has no drawing at level 0 (the part check comes first, as without
    // a snapshot), or while a document is below its maximum: either one, named by the snapshot and
    // confirmed by the table in one row, is the answer.
    const CString workId = task.m_workId;
    const int missing = task.MissingPart(0);
    if (missing >= 0) {
        if (PartStillMissing(task, static_cast<std::size_t>(missing), 0) != 0)
            return 0; // still missing, or the read failed (shown)
        task.m_workId.Empty();
    }
    const std::string* unfinished = task.UnfinishedFile();
    if (missing < 0 && unfinished) {
        const int stillUnfinished = FileStillUnfinished(workId, *unfinished);
        if (stillUnfinished < 0)
            return 0; // shown
        if (stillUnfinished > 0) {
            // The answer stands. The part check's warning of more parts than the order has comes
            // from the table where the snapshot has drawings of other parts; the table is not
            // read through at every document decided for the warning alone.
            if (task.OtherPartsReach(0) && CheckPartsInTable(workId, 0, true) != task.Answer(0))
                task.m_workId.Empty();
            return 0;
        }
        task.m_workId.Empty();
    }
    // All finished as far as the snapshot knows, or the table no longer bears out its "not
    // finished": the table answers, and a snapshot that told otherwise is read again.
    const int answer = CheckPartsInTable(workId, 0, true) ? CountUnfinishedInTable(workId) : 0;
    if (answer != (task.Answer(0) != 0 && !unfinished ? 1 : 0))
        task.m_workId.Empty();
    return answer;
}

int CECOAuditLevel::FileStillUnfinished(const CString& workId, const std::string& fileId) {
    CString sql;
    sql.Format("SELECT COUNT(*) FROM ECOAuditLevel WHERE ECOTaskNo = '%s' AND FileID = '%s' AND "
               "CurrentAuditLevel <> MaxAuditLevel",
               SqlQuote(workId), SqlQuote(CString(fileId)));
    const long count = CountRows(sql);
    return count < 0 ? -1 : count > 0 ? 1 : 0;
}

int CECOAuditLevel::GetFileLevels(CString workId, CString fileId, int& maxLevel, int& currentLevel) {
    if (m_pSnapshot) {
        const ECOTaskSnapshot* task = Snapshot(workId);
        if (!task)
            return 0; // a failed read was shown
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
