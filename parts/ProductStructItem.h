// CProductStructItem: one bill-of-materials line in memory (a child part under its parent),
// passed between the import, the part revision picker and the change orders. The archive
// layout is fixed: see Serialize.
#pragma once

#include "platform/base/Archive.h"
#include "platform/base/Collections.h"
#include "platform/base/String.h"

class CProductStructItem : public CObject {
    DECLARE_SERIAL(CProductStructItem)
public:
    CProductStructItem() = default;

    // Stores or loads every field in declaration order: texts as archive strings, whole numbers
    // as 16-bit words (the low 16 bits; loading zero-extends), m_dwNumber27 as 4 bytes, doubles
    // as 8 bytes.
    virtual void Serialize(CArchive& ar);

    CString m_strText1;       // not used by the import
    CString m_strTitleOther1; // Tother1
    CString m_strTitleOther2; // a column mapped to "标题其他2"; never stored
    CString m_strText4;
    CString m_strFrame; // sheet size (Tframe)
    CString m_strText6;
    int m_nNumber1 = 0;
    CString m_strOwnerCode; // the parent drawing number set by the part revision picker
    CString m_strUpCode;    // UpCode of the line
    CString m_strUpName;    // parent name as read from a file or the parent-drawing dialog
    int m_nItem = 0;        // Ditem; 0 when the file gives none
    CString m_strCode;      // Dcode / TCode
    CString m_strName;      // Dname / TName
    CString m_strMaterial;  // DMaterial / TMaterial
    int m_nQuantity = 1;    // Dquantity
    int m_nNumber16 = 1;
    int m_nNumber17 = 1;
    double m_dWeight = 0; // Dweight / TWeight
    CString m_strRemark;  // Dremark
    CString m_strStyle;   // Dstyle (类型)
    CString m_strStand;   // Dstand (规格)
    CString m_strOther1;  // Dother1
    CString m_strOther2;  // Dother2
    int m_nFlag24 = 1;
    int m_nFlag25 = 1;
    int m_nFlag26 = 1;
    DWORD m_dwNumber27 = 0;
    CString m_strTitleOther3; // Tother3
    CString m_strTitleOther4; // Tother4
    CString m_strTitleOther5; // Tother5
    CString m_strText31;
    double m_dNumber32 = 0;
    CString m_strText33;
    CString m_strText34;
    CString m_strText35;
    CString m_strText36;
};
