#include "projects/FlowView.h"

#include "controls/AuditManagerDlg.h"
#include "controls/InputStringDlg.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/db/SqlText.h"
#include "platform/ui/Menu.h"
#include "projects/AuditTaskPropDlg.h"
#include "projects/SelectProjectTeamerDlg.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

const char* const kFlowKindTemplate = "评审管理";
const char* const kFlowKindAssign = "评审设计";
const char* const kFlowKindTask = "流程设计";
const char* const kFlowLinkSeparator = "->*<-";

namespace {

const char* const kSection = "设计过程管理配置";
constexpr int kShadow = 3;
constexpr UINT kMenuFirst = 1;  // "增加" or "关联"; "退出"; "删除..."
constexpr UINT kMenuSecond = 2; // "整体平移"

CString LinkText(const CString& from, const CString& to) {
    return from + kFlowLinkSeparator + to;
}

bool HoldsMark(const CString& name, const char* mark) {
    CString upper = name;
    upper.MakeUpper();
    return upper.Find(mark) >= 0;
}

// The task number of a task id: a work id ("task#001") up to its first "#" after the first
// character; a project task number as it is.
CString TaskNumberOf(const CString& taskId) {
    const int hash = taskId.Find('#');
    return hash > 0 ? taskId.Left(hash) : taskId;
}

} // namespace

BEGIN_MESSAGE_MAP(CFlowView, CWnd)
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_RBUTTONDOWN()
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

CFlowView::CFlowView() = default;

CFlowView::~CFlowView() {
    RemoveAllNodes();
    m_arrLinks.RemoveAll();
}

void CFlowView::RemoveAllNodes() {
    m_pNodeInHand = nullptr;
    m_pLinkTarget = nullptr;
    m_bDragging = 0;
    m_bLinkStarted = 0;
    for (CObject* node : m_arrNodes)
        delete node;
    m_arrNodes.RemoveAll();
}

CFlowNode* CFlowView::GetNode(int index) const {
    if (index < 0 || index >= m_arrNodes.GetSize())
        return nullptr;
    return static_cast<CFlowNode*>(m_arrNodes[index]);
}

void CFlowView::StartAddMode() {
    m_bAddMode = 1;
    m_bLinkMode = 0;
    m_bLinkStarted = 0;
    m_bMoveAll = 0;
}

void CFlowView::StartLinkMode() {
    m_bLinkMode = 1;
    m_bAddMode = 0;
    m_bLinkStarted = 0;
    m_bMoveAll = 0;
}

void CFlowView::StartMoveAll() {
    SetCapture();
    m_bMoveAll = 1;
}

CPoint CFlowView::SnapToGrid(CPoint point) const {
    if (!m_bSnapGrid || m_nCols <= 0 || m_nRows <= 0)
        return point;
    CRect client;
    GetClientRect(&client);
    const int cellWidth = client.Width() / m_nCols;
    const int cellHeight = client.Height() / m_nRows;
    // A window smaller than its grid has no cells to snap to.
    if (cellWidth <= 0 || cellHeight <= 0)
        return point;
    return CPoint(cellWidth * static_cast<int>(static_cast<double>(point.x) / cellWidth + 0.5),
                  cellHeight * static_cast<int>(static_cast<double>(point.y) / cellHeight + 0.5));
}

int CFlowView::HasNode(const CString& name) const {
    return FindNode(name) ? 1 : 0;
}

CFlowNode* CFlowView::FindNode(const CString& name) const {
    for (int i = 0; i < GetNodeCount(); ++i)
        if (GetNode(i)->m_strName.CompareNoCase(name) == 0)
            return GetNode(i);
    return nullptr;
}

CFlowNode* CFlowView::NodeAt(CPoint point) const {
    for (int i = 0; i < GetNodeCount(); ++i)
        if (GetNode(i)->GetBox().PtInRect(point))
            return GetNode(i);
    return nullptr;
}

