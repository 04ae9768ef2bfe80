#include "platform/maker/CodingManager.h"

#include "platform/maker/MakerEnvironment.h"
#include "platform/os/SharedLibrary.h"

#include <memory>

namespace vq {
namespace {

using NewCodeFunction = void (*)(CString*);

// The library named in the settings file, loaded at the first use of each call (the settings
// are read at the point of use, so a changed key takes effect at once).
class ConfiguredCodingManager : public CodingManager {
public:
    bool IsLoaded() override { return Load(); }
    bool HasVersionExport() override {
        return Load() && m_library->Symbol("RizOzaREVaruvoVoziru") != nullptr;
    }
    void NewCode(CString& code) override {
        code.Empty();
        if (!Load())
            return;
        auto function = reinterpret_cast<NewCodeFunction>(m_library->Symbol("VqpdmcodNewCode"));
        if (function)
            function(&code);
    }

private:
    bool Load() {
        CString path = ActiveMakerEnvironment().ReadSetting("编码管理", "编码库文件", "");
        path.Trim();
        if (path.IsEmpty()) {
            m_library.reset();
            m_path.Empty();
            return false;
        }
        if (path[0] != '/') {
            CString full;
            if (!ActiveMakerEnvironment().InstallFilePath(path, full))
                return false;
            path = full;
        }
        if (m_library && m_path == path)
            return true;
        auto library = std::make_unique<SharedLibrary>();
        if (!library->Load(path.str())) {
            m_library.reset();
            m_path.Empty();
            return false;
        }
        m_library = std::move(library);
        m_path = path;
        return true;
    }

    std::unique_ptr<SharedLibrary> m_library;
    CString m_path;
};

CodingManager*& Override() {
    static CodingManager* manager = nullptr;
    return manager;
}

} // namespace

CodingManager& ActiveCodingManager() {
    static ConfiguredCodingManager configured;
    return Override() ? *Override() : configured;
}

CodingManager* SetCodingManager(CodingManager* manager) {
    CodingManager* old = Override();
    Override() = manager;
    return old;
}

} // namespace vq
