// File-type icons of the desktop shell: one shared list of small (16 by 16) and one of large
// (32 by 32) icons, drawn by us per extension; the same index names a type's icon in both lists.
// The lists belong to the shell: callers show them and never destroy them.
#pragma once

#include "platform/base/String.h"

class CImageList;

namespace vq {

// The shell's list of small or large file-type icons.
CImageList* ShellIconList(bool small);

// The index of the icon of a file's type in both lists, judged by the name's extension alone
// (the file need not exist). A name without an extension gets the generic file icon; the open
// flag gives an open folder for a name ending in a separator. An icon is drawn on first use.
int ShellIconIndex(const CString& fileName, bool open);

} // namespace vq
