// CInputFileNameDlg: asks for an existing redline markup file, typed or chosen with "...".
#pragma once

#include "platform/ui/Dialog.h"

class CInputFileNameDlg : public CDialog {
public:
    enum { IDD = 221 };
    explicit CInputFileNameDlg(CWnd* parent = nullptr);

    CString m_strFilePath; // the result after OK: an existing file
    CString m_strPrompt;
    CString m_strFileExt; // extension (without dot) of a file chosen with "..."

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnBrowse();
    DECLARE_MESSAGE_MAP()
};
