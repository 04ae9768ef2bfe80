#include "platform/ui/DC.h"

#include "platform/ui/Wnd.h"
#include "platform/ui/ImageBridge.h"
#include "platform/ui/qt/QtApplication.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>

namespace vq {

// The data behind every drawing object. One struct for all kinds keeps the sharing simple.
struct GdiData {
    enum Kind { Pen, Brush, Font, Bitmap, Region } kind;
    explicit GdiData(Kind k) : kind(k) {}
    // Pen and brush
    int style = PS_SOLID; // pen style
    int width = 1;
    COLORREF color = 0;
    bool nullBrush = false;
    int hatch = -1; // -1: solid
    // Font
    LOGFONT font;
    // Bitmap
    QImage image;
    // Region
    QRegion region;
};

} // namespace vq

namespace {

using vq::GdiData;

QColor ToQColor(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}
COLORREF FromQRgb(QRgb c) {
    return RGB(qRed(c), qGreen(c), qBlue(c));
}
QRect ToQRect(const RECT& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}
CRect FromQRect(const QRect& r) {
    return CRect(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
}

std::shared_ptr<GdiData> MakePen(int style, int width, COLORREF color) {
    auto d = std::make_shared<GdiData>(GdiData::Pen);
    d->style = style;
    d->width = width;
    d->color = color;
    return d;
}

std::shared_ptr<GdiData> MakeBrush(COLORREF color, int hatch = -1, bool null = false) {
    auto d = std::make_shared<GdiData>(GdiData::Brush);
    d->color = color;
    d->hatch = hatch;
    d->nullBrush = null;
    return d;
}

std::shared_ptr<GdiData> MakeFont(const LOGFONT& lf) {
    auto d = std::make_shared<GdiData>(GdiData::Font);
    d->font = lf;
    return d;
}

LOGFONT DefaultLogFont() {
    LOGFONT lf;
    lf.lfHeight = -12;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    std::strncpy(lf.lfFaceName, vq::DefaultFontFace(), LF_FACESIZE - 1);
    return lf;
}

QFont ToQFont(const LOGFONT& lf) {
    vq::EnsureQtApplication();
    QString face = QString::fromUtf8(lf.lfFaceName, static_cast<int>(strnlen(lf.lfFaceName, LF_FACESIZE)));
    const QString fallback = QString::fromUtf8(vq::DefaultFontFace());
    QStringList families;
    // Faces of the original platform ("MS Sans Serif", "宋体" ...) are rarely installed; the
    // Chinese face stands in for them so that every text shows its characters.
    if (!face.isEmpty() && QFontDatabase::hasFamily(face))
        families << face;
    families << fallback;
    QFont font;
    font.setFamilies(families);
    int pixels = 12;
    if (lf.lfHeight < 0)
        pixels = -lf.lfHeight;
    else if (lf.lfHeight > 0)
        pixels = std::max(1, static_cast<int>(lf.lfHeight) * 4 / 5); // cell height: less the leading
    font.setPixelSize(pixels);
    if (lf.lfWeight > 0)
        font.setWeight(static_cast<QFont::Weight>(std::clamp(static_cast<int>(lf.lfWeight), 100, 900)));
    font.setItalic(lf.lfItalic != 0);
    font.setUnderline(lf.lfUnderline != 0);
    font.setStrikeOut(lf.lfStrikeOut != 0);
    if ((lf.lfPitchAndFamily & 0x3) == FIXED_PITCH)
        font.setFixedPitch(true);
    return font;
}

// Stock objects live as long as the program; selecting one never transfers ownership.
CGdiObject* StockObject(int index) {
    static std::map<int, std::unique_ptr<CGdiObject>> stock;
    auto it = stock.find(index);
    if (it != stock.end())
        return it->second.get();
    std::unique_ptr<CGdiObject> obj;
    auto brush = [&](COLORREF c, bool null = false) {
        auto b = std::make_unique<CBrush>();
        b->SetData(MakeBrush(c, -1, null));
        obj = std::move(b);
    };
    auto pen = [&](int style, COLORREF c) {
        auto p = std::make_unique<CPen>();
        p->SetData(MakePen(style, 1, c));
        obj = std::move(p);
    };
    switch (index) {
    case WHITE_BRUSH:
        brush(RGB(255, 255, 255));
        break;
    case LTGRAY_BRUSH:
        brush(RGB(192, 192, 192));
        break;
    case GRAY_BRUSH:
        brush(RGB(128, 128, 128));
        break;
    case DKGRAY_BRUSH:
        brush(RGB(64, 64, 64));
        break;
    case BLACK_BRUSH:
        brush(RGB(0, 0, 0));
        break;
    case NULL_BRUSH:
        brush(0, true);
        break;
    case WHITE_PEN:
        pen(PS_SOLID, RGB(255, 255, 255));
        break;
    case BLACK_PEN:
        pen(PS_SOLID, RGB(0, 0, 0));
        break;
    case NULL_PEN:
        pen(PS_NULL, 0);
        break;
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT: {
        LOGFONT lf = DefaultLogFont();
        lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
        std::strncpy(lf.lfFaceName, "WenQuanYi Micro Hei Mono", LF_FACESIZE - 1);
        auto f = std::make_unique<CFont>();
        f->SetData(MakeFont(lf));
        obj = std::move(f);
        break;
    }
    case ANSI_VAR_FONT:
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
    case DEFAULT_GUI_FONT: {
        auto f = std::make_unique<CFont>();
        f->SetData(MakeFont(DefaultLogFont()));
        obj = std::move(f);
        break;
    }
    default:
        return nullptr;
    }
    CGdiObject* result = obj.get();
    stock.emplace(index, std::move(obj));
    return result;
}

} // namespace

// ---- System colours --------------------------------------------------------------------------

COLORREF GetSysColor(int index) {
    switch (index) {
    case COLOR_WINDOW:
    case COLOR_HIGHLIGHTTEXT:
    case COLOR_BTNHIGHLIGHT:
        return RGB(255, 255, 255);
    case COLOR_WINDOWTEXT:
    case COLOR_MENUTEXT:
    case COLOR_BTNTEXT:
    case COLOR_CAPTIONTEXT:
    case COLOR_INFOTEXT:
    case COLOR_WINDOWFRAME:
        return RGB(0, 0, 0);
    case COLOR_HIGHLIGHT:
    case COLOR_ACTIVECAPTION:
        return RGB(0, 120, 215);
    case COLOR_BTNFACE:
    case COLOR_MENU:
    case COLOR_ACTIVEBORDER:
    case COLOR_INACTIVEBORDER:
    case COLOR_SCROLLBAR:
        return RGB(240, 240, 240);
    case COLOR_BTNSHADOW:
    case COLOR_GRAYTEXT:
        return RGB(160, 160, 160);
    case COLOR_3DDKSHADOW:
        return RGB(105, 105, 105);
    case COLOR_3DLIGHT:
        return RGB(227, 227, 227);
    case COLOR_INFOBK:
        return RGB(255, 255, 225);
    case COLOR_INACTIVECAPTION:
        return RGB(191, 205, 219);
    case COLOR_INACTIVECAPTIONTEXT:
        return RGB(67, 78, 84);
    case COLOR_APPWORKSPACE:
        return RGB(171, 171, 171);
    case COLOR_BACKGROUND:
        return RGB(0, 99, 177);
    default:
        return RGB(0, 0, 0);
    }
}

const char* vq::DefaultFontFace() {
    return "WenQuanYi Micro Hei";
}

double vq::ViewTextScale() {
    static const double scale = [] {
        LOGFONT lf = DefaultLogFont();
        lf.lfHeight = -kViewFontPixels;
        const QFontMetricsF metrics(ToQFont(lf));
        // Each kind of text a column holds must fit: Chinese names, logins, and the digits of
        // codes, dates and sizes (the widest of the three in a proportional font).
        auto ratio = [&](const QString& sample, double systemWidth) {
            return metrics.horizontalAdvance(sample) / (systemWidth * sample.size());
        };
        return std::max({1.0, ratio(QString::fromUtf8("\u4e2d\u6587"), 12.0),
                         ratio(QStringLiteral("abcdefghijklmnopqrstuvwxyz"), 6.0),
                         ratio(QStringLiteral("0123456789"), 6.0)});
    }();
    return scale;
}

// ---- Drawing objects -------------------------------------------------------------------------

CGdiObject::CGdiObject() = default;
CGdiObject::~CGdiObject() = default;
CGdiObject::CGdiObject(const CGdiObject&) = default;
CGdiObject& CGdiObject::operator=(const CGdiObject&) = default;

BOOL CGdiObject::DeleteObject() {
    if (!m_data)
        return FALSE;
    m_data.reset();
    return TRUE;
}

const void* CGdiObject::GetSafeHandle() const {
    return m_data.get();
}

BOOL CGdiObject::CreateStockObject(int index) {
    CGdiObject* stock = StockObject(index);
    if (!stock)
        return FALSE;
    m_data = stock->Data();
    return TRUE;
}

BOOL CPen::CreatePen(int style, int width, COLORREF color) {
    m_data = MakePen(style, width, color);
    return TRUE;
}
int CPen::GetStyle() const {
    return m_data ? m_data->style : PS_NULL;
}
int CPen::GetWidth() const {
    return m_data ? m_data->width : 0;
}
COLORREF CPen::GetColor() const {
    return m_data ? m_data->color : 0;
}

BOOL CBrush::CreateSolidBrush(COLORREF color) {
    m_data = MakeBrush(color);
    return TRUE;
}
BOOL CBrush::CreateHatchBrush(int hatch, COLORREF color) {
    m_data = MakeBrush(color, hatch);
    return TRUE;
}
COLORREF CBrush::GetColor() const {
    return !m_data || m_data->nullBrush ? CLR_NONE : m_data->color;
}

BOOL CFont::CreateFontIndirect(const LOGFONT* font) {
    if (!font)
        return FALSE;
    LOGFONT lf = *font;
    lf.lfFaceName[LF_FACESIZE - 1] = '\0';
    m_data = MakeFont(lf);
    return TRUE;
}

BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                       BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision,
                       BYTE quality, BYTE pitchAndFamily, const char* faceName) {
    LOGFONT lf;
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    lf.lfUnderline = underline;
    lf.lfStrikeOut = strikeOut;
    lf.lfCharSet = charSet;
    lf.lfOutPrecision = outPrecision;
    lf.lfClipPrecision = clipPrecision;
    lf.lfQuality = quality;
    lf.lfPitchAndFamily = pitchAndFamily;
    if (faceName) {
        // Cut at a character boundary so that a long face name stays valid UTF-8.
        std::string_view face = vq::TruncateUtf8(faceName, LF_FACESIZE - 1);
        std::memcpy(lf.lfFaceName, face.data(), face.size());
    }
    return CreateFontIndirect(&lf);
}

