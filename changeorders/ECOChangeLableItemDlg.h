// CECOChangeLableItemDlg ("设计更改标记项"): one change label of a document attached to a change
// order, keyed by m_strECOGroup, m_strECONo and m_strDocType. It is the label item dialog with the
// change-order document table chosen; everything else is CChangeLableItemDlg's.
#pragma once

#include "changeorders/ChangeLableItemDlg.h"

class CECOChangeLableItemDlg : public CChangeLableItemDlg {
public:
    explicit CECOChangeLableItemDlg(CWnd* parent = nullptr)
        : CChangeLableItemDlg(parent, ChangeLabelTable::ChangeOrderDocument) {}
};
