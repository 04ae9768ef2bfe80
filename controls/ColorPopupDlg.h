// CColorPopupDlg: the small palette that a CColorButton opens below itself: 20 colour cells and
// "其它..." for the colour dialog. The palette is shared by every popup for the life of the
// process and remembers which colours were used last: when "其它..." brings a colour that is not
// in the palette, it replaces the colour used longest ago.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/Dialog.h"

class CColorButton;

class CColorPopupDlg : public CDialog {
public:
    enum { IDD = 5100 };
    static constexpr int kCellCount = 20;
    static constexpr int kFirstCellId = 5101;
    static constexpr int kOtherId = 5121;

    explicit CColorPopupDlg(CColorButton* button);

    // The palette: the colour and use rank (1 = used last, 20 = used longest ago) of a cell.
    static COLORREF GetPaletteColor(int index);
    static int GetPaletteRank(int index);
    // Puts the palette back as it is when the process starts.
    static void ResetPalette();

    CColorButton* m_button = nullptr;
    int m_selected = -1;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnCancel() override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnLButtonUp(UINT flags, CPoint point) override;
    afx_msg void OnCell(UINT id);
    afx_msg void OnOther();
    DECLARE_MESSAGE_MAP()

private:
    // An owner-drawn cell: filled with its palette colour.
    class CColorCell : public CButton {
    public:
        int m_index = 0;
        void DrawItem(LPDRAWITEMSTRUCT drawItem) override;
    };

    void Choose(int index);
    void Place();

    CColorCell m_cells[kCellCount];
};
