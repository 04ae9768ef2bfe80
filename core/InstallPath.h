// The installation folder of the host client and the files below it.
//
// The installation folder is the first line of "vqpdm.txt" in the Windows folder (or, when that file
// cannot be opened, of "vqsetup.ini" there). It may be a native path or one written with backslashes;
// the paths returned are native.
#pragma once

#include "platform/base/String.h"

#include <cstdio>

// Writes the installation folder, a separator and relPath (a backslash path) as one native path into
// outBuf (MAX_PATH bytes) and returns 1. Returns 0 with an empty outBuf after a message box when the
// installation folder cannot be learnt, and silently when the path would not fit MAX_PATH bytes.
int GetInstallFilePath(LPCTSTR relPath, LPTSTR outBuf);
// The same, from the first line of "vqsetup.ini".
int GetInstallFilePathFromSetup(LPCTSTR relPath, LPTSTR outBuf);
// How many times this process has looked the installation folder up (read vqpdm.txt or
// vqsetup.ini and resolved the path); for the benchmarks.
unsigned long InstallFolderLookupsSoFar();
// Whether the Windows folder holds one of the two files that name the installation folder;
// asks nothing and shows nothing.
bool InstallationNamed();
// What is wrong with the installation the Windows folder names, without showing anything: the
// system's own message of the file (first line) and, on a second line, the file and what is wrong
// with it (empty, unreadable without a vqsetup.ini to fall back on, no folder in its first line, a
// folder that does not exist). Empty when the installation folder is there (then *folder, when
// given, receives it) and when neither file is there: an entry call says what it says of that.
CString InstallationFault(CString* folder = nullptr);

// The next piece of a line of a code page 936 text file, in UTF-8, without its line end: at most 99
// bytes of the file (a double-byte character is never cut: the piece then ends before it). A line
// end that directly follows a full piece belongs to that piece. Empty at the end of the file.
CString ReadFileLine(FILE* file);

// The folder for the copies of documents, opinions and markup, ending with a separator: the
// user's own working folder below the temporary folder (vq::WorkingFolder).
CString GetTempDirectory();
