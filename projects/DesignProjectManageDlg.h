// CDesignProjectManageDlg ("设计项目管理"): the list of the top-level design projects, filtered by
// work state and by the person in charge; adds a project (with, when asked, its first work
// task), opens a project's properties and deletes a project that has not started.
#pragma once

#include "controls/SortListCtrl.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

class CProjectTaskItemDlg;

class CDesignProjectManageDlg : public CDialog {
public:
    explicit CDesignProjectManageDlg(CWnd* parent = nullptr);
    ~CDesignProjectManageDlg() override;

    int AddDisabled = 0; // non-zero: "增加项目..." stays disabled
    int Changed = 0;     // 1 once a project was added or deleted

    CString ManagerFilter; // the login name of the person in charge; empty: every manager
    int StateIndex = 0;

    // The clause of a state choice (index into the drop-down list), appended to the query.
    static CString StateClause(int index);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    DECLARE_MESSAGE_MAP()

    afx_msg void OnAddProject();
    afx_msg void OnModifyProject();
    afx_msg void OnDeleteProject();
    afx_msg void OnRefresh();
    afx_msg void OnPickManager();
    afx_msg void OnStateChanged();
    afx_msg void OnColumnClick(NMHDR* header, LRESULT* result);
    afx_msg void OnDblClick(NMHDR* header, LRESULT* result);

private:
    void Refill();
    int AppendRow(const CString texts[5]);
    void RebuildRecord(int row);
    int SelectedRow();
    bool MayChange(const CString& projectNo);
    bool CreateFirstWorkTask(const CProjectTaskItemDlg& item, const CString& created, const CString& today);
    void EnableRowButtons(bool enable);

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CString m_strLoginUser;
    CString m_strStateClause;
    CPtrArray m_records; // the CItemText behind each row
    CImageList m_rowImages;
    CImageList m_arrowImages;
    CSortListCtrl m_list;
    CComboBox m_state;
};
