// CVqDesignTaskApp: the library's one application object, theApp. It lives from the loading of
// the library to its unloading: the switches read from the settings file at load, the machine's
// address, the login account of the latest entry call, the connections the current entry call
// lends it, and the files fetched while the library is loaded. Its SQL services run on the
// lent product connection m_pConnPDM and show their failures themselves.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"
#include "platform/db/Ado.h"

class CFtpConnection;
class CVQDBConnect;

class CVqDesignTaskApp {
public:
    CVqDesignTaskApp();
    ~CVqDesignTaskApp();
    CVqDesignTaskApp(const CVqDesignTaskApp&) = delete;
    CVqDesignTaskApp& operator=(const CVqDesignTaskApp&) = delete;

    // Start and end of the application; run by the constructor and the destructor of theApp.
    BOOL InitInstance();
    int ExitInstance();

    // Reads the switches of the settings file and the machine's address.
    void LoadSettings();
    // Reads the current login account from the settings file (default "admin").
    void LoadLoginUser();
    // Fills m_strUserName with the full name of the login account; needs the lent connection.
    void RefreshUserName();
    // Makes sure m_pConnPDM (and, when configured, m_pConnCAPP) is set through the maker's
    // connection object.
    BOOL ConnectDatabase();
    // Records a fetched file once (paths compared without regard to case).
    void AddUniqueFile(LPCTSTR path);

    // SQL services.
    int GetSqlInt(CString sql);
    CString GetSqlString(CString sql);
    int ExecuteSql(CString sql);
    // Shows a failed statement as ExecuteSql does: the error, then the statement (or, for a lost
    // connection and the like, what happened). For callers that run a statement themselves to
    // look at its failure first.
    void ReportSqlError(const _com_error& e, const CString& sql);
    CString GetServerDateTime();
    CString GetServerDate();
    CString GetUserNameByLogName(CString loginName);
    // Passes a notice to the message server when the settings ask for it.
    void NotifyMessageServer(CString text1, CString text2);
    // The latest result document of each drawing page of a part, as a SQL list of quoted file
    // ids ('0012','0015'); "''" when there is none, so that "IN (%s)" stays valid.
    CString GetPartResultFiles(CString partCode);

    // Members in declaration order.
    CString m_strFtpRootDir;          // the FTP folder made current before descending into "Vq"
    CFtpConnection* m_pFtpConnection; // the current entry call's FTP connection; not owned
    CVQDBConnect* m_pDBConnect;       // the maker's connection object, used by ConnectDatabase
    BOOL m_bOwnDBConnect;             // m_pDBConnect was created here and is closed at exit
    _ConnectionPtr m_pConnPDM;        // the product database connection of the current call
    _ConnectionPtr m_pConnCAPP;       // the process-planning database connection
    int m_nAdoCloseMode;              // non-zero: recordsets are closed before release
    int m_nDatabaseType;              // 2: Oracle dialect; other values: SQL Server dialect
    CString m_strHostIP;              // the machine's address, or empty
    CString m_strLoginUser;           // the current login account
    CString m_strUserName;            // the current user's full name
    CStringArray m_arrDownloadFiles;  // files fetched while the library is loaded
    int m_nUseChangeTask;             // [更改管理配置] "使用更改任务管理图样更改工作"
    int m_nSolidEdge;                 // [浏览器配置] "SOLIDEDGE"
    int m_nAutoView;                  // [浏览器配置] "使用AutoView浏览DWG"
    int m_nDocStorageMode; // [图纸入库配置] "设计过程电子文档存储方式": 0, 1 or 2
    // Set by the SQL services when a statement failed because the connection to the product
    // database is lost; cleared when an entry call lends a connection. Loops that run many
    // statements stop on it instead of failing once per row.
    BOOL m_bConnectionLost = FALSE;
};

extern CVqDesignTaskApp theApp;

// Writes the login account to the settings file and makes the application object read it back.
void SetCurrentLoginUser(CString account);
