#include "platform/ftp/Internet.h"
#include "platform/ftp/InternetException.h"

#include <cctype>
#include <cstring>
#include <string_view>

namespace {

struct Scheme {
    const char* name;
    DWORD service;
    INTERNET_PORT port;
};

constexpr Scheme kSchemes[] = {
    {"ftp", AFX_INET_SERVICE_FTP, INTERNET_DEFAULT_FTP_PORT},
    {"http", AFX_INET_SERVICE_HTTP, INTERNET_DEFAULT_HTTP_PORT},
    {"https", AFX_INET_SERVICE_HTTPS, INTERNET_DEFAULT_HTTPS_PORT},
    {"gopher", AFX_INET_SERVICE_GOPHER, 70},
    {"file", AFX_INET_SERVICE_FILE, 0},
    {"news", AFX_INET_SERVICE_NEWS, 119},
    {"telnet", AFX_INET_SERVICE_TELNET, 23},
    {"mailto", AFX_INET_SERVICE_MAILTO, 25},
};

} // namespace

BOOL AfxParseURL(LPCTSTR url, DWORD& serviceType, CString& server, CString& object, INTERNET_PORT& port) {
    serviceType = AFX_INET_SERVICE_UNK;
    server.Empty();
    object.Empty();
    port = INTERNET_INVALID_PORT_NUMBER;
    if (!url)
        return FALSE;

    std::string_view text(url);
    // Blanks around the text are not part of the address.
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);

    std::size_t colon = text.find("://");
    if (colon == std::string_view::npos || colon == 0)
        return FALSE;
    std::string_view schemeName = text.substr(0, colon);
    const Scheme* scheme = nullptr;
    for (const Scheme& s : kSchemes) {
        if (vq::EqualNoCase(schemeName, s.name))
            scheme = &s;
    }
    if (!scheme)
        return FALSE;
    serviceType = scheme->service;

    std::string_view rest = text.substr(colon + 3);
    std::size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    object = slash == std::string_view::npos ? CString("/") : CString(rest.substr(slash));

    // Credentials written into the URL are not part of the server.
    std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos)
        authority.remove_prefix(at + 1);

    std::string_view host = authority;
    std::string_view portText;
    if (!authority.empty() && authority.front() == '[') {
        std::size_t close = authority.find(']');
        if (close == std::string_view::npos)
            return FALSE;
        host = authority.substr(1, close - 1);
        std::string_view after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':')
                return FALSE;
            portText = after.substr(1);
            if (portText.empty())
                return FALSE;
        }
    } else {
        std::size_t portColon = authority.find(':');
        if (portColon != std::string_view::npos) {
            host = authority.substr(0, portColon);
            portText = authority.substr(portColon + 1);
            if (portText.empty())
                return FALSE;
        }
    }
    if (host.empty() && scheme->service != AFX_INET_SERVICE_FILE)
        return FALSE;
    for (char ch : host) {
        if (std::isspace(static_cast<unsigned char>(ch)) || ch == '\\')
            return FALSE;
    }
    server = CString(host);

    if (portText.empty()) {
        port = scheme->port;
        return TRUE;
    }
    unsigned long value = 0;
    for (char ch : portText) {
        if (!std::isdigit(static_cast<unsigned char>(ch)) || portText.size() > 5)
            return FALSE;
        value = value * 10 + static_cast<unsigned long>(ch - '0');
    }
    if (value == 0 || value > 65535)
        return FALSE;
    port = static_cast<INTERNET_PORT>(value);
    return TRUE;
}

BOOL CInternetException::GetErrorMessage(LPTSTR buffer, UINT maxChars, UINT* helpContext) const {
    if (helpContext)
        *helpContext = 0;
    if (!buffer || maxChars == 0)
        return FALSE;
    std::string_view text = vq::TruncateUtf8(m_strMessage.str(), maxChars - 1);
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return TRUE;
}
