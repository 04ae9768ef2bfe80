// A logged-on FTP connection, as CInternetSession::GetFtpConnection hands it out.
//
// The server is reached through libcurl, whose transfers do not share a server-side current
// folder with each other. The connection therefore keeps its current folder itself and sends
// every command with a full path; the control connection is kept open between calls. Paths given
// to the members may be written with "\" or "/", absolute (beginning with a separator) or
// relative to the current folder; "." and ".." components are resolved here.
//
// The root "/" (or "\") of these paths is the folder the session starts in (the server's PWD
// after logon): the server's own root on a chrooted or anonymous server, the account's home
// folder on a server that serves local accounts below the machine's root. Paths never reach
// above it.
//
// Names are UTF-8 in our code and travel in code page 936 (GBK), as the system's other clients
// write them on the shared server: commands, the session's starting folder, listings and the
// server's replies are converted here. A name with a character that has no code page 936 form, or
// with a component of more than 255 bytes on the wire (the servers' file systems keep no longer
// name), is refused before anything is sent.
//
// The session uses active mode when opened so. A server that cannot connect to the data port of
// active mode is asked for passive transfers instead, from then on for the rest of the session,
// and the transfer is tried again: one that refuses the port, answers the transfer 425 or 426
// before the data connection is open, or has neither answered nor connected after 10 seconds
// (behind NAT or a firewall that drops the connection). Those 10 seconds are for the opening of
// the data connection only: the reply that confirms a transfer is waited for as long as any
// other reply (60 seconds), however late after the data it comes.
//
// Local paths of GetFile and PutFile may be native paths or the system's backslash paths; a
// relative path is relative to the process's current folder.
#pragma once

#include "platform/base/File.h"
#include "platform/base/String.h"
#include "platform/base/Types.h"
#include "platform/ftp/Internet.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// One entry of a server folder listing.
struct FtpDirEntry {
    CString name;
    bool isDirectory = false;
    std::uint64_t size = 0;
};

// A fetch or a store as it runs, for whoever shows it.
//
// A store counts what the server's end of the data connection has acknowledged, not what was handed
// to the connection: the system's buffers take megabytes at once, which a slow server may need
// minutes to take in. Only the server's reply after the data says that it has the whole file;
// until then the transfer is not done, whatever `done` says.
struct FtpTransferState {
    CString fileName;        // the name of the file on the server, without its folder
    bool upload = false;     // a store (else a fetch)
    std::uint64_t done = 0;  // bytes the server has taken so far (a fetch: bytes received)
    std::uint64_t total = 0; // the file's size, 0 when not known
    double seconds = 0;      // since the transfer started
    // The server has taken every byte of a store: its answer that it has the whole file (after
    // writing it) is awaited.
    bool waitingForServer = false;
};

// Shows one transfer while it runs (a window that appears once it takes a while). Update is called
// on the thread of the transfer at least once a second and whenever data moves; it returns false
// when the person has stopped the transfer.
//
// A request that moves no file (the logon, a command, a listing) has a display too, which hears
// of it through Waiting: called on the request's thread at least once a second while the server
// has not answered it, with the server's address ("127.0.0.1:2121"), whether the request is the
// logon, and the seconds since it began. It returns false when the person has stopped waiting;
// the request then fails as Cancelled (the logon: ERROR_INTERNET_OPERATION_CANCELLED).
class FtpTransferDisplay {
public:
    virtual ~FtpTransferDisplay() = default;
    virtual bool Update(const FtpTransferState& state) = 0;
    virtual bool Waiting(const CString& /*server*/, bool /*connecting*/, double /*seconds*/) { return true; }
};

// Makes the display of each fetch and store (GetFile, PutFile), and of each request that waits
// for the server, from now on; an empty function, the default, shows none. The windows' layer
// sets it when the library is loaded.
void SetFtpTransferDisplayFactory(std::function<std::unique_ptr<FtpTransferDisplay>()> factory);

// What a request of a connection does, for reading the server's refusal of it.
enum class FtpRequest { Command, Fetch, Store };

// The cause, in words, of a failure that the server's reply names: a server that takes no more
// sessions, one that refuses service, one that no longer accepts the logon, one that requires
// encryption, a data connection that cannot be opened, a file that another program holds; empty
// for any other kind. GetLastErrorText and a refused connection say it before the server's own
// line.
CString FtpServerFailureText(vq::FetchFailure why);

class CFtpConnection {
public:
    virtual ~CFtpConnection();
    CFtpConnection(const CFtpConnection&) = delete;
    CFtpConnection& operator=(const CFtpConnection&) = delete;

    // Current folder, below the session's root: "/" after logon, changed only by SetCurrentDirectory.
    BOOL GetCurrentDirectory(CString& directory) const;
    // Makes a folder current after the server confirmed that it can be entered.
    BOOL SetCurrentDirectory(LPCTSTR directory);

    BOOL CreateDirectory(LPCTSTR directory);
    BOOL RemoveDirectory(LPCTSTR directory);
    BOOL Remove(LPCTSTR fileName);
    BOOL Rename(LPCTSTR existingName, LPCTSTR newName);

