#include "core/FileInfo.h"

#include "platform/base/File.h"
#include "platform/base/FileFind.h"
#include "platform/base/Time.h"
#include "platform/os/Shell.h"

#include <algorithm>
#include <utility>

CFileInfo::CFileInfo(CString path) : m_strPath(std::move(path)) {}

void CFileInfo::Split(CString& drive, CString& folder, CString& title, CString& ext) const {
    CString rest = m_strPath;
    drive.Empty();
    if (rest.GetLength() >= 2 && rest[1] == ':' &&
        ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= 'a' && rest[0] <= 'z'))) {
        drive = rest.Left(2);
        rest = rest.Mid(2);
    }
    int slash = std::max(rest.ReverseFind('\\'), rest.ReverseFind('/'));
    folder = rest.Left(slash + 1);
    CString name = rest.Mid(slash + 1);
    int dot = name.ReverseFind('.');
    if (dot >= 0) {
        title = name.Left(dot);
        ext = name.Mid(dot);
    } else {
        title = name;
        ext.Empty();
    }
}

CString CFileInfo::GetFileName() const {
    CString drive, folder, title, ext;
    Split(drive, folder, title, ext);
    return title + ext;
}

CString CFileInfo::GetFileTitle() const {
    CString drive, folder, title, ext;
    Split(drive, folder, title, ext);
    return title;
}

CString CFileInfo::GetFileExt() const {
    CString drive, folder, title, ext;
    Split(drive, folder, title, ext);
    return ext;
}

bool CFileInfo::Size(long long& size) const {
    CFile file;
    if (!file.Open(m_strPath, CFile::modeRead | CFile::shareDenyNone))
        return false;
    size = file.GetLength();
    return true;
}

CString CFileInfo::GetFileSizeKB() const {
    long long size = 0;
    CString text;
    if (!Size(size))
        text = "0KB";
    else
        text.Format("%lldKB", size / 1024 + 1);
    return text;
}

CString CFileInfo::GetFileSize() const {
    long long size = 0;
    CString text;
    Size(size);
    text.Format("%lld", size);
    return text;
}

CString CFileInfo::GetFileTypeName() const {
    return vq::ShellFileTypeName(m_strPath);
}

CString CFileInfo::GetModifyTime() const {
    CFile file;
    if (!file.Open(m_strPath, CFile::modeRead | CFile::shareDenyNone))
        return CString();
    file.Close();
    CFileStatus status;
    if (!CFile::GetStatus(m_strPath, status))
        return CString();
    return status.m_mtime.Format("%Y-%m-%d %H:%M");
}

bool CFileInfo::Exists() const {
    CString path = m_strPath;
    int last = path.GetLength() - 1;
    if (last > 0 && (path[last] == '\\' || path[last] == '/'))
        path = path.Left(last);
    if (path.IsEmpty())
        return false;
    CFileFind finder;
    return finder.FindFile(path) != FALSE;
}
