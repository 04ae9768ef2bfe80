#include "controls/DocPropertySheet.h"

#include "controls/RedlineViewDlg.h"
#include "core/FileInfo.h"

namespace {

// The sheet's template: the tabs, every page's controls (hidden until their page is shown), and
// the close button.
vq::DialogTemplate MakeSheetTemplate() {
    std::vector<vq::ControlTemplate> controls{vq::TabControl(CDocPropertySheet::kTabId)};
    for (const auto& page : std::initializer_list<std::vector<vq::ControlTemplate>>{
             CCappCardPage().Controls(), CNewDwgPage().Controls(), CNewHtmlPage().Controls(),
             CPicturePage().Controls(), CSolidEdgePage().Controls(), CTextPage().Controls()})
        controls.insert(controls.end(), page.begin(), page.end());
    controls.push_back(vq::DefPushButton(IDOK, "关闭"));
    return vq::DialogTemplate("文档浏览", controls, CSize(560, 460), WS_CAPTION | WS_SYSMENU | WS_THICKFRAME);
}

const vq::DialogTemplate& SheetTemplate() {
    static const vq::DialogTemplate sheet = MakeSheetTemplate();
    return sheet;
}

bool OneOf(const CString& ext, std::initializer_list<const char*> list) {
    for (const char* item : list)
        if (ext.CompareNoCase(item) == 0)
            return true;
    return false;
}

} // namespace

BEGIN_MESSAGE_MAP(CDocPropertySheet, CDialog)
    ON_NOTIFY(TCN_SELCHANGE, CDocPropertySheet::kTabId, &CDocPropertySheet::OnTabChange)
    ON_BN_CLICKED(CNewHtmlPage::kOpenId, &CDocPropertySheet::OnOpenOther)
    ON_VIEWER_MOUSEDOWN(CNewDwgPage::kViewerId, &CDocPropertySheet::OnViewerMouseDown)
END_MESSAGE_MAP()

CDocPropertySheet::CDocPropertySheet(CWnd* parent) : CDialog(SheetTemplate(), parent) {}

CDocPropertyPage& CDocPropertySheet::GetPage(int page) {
    switch (page) {
    case kCappCard:
        return m_cappPage;
    case kDrawing:
        return m_dwgPage;
    case kOther:
        return m_htmlPage;
    case kPicture:
        return m_picturePage;
    case kModel:
        return m_modelPage;
    default:
        return m_textPage;
    }
}

CDocPropertySheet::Page CDocPropertySheet::PageFor(const CString& path) {
    const CString ext = CFileInfo(path).GetFileExt();
    if (OneOf(ext, {".dwg", ".dxf", ".dwf", ".rml"}))
        return kDrawing;
    if (OneOf(ext, {".bmp", ".jpg", ".jpeg", ".png", ".gif", ".tif", ".tiff"}))
        return kPicture;
    if (OneOf(ext, {".prt", ".asm", ".par", ".psm", ".sldprt", ".sldasm", ".ipt", ".iam"}))
        return kModel;
    if (OneOf(ext, {".txt", ".log", ".csv", ".ini"}))
        return kText;
    return kOther;
}

void CDocPropertySheet::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kTabId, m_tabs);
    for (int page = 0; page < kPageCount; ++page)
        GetPage(page).DoDataExchange(pDX);
}

BOOL CDocPropertySheet::OnInitDialog() {
    CDialog::OnInitDialog();
    for (int page = 0; page < kPageCount; ++page)
        m_tabs.InsertItem(page, GetPage(page).GetCaption());
    if (m_strDocument.IsEmpty() || !ShowDocument(m_strDocument))
        SetActivePage(m_strDocument.IsEmpty() ? kDrawing : PageFor(m_strDocument));
    return TRUE;
}

void CDocPropertySheet::SetActivePage(int page) {
    if (page < 0 || page >= kPageCount)
        return;
    for (int other = 0; other < kPageCount; ++other)
        if (other != page)
            GetPage(other).Show(*this, false);
    CDocPropertyPage& shown = GetPage(page);
    shown.Show(*this, true);
    if (!shown.IsOpen()) {
        shown.MarkOpen();
        shown.OnOpen(*this);
    }
    m_nActive = page;
    if (m_tabs.GetCurSel() != page)
        m_tabs.SetCurSel(page);
}

BOOL CDocPropertySheet::ShowDocument(const CString& path) {
    const Page page = PageFor(path);
    SetActivePage(page);
    return GetPage(page).ShowFile(path);
}

void CDocPropertySheet::OnTabChange(NMHDR*, LRESULT* result) {
    SetActivePage(m_tabs.GetCurSel());
    *result = 0;
}

void CDocPropertySheet::OnOpenOther() {
    m_htmlPage.OpenShownFile();
}

void CDocPropertySheet::OnViewerMouseDown(short button, short, double x, double y) {
    if (button == 2)
        TrackViewerCommandMenu(m_dwgPage.m_viewer, x, y, this);
}
