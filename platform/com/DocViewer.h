// The outside engineering-document viewer object. The launcher reaches it by its methods:
//   method 1  OpenFile(path)            shows the file in the viewer; its boolean is the result
//   method 3  SetViewCacheMode(true)    view-cache mode only
//   method 6  ResetViewCache()          view-cache mode only
//   method 4  SetCachedFileName(name)   view-cache mode only, before method 1
//
// The default object starts the program configured for the file's type. The configuration is the
// profile file "vqviewer.ini" in the Windows folder (VQ_WINDOWS_DIR; code page 936 like every
// profile file), section "文档浏览程序": one key per extension without its dot (letter case does
// not matter), "*" for every other type; the value is a program with optional arguments (blanks
// separate them, double quotes keep a blank inside one), to which the file's path is added as the
// last argument:
//
//   [文档浏览程序]
//   dwg=/opt/viewers/dwgview --readonly
//   *=xdg-open
//
// For a type without a program (and no "*") the viewer counts as not installed: creating it for
// such a file fails.
#pragma once

#include "platform/base/String.h"
#include "platform/base/Time.h"

#include <functional>
#include <memory>

namespace vq {

class DocumentViewer {
public:
    virtual ~DocumentViewer() = default;
    virtual bool OpenFile(const CString& path) = 0;
    virtual void SetViewCacheMode(bool on) = 0;
    virtual void ResetViewCache() = 0;
    virtual void SetCachedFileName(const CString& fileName) = 0;
};

// Creates and runs the viewer object for showing the file; null when it is not installed.
std::unique_ptr<DocumentViewer> CreateDocumentViewer(const CString& path);

// Tests put their own viewer in place: the factory replaces the default object's creation (an
// empty factory puts the default back). Returns the factory it replaces.
using DocumentViewerFactory = std::function<std::unique_ptr<DocumentViewer>(const CString& path)>;
DocumentViewerFactory SetDocumentViewerFactory(DocumentViewerFactory factory);

// The native path of the configuration file named above.
CString DocumentViewerConfigPath();

// Sets a file's last-access and last-write times (there is no creation time to set). False when
// the file cannot be changed.
bool SetFileTimes(const CString& path, const CTime& time);

// The file name of the running program (without its folder), e.g. "vqhost".
CString HostProgramFileName();

} // namespace vq
