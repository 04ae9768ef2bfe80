// CECOAuditLevel: the review levels of the documents of a change task (table ECOAuditLevel). The
// documents of a change task advance level by level together: a document moves one level at a
// time up to its own maximum, the next level opens only when the drawings of every part of the
// change order and the change order's own sheet have reached it. No state of its own: every
// operation works on the application's current connection.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"

#include <cstdlib>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// What the level operations of one change task read: the order's parts, the task's drawings and
// the levels of its documents. Kept by a reviewer's decision over the task's documents so that
// deciding many of them does not read the whole task again for each document and each step
// opened. The parts and drawings are read once; the levels follow the writes made through
// CECOAuditLevel. Other clients (or a rolled-back decision) may have changed the tables since, so
// the snapshot gives an answer only where the table confirms it in one statement of one row: a
// part that keeps a level closed (still the order's, with no drawing at the level) or a document
// below its maximum. Every other answer, "complete" above all, is the table's own, asked in
// set-based statements; when it differs from what the snapshot holds, the snapshot is read again
// when next used. The warning of more parts than the order has is the table's too, asked where the
// snapshot has drawings of other parts or where they decide the answer: the table is not read
// through for the warning alone.
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
        bool Finished() const {
            return current.IsEmpty() || maximum.IsEmpty() || std::atoi(current) == std::atoi(maximum);
        }
        int reached = 0; // the current level as a number
    };
    // Whether the snapshot holds this task (read, and not given up since).
    bool Holds(const CString& workId) const { return !m_workId.IsEmpty() && m_workId == workId; }
    // Reads the task when the snapshot holds another (or none); false after the error was shown.
    bool Prepare(const CString& workId);
    bool Read(const CString& workId);
    // Takes a document's row as the table has it now: false when the snapshot does not have the
    // document or has other levels for it (it is then read again when next used).
    bool Follow(const std::string& fileId, const CString& current, const CString& maximum);
    void SetCurrent(const std::string& fileId, int level);
    const Level* Find(const CString& fileId) const;
    // The index of an order part none of whose drawings has reached `level` (the hint first),
    // or -1 when every part has one.
    int MissingPart(int level) const;
    // Whether a drawing of a part the order does not have has reached `level`.
    bool OtherPartsReach(int level) const;
    // A document that is not at its maximum level (the hint first), or null when all are.
    const std::string* UnfinishedFile() const;
    // The part check as the snapshot holds the task (without the warning).
    int Answer(int level) const;

    CString m_workId;                                            // empty: nothing read
    std::unordered_set<std::string> m_orderParts;                // distinct, trimmed
    std::vector<std::pair<std::string, std::string>> m_drawings; // file id, part code of each DWG
    std::unordered_map<std::string, Level> m_levels;             // by file id; the first row
    std::string m_sheet;                                         // file id of the first sheet row
    bool m_hasSheet = false;
    // For the checks, made when read: each order part with the levels of its drawings, and the
    // levels of the drawings of parts the order does not have.
    std::vector<std::string> m_parts;
    std::vector<std::vector<const Level*>> m_partLevels;
    std::vector<const Level*> m_otherLevels;
    // Where the last "not yet" was found: most checks find it there again.
    mutable std::size_t m_missingHint = 0;
    mutable std::string m_unfinishedHint;
    // Every part has reached this level (and the ones below); -1 when not known. A level set
    // lower takes it back.
    mutable int m_completeLevel = -1;
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
    // The snapshot ready for the task, or null when there is none or it could not be read (the
    // error shown: the operation then fails without reading the tables once more).
    ECOTaskSnapshot* Snapshot(const CString& workId);
    // The part check with a snapshot: a part the snapshot finds missing and the table confirms,
    // else the table's answer (with its "more parts" warning).
    int CheckPartsWithSnapshot(ECOTaskSnapshot& task, int level);
    // 1 when the order still has the part and none of its drawings has reached `level` in the
    // table; 0 when that is no longer so; -1 after a failed read (shown).
    int PartStillMissing(const ECOTaskSnapshot& task, std::size_t part, int level);
    // The part check as the table answers it now, in statements of one row each. With
    // otherPartsFirst, drawings at the level of parts the order does not have are counted before
    // the sheet is read, as the part check asks; without, only when the sheet has not reached the
    // level (the warning is then not shown where the sheet alone opens the level).
    int CheckPartsInTable(const CString& workId, int level, bool otherPartsFirst);
    // The order's parts none of whose drawings has reached `level`; -1 after a failed read
    // (shown).
    long CountMissingParts(const CString& workId, int level);
    // The drawings at `level` of parts the order does not have; -1 after a failed read (shown).
    long CountOtherPartDrawings(const CString& workId, int level);
    // As the table answers: a part missing at level 0 or a document below its maximum that the
    // snapshot names and the table confirms, else the table's part check and count.
    int CountUnfinishedWithSnapshot(ECOTaskSnapshot& task);
    // 1 when the document is below its maximum level in the table, 0 when not, -1 after a failed
    // read (shown).
    int FileStillUnfinished(const CString& workId, const std::string& fileId);
    // 1 when no document of the task is below its maximum level; 0 also after a failed read.
    int CountUnfinishedInTable(const CString& workId);
    // The document's current and maximum levels as texts; false when it has no row or the read
    // failed (failed set, after the error was shown).
    bool ReadFileRow(const CString& workId, const CString& fileId, CString& current, CString& maximum,
                     bool& failed);

    ECOTaskSnapshot* m_pSnapshot = nullptr;
};
