// CPartBrowseRight: whether the current login account may open the released drawings of a part.
// "admin" always may. Any other account may when the part, or an assembly above it in the
// archive bill of materials, is among its allowed codes: its unexpired BrowseRight rows and every
// product of the product groups it manages, manages from above or designs for.
//
//   CPartBrowseRight right;
//   if (!right.CanBrowse(partCode)) ...
#pragma once

#include "controls/TreeStack.h"
#include "platform/base/Collections.h"
#include "platform/base/String.h"
#include "platform/db/Ado.h"

class CPartBrowseRight {
public:
    CPartBrowseRight();
    virtual ~CPartBrowseRight();
    CPartBrowseRight(const CPartBrowseRight&) = delete;
    CPartBrowseRight& operator=(const CPartBrowseRight&) = delete;

    // 1 when the account may browse the part, else 0.
    int CanBrowse(CString partCode);

    // Steps of the check, public for the dialogs and tests that look at them.
    int LoadAllowedCodes();
    int CollectAncestors();
    void GetParentCodes(CString code, const CString& path);
    int MatchAllowed() const;

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CString m_strLoginUser;
    CString m_strPartCode;
    CStringArray m_arrAllowedCodes;
    CStringArray m_arrCollectedCodes;
    CStringArray m_arrParentCodes;
    CTreeStack m_treeStack;
    CTreeCycleNotice m_cycleNotice;
    CTreeStackItem m_spareItem;
};
