// CMailLoginDlg: asks for the password of the mail server account when the SMTP client has none.
// The server and the user name are shown; only the password can be typed.
#pragma once

#include "platform/ui/Dialog.h"

class CMailLoginDlg : public CDialog {
public:
    enum { IDD = 213 };
    static constexpr int kServerId = 1200;
    static constexpr int kUserNameId = 1201;
    static constexpr int kPasswordId = 1202;

    explicit CMailLoginDlg(CWnd* parent = nullptr);

    CString m_strPassword;
    CString m_strUserName;
    CString m_strServer;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
