// CECOAuditLevel: the review levels of the documents of a change task (table ECOAuditLevel). The
// documents of a change task advance level by level together: a document moves one level at a
// time up to its own maximum, the next level opens only when the drawings of every part of the
// change order and the change order's own sheet have reached it. No state of its own: every
// operation works on the application's current connection.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// What the level operations of one change task read: the order's parts, the task's drawings and
// the levels of its documents. Kept by a reviewer's decision over the task's documents so that
// deciding many of them does not read the whole task again for each document and each step
// opened. The parts and drawings are read once; the levels follow the writes made through
// CECOAuditLevel and are read again when the table shows that another writer (or a rolled-back
// decision) changed them.
class ECOTaskSnapshot {
public:
private:
    friend class CECOAuditLevel;
    struct Level {
        CString current; // as stored: empty when NULL
        CString maximum;
        bool sheet = false; // the change order's own sheet (IsECOFile 'Y')
        // Whether the current level is not NULL and reaches `level`.
        bool Reaches(int level) const { return !current.IsEmpty() && reached >= level; }
        int reached = 0; // the current level as a number
    };
    // The table's summary of what the snapshot holds; a change shows in it.
    struct Summary {
        long long levelRows = 0, currentSum = 0, maximumSum = 0, drawingRows = 0, partRows = 0;
        bool operator==(const Summary&) const = default;
    };
    // Reads what is missing or out of date for the task; false after the error was shown.
    bool Prepare(const CString& workId);
    bool Read(const CString& workId);
    bool ReadSummary(const CString& workId, Summary& summary) const;
    void SetCurrent(const std::string& fileId, int level);
    const Level* Find(const CString& fileId) const;

    CString m_workId;                                            // empty: nothing read
    std::unordered_set<std::string> m_orderParts;                // distinct, trimmed
    std::vector<std::pair<std::string, std::string>> m_drawings; // file id, part code of each DWG
    std::unordered_map<std::string, Level> m_levels;             // by file id; the first row
    std::string m_sheet;                                         // file id of the first sheet row
    bool m_hasSheet = false;
    // For the checks, made when read: the levels of each order part's drawings, and of the
    // drawings of parts the order does not have.
    std::vector<std::vector<const Level*>> m_partLevels;
    std::vector<const Level*> m_otherLevels;
    Summary m_summary; // as the table shows it after the reads and writes made here
};

class CECOAuditLevel {
public:
    // Opens the product connection when the application has none. With a snapshot, the levels,
    // parts and drawings of the task are taken from it (and kept up to date in it).
    CECOAuditLevel();
    explicit CECOAuditLevel(ECOTaskSnapshot* snapshot);
    virtual ~CECOAuditLevel() = default;

    // Opens level `level` for the waiting step rows of the change task (and their group rows
    // when alsoGroupRows is non-zero) once the level is complete; 1 also when it is not complete
    // yet, 0 when a statement failed.
    int ResetWaitingAudits(int level, CString workId, int alsoGroupRows);
    // advance non-zero: one level up, never beyond the document's maximum (0 when already
    // there); zero: the document and the change order's sheet go back to level 0.
    int AdvanceFileLevel(CString workId, CString fileId, int advance);
    // 1 when every document has reached its maximum level and the parts are complete.
    int CountUnfinishedFiles(CString workId);
    // The document's maximum and current levels (unchanged when it has no row); 0 after a
    // database error.
    int GetFileLevels(CString workId, CString fileId, int& maxLevel, int& currentLevel);
    // Closes the change order sheet's step as failed ("未通过") and sets the sheet's state.
    int RejectECOFiles(CString workId, CString state, CString stepName);
    // Every document of the work waiting for release ("等待正式") becomes formal.
    int ReleaseWaitingResults(CString workId);
    // The index of the step in a review path text (see GetAuditorIndex of the review path).
    int GetAuditorIndex(CString listText, CString stepName);
    // 1 when the drawings of every part of the change order have reached `level` (and, with as
    // many parts as the order has, the order's own sheet too).
    int CheckModifiedPartsReady(CString workId, int level);

private:
    // The first column of every row as trimmed text; false after the database error message.
    bool ReadColumnValues(const CString& sql, CStringArray& values, const char* errorText);
    int ReadLevel(const char* column, const CString& workId, const CString& fileId);
    // The snapshot ready for the task, or null when there is none (or it could not be read).
    ECOTaskSnapshot* Snapshot(const CString& workId);
    int CheckPartsInSnapshot(const ECOTaskSnapshot& task, int level);

    ECOTaskSnapshot* m_pSnapshot = nullptr;
};
