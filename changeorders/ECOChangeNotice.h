// The stored rows of a change notice: its header in ECOChangeManage and its changed parts in
// ECOChangePart, each replaced whole when the notice is stored (DELETE, then INSERT), and read
// back with the level and review type mapped to the form's indexes.
#pragma once

#include "platform/base/String.h"

#include <vector>

struct ECOChangePartRow {
    CString m_strPartCode;
    CString m_strPartName;
    CString m_strChangeLabel;
    CString m_strChangePlace;
    CString m_strChangeECO; // related modification notices, joined by "; "
};

class CECOChangeNotice {
public:
    // Replaces the header row; 1, or 0 after a failed statement (shown).
    int StoreHeader();
    // Replaces the part rows by these, in order; 1, or 0 at the first failed statement (shown).
    int StoreParts(const std::vector<ECOChangePartRow>& parts);
    // Reads the header of m_strECONo; false when there is no row or the read failed (shown).
    bool LoadHeader();
    // The part rows in the order read; false after a failed read (shown).
    bool LoadParts(std::vector<ECOChangePartRow>& parts);

    CString m_strECONo;
    int m_nLevel = 0; // 0 "普通", 1 "中等", other "优先"
    CString m_strSaveUser;
    CString m_strSaveDate;
    CString m_strState;
    CString m_strProductStyle;
    CString m_strProductName;
    CString m_strProductCode;
    CString m_strDepartment;
    CString m_strRemark;
    CString m_strAffectNo;
    int m_nReviewMode = 2; // stored as the review type text
    CString m_strAuditingModel;
    CString m_strAuditorName;
};
