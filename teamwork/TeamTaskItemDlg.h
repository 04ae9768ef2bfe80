// CTeamTaskItemDlg: the work task item dialog ("工作任务分解"). It creates one TeamWorkManage row
// below a project task or a work task group, or edits an existing one; it numbers new work tasks
// (MakeNewWorkID), notifies a newly assigned responsible person and writes a work-log row for
// every creation and change.
//
//   CTeamTaskItemDlg dlg(this);
//   dlg.TaskNo = taskNo;           // the project task
//   dlg.UpWorkID = parentId;       // empty: directly below the project task
//   dlg.ModifyMode = 0;            // 1: edit the row of dlg.WorkID (set ReadOnly, HasSubWorks too)
//   if (dlg.DoModal() == IDOK) { dlg.WorkID, dlg.WorkName, dlg.TypeIndex ... }
//
// Callers set ReadOnly themselves (default 0); the dialog turns it on when the login account may
// not maintain the work task.
#pragma once

#include "core/StoredRowEdit.h"

#include "platform/base/String.h"
#include "platform/base/Time.h"
#include "platform/db/Ado.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/DateTimeCtrl.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/SpinButtonCtrl.h"

#include <memory>
#include <vector>

class CTeamTaskItemDlg : public CDialog {
public:
    explicit CTeamTaskItemDlg(CWnd* parent = nullptr);

    CSpinButtonCtrl PrioritySpin;
    CComboBox TypeCombo;
    CDateTimeCtrl EndDatePicker;
    CDateTimeCtrl CheckDatePicker;
    CDateTimeCtrl BeginDatePicker;
    CString WorkID;
    CString WorkName;
    CString WorkState;
    CString WorkPrompt;
    CString WorkRequest;
    CString PartCode;
    CString Manager;
    int BeginNum = 1;
    int EndNum = 9999;
    int TypeIndex = 1; // 0 "工作任务组" (V), 1 "工作任务" (W), 2 "更改任务" (M)
    int BeginDays = 0;
    int CheckDays = 0;
    int EndDays = 0;
    int Priority = 500;
    CString TaskNo;
    CString TaskName;
    CString UpWorkID;
    int ModifyMode = 0;
    int ReadOnly = 0;
    int HasSubWorks = 0;
    _ConnectionPtr Connection;
    int CloseMode = 0;
    CTime Today;
    CString BeginTime;
    CString CheckTime;
    CString PreEndedTime;
    CString OldManager;
    CString ParentEndTime;
    CString LoginUser;

    // The id of a new work task below UpWorkID; empty after a database error.
    CString MakeNewWorkID();
    // Reads the row of WorkID; 1 when it was read.
    int LoadWork();
    // The number of the top-level project above a project task.
    CString GetTopProjectNo(CString taskNo);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    afx_msg void OnSelectManager();
    afx_msg void OnAssignResource();
    afx_msg void OnTaskQuery();
    afx_msg void OnSelChangeTaskType();
    afx_msg void OnChangeBeginDays();
    afx_msg void OnChangeCheckDays();
    afx_msg void OnChangeEndDays();
    afx_msg void OnBeginDateChange(NMHDR* header, LRESULT* result);
    afx_msg void OnCheckDateChange(NMHDR* header, LRESULT* result);
    afx_msg void OnEndDateChange(NMHDR* header, LRESULT* result);
    afx_msg void OnPriorityDeltaPos(NMHDR* header, LRESULT* result);
    afx_msg void OnChangePriority();
    DECLARE_MESSAGE_MAP()

private:
    void InitNewWork();
    void InitExistingWork();
    void CheckMaintainRights();
    void LockFields();
    void ReadParentEndTime();
    void ShowDatesFromTexts();
    void DaysChanged(int daysId, CDateTimeCtrl& picker, int& days, CString& dateText);
    void DateChanged(int daysId, CDateTimeCtrl& picker, int& days, CString& dateText);
    int DaysFromToday(CDateTimeCtrl& picker) const;
    CString PickerDate(CDateTimeCtrl& picker) const;
    void SetFieldText(int id, const CString& text);
    CString TypeLetter() const;
    BOOL StoreNewWork(const CString& typeLetter, const CString& dateTime);
    CString ParentLockName() const;
    int ParentStored() const;
    BOOL StoreChangedWork(const CString& typeLetter);
    // The row's fields as the window shows them now, each as OK writes it.
    std::vector<StoredField> StoredFields();
    void NotifyManager();
    CString NoticeText();
    // The number of the project task in a work id: the part before the first "#".
    static CString TaskNumberOf(const CString& id);

    bool m_bSettingFields = false; // fields are being written by the code, not typed
    // The existing row as the window opened it; OK writes only what the user changed in it.
    std::unique_ptr<CStoredRowEdit> m_storedRow;
};
