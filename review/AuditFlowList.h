// The review notices of a batch: when several documents of one work are decided together, the
// audit-flow engine collects the notices here, and SendAuditResultMessages sends them once at the
// end, one per recipient and kind, worded for the whole work.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"

// One collected notice.
class AuditNoticeItem {
public:
    enum Kind { NextAuditor = 0, Passed = 1, NotPassed = 2, MemberNotPassed = 3 };

    AuditNoticeItem() = default;
    virtual ~AuditNoticeItem() = default;

    CString m_strRecipient;  // login account of the recipient
    CString m_strStepName;   // the review step concerned
    CString m_strMemberName; // MemberNotPassed: user name of the work group member; else empty
    int m_nKind = NextAuditor;
};

class CAuditFlowList {
public:
    CAuditFlowList() = default;
    virtual ~CAuditFlowList();
    CAuditFlowList(const CAuditFlowList&) = delete;
    CAuditFlowList& operator=(const CAuditFlowList&) = delete;

    // Appends a new item with these values; a notice to nobody (empty recipient) is not
    // collected. Returns 1.
    int AddStep(const CString& recipient, int kind, const CString& stepName, const CString& memberName);
    // Appends an item (the list takes it over) unless it is already there; 0 for a null item.
    int AddItem(AuditNoticeItem* item);
    void RemoveAll();
    CString ReadWorkName();
    // Sends the collected notices: one per recipient and kind. A notice whose row cannot be
    // written is shown and the others still go; 1 when every notice was written.
    int SendAuditResultMessages();

    int GetCount() const { return static_cast<int>(m_arrItems.GetSize()); }
    const AuditNoticeItem* GetItem(int index) const { return m_arrItems[index]; }

    CString m_strWorkID;
    CString m_strWorkName;

private:
    CArray<AuditNoticeItem*> m_arrItems; // owned
};