bool CFlowView::HasLink(const CString& from, const CString& to) const {
    const CString forward = LinkText(from, to);
    const CString backward = LinkText(to, from);
    for (const CString& link : m_arrLinks)
        if (link.CompareNoCase(forward) == 0 || link.CompareNoCase(backward) == 0)
            return true;
    return false;
}

// --- Links and geometry ----------------------------------------------------------------------

void CFlowView::BuildRowLinks() {
    std::stable_sort(m_arrNodes.begin(), m_arrNodes.end(), [](CObject* a, CObject* b) {
        return static_cast<CFlowNode*>(a)->m_nTop < static_cast<CFlowNode*>(b)->m_nTop;
    });
    const int count = GetNodeCount();
    for (int i = 0; i < count; ++i) {
        const CFlowNode& from = *GetNode(i);
        int j = i + 1;
        while (j < count && GetNode(j)->m_nTop == from.m_nTop)
            ++j;
        if (j == count)
            continue;
        const int nextTop = GetNode(j)->m_nTop;
        for (; j < count && GetNode(j)->m_nTop == nextTop; ++j)
            m_arrLinks.Add(LinkText(from.m_strName, GetNode(j)->m_strName));
    }
}

bool CFlowView::ArrowPoints(const CRect& a, const CRect& b, CPoint& start, CPoint& end, CPoint& head1,
                            CPoint& head2) {
    const CPoint ca((a.left + a.right) / 2, (a.top + a.bottom) / 2);
    const CPoint cb((b.left + b.right) / 2, (b.top + b.bottom) / 2);
    const int dx = cb.x - ca.x;
    const int dy = cb.y - ca.y;
    if (dx == 0 && dy == 0)
        return false;
    if (dx == 0 || std::abs(dy / dx) >= 1) {
        if (dy < 0) {
            start = CPoint(ca.x, a.top);
            end = CPoint(cb.x, b.bottom);
        } else {
            start = CPoint(ca.x, a.bottom);
            end = CPoint(cb.x, b.top);
        }
    } else if (dx < 0) {
        start = CPoint(a.left, ca.y);
        end = CPoint(b.right, cb.y);
    } else {
        start = CPoint(a.right, ca.y);
        end = CPoint(b.left, cb.y);
    }
    return ArrowHead(start, end, head1, head2);
}

bool CFlowView::ArrowHead(const CPoint& start, const CPoint& end, CPoint& head1, CPoint& head2) {
    const int vx = end.x - start.x;
    const int vy = end.y - start.y;
    const int len = static_cast<int>(std::sqrt(static_cast<double>(vx) * vx + static_cast<double>(vy) * vy));
    if (len == 0)
        return false;
    head1 = CPoint(end.x - 9 * (vx + vy / 3) / len, end.y - 9 * (vy - vx / 3) / len);
    head2 = CPoint(end.x - 9 * (vx - vy / 3) / len, end.y - 9 * (vy + vx / 3) / len);
    return true;
}

void CFlowView::LayOutNodes(CDC* dc) {
    CGdiObject* oldFont = dc->SelectStockObject(SYSTEM_FONT);
    for (int i = 0; i < GetNodeCount(); ++i) {
        CFlowNode& node = *GetNode(i);
        const CSize extent = dc->GetTextExtent(node.m_strName);
        const CPoint at = SnapToGrid(CPoint(node.m_nLeft, node.m_nTop));
        node.m_nLeft = at.x;
        node.m_nTop = at.y;
        node.m_nRight = node.m_nLeft + extent.cx + 13;
        node.m_nBottom = node.m_nTop + extent.cy + 13;
        if (i == 0) {
            m_rcBounds = node.GetBox();
        } else {
            m_rcBounds.left = std::min(static_cast<int>(m_rcBounds.left), node.m_nLeft);
            m_rcBounds.top = std::min(static_cast<int>(m_rcBounds.top), node.m_nTop);
            m_rcBounds.right = std::max(static_cast<int>(m_rcBounds.right), node.m_nRight + kShadow);
            m_rcBounds.bottom = std::max(static_cast<int>(m_rcBounds.bottom), node.m_nBottom + kShadow);
        }
    }
    if (oldFont)
        dc->SelectObject(static_cast<CFont*>(oldFont));
}

