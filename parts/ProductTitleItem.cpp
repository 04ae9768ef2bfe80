#include "parts/ProductTitleItem.h"

IMPLEMENT_SERIAL(CProductTitleItem, CObject, 0)

void CProductTitleItem::Serialize(CArchive& ar) {
    for (CString* s : {&m_strText1, &m_strText2, &m_strText3, &m_strText4, &m_strText5, &m_strText6,
                       &m_strText7, &m_strText8})
        vq::SerializeValue(ar, *s);
    vq::SerializeValue(ar, m_fNumber9);
    for (CString* s : {&m_strText10, &m_strText11, &m_strText12, &m_strText13})
        vq::SerializeValue(ar, *s);
    vq::SerializeValue(ar, m_dNumber14);
    for (CString* s : {&m_strText15, &m_strText16, &m_strText17, &m_strText18})
        vq::SerializeValue(ar, *s);
}
