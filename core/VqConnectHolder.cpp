#include "core/VqConnectHolder.h"
#include "core/ComError.h"
#include "core/FileInfo.h"
#include "core/ProductSchema.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/Folders.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/ftp/FtpConnection.h"
#include "platform/ftp/InternetSession.h"
#include "platform/ui/Wnd.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// The FTP folders below "Vq" that documents are stored in.
const char* const kVqFolders[] = {"Auditing", "Proven", "Working"};

// What to check when the FTP server cannot be used.
const char* const kCheckServer = "请检查服务器是否正确安装,或网络是否正常工作?";

// What to tell the user when the Config table of the local configuration database cannot be
// read: the file may be empty, another kind of file, locked, or of an older version.
CString ConfigReadFailureText(const _com_error& e, const CString& path) {
    switch (ClassifyDbError(e)) {
    case DbFailure::NotADatabase:
        return "文件: " + path + " 不是配置数据库，或已损坏!";
    case DbFailure::Busy:
    case DbFailure::ConnectionLost:
        return DbFailureText(ClassifyDbError(e));
    case DbFailure::CannotOpen:
        return "不能正常连接配置数据库...";
    case DbFailure::Other:
    case DbFailure::ReadOnly:
    case DbFailure::SchemaMismatch:
    case DbFailure::ValueTooLong:
    case DbFailure::DiskFull:
    case DbFailure::DiskError:
    case DbFailure::NoPermission:
        break;
    }
    if (e.Description().Find("no such table") >= 0)
        return "文件: " + path + " 中没有配置信息，文件是空的或不完整!";
    return "需要更新文件vqdetail.mdb的版本...";
}

// Whether a folder (a path relative to the current folder) is on the server, looked for in a
// fresh listing of its parent. A listing that cannot be had (its data connection fails) proves
// nothing: the folder is then entered by name, on the control connection, and left again.
bool FolderOnServer(CFtpConnection* ftp, const CString& path) {
    const int slash = path.ReverseFind('/');
    const CString name = path.Mid(slash + 1);
    std::vector<FtpDirEntry> entries;
    if (ftp->ListDirectory(slash < 0 ? CString() : path.Left(slash), entries))
        return std::any_of(entries.begin(), entries.end(),
                           [&name](const FtpDirEntry& e) { return e.name == name; });
    if (ftp->GetLastFailure() == vq::FetchFailure::Cancelled)
        return false;
    CString current;
    ftp->GetCurrentDirectory(current);
    if (!ftp->SetCurrentDirectory(path))
        return false;
    ftp->SetCurrentDirectory(current);
    return true;
}

// Closes a recordset before it is released when the close mode asks for it.
void CloseIfAsked(_RecordsetPtr& recordset, int closeMode) {
    if (closeMode && recordset && recordset->GetState() == adStateOpen)
        recordset->Close();
}

} // namespace

CVqConnectHolder::CVqConnectHolder() = default;

void CVqConnectHolder::Tell(const CString& text) const {
    if (!m_bQuiet)
        AfxMessageBox(text);
}

CVqConnectHolder::~CVqConnectHolder() {
    CloseFTP();
}

CString CVqConnectHolder::LocalDatabasePath() {
    CString path;
    path.Format("%s/vqdetail.mdb", vq::SystemFolder());
    return path;
}

CString CVqConnectHolder::LocalConnectionText(const CString& path) {
    CString text;
    text.Format("DRIVER={Microsoft Access Driver (*.mdb)};DBQ=%s;UID=sa;PWD=", path);
    return text + "tbq472830615";
}

