// What the host program asks of the library besides the entry functions themselves: a headless
// mode in which dialogs are driven by a script and everything shown is printed, and the main
// window of the host with a menu of every entry function.
#pragma once

#include "platform/os/EntryTable.h"

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

// Opens the host's main window (menus of every entry function; asks for the login account once
// and for other arguments per call) and runs it until it is closed. Returns the exit code.
int VqHostRunWindow(const vq::EntryInfo* entries, int count, VqHostInvoke invoke);
}
