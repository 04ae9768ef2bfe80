// CECOChangeLableBrowseDlg ("设计更改标记浏览"): every drawing attached to one change order with its
// change labels. Choosing an attached drawing fetches it from the database into the viewer and
// lists its labels; choosing a label zooms the viewer to it. "属性..." shows one label, and
// "更改标记..." opens the label management of the chosen drawing. The browser writes nothing.
#pragma once

#include "controls/SortListCtrl.h"
#include "controls/SysImageList.h"
#include "controls/ViewerWindowSize.h"
#include "platform/base/Collections.h"
#include "platform/base/Folders.h"
#include "platform/com/DrawingViewer.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/ListCtrl.h"

class CECOChangeLableBrowseDlg : public CDialog {
public:
    enum { IDD = 6018 };
    static constexpr int kLabelListId = 1001;
    static constexpr int kFileListId = 1002;
    static constexpr int kManageId = 1003;     // "更改标记..."
    static constexpr int kPropertiesId = 1004; // "属性..."
    static constexpr int kGroupId = 1005;
    static constexpr int kNumberId = 1006;
    static constexpr int kViewerId = 6027;

    explicit CECOChangeLableBrowseDlg(CWnd* parent = nullptr);
    ~CECOChangeLableBrowseDlg() override;

    int m_bEditOverride = 0;
    CSortListCtrl m_listLabels;
    CListCtrl m_listFiles;
    CAvViewX m_viewer;
    CString m_strECOGroup;
    CString m_strECONo;

    const CString& DocType() const { return m_strDocType; }
    // The local copy shown in the viewer; empty when none was fetched.
    const CString& FetchedDrawing() const { return m_strFetched; }

    void LoadRelatedFiles();
    int DownloadDocument();
    void LoadLabels();
    int ShowLabelArea(int row);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnSize(UINT type, int cx, int cy) override;
    void PostNcDestroy() override;
    void OnLabelProperties();
    void OnManageLabels();
    void OnFileListClick(NMHDR* pNMHDR, LRESULT* pResult);
    void OnLabelChanged(NMHDR* pNMHDR, LRESULT* pResult);
    void OnLabelDblClick(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnViewerMouseDown(short button, short shift, double x, double y);
    DECLARE_MESSAGE_MAP()

private:
    void SetUpLists();
    void EnableProperties();

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CSysImageList m_sysImages;
    CImageList m_imageRows;
    int m_nFileSelected = -1;
    int m_nLabelSelected = -1;
    CString m_strDocType;
    CString m_strFetched;
    // The fetched drawings: the viewer reads a drawing as it is set, and the copies go with the
    // dialog.
    vq::CallFolder m_copies;
    CViewerWindowSize m_size;
    CPtrArray m_arrRows; // CItemText records behind the label rows
};