// --- Painting --------------------------------------------------------------------------------

void CFlowView::OnPaint() {
    CPaintDC dc(this);
    DrawChart(dc);
    DrawGrid(dc);
}

// The chart is drawn whole in OnPaint, background included, so the erase has nothing to do.
BOOL CFlowView::OnEraseBkgnd(void*) {
    return TRUE;
}

void CFlowView::DrawChart(CDC& dc) {
    CRect clip;
    dc.GetClipBox(&clip);
    dc.FillSolidRect(&clip, GetSysColor(COLOR_WINDOW));
    if (m_strKind == kFlowKindTemplate || m_strKind == kFlowKindAssign) {
        m_arrLinks.RemoveAll();
        if (m_strStyle == "混合")
            BuildRowLinks();
    }
    LayOutNodes(&dc);
    CGdiObject* oldFont = dc.SelectStockObject(SYSTEM_FONT);
    CPen shadow(PS_SOLID, 3, RGB(0, 0, 0));
    const bool showAuditor = m_strKind == kFlowKindAssign || m_strKind == kFlowKindTask;
    dc.SetBkMode(TRANSPARENT);
    for (int i = 0; i < GetNodeCount(); ++i) {
        const CFlowNode& node = *GetNode(i);
        const CSize extent = dc.GetTextExtent(node.m_strName);
        const int right = node.m_nLeft + extent.cx + 10;
        const int bottom = node.m_nTop + extent.cy + 10;
        dc.Rectangle(node.m_nLeft, node.m_nTop, right, bottom);
        CPen* oldPen = dc.SelectObject(&shadow);
        dc.MoveTo(node.m_nLeft + 2, bottom);
        dc.LineTo(right, bottom);
        dc.MoveTo(right, node.m_nTop + 2);
        dc.LineTo(right, bottom);
        dc.SelectObject(oldPen);
        dc.TextOut(node.m_nLeft + 5, node.m_nTop + 5, node.m_strName);
        if (showAuditor)
            dc.TextOut(node.m_nLeft + extent.cx + 15, node.m_nTop + 5, "(" + node.m_strAuditor + ")");
    }
    if (oldFont)
        dc.SelectObject(static_cast<CFont*>(oldFont));
    for (const CString& link : m_arrLinks) {
        const int at = link.Find(kFlowLinkSeparator);
        if (at < 0)
            continue;
        const CFlowNode* from = FindNode(link.Left(at));
        const CFlowNode* to = FindNode(link.Mid(at + static_cast<int>(std::strlen(kFlowLinkSeparator))));
        if (from && to)
            DrawArrow(dc, *from, *to);
    }
}

void CFlowView::DrawGrid(CDC& dc) {
    if (!m_bShowGrid || m_nCols <= 0 || m_nRows <= 0)
        return;
    CRect client;
    GetClientRect(&client);
    const int cellWidth = client.Width() / m_nCols;
    const int cellHeight = client.Height() / m_nRows;
    if (cellWidth <= 0 || cellHeight <= 0)
        return;
    CPen pen(m_bDotGrid ? PS_DOT : PS_SOLID, 1, RGB(0, 0, 0));
    CPen* oldPen = dc.SelectObject(&pen);
    for (int k = 1; k <= m_nCols; ++k) {
        const int x = k * cellWidth - 1;
        if (x + 1 >= client.Width())
            break;
        dc.MoveTo(x, client.top);
        dc.LineTo(x, client.bottom);
    }
    for (int k = 1; k < m_nRows; ++k) {
        const int y = client.top + k * cellHeight;
        dc.MoveTo(0, y);
        dc.LineTo(client.right, y);
    }
    dc.SelectObject(oldPen);
}

