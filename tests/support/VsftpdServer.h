// Debian's vsftpd on 127.0.0.1 for one test, as FTP servers are deployed: a local account
// ("vqftp", password "vqpass") logs on into a login folder of this server's own, either chrooted
// into it (the folder is then "/") or not (the folder is then its path below the machine's "/").
// The server keeps a name as the bytes it arrives in: code page 936 from the system's clients, so
// its files are named in code page 936 on disk. The constructor returns once the server accepts
// connections; the destructor stops it and its sessions and removes its folders.
//
// The account exists only for these servers: a system account without a password of its own
// and without a shell, whose password lives in a database that only the PAM service
// "vqftp-test" reads. The first server on a machine creates both (which needs root).
#pragma once

#include "platform/base/String.h"

#include <string>
#include <sys/types.h>

namespace vqtest {

class VsftpdServer {
public:
    // Why no server can be started here ("vsftpd is not installed", "needs root"); empty when
    // one can. A test skips with this reason, except where the run has installed vsftpd itself
    // (scripts/test sets VQ_REQUIRE_VSFTPD=1): there a missing program is also reported as a
    // failure of the running test, so that a broken install step is not hidden by a skip.
    static CString Unavailable();
    // The same for the server program at this path.
    static CString Unavailable(const char* program);

    // passiveOnly: the server refuses active mode ("550 Permission denied." to PORT and EPRT), as
    // one behind a firewall is often set up. fullDiskAt (bytes, 0: none): the server cannot write
    // a file beyond this size, as when its disk fills up (its writes fail and it answers "451
    // Failure writing to local file."). requiresEncryption: the server accepts the account only over
    // an encrypted session ("530 Non-anonymous sessions must use encryption." to USER otherwise).
    // idleSeconds (0: the server's default): a session idle this long is closed ("421 Timeout.").
    explicit VsftpdServer(bool chrooted, bool passiveOnly = false, unsigned long fullDiskAt = 0,
                          bool requiresEncryption = false, unsigned idleSeconds = 0);
    ~VsftpdServer();
    VsftpdServer(const VsftpdServer&) = delete;
    VsftpdServer& operator=(const VsftpdServer&) = delete;

    bool IsRunning() const { return m_port != 0; }
    int Port() const { return m_port; }
    CString Host() const { return "127.0.0.1"; }
    CString Url() const; // "ftp://127.0.0.1:<port>"
    CString User() const { return "vqftp"; }
    CString Password() const { return "vqpass"; }
    // The login folder (native path).
    CString Root() const { return m_root; }
    // What the server answers to PWD right after logon.
    CString LoginFolder() const { return m_chrooted ? CString("/") : m_root; }

    // Helpers to look at or prepare the login folder; paths relative to Root(), written in UTF-8
    // and named on disk in code page 936 as the server stores them. What they make belongs to the
    // account, so that the server may change it.
    bool Exists(const CString& path) const;
    bool IsFolder(const CString& path) const;
    void WriteFile(const CString& path, const std::string& bytes) const;
    std::string ReadFile(const CString& path) const;
    void MakeFolder(const CString& path) const;
    // How many sessions the server has closed for being idle so far.
    int IdleSessionsClosed() const;

private:
    bool Start();
    void GiveToAccount(const CString& path) const;

    bool m_chrooted;
    bool m_passiveOnly;
    unsigned long m_fullDiskAt;
    bool m_requiresEncryption;
    unsigned m_idleSeconds;
    CString m_folder; // configuration, log, empty folder and the login folder below it
    CString m_root;
    pid_t m_pid = -1;
    int m_port = 0;
};

} // namespace vqtest
