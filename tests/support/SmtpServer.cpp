#include "tests/support/SmtpServer.h"

#include "tests/support/PythonServer.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
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

} // namespace vqtest
