#include "controls/DocViewLauncher.h"

#include "core/FileInfo.h"
#include "core/InstallPath.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/File.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Profile.h"
#include "platform/base/TextCodec.h"
#include "platform/base/Time.h"
#include "platform/os/ShellOpen.h"

namespace {

const char* const kViewerMissing = "不能正常创建工程文档浏览窗口!";

// The extension list is read through a buffer of 260 characters, as the host writes it.
CString ReadExtensionList() {
    const CString path = GetSettingsFilePath();
    if (path.IsEmpty())
        return CString();
    const CString value = vq::ReadProfileString("浏览器配置", "直接浏览文档格式", "", path);
    return CString(vq::TruncateToGbkBytes(value.str(), 259));
}

// True when ".<item>" of one of the "; "-separated items equals ext without regard to case.
bool ListHolds(CString list, const CString& ext) {
    while (!list.IsEmpty()) {
        CString item;
        const int separator = list.Find("; ");
        if (separator >= 0) {
            item = list.Left(separator);
            list = list.Mid(separator + 2);
        } else {
            item = list;
            list.Empty();
        }
        if (("." + item).CompareNoCase(ext) == 0)
            return true;
    }
    return false;
}

} // namespace

CDocViewLauncher::CDocViewLauncher() = default;

CDocViewLauncher::~CDocViewLauncher() = default;

int CDocViewLauncher::HandToShell(const CString& path) {
    if (vq::ShellOpenFile(path))
        return 1;
    AfxMessageBox("不能正常打开文档: " + path, MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

int CDocViewLauncher::OpenDocument(CString path) {
    m_bOpenWordDirectly = ReadSettingInt("浏览器配置", "启动WORD系统", "0");
    const CString ext = CFileInfo(path).GetFileExt();
    if (ext.CompareNoCase(".DOC") == 0 && m_bOpenWordDirectly != 0)
        return HandToShell(path);
    if (!ext.IsEmpty() && ListHolds(ReadExtensionList(), ext))
        return HandToShell(path);

    m_pViewer.reset();
    m_pViewer = vq::CreateDocumentViewer(path);
    if (!m_pViewer) {
        AfxMessageBox(kViewerMissing);
        return 0;
    }
    if (m_bViewCacheMode) {
        m_pViewer->SetViewCacheMode(true);
        path.MakeUpper();
        m_pViewer->ResetViewCache();
        if (path.Find(".ASM") < 0 && path.Find(".IAM") < 0 && path.Find(".SLDASM") < 0 &&
            path.Find(".PRT") < 0) {
            const CString name = CopyToViewCache(path);
            if (name.IsEmpty()) {
                AfxMessageBox("不能正常打开文档: " + path, MB_OK | MB_ICONEXCLAMATION);
                return 0;
            }
            m_pViewer->SetCachedFileName(name);
        }
    }
    if (m_pViewer->OpenFile(path))
        return -1;
    AfxMessageBox("不能正常打开文档: " + path, MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

CString CDocViewLauncher::GetRealFileExt(const CString& fileName) {
    CString name = fileName;
    for (;;) {
        const int dot = name.ReverseFind('.');
        if (dot < 0)
            return CString();
        const CString part = name.Mid(dot + 1);
        if (part.IsEmpty())
            return CString();
        if (part.SpanIncluding("0123456789").GetLength() != part.GetLength())
            return "." + part;
        name = name.Left(dot);
    }
}

CString CDocViewLauncher::CopyToViewCache(CString& path) {
    char folder[MAX_PATH];
    if (!GetInstallFilePath("qent\\spt\\View", folder))
        return CString();
    if (!CFileInfo(folder).Exists())
        CreateDirectory(folder);

    const int slash =
        path.ReverseFind('\\') > path.ReverseFind('/') ? path.ReverseFind('\\') : path.ReverseFind('/');
    const CString name = path.Mid(slash + 1);
    CString title = vq::HostProgramFileName();
    if (title.Find('.') >= 0)
        title = title.Left(title.Find('.'));
    const CString copy = CString(folder) + "/" + title + GetRealFileExt(name);

    if (!CopyFile(path, copy, FALSE))
        return CString();
    DeleteFile(path);
    theApp.m_arrDownloadFiles.Add(copy);
    // The viewer recognises the copies of its cache by this fixed time.
    vq::SetFileTimes(copy, CTime(2000, 5, 25, 2, 15, 12));
    path = copy;
    return name;
}

int OpenDocumentFile(CString path) {
    CDocViewLauncher launcher;
    return launcher.OpenDocument(path);
}
