#include "platform/ui/ImageList.h"

#include "platform/ui/ImageBridge.h"

#include <QPainter>

#include <algorithm>
#include <map>
#include <memory>

namespace {

QImage Cell(const QImage& source, int x, int width, int height) {
    return source.copy(x, 0, width, height).convertToFormat(QImage::Format_ARGB32);
}

// A cell whose pixels of the mask colour are transparent.
QImage Masked(QImage cell, COLORREF mask) {
    if (mask == CLR_NONE)
        return cell;
    const QRgb key = qRgb(GetRValue(mask), GetGValue(mask), GetBValue(mask));
    for (int y = 0; y < cell.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(cell.scanLine(y));
        for (int x = 0; x < cell.width(); ++x)
            if ((line[x] & 0x00FFFFFF) == (key & 0x00FFFFFF))
                line[x] = 0;
    }
    return cell;
}

QColor ToQColor(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

} // namespace

CImageList::CImageList() = default;
CImageList::~CImageList() = default;

void CImageList::Changed() {
    ++m_version;
}

BOOL CImageList::Create(int cx, int cy, UINT flags, int /*initial*/, int /*grow*/) {
    if (cx <= 0 || cy <= 0)
        return FALSE;
    m_created = true;
    m_size = CSize(cx, cy);
    m_flags = flags;
    m_images.clear();
    Changed();
    return TRUE;
}

BOOL CImageList::Create(UINT bitmapId, int cx, int grow, COLORREF mask) {
    CBitmap bitmap;
    const bool loaded = bitmap.LoadBitmap(bitmapId) != FALSE;
    const int cy = loaded ? bitmap.Height() : cx;
    if (!Create(cx, cy, ILC_COLOR24 | ILC_MASK, 0, grow))
        return FALSE;
    if (!loaded)
        return FALSE;
    Add(&bitmap, mask);
    return TRUE;
}

BOOL CImageList::DeleteImageList() {
    if (!m_created)
        return FALSE;
    m_created = false;
    m_images.clear();
    Changed();
    return TRUE;
}

int CImageList::AddCells(const CBitmap& bitmap, COLORREF mask, const CBitmap* maskBitmap) {
    const QImage source = vq::ToQImage(bitmap);
    if (!m_created || source.isNull() || source.width() < m_size.cx)
        return -1;
    const QImage maskImage = maskBitmap ? vq::ToQImage(*maskBitmap) : QImage();
    const int first = GetImageCount();
    const int height = std::min(static_cast<int>(m_size.cy), source.height());
    for (int x = 0; x + m_size.cx <= source.width(); x += m_size.cx) {
        QImage cell(m_size.cx, m_size.cy, QImage::Format_ARGB32);
        cell.fill(Qt::transparent);
        QImage part = Masked(Cell(source, x, m_size.cx, height), mask);
        if (!maskImage.isNull()) {
            for (int py = 0; py < height && py < maskImage.height(); ++py)
                for (int px = 0; px < m_size.cx && x + px < maskImage.width(); ++px)
                    if ((maskImage.pixel(x + px, py) & 0x00FFFFFF) != 0)
                        part.setPixel(px, py, 0);
        }
        QPainter p(&cell);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(0, 0, part);
        p.end();
        m_images.push_back(vq::FromQImage(cell));
    }
    Changed();
    return first;
}

int CImageList::Add(CBitmap* bitmap, COLORREF mask) {
    return bitmap ? AddCells(*bitmap, mask, nullptr) : -1;
}

int CImageList::Add(CBitmap* bitmap, CBitmap* mask) {
    return bitmap ? AddCells(*bitmap, CLR_NONE, mask) : -1;
}

int CImageList::Add(HICON icon) {
    if (!m_created || !icon || !icon->GetSafeHandle())
        return -1;
    QImage image = vq::ToQImage(*icon).convertToFormat(QImage::Format_ARGB32);
    if (image.width() != m_size.cx || image.height() != m_size.cy)
        image = image.scaled(m_size.cx, m_size.cy, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    m_images.push_back(vq::FromQImage(image));
    Changed();
    return GetImageCount() - 1;
}

BOOL CImageList::Replace(int index, CBitmap* bitmap, CBitmap* mask) {
    if (index < 0 || index >= GetImageCount() || !bitmap)
        return FALSE;
    CImageList one;
    one.Create(m_size.cx, m_size.cy, m_flags, 1, 0);
    if (one.AddCells(*bitmap, CLR_NONE, mask) < 0)
        return FALSE;
    m_images[static_cast<std::size_t>(index)] = one.m_images.front();
    Changed();
    return TRUE;
}

int CImageList::Replace(int index, HICON icon) {
    if (index == -1)
        return Add(icon);
    if (index < 0 || index >= GetImageCount())
        return -1;
    CImageList one;
    one.Create(m_size.cx, m_size.cy, m_flags, 1, 0);
    if (one.Add(icon) < 0)
        return -1;
    m_images[static_cast<std::size_t>(index)] = one.m_images.front();
    Changed();
    return index;
}

BOOL CImageList::Remove(int index) {
    if (index == -1) {
        m_images.clear();
        Changed();
        return TRUE;
    }
    if (index < 0 || index >= GetImageCount())
        return FALSE;
    m_images.erase(m_images.begin() + index);
    Changed();
    return TRUE;
}

BOOL CImageList::SetImageCount(int count) {
    if (!m_created || count < 0)
        return FALSE;
    while (GetImageCount() > count)
        m_images.pop_back();
    while (GetImageCount() < count) {
        QImage blank(m_size.cx, m_size.cy, QImage::Format_ARGB32);
        blank.fill(Qt::transparent);
        m_images.push_back(vq::FromQImage(blank));
    }
    Changed();
    return TRUE;
}

BOOL CImageList::GetImageInfo(int index, IMAGEINFO* info) const {
    if (!info || index < 0 || index >= GetImageCount())
        return FALSE;
    info->rcImage = CRect(index * m_size.cx, 0, (index + 1) * m_size.cx, m_size.cy);
    return TRUE;
}

COLORREF CImageList::SetBkColor(COLORREF color) {
    const COLORREF old = m_bkColor;
    m_bkColor = color;
    Changed();
    return old;
}

CBitmap CImageList::GetImage(int index, UINT style) const {
    if (index < 0 || index >= GetImageCount())
        return CBitmap();
    QImage image =
        vq::ToQImage(m_images[static_cast<std::size_t>(index)]).convertToFormat(QImage::Format_ARGB32);
    if (style & ILD_MASK) {
        // The mask: black where the image is, white where it is transparent.
        QImage mask(image.size(), QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                mask.setPixel(x, y, qAlpha(image.pixel(x, y)) == 0 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        return vq::FromQImage(mask);
    }
    if (style & (ILD_BLEND50 | ILD_BLEND25)) {
        const QColor highlight = ToQColor(GetSysColor(COLOR_HIGHLIGHT));
        const int share = (style & ILD_BLEND50) ? 50 : 25;
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = line[x];
                if (qAlpha(c) == 0)
                    continue;
                auto mix = [&](int own, int other) { return (own * (100 - share) + other * share) / 100; };
                line[x] = qRgba(mix(qRed(c), highlight.red()), mix(qGreen(c), highlight.green()),
                                mix(qBlue(c), highlight.blue()), qAlpha(c));
            }
        }
    }
    if (!(style & ILD_TRANSPARENT) && m_bkColor != CLR_NONE) {
        QImage filled(image.size(), QImage::Format_ARGB32);
        filled.fill(ToQColor(m_bkColor));
        QPainter p(&filled);
        p.drawImage(0, 0, image);
        p.end();
        image = filled;
    }
    return vq::FromQImage(image);
}

BOOL CImageList::Draw(CDC* dc, int index, POINT point, UINT style) const {
    if (!dc || index < 0 || index >= GetImageCount())
        return FALSE;
    dc->DrawBitmap(GetImage(index, style), point.x, point.y);
    return TRUE;
}

// ---- Icon resources --------------------------------------------------------------------------

namespace {
struct IconResource {
    int width = 0, height = 0;
    vq::BitmapPainter painter;
    COLORREF transparent = CLR_NONE;
    std::unique_ptr<CBitmap> icon; // drawn on first use, kept for the program's life
};
std::map<UINT, IconResource>& IconResources() {
    static std::map<UINT, IconResource> resources;
    return resources;
}
} // namespace

void vq::RegisterIconResource(UINT id, int width, int height, BitmapPainter painter, COLORREF transparent) {
    IconResource& r = IconResources()[id];
    r.width = width;
    r.height = height;
    r.painter = std::move(painter);
    r.transparent = transparent;
    r.icon.reset();
}

HICON vq::LoadIconResource(UINT id) {
    auto it = IconResources().find(id);
    if (it == IconResources().end() || it->second.width <= 0 || it->second.height <= 0)
        return nullptr;
    IconResource& r = it->second;
    if (!r.icon) {
        CBitmap canvas;
        canvas.CreateBitmap(r.width, r.height);
        {
            CDC dc(canvas);
            dc.FillSolidRect(0, 0, r.width, r.height,
                             r.transparent == CLR_NONE ? RGB(255, 255, 255) : r.transparent);
            if (r.painter)
                r.painter(dc);
        }
        r.icon = std::make_unique<CBitmap>(vq::FromQImage(
            Masked(vq::ToQImage(canvas).convertToFormat(QImage::Format_ARGB32), r.transparent)));
    }
    return r.icon.get();
}
