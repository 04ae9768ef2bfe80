// CTeamWorkTaskStateDlg ("工作任务状态维护"): the responsible person of a work task looks at its
// documents and moves its state: complete ("完成"), a completed work task changed ("更改"), or
// single released documents changed so that they can be reworked. Each change of the work
// task's state is carried up the work-task and project-task trees (CWorkStateUpdater).
//
//   CTeamWorkTaskStateDlg dlg;
//   dlg.WorkID = workId;     // empty: the user picks the work task with "任务编号"
//   dlg.DoModal();
//   if (dlg.Changed) ...     // a mark command ran to its end
#pragma once

#include "controls/SysImageList.h"
#include "platform/base/Collections.h"
#include "platform/base/Folders.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ListCtrl.h"

#include <vector>

class CTeamWorkTaskStateDlg : public CDialog {
public:
    enum { IDD = 6015 };
    static constexpr int kListId = 1001;
    static constexpr int kStateId = 1002;
    static constexpr int kWorkIdId = 1003;
    static constexpr int kMarkCompleteId = 1004;
    static constexpr int kMarkChangedId = 1005;
    static constexpr int kChangeFileId = 1006;
    static constexpr int kFilePropertyId = 1007;
    static constexpr int kBrowseId = 1008;
    static constexpr int kReviewResultId = 1010;
    static constexpr int kSelectWorkId = 1011;
    // List columns the commands read.
    static constexpr int kNameColumn = 1;
    static constexpr int kStateColumn = 4;

    explicit CTeamWorkTaskStateDlg(CWnd* parent = nullptr);
    ~CTeamWorkTaskStateDlg() override;

    CListCtrl DocList;
    CString StateText;
    CString ShownWorkID;
    CString WorkID;  // in: the work task; empty: picked in the dialog
    int Changed = 0; // out: 1 after a mark command ran to its end

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void PostNcDestroy() override;
    afx_msg void OnMarkComplete();
    afx_msg void OnMarkChanged();
    afx_msg void OnChangeFile();
    afx_msg void OnFileProperty();
    afx_msg void OnListDblClk(NMHDR* header, LRESULT* result);
    afx_msg void OnBrowse();
    afx_msg void OnReviewResult();
    afx_msg void OnSelectWork();
    DECLARE_MESSAGE_MAP()

    void ReadWork();
    void FillDocumentList();
    int AllDrawingsCounterSigned();
    int CanChangeWorkState();
    // 1 when the state was passed up or there was nothing above to pass it to; 0 after a failed
    // statement.
    int PropagateWorkState(const CString& state);
    int SetDocumentsState(const CString& state);
    void ClearRecords();

private:
    void EnableButton(int id, BOOL enable);
    void ShowButton(int id, BOOL show);
    void ApplyStateButtons();
    bool IsChangeWorkID() const;
    // The record of the first selected row, after the messages when there is none.
    struct DocFileItem* SelectedRecord(int* row = nullptr);
    // Whether the row's document may be changed by "更改文件..."; beingChanged: a document of the
    // change task is already in "更改".
    bool MayChangeDocument(const CString& state, const struct DocFileItem& record, bool beingChanged);
    // What a confirmed change of state is judged on again, on the stored rows under the work
    // task's lock: the refusal (empty: none), false after a database error.
    enum class Judged { Nothing, Completion, Change };
    bool FindStoredRefusal(Judged judged, CString& refusal);
    // "更改文件...": the rows' documents, their review levels, the work task and the tasks above
    // go to "更改" (inside the caller's transaction).
    bool StoreDocumentsChanged(const std::vector<int>& rows);
    // Stores the work task's new state (the statement), the documents' state when one is given
    // and, with propagate, the state of the tasks above as one transaction, after the work
    // task's lock and the judgement found no refusal (said once the lock is given back).
    bool WorkUpdated(const CString& sql, const CString& state, const CString& documentsState, bool propagate,
                     Judged judged = Judged::Nothing);

    _ConnectionPtr Connection;
    int CloseMode = 0;
    CString LoginUser;
    int DatabaseType = 0;
    CSysImageList FileIcons;
    int ReadOnly = 0;
    CString WorkName;
    CString Manager;
    CPtrArray Records;
    int NeedAllSigned = 1;
    int DocsNeedNoReview = 0;
    int IsChangeTask = 0;
    int UseChangeMarks = 1;
    // Where documents are fetched to: a folder of the dialog's own, so that another host of the
    // same user never writes over a copy this one opened, and nothing stays when it closes (but a
    // copy handed to a viewer, which stays while the viewer may read it).
    vq::CallFolder m_copies;
};
