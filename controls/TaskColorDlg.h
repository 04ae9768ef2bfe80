// CTaskColorDlg: the colours in which task items are shown in each work state, kept in the
// settings file section "设计任务颜色" (the trees and lists of task items read the same keys).
#pragma once

#include "controls/ColorButton.h"
#include "platform/ui/Dialog.h"

class CTaskColorDlg : public CDialog {
public:
    enum { IDD = 6017 };
    static constexpr int kStateCount = 7;

    // One work state: its settings key, its default colour and its button.
    struct StateColor {
        const char* key;
        COLORREF defaultColor;
        int buttonId;
    };
    static const StateColor kStates[kStateCount];
    static constexpr const char* kSection = "设计任务颜色";

    explicit CTaskColorDlg(CWnd* parent = nullptr);

    // The buttons and the colours, in the order of kStates.
    CColorButton m_buttons[kStateCount];
    int m_colors[kStateCount] = {};

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
};
