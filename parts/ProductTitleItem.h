// CProductTitleItem: one title row (a drawing's title block) in memory. The part revision
// picker keeps one for the chosen revision; its fields are filled by the Parts that use it.
#pragma once

#include "platform/base/Archive.h"
#include "platform/base/Collections.h"
#include "platform/base/String.h"

class CProductTitleItem : public CObject {
    DECLARE_SERIAL(CProductTitleItem)
public:
    CProductTitleItem() = default;

    // Stores or loads: 8 texts, the 32-bit number, 4 texts, the double, 4 texts.
    virtual void Serialize(CArchive& ar);

    CString m_strText1;
    CString m_strText2;
    CString m_strText3;
    CString m_strText4;
    CString m_strText5;
    CString m_strText6;
    CString m_strText7;
    CString m_strText8;
    float m_fNumber9 = 0; // 32 bits; the part revision picker keeps the sheet area here
    CString m_strText10;
    CString m_strText11;
    CString m_strText12;
    CString m_strText13;
    double m_dNumber14 = 0;
    CString m_strText15;
    CString m_strText16;
    CString m_strText17;
    CString m_strText18;
};
