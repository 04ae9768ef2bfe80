#include "platform/maker/MakerEnvironment.h"

#include "platform/ftp/FtpConnection.h"

namespace vq {
namespace {

class NoEnvironment : public MakerEnvironment {
public:
    CString ReadSetting(const char*, const char*, const char* def) override { return def ? def : ""; }
    bool InstallFilePath(const CString&, CString&) override { return false; }
    _ConnectionPtr EntryConnection(bool) override { return _ConnectionPtr(); }
    CFtpConnection* EntryFtpConnection() override { return nullptr; }
    CString EntryFtpRootFolder() override { return CString(); }
};

MakerEnvironment*& Current() {
    static MakerEnvironment* current = nullptr;
    return current;
}

} // namespace

std::unique_ptr<CFtpConnection> MakerEnvironment::OpenFtpConnection() {
    return nullptr;
}

MakerEnvironment& ActiveMakerEnvironment() {
    static NoEnvironment none;
    return Current() ? *Current() : none;
}

MakerEnvironment* SetMakerEnvironment(MakerEnvironment* environment) {
    MakerEnvironment* old = Current();
    Current() = environment;
    return old;
}

} // namespace vq
