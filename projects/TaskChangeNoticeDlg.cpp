#include "projects/TaskChangeNoticeDlg.h"

#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/File.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/FontDialog.h"
#include "platform/ui/Menu.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using D = CTaskChangeNoticeDlg;

const vq::DialogTemplate kNoticeTemplate{
    "任务更改通知单",
    {vq::Label("项目编号:"), vq::EditBox(D::kNumberId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::Label("工作状态:", vq::kBeside), vq::EditBox(D::kStateId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::Label("日期:", vq::kBeside), vq::EditBox(D::kDateId, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::Label("更改内容", vq::kNoLayoutFlags, 0, D::kTextLabelId), vq::RichEdit(D::kTextId, vq::kFill),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside),
     vq::PushButton(D::kOpenId, "打开...", vq::kBeside), vq::PushButton(D::kSaveId, "存储...", vq::kBeside)},
    CSize(560, 420)};

constexpr const char* kRtfFilter = "评审意见文件 (*.rtf)|*.rtf||";
constexpr int kLogicalPixelsPerInch = 96;
constexpr const char* kNotRtf = "该文件必须是RTF类型的文件!";

} // namespace

void CChangeNoticeText::OnRButtonDown(UINT, CPoint point) {
    if (m_pForm)
        m_pForm->ShowFormatMenu(point);
}

void CChangeNoticeText::OnKeyDown(UINT key, UINT, UINT) {
    if (key == VK_RETURN && m_pForm)
        m_pForm->InsertLineBreak();
}

BEGIN_MESSAGE_MAP(CChangeNoticeText, CRichEditCtrl)
    ON_WM_RBUTTONDOWN()
    ON_WM_KEYDOWN()
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CTaskChangeNoticeDlg, CDialog)
    ON_BN_CLICKED(kOpenId, &CTaskChangeNoticeDlg::OnOpenFile)
    ON_BN_CLICKED(kSaveId, &CTaskChangeNoticeDlg::OnSaveFile)
END_MESSAGE_MAP()

CTaskChangeNoticeDlg::CTaskChangeNoticeDlg(CWnd* parent) : CDialog(kNoticeTemplate, parent) {
    m_text.m_pForm = this;
}

void CTaskChangeNoticeDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kTextId, m_text);
    DDX_Text(pDX, kNumberId, m_strTaskNo);
    DDX_Text(pDX, kStateId, m_strWorkState);
    DDX_Text(pDX, kDateId, m_strDate);
}

BOOL CTaskChangeNoticeDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    ReadTaskRow();
    if (!m_bRowFound)
        GetDlgItem(IDOK)->EnableWindow(FALSE);
    CString caption;
    caption.Format("任务更改内容 - %s[%s]", m_strTaskName, m_strTaskNo);
    SetWindowText(caption);
    SetDlgItemText(kTextLabelId, "更改内容");
    CRect rect;
    m_text.GetClientRect(&rect);
    // Two thirds of the control's width less 15, in pixels; the control counts in twips.
    const long margin = std::max(0L, static_cast<long>(rect.Width()) * 2 / 3 - 15);
    m_text.SetRightMargin(margin * 15);
    m_strDate = CTime::GetCurrentTime().Format("%Y-%m-%d");
    UpdateData(FALSE);
    if (!m_strText.IsEmpty())
        m_text.SetWindowText(m_strText);
    return TRUE;
}

