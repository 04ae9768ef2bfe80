#include "platform/ui/RichEditCtrl.h"

#include "platform/base/TextCodec.h"

#include <algorithm>
#include <cstring>

namespace {

// The code point of the UTF-8 sequence at s[i]; i moves past it.
unsigned NextCodePoint(const std::string& s, std::size_t& i) {
    const unsigned char c = static_cast<unsigned char>(s[i++]);
    if (c < 0x80)
        return c;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    unsigned code = c & (0x3F >> extra);
    while (extra-- > 0 && i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
        code = (code << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    return code;
}

} // namespace

BOOL CRichEditCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("RichEdit20A", "", style, rect, parent, id);
}

int CRichEditCtrl::StyleIndex(const CharStyle& style) {
    for (std::size_t i = 0; i < m_styles.size(); ++i)
        if (m_styles[i] == style)
            return static_cast<int>(i);
    m_styles.push_back(style);
    return static_cast<int>(m_styles.size()) - 1;
}

int CRichEditCtrl::ParagraphOf(long offset) const {
    const std::string& s = m_text.str();
    return static_cast<int>(
        std::count(s.begin(), s.begin() + std::clamp<long>(offset, 0, static_cast<long>(s.size())), '\n'));
}

void CRichEditCtrl::SyncParagraphs() {
    const std::size_t count =
        static_cast<std::size_t>(std::count(m_text.str().begin(), m_text.str().end(), '\n')) + 1;
    m_paras.resize(count, m_paras.empty() ? ParaStyle() : m_paras.back());
}

CRichEditCtrl::CharStyle CRichEditCtrl::InsertionStyle() const {
    if (m_insertionStyle >= 0)
        return m_styles[static_cast<std::size_t>(m_insertionStyle)];
    if (m_selStart > 0 && m_selStart <= static_cast<long>(m_styleOf.size()))
        return m_styles[static_cast<std::size_t>(m_styleOf[static_cast<std::size_t>(m_selStart - 1)])];
    if (!m_styleOf.empty())
        return m_styles[static_cast<std::size_t>(m_styleOf.front())];
    return m_styles.front();
}

void CRichEditCtrl::Replace(long start, long end, const std::string& text, int styleIndex) {
    std::string value = m_text.str();
    start = std::clamp<long>(start, 0, static_cast<long>(value.size()));
    end = std::clamp<long>(end, start, static_cast<long>(value.size()));
    // Paragraph styles: the removed paragraph ends merge into the first; new ends copy it.
    const int firstPara = ParagraphOf(start);
    const int removedEnds = static_cast<int>(std::count(value.begin() + start, value.begin() + end, '\n'));
    const int addedEnds = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    SyncParagraphs();
    const ParaStyle keep = m_paras[static_cast<std::size_t>(firstPara)];
    m_paras.erase(m_paras.begin() + firstPara + 1, m_paras.begin() + firstPara + 1 + removedEnds);
    m_paras.insert(m_paras.begin() + firstPara + 1, static_cast<std::size_t>(addedEnds), keep);
    value.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start), text);
    m_styleOf.erase(m_styleOf.begin() + start, m_styleOf.begin() + end);
    m_styleOf.insert(m_styleOf.begin() + start, text.size(), styleIndex);
    m_text = CString(std::move(value));
    SyncParagraphs();
    m_selStart = m_selEnd = start + static_cast<long>(text.size());
    m_insertionStyle = -1;
    m_modified = true;
    StateChanged();
}

void CRichEditCtrl::SetSel(long start, long end) {
    const long length = m_text.GetLength();
    if (start < 0) {
        m_selStart = m_selEnd;
    } else {
        if (end < 0 || end > length)
            end = length;
        start = std::min(start, length);
        if (start > end)
            std::swap(start, end);
        // Never inside a character: the ends move back to a character start.
        auto charStart = [this](long i) {
            while (i > 0 && i < m_text.GetLength() &&
                   (static_cast<unsigned char>(m_text.str()[static_cast<std::size_t>(i)]) & 0xC0) == 0x80)
                --i;
            return i;
        };
        m_selStart = charStart(start);
        m_selEnd = charStart(end);
    }
    m_insertionStyle = -1;
    StateChanged();
}

