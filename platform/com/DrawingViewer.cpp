#include "platform/com/DrawingViewer.h"

#include "platform/base/File.h"

#include "platform/base/Folders.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/qt/DrawingViewerWidget.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

BEGIN_MESSAGE_MAP(CDrawingViewer, CWnd)
    ON_WM_PAINT()
    ON_WM_SIZE()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_RBUTTONDOWN()
    ON_WM_KEYDOWN()
END_MESSAGE_MAP()

namespace vq {
namespace {

// ---- Markup files ----------------------------------------------------------------------------

const char* const kMagic = "VQREDLINE 1";
const char* const kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string EncodeBase64(const std::string& bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned n = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += kBase64[(n >> 18) & 63];
        out += kBase64[(n >> 12) & 63];
        out += kBase64[(n >> 6) & 63];
        out += kBase64[n & 63];
    }
    if (i < bytes.size()) {
        unsigned n = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += kBase64[(n >> 18) & 63];
        out += kBase64[(n >> 12) & 63];
        out += i + 1 < bytes.size() ? kBase64[(n >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

bool DecodeBase64(const std::string& text, std::string& bytes) {
    bytes.clear();
    unsigned buffer = 0;
    int bits = 0;
    bool ended = false;
    for (char ch : text) {
        if (ch == '=') {
            ended = true;
            continue;
        }
        const char* at = std::strchr(kBase64, ch);
        if (!at || ch == '\0' || ended)
            return false;
        buffer = (buffer << 6) | static_cast<unsigned>(at - kBase64);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>((buffer >> bits) & 0xff);
        }
    }
    return true;
}

std::string Quote(const CString& text) {
    std::string out = "\"";
    for (char ch : text.str()) {
        switch (ch) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += ch;
        }
    }
    return out + "\"";
}

// Reads a quoted text starting at pos (blanks before it skipped); false when it is not one.
bool Unquote(const std::string& line, std::size_t& pos, CString& text) {
    while (pos < line.size() && line[pos] == ' ')
        ++pos;
    if (pos >= line.size() || line[pos] != '"')
        return false;
    std::string out;
    for (++pos; pos < line.size(); ++pos) {
        char ch = line[pos];
        if (ch == '"') {
            ++pos;
            text = CString(out);
            return true;
        }
        if (ch == '\\') {
            if (++pos >= line.size())
                return false;
            switch (line[pos]) {
            case 'n':
                ch = '\n';
                break;
            case 'r':
                ch = '\r';
                break;
            case 't':
                ch = '\t';
                break;
            case '\\':
                ch = '\\';
                break;
            case '"':
                ch = '"';
                break;
            default:
                return false;
            }
        }
        out += ch;
    }
    return false;
}

const char* KindName(MarkupKind kind) {
    switch (kind) {
    case MarkupKind::Line:
        return "line";
    case MarkupKind::Rectangle:
        return "rect";
    case MarkupKind::Cloud:
        return "cloud";
    case MarkupKind::Text:
        return "text";
    }
    return "rect";
}

bool KindOf(const std::string& name, MarkupKind& kind) {
    for (MarkupKind k : {MarkupKind::Line, MarkupKind::Rectangle, MarkupKind::Cloud, MarkupKind::Text})
        if (name == KindName(k)) {
            kind = k;
            return true;
        }
    return false;
}

bool ReadFileBytes(const CString& path, std::string& bytes) {
    std::ifstream in(NativePath(path).c_str(), std::ios::binary);
    if (!in)
        return false;
    std::ostringstream all;
    all << in.rdbuf();
    bytes = all.str();
    return !in.bad();
}

bool ParseMarkup(const std::string& content, MarkupDocument& document) {
    std::istringstream in(content);
    std::string line;
    if (!std::getline(in, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line != kMagic)
        return false;
    MarkupDocument result;
    bool ended = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (line == "end") {
            ended = true;
            break;
        }
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "drawing") {
            std::size_t pos = static_cast<std::size_t>(words.tellg());
            CString name;
            if (!Unquote(line, pos, name))
                return false;
            const unsigned long long size = std::strtoull(line.c_str() + pos, nullptr, 10);
            std::string encoded, piece;
            while (std::getline(in, piece)) {
                if (!piece.empty() && piece.back() == '\r')
                    piece.pop_back();
                if (piece == ".")
                    break;
                encoded += piece;
            }
            std::string bytes;
            if (!DecodeBase64(encoded, bytes) || bytes.size() != size)
                return false;
            result.drawingName = name;
            result.drawingBytes = std::move(bytes);
            continue;
        }
        MarkupItem item;
        if (!KindOf(word, item.kind))
            return false;
        std::string color;
        if (!(words >> item.x1 >> item.y1 >> item.x2 >> item.y2 >> color >> item.width) || color.size() != 6)
            return false;
        char* end = nullptr;
        const unsigned long rgb = std::strtoul(color.c_str(), &end, 16);
        if (*end != '\0')
            return false;
        item.color = RGB(static_cast<int>((rgb >> 16) & 0xff), static_cast<int>((rgb >> 8) & 0xff),
                         static_cast<int>(rgb & 0xff));
        std::size_t pos = words.eof() ? line.size() : static_cast<std::size_t>(words.tellg());
        if (item.kind == MarkupKind::Text && !Unquote(line, pos, item.text))
            return false;
        result.items.push_back(item);
    }
    if (!ended)
        return false;
    document = std::move(result);
    return true;
}

} // namespace

bool WriteMarkupFile(const CString& path, const MarkupDocument& document) {
    std::string out = std::string(kMagic) + "\n";
    if (!document.drawingName.IsEmpty() || !document.drawingBytes.empty()) {
        out += "drawing " + Quote(document.drawingName) + " " + std::to_string(document.drawingBytes.size()) +
               "\n";
        const std::string encoded = EncodeBase64(document.drawingBytes);
        for (std::size_t i = 0; i < encoded.size(); i += 76)
            out += encoded.substr(i, 76) + "\n";
        out += ".\n";
    }
    for (const MarkupItem& item : document.items) {
        char numbers[200];
        std::snprintf(numbers, sizeof numbers, " %.17g %.17g %.17g %.17g %02X%02X%02X %d", item.x1, item.y1,
                      item.x2, item.y2, GetRValue(item.color), GetGValue(item.color), GetBValue(item.color),
                      item.width);
        out += KindName(item.kind);
        out += numbers;
        if (item.kind == MarkupKind::Text)
            out += " " + Quote(item.text);
        out += "\n";
    }
    out += "end\n";
    return ReplaceFileContent(path, out);
}

bool ReadMarkupFile(const CString& path, MarkupDocument& document) {
    std::string content;
    return ReadFileBytes(path, content) && ParseMarkup(content, document);
}

bool IsMarkupFile(const CString& path) {
    std::ifstream in(NativePath(path).c_str(), std::ios::binary);
    std::string first;
    return in && std::getline(in, first) && (first == kMagic || first == std::string(kMagic) + "\r");
}

} // namespace vq

