// What the maker's libraries need of the system that loads them: its settings file, its
// installation folder and the connections of the entry call in progress. The system hands them an
// environment when it is loaded (SetMakerEnvironment); without one the libraries see every setting
// at its default, no installation folder and no connections of an entry call.
#pragma once

#include "platform/base/String.h"
#include "platform/db/Ado.h"

#include <memory>

class CFtpConnection;

namespace vq {

class MakerEnvironment {
public:
    virtual ~MakerEnvironment() = default;
    // A value of the installation's settings file, or def.
    virtual CString ReadSetting(const char* section, const char* key, const char* def) = 0;
    // A path written below the installation folder ("qent\spt\x.so") as a native full path;
    // false when there is no installation folder.
    virtual bool InstallFilePath(const CString& relative, CString& full) = 0;
    // The product ("PDM") or process-planning database of the current entry call; null when none.
    virtual _ConnectionPtr EntryConnection(bool processPlanning) = 0;
    // The FTP connection of the current entry call (not owned; null when none) and the server
    // folder that holds "Vq".
    virtual CFtpConnection* EntryFtpConnection() = 0;
    virtual CString EntryFtpRootFolder() = 0;
    // Logs on to the FTP server of the installation's configuration for a library that finds no
    // FTP connection of the entry call (the call opened only the database). The caller owns the
    // connection; null when no server is configured or it cannot be reached. Says nothing to the
    // user: the library's caller reports the failure in its own words. None by default.
    virtual std::unique_ptr<CFtpConnection> OpenFtpConnection();
};

// The environment in use; one that answers with defaults and nothing when none was set.
MakerEnvironment& ActiveMakerEnvironment();
// Sets the environment (nullptr: none); returns the old one.
MakerEnvironment* SetMakerEnvironment(MakerEnvironment* environment);

} // namespace vq
