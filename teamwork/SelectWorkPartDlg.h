// CSelectWorkPartDlg ("选择工作零部件"): picks one part declared for a work task (its
// TeamWorkPart rows), or of all work tasks of a project task, or takes a part code and name
// typed by hand, or removes the association (OK with empty results).
//
//   CSelectWorkPartDlg dlg(this);
//   dlg.m_strScopeCode = workId;      // a work id; a project task number with m_bTaskScope
//   dlg.m_strPartCode = currentCode;  // the row selected when the list opens
//   if (dlg.DoModal() == IDOK) { dlg.m_strPartCode, dlg.m_strPartName ... }
#pragma once

#include "controls/SortListCtrl.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

class CSelectWorkPartDlg : public CDialog {
public:
    explicit CSelectWorkPartDlg(CWnd* parent = nullptr);
    ~CSelectWorkPartDlg() override;

    CString m_strScopeCode; // a work id, or a project task number when m_bTaskScope is set
    int m_bTaskScope = 0;   // 0: the parts of one work; 1: of every work of the project task
    CString m_strPartCode;  // in: the row to select; out: the chosen code
    CString m_strPartName;  // out: the chosen name
    int m_bManualInput = 0; // "手工输入"

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void PostNcDestroy() override;
    DECLARE_MESSAGE_MAP()

    afx_msg void OnItemchangedList(NMHDR* header, LRESULT* result);
    afx_msg void OnColumnclickList(NMHDR* header, LRESULT* result);
    afx_msg void OnDblclkListOK(NMHDR* header, LRESULT* result);
    afx_msg void OnManualInput();
    afx_msg void OnClearAssociation();

    void FillPartList();

private:
    void ShowRowInBoxes(int row);
    void SetBoxesEditable(bool editable);

    _ConnectionPtr m_pConnection;
    int m_nDatabaseType = 0;
    int m_nAdoCloseMode = 0;
    int m_nCurrentRow = -1;
    CPtrArray m_records; // one CItemText per row, fields in column order
    CImageList m_arrowImages;
    CImageList m_rowImages;
    CSortListCtrl m_list;
};