void CRichEditCtrl::GetSel(long& start, long& end) const {
    start = m_selStart;
    end = m_selEnd;
}

CString CRichEditCtrl::GetSelText() const {
    return m_text.Mid(static_cast<int>(m_selStart), static_cast<int>(m_selEnd - m_selStart));
}

void CRichEditCtrl::ReplaceSel(LPCTSTR text, BOOL) {
    const CharStyle style = InsertionStyle();
    Replace(m_selStart, m_selEnd, text ? text : "", StyleIndex(style));
    if (m_eventMask & ENM_CHANGE)
        NotifyParent(EN_CHANGE);
}

BOOL CRichEditCtrl::SetReadOnly(BOOL readOnly) {
    return ModifyStyle(readOnly ? 0 : ES_READONLY, readOnly ? ES_READONLY : 0);
}

COLORREF CRichEditCtrl::SetBackgroundColor(BOOL useSystem, COLORREF color) {
    const COLORREF old = m_background;
    m_background = useSystem ? static_cast<COLORREF>(-1) : color;
    StateChanged();
    return old;
}

namespace {
void ToCharFormat(const CRichEditCtrl::CharStyle& style, CHARFORMAT& format) {
    format.dwEffects = style.effects;
    format.yHeight = style.twips;
    format.crTextColor = style.color;
    const auto face = vq::TruncateUtf8(style.face.str(), sizeof format.szFaceName - 1);
    std::memset(format.szFaceName, 0, sizeof format.szFaceName);
    std::memcpy(format.szFaceName, face.data(), face.size());
}

CRichEditCtrl::CharStyle Apply(CRichEditCtrl::CharStyle style, const CHARFORMAT& format) {
    const DWORD effectBits = format.dwMask & (CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT);
    style.effects = (style.effects & ~effectBits) | (format.dwEffects & effectBits);
    if (format.dwMask & CFM_COLOR) {
        style.effects = (style.effects & ~CFE_AUTOCOLOR) | (format.dwEffects & CFE_AUTOCOLOR);
        style.color = format.crTextColor;
    }
    if (format.dwMask & CFM_SIZE)
        style.twips = format.yHeight;
    if (format.dwMask & CFM_FACE)
        style.face = format.szFaceName;
    return style;
}
} // namespace

DWORD CRichEditCtrl::GetSelectionCharFormat(CHARFORMAT& format) const {
    format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_SIZE | CFM_COLOR | CFM_FACE;
    if (m_selStart == m_selEnd) {
        ToCharFormat(InsertionStyle(), format);
        return format.dwMask;
    }
    const CharStyle& first =
        m_styles[static_cast<std::size_t>(m_styleOf[static_cast<std::size_t>(m_selStart)])];
    ToCharFormat(first, format);
    // Bits that differ across the selection are left out of the mask.
    for (long i = m_selStart + 1; i < m_selEnd; ++i) {
        const CharStyle& s = m_styles[static_cast<std::size_t>(m_styleOf[static_cast<std::size_t>(i)])];
        for (DWORD bit : {CFM_BOLD, CFM_ITALIC, CFM_UNDERLINE, CFM_STRIKEOUT})
            if ((s.effects & bit) != (first.effects & bit))
                format.dwMask &= ~bit;
        if (s.twips != first.twips)
            format.dwMask &= ~CFM_SIZE;
        if (s.color != first.color || (s.effects & CFE_AUTOCOLOR) != (first.effects & CFE_AUTOCOLOR))
            format.dwMask &= ~CFM_COLOR;
        if (s.face != first.face)
            format.dwMask &= ~CFM_FACE;
    }
    return format.dwMask;
}

BOOL CRichEditCtrl::SetSelectionCharFormat(CHARFORMAT& format) {
    if (m_selStart == m_selEnd) {
        m_insertionStyle = StyleIndex(Apply(InsertionStyle(), format));
        return TRUE;
    }
    for (long i = m_selStart; i < m_selEnd; ++i) {
        int& index = m_styleOf[static_cast<std::size_t>(i)];
        index = StyleIndex(Apply(m_styles[static_cast<std::size_t>(index)], format));
    }
    m_modified = true;
    StateChanged();
    return TRUE;
}

