// CECOModifyItemDlg ("修改通知单 - 改蓝图"): the form of one modification notice: its number,
// priority, validity, issuing departments, production order number, content and reason, the
// drawings concerned with the handling of each, the attached documents and its review flow.
// Every opener in the system shows an existing notice read-only:
//
//   CECOModifyItemDlg dlg;
//   dlg.m_strECONo = number;
//   dlg.m_bNewItem = 0;
//   dlg.m_bReadOnly = 1;
//   dlg.DoModal();
//
// A new notice, or one in "临时"/"更改" opened by its compiler with m_bReadOnly 0, is editable;
// storing replaces the notice's header and drawing rows in one transaction.
#pragma once

#include "changeorders/RelateDocPanel.h"
#include "controls/EditListCtrl.h"
#include "platform/base/Collections.h"
#include "platform/db/Ado.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/DateTimeCtrl.h"
#include "platform/ui/Dialog.h"

class CECOModifyItemDlg : public CDialog {
public:
    enum { IDD = 322 };
    static constexpr int kNumberId = 1201;
    static constexpr int kNumberButtonId = 1202;
    static constexpr int kSaveUserId = 1203;
    static constexpr int kSaveDateId = 1204;
    static constexpr int kStateId = 1205;
    static constexpr int kValidDateId = 1206;
    static constexpr int kValidTypeId = 1207;
    static constexpr int kLevelId = 1208;
    static constexpr int kRemarkId = 1209;
    static constexpr int kAffectNoId = 1210;
    static constexpr int kAuditFlowId = 1211;
    static constexpr int kByProductClassId = 1212;
    static constexpr int kDocListId = 1213;
    static constexpr int kDocAddId = 1214;
    static constexpr int kDocDeleteId = 1215;
    static constexpr int kDocSaveAsId = 1216;
    static constexpr int kDocBrowseId = 1217;
    static constexpr int kSearchPartsId = 1218;
    static constexpr int kPartAddId = 1219;
    static constexpr int kPartDeleteId = 1220;
    static constexpr int kOpinionId = 1221;
    static constexpr int kImpactId = 1222;
    static constexpr int kPartListId = 1223;
    static constexpr int kDepartmentId = 1224;
    static constexpr int kDepartmentButtonId = 1225;
    static constexpr int kExpandId = 1226;
    static constexpr int kSeparatorId = 1227;
    static constexpr int kContentLabelId = 1228;
    static constexpr int kContentId = 1229;
    static constexpr int kResionLabelId = 1230;
    static constexpr int kResionId = 1231;

    explicit CECOModifyItemDlg(CWnd* parent = nullptr);
    ~CECOModifyItemDlg() override;

    CString m_strECONo;
    int m_bNewItem = 1;
    int m_bReadOnly = 0;
    CString m_strPersonalCode;
    CString m_strSaveUser;
    CString m_strSaveDate;
    CString m_strState;
    int m_nLevel = 0;
    SYSTEMTIME m_validDate{};
    int m_nValidType = 0;
    CString m_strRemark;
    CString m_strAffectNo;
    CString m_strDepartment;
    CString m_strContent;
    CString m_strResion;
    int m_bSearchParts = 0;
    int m_bBrowseDoc = 0;
    int m_bByProductClass = 0;
    int m_nReviewMode = 2;
    CString m_strAuditingModel;
    CString m_strAuditorName;
    CString m_strCfgAuditingModel;
    CString m_strCfgAuditorName;
    int m_nNoWidth = 1;
    CString m_strNoSeparator = "-";
    int m_nNoMode = 0;
    CString m_strProduct;
    int m_bExpanded = 0;

    CEditListCtrl m_listParts;
    CDateTimeCtrl m_dateValid;
    CRelateDocPanel m_docs;

    // Writes the notice: its ECOModifyManage row and one ECOModifyPart row per drawing, replacing
    // what was stored under the number, in one transaction. Nonzero when stored.
    int StoreNotice();
    // The stored validity date "yyyy-mm-dd" of the date picker's value.
    CString ValidDateText() const;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void PostNcDestroy() override;
    void OnApplyNumber();
    void OnAddParts();
    void OnDeleteParts();
    void OnImpact();
    void OnDepartments();
    void OnAuditFlow();
    void OnExpand();
    void OnAddDocument() { m_docs.OnAddDocument(); }
    void OnDeleteDocument() { m_docs.OnDeleteDocument(); }
    void OnSaveDocumentAs() { m_docs.OnSaveDocumentAs(); }
    void OnBrowseDocument() { m_docs.OnBrowseDocument(); }
    void OnDocumentChanged(NMHDR* pNMHDR, LRESULT* pResult) { m_docs.OnDocumentChanged(pNMHDR, pResult); }
    LRESULT OnClearBrowse(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    void LoadNotice();
    void LoadParts();
    void LoadConfiguration();
    void CheckReviewConfiguration();
    void MakeReadOnly();
    void ShowLowerPart(bool expanded);
    void WriteFormSettings();
    // Stores the notice and then its new documents; false when either failed (shown).
    bool StoreAll();
    bool HasPart(const CString& code) const;
    void AddPartRow(const CString& code, const CString& name);

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CString m_strLoginUser;
    CString m_strUserName;
};
