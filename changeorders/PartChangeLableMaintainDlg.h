// CPartChangeLableMaintainDlg ("零部件更改标记管理"): the change labels of one part's current
// revision beside its released design drawing. The user zooms the drawing to the changed place and
// adds a label there: the viewer's view becomes the label's rectangle. With "检查标记" checked,
// selecting a label zooms the viewer to it. Labels are written at once by the label item dialog
// and by the delete step.
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

class CPartChangeLableMaintainDlg : public CDialog {
public:
    enum { IDD = 146 };
    static constexpr int kPartCodeId = 1001;
    static constexpr int kRevisionId = 1002;
    static constexpr int kListId = 1003;
    static constexpr int kAddId = 1004;
    static constexpr int kModifyId = 1005;
    static constexpr int kDeleteId = 1006;
    static constexpr int kCheckId = 1007;
    static constexpr int kViewerId = 6027;

    explicit CPartChangeLableMaintainDlg(CWnd* parent = nullptr);
    ~CPartChangeLableMaintainDlg() override;

    CSortListCtrl m_listLabels;
    CAvViewX m_viewer;
    int m_bCheckLabel = 0;       // "检查标记"
    CString m_strPartCode;       // shown under "零部件图号"; the borrowed part's code when it borrows
    CString m_strRevision = "A"; // shown under "当前版本号"
    CString m_strPartNumber;     // given by the caller

    // The drawing found and fetched (product drawing code, file name and type).
    const CPartDrawingSource& Drawing() const { return m_drawing; }
    // The local copy shown in the viewer; empty when none was fetched.
    const CString& FetchedDrawing() const { return m_strFetched; }

    int ResolveDrawing();
    CString FindDesignDrawing(const CString& revision);
    int FetchDrawing();
    void LoadLabels();
    void ShowLabelArea(int row);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnSize(UINT type, int cx, int cy) override;
    void PostNcDestroy() override;
    void OnAddLabel();
    void OnModifyLabel();
    void OnDeleteLabel();
    void OnCheckLabel();
    void OnItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
    void OnDblClick(NMHDR* pNMHDR, LRESULT* pResult);
    void OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnViewerMouseDown(short button, short shift, double x, double y);
    DECLARE_MESSAGE_MAP()

private:
    void EnableRowButtons();
    void DisableCommands();
    // Deletes the label of a list row once the person has confirmed it, only while it is stored
    // as listed. False after one box said why nothing was deleted.
    bool DeleteLabelRow(int row);

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CFtpConnection* m_pFtpConnection = nullptr;
    CImageList m_imageArrows;
    CImageList m_imageRows;
    CPartDrawingSource m_drawing;
    CString m_strFetched;
    // The fetched drawings: the viewer reads a drawing as it is set, and the copies go with the
    // dialog.
    vq::CallFolder m_copies;
    int m_nCurRow = -1;
    CViewerWindowSize m_size;
    CPtrArray m_arrRows; // CItemText records behind the rows
};