// The space a node takes in the chart: its box, and the reviewer's name beside it where the chart
// shows reviewers, so that no arrow runs over the name or ends on it.
CRect CFlowView::ArrowBox(CDC& dc, const CFlowNode& node) const {
    CRect box = node.GetBox();
    if (m_strKind == kFlowKindAssign || m_strKind == kFlowKindTask) {
        const CSize name = dc.GetTextExtent(node.m_strName);
        const CSize auditor = dc.GetTextExtent("(" + node.m_strAuditor + ")");
        box.right = std::max(static_cast<int>(box.right), node.m_nLeft + name.cx + 15 + auditor.cx + 2);
    }
    return box;
}

void CFlowView::DrawArrow(CDC& dc, const CFlowNode& from, const CFlowNode& to) {
    CPoint start, end, head1, head2;
    const CRect a = from.GetBox(), b = to.GetBox();
    if (!ArrowPoints(a, b, start, end, head1, head2))
        return;
    // An arrow that leaves or enters a box on its right side starts or ends beyond the reviewer's
    // name there; where that would turn it round, it joins the boxes at their top and bottom.
    const bool fromRight = start.x == a.right, toRight = end.x == b.right;
    if (fromRight || toRight) {
        const int before = end.x - start.x;
        if (fromRight)
            start.x = ArrowBox(dc, from).right;
        if (toRight)
            end.x = ArrowBox(dc, to).right;
        if ((end.x - start.x) * before <= 0) {
            const bool down = (b.top + b.bottom) / 2 >= (a.top + a.bottom) / 2;
            start = CPoint((a.left + a.right) / 2, down ? a.bottom : a.top);
            end = CPoint((b.left + b.right) / 2, down ? b.top : b.bottom);
        }
        if (!ArrowHead(start, end, head1, head2))
            return;
    }
    CPen red(PS_SOLID, 1, RGB(255, 0, 0));
    CPen* oldPen = dc.SelectObject(&red);
    dc.MoveTo(start);
    dc.LineTo(end);
    dc.LineTo(head1);
    dc.LineTo(head2);
    dc.LineTo(end);
    dc.SelectObject(oldPen);
}

void CFlowView::DrawLink(CDC* dc) {
    if (dc && m_pNodeInHand && m_pLinkTarget)
        DrawArrow(*dc, *m_pNodeInHand, *m_pLinkTarget);
}

void CFlowView::DrawDragFrame(const CRect& frame, int width) {
    CClientDC dc(this);
    const CSize size(width, width);
    dc.DrawDragRect(&frame, size, m_szLastFrame.cx > 0 ? &m_rcLastFrame : nullptr, m_szLastFrame);
    m_rcLastFrame = frame;
    m_szLastFrame = size;
}

void CFlowView::EndDragFrame() {
    m_rcLastFrame.SetRectEmpty();
    m_szLastFrame = CSize(0, 0);
}

CRect CFlowView::ClampInside(CRect box) const {
    CRect client;
    GetClientRect(&client);
    if (box.left < client.left)
        box.OffsetRect(client.left - box.left, 0);
    if (box.top < client.top)
        box.OffsetRect(0, client.top - box.top);
    if (box.right > client.right)
        box.OffsetRect(client.right - box.right, 0);
    if (box.bottom > client.bottom)
        box.OffsetRect(0, client.bottom - box.bottom);
    return box;
}

CSize CFlowView::ClampBoundsOffset(CSize offset) const {
    CRect moved = m_rcBounds;
    moved.OffsetRect(offset.cx, offset.cy);
    const CRect clamped = ClampInside(moved);
    return CSize(clamped.left - m_rcBounds.left, clamped.top - m_rcBounds.top);
}

// --- Mouse -----------------------------------------------------------------------------------

bool CFlowView::MouseIgnored() const {
    return m_bReadOnly || m_strKind == kFlowKindAssign;
}

