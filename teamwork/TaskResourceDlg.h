// CTaskResourceDlg: the outside documents ("外部资源") of one task. In project-task mode they are
// rows of TaskExtDocument keyed by the task number and the description; in work-task mode rows
// of TeamWorkResource keyed by a generated ResourceID, with their contents in
// TeamWorkResourcePack. The user adds files in batches, gives each a description, views,
// deletes and stores them; the contents go into the database through the file store.
//
//   CTaskResourceDlg dlg(this);
//   dlg.m_strTaskNo = workId;
//   dlg.m_strTaskName = workName;
//   dlg.m_bWorkTask = 1;
//   dlg.DoModal();
#pragma once

#include "controls/SortListCtrl.h"
#include "controls/SysImageList.h"
#include "platform/base/Collections.h"
#include "platform/base/Folders.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "teamwork/DocFileItem.h"

// "%d" left-padded with "0" to four characters; longer numbers keep all their digits.
CString FormatSerialNo4(int number);

class CTaskResourceDlg : public CDialog {
public:
    static constexpr int kListId = 1201;
    static constexpr int kBatchAddId = 1202;
    static constexpr int kDeleteId = 1203;
    static constexpr int kDescriptionId = 1204;
    static constexpr int kStoreId = 1205;
    static constexpr int kViewCheckId = 1206;
    static constexpr int kTaskNoId = 1207;
    static constexpr int kTaskNameId = 1208;

    explicit CTaskResourceDlg(CWnd* parent = nullptr);
    ~CTaskResourceDlg() override;

    CString m_strTaskNo;      // ProjectNo of a project task, or WorkID of a work task
    CString m_strTaskName;    // the task's or work's name
    int m_bWorkTask = 0;      // 1: work-task mode (TeamWorkResource); 0: project-task mode
    int m_bReadOnly = 0;      // browse only
    int m_bNewWork = 0;       // work-task mode: the work is being made by the caller, not stored yet
    CString m_strProjectPath; // finds a missing m_strTaskNo by name; empty: "项目管理"

    CSortListCtrl m_list;

    // The next free ResourceID of today and the login account; empty after a database error
    // (which has been shown).
    virtual CString MakeNewResourceID();
    // Appends a new row for a local file; an empty description becomes the file's name.
    void AddFile(const CString& path, CString description);
    // Stores every row; 1 when all are stored.
    int StoreAll();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnDestroy() override;

    void OnBatchAdd();
    void OnDeleteDocument();
    void OnEditDescription();
    void OnStore();
    void OnViewCheck();
    void OnItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
    void OnDblClick(NMHDR* pNMHDR, LRESULT* pResult);

    DECLARE_MESSAGE_MAP()

private:
    void FindTaskNoByName();
    void LoadWorkResources();
    void LoadTaskDocuments();
    void ClearList();
    void AddStoredRow(DocFileItem* item, const CString& iconName);
    // The key is the ResourceID in work-task mode, the description in project-task mode, where
    // `item` is the row's record as listed.
    int DeleteStoredResource(const CString& key, const DocFileItem* item = nullptr);
    // Deletes the task document of the description as listed in `item`, under the description's
    // lock, by the stored identity of the row re-read; 0 after one box said why nothing went.
    int DeleteTaskDocument(const CString& description, const DocFileItem& item);
    // The lock that the stores and deletions of the task's documents of one description take.
    CString DescriptionLockName(const CString& description) const;
    void ViewDocument();
    int CheckDuplicateDescription(int row, const CString& text);
    // The first row other than exceptRow whose description is the text (letter case not
    // counted); -1 when none.
    int FindDescription(const CString& text, int exceptRow) const;
    int StoreResources(int row);
    int StoreWorkResource(int row, DocFileItem* item);
    int StoreTaskDocument(int row, DocFileItem* item);
    void SelectRow(int row);
    DocFileItem* ItemOf(int row) const;
    int SelectedRow() const;
    void EnableEditing(BOOL enable);

    _ConnectionPtr m_pConnection;
    int m_nDatabaseType = 0;
    int m_nAdoCloseMode = 0;
    CString m_strLoginUser; // upper case
    int m_nCurrentRow = -1;
    BOOL m_bNewRow = FALSE;
    BOOL m_bModified = FALSE;
    BOOL m_bViewDocument = FALSE;
    CSysImageList m_sysImages;
    CPtrArray m_arrItems; // DocFileItem*, owned
    // Where documents are fetched to: a folder of the dialog's own, so that another host of the
    // same user never writes over a copy this one opened, and nothing stays when it closes (but a
    // copy handed to a viewer, which stays while the viewer may read it).
    vq::CallFolder m_copies;
};
