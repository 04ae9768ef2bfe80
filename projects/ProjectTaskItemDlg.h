// CProjectTaskItemDlg: the properties of one project or task ("项目/任务项属性"). It creates a new
// top-level project or a new task below a project or task (it checks the values and returns them;
// the caller inserts the row and then announces it), or shows and changes an existing row of
// ProjectManage (it updates the row itself, and the paths below it when the name changed).
//
//   CProjectTaskItemDlg dlg(this);
//   dlg.NewItem = 1; dlg.Editable = 1; dlg.IsProject = 1; dlg.ProjectPath = "项目管理";
//   if (dlg.DoModal() == IDOK) { insert the row from dlg.ItemNo, ...; dlg.AnnounceNewItem(); }
#pragma once

#include "controls/SortListCtrl.h"
#include "core/StoredRowEdit.h"
#include "platform/base/Time.h"
#include "platform/db/Ado.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/DateTimeCtrl.h"
#include "platform/ui/Dialog.h"

#include <memory>
#include <vector>

class CProjectTaskItemDlg : public CDialog {
public:
    explicit CProjectTaskItemDlg(CWnd* parent = nullptr);

    // --- Set by the caller before DoModal
    CString ProjectNo;   // existing item: its number; new item: the parent's number (optional)
    CString ProjectName; // existing item: its stored name; new item: the parent's name
    CString ProjectPath; // existing item: its path; new item: the parent's path
    int NewItem = 0;
    int Editable = 0;
    int IsProject = 0;
    CString TableName = "ProjectManage";
    // --- The values of the dialog (results after IDOK)
    CString ItemNo, ItemName;
    CString Manager;
    CString PreendedTime, AlertTime, StartTime;
    int EndDays = 0, AlertDays = 0, StartDays = 0;
    int Priority = 500;
    CString Remark;
    CString ProjectResource;
    int TaskTypeIndex = 0; // 0 "项目任务", 1 "工作组任务", 2 "更改任务"
    int SimpleProject = 0;
    int CreateWorkTask = 0;
    CString WorkState;
    CString AuditingModel, AuditorName;

    // The separator and the width of the sequence of a new task's number.
    CString m_strNumberSeparator = "-";
    int m_nSequenceWidth = 2;

    // The task type letter of the dialog's choices: "S", "T", "M" or "V".
    CString TaskTypeLetter() const;
    // True when a step of the dialog has stored rows under the new item's number.
    bool NumberLocked() const { return m_bNumberLocked; }
    // The number a new task below the parent gets now, in the dialog's separator and width;
    // empty when the parent's number cannot be read.
    CString ProposeNumber() const;
    // For a new item, called by the caller once it has stored the row: the operation log of the
    // new item and the notice to its manager, with the number the row was stored under.
    void AnnounceNewItem();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    DECLARE_MESSAGE_MAP()

    afx_msg void OnNewCode();
    afx_msg void OnAddResource();
    afx_msg void OnModifyResource();
    afx_msg void OnDeleteResource();
    afx_msg void OnResourceDblClk(NMHDR* header, LRESULT* result);
    afx_msg void OnResourceChanged(NMHDR* header, LRESULT* result);
    afx_msg void OnEndDateChanged(NMHDR* header, LRESULT* result);
    afx_msg void OnAlertDateChanged(NMHDR* header, LRESULT* result);
    afx_msg void OnStartDateChanged(NMHDR* header, LRESULT* result);
    afx_msg void OnEndDaysChanged();
    afx_msg void OnAlertDaysChanged();
    afx_msg void OnStartDaysChanged();
    afx_msg void OnPriorityChanged();
    afx_msg void OnPrioritySpin(NMHDR* header, LRESULT* result);
    afx_msg void OnTaskTypeChanged();
    afx_msg void OnSimpleProject();
    afx_msg void OnPickManager();
    afx_msg void OnTaskQuery();
    afx_msg void OnMembers();
    afx_msg void OnResources();
    afx_msg void OnSubdivide();
    afx_msg void OnAuditFlow();

private:
    void LoadExistingItem();
    void PrepareNewItem();
    void ReadParentDateBound();
    void ApplyReadOnly();
    void SetDatePickers();
    void ShowTypeButtons();
    void FillResourceList();
    bool PickResource(const CString& presetPart, CString& product, CString& part);
    int FindResource(const CString& product, const CString& part, int skipRow) const;
    void SelectResourceRow(int row);
    void UpdateResourceButtons();
    int SelectedResourceRow() const;

    void DateChanged(int pickerId, int daysId, CString& dateText, int& days);
    void DaysChanged(int pickerId, int daysId, CString& dateText, int& days);

    // The steps of OnOK.
    bool CheckNameAndNumber();
    bool CheckDatesAndType(const CString& type);
    bool StoreExistingItem(const CString& type);
    // The row's fields as the dialog shows them now, each as OK writes it.
    std::vector<StoredField> StoredFields() const;
    // The resource list as the stored text.
    CString ResourceText() const;
    void NotifyNewManager();
    void DeleteWhatThisDialogStored();

    // The number of the item's top-level project (its own for a top-level item); empty when the
    // project cannot be found.
    CString TopProjectNumber();
    // The item's own path: that of its parent's children for a new task.
    CString ItemPath() const;
    // The checks and the question before a step that stores rows under a new item's number; the
    // number is locked afterwards. False when the step must not go on.
    bool LockNewNumber(const CString& emptyMessage, const CString& characterEnding, const CString& takenMessage,
                       const CString& question, const CString& teamType);

    void ShowItem(int id, bool show);
    void EnableItem(int id, bool enable);
    void Warn(const CString& text, const CString& caption, int focusId);

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    int m_nDatabaseType = 0;
    int m_nPartSelectMode = 0;
    bool m_bRowFound = true;
    // The existing row as the dialog opened it; OK writes only what the user changed in it.
    std::unique_ptr<CStoredRowEdit> m_storedRow;
    bool m_bHasTasksBelow = false;
    CString m_strLoadedNo, m_strLoadedName, m_strLoadedManager;
    int m_nLoadedTypeIndex = 0;
    CString m_strParentDate; // the upper bound of the planned completion date
    COleDateTime m_baseDate;
    bool m_bUpdatingDates = false;
    // Set once the number of a new item is locked by a step that stores rows under it; the rows
    // a cancel removes are those of this number, in this group type.
    bool m_bNumberLocked = false;
    CString m_strLockedNo;
    CString m_strLockedTeamType;

    CSortListCtrl m_resourceList;
    CComboBox m_taskType;
    CDateTimeCtrl m_endDate, m_alertDate, m_startDate;
};
