// CECONextAuditTaskDlg ("更改单—协助评审任务管理"): the assisting-review tasks of one review step
// of a change order (a step whose name carries "[N]"). Tasks are added for users chosen in the
// user picker (one per account and step, named after the step: 校对[N] gives 校对[1], 校对[2],
// ...), changed in the task item dialog, restarted and deleted; each assisting reviewer given a
// task is told through a message row and the message server. With the display-only switch the
// tasks are only shown.
//
//   CECONextAuditTaskDlg dlg;
//   dlg.m_strECOGroup = "更改单";
//   dlg.m_strECONo = number;
//   dlg.m_strUpAuditName = "校对[N]";
//   dlg.m_bDisplayOnly = 1;
//   dlg.DoModal();
#pragma once

#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ListCtrl.h"

#include <functional>
#include <vector>

class CSqlTransaction;

class CECONextAuditTaskDlg : public CDialog {
public:
    enum { IDD = 6021 };
    static constexpr int kListId = 1001;
    static constexpr int kReReviewId = 1002;
    static constexpr int kAddId = 1003;
    static constexpr int kModifyId = 1004;
    static constexpr int kDeleteId = 1005;

    // Columns of the list.
    enum {
        kNameColumn,
        kAuditorColumn,
        kBeginColumn,
        kFinishColumn,
        kStateColumn,
        kResultColumn,
        kRemarkColumn,
        kRequestColumn,
        kColumnCount
    };

    explicit CECONextAuditTaskDlg(CWnd* parent = nullptr);
    ~CECONextAuditTaskDlg() override;

    CString m_strECOGroup;
    CString m_strECONo;
    CString m_strUpAuditName; // the review step the tasks assist
    int m_bDisplayOnly = 0;

    CListCtrl m_list;

    // The base name of the step's tasks: the step name cut before a "[N]" that is not at its
    // start, else the whole name.
    static CString BaseNameOf(const CString& stepName);
    // The next free task name "base[n]", n from 1 to 100; empty after a message when all are taken.
    CString MakeNewTaskName();
    // TRUE when a row of the list has the text as its label, compared without case.
    BOOL IsItemInList(CString text);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnAddTask();
    void OnModifyTask();
    void OnDeleteTask();
    void OnReReview();
    void OnDblClick(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    void LoadTasks();
    // Empties the list and loads the step's tasks again (after another user changed them).
    void ReloadTasks();
    bool HasAuditor(const CString& account) const;
    // A row on the step's task: the key statement's WHERE clause.
    CString TaskCondition(const CString& taskName) const;
    // Writes the notice row and calls the message server; the task stays whatever happens.
    void SendTaskNotice(const CString& account, const CString& sendTime, const CString& sendDate);
    void EnableRowButtons();
    std::vector<int> SelectedRows() const;
    // Inside the transaction: takes the locks of the tasks on the rows and reads them again. True
    // when each is stored as the list shows it (wholeTask false: its auditor and request, the
    // fields this system changes; the review outside it may finish the task); else false, and
    // one box names the tasks another client changed or deleted and says that nothing was done
    // (`what`: the operation).
    bool LockTasksAsListed(CSqlTransaction& transaction, const std::vector<int>& rows, bool wholeTask,
                           const char* what);
    // Runs `write` in one transaction after LockTasksAsListed, and commits; true when written. When
    // the tasks changed meanwhile, nothing is written and the list is read again; after a failure
    // (shown) nothing is written.
    bool WriteTasksAsListed(const std::vector<int>& rows, bool wholeTask, const char* what,
                            const std::function<bool()>& write);

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CString m_strLoginUser;
    CString m_strBaseName;
};
