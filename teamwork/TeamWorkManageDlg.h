// CTeamWorkManageDlg: the work task list of one project task ("工作任务管理 - name[number]"):
// every work task below the task, at every depth, with its number, name, manager and state. From
// it the user adds a work task directly below the task, modifies or deletes one and assigns
// outside resources to one.
//
//   CTeamWorkManageDlg dlg(this);
//   dlg.TaskNo = taskNo;
//   dlg.TaskName = taskName;
//   dlg.ReadOnly = 0;        // callers set it; the dialog sets it for an archived or stored task
//   dlg.DoModal();
#pragma once

#include "controls/SortListCtrl.h"
#include "core/ItemText.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

#include <memory>
#include <vector>

// The index of the first selected row of a report list, scrolled into view (partly visible is
// enough); -1 when the list is empty or no row is selected. The selection is not changed.
int GetSelectedItem(CListCtrl& list);

class CTeamWorkManageDlg : public CDialog {
public:
    explicit CTeamWorkManageDlg(CWnd* parent = nullptr);
    ~CTeamWorkManageDlg() override;

    CString TaskNo;
    CString TaskName;
    int ReadOnly = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    afx_msg void OnAddWork();
    afx_msg void OnModifyWork();
    afx_msg void OnDelete();
    afx_msg void OnAssignResources();
    afx_msg void OnListDblClk(NMHDR* header, LRESULT* result);
    DECLARE_MESSAGE_MAP()

    void FillList();

private:
    CItemText* NewRecord(int serial, const CString& id, const CString& name, const CString& manager,
                         const CString& state);
    void SetRowTexts(int row, CItemText* record);
    void RenumberRows();
    void EnableRowButtons(BOOL enable);

    CString m_taskState;
    _ConnectionPtr m_connection;
    int m_closeMode = 0;
    CImageList m_images;
    CSortListCtrl m_list;
    std::vector<std::unique_ptr<CItemText>> m_records;
};
