// CFlowView: a child window that draws a review path (or any task flow) as boxes with arrows
// between them and lets the user edit it with the mouse. Its owner creates it over a
// placeholder, sets the public members, appends nodes (which the view then owns) and links, and
// reads them back when the user is done. The kind decides what the mouse does:
//   "评审管理" (template design): move and add steps, delete a step, step properties; links
//              follow the rows in the style "混合" and are dropped otherwise;
//   "评审设计" (auditor assignment): only a double click, which chooses the step's auditor;
//   any other kind ("流程设计"): move steps, link two steps, step properties; links stay as drawn.
#pragma once

#include "platform/ui/Wnd.h"
#include "projects/FlowNode.h"

extern const char* const kFlowKindTemplate;  // "评审管理"
extern const char* const kFlowKindAssign;    // "评审设计"
extern const char* const kFlowKindTask;      // "流程设计"
extern const char* const kFlowLinkSeparator; // "->*<-"

class CFlowView : public CWnd {
public:
    CFlowView();
    ~CFlowView() override;

    void RemoveAllNodes();
    void StartAddMode();
    void StartLinkMode();
    void StartMoveAll();
    CPoint SnapToGrid(CPoint point) const;
    int HasNode(const CString& name) const;
    CString ChooseAuditor(const CString& stepName, const CString& auditor);
    CString GetTopProjectNo(const CString& projectNo) const;
    void DrawLink(CDC* dc);

    int GetNodeCount() const { return m_arrNodes.GetSize(); }
    CFlowNode* GetNode(int index) const;
    // The first node whose box holds the point, or null.
    CFlowNode* NodeAt(CPoint point) const;
    // The first node with this name (letter case ignored), or null.
    CFlowNode* FindNode(const CString& name) const;
    // The two ends of an arrowhead at `end` of a line from `start`; false for a line of no length.
    static bool ArrowHead(const CPoint& start, const CPoint& end, CPoint& head1, CPoint& head2);
    // The arrow from box a to box b: the line from start to end and the two head points. False
    // when the boxes share their centre (or the line has no length): no arrow.
    static bool ArrowPoints(const CRect& a, const CRect& b, CPoint& start, CPoint& end, CPoint& head1,
                            CPoint& head2);
    // Links every node to the nodes of the next row below it (nodes sorted by top); the links of
    // a mixed path.
    void BuildRowLinks();
    // The boxes' extents, snapped positions and the bounds, as a repaint makes them.
    void LayOutNodes(CDC* dc);
    const CRect& GetBounds() const { return m_rcBounds; }
    bool IsAddMode() const { return m_bAddMode != 0; }
    bool IsLinkMode() const { return m_bLinkMode != 0; }
    bool IsMoveAllMode() const { return m_bMoveAll != 0; }

    CObArray m_arrNodes;     // CFlowNode, owned
    CStringArray m_arrLinks; // source + "->*<-" + target
    int m_nCols = 0;
    int m_nRows = 0;
    int m_bShowGrid = 0;
    int m_bDotGrid = 0;
    int m_bSnapGrid = 0;
    CString m_strKind;
    CString m_strStyle;
    int m_bReadOnly = 0;
    int m_bGeneralAuditor = 0;
    CString m_strTaskID;
    int m_nPickerOption = 1;
    int m_bKeepAuditor = 0;

protected:
    void OnPaint() override;
    BOOL OnEraseBkgnd(void* dc) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnLButtonUp(UINT flags, CPoint point) override;
    void OnMouseMove(UINT flags, CPoint point) override;
    void OnLButtonDblClk(UINT flags, CPoint point) override;
    void OnRButtonDown(UINT flags, CPoint point) override;
    DECLARE_MESSAGE_MAP()

private:
    bool MouseIgnored() const;
    void DrawChart(CDC& dc);
    void DrawGrid(CDC& dc);
    CRect ArrowBox(CDC& dc, const CFlowNode& node) const;
    void DrawArrow(CDC& dc, const CFlowNode& from, const CFlowNode& to);
    void DrawDragFrame(const CRect& frame, int width);
    void EndDragFrame();
    void AddNodeAt(CPoint point);
    void ShowStepProperties(CFlowNode& node);
    bool HasLink(const CString& from, const CString& to) const;
    CRect ClampInside(CRect box) const;
    CSize ClampBoundsOffset(CSize offset) const;

    CPoint m_ptDragStart;
    int m_bDragging = 0;
    CFlowNode* m_pNodeInHand = nullptr;
    CFlowNode* m_pLinkTarget = nullptr;
    int m_bMoveAll = 0;
    int m_bMoveAllDragging = 0;
    CRect m_rcBounds;
    int m_bAddMode = 0;
    int m_bLinkStarted = 0;
    int m_bLinkMode = 0;
    CPoint m_ptLinkStart;
    int m_bHoverCapture = 0;
    CRect m_rcLastFrame;
    CSize m_szLastFrame;
};
