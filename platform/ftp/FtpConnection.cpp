#include "platform/ftp/FtpConnection.h"
#include "platform/base/EndRequest.h"
#include "platform/base/Folders.h"
#include "platform/base/TextCodec.h"
#include "platform/ftp/InternetException.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>

namespace {

// Seconds to wait for the server: to connect, and between replies.
constexpr long kConnectTimeout = 20;
constexpr long kResponseTimeout = 60;
// In active mode the server connects to us before, or as, it answers a transfer. A server that
// has done neither within this time cannot reach us (NAT, a firewall that drops the connection):
// the transfer goes passive then.
constexpr long kConnectBackTimeout = 10;

// Backslash paths of the dialogs become native paths; a relative path stays relative to the
// process's current folder.
CString NativeLocalPath(const CString& path) {
    return vq::NativePath(path);
}

std::string EncodeComponent(std::string_view text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char ch : text) {
        if (std::isalnum(ch) || ch == '-' || ch == '.' || ch == '_' || ch == '~') {
            out += static_cast<char>(ch);
        } else {
            out += '%';
            out += hex[ch >> 4];
            out += hex[ch & 0xF];
        }
    }
    return out;
}

bool HasLineBreak(const CString& text) {
    return text.Find('\r') >= 0 || text.Find('\n') >= 0;
}

std::size_t CollectResponse(char* data, std::size_t size, std::size_t count, void* user) {
    auto* lines = static_cast<std::vector<std::string>*>(user);
    std::string line(data, size * count);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    lines->push_back(std::move(line));
    return size * count;
}

std::size_t AppendToString(char* data, std::size_t size, std::size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

// The bytes of a small upload, sent from memory.
struct MemorySource {
    const char* data;
    std::size_t left;
};

std::size_t ReadFromMemory(char* data, std::size_t size, std::size_t count, void* user) {
    auto* source = static_cast<MemorySource*>(user);
    const std::size_t n = std::min(source->left, size * count);
    std::memcpy(data, source->data, n);
    source->data += n;
    source->left -= n;
    return n;
}

// The local file a download writes to, and the errno of its first failed write.
struct DownloadSink {
    FILE* file = nullptr;
    int error = 0;
};

std::size_t WriteToFile(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<DownloadSink*>(user);
    const std::size_t n = std::fwrite(data, size, count, sink->file);
    if (n < count && sink->error == 0)
        sink->error = errno ? errno : EIO;
    return n * size;
}

std::size_t ReadFromFile(char* data, std::size_t size, std::size_t count, void* user) {
    auto* in = static_cast<FILE*>(user);
    const std::size_t n = std::fread(data, size, count, in) * size;
    // A local read error ends the transfer as failed instead of as a short file.
    if (n == 0 && std::ferror(in))
        return CURL_READFUNC_ABORT;
    return n;
}

// The name an upload is sent under before it takes the target's name: beside the target, so that
// the rename stays within one folder, and unique to the upload (64 random bits), so that two
// clients storing the same file do not write into one temporary file. It is short whatever the
// target is called: a target name near the servers' limit of 255 bytes still has a temporary name.
CString UploadTempPath(const CString& absTarget) {
    thread_local std::mt19937_64 random{(static_cast<std::uint64_t>(std::random_device{}()) << 32) ^
                                        std::random_device{}() ^ static_cast<std::uint64_t>(::getpid())};
    char name[32];
    std::snprintf(name, sizeof name, ".vq%016llx.part", static_cast<unsigned long long>(random()));
    return absTarget.Left(absTarget.ReverseFind('/') + 1) + name;
}

// How long a stopped upload waits for the server to take its temporary file back when the program
// is ending.
constexpr long kEndRemovalTimeoutMs = 700;

// The longest name, in bytes on the wire, that the servers' file systems keep.
constexpr std::size_t kMaxNameBytes = 255;

// Whether a reply says one of the phrases, in any letter case.
bool Says(const CString& reply, std::initializer_list<const char*> phrases) {
    CString lower = reply;
    lower.MakeLower();
    for (const char* phrase : phrases) {
        if (lower.Find(phrase) >= 0)
            return true;
    }
    return false;
}

// The reply code of a server line ("550 No such file."), or 0.
int ReplyCode(const std::string& line) {
    if (line.size() < 3 || !std::isdigit(static_cast<unsigned char>(line[0])) ||
        !std::isdigit(static_cast<unsigned char>(line[1])) ||
        !std::isdigit(static_cast<unsigned char>(line[2])))
        return 0;
    return std::atoi(line.substr(0, 3).c_str());
}

// Whether a server line is the last one of a reply ("550 No such file."), not a line before the
// last one of a reply of several ("550-...") nor a line of text within such a reply.
bool IsLastLineOfReply(const std::string& line) {
    return ReplyCode(line) != 0 && (line.size() == 3 || line[3] == ' ');
}

// The server's last error reply (code 400 and above), all of its lines, in UTF-8 (the server
// writes code page 936); empty when the server sent none.
CString LastErrorReply(const std::vector<std::string>& responses) {
    for (std::size_t last = responses.size(); last-- > 0;) {
        if (!IsLastLineOfReply(responses[last]) || ReplyCode(responses[last]) < 400)
            continue;
        // The lines after the previous reply's last line belong to this one.
        std::size_t first = last;
        while (first > 0 && !IsLastLineOfReply(responses[first - 1]))
            --first;
        std::string text;
        for (std::size_t i = first; i <= last; ++i)
            text += (i > first ? "\n" : "") + responses[i];
        return CString(vq::GbkToUtf8(text));
    }
    return CString();
}

// The failure a server's reply names: a name too long for the server, access refused
// ("550 Permission denied."), 550 (no such file), a server that requires encryption ("530 ... must
// use encryption.", "550 SSL/TLS required on the control channel"), takes no more sessions (421
// "Too many connections"), refuses service altogether (another 421: "Service not available") or no
// longer accepts the logon (530), a data connection that cannot be opened (425), a file that
// another holds (450 to a fetch or a store), or a full disk on the server while storing (451
// "Failure writing to local file.", 452, 552, or a reply that names the full disk, as "426 No
// space left on device; transfer aborted.").
vq::FetchFailure FailureOfReply(const CString& reply, FtpRequest request) {
    const int code = ReplyCode(reply.str());
    const bool storing = request == FtpRequest::Store;
    if (code < 400)
        return vq::FetchFailure::Other;
    if ((code == 421 || code == 530 || code == 534) &&
        Says(reply, {"encrypt", "ssl", "tls", "cleartext", "secure connection"}))
        return vq::FetchFailure::EncryptionRequired;
    // 550 also names files: only a reply that says that encryption is required counts.
    if (code == 550 && Says(reply, {"ssl/tls required", "tls required", "ssl required", "must use encryption",
                                    "encryption required"}))
        return vq::FetchFailure::EncryptionRequired;
    if (code == 421 &&
        Says(reply, {"too many", "connections", "busy", "try again later", "temporarily unavailable"}))
        return vq::FetchFailure::ServerBusy;
    // A session closed for being idle, or a stalled data connection, is a lost connection.
    if (code == 421 && !Says(reply, {"timeout", "timed out"}))
        return vq::FetchFailure::ServiceUnavailable;
    if (Says(reply, {"too long", "enametoolong"}))
        return vq::FetchFailure::NameTooLong;
    if ((code == 550 || code == 553) && Says(reply, {"denied", "not permitted"}))
        return vq::FetchFailure::AccessDenied;
    if (code == 530)
        return vq::FetchFailure::LoginRefused;
    if (code == 425)
        return vq::FetchFailure::NoDataConnection;
    // A listing answered 450 finds no files ("450 No files found"); a transfer finds the file held.
    if (code == 450 && request != FtpRequest::Command)
        return vq::FetchFailure::FileInUse;
    if (code == 550 && !storing)
        return vq::FetchFailure::NotOnServer;
    if (storing &&
        (code == 451 || code == 452 || code == 552 ||
         Says(reply, {"no space left", "disk full", "disk is full", "insufficient storage", "quota"})))
        return vq::FetchFailure::ServerDiskFull;
    return vq::FetchFailure::Other;
}

// One line of an MLSD listing: "type=dir;size=0;modify=...; name".
bool ParseMlsdLine(const std::string& line, FtpDirEntry& entry) {
    std::size_t space = line.find(' ');
    if (space == std::string::npos)
        return false;
    entry = FtpDirEntry{};
    entry.name = CString(line.substr(space + 1));
    std::string facts = line.substr(0, space);
    std::string type;
    std::size_t start = 0;
    while (start < facts.size()) {
        std::size_t end = facts.find(';', start);
        if (end == std::string::npos)
            end = facts.size();
        std::string fact = facts.substr(start, end - start);
        std::size_t eq = fact.find('=');
        if (eq != std::string::npos) {
            std::string key = fact.substr(0, eq);
            for (char& ch : key)
                ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            std::string value = fact.substr(eq + 1);
            if (key == "type") {
                for (char& ch : value)
                    ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
                type = value;
            } else if (key == "size") {
                entry.size = std::strtoull(value.c_str(), nullptr, 10);
            }
        }
        start = end + 1;
    }
    if (type == "cdir" || type == "pdir")
        return false;
    entry.isDirectory = type == "dir";
    return !entry.name.IsEmpty();
}

// One line of a LIST listing, in the Unix form ("drwxr-xr-x 2 u g 4096 Jan 1 12:00 name") or
// the DOS form ("01-01-24  12:00PM  <DIR>  name" / "... 1234 name").
bool ParseListLine(const std::string& line, FtpDirEntry& entry) {
    std::istringstream in(line);
    std::vector<std::string> fields;
    std::string field;
    entry = FtpDirEntry{};
    if (line.empty() || line.rfind("total ", 0) == 0)
        return false;
    auto nameAfterFields = [&line](int count) -> std::string {
        std::size_t pos = 0;
        for (int i = 0; i < count; ++i) {
            while (pos < line.size() && line[pos] == ' ')
                ++pos;
            while (pos < line.size() && line[pos] != ' ')
                ++pos;
        }
        if (pos < line.size())
            ++pos; // the one blank before the name
        return pos < line.size() ? line.substr(pos) : std::string();
    };
    if (std::isdigit(static_cast<unsigned char>(line[0]))) {
        while (fields.size() < 3 && in >> field)
            fields.push_back(field);
        if (fields.size() < 3)
            return false;
        entry.isDirectory = fields[2] == "<DIR>";
        if (!entry.isDirectory)
            entry.size = std::strtoull(fields[2].c_str(), nullptr, 10);
        std::string name = nameAfterFields(3);
        std::size_t first = name.find_first_not_of(' ');
        entry.name = first == std::string::npos ? CString() : CString(name.substr(first));
    } else {
        while (fields.size() < 8 && in >> field)
            fields.push_back(field);
        if (fields.size() < 8)
            return false;
        char kind = line[0];
        entry.isDirectory = kind == 'd';
        entry.size = std::strtoull(fields[4].c_str(), nullptr, 10);
        std::string name = nameAfterFields(8);
        if (kind == 'l') {
            std::size_t arrow = name.find(" -> ");
            if (arrow != std::string::npos)
                name = name.substr(0, arrow);
        }
        entry.name = CString(name);
    }
    if (entry.name.IsEmpty() || entry.name == "." || entry.name == "..")
        return false;
    return true;
}

// A server that closes the data connection under an upload (its disk filled up) says why on the
// control connection, which the transfer library then closes without reading. While an upload
// runs, the control connection's last reply is read as it is closed (waiting up to
// kReplyAfterCutOffMs for it) and added to the replies of the request.
constexpr int kReplyAfterCutOffMs = 3000;

struct ReplyOnClose {
    std::vector<std::string>* responses = nullptr;
    INTERNET_PORT serverPort = 0;
    bool armed = false;
};

int PortOf(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port);
    return -1;
}