void CFlowView::AddNodeAt(CPoint point) {
    const int multiLevel = ReadSettingInt(kSection, "支持多级工作任务评审流程", "0");
    const int mixed = ReadSettingInt(kSection, "使用混合评审负责人", "0");
    CString prompt = "要增加的评审任务名称:";
    CString name;
    for (;;) {
        CInputStringDlg dlg(this);
        dlg.m_strPrompt = prompt;
        dlg.m_bShowMultiLevel = multiLevel;
        dlg.m_bShowMixed = mixed;
        if (dlg.DoModal() != IDOK) {
            m_bAddMode = 0;
            return;
        }
        name = dlg.m_strValue;
        CString upper = name;
        upper.MakeUpper();
        if (name.IsEmpty())
            prompt = "要增加的评审任务名称:";
        else if (HasNode(name))
            prompt = "已存在, 请重输评审任务名称:";
        else if (!multiLevel && upper.Find("[N]") >= 0)
            prompt = "评审任务不能含[N], 请重输评审任务名称:";
        else if (!multiLevel && upper.Find("[M]") >= 0)
            prompt = "评审任务不能含[M], 请重输评审任务名称:";
        else
            break;
    }
    const CPoint at = SnapToGrid(point);
    m_arrNodes.Add(new CFlowNode(name, at.x, at.y));
    m_bAddMode = 0;
    Invalidate();
}

void CFlowView::OnLButtonDown(UINT, CPoint point) {
    if (MouseIgnored())
        return;
    if (m_bAddMode) {
        AddNodeAt(point);
        return;
    }
    if (m_bMoveAll) {
        m_ptDragStart = point;
        m_bMoveAllDragging = 1;
        EndDragFrame();
        DrawDragFrame(m_rcBounds, 1);
        return;
    }
    CFlowNode* node = NodeAt(point);
    if (!node)
        return;
    if (!m_bLinkMode) {
        SetCapture();
        m_bDragging = 1;
        m_pNodeInHand = node;
        m_ptDragStart = point;
        CRect frame = node->GetBox();
        frame.InflateRect(kShadow, kShadow);
        EndDragFrame();
        DrawDragFrame(frame, 1);
    } else if (!m_bLinkStarted) {
        m_pNodeInHand = node;
        m_pLinkTarget = nullptr;
        m_ptLinkStart = point;
        m_bLinkStarted = 1;
    } else {
        m_pLinkTarget = node;
    }
}

void CFlowView::OnMouseMove(UINT, CPoint point) {
    if (MouseIgnored())
        return;
    const CSize offset(point.x - m_ptDragStart.x, point.y - m_ptDragStart.y);
    if (m_bDragging && m_pNodeInHand) {
        CRect frame = m_pNodeInHand->GetBox();
        frame.InflateRect(kShadow, kShadow);
        frame.OffsetRect(offset.cx, offset.cy);
        DrawDragFrame(ClampInside(frame), 1);
        return;
    }
    if (m_bMoveAllDragging) {
        CRect frame = m_rcBounds;
        const CSize clamped = ClampBoundsOffset(offset);
        frame.OffsetRect(clamped.cx, clamped.cy);
        DrawDragFrame(frame, 1);
        return;
    }
    if (m_bMoveAll)
        return;
    if (NodeAt(point)) {
        if (!m_bHoverCapture) {
            SetCapture();
            m_bHoverCapture = 1;
        }
    } else if (m_bHoverCapture) {
        ReleaseCapture();
        m_bHoverCapture = 0;
    }
}