BOOL CFont::CreatePointFont(int pointSize, const char* faceName, CDC* /*dc*/) {
    // Tenths of a point at 96 pixels per inch: pixels = points * 96 / 72.
    const int pixels = (pointSize * 96 + 360) / 720;
    return CreateFont(-std::max(1, pixels), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                      faceName);
}

int CFont::GetLogFont(LOGFONT* font) const {
    if (!m_data || !font)
        return 0;
    *font = m_data->font;
    return static_cast<int>(sizeof(LOGFONT));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* /*dc*/, int width, int height) {
    return CreateBitmap(width, height, 1, 32, nullptr);
}

BOOL CBitmap::CreateBitmap(int width, int height, UINT /*planes*/, UINT /*bitsPerPixel*/, const void* bits) {
    if (width < 0 || height < 0 || static_cast<long long>(width) * height > 64LL * 1024 * 1024)
        return FALSE;
    auto d = std::make_shared<GdiData>(GdiData::Bitmap);
    d->image = QImage(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    if (width == 0 || height == 0)
        d->image = QImage();
    else if (bits) {
        // 32-bit pixels, blue first, as the framework lays them out.
        const auto* px = static_cast<const std::uint32_t*>(bits);
        for (int y = 0; y < height; ++y)
            std::memcpy(d->image.scanLine(y), px + static_cast<std::size_t>(y) * width,
                        static_cast<std::size_t>(width) * 4);
    } else
        d->image.fill(Qt::black);
    m_data = std::move(d);
    return TRUE;
}

int CBitmap::GetBitmap(BITMAP* info) const {
    if (!m_data || !info)
        return 0;
    info->bmWidth = m_data->image.width();
    info->bmHeight = m_data->image.height();
    info->bmWidthBytes = m_data->image.width() * 4;
    info->bmPlanes = 1;
    info->bmBitsPixel = 32;
    return static_cast<int>(sizeof(BITMAP));
}

CSize CBitmap::GetSize() const {
    if (!m_data)
        return CSize(0, 0);
    return CSize(m_data->image.width(), m_data->image.height());
}

COLORREF CBitmap::GetPixel(int x, int y) const {
    if (!m_data || !m_data->image.valid(x, y))
        return CLR_INVALID;
    return FromQRgb(m_data->image.pixel(x, y));
}

void CBitmap::SetPixel(int x, int y, COLORREF color) {
    if (m_data && m_data->image.valid(x, y))
        m_data->image.setPixel(x, y, ToQColor(color).rgb());
}

bool CBitmap::IsTransparent(int x, int y) const {
    return m_data && m_data->image.valid(x, y) && m_data->image.hasAlphaChannel() &&
           qAlpha(m_data->image.pixel(x, y)) == 0;
}

bool CBitmap::SavePng(const CString& path) const {
    return m_data && !m_data->image.isNull() && m_data->image.save(QString::fromUtf8(path.c_str()), "PNG");
}

CBitmap CBitmap::Clone() const {
    CBitmap copy;
    if (m_data) {
        auto d = std::make_shared<GdiData>(GdiData::Bitmap);
        d->image = m_data->image.copy();
        copy.SetData(std::move(d));
    }
    return copy;
}

CBitmap CBitmap::Copy(int x, int y, int width, int height) const {
    CBitmap part;
    if (m_data) {
        auto d = std::make_shared<GdiData>(GdiData::Bitmap);
        d->image = m_data->image.copy(x, y, width, height);
        part.SetData(std::move(d));
    }
    return part;
}

namespace {
int RegionKind(const QRegion& r) {
    if (r.isEmpty())
        return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
std::shared_ptr<GdiData> MakeRegion(const QRegion& r) {
    auto d = std::make_shared<GdiData>(GdiData::Region);
    d->region = r;
    return d;
}
} // namespace

BOOL CRgn::CreateRectRgn(int left, int top, int right, int bottom) {
    m_data = MakeRegion(right > left && bottom > top ? QRegion(ToQRect(CRect(left, top, right, bottom)))
                                                     : QRegion());
    return TRUE;
}

BOOL CRgn::CreateRectRgnIndirect(LPCRECT rect) {
    if (!rect)
        return FALSE;
    return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

BOOL CRgn::CreateEllipticRgn(int left, int top, int right, int bottom) {
    m_data = MakeRegion(right > left && bottom > top
                            ? QRegion(ToQRect(CRect(left, top, right, bottom)), QRegion::Ellipse)
                            : QRegion());
    return TRUE;
}

int CRgn::CombineRgn(const CRgn* a, const CRgn* b, int mode) {
    if (!a || !a->m_data || (mode != RGN_COPY && (!b || !b->m_data)))
        return ERROR;
    QRegion result;
    const QRegion& ra = a->m_data->region;
    switch (mode) {
    case RGN_AND:
        result = ra.intersected(b->m_data->region);
        break;
    case RGN_OR:
        result = ra.united(b->m_data->region);
        break;
    case RGN_XOR:
        result = ra.xored(b->m_data->region);
        break;
    case RGN_DIFF:
        result = ra.subtracted(b->m_data->region);
        break;
    case RGN_COPY:
        result = ra;
        break;
    default:
        return ERROR;
    }
    // A new data object: other copies of this region keep what they had.
    m_data = MakeRegion(result);
    return RegionKind(result);
}

BOOL CRgn::PtInRegion(int x, int y) const {
    return m_data && m_data->region.contains(QPoint(x, y));
}

BOOL CRgn::RectInRegion(LPCRECT rect) const {
    return m_data && rect && rect->right > rect->left && rect->bottom > rect->top &&
           m_data->region.intersects(ToQRect(*rect));
}

int CRgn::GetRgnBox(LPRECT rect) const {
    if (!m_data || !rect)
        return ERROR;
    *rect = m_data->region.isEmpty() ? CRect() : FromQRect(m_data->region.boundingRect());
    return RegionKind(m_data->region);
}

void CRgn::OffsetRgn(int dx, int dy) {
    if (m_data)
        m_data = MakeRegion(m_data->region.translated(dx, dy));
}

// ---- Device context state --------------------------------------------------------------------

namespace vq {

struct DcState {
    std::shared_ptr<GdiData> target; // the bitmap drawn into; null: nothing to draw on

    CPen defPen;
    CBrush defBrush;
    CFont defFont;
    CBitmap defBitmap;

    struct Attributes {
        std::shared_ptr<GdiData> pen, brush, font;
        CPen* penObj = nullptr;
        CBrush* brushObj = nullptr;
        CFont* fontObj = nullptr;
        CBitmap* bitmapObj = nullptr;
        std::shared_ptr<GdiData> bitmap; // the bitmap selected into a memory context
        COLORREF textColor = RGB(0, 0, 0);
        COLORREF bkColor = RGB(255, 255, 255);
        int bkMode = OPAQUE;
        UINT textAlign = TA_LEFT | TA_TOP;
        int rop2 = R2_COPYPEN;
        int stretchMode = BLACKONWHITE;
        QPoint origin;               // viewport origin: logical (0,0) in device pixels
        std::optional<QRegion> clip; // in device pixels
        QPoint position;             // current position of MoveTo/LineTo (logical)
    } a;
    std::vector<Attributes> saved;

    DcState() {
        defPen.SetData(MakePen(PS_SOLID, 1, RGB(0, 0, 0)));
        defBrush.SetData(MakeBrush(RGB(255, 255, 255)));
        defFont.SetData(MakeFont(DefaultLogFont()));
        a.pen = defPen.Data();
        a.brush = defBrush.Data();
        a.font = defFont.Data();
        a.penObj = &defPen;
        a.brushObj = &defBrush;
        a.fontObj = &defFont;
        a.bitmapObj = &defBitmap;
    }

    QImage* Image() const { return target && !target->image.isNull() ? &target->image : nullptr; }

    // The area that may be drawn on, in device pixels.
    QRegion Visible() const {
        QImage* img = Image();
        if (!img)
            return QRegion();
        QRegion all(img->rect());
        return a.clip ? all.intersected(*a.clip) : all;
    }

    QFont Font() const { return ToQFont(a.font->font); }

    bool Begin(QPainter& p) const {
        QImage* img = Image();
        if (!img)
            return false;
        p.begin(img);
        if (a.clip)
            p.setClipRegion(*a.clip);
        p.translate(a.origin);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setRenderHint(QPainter::TextAntialiasing, true);
        switch (a.rop2) {
        case R2_XORPEN:
            p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            break;
        case R2_NOT:
            p.setCompositionMode(QPainter::RasterOp_NotDestination);
            break;
        default:
            break;
        }
        return true;
    }

    bool HasPen() const { return a.pen && a.pen->style != PS_NULL; }
    bool HasBrush() const { return a.brush && !a.brush->nullBrush; }

    QPen Pen() const {
        if (!HasPen())
            return QPen(Qt::NoPen);
        QColor c = a.rop2 == R2_BLACK   ? QColor(Qt::black)
                   : a.rop2 == R2_WHITE ? QColor(Qt::white)
                                        : ToQColor(a.pen->color);
        QPen pen(c);
        const int w = std::max(1, a.pen->width);
        pen.setWidth(w);
        switch (a.pen->style) {
        case PS_DASH:
            pen.setStyle(Qt::DashLine);
            break;
        case PS_DOT:
            pen.setStyle(Qt::DotLine);
            break;
        case PS_DASHDOT:
            pen.setStyle(Qt::DashDotLine);
            break;
        case PS_DASHDOTDOT:
            pen.setStyle(Qt::DashDotDotLine);
            break;
        default:
            pen.setStyle(Qt::SolidLine);
            break;
        }
        if (w > 1) {
            pen.setCapStyle(Qt::RoundCap);
            pen.setJoinStyle(Qt::RoundJoin);
        } else {
            pen.setCapStyle(Qt::FlatCap);
            pen.setJoinStyle(Qt::MiterJoin);
        }
        return pen;
    }

    static QBrush BrushOf(const GdiData& b) {
        if (b.nullBrush)
            return QBrush(Qt::NoBrush);
        Qt::BrushStyle style = Qt::SolidPattern;
        switch (b.hatch) {
        case HS_HORIZONTAL:
            style = Qt::HorPattern;
            break;
        case HS_VERTICAL:
            style = Qt::VerPattern;
            break;
        case HS_FDIAGONAL:
            style = Qt::FDiagPattern;
            break;
        case HS_BDIAGONAL:
            style = Qt::BDiagPattern;
            break;
        case HS_CROSS:
            style = Qt::CrossPattern;
            break;
        case HS_DIAGCROSS:
            style = Qt::DiagCrossPattern;
            break;
        default:
            break;
        }
        return QBrush(ToQColor(b.color), style);
    }
    QBrush Brush() const { return HasBrush() ? BrushOf(*a.brush) : QBrush(Qt::NoBrush); }

    // Inverts the pixels of an area (device pixels), within the clip.
    void Invert(const QRegion& area) {
        QImage* img = Image();
        if (!img)
            return;
        for (const QRect& r : area.intersected(Visible())) {
            for (int y = r.top(); y <= r.bottom(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(img->scanLine(y));
                for (int x = r.left(); x <= r.right(); ++x)
                    line[x] ^= 0x00FFFFFF;
            }
        }
    }

    // A frame of the given thickness just inside a rectangle (device pixels).
    static QRegion Frame(const QRect& r, int w, int h) {
        if (r.isEmpty())
            return QRegion();
        QRegion outer(r);
        QRect inner = r.adjusted(w, h, -w, -h);
        return inner.isEmpty() ? outer : outer.subtracted(QRegion(inner));
    }

    QRect Device(const RECT& r) const { return ToQRect(r).translated(a.origin); }
};

} // namespace vq

using vq::DcState;

// ---- CDC -------------------------------------------------------------------------------------

CDC::CDC() : m_state(std::make_shared<DcState>()) {}
CDC::~CDC() = default;

CDC::CDC(CBitmap& target) : CDC() {
    m_state->target = target.Data();
    m_state->a.bitmap = target.Data();
    m_state->a.bitmapObj = &target;
}

void CDC::AttachTarget(CBitmap target) {
    m_state->target = target.Data();
    m_state->a.bitmap = target.Data();
}

BOOL CDC::Attach(CDC* dc) {
    if (!dc || dc == this || m_attached)
        return FALSE;
    m_state = dc->m_state;
    m_attached = dc;
    return TRUE;
}

CDC* CDC::Detach() {
    CDC* attached = std::exchange(m_attached, nullptr);
    if (attached)
        m_state = std::make_shared<DcState>();
    return attached;
}

BOOL CDC::CreateCompatibleDC(CDC* /*dc*/) {
    m_state = std::make_shared<DcState>();
    return TRUE;
}

BOOL CDC::DeleteDC() {
    m_state = std::make_shared<DcState>();
    return TRUE;
}

bool CDC::HasTarget() const {
    return m_state->Image() != nullptr;
}

CPen* CDC::SelectObject(CPen* pen) {
    CPen* old = m_state->a.penObj;
    if (pen && pen->Data() && pen->Data()->kind == GdiData::Pen) {
        m_state->a.pen = pen->Data();
        m_state->a.penObj = pen;
    }
    return old;
}

CBrush* CDC::SelectObject(CBrush* brush) {
    CBrush* old = m_state->a.brushObj;
    if (brush && brush->Data() && brush->Data()->kind == GdiData::Brush) {
        m_state->a.brush = brush->Data();
        m_state->a.brushObj = brush;
    }
    return old;
}

CFont* CDC::SelectObject(CFont* font) {
    CFont* old = m_state->a.fontObj;
    if (font && font->Data() && font->Data()->kind == GdiData::Font) {
        m_state->a.font = font->Data();
        m_state->a.fontObj = font;
    }
    return old;
}

CBitmap* CDC::SelectObject(CBitmap* bitmap) {
    CBitmap* old = m_state->a.bitmapObj;
    if (bitmap && bitmap->Data() && bitmap->Data()->kind == GdiData::Bitmap) {
        m_state->a.bitmap = bitmap->Data();
        m_state->a.bitmapObj = bitmap;
        m_state->target = bitmap->Data();
        // A new bitmap starts without the old one's clip region.
        m_state->a.clip.reset();
    } else if (bitmap == &m_state->defBitmap) {
        m_state->a.bitmapObj = bitmap;
        m_state->a.bitmap.reset();
        m_state->target.reset();
    }
    return old;
}

CGdiObject* CDC::SelectStockObject(int index) {
    CGdiObject* stock = StockObject(index);
    if (!stock)
        return nullptr;
    switch (stock->Data()->kind) {
    case GdiData::Pen:
        return SelectObject(static_cast<CPen*>(stock));
    case GdiData::Brush:
        return SelectObject(static_cast<CBrush*>(stock));
    case GdiData::Font:
        return SelectObject(static_cast<CFont*>(stock));
    default:
        return nullptr;
    }
}

CPen* CDC::GetCurrentPen() const {
    return m_state->a.penObj;
}
CBrush* CDC::GetCurrentBrush() const {
    return m_state->a.brushObj;
}
CFont* CDC::GetCurrentFont() const {
    return m_state->a.fontObj;
}
CBitmap* CDC::GetCurrentBitmap() const {
    return m_state->a.bitmapObj;
}

int CDC::SaveDC() {
    m_state->saved.push_back(m_state->a);
    return static_cast<int>(m_state->saved.size());
}

BOOL CDC::RestoreDC(int saved) {
    auto& stack = m_state->saved;
    const int count = static_cast<int>(stack.size());
    const int index = saved < 0 ? count + saved : saved - 1;
    if (index < 0 || index >= count)
        return FALSE;
    m_state->a = stack[static_cast<std::size_t>(index)];
    stack.resize(static_cast<std::size_t>(index));
    if (m_state->a.bitmap)
        m_state->target = m_state->a.bitmap;
    return TRUE;
}

COLORREF CDC::SetTextColor(COLORREF color) {
    return std::exchange(m_state->a.textColor, color);
}
COLORREF CDC::GetTextColor() const {
    return m_state->a.textColor;
}
COLORREF CDC::SetBkColor(COLORREF color) {
    return std::exchange(m_state->a.bkColor, color);
}
COLORREF CDC::GetBkColor() const {
    return m_state->a.bkColor;
}
int CDC::SetBkMode(int mode) {
    return std::exchange(m_state->a.bkMode, mode);
}
int CDC::GetBkMode() const {
    return m_state->a.bkMode;
}
int CDC::SetStretchBltMode(int mode) {
    return std::exchange(m_state->a.stretchMode, mode);
}
int CDC::GetStretchBltMode() const {
    return m_state->a.stretchMode;
}
UINT CDC::SetTextAlign(UINT flags) {
    return std::exchange(m_state->a.textAlign, flags);
}
UINT CDC::GetTextAlign() const {
    return m_state->a.textAlign;
}
int CDC::SetROP2(int mode) {
    return std::exchange(m_state->a.rop2, mode);
}
int CDC::GetROP2() const {
    return m_state->a.rop2;
}

CPoint CDC::SetViewportOrg(int x, int y) {
    QPoint old = std::exchange(m_state->a.origin, QPoint(x, y));
    return CPoint(old.x(), old.y());
}

CPoint CDC::OffsetViewportOrg(int dx, int dy) {
    QPoint old = m_state->a.origin;
    m_state->a.origin += QPoint(dx, dy);
    return CPoint(old.x(), old.y());
}

CPoint CDC::GetViewportOrg() const {
    return CPoint(m_state->a.origin.x(), m_state->a.origin.y());
}

int CDC::GetDeviceCaps(int index) const {
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    case BITSPIXEL:
        return 32;
    case HORZRES:
        return HasTarget() ? m_state->Image()->width() : 1920;
    case VERTRES:
        return HasTarget() ? m_state->Image()->height() : 1080;
    default:
        return 0;
    }
}

// ---- Clipping --------------------------------------------------------------------------------

int CDC::SelectClipRgn(CRgn* region) {
    if (!region || !region->Data()) {
        m_state->a.clip.reset();
        return SIMPLEREGION;
    }
    // Clip regions are in device pixels, as the framework has them.
    m_state->a.clip = region->Data()->region;
    return RegionKind(*m_state->a.clip);
}

int CDC::IntersectClipRect(int left, int top, int right, int bottom) {
    QRegion r =
        right > left && bottom > top ? QRegion(m_state->Device(CRect(left, top, right, bottom))) : QRegion();
    m_state->a.clip = m_state->a.clip ? m_state->a.clip->intersected(r) : r;
    return RegionKind(*m_state->a.clip);
}

int CDC::IntersectClipRect(LPCRECT rect) {
    return rect ? IntersectClipRect(rect->left, rect->top, rect->right, rect->bottom) : ERROR;
}

int CDC::ExcludeClipRect(int left, int top, int right, int bottom) {
    QRegion base = m_state->a.clip
                       ? *m_state->a.clip
                       : (HasTarget() ? QRegion(m_state->Image()->rect()) : QRegion(0, 0, 1 << 15, 1 << 15));
    if (right > left && bottom > top)
        base = base.subtracted(QRegion(m_state->Device(CRect(left, top, right, bottom))));
    m_state->a.clip = base;
    return RegionKind(base);
}

int CDC::ExcludeClipRect(LPCRECT rect) {
    return rect ? ExcludeClipRect(rect->left, rect->top, rect->right, rect->bottom) : ERROR;
}

int CDC::GetClipBox(LPRECT rect) const {
    if (!rect)
        return ERROR;
    QRegion visible = m_state->Visible();
    if (visible.isEmpty()) {
        *rect = CRect();
        return NULLREGION;
    }
    CRect box = FromQRect(visible.boundingRect());
    box.OffsetRect(-m_state->a.origin.x(), -m_state->a.origin.y());
    *rect = box;
    return RegionKind(visible);
}

BOOL CDC::PtVisible(int x, int y) const {
    return m_state->Visible().contains(QPoint(x, y) + m_state->a.origin);
}

// ---- Lines and shapes ------------------------------------------------------------------------

CPoint CDC::MoveTo(int x, int y) {
    QPoint old = std::exchange(m_state->a.position, QPoint(x, y));
    return CPoint(old.x(), old.y());
}

CPoint CDC::GetCurrentPosition() const {
    return CPoint(m_state->a.position.x(), m_state->a.position.y());
}

BOOL CDC::LineTo(int x, int y) {
    const QPoint from = m_state->a.position;
    const QPoint to(x, y);
    m_state->a.position = to;
    if (!m_state->HasPen() || from == to)
        return TRUE;
    QPainter p;
    if (!m_state->Begin(p))
        return TRUE;
    p.setPen(m_state->Pen());
    if (m_state->a.pen->width <= 1 && m_state->a.pen->style == PS_SOLID) {
        // A thin line pixel by pixel from its start, leaving the end point out as the
        // framework's lines do (whatever the direction).
        QPolygon points;
        int x0 = from.x(), y0 = from.y();
        const int dx = std::abs(to.x() - x0), dy = -std::abs(to.y() - y0);
        const int sx = x0 < to.x() ? 1 : -1, sy = y0 < to.y() ? 1 : -1;
        int err = dx + dy;
        while (x0 != to.x() || y0 != to.y()) {
            points << QPoint(x0, y0);
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x0 += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y0 += sy;
            }
        }
        p.drawPoints(points);
        return TRUE;
    }
    p.drawLine(from, to);
    return TRUE;
}

BOOL CDC::Polyline(const POINT* points, int count) {
    if (!points || count < 2)
        return FALSE;
    QPainter p;
    if (!m_state->HasPen() || !m_state->Begin(p))
        return TRUE;
    p.setPen(m_state->Pen());
    QPolygon poly;
    for (int i = 0; i < count; ++i)
        poly << QPoint(points[i].x, points[i].y);
    p.drawPolyline(poly);
    return TRUE;
}

BOOL CDC::Polygon(const POINT* points, int count) {
    if (!points || count < 2)
        return FALSE;
    QPainter p;
    if (!m_state->Begin(p))
        return TRUE;
    QPolygon poly;
    for (int i = 0; i < count; ++i)
        poly << QPoint(points[i].x, points[i].y);
    p.setPen(m_state->Pen());
    p.setBrush(m_state->Brush());
    p.drawPolygon(poly, Qt::OddEvenFill);
    return TRUE;
}

namespace {
// The outline rectangle of a shape whose bounds are left..right-1: a pen of width w stays inside.
QRectF InsideOutline(const QRect& r, int w) {
    const double half = w / 2.0;
    if (w <= 1)
        return QRectF(r.left(), r.top(), r.width() - 1, r.height() - 1);
    return QRectF(r.left() + half, r.top() + half, r.width() - w, r.height() - w);
}
} // namespace

BOOL CDC::Rectangle(int left, int top, int right, int bottom) {
    CRect rc(left, top, right, bottom);
    rc.NormalizeRect();
    if (rc.IsRectEmpty())
        return TRUE;
    QPainter p;
    if (!m_state->Begin(p))
        return TRUE;
    const QRect r = ToQRect(rc);
    if (m_state->HasBrush())
        p.fillRect(r, m_state->Brush());
    if (m_state->HasPen()) {
        QPen pen = m_state->Pen();
        pen.setJoinStyle(Qt::MiterJoin);
        pen.setCapStyle(Qt::SquareCap);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(InsideOutline(r, pen.width()));
    }
    return TRUE;
}

BOOL CDC::Rectangle(LPCRECT rect) {
    return rect ? Rectangle(rect->left, rect->top, rect->right, rect->bottom) : FALSE;
}

BOOL CDC::RoundRect(int left, int top, int right, int bottom, int width, int height) {
    CRect rc(left, top, right, bottom);
    rc.NormalizeRect();
    QPainter p;
    if (rc.IsRectEmpty() || !m_state->Begin(p))
        return TRUE;
    p.setPen(m_state->Pen());
    p.setBrush(m_state->Brush());
    p.drawRoundedRect(InsideOutline(ToQRect(rc), m_state->HasPen() ? m_state->Pen().width() : 1), width / 2.0,
                      height / 2.0);
    return TRUE;
}

BOOL CDC::RoundRect(LPCRECT rect, POINT corner) {
    return rect ? RoundRect(rect->left, rect->top, rect->right, rect->bottom, corner.x, corner.y) : FALSE;
}

BOOL CDC::Ellipse(int left, int top, int right, int bottom) {
    CRect rc(left, top, right, bottom);
    rc.NormalizeRect();
    QPainter p;
    if (rc.IsRectEmpty() || !m_state->Begin(p))
        return TRUE;
    p.setPen(m_state->Pen());
    p.setBrush(m_state->Brush());
    p.drawEllipse(InsideOutline(ToQRect(rc), m_state->HasPen() ? m_state->Pen().width() : 1));
    return TRUE;
}

BOOL CDC::Ellipse(LPCRECT rect) {
    return rect ? Ellipse(rect->left, rect->top, rect->right, rect->bottom) : FALSE;
}

namespace {
// Angles in 1/16 degree (counterclockwise, y up, as QPainter wants them) of the radials through
// two points, and the counterclockwise span from the first to the second (a full turn when the
// radials coincide).
std::pair<int, int> ArcAngles(const QRectF& r, int x1, int y1, int x2, int y2) {
    const QPointF c = r.center();
    const double a1 = std::atan2(-(y1 - c.y()), x1 - c.x()) * 180.0 / M_PI;
    const double a2 = std::atan2(-(y2 - c.y()), x2 - c.x()) * 180.0 / M_PI;
    double span = a2 - a1;
    while (span <= 0)
        span += 360.0;
    return {static_cast<int>(std::lround(a1 * 16)), static_cast<int>(std::lround(span * 16))};
}
} // namespace

BOOL CDC::Pie(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) {
    CRect rc(left, top, right, bottom);
    rc.NormalizeRect();
    QPainter p;
    if (rc.IsRectEmpty() || !m_state->Begin(p))
        return TRUE;
    const QRectF r = InsideOutline(ToQRect(rc), m_state->HasPen() ? m_state->Pen().width() : 1);
    auto [start, span] = ArcAngles(r, x1, y1, x2, y2);
    p.setPen(m_state->Pen());
    p.setBrush(m_state->Brush());
    if (span >= 360 * 16)
        p.drawEllipse(r);
    else
        p.drawPie(r, start, span);
    return TRUE;
}

BOOL CDC::Pie(LPCRECT rect, POINT start, POINT end) {
    return rect ? Pie(rect->left, rect->top, rect->right, rect->bottom, start.x, start.y, end.x, end.y)
                : FALSE;
}

BOOL CDC::Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) {
    CRect rc(left, top, right, bottom);
    rc.NormalizeRect();
    QPainter p;
    if (rc.IsRectEmpty() || !m_state->HasPen() || !m_state->Begin(p))
        return TRUE;
    const QRectF r = InsideOutline(ToQRect(rc), m_state->Pen().width());
    auto [start, span] = ArcAngles(r, x1, y1, x2, y2);
    p.setPen(m_state->Pen());
    p.drawArc(r, start, std::min(span, 360 * 16));
    return TRUE;
}

BOOL CDC::Arc(LPCRECT rect, POINT start, POINT end) {
    return rect ? Arc(rect->left, rect->top, rect->right, rect->bottom, start.x, start.y, end.x, end.y)
                : FALSE;
}

BOOL CDC::Chord(LPCRECT rect, POINT startPt, POINT endPt) {
    if (!rect)
        return FALSE;
    CRect rc(*rect);
    rc.NormalizeRect();
    QPainter p;
    if (rc.IsRectEmpty() || !m_state->Begin(p))
        return TRUE;
    const QRectF r = InsideOutline(ToQRect(rc), m_state->HasPen() ? m_state->Pen().width() : 1);
    auto [start, span] = ArcAngles(r, startPt.x, startPt.y, endPt.x, endPt.y);
    p.setPen(m_state->Pen());
    p.setBrush(m_state->Brush());
    p.drawChord(r, start, std::min(span, 360 * 16));
    return TRUE;
}

// ---- Areas -----------------------------------------------------------------------------------

void CDC::FillRect(LPCRECT rect, CBrush* brush) {
    if (!rect || !brush || !brush->Data() || brush->Data()->nullBrush)
        return;
    CRect rc(*rect);
    QPainter p;
    if (rc.IsRectEmpty() || !m_state->Begin(p))
        return;
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(ToQRect(rc), DcState::BrushOf(*brush->Data()));
}

void CDC::FillSolidRect(LPCRECT rect, COLORREF color) {
    if (rect)
        FillSolidRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, color);
}

