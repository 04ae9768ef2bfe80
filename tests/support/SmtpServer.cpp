#include "tests/support/SmtpServer.h"

#include "platform/base/TextCodec.h"
#include "tests/support/PythonServer.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace vqtest {
namespace {

// argv: folder, user, password, refused recipients (comma-separated). Prints the port first.
// Each accepted mail becomes NNNNN.eml: "MAIL FROM:", "RCPT TO:" lines, "LOGIN:", an empty
// line, then the message text; it is written under another name and renamed when complete.
const char* kServerScript = R"PY(
import asyncio, logging, os, sys, warnings
warnings.simplefilter("ignore")
logging.disable(logging.CRITICAL)
from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword
folder = sys.argv[1]
user, password = sys.argv[2].encode(), sys.argv[3].encode()
refused = set(a for a in sys.argv[4].split(",") if a)

class Server(SMTP):
    AuthLoginUsernameChallenge = "Username:"
    AuthLoginPasswordChallenge = "Password:"

class Handler:
    count = 0
    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address in refused:
            return "550 5.1.1 Mailbox unavailable"
        envelope.rcpt_tos.append(address)
        return "250 OK"
    async def handle_DATA(self, server, session, envelope):
        Handler.count += 1
        base = os.path.join(folder, "%05d" % Handler.count)
        with open(base + ".tmp", "wb") as f:
            f.write(b"MAIL FROM:" + envelope.mail_from.encode("latin-1") + b"\n")
            for r in envelope.rcpt_tos:
                f.write(b"RCPT TO:" + r.encode("latin-1") + b"\n")
            f.write(b"LOGIN:" + (session.login_data or b"") + b"\n\n")
            f.write(envelope.original_content)
        os.rename(base + ".tmp", base + ".eml")
        return "250 OK"

def authenticate(server, session, envelope, mechanism, auth_data):
    if isinstance(auth_data, LoginPassword) and auth_data.login == user and auth_data.password == password:
        return AuthResult(success=True, auth_data=auth_data)
    return AuthResult(success=False, handled=False)

async def main():
    loop = asyncio.get_running_loop()
    handler = Handler()
    server = await loop.create_server(
        lambda: Server(handler, decode_data=False, authenticator=authenticate, auth_required=True,
                       auth_require_tls=False, hostname="mail.vq.test"), "127.0.0.1", 0)
    print(server.sockets[0].getsockname()[1], flush=True)
    await server.serve_forever()

asyncio.run(main())
)PY";

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream data;
    data << in.rdbuf();
    return data.str();
}

} // namespace

SmtpServer::SmtpServer(const CString& user, const CString& password, const std::vector<CString>& refused)
    : m_user(user), m_password(password) {
    std::string templ = (std::filesystem::temp_directory_path() / "vqsmtp.XXXXXX").string();
    if (!::mkdtemp(templ.data())) {
        ADD_FAILURE() << "cannot create the SMTP server's folder";
        return;
    }
    m_folder = CString(templ);
    std::string refusedList;
    for (const CString& each : refused)
        refusedList += (refusedList.empty() ? "" : ",") + each.str();

    m_port = vqtest::StartPythonServer(
        kServerScript, {m_folder.str(), m_user.str(), m_password.str(), refusedList}, m_pid);
    if (m_port == 0)
        ADD_FAILURE() << "the SMTP server did not start (python3-aiosmtpd installed?)";
}

SmtpServer::~SmtpServer() {
    vqtest::StopPythonServer(m_pid);
    if (!m_folder.IsEmpty()) {
        std::error_code ec;
        std::filesystem::remove_all(m_folder.str(), ec);
    }
}

std::vector<SmtpServer::Mail> SmtpServer::Received() const {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder.str(), ec))
        if (entry.path().extension() == ".eml")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<Mail> mails;
    for (const auto& path : files) {
        std::string text = Slurp(path);
        std::size_t blank = text.find("\n\n");
        if (blank == std::string::npos)
            continue;
        Mail mail;
        std::istringstream head(text.substr(0, blank));
        for (std::string line; std::getline(head, line);) {
            if (line.rfind("MAIL FROM:", 0) == 0)
                mail.from = line.substr(10);
            else if (line.rfind("RCPT TO:", 0) == 0)
                mail.recipients.push_back(line.substr(8));
            else if (line.rfind("LOGIN:", 0) == 0)
                mail.login = line.substr(6);
        }
        mail.data = text.substr(blank + 2);
        mails.push_back(std::move(mail));
    }
    return mails;
}

bool SmtpServer::WaitForMails(std::size_t count, std::chrono::milliseconds timeout) const {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (Received().size() >= count)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::vector<std::string> SmtpServer::HeaderLines(const std::string& data, const std::string& name) {
    std::vector<std::string> lines;
    const std::string head = data.substr(0, data.find("\r\n\r\n"));
    std::istringstream in(head);
    bool inHeader = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const bool folded = !line.empty() && (line[0] == ' ' || line[0] == '\t');
        if (inHeader && folded) {
            lines.push_back(line);
            continue;
        }
        if (inHeader)
            break;
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos && colon == name.size() &&
            std::equal(name.begin(), name.end(), line.begin(),
                       [](char a, char b) { return std::tolower(a) == std::tolower(b); })) {
            inHeader = true;
            lines.push_back(line);
        }
    }
    return lines;
}