BOOL CRichEditCtrl::SetDefaultCharFormat(CHARFORMAT& format) {
    m_styles.front() = Apply(m_styles.front(), format);
    StateChanged();
    return TRUE;
}

DWORD CRichEditCtrl::GetDefaultCharFormat(CHARFORMAT& format) const {
    format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_SIZE | CFM_COLOR | CFM_FACE;
    ToCharFormat(m_styles.front(), format);
    return format.dwMask;
}

DWORD CRichEditCtrl::GetParaFormat(PARAFORMAT& format) const {
    const int first = ParagraphOf(m_selStart);
    const int last = ParagraphOf(m_selEnd);
    const ParaStyle& p =
        m_paras[static_cast<std::size_t>(std::min<int>(first, static_cast<int>(m_paras.size()) - 1))];
    format.dwMask = PFM_ALIGNMENT | PFM_NUMBERING | PFM_STARTINDENT | PFM_RIGHTINDENT;
    format.wAlignment = p.alignment;
    format.wNumbering = p.bullet ? PFN_BULLET : 0;
    format.dxStartIndent = p.startIndent;
    format.dxRightIndent = p.rightIndent;
    for (int i = first + 1; i <= last && i < static_cast<int>(m_paras.size()); ++i) {
        const ParaStyle& q = m_paras[static_cast<std::size_t>(i)];
        if (q.alignment != p.alignment)
            format.dwMask &= ~PFM_ALIGNMENT;
        if (q.bullet != p.bullet)
            format.dwMask &= ~PFM_NUMBERING;
    }
    return format.dwMask;
}

BOOL CRichEditCtrl::SetParaFormat(PARAFORMAT& format) {
    SyncParagraphs();
    const int first = ParagraphOf(m_selStart);
    const int last = ParagraphOf(m_selEnd);
    for (int i = first; i <= last && i < static_cast<int>(m_paras.size()); ++i) {
        ParaStyle& p = m_paras[static_cast<std::size_t>(i)];
        if (format.dwMask & PFM_ALIGNMENT)
            p.alignment = format.wAlignment;
        if (format.dwMask & PFM_NUMBERING)
            p.bullet = format.wNumbering == PFN_BULLET;
        if (format.dwMask & PFM_STARTINDENT)
            p.startIndent = format.dxStartIndent;
        if (format.dwMask & PFM_RIGHTINDENT)
            p.rightIndent = format.dxRightIndent;
    }
    m_modified = true;
    StateChanged();
    return TRUE;
}

// --- RTF ---------------------------------------------------------------------------------------