void CDC::FillSolidRect(int x, int y, int width, int height, COLORREF color) {
    QPainter p;
    if (width <= 0 || height <= 0 || !m_state->Begin(p))
        return;
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(QRect(x, y, width, height), ToQColor(color));
    // The framework's FillSolidRect leaves the colour as the background colour.
    m_state->a.bkColor = color;
}

void CDC::FrameRect(LPCRECT rect, CBrush* brush) {
    if (!rect || !brush || !brush->Data() || brush->Data()->nullBrush)
        return;
    CRect rc(*rect);
    QPainter p;
    if (rc.IsRectEmpty() || !m_state->Begin(p))
        return;
    const QRect r = ToQRect(rc);
    p.setClipRegion(DcState::Frame(r, 1, 1), Qt::IntersectClip);
    p.fillRect(r, DcState::BrushOf(*brush->Data()));
}

BOOL CDC::FillRgn(CRgn* region, CBrush* brush) {
    if (!region || !region->Data() || !brush || !brush->Data())
        return FALSE;
    QPainter p;
    if (!m_state->Begin(p))
        return TRUE;
    p.setClipRegion(region->Data()->region, Qt::IntersectClip);
    p.fillRect(region->Data()->region.boundingRect(), DcState::BrushOf(*brush->Data()));
    return TRUE;
}

