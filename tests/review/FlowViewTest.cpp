// The flow view: snapping, arrows, hit tests and row links; the picture it paints; and editing
// with the mouse (drag, add, link, delete, move all, step properties) as the messages of a person.
#include "projects/FlowView.h"
#include "platform/ui/DC.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);

struct Chart {
    vqtest::Workspace ws;
    CWnd parent;
    CFlowView view;
    explicit Chart(const char* kind, const char* style = "混合") {
        parent.CreateEx(0, "VqWindow", "", WS_POPUP, CRect(0, 0, 640, 400), nullptr, 0);
        view.Create(nullptr, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 600, 360), &parent, 6000);
        view.m_nCols = 6;
        view.m_nRows = 6;
        view.m_strKind = kind;
        view.m_strStyle = style;
    }
    CFlowNode* Add(const char* name, int left, int top, const char* auditor = "") {
        auto* node = new CFlowNode(name, left, top, auditor);
        view.m_arrNodes.Add(node);
        return node;
    }
    CBitmap Render() { return vq::RenderWindow(view); }
    void Mouse(UINT message, CPoint p) { view.SendMessage(message, 0, MAKELPARAM(p.x, p.y)); }
    void Drag(CPoint from, CPoint to) {
        Mouse(WM_LBUTTONDOWN, from);
        Mouse(WM_MOUSEMOVE, to);
        Mouse(WM_LBUTTONUP, to);
    }
    void Click(CPoint p) {
        Mouse(WM_LBUTTONDOWN, p);
        Mouse(WM_LBUTTONUP, p);
    }
    std::vector<std::string> Links() const {
        std::vector<std::string> out;
        for (const CString& link : view.m_arrLinks)
            out.push_back(link.str());
        return out;
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (int i = 0; i < view.GetNodeCount(); ++i)
            out.push_back(view.GetNode(i)->m_strName.str());
        return out;
    }
};

using Texts = std::vector<std::string>;

CPoint Inside(const CFlowNode& node) {
    return CPoint(node.m_nLeft + 4, node.m_nTop + 4);
}

int CountColour(const CBitmap& image, const CRect& area, COLORREF colour) {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (image.GetPixel(x, y) == colour)
                ++count;
    return count;
}

int CountDark(const CBitmap& image, const CRect& area) {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            const COLORREF p = image.GetPixel(x, y);
            if (GetRValue(p) < 100 && GetGValue(p) < 100 && GetBValue(p) < 100)
                ++count;
        }
    return count;
}

} // namespace

TEST(FlowViewGeometry, SnapToTheNearestCrossingOnlyWhenAskedAndWithCells) {
    Chart chart(kFlowKindTask);
    EXPECT_EQ(chart.view.SnapToGrid(CPoint(149, 89)), CPoint(149, 89)) << "snap off";
    chart.view.m_bSnapGrid = 1;
    EXPECT_EQ(chart.view.SnapToGrid(CPoint(149, 89)), CPoint(100, 60));
    EXPECT_EQ(chart.view.SnapToGrid(CPoint(150, 90)), CPoint(200, 120));
    EXPECT_EQ(chart.view.SnapToGrid(CPoint(0, 0)), CPoint(0, 0));
    chart.view.m_nCols = 0;
    EXPECT_EQ(chart.view.SnapToGrid(CPoint(149, 89)), CPoint(149, 89)) << "a zero grid does not snap";
    chart.view.m_nCols = 6;
    chart.view.m_nRows = 1000;
    EXPECT_EQ(chart.view.SnapToGrid(CPoint(149, 89)), CPoint(149, 89)) << "cells thinner than a pixel";
}

TEST(FlowViewGeometry, ArrowsRunBetweenTheFacingEdges) {
    CPoint s, e, h1, h2;
    // Same centre: no arrow.
    EXPECT_FALSE(CFlowView::ArrowPoints(CRect(0, 0, 40, 20), CRect(10, 5, 30, 15), s, e, h1, h2));
    // Below: bottom middle to top middle, with the head nine pixels back.
    ASSERT_TRUE(CFlowView::ArrowPoints(CRect(30, 20, 70, 40), CRect(30, 100, 70, 120), s, e, h1, h2));
    EXPECT_EQ(s, CPoint(50, 40));
    EXPECT_EQ(e, CPoint(50, 100));
    EXPECT_EQ(h1, CPoint(47, 91));
    EXPECT_EQ(h2, CPoint(53, 91));
    // Above: top middle to bottom middle.
    ASSERT_TRUE(CFlowView::ArrowPoints(CRect(30, 100, 70, 120), CRect(30, 20, 70, 40), s, e, h1, h2));
    EXPECT_EQ(s, CPoint(50, 100));
    EXPECT_EQ(e, CPoint(50, 40));
    // Mostly sideways: left middle to right middle when the target is to the left.
    ASSERT_TRUE(CFlowView::ArrowPoints(CRect(300, 20, 340, 40), CRect(30, 30, 70, 50), s, e, h1, h2));
    EXPECT_EQ(s, CPoint(300, 30));
    EXPECT_EQ(e, CPoint(70, 40));
    ASSERT_TRUE(CFlowView::ArrowPoints(CRect(30, 30, 70, 50), CRect(300, 20, 340, 40), s, e, h1, h2));
    EXPECT_EQ(s, CPoint(70, 40));
    EXPECT_EQ(e, CPoint(300, 30));
}