void CTaskChangeNoticeDlg::ReadTaskRow() {
    CString sql;
    sql.Format("Select ProjectNo,CurrentRev From ProjectManage WHERE ProjectPath='%s' AND ProjectName='%s'",
               SqlQuote(m_strProjectPath), SqlQuote(m_strTaskName));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            m_strTaskNo = VariantToString(rs->GetCollect(0L));
            m_bRowFound = true;
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CTaskChangeNoticeDlg::OnOK() {
    m_strText = m_text.GetWindowTextValue();
    EndDialog(IDOK);
}

void CTaskChangeNoticeDlg::OnOpenFile() {
    CFileDialog dialog(TRUE, "*.rtf", nullptr, OFN_HIDEREADONLY, kRtfFilter, this);
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
    if (MessageBox("打开意见文件将覆盖当前内容，是否继续?", "操作提示", MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    if (!LoadRtfFile(path))
        AfxMessageBox("不能读取该RTF文件!");
}

void CTaskChangeNoticeDlg::OnSaveFile() {
    CFileDialog dialog(FALSE, ".rtf", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kRtfFilter, this);
    if (dialog.DoModal() != IDOK)
        return;
    if (dialog.GetFileExt().CompareNoCase("rtf") != 0) {
        AfxMessageBox(kNotRtf);
        return;
    }
    if (!SaveRtfFile(dialog.GetPathName()))
        AfxMessageBox("不能存储该RTF文件!");
}

// The file's bytes go to the control as RTF; a file that is no RTF leaves the text unchanged.
bool CTaskChangeNoticeDlg::LoadRtfFile(const CString& path) {
    std::ifstream in(path.str(), std::ios::binary);
    if (!in)
        return false;
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return false;
    return m_text.SetRtf(CString(data));
}

// Written beside the target and renamed over it, so that a failed write leaves the old file.
bool CTaskChangeNoticeDlg::SaveRtfFile(const CString& path) {
    const std::string target = path.str();
    const std::string temporary = target + ".part";
    const std::string data = m_text.GetRtf().str();
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        out.flush();
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, target, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

void CTaskChangeNoticeDlg::InsertLineBreak() {
    m_text.UserReplaceSel("\n");
    m_text.SetFocus();
}

void CTaskChangeNoticeDlg::ShowFormatMenu(CPoint point) {
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, kFontCommand, "字体(&F)...");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, kLeftCommand, "左对齐(&L)...");
    menu.AppendMenu(MF_STRING, kCenterCommand, "对中(&C)...");
    menu.AppendMenu(MF_STRING, kRightCommand, "右对齐(&R)...");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, kBulletCommand, "项目符号(&B)...");
    m_text.ClientToScreen(&point);
    const UINT command = static_cast<UINT>(
        menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RETURNCMD | TPM_NONOTIFY, point.x, point.y, this));
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
        break;
    }
}

void CTaskChangeNoticeDlg::ChooseFont() {
    CHARFORMAT format;
    m_text.GetSelectionCharFormat(format);
    LOGFONT font;
    const int points = format.yHeight > 0 ? static_cast<int>(format.yHeight / 20) : 9;
    font.lfHeight = -points * kLogicalPixelsPerInch / 72;
    font.lfWeight = (format.dwEffects & CFE_BOLD) ? 700 : 400;
    font.lfItalic = (format.dwEffects & CFE_ITALIC) ? 1 : 0;
    font.lfUnderline = (format.dwEffects & CFE_UNDERLINE) ? 1 : 0;
    font.lfStrikeOut = (format.dwEffects & CFE_STRIKEOUT) ? 1 : 0;
    const CString face = format.szFaceName[0] ? CString(format.szFaceName) : CString("宋体");
    std::strncpy(font.lfFaceName, face.c_str(), sizeof font.lfFaceName - 1);
    CFontDialog dialog(&font, CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT, nullptr, this);
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
    m_text.SetSelectionCharFormat(chosen);
}

void CTaskChangeNoticeDlg::SetAlignment(WORD alignment) {
    PARAFORMAT format;
    format.dwMask = PFM_ALIGNMENT;
    format.wAlignment = alignment;
    m_text.SetParaFormat(format);
    m_text.SetFocus();
}

void CTaskChangeNoticeDlg::ToggleBullet() {
    PARAFORMAT format;
    m_text.GetParaFormat(format);
    const bool on = format.wNumbering == PFN_BULLET;
    PARAFORMAT change;
    change.dwMask = PFM_NUMBERING;
    change.wNumbering = on ? 0 : PFN_BULLET;
    m_text.SetParaFormat(change);
}
