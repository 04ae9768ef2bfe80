// Constants of the internet layer and the URL splitter the connection code uses to tell an FTP
// server address from other addresses.
#pragma once

#include "platform/base/String.h"
#include "platform/base/Types.h"

using INTERNET_PORT = WORD;

// Ports.
constexpr INTERNET_PORT INTERNET_INVALID_PORT_NUMBER = 0; // "use the service's default port"
constexpr INTERNET_PORT INTERNET_DEFAULT_FTP_PORT = 21;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTP_PORT = 80;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTPS_PORT = 443;

// Access types of an internet session. Only direct connections are made; the values are kept so
// that callers can state what they ask for.
constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0;
constexpr DWORD INTERNET_OPEN_TYPE_DIRECT = 1;
constexpr DWORD INTERNET_OPEN_TYPE_PROXY = 3;
constexpr DWORD PRE_CONFIG_INTERNET_ACCESS = INTERNET_OPEN_TYPE_PRECONFIG;

// Flags of sessions and file searches. Nothing is ever cached, so the cache flags only document
// the caller's intent: every listing and every transfer goes to the server.
constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000u;
constexpr DWORD INTERNET_FLAG_DONT_CACHE = 0x04000000u;
constexpr DWORD INTERNET_FLAG_NO_CACHE_WRITE = INTERNET_FLAG_DONT_CACHE;
constexpr DWORD INTERNET_FLAG_PASSIVE = 0x08000000u;

// Transfer types of GetFile and PutFile.
constexpr DWORD FTP_TRANSFER_TYPE_ASCII = 0x1;
constexpr DWORD FTP_TRANSFER_TYPE_BINARY = 0x2;

// Service types reported by AfxParseURL.
constexpr DWORD AFX_INET_SERVICE_UNK = 0x1000;
constexpr DWORD AFX_INET_SERVICE_FILE = 0x1001;
constexpr DWORD AFX_INET_SERVICE_FTP = 0x1002;
constexpr DWORD AFX_INET_SERVICE_GOPHER = 0x1003;
constexpr DWORD AFX_INET_SERVICE_HTTP = 0x1004;
constexpr DWORD AFX_INET_SERVICE_HTTPS = 0x1005;
constexpr DWORD AFX_INET_SERVICE_MAILTO = 0x1006;
constexpr DWORD AFX_INET_SERVICE_NEWS = 0x1007;
constexpr DWORD AFX_INET_SERVICE_TELNET = 0x1008;

// Splits "scheme://[user[:password]@]server[:port][/object]" into the service type, the server,
// the object (always beginning with "/"; "/" when the URL names none) and the port (the
// service's default when none is written). Returns FALSE for a text without "scheme://", an
// unknown scheme, an empty or malformed server part or a port that is not a number from 1 to
// 65535; the outputs then hold what was recognised so far (service type AFX_INET_SERVICE_UNK
// for an unknown scheme). A bare host name ("files.example") is not a URL: callers that accept
// one put "ftp://" in front and parse again.
BOOL AfxParseURL(LPCTSTR url, DWORD& serviceType, CString& server, CString& object, INTERNET_PORT& port);
