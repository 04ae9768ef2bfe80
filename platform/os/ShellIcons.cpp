#include "platform/os/ShellIcons.h"

#include "platform/ui/ImageList.h"

#include <functional>
#include <map>

namespace vq {

namespace {

constexpr COLORREF kMask = RGB(255, 0, 255);

struct ShellIcons {
    CImageList small;
    CImageList large;
    std::map<CString, int> byType; // lower-case extension (or a marker) -> index
    ShellIcons() {
        small.Create(16, 16, ILC_COLOR32 | ILC_MASK, 8, 8);
        large.Create(32, 32, ILC_COLOR32 | ILC_MASK, 8, 8);
    }
};

ShellIcons& Icons() {
    static ShellIcons icons;
    return icons;
}

// A colour of its own for each extension, so that types tell apart at a glance.
COLORREF TypeColor(const CString& ext) {
    static const COLORREF palette[] = {RGB(0, 102, 204),   RGB(204, 51, 0),  RGB(0, 140, 70),
                                       RGB(153, 51, 153),  RGB(204, 136, 0), RGB(0, 128, 128),
                                       RGB(102, 102, 153), RGB(170, 0, 68)};
    const std::size_t hash = std::hash<std::string>()(ext.str());
    return palette[hash % (sizeof palette / sizeof palette[0])];
}

// A sheet of paper with a folded corner; a band in the type's colour with its first letters.
void DrawDocument(CDC& dc, int size, const CString& ext) {
    const int s = size;
    dc.FillSolidRect(0, 0, s, s, kMask);
    CPen outline(PS_SOLID, 1, RGB(96, 96, 96));
    CBrush paper(RGB(255, 255, 255));
    CPen* oldPen = dc.SelectObject(&outline);
    CBrush* oldBrush = dc.SelectObject(&paper);
    const int fold = s / 4;
    const POINT sheet[] = {
        {s / 8, 0}, {s - s / 8 - fold, 0}, {s - s / 8 - 1, fold}, {s - s / 8 - 1, s - 1}, {s / 8, s - 1}};
    dc.Polygon(sheet, 5);
    dc.MoveTo(s - s / 8 - fold, 0);
    dc.LineTo(s - s / 8 - fold, fold);
    dc.LineTo(s - s / 8, fold);
    if (!ext.IsEmpty()) {
        const COLORREF color = TypeColor(ext);
        const CRect band(0, s / 2 - (s >= 32 ? 2 : 0), s - s / 8, s / 2 + s / 3);
        dc.FillSolidRect(&band, color);
        if (s >= 32) {
            CFont font;
            font.CreateFont(-11, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Arial");
            CFont* oldFont = dc.SelectObject(&font);
            dc.SetBkMode(TRANSPARENT);
            dc.SetTextColor(RGB(255, 255, 255));
            CString letters = ext.Left(3);
            letters.MakeUpper();
            CRect text = band;
            dc.DrawText(letters, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            dc.SelectObject(oldFont);
        }
    } else {
        // The generic file: a few grey lines of text.
        CPen line(PS_SOLID, 1, RGB(160, 160, 160));
        dc.SelectObject(&line);
        for (int y = s / 3; y < s - s / 6; y += std::max(2, s / 8)) {
            dc.MoveTo(s / 4, y);
            dc.LineTo(s - s / 4, y);
        }
        dc.SelectObject(&outline);
    }
    dc.SelectObject(oldPen);
    dc.SelectObject(oldBrush);
}

void DrawFolder(CDC& dc, int size, bool open) {
    const int s = size;
    dc.FillSolidRect(0, 0, s, s, kMask);
    CPen outline(PS_SOLID, 1, RGB(150, 110, 20));
    CBrush back(RGB(230, 180, 60));
    CBrush front(open ? RGB(255, 220, 120) : RGB(250, 200, 80));
    CPen* oldPen = dc.SelectObject(&outline);
    CBrush* oldBrush = dc.SelectObject(&back);
    dc.Rectangle(0, s / 5, s / 2, s / 5 + s / 6);
    dc.Rectangle(0, s / 5 + s / 8, s, s - s / 8);
    dc.SelectObject(&front);
    if (open) {
        const POINT flap[] = {
            {s / 6, s / 5 + s / 4}, {s - 1, s / 5 + s / 4}, {s - s / 6, s - s / 8}, {0, s - s / 8}};
        dc.Polygon(flap, 4);
    }
    dc.SelectObject(oldPen);
    dc.SelectObject(oldBrush);
}

int AddIcon(const CString& key, const std::function<void(CDC&, int)>& draw) {
    ShellIcons& icons = Icons();
    auto found = icons.byType.find(key);
    if (found != icons.byType.end())
        return found->second;
    int index = -1;
    for (int size : {16, 32}) {
        CBitmap bitmap;
        bitmap.CreateBitmap(size, size);
        {
            CDC dc(bitmap);
            draw(dc, size);
        }
        index = (size == 16 ? icons.small : icons.large).Add(&bitmap, kMask);
    }
    icons.byType[key] = index;
    return index;
}

} // namespace

CImageList* ShellIconList(bool small) {
    return small ? &Icons().small : &Icons().large;
}

int ShellIconIndex(const CString& fileName, bool open) {
    const bool folder = !fileName.IsEmpty() && (fileName.Right(1) == "/" || fileName.Right(1) == "\\");
    if (folder)
        return AddIcon(open ? "<open folder>" : "<folder>",
                       [open](CDC& dc, int size) { DrawFolder(dc, size, open); });
    const int slash = std::max(fileName.ReverseFind('/'), fileName.ReverseFind('\\'));
    const CString name = fileName.Mid(slash + 1);
    const int dot = name.ReverseFind('.');
    CString ext = dot < 0 ? CString() : name.Mid(dot + 1);
    ext.MakeLower();
    if (ext.IsEmpty())
        return AddIcon("<file>", [](CDC& dc, int size) { DrawDocument(dc, size, CString()); });
    return AddIcon("." + ext, [ext](CDC& dc, int size) { DrawDocument(dc, size, ext); });
}

} // namespace vq