void CFlowView::OnLButtonUp(UINT, CPoint point) {
    if (MouseIgnored())
        return;
    const CSize offset(point.x - m_ptDragStart.x, point.y - m_ptDragStart.y);
    if (m_bDragging && m_pNodeInHand) {
        ReleaseCapture();
        m_bHoverCapture = 0;
        m_bDragging = 0;
        CFlowNode& node = *m_pNodeInHand;
        m_pNodeInHand = nullptr;
        CRect box = node.GetBox();
        box.OffsetRect(offset.cx, offset.cy);
        box = ClampInside(box);
        node.m_nLeft = box.left;
        node.m_nTop = box.top;
        node.m_nRight = box.right;
        node.m_nBottom = box.bottom;
        EndDragFrame();
        Invalidate();
        return;
    }
    if (m_bLinkStarted && m_pLinkTarget) {
        if (m_pNodeInHand == m_pLinkTarget) {
            m_pLinkTarget = nullptr;
            AfxMessageBox("两个任务不能相同!");
            return;
        }
        if (HasLink(m_pNodeInHand->m_strName, m_pLinkTarget->m_strName)) {
            AfxMessageBox("此连接已存在");
        } else {
            m_arrLinks.Add(LinkText(m_pNodeInHand->m_strName, m_pLinkTarget->m_strName));
            CClientDC dc(this);
            DrawLink(&dc);
            Invalidate();
        }
        m_bLinkMode = 0;
        m_bLinkStarted = 0;
        m_pNodeInHand = nullptr;
        m_pLinkTarget = nullptr;
        return;
    }
    if (m_bMoveAllDragging) {
        const CSize clamped = ClampBoundsOffset(offset);
        for (int i = 0; i < GetNodeCount(); ++i) {
            GetNode(i)->m_nLeft += clamped.cx;
            GetNode(i)->m_nTop += clamped.cy;
        }
        m_rcBounds.OffsetRect(clamped.cx, clamped.cy);
        m_bMoveAllDragging = 0;
        EndDragFrame();
        Invalidate();
    }
}

void CFlowView::OnRButtonDown(UINT, CPoint point) {
    if (MouseIgnored())
        return;
    CFlowNode* node = NodeAt(point);
    CMenu menu;
    menu.CreatePopupMenu();
    enum class Choice { MoveAllExit, Delete, Edit } shown;
    if (m_bMoveAll) {
        menu.AppendMenu(MF_STRING, kMenuFirst, "退出");
        shown = Choice::MoveAllExit;
    } else if (m_strKind == kFlowKindTemplate && node) {
        menu.AppendMenu(MF_STRING, kMenuFirst, "删除...");
        shown = Choice::Delete;
    } else {
        const bool adding = m_strKind == kFlowKindTemplate;
        const UINT linkState = !adding && GetNodeCount() < 2 ? MF_GRAYED : 0;
        menu.AppendMenu(MF_STRING | linkState, kMenuFirst, adding ? "增加" : "关联");
        menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING | (GetNodeCount() == 0 ? MF_GRAYED : 0), kMenuSecond, "整体平移");
        shown = Choice::Edit;
    }
    CPoint screen = point;
    ClientToScreen(&screen);
    const UINT command = static_cast<UINT>(
        menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, screen.x, screen.y, this));
    if (command == 0)
        return;
    switch (shown) {
    case Choice::MoveAllExit:
        m_bMoveAll = 0;
        m_bMoveAllDragging = 0;
        ReleaseCapture();
        break;
    case Choice::Delete:
        if (MessageBox("是否要删除?", "警告", MB_YESNO | MB_ICONEXCLAMATION) == IDYES) {
            for (int i = 0; i < GetNodeCount(); ++i)
                if (GetNode(i) == node) {
                    m_arrNodes.RemoveAt(i);
                    break;
                }
            if (m_pNodeInHand == node)
                m_pNodeInHand = nullptr;
            delete node;
            Invalidate();
        }
        break;
    case Choice::Edit:
        if (command == kMenuFirst && m_strKind == kFlowKindTemplate)
            StartAddMode();
        else if (command == kMenuFirst)
            StartLinkMode();
        else if (command == kMenuSecond)
            StartMoveAll();
        break;
    }
}

