// CECOAuditLevel: the review levels of the documents of a change task (table ECOAuditLevel). The
// documents of a change task advance level by level together: a document moves one level at a
// time up to its own maximum, the next level opens only when the drawings of every part of the
// change order and the change order's own sheet have reached it. No state of its own: every
// operation works on the application's current connection.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"
#include "platform/db/Ado.h"

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

// What the part check of one change task reads: the order's parts, the task's drawings and the
// levels of its documents. Kept by a reviewer's decision over the task's documents so that deciding
// many of them does not read the whole task for each document and each step opened.
//
// The rows are kept as stored (untrimmed, with the database's case-insensitive key of each code and
// file id), so that the answer, the more-parts warning and the documents found are those of the part
// check's own statements: codes trimmed and compared exactly, DISTINCT and the joins by the columns'
// case-insensitive equality. Where the rows leave that answer to the order in which the database
// returns them (two spellings of a code equal to the database, sheet rows at different levels), the
// part check's own statements answer.
//
// Stamps say whether anything wrote the rows that decide since the snapshot read them, whichever
// client wrote. On PostgreSQL triggers stamp them (table ECOTaskStamp: a count and a token new at
// every stamp, for the task, for its order, and for every TRUNCATE), a key once per transaction, at
// its first write there, marking the stamp row with the transaction that stamped it until a reader
// of the stamp in that transaction takes the mark away. On SQLite the application's
// connection counts the rows it writes to those tables itself (vq_watched_writes), and the
// database's data version changes whenever another connection commits: any other client's write
// then reads the task again. The snapshot compares the stamps with its own before each question,
// counts its own writes in, and reads the task again when anything else wrote (also its own
// transaction), when a decision was rolled back, or when one of the triggers changed. It leaves
// the question to the guide below while a PostgreSQL database lacks the stamp's table or one of its
// triggers, or a trigger does not fire in every session (disabled, or left to origin sessions).
//
// On a database without working stamps (a PostgreSQL database made by an earlier version, or whose
// triggers were dropped or disabled) the snapshot is kept as a guide only: it names a part of the order that
// has no drawing at a level yet, or a document below its maximum, and one indexed statement confirms that in
// the tables before it is the answer. Any other answer is the tables' own.
//
// The snapshot also knows whether the database indexes the waiting steps (IX_TeamWorkAudit_Waiting and
// IX_TeamWorkGroupAudit_Waiting): then opening a level goes through the waiting steps instead of
// every document of the task.
class ECOTaskSnapshot {
public:
private:
    friend class CECOAuditLevel;
    static constexpr int kNoLevel = -2147483647 - 1; // a NULL level reaches none
    struct Stamp {
        CString writes; // empty: no write stamped yet
        CString token;
        bool marked = false; // the own transaction has stamped the key since the last read (PostgreSQL)
        bool operator==(const Stamp& other) const { return writes == other.writes && token == other.token; }
    };
    // The stamps of one question: the task's, its order's, and that of truncations.
    struct Stamps {
        Stamp task;
        Stamp order;
        Stamp truncated;
        bool operator==(const Stamps&) const = default;
        bool Marked() const { return task.marked || order.marked || truncated.marked; }
    };
    struct LevelRow {
        std::string key; // the file id as the database compares it; empty with `null`
        bool null = false;
        CString current; // as read (trimmed): empty when NULL
        CString maximum;
        bool sheet = false; // IsECOFile = 'Y'
        int reached = kNoLevel;
        bool Finished() const {
            return current.IsEmpty() || maximum.IsEmpty() || std::atoi(current) == std::atoi(maximum);
        }
    };
    // A distinct stored part code of the task's drawings, and how far its drawings have come.
    struct Code {
        std::string trimmed;
        std::vector<std::string> fileKeys; // of its drawings (not NULL)
        int reach = kNoLevel;
    };

