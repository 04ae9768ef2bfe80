#include "platform/os/SharedLibrary.h"

#include <dlfcn.h>

namespace vq {

SharedLibrary::~SharedLibrary() {
    if (m_handle)
        dlclose(m_handle);
}

bool SharedLibrary::Load(const std::string& path, Binding binding) {
    m_handle = dlopen(path.c_str(), (binding == Binding::AtLoad ? RTLD_NOW : RTLD_LAZY) | RTLD_GLOBAL);
    if (!m_handle) {
        const char* err = dlerror();
        m_error = err ? err : "cannot load " + path;
        return false;
    }
    return true;
}

void* SharedLibrary::Symbol(const char* name) const {
    return m_handle ? dlsym(m_handle, name) : nullptr;
}

} // namespace vq
