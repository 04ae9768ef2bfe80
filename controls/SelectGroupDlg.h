// CSelectGroupDlg: lists the user groups and returns the chosen group with its manager.
#pragma once

#include "controls/SortListCtrl.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

class CSelectGroupDlg : public CDialog {
public:
    enum { IDD = 30035 };
    explicit CSelectGroupDlg(CWnd* parent = nullptr);
    ~CSelectGroupDlg() override;

    CSortListCtrl m_list;
    CString m_strGroupName;    // preset: the group to preselect; the result
    CString m_strGroupManager; // the result

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnDestroy() override;
    void OnOkButton();
    void OnItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
    void OnDblClick(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    void LoadGroups();
    void FreeItemTexts();

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CImageList m_imageRows;
    CImageList m_imageArrows;
    int m_nCurRow = -1;
    CPtrArray m_itemTexts;
};
