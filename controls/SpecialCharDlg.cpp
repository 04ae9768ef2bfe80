#include "controls/SpecialCharDlg.h"

#include "controls/InputStringDlg.h"
#include "platform/base/File.h"
#include "platform/base/FileFind.h"
#include "platform/base/Folders.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/ui/DataExchange.h"

namespace {

const vq::DialogTemplate kSpecialCharTemplate{
    "特殊字符",
    {vq::CustomWindow(1108, vq::kNoLayoutFlags, 0, CRect(0, 0, 300 + 17, 200)), vq::CheckBox(1404, "编 辑"),
     vq::PushButton(1090, "增加...", vq::kBeside), vq::PushButton(995, "修改...", vq::kBeside),
     vq::PushButton(1091, "删除...", vq::kBeside), vq::PushButton(46, "保存", vq::kBeside),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

const vq::TemplateRegistration kSpecialCharRegistration(CSpecialCharDlg::IDD, kSpecialCharTemplate);

constexpr const char* kBegin = "[开始]";
constexpr const char* kEnd = "[结束]";
constexpr const char* kChooseMessage = "请选择特殊字符...";
constexpr const char* kPrompt = "请输入特殊字符:";

// The installation folder named by the first line of a file in the Windows folder; empty when
// the file cannot be read.
CString InstallFolderFrom(const char* name) {
    CStdioFile file;
    if (!file.Open(vq::WindowsFolder() + "/" + name, CFile::modeRead | CFile::typeText))
        return "";
    CString line;
    file.ReadString(line);
    file.Close();
    line.Trim();
    return line;
}

bool FolderExists(const CString& folder) {
    if (folder.IsEmpty())
        return false;
    CFileFind find;
    CString path = vq::NativePath(folder);
    while (path.GetLength() > 1 && (path.Right(1) == "/" || path.Right(1) == "\\"))
        path = path.Left(path.GetLength() - 1);
    if (!find.FindFile(path))
        return false;
    find.FindNextFile();
    return find.IsDirectory() != FALSE;
}

} // namespace

BEGIN_MESSAGE_MAP(CSpecialCharDlg, CDialog)
    ON_BN_CLICKED(1404, &CSpecialCharDlg::OnEditMode)
    ON_BN_CLICKED(1090, &CSpecialCharDlg::OnAdd)
    ON_BN_CLICKED(995, &CSpecialCharDlg::OnChange)
    ON_BN_CLICKED(1091, &CSpecialCharDlg::OnDelete)
    ON_BN_CLICKED(46, &CSpecialCharDlg::OnSave)
    ON_MESSAGE(WM_USER + 5, &CSpecialCharDlg::OnCellSelected)
END_MESSAGE_MAP()

CSpecialCharDlg::CSpecialCharDlg(CWnd* parent) : CDialog(IDD, parent) {}

CString CSpecialCharDlg::GetCharFilePath() {
    // The installation folder as vqpdm.txt (else vqsetup.ini) names it; when that folder does
    // not exist the path is relative to the current folder.
    CString folder = InstallFolderFrom("vqpdm.txt");
    if (folder.IsEmpty())
        folder = InstallFolderFrom("vqsetup.ini");
    if (!FolderExists(folder))
        folder.Empty();
    else if (folder.Right(1) != "\\" && folder.Right(1) != "/")
        folder += "\\";
    return vq::NativePath(folder + "qent\\spt\\vqpchar.txt");
}

void CSpecialCharDlg::ReadCharFile(const CString& path, CStringArray& entries) {
    CStdioFile file;
    if (!file.Open(path, CFile::modeRead | CFile::typeText))
        return;
    CString line;
    bool inBlock = false;
    // Every line of a block counts, the last one too when the file ends without a line end.
    while (file.ReadString(line)) {
        if (!inBlock) {
            if (line.CompareNoCase(kBegin) == 0)
                inBlock = true;
            continue;
        }
        if (line == kEnd) {
            inBlock = false;
            continue;
        }
        entries.Add(line);
    }
    file.Close();
}

bool CSpecialCharDlg::WriteCharFile(const CString& path, const CStringArray& entries) {
    CString text = CString(kBegin) + "\n";
    for (INT_PTR i = 0; i < entries.GetSize(); ++i)
        text += entries[i] + "\n";
    text += CString(kEnd) + "\n";
    return vq::ReplaceFileContent(path, vq::TextFileBytes(text.str()));
}

void CSpecialCharDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1108, m_grid);
    DDX_Check(pDX, 1404, m_bEditMode);
}

BOOL CSpecialCharDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_grid.SetCellSize(30, 20);
    m_grid.SetSize(kRows, kColumns);
    m_crText = 0;
    m_arrChars.RemoveAll();
    ReadCharFile(GetCharFilePath(), m_arrChars);
    if (m_arrChars.GetSize() > kMaxEntries) {
        AfxMessageBox("特殊字符总数不超过200...");
        m_arrChars.SetSize(kMaxEntries);
    }
    for (int i = 0; i < static_cast<int>(m_arrChars.GetSize()); ++i)
        m_grid.SetCell(i / kColumns, i % kColumns, m_arrChars[i], m_crText);
    if (m_arrChars.GetSize() == 0)
        EnableChangeButtons(FALSE);
    ApplyEditMode();
    return TRUE;
}