int PeerPort(int fd) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return -1;
    return PortOf(address);
}

// A socket the transfer library opened or accepted during a transfer. It is known by its two ends
// from its first look on: the library closes a data connection as soon as it has handed over the
// last byte (an accepted one without telling), while the system still sends what it holds, and the
// number may then name another socket.
struct TransferSocket {
    curl_socket_t fd = CURL_SOCKET_BAD;
    sockaddr_storage local{};
    sockaddr_storage peer{};
    bool known = false;    // the ends above are the socket's
    bool finished = false; // closed, and the server's end has acknowledged everything
};

bool SameAddress(const sockaddr_storage& a, const sockaddr_storage& b) {
    if (a.ss_family != b.ss_family)
        return false;
    if (a.ss_family == AF_INET) {
        const auto& x = reinterpret_cast<const sockaddr_in&>(a);
        const auto& y = reinterpret_cast<const sockaddr_in&>(b);
        return x.sin_port == y.sin_port && x.sin_addr.s_addr == y.sin_addr.s_addr;
    }
    if (a.ss_family == AF_INET6) {
        const auto& x = reinterpret_cast<const sockaddr_in6&>(a);
        const auto& y = reinterpret_cast<const sockaddr_in6&>(b);
        return x.sin6_port == y.sin6_port && std::memcmp(&x.sin6_addr, &y.sin6_addr, sizeof x.sin6_addr) == 0;
    }
    return false;
}

// The ends of a connected socket; false for one that is not connected or not open.
bool EndsOf(int fd, sockaddr_storage& local, sockaddr_storage& peer) {
    socklen_t localLength = sizeof local;
    socklen_t peerLength = sizeof peer;
    return ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLength) == 0 &&
           ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLength) == 0 &&
           (local.ss_family == AF_INET || local.ss_family == AF_INET6);
}

// The bytes of a TCP connection that its other end has not yet acknowledged, after its socket was
// closed (the system sends them on): asked of the system's socket table by the connection's ends.
// 0 when the connection is no longer there, -1 when the table cannot be asked.
long long UnacknowledgedAfterClose(const sockaddr_storage& local, const sockaddr_storage& peer) {
    const int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (fd < 0)
        return -1;
    struct {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } message{};
    message.header.nlmsg_len = sizeof message;
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST;
    inet_diag_req_v2& request = message.request;
    request.sdiag_family = static_cast<std::uint8_t>(local.ss_family);
    request.sdiag_protocol = IPPROTO_TCP;
    request.idiag_states = ~0U;
    request.id.idiag_cookie[0] = request.id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;
    if (local.ss_family == AF_INET) {
        const auto& from = reinterpret_cast<const sockaddr_in&>(local);
        const auto& to = reinterpret_cast<const sockaddr_in&>(peer);
        request.id.idiag_sport = from.sin_port;
        request.id.idiag_dport = to.sin_port;
        std::memcpy(request.id.idiag_src, &from.sin_addr, sizeof from.sin_addr);
        std::memcpy(request.id.idiag_dst, &to.sin_addr, sizeof to.sin_addr);
    } else {
        const auto& from = reinterpret_cast<const sockaddr_in6&>(local);
        const auto& to = reinterpret_cast<const sockaddr_in6&>(peer);
        request.id.idiag_sport = from.sin6_port;
        request.id.idiag_dport = to.sin6_port;
        std::memcpy(request.id.idiag_src, &from.sin6_addr, sizeof from.sin6_addr);
        std::memcpy(request.id.idiag_dst, &to.sin6_addr, sizeof to.sin6_addr);
    }
    long long queued = -1;
    alignas(nlmsghdr) char reply[8192];
    if (::send(fd, &message, sizeof message, 0) == static_cast<ssize_t>(sizeof message)) {
        // The table answers at once; a socket that does not answer within the time is not waited for.
        pollfd wait{fd, POLLIN, 0};
        const ssize_t got = ::poll(&wait, 1, 100) == 1 ? ::recv(fd, reply, sizeof reply, MSG_DONTWAIT) : -1;
        const auto* header = reinterpret_cast<const nlmsghdr*>(reply);
        if (got >= static_cast<ssize_t>(sizeof(nlmsghdr)) && NLMSG_OK(header, static_cast<unsigned>(got))) {
            if (header->nlmsg_type == SOCK_DIAG_BY_FAMILY &&
                header->nlmsg_len >= NLMSG_LENGTH(sizeof(inet_diag_msg)))
                queued = reinterpret_cast<const inet_diag_msg*>(NLMSG_DATA(header))->idiag_wqueue;
            else if (header->nlmsg_type == NLMSG_ERROR &&
                     header->nlmsg_len >= NLMSG_LENGTH(sizeof(nlmsgerr)) &&
                     reinterpret_cast<const nlmsgerr*>(NLMSG_DATA(header))->error == -ENOENT)
                queued = 0; // gone: everything was acknowledged, or the connection was reset
        }
    }
    ::close(fd);
    return queued;
}

