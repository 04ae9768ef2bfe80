// CDataDeleteConfirmDlg: deletes one node of a project's work breakdown (a project or a project
// task, a row of ProjectManage) with every task below it and everything that hangs on them. It
// lists the rows that will go and the number of task documents involved; it refuses while a
// work-group work task hangs on the subtree. On OK it asks once more, then deletes task by task
// (the task's rows in one transaction, then its folders and work-document copies on the FTP
// server) and last the ProjectManage rows of the subtree. The caller fills ProjectNo,
// ProjectName and ProjectPath ("项目管理" for a top-level project) and runs it modally; IDOK
// means the subtree is gone.
#pragma once

#include "controls/SortListCtrl.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

class CFtpConnection;
class CVQTWSaveFileToFTP;

class CDataDeleteConfirmDlg : public CDialog {
public:
    static constexpr int kWarningId = 1301;
    static constexpr int kListId = 1302;
    static constexpr int kDocCountId = 1303;

    explicit CDataDeleteConfirmDlg(CWnd* parent = nullptr);
    ~CDataDeleteConfirmDlg() override;

    CString ProjectNo;
    CString ProjectName;
    CString ProjectPath;

    CSortListCtrl m_list;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnDestroy() override;
    void OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult);
    // Called after the task of a list row has been deleted (rows and FTP contents).
    virtual void OnTaskDeleted(int row) {}

    DECLARE_MESSAGE_MAP()

private:
    // The ProjectPath that the node's children carry.
    CString SubtreePrefix() const;
    bool AskAboutStartedDescendants();
    bool CheckWorkTasks();
    void BuildList();
    void FillRows(const CString& sql);
    void RenumberRows();
    // Deletes one task: its rows in one transaction, then its FTP contents; leftovers collects
    // what stays on the server. False when the deletion must stop.
    bool DeleteTask(const CString& taskNo, CVQTWSaveFileToFTP& store, CStringArray& leftovers);
    bool DeleteProjectRows();
    // Empties and removes a task folder; false when it is still on the server afterwards.
    bool RemoveTaskFolder(const CString& folder);
    void EmptyFtpFolder(const CString& folder, int depth);
    CString FtpFolder(const CString& area, const CString& name) const;

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CFtpConnection* m_pFtpConnection = nullptr;
    int m_nDocCount = 0;
    CImageList m_imageArrows;
    CImageList m_imageRows;
    CPtrArray m_arrItemTexts; // CItemText*, owned
};
