#include "platform/os/Shell.h"

#include "platform/base/Folders.h"

#include <sys/stat.h>

namespace vq {

CString ShellFileTypeName(const CString& path) {
    CString native = NativePath(path);
    struct stat st;
    if (!native.IsEmpty() && ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return CString("文件夹");
    int slash = native.ReverseFind('/');
    CString name = native.Mid(slash + 1);
    int dot = name.ReverseFind('.');
    if (dot < 0 || dot == name.GetLength() - 1)
        return CString("文件");
    CString ext = name.Mid(dot + 1);
    ext.MakeUpper();
    return ext + " 文件";
}

} // namespace vq
