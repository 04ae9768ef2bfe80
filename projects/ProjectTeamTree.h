// The tree of one project group or task work group, shared by the group member dialog and the
// member picker: a root node for the group and one node per member (rows of DesignProjectTeam
// joined with UserInformation). Every node carries a TreeItemData that this object allocates and
// frees before each refill and when it is destroyed.
#pragma once

#include "controls/TreeCtrlEx.h"
#include "controls/TreeItemData.h"
#include "platform/base/String.h"

#include <vector>

// Which group: the project group ("_P", keyed by the project number) or the work group of a
// project task ("_T", keyed by the task number).
struct ProjectTeamGroup {
    CString projectNo, projectName;
    CString taskNo, taskName;
    int workGroup = 0;

    const char* TeamType() const { return workGroup ? "_T" : "_P"; }
    const CString& Key() const { return workGroup ? taskNo : projectNo; }
};

class CProjectTeamTree {
public:
    static constexpr int kLeaderImage = 4;
    static constexpr int kMemberImage = 6;

    ~CProjectTeamTree() { FreeRecords(); }

    void Attach(CTreeCtrlEx* tree) { m_tree = tree; }
    // Empties the tree, inserts the root for the group and reads its members below it; a member
    // whose login equals presetLogin (letter case not counted) is returned in presetNode.
    void Fill(const ProjectTeamGroup& group, const CString& presetLogin, HTREEITEM* presetNode);
    // Removes the member nodes and reads them again.
    void RefillMembers(const ProjectTeamGroup& group);
    HTREEITEM AddMember(const CString& login, const CString& fullName, bool leader);
    HTREEITEM Root() const { return m_root; }
    // The record of a node; null when it has none.
    const TreeItemData* Record(HTREEITEM item) const;
    bool IsLeader(HTREEITEM item) const;
    void FreeRecords();

private:
    void ReadMembers(const ProjectTeamGroup& group, const CString& presetLogin, HTREEITEM* presetNode);
    TreeItemData* NewRecord(const CString& kind, const CString& code, const CString& text);

    CTreeCtrlEx* m_tree = nullptr;
    HTREEITEM m_root = nullptr;
    std::vector<TreeItemData*> m_records;
};

// Stores one member of the group ('N', the given time). Under the Oracle dialect the row gets the
// next InterID; whenever another client took that identifier meanwhile the insert is tried again
// with the next one. 1 when stored, else 0 after the error (or, after a very long stream of lost
// identifiers, the busy message) has been shown.
int StoreTeamMember(const ProjectTeamGroup& group, const CString& login, const CString& time);
// Lets the person choose the group anew: the project task browser for a work group (the task's
// project then found through its path), else the project list picker. dialectForms compares with
// rtrim() under the Oracle dialect (the member dialog); the member picker uses the plain
// statements in both dialects. False when the person cancelled (the group is then unchanged).
bool ChooseTeamGroup(CWnd* parent, ProjectTeamGroup& group, bool dialectForms);
// Whether the login is in the group already; -1 when the count could not be read.
int CountTeamMember(const ProjectTeamGroup& group, const CString& login);
