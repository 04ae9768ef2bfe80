// The bitmaps and icons the dialogs name by resource number, drawn anew: sort arrows of list
// headers, node images of trees, row icons of lists and the review-step faces. Each strip keeps
// the cell size, order and transparent colour the dialogs expect of it.
#include "platform/ui/DC.h"
#include "platform/ui/ImageList.h"

namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);

void Triangle(CDC& dc, POINT a, POINT b, POINT c, COLORREF color) {
    CPen pen(PS_SOLID, 1, color);
    CBrush brush(color);
    CPen* oldPen = dc.SelectObject(&pen);
    CBrush* oldBrush = dc.SelectObject(&brush);
    const POINT points[] = {a, b, c};
    dc.Polygon(points, 3);
    dc.SelectObject(oldPen);
    dc.SelectObject(oldBrush);
}

// A sheet of paper with a folded corner and a few lines of text.
void Document(CDC& dc, int x, int y, COLORREF accent) {
    CPen outline(PS_SOLID, 1, RGB(90, 90, 90));
    CBrush paper(RGB(255, 255, 255));
    CPen* oldPen = dc.SelectObject(&outline);
    CBrush* oldBrush = dc.SelectObject(&paper);
    const POINT sheet[] = {
        {x + 3, y + 1}, {x + 10, y + 1}, {x + 13, y + 4}, {x + 13, y + 14}, {x + 3, y + 14}};
    dc.Polygon(sheet, 5);
    dc.SelectObject(oldPen);
    dc.SelectObject(oldBrush);
    for (int line = 0; line < 3; ++line)
        dc.FillSolidRect(x + 5, y + 6 + line * 2 + line, 6, 1, accent);
}

// A folder in the given colour.
void Folder(CDC& dc, int x, int y, COLORREF color) {
    dc.FillSolidRect(x + 1, y + 3, 6, 2, color);
    dc.FillSolidRect(x + 1, y + 5, 14, 9, color);
    dc.Draw3dRect(x + 1, y + 5, 14, 9, RGB(255, 255, 255), RGB(90, 90, 90));
}

// A gear-like round mark (a task).
void Task(CDC& dc, int x, int y, COLORREF color) {
    CPen pen(PS_SOLID, 1, RGB(60, 60, 60));
    CBrush brush(color);
    CPen* oldPen = dc.SelectObject(&pen);
    CBrush* oldBrush = dc.SelectObject(&brush);
    dc.Ellipse(x + 2, y + 2, x + 14, y + 14);
    dc.SelectObject(oldPen);
    dc.SelectObject(oldBrush);
    dc.FillSolidRect(x + 6, y + 6, 4, 4, RGB(255, 255, 255));
}

// Tree node images in pairs: image 2k as the node, 2k + 1 the same node while selected (a
// highlight frame around it), on magenta.
void NodeStrip(CDC& dc) {
    const int pairs = 12;
    dc.FillSolidRect(0, 0, pairs * 2 * 16, 16, kMagenta);
    const COLORREF colors[] = {RGB(0, 120, 215),  RGB(230, 160, 0), RGB(0, 150, 80),   RGB(200, 60, 60),
                               RGB(120, 80, 200), RGB(0, 160, 160), RGB(150, 110, 60), RGB(90, 90, 90),
                               RGB(220, 100, 0),  RGB(60, 130, 60), RGB(0, 90, 160),   RGB(170, 0, 120)};
    for (int k = 0; k < pairs; ++k) {
        for (int selected = 0; selected < 2; ++selected) {
            const int x = (2 * k + selected) * 16;
            switch (k % 3) {
            case 0:
                Folder(dc, x, 0, colors[k]);
                break;
            case 1:
                Task(dc, x, 0, colors[k]);
                break;
            default:
                Document(dc, x, 0, colors[k]);
                break;
            }
            if (selected) {
                CBrush frame(RGB(0, 0, 128));
                CRect r(x, 0, x + 16, 16);
                dc.FrameRect(&r, &frame);
            }
        }
    }
}

// Sort arrows on black (the transparent colour): 0 ascending (pointing up), 1 descending.
void SortArrows(CDC& dc) {
    dc.FillSolidRect(0, 0, 32, 16, RGB(0, 0, 0));
    Triangle(dc, {8, 5}, {4, 10}, {12, 10}, RGB(128, 128, 128));
    Triangle(dc, {20, 6}, {28, 6}, {24, 11}, RGB(128, 128, 128));
}