CString CRichEditCtrl::GetRtf() const {
    std::vector<CString> fonts;
    std::vector<COLORREF> colors;
    auto fontIndex = [&fonts](const CString& face) {
        const CString name = face.IsEmpty() ? CString("宋体") : face;
        for (std::size_t i = 0; i < fonts.size(); ++i)
            if (fonts[i] == name)
                return static_cast<int>(i);
        fonts.push_back(name);
        return static_cast<int>(fonts.size()) - 1;
    };
    auto colorIndex = [&colors](const CharStyle& s) {
        if (s.effects & CFE_AUTOCOLOR)
            return 0;
        for (std::size_t i = 0; i < colors.size(); ++i)
            if (colors[i] == s.color)
                return static_cast<int>(i) + 1;
        colors.push_back(s.color);
        return static_cast<int>(colors.size());
    };
    auto escape = [](const std::string& text, std::string& out) {
        for (std::size_t i = 0; i < text.size();) {
            const std::size_t start = i;
            const unsigned code = NextCodePoint(text, i);
            if (code == '\\' || code == '{' || code == '}') {
                out += '\\';
                out += static_cast<char>(code);
            } else if (code == '\t') {
                out += "\\tab ";
            } else if (code < 0x80) {
                out += static_cast<char>(code);
            } else if (const std::string gbk = vq::Utf8ToGbk(text.substr(start, i - start)); gbk != "?") {
                // Code page 936 bytes, as the RTF of the system's other programs holds them.
                static const char hex[] = "0123456789abcdef";
                for (const char byte : gbk) {
                    const auto b = static_cast<unsigned char>(byte);
                    out += "\\'";
                    out += hex[b >> 4];
                    out += hex[b & 0xF];
                }
            } else {
                // Outside code page 936: Unicode with a '?' for readers without it; beyond 16 bits
                // as a surrogate pair.
                auto unit = [&out](unsigned u) {
                    out += "\\u" + std::to_string(static_cast<int>(static_cast<short>(u))) + "?";
                };
                if (code >= 0x10000) {
                    unit(0xD800 + ((code - 0x10000) >> 10));
                    unit(0xDC00 + ((code - 0x10000) & 0x3FF));
                } else {
                    unit(code);
                }
            }
        }
    };
    fontIndex(m_styles.front().face);
    std::string body;
    const std::string& s = m_text.str();
    std::size_t pos = 0;
    for (std::size_t para = 0; para < m_paras.size(); ++para) {
        const ParaStyle& p = m_paras[para];
        body += "\\pard";
        if (p.alignment == PFA_CENTER)
            body += "\\qc";
        else if (p.alignment == PFA_RIGHT)
            body += "\\qr";
        if (p.bullet)
            body +=
                "{\\pntext\\f0\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf0\\pnindent0{\\pntxtb\\'b7}}\\fi-200\\li200";
        else if (p.startIndent)
            body += "\\li" + std::to_string(p.startIndent);
        if (p.rightIndent)
            body += "\\ri" + std::to_string(p.rightIndent);
        body += ' ';
        std::size_t end = s.find('\n', pos);
        if (end == std::string::npos)
            end = s.size();
        std::size_t i = pos;
        while (i < end) {
            const int styleIndex = m_styleOf[i];
            std::size_t runEnd = i;
            while (runEnd < end && m_styleOf[runEnd] == styleIndex)
                ++runEnd;
            const CharStyle& cs = m_styles[static_cast<std::size_t>(styleIndex)];
            body += "{\\f" + std::to_string(fontIndex(cs.face));
            if (cs.twips > 0)
                body += "\\fs" + std::to_string(cs.twips / 10);
            const int ci = colorIndex(cs);
            if (ci)
                body += "\\cf" + std::to_string(ci);
            if (cs.effects & CFE_BOLD)
                body += "\\b";
            if (cs.effects & CFE_ITALIC)
                body += "\\i";
            if (cs.effects & CFE_UNDERLINE)
                body += "\\ul";
            if (cs.effects & CFE_STRIKEOUT)
                body += "\\strike";
            body += ' ';
            escape(s.substr(i, runEnd - i), body);
            body += '}';
            i = runEnd;
        }
        if (end < s.size())
            body += "\\par\n";
        pos = end + 1;
    }
    std::string out = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl";
    for (std::size_t i = 0; i < fonts.size(); ++i) {
        out += "{\\f" + std::to_string(i) + "\\fnil\\fcharset134 ";
        escape(fonts[i].str(), out);
        out += ";}";
    }
    out += "}\n{\\colortbl ;";
    for (COLORREF c : colors)
        out += "\\red" + std::to_string(GetRValue(c)) + "\\green" + std::to_string(GetGValue(c)) + "\\blue" +
               std::to_string(GetBValue(c)) + ";";
    out += "}\n\\uc1" + body + "}\n";
    return CString(std::move(out));
}

