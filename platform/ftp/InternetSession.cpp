#include "platform/ftp/InternetSession.h"

#include <curl/curl.h>

#include <mutex>

namespace {

// Why the transfer library cannot be used. A library that cannot be loaded is named with the
// loader's reason (platform/ftp/CurlLibrary.cpp says so in our words); the library's own texts
// for a failed start are English and mean nothing to the user.
CString InitFailureText(CURLcode code) {
    const CString text = curl_easy_strerror(code);
    for (char ch : text.str()) {
        if (static_cast<unsigned char>(ch) >= 0x80)
            return text;
    }
    return "不能启动FTP传输库。";
}

} // namespace

CInternetSession::CInternetSession(LPCTSTR agent, DWORD_PTR context, DWORD /*accessType*/,
                                   LPCTSTR /*proxyName*/, LPCTSTR /*proxyBypass*/, DWORD flags)
    : m_strAgent(agent), m_dwContext(context), m_dwFlags(flags) {
    // The transfer library is set up once per process and left set up until exit.
    static std::once_flag once;
    static CURLcode initResult = CURLE_OK;
    std::call_once(once, [] { initResult = curl_global_init(CURL_GLOBAL_DEFAULT); });
    if (initResult != CURLE_OK)
        throw CInternetException(ERROR_INTERNET_INTERNAL_ERROR, InitFailureText(initResult), context);
}

CInternetSession::~CInternetSession() = default;

CFtpConnection* CInternetSession::GetFtpConnection(LPCTSTR server, LPCTSTR userName, LPCTSTR password,
                                                   INTERNET_PORT port, BOOL passive) {
    CString host(server);
    if (host.IsEmpty())
        throw CInternetException(ERROR_INTERNET_NAME_NOT_RESOLVED, "没有指定FTP服务器的名称。", m_dwContext);
    CString user(userName);
    CString pass(password);
    if (user.IsEmpty()) {
        user = "anonymous";
        if (pass.IsEmpty())
            pass = "anonymous@";
    }
    if (port == INTERNET_INVALID_PORT_NUMBER)
        port = INTERNET_DEFAULT_FTP_PORT;
    std::unique_ptr<CFtpConnection> connection(new CFtpConnection(host, port, user, pass, passive != FALSE));
    connection->Connect();
    return connection.release();
}