// A person, 19 pixels wide, on the light green transparent colour.
void Users(CDC& dc) {
    const COLORREF background = RGB(0xC0, 0xFF, 0xC0);
    dc.FillSolidRect(0, 0, 38, 16, background);
    for (int i = 0; i < 2; ++i) {
        const int x = i * 19;
        const COLORREF body = i == 0 ? RGB(0, 100, 200) : RGB(200, 120, 0);
        CPen pen(PS_SOLID, 1, RGB(60, 60, 60));
        CBrush head(RGB(250, 210, 170));
        CBrush coat(body);
        CPen* oldPen = dc.SelectObject(&pen);
        CBrush* oldBrush = dc.SelectObject(&head);
        dc.Ellipse(x + 6, 1, x + 13, 8);
        dc.SelectObject(&coat);
        dc.Pie(x + 3, 8, x + 16, 21, x + 16, 14, x + 3, 14);
        dc.SelectObject(oldPen);
        dc.SelectObject(oldBrush);
    }
}

// Review steps: 0 a plain step, 1 a frowning face (not passed), 2 a smiling face (passed).
void StepFaces(CDC& dc) {
    dc.FillSolidRect(0, 0, 48, 16, kMagenta);
    Task(dc, 0, 0, RGB(0, 120, 215));
    for (int i = 1; i < 3; ++i) {
        const int x = i * 16;
        CPen pen(PS_SOLID, 1, RGB(0, 0, 0));
        CBrush face(i == 1 ? RGB(255, 120, 120) : RGB(255, 220, 0));
        CPen* oldPen = dc.SelectObject(&pen);
        CBrush* oldBrush = dc.SelectObject(&face);
        dc.Ellipse(x + 1, 1, x + 15, 15);
        dc.SelectObject(oldPen);
        dc.SelectObject(oldBrush);
        dc.FillSolidRect(x + 5, 5, 2, 2, RGB(0, 0, 0));
        dc.FillSolidRect(x + 9, 5, 2, 2, RGB(0, 0, 0));
        if (i == 1) { // the mouth turns down
            dc.FillSolidRect(x + 5, 10, 6, 1, RGB(0, 0, 0));
            dc.SetPixel(x + 4, 11, RGB(0, 0, 0));
            dc.SetPixel(x + 11, 11, RGB(0, 0, 0));
        } else { // the mouth turns up
            dc.FillSolidRect(x + 5, 11, 6, 1, RGB(0, 0, 0));
            dc.SetPixel(x + 4, 10, RGB(0, 0, 0));
            dc.SetPixel(x + 11, 10, RGB(0, 0, 0));
        }
    }
}

[[maybe_unused]] const bool kRegistered = [] {
    // Node images of the trees (projects, tasks, parts, versions, members).
    for (UINT id : {130u, 132u, 348u})
        vq::RegisterBitmapResource(id, 12 * 2 * 16, 16, NodeStrip);
    vq::RegisterBitmapResource(344, 32, 16, SortArrows);
    vq::RegisterBitmapResource(160, 38, 16, Users);
    vq::RegisterBitmapResource(182, 48, 16, StepFaces);
    // Row icons of lists: documents (148), products (158) and parts (6007).
    vq::RegisterIconResource(
        148, 16, 16, [](CDC& dc) { Document(dc, 0, 0, RGB(0, 120, 215)); }, kMagenta);
    vq::RegisterIconResource(
        158, 16, 16, [](CDC& dc) { Folder(dc, 0, 0, RGB(230, 160, 0)); }, kMagenta);
    vq::RegisterIconResource(
        6007, 16, 16, [](CDC& dc) { Task(dc, 0, 0, RGB(0, 150, 80)); }, kMagenta);
    // Row icon of departments (166).
    vq::RegisterIconResource(
        166, 16, 16, [](CDC& dc) { Folder(dc, 0, 0, RGB(60, 140, 200)); }, kMagenta);
    // Row icon of stored versions of documents (185).
    vq::RegisterIconResource(
        185, 16, 16, [](CDC& dc) { Document(dc, 0, 0, RGB(150, 80, 160)); }, kMagenta);
    return true;
}();

} // namespace
