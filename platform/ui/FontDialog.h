// The font dialog.
#pragma once

#include "platform/ui/DC.h"
#include "platform/ui/View.h"

class CWnd;

constexpr DWORD CF_SCREENFONTS = 0x1;
constexpr DWORD CF_PRINTERFONTS = 0x2;
constexpr DWORD CF_BOTH = 0x3;
constexpr DWORD CF_INITTOLOGFONTSTRUCT = 0x40;
constexpr DWORD CF_EFFECTS = 0x100;
constexpr DWORD CF_NOSCRIPTSEL = 0x800000;

struct CHOOSEFONT {
    LOGFONT* lpLogFont = nullptr;
    int iPointSize = 0; // tenths of a point
    DWORD Flags = 0;
    COLORREF rgbColors = 0;
};

class CFontDialog {
public:
    explicit CFontDialog(LOGFONT* initial = nullptr, DWORD flags = CF_EFFECTS | CF_SCREENFONTS,
                         void* printerDc = nullptr, CWnd* parent = nullptr);
    virtual ~CFontDialog() = default;
    virtual INT_PTR DoModal();

    void GetCurrentFont(LOGFONT* font) const { *font = m_logFont; }
    CString GetFaceName() const { return m_logFont.lfFaceName; }
    int GetSize() const { return m_cf.iPointSize; }
    COLORREF GetColor() const { return m_cf.rgbColors; }
    int GetWeight() const { return m_logFont.lfWeight; }
    BOOL IsBold() const { return m_logFont.lfWeight >= 600; }
    BOOL IsItalic() const { return m_logFont.lfItalic != 0; }
    BOOL IsUnderline() const { return m_logFont.lfUnderline != 0; }
    BOOL IsStrikeOut() const { return m_logFont.lfStrikeOut != 0; }

    CHOOSEFONT m_cf;
    LOGFONT m_logFont;

private:
    CWnd* m_parent;
};
