// Rich edit fields: text with character formats (font, size, bold, italic, underline, colour)
// and paragraph formats (alignment, bullets), read and written as RTF or plain text.
#pragma once

#include "platform/ui/Wnd.h"

#include <utility>
#include <vector>

constexpr DWORD CFM_BOLD = 0x00000001;
constexpr DWORD CFM_ITALIC = 0x00000002;
constexpr DWORD CFM_UNDERLINE = 0x00000004;
constexpr DWORD CFM_STRIKEOUT = 0x00000008;
constexpr DWORD CFM_SIZE = 0x80000000;
constexpr DWORD CFM_COLOR = 0x40000000;
constexpr DWORD CFM_FACE = 0x20000000;
constexpr DWORD CFE_BOLD = 0x00000001;
constexpr DWORD CFE_ITALIC = 0x00000002;
constexpr DWORD CFE_UNDERLINE = 0x00000004;
constexpr DWORD CFE_STRIKEOUT = 0x00000008;
constexpr DWORD CFE_AUTOCOLOR = 0x40000000;
constexpr DWORD PFM_STARTINDENT = 0x00000001;
constexpr DWORD PFM_RIGHTINDENT = 0x00000002;
constexpr DWORD PFM_OFFSET = 0x00000004;
constexpr DWORD PFM_ALIGNMENT = 0x00000008;
constexpr DWORD PFM_NUMBERING = 0x00000020;
constexpr WORD PFA_LEFT = 1;
constexpr WORD PFA_RIGHT = 2;
constexpr WORD PFA_CENTER = 3;
constexpr WORD PFN_BULLET = 1;
constexpr DWORD ENM_NONE = 0x00000000;
constexpr DWORD ENM_CHANGE = 0x00000001;
constexpr DWORD ENM_UPDATE = 0x00000002;
constexpr DWORD ENM_SELCHANGE = 0x00080000;
constexpr UINT SF_TEXT = 0x0001;
constexpr UINT SF_RTF = 0x0002;
constexpr UINT SFF_SELECTION = 0x8000;
constexpr UINT SCF_DEFAULT = 0x0000;
constexpr UINT SCF_SELECTION = 0x0001;
constexpr UINT SCF_ALL = 0x0004;

struct CHARFORMAT {
    UINT cbSize = sizeof(CHARFORMAT);
    DWORD dwMask = 0;
    DWORD dwEffects = 0;
    LONG yHeight = 0; // twips (1/20 point)
    LONG yOffset = 0;
    COLORREF crTextColor = 0;
    BYTE bCharSet = 0;
    BYTE bPitchAndFamily = 0;
    char szFaceName[32] = {};
};

struct PARAFORMAT {
    UINT cbSize = sizeof(PARAFORMAT);
    DWORD dwMask = 0;
    WORD wNumbering = 0;
    WORD wReserved = 0;
    LONG dxStartIndent = 0;
    LONG dxRightIndent = 0;
    LONG dxOffset = 0;
    WORD wAlignment = PFA_LEFT;
};

// Moves stream data: the callback fills (reading in) or takes (writing out) up to cb bytes.
using EDITSTREAMCALLBACK = DWORD (*)(DWORD_PTR cookie, BYTE* buffer, LONG cb, LONG* done);
struct EDITSTREAM {
    DWORD_PTR dwCookie = 0;
    DWORD dwError = 0;
    EDITSTREAMCALLBACK pfnCallback = nullptr;
};

class CRichEditCtrl : public CWnd {
public:
    struct CharStyle {
        CString face;
        int twips = 0; // 0: the control's default size
        DWORD effects = CFE_AUTOCOLOR;
        COLORREF color = 0;
        bool operator==(const CharStyle&) const = default;
    };
    struct ParaStyle {
        WORD alignment = PFA_LEFT;
        bool bullet = false;
        LONG startIndent = 0;
        LONG rightIndent = 0;
        bool operator==(const ParaStyle&) const = default;
    };

    vq::ControlKind GetControlKind() const override { return vq::ControlKind::RichEdit; }
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    // Text (paragraphs end with '\n')
    CString GetWindowTextValue() const override { return m_text; }
    void SetSel(long start, long end);
    void GetSel(long& start, long& end) const;
    CString GetSelText() const;
    void ReplaceSel(LPCTSTR text, BOOL canUndo = FALSE);
    long GetTextLength() const { return m_text.GetLength(); }
    BOOL SetReadOnly(BOOL readOnly = TRUE);
    // The notifications the parent wants (ENM_CHANGE: EN_CHANGE); none until it asks.
    DWORD SetEventMask(DWORD mask) { return std::exchange(m_eventMask, mask); }
    DWORD GetEventMask() const { return m_eventMask; }
    void LimitText(long maxBytes = 0) { m_limit = maxBytes; }
    BOOL GetModify() const { return m_modified; }
    void SetModify(BOOL modified = TRUE) { m_modified = modified != FALSE; }
    BOOL SetTargetDevice(void*, long lineWidth) { return TRUE; }
    // The right margin in twips (0: none).
    void SetRightMargin(long twips) {
        m_rightMargin = twips;
        StateChanged();
    }
    long GetRightMargin() const { return m_rightMargin; }
    COLORREF SetBackgroundColor(BOOL useSystem, COLORREF color);

    // Formats
    DWORD GetSelectionCharFormat(CHARFORMAT& format) const;
    BOOL SetSelectionCharFormat(CHARFORMAT& format);
    BOOL SetDefaultCharFormat(CHARFORMAT& format);
    DWORD GetDefaultCharFormat(CHARFORMAT& format) const;
    DWORD GetParaFormat(PARAFORMAT& format) const;
    BOOL SetParaFormat(PARAFORMAT& format);

    // Streams (SF_TEXT or SF_RTF, with SFF_SELECTION for the selection only)
    long StreamIn(int format, EDITSTREAM& stream);
    long StreamOut(int format, EDITSTREAM& stream);
    // The same without a callback.
    CString GetRtf() const;
    bool SetRtf(const CString& rtf);

    // For the view: the style of each byte of the text and of each paragraph.
    const std::vector<CharStyle>& CharStyles() const { return m_styles; }
    const std::vector<int>& CharStyleIndexes() const { return m_styleOf; }
    const std::vector<ParaStyle>& ParaStyles() const { return m_paras; }

    // A person types or pastes (replacing the selection): EN_CHANGE. Refused when read-only.
    bool UserReplaceSel(const CString& text);
    // A person replaces the whole text.
    bool UserSetText(const CString& text);

protected:
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void ClearState() override;

private:
    int StyleIndex(const CharStyle& style);
    void Replace(long start, long end, const std::string& text, int styleIndex);
    void SyncParagraphs();
    int ParagraphOf(long offset) const;
    CharStyle InsertionStyle() const;

    std::vector<CharStyle> m_styles{CharStyle()}; // style table; entry 0 is the default
    std::vector<int> m_styleOf;                   // style index of each byte of m_text
    std::vector<ParaStyle> m_paras{ParaStyle()};  // one per paragraph
    long m_selStart = 0;
    long m_selEnd = 0;
    int m_insertionStyle = -1; // set by a format change on an empty selection
    long m_limit = 0;
    DWORD m_eventMask = ENM_NONE;
    long m_rightMargin = 0;
    bool m_modified = false;
    COLORREF m_background = static_cast<COLORREF>(-1);
};