namespace {

std::string DecodeBase64(const std::string& text) {
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string decoded;
    unsigned bits = 0, count = 0;
    for (const char ch : text) {
        const std::size_t value = alphabet.find(ch);
        if (value == std::string::npos)
            continue;
        bits = bits << 6 | static_cast<unsigned>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            decoded += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return decoded;
}

} // namespace

CString SmtpServer::HeaderText(const std::string& data, const std::string& name) {
    std::vector<std::string> lines = HeaderLines(data, name);
    if (lines.empty())
        return CString();
    std::string value = lines[0].substr(name.size() + 1);
    for (std::size_t i = 1; i < lines.size(); ++i)
        value += lines[i];
    // Blanks between two encoded words are part of the folding, not of the text.
    std::string text;
    std::size_t pos = 0;
    bool afterWord = false;
    while (pos < value.size()) {
        const std::size_t open = value.find("=?", pos);
        std::size_t end = std::string::npos;
        std::string charset, encoding, payload;
        if (open != std::string::npos) {
            const std::size_t q1 = value.find('?', open + 2);
            const std::size_t q2 = q1 == std::string::npos ? q1 : value.find('?', q1 + 1);
            end = q2 == std::string::npos ? q2 : value.find("?=", q2 + 1);
            if (end != std::string::npos) {
                charset = value.substr(open + 2, q1 - open - 2);
                encoding = value.substr(q1 + 1, q2 - q1 - 1);
                payload = value.substr(q2 + 1, end - q2 - 1);
            }
        }
        if (end == std::string::npos) {
            text += vq::GbkToUtf8(value.substr(pos));
            break;
        }
        const std::string between = value.substr(pos, open - pos);
        if (!(afterWord && between.find_first_not_of(" \t") == std::string::npos))
            text += vq::GbkToUtf8(between);
        text += vq::GbkToUtf8(encoding == "B" || encoding == "b" ? DecodeBase64(payload) : payload);
        afterWord = true;
        pos = end + 2;
    }
    const std::size_t first = text.find_first_not_of(' ');
    return CString(first == std::string::npos ? std::string() : text.substr(first));
}

namespace {

// argv: the message file. Prints one line per value: a key, a blank, the value's UTF-8 in hex.
const char* kReaderScript = R"PY(
import sys, email
from email import policy
from email.header import decode_header, make_header
data = open(sys.argv[1], "rb").read()
def out(key, value):
    sys.stdout.write(key + " " + value.encode("utf-8", "surrogateescape").hex() + "\n")
m = email.message_from_bytes(data, policy=policy.default)
for d in m.defects:
    out("defect", "message: " + type(d).__name__)
for name in ("From", "To", "Subject"):
    h = m[name]
    if h is None:
        out("defect", name + ": missing")
        continue
    out(name, str(h))
    for d in h.defects:
        out("defect", name + ": " + type(d).__name__)
    if name != "Subject":
        for a in h.addresses:
            out("address", a.display_name + " <" + a.addr_spec + ">" if a.display_name else a.addr_spec)
out("charset", m.get_content_charset() or "")
try:
    out("body", m.get_content())
except Exception as e:
    out("defect", "body: " + repr(e))
c = email.message_from_bytes(data, policy=policy.compat32)
for name in ("From", "To", "Subject"):
    try:
        out("old" + name, str(make_header(decode_header(c[name]))))
    except Exception as e:
        out("defect", "compat32 " + name + ": " + repr(e))
try:
    out("oldBody", c.get_payload(decode=True).decode(c.get_content_charset()))
except Exception as e:
    out("defect", "compat32 body: " + repr(e))
out("done", "")
)PY";

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

CString WithLfLineEnds(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    return CString(out);
}

} // namespace

SmtpServer::ReaderView SmtpServer::ReadAsMailReaders(const std::string& data) {
    ReaderView view;
    std::string templ = (std::filesystem::temp_directory_path() / "vqmailread.XXXXXX").string();
    if (!::mkdtemp(templ.data())) {
        view.defects.push_back("cannot create a folder for the readers");
        return view;
    }
    const std::filesystem::path folder(templ);
    {
        std::ofstream script(folder / "read.py", std::ios::binary);
        script << kReaderScript;
        std::ofstream mail(folder / "mail.eml", std::ios::binary);
        mail << data;
    }
    const std::string command = "/usr/bin/python3 '" + (folder / "read.py").string() + "' '" +
                                (folder / "mail.eml").string() + "' 2>&1";
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            output.append(buffer, n);
        ::pclose(pipe);
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t blank = line.find(' ');
        const std::string key = line.substr(0, blank);
        if (blank == std::string::npos ||
            line.find_first_not_of("0123456789abcdef", blank + 1) != std::string::npos) {
            view.defects.push_back("reader: " + line); // a traceback
            continue;
        }
        const CString value = WithLfLineEnds(FromHex(line.substr(blank + 1)));
        if (key == "defect")
            view.defects.push_back(value);
        else if (key == "From")
            view.from = value;
        else if (key == "To")
            view.to = value;
        else if (key == "Subject")
            view.subject = value;
        else if (key == "address")
            view.addresses.push_back(value);
        else if (key == "charset")
            view.charset = value;
        else if (key == "body")
            view.body = value;
        else if (key == "oldFrom")
            view.oldFrom = value;
        else if (key == "oldTo")
            view.oldTo = value;
        else if (key == "oldSubject")
            view.oldSubject = value;
        else if (key == "oldBody")
            view.oldBody = value;
        else if (key == "done")
            view.ran = true;
    }
    return view;
}

} // namespace vqtest
