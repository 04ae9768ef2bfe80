#include "tests/support/FtpServer.h"

#include "tests/support/PythonServer.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace vqtest {
namespace {

// Serves argv[1] to an anonymous user and to argv[2] with password argv[3], on a free port of
// 127.0.0.1 which it prints as its first line. Names on the wire (commands, replies, listings)
// are in code page 936, as the system's clients send them; on disk they are the server's own
// text. argv[4] "0" leaves MLSD out. argv[5] "1" makes every download stall after its first
// block (the server then sends nothing more). argv[6] "1" ends every upload after its first
// 64 KiB with "426" (the part received stays on disk). argv[7] "1" answers every upload as a
// server with a full disk does. argv[8] names one more fault (FtpFault, empty for none); every
// command line received is appended to the file argv[9]. argv[10] "1" drops trailing dots and
// blanks from every name of a path and compares names without regard to case, as a Windows server
// does.
const char* kServerScript = R"PY(
import logging, os, posixpath, sys, warnings
warnings.simplefilter("ignore")
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib import handlers
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import ThreadedFTPServer
logging.basicConfig(level=logging.CRITICAL)
logging.getLogger("pyftpdlib").setLevel(logging.CRITICAL)
root, user, password = sys.argv[1], sys.argv[2], sys.argv[3]
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, root, perm="elradfmwMT")
authorizer.add_anonymous(root, perm="elradfmwMT")
windows_names = sys.argv[10] == "1"
def fold(name):
    # A Windows server's upper case: one character for one.
    return "".join(c.upper() if len(c.upper()) == 1 else c for c in name)
class GbkFS(AbstractedFS):
    # Listings are built in UTF-8 and sent in code page 936.
    def ftpnorm(self, ftppath):
        path = super().ftpnorm(ftppath)
        if not windows_names:
            return path
        names = [n if n in ("", ".", "..") else (n.rstrip(". ") or ".") for n in path.split("/")]
        path = posixpath.normpath("/".join(names) or "/")
        # Names compare without regard to case: each name is the one on disk that it matches.
        resolved = []
        for name in path.split("/"):
            if name in ("", "."):
                continue
            try:
                entries = os.listdir(os.path.join(self.root, *resolved))
            except OSError:
                entries = []
            if name not in entries:
                name = next((e for e in entries if fold(e) == fold(name)), name)
            resolved.append(name)
        return "/" + "/".join(resolved)
    def format_list(self, *args, **kwargs):
        for line in super().format_list(*args, **kwargs):
            yield line.decode("utf8", "replace").encode("gbk", "replace")
    def format_mlsx(self, *args, **kwargs):
        for line in super().format_mlsx(*args, **kwargs):
            yield line.decode("utf8", "replace").encode("gbk", "replace")
class Handler(FTPHandler):
    abstracted_fs = GbkFS
    def decode(self, data):
        return data.decode("gbk", self.unicode_errors)
    def push(self, s):
        handlers.asynchat.async_chat.push(self, s.encode("gbk", "replace"))
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
if sys.argv[6] == "1":
    from pyftpdlib.handlers import DTPHandler
    class Aborting(DTPHandler):
        def handle_read(self):
            super().handle_read()
            if self.receive and self.tot_bytes_received >= 65536 and not self._closed:
                self._resp = ("426 Connection closed; transfer aborted.", logging.info)
                self.close()
        handle_read_event = handle_read
    handler.dtp_handler = Aborting
if sys.argv[7] == "1":
    def refuse_upload(self, file, mode="w"):
        self.respond("451 Failure writing to local file.")
    Handler.ftp_STOR = refuse_upload
fault = sys.argv[8]
if fault.startswith("port-"):
    # The server takes the data port of active mode and then cannot connect to it (a client
    # behind NAT or a firewall): it answers the transfer with an error, or never answers, or
    # announces the data connection and never opens it. Passive transfers work.
    answers = {"port-425": "425 Failed to establish connection.",
               "port-426": "426 Connection closed; transfer aborted.",
               "port-announced": "150 File status okay. About to open data connection."}
    def take_port(self, line):
        self.port_taken = True
        self.respond("200 Active data connection established.")
    def going_passive(command):
        def run(self, line):
            self.port_taken = False
            return command(self, line)
        return run
    def unless_port_taken(command):
        def run(self, *args, **kwargs):
            if not getattr(self, "port_taken", False):
                return command(self, *args, **kwargs)
            if fault in answers:
                self.respond(answers[fault])
        return run
    Handler.ftp_PORT = Handler.ftp_EPRT = take_port
    Handler.ftp_PASV = going_passive(FTPHandler.ftp_PASV)
    Handler.ftp_EPSV = going_passive(FTPHandler.ftp_EPSV)
    for name in ("RETR", "STOR", "APPE", "STOU", "LIST", "NLST", "MLSD"):
        setattr(Handler, "ftp_" + name, unless_port_taken(getattr(FTPHandler, "ftp_" + name)))
