#include "tests/support/VsftpdServer.h"

#include "platform/base/TextCodec.h"
#include "tests/support/LoopbackSocket.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

extern char** environ;

namespace vqtest {
namespace {

const char* const kVsftpd = "/usr/sbin/vsftpd";
const char* const kAccount = "vqftp";

// Creates what the servers' logons need, once per machine and one test at a time (a lock file):
// the system account (home "/", no shell, locked password), its password in a Berkeley DB file
// that only root reads, and the PAM service "vqftp-test" that accepts that account with that
// password and nothing else.
const char* kPrepareScript = R"PY(
import dbm.ndbm, fcntl, os, pwd, subprocess
folder = "/var/lib/vqftp-test"
os.makedirs(folder, mode=0o700, exist_ok=True)
lock = open(folder + "/lock", "w")
fcntl.flock(lock, fcntl.LOCK_EX)
try:
    pwd.getpwnam("vqftp")
except KeyError:
    subprocess.run(["useradd", "--system", "--no-create-home", "--home-dir", "/",
                    "--shell", "/usr/sbin/nologin", "vqftp"],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    pwd.getpwnam("vqftp")
if not os.path.exists(folder + "/users.db"):
    temp = "%s/users.%d" % (folder, os.getpid())
    users = dbm.ndbm.open(temp, "n", 0o600)
    users[b"vqftp"] = b"vqpass"
    users.close()
    os.replace(temp + ".db", folder + "/users.db")
service = ("# The vsftpd servers that the tests of vqdesigntask start on loopback.\n"
           "auth required pam_succeed_if.so quiet user = vqftp\n"
           "auth required pam_userdb.so db=%s/users\n"
           "account required pam_permit.so\n"
           "session required pam_permit.so\n" % folder)
path = "/etc/pam.d/vqftp-test"
try:
    current = open(path).read()
except OSError:
    current = None
if current != service:
    temp = "%s.%d" % (path, os.getpid())
    with open(temp, "w") as out:
        out.write(service)
    os.replace(temp, path)
)PY";

// Runs a program with its output in outputFile (or discarded) and waits for it; the process, or
// -1. With ownGroup the process leads a process group of its own, which its children join.
pid_t Spawn(std::vector<std::string> words, const std::string& outputFile, bool ownGroup) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const char* output = outputFile.empty() ? "/dev/null" : outputFile.c_str();
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (ownGroup) {
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
    }
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ) != 0)
        pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

