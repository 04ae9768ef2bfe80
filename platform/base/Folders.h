// The folders the system asks the operating system for, and the turning of the relative backslash
// paths that the system's code and files use into native paths.
//
// The Windows folder and the system folder are folders of the installation's configuration:
// VQ_WINDOWS_DIR and VQ_SYSTEM_DIR, each defaulting to $XDG_CONFIG_HOME/vqpdm (else ~/.config/vqpdm).
// The temporary folder is $TMPDIR, else /tmp. Copies of documents, opinions and markup go to the
// user's own working folder below it, never to a name in the shared temporary folder itself.
#pragma once

#include "platform/base/String.h"

#include <chrono>
#include <cstddef>
#include <string>

namespace vq {

// Without a trailing separator; empty when no folder can be determined (no variable set, no HOME).
CString WindowsFolder();
CString SystemFolder();
// Always ends with '/'.
CString TempFolder();
// The user's working folder: "vqpdm-<user id>" in the temporary folder, made with mode 0700 when it
// is missing. A folder of that name is used only when it is a real folder (not a link) owned by the
// user, closed to group and others first (mode 0700) if it was open to them; anything else standing
// there is left alone and this process works in a folder "vqpdm-<user id>-XXXXXX" of its own
// instead: the one an earlier run made, else a new one. Ends with '/'. When no
// private folder can be had (the temporary folder missing or full) the usual name is returned all
// the same and nothing is written there (vq::CreateFileBeside refuses it): every copy then fails
// as a write into a missing folder does.
CString WorkingFolder();
// Whether a path names an entry inside the working folder (or inside the usual folder of that name,
// which is never another's to use); nothing is created.
bool InWorkingFolder(const CString& path);
// Whether a path inside the working folder may be written and read: the folder is the user's
// private folder at this moment, and each existing folder between it and the path is a real folder
// of the user's own that nobody else may write to.
bool InPrivateWorkingFolder(const CString& path);

// A folder of one call's own inside the working folder, "call-<maker>-XXXXXX" made exclusively
// (mode 0700) at its first use: the local copies a dialog writes (opinions, markup, fetched
// documents) take the names the person or the viewer sees inside it, and no other call (another host
// of the same user at the same step) can choose the same path. Its name carries the mark of the
// process that made it (vq::ProcessMark), so that a later run can tell a folder whose maker has
// ended for certain; a maker of another machine or of a PID namespace that cannot be looked into
// from here is never taken for ended. The folder goes, with what it holds, with the object, unless
// a copy in it was handed to a viewer (vq::HandedToViewer): it then stays while the viewer may
// still read it (see vq::RemoveLeftoverCallFolders), and goes at a later sweep of this process or
// of a later run. The object never throws from its destructor.
class CallFolder {
public:
    CallFolder() = default;
    ~CallFolder();
    CallFolder(const CallFolder&) = delete;
    CallFolder& operator=(const CallFolder&) = delete;

    // The folder, ending with '/'. When it cannot be made the path of a folder that does not exist,
    // so that every copy fails as a write into a missing folder does and the person is told which
    // folder that is: the working folder when it is missing or not the user's private one, else
    // the call folder that could not be made. Nothing is written there while it is so (see
    // vq::CreateFileBeside), so a copy never lands on a name another call could choose.
    CString Path();

private:
    std::string m_folder; // made; empty until then
};

// The length in bytes of the path a call folder of this process has (its trailing '/' included),
// made or not: names built into a call folder are held against the file system's limit on a whole
// path with it. Nothing is made but the working folder.
std::size_t CallFolderPathLength();

// Records that a program started detached from this process (the session of its own that it
// leads) was handed a path: when the path is a copy in a call folder, the session is added to the
// folder's record "<folder>.viewers" beside it, whose time is that of the last copy handed over.
// Other paths are not recorded.
void HandedToViewer(const CString& path, long session);

// How long a call folder stays after a copy in it was last handed to a viewer, whatever the viewer
// was seen to do: the program started with the path may have passed it on (to a running instance
// of itself, to the desktop's service manager, to a process that left its session) and ended before
// the copy was read.
inline constexpr std::chrono::hours kHandedCopiesKeptFor{24};

// Removes the call folders in the working folder that nobody can still read. A folder goes when its
// maker has ended for certain (vq::ProcessHasEnded: not one of another machine or of a PID
// namespace this process cannot look into; this process's own once their objects went), and
//  - no copy in it was handed to a viewer, or
//  - the last copy was handed over at least vq::kHandedCopiesKeptFor ago, and no process of a
//    recorded viewer's session still runs (looked up only for a maker of this PID namespace; those
//    of an earlier boot have all ended),
// and in either case no process that this one can look into has a file of it open or mapped or
// works in it (vq::FoldersInUse). Folders of names this system does not make are left alone. Run
// once a process when it first takes its working folder, and whenever a call folder goes; it never
// throws (a sweep that fails leaves the folders to a later one).
void RemoveLeftoverCallFolders();

// The user's home folder ($HOME) without a trailing separator; empty when it is not set.
CString HomeFolder();

// A path written the Windows way ("qent\spt\vqpdmcad.ini", "D:\Host\a.txt") or a native path,
// turned into a native path: backslashes become '/', and each component is looked up in its folder
// without regard to letter case, so an existing entry spelled in another case is found. From the
// first component that does not exist on, the rest is kept as written. Empty components (doubled
// separators) are kept; the path is not otherwise normalised.
CString NativePath(const CString& path);

// Whether a path built from stored or typed texts (a file name, a document type, a step, a number,
// a code, a revision, or such parts joined by "\" or "/") stays below the folder it is taken in,
// on the file server or on disk. It does not when it is empty, absolute ("/x", "\x"), starts with
// a drive ("C:"), has a component of dots and blanks only (".", "..", "...", ". ": a server that
// drops trailing dots and blanks from names reads each as "." or "..") or holds a control
// character. Every transfer, listing or
// removal whose path is built from such texts asks this first and is refused when it is false:
// stored data never chooses where a file is written, read or deleted. Folder parts that stay
// below ("Drawings/B-1.dwg") are accepted.
bool StaysBelowFolder(const CString& path);

} // namespace vq

// The framework's folder queries. Each returns the length of the text copied (without the NUL);
// when the buffer is too small nothing is copied and the size needed (with the NUL) is returned;
// 0 means the folder cannot be determined.
UINT GetWindowsDirectory(LPTSTR buf, UINT size);
UINT GetSystemDirectory(LPTSTR buf, UINT size);
// The folder for temporary files with its trailing separator: the user's working folder
// (vq::WorkingFolder).
DWORD GetTempPath(DWORD size, LPTSTR buf);