// ---- Small dialogs of the viewer ---------------------------------------------------------------

namespace {

const vq::DialogTemplate kMarkupTextTemplate{"文字批注",
                                             {vq::Label("批注文字:"), vq::EditBox(1001),
                                              vq::DefPushButton(IDOK, "确定"),
                                              vq::PushButton(IDCANCEL, "取消")}};

class CMarkupTextDlg : public CDialog {
public:
    CMarkupTextDlg(CWnd* parent) : CDialog(kMarkupTextTemplate, parent) {}
    CString m_text;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, 1001, m_text); }
};

const vq::DialogTemplate kLayersTemplate{"图层",
                                         {vq::CheckBox(1001, "图形"), vq::CheckBox(1002, "红线批注"),
                                          vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")}};

class CViewerLayersDlg : public CDialog {
public:
    CViewerLayersDlg(CWnd* parent) : CDialog(kLayersTemplate, parent) {}
    int m_picture = 1;
    int m_markup = 1;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Check(pDX, 1001, m_picture);
        DDX_Check(pDX, 1002, m_markup);
    }
};

const vq::DialogTemplate kViewsTemplate{
    "视图", {vq::ListBox(1001), vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")}};
const vq::DialogTemplate kLayoutsTemplate{
    "布局", {vq::ListBox(1001), vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")}};

// A list to choose one entry from.
class CViewerChoiceDlg : public CDialog {
public:
    CViewerChoiceDlg(const vq::DialogTemplate& t, CWnd* parent, std::vector<CString> entries)
        : CDialog(t, parent), m_entries(std::move(entries)) {}
    int m_choice = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, 1001, m_list);
        DDX_LBIndex(pDX, 1001, m_choice);
    }
    BOOL OnInitDialog() override {
        for (const CString& e : m_entries)
            m_list.AddString(e);
        return CDialog::OnInitDialog();
    }

private:
    std::vector<CString> m_entries;
    CListBox m_list;
};

constexpr double kMaxScale = 64.0;

} // namespace

// ---- The viewer window -------------------------------------------------------------------------

CDrawingViewer::CDrawingViewer() = default;

CDrawingViewer::~CDrawingViewer() = default;

void CDrawingViewer::Changed() {
    Invalidate();
}

void CDrawingViewer::ClearState() {
    m_file.Empty();
    m_notice.Empty();
    m_drawingName.Empty();
    m_drawingBytes.clear();
    m_picture.DeleteObject();
    m_turned.DeleteObject();
    m_markup.clear();
    m_dragging = false;
}

void CDrawingViewer::SetPicture(const CBitmap& picture) {
    m_picture = picture;
    m_turns = 0;
    m_turned = picture;
    ZoomExtents();
}

BOOL CDrawingViewer::ShowFile(const CString& path) {
    m_dragging = false;
    if (path.IsEmpty()) {
        ClearState();
        Changed();
        return TRUE;
    }
    std::string bytes;
    if (!vq::ReadFileBytes(path, bytes)) {
        ClearState();
        m_file = path;
        m_notice = "不能读取文件: " + path;
        Changed();
        return FALSE;
    }
    m_file = path;
    vq::MarkupDocument markup;
    if (vq::ParseMarkup(bytes, markup)) {
        m_markup = markup.items;
        if (!markup.drawingBytes.empty() || !markup.drawingName.IsEmpty()) {
            m_drawingName = markup.drawingName;
            m_drawingBytes = std::move(markup.drawingBytes);
            CBitmap picture;
            m_notice.Empty();
            if (vq::DecodeDrawingPicture(m_drawingBytes, picture)) {
                SetPicture(picture);
            } else {
                m_picture.DeleteObject();
                m_turned.DeleteObject();
                m_notice = "不能显示此格式的图形文件: " + m_drawingName;
            }
        }
        Changed();
        return TRUE;
    }
    const int slash = std::max(path.ReverseFind('/'), path.ReverseFind('\\'));
    m_drawingName = path.Mid(slash + 1);
    m_drawingBytes = std::move(bytes);
    m_markup.clear();
    m_notice.Empty();
    CBitmap picture;
    if (vq::DecodeDrawingPicture(m_drawingBytes, picture)) {
        SetPicture(picture);
    } else {
        m_picture.DeleteObject();
        m_turned.DeleteObject();
        m_notice = "不能显示此格式的图形文件: " + m_drawingName;
    }
    Changed();
    return TRUE;
}

void CDrawingViewer::ShowNotice(const CString& text) {
    m_dragging = false;
    ClearState();
    m_notice = text;
    Changed();
}

BOOL CDrawingViewer::LoadPicture(const CString& path, CBitmap& picture) {
    std::string bytes;
    return vq::ReadFileBytes(path, bytes) && vq::DecodeDrawingPicture(bytes, picture) ? TRUE : FALSE;
}

void CDrawingViewer::SetCommand(const CString& command) {
    m_command = command;
    m_dragging = false;
}

CSize CDrawingViewer::TurnedSize() const {
    return m_turned.GetSize();
}

void CDrawingViewer::Turned(double x, double y, double& u, double& v) const {
    const CSize size = m_picture.GetSize();
    const double w = size.cx, h = size.cy;
    switch (m_turns) {
    case 1:
        u = h - y;
        v = x;
        break;
    case 2:
        u = w - x;
        v = h - y;
        break;
    case 3:
        u = y;
        v = w - x;
        break;
    default:
        u = x;
        v = y;
    }
}

void CDrawingViewer::Unturned(double u, double v, double& x, double& y) const {
    const CSize size = m_picture.GetSize();
    const double w = size.cx, h = size.cy;
    switch (m_turns) {
    case 1:
        x = v;
        y = h - u;
        break;
    case 2:
        x = w - u;
        y = h - v;
        break;
    case 3:
        x = w - v;
        y = u;
        break;
    default:
        x = u;
        y = v;
    }
}

CPoint CDrawingViewer::DrawingToClient(double x, double y) const {
    double u, v;
    Turned(x, y, u, v);
    return CPoint(static_cast<int>(std::lround(m_originX + u * m_scale)),
                  static_cast<int>(std::lround(m_originY + v * m_scale)));
}

void CDrawingViewer::ClientToDrawing(CPoint point, double& x, double& y) const {
    Unturned((point.x - m_originX) / m_scale, (point.y - m_originY) / m_scale, x, y);
}

void CDrawingViewer::GetViewExtents(double& leftX, double& leftY, double& rightX, double& rightY) const {
    CRect client;
    GetClientRect(&client);
    double x0, y0, x1, y1;
    ClientToDrawing(CPoint(0, 0), x0, y0);
    ClientToDrawing(CPoint(client.Width(), client.Height()), x1, y1);
    leftX = std::min(x0, x1);
    leftY = std::min(y0, y1);
    rightX = std::max(x0, x1);
    rightY = std::max(y0, y1);
}

void CDrawingViewer::ZoomToArea(double leftX, double leftY, double rightX, double rightY) {
    double u0, v0, u1, v1;
    Turned(leftX, leftY, u0, v0);
    Turned(rightX, rightY, u1, v1);
    const double w = std::max(std::fabs(u1 - u0), 1e-6), h = std::max(std::fabs(v1 - v0), 1e-6);
    CRect client;
    GetClientRect(&client);
    const double cw = client.Width() > 0 ? client.Width() : 400,
                 ch = client.Height() > 0 ? client.Height() : 300;
    m_scale = std::min(std::min(cw / w, ch / h), kMaxScale);
    m_originX = cw / 2 - (u0 + u1) / 2 * m_scale;
    m_originY = ch / 2 - (v0 + v1) / 2 * m_scale;
    m_followExtents = false;
    Changed();
}

void CDrawingViewer::ZoomExtents() {
    const CSize size = TurnedSize();
    CRect client;
    GetClientRect(&client);
    if (size.cx <= 0 || size.cy <= 0) {
        m_scale = 1.0;
        m_originX = m_originY = 0;
        Changed();
        return;
    }
    double x0, y0, x1, y1;
    Unturned(0, 0, x0, y0);
    Unturned(size.cx, size.cy, x1, y1);
    ZoomToArea(x0, y0, x1, y1);
    m_followExtents = true; // the whole picture stays shown when the window changes size
}

void CDrawingViewer::Turn(int quarterTurns) {
    if (!HasPicture())
        return;
    CRect client;
    GetClientRect(&client);
    double cx, cy;
    ClientToDrawing(CPoint(client.Width() / 2, client.Height() / 2), cx, cy);
    m_turns = (((m_turns + quarterTurns) % 4) + 4) % 4;
    m_followExtents = false;
    m_turned = vq::TurnPicture(m_picture, m_turns);
    // The drawing point at the centre stays there.
    double u, v;
    Turned(cx, cy, u, v);
    m_originX = client.Width() / 2.0 - u * m_scale;
    m_originY = client.Height() / 2.0 - v * m_scale;
    Changed();
}

void CDrawingViewer::RefreshView() {
    if (m_followExtents)
        ZoomExtents();
    Changed();
}

void CDrawingViewer::SetLayerVisible(bool picture, bool markup) {
    m_showPicture = picture;
    m_showMarkup = markup;
    Changed();
}

void CDrawingViewer::ShowLayersDialog() {
    CViewerLayersDlg dlg(this);
    dlg.m_picture = m_showPicture ? 1 : 0;
    dlg.m_markup = m_showMarkup ? 1 : 0;
    if (dlg.DoModal() == IDOK)
        SetLayerVisible(dlg.m_picture != 0, dlg.m_markup != 0);
}

void CDrawingViewer::ShowViewsDialog() {
    CViewerChoiceDlg dlg(kViewsTemplate, this, {"全图", "实际大小"});
    if (dlg.DoModal() != IDOK)
        return;
    if (dlg.m_choice == 0) {
        ZoomExtents();
    } else if (dlg.m_choice == 1) {
        CRect client;
        GetClientRect(&client);
        double cx, cy;
        ClientToDrawing(CPoint(client.Width() / 2, client.Height() / 2), cx, cy);
        double u, v;
        Turned(cx, cy, u, v);
        m_scale = 1.0;
        m_followExtents = false;
        m_originX = client.Width() / 2.0 - u;
        m_originY = client.Height() / 2.0 - v;
        Changed();
    }
}

void CDrawingViewer::ShowLayoutsDialog() {
    // A picture has one layout, the model itself.
    CViewerChoiceDlg dlg(kLayoutsTemplate, this, {"模型"});
    dlg.DoModal();
}

void CDrawingViewer::AddMarkup(const vq::MarkupItem& item) {
    m_markup.push_back(item);
    Changed();
}

BOOL CDrawingViewer::SaveMarkup(const CString& path) {
    vq::MarkupDocument document;
    document.drawingName = m_drawingName;
    document.drawingBytes = m_drawingBytes;
    document.items = m_markup;
    return vq::WriteMarkupFile(path, document) ? TRUE : FALSE;
}

BOOL CDrawingViewer::ClearMarkup() {
    m_markup.clear();
    Changed();
    return TRUE;
}

BOOL CDrawingViewer::AskMarkupText(CString& text) {
    CMarkupTextDlg dlg(GetParent());
    if (dlg.DoModal() != IDOK || dlg.m_text.IsEmpty())
        return FALSE;
    text = dlg.m_text;
    return TRUE;
}

// ---- Painting ------------------------------------------------------------------------------------

void CDrawingViewer::PaintMarkupItem(CDC& dc, const vq::MarkupItem& item) const {
    const CPoint a = DrawingToClient(item.x1, item.y1);
    if (item.kind == vq::MarkupKind::Text) {
        const int height = std::clamp(static_cast<int>(std::lround(item.y2 * m_scale)), 6, 400);
        CFont font;
        font.CreateFont(-height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                        vq::DefaultFontFace());
        CFont* oldFont = dc.SelectObject(&font);
        dc.SetTextColor(item.color);
        dc.SetBkMode(TRANSPARENT);
        dc.TextOut(a.x, a.y, item.text);
        dc.SelectObject(oldFont);
        return;
    }
    const CPoint b = DrawingToClient(item.x2, item.y2);
    CPen pen(PS_SOLID, std::max(1, item.width), item.color);
    CPen* oldPen = dc.SelectObject(&pen);
    CGdiObject* oldBrush = dc.SelectStockObject(NULL_BRUSH);
    const CRect box(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y));
    switch (item.kind) {
    case vq::MarkupKind::Line:
        dc.MoveTo(a);
        dc.LineTo(b);
        break;
    case vq::MarkupKind::Rectangle:
        dc.Rectangle(&box);
        break;
    case vq::MarkupKind::Cloud: {
        // Half circles along each side, bulging outwards.
        const int bump = 14;
        auto side = [&](CPoint from, CPoint to) {
            const double length = std::hypot(to.x - from.x, to.y - from.y);
            const int count = std::max(1, static_cast<int>(length / bump));
            for (int i = 0; i < count; ++i) {
                const CPoint p(from.x + (to.x - from.x) * i / count, from.y + (to.y - from.y) * i / count);
                const CPoint q(from.x + (to.x - from.x) * (i + 1) / count,
                               from.y + (to.y - from.y) * (i + 1) / count);
                const int r = std::max(2, static_cast<int>(std::hypot(q.x - p.x, q.y - p.y) / 2));
                const CPoint c((p.x + q.x) / 2, (p.y + q.y) / 2);
                const CRect circle(c.x - r, c.y - r, c.x + r, c.y + r);
                dc.Arc(&circle, q, p);
            }
        };
        side(CPoint(box.left, box.top), CPoint(box.right, box.top));
        side(CPoint(box.right, box.top), CPoint(box.right, box.bottom));
        side(CPoint(box.right, box.bottom), CPoint(box.left, box.bottom));
        side(CPoint(box.left, box.bottom), CPoint(box.left, box.top));
        break;
    }
    case vq::MarkupKind::Text:
        break;
    }
    dc.SelectObject(oldPen);
    if (auto* brush = dynamic_cast<CBrush*>(oldBrush))
        dc.SelectObject(brush);
}

void CDrawingViewer::OnPaint() {
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    dc.FillSolidRect(&client, HasPicture() ? RGB(160, 160, 160) : RGB(255, 255, 255));

    if (HasPicture() && m_showPicture) {
        const CSize size = TurnedSize();
        const double u0 = std::clamp(std::floor(-m_originX / m_scale), 0.0, static_cast<double>(size.cx));
        const double v0 = std::clamp(std::floor(-m_originY / m_scale), 0.0, static_cast<double>(size.cy));
        const double u1 =
            std::clamp(std::ceil((client.Width() - m_originX) / m_scale), 0.0, static_cast<double>(size.cx));
        const double v1 =
            std::clamp(std::ceil((client.Height() - m_originY) / m_scale), 0.0, static_cast<double>(size.cy));
        if (u1 > u0 && v1 > v0) {
            const int x0 = static_cast<int>(std::lround(m_originX + u0 * m_scale));
            const int y0 = static_cast<int>(std::lround(m_originY + v0 * m_scale));
            const int x1 = static_cast<int>(std::lround(m_originX + u1 * m_scale));
            const int y1 = static_cast<int>(std::lround(m_originY + v1 * m_scale));
            CDC source(m_turned);
            dc.SetStretchBltMode(HALFTONE);
            dc.StretchBlt(x0, y0, x1 - x0, y1 - y0, &source, static_cast<int>(u0), static_cast<int>(v0),
                          static_cast<int>(u1 - u0), static_cast<int>(v1 - v0), SRCCOPY);
        }
    } else if (!m_notice.IsEmpty()) {
        CRect text = client;
        text.DeflateRect(10, 10);
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextColor(RGB(0, 0, 0));
        dc.DrawText(m_notice, &text, DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_NOPREFIX);
    }

    if (m_showMarkup)
        for (const vq::MarkupItem& item : m_markup)
            PaintMarkupItem(dc, item);

    // The shape being dragged.
    if (m_dragging && (m_command == "ZoomToRect" || m_command == "Sketch")) {
        CPen pen(PS_DOT, 1, m_command == "Sketch" ? RGB(255, 0, 0) : RGB(0, 0, 0));
        CPen* oldPen = dc.SelectObject(&pen);
        CGdiObject* oldBrush = dc.SelectStockObject(NULL_BRUSH);
        if (m_command == "Sketch" && (m_dragFlags & MK_SHIFT)) {
            dc.MoveTo(m_dragStart);
            dc.LineTo(m_dragLast);
        } else {
            const CRect band(std::min(m_dragStart.x, m_dragLast.x), std::min(m_dragStart.y, m_dragLast.y),
                             std::max(m_dragStart.x, m_dragLast.x), std::max(m_dragStart.y, m_dragLast.y));
            dc.Rectangle(&band);
        }
        dc.SelectObject(oldPen);
        if (auto* brush = dynamic_cast<CBrush*>(oldBrush))
            dc.SelectObject(brush);
    }
}

void CDrawingViewer::OnSize(UINT type, int cx, int cy) {
    if (m_followExtents) {
        ZoomExtents();
    } else if (m_client.cx > 0 && m_client.cy > 0) {
        // The centre of the view stays the centre.
        m_originX += (cx - m_client.cx) / 2.0;
        m_originY += (cy - m_client.cy) / 2.0;
    }
    m_client = CSize(cx, cy);
    Changed();
}

// ---- The mouse and the keys ----------------------------------------------------------------------

void CDrawingViewer::RaiseMouseDown(short button, UINT flags, CPoint point) {
    NMVIEWERMOUSE event;
    event.button = button;
    event.shift = static_cast<short>(((flags & MK_SHIFT) ? 1 : 0) | ((flags & MK_CONTROL) ? 2 : 0));
    event.x = point.x;
    event.y = point.y;
    NotifyParent(event.hdr, VQN_VIEWERMOUSEDOWN);
}

void CDrawingViewer::OnLButtonDown(UINT flags, CPoint point) {
    const std::uint64_t serial = GetSerial();
    RaiseMouseDown(1, flags, point);
    if (!::IsWindow(this) || GetSerial() != serial)
        return; // the event closed the window
    m_dragging = true;
    m_dragFlags = flags;
    m_dragStart = m_dragLast = point;
    SetCapture();
}

void CDrawingViewer::OnMouseMove(UINT flags, CPoint point) {
    if (!m_dragging)
        return;
    if (m_command == "Pan") {
        m_followExtents = false;
        m_originX += point.x - m_dragLast.x;
        m_originY += point.y - m_dragLast.y;
    } else if (m_command == "Zoom" && HasPicture()) {
        const double factor = std::pow(2.0, (m_dragLast.y - point.y) / 100.0);
        const double minScale = 8.0 / std::max(TurnedSize().cx, TurnedSize().cy);
        const double scale = std::clamp(m_scale * factor, minScale, kMaxScale);
        m_originX = m_dragStart.x - (m_dragStart.x - m_originX) * scale / m_scale;
        m_originY = m_dragStart.y - (m_dragStart.y - m_originY) * scale / m_scale;
        m_scale = scale;
        m_followExtents = false;
    }
    m_dragLast = point;
    Changed();
}

void CDrawingViewer::OnLButtonUp(UINT flags, CPoint point) {
    if (!m_dragging)
        return;
    m_dragging = false;
    m_dragLast = point;
    if (GetCapture() == this)
        ReleaseCapture();
    const bool moved = std::abs(point.x - m_dragStart.x) > 3 || std::abs(point.y - m_dragStart.y) > 3;
    double x0, y0, x1, y1;
    ClientToDrawing(m_dragStart, x0, y0);
    ClientToDrawing(point, x1, y1);
    if (m_command == "ZoomToRect" && HasPicture()) {
        if (moved) {
            ZoomToArea(x0, y0, x1, y1);
        } else {
            double l, t, r, b;
            GetViewExtents(l, t, r, b);
            ZoomToArea(x1 - (r - l) / 4, y1 - (b - t) / 4, x1 + (r - l) / 4, y1 + (b - t) / 4);
        }
    } else if (m_command == "Orbit") {
        Turn((m_dragFlags & MK_SHIFT) ? -1 : 1);
    } else if (m_command == "Sketch" && moved) {
        vq::MarkupItem item;
        item.kind = (m_dragFlags & MK_SHIFT)     ? vq::MarkupKind::Line
                    : (m_dragFlags & MK_CONTROL) ? vq::MarkupKind::Cloud
                                                 : vq::MarkupKind::Rectangle;
        item.x1 = x0;
        item.y1 = y0;
        item.x2 = x1;
        item.y2 = y1;
        AddMarkup(item);
    } else if (m_command == "Text") {
        CString text;
        const std::uint64_t serial = GetSerial();
        const BOOL given = AskMarkupText(text);
        if (!::IsWindow(this) || GetSerial() != serial)
            return; // the window went while the text was asked for
        if (given) {
            vq::MarkupItem item;
            item.kind = vq::MarkupKind::Text;
            item.x1 = x1;
            item.y1 = y1;
            item.y2 = 16.0 / m_scale; // letters 16 pixels high at the present scale
            item.text = text;
            AddMarkup(item);
        }
    }
    Changed();
}

void CDrawingViewer::OnRButtonDown(UINT flags, CPoint point) {
    m_dragging = false;
    RaiseMouseDown(2, flags, point);
}

void CDrawingViewer::OnKeyDown(UINT key, UINT, UINT) {
    if (key == VK_HOME)
        ZoomExtents();
}
