// CProductDataMatchDlg ("产品数据匹配"): says, for each column of a file being imported, which
// line attribute it holds. The last confirmed assignment is kept by column position in the
// file "QENT\SPT\vqbomspt.ini" below the installation folder and offered again next time:
//
//   [配置属性]
//   图号
//   图名
//                      (an empty line: a column without attribute)
//   [结束]
#pragma once

#include "platform/base/Collections.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/ListCtrl.h"

class CProductDataMatchDlg : public CDialog {
public:
    explicit CProductDataMatchDlg(CWnd* parent = nullptr);

    // The 18 attributes offered, then "装配级别" when the level is offered.
    static const CStringArray& Attributes(BOOL withLevel);

    int m_nWithLevel = 0;            // non-zero: "装配级别" is offered
    CStringArray m_arrSourceColumns; // the file's column names, in order
    CStringArray m_arrResults;       // after OK: one attribute per row ("" for none)
    CString m_strMatchFile;          // the path of the matching file
    int m_nSelectedRow = -1;

    CListCtrl m_listColumns;   // 1000
    CListBox m_listAttributes; // 1092

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    afx_msg void OnAssign();
    afx_msg void OnClear();
    afx_msg void OnItemChangedColumns(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    void ReadMatchFile();
};