BOOL CDC::FrameRgn(CRgn* region, CBrush* brush, int width, int height) {
    if (!region || !region->Data() || !brush || !brush->Data())
        return FALSE;
    const QRegion& r = region->Data()->region;
    // The frame is the region less the region shrunk by width and height on every side.
    QRegion inner = r;
    for (int dx = -width; dx <= width; dx += std::max(1, width))
        for (int dy = -height; dy <= height; dy += std::max(1, height))
            inner = inner.intersected(r.translated(dx, dy));
    QPainter p;
    if (!m_state->Begin(p))
        return TRUE;
    p.setClipRegion(r.subtracted(inner), Qt::IntersectClip);
    p.fillRect(r.boundingRect(), DcState::BrushOf(*brush->Data()));
    return TRUE;
}

BOOL CDC::PaintRgn(CRgn* region) {
    if (!m_state->HasBrush())
        return TRUE;
    return FillRgn(region, m_state->a.brushObj);
}

void CDC::InvertRect(LPCRECT rect) {
    if (rect && rect->right > rect->left && rect->bottom > rect->top)
        m_state->Invert(QRegion(m_state->Device(*rect)));
}

BOOL CDC::InvertRgn(CRgn* region) {
    if (!region || !region->Data())
        return FALSE;
    m_state->Invert(region->Data()->region.translated(m_state->a.origin));
    return TRUE;
}

