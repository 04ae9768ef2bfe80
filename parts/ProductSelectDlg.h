// CProductSelectDlg ("选择产品"): the one-list picker. The mode chooses the rows: products (0),
// design projects (1), project templates (2), work-order numbers (3), reports (4), views (5),
// engineering tables (any other value). The caller sets the mode and the entry members, runs
// DoModal and, after IDOK, reads m_strCode, m_strName, m_strStyle, m_strStand or the arrays.
//
// In product mode the list is restricted to the products the account controls when
// [系统权限配置] "产品权限" is on (every account but "admin"); it can be narrowed to one model
// (and stand), and the search box finds a code while the list is sorted by column 0 ascending.
#pragma once

#include "controls/SortListCtrl.h"
#include "core/ItemText.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Button.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Edit.h"
#include "platform/ui/ImageList.h"

class CProductSelectDlg : public CDialog {
public:
    explicit CProductSelectDlg(CWnd* parent = nullptr);
    ~CProductSelectDlg() override;

    int m_nMode = 0;
    CString m_strCode;
    CString m_strName;
    CString m_strStyle;
    CString m_strStand;
    CString m_strDrawingCode;
    int m_nRightMode = 0;
    BOOL m_bMultiSelect = 0;
    CString m_strLoginUser;
    CStringArray m_arrCodes;
    CStringArray m_arrNames;
    CStringArray m_arrStyles;
    CStringArray m_arrStands;
    CString m_strFilterStyle;
    CString m_strFilterStand;
    BOOL m_bAskShowAll = 0;

    CString m_strSearch;
    int m_nShowMode = 0;
    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    int m_nRowCount = 0;
    int m_nCurrent = -1;
    int m_nSortColumn = 0;
    CImageList m_imageRows;
    CImageList m_imageArrows;
    CStringArray m_arrRightCodes;
    int m_nProductRight = 0;
    CPtrArray m_arrItemTexts; // CItemText*, owned

    CSortListCtrl m_list; // 1003; its header shows the sort arrows
    CEdit m_editSearch;   // 1076

    // The drawing numbers of the products the account controls: its control rights, then the
    // products of the classes it manages. Database errors are shown; what was read is kept.
    static void LoadControlledProducts(const _ConnectionPtr& connection, const CString& login,
                                       CStringArray& codes);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnDestroy() override;
    afx_msg void OnOkButton();
    afx_msg void OnShowModeChanged();
    afx_msg void OnSearchChanged();
    afx_msg void OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnDblClick(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    void FreeItemTexts();
    void RebuildItemData();
    void FillFromStatement(const CString& sql, const std::vector<int>& fields, bool matchName);
    void FillProducts();
    void LoadRights();
    void AskShowAll();
    void SortByColumn(int column, bool ascending);
    void SelectRow(int row, bool deselectOthers);
    void Search();
    CItemText* NewItemText(const std::vector<CString>& fields);
};