bool CRichEditCtrl::SetRtf(const CString& rtf) {
    const std::string& in = rtf.str();
    if (in.compare(0, 5, "{\\rtf") != 0)
        return false;
    struct State {
        CharStyle style;
        bool skip = false;
        int destination = 0; // 0 text, 1 font table, 2 colour table
        int uc = 1;
    };
    std::vector<State> stack{State()};
    std::vector<CString> fonts(1);
    std::vector<int> fontNumbers{0};
    std::vector<COLORREF> colors;
    std::vector<bool> autoColor;
    COLORREF pendingColor = 0;
    bool colorGiven = false;
    std::string text;
    std::vector<CharStyle> styles;
    std::vector<ParaStyle> paras{ParaStyle()};
    std::string fontName;
    int currentFont = 0;
    std::string ansi; // \'hh bytes waiting for conversion
    int skipChars = 0;
    unsigned pendingHigh = 0;
    auto flushAnsi = [&] {
        if (ansi.empty())
            return;
        const std::string utf8 = vq::GbkToUtf8(ansi);
        ansi.clear();
        if (stack.back().destination == 1) {
            fontName += utf8;
            return;
        }
        text += utf8;
        styles.insert(styles.end(), utf8.size(), stack.back().style);
    };
    auto emit = [&](const std::string& chars) {
        flushAnsi();
        State& st = stack.back();
        if (st.skip)
            return;
        if (st.destination == 1) {
            fontName += chars;
            return;
        }
        if (st.destination != 0)
            return;
        text += chars;
        styles.insert(styles.end(), chars.size(), st.style);
    };
    std::size_t i = 0;
    while (i < in.size()) {
        const char c = in[i];
        if (c == '{') {
            flushAnsi();
            stack.push_back(stack.back());
            ++i;
            continue;
        }
        if (c == '}') {
            flushAnsi();
            if (stack.back().destination == 1 && stack.size() > 1 &&
                stack[stack.size() - 2].destination == 1) {
                // End of one font entry.
                while (!fontName.empty() && (fontName.back() == ';' || fontName.back() == ' '))
                    fontName.pop_back();
                fonts.push_back(CString(fontName));
                fontNumbers.push_back(currentFont);
                fontName.clear();
            }
            if (stack.size() > 1)
                stack.pop_back();
            ++i;
            continue;
        }
        if (c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        if (c != '\\') {
            if (skipChars > 0) {
                --skipChars;
                ++i;
                continue;
            }
            if (stack.back().destination == 2 && c == ';') {
                colors.push_back(pendingColor);
                autoColor.push_back(!colorGiven);
                pendingColor = 0;
                colorGiven = false;
                ++i;
                continue;
            }
            if (static_cast<unsigned char>(c) >= 0x80) {
                ansi += c;
                ++i;
                continue;
            }
            emit(std::string(1, c));
            ++i;
            continue;
        }
        // A control word or symbol.
        ++i;
        if (i >= in.size())
            break;
        const char next = in[i];
        if (next == '\'') {
            if (i + 2 < in.size() + 0) {
                const std::string hex = in.substr(i + 1, 2);
                i += 3;
                if (skipChars > 0) {
                    --skipChars;
                    continue;
                }
                if (!stack.back().skip)
                    ansi += static_cast<char>(std::strtol(hex.c_str(), nullptr, 16));
            } else {
                i = in.size();
            }
            continue;
        }
        if (!std::isalpha(static_cast<unsigned char>(next))) {
            ++i;
            if (next == '*')
                stack.back().skip = true;
            else if (next == '\\' || next == '{' || next == '}')
                emit(std::string(1, next));
            else if (next == '~')
                emit(" ");
            continue;
        }
        std::size_t wordEnd = i;
        while (wordEnd < in.size() && std::isalpha(static_cast<unsigned char>(in[wordEnd])))
            ++wordEnd;
        const std::string word = in.substr(i, wordEnd - i);
        i = wordEnd;
        bool hasParam = false;
        long param = 0;
        if (i < in.size() && (in[i] == '-' || std::isdigit(static_cast<unsigned char>(in[i])))) {
            std::size_t numEnd = i + 1;
            while (numEnd < in.size() && std::isdigit(static_cast<unsigned char>(in[numEnd])))
                ++numEnd;
            param = std::strtol(in.substr(i, numEnd - i).c_str(), nullptr, 10);
            hasParam = true;
            i = numEnd;
        }
        if (i < in.size() && in[i] == ' ')
            ++i;
        State& st = stack.back();
        if (word == "pnlvlblt") {
            paras.back().bullet = true;
            continue;
        }
        if (word != "u")
            flushAnsi();
        if (word == "fonttbl") {
            st.destination = 1;
        } else if (word == "colortbl") {
            st.destination = 2;
        } else if (word == "stylesheet" || word == "info" || word == "pict" || word == "header" ||
                   word == "footer" || word == "pntext" || word == "object" || word == "generator") {
            st.skip = true;
        } else if (st.destination == 1) {
            if (word == "f")
                currentFont = static_cast<int>(param);
        } else if (st.destination == 2) {
            colorGiven = true;
            if (word == "red")
                pendingColor = (pendingColor & 0xFFFF00) | (static_cast<COLORREF>(param) & 0xFF);
            else if (word == "green")
                pendingColor = (pendingColor & 0xFF00FF) | ((static_cast<COLORREF>(param) & 0xFF) << 8);
            else if (word == "blue")
                pendingColor = (pendingColor & 0x00FFFF) | ((static_cast<COLORREF>(param) & 0xFF) << 16);
        } else if (st.skip) {
            continue;
        } else if (word == "par" || word == "line") {
            emit("\n");
            if (word == "par")
                paras.push_back(paras.back());
        } else if (word == "tab") {
            emit("\t");
        } else if (word == "pard") {
            paras.back() = ParaStyle();
        } else if (word == "plain") {
            st.style = CharStyle();
        } else if (word == "qc") {
            paras.back().alignment = PFA_CENTER;
        } else if (word == "qr") {
            paras.back().alignment = PFA_RIGHT;
        } else if (word == "ql" || word == "qj") {
            paras.back().alignment = PFA_LEFT;
        } else if (word == "li") {
            paras.back().startIndent = param;
        } else if (word == "ri") {
            paras.back().rightIndent = param;
        } else if (word == "b") {
            st.style.effects =
                (hasParam && param == 0) ? (st.style.effects & ~CFE_BOLD) : (st.style.effects | CFE_BOLD);
        } else if (word == "i") {
            st.style.effects =
                (hasParam && param == 0) ? (st.style.effects & ~CFE_ITALIC) : (st.style.effects | CFE_ITALIC);
        } else if (word == "ul") {
            st.style.effects = (hasParam && param == 0) ? (st.style.effects & ~CFE_UNDERLINE)
                                                        : (st.style.effects | CFE_UNDERLINE);
        } else if (word == "ulnone") {
            st.style.effects &= ~CFE_UNDERLINE;
        } else if (word == "strike") {
            st.style.effects = (hasParam && param == 0) ? (st.style.effects & ~CFE_STRIKEOUT)
                                                        : (st.style.effects | CFE_STRIKEOUT);
        } else if (word == "fs") {
            st.style.twips = static_cast<int>(param) * 10;
        } else if (word == "cf") {
            if (param >= 0 && param < static_cast<long>(colors.size()) &&
                !autoColor[static_cast<std::size_t>(param)]) {
                st.style.effects &= ~CFE_AUTOCOLOR;
                st.style.color = colors[static_cast<std::size_t>(param)];
            } else {
                st.style.effects |= CFE_AUTOCOLOR;
                st.style.color = 0;
            }
        } else if (word == "f") {
            st.style.face.Empty();
            for (std::size_t k = 1; k < fonts.size(); ++k)
                if (fontNumbers[k] == param)
                    st.style.face = fonts[k];
        } else if (word == "uc") {
            st.uc = static_cast<int>(param);
        } else if (word == "u") {
            flushAnsi();
            std::string chars;
            unsigned code = static_cast<unsigned>(static_cast<unsigned short>(static_cast<short>(param)));
            skipChars = st.uc;
            // Characters beyond 16 bits come as a high and a low surrogate.
            if (code >= 0xD800 && code < 0xDC00) {
                pendingHigh = code;
                continue;
            }
            if (code >= 0xDC00 && code < 0xE000) {
                if (!pendingHigh)
                    continue;
                code = 0x10000 + ((pendingHigh - 0xD800) << 10) + (code - 0xDC00);
            }
            pendingHigh = 0;
            vq::AppendUtf8Character(chars, code);
            emit(chars);
            skipChars = st.uc;
        }
    }
    flushAnsi();
    // A trailing paragraph mark leaves no empty paragraph behind it.
    if (!text.empty() && text.back() == '\n' && paras.size() > 1) {
        text.pop_back();
        styles.pop_back();
        paras.pop_back();
    }
    m_styles.resize(1);
    m_styleOf.clear();
    for (const CharStyle& s : styles)
        m_styleOf.push_back(StyleIndex(s));
    m_text = CString(std::move(text));
    m_paras = paras;
    SyncParagraphs();
    m_selStart = m_selEnd = 0;
    m_insertionStyle = -1;
    m_modified = false;
    StateChanged();
    return true;
}

long CRichEditCtrl::StreamIn(int format, EDITSTREAM& stream) {
    if (!stream.pfnCallback)
        return 0;
    std::string data;
    BYTE buffer[4096];
    for (;;) {
        LONG done = 0;
        stream.dwError = stream.pfnCallback(stream.dwCookie, buffer, sizeof buffer, &done);
        if (stream.dwError != 0 || done <= 0)
            break;
        data.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(done));
    }
    if (stream.dwError != 0)
        return 0;
    const bool selection = (format & SFF_SELECTION) != 0;
    if ((format & 0xff) == static_cast<int>(SF_RTF)) {
        if (selection) {
            CRichEditCtrl other;
            if (!other.SetRtf(CString(data)))
                return 0;
            ReplaceSel(other.m_text);
        } else if (!SetRtf(CString(data))) {
            return 0;
        }
    } else if (selection) {
        ReplaceSel(data.c_str());
    } else {
        SetWindowText(CString(data));
    }
    return static_cast<long>(data.size());
}