// The bytes written to a data connection of the transfer that the server's end has not yet
// acknowledged (the system's send queue, also after the socket was closed); 0 for the control
// connection (to controlPort) and for a socket that is not connected (the listening socket of
// active mode).
std::uint64_t Unacknowledged(TransferSocket& socket, int controlPort) {
    if (socket.finished)
        return 0;
    sockaddr_storage local{}, peer{};
    const bool open = EndsOf(socket.fd, local, peer);
    if (open && !socket.known) {
        socket.local = local;
        socket.peer = peer;
        socket.known = true;
    }
    if (!socket.known || PortOf(socket.peer) == controlPort)
        return 0;
    if (open && SameAddress(local, socket.local) && SameAddress(peer, socket.peer)) {
        int queued = 0;
        return ::ioctl(socket.fd, SIOCOUTQ, &queued) == 0 && queued > 0 ? static_cast<std::uint64_t>(queued)
                                                                        : 0;
    }
    const long long queued = UnacknowledgedAfterClose(socket.local, socket.peer);
    // A closed connection whose bytes have all arrived is not asked about again; one the table
    // cannot tell about counts as delivered.
    if (queued <= 0) {
        socket.finished = true;
        return 0;
    }
    return static_cast<std::uint64_t>(queued);
}

// The lines the server has sent, or sends within the time, up to the last line of a reply.
std::vector<std::string> ReadPendingReply(int fd, int milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    std::string text;
    std::vector<std::string> lines;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                .count();
        if (left <= 0)
            break;
        pollfd wait{fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char buffer[1024];
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
        std::size_t end;
        while ((end = text.find('\n')) != std::string::npos) {
            std::string line = text.substr(0, end);
            text.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(std::move(line));
        }
        if (!lines.empty() && IsLastLineOfReply(lines.back()))
            break;
    }
    return lines;
}

int CloseSocket(void* user, curl_socket_t fd) {
    auto* reply = static_cast<ReplyOnClose*>(user);
    // The control connection is the one to the server's own port (a data connection goes to
    // another port, or comes from the server).
    if (reply->armed && reply->responses && PeerPort(fd) == reply->serverPort) {
        reply->armed = false;
        for (std::string& line : ReadPendingReply(fd, kReplyAfterCutOffMs))
            reply->responses->push_back(std::move(line));
    }
    return ::close(fd);
}

} // namespace

struct CFtpConnection::Impl {
    CURL* curl = nullptr;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    std::vector<std::string> responses;
    curl_slist* quote = nullptr;
    ReplyOnClose replyOnClose;

    ~Impl() {
        if (quote)
            curl_slist_free_all(quote);
        if (curl)
            curl_easy_cleanup(curl);
    }
};

CFtpConnection::CFtpConnection(CString server, INTERNET_PORT port, CString user, CString password,
                               bool passive)
    : m_strServer(std::move(server)), m_nPort(port), m_strUser(std::move(user)),
      m_strPassword(std::move(password)), m_bPassive(passive), m_impl(std::make_unique<Impl>()) {
    m_impl->curl = curl_easy_init();
    m_impl->replyOnClose.responses = &m_impl->responses;
    m_impl->replyOnClose.serverPort = m_nPort;
}

CFtpConnection::~CFtpConnection() {
    Close();
}

void CFtpConnection::Close() {
    m_impl.reset();
}

namespace {

// Sets the options every request of a connection shares. Resetting the handle keeps its open
// control connection, so consecutive requests reuse the same logon.
void Prepare(CURL* curl, char* errorBuffer, std::vector<std::string>* responses, const CString& user,
             const CString& password, bool passive, long stallSeconds, ReplyOnClose* replyOnClose) {
    curl_easy_reset(curl);
    // Every connection the handle opens keeps the close function it was opened with.
    replyOnClose->armed = false;
    curl_easy_setopt(curl, CURLOPT_CLOSESOCKETFUNCTION, CloseSocket);
    curl_easy_setopt(curl, CURLOPT_CLOSESOCKETDATA, replyOnClose);
    errorBuffer[0] = '\0';
    responses->clear();
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(curl, CURLOPT_USERNAME, user.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, password.c_str());
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeout);
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, kResponseTimeout);
    curl_easy_setopt(curl, CURLOPT_ACCEPTTIMEOUT_MS, kConnectBackTimeout * 1000L);
    // The reply timeout covers the control connection only; a data connection on which the
    // server stops sending (or reading) would otherwise be waited for forever.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, stallSeconds);
    curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L);
    // Active mode: the server connects back to the address of the control connection.
    curl_easy_setopt(curl, CURLOPT_FTPPORT, passive ? nullptr : "-");
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, CollectResponse);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, responses);
}

DWORD ErrorNumber(CURLcode code) {
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT:
        return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_LOGIN_DENIED:
        return ERROR_INTERNET_LOGIN_FAILURE;
    case CURLE_OPERATION_TIMEDOUT:
        return ERROR_INTERNET_TIMEOUT;
    default:
        return ERROR_INTERNET_EXTENDED_ERROR;
    }
}

// The server's error reply of the last request when it sent one, else what went wrong in words
// a user can act on (the transfer library's own texts are English and name socket calls). Only a
// fetch or a store (transfer) is said to have been stopped.
CString DescribeFailure(CURLcode code, const std::vector<std::string>& responses, bool transfer = false) {
    if (const CString reply = LastErrorReply(responses); !reply.IsEmpty())
        return reply;
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
        return transfer ? "FTP服务器没有及时响应，传输已停止。" : "FTP服务器没有及时响应。";
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
        return "无法连接FTP服务器。";
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_FTP_PORT_FAILED:
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_ACCEPT_TIMEOUT:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_WEIRD_SERVER_REPLY:
        return "与FTP服务器的连接已断开。";
    case CURLE_WRITE_ERROR:
        return "不能写入本地文件。";
    case CURLE_READ_ERROR:
    case CURLE_ABORTED_BY_CALLBACK:
        return "不能读取本地文件。";
    case CURLE_OUT_OF_MEMORY:
        return "内存不足，FTP传输已停止。";
    default:
        break;
    }
    return "FTP传输失败（传输库错误 " + CString(std::to_string(static_cast<int>(code))) + "）。";
}

// Whether a request failed because the server had closed the session while it lay idle between
// two requests ("421 Timeout." and the connection closed, or closed without a word): the request
// went out on the connection an earlier request had left open (the transfer library opened none),
// and the server answered it with nothing but 421, or with nothing at all. The server then did
// nothing of the request, which is made again, once, on a new connection with a new logon.
bool IdleSessionWasClosed(CURL* curl, CURLcode code, const std::vector<std::string>& responses) {
    long connects = -1;
    if (code == CURLE_OK || curl_easy_getinfo(curl, CURLINFO_NUM_CONNECTS, &connects) != CURLE_OK ||
        connects != 0)
        return false;
    bool closing = false;
    for (const std::string& line : responses) {
        const int reply = ReplyCode(line);
        if (reply != 0 && reply != 421)
            return false;
        closing = closing || reply == 421;
    }
    return closing || (responses.empty() &&
                       (code == CURLE_SEND_ERROR || code == CURLE_RECV_ERROR || code == CURLE_GOT_NOTHING));
}

