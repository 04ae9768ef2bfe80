// The colour dialog.
#pragma once

#include "platform/ui/View.h"

class CWnd;

constexpr DWORD CC_RGBINIT = 0x1;
constexpr DWORD CC_FULLOPEN = 0x2;
constexpr DWORD CC_PREVENTFULLOPEN = 0x4;
constexpr DWORD CC_ANYCOLOR = 0x100;

struct CHOOSECOLOR {
    COLORREF rgbResult = 0;
    DWORD Flags = 0;
    COLORREF* lpCustColors = nullptr;
};

class CColorDialog {
public:
    explicit CColorDialog(COLORREF initial = 0, DWORD flags = 0, CWnd* parent = nullptr);
    virtual ~CColorDialog() = default;
    virtual INT_PTR DoModal();
    COLORREF GetColor() const { return m_cc.rgbResult; }
    void SetCurrentColor(COLORREF color) { m_cc.rgbResult = color; }

    CHOOSECOLOR m_cc;

private:
    CWnd* m_parent;
};
