// CAppConnectionLease: lends a window's own product connection and login account to the
// application object for the length of one piece of work, and puts back what was there.
//
// A review window that outlives the entry call which opened it keeps its own reference to the
// connection it was opened on; the next entry call clears the application's. The SQL services,
// the file store and the log writers all work on the application's current connection and login
// account, so the window lends its own to the application while it handles a message:
//
//   LRESULT CSomeWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
//       CAppConnectionLease lease(m_pConnection, m_strLoginUser, m_strUserName);
//       return CDialog::WindowProc(message, wParam, lParam);
//   }
//
// A lease with an empty connection changes nothing (the window has not taken its own yet).
#pragma once

#include "platform/base/String.h"
#include "platform/db/Ado.h"

class CAppConnectionLease {
public:
    CAppConnectionLease(const _ConnectionPtr& connection, const CString& loginUser, const CString& userName);
    ~CAppConnectionLease();
    CAppConnectionLease(const CAppConnectionLease&) = delete;
    CAppConnectionLease& operator=(const CAppConnectionLease&) = delete;

private:
    bool m_lent = false;
    _ConnectionPtr m_previousConnection;
    CString m_previousLogin;
    CString m_previousUserName;
};