// Performs the prepared request, logging on again once when the server had closed the idle
// session. restart readies the request's data for the second attempt (false: it cannot be
// repeated).
CURLcode PerformRequest(CURL* curl, char* errorBuffer, std::vector<std::string>& responses,
                        const std::function<bool()>& restart) {
    CURLcode code = curl_easy_perform(curl);
    if (!IdleSessionWasClosed(curl, code, responses) || !restart())
        return code;
    errorBuffer[0] = '\0';
    responses.clear();
    curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
    code = curl_easy_perform(curl);
    curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 0L);
    return code;
}

// Watches a transfer while it runs (the transfer library calls WatchTransfer about once a
// second, and whenever data moves).
//
// In active mode the server answers the transfer's command and connects to us before any data
// moves. A server that has neither answered (1xx) nor moved a byte within kConnectBackTimeout of
// its last reply cannot reach us: the transfer stops then, so that it can go passive. Once the
// data connection is open, that limit no longer counts: the reply that ends the transfer may come
// long after the data (a server writing a large file to a slow disk) and is waited for as every
// other reply, kResponseTimeout.
//
// A transfer also stops when its display says that the person stopped it, or when the program is
// asked to end.
struct TransferWatch {
    const std::vector<std::string>* responses = nullptr;
    bool opening = false; // active mode, the data connection not yet open
    std::size_t linesSeen = 0;
    std::chrono::steady_clock::time_point lastReply = std::chrono::steady_clock::now();
    bool openingTimedOut = false;

    std::unique_ptr<FtpTransferDisplay> display;
    FtpTransferState state;
    // A listing: its display shows the wait for the server (Waiting), not a file that moves.
    bool listing = false;
    CString server;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    ReplyOnClose* replyOnClose = nullptr;
    bool stopped = false;
    // The sockets the transfer opened, for what a store has handed over and the server not yet
    // taken; the server's port of the control connection.
    std::vector<TransferSocket> sockets;
    int controlPort = -1;
};

int NoteSocket(void* user, curl_socket_t fd, curlsocktype) {
    auto* watch = static_cast<TransferWatch*>(user);
    // A number seen before was closed meanwhile: it is a new socket now.
    watch->sockets.erase(std::remove_if(watch->sockets.begin(), watch->sockets.end(),
                                        [fd](const TransferSocket& known) { return known.fd == fd; }),
                         watch->sockets.end());
    watch->sockets.push_back(TransferSocket{fd});
    return CURL_SOCKOPT_OK;
}

// What a store has handed over and the server has taken: the bytes written less those still on
// their way (in the send queue of the data connection, not yet acknowledged by the server's end).
std::uint64_t TakenByServer(TransferWatch& watch, curl_off_t handedOver) {
    if (handedOver <= 0)
        return 0;
    std::uint64_t underway = 0;
    for (TransferSocket& socket : watch.sockets)
        underway += Unacknowledged(socket, watch.controlPort);
    const auto handed = static_cast<std::uint64_t>(handedOver);
    return underway < handed ? handed - underway : 0;
}

int StopTransfer(TransferWatch* watch) {
    watch->stopped = true;
    // Nothing is waited for as the connection closes.
    if (watch->replyOnClose)
        watch->replyOnClose->armed = false;
    return 1;
}

int WatchTransfer(void* user, curl_off_t downTotal, curl_off_t downNow, curl_off_t upTotal,
                  curl_off_t upNow) {
    auto* watch = static_cast<TransferWatch*>(user);
    if (vq::EndRequested())
        return StopTransfer(watch);
    const auto now = std::chrono::steady_clock::now();
    if (watch->opening) {
        if (downNow > 0 || upNow > 0)
            watch->opening = false;
        for (; watch->linesSeen < watch->responses->size(); ++watch->linesSeen) {
            const int reply = ReplyCode((*watch->responses)[watch->linesSeen]);
            if (reply >= 100 && reply < 200)
                watch->opening = false;
            watch->lastReply = now;
        }
        if (watch->opening && now - watch->lastReply >= std::chrono::seconds(kConnectBackTimeout)) {
            watch->openingTimedOut = true;
            return 1;
        }
    }
    if (watch->display && watch->listing) {
        const double seconds = std::chrono::duration<double>(now - watch->started).count();
        if (!watch->display->Waiting(watch->server, false, seconds))
            return StopTransfer(watch);
    } else if (watch->display) {
        FtpTransferState& state = watch->state;
        const curl_off_t total = state.upload ? upTotal : downTotal;
        if (total > 0)
            state.total = static_cast<std::uint64_t>(total);
        if (state.upload) {
            state.done = TakenByServer(*watch, upNow);
            state.waitingForServer = state.total > 0 && state.done >= state.total;
        } else {
            state.done = downNow > 0 ? static_cast<std::uint64_t>(downNow) : 0;
        }
        state.seconds = std::chrono::duration<double>(now - watch->started).count();
        if (!watch->display->Update(state) || vq::EndRequested())
            return StopTransfer(watch);
    }
    return 0;
}

std::function<std::unique_ptr<FtpTransferDisplay>()>& DisplayFactory() {
    static std::function<std::unique_ptr<FtpTransferDisplay>()> factory;
    return factory;
}

// Whether a transfer in active mode failed because the server could not open the data connection
// to us: it refused the data port, answered the transfer 425 or 426 without having announced the
// data connection, announced it and did not connect in time, or neither answered nor connected in
// time after it had answered every command before.
bool ServerCannotConnectBack(CURLcode code, const std::vector<std::string>& responses,
                             const TransferWatch& watch) {
    switch (code) {
    case CURLE_FTP_PORT_FAILED:
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_ACCEPT_TIMEOUT:
        return true;
    default:
        break;
    }
    if (watch.openingTimedOut)
        return true;
    int last = 0;
    for (const std::string& line : responses) {
        const int reply = ReplyCode(line);
        if (reply >= 100 && reply < 200)
            return false; // the data connection was open: what failed came after
        if (reply != 0)
            last = reply;
    }
    return last == 425 || last == 426;
}

// Performs the prepared transfer. In active mode a server that cannot connect to us (it refuses
// the data port, as one set up for passive mode only does with "550 Permission denied.", or it
// takes the port and cannot reach it, behind NAT or a firewall) is asked for a passive transfer
// instead: passive is set for this transfer and every later one of the session. restart readies
// the transfer's data for the second attempt (false: it cannot be repeated).
CURLcode PerformTransfer(CURL* curl, char* errorBuffer, std::vector<std::string>& responses, bool& passive,
                         const std::function<bool()>& restart, TransferWatch& watch) {
    watch.responses = &responses;
    watch.opening = !passive;
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, WatchTransfer);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &watch);
    curl_easy_setopt(curl, CURLOPT_SOCKOPTFUNCTION, NoteSocket);
    curl_easy_setopt(curl, CURLOPT_SOCKOPTDATA, &watch);
    CURLcode code = PerformRequest(curl, errorBuffer, responses, [&watch, &restart, passive] {
        if (watch.stopped)
            return false;
        watch.opening = !passive;
        watch.linesSeen = 0;
        watch.lastReply = std::chrono::steady_clock::now();
        return restart();
    });
    if (passive || watch.stopped || !ServerCannotConnectBack(code, responses, watch) || !restart())
        return watch.openingTimedOut ? CURLE_OPERATION_TIMEDOUT : code;
    passive = true;
    errorBuffer[0] = '\0';
    responses.clear();
    watch.opening = false;
    watch.linesSeen = 0;
    watch.openingTimedOut = false;
    curl_easy_setopt(curl, CURLOPT_FTPPORT, static_cast<char*>(nullptr));
    return curl_easy_perform(curl);
}

