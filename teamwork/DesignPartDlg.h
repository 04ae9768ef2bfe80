// CDesignPartDlg ("增加设计零部件"): creates one part of a work task (a TeamWorkPart row) and,
// with PlaceInTree, links it under its parent in the work's structure (a TeamWorkPartTree row).
// Opened with a part code and name it replaces that part: the old link and row go, the new ones
// are stored, and the children of the old code follow the new one. The dialog writes the rows
// itself and ends with IDOK once they are stored.
//
//   CDesignPartDlg dlg(this);
//   dlg.WorkID = workId;
//   dlg.PlaceInTree = 1;
//   dlg.UpCode = parentCode;          // empty: the work itself
//   dlg.PartCode = code;              // only to replace an existing part
//   dlg.PartName = name;
//   if (dlg.DoModal() == IDOK) { dlg.PartCode, dlg.PartName ... }
#pragma once

#include "core/StoredRowEdit.h"
#include "platform/base/String.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"

#include <memory>
#include <vector>

class CDesignPartDlg : public CDialog {
public:
    explicit CDesignPartDlg(CWnd* parent = nullptr);

    CString PartCode;
    CString PartName;
    CString SaveDate;
    CString UsedFlag = "否";
    CString UserName;
    CString WorkID;
    int IsAssemble = 0;
    CString TrastUser;
    CString Note;
    int QueryMode = 0;
    int PlaceInTree = 0;
    CString UpCode;
    _ConnectionPtr Connection;
    int CloseMode = 0;
    CString LoginName;
    CString OldPartCode;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    DECLARE_MESSAGE_MAP()

    afx_msg void OnSelectPart();
    afx_msg void OnBorrowPart();
    afx_msg void OnPickTrustUser();

    // Where the code is linked already: false after showing the location (or a failed read).
    bool FindPartInTree();

private:
    // Writes the link and the part row in one transaction; false when anything failed.
    bool StorePart(const CString& savedAt);
    // The revision, submitted flag and state of the part row being replaced, kept by the new row.
    struct KeptPartColumns {
        CString partRev = "A";
        CString usedFlag = "0";
        CString state = "分配";
    };
    bool ReadReplacedPart(KeptPartColumns& kept);
    // Opened on a stored part: its declarer, trusted user, assembly tick and link note are shown,
    // so that a store without a change writes them back as they were.
    void ShowStoredPart();
    // The part row's and the link's fields as the dialog shows them now.
    std::vector<StoredField> PartFields() const;
    std::vector<StoredField> LinkFields() const;
    // Inside the store's transaction, under the work's lock: the fields the user left alone take
    // the values stored now, so that replacing the rows keeps what another client changed in them;
    // false (one box) when another client changed a field the user changed, or deleted the part.
    bool MergeStoredPart();

    // The replaced part's row and link as the dialog read them.
    std::unique_ptr<CStoredRowEdit> m_storedPart, m_storedLink;
};