    bool Holds(const CString& workId) const { return !m_workId.IsEmpty() && m_workId == workId; }
    enum class Ready { Yes, Untrusted, Failed };
    // The snapshot of the task as the tables are now: read again unless it holds the task and the
    // stamps say nobody else wrote. Untrusted while the stamps cannot tell (the triggers are not all
    // there and firing, or the own transaction wrote the task's rows outside the snapshot); Failed
    // after a failed read (shown). Before a write of the caller's own that CountOwnWrite confirms
    // (`beforeOwnWrite`), a held snapshot is compared by its stamps alone: the triggers are read
    // with the stamps after the write, and unchanged then they were unchanged all along (every
    // change of a trigger gives its catalog row a new version).
    Ready Prepare(const CString& workId, bool beforeOwnWrite = false);
    // Reads the task whose stamps' triggers were `triggers` before; holds it unless its own
    // transaction had written its rows. With no triggers, reads it as a guide, without stamps.
    // False after a failed read (shown).
    bool Read(const CString& workId, const CString& triggers);
    // What the stamps' triggers are now (a text that changes whenever one of them is dropped,
    // created, disabled, enabled or replaced); empty when they are not all there and firing in every
    // session. False after a failed read (shown).
    bool ReadTriggers(CString& triggers);
    // Whether the database has the indexes of the waiting steps.
    static bool WaitingIndexed();
    // A statement a decision runs at every question, ready to run on the application's connection
    // with `values` in order: each "%k" of the text is a text compared with a key column (cast to
    // the column's type on PostgreSQL, where a text may compare with regard to case), each "?" a
    // value. It is prepared once (m_statements) and the values are bound, except on PostgreSQL
    // unless `planOnce` (a statement whose planning costs more than a round trip): there the
    // values are written into the text.
    _CommandPtr& Statement(const char* text, const std::vector<_variant_t>& values, bool planOnce = false);
    // The stamps of the task being read (m_readingId); false after a failed read (shown).
    bool ReadStamps(Stamps& stamps);
    // SQLite: the stamps of the connection's watch of its own writes and of the database's version;
    // none on a connection without the watch. False after a failed read (shown).
    bool ReadWatchedWrites(Stamps& stamps);
    // The stamps and what the triggers are now (as ReadTriggers), in one read; false after a failed
    // read (shown).
    bool ReadStampsAndTriggers(Stamps& stamps, CString& triggers);
    // The stamp of the current row of a read of stamps (key, writes, token, mark).
    static void TakeStamp(const _RecordsetPtr& rs, Stamps& stamps);
    // A read of the stamps and the triggers right after the own write, inside a transaction, has
    // found the snapshot as the tables are: until anything else runs on the connection or a box is
    // shown (and for a moment at most), every question takes that read for its own (a decision asks
    // whether its level is complete and then whether its task is finished, with nothing between).
    // Given up as soon as it no longer holds.
    void MarkConfirmed();
    bool TakeConfirmed();
    // Without working stamps: an order part (index into m_order) that the snapshot has at no drawing
    // at `level`, and a level row below its maximum; null when it knows of none. Each goes on from
    // the one it named last, so a run of decisions does not look through the same parts again.
    const std::size_t* MissingPart(int level);
    const LevelRow* UnfinishedRow();
    // Whether the database compares its texts by their bytes (ranges of codes then hold every
    // spelling of a code padded with blanks); -1 after a failed read (shown).
    static int OrdersByBytes();
    // Whether the part check's statements give an answer that does not depend on the order of rows.
    bool Exact() const;
    // The part check as its statements answer (1 or 0); `warn` when it shows the more-parts warning.
    int Answer(int level, bool& warn) const;
    // The rows of the file key reach `level` (an own write); the codes of its drawings follow.
    void SetReached(const std::string& key, int level);
    int ReachOf(const Code& code) const;
    static void Count(std::map<int, long>& histogram, int level, long change);

