// Sends 1,000 mails through one mail job (one SMTP connection with AUTH LOGIN) to a real SMTP
// server on loopback and compares the rate with the same server accepting the same mail texts
// from a minimal client (Python's smtplib, one connection, AUTH LOGIN), timed inside the client.
//
//   build/bench/bench/mail_bench [mails]      (default: 1000)
#include "mail/LfsrCipher.h"
#include "mail/MailSender.h"
#include "mail/MimeMessage.h"
#include "platform/base/TextCodec.h"
#include "tests/support/SmtpServer.h"
#include "tests/support/Workspace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

const char* kClientScript = R"PY(
import smtplib, sys, time
port, user, password, path = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
mails = open(path, "rb").read().split(b"\0")
start = time.perf_counter()
client = smtplib.SMTP("127.0.0.1", port)
client.ehlo()
client.user, client.password = user, password
client.auth("LOGIN", client.auth_login, initial_response_ok=False)
for data in mails:
    client.sendmail("sender@vq.example", ["r@vq.example"], data)
client.quit()
print(time.perf_counter() - start)
)PY";

CString Subject(int i) {
    return "更改单发放自动通知 " + CString(std::to_string(i));
}

CString Text(int i) {
    return "更改单 ECN-" + CString(std::to_string(i)) +
           " 已发放，请各部门查收。\r\n受影响零件：P-100、P-200、P-300。\r\n请按新版图纸组织生产。\r\n";
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    vqtest::Workspace ws;
    vqtest::SmtpServer server("mailer@vq.example", "s3cret");
    if (!server.IsRunning())
        return 1;
    const char* section = "邮件服务器配置";
    ws.WriteSetting(section, "SMTP地址", server.Host());
    ws.WriteSetting(section, "SMTP邮件发送帐号", "sender@vq.example");
    ws.WriteSetting(section, "SMTP校验帐号", server.User());
    ws.WriteSetting(section, "使用邮件服务器", "1");
    ws.WriteSetting(section, "邮件配置方式", "0");
    CString password = server.Password();
    CLfsrCipher cipher;
    cipher.TransformString(CLfsrCipher::kMailKey, &password);
    ws.WriteFile("install/qent/spt/_vqpass.ini", password.str());

    CMailSender job;
    job.SmtpPort = server.Port();
    job.To = "r@vq.example";
    for (int i = 0; i < count; ++i)
        job.Items.Add(CMailItem("r", "r@vq.example", Subject(i), Text(i)));
    auto start = Clock::now();
    int result = job.Send(0);
    double jobSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (result != 1 || !server.WaitForMails(static_cast<std::size_t>(count))) {
        std::fprintf(stderr, "the mail job failed\n");
        return 1;
    }

    // The same mail texts for the minimal client, separated by zero bytes.
    const CString path = ws.TempDir() + "/mails.bin";
    {
        std::ofstream out(path.str(), std::ios::binary);
        for (int i = 0; i < count; ++i) {
            CMimeMessage message;
            message.From.SetAddress("sender@vq.example");
            message.AddRecipients("r@vq.example");
            message.Subject = vq::Utf8ToGbk(Subject(i).str());
            message.BodyParts.emplace_back(vq::Utf8ToGbk(Text(i).str()).c_str(), "text/plain", "GB2312");
            CString text;
            message.BuildText(text);
            out << text.str();
            if (i + 1 < count)
                out << '\0';
        }
    }
    const CString scriptPath = ws.TempDir() + "/client.py";
    std::ofstream(scriptPath.str()) << kClientScript;
    std::string command = "/usr/bin/python3 " + scriptPath.str() + " " + std::to_string(server.Port()) + " " +
                          server.User().str() + " " + server.Password().str() + " " + path.str();
    FILE* pipe = ::popen(command.c_str(), "r");
    char line[128] = {};
    if (!pipe || !std::fgets(line, sizeof line, pipe)) {
        std::fprintf(stderr, "the minimal client failed\n");
        return 1;
    }
    ::pclose(pipe);
    double bareSeconds = std::atof(line);

    double jobRate = count / jobSeconds;
    double bareRate = count / bareSeconds;
    std::printf("%d mails over one connection, AUTH LOGIN, loopback aiosmtpd\n", count);
    std::printf("%-28s %10s %12s\n", "", "seconds", "mails/s");
    std::printf("%-28s %10.3f %12.1f\n", "mail job (CMailSender)", jobSeconds, jobRate);
    std::printf("%-28s %10.3f %12.1f\n", "bare server, smtplib", bareSeconds, bareRate);
    std::printf("ratio job/bare: %.2f\n", jobRate / bareRate);
    return 0;
}