int CVqConnectHolder::LoadDatabaseConfig() {
    CString localPath = LocalDatabasePath();

    m_nDatabaseType = ReadSettingInt("数据库配置", "数据库类型", "0");
    if (m_nDatabaseType < 0 || m_nDatabaseType > 4)
        m_nDatabaseType = 0;
    m_strDatabaseName = ReadSetting("数据库配置", "数据库名称", "vqpdm");
    m_strPdmDataSource = ReadSetting("服务器参数配置", "PDM数据源", "vqdetail");
    m_nAdoCloseMode = ReadSettingInt("数据库配置", "ADO关闭方式", "0");
    CString cappDataSource = ReadSetting("VQCAPP配置", "数据源名称", "VQPCAPP");
    m_nAnonymousFtp = ReadSettingInt("服务器参数配置", "匿名连接", "1");

    if (!CFileInfo(localPath).Exists()) {
        AfxMessageBox("文件: " + localPath + " 不存在!");
        return 0;
    }

    _ConnectionPtr local;
    try {
        local.CreateInstance();
        local->Open(LocalConnectionText(localPath), "", "", adConnectUnspecified);
    } catch (_com_error& e) {
        ReportComError(e);
        AfxMessageBox(ClassifyDbError(e) == DbFailure::NotADatabase ? ConfigReadFailureText(e, localPath)
                                                                    : CString("不能正常连接配置数据库..."));
        return 0;
    }

    CString user, password;
    bool hasRow = false;
    try {
        _RecordsetPtr recordset;
        recordset.CreateInstance();
        recordset->Open("SELECT PdmUser,Password FROM Config", local, adOpenForwardOnly, adLockReadOnly,
                        adCmdText);
        if (!recordset->IsEOF()) {
            hasRow = true;
            user = VariantToString(recordset->GetCollect(0L));
            password = VariantToString(recordset->GetCollect(1L));
        }
        CloseIfAsked(recordset, m_nAdoCloseMode);
    } catch (_com_error& e) {
        ReportComError(e);
        AfxMessageBox(ConfigReadFailureText(e, localPath));
        return 0;
    }

    if (user.IsEmpty())
        user = "sa";
    if (!hasRow) {
        AfxMessageBox("未配置服务器、数据库信息...");
        return 0;
    }

    // No blanks after the separators (some drivers then ignore the keys), and values quoted
    // where they hold a separator or a brace.
    user = OdbcConnectionValue(user);
    password = OdbcConnectionValue(password);
    m_strAdoConnect.Format("DSN=%s;UID=%s;PWD=%s", OdbcConnectionValue(m_strPdmDataSource), user, password);
    switch (m_nDatabaseType) {
    case 1:
        m_strPdmOdbc.Format("ODBC;DSN=%s;SRVR=%s;DB=vqdetail;UID=%s;PWD=%s", m_strPdmDataSource,
                            m_strDatabaseName, user, password);
        m_strCappOdbc.Format("ODBC;DSN=%s;SRVR=%s;DB=VQCAPP;UID=%s;PWD=%s", cappDataSource, m_strDatabaseName,
                             user, password);
        break;
    case 2:
    case 3:
    case 4:
        m_strPdmOdbc.Format("ODBC;DSN=%s;UID=%s;PWD=%s", m_strPdmDataSource, user, password);
        m_strCappOdbc.Format("ODBC;DSN=%s;UID=%s;PWD=%s", cappDataSource, user, password);
        break;
    default:
        m_strPdmOdbc.Format("ODBC;DATABASE=VQDETAIL;UID=%s;PWD=%s;DSN=%s;", user, password,
                            m_strPdmDataSource);
        m_strCappOdbc.Format("ODBC;DATABASE=VQCAPP;UID=%s;PWD=%s;DSN=%s;", user, password, cappDataSource);
        break;
    }
    m_strPdmOdbc.TrimRight();
    m_strCappOdbc.TrimRight();

    try {
        local->Close();
    } catch (_com_error&) {
        // The settings are read; a failing close of the local file changes nothing.
    }
    return 1;
}

int CVqConnectHolder::ConnectPDM() {
    CWaitCursor wait;
    if (!LoadDatabaseConfig())
        return 0;
    m_pConnection = nullptr;
    try {
        _ConnectionPtr connection;
        connection.CreateInstance();
        connection->Open(m_strAdoConnect, "", "", adConnectUnspecified);
        m_pConnection = connection;
    } catch (_com_error& e) {
        ReportComError(e);
        AfxMessageBox("不能正常连接网络产品数据库...");
        return 0;
    }
    SayWhenProductSchemaIsOld(m_pConnection);
    return 1;
}

