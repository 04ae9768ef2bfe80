// The document launcher: opens a document that lies on local disk in the program that suits its
// type: the desktop's program for the type (the shell), or the outside engineering-document viewer.
//
// Which goes where (settings file, section "浏览器配置"):
//   - "启动WORD系统" non-zero: ".doc" files go to the shell;
//   - "直接浏览文档格式": extensions without the dot, separated by "; ", that go to the shell;
//   - everything else goes to the viewer object.
#pragma once

#include "platform/base/String.h"
#include "platform/com/DocViewer.h"

#include <memory>

class CDocViewLauncher {
public:
    CDocViewLauncher();
    virtual ~CDocViewLauncher();
    CDocViewLauncher(const CDocViewLauncher&) = delete;
    CDocViewLauncher& operator=(const CDocViewLauncher&) = delete;

    // Opens the file. 1: handed to the shell; 0: nothing shown (the person has been told why);
    // otherwise the viewer's boolean for a shown file (-1, the automation TRUE).
    int OpenDocument(CString path);

    // The extension of a file name with its dot, version numbers after it skipped ("a.dwg.3" gives
    // ".dwg"); empty for a name without a dot or ending in one.
    static CString GetRealFileExt(const CString& fileName);

    int m_nReserved = 0;         // cleared, not used
    int m_bOpenWordDirectly = 0; // "启动WORD系统", read at each OpenDocument
    int m_bViewCacheMode = 0;    // copy documents into the view cache before viewing them

protected:
    // Copies the file into the view cache "qent\spt\View" as "<host title><real extension>",
    // deletes the source and records the copy as a downloaded file. The path then names the copy;
    // returns the file name part of the original path (empty when the copy failed).
    CString CopyToViewCache(CString& path);

private:
    int HandToShell(const CString& path);

    std::unique_ptr<vq::DocumentViewer> m_pViewer;
};

// Opens a fetched document in the program that suits its type (CDocViewLauncher::OpenDocument).
int OpenDocumentFile(CString path);