    // Fetches a file. The local file is replaced only when the transfer completed, so a failed
    // fetch (a lost connection, a stalled transfer, a full disk, a transfer stopped) leaves an
    // older copy intact and no partial file behind. failIfExists TRUE refuses to replace an
    // existing file.
    //
    // A fetch or a store is shown by the transfer display (SetFtpTransferDisplayFactory) and
    // stops, failing as Cancelled, within a second or two when the person stops it there or the
    // program is asked to end (vq::RequestEnd). While one runs, the connection refuses other calls
    // (a window's input handled meanwhile may ask for one).
    BOOL GetFile(LPCTSTR remoteFile, LPCTSTR localFile, BOOL failIfExists = TRUE,
                 DWORD attributes = FILE_ATTRIBUTE_NORMAL, DWORD flags = FTP_TRANSFER_TYPE_BINARY,
                 DWORD_PTR context = 1);
    // Stores a local file on the server, replacing a file of that name. The file goes up under a
    // short temporary name of its own beside the target and is renamed into place when whole. A
    // program that exits while the data goes up (Xlib exits so in a call of the transfer's display
    // when the display has gone) takes the temporary file back as it exits, from a server that
    // answers at once.
    BOOL PutFile(LPCTSTR localFile, LPCTSTR remoteFile, DWORD flags = FTP_TRANSFER_TYPE_BINARY,
                 DWORD_PTR context = 1);

    virtual void Close();

    const CString& GetServerName() const { return m_strServer; }
    INTERNET_PORT GetPort() const { return m_nPort; }
    // The server's reply, or what went wrong (timeout, lost connection), of the last failed call.
    const CString& GetLastErrorText() const { return m_strLastError; }
    // Why the last call failed (None after a successful GetFile or PutFile): a file the server
    // does not have (550), access refused by the server ("550 Permission denied."), a full local
    // disk while fetching, a full server disk while storing (451, 452, 552, a reply that says "No
    // space left on device", also after the data), a server that is busy (421), no longer accepts
    // the logon (530) or requires encryption, a name longer than the server or the local disk
    // keeps, a name the server cannot take (a character without a code page 936 form), or another
    // cause, which GetLastErrorText describes.
    vq::FetchFailure GetLastFailure() const { return m_lastFailure; }
    // Seconds a transfer may move less than a byte a second before it is stopped (30).
    void SetStallTimeout(long seconds) { m_nStallTimeout = seconds; }

    // The absolute "/"-separated path, below the session's root, of a path given to any member.
    CString FullPath(const CString& path) const;
    // Lists a folder fresh from the server; FALSE when it cannot be listed. With hidden, names that
    // begin with a dot are listed too on a server that leaves them out of its listings unless asked
    // (vsftpd); a server with machine listings lists them anyway.
    BOOL ListDirectory(const CString& directory, std::vector<FtpDirEntry>& entries, bool hidden = false);

private:
    friend class CInternetSession;
    struct Impl;
    CFtpConnection(CString server, INTERNET_PORT port, CString user, CString password, bool passive);
    void Connect(); // throws CInternetException

    // Commands are lines as they go on the wire (code page 936). With timeoutMs (> 0) the whole
    // exchange, a new logon included, gives up after that many milliseconds.
    bool RunCommands(const std::vector<std::string>& commands, long timeoutMs = 0);
    bool RunCommand(const char* verb, const CString& sessionPath);
    bool CommandFor(const char* verb, const CString& sessionPath, std::string& line);
    bool RunListing(const std::string& wireDir, const char* command, std::string& out);
    // False, with the failure recorded, while a transfer of this connection runs.
    bool Idle();
    // The server's path of a path below the session's root as it goes on the wire; false, with the
    // failure recorded, when a name cannot be written in code page 936 or is too long.
    bool WirePath(const CString& sessionPath, std::string& wire);
    std::string UrlOf(const std::string& wirePath, bool directory) const;
    void Fail(const CString& text, vq::FetchFailure kind = vq::FetchFailure::Other);
    void FailWithReply(const CString& text, FtpRequest request = FtpRequest::Command);
    // A local file that cannot be written, for the errno of the failed call.
    void FailLocalWrite(int error, const CString& local);
    // After an upload that the server cut off without a reply (vsftpd closes the data connection
    // when its disk fills up while a large file still streams in, and says so only on the control
    // connection, which is then no longer read): one byte more appended to what arrived makes a
    // server whose disk is full say so, and the failure becomes ServerDiskFull with its reply.
    // False when the server does not answer at all.
    bool AskWhetherServerDiskIsFull(const std::string& wireTemp);
    // The server's own path of an absolute path below the session's root.
    CString OnServer(const CString& sessionPath) const;

public:
    // "ftp://server:port" of the connection.
    CString BaseUrl() const;
    // "server:port", as the windows name the server.
    CString ServerAddress() const;

private:
    CString m_strServer;
    INTERNET_PORT m_nPort;
    CString m_strUser;
    CString m_strPassword;
    bool m_bPassive; // set for the rest of the session when the server cannot connect back
    bool m_bBusy = false; // a transfer runs (its display may let other input run meanwhile)
    CString m_strCurrent = "/";
    CString m_strLoginFolder = "/"; // the server's path of the session's root
    CString m_strLastError;
    vq::FetchFailure m_lastFailure = vq::FetchFailure::None;
    int m_nMlsd = -1; // whether the server lists with MLSD: -1 not yet known, 0 no, 1 yes
    long m_nStallTimeout = 30;
    std::unique_ptr<Impl> m_impl;
};
