// CECOChangeLableMaintainDlg ("设计更改标记管理"): the change labels of one drawing attached to a
// change order, beside the drawing fetched from the database. The user zooms the drawing to the
// changed place and adds a label there: the viewer's view becomes the label's rectangle. With
// "检查标记" checked, selecting a label zooms the viewer to it.
//
// Labels may be changed only by the order's preparer while the order is "临时" or "更改"; the
// caller may ask for read-only, and the label browser may keep the buttons usable regardless
// (m_bEditOverride). Labels are written at once by the label item dialog and by the delete step.
#pragma once

#include "changeorders/ChangeOrderState.h"
#include "changeorders/ECODocumentDrawing.h"
#include "controls/SortListCtrl.h"
#include "controls/ViewerWindowSize.h"
#include "platform/base/Collections.h"
#include "platform/base/Folders.h"
#include "platform/com/DrawingViewer.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

class CChangeLableItemDlg;

class CECOChangeLableMaintainDlg : public CDialog {
public:
    enum { IDD = 30030 };
    static constexpr int kListId = 1001;
    static constexpr int kAddId = 1002;
    static constexpr int kModifyId = 1003;
    static constexpr int kDeleteId = 1004;
    static constexpr int kCheckId = 1005;
    static constexpr int kGroupId = 1006;
    static constexpr int kNumberId = 1007;
    static constexpr int kDocTypeId = 1008;
    static constexpr int kViewerId = 6027;

    explicit CECOChangeLableMaintainDlg(CWnd* parent = nullptr);
    ~CECOChangeLableMaintainDlg() override;

    CSortListCtrl m_listLabels;
    CAvViewX m_viewer;
    int m_bCheckMark = 0; // "检查标记"
    CString m_strECOGroup;
    CString m_strECONo;
    CString m_strDocType;
    int m_bReadOnly = 0;
    int m_bEditOverride = 0;

    const CString& OrderState() const { return m_strOrderState; }
    const CString& OrderSaveUser() const { return m_strOrderSaveUser; }
    // The local copy shown in the viewer; empty when none was fetched.
    const CString& FetchedDrawing() const { return m_strFetched; }

    void LoadOrderState();
    void LoadLabels();
    int DownloadDocument();
    int ShowLabelArea(int row);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnSize(UINT type, int cx, int cy) override;
    void PostNcDestroy() override;
    void OnAddLabel();
    void OnModifyLabel();
    void OnDeleteLabel();
    void OnCheckMark();
    void OnItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
    void OnDblClick(NMHDR* pNMHDR, LRESULT* pResult);
    void OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnViewerMouseDown(short button, short shift, double x, double y);
    DECLARE_MESSAGE_MAP()

private:
    void SetUpList();
    void CheckEditRights();
    CECODocumentDrawing Drawing() const;
    // Deletes the label of a list row once the person has confirmed it: under the order's lock,
    // only while the order is as the window found it (or still in the preparer's hands) and the
    // label as listed. False after one box said why nothing was deleted.
    bool DeleteLabelRow(int row);

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    int m_nDatabaseType = 0;
    CImageList m_imageRows;
    CImageList m_imageArrows;
    int m_nSelected = -1;
    CString m_strOrderState;
    CString m_strOrderSaveUser;
    CChangeOrderState m_order; // as read when the window opened
    CString m_strFetched;
    // The fetched drawings: the viewer reads a drawing as it is set, and the copies go with the
    // dialog.
    vq::CallFolder m_copies;
    CViewerWindowSize m_size;
    CPtrArray m_arrRows; // CItemText records behind the rows
};
