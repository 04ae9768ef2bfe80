// The redline viewer window: a resizable top-level window that shows a design drawing, or the
// redline markup file of a review, in the drawing viewer control the settings choose
// ([设计过程管理] "红线批注工具": 0 the control of the template, others the one created in code).
// Its owner creates it modeless from template 6027 (Create(CRedlineViewDlg::IDD, owner)), keeps it
// and hands it files; closing it only hides it.
#pragma once

#include "platform/com/DrawingViewer.h"
#include "platform/ui/Dialog.h"

class CRedlineViewDlg : public CDialog {
public:
    enum { IDD = 6027 };
    static constexpr int kViewerId = 6027;  // the viewer control of the template
    static constexpr int kAutoVueId = 6028; // the viewer control created with the window

    explicit CRedlineViewDlg(CWnd* parent = nullptr);

    // 0 when the file does not exist; otherwise hands it to the chosen viewer and returns 1.
    int ShowFile(const CString& path);
    // Shows a markup file with its design file; 0 when the markup file does not exist, else 1.
    int OpenMarkupFile(const CString& markupPath, const CString& designPath);

    CAvViewX m_VoloViewer;
    int m_nViewerTool = 0;    // "红线批注工具": 0 the template's viewer, others the second one
    int m_bDisplayFailed = 0; // set when a design file could not be shown
    int m_bViewerReady = 0;   // 1 after opening; 0 when the chosen viewer is missing
    CAutoVueX m_AutoVueViewer;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnSize(UINT type, int cx, int cy) override;
    afx_msg void OnViewerMouseDown(short button, short shift, double x, double y);
    DECLARE_MESSAGE_MAP()
};

// The right-button menu of viewing commands over a viewer, at (x, y) of the viewer's client area:
// pan, real-time zoom, zoom window, whole drawing, orbit, layers, views and layouts; the current
// command is ticked, and while orbiting the whole-drawing, layers, views and layouts are greyed.
// Without a choice the viewer is left in "Select". With offerDrawingDialogs false, layers, views
// and layouts are always greyed (the change-label dialogs show them so).
void TrackViewerCommandMenu(CAvViewX& viewer, double x, double y, CWnd* owner,
                            bool offerDrawingDialogs = true);
