#include "tests/support/FtpServer.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

extern char** environ;

namespace vqtest {
namespace {

// Serves argv[1] to an anonymous user and to argv[2] with password argv[3], on a free port of
// 127.0.0.1 which it prints as its first line. argv[4] "0" leaves MLSD out. argv[5] "1" makes
// every download stall after its first block (the server then sends nothing more).
const char* kServerScript = R"PY(
import logging, sys, warnings
warnings.simplefilter("ignore")
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
logging.basicConfig(level=logging.CRITICAL)
logging.getLogger("pyftpdlib").setLevel(logging.CRITICAL)
root, user, password = sys.argv[1], sys.argv[2], sys.argv[3]
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, root, perm="elradfmwMT")
authorizer.add_anonymous(root, perm="elradfmwMT")
class Handler(FTPHandler):
    pass
handler = Handler
handler.authorizer = authorizer
if sys.argv[4] == "0":
    handler.proto_cmds = {k: v for k, v in FTPHandler.proto_cmds.items() if k not in ("MLSD", "MLST")}
if sys.argv[5] == "1":
    from pyftpdlib.handlers import DTPHandler
    class Stalling(DTPHandler):
        # After the first block the channel is no longer served: the connection stays open and
        # silent, as a hung server's does.
        sent = 0
        def use_sendfile(self):
            return False
        def send(self, data):
            if self.sent >= 65536:
                self.del_channel()
                return 0
            count = super().send(data)
            self.sent += count
            return count
    handler.dtp_handler = Stalling
server = FTPServer(("127.0.0.1", 0), handler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever()
)PY";

std::filesystem::path Under(const CString& root, const CString& path) {
    return std::filesystem::path(root.str()) / std::filesystem::path(path.str()).relative_path();
}

} // namespace

FtpServer::FtpServer(const CString& user, const CString& password, bool withMachineListing,
                     bool stallTransfers)
    : m_user(user), m_password(password) {
    std::string templ = (std::filesystem::temp_directory_path() / "vqftp.XXXXXX").string();
    if (!::mkdtemp(templ.data())) {
        ADD_FAILURE() << "cannot create the FTP server's folder";
        return;
    }
    m_root = CString(templ);

    int out[2];
    if (::pipe(out) != 0) {
        ADD_FAILURE() << "cannot create a pipe";
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::string python = "/usr/bin/python3";
    std::vector<std::string> args = {python,
                                     "-c",
                                     kServerScript,
                                     m_root.str(),
                                     m_user.str(),
                                     m_password.str(),
                                     withMachineListing ? "1" : "0",
                                     stallTransfers ? "1" : "0"};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    int rc = ::posix_spawn(&m_pid, python.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (rc != 0) {
        ::close(out[0]);
        m_pid = -1;
        ADD_FAILURE() << "cannot start " << python;
        return;
    }

    // The first line is the port; the server listens before it prints it.
    std::string line;
    for (;;) {
        pollfd pfd{out[0], POLLIN, 0};
        if (::poll(&pfd, 1, 15000) != 1)
            break;
        char ch;
        if (::read(out[0], &ch, 1) != 1 || ch == '\n')
            break;
        line += ch;
    }
    ::close(out[0]);
    m_port = std::atoi(line.c_str());
    if (m_port == 0)
        ADD_FAILURE() << "the FTP server did not start (python3-pyftpdlib installed?)";
}

FtpServer::~FtpServer() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    if (!m_root.IsEmpty()) {
        std::error_code ec;
        std::filesystem::remove_all(m_root.str(), ec);
    }
}

CString FtpServer::Url() const {
    return "ftp://127.0.0.1:" + CString(std::to_string(m_port));
}

bool FtpServer::Exists(const CString& path) const {
    return std::filesystem::exists(Under(m_root, path));
}

bool FtpServer::IsFolder(const CString& path) const {
    return std::filesystem::is_directory(Under(m_root, path));
}

void FtpServer::WriteFile(const CString& path, const std::string& bytes) const {
    std::filesystem::path full = Under(m_root, path);
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary) << bytes;
}

std::string FtpServer::ReadFile(const CString& path) const {
    std::ifstream in(Under(m_root, path), std::ios::binary);
    std::ostringstream data;
    data << in.rdbuf();
    return data.str();
}

void FtpServer::MakeFolder(const CString& path) const {
    std::filesystem::create_directories(Under(m_root, path));
}

} // namespace vqtest
