// CMessageChoiceDlg: a message box whose buttons the caller defines. The caller gives a caption,
// a message and buttons (command id and caption each) and gets back the id of the button pressed:
//
//   CMessageChoiceDlg dlg(this);
//   dlg.m_strCaption = "评审结果";
//   dlg.SetMessageText("图纸齐套检查已完成，请给出评审结果");
//   dlg.AddButton(IDYES, TRUE, FALSE, "通过");
//   dlg.AddButton(IDNO, FALSE, FALSE, "不通过");
//   dlg.AddButton(IDCANCEL, FALSE, TRUE, "取消");
//   switch (dlg.DoModal()) { ... }
//
// It needs no registered template: its controls are created and laid out when it opens, sized to
// the whole message and the widest button caption.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Edit.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/Static.h"

#include <memory>
#include <vector>

class CMessageChoiceDlg : public CDialog {
public:
    explicit CMessageChoiceDlg(CWnd* parent = nullptr);
    ~CMessageChoiceDlg() override;

    // Appends a button; a true flag makes its id the default id (Enter) or the cancel id
    // (Escape, close box); a later button with the flag replaces an earlier one.
    void AddButton(UINT id, BOOL isDefault, BOOL isCancel, LPCTSTR caption);
    BOOL SetMessageText(LPCTSTR text);
    void SetIcon(HICON icon) { m_hIcon = icon; }
    INT_PTR DoModal() override;

    // Layout values in dialog units, in this order.
    enum Layout {
        kLeftMargin,
        kRightMargin,
        kTopMargin,
        kBottomMargin,
        kIconGap,
        kMessageGap,
        kButtonMarginX,
        kButtonMarginY,
        kButtonGap,
        kMinButtonWidth,
        kLayoutCount
    };

    int m_nDefId = -1;    // the button of Enter; -1: none
    int m_nCancelId = -1; // the result of Escape and of the close box; -1: none
    CStatic m_icon;
    CEdit m_message;
    CSize m_messageSize; // measured size of the message, pixels
    CSize m_buttonSize;  // the size all buttons share, pixels
    CSize m_dluScale;    // pixels of 1000 by 1000 dialog units
    int m_layout[kLayoutCount] = {10, 10, 10, 7, 10, 7, 7, 4, 7, 40};
    struct ButtonRecord {
        UINT id = 0;
        CString caption;
    };
    std::vector<ButtonRecord> m_buttons;
    HICON m_hIcon = nullptr;
    CString m_strMessage;
    CString m_strCaption = "duzovara";

    // Dialog units as pixels (integer division toward zero).
    int DluX(int units) const { return units * m_dluScale.cx / 1000; }
    int DluY(int units) const { return units * m_dluScale.cy / 1000; }
    // The buttons created for the records, in order.
    CButton* GetButton(int index) const;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;
    void OnCancel() override;
    void OnClose() override;

private:
    void MeasureMessage(CDC& dc);
    std::vector<std::unique_ptr<CButton>> m_buttonWindows;
};