elif fault.startswith("full-after-data-"):
    # The disk has room for 64 KiB: an upload is taken up to there, and then, or at its end when
    # it is shorter, the server finds its disk full and closes the data connection.
    from pyftpdlib.handlers import DTPHandler
    reply = {"452": "452 Insufficient storage space in system.",
             "552": "552 Requested file action aborted. Exceeded storage allocation."}[fault[-3:]]
    class FullAfterData(DTPHandler):
        def handle_read(self):
            super().handle_read()
            if self.receive and self.tot_bytes_received >= 65536 and not self._closed:
                self._resp = (reply, logging.info)
                self.close()
        handle_read_event = handle_read
        def handle_close(self):
            if self.receive and not self._closed:
                self._resp = (reply, logging.info)
                self.close()
            else:
                super().handle_close()
    handler.dtp_handler = FullAfterData
elif fault.startswith("retr-denied"):
    reply = ("550-Permission denied.\r\n550 Ask the administrator of this server."
             if fault == "retr-denied-lines" else "550 Permission denied.")
    Handler.ftp_RETR = lambda self, file: self.respond(reply)
elif fault == "listings-refused":
    refuse = lambda self, path: self.respond("550 Permission denied.")
    Handler.ftp_LIST = Handler.ftp_NLST = Handler.ftp_MLSD = refuse
elif fault == "disk-fills":
    # The disk has no room left: the first write of an upload fails, and the server closes the
    # data connection (while a large file still streams in) and says why.
    from pyftpdlib.handlers import DTPHandler
    class DiskFills(DTPHandler):
        def handle_read(self):
            if self.receive and not self._closed:
                self._resp = ("426 No space left on device; transfer aborted.", logging.info)
                self.close()
        handle_read_event = handle_read
    handler.dtp_handler = DiskFills
elif fault == "too-many":
    Handler.handle = FTPHandler.handle_max_cons
elif fault == "retr-not-logged-in":
    Handler.ftp_RETR = lambda self, file: self.respond("530 Not logged in.")
elif fault.startswith("slow-"):
    # As over a slow link: what the server has not read yet waits on the client's side, not in a
    # large receive buffer of the server's (each data socket keeps at most a few KiB), and every
    # upload's bytes read so far are on disk at once.
    import socket
    from pyftpdlib.handlers import ActiveDTP, PassiveDTP, ThrottledDTPHandler
    def small_receive_buffer(base):
        class SmallReceiveBuffer(base):
            def create_socket(self, family, type):
                super().create_socket(family, type)
                self.socket.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        return SmallReceiveBuffer
    class Slow(ThrottledDTPHandler):
        read_limit = write_limit = int(fault[5:])
        def use_sendfile(self):
            return False
        def handle_read(self):
            super().handle_read()
            if self.receive and self.file_obj is not None and not self.file_obj.closed:
                self.file_obj.flush()
        handle_read_event = handle_read
    handler.dtp_handler = Slow
    handler.passive_dtp = small_receive_buffer(PassiveDTP)
    handler.active_dtp = small_receive_buffer(ActiveDTP)
elif fault == "late-226":
    # The data connection closes at once; the reply that confirms the transfer comes 15 s later.
    from pyftpdlib.handlers import DTPHandler
    class LateReply(DTPHandler):
        def close(self):
            late = None
            if not self._closed and self._resp and self._resp[0].startswith("226"):
                late, self._resp = self._resp[0], None
            channel = self.cmd_channel
            super().close()
            if late:
                channel.ioloop.call_later(15, channel.respond, late)
    handler.dtp_handler = LateReply
elif fault == "unavailable":
    def unavailable(self):
        self.respond("421 Service not available, closing control connection.")
        self.close_when_done()
    Handler.handle = unavailable
elif fault.startswith("trickle-"):
    # Each reply goes out a byte at a time (the greeting too, as the connection is taken).
    import time
    rate = int(fault[8:])
    def trickle(self, s):
        data = s.encode("gbk", "replace")
        for i in range(len(data)):
            time.sleep(1.0 / rate)
            try:
                self.socket.sendall(data[i:i + 1])
            except OSError:
                return  # the client went away
    Handler.push = trickle
elif fault == "tls-required":
    Handler.ftp_USER = lambda self, line: self.respond("550 SSL/TLS required on the control channel")
elif fault == "file-in-use":
    in_use = lambda self, file, *args: self.respond(
        "450 The process cannot access the file because it is being used by another process.")
    Handler.ftp_RETR = Handler.ftp_STOR = Handler.ftp_APPE = in_use
