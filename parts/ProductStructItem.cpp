#include "parts/ProductStructItem.h"

IMPLEMENT_SERIAL(CProductStructItem, CObject, 0)

namespace {

// Whole-number fields travel as 16-bit words: the low 16 bits are stored, loading zero-extends.
void SerializeWord(CArchive& ar, int& value) {
    if (ar.IsStoring()) {
        ar << static_cast<WORD>(static_cast<unsigned>(value) & 0xFFFFu);
    } else {
        WORD w = 0;
        ar >> w;
        value = w;
    }
}

} // namespace

void CProductStructItem::Serialize(CArchive& ar) {
    for (CString* s :
         {&m_strText1, &m_strTitleOther1, &m_strTitleOther2, &m_strText4, &m_strFrame, &m_strText6})
        vq::SerializeValue(ar, *s);
    SerializeWord(ar, m_nNumber1);
    for (CString* s : {&m_strOwnerCode, &m_strUpCode, &m_strUpName})
        vq::SerializeValue(ar, *s);
    SerializeWord(ar, m_nItem);
    for (CString* s : {&m_strCode, &m_strName, &m_strMaterial})
        vq::SerializeValue(ar, *s);
    SerializeWord(ar, m_nQuantity);
    SerializeWord(ar, m_nNumber16);
    SerializeWord(ar, m_nNumber17);
    vq::SerializeValue(ar, m_dWeight);
    for (CString* s : {&m_strRemark, &m_strStyle, &m_strStand, &m_strOther1, &m_strOther2})
        vq::SerializeValue(ar, *s);
    SerializeWord(ar, m_nFlag24);
    SerializeWord(ar, m_nFlag25);
    SerializeWord(ar, m_nFlag26);
    vq::SerializeValue(ar, m_dwNumber27);
    for (CString* s : {&m_strTitleOther3, &m_strTitleOther4, &m_strTitleOther5, &m_strText31})
        vq::SerializeValue(ar, *s);
    vq::SerializeValue(ar, m_dNumber32);
    for (CString* s : {&m_strText33, &m_strText34, &m_strText35, &m_strText36})
        vq::SerializeValue(ar, *s);
}
