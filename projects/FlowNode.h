// CFlowNode: one box of a flow chart. Left and top place the box in the view's client
// coordinates; right and bottom follow from the name's text extent at every repaint.
#pragma once

#include "platform/ui/DC.h"

class CFlowNode : public CBitmap {
public:
    CFlowNode() = default;
    CFlowNode(const CString& name, int left, int top, const CString& auditor = CString())
        : m_nLeft(left), m_nTop(top), m_strName(name), m_strAuditor(auditor) {}

    CRect GetBox() const { return CRect(m_nLeft, m_nTop, m_nRight, m_nBottom); }

    int m_nLeft = 0;
    int m_nTop = 0;
    CString m_strName; // may end in "[M]" or "[N]", the marks of a review step
    int m_nRight = 0;
    int m_nBottom = 0;
    CString m_strAuditor;
};
