#include "controls/ProgressDlg.h"

#include "platform/ui/DataExchange.h"

namespace {

const vq::DialogTemplate kProgressDlgTemplate{
    "",
    {vq::Label("", vq::kNoLayoutFlags, SS_CENTER | SS_CENTERIMAGE, CProgressDlg::kTextId),
     [] {
         vq::ControlTemplate bar = vq::ProgressBar(CProgressDlg::kBarId, vq::kNoLayoutFlags, WS_BORDER);
         bar.rect = CRect(3, 37, 245, 57);
         return bar;
     }()},
    CSize(248, 64),
    WS_POPUP | WS_BORDER};

const vq::TemplateRegistration kProgressDlgRegistration(CProgressDlg::IDD, kProgressDlgTemplate);

} // namespace

CProgressDlg::CProgressDlg(CWnd* parent) : CDialog(IDD, parent) {}

CProgressDlg::~CProgressDlg() {
    if (m_hWnd)
        DestroyWindow();
}

void CProgressDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, kBarId, m_progress);
}

void CProgressDlg::SetText(const CString& text) {
    SetDlgItemText(kTextId, text);
}