void CSpecialCharDlg::EnableChangeButtons(BOOL enable) {
    GetDlgItem(995)->EnableWindow(enable);
    GetDlgItem(1091)->EnableWindow(enable);
}

void CSpecialCharDlg::ApplyEditMode() {
    const BOOL on = m_bEditMode ? TRUE : FALSE;
    GetDlgItem(1090)->EnableWindow(on);
    GetDlgItem(46)->EnableWindow(on);
    EnableChangeButtons(on && m_arrChars.GetSize() > 0);
}

void CSpecialCharDlg::OnEditMode() {
    UpdateData(TRUE);
    ApplyEditMode();
}

LRESULT CSpecialCharDlg::OnCellSelected(WPARAM, LPARAM) {
    return 0;
}

void CSpecialCharDlg::OnAdd() {
    // The grid has a cell for each of the first 200 entries; a further one has nowhere to go.
    if (m_arrChars.GetSize() >= kMaxEntries) {
        AfxMessageBox("特殊字符总数不超过200...");
        return;
    }
    CInputStringDlg dlg(this);
    dlg.m_strPrompt = kPrompt;
    if (dlg.DoModal() != IDOK)
        return;
    const int index = static_cast<int>(m_arrChars.Add(dlg.m_strValue));
    m_grid.SetCell(index / kColumns, index % kColumns, dlg.m_strValue, m_crText);
    if (m_arrChars.GetSize() == 1)
        EnableChangeButtons(TRUE);
    m_bModified = 1;
}

void CSpecialCharDlg::OnChange() {
    const CString text = m_grid.GetSelectedText();
    if (text.IsEmpty()) {
        AfxMessageBox(kChooseMessage);
        return;
    }
    // The selected cell itself: with two equal entries the one the user chose is changed.
    const int row = m_grid.GetSelectedRow();
    const int column = m_grid.GetSelectedColumn();
    CInputStringDlg dlg(this);
    dlg.m_strPrompt = kPrompt;
    dlg.m_strValue = text;
    if (dlg.DoModal() != IDOK)
        return;
    m_grid.SetCell(row, column, dlg.m_strValue, m_crText);
    m_grid.SelectCell(row, column);
    m_bModified = 1;
}

void CSpecialCharDlg::EntriesFromGrid() {
    m_arrChars.RemoveAll();
    for (int r = 0; r < m_grid.GetRowCount(); ++r)
        for (int c = 0; c < m_grid.GetColumnCount(); ++c) {
            const CString text = m_grid.GetCellText(r, c);
            if (!text.IsEmpty())
                m_arrChars.Add(text);
        }
}

void CSpecialCharDlg::OnDelete() {
    const CString text = m_grid.GetSelectedText();
    if (text.IsEmpty()) {
        AfxMessageBox(kChooseMessage);
        return;
    }
    m_grid.EmptyCell(m_grid.GetSelectedRow(), m_grid.GetSelectedColumn());
    EntriesFromGrid();
    const int count = static_cast<int>(m_arrChars.GetSize());
    for (int i = 0; i < count; ++i)
        m_grid.SetCell(i / kColumns, i % kColumns, m_arrChars[i],
                       m_grid.GetCellColor(i / kColumns, i % kColumns));
    m_grid.EmptyCell(count / kColumns, count % kColumns);
    if (count > 0)
        m_grid.SelectCell((count - 1) / kColumns, (count - 1) % kColumns);
    else
        EnableChangeButtons(FALSE);
    m_bModified = 1;
}

void CSpecialCharDlg::Save() {
    EntriesFromGrid();
    m_strChar = m_grid.GetSelectedText();
    const CString path = GetCharFilePath();
    if (!WriteCharFile(path, m_arrChars)) {
        CString text;
        text.Format("文件: %s 打不开!", path);
        AfxMessageBox(text);
    }
}

void CSpecialCharDlg::OnSave() {
    Save();
}

void CSpecialCharDlg::OnOK() {
    UpdateData(TRUE);
    Save();
    if (!m_bEditMode && m_strChar.IsEmpty()) {
        AfxMessageBox(kChooseMessage);
        return;
    }
    EndDialog(IDOK);
}

void CSpecialCharDlg::OnCancel() {
    if (m_bModified) {
        const int answer =
            vq::ShowMessageBox("操作提示", "列表内容已被修改，是否要保存?", MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL)
            return;
        // Yes saves as OK does (which may close the dialog); the caller learns it was cancelled.
        if (answer == IDYES)
            OnOK();
    }
    EndDialog(IDCANCEL);
}
