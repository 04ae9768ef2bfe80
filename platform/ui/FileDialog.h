// The file-open and file-save dialogs.
#pragma once

#include "platform/base/String.h"
#include "platform/ui/View.h"

#include <vector>

class CWnd;

constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
constexpr DWORD OFN_CREATEPROMPT = 0x00002000;
constexpr DWORD OFN_NOREADONLYRETURN = 0x00008000;
constexpr DWORD OFN_EXPLORER = 0x00080000;
constexpr DWORD OFN_ENABLESIZING = 0x00800000;

struct OPENFILENAME {
    DWORD Flags = 0;
    DWORD nFilterIndex = 1;
    LPCTSTR lpstrInitialDir = nullptr;
    LPCTSTR lpstrTitle = nullptr;
    LPCTSTR lpstrDefExt = nullptr;
    // A caller may give a bigger buffer for many selected files; the names are also kept whole.
    LPTSTR lpstrFile = nullptr;
    DWORD nMaxFile = 0;
};

class CFileDialog {
public:
    // filter: "描述|*.a;*.b|描述|*.c||" pairs; defaultExt without dot; fileName proposed first.
    CFileDialog(BOOL openFileDialog, LPCTSTR defaultExt = nullptr, LPCTSTR fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR filter = nullptr,
                CWnd* parent = nullptr, DWORD size = 0, BOOL vistaStyle = TRUE);
    virtual ~CFileDialog() = default;

    // IDOK or IDCANCEL.
    virtual INT_PTR DoModal();

    CString GetPathName() const;  // the (first) chosen path
    CString GetFileName() const;  // its name with extension
    CString GetFileExt() const;   // its extension without dot
    CString GetFileTitle() const; // its name without extension
    CString GetFolderPath() const;
    POSITION GetStartPosition() const; // multiple selection: walks every chosen path
    CString GetNextPathName(POSITION& pos) const;
    int GetChosenCount() const { return static_cast<int>(m_paths.size()); }

    OPENFILENAME m_ofn;

    // Splits "a|b|c|d||" into (description, patterns) pairs.
    static std::vector<std::pair<CString, CString>> ParseFilter(const CString& filter);
    // Adds the default extension to a name without one (a name ending in '.' keeps it off).
    static CString ApplyDefaultExtension(const CString& path, const CString& defaultExt);

private:
    BOOL m_open;
    CString m_defaultExt;
    CString m_fileName;
    CString m_filter;
    CString m_initialDir;
    CString m_title;
    CWnd* m_parent;
    std::vector<CString> m_paths;
};
