#include "platform/ui/FontDialog.h"

#include <cstdlib>
#include <cstring>

CFontDialog::CFontDialog(LOGFONT* initial, DWORD flags, void*, CWnd* parent) : m_parent(parent) {
    if (initial)
        m_logFont = *initial;
    m_cf.lpLogFont = &m_logFont;
    m_cf.Flags = flags | (initial ? CF_INITTOLOGFONTSTRUCT : 0);
}

INT_PTR CFontDialog::DoModal() {
    vq::FontDialogRequest request;
    request.faceName = m_logFont.lfFaceName;
    request.height = m_logFont.lfHeight;
    // A character height of h pixels at 96 dots per inch is h * 72 / 96 points.
    request.pointSize =
        m_cf.iPointSize
            ? m_cf.iPointSize
            : (m_logFont.lfHeight ? std::abs(static_cast<int>(m_logFont.lfHeight)) * 720 / 96 : 0);
    request.weight = m_logFont.lfWeight ? static_cast<int>(m_logFont.lfWeight) : 400;
    request.italic = m_logFont.lfItalic != 0;
    request.underline = m_logFont.lfUnderline != 0;
    request.strikeOut = m_logFont.lfStrikeOut != 0;
    request.color = m_cf.rgbColors;
    request.withEffects = (m_cf.Flags & CF_EFFECTS) != 0;
    request.owner = m_parent;
    if (!vq::ActiveDialogView().RunFontDialog(request))
        return IDCANCEL;
    const auto face = vq::TruncateUtf8(request.faceName.str(), LF_FACESIZE - 1);
    std::memset(m_logFont.lfFaceName, 0, sizeof m_logFont.lfFaceName);
    std::memcpy(m_logFont.lfFaceName, face.data(), face.size());
    m_cf.iPointSize = request.pointSize;
    m_logFont.lfHeight = request.pointSize ? -(request.pointSize * 96 / 720) : request.height;
    m_logFont.lfWeight = request.weight;
    m_logFont.lfItalic = request.italic ? 1 : 0;
    m_logFont.lfUnderline = request.underline ? 1 : 0;
    m_logFont.lfStrikeOut = request.strikeOut ? 1 : 0;
    m_cf.rgbColors = request.color;
    return IDOK;
}
