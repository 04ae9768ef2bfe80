// Opening a file with the desktop's program for its type, and starting an outside program, without
// waiting for either. Tests replace the shell with a recording one (SetShellOpener).
#pragma once

#include "platform/base/String.h"

#include <vector>

namespace vq {

class ShellOpener {
public:
    virtual ~ShellOpener() = default;
    // Hands the file to the desktop's program for its type (the "open" verb). False when the file
    // does not exist or the program could not be started.
    virtual bool OpenFile(const CString& path) = 0;
    // Starts a program with arguments (no shell, no waiting). False when it could not be started.
    virtual bool StartProgram(const CString& program, const std::vector<CString>& arguments) = 0;
};

// The opener in use: the one set with SetShellOpener, else the desktop's (xdg-open).
ShellOpener& ActiveShellOpener();
// Sets the opener in use (nullptr: back to the desktop's) and returns the one it replaces.
ShellOpener* SetShellOpener(ShellOpener* opener);

// Short forms through the opener in use.
inline bool ShellOpenFile(const CString& path) {
    return ActiveShellOpener().OpenFile(path);
}
inline bool StartProgram(const CString& program, const std::vector<CString>& arguments) {
    return ActiveShellOpener().StartProgram(program, arguments);
}

// Starts a program detached from this process: it is not a child that must be waited for, and
// it keeps running when this process ends. True when the program itself was started (a program
// that cannot be found or run gives false). A copy in a call folder given as an argument keeps
// its folder while a viewer may still read it (vq::HandedToViewer, vq::RemoveLeftoverCallFolders).
// Used by the desktop's opener.
bool SpawnDetached(const CString& program, const std::vector<CString>& arguments);

} // namespace vq
