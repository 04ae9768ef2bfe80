#include "controls/RedlineViewDlg.h"

#include "core/FileInfo.h"
#include "core/Settings.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Menu.h"

namespace {

// No caption; the viewer fills the window.
const vq::DialogTemplate kRedlineViewTemplate{
    "",
    {vq::CustomWindow(CRedlineViewDlg::kViewerId, vq::kFill, 0, CRect(0, 0, 540, 480))},
    CSize(540, 480),
    WS_OVERLAPPEDWINDOW};
const vq::TemplateRegistration kRegistration(CRedlineViewDlg::IDD, kRedlineViewTemplate);

// The viewer's menu commands.
enum : UINT {
    kPan = 1,
    kRealTimeZoom = 2,
    kZoomWindow = 3,
    kExtents = 4,
    kOrbit = 5,
    kLayers = 6,
    kViews = 7,
    kLayouts = 8
};

} // namespace

BEGIN_MESSAGE_MAP(CRedlineViewDlg, CDialog)
    ON_WM_SIZE()
    ON_VIEWER_MOUSEDOWN(CRedlineViewDlg::kViewerId, &CRedlineViewDlg::OnViewerMouseDown)
END_MESSAGE_MAP()

CRedlineViewDlg::CRedlineViewDlg(CWnd* parent) : CDialog(IDD, parent) {}

void CRedlineViewDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kViewerId, m_VoloViewer);
}

BOOL CRedlineViewDlg::OnInitDialog() {
    // The second viewer is made with the window; it takes the place of the first when chosen.
    m_AutoVueViewer.CreateChild(this, kAutoVueId);
    CDialog::OnInitDialog();

    m_nViewerTool = ReadSettingInt("设计过程管理", "红线批注工具", "0");
    m_bViewerReady = 1;
    if (m_nViewerTool != 0) {
        if (m_VoloViewer.GetSafeHwnd()) {
            m_AutoVueViewer.MoveWindow(&m_VoloViewer.GetRectInParent());
            m_VoloViewer.ShowWindow(SW_HIDE);
        }
        if (!m_AutoVueViewer.GetSafeHwnd()) {
            m_bViewerReady = 0;
            AfxMessageBox("没有正确安装AutoVue浏览工具...");
        } else {
            m_AutoVueViewer.Activate(TRUE);
        }
    } else {
        if (m_AutoVueViewer.GetSafeHwnd())
            m_AutoVueViewer.ShowWindow(SW_HIDE);
        if (!m_VoloViewer.GetSafeHwnd()) {
            m_bViewerReady = 0;
            AfxMessageBox("没有正确安装Autodesk Volo View浏览工具...");
        }
    }
    return TRUE;
}

void CRedlineViewDlg::OnSize(UINT type, int cx, int cy) {
    CDialog::OnSize(type, cx, cy);
    if (!m_VoloViewer.GetSafeHwnd())
        return;
    // The viewers fill the window. A view that lays the window out (the Qt view) has already made
    // them fill it, and its layout decides their size there.
    if (!m_VoloViewer.GetViewData()) {
        CRect rect;
        GetWindowRect(&rect);
        ScreenToClient(&rect);
        m_VoloViewer.MoveWindow(&rect);
        if (m_AutoVueViewer.GetSafeHwnd())
            m_AutoVueViewer.MoveWindow(&rect);
    }
    m_VoloViewer.UpdateView();
}

int CRedlineViewDlg::ShowFile(const CString& path) {
    if (!CFileInfo(path).Exists())
        return 0;
    if (m_nViewerTool == 0)
        m_VoloViewer.SetDrawingFile(path);
    else if (m_AutoVueViewer.GetSafeHwnd())
        m_AutoVueViewer.SetFileName(path);
    return 1;
}

int CRedlineViewDlg::OpenMarkupFile(const CString& markupPath, const CString& designPath) {
    if (!CFileInfo(markupPath).Exists())
        return 0;
    const CString ext = CFileInfo(markupPath).GetFileExt();
    if (m_nViewerTool == 0) {
        if (ext.CompareNoCase(".DWF") == 0 || ext.CompareNoCase(".RML") == 0) {
            m_VoloViewer.SetDrawingFile(markupPath);
        } else {
            AfxMessageBox("非Autodesk Volo View批注格式，不能正常打开...");
            if (!ShowFile(designPath)) {
                AfxMessageBox("不能正常显示设计文件，请与系统管理员联系...");
                m_bDisplayFailed = 1;
            }
        }
    } else {
        if (!ShowFile(designPath)) {
            AfxMessageBox("不能正常显示设计文件，请与系统管理员联系...");
            m_bDisplayFailed = 1;
        }
        if (m_AutoVueViewer.GetSafeHwnd())
            m_AutoVueViewer.SetFileName(markupPath);
    }
    return 1;
}

void CRedlineViewDlg::OnViewerMouseDown(short button, short, double x, double y) {
    if (button == 2)
        TrackViewerCommandMenu(m_VoloViewer, x, y, this);
}

void TrackViewerCommandMenu(CAvViewX& viewer, double x, double y, CWnd* owner, bool offerDrawingDialogs) {
    const CString mode = viewer.GetViewMode();
    UINT mark = kPan;
    if (mode == "Zoom")
        mark = kRealTimeZoom;
    else if (mode == "ZoomToRect")
        mark = kZoomWindow;
    else if (mode == "Orbit")
        mark = kOrbit;
    viewer.SetViewMode("Select");

    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, kPan, "平移(&P)...");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, kRealTimeZoom, "即时缩放(&R)...");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, kZoomWindow, "窗口(&W)...");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, kExtents, "最大化(&E)...");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, kOrbit, "旋转(&O)...");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, kLayers, "图层(&L)...");
    menu.AppendMenu(MF_STRING, kViews, "视图(&N)...");
    menu.AppendMenu(MF_STRING, kLayouts, "布局(&O)...");
    if (mark == kOrbit)
        for (UINT id : {kExtents, kLayers, kViews, kLayouts})
            menu.EnableMenuItem(id, MF_BYCOMMAND | MF_GRAYED);
    if (!offerDrawingDialogs)
        for (UINT id : {kLayers, kViews, kLayouts})
            menu.EnableMenuItem(id, MF_BYCOMMAND | MF_GRAYED);
    menu.CheckMenuItem(mark, MF_BYCOMMAND | MF_CHECKED);

    CRect place;
    viewer.GetWindowRect(&place);
    const UINT chosen = menu.TrackPopupMenu(TPM_RIGHTBUTTON | TPM_RETURNCMD, static_cast<int>(x) + place.left,
                                            static_cast<int>(y) + place.top, owner);
    switch (chosen) {
    case kPan:
        viewer.SetViewMode("Pan");
        break;
    case kRealTimeZoom:
        viewer.SetViewMode("Zoom");
        break;
    case kZoomWindow:
        viewer.SetViewMode("ZoomToRect");
        break;
    case kOrbit:
        viewer.SetViewMode("Orbit");
        break;
    // The Home key goes to the viewer itself, which shows the whole drawing on it.
    case kExtents:
        viewer.PostMessage(WM_KEYDOWN, VK_HOME, 0);
        break;
    case kLayers:
        viewer.ShowLayers();
        break;
    case kViews:
        viewer.ShowViews();
        break;
    case kLayouts:
        viewer.ShowLayouts();
        break;
    default:
        break;
    }
}
