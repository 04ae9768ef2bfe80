// CWorkDocPropertyDlg ("工作文档属性"): the stored attributes of one work document with the work
// task it belongs to, read-only; the check box "文档浏览" fetches the document and opens it.
// Opening the dialog and browsing each write a work-log row.
#pragma once

#include "platform/base/Folders.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"

class CWorkDocPropertyDlg : public CDialog {
public:
    enum { IDD = 143 };
    static constexpr int kSaveDateId = 1000;
    static constexpr int kFileDateId = 1001;
    static constexpr int kFilePromptId = 1002;
    static constexpr int kFileIdId = 1003;
    static constexpr int kFileSizeId = 1004;
    static constexpr int kFileTypeId = 1005;
    static constexpr int kManagerId = 1006;
    static constexpr int kBrowseId = 1007;
    static constexpr int kWorkNameId = 1008;
    static constexpr int kWorkIdId = 1009;
    static constexpr int kLabelId = 1010;
    static constexpr int kStateId = 1011;
    static constexpr int kModelId = 1012;
    static constexpr int kAuditorsId = 1013;
    static constexpr int kSubmitDateId = 1014;
    static constexpr UINT kUncheckBrowse = WM_USER + 10;

    explicit CWorkDocPropertyDlg(CWnd* parent = nullptr);

    CString m_strSaveDate;
    CString m_strFileDate;
    CString m_strFilePrompt;
    CString FileID;
    CString m_strFileSize;
    CString m_strFileType;
    CString m_strManager;
    CString m_strWorkName;
    CString m_strWorkID;
    CString m_strFileLabel;
    CString m_strState;
    int m_bBrowse = 0;
    CString m_strAuditingModel;
    CString m_strAuditorName;
    CString m_strSubmitDate;
    int ShowBrowse = 1;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void PostNcDestroy() override;
    afx_msg void OnBrowse();
    afx_msg LRESULT OnUncheckBrowse(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    void ReadDocument();
    void ReadWorkTask();
    void BrowseDocument();
    void WriteLog(const CString& prompt);

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CString m_strFileName;
    int m_nDatabaseType = 0;
    // Where documents are fetched to: a folder of the dialog's own, so that another host of the
    // same user never writes over a copy this one opened, and nothing stays when it closes (but a
    // copy handed to a viewer, which stays while the viewer may read it).
    vq::CallFolder m_copies;
};
