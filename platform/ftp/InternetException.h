// The error raised by the internet layer when a session or a connection cannot be made. Unlike
// the framework's habit of throwing heap pointers, it is thrown and caught by value:
//
//     try {
//         conn = session.GetFtpConnection(server, user, password, port, FALSE);
//     } catch (CInternetException& e) {
//         char text[1024];
//         e.GetErrorMessage(text, sizeof text);
//         AfxMessageBox(text);
//     }
#pragma once

#include "platform/base/String.h"
#include "platform/base/Types.h"

#include <utility>

// Error numbers carried in m_dwError.
constexpr DWORD ERROR_INTERNET_CANNOT_CONNECT = 12029;    // nobody answers at the address
constexpr DWORD ERROR_INTERNET_NAME_NOT_RESOLVED = 12007; // the host name is unknown
constexpr DWORD ERROR_INTERNET_LOGIN_FAILURE = 12015;     // the server refused the account
constexpr DWORD ERROR_INTERNET_TIMEOUT = 12002;           // the server stopped answering
constexpr DWORD ERROR_INTERNET_EXTENDED_ERROR = 12003;    // the server answered with an error
constexpr DWORD ERROR_INTERNET_SERVER_BUSY = 12051;       // the server takes no more sessions now
constexpr DWORD ERROR_INTERNET_INTERNAL_ERROR = 12004;    // anything else
constexpr DWORD ERROR_INTERNET_OPERATION_CANCELLED = 12017; // the person stopped waiting for the server

class CInternetException {
public:
    CInternetException(DWORD error, CString message, DWORD_PTR context = 1)
        : m_dwError(error), m_dwContext(context), m_strMessage(std::move(message)) {}

    // Copies the error text (the server's own reply when it sent one, else a description of
    // the failure) into buffer, cut at maxChars - 1 bytes without splitting a character.
    BOOL GetErrorMessage(LPTSTR buffer, UINT maxChars, UINT* helpContext = nullptr) const;
    const CString& ErrorText() const { return m_strMessage; }

    DWORD m_dwError;
    DWORD_PTR m_dwContext;

private:
    CString m_strMessage;
};
