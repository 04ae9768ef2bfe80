// CPartSelectDlg ("选择零部件"): searches the parts of a family of product-structure tables by
// drawing number, name and product, among the title rows or the bill-of-materials lines, and
// returns the rows the person picks. The opener may preset the three search fields, runs DoModal
// and, after IDOK, reads the m_strSel... values of the first chosen row or the arrays of all.
//
// The patterns take "*" as a wildcard; every other character, "%" and "_" included, stands for
// itself. The "图 号:" button asks the maker's coding manager for a new drawing number.
#pragma once

#include "controls/SortListCtrl.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

class CPartSelectDlg : public CDialog {
public:
    explicit CPartSelectDlg(CWnd* parent = nullptr);
    ~CPartSelectDlg() override;

    // Search fields (edits 1038, 1199, 1044).
    CString m_strCode;
    CString m_strName;
    CString m_strProduct;
    int m_bDetail = 0;   // 0: title rows; 1: bill-of-materials lines
    int m_nDataType = 0; // 0 archive, 1 work, 2 project-task tables

    // Results of OK: every chosen row in list order, and the first chosen row.
    CStringArray m_arrCode;
    CStringArray m_arrName;
    CStringArray m_arrOther;
    CStringArray m_arrProduct;
    CStringArray m_arrMaterial;
    CStringArray m_arrWeight;
    CString m_strSelCode;
    CString m_strSelName;
    CString m_strSelOther;
    CString m_strSelProduct;
    CString m_strSelMaterial;
    CString m_strSelWeight;

    CString m_strTitleTable = "VqkorvelAll_title";
    CString m_strDetailTable = "VqkorvelAll_detail";
    CString m_strWhere;
    int m_nRowCount = 0;
    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CPtrArray m_arrItemTexts; // CItemText* of the rows, owned

    CSortListCtrl m_list;  // 1051
    CComboBox m_comboType; // 1074
    CImageList m_imageArrows;

    // The WHERE text of a search (empty when every field is empty), built as "查询" builds it.
    static CString MakeWhere(bool detail, const CString& code, const CString& name, const CString& product);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnDestroy() override;
    afx_msg void BuildWhere();
    afx_msg void SelectTables();
    afx_msg void OnNewCode();
    afx_msg void OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnDblClick(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    void Search();
    void FreeItemTexts();
};
