// The connections of one entry call: the product database, and for the entry calls that work
// with documents on the file server, the FTP server. The database account and the FTP server
// come from the table Config of the local configuration database "vqdetail.mdb" in the system
// folder; everything else from the settings file. An entry function builds the holder on its
// stack, lends its connections to the application object and calls Disconnect before it
// returns.
#pragma once

#include "platform/base/String.h"
#include "platform/db/Ado.h"

class CFtpConnection;
class CInternetSession;

class CVqConnectHolder {
public:
    CVqConnectHolder();
    // Releases the connection reference and frees the FTP objects the holder still owns.
    virtual ~CVqConnectHolder();
    CVqConnectHolder(const CVqConnectHolder&) = delete;
    CVqConnectHolder& operator=(const CVqConnectHolder&) = delete;

    // Each returns 1 on success and 0 after a message box saying why not.
    int LoadDatabaseConfig();
    int ConnectPDM();
    int Disconnect(); // always 1
    int ConnectFTP();
    int LoadFtpConfig();
    void OpenFtpConnection(); // leaves m_pFtpConnection empty when it cannot connect
    int CloseFTP();           // always 1
    // Opens a product connection again after its session was lost (the server restarted, the
    // network failed), in place: every window and service holding a reference to it then works
    // on the new session. A connection that still answers, or one inside a transaction, is left
    // as it is. 1 when the connection answers afterwards; 0, saying nothing, when it cannot be
    // opened again. Run before a user's next action once a lost connection was reported.
    static int ReopenLostConnection(const _ConnectionPtr& connection);
    // Once a lost product connection was reported (theApp.m_bConnectionLost), or a reopening of
    // it failed, opens theApp.m_pConnPDM again and clears the mark: true when the connection can
    // be used (again, or was never lost). When it cannot, the mark stays and nothing is said.
    static bool ReopenReportedLoss();

    _ConnectionPtr m_pConnection;
    CString m_strFtpCurrentDir = "\\";
    CFtpConnection* m_pFtpConnection = nullptr; // owned
    CString m_strPdmOdbc;
    CString m_strCappOdbc;
    int m_nDatabaseType = 0;
    CString m_strDatabaseName;
    int m_nAdoCloseMode = 0;
    CString m_strPdmDataSource = "vqdetail";
    CString m_strAdoConnect;
    CInternetSession* m_pInternetSession = nullptr; // owned
    CString m_strFtpServer;
    CString m_strFtpUser;
    CString m_strFtpPassword;
    int m_nAnonymousFtp = 1;
    // True: the FTP half says nothing when it fails (for a library that logs on by itself and
    // whose caller reports the failure); the results are the same.
    bool m_bQuiet = false;

private:
    // A message box of the FTP half, unless it is to stay quiet.
    void Tell(const CString& text) const;
    // The last OpenFtpConnection has told why it did not connect (or the person stopped it).
    bool m_bFailureTold = false;
    // The local configuration database and the connection text that opens it.
    static CString LocalDatabasePath();
    static CString LocalConnectionText(const CString& path);
};