void CDC::Draw3dRect(LPCRECT rect, COLORREF topLeft, COLORREF bottomRight) {
    if (rect)
        Draw3dRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, topLeft,
                   bottomRight);
}

void CDC::Draw3dRect(int x, int y, int width, int height, COLORREF topLeft, COLORREF bottomRight) {
    const COLORREF bk = m_state->a.bkColor;
    FillSolidRect(x, y, width - 1, 1, topLeft);
    FillSolidRect(x, y, 1, height - 1, topLeft);
    FillSolidRect(x + width, y, -1, height, bottomRight);
    FillSolidRect(x + width - 1, y, 1, height, bottomRight);
    FillSolidRect(x, y + height - 1, width, 1, bottomRight);
    m_state->a.bkColor = bk;
}

BOOL CDC::DrawEdge(LPRECT rect, UINT edge, UINT flags) {
    if (!rect)
        return FALSE;
    CRect rc(*rect);
    struct Line {
        UINT raised, sunken;
        COLORREF light, dark;
    };
    // Outer line first, then the inner one, each one pixel further in.
    const Line lines[] = {
        {BDR_RAISEDOUTER, BDR_SUNKENOUTER, GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DDKSHADOW)},
        {BDR_RAISEDINNER, BDR_SUNKENINNER, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW)},
    };
    const COLORREF bk = m_state->a.bkColor;
    for (const Line& line : lines) {
        if (!(edge & (line.raised | line.sunken)))
            continue;
        const bool raised = (edge & line.raised) != 0;
        const COLORREF tl = raised ? line.light : line.dark;
        const COLORREF br = raised ? line.dark : line.light;
        if (flags & BF_TOP)
            FillSolidRect(rc.left, rc.top, rc.Width(), 1, tl);
        if (flags & BF_LEFT)
            FillSolidRect(rc.left, rc.top, 1, rc.Height(), tl);
        if (flags & BF_BOTTOM)
            FillSolidRect(rc.left, rc.bottom - 1, rc.Width(), 1, br);
        if (flags & BF_RIGHT)
            FillSolidRect(rc.right - 1, rc.top, 1, rc.Height(), br);
        rc.DeflateRect(1, 1);
    }
    m_state->a.bkColor = bk;
    if (flags & BF_ADJUST)
        *rect = rc;
    return TRUE;
}

