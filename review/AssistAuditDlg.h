// CAssistAuditDlg ("设计过程—协助评审任务管理"): the assisting reviews of one review step of a
// document (rows of TeamWorkNextAudit): lists them and adds, changes, restarts and deletes them,
// and opens the redline markup an assisting reviewer left. In its automatic mode it gives the
// preset auditors their tasks at once and closes (several documents decided together). Tasks are
// added under the document's lock, after reading the step's tasks again, so that two windows adding
// at the same moment never give one name (or one auditor) twice, and only while the document is
// under review and the step still open. A restart or deletion is decided under the same lock on
// the tasks as stored after the answer: a task another client changed or deleted meanwhile stops
// it (one box says which), and a deletion keeps the tasks whose stored state is finished.
#pragma once

#include "controls/SortListCtrl.h"
#include "platform/base/Collections.h"
#include "platform/base/Folders.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"

#include <functional>
#include <vector>

class CAssistAuditDlg : public CDialog {
public:
    enum { IDD = 30033 };
    static constexpr int kListId = 1001;
    static constexpr int kAddId = 1002;
    static constexpr int kModifyId = 1003;
    static constexpr int kDeleteId = 1004;
    static constexpr int kRestartId = 1005;
    static constexpr int kBrowseMarkupId = 1006;

    // The columns of the task list.
    enum Column {
        kTaskColumn,
        kAuditorColumn,
        kBeginColumn,
        kFinishColumn,
        kStateColumn,
        kResultColumn,
        kOpinionColumn,
        kRequestColumn,
        kColumnCount
    };

    explicit CAssistAuditDlg(CWnd* parent = nullptr);
    ~CAssistAuditDlg() override;

    // The next free task name: StepName followed by "[n]", n from 1 to 100; empty (after the
    // message) when all 100 are taken.
    CString MakeTaskName();

    CSortListCtrl m_list;
    CString FileID;
    CString UpAuditName;
    int ReadOnly = 0;
    int AutoAssign = 0;
    CStringArray PresetAuditors; // the auditors of the automatic mode; users picked by hand are appended
    _ConnectionPtr Connection;
    int CloseMode = 0;
    CString LoginName;
    CString StepName; // UpAuditName without its "[N]" ending
    CStringArray TempFiles;
    CString DocPath;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    afx_msg void OnAddTask();
    afx_msg void OnModifyTask();
    afx_msg void OnDblClick(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnDeleteTask();
    afx_msg void OnRestartTask();
    afx_msg void OnBrowseMarkup();
    DECLARE_MESSAGE_MAP()

private:
    void LoadTasks();
    void EnableEditButtons();
    bool HasAuditor(const CString& auditor) const;
    // The first of StepName[1] .. StepName[100] that no row of the list has; empty when all are.
    CString FreeTaskName() const;
    // Gives one user a task and tells him: under the document's lock the list is read again
    // (another window may have added tasks since), then the name is chosen and the row written.
    // Says why a user got none once the lock is given back; false when the adding must end.
    bool AddTaskFor(const CString& user, const CString& sendTime, const CString& sendDate);
    std::vector<int> SelectedRows() const;
    // Inside a transaction holding the document's lock: takes the document's row (the lock a
    // decision takes) and reads whether a task may still be opened on the step: the document under
    // review ("评审") and the step stored and not decided. When not, `closed` gets the line that
    // says why. False when a statement failed (shown).
    bool ReadStepClosed(CString& closed);
    // Runs `write` in one transaction under the document's lock, after checking the listed rows
    // against the tasks as stored (the columns `compared`, every column when empty) and, with
    // `opensTasks`, that the step is still open; true when written. When anything changed
    // meanwhile, nothing is written, one box says what and that nothing of `what` was done, and
    // the list is read again; after a failure (shown) nothing is written.
    bool WriteTasksAsListed(const std::vector<int>& rows, const std::vector<int>& compared, const char* what,
                            bool opensTasks, const std::function<bool()>& write);
    // Deletes a task's markup (inside the caller's transaction); false when a statement failed.
    bool DeleteTaskMarkup(const CString& task);
    void SendAssistNotice(const CString& auditor, const CString& sendTime, const CString& sendDate);
    bool FindTaskMarkup(const CString& task, CString& markupId, CString& fileType);
    CString DownloadMarkup(const CString& markupId, const CString& fileType);
    CString DownloadDocument();
    // Where this object's copies are written: names of its own, so that another call of the same
    // user (another host on a document or step of the same name) never writes over them.
    mutable vq::CallFolder m_callFolder;
};
