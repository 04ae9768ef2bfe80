// CSelectDeptDlg: the department picker. Lists every department (code, name, manager) and
// returns the codes and names of the selected ones, in list order; a header click sorts by the
// column.
#pragma once

#include "controls/SortListCtrl.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

class CSelectDeptDlg : public CDialog {
public:
    enum { IDD = 256 };
    explicit CSelectDeptDlg(CWnd* parent = nullptr);
    ~CSelectDeptDlg() override;

    CStringArray m_arrDeptCode; // after IDOK: the codes of the selected departments
    CStringArray m_arrDeptName; // ... and their names, at the same indexes

    CSortListCtrl m_list;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void PostNcDestroy() override;
    void OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    void LoadDepartments();

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CImageList m_imageRows;
    CImageList m_imageArrows;
    CPtrArray m_arrRows; // CItemText records behind the rows
};