void CDC::DrawFocusRect(LPCRECT rect) {
    if (!rect || rect->right <= rect->left || rect->bottom <= rect->top)
        return;
    const QRect r = m_state->Device(*rect);
    // Every other pixel of the one-pixel frame, counted from the top left corner.
    QRegion dots;
    for (int x = r.left(); x <= r.right(); x += 2) {
        dots += QRect(x, r.top(), 1, 1);
        if ((x - r.left() + r.height() - 1) % 2 == 0)
            dots += QRect(x, r.bottom(), 1, 1);
    }
    for (int y = r.top(); y <= r.bottom(); y += 2) {
        dots += QRect(r.left(), y, 1, 1);
        if ((y - r.top() + r.width() - 1) % 2 == 0)
            dots += QRect(r.right(), y, 1, 1);
    }
    m_state->Invert(dots);
}

void CDC::DrawDragRect(LPCRECT rect, SIZE size, LPCRECT lastRect, SIZE lastSize) {
    QRegion oldFrame, newFrame;
    if (lastRect)
        oldFrame = DcState::Frame(m_state->Device(*lastRect), lastSize.cx, lastSize.cy);
    if (rect)
        newFrame = DcState::Frame(m_state->Device(*rect), size.cx, size.cy);
    // Pixels in both frames stay as they are; the rest flip.
    m_state->Invert(oldFrame.xored(newFrame));
}

// ---- Pixels ----------------------------------------------------------------------------------

COLORREF CDC::SetPixel(int x, int y, COLORREF color) {
    QImage* img = m_state->Image();
    const QPoint d = QPoint(x, y) + m_state->a.origin;
    if (!img || !m_state->Visible().contains(d))
        return CLR_INVALID;
    img->setPixel(d, ToQColor(color).rgb());
    return color;
}

COLORREF CDC::GetPixel(int x, int y) const {
    QImage* img = m_state->Image();
    const QPoint d = QPoint(x, y) + m_state->a.origin;
    if (!img || !img->valid(d))
        return CLR_INVALID;
    return FromQRgb(img->pixel(d));
}

// ---- Text ------------------------------------------------------------------------------------

