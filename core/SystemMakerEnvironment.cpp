// The environment the system hands the maker's libraries when it is loaded: its settings file, its
// installation folder and the application's connections of the current entry call.
#include "core/InstallPath.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
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
};

SystemMakerEnvironment environment;
[[maybe_unused]] const bool registered = (vq::SetMakerEnvironment(&environment), true);

} // namespace
