// A real FTP server on 127.0.0.1 for one test: pyftpdlib run by /usr/bin/python3 on a free
// port, serving a fresh temporary folder to an anonymous user and to one named user with a
// password (both may read and write everything). Names travel in code page 936, as the system's
// clients send them; the served folder names its files in UTF-8, so the helpers below take the
// names as they are written in our code. The constructor returns once the server listens; the
// destructor stops it and removes the folder.
#pragma once

#include "platform/base/String.h"

#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vqtest {

// A way a server fails as real ones do, one per server (FtpServer(FtpFault)).
enum class FtpFault {
    None,
    // The server takes the data port of active mode with 200 and cannot connect to it, as one
    // behind NAT or a firewall: it answers the transfer "425 Failed to establish connection.",
    // or "426 Connection closed; transfer aborted.", or never answers, or announces the data
    // connection (150) and never opens it. Passive transfers work.
    PortThen425,
    PortThen426,
    PortThenSilence,
    PortThenNoConnection,
    // A server with room for 64 KiB: every upload is taken up to there (or whole when shorter),
    // then answered as by a server whose disk filled up, "452 Insufficient storage space in
    // system." / "552 ... Exceeded storage allocation.", and the data connection is closed.
    FullAfterData452,
    FullAfterData552,
    // Every fetch is refused: "550 Permission denied.", or a reply of two lines whose first one
    // says so.
    FetchDenied,
    FetchDeniedInTwoLines,
    // Every listing is refused: "550 Permission denied.".
    ListingsRefused,
    // The disk has no room left: the server's first write of an upload fails, it closes the data
    // connection (while a large file still streams in) and then answers "426 No space left on
    // device; transfer aborted.".
    DiskFillsDuringUpload,
    // Every connection is greeted "421 Too many connections. Service temporarily unavailable." and
    // closed, as by a server at its limit of sessions.
    TooManyConnections,
    // Logons are taken, but every fetch is answered "530 Not logged in.", as by a server that no
    // longer accepts the session's logon.
    FetchNotLoggedIn,
    // Every data connection moves at most kSlowBytesPerSecond, as over a slow link.
    SlowDataConnection,
    // Every transfer is confirmed ("226 Transfer complete.") only 15 seconds after its data, as by
    // a server that writes a large file to a slow disk.
    LateTransferReply,
    // Every connection is greeted "421 Service not available, closing control connection." and
    // closed, as by a server that is shutting down.
    ServiceUnavailable,
    // Every reply on the control connection, the greeting first, goes out a byte at a time:
    // kSlowRepliesBytesPerSecond (a logon takes some seconds), or one byte a second (the greeting
    // alone takes longer than a client waits for a logon).
    SlowReplies,
    TricklingReplies,
    // The logon is refused "550 SSL/TLS required on the control channel", as by a server that
    // accepts encrypted sessions only.
    TlsRequiredOnLogon,
    // Every fetch and every store is answered "450 The process cannot access the file because it
    // is being used by another process.", as by a Windows server whose file is held open.
    FileInUse,
    // Every fetch is answered "425 Can't open data connection.", passive or active.
    FetchWithoutDataConnection,
    // A control connection on which nothing has come for a second is closed with "421 Timeout."
    // (kIdleCloseLine is then written to the command log).
    ClosesIdleSessions,
    // The disk fills up after the first 64 KiB of an upload: the server resets the data
    // connection (what it has not read is dropped) and then answers "426 Transfer aborted;
    // [Errno 28] No space left on device.", as a stock pyftpdlib server does.
    DiskFullResetsDataConnection,
};

// The line a ClosesIdleSessions server writes to its command log as it closes an idle session.
constexpr const char* kIdleCloseLine = "421 Timeout.";

// The speed of the data connections of SlowDataConnection, in bytes a second.
constexpr int kSlowBytesPerSecond = 16 * 1024;
// The speed of the replies of SlowReplies, in bytes a second.
constexpr int kSlowRepliesBytesPerSecond = 20;

class FtpServer {
public:
    // withMachineListing false: the server does not know MLSD and lists folders with LIST only.
    // stallTransfers true: every download stops after its first 64 KiB and the connection stays
    // open, as with a server that hangs in the middle of a transfer. abortUploads true: every
    // upload is broken off after its first 64 KiB, and what arrived stays in the served folder.
    // fullDisk true: every upload is refused as by a server whose disk is full ("451 Failure
    // writing to local file."). windowsNames true: the server reads names as a Windows server
    // does, dropping trailing dots and blanks from every name of a path ("XM-02-01. " is
    // "XM-02-01", ". " is ".") and taking a name for the one stored that differs from it only in
    // case ("xm-σ" is "XM-Σ", as is "XM-ς").
    explicit FtpServer(const CString& user = "vquser", const CString& password = "vqpass",
                       bool withMachineListing = true, bool stallTransfers = false, bool abortUploads = false,
                       bool fullDisk = false, bool windowsNames = false);
    // A server with one of the faults above, for the named user "vquser" / "vqpass".
    explicit FtpServer(FtpFault fault);
    ~FtpServer();
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    bool IsRunning() const { return m_port != 0; }
    int Port() const { return m_port; }
    CString Host() const { return "127.0.0.1"; }
    CString Url() const; // "ftp://127.0.0.1:<port>"
    CString User() const { return m_user; }
    CString Password() const { return m_password; }
    // The served folder (native path): what the server shows as "/".
    CString Root() const { return m_root; }

    // Helpers to look at or prepare the served folder; paths relative to Root().
    bool Exists(const CString& path) const;
    bool IsFolder(const CString& path) const;
    void WriteFile(const CString& path, const std::string& bytes) const;
    std::string ReadFile(const CString& path) const;
    void MakeFolder(const CString& path) const;

    // The command lines the server has received so far, from every session, in order.
    std::vector<std::string> Commands() const;
    // How many of them begin with the verb ("EPRT", "PASV", ...).
    int Received(const char* verb) const;
    // The next command whose line is exactly `line` ("CWD /Vq/Auditing/P-1") waits unanswered
    // until Release(); other sessions go on meanwhile.
    void HoldCommand(const std::string& line) const;
    // Waits until the held command has arrived: true then; false when the process pid (a client
    // started by the test, 0 for none) ended first.
    bool WaitUntilHeld(int pid = 0) const;
    void Release() const;
    // Waits until the command log holds `count` lines `line` (kIdleCloseLine): true then, false
    // after a minute.
    bool WaitForLogLine(const char* line, int count) const;

private:
    void Start(bool withMachineListing, bool stallTransfers, bool abortUploads, bool fullDisk,
               FtpFault fault, bool windowsNames);

    CString m_user;
    CString m_password;
    CString m_root;
    CString m_commandLog; // beside the served folder
    pid_t m_pid = -1;
    int m_port = 0;
};

// The ways a server says that its disk is full: before the data ("451 Failure writing to local
// file.", as vsftpd) or after some of it (452, 552, 426 naming the full disk). The reply is the
// server's own line.
struct FullDiskServerKind {
    FtpFault fault; // None: the server refusing with 451
    const char* reply;
};
const std::vector<FullDiskServerKind>& FullDiskServerKinds();
std::unique_ptr<FtpServer> StartFullDiskServer(const FullDiskServerKind& kind);

} // namespace vqtest