    CString m_workId;    // empty: nothing held
    CString m_readingId; // the task whose stamps are read
    Stamps m_stamps;     // as the snapshot's rows are
    CString m_triggers;  // the triggers as they were when the task was read; empty: a guide
    // Whether the stamps were found working (else the snapshot is a guide only, for the rest of its
    // life): -1 not known yet.
    int m_stamped = -1;
    int m_waitingIndexed = -1; // whether it indexes the waiting steps: -1 not known yet
    // The statements a decision runs at every question, each prepared once (by engine and text).
    std::map<std::string, _CommandPtr> m_statements;
    _CommandPtr m_literal; // PostgreSQL: the last statement written with its values
    // The connection and its use count, the boxes shown, and the time when the snapshot was last
    // confirmed.
    struct Confirmed {
        const _Connection* connection = nullptr;
        unsigned long long uses = 0;
        unsigned long boxes = 0;
        std::chrono::steady_clock::time_point at;
    } m_confirmed;
    // Distinct stored codes of the order's parts (trimmed), and whether two spellings are equal to
    // the database.
    std::vector<std::string> m_order;
    std::vector<std::string> m_orderStored; // the same parts as stored (one spelling of each)
    std::size_t m_missingHint = 0;
    std::size_t m_missingFound = 0;
    std::size_t m_unfinishedHint = 0;
    int m_byBytes = -1; // OrdersByBytes: -1 not known yet
    std::unordered_map<std::string, long> m_orderByTrimmed;
    bool m_orderAmbiguous = false;
    std::vector<Code> m_codes;
    std::unordered_map<std::string, std::vector<std::size_t>> m_codesByTrimmed;
    std::unordered_map<std::string, std::vector<std::size_t>> m_codesByFile; // by file key
    bool m_codesAmbiguous = false;
    std::vector<LevelRow> m_rows;
    std::unordered_map<std::string, std::vector<std::size_t>> m_rowsByKey;
    std::vector<std::size_t> m_sheets;
    long m_unfinished = 0; // rows below (or above) their maximum
    // How many codes have come how far, and how far the best code of each order part has come.
    std::map<int, long> m_codeReach;
    std::map<int, long> m_orderReach;
    std::unordered_map<std::string, int> m_bestByTrimmed;
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
    // The levels of the document's first row (0 when it has none) and its key; false after the
    // error was shown.
    bool ReadFileRow(const CString& workId, const CString& fileId, int& current, int& maximum,
                     std::string& key);
    // The snapshot ready for the task and answering for it, or null: no snapshot, a read that
    // failed (`failed`, shown), or rows whose answer only the part check's statements can give.
    ECOTaskSnapshot* Snapshot(const CString& workId, bool& failed, bool beforeOwnWrite = false);
    // The part check through its own statements.
    int CheckPartsInTable(const CString& workId, int level);
    // 1 when no document of the task is below its maximum level; 0 also after a failed read.
    int CountUnfinishedInTable(const CString& workId);
    // Unstamped: the snapshot as a guide for the task (read when it does not hold it), or null
    // (stamps installed, no snapshot, or a failed read: `failed`, shown).
    ECOTaskSnapshot* Guide(const CString& workId, bool& failed);
    // Whether the tables confirm that order part `part` of the guide has no drawing at `level`
    // (1), do not (0), or the read failed (-1, shown).
    int ConfirmMissing(ECOTaskSnapshot& guide, std::size_t part, int level);
    // The part check's answer computed by the database (unstamped, where the guide confirms no
    // missing part): what the part check's own statements answer, without reading the rows here.
    int CheckPartsOnServer(ECOTaskSnapshot& guide, const CString& workId, int level);
    // Whether the tables confirm that a document of the task is below its maximum level: 1, 0, -1.
    int ConfirmUnfinished(ECOTaskSnapshot& guide, const std::string& fileKey);
    // PostgreSQL, with a snapshot (held for the task: `task`, else a guide or none yet): the document
    // one level up, its first row read and its rows written in one statement, as AdvanceFileLevel.
    int AdvanceOnServer(ECOTaskSnapshot* task, const CString& workId, const CString& fileId);
    // Counts an own write of `rows` rows into the snapshot's stamp; false when the stamp shows
    // another write too (the snapshot is then given up).
    bool CountOwnWrite(ECOTaskSnapshot& task, long rows);

    ECOTaskSnapshot* m_pSnapshot = nullptr;
    // The levels of the document the last advance of a snapshot's decision read and wrote.
    struct LastRow {
        CString workId;
        CString fileId;
        int current = 0;
        int maximum = 0;
        bool known = false;
    };
    LastRow m_lastRow;
};