TEST(FlowViewGeometry, HitTestsFindTheFirstBoxUnderThePoint) {
    Chart chart(kFlowKindTask);
    CFlowNode* a = chart.Add("甲", 20, 20);
    CFlowNode* b = chart.Add("乙", 24, 24);
    EXPECT_EQ(chart.view.NodeAt(CPoint(22, 22)), nullptr) << "no extent before the first repaint";
    chart.Render();
    EXPECT_GT(a->m_nRight, a->m_nLeft + 13);
    EXPECT_GT(a->m_nBottom, a->m_nTop + 13);
    EXPECT_EQ(chart.view.NodeAt(CPoint(22, 22)), a);
    EXPECT_EQ(chart.view.NodeAt(CPoint(a->m_nRight - 1, a->m_nBottom - 1)), a)
        << "the first of two overlapping";
    EXPECT_EQ(chart.view.NodeAt(CPoint(b->m_nRight - 1, b->m_nBottom - 1)), b);
    EXPECT_EQ(chart.view.NodeAt(CPoint(500, 300)), nullptr);
    EXPECT_TRUE(chart.view.HasNode("甲"));
    EXPECT_FALSE(chart.view.HasNode("丙"));
    EXPECT_EQ(chart.view.GetBounds(), CRect(20, 20, b->m_nRight + 3, b->m_nBottom + 3));
}

TEST(FlowViewLinks, MixedRowsLinkEachStepToTheNextRowAndFollowMoves) {
    Chart chart(kFlowKindTemplate);
    chart.Add("D", 40, 200);
    chart.Add("A", 40, 20);
    chart.Add("B", 40, 110);
    CFlowNode* c = chart.Add("C", 240, 110);
    chart.Render();
    EXPECT_EQ(chart.Names(), (Texts{"A", "B", "C", "D"})) << "sorted by top, equal tops keep their order";
    EXPECT_EQ(chart.Links(), (Texts{"A->*<-B", "A->*<-C", "B->*<-D", "C->*<-D"}));
    c->m_nTop = 200;
    chart.Render();
    EXPECT_EQ(chart.Links(), (Texts{"A->*<-B", "B->*<-C", "B->*<-D"})) << "C now sorts before D";
    // In another style no link survives a repaint.
    chart.view.m_strStyle = "并联";
    chart.view.m_arrLinks.Add("A->*<-B");
    chart.Render();
    EXPECT_TRUE(chart.Links().empty());
    // A task flow keeps the links as drawn, also those whose ends are gone.
    Chart task(kFlowKindTask);
    task.Add("A", 40, 20);
    task.view.m_arrLinks.Add("A->*<-X");
    task.Render();
    EXPECT_EQ(task.Links(), (Texts{"A->*<-X"}));
}

