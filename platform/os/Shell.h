// The desktop shell's services that the dialogs use.
#pragma once

#include "platform/base/String.h"

namespace vq {

// The type name the shell shows for a file: "文件夹" for an existing folder, otherwise the
// extension in capitals followed by " 文件" ("DWG 文件" for "a.dwg"), or "文件" for a name
// without an extension. The file itself need not exist.
CString ShellFileTypeName(const CString& path);

} // namespace vq
