// CTaskQueryDlg ("任务查询"): the project tasks and the work-group work tasks one user is in charge
// of, in the current project or in all projects, for that user or for all users. Another user
// can be picked; the caller reads UserName afterwards.
#pragma once

#include "controls/SortListCtrl.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

class CTaskQueryDlg : public CDialog {
public:
    explicit CTaskQueryDlg(CWnd* parent = nullptr);
    ~CTaskQueryDlg() override;

    CString UserName;  // the login whose tasks are listed; the current login when empty
    CString ProjectNo; // the current project; empty: none known
    int m_nUserScope = 0;    // 0 "指定用户", 1 "所有用户"
    int m_nProjectScope = 0; // 0 "本项目", 1 "所有项目"

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    DECLARE_MESSAGE_MAP()

    afx_msg void OnScopeChanged();
    afx_msg void OnPickUser();
    afx_msg void OnColumnClick(NMHDR* header, LRESULT* result);

private:
    void Refill();
    void ReadRows(const CString& sql);
    CString ProjectTaskStatement() const;
    CString WorkTaskStatement() const;
    void RenumberRows();

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    int m_nDatabaseType = 0;
    CPtrArray m_records;
    CImageList m_arrowImages;
    CImageList m_rowImages;
    CSortListCtrl m_list;
};