// A new watch of a fetch or a store of the file at the server's path, with its display.
std::unique_ptr<TransferWatch> WatchOf(const CString& sessionPath, bool upload, std::uint64_t total,
                                       ReplyOnClose* replyOnClose) {
    auto watch = std::make_unique<TransferWatch>();
    watch->replyOnClose = replyOnClose;
    watch->controlPort = replyOnClose ? replyOnClose->serverPort : -1;
    watch->state.fileName = sessionPath.Mid(sessionPath.ReverseFind('/') + 1);
    watch->state.upload = upload;
    watch->state.total = total;
    if (const auto& factory = DisplayFactory())
        watch->display = factory();
    return watch;
}

// A store whose data is going up on this thread, for a program that exits in the middle of it: a
// call that its display makes may end the program there (Xlib exits on the first call that meets
// a display that has gone), and no other road then takes the temporary file back. A store started
// from input that an outer store's display let run stands inside that one.
struct StoreUnderway {
    std::string baseUrl;
    CString user;
    CString password;
    std::string wireTemp;
    const TransferWatch* watch = nullptr;
    const StoreUnderway* outer = nullptr;
};

thread_local const StoreUnderway* t_storeUnderway = nullptr;

// Marks a store as under way on this thread for as long as it lives.
class StoreUnderwayMark {
public:
    explicit StoreUnderwayMark(StoreUnderway& store) : m_store(store) {
        store.outer = t_storeUnderway;
        t_storeUnderway = &store;
    }
    ~StoreUnderwayMark() { t_storeUnderway = m_store.outer; }
    StoreUnderwayMark(const StoreUnderwayMark&) = delete;
    StoreUnderwayMark& operator=(const StoreUnderwayMark&) = delete;

private:
    const StoreUnderway& m_store;
};

// At the program's exit, a store under way on the exiting thread is broken off (its data
// connection reset, so that the server stops writing the file) and its temporary file deleted
// through a session of its own, from a server that answers at once (the transfer's own session is
// in the middle of a request).
void TakeBackTheStore(const StoreUnderway& store) {
    for (const TransferSocket& socket : store.watch->sockets) {
        sockaddr_storage local{}, peer{};
        if (socket.known && PortOf(socket.peer) != store.watch->controlPort &&
            EndsOf(socket.fd, local, peer) && SameAddress(local, socket.local) &&
            SameAddress(peer, socket.peer)) {
            // Disconnecting to no address resets the connection and drops what it still holds; the
            // number stays the transfer library's.
            sockaddr unspecified{};
            unspecified.sa_family = AF_UNSPEC;
            ::connect(socket.fd, &unspecified, sizeof unspecified);
        }
    }
    CURL* curl = curl_easy_init();
    if (!curl)
        return;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    std::vector<std::string> responses;
    ReplyOnClose replyOnClose;
    Prepare(curl, errorBuffer, &responses, store.user, store.password, true, 1, &replyOnClose);
    curl_slist* quote = curl_slist_append(nullptr, ("DELE " + store.wireTemp).c_str());
    curl_easy_setopt(curl, CURLOPT_URL, (store.baseUrl + "/").c_str());
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl, CURLOPT_QUOTE, quote);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, kEndRemovalTimeoutMs);
    curl_easy_perform(curl);
    curl_slist_free_all(quote);
    curl_easy_cleanup(curl);
}

// The innermost store first: it stands in the middle of the outer one's step.
void TakeBackTheStoresUnderway() {
    for (const StoreUnderway* store = std::exchange(t_storeUnderway, nullptr); store; store = store->outer)
        TakeBackTheStore(*store);
}

// Watches a request that moves no file (the logon, commands) while the server has not answered
// it: its display shows that the request waits (from a second on), and the person may stop it.
struct RequestWatch {
    std::unique_ptr<FtpTransferDisplay> display;
    CString server;
    bool connecting = false;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    bool stopped = false;
};

int WatchRequest(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* watch = static_cast<RequestWatch*>(user);
    if (watch->stopped)
        return 1;
    if (!watch->display)
        return 0;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - watch->started).count();
    if (watch->display->Waiting(watch->server, watch->connecting, seconds))
        return 0;
    watch->stopped = true;
    return 1;
}

// Sets up the watch of the prepared request: its display, when the windows' layer gives one.
void WatchRequestOf(CURL* curl, RequestWatch& watch, const CString& server, bool connecting) {
    watch.server = server;
    watch.connecting = connecting;
    if (const auto& factory = DisplayFactory())
        watch.display = factory();
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, WatchRequest);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &watch);
}

// Why a logon that had no reply from the server failed: the address refused the connection,
// nothing answered in time, the name is unknown, or the address cannot be reached.
CString LogonFailureText(CURL* curl, CURLcode code, const CString& server) {
    long error = 0;
    if (curl_easy_getinfo(curl, CURLINFO_OS_ERRNO, &error) != CURLE_OK)
        error = 0;
    const CString cannot = "无法连接FTP服务器 " + server;
    switch (code) {
    case CURLE_COULDNT_CONNECT:
        if (error == ECONNREFUSED)
            return cannot + "：服务器拒绝了连接。";
        return cannot + "。";
    case CURLE_OPERATION_TIMEDOUT:
        return cannot + "：服务器没有及时应答。";
    case CURLE_COULDNT_RESOLVE_HOST:
        return cannot + "：找不到这个服务器名称。";
    default:
        break;
    }
    return CString();
}

} // namespace

void SetFtpTransferDisplayFactory(std::function<std::unique_ptr<FtpTransferDisplay>()> factory) {
    DisplayFactory() = std::move(factory);
}

bool CFtpConnection::Idle() {
    if (!m_bBusy)
        return true;
    Fail("FTP连接正在传输文件，请等传输结束后再试。");
    return false;
}

CString CFtpConnection::ServerAddress() const {
    return m_strServer + ":" + CString(std::to_string(m_nPort));
}

CString CFtpConnection::BaseUrl() const {
    CString host = m_strServer;
    if (host.Find(':') >= 0 && host.Find('[') < 0)
        host = "[" + host + "]";
    return CString("ftp://" + host.str() + ":" + std::to_string(m_nPort));
}

void CFtpConnection::Fail(const CString& text, vq::FetchFailure kind) {
    m_strLastError = text;
    m_lastFailure = kind;
}

void CFtpConnection::FailLocalWrite(int error, const CString& local) {
    if (error == ENAMETOOLONG)
        Fail("本地文件名太长: " + local, vq::FetchFailure::NameTooLong);
    else
        Fail("不能写入本地文件: " + local,
             vq::IsDiskFullError(error) ? vq::FetchFailure::LocalDiskFull : vq::FetchFailure::Other);
}

void CFtpConnection::FailWithReply(const CString& text, FtpRequest request) {
    // The kind lets the caller say what the server's reply means (a name too long, access refused,
    // a full disk) rather than send the user to check the network.
    const vq::FetchFailure kind = FailureOfReply(text, request);
    const CString cause = FtpServerFailureText(kind);
    Fail(cause.IsEmpty() ? text : cause + "\n" + text, kind);
}

CString FtpServerFailureText(vq::FetchFailure why) {
    switch (why) {
    case vq::FetchFailure::ServerBusy:
        return "FTP服务器繁忙，连接数已达到上限，请稍后再试。";
    case vq::FetchFailure::LoginRefused:
        return "FTP服务器不再接受登录的用户名或密码，请与FTP服务器的管理员联系。";
    case vq::FetchFailure::EncryptionRequired:
        return "FTP服务器只接受加密的连接，本程序不支持加密连接，请与FTP服务器的管理员联系。";
    case vq::FetchFailure::ServiceUnavailable:
        return "FTP服务器暂时停止服务，请稍后再试，或与FTP服务器的管理员联系。";
    case vq::FetchFailure::NoDataConnection:
        return "不能与FTP服务器建立传输文件的数据连接，请检查防火墙的设置，或与FTP服务器的管理员联系。";
    case vq::FetchFailure::FileInUse:
        return "FTP服务器上的该文件正被其他程序使用，请稍后再试。";
    default:
        break;
    }
    return CString();
}

