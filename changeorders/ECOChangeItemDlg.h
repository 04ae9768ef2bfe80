// CECOChangeItemDlg ("更改通知单 - 改底图"): the form of one change notice: its number, product,
// priority, receiving departments, remark and production order number, the changed parts with
// their change marks and related modification notices, the attached documents and its review
// flow. Openers show an existing notice:
//
//   CECOChangeItemDlg dlg;
//   dlg.m_strECONo = number;
//   dlg.m_bNewItem = 0;
//   dlg.m_bReadOnly = 1;
//   dlg.DoModal();
//
// Whether the form is editable is decided again when it opens: the preparer of a notice in
// "临时" or "更改" gets an editable form whatever the opener asked for. A store writes the review
// tasks, the header and the parts in one transaction; a formal notice without review is then
// published, one with review has its reviewers told.
#pragma once

#include "changeorders/NoticeFormDlg.h"
#include "core/StoredRowEdit.h"

#include <memory>
#include <vector>

class CECOChangeNotice;
class CECOPublisher;

class CECOChangeItemDlg : public CNoticeFormDlg {
public:
    enum { IDD = 264 };
    static constexpr int kNumberId = 1301;
    static constexpr int kNumberButtonId = 1302;
    static constexpr int kSaveUserId = 1303;
    static constexpr int kSaveDateId = 1304;
    static constexpr int kStateId = 1305;
    static constexpr int kProductStyleId = 1306;
    static constexpr int kProductNameId = 1307;
    static constexpr int kProductCodeId = 1308;
    static constexpr int kRemarkId = 1309;
    static constexpr int kAffectNoId = 1310;
    static constexpr int kLevelId = 1311;
    static constexpr int kDepartmentId = 1312;
    static constexpr int kDepartmentButtonId = 1313;
    static constexpr int kSearchPartsId = 1314;
    static constexpr int kByProductClassId = 1315;
    static constexpr int kPartListId = 1316;
    static constexpr int kPartAddId = 1317;
    static constexpr int kPartDeleteId = 1318;
    static constexpr int kRelatedOrdersId = 1319;
    static constexpr int kDrawingInfoId = 1320;
    static constexpr int kAuditFlowId = 1321;
    static constexpr int kDocListId = 1322;
    static constexpr int kDocAddId = 1323;
    static constexpr int kDocDeleteId = 1324;
    static constexpr int kDocSaveAsId = 1325;
    static constexpr int kDocBrowseId = 1326;

    // Buttons of the storage-type question.
    static constexpr int kStoreTemporary = 10001;
    static constexpr int kStoreFormal = 10002;
    static constexpr int kStoreCancel = 10003;

    explicit CECOChangeItemDlg(CWnd* parent = nullptr);

    CString m_strProductCode;
    CString m_strProductStyle;
    CString m_strProductName;
    int m_nRestartType = 2;

    // Asks for the storage type and writes the notice: its review tasks (formal with review),
    // header and parts in one transaction; a formal notice without review is published in the
    // same transaction, so that it is never formal without its publication. 1 when stored; 0
    // when cancelled or a statement failed (shown; nothing stored).
    int StoreNotice() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnApplyNumber();
    void OnAddParts();
    void OnDeleteParts();
    void OnRelatedModifyOrders();
    void OnPartDrawingInfo();
    void OnSelectDepartments();
    DECLARE_MESSAGE_MAP()

private:
    void LoadNotice() override;
    void ResetForNextNotice(bool cleared) override;
    void WriteFormSettings();
    // The storage type chosen in the question box: one of the three button ids.
    int AskStorageType();
    // The state a formal store gives, after asking where a failed review restarts; empty when
    // the user cancelled.
    CString FormalState();
    // Writes review tasks (when `review`), parts, header and the publication (when given) in
    // one transaction; the notices follow the commit.
    bool WriteNotice(const CString& state, bool review, CECOPublisher* publication);
    // Inside the store's transaction, after the notice's lock: true when the stored notice is
    // still the one this form last read or wrote (none for a new notice, else the same state);
    // otherwise one box says what changed (shown once the transaction has ended).
    bool StoredNoticeUnchanged();
    bool SaveParts(CECOChangeNotice& notice);
    // The header's fields as the form shows them now, each as a store writes it.
    std::vector<StoredField> HeaderFields() const;
    // The part list as one text, to tell whether it changed.
    CString PartsText() const;
    // Remembers the notice as stored and as the form shows it, for the next store to write only
    // what the user changed.
    void KeepStoredNotice();
    // Inside the store's transaction: the header fields and the part list the user changed,
    // written over the notice as stored now; false (nothing written, one box) when another
    // client changed the same field or the part list meanwhile.
    bool WriteChanges(CECOChangeNotice& notice, const CString& state);
    int SelectedPartRow();

    bool m_bNoticeStored = false; // the notice was stored when the form read or last wrote it
    CString m_strStoredState;     // ... in this state
    // The stored notice's header as the form last read or wrote it, and its part list as stored
    // and as the form showed it then.
    std::unique_ptr<CStoredRowEdit> m_storedHeader;
    CString m_strStoredParts, m_strOpenedParts;
};
