// CPartChangeLableBrowseDlg ("更改标记比较浏览"): the change labels of two revisions of one part side
// by side. The upper viewer and list show the current revision, the lower ones a comparison
// revision the user picks. Selecting a label zooms its viewer to the label and, with
// "自动进行更改区域关联显示" checked, the other viewer to the same rectangle, so that the same area
// of both revisions is seen at once. Labels are only shown here.
#pragma once

#include "changeorders/PartDrawingSource.h"
#include "controls/SortListCtrl.h"
#include "controls/ViewerWindowSize.h"
#include "platform/base/Collections.h"
#include "platform/base/Folders.h"
#include "platform/com/DrawingViewer.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"

class CFtpConnection;

class CPartChangeLableBrowseDlg : public CDialog {
public:
    enum { IDD = 154 };
    static constexpr int kCurrentRevId = 1001;
    static constexpr int kRevBrowseId = 1002; // "版本浏览..."
    static constexpr int kUpperPropId = 1003; // "属性..." of the upper list
    static constexpr int kUpperListId = 1004;
    static constexpr int kCompareRevId = 1005;
    static constexpr int kPickRevId = 1006;   // "..." beside the comparison revision
    static constexpr int kAssociateId = 1007; // "自动进行更改区域关联显示"
    static constexpr int kLowerPropId = 1008; // "属性..." of the lower list
    static constexpr int kLowerListId = 1009;
    static constexpr int kUpperViewerId = 6027;
    static constexpr int kLowerViewerId = 6029;
    enum { kUpper = 0, kLower = 1 };

    explicit CPartChangeLableBrowseDlg(CWnd* parent = nullptr);
    ~CPartChangeLableBrowseDlg() override;

    CSortListCtrl m_listLower;
    CSortListCtrl m_listUpper;
    int m_bAssociate = 1;
    CAvViewX m_viewerUpper;
    CAvViewX m_viewerLower;
    CString m_strCurrentRev;
    CString m_strCompareRev;
    CString m_strPartNumber; // given by the caller

    const CPartDrawingSource& Drawing() const { return m_drawing; }
    // The local copy shown in a viewer (kUpper or kLower); empty when none was fetched.
    const CString& FetchedDrawing(int viewer) const { return m_strFetched[viewer]; }

    void LoadLabels(int list, const CString& revision);
    int FetchDrawing(int viewer, const CString& revision);
    void ShowLabelArea(int list, int row);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnSize(UINT type, int cx, int cy) override;
    void PostNcDestroy() override;
    void OnSelectRevision();
    void OnBrowseRevisions();
    void OnUpperProperty() { ShowProperty(kUpper); }
    void OnLowerProperty() { ShowProperty(kLower); }
    void OnUpperItemChanged(NMHDR* pNMHDR, LRESULT* pResult) { ItemChanged(kUpper, pNMHDR, pResult); }
    void OnLowerItemChanged(NMHDR* pNMHDR, LRESULT* pResult) { ItemChanged(kLower, pNMHDR, pResult); }
    void OnUpperDblClick(NMHDR*, LRESULT* pResult);
    void OnLowerDblClick(NMHDR*, LRESULT* pResult);
    afx_msg void OnUpperViewerMouseDown(short button, short shift, double x, double y);
    afx_msg void OnLowerViewerMouseDown(short button, short shift, double x, double y);
    DECLARE_MESSAGE_MAP()

private:
    CSortListCtrl& List(int list) { return list == kUpper ? m_listUpper : m_listLower; }
    CAvViewX& Viewer(int viewer) { return viewer == kUpper ? m_viewerUpper : m_viewerLower; }
    const CString& Revision(int list) const { return list == kUpper ? m_strCurrentRev : m_strCompareRev; }
    void ItemChanged(int list, NMHDR* pNMHDR, LRESULT* pResult);
    void ShowProperty(int list);
    void SetUpList(CSortListCtrl& list);

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CFtpConnection* m_pFtpConnection = nullptr;
    CImageList m_imageArrows;
    CImageList m_imageRows;
    CPartDrawingSource m_drawing;
    CString m_strFetched[2];
    // The fetched drawings: the viewer reads a drawing as it is set, and the copies go with the
    // dialog.
    vq::CallFolder m_copies;
    int m_nRow[2] = {-1, -1}; // the reported row of the upper and of the lower list
    CViewerWindowSize m_size;
    CPtrArray m_arrRows; // CItemText records behind the rows
};