elif fault == "retr-425":
    Handler.ftp_RETR = lambda self, file: self.respond("425 Can't open data connection.")
elif fault == "idle-close":
    # A session idle for a second after the server's last reply (no transfer running) is closed,
    # as vsftpd closes one after its idle_session_timeout.
    def close_idle(self):
        if self.data_channel is not None:
            self.idle_timer = self.ioloop.call_later(1, close_idle, self)
            return
        with open(sys.argv[9], "a", encoding="utf8") as log:
            log.write("421 Timeout.\n")
        self.respond("421 Timeout.")
        self.close_when_done()
    def respond_and_wait(self, resp, *args, **kwargs):
        FTPHandler.respond(self, resp, *args, **kwargs)
        timer = getattr(self, "idle_timer", None)
        if timer is not None and not timer.cancelled:
            timer.cancel()
        if not resp.startswith("421"):
            self.idle_timer = self.ioloop.call_later(1, close_idle, self)
    Handler.respond = respond_and_wait
elif fault == "disk-full-reset":
    # The file's write fails for the full disk after 64 KiB: the data connection is reset, then
    # the reply follows on the control connection.
    import socket, struct
    from pyftpdlib.handlers import DTPHandler
    class DiskFullReset(DTPHandler):
        def handle_read(self):
            super().handle_read()
            if self.receive and self.tot_bytes_received >= 65536 and not self._closed:
                self.socket.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                self._resp = ("426 Transfer aborted; [Errno 28] No space left on device.", logging.info)
                self.close()
        handle_read_event = handle_read
        def handle_close(self):
            # A shorter upload finds the disk full as it ends.
            if self.receive and not self._closed:
                self._resp = ("426 Transfer aborted; [Errno 28] No space left on device.", logging.info)
                self.close()
            else:
                super().handle_close()
    handler.dtp_handler = DiskFullReset
import os, threading, time
log_lock = threading.Lock()
# A command whose line is the text of the file "<log>.hold" is held once: "<log>.held" is made and
# the command waits, unanswered, until "<log>.release" exists (its client's other sessions and
# other clients go on).
hold_file, held_file, release_file = (sys.argv[9] + suffix for suffix in (".hold", ".held", ".release"))
def log_command(self, line, cmd, arg):
    with log_lock:
        with open(sys.argv[9], "a", encoding="utf8", errors="replace") as log:
            log.write(line + "\n")
        try:
            with open(hold_file, encoding="utf8") as hold:
                held = hold.read() == line
        except OSError:
            held = False
        if held:
            os.remove(hold_file)
            open(held_file, "w").close()
    while held and not os.path.exists(release_file):
        time.sleep(0.01)
    return FTPHandler.pre_process_command(self, line, cmd, arg)
Handler.pre_process_command = log_command
# One thread per client: the single-threaded server lost some of many clients that transfer at
# once in active mode (the server connecting back to the client).
server = ThreadedFTPServer(("127.0.0.1", 0), handler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever()
)PY";

std::string FaultName(FtpFault fault) {
    switch (fault) {
    case FtpFault::None:
        break;
    case FtpFault::PortThen425:
        return "port-425";
    case FtpFault::PortThen426:
        return "port-426";
    case FtpFault::PortThenSilence:
        return "port-silent";
    case FtpFault::PortThenNoConnection:
        return "port-announced";
    case FtpFault::FullAfterData452:
        return "full-after-data-452";
    case FtpFault::FullAfterData552:
        return "full-after-data-552";
    case FtpFault::FetchDenied:
        return "retr-denied";
    case FtpFault::FetchDeniedInTwoLines:
        return "retr-denied-lines";
    case FtpFault::ListingsRefused:
        return "listings-refused";
    case FtpFault::DiskFillsDuringUpload:
        return "disk-fills";
    case FtpFault::TooManyConnections:
        return "too-many";
    case FtpFault::FetchNotLoggedIn:
        return "retr-not-logged-in";
    case FtpFault::SlowDataConnection:
        return "slow-" + std::to_string(kSlowBytesPerSecond);
    case FtpFault::LateTransferReply:
        return "late-226";
    case FtpFault::ServiceUnavailable:
        return "unavailable";
    case FtpFault::SlowReplies:
        return "trickle-" + std::to_string(kSlowRepliesBytesPerSecond);
    case FtpFault::TricklingReplies:
        return "trickle-1";
    case FtpFault::TlsRequiredOnLogon:
        return "tls-required";
    case FtpFault::FileInUse:
        return "file-in-use";
    case FtpFault::FetchWithoutDataConnection:
        return "retr-425";
    case FtpFault::ClosesIdleSessions:
        return "idle-close";
    case FtpFault::DiskFullResetsDataConnection:
        return "disk-full-reset";
    }
    return "";
}