TEST(FlowViewPicture, BoxesShadowsArrowsAuditorsAndGrid) {
    Chart chart(kFlowKindAssign);
    CFlowNode* a = chart.Add("校对", 40, 20, "zhaoliu");
    CFlowNode* b = chart.Add("审核", 40, 200, "zhangsan");
    CBitmap image = chart.Render();
    EXPECT_EQ(image.GetPixel(5, 5), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(image.GetPixel(a->m_nLeft, a->m_nTop + 5), RGB(0, 0, 0)) << "the box's left edge";
    const int shadowY = a->m_nBottom - 3;
    EXPECT_EQ(image.GetPixel(a->m_nLeft + 8, shadowY), RGB(0, 0, 0)) << "the shadow under the box";
    // The arrow runs down from the middle of the first box to the second.
    const int middle = (a->m_nLeft + a->m_nRight) / 2;
    EXPECT_GT(CountColour(image, CRect(middle - 1, a->m_nBottom + 5, middle + 2, b->m_nTop - 12), kRed), 50);
    // The auditor stands to the right of the box in this kind.
    EXPECT_GT(CountDark(image, CRect(a->m_nRight + 2, a->m_nTop, a->m_nRight + 60, a->m_nBottom)), 10);
    // Grid lines: one column line at x = 99 and a row line at y = 60.
    EXPECT_NE(image.GetPixel(99, 150), RGB(0, 0, 0));
    chart.view.m_bShowGrid = 1;
    image = chart.Render();
    EXPECT_EQ(image.GetPixel(99, 150), RGB(0, 0, 0));
    EXPECT_EQ(image.GetPixel(300, 60), RGB(0, 0, 0));
    EXPECT_EQ(image.GetPixel(599, 150), GetSysColor(COLOR_WINDOW)) << "no line on the right edge";
    // Without the auditor kind no auditor is written.
    chart.view.m_strKind = kFlowKindTemplate;
    chart.view.m_bShowGrid = 0;
    image = chart.Render();
    EXPECT_EQ(CountDark(image, CRect(a->m_nRight + 2, a->m_nTop, a->m_nRight + 60, a->m_nBottom)), 0);
}

// Arrows leaving or entering a box on its right side start and end beyond the reviewer's name,
// never over it.
TEST(FlowViewPicture, ArrowsKeepClearOfTheReviewersNames) {
    Chart chart(kFlowKindAssign);
    CFlowNode* a = chart.Add("校对", 40, 20, "zhaoliu");
    CFlowNode* b = chart.Add("工艺审查", 240, 110, "wangwu");
    CFlowNode* c = chart.Add("批准", 40, 200, "admin");
    const CBitmap image = chart.Render();
    ASSERT_EQ(chart.Links().size(), 2u);
    for (const CFlowNode* node : {a, c})
        EXPECT_EQ(CountColour(image, CRect(node->m_nRight, node->m_nTop, node->m_nRight + 40, node->m_nBottom), kRed),
                  0)
            << node->m_strName.str();
    // Both arrows are drawn, each ending with its head.
    EXPECT_GT(CountColour(image, CRect(a->m_nRight + 40, a->m_nTop, b->m_nLeft, b->m_nBottom), kRed), 20);
    EXPECT_GT(CountColour(image, CRect(c->m_nRight + 40, b->m_nTop, b->m_nLeft, c->m_nBottom), kRed), 20);
}

TEST(FlowViewMouse, DraggingMovesAStepAndKeepsItInside) {
    vq::ScriptedUser user;
    Chart chart(kFlowKindTask);
    CFlowNode* a = chart.Add("甲", 100, 100);
    chart.Render();
    const int width = a->m_nRight - a->m_nLeft;
    chart.Drag(CPoint(104, 104), CPoint(134, 164));
    EXPECT_EQ(a->m_nLeft, 130);
    EXPECT_EQ(a->m_nTop, 160);
    chart.Render();
    chart.Drag(CPoint(134, 164), CPoint(-200, 1000));
    EXPECT_EQ(a->m_nLeft, 0);
    EXPECT_EQ(a->m_nBottom, 360);
    chart.Render();
    chart.Drag(CPoint(4, a->m_nTop + 4), CPoint(1000, a->m_nTop + 4));
    EXPECT_EQ(a->m_nLeft, 600 - width);
    // Read only, or the auditor kind: the mouse moves nothing.
    chart.view.m_bReadOnly = 1;
    chart.Render();
    chart.Drag(Inside(*a), CPoint(10, 10));
    EXPECT_EQ(a->m_nLeft, 600 - width);
    chart.view.m_bReadOnly = 0;
    chart.view.m_strKind = kFlowKindAssign;
    chart.Drag(Inside(*a), CPoint(10, 10));
    EXPECT_EQ(a->m_nLeft, 600 - width);
    EXPECT_TRUE(user.Succeeded());
}

TEST(FlowViewMouse, AddingAStepAsksUntilTheNameIsNewAndAllowed) {
    vq::ScriptedUser user;
    Chart chart(kFlowKindTemplate);
    chart.view.m_bSnapGrid = 1;
    chart.Add("校对", 0, 0);
    chart.Render();
    user.Menu(1)
        .Dialog("输入字符串")
        .Do([](CDialog& d) { EXPECT_EQ(d.GetDlgItem(1014)->GetWindowTextValue(), "要增加的评审任务名称:"); })
        .Set(1013, "校对")
        .Click(IDOK)
        .Dialog("输入字符串")
        .Do([](CDialog& d) {
            EXPECT_EQ(d.GetDlgItem(1014)->GetWindowTextValue(), "已存在, 请重输评审任务名称:");
        })
        .Set(1013, "审核[n]")
        .Click(IDOK)
        .Dialog("输入字符串")
        .Do([](CDialog& d) {
            EXPECT_EQ(d.GetDlgItem(1014)->GetWindowTextValue(), "评审任务不能含[N], 请重输评审任务名称:");
        })
        .Set(1013, "审核[M]")
        .Click(IDOK)
        .Dialog("输入字符串")
        .Do([](CDialog& d) {
            EXPECT_EQ(d.GetDlgItem(1014)->GetWindowTextValue(), "评审任务不能含[M], 请重输评审任务名称:");
        })
        .Set(1013, "审核")
        .Click(IDOK);
    chart.Mouse(WM_RBUTTONDOWN, CPoint(300, 200));
    EXPECT_TRUE(chart.view.IsAddMode());
    chart.Mouse(WM_LBUTTONDOWN, CPoint(290, 170));
    EXPECT_TRUE(user.Succeeded()) << user.Remaining();
    EXPECT_FALSE(chart.view.IsAddMode());
    ASSERT_EQ(chart.view.GetNodeCount(), 2);
    EXPECT_EQ(chart.view.GetNode(1)->m_strName, "审核");
    EXPECT_EQ(CPoint(chart.view.GetNode(1)->m_nLeft, chart.view.GetNode(1)->m_nTop), CPoint(300, 180));
    // Cancel ends add mode without a step.
    user.Menu(1).Dialog("输入字符串").Click(IDCANCEL);
    chart.Mouse(WM_RBUTTONDOWN, CPoint(500, 300));
    chart.Mouse(WM_LBUTTONDOWN, CPoint(500, 300));
    EXPECT_FALSE(chart.view.IsAddMode());
    EXPECT_EQ(chart.view.GetNodeCount(), 2);
    EXPECT_TRUE(user.Succeeded());
}

TEST(FlowViewMouse, MultiLevelStepsWhenTheSettingsAllowThem) {
    vq::ScriptedUser user;
    Chart chart(kFlowKindTemplate);
    chart.ws.WriteSetting("设计过程管理配置", "支持多级工作任务评审流程", "1");
    chart.ws.WriteSetting("设计过程管理配置", "使用混合评审负责人", "1");
    user.Menu(1).Dialog("输入字符串").Set(1013, "会签").Check(1087, 1).Check(6084, 1).Click(IDOK);
    chart.Mouse(WM_RBUTTONDOWN, CPoint(10, 10));
    chart.Mouse(WM_LBUTTONDOWN, CPoint(40, 30));
    ASSERT_EQ(chart.view.GetNodeCount(), 1);
    EXPECT_EQ(chart.view.GetNode(0)->m_strName, "会签[N][M]");
    EXPECT_TRUE(user.Succeeded());
}

TEST(FlowViewMouse, LinkingTwoStepsOnceInEitherDirection) {
    vq::ScriptedUser user;
    Chart chart(kFlowKindTask);
    CFlowNode* a = chart.Add("A", 40, 20);
    CFlowNode* b = chart.Add("B", 40, 200);
    chart.Render();
    user.Menu(1);
    chart.Mouse(WM_RBUTTONDOWN, CPoint(400, 300));
    EXPECT_TRUE(chart.view.IsLinkMode());
    chart.Click(Inside(*a));
    chart.Click(Inside(*b));
    EXPECT_EQ(chart.Links(), (Texts{"A->*<-B"}));
    EXPECT_FALSE(chart.view.IsLinkMode());
    const CBitmap image = chart.Render();
    EXPECT_GT(CountColour(image, CRect(0, a->m_nBottom + 5, 200, b->m_nTop - 12), kRed), 50);
    // The same link backwards is refused; so is a link of a step to itself (link mode stays).
    user.Menu(1).Message("此连接已存在", IDOK).Menu(1).Message("两个任务不能相同!", IDOK);
    chart.Mouse(WM_RBUTTONDOWN, CPoint(400, 300));
    chart.Click(Inside(*b));
    chart.Click(Inside(*a));
    EXPECT_EQ(chart.Links(), (Texts{"A->*<-B"}));
    chart.Mouse(WM_RBUTTONDOWN, CPoint(400, 300));
    chart.Click(Inside(*a));
    chart.Click(Inside(*a));
    EXPECT_TRUE(chart.view.IsLinkMode());
    EXPECT_TRUE(user.Succeeded()) << user.Remaining();
}

TEST(FlowViewMouse, MenusGrayWhatCannotBeDone) {
    vq::ScriptedUser user;
    Chart chart(kFlowKindTask);
    chart.Add("A", 40, 20);
    chart.Render();
    // One step: "关联" is grayed and cannot be chosen.
    user.Menu(1);
    chart.Mouse(WM_RBUTTONDOWN, CPoint(400, 300));
    EXPECT_FALSE(chart.view.IsLinkMode());
    EXPECT_NE(user.Error().Find("no enabled command"), -1) << user.Error();
    // No step at all: "整体平移" is grayed too.
    vq::ScriptedUser second;
    chart.view.RemoveAllNodes();
    second.Menu(2);
    chart.Mouse(WM_RBUTTONDOWN, CPoint(400, 300));
    EXPECT_FALSE(chart.view.IsMoveAllMode());
    EXPECT_NE(second.Error().Find("no enabled command"), -1) << second.Error();
}

TEST(FlowViewMouse, DeletingAStepLeavesItsLinksStoredButUndrawn) {
    vq::ScriptedUser user;
    Chart chart(kFlowKindTemplate);
    CFlowNode* a = chart.Add("A", 40, 20);
    chart.Add("B", 40, 200);
    chart.Render();
    user.Menu(1).Message("是否要删除?", IDNO).Menu(1).Message("是否要删除?", IDYES);
    chart.Mouse(WM_RBUTTONDOWN, Inside(*a));
    EXPECT_EQ(chart.view.GetNodeCount(), 2);
    chart.Mouse(WM_RBUTTONDOWN, Inside(*a));
    EXPECT_EQ(chart.Names(), (Texts{"B"}));
    EXPECT_TRUE(user.Succeeded());
    Chart task(kFlowKindTask);
    task.Add("A", 40, 20);
    task.Add("B", 40, 200);
    task.view.m_arrLinks.Add("A->*<-B");
    task.Render();
    task.view.m_strKind = kFlowKindTemplate; // deleting is offered in the template kind only
    user.Menu(1).Message("是否要删除?", IDYES);
    task.Mouse(WM_RBUTTONDOWN, Inside(*task.view.GetNode(0)));
    task.view.m_strKind = kFlowKindTask;
    const CBitmap image = task.Render();
    EXPECT_EQ(task.Links(), (Texts{"A->*<-B"}));
    EXPECT_EQ(CountColour(image, CRect(0, 0, 600, 360), kRed), 0);
}

TEST(FlowViewMouse, MovingAllStepsKeepsTheirBoundsInside) {
    vq::ScriptedUser user;
    Chart chart(kFlowKindTask);
    CFlowNode* a = chart.Add("A", 40, 20);
    CFlowNode* b = chart.Add("B", 200, 100);
    chart.Render();
    user.Menu(2);
    chart.Mouse(WM_RBUTTONDOWN, CPoint(400, 300));
    EXPECT_TRUE(chart.view.IsMoveAllMode());
    chart.Drag(CPoint(300, 300), CPoint(330, 340));
    EXPECT_EQ(CPoint(a->m_nLeft, a->m_nTop), CPoint(70, 60));
    EXPECT_EQ(CPoint(b->m_nLeft, b->m_nTop), CPoint(230, 140));
    chart.Render();
    chart.Drag(CPoint(300, 300), CPoint(0, 0));
    EXPECT_EQ(CPoint(a->m_nLeft, a->m_nTop), CPoint(0, 0)) << "the bounds stop at the left and top";
    EXPECT_EQ(CPoint(b->m_nLeft, b->m_nTop), CPoint(160, 80));
    EXPECT_TRUE(chart.view.IsMoveAllMode()) << "until 退出";
    user.Menu(1);
    chart.Mouse(WM_RBUTTONDOWN, CPoint(400, 300));
    EXPECT_FALSE(chart.view.IsMoveAllMode());
    EXPECT_TRUE(user.Succeeded());
}

TEST(FlowViewMouse, DoubleClickRenamesAStepAndItsLinks) {
    vq::ScriptedUser user;
    Chart chart(kFlowKindTemplate, "并联");
    CFlowNode* a = chart.Add("A", 40, 20);
    chart.Add("AB", 40, 200);
    chart.Render();
    user.Dialog("任务流程属性").Set(1001, "新名").Click(IDOK);
    chart.Mouse(WM_LBUTTONDBLCLK, Inside(*a));
    EXPECT_TRUE(user.Succeeded());
    EXPECT_EQ(chart.Names(), (Texts{"新名", "AB"}));
    // A kept auditor blocks the dialog.
    chart.view.m_bKeepAuditor = 1;
    a->m_strAuditor = "u1";
    chart.Mouse(WM_LBUTTONDBLCLK, Inside(*a));
    EXPECT_TRUE(user.Succeeded());
}
