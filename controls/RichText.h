// CRichText: the formatted text field of opinions and change contents. Besides what every rich
// edit field does, it offers the format menu under the right mouse button ("字体(&F)...",
// "左对齐(&L)...", "对中(&C)...", "右对齐(&R)...", "项目符号(&B)..."), takes Enter as a line break,
// and loads and saves its text as an RTF file.
//
//   CRichText m_opinion;                      // DDX_Control(pDX, kOpinionId, m_opinion)
//   m_opinion.SetMarginFromWidth();           // in OnInitDialog
//   if (!m_opinion.SaveFile(path)) ...        // written beside the target, then renamed
#pragma once

#include "platform/ui/RichEditCtrl.h"

class CRichText : public CRichEditCtrl {
public:
    // Commands of the format menu.
    static constexpr UINT kFontCommand = 32801;
    static constexpr UINT kLeftCommand = 32802;
    static constexpr UINT kCenterCommand = 32803;
    static constexpr UINT kRightCommand = 32804;
    static constexpr UINT kBulletCommand = 32805;

    // The format menu at a point of the field (client coordinates); runs the chosen command and
    // gives the focus back to the field.
    void ShowFormatMenu(CPoint point);
    // The font dialog, preset from the selection; after OK the selection takes the chosen font.
    void ChooseFont();
    // PFA_LEFT, PFA_CENTER or PFA_RIGHT for the paragraphs of the selection.
    void SetAlignment(WORD alignment);
    // Bullets on when the selection's paragraph has none, off otherwise.
    void ToggleBullet();
    // Enter: a line break in place of the selection.
    void InsertLineBreak();
    // The right margin: two thirds of the field's width less 15 pixels.
    void SetMarginFromWidth();

    // The file's bytes as RTF; false (text unchanged) when it cannot be read or is no RTF.
    bool LoadFile(const CString& path);
    // The text as RTF, written beside the target and renamed over it, so that a failed write
    // (a full disk) leaves an older file intact; false when any step failed.
    bool SaveFile(const CString& path) const;

    // The opinion-file buttons of the dialogs that show the field. Open: asks for an existing RTF
    // file and, when the user agrees to replace the text (a question with `questionIcon`), loads
    // it. Save: asks for a file and saves the text as RTF. Every failure is shown.
    void OpenFileAsked(CWnd* parent, UINT questionIcon);
    void SaveFileAsked(CWnd* parent) const;

    // The window that opens the format menu and the font dialog; the field itself when unset.
    CWnd* m_pMenuOwner = nullptr;

protected:
    void OnRButtonDown(UINT flags, CPoint point) override;
    void OnKeyDown(UINT key, UINT repeat, UINT flags) override;

    DECLARE_MESSAGE_MAP()
};
