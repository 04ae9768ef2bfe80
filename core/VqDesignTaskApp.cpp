#include "core/VqDesignTaskApp.h"

#include "core/InstallPath.h"
#include "core/Settings.h"
#include "platform/base/TextCodec.h"
#include "platform/maker/DBConnect.h"
#include "platform/os/HostAddress.h"

#include <cstdlib>

CVqDesignTaskApp theApp;

namespace {

// The login account passes through 100-byte buffers of the settings file's code page: at most
// 99 bytes there, cut before a character that would not fit whole.
CString LimitAccount(const CString& account) {
    const std::string& text = account.str();
    std::size_t bytes = 0, i = 0;
    while (i < text.size()) {
        auto lead = static_cast<unsigned char>(text[i]);
        std::size_t len = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        len = std::min(len, text.size() - i);
        std::size_t encoded = vq::Utf8ToGbk(std::string_view(text).substr(i, len)).size();
        if (bytes + encoded > 99)
            break;
        bytes += encoded;
        i += len;
    }
    return CString(text.substr(0, i));
}

} // namespace

CVqDesignTaskApp::CVqDesignTaskApp()
    : m_strFtpRootDir("\\"), m_pFtpConnection(nullptr), m_pDBConnect(nullptr), m_bOwnDBConnect(FALSE),
      m_nAdoCloseMode(0), m_nDatabaseType(0), m_nUseChangeTask(0), m_nSolidEdge(0), m_nAutoView(0),
      m_nDocStorageMode(0) {
    LoadSettings();
    m_pDBConnect = nullptr;
    m_bOwnDBConnect = FALSE;
    InitInstance();
}

CVqDesignTaskApp::~CVqDesignTaskApp() {
    ExitInstance();
}

BOOL CVqDesignTaskApp::InitInstance() {
    // Nothing to start: the automation and control hosting the design relies on has no
    // counterpart here.
    return TRUE;
}

int CVqDesignTaskApp::ExitInstance() {
    // Connections are released before the connection object that may own them goes.
    m_pConnPDM = nullptr;
    m_pConnCAPP = nullptr;
    if (m_bOwnDBConnect && m_pDBConnect) {
        m_pDBConnect->CloseAll();
        delete m_pDBConnect;
        m_pDBConnect = nullptr;
        m_bOwnDBConnect = FALSE;
    }
    return 0;
}

void CVqDesignTaskApp::LoadSettings() {
    // The library is loaded before a host may have set up its installation (a test program
    // makes its workspace later), and before anybody could answer a box: an installation that is
    // missing or broken, or a settings file that cannot be read, leaves the defaults without a
    // word here. The entry call says it once (and a host that runs without a person asks
    // VqHostInstallationFault first).
    const bool named = InstallationNamed() && SettingsFault().IsEmpty();
    auto setting = [named](LPCTSTR section, LPCTSTR key, LPCTSTR def) {
        return named ? ReadSettingInt(section, key, def) : std::atoi(def);
    };
    m_nSolidEdge = setting("浏览器配置", "SOLIDEDGE", "0");
    m_nAutoView = setting("浏览器配置", "使用AutoView浏览DWG", "1");
    m_nAdoCloseMode = setting("数据库配置", "ADO关闭方式", "0");
    m_nDatabaseType = setting("数据库配置", "数据库类型", "0");
    m_nUseChangeTask = setting("更改管理配置", "使用更改任务管理图样更改工作", "0");
    // The storage mode takes effect as configured: the Parts that store design documents keep
    // their branches for 0, 1 and 2.
    m_nDocStorageMode = setting("图纸入库配置", "设计过程电子文档存储方式", "0");
    m_strHostIP = vq::LocalHostAddress();
}

void CVqDesignTaskApp::LoadLoginUser() {
    m_strLoginUser = ReadSetting("公共管理功能", "当前登陆用户帐号", "admin");
}

void SetCurrentLoginUser(CString account) {
    CString limited = LimitAccount(account);
    BOOL written = WriteSetting("公共管理功能", "当前登陆用户帐号", limited);
    theApp.LoadLoginUser();
    // When the settings file cannot be written, the account read back would be the previous
    // call's or the default "admin", which has every right: keep the caller's account instead.
    if (!written)
        theApp.m_strLoginUser = limited;
}

void CVqDesignTaskApp::RefreshUserName() {
    if (m_pConnPDM)
        m_strUserName = GetUserNameByLogName(m_strLoginUser);
}

BOOL CVqDesignTaskApp::ConnectDatabase() {
    int capp = ReadSettingInt("VQCAPP配置", "有无VQCAPP", "0");
    if (m_pConnPDM)
        return TRUE;
    m_pDBConnect = CVQDBConnect::GetCurDBConnect();
    if (!m_pDBConnect) {
        auto* connect = new CVQDBConnect();
        m_pDBConnect = connect;
        m_bOwnDBConnect = TRUE;
        if (!connect->Init() || !connect->ConnectPDM() || (capp > 0 && !connect->ConnectCAPP())) {
            delete connect;
            m_pDBConnect = nullptr;
            m_bOwnDBConnect = FALSE;
            return FALSE;
        }
    }
    m_pConnPDM = m_pDBConnect->GetPtrPDM();
    if (capp > 0)
        m_pConnCAPP = m_pDBConnect->GetPtrCAPP();
    CVQDBConnect::SetCurDBConnect(m_pDBConnect);
    return TRUE;
}

void CVqDesignTaskApp::AddUniqueFile(LPCTSTR path) {
    CString text(path);
    for (int i = 0; i < m_arrDownloadFiles.GetSize(); ++i)
        if (m_arrDownloadFiles[i].CompareNoCase(text) == 0)
            return;
    m_arrDownloadFiles.Add(text);
}
