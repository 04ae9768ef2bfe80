#include "core/AppConnectionLease.h"

#include "core/VqDesignTaskApp.h"

CAppConnectionLease::CAppConnectionLease(const _ConnectionPtr& connection, const CString& loginUser,
                                         const CString& userName) {
    if (!connection)
        return;
    m_lent = true;
    m_previousConnection = theApp.m_pConnPDM;
    m_previousLogin = theApp.m_strLoginUser;
    m_previousUserName = theApp.m_strUserName;
    theApp.m_pConnPDM = connection;
    theApp.m_strLoginUser = loginUser;
    theApp.m_strUserName = userName;
}

CAppConnectionLease::~CAppConnectionLease() {
    if (!m_lent)
        return;
    theApp.m_pConnPDM = m_previousConnection;
    theApp.m_strLoginUser = m_previousLogin;
    theApp.m_strUserName = m_previousUserName;
}
