// CDataDeleteConfirmDlg: deletes one node of a project's work breakdown (a project or a project
// task, a row of ProjectManage) with every task below it and everything that hangs on them. It
// lists the rows that will go and the number of task documents involved; it refuses while a
// work-group work task hangs on the subtree. On OK it asks once more, then deletes task by task
// (the task's rows in one transaction, then its folders and work-document copies on the FTP
// server) and last the ProjectManage rows of the subtree. The caller fills ProjectNo,
// ProjectName and ProjectPath ("项目管理" for a top-level project) and runs it modally; IDOK
// means the subtree is gone.
//
// A task's rows and folders are found by its number as stored. A number that would reach
// another task's rows or folders is not used at all: one that a server would read as another
// folder name (StoredFolderName refuses it), or one that, as read, is no number of the subtree
// (a driver that cuts a text at a NUL). Such a task keeps its rows and folders, and the user is
// told which task it is.
#pragma once

#include "controls/SortListCtrl.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

#include <map>
#include <set>
#include <string>
#include <vector>

class CFtpConnection;
class CSqlTransaction;
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
    vq::db::Engine Engine() const;
    // The rows chosen: the node by its name and path, the rows below it by the subtree prefix,
    // each compared exactly as stored (a sibling that differs only in case is not chosen); alias
    // is put before the column names ("p.").
    CString NodeCondition(const CString& alias = CString()) const;
    CString SubtreeCondition(const CString& alias = CString()) const;
    bool AskAboutStartedDescendants();
    // The work tasks that hang on the subtree; -1 after a database error was shown.
    int CountWorkTasks() const;
    static CString WorkTasksRefusal(int works);
    bool CheckWorkTasks();
    // The task documents of the subtree, as the box "涉及文档数目" shows them.
    int CountDocuments() const;
    // What is judged again on the stored rows before rows are deleted: the node's state and the
    // work tasks always; the subtree's rows against the list; the document count against the one
    // shown.
    enum class StoredCheck { StateAndWorkTasks, StateWorkTasksAndRows, Everything };
    // The refusal (empty: none) that the stored rows give; false after a database error was shown.
    bool FindStoredRefusal(StoredCheck check, CString& refusal) const;
    // Takes the node's lock in the transaction and finds the refusal after it.
    bool LockAndCheck(CSqlTransaction& transaction, StoredCheck check, CString& refusal) const;
    // Whether the stored rows are still what the list and the question showed; a change is said
    // once the lock is given back.
    bool StillAsListed();
    // Runs the statements in one transaction, after the lock and the check found no refusal (said
    // once the lock is given back). True when they were committed.
    bool DeleteRowsIfStillAsListed(const std::vector<CString>& statements, StoredCheck check);
    void BuildList();
    void FillRows(const CString& sql);
    void RenumberRows();
    // A list row's number, name and path as stored (the list shows them trimmed).
    struct StoredRow {
        CString number, name, path;
    };
    StoredRow Stored(int row) const;
    CString StoredNumber(int row) const { return Stored(row).number; }
    // Whether the task's rows and folders may be found by the number: 1 yes, 0 no (the number is
    // refused, see above, or another row outside the deletion holds it too), -1 after a database
    // error has been shown.
    int NumberNamesOnlyItsTask(const CString& taskNo);
    // "path\name [number]" of a list row, with what cannot be seen written out (vq::VisibleText).
    CString DescribeTask(int row) const;
    // The folder keys (vq::FolderNameKey) of the numbers of every task that stays: the rows not
    // chosen and the chosen rows that are kept; each key's number goes to m_stayingFolderNumbers.
    // False after a database error has been shown.
    bool ReadStayingFolderKeys(const std::vector<bool>& deleted, std::set<std::string>& keys);
    // Deletes one task: its rows in one transaction, then its FTP contents; leftovers collects
    // what stays on the server, sharedFolders the folders that are also another staying task's
    // (both numbers name one folder, made valid file names and read as a server that ignores case
    // reads them), each with both numbers, sharedCopies the work document copies that such a
    // server reads as a staying task's folder or as another document's copy, unnamableFolders the
    // task's folders whose names the server's code page cannot hold (never made). False when the
    // deletion must stop.
    bool DeleteTask(const CString& taskNo, CVQTWSaveFileToFTP& store,
                    const std::set<std::string>& stayingKeys, CStringArray& leftovers,
                    CStringArray& sharedFolders, CStringArray& sharedCopies, CStringArray& unnamableFolders);
    // Deletes the ProjectManage rows of the list that are marked deleted, each by its stored
    // number, name and path exactly.
    bool DeleteProjectRows(const std::vector<bool>& deleted);
    // Empties and removes a task folder; false when it is, or may be, still on the server
    // afterwards.
    bool RemoveTaskFolder(const CString& folder);
    // Whether the folder is on the server, asked by entering it (a listing of a missing folder is
    // an empty success on some servers); the current folder is kept. False when the server could
    // not be asked (a lost connection, a name it cannot be sent).
    bool LookForFolder(const CString& folder, bool& exists);
    void EmptyFtpFolder(const CString& folder, int depth);
    CString FtpFolder(const CString& area, const CString& name) const;

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CFtpConnection* m_pFtpConnection = nullptr;
    int m_nDocCount = 0;
    bool m_bPartlyDeleted = false; // an earlier OK deleted some of the tasks
    CImageList m_imageArrows;
    CImageList m_imageRows;
    CPtrArray m_arrItemTexts; // CItemText*, owned
    std::map<const void*, StoredRow> m_storedRows; // by a row's item data
    std::map<std::string, CString> m_stayingFolderNumbers; // a staying task's number by its folder key
};
