// Edit fields: single or multi-line, read-only, digits only, with a length limit.
#pragma once

#include "platform/ui/Wnd.h"

class CEdit : public CWnd {
public:
    vq::ControlKind GetControlKind() const override { return vq::ControlKind::Edit; }
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    // The limit in code page 936 bytes, as the design counts them (0: none). Text set by the code
    // is not cut; a person's typing is, never inside a character.
    void SetLimitText(UINT maxBytes);
    void LimitText(int maxBytes = 0) { SetLimitText(static_cast<UINT>(maxBytes)); }
    UINT GetLimitText() const { return m_limit; }
    BOOL SetReadOnly(BOOL readOnly = TRUE);
    bool IsReadOnly() const { return (m_style & ES_READONLY) != 0; }
    bool IsMultiLine() const { return (m_style & ES_MULTILINE) != 0; }
    bool IsDigitsOnly() const { return (m_style & ES_NUMBER) != 0; }

    // Selection in bytes; (0, -1) selects everything.
    void SetSel(int start, int end, BOOL noScroll = FALSE);
    void SetSel(DWORD selection, BOOL noScroll = FALSE) {
        SetSel(LOWORD(selection), HIWORD(selection), noScroll);
    }
    void GetSel(int& start, int& end) const;
    DWORD GetSel() const;
    void ReplaceSel(LPCTSTR text, BOOL canUndo = FALSE);
    void Clear() { ReplaceSel(""); }
    int GetLineCount() const;
    int GetLine(int index, LPTSTR buffer, int maxLength) const;
    CString GetLineText(int index) const;
    BOOL GetModify() const { return m_modified; }
    void SetModify(BOOL modified = TRUE) { m_modified = modified != FALSE; }
    void SetPasswordChar(char ch) { m_passwordChar = ch; }
    char GetPasswordChar() const { return m_passwordChar; }

    // A person replaces the whole text (typing, pasting). Read-only and disabled fields refuse it,
    // digits-only fields refuse anything but digits, and the limit cuts it (never inside a
    // character). Returns false when refused. The parent hears EN_UPDATE and EN_CHANGE.
    bool UserSetText(const CString& text);
    // The field gains or loses the keyboard focus by a person (EN_SETFOCUS / EN_KILLFOCUS).
    void UserFocus(bool gained);

    void InitFromTemplate(const vq::ControlTemplate& item) override;

protected:
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void ClearState() override;

private:
    UINT m_limit = 0;
    int m_selStart = 0;
    int m_selEnd = 0;
    bool m_modified = false;
    char m_passwordChar = 0;
};
