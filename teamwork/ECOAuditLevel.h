// CECOAuditLevel: the review levels of the documents of a change task (table ECOAuditLevel). The
// documents of a change task advance level by level together: a document moves one level at a
// time up to its own maximum, the next level opens only when the drawings of every part of the
// change order and the change order's own sheet have reached it. No state of its own: every
// operation works on the application's current connection.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"

class CECOAuditLevel {
public:
    // Opens the product connection when the application has none.
    CECOAuditLevel();
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
};
