// CDwgDetailDlg ("图纸的详细信息"): the title block and the bill of materials of one revision of
// one drawing. The current revision is read from the archive tables (VqkorvelAll_title/_detail),
// an earlier one from the revision tables (VqkorvelVer_title/_detail).
//
//   CDwgDetailDlg dlg(this);
//   dlg.m_strTablePrefix = "VqkorvelVer";
//   dlg.m_strPartCode = code;
//   dlg.m_strRevision = "B";          // empty: the drawing's current revision
//   dlg.DoModal();
//
// CDwgSheetSize works out the sheet-size text shown in the row "图幅".
#pragma once

#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ListCtrl.h"

class CDwgSheetSize {
public:
    // The sheet size itself unless it is "自定义"; otherwise the standard sheet whose short side
    // (landscape "横置") or long side (portrait) matches the height, with the multiple of the
    // width: "A3*2". Unknown heights count as A0.
    CString GetSheetSizeText(CString sheetSize, CString dimensions, CString orientation);

    CString m_strBaseName = "A0";
};

class CDwgDetailDlg : public CDialog {
public:
    explicit CDwgDetailDlg(CWnd* parent = nullptr);
    ~CDwgDetailDlg() override;

    CString m_strTablePrefix; // "VqkorvelAll" or "VqkorvelVer"
    CString m_strPartCode;
    CString m_strRevision;    // empty: the current revision, read when the dialog opens
    int m_bChangeHistory = 1; // 0 disables "更改历史..."

    CListCtrl m_titleList; // 1033
    CListCtrl m_lineList;  // 1030

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    afx_msg void OnWhereUsed();
    afx_msg void OnChangeHistory();
    DECLARE_MESSAGE_MAP()

private:
    void ShowTitle();
    void ShowLines();
    void SortLines();
    void FreeItemTexts();
    bool IsRevisionFamily() const;

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CString m_strTitleOther[5];
    CString m_strLineRemark;
    CString m_strLineStyle;
    CString m_strLineStand;
    CString m_strLineOther1;
    CString m_strLineOther2;
    int m_nDecimalQuantity = 0;
    CPtrArray m_arrItemTexts; // CItemText behind each line row
};
