// CRelateInfoDlg ("相关信息显示"): the related messages recorded for a task or a drawing (table
// RelateMessage, by code and type): topic, who saved it and when, and the content of the topic
// chosen. Read-only; a click on a column header sorts the topics by that column.
//
//   CRelateInfoDlg dlg;
//   dlg.m_strCode = taskNo;             // m_nKind 0: a task number; otherwise a drawing code
//   dlg.DoModal();
#pragma once

#include "controls/SortListCtrl.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

class CItemText;

class CRelateInfoDlg : public CDialog {
public:
    enum { IDD = 282 };
    static constexpr int kTopicListId = 1001;
    static constexpr int kCodeId = 1002;
    static constexpr int kNameId = 1003;
    static constexpr int kContentId = 1004;

    explicit CRelateInfoDlg(CWnd* parent = nullptr);
    ~CRelateInfoDlg() override;

    CSortListCtrl m_listTopics;
    CString m_strCode;    // task number or drawing code; set by the caller
    CString m_strName;    // looked up when left empty
    CString m_strContent; // content of the selected topic
    int m_nKind = 0;      // 0: the code is a task number; otherwise a drawing code
    CString m_strType = "任务"; // RelateMessage.Type: "任务" or "图纸"

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void PostNcDestroy() override;
    afx_msg void OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnTopicChanged(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    void LookUpName();
    void LoadTopics();
    void FreeRows();

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CImageList m_imageHeader;
    CString m_strLogin;
    BOOL m_bLoading = TRUE;
    CPtrArray m_arrRows; // CItemText per row, the rows' item data
};
