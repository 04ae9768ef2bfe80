#include "platform/ui/ColorDialog.h"

CColorDialog::CColorDialog(COLORREF initial, DWORD flags, CWnd* parent) : m_parent(parent) {
    m_cc.rgbResult = initial;
    m_cc.Flags = flags;
}

INT_PTR CColorDialog::DoModal() {
    vq::ColorDialogRequest request;
    request.color = m_cc.rgbResult;
    request.fullOpen = (m_cc.Flags & CC_FULLOPEN) != 0;
    request.owner = m_parent;
    if (!vq::ActiveDialogView().RunColorDialog(request))
        return IDCANCEL;
    m_cc.rgbResult = request.color & 0xFFFFFF;
    return IDOK;
}
