// The stored state of a change order (a change notice "更改单" in ECOChangeManage, a modification
// notice "修改单" in ECOModifyManage) for a window that deletes something the order holds (a
// label of its drawing, an attached document) after asking: whether the order may still be
// changed was decided when the window read it. Once the person has answered, the delete is
// decided again under the order's lock, which the notice forms take when they store, publish or
// send the order for review; what it deletes is read again under the same transaction.
//
//   CChangeOrderState order(group, number);
//   order.Read();                                   // when the window reads the order
//   ... the person answers Yes ...
//   CSqlTransaction transaction;
//   if (!transaction.IsActive() || !order.LockStillEditable(transaction, "选中的更改标记项"))
//       return;                                     // one box said what changed
#pragma once

#include "core/StoredRowEdit.h"
#include "platform/base/String.h"

#include <vector>

class CSqlTransaction;

class CChangeOrderState {
public:
    CChangeOrderState() = default;
    CChangeOrderState(CString group, CString number);

    // Reads and keeps the order's state as stored now (an order without a row is kept as such);
    // false after a failed read (shown).
    bool Read();
    // Keeps what the window read of the order itself.
    void Keep(bool found, const CString& state) {
        m_bFound = found;
        m_strState = state;
    }
    // The lock the notice forms take on the order.
    CString LockName() const;
    // Inside the caller's transaction: takes the order's lock and reads the order again. False,
    // after one box (shown once the transaction has ended) saying that the order was deleted,
    // published, sent for review or otherwise left the preparer's hands since Read, so that
    // `what` was not deleted; or after a failed lock or read (shown).
    bool LockStillEditable(CSqlTransaction& transaction, const CString& what) const;

    const CString& State() const { return m_strState; }
    bool Found() const { return m_bFound; }

private:
    bool ReadNow(bool& found, CString& state) const;

    CString m_strGroup;
    CString m_strNumber;
    CString m_strState;
    bool m_bFound = false;
};