namespace {

QString ToQString(const char* text, int length) {
    if (!text)
        return QString();
    if (length < 0)
        length = static_cast<int>(std::strlen(text));
    return QString::fromUtf8(text, length);
}

// Removes the mnemonic marks: "&&" stands for "&", a single "&" is dropped.
QString StripPrefix(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('&')) {
            if (i + 1 < s.size() && s[i + 1] == QLatin1Char('&'))
                out += QLatin1Char('&');
            ++i;
            if (i < s.size() && s[i] != QLatin1Char('&'))
                out += s[i];
            continue;
        }
        out += s[i];
    }
    return out;
}

} // namespace

BOOL CDC::TextOut(int x, int y, const CString& text) {
    return TextOut(x, y, text.c_str(), text.GetLength());
}

BOOL CDC::TextOut(int x, int y, const char* text, int length) {
    const QString s = ToQString(text, length);
    const QFont font = m_state->Font();
    const QFontMetrics fm(font);
    const int width = fm.horizontalAdvance(s);
    const UINT align = m_state->a.textAlign;
    if (align & TA_UPDATECP) {
        x = m_state->a.position.x();
        y = m_state->a.position.y();
    }
    int left = x;
    if ((align & TA_CENTER) == TA_CENTER)
        left = x - width / 2;
    else if (align & TA_RIGHT)
        left = x - width;
    int top = y;
    if ((align & TA_BASELINE) == TA_BASELINE)
        top = y - fm.ascent();
    else if (align & TA_BOTTOM)
        top = y - fm.height();
    if (align & TA_UPDATECP)
        m_state->a.position.setX((align & TA_RIGHT) && (align & TA_CENTER) != TA_CENTER ? left
                                                                                        : left + width);
    QPainter p;
    if (!m_state->Begin(p))
        return TRUE;
    if (m_state->a.bkMode == OPAQUE)
        p.fillRect(QRect(left, top, width, fm.height()), ToQColor(m_state->a.bkColor));
    p.setFont(font);
    p.setPen(ToQColor(m_state->a.textColor));
    p.drawText(QPoint(left, top + fm.ascent()), s);
    return TRUE;
}

BOOL CDC::ExtTextOut(int x, int y, UINT options, LPCRECT rect, const CString& text, const int* /*dx*/) {
    if (rect && (options & ETO_OPAQUE)) {
        const COLORREF bk = m_state->a.bkColor;
        FillSolidRect(rect, bk);
    }
    if (rect && (options & ETO_CLIPPED)) {
        SaveDC();
        IntersectClipRect(rect);
        TextOut(x, y, text);
        RestoreDC(-1);
        return TRUE;
    }
    return TextOut(x, y, text);
}

int CDC::DrawText(const CString& text, LPRECT rect, UINT format) {
    return DrawText(text.c_str(), text.GetLength(), rect, format);
}

int CDC::DrawText(const char* text, int length, LPRECT rect, UINT format) {
    if (!rect)
        return 0;
    QString s = ToQString(text, length);
    if (!(format & DT_NOPREFIX))
        s = StripPrefix(s);
    if (format & DT_EXPANDTABS)
        s.replace(QLatin1Char('\t'), QStringLiteral("        "));
    const QFont font = m_state->Font();
    const QFontMetrics fm(font);
    CRect rc(*rect);

    if (format & DT_SINGLELINE) {
        s.replace(QLatin1Char('\r'), QString()).replace(QLatin1Char('\n'), QLatin1Char(' '));
        if (format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)) {
            const Qt::TextElideMode mode = (format & DT_PATH_ELLIPSIS) ? Qt::ElideMiddle : Qt::ElideRight;
            s = fm.elidedText(s, mode, std::max(0, rc.Width()));
        }
        const int width = fm.horizontalAdvance(s);
        const int height = fm.height();
        if (format & DT_CALCRECT) {
            rect->right = rect->left + width;
            rect->bottom = rect->top + height;
            return height;
        }
        int left = rc.left;
        if (format & DT_CENTER)
            left = rc.left + (rc.Width() - width) / 2;
        else if (format & DT_RIGHT)
            left = rc.right - width;
        int top = rc.top;
        if (format & DT_VCENTER)
            top = rc.top + (rc.Height() - height) / 2;
        else if (format & DT_BOTTOM)
            top = rc.bottom - height;
        QPainter p;
        if (!m_state->Begin(p))
            return height;
        if (!(format & DT_NOCLIP))
            p.setClipRect(ToQRect(rc), Qt::IntersectClip);
        if (m_state->a.bkMode == OPAQUE)
            p.fillRect(QRect(left, top, width, height), ToQColor(m_state->a.bkColor));
        p.setFont(font);
        p.setPen(ToQColor(m_state->a.textColor));
        p.drawText(QPoint(left, top + fm.ascent()), s);
        return height;
    }

    // Several lines: break at line ends, and at words when asked.
    int flags = Qt::AlignTop;
    flags |= (format & DT_CENTER) ? Qt::AlignHCenter : (format & DT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
    if (format & DT_WORDBREAK)
        flags |= Qt::TextWordWrap;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QRect bounds = fm.boundingRect(QRect(rc.left, rc.top, std::max(1, rc.Width()), 1 << 20), flags, s);
    const int height = bounds.height();
    if (format & DT_CALCRECT) {
        if (!(format & DT_WORDBREAK) || bounds.width() > rc.Width())
            rect->right = rect->left + bounds.width();
        rect->bottom = rect->top + height;
        return height;
    }
    QPainter p;
    if (!m_state->Begin(p))
        return height;
    if (!(format & DT_NOCLIP))
        p.setClipRect(ToQRect(rc), Qt::IntersectClip);
    if (m_state->a.bkMode == OPAQUE)
        p.fillRect(bounds, ToQColor(m_state->a.bkColor));
    p.setFont(font);
    p.setPen(ToQColor(m_state->a.textColor));
    p.drawText(QRect(rc.left, rc.top, std::max(1, rc.Width()), std::max(height, rc.Height())), flags, s);
    return height;
}

CSize CDC::GetTextExtent(const CString& text) const {
    return GetTextExtent(text.c_str(), text.GetLength());
}

CSize CDC::GetTextExtent(const char* text, int length) const {
    const QFontMetrics fm(m_state->Font());
    return CSize(fm.horizontalAdvance(ToQString(text, length)), fm.height());
}

BOOL CDC::GetTextMetrics(TEXTMETRIC* metrics) const {
    if (!metrics)
        return FALSE;
    const QFont font = m_state->Font();
    const QFontMetrics fm(font);
    metrics->tmHeight = fm.height();
    metrics->tmAscent = fm.ascent();
    metrics->tmDescent = fm.descent();
    metrics->tmInternalLeading = std::max(0, fm.height() - font.pixelSize());
    metrics->tmExternalLeading = std::max(0, fm.leading());
    metrics->tmAveCharWidth = fm.averageCharWidth();
    metrics->tmMaxCharWidth = fm.maxWidth();
    metrics->tmWeight = font.weight();
    return TRUE;
}

// ---- Bitmaps ---------------------------------------------------------------------------------

namespace {
QPainter::CompositionMode ModeOf(DWORD rop) {
    switch (rop) {
    case SRCAND:
        return QPainter::RasterOp_SourceAndDestination;
    case SRCPAINT:
        return QPainter::RasterOp_SourceOrDestination;
    case SRCINVERT:
        return QPainter::RasterOp_SourceXorDestination;
    case NOTSRCCOPY:
        return QPainter::RasterOp_NotSource;
    default:
        return QPainter::CompositionMode_Source;
    }
}
} // namespace

BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* source, int sx, int sy, DWORD rop) {
    if (!source)
        return PatBlt(x, y, width, height, rop);
    return StretchBlt(x, y, width, height, source, sx, sy, width, height, rop);
}

