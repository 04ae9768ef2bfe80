// CSelectModifyItemDlg ("选择修改单信息"): lists the modification notices that involve a part,
// filtered further by number and author ("*" stands for any text), and returns the numbers of the
// rows the user selects. With m_bLockPart and a part code the part is fixed and the search runs as
// the dialog opens.
#pragma once

#include "controls/SortListCtrl.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"

class CSelectModifyItemDlg : public CDialog {
public:
    enum { IDD = 271 };
    static constexpr int kOrderNoId = 1001;
    static constexpr int kSaveUserId = 1002;
    static constexpr int kUserButtonId = 1003;
    static constexpr int kPartCodeId = 1004;
    static constexpr int kPartButtonId = 1005;
    static constexpr int kListId = 1006;
    static constexpr int kSearchModeId = 1007;
    static constexpr int kPartPropId = 1008;
    static constexpr int kOrderPropId = 1009;
    static constexpr int kSearchId = 1010;

    explicit CSelectModifyItemDlg(CWnd* parent = nullptr);
    ~CSelectModifyItemDlg() override;

    CString m_strOrderNo;
    CString m_strSaveUser;
    CString m_strPartCode;
    BOOL m_bSearchMode = 0;
    BOOL m_bLockPart = 0;
    CStringArray m_arrSelectedNo;
    CString m_strSelectedNo;

    CSortListCtrl m_list;

    // The statement of a search with the current filters.
    CString BuildSearchSql() const;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void PostNcDestroy() override;
    void OnSearch();
    void OnBrowseUser();
    void OnBrowsePart();
    void OnPartProperty();
    void OnOrderProperty();
    void OnDblClick(NMHDR* pNMHDR, LRESULT* pResult);
    void OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    void RenumberRows();

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CPtrArray m_arrRows; // CItemText records behind the rows
};

// The related modification notices of a changed part: `text` holds numbers joined by "; "; each
// chosen number that is not yet one of its entries (whole entries, without regard to letter
// case) is appended with "; ". "EC-1" is thus added beside "XEC-1" or "EC-10".
CString AppendRelatedNumbers(const CString& text, const CStringArray& numbers);