void CFlowView::OnLButtonDblClk(UINT, CPoint point) {
    if (m_bReadOnly)
        return;
    CFlowNode* node = NodeAt(point);
    if (!node)
        return;
    if (m_bKeepAuditor && !node->m_strAuditor.IsEmpty())
        return;
    if (m_strKind == kFlowKindAssign) {
        const CString chosen = ChooseAuditor(node->m_strName, node->m_strAuditor);
        if (!chosen.IsEmpty())
            node->m_strAuditor = chosen;
        Invalidate();
        return;
    }
    ShowStepProperties(*node);
}

void CFlowView::ShowStepProperties(CFlowNode& node) {
    // A drag begun by the double click's first press ends here.
    if (m_bDragging) {
        ReleaseCapture();
        m_bDragging = 0;
        m_pNodeInHand = nullptr;
        EndDragFrame();
    }
    CAuditTaskPropDlg dlg(this);
    dlg.m_strName = node.m_strName;
    dlg.m_strKind = m_strKind;
    dlg.m_arrLinks.Copy(m_arrLinks);
    for (int i = 0; i < GetNodeCount(); ++i)
        dlg.m_arrTaskNames.Add(GetNode(i)->m_strName);
    dlg.m_bAllowMultiLevel = ReadSettingInt(kSection, "支持多级工作任务评审流程", "0");
    dlg.m_bAllowMixed = ReadSettingInt(kSection, "使用混合评审负责人", "0");
    if (dlg.DoModal() != IDOK)
        return;
    m_arrLinks.Copy(dlg.m_arrLinks);
    node.m_strName = dlg.m_strName;
    Invalidate();
}

// --- Auditors --------------------------------------------------------------------------------

CString CFlowView::ChooseAuditor(const CString& stepName, const CString& auditor) {
    const int byProjectTeam = ReadSettingInt(kSection, "按照项目组分配任务", "1");
    const int byWorkGroup = ReadSettingInt(kSection, "按照工作组分配任务", "1");
    const int mixed = ReadSettingInt(kSection, "使用混合评审负责人", "0");
    const int assignByTeam = m_strTaskID.Find('#') > 0 ? byWorkGroup : byProjectTeam;
    if (!m_strTaskID.IsEmpty() && !m_bGeneralAuditor && assignByTeam && !HoldsMark(stepName, "[M]")) {
        const CString taskNo = TaskNumberOf(m_strTaskID);
        CSelectProjectTeamerDlg dlg(nullptr);
        dlg.m_strTaskName = stepName;
        dlg.m_strLogName = auditor;
        dlg.m_strProjectNo = GetTopProjectNo(taskNo);
        if (m_nPickerOption) {
            dlg.m_bWorkGroup = 0;
        } else {
            dlg.m_strTaskNo = taskNo;
            dlg.m_bWorkGroup = 1;
        }
        if (dlg.DoModal() != IDOK)
            return auditor;
        return dlg.m_strLogName;
    }
    CAuditManagerDlg dlg(this);
    dlg.m_strStepName = stepName;
    dlg.m_strManager = auditor;
    dlg.m_bCheckMixed = mixed;
    if (dlg.DoModal() != IDOK)
        return auditor;
    return dlg.m_strManager;
}

CString CFlowView::GetTopProjectNo(const CString& projectNo) const {
    CString sql;
    sql.Format("SELECT ProjectPath FROM ProjectManage WHERE ProjectNo='%s'", SqlQuote(projectNo));
    const CString path = theApp.GetSqlString(sql);
    if (path == "项目管理" || path == "更改任务管理" || path == "变异设计管理" || path == "产品评审管理")
        return projectNo;
    const int slash = path.Find('\\');
    const CString topName = slash >= 0 ? path.Left(slash) : path;
    sql.Format("SELECT ProjectNo FROM ProjectManage WHERE ProjectName='%s' AND ProjectPath='项目管理'",
               SqlQuote(topName));
    return theApp.GetSqlString(sql);
}
