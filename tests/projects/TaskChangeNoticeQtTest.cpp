// The change content form as a person uses it in the Qt view: the right mouse button in the text
// opens the format menu of the form, not the widget's own.
#include "core/VqDesignTaskApp.h"
#include "platform/ui/View.h"
#include "platform/ui/qt/QtDialogView.h"
#include "projects/TaskChangeNoticeDlg.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr UINT kSteps = WM_USER + 61;
constexpr UINT kAnswerMenu = WM_USER + 62;

class CNoticeQtDlg : public CTaskChangeNoticeDlg {
public:
    std::function<void(CNoticeQtDlg&)> steps;

protected:
    BOOL OnInitDialog() override {
        CTaskChangeNoticeDlg::OnInitDialog();
        PostMessage(kSteps);
        return TRUE;
    }
    LRESULT OnSteps(WPARAM, LPARAM) {
        if (steps)
            steps(*this);
        EndDialog(IDCANCEL);
        return 0;
    }
    // Runs inside the loop of the popup menu: the person goes down to "对中(&C)..." and takes it.
    LRESULT OnAnswerMenu(WPARAM, LPARAM) {
        for (int i = 0; i < 3; ++i)
            vq::qtinput::KeyToTopWindow(VK_DOWN);
        vq::qtinput::KeyToTopWindow(VK_RETURN);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CNoticeQtDlg, CTaskChangeNoticeDlg)
    ON_MESSAGE(kSteps, &CNoticeQtDlg::OnSteps)
    ON_MESSAGE(kAnswerMenu, &CNoticeQtDlg::OnAnswerMenu)
END_MESSAGE_MAP()

class TaskChangeNoticeQtTest : public ::testing::Test {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        m_previous = vq::SetDialogView(&vq::QtDialogView());
    }
    void TearDown() override {
        vq::SetDialogView(m_previous);
        theApp.m_pConnPDM = nullptr;
    }
    vqtest::DbWorkspace ws{0};
    vq::DialogView* m_previous = nullptr;
};

} // namespace

TEST_F(TaskChangeNoticeQtTest, RightButtonInTheTextOpensTheFormatMenu) {
    CNoticeQtDlg dlg;
    dlg.m_strText = "孔径改为20";
    bool ran = false;
    dlg.steps = [&](CNoticeQtDlg& d) {
        ran = true;
        CRichEditCtrl& text = d.TextControl();
        d.PostMessage(kAnswerMenu);
        ASSERT_TRUE(vq::qtinput::ContextMenuAt(text, CPoint(20, 10)));
        PARAFORMAT para;
        text.GetParaFormat(para);
        EXPECT_EQ(para.wAlignment, PFA_CENTER);
    };
    dlg.DoModal();
    EXPECT_TRUE(ran);
}
