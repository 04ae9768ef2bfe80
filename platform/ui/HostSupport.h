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
// Closes every modeless window: through its cancel road (Cancel pressed, with its own questions: a
// window that only hid itself is then destroyed, one still shown stays open), or by destroying it
// without asking, which gives back what it holds as its cancel road does. True when none is left
// open.
enum class CloseWith { Cancel, Destroy };
bool CloseModelessWindows(CloseWith how);
// Destroys every window still open, modal dialogs too, newest first, without asking: each gives
// back what it holds. For a program that ends on a signal, before anything else.
void DestroyEveryWindow();
// When the host caught a signal that ends it (VqHostCatchEndSignals...): ends the program by it
// now, without a core file. Else returns.
void EndIfSignalled();
// From the first window a person sees on: when the library is unloaded or the program exits with
// windows still open (a program that returns from main without closing its modeless windows,
// calls exit() with a dialog open, or whose display went: Qt then exits), they are destroyed then
// without a word to the display, each giving back what it holds. Called as a window opens, so
// that this goes before what the windows need to close (the application object, their
// connections); what they need that is made later is never destroyed.
void CloseWindowsAtTheEnd();
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

// How many entry calls the library has refused so far before they did anything (nobody could
// answer their dialogs, a call from another thread than the windows', a login account the
// settings file cannot hold as given). A refused call returns its entry's failure value, which a
// call that ran may return too: the host compares this count before and after the call.
unsigned long VqHostRefusedCalls();

// Ends what the library keeps running between calls (threads of background work), so that
// nothing of it outlives the host's last call. The host calls it once before it exits.
void VqHostEnd();

// After a single call for a person: runs the windows the entry left open (modeless windows)
// until the last of them is closed, then returns. Where nobody answers them they are destroyed at
// once, each giving back what it holds.
void VqHostWaitForWindows();

// Opens the host's main window (menus of every entry function; asks for the login account once
// and for other arguments per call) and runs it until it is closed. Returns the exit code.
// Closing it (the close box, 文件→退出) first closes every window an entry left open, each through
// its cancel road (with its own questions); when one of them stays open, so does the main window.
// Where nobody could answer it, the window is not opened: it says so on standard error and
// returns 1.
int VqHostRunWindow(const vq::EntryInfo* entries, int count, VqHostInvoke invoke);

// For a host that works for a person: on SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2,
// SIGALRM and every other signal that would end it and can be caught (Ctrl+C, the terminal closed,
// told to stop, Ctrl+\, a user signal, a timer) every window is destroyed without asking, giving
// back what it holds, as soon as the windows' event loop runs, and the host then ends by that
// signal. A second signal before that ends it at once. A signal that was ignored when this was
// called stays ignored. SIGPIPE and SIGXFSZ are ignored: the write that raised them fails instead.
void VqHostCatchEndSignals();
// The same for a headless host: the transfer under way stops, the script stops as at a failure
// (every dialog ends as with Cancel, every question gets its safe answer) and the call unwinds;
// VqHostFinishHeadless then closes the windows left open and ends the host by the signal.
void VqHostCatchEndSignalsHeadless();
}