bool CFtpConnection::WirePath(const CString& sessionPath, std::string& wire) {
    const CString server = OnServer(sessionPath);
    wire = vq::Utf8ToGbk(server.str());
    // A character without a code page 936 form would reach the server as "?", another name. The
    // path is shown with what cannot be seen in it written out.
    if (!vq::HasGbkForm(server.str())) {
        Fail("文件名中有FTP服务器不能表示的字符: " + CString(vq::VisibleText(sessionPath.str())),
             vq::FetchFailure::UnusableName);
        return false;
    }
    std::size_t start = 0;
    while (start < wire.size()) {
        std::size_t end = wire.find('/', start);
        if (end == std::string::npos)
            end = wire.size();
        if (end - start > kMaxNameBytes) {
            Fail("文件名太长: " + CString(vq::VisibleText(vq::GbkToUtf8(wire.substr(start, end - start)))),
                 vq::FetchFailure::NameTooLong);
            return false;
        }
        start = end + 1;
    }
    return true;
}

bool CFtpConnection::CommandFor(const char* verb, const CString& sessionPath, std::string& line) {
    std::string wire;
    if (!WirePath(sessionPath, wire))
        return false;
    line = std::string(verb) + " " + wire;
    return true;
}

std::string CFtpConnection::UrlOf(const std::string& wirePath, bool directory) const {
    // "%2F" makes the path absolute on the server instead of relative to the logon folder.
    std::string url = BaseUrl().str() + "/%2F";
    std::string_view path(wirePath);
    std::size_t start = 1;
    bool first = true;
    while (start < path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (!first)
            url += '/';
        url += EncodeComponent(path.substr(start, end - start));
        first = false;
        start = end + 1;
    }
    if (directory && !first)
        url += '/';
    return url;
}