long CRichEditCtrl::StreamOut(int format, EDITSTREAM& stream) {
    if (!stream.pfnCallback)
        return 0;
    std::string data;
    if ((format & 0xff) == static_cast<int>(SF_RTF))
        data = GetRtf().str();
    else
        data = (format & SFF_SELECTION) ? GetSelText().str() : m_text.str();
    std::size_t sent = 0;
    while (sent < data.size()) {
        const LONG chunk = static_cast<LONG>(std::min<std::size_t>(4096, data.size() - sent));
        LONG done = 0;
        stream.dwError =
            stream.pfnCallback(stream.dwCookie, reinterpret_cast<BYTE*>(data.data() + sent), chunk, &done);
        if (stream.dwError != 0 || done <= 0)
            break;
        sent += static_cast<std::size_t>(done);
    }
    return static_cast<long>(sent);
}

bool CRichEditCtrl::UserReplaceSel(const CString& text) {
    if (!m_hWnd || !IsWindowEnabled() || (m_style & ES_READONLY))
        return false;
    std::string value = text.str();
    if (m_limit > 0) {
        // The limit counts code page 936 bytes, as the design's limits do.
        const std::string kept = m_text.str().substr(0, static_cast<std::size_t>(m_selStart)) +
                                 m_text.str().substr(static_cast<std::size_t>(m_selEnd));
        const long room = m_limit - static_cast<long>(vq::Utf8ToGbk(kept).size());
        value = std::string(vq::TruncateToGbkBytes(value, static_cast<std::size_t>(std::max(0L, room))));
    }
    ReplaceSel(value.c_str());
    return true;
}

bool CRichEditCtrl::UserSetText(const CString& text) {
    if (!m_hWnd || !IsWindowEnabled() || (m_style & ES_READONLY))
        return false;
    m_selStart = 0;
    m_selEnd = m_text.GetLength();
    return UserReplaceSel(text);
}

LRESULT CRichEditCtrl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT) {
        const std::string value = lParam ? reinterpret_cast<const char*>(lParam) : "";
        m_paras.assign(1, m_paras.empty() ? ParaStyle() : m_paras.front());
        m_styleOf.clear();
        m_text.Empty();
        Replace(0, 0, value, 0);
        m_selStart = m_selEnd = 0;
        m_modified = false;
        return TRUE;
    }
    return CWnd::DefWindowProc(message, wParam, lParam);
}

void CRichEditCtrl::ClearState() {
    m_text.Empty();
    m_styleOf.clear();
    m_paras.assign(1, ParaStyle());
    m_selStart = m_selEnd = 0;
}