int CVqConnectHolder::ReopenLostConnection(const _ConnectionPtr& connection) {
    // A transaction that met the lost session is still to be rolled back by its owner.
    if (!connection || connection->InTransaction())
        return 0;
    try {
        connection->Execute("SELECT 1", nullptr, adCmdText);
        return 1;
    } catch (_com_error& e) {
        // A server that answers with an error of its own still has the session.
        if (!IsConnectionLost(e))
            return 1;
    }
    CWaitCursor wait;
    try {
        // A connection that cannot be opened stays lost: its next use says so.
        connection->Reopen();
    } catch (_com_error&) {
        return 0;
    }
    return 1;
}

bool CVqConnectHolder::ReopenReportedLoss() {
    const _ConnectionPtr& connection = theApp.m_pConnPDM;
    if (!theApp.m_bConnectionLost && !(connection && connection->IsLost()))
        return true;
    if (!ReopenLostConnection(connection))
        return false;
    theApp.m_bConnectionLost = FALSE;
    return true;
}

namespace {

// Once a lost product connection was reported, the user's next action in any window (a button or
// a menu command, a double or right click) first opens it again: the action that met the lost
// session has said so and stopped, and the next one works on a new session. When the server is
// still away, the action is told once more that the connection is lost (by its first statement,
// in the system's words). Closing a window does not reopen: a loop that stops on the lost
// connection may still be running under a progress window's Cancel button.
bool ReopenBeforeUserAction(CWnd*, UINT message, WPARAM wParam, LPARAM lParam, LRESULT*) {
    if (!theApp.m_bConnectionLost && !(theApp.m_pConnPDM && theApp.m_pConnPDM->IsLost()))
        return false;
    bool action = false;
    if (message == WM_COMMAND) {
        action = HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) != IDCANCEL;
    } else if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        action = header && (header->code == NM_DBLCLK || header->code == NM_RCLICK);
    }
    if (action && !CVqConnectHolder::ReopenReportedLoss())
        theApp.m_bConnectionLost = FALSE;
    return false;
}

[[maybe_unused]] const bool kReopenHookInstalled = (vq::AddWindowProcHook(&ReopenBeforeUserAction), true);

} // namespace

int CVqConnectHolder::Disconnect() {
    if (m_pConnection) {
        try {
            m_pConnection->Close();
        } catch (_com_error&) {
            // A connection that is already gone needs no closing.
        }
        m_pConnection = nullptr;
    }
    CloseFTP();
    return 1;
}

int CVqConnectHolder::ConnectFTP() {
    if (!LoadFtpConfig()) {
        Tell("软件没有正确安装，请与软件供应商联系!");
        return 0;
    }
    CloseFTP();
    try {
        m_pInternetSession = new CInternetSession("VQQENT", 1, PRE_CONFIG_INTERNET_ACCESS, nullptr, nullptr,
                                                  INTERNET_FLAG_DONT_CACHE);
    } catch (CInternetException& e) {
        // The session fails only when the FTP transfer library cannot be loaded: the text names
        // the library and the loader's reason.
        m_pInternetSession = nullptr;
        Tell("请检查网络是否正常工作?\n" + e.ErrorText());
        return 0;
    }
    OpenFtpConnection();
    if (!m_pFtpConnection) {
        // A failure that OpenFtpConnection has told (in one box with this advice where it applies),
        // and a logon the person stopped, are not told again.
        if (!m_bFailureTold)
            Tell(kCheckServer);
        return 0;
    }
    return 1;
}

int CVqConnectHolder::LoadFtpConfig() {
    CString localPath = LocalDatabasePath();
    if (!CFileInfo(localPath).Exists()) {
        Tell("文件: " + localPath + " 不存在!");
        return 0;
    }
    bool hasRow = false;
    try {
        _RecordsetPtr recordset;
        recordset.CreateInstance();
        recordset->Open("SELECT DomainName, FtpUser, FtpPwd FROM Config", LocalConnectionText(localPath),
                        adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!recordset->IsEOF()) {
            hasRow = true;
            m_strFtpServer = VariantToString(recordset->GetCollect(0L));
            m_strFtpUser = VariantToString(recordset->GetCollect(1L));
            m_strFtpPassword = VariantToString(recordset->GetCollect(2L));
        }
        CloseIfAsked(recordset, m_nAdoCloseMode);
    } catch (_com_error& e) {
        if (!m_bQuiet)
            ReportComError(e);
        Tell(ConfigReadFailureText(e, localPath));
        return 0;
    }
    if (!hasRow) {
        Tell("未配置服务器、数据库信息...");
        return 0;
    }
    return 1;
}

