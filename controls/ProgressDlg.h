// CProgressDlg: a small modeless dialog without a caption: one line of text above a progress bar
// that draws its own percentage. Its user creates, centres and shows it:
//
//   auto* progress = new CProgressDlg(this);
//   progress->Create(CProgressDlg::IDD, this);
//   progress->CenterWindow();
//   progress->ShowWindow(SW_SHOW);
//   progress->m_progress.SetRange(0, 10);
//   progress->m_progress.SetPos(6);
//   progress->SetText("正在读取数据文件中的明细信息......");
//   ...
//   progress->DestroyWindow();
//   delete progress;
#pragma once

#include "controls/TextProgressCtrl.h"
#include "platform/ui/Dialog.h"

class CProgressDlg : public CDialog {
public:
    enum { IDD = 181 };
    static constexpr int kTextId = 1128;
    static constexpr int kBarId = 1127;

    explicit CProgressDlg(CWnd* parent = nullptr);
    ~CProgressDlg() override;

    void SetText(const CString& text);

    CTextProgressCtrl m_progress;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Enter and Esc do not close it; its user does.
    void OnOK() override {}
    void OnCancel() override {}
};
