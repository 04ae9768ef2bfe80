// CParentDwgDlg: takes one parent drawing (number, name, sheet size) that the product structure
// import gives to every line of a file.
#pragma once

#include "platform/ui/Dialog.h"

class CParentDwgDlg : public CDialog {
public:
    explicit CParentDwgDlg(CWnd* parent = nullptr);

    CString m_strParentCode;  // edit 1060
    CString m_strParentName;  // edit 1161
    CString m_strParentFrame; // edit 1162, the sheet size

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
};
