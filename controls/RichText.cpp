#include "controls/RichText.h"

#include "platform/base/File.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/FontDialog.h"
#include "platform/ui/Menu.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

constexpr int kLogicalPixelsPerInch = 96;
constexpr long kTwipsPerPixel = 15;

constexpr const char* kRtfFilter = "评审意见文件 (*.rtf)|*.rtf||";
constexpr const char* kNotRtf = "该文件必须是RTF类型的文件!";

} // namespace

BEGIN_MESSAGE_MAP(CRichText, CRichEditCtrl)
    ON_WM_RBUTTONDOWN()
    ON_WM_KEYDOWN()
END_MESSAGE_MAP()

void CRichText::OnRButtonDown(UINT, CPoint point) {
    ShowFormatMenu(point);
}

void CRichText::OnKeyDown(UINT key, UINT, UINT) {
    if (key == VK_RETURN)
        InsertLineBreak();
}

void CRichText::ShowFormatMenu(CPoint point) {
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, kFontCommand, "字体(&F)...");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, kLeftCommand, "左对齐(&L)...");
    menu.AppendMenu(MF_STRING, kCenterCommand, "对中(&C)...");
    menu.AppendMenu(MF_STRING, kRightCommand, "右对齐(&R)...");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, kBulletCommand, "项目符号(&B)...");
    ClientToScreen(&point);
    CWnd* owner = m_pMenuOwner ? m_pMenuOwner : this;
    const UINT command = static_cast<UINT>(
        menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RETURNCMD | TPM_NONOTIFY, point.x, point.y, owner));
    switch (command) {
    case kFontCommand:
        ChooseFont();
        break;
    case kLeftCommand:
        SetAlignment(PFA_LEFT);
        break;
    case kCenterCommand:
        SetAlignment(PFA_CENTER);
        break;
    case kRightCommand:
        SetAlignment(PFA_RIGHT);
        break;
    case kBulletCommand:
        ToggleBullet();
        break;
    default:
        return;
    }
    SetFocus();
}

void CRichText::ChooseFont() {
    CHARFORMAT format;
    GetSelectionCharFormat(format);
    LOGFONT font;
    const int points = format.yHeight > 0 ? static_cast<int>(format.yHeight / 20) : 9;
    font.lfHeight = -points * kLogicalPixelsPerInch / 72;
    font.lfWeight = (format.dwEffects & CFE_BOLD) ? 700 : 400;
    font.lfItalic = (format.dwEffects & CFE_ITALIC) ? 1 : 0;
    font.lfUnderline = (format.dwEffects & CFE_UNDERLINE) ? 1 : 0;
    font.lfStrikeOut = (format.dwEffects & CFE_STRIKEOUT) ? 1 : 0;
    const CString face = format.szFaceName[0] ? CString(format.szFaceName) : CString("宋体");
    std::strncpy(font.lfFaceName, face.c_str(), sizeof font.lfFaceName - 1);
    CFontDialog dialog(&font, CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT, nullptr,
                       m_pMenuOwner ? m_pMenuOwner : this);
    dialog.m_cf.rgbColors = (format.dwEffects & CFE_AUTOCOLOR) ? RGB(0, 0, 0) : format.crTextColor;
    if (dialog.DoModal() != IDOK)
        return;
    CHARFORMAT chosen;
    chosen.dwMask = CFM_FACE | CFM_SIZE | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_COLOR;
    std::strncpy(chosen.szFaceName, dialog.GetFaceName().c_str(), sizeof chosen.szFaceName - 1);
    chosen.yHeight = dialog.GetSize() / 10 * 20;
    if (dialog.IsItalic())
        chosen.dwEffects |= CFE_ITALIC;
    if (dialog.GetWeight() == 700)
        chosen.dwEffects |= CFE_BOLD;
    if (dialog.IsUnderline())
        chosen.dwEffects |= CFE_UNDERLINE;
    if (dialog.IsStrikeOut())
        chosen.dwEffects |= CFE_STRIKEOUT;
    chosen.crTextColor = dialog.GetColor();
    SetSelectionCharFormat(chosen);
}

void CRichText::SetAlignment(WORD alignment) {
    PARAFORMAT format;
    format.dwMask = PFM_ALIGNMENT;
    format.wAlignment = alignment;
    SetParaFormat(format);
}

void CRichText::ToggleBullet() {
    PARAFORMAT format;
    GetParaFormat(format);
    const bool on = format.wNumbering == PFN_BULLET;
    PARAFORMAT change;
    change.dwMask = PFM_NUMBERING;
    change.wNumbering = on ? 0 : PFN_BULLET;
    SetParaFormat(change);
}

void CRichText::InsertLineBreak() {
    UserReplaceSel("\n");
    SetFocus();
}

void CRichText::SetMarginFromWidth() {
    CRect rect;
    GetClientRect(&rect);
    const long pixels = std::max(0L, static_cast<long>(rect.Width()) * 2 / 3 - 15);
    SetRightMargin(pixels * kTwipsPerPixel);
}

bool CRichText::LoadFile(const CString& path) {
    std::ifstream in(path.str(), std::ios::binary);
    if (!in)
        return false;
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return false;
    return SetRtf(CString(data));
}

// The text goes to a new file that then takes the name: a failed write leaves the old file whole.
// In the working folder the file is the user's alone (0600) and replaces a link at the name; a
// file the user chose elsewhere is written through a link standing at its name.
bool CRichText::SaveFile(const CString& path) const {
    return vq::ReplaceFileContent(path, GetRtf().str());
}

void CRichText::OpenFileAsked(CWnd* parent, UINT questionIcon) {
    CFileDialog dialog(TRUE, "*.rtf", nullptr, OFN_HIDEREADONLY, kRtfFilter, parent);
    if (dialog.DoModal() != IDOK)
        return;
    const CString path = dialog.GetPathName();
    if (!PathFileExists(path)) {
        AfxMessageBox("文件不存在!");
        return;
    }
    if (dialog.GetFileExt().CompareNoCase("rtf") != 0) {
        AfxMessageBox(kNotRtf);
        return;
    }
    if (parent->MessageBox("打开意见文件将覆盖当前内容，是否继续?", "操作提示",
                           MB_YESNO | questionIcon | MB_DEFBUTTON2) != IDYES)
        return;
    if (!LoadFile(path))
        AfxMessageBox("不能读取该RTF文件!");
}

void CRichText::SaveFileAsked(CWnd* parent) const {
    CFileDialog dialog(FALSE, ".rtf", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kRtfFilter, parent);
    if (dialog.DoModal() != IDOK)
        return;
    if (dialog.GetFileExt().CompareNoCase("rtf") != 0) {
        AfxMessageBox(kNotRtf);
        return;
    }
    if (!SaveFile(dialog.GetPathName()))
        AfxMessageBox("不能存储该RTF文件!");
}
