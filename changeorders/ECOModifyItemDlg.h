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

#include "core/StoredRowEdit.h"

#include <memory>
#include <vector>

#include "changeorders/NoticeFormDlg.h"
#include "platform/ui/DateTimeCtrl.h"

class CECOModifyItemDlg : public CNoticeFormDlg {
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

    SYSTEMTIME m_validDate{};
    int m_nValidType = 0;
    CString m_strContent;
    CString m_strResion;
    int m_bBrowseDoc = 0;
    CString m_strProduct;
    int m_bExpanded = 0;

    CDateTimeCtrl m_dateValid;

    // Writes the notice: its ECOModifyManage row and one ECOModifyPart row per drawing, replacing
    // what was stored under the number, in one transaction. Nonzero when stored.
    int StoreNotice() override;
    // The stored validity date "yyyy-mm-dd" of the date picker's value.
    CString ValidDateText() const;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnApplyNumber();
    void OnAddParts();
    void OnDeleteParts();
    void OnImpact();
    void OnDepartments();
    void OnExpand();
    DECLARE_MESSAGE_MAP()

private:
    void LoadNotice() override;
    void LoadHeader();
    void LoadParts();
    void ResetForNextNotice(bool cleared) override;
    void ShowLowerPart(bool expanded);
    void WriteFormSettings();
    // The header's fields as the form shows them now, each as a store writes it.
    std::vector<StoredField> HeaderFields() const;
    // The drawing list as one text, to tell whether it changed.
    CString PartsText() const;
    // The stored drawing rows as one text.
    CString StoredPartsText() const;
    // Remembers the notice as stored and as the form shows it, for the next store.
    void KeepStoredNotice();
    // Inside the store's transaction, after the notice's lock: the header fields and the drawing
    // list the user changed, written over the notice as stored now; false (nothing written, one
    // box) when another client changed the same field or the list, or deleted the notice.
    bool WriteChanges();
    bool WriteParts();

    bool m_bHeaderFound = false; // the notice was stored when the form read it
    std::unique_ptr<CStoredRowEdit> m_storedHeader;
    CString m_strStoredParts, m_strOpenedParts;
};
