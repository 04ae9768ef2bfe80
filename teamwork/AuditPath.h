// The review path of a work document and its steps, without any window code: the submission,
// the review dialogs, the audit-flow engines and the change-order levels all read paths here.
//
// A path text is a list of entries joined by "|*|"; each entry is a step name followed by
// "(left,top)", the position of the step's box in the flow chart. The top position is the
// step's level: steps on one row form one level, a lower box is a later level. A step name may
// carry "[N]" (assisting sub-reviews) and "[M]" (mixed auditors: a group). The auditor list is
// joined by "|*|" as well; entry i is the auditor of path entry i.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"

extern const char* const kAuditListSeparator; // "|*|"
extern const char* const kMixedAuditStyle;    // "混合": the levels of the path run one after another

// Splits a "|*|" list: two adjacent separators or a leading one give an empty entry; a trailing
// separator adds none.
void SplitAuditList(const CString& text, CStringArray& entries);

// One entry of a path text taken apart. An entry without "(" has an empty name; positions that
// are missing or not numbers read as 0, so a damaged entry is an empty step, never a bad read.
struct AuditPathEntry {
    CString name; // the text before the first "(", marks included
    int left = 0; // the number between "(" and the first "," after it
    int top = 0;  // the number between that "," and the entry's last character: the level
};
AuditPathEntry ParseAuditPathEntry(const CString& entry);

// The name under which a step is written to and looked up in the step tables: upper case
// (single-byte letters only), cut before the first "[M]"; "[N]" stays.
CString StoredStepName(const CString& stepName);

// The position of a step in a path text: "[M]" and "[N]" are taken off the step name, the first
// place where the name stands right before "(" is found (letter case ignored), and the number of
// separators before it is the index. 0 when the step is not in the text, as for the first entry.
int GetAuditorIndex(const CString& listText, CString stepName);

// One step of a path.
class AuditPathItem : public CObject {
public:
    AuditPathItem() = default;
    ~AuditPathItem() override = default;

    CString m_strTaskName; // the step name as written in the path, marks included
    CString m_strAuditor;  // the auditor entry with the same index; empty when the list is short
    int m_nLevel = 0;      // the top position of the step's box
};

// A path with its auditors, read around one current step.
class CAuditPath {
public:
    CAuditPath() = default;
    ~CAuditPath();
    CAuditPath(const CAuditPath&) = delete;
    CAuditPath& operator=(const CAuditPath&) = delete;

    // Sets the texts, the current step and a fresh state, then splits, builds and collects the
    // lower levels, as a review dialog does when it loads a document.
    void Load(const CString& style, const CString& pathText, const CString& auditorText,
              const CString& currentStep);

    void ClearAuditPath();
    void SplitList();
    void BuildAuditPath();
    void AddAuditPathItem(const CString& entry);
    // Appends a step that is already taken apart (a box of a flow chart).
    void AddStep(const CString& name, const CString& auditor, int level);
    void CollectLowerLevelSteps();
    void CollectPeerSteps();
    void CollectNextLevelSteps();
    // The steps a review starts with: the first step and every step with its level in the mixed
    // style, every step otherwise.
    void CollectFirstLevelSteps(CStringArray& names, CStringArray& auditors) const;

    bool IsMixed() const;
    // The auditor of the first step of this name (letter case ignored); empty when none.
    CString AuditorOfStep(const CString& name) const;
    int GetCount() const { return static_cast<int>(m_arrItems.GetSize()); }
    const AuditPathItem* GetItem(int index) const;

    CString m_strAuditingStyle;
    CString m_strAuditingPath;
    CString m_strAuditorName;
    CStringArray m_arrAuditors;
    CObArray m_arrItems; // AuditPathItem, in path order; owned
    CString m_strCurrentTask;
    int m_nCurrentLevel = -1; // -1: the current step is not in the path
    int m_bValidPath = 1;     // 0: no path, or fewer auditors than steps
    CStringArray m_arrLowerSteps;
    CStringArray m_arrPeerSteps;
    CStringArray m_arrNextSteps;

private:
    bool IsCurrentStep(const AuditPathItem& item) const;
};

// What a pass does next, from the rows of the steps (name, state + "|" + result, working flag)
// that the peers of the step must have: 0 wait (a peer row is not "已完成|通过"; when a reviewer
// holds it, heldStep names it), 1 open the next level, 2 the last level has passed. A passed row
// counts whatever its working flag. Peers
// are compared in their stored form, so a group step ("[M]") is found and waited for; a peer
// without a row does not hold the pass back.
int CheckPeerStepRows(const CStringArray& peerSteps, bool hasNextLevel, const CStringArray& rowNames,
                      const CStringArray& rowOutcomes, const CStringArray& rowWorking, CString& heldStep);

// For a review window whose step could not be marked as held (Working 'T') as it opened: tells
// the reviewer, before an opinion is written, that the database takes no writes now (read-only
// or locked), so that a decision could not be stored either. Said only after the database's box
// named one of those causes: after any other (a lost connection, a missing table or column),
// which that box has said, nothing more is said.
void SayStepNotMarked();
