// What the host program asks of the library besides the entry functions themselves: a headless
// mode in which dialogs are driven by a script and everything shown is printed, and the main
// window of the host with a menu of every entry function.
#pragma once

#include "platform/os/EntryTable.h"

#include <vector>

class CDialog;

namespace vq {
// The modeless windows open now (top-level dialogs that are not modal), oldest first.
std::vector<CDialog*> ModelessWindows();
// Closes every modeless window: as its close box does (WM_CLOSE, with its own questions), or by
// destroying it without asking. True when none is left open.
enum class CloseWith { CloseBox, Destroy };
bool CloseModelessWindows(CloseWith how);
} // namespace vq

extern "C" {

// Calls one entry with its arguments as texts (integers are converted by the caller's side).
// On return *resultText holds the result as text ("1", or the entry's text result).
using VqHostInvoke = int (*)(const vq::EntryInfo* entry, const char* const* args, int argCount,
                             char* resultText, int resultSize);

// Headless mode: every dialog, message box, file dialog and menu is answered by the script in
// scriptPath (NULL: no script, so the first dialog that waits for input ends the run with an
// error). Every dialog opened and every message box is printed to standard output.
// Returns 1 when the mode is set up, 0 after printing why not.
int VqHostStartHeadless(const char* scriptPath);

// Ends headless mode; returns 1 when the script ran without an error, 0 after printing the error.
int VqHostFinishHeadless();

// Ends what the library keeps running between calls (threads of background work), so that
// nothing of it outlives the host's last call. The host calls it once before it exits.
void VqHostEnd();

// After a single call for a person: runs the windows the entry left open (modeless windows)
// until the last of them is closed, then returns. Where nobody can see them (no display), they
// are closed at once, each as its close box closes it (its questions get their safe answers).
void VqHostWaitForWindows();

// Opens the host's main window (menus of every entry function; asks for the login account once
// and for other arguments per call) and runs it until it is closed. Returns the exit code.
// Closing it (the close box, 文件→退出) first closes every window an entry left open, each as its
// own close box does (with its own questions); when one of them stays open, so does the main
// window.
int VqHostRunWindow(const vq::EntryInfo* entries, int count, VqHostInvoke invoke);
}