bool PrepareAccount() {
    pid_t pid = Spawn({"/usr/bin/python3", "-c", kPrepareScript}, "", false);
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool Accepts(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

// The file that the server shows under path: its name in code page 936.
std::filesystem::path Under(const CString& root, const CString& path) {
    return std::filesystem::path(root.str()) /
           std::filesystem::path(vq::Utf8ToGbk(path.str())).relative_path();
}

std::string Slurp(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream data;
    data << in.rdbuf();
    return data.str();
}

} // namespace

CString VsftpdServer::Unavailable() {
    return Unavailable(kVsftpd);
}

CString VsftpdServer::Unavailable(const char* program) {
    if (::access(program, X_OK) != 0) {
        const CString why = "vsftpd is not installed (scripts/setup installs it)";
        const char* required = std::getenv("VQ_REQUIRE_VSFTPD");
        if (required && *required && std::string(required) != "0")
            ADD_FAILURE() << "vsftpd is required in this run (VQ_REQUIRE_VSFTPD=" << required
                          << ", set by scripts/test after installing it): " << why.str();
        return why;
    }
    if (::geteuid() != 0)
        return "vsftpd serves its local account only when started as root";
    return CString();
}

VsftpdServer::VsftpdServer(bool chrooted, bool passiveOnly, unsigned long fullDiskAt, bool requiresEncryption,
                           unsigned idleSeconds)
    : m_chrooted(chrooted), m_passiveOnly(passiveOnly), m_fullDiskAt(fullDiskAt),
      m_requiresEncryption(requiresEncryption), m_idleSeconds(idleSeconds) {
    if (!Unavailable().IsEmpty() || !PrepareAccount()) {
        ADD_FAILURE() << "the vsftpd account cannot be prepared: "
                      << (Unavailable().IsEmpty() ? std::string("useradd or /etc/pam.d failed")
                                                  : Unavailable().str());
        return;
    }
    // In "/tmp" itself: the account must pass through every folder above its login folder, and
    // a test's own temporary folder is closed to others.
    std::string templ = "/tmp/vqvsftpd.XXXXXX";
    if (!::mkdtemp(templ.data())) {
        ADD_FAILURE() << "cannot create the vsftpd server's folder";
        return;
    }
    m_folder = CString(templ);
    m_root = CString(templ + "/home");
    std::error_code ec;
    std::filesystem::create_directory(templ + "/empty", ec);
    std::filesystem::create_directory(m_root.str(), ec);
    // The account must pass through the folder to its login folder when it is not chrooted.
    ::chmod(templ.c_str(), 0755);
    GiveToAccount("");
    if (m_requiresEncryption) {
        // A certificate of the server's own, made for this server.
        int status = 0;
        const pid_t openssl =
            Spawn({"/usr/bin/openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                   "/CN=127.0.0.1", "-keyout", templ + "/key.pem", "-out", templ + "/cert.pem"},
                  templ + "/openssl-output", false);
        if (openssl <= 0 || ::waitpid(openssl, &status, 0) != openssl || status != 0) {
            ADD_FAILURE() << "openssl did not make the server's certificate";
            return;
        }
    }
    // A port taken by another program between choosing and binding it makes the server exit:
    // another port is tried then.
    for (int attempt = 0; attempt < 5 && !Start(); ++attempt) {
    }
    if (m_port == 0)
        ADD_FAILURE() << "vsftpd did not start: " << Slurp(templ + "/output");
}

bool VsftpdServer::Start() {
    int port = 0;
    int listener = ListenOnLoopback(1, port);
    if (listener < 0)
        return false;
    ::close(listener);
    const std::string folder = m_folder.str();
    {
        std::ofstream config(folder + "/vsftpd.conf");
        config << "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=" << port
               << "\nbackground=NO\n"
                  "anonymous_enable=NO\nlocal_enable=YES\nwrite_enable=YES\nlocal_umask=022\n"
               << "local_root=" << m_root.str() << "\nchroot_local_user=" << (m_chrooted ? "YES" : "NO")
               << "\nallow_writeable_chroot=YES\nsecure_chroot_dir=" << folder << "/empty\n"
               << "pam_service_name=vqftp-test\nuserlist_enable=NO\n"
                  "seccomp_sandbox=NO\nisolate=NO\nisolate_network=NO\n"
                  "xferlog_enable=NO\n"
               << "port_enable=" << (m_passiveOnly ? "NO" : "YES") << "\n";
        // The replies are logged, so that a test sees when an idle session was closed.
        if (m_idleSeconds > 0)
            config << "idle_session_timeout=" << m_idleSeconds
                   << "\nxferlog_enable=YES\nlog_ftp_protocol=YES\n"
                   << "vsftpd_log_file=" << folder << "/protocol.log\n";
        if (m_requiresEncryption)
            config << "ssl_enable=YES\nforce_local_logins_ssl=YES\nforce_local_data_ssl=YES\n"
                   << "rsa_cert_file=" << folder << "/cert.pem\nrsa_private_key_file=" << folder
                   << "/key.pem\n";
        config.close();
        if (!config)
            return false;
    }
    std::vector<std::string> words{kVsftpd, folder + "/vsftpd.conf"};
    // The size limit of the server's files: a write beyond it fails (the signal that would end the
    // server is ignored), as on a full disk.
    if (m_fullDiskAt > 0)
        words.insert(words.begin(), {"/bin/sh", "-c",
                                     "trap '' XFSZ; exec /usr/bin/prlimit --fsize=" +
                                         std::to_string(m_fullDiskAt) + " \"$0\" \"$@\""});
    m_pid = Spawn(words, folder + "/output", true);
    if (m_pid <= 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        if (Accepts(port)) {
            m_port = port;
            return true;
        }
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return false;
        }
        ::poll(nullptr, 0, 20); // the server is still starting: look again shortly
    }
    return false;
}

VsftpdServer::~VsftpdServer() {
    if (m_pid > 0) {
        // The listener and the sessions it forked.
        ::kill(-m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    if (!m_folder.IsEmpty()) {
        std::error_code ec;
        std::filesystem::remove_all(m_folder.str(), ec);
    }
}

CString VsftpdServer::Url() const {
    return "ftp://127.0.0.1:" + CString(std::to_string(m_port));
}

void VsftpdServer::GiveToAccount(const CString& path) const {
    const passwd* account = ::getpwnam(kAccount);
    if (!account)
        return;
    // The login folder and each folder below it on the way to path, and path itself.
    std::filesystem::path full(m_root.str());
    std::vector<std::filesystem::path> owned{full};
    for (const auto& component : std::filesystem::path(vq::Utf8ToGbk(path.str())).relative_path()) {
        if (component.empty() || component == "." || component == "..")
            continue;
        full /= component;
        owned.push_back(full);
    }
    for (const auto& item : owned) {
        if (::chown(item.c_str(), account->pw_uid, account->pw_gid) != 0)
            ADD_FAILURE() << "cannot give " << item << " to the vsftpd account";
    }
}

bool VsftpdServer::Exists(const CString& path) const {
    return std::filesystem::exists(Under(m_root, path));
}

bool VsftpdServer::IsFolder(const CString& path) const {
    return std::filesystem::is_directory(Under(m_root, path));
}

void VsftpdServer::WriteFile(const CString& path, const std::string& bytes) const {
    std::filesystem::path full = Under(m_root, path);
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary) << bytes;
    GiveToAccount(path);
}

std::string VsftpdServer::ReadFile(const CString& path) const {
    return Slurp(Under(m_root, path));
}

void VsftpdServer::MakeFolder(const CString& path) const {
    std::filesystem::create_directories(Under(m_root, path));
    GiveToAccount(path);
}

int VsftpdServer::IdleSessionsClosed() const {
    const std::string log = Slurp(m_folder.str() + "/protocol.log");
    int count = 0;
    for (std::size_t at = log.find("\"421 Timeout.\""); at != std::string::npos;
         at = log.find("\"421 Timeout.\"", at + 1))
        ++count;
    return count;
}

} // namespace vqtest
