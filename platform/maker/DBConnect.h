// CVQDBConnect: the process-wide database connection object of the maker's libraries. Other
// components of the process share one current object (GetCurDBConnect/SetCurDBConnect); it
// opens the product database and, when it is installed, the process-planning database.
//
// Init reads where to connect: the data sources from the settings file ([服务器参数配置]
// "PDM数据源", default "vqdetail"; [VQCAPP配置] "数据源名称", default "VQPCAPP") and the database
// account from the first row of Config in the local configuration database "vqdetail.mdb" of the
// system folder (an empty user is "sa"). Failures are shown in a message box and give 0.
#pragma once

#include "platform/db/Ado.h"

class CVQDBConnect {
public:
    CVQDBConnect();
    virtual ~CVQDBConnect();
    CVQDBConnect(const CVQDBConnect&) = delete;
    CVQDBConnect& operator=(const CVQDBConnect&) = delete;

    // The current connection object of the process (not owned by the registry), or nullptr.
    static CVQDBConnect* GetCurDBConnect();
    static void SetCurDBConnect(CVQDBConnect* connect);

    // Each returns non-zero on success.
    int Init();
    int ConnectPDM();
    int ConnectCAPP();

    _ConnectionPtr GetPtrPDM() const { return m_pConnPDM; }
    _ConnectionPtr GetPtrCAPP() const { return m_pConnCAPP; }

    // Closes and releases both connections.
    void CloseAll();

    CString m_strPdmSource;
    CString m_strCappSource;
    CString m_strUser;
    CString m_strPassword;

private:
    int Open(_ConnectionPtr& connection, const CString& source);

    _ConnectionPtr m_pConnPDM;
    _ConnectionPtr m_pConnCAPP;
    bool m_bInit = false;
};
