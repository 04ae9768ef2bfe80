// CPartWorkDocDlg: the drawing files handed in as work results for one part code (work documents
// whose file type begins with "AutoCAD"); the user chooses one. The opener sets m_strPartCode and,
// after OK, reads m_strFileID and m_strFileName.
#pragma once

#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ListCtrl.h"

class CPartWorkDocDlg : public CDialog {
public:
    explicit CPartWorkDocDlg(CWnd* parent = nullptr);

    CString m_strPartCode; // set by the opener
    CString m_strFileID;   // the chosen document, after OK
    CString m_strFileName;

    CListCtrl m_list;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    void FillList();

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
};
