// The environment the system hands the maker's libraries when it is loaded: its settings file, its
// installation folder, the application's connections of the current entry call, and a logon to
// the FTP server of the configuration for the calls that did not open it.
#include "core/InstallPath.h"
#include "core/Settings.h"
#include "core/VqConnectHolder.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ftp/FtpConnection.h"
#include "platform/maker/MakerEnvironment.h"

namespace {

class SystemMakerEnvironment : public vq::MakerEnvironment {
public:
    CString ReadSetting(const char* section, const char* key, const char* def) override {
        return ::ReadSetting(section, key, def);
    }
    bool InstallFilePath(const CString& relative, CString& full) override {
        char buffer[MAX_PATH] = {};
        if (!GetInstallFilePath(relative, buffer))
            return false;
        full = buffer;
        return true;
    }
    _ConnectionPtr EntryConnection(bool processPlanning) override {
        return processPlanning ? theApp.m_pConnCAPP : theApp.m_pConnPDM;
    }
    CFtpConnection* EntryFtpConnection() override { return theApp.m_pFtpConnection; }
    CString EntryFtpRootFolder() override { return theApp.m_strFtpRootDir; }
    // The server, account and logon kind an entry call that opens the FTP server would use; the
    // holder completes the folders below "Vq" as it does for such a call.
    std::unique_ptr<CFtpConnection> OpenFtpConnection() override {
        CVqConnectHolder holder;
        holder.m_bQuiet = true;
        holder.m_nAdoCloseMode = theApp.m_nAdoCloseMode;
        holder.m_nAnonymousFtp = ReadSettingInt("服务器参数配置", "匿名连接", "1");
        if (!holder.ConnectFTP())
            return nullptr;
        std::unique_ptr<CFtpConnection> connection(holder.m_pFtpConnection);
        holder.m_pFtpConnection = nullptr; // the caller owns it now; the holder closes the rest
        return connection;
    }
};

SystemMakerEnvironment environment;
[[maybe_unused]] const bool registered = (vq::SetMakerEnvironment(&environment), true);

} // namespace
