// Profile (ini) files with the behaviour of the framework's profile functions on a code page 936
// file: sections and keys are found without regard to ASCII letter case, values are returned in
// UTF-8 with surrounding blanks (and one pair of matching quotes) removed, and a write changes only
// the line concerned: every other line, comment and line end stays byte for byte as it was. A new
// line takes the line end the file already uses (CRLF for a new file). The file is created on the
// first write when its folder exists. Each call reads the file as it is at that moment: a file is
// kept parsed only while nothing has changed it (its inode, size and times, and its bytes while
// its times are recent), so another program's edit is seen at once.
//
// A path may be a native path or a backslash path (resolved with vq::NativePath); a bare file name
// without any folder names a file in the Windows folder, as the framework does.
#pragma once

#include "platform/base/String.h"

// Copies the value (or def when the section or key is missing) into buf and returns its length.
// A value longer than size - 1 bytes is cut at a character boundary. With key NULL, buf receives the
// names of the section's keys, with section NULL the names of all sections, each ended by a NUL and
// the list by a second NUL (the returned length counts all but the final NUL).
DWORD GetPrivateProfileString(LPCTSTR section, LPCTSTR key, LPCTSTR def, LPTSTR buf, DWORD size,
                              LPCTSTR path);

// Writes key=value into the section (adding the section at the end of the file when it is missing).
// value NULL deletes the key; key NULL deletes the whole section. FALSE when the file cannot be
// written (for example when its folder does not exist), and, leaving it as it is, when it is not
// code page 936 text (vq::ProfileEncodingFault).
BOOL WritePrivateProfileString(LPCTSTR section, LPCTSTR key, LPCTSTR value, LPCTSTR path);

// The decimal value at the start of the value text (0 when it has none; negative values give 0);
// def when the key is missing.
UINT GetPrivateProfileInt(LPCTSTR section, LPCTSTR key, int def, LPCTSTR path);

namespace vq {

// The whole value as a CString, without any buffer limit; def when the key is missing.
CString ReadProfileString(const CString& section, const CString& key, const CString& def,
                          const CString& path);
// Why the file is not code page 936 text (vq::Cp936TextFault: a UTF-8 file, say), so that its
// sections and keys cannot be found as written and no line may be written into it; empty when it
// is, and when it is missing or cannot be read.
CString ProfileEncodingFault(const CString& path);
// WritePrivateProfileString with CString arguments.
BOOL WriteProfileString(const CString& section, const CString& key, const CString& value,
                        const CString& path);

// The native path that a profile path argument names (see above).
CString ProfilePath(const CString& path);

// What the reads of this process have cost so far: files opened to be read, and texts parsed
// (a file unchanged since it was last parsed, or just written by this process, is not parsed
// again). For the benchmarks and the tests.
struct ProfileReadCounts {
    unsigned long opens = 0;
    unsigned long parses = 0;
};
ProfileReadCounts ProfileReadCountsSoFar();

} // namespace vq
