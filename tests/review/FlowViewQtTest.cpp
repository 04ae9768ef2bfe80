// The flow view in the Qt view, edited as a person does it with the mouse on its widget: moving
// a step, linking two steps after the context menu's "关联", and moving all steps (rendered off
// screen).
#include "platform/ui/DC.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/View.h"
#include "platform/ui/qt/QtDialogView.h"
#include "projects/FlowView.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdlib.h>
#include <string>

namespace {

constexpr int kPlaceholder = 1301;
constexpr UINT kSteps = WM_USER + 51;
constexpr UINT kAnswerMenu = WM_USER + 52;

const vq::DialogTemplate kChartTemplate{"任务流程图",
                                        {vq::CustomWindow(kPlaceholder, vq::kFill, 0, CRect(0, 0, 500, 320)),
                                         vq::DefPushButton(IDOK, "确定"),
                                         vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

class CChartDlg : public CDialog {
public:
    CChartDlg() : CDialog(kChartTemplate, nullptr) {}
    CFlowView m_view;
    std::function<void(CChartDlg&)> steps;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_view.Create(nullptr, "", WS_CHILD | WS_VISIBLE, GetDlgItem(kPlaceholder)->GetRectInParent(), this,
                      6000);
        m_view.m_nCols = 5;
        m_view.m_nRows = 4;
        m_view.m_strKind = kFlowKindTask;
        m_view.m_arrNodes.Add(new CFlowNode("校对", 40, 20, "zhaoliu"));
        m_view.m_arrNodes.Add(new CFlowNode("审核", 40, 200, "zhangsan"));
        PostMessage(kSteps);
        return TRUE;
    }
    LRESULT OnSteps(WPARAM, LPARAM) {
        if (steps)
            steps(*this);
        EndDialog(IDOK);
        return 0;
    }
    // Runs inside the loop of the popup menu: the person picks the first entry with the keys.
    LRESULT OnAnswerMenu(WPARAM, LPARAM) {
        vq::qtinput::KeyToTopWindow(VK_DOWN);
        vq::qtinput::KeyToTopWindow(VK_RETURN);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CChartDlg, CDialog)
    ON_MESSAGE(kSteps, &CChartDlg::OnSteps)
    ON_MESSAGE(kAnswerMenu, &CChartDlg::OnAnswerMenu)
END_MESSAGE_MAP()

class FlowViewQtTest : public ::testing::Test {
protected:
    void SetUp() override { m_previous = vq::SetDialogView(&vq::QtDialogView()); }
    void TearDown() override { vq::SetDialogView(m_previous); }
    vqtest::Workspace ws;
    vq::DialogView* m_previous = nullptr;
};

CPoint Inside(const CFlowNode& node) {
    return CPoint(node.m_nLeft + 5, node.m_nTop + 5);
}

} // namespace

TEST_F(FlowViewQtTest, APersonMovesLinksAndShiftsTheSteps) {
    // The picture taken as the dialog opens must not move the chart off its placeholder.
    const char* shots = std::getenv("VQ_SCREENSHOT_DIR");
    const std::string previousShots = shots ? shots : "";
    ::setenv("VQ_SCREENSHOT_DIR", (ws.TempDir() + "/shots").c_str(), 1);
    CChartDlg dlg;
    bool ran = false;
    dlg.steps = [&](CChartDlg& d) {
        ran = true;
        CFlowView& view = d.m_view;
        vq::RenderDialogInQt(d); // the widget paints the chart: the boxes get their extents
        const CRect chart = vq::qtinput::ShownRect(view);
        EXPECT_FALSE(chart.IsRectEmpty());
        EXPECT_LE(chart.bottom, vq::qtinput::ShownRect(*d.GetDlgItem(IDOK)).top)
            << "the chart over the buttons";
        CFlowNode* a = view.GetNode(0);
        CFlowNode* b = view.GetNode(1);
        ASSERT_GT(a->m_nRight, a->m_nLeft);
        // Moving a step.
        ASSERT_TRUE(vq::qtinput::DragFromTo(view, Inside(*b), Inside(*b) + CSize(150, -40)));
        EXPECT_EQ(CPoint(b->m_nLeft, b->m_nTop), CPoint(190, 160));
        vq::RenderDialogInQt(d);
        // Linking after the context menu.
        d.PostMessage(kAnswerMenu);
        ASSERT_TRUE(vq::qtinput::ClickAt(view, CPoint(400, 280), true));
        EXPECT_TRUE(view.IsLinkMode());
        vq::qtinput::ClickAt(view, Inside(*a));
        vq::qtinput::ClickAt(view, Inside(*b));
        ASSERT_EQ(view.m_arrLinks.GetSize(), 1);
        EXPECT_EQ(view.m_arrLinks[0], "校对->*<-审核");
        // Moving everything.
        view.StartMoveAll();
        vq::qtinput::DragFromTo(view, CPoint(300, 250), CPoint(320, 280));
        EXPECT_EQ(CPoint(a->m_nLeft, a->m_nTop), CPoint(60, 50));
        EXPECT_EQ(CPoint(b->m_nLeft, b->m_nTop), CPoint(210, 190));
        const CBitmap shown = vq::RenderDialogInQt(d);
        EXPECT_GT(shown.Width(), 400);
        if (const char* dir = std::getenv("VQ_R1_SHOT"); dir && *dir) {
            std::filesystem::create_directories(dir);
            shown.SavePng(CString(std::string(dir) + "/flow-view-edited.png"));
        }
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(ran);
    if (previousShots.empty())
        ::unsetenv("VQ_SCREENSHOT_DIR");
    else
        ::setenv("VQ_SCREENSHOT_DIR", previousShots.c_str(), 1);
}