void CVqConnectHolder::OpenFtpConnection() {
    delete m_pFtpConnection;
    m_pFtpConnection = nullptr;
    m_bFailureTold = false;
    if (!m_pInternetSession)
        return;

    DWORD serviceType = 0;
    CString server, object;
    INTERNET_PORT port = 0;
    if (!AfxParseURL(m_strFtpServer, serviceType, server, object, port) &&
        !AfxParseURL("ftp://" + m_strFtpServer, serviceType, server, object, port)) {
        Tell(CString("服务器名称不符!\n") + kCheckServer);
        m_bFailureTold = true;
        return;
    }

    CWaitCursor wait;
    if (serviceType == AFX_INET_SERVICE_FTP && !server.IsEmpty()) {
        try {
            // The port written in the server's address counts for both kinds of logon.
            if (m_nAnonymousFtp)
                m_pFtpConnection =
                    m_pInternetSession->GetFtpConnection(server, nullptr, nullptr, port, FALSE);
            else
                m_pFtpConnection =
                    m_pInternetSession->GetFtpConnection(server, m_strFtpUser, m_strFtpPassword, port, FALSE);
        } catch (CInternetException& e) {
            m_pFtpConnection = nullptr;
            m_bFailureTold = true;
            // The person stopped waiting for the server: nothing to tell. A refused logon, or a
            // server that takes no more sessions, is told in words with the server's line: neither
            // the server's installation nor the network is at fault. Any other failure (refused,
            // no answer in time, an unknown name) is told with what to check, in the same box.
            if (e.m_dwError != ERROR_INTERNET_OPERATION_CANCELLED) {
                char text[1024];
                e.GetErrorMessage(text, sizeof text);
                const bool refused =
                    e.m_dwError == ERROR_INTERNET_LOGIN_FAILURE || e.m_dwError == ERROR_INTERNET_SERVER_BUSY;
                Tell(refused ? CString(text) : CString(text) + "\n" + kCheckServer);
            }
        }
    }
    if (!m_pFtpConnection)
        return;

    // The person may stop waiting for a slow server while the folders are looked at or made: the
    // connection then goes, and nothing more is made or said.
    const auto stopped = [this] {
        if (m_pFtpConnection->GetLastFailure() != vq::FetchFailure::Cancelled)
            return false;
        delete m_pFtpConnection;
        m_pFtpConnection = nullptr;
        m_bFailureTold = true;
        return true;
    };
    m_pFtpConnection->GetCurrentDirectory(m_strFtpCurrentDir);
    if (!FolderOnServer(m_pFtpConnection, "Vq")) {
        if (stopped())
            return;
        m_pFtpConnection->CreateDirectory("Vq");
        if (stopped())
            return;
        m_pFtpConnection->SetCurrentDirectory("Vq");
        if (stopped())
            return;
        for (const char* folder : kVqFolders) {
            m_pFtpConnection->CreateDirectory(folder);
            if (stopped())
                return;
        }
        return;
    }
    // "Vq" is there: complete the folders below it that documents are stored in.
    for (const char* folder : kVqFolders) {
        CString path = CString("Vq/") + folder;
        if (FolderOnServer(m_pFtpConnection, path))
            continue;
        if (stopped())
            return;
        m_pFtpConnection->CreateDirectory(path);
        if (stopped())
            return;
    }
}

int CVqConnectHolder::CloseFTP() {
    if (m_pFtpConnection) {
        m_pFtpConnection->Close();
        delete m_pFtpConnection;
        m_pFtpConnection = nullptr;
    }
    if (m_pInternetSession) {
        m_pInternetSession->Close();
        delete m_pInternetSession;
        m_pInternetSession = nullptr;
    }
    return 1;
}
