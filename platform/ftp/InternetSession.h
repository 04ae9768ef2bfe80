// An internet session: the owner of the FTP connections that a caller opens. It holds no
// network resource of its own; closing or destroying it does not close connections already
// handed out (their owner deletes them).
#pragma once

#include "platform/ftp/FtpConnection.h"
#include "platform/ftp/Internet.h"
#include "platform/ftp/InternetException.h"

class CInternetSession {
public:
    CInternetSession(LPCTSTR agent = nullptr, DWORD_PTR context = 1,
                     DWORD accessType = PRE_CONFIG_INTERNET_ACCESS, LPCTSTR proxyName = nullptr,
                     LPCTSTR proxyBypass = nullptr, DWORD flags = 0);
    virtual ~CInternetSession();
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;

    // Connects and logs on to an FTP server. No user (or an empty one) logs on anonymously.
    // INTERNET_INVALID_PORT_NUMBER means port 21. passive FALSE uses active mode: the server
    // connects back to the address of the control connection. Returns a connection that the
    // caller deletes; throws CInternetException when the server cannot be reached or refuses
    // the account.
    CFtpConnection* GetFtpConnection(LPCTSTR server, LPCTSTR userName = nullptr, LPCTSTR password = nullptr,
                                     INTERNET_PORT port = INTERNET_INVALID_PORT_NUMBER, BOOL passive = FALSE);

    virtual void Close() {}

    const CString& GetAgentName() const { return m_strAgent; }
    DWORD_PTR GetContext() const { return m_dwContext; }

private:
    CString m_strAgent;
    DWORD_PTR m_dwContext;
    DWORD m_dwFlags;
};