BOOL CDC::StretchBlt(int x, int y, int width, int height, CDC* source, int sx, int sy, int sw, int sh,
                     DWORD rop) {
    if (rop == DSTINVERT || rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY || rop == PATINVERT)
        return PatBlt(x, y, width, height, rop);
    if (!source || !source->HasTarget() || width <= 0 || height <= 0 || sw <= 0 || sh <= 0)
        return FALSE;
    // Copy the source part first: source and destination may be the same image.
    const QPoint so = source->m_state->a.origin;
    const QImage part = source->m_state->Image()->copy(QRect(sx + so.x(), sy + so.y(), sw, sh));
    QPainter p;
    if (!m_state->Begin(p))
        return FALSE;
    p.setCompositionMode(ModeOf(rop));
    if (sw == width && sh == height)
        p.drawImage(QPoint(x, y), part);
    else if (m_state->a.stretchMode == HALFTONE)
        p.drawImage(QPoint(x, y), part.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    else
        p.drawImage(QRect(x, y, width, height), part);
    return TRUE;
}

BOOL CDC::PatBlt(int x, int y, int width, int height, DWORD rop) {
    if (width <= 0 || height <= 0)
        return FALSE;
    const QRect r(x, y, width, height);
    if (rop == DSTINVERT) {
        m_state->Invert(QRegion(r.translated(m_state->a.origin)));
        return TRUE;
    }
    QPainter p;
    if (!m_state->Begin(p))
        return FALSE;
    switch (rop) {
    case BLACKNESS:
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(r, Qt::black);
        break;
    case WHITENESS:
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(r, Qt::white);
        break;
    case PATINVERT:
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.fillRect(r, m_state->Brush());
        break;
    default:
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(r, m_state->Brush());
        break;
    }
    return TRUE;
}

void CDC::DrawBitmap(const CBitmap& bitmap, int x, int y) {
    QPainter p;
    if (!bitmap.Data() || bitmap.Data()->image.isNull() || !m_state->Begin(p))
        return;
    p.drawImage(QPoint(x, y), bitmap.Data()->image);
}

// ---- Memory context --------------------------------------------------------------------------

CMemDC::CMemDC(CDC* target, LPCRECT rect) : m_target(target) {
    if (rect)
        m_rect = *rect;
    else if (target)
        target->GetClipBox(&m_rect);
    m_bitmap.CreateCompatibleBitmap(target, std::max(1, static_cast<int>(m_rect.Width())),
                                    std::max(1, static_cast<int>(m_rect.Height())));
    m_oldBitmap = SelectObject(&m_bitmap);
    // Logical coordinates stay those of the target; the off-screen picture starts as a copy.
    SetWindowOrg(m_rect.left, m_rect.top);
    if (target && target->HasTarget())
        BitBlt(m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), target, m_rect.left, m_rect.top,
               SRCCOPY);
    if (target) {
        SelectObject(target->GetCurrentFont());
        SetTextColor(target->GetTextColor());
        SetBkColor(target->GetBkColor());
    }
}

CMemDC::~CMemDC() {
    if (m_target && !m_rect.IsRectEmpty())
        m_target->BitBlt(m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), this, m_rect.left,
                         m_rect.top, SRCCOPY);
    SelectObject(m_oldBitmap);
}

// ---- Bitmap resources ------------------------------------------------------------------------

namespace {
struct BitmapResource {
    int width, height;
    vq::BitmapPainter painter;
};
std::map<UINT, BitmapResource>& BitmapResources() {
    static std::map<UINT, BitmapResource> resources;
    return resources;
}
} // namespace

void vq::RegisterBitmapResource(UINT id, int width, int height, BitmapPainter painter) {
    BitmapResources()[id] = BitmapResource{width, height, std::move(painter)};
}

bool vq::HasBitmapResource(UINT id) {
    return BitmapResources().count(id) != 0;
}

BOOL CBitmap::LoadBitmap(UINT resourceId) {
    auto it = BitmapResources().find(resourceId);
    if (it == BitmapResources().end())
        return FALSE;
    if (!CreateBitmap(it->second.width, it->second.height))
        return FALSE;
    m_data->image.fill(Qt::white);
    if (it->second.painter) {
        CDC dc(*this);
        it->second.painter(dc);
    }
    return TRUE;
}

// ---- Bridge to Qt images ---------------------------------------------------------------------

QImage vq::ToQImage(const CBitmap& bitmap) {
    return bitmap.Data() ? bitmap.Data()->image : QImage();
}

CBitmap vq::FromQImage(const QImage& image) {
    CBitmap bitmap;
    auto d = std::make_shared<GdiData>(GdiData::Bitmap);
    d->image = image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                       : image.convertToFormat(QImage::Format_RGB32);
    bitmap.SetData(std::move(d));
    return bitmap;
}

QImage* vq::TargetImage(CDC& dc) {
    return dc.State().Image();
}

// ---- Window pictures -------------------------------------------------------------------------

namespace {

// The picture of each window, by the window's serial number (an address may be reused by a later
// window; a serial number never is). Never destroyed, as the handler below: windows still open
// when the program exits are destroyed after the static objects made since the first picture.
std::map<std::uint64_t, std::shared_ptr<GdiData>>& Surfaces() {
    static auto* surfaces = new std::map<std::uint64_t, std::shared_ptr<GdiData>>();
    return *surfaces;
}

std::function<void(CWnd&)>& SurfaceChangedHandler() {
    static auto* handler = new std::function<void(CWnd&)>();
    return *handler;
}

COLORREF BackgroundOf(const CWnd& window) {
    return window.GetControlKind() == vq::ControlKind::Dialog ? GetSysColor(COLOR_BTNFACE)
                                                              : GetSysColor(COLOR_WINDOW);
}

// The window's picture at the size of its client area; a new picture (after a size change) starts
// in the window's background colour.
std::shared_ptr<GdiData> SurfaceOf(CWnd& window) {
    CRect client;
    window.GetClientRect(&client);
    const int width = std::max(1, client.Width());
    const int height = std::max(1, client.Height());
    auto& slot = Surfaces()[window.GetSerial()];
    if (!slot || slot->image.width() != width || slot->image.height() != height) {
        auto d = std::make_shared<GdiData>(GdiData::Bitmap);
        d->image = QImage(width, height, QImage::Format_RGB32);
        d->image.fill(ToQColor(BackgroundOf(window)));
        slot = std::move(d);
    }
    return slot;
}

} // namespace

CBitmap vq::WindowSurface(CWnd& window) {
    CBitmap bitmap;
    bitmap.SetData(SurfaceOf(window));
    return bitmap;
}

void vq::ReleaseWindowSurface(CWnd& window) {
    Surfaces().erase(window.GetSerial());
}

CBitmap vq::RenderWindow(CWnd& window) {
    vq::PaintWindow(window);
    return WindowSurface(window).Clone();
}

void vq::SetSurfaceChangedHandler(std::function<void(CWnd&)> handler) {
    SurfaceChangedHandler() = std::move(handler);
}

CPaintDC::CPaintDC(CWnd* window) : m_pWnd(window) {
    if (!window)
        return;
    CBitmap surface;
    surface.SetData(SurfaceOf(*window));
    AttachTarget(surface);
    // The background is erased first, in the window's colour; a window that erases its own
    // background (OnEraseBkgnd) paints over it.
    CRect client;
    window->GetClientRect(&client);
    FillSolidRect(&client, BackgroundOf(*window));
    SetBkColor(RGB(255, 255, 255));
    window->OnEraseBkgnd(this);
    m_painting = true;
}

CPaintDC::~CPaintDC() {
    if (m_pWnd && m_painting && SurfaceChangedHandler())
        SurfaceChangedHandler()(*m_pWnd);
}

CClientDC::CClientDC(CWnd* window) : m_pWnd(window) {
    if (!window)
        return;
    CBitmap surface;
    surface.SetData(SurfaceOf(*window));
    AttachTarget(surface);
}

CClientDC::~CClientDC() {
    if (m_pWnd && SurfaceChangedHandler())
        SurfaceChangedHandler()(*m_pWnd);
}
