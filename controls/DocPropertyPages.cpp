#include "controls/DocPropertyPages.h"

#include "controls/DocViewLauncher.h"
#include "core/FileInfo.h"
#include "core/InstallPath.h"
#include "core/Settings.h"
#include "platform/base/File.h"
#include "platform/ui/Dialog.h"

void CDocPropertyPage::Show(CDialog& sheet, bool visible) {
    for (const vq::ControlTemplate& item : Controls())
        if (CWnd* control = sheet.GetDlgItem(item.id))
            control->ShowWindow(visible ? SW_SHOW : SW_HIDE);
}

// ---- Process cards ---------------------------------------------------------------------------

std::vector<vq::ControlTemplate> CCappCardPage::Controls() const {
    return {vq::Label("工艺文件浏览控件不可用。", vq::kHidden, 0, 3401)};
}

// ---- Drawings --------------------------------------------------------------------------------

std::vector<vq::ControlTemplate> CNewDwgPage::Controls() const {
    return {vq::CustomWindow(kViewerId, vq::kHidden | vq::kFill, 0, CRect(0, 0, 480, 360))};
}

void CNewDwgPage::OnOpen(CDialog&) {
    char folder[MAX_PATH];
    if (GetInstallFilePath("QENT\\SPT", folder)) {
        CString drawing, markup;
        drawing.Format("%s\\acad.dwg", CString(folder));
        markup.Format("%s\\redline.dwf", CString(folder));
        m_strMarkup = markup;
        m_strDrawing = CFileInfo(drawing).Exists() ? drawing : CString();
        if (!m_strDrawing.IsEmpty())
            m_viewer.SetDrawingFile(m_strDrawing);
    }
    m_bNoRightMenu = ReadSettingInt("浏览器配置", "屏蔽DWG右键菜单", "0");
    m_bNoTempFiles = ReadSettingInt("浏览器配置", "不保存临时文件", "0");
    if (m_bNoRightMenu)
        m_viewer.SetOptions("DisableRightClickMenu");
}

BOOL CNewDwgPage::ShowFile(const CString& path) {
    if (!CFileInfo(path).Exists())
        return FALSE;
    m_viewer.SetDrawingFile(path);
    return TRUE;
}

// ---- Other files -----------------------------------------------------------------------------

std::vector<vq::ControlTemplate> CNewHtmlPage::Controls() const {
    return {vq::Label("", vq::kHidden, 0, kNameId), vq::PushButton(kOpenId, "打开(&O)...", vq::kHidden)};
}

void CNewHtmlPage::OnOpen(CDialog& sheet) {
    m_pSheet = &sheet;
    m_bOpenWord = ReadSettingInt("浏览器配置", "启动WORD系统", "0");
}

BOOL CNewHtmlPage::ShowFile(const CString& path) {
    if (!CFileInfo(path).Exists())
        return FALSE;
    m_strFile = path;
    if (m_pSheet)
        m_pSheet->SetDlgItemText(kNameId, path);
    return TRUE;
}

int CNewHtmlPage::OpenShownFile() {
    return m_strFile.IsEmpty() ? 0 : OpenDocumentFile(m_strFile);
}

// ---- Pictures --------------------------------------------------------------------------------

std::vector<vq::ControlTemplate> CPicturePage::Controls() const {
    return {vq::CustomWindow(kZoomId, vq::kHidden | vq::kFill, 0, CRect(0, 0, 480, 360))};
}

void CPicturePage::OnOpen(CDialog&) {
    m_zoom.SetCursors(219, 220, 308);
}

BOOL CPicturePage::ShowFile(const CString& path) {
    CBitmap picture;
    if (!CDrawingViewer::LoadPicture(path, picture))
        return FALSE;
    m_zoom.SetImage(picture);
    return TRUE;
}

// ---- 3D models -------------------------------------------------------------------------------

std::vector<vq::ControlTemplate> CSolidEdgePage::Controls() const {
    return {vq::CustomWindow(kViewerId, vq::kHidden | vq::kFill, 0, CRect(0, 0, 480, 360))};
}

void CSolidEdgePage::OnOpen(CDialog&) {
    if (m_viewer.GetSafeHwnd())
        m_viewer.Activate(TRUE);
}

BOOL CSolidEdgePage::ShowFile(const CString& path) {
    if (!m_viewer.GetSafeHwnd() || !CFileInfo(path).Exists())
        return FALSE;
    m_viewer.SetFileName(path);
    m_viewer.UpdateView();
    return TRUE;
}

// ---- Text ------------------------------------------------------------------------------------

std::vector<vq::ControlTemplate> CTextPage::Controls() const {
    return {vq::RichEdit(kTextId, vq::kHidden | vq::kFill,
                         ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | ES_READONLY)};
}

BOOL CTextPage::ShowFile(const CString& path) {
    CStdioFile file;
    if (!file.Open(path, CFile::modeRead | CFile::typeText))
        return FALSE;
    CString text, line;
    bool first = true;
    while (file.ReadString(line)) {
        if (!first)
            text += "\n";
        text += line;
        first = false;
    }
    file.Close();
    m_text.SetWindowText(text);
    return TRUE;
}
