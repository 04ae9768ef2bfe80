#include "controls/TextProgressCtrl.h"

#include <algorithm>
#include <cstring>

namespace vq {

namespace {
constexpr int kHlsMax = 255;
constexpr int kRgbMax = 255;
constexpr int kUndefinedHue = kHlsMax * 2 / 3;

int HueToRgb(int n1, int n2, int hue) {
    if (hue < 0)
        hue += kHlsMax;
    if (hue > kHlsMax)
        hue -= kHlsMax;
    if (hue < kHlsMax / 6)
        return n1 + ((n2 - n1) * hue + kHlsMax / 12) / (kHlsMax / 6);
    if (hue < kHlsMax / 2)
        return n2;
    if (hue < kHlsMax * 2 / 3)
        return n1 + ((n2 - n1) * (kHlsMax * 2 / 3 - hue) + kHlsMax / 12) / (kHlsMax / 6);
    return n1;
}
} // namespace

void RgbToHls(COLORREF color, int& hue, int& lightness, int& saturation) {
    const int r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
    const int cMax = std::max({r, g, b});
    const int cMin = std::min({r, g, b});
    lightness = ((cMax + cMin) * kHlsMax + kRgbMax) / (2 * kRgbMax);
    if (cMax == cMin) {
        saturation = 0;
        hue = kUndefinedHue;
        return;
    }
    const int sum = cMax + cMin, diff = cMax - cMin;
    if (lightness <= kHlsMax / 2)
        saturation = (diff * kHlsMax + sum / 2) / sum;
    else
        saturation = (diff * kHlsMax + (2 * kRgbMax - sum) / 2) / (2 * kRgbMax - sum);
    const int rDelta = ((cMax - r) * (kHlsMax / 6) + diff / 2) / diff;
    const int gDelta = ((cMax - g) * (kHlsMax / 6) + diff / 2) / diff;
    const int bDelta = ((cMax - b) * (kHlsMax / 6) + diff / 2) / diff;
    if (r == cMax)
        hue = bDelta - gDelta;
    else if (g == cMax)
        hue = kHlsMax / 3 + rDelta - bDelta;
    else
        hue = 2 * kHlsMax / 3 + gDelta - rDelta;
    if (hue < 0)
        hue += kHlsMax;
    if (hue > kHlsMax)
        hue -= kHlsMax;
}

COLORREF HlsToRgb(int hue, int lightness, int saturation) {
    lightness = std::clamp(lightness, 0, kHlsMax);
    saturation = std::clamp(saturation, 0, kHlsMax);
    if (saturation == 0) {
        const int v = lightness * kRgbMax / kHlsMax;
        return RGB(v, v, v);
    }
    int magic2;
    if (lightness <= kHlsMax / 2)
        magic2 = (lightness * (kHlsMax + saturation) + kHlsMax / 2) / kHlsMax;
    else
        magic2 = lightness + saturation - (lightness * saturation + kHlsMax / 2) / kHlsMax;
    const int magic1 = 2 * lightness - magic2;
    auto channel = [&](int h) {
        return std::clamp((HueToRgb(magic1, magic2, h) * kRgbMax + kHlsMax / 2) / kHlsMax, 0, kRgbMax);
    };
    return RGB(channel(hue + kHlsMax / 3), channel(hue), channel(hue - kHlsMax / 3));
}

} // namespace vq

CTextProgressCtrl::CTextProgressCtrl()
    : m_barColor(GetSysColor(COLOR_HIGHLIGHT)), m_bkColor(GetSysColor(COLOR_WINDOW)),
      m_textColor(GetSysColor(COLOR_HIGHLIGHT)), m_textBarColor(GetSysColor(COLOR_WINDOW)) {}

void CTextProgressCtrl::SetRange(int lower, int upper) {
    m_lower = lower;
    m_upper = upper;
}

int CTextProgressCtrl::FilledWidth(int pos) const {
    if (m_upper == m_lower)
        return 0;
    CRect client;
    GetClientRect(&client);
    const double fraction = static_cast<double>(pos - m_lower) / static_cast<double>(m_upper - m_lower);
    return static_cast<int>(fraction * client.Width());
}

int CTextProgressCtrl::SetPos(int pos) {
    if (!m_hWnd)
        return -1;
    const int old = m_pos;
    m_pos = pos;
    const int width = FilledWidth(pos);
    if (width != m_lastWidth) {
        m_lastWidth = width;
        Invalidate();
        UpdateWindow();
    }
    return old;
}

void CTextProgressCtrl::OnSize(UINT, int, int) {
    m_lastWidth = -1;
}

LRESULT CTextProgressCtrl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT) {
        const CString text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        if (text != m_text) {
            m_text = text;
            Invalidate();
        }
        return TRUE;
    }
    if (message == WM_GETTEXT) {
        // At most the requested number of characters (a terminator included), never half a one.
        auto* buffer = reinterpret_cast<LPTSTR>(lParam);
        const int max = static_cast<int>(wParam);
        if (!buffer || max <= 0)
            return 0;
        const auto part = vq::TruncateUtf8(m_text.str(), static_cast<std::size_t>(max - 1));
        std::memcpy(buffer, part.data(), part.size());
        buffer[part.size()] = '\0';
        return static_cast<LRESULT>(part.size());
    }
    return CProgressCtrl::DefWindowProc(message, wParam, lParam);
}

void CTextProgressCtrl::OnPaint() {
    CPaintDC paintDc(this);
    if (m_lower >= m_upper)
        return;
    CRect client;
    GetClientRect(&client);
    const double fraction = static_cast<double>(m_pos - m_lower) / static_cast<double>(m_upper - m_lower);

    CMemDC dc(&paintDc, &client);
    CRect filled = client;
    filled.right = client.left + static_cast<int>(fraction * client.Width());
    filled.right = std::clamp(filled.right, client.left, client.right);
    CRect empty = client;
    empty.left = filled.right;

    // The filled part: strips two pixels wide, each a little lighter than the one before.
    int hue = 0, lightness = 0, saturation = 0;
    vq::RgbToHls(m_barColor, hue, lightness, saturation);
    for (int x = filled.left; x < filled.right; x += 2) {
        lightness = std::min(lightness + 1, 255);
        CRect strip(x, filled.top, std::min(x + 2, static_cast<int>(filled.right)), filled.bottom);
        dc.FillSolidRect(&strip, vq::HlsToRgb(hue, lightness, saturation));
    }
    dc.FillSolidRect(&empty, m_bkColor);

    if (m_showText) {
        CString text = m_text;
        if (text.IsEmpty())
            text.Format("%d%%", static_cast<int>(fraction * 100.0));
        if (CFont* font = GetFont())
            dc.SelectObject(font);
        dc.SetBkMode(TRANSPARENT);
        CRgn region;
        region.CreateRectRgnIndirect(&filled);
        dc.SelectClipRgn(&region);
        dc.SetTextColor(m_textBarColor);
        CRect textRect = client;
        dc.DrawText(text, &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        region.DeleteObject();
        region.CreateRectRgnIndirect(&empty);
        dc.SelectClipRgn(&region);
        dc.SetTextColor(m_textColor);
        textRect = client;
        dc.DrawText(text, &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        dc.SelectClipRgn(nullptr);
    }
}
