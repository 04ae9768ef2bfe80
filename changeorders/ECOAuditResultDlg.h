// CECOAuditResultDlg ("更修单评审结果"): how far the review of one change order has come: the
// order's state and, per review step, its responsible person, completion date and state, result
// (a smiling face for "通过", a frowning one for "不通过") and opinion. From it the user opens
// the review path as a flow chart, the order's form, and the assisting-review tasks of a step
// marked "[N]", all display-only. The dialog writes nothing.
//
//   CECOAuditResultDlg dlg;
//   dlg.m_strECONo = number;
//   dlg.m_strECOGroup = "更改单"; // "修改单" reads the modification notice
//   dlg.DoModal();
#pragma once

#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/ListCtrl.h"

class CECOAuditResultDlg : public CDialog {
public:
    enum { IDD = 30028 };
    static constexpr int kStepListId = 1001;
    static constexpr int kOpinionId = 1002;
    static constexpr int kStateId = 1003;
    static constexpr int kAuditFlowId = 1004;
    static constexpr int kPropertiesId = 1005;
    static constexpr int kChangeManagerId = 1006;
    static constexpr int kAssistAuditId = 1007;

    // Images of the steps.
    enum { kPlainStepImage, kFailedStepImage, kPassedStepImage };

    explicit CECOAuditResultDlg(CWnd* parent = nullptr);
    ~CECOAuditResultDlg() override;

    CListCtrl m_listSteps;
    CString m_strOpinion;
    CString m_strState;
    CString m_strECONo;
    CString m_strECOGroup;

    // Reads the order's template, reviewer list and state; 1, or 0 after a database error.
    int LoadOrderInfo();
    void LoadAuditSteps();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnStepChanged(NMHDR* pNMHDR, LRESULT* pResult);
    void OnAuditFlow();
    void OnOrderProperties();
    void OnAssistAudit();
    DECLARE_MESSAGE_MAP()

private:
    CString ResponsibleText(const CString& auditor, const CString& manager) const;

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CImageList m_images;
    CStringArray m_arrOpinions;
    CString m_strAuditingModel;
    CString m_strAuditorName;
    int m_bLoading = 1;
    int m_nCurStep = -1;
};