std::filesystem::path Under(const CString& root, const CString& path) {
    return std::filesystem::path(root.str()) / std::filesystem::path(path.str()).relative_path();
}

} // namespace

FtpServer::FtpServer(const CString& user, const CString& password, bool withMachineListing,
                     bool stallTransfers, bool abortUploads, bool fullDisk, bool windowsNames)
    : m_user(user), m_password(password) {
    Start(withMachineListing, stallTransfers, abortUploads, fullDisk, FtpFault::None, windowsNames);
}

FtpServer::FtpServer(FtpFault fault) : m_user("vquser"), m_password("vqpass") {
    Start(true, false, false, false, fault, false);
}

void FtpServer::Start(bool withMachineListing, bool stallTransfers, bool abortUploads, bool fullDisk,
                      FtpFault fault, bool windowsNames) {
    std::string templ = (std::filesystem::temp_directory_path() / "vqftp.XXXXXX").string();
    if (!::mkdtemp(templ.data())) {
        ADD_FAILURE() << "cannot create the FTP server's folder";
        return;
    }
    m_root = CString(templ);
    m_commandLog = m_root + ".commands";

    m_port = vqtest::StartPythonServer(kServerScript,
                                       {m_root.str(), m_user.str(), m_password.str(),
                                        withMachineListing ? "1" : "0", stallTransfers ? "1" : "0",
                                        abortUploads ? "1" : "0", fullDisk ? "1" : "0", FaultName(fault),
                                        m_commandLog.str(), windowsNames ? "1" : "0"},
                                       m_pid);
    if (m_port == 0)
        ADD_FAILURE() << "the FTP server did not start (python3-pyftpdlib installed?)";
}

FtpServer::~FtpServer() {
    vqtest::StopPythonServer(m_pid);
    if (!m_root.IsEmpty()) {
        std::error_code ec;
        std::filesystem::remove_all(m_root.str(), ec);
        for (const char* suffix : {"", ".hold", ".held", ".release"})
            std::filesystem::remove(m_commandLog.str() + suffix, ec);
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

std::vector<std::string> FtpServer::Commands() const {
    std::vector<std::string> commands;
    std::ifstream in(m_commandLog.str());
    for (std::string line; std::getline(in, line);)
        commands.push_back(line);
    return commands;
}

void FtpServer::HoldCommand(const std::string& line) const {
    std::filesystem::remove(m_commandLog.str() + ".held");
    std::filesystem::remove(m_commandLog.str() + ".release");
    std::ofstream(m_commandLog.str() + ".hold.new") << line;
    std::filesystem::rename(m_commandLog.str() + ".hold.new", m_commandLog.str() + ".hold");
}

bool FtpServer::WaitUntilHeld(int pid) const {
    for (;;) {
        if (std::filesystem::exists(m_commandLog.str() + ".held"))
            return true;
        // The client is left to be waited for by whoever started it.
        siginfo_t ended{};
        if (pid > 0 && (::waitid(P_PID, static_cast<id_t>(pid), &ended, WEXITED | WNOHANG | WNOWAIT) != 0 ||
                        ended.si_pid != 0))
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool FtpServer::WaitForLogLine(const char* line, int count) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::vector<std::string> lines = Commands();
        if (std::count(lines.begin(), lines.end(), std::string(line)) >= count)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void FtpServer::Release() const {
    std::ofstream(m_commandLog.str() + ".release") << "";
}

int FtpServer::Received(const char* verb) const {
    const std::string prefix = verb;
    int count = 0;
    for (const std::string& line : Commands()) {
        if (line.compare(0, prefix.size(), prefix) == 0 &&
            (line.size() == prefix.size() || line[prefix.size()] == ' '))
            ++count;
    }
    return count;
}

const std::vector<FullDiskServerKind>& FullDiskServerKinds() {
    static const std::vector<FullDiskServerKind> kinds = {
        {FtpFault::None, "451 Failure writing to local file."},
        {FtpFault::FullAfterData452, "452 Insufficient storage space in system."},
        {FtpFault::FullAfterData552, "552 Requested file action aborted. Exceeded storage allocation."},
        {FtpFault::DiskFillsDuringUpload, "426 No space left on device; transfer aborted."},
        {FtpFault::DiskFullResetsDataConnection, "426 Transfer aborted; [Errno 28] No space left on device."},
    };
    return kinds;
}

std::unique_ptr<FtpServer> StartFullDiskServer(const FullDiskServerKind& kind) {
    return kind.fault == FtpFault::None
               ? std::make_unique<FtpServer>("vquser", "vqpass", true, false, false, true)
               : std::make_unique<FtpServer>(kind.fault);
}

} // namespace vqtest
