// CPartChangeHistoryDlg ("零部件更改历史"): the change history of one part. It lists the formal
// change orders that released the part (ECOPartRelease, filtered by whether the change has been
// carried into the drawing) or the part's modification notices still being prepared, and opens
// from a row the change order's form, its review results, the part's where-used query, the part's
// revisions or the order's sheet. The list sorts by any column and exports to a text file.
//
//   CPartChangeHistoryDlg dlg;          // no parent window
//   dlg.m_strPartCode = code;
//   dlg.m_strRevision = revision;       // kept for the opener; the history covers every revision
//   dlg.m_bLockPart = 1;                // the part cannot be changed in the dialog
//   dlg.DoModal();                      // nothing is read back
#pragma once

#include "controls/ResizeCtrl.h"
#include "controls/SortListCtrl.h"
#include "platform/base/Collections.h"
#include "platform/base/Folders.h"
#include "platform/db/Ado.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

#include <string>

class CPartChangeHistoryDlg : public CDialog {
public:
    enum { IDD = 272 };
    static constexpr int kFrameId = 1401;
    static constexpr int kProductCheckId = 1402;
    static constexpr int kPartCodeId = 1403;
    static constexpr int kPartButtonId = 1404;
    static constexpr int kPartNameId = 1405;
    static constexpr int kManagerId = 1406;
    static constexpr int kManagerButtonId = 1407;
    static constexpr int kListId = 1408;
    static constexpr int kStateComboId = 1409;
    static constexpr int kAllProductsId = 1410;
    static constexpr int kResponsibleId = 1411;
    static constexpr int kSearchModeId = 1412;
    static constexpr int kStartId = 1413;
    static constexpr int kExportId = 1414;
    static constexpr int kDrawingPropId = 1415;
    static constexpr int kBorrowId = 1416;
    static constexpr int kOrderPropId = 1417;
    static constexpr int kAuditResultId = 1418;
    static constexpr int kByProductClassId = 1419;

    // Indexes of the state combo.
    enum StateFilter { kNotUpdated = 0, kUpdated = 1, kAllFormal = 2, kPreparing = 3 };

    explicit CPartChangeHistoryDlg(CWnd* parent = nullptr);
    ~CPartChangeHistoryDlg() override;

    CString m_strPartCode;
    CString m_strPartName;
    CString m_strManager;
    CString m_strRevision; // the opener's revision; not used by the history
    int m_nStateFilter = kAllFormal;
    BOOL m_bByProductClass = 0;
    BOOL m_bLockPart = 0;
    int m_nColumnCount = 8;
    BOOL m_bProduct = 0;
    BOOL m_bAllProducts = 0;
    BOOL m_bResponsible = 0;
    BOOL m_bSearchMode = 0;

    CSortListCtrl m_list;
    CComboBox m_comboState;

    // The statement of the query for a state index.
    CString BuildQuerySql(int stateFilter) const;
    // The export file's bytes for the list as it stands: code page 936, every line ended by CR LF,
    // the columns padded with blanks to their widths in bytes.
    std::string ExportText() const;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    void PostNcDestroy() override;
    void OnStart();
    void OnStateCloseUp();
    void OnOrderProperty();
    void OnAuditResult();
    void OnBorrow();
    void OnDrawingProperty();
    void OnExport();
    void OnDblClick(NMHDR* pNMHDR, LRESULT* pResult);
    void OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    void RunQuery();
    void LookUpPartName();
    void EnableRowButtons(BOOL enable);
    // The first selected row, or -1 after "请选择列表项...".
    int SelectedRowOrTell();
    void RenumberRows();

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CImageList m_imageArrows;
    CResizeCtrl m_resize;
    CPtrArray m_arrRows; // CItemText records behind the rows
    // Where the orders' sheets are fetched to: a folder of the dialog's own (see OnDblClick).
    vq::CallFolder m_copies;
};