void CFtpConnection::Connect() {
    if (!m_impl || !m_impl->curl)
        throw CInternetException(ERROR_INTERNET_INTERNAL_ERROR, "不能启动FTP传输库。");
    Prepare(m_impl->curl, m_impl->errorBuffer, &m_impl->responses, m_strUser, m_strPassword, m_bPassive,
            m_nStallTimeout, &m_impl->replyOnClose);
    // Log on only: the URL without a path leaves the server in the folder it gave after logon.
    curl_easy_setopt(m_impl->curl, CURLOPT_URL, (BaseUrl() + "/").c_str());
    curl_easy_setopt(m_impl->curl, CURLOPT_NOBODY, 1L);
    // A server slow to answer shows a window that says so, whose 取消 stops the logon.
    RequestWatch watch;
    WatchRequestOf(m_impl->curl, watch, ServerAddress(), true);
    CURLcode code = curl_easy_perform(m_impl->curl);
    watch.display.reset();
    if (watch.stopped) {
        Fail("已停止连接FTP服务器。", vq::FetchFailure::Cancelled);
        throw CInternetException(ERROR_INTERNET_OPERATION_CANCELLED, m_strLastError);
    }
    if (code != CURLE_OK) {
        Fail(DescribeFailure(code, m_impl->responses));
        // Without a word from the server, what happened to the connection is named.
        if (LastErrorReply(m_impl->responses).IsEmpty())
            if (const CString text = LogonFailureText(m_impl->curl, code, ServerAddress()); !text.IsEmpty())
                m_strLastError = text;
        // Servers refuse a session in their own words ("530 Login incorrect."): say what happened
        // first, and keep the server's line for whoever looks after the server. A server that
        // requires encryption, takes no more sessions or refuses service altogether ("421 Service
        // not available") refuses the session, not the account.
        const vq::FetchFailure kind = FailureOfReply(LastErrorReply(m_impl->responses), FtpRequest::Command);
        DWORD error = ErrorNumber(code);
        if (kind == vq::FetchFailure::ServerBusy || kind == vq::FetchFailure::ServiceUnavailable ||
            kind == vq::FetchFailure::EncryptionRequired) {
            m_strLastError = FtpServerFailureText(kind) + "\n" + m_strLastError;
            error = kind == vq::FetchFailure::EncryptionRequired ? ERROR_INTERNET_LOGIN_FAILURE
                                                                 : ERROR_INTERNET_SERVER_BUSY;
        } else if (code == CURLE_LOGIN_DENIED && ReplyCode(m_strLastError.str()) == 530) {
            m_strLastError = "FTP服务器拒绝了登录的用户名或密码:\n" + m_strLastError;
        }
        throw CInternetException(error, m_strLastError);
    }
    // The folder the session starts in is its root "/": on a server that serves an account in its
    // home folder below the machine's root, "\Vq" is then the "Vq" in that home folder, where
    // the connection holder creates it. A server that reports no absolute folder starts at "/".
    // The server names it in code page 936, as every name.
    char* entry = nullptr;
    m_strCurrent = "/";
    if (curl_easy_getinfo(m_impl->curl, CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK && entry &&
        *entry == '/')
        m_strLoginFolder = FullPath(CString(vq::GbkToUtf8(entry)));
    else
        m_strLoginFolder = "/";
}

CString CFtpConnection::OnServer(const CString& sessionPath) const {
    if (m_strLoginFolder == "/")
        return sessionPath;
    return sessionPath == "/" ? m_strLoginFolder : m_strLoginFolder + sessionPath;
}

CString CFtpConnection::FullPath(const CString& path) const {
    std::string text = path.str();
    for (char& ch : text) {
        if (ch == '\\')
            ch = '/';
    }
    std::vector<std::string> parts;
    auto add = [&parts](const std::string& source) {
        std::size_t start = 0;
        while (start <= source.size()) {
            std::size_t end = source.find('/', start);
            if (end == std::string::npos)
                end = source.size();
            std::string component = source.substr(start, end - start);
            if (component == "..") {
                if (!parts.empty())
                    parts.pop_back();
            } else if (!component.empty() && component != ".") {
                parts.push_back(component);
            }
            start = end + 1;
        }
    };
    if (text.empty() || text[0] != '/')
        add(m_strCurrent.str());
    add(text);
    std::string result;
    for (const std::string& component : parts)
        result += "/" + component;
    return result.empty() ? CString("/") : CString(result);
}

bool CFtpConnection::RunCommands(const std::vector<std::string>& commands, long timeoutMs) {
    if (!m_impl || !m_impl->curl) {
        Fail("与FTP服务器的连接已关闭。");
        return false;
    }
    if (!Idle())
        return false;
    for (const std::string& command : commands) {
        // A line break would let a name smuggle in a command of its own.
        if (command.find_first_of("\r\n") != std::string::npos) {
            Fail("文件名中有换行符。", vq::FetchFailure::UnusableName);
            return false;
        }
    }
    std::string root;
    if (!WirePath("/", root))
        return false;
    Prepare(m_impl->curl, m_impl->errorBuffer, &m_impl->responses, m_strUser, m_strPassword, m_bPassive,
            m_nStallTimeout, &m_impl->replyOnClose);
    if (m_impl->quote) {
        curl_slist_free_all(m_impl->quote);
        m_impl->quote = nullptr;
    }
    for (const std::string& command : commands)
        m_impl->quote = curl_slist_append(m_impl->quote, command.c_str());
    curl_easy_setopt(m_impl->curl, CURLOPT_URL, UrlOf(root, true).c_str());
    curl_easy_setopt(m_impl->curl, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(m_impl->curl, CURLOPT_QUOTE, m_impl->quote);
    // A server slow to answer shows a window that says so, whose 取消 stops the commands; while
    // its input runs the connection takes no other call. A request with a time limit of its own
    // (the program is ending) shows nothing.
    RequestWatch watch;
    if (timeoutMs > 0)
        curl_easy_setopt(m_impl->curl, CURLOPT_TIMEOUT_MS, timeoutMs);
    else
        WatchRequestOf(m_impl->curl, watch, ServerAddress(), false);
    m_bBusy = true;
    // A request with a time limit of its own (the program is ending) is not made again.
    CURLcode code = PerformRequest(m_impl->curl, m_impl->errorBuffer, m_impl->responses,
                                   [timeoutMs, &watch] { return timeoutMs <= 0 && !watch.stopped; });
    m_bBusy = false;
    watch.display.reset();
    if (watch.stopped) {
        Fail("已停止等待FTP服务器的应答。", vq::FetchFailure::Cancelled);
        return false;
    }
    if (code != CURLE_OK) {
        FailWithReply(DescribeFailure(code, m_impl->responses));
        return false;
    }
    return true;
}

bool CFtpConnection::RunCommand(const char* verb, const CString& sessionPath) {
    std::string line;
    return CommandFor(verb, sessionPath, line) && RunCommands({line});
}

BOOL CFtpConnection::GetCurrentDirectory(CString& directory) const {
    directory = m_strCurrent;
    return TRUE;
}

BOOL CFtpConnection::SetCurrentDirectory(LPCTSTR directory) {
    CString target = FullPath(directory);
    if (!RunCommand("CWD", target))
        return FALSE;
    m_strCurrent = target;
    return TRUE;
}

BOOL CFtpConnection::CreateDirectory(LPCTSTR directory) {
    if (!directory || !*directory)
        return FALSE;
    return RunCommand("MKD", FullPath(directory)) ? TRUE : FALSE;
}

BOOL CFtpConnection::RemoveDirectory(LPCTSTR directory) {
    if (!directory || !*directory)
        return FALSE;
    return RunCommand("RMD", FullPath(directory)) ? TRUE : FALSE;
}

BOOL CFtpConnection::Remove(LPCTSTR fileName) {
    if (!fileName || !*fileName)
        return FALSE;
    return RunCommand("DELE", FullPath(fileName)) ? TRUE : FALSE;
}

BOOL CFtpConnection::Rename(LPCTSTR existingName, LPCTSTR newName) {
    if (!existingName || !*existingName || !newName || !*newName)
        return FALSE;
    std::string from, to;
    return CommandFor("RNFR", FullPath(existingName), from) && CommandFor("RNTO", FullPath(newName), to) &&
                   RunCommands({from, to})
               ? TRUE
               : FALSE;
}

BOOL CFtpConnection::GetFile(LPCTSTR remoteFile, LPCTSTR localFile, BOOL failIfExists, DWORD /*attributes*/,
                             DWORD flags, DWORD_PTR /*context*/) {
    if (!m_impl || !m_impl->curl || !remoteFile || !*remoteFile || !localFile || !*localFile || !Idle())
        return FALSE;
    CString remote = FullPath(remoteFile);
    if (remote == "/") {
        Fail("没有指定要取的文件。");
        return FALSE;
    }
    std::string wire;
    if (!WirePath(remote, wire))
        return FALSE;
    CString local = NativeLocalPath(localFile);
    m_lastFailure = vq::FetchFailure::Other;
    struct stat info {};
    if (failIfExists && ::lstat(local.c_str(), &info) == 0) {
        Fail("本地文件已存在: " + local);
        return FALSE;
    }

    // The data goes to a new file beside the target, created exclusively under a short name of
    // its own (a target named near the file system's limit of 255 bytes still has one), which
    // takes the target's name only after the whole file arrived (vq::CommitNewFile: in the
    // working folder the user's alone, replacing a link at the name).
    std::string temp;
    int fd = vq::CreateFileBeside(local.str(), temp);
    if (fd < 0) {
        FailLocalWrite(errno, local);
        return FALSE;
    }
    DownloadSink sink;
    sink.file = ::fdopen(fd, "wb");
    if (!sink.file) {
        FailLocalWrite(errno, local);
        ::close(fd);
        ::unlink(temp.c_str());
        return FALSE;
    }
    FILE* out = sink.file;

    Prepare(m_impl->curl, m_impl->errorBuffer, &m_impl->responses, m_strUser, m_strPassword, m_bPassive,
            m_nStallTimeout, &m_impl->replyOnClose);
    curl_easy_setopt(m_impl->curl, CURLOPT_URL, UrlOf(wire, false).c_str());
    curl_easy_setopt(m_impl->curl, CURLOPT_TRANSFERTEXT, (flags & FTP_TRANSFER_TYPE_ASCII) ? 1L : 0L);
    curl_easy_setopt(m_impl->curl, CURLOPT_WRITEFUNCTION, WriteToFile);
    curl_easy_setopt(m_impl->curl, CURLOPT_WRITEDATA, &sink);
    const auto watch = WatchOf(remote, false, 0, &m_impl->replyOnClose);
    m_bBusy = true;
    CURLcode code = PerformTransfer(
        m_impl->curl, m_impl->errorBuffer, m_impl->responses, m_bPassive,
        [out] {
            if (std::fflush(out) != 0 || ::ftruncate(::fileno(out), 0) != 0)
                return false;
            std::rewind(out);
            return true;
        },
        *watch);
    m_bBusy = false;
    bool written = std::fclose(out) == 0;
    if (!written && sink.error == 0)
        sink.error = errno;
    if (watch->stopped) {
        Fail("文件传输已取消。", vq::FetchFailure::Cancelled);
        ::unlink(temp.c_str());
        return FALSE;
    }
    if (code != CURLE_OK || !written) {
        if (sink.error != 0 || code == CURLE_OK)
            FailLocalWrite(sink.error, local);
        else
            FailWithReply(DescribeFailure(code, m_impl->responses, true), FtpRequest::Fetch);
        ::unlink(temp.c_str());
        return FALSE;
    }
    if (!vq::CommitNewFile(temp, local, -1, failIfExists)) {
        const int error = errno;
        if (error == ENAMETOOLONG)
            Fail("本地文件名太长: " + local, vq::FetchFailure::NameTooLong);
        else if (vq::IsDiskFullError(error))
            Fail("本地磁盘已满: " + local, vq::FetchFailure::LocalDiskFull);
        else
            Fail("不能替换本地文件: " + local);
        return FALSE;
    }
    m_lastFailure = vq::FetchFailure::None;
    return TRUE;
}

BOOL CFtpConnection::PutFile(LPCTSTR localFile, LPCTSTR remoteFile, DWORD flags, DWORD_PTR /*context*/) {
    if (!m_impl || !m_impl->curl || !remoteFile || !*remoteFile || !localFile || !*localFile || !Idle())
        return FALSE;
    CString remote = FullPath(remoteFile);
    if (remote == "/") {
        Fail("没有指定要存的文件。");
        return FALSE;
    }
    if (HasLineBreak(remote)) {
        Fail("文件名中有换行符。", vq::FetchFailure::UnusableName);
        return FALSE;
    }
    // The file goes up under a temporary name and takes the target's name only once it arrived
    // whole: a transfer stopped half way never leaves a truncated file under the real name, and
    // an older copy stays as it was.
    std::string target, temp;
    if (!WirePath(remote, target) || !WirePath(UploadTempPath(remote), temp))
        return FALSE;
    CString local = NativeLocalPath(localFile);
    m_lastFailure = vq::FetchFailure::Other;
    FILE* in = std::fopen(local.c_str(), "rb");
    if (!in) {
        Fail("不能读取本地文件: " + local);
        return FALSE;
    }
    struct stat info {};
    if (::fstat(::fileno(in), &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fclose(in);
        Fail("不能读取本地文件: " + local);
        return FALSE;
    }
    Prepare(m_impl->curl, m_impl->errorBuffer, &m_impl->responses, m_strUser, m_strPassword, m_bPassive,
            m_nStallTimeout, &m_impl->replyOnClose);
    curl_easy_setopt(m_impl->curl, CURLOPT_URL, UrlOf(temp, false).c_str());
    curl_easy_setopt(m_impl->curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(m_impl->curl, CURLOPT_TRANSFERTEXT, (flags & FTP_TRANSFER_TYPE_ASCII) ? 1L : 0L);
    curl_easy_setopt(m_impl->curl, CURLOPT_READFUNCTION, ReadFromFile);
    curl_easy_setopt(m_impl->curl, CURLOPT_READDATA, in);
    curl_easy_setopt(m_impl->curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(info.st_size));
    m_impl->replyOnClose.armed = true;
    const auto watch = WatchOf(remote, true, static_cast<std::uint64_t>(info.st_size), &m_impl->replyOnClose);
    // A program that exits while the data goes up takes the temporary file back at its exit.
    static const bool takesBackAtExit = std::atexit(TakeBackTheStoresUnderway) == 0;
    StoreUnderway store{BaseUrl().str(), m_strUser, m_strPassword, temp, watch.get()};
    std::optional<StoreUnderwayMark> underway;
    if (takesBackAtExit)
        underway.emplace(store);
    m_bBusy = true;
    CURLcode code = PerformTransfer(
        m_impl->curl, m_impl->errorBuffer, m_impl->responses, m_bPassive,
        [this, in] {
            std::clearerr(in);
            m_impl->replyOnClose.armed = true;
            return std::fseek(in, 0, SEEK_SET) == 0;
        },
        *watch);
    underway.reset();
    m_bBusy = false;
    m_impl->replyOnClose.armed = false;
    std::fclose(in);
    // Takes the temporary file back when the server still answers; the failure reported stays the
    // one that stopped the upload.
    const auto removeTemp = [this, &temp](long timeoutMs = 0) {
        const CString error = m_strLastError;
        const vq::FetchFailure kind = m_lastFailure;
        RunCommands({"DELE " + temp}, timeoutMs);
        Fail(error, kind);
    };
    if (watch->stopped) {
        // What arrived is taken back; when the program is ending, only from a server that answers
        // at once (the end comes within two seconds of its signal, whatever is still waited for).
        Fail("文件传输已取消。", vq::FetchFailure::Cancelled);
        removeTemp(vq::EndRequested() ? kEndRemovalTimeoutMs : 0);
        return FALSE;
    }
    if (code != CURLE_OK) {
        FailWithReply(DescribeFailure(code, m_impl->responses, true), FtpRequest::Store);
        // A server that cut the upload off without a word may have run out of disk; one that does
        // not answer at all takes nothing back either.
        if (code == CURLE_SEND_ERROR && LastErrorReply(m_impl->responses).IsEmpty() &&
            !AskWhetherServerDiskIsFull(temp))
            return FALSE;
        removeTemp();
        return FALSE;
    }
    if (RunCommands({"RNFR " + temp, "RNTO " + target})) {
        m_lastFailure = vq::FetchFailure::None;
        return TRUE;
    }
    // Some servers refuse to rename onto an existing file: the old copy goes first then. Should
    // the rename still fail, the new content stays under its temporary name rather than go too.
    const CString renameError = m_strLastError;
    const vq::FetchFailure renameFailure = m_lastFailure;
    if (RunCommands({"DELE " + target})) {
        if (!RunCommands({"RNFR " + temp, "RNTO " + target}))
            return FALSE;
        m_lastFailure = vq::FetchFailure::None;
        return TRUE;
    }
    // No older copy was in the way: the rename's own failure is the one to report (a name that
    // is too long for the server, say).
    Fail(renameError, renameFailure);
    removeTemp();
    return FALSE;
}

bool CFtpConnection::AskWhetherServerDiskIsFull(const std::string& wireTemp) {
    const CString error = m_strLastError;
    const vq::FetchFailure kind = m_lastFailure;
    Prepare(m_impl->curl, m_impl->errorBuffer, &m_impl->responses, m_strUser, m_strPassword, m_bPassive,
            m_nStallTimeout, &m_impl->replyOnClose);
    MemorySource oneByte{"\n", 1};
    curl_easy_setopt(m_impl->curl, CURLOPT_URL, UrlOf(wireTemp, false).c_str());
    curl_easy_setopt(m_impl->curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(m_impl->curl, CURLOPT_APPEND, 1L);
    curl_easy_setopt(m_impl->curl, CURLOPT_READFUNCTION, ReadFromMemory);
    curl_easy_setopt(m_impl->curl, CURLOPT_READDATA, &oneByte);
    curl_easy_setopt(m_impl->curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(1));
    TransferWatch watch;
    PerformTransfer(
        m_impl->curl, m_impl->errorBuffer, m_impl->responses, m_bPassive,
        [&oneByte] {
            oneByte = MemorySource{"\n", 1};
            return true;
        },
        watch);
    const CString reply = LastErrorReply(m_impl->responses);
    if (FailureOfReply(reply, FtpRequest::Store) == vq::FetchFailure::ServerDiskFull)
        Fail(reply, vq::FetchFailure::ServerDiskFull);
    else
        Fail(error, kind);
    return !m_impl->responses.empty();
}

bool CFtpConnection::RunListing(const std::string& wireDir, const char* command, std::string& out) {
    out.clear();
    if (!Idle())
        return false;
    Prepare(m_impl->curl, m_impl->errorBuffer, &m_impl->responses, m_strUser, m_strPassword, m_bPassive,
            m_nStallTimeout, &m_impl->replyOnClose);
    curl_easy_setopt(m_impl->curl, CURLOPT_URL, UrlOf(wireDir, true).c_str());
    if (command)
        curl_easy_setopt(m_impl->curl, CURLOPT_CUSTOMREQUEST, command);
    curl_easy_setopt(m_impl->curl, CURLOPT_WRITEFUNCTION, AppendToString);
    curl_easy_setopt(m_impl->curl, CURLOPT_WRITEDATA, &out);
    // A server slow to answer shows a window that says so, whose 取消 stops the listing.
    TransferWatch watch;
    watch.listing = true;
    watch.server = ServerAddress();
    if (const auto& factory = DisplayFactory())
        watch.display = factory();
    m_bBusy = true;
    CURLcode code = PerformTransfer(
        m_impl->curl, m_impl->errorBuffer, m_impl->responses, m_bPassive,
        [&out] {
            out.clear();
            return true;
        },
        watch);
    m_bBusy = false;
    watch.display.reset();
    if (watch.stopped) {
        Fail("已停止等待FTP服务器的应答。", vq::FetchFailure::Cancelled);
        return false;
    }
    if (code != CURLE_OK) {
        FailWithReply(DescribeFailure(code, m_impl->responses));
        return false;
    }
    return true;
}

BOOL CFtpConnection::ListDirectory(const CString& directory, std::vector<FtpDirEntry>& entries, bool hidden) {
    entries.clear();
    if (!m_impl || !m_impl->curl)
        return FALSE;
    CString absDir = FullPath(directory);
    std::string wireDir;
    if (HasLineBreak(absDir) || !WirePath(absDir, wireDir))
        return FALSE;
    std::string text;
    bool machineListing = m_nMlsd != 0;
    if (m_nMlsd != 0) {
        if (RunListing(wireDir, "MLSD", text)) {
            m_nMlsd = 1;
        } else {
            // Servers without MLSD say so with a syntax error reply; anything else (a missing
            // folder) is a failure of the listing itself.
            int reply = 0;
            for (const std::string& line : m_impl->responses) {
                if (ReplyCode(line) >= 400)
                    reply = ReplyCode(line);
            }
            if (m_nMlsd == 1 || (reply != 500 && reply != 501 && reply != 502 && reply != 504))
                return FALSE;
            m_nMlsd = 0;
            machineListing = false;
        }
    }
    if (!machineListing && !RunListing(wireDir, hidden ? "LIST -a" : nullptr, text))
        return FALSE;
    // The names come in code page 936; the rest of a listing line is ASCII.
    text = vq::GbkToUtf8(text);

    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        FtpDirEntry entry;
        if (machineListing ? ParseMlsdLine(line, entry) : ParseListLine(line, entry))
            entries.push_back(std::move(entry));
        start = end + 1;
    }
    return TRUE;
}
