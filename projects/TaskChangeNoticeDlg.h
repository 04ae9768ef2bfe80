// CTaskChangeNoticeDlg ("任务更改通知单"): the change content of a task as a rich text that the
// user may edit, load from an .rtf file, save as one and format through a menu under the right
// mouse button. After OK the text member holds the edited plain text; nothing is stored.
//
//   CTaskChangeNoticeDlg dlg(this);
//   dlg.m_strTaskNo = number; dlg.m_strWorkState = state;
//   dlg.m_strTaskName = name; dlg.m_strProjectPath = path;
//   dlg.m_strText = text;
//   dlg.DoModal();
#pragma once

#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "controls/RichText.h"

class CTaskChangeNoticeDlg : public CDialog {
public:
    static constexpr int kNumberId = 1001;
    static constexpr int kStateId = 1002;
    static constexpr int kDateId = 1003;
    static constexpr int kTextLabelId = 1004;
    static constexpr int kTextId = 1005;
    static constexpr int kOpenId = 1006;
    static constexpr int kSaveId = 1007;
    // Commands of the format menu.
    static constexpr UINT kFontCommand = CRichText::kFontCommand;
    static constexpr UINT kLeftCommand = CRichText::kLeftCommand;
    static constexpr UINT kCenterCommand = CRichText::kCenterCommand;
    static constexpr UINT kRightCommand = CRichText::kRightCommand;
    static constexpr UINT kBulletCommand = CRichText::kBulletCommand;

    explicit CTaskChangeNoticeDlg(CWnd* parent = nullptr);

    CString m_strTaskNo;
    CString m_strWorkState;
    CString m_strTaskName;
    CString m_strProjectPath;
    CString m_strText;

    CRichText& TextControl() { return m_text; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    afx_msg void OnOpenFile();
    afx_msg void OnSaveFile();
    DECLARE_MESSAGE_MAP()

private:
    void ReadTaskRow();

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    bool m_bRowFound = false;
    CString m_strDate;
    CRichText m_text;
};
