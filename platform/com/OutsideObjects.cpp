#include "platform/com/OutsideObjects.h"

#include <map>
#include <mutex>

namespace vq {
namespace {

std::mutex& RegistryMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<std::string, OutsideObjectFactory>& Registry() {
    static std::map<std::string, OutsideObjectFactory> registry;
    return registry;
}

std::string Key(const CString& name) {
    CString key = name;
    key.MakeLower();
    return key.str();
}

} // namespace

OutsideObjectFactory RegisterOutsideObject(const CString& name, OutsideObjectFactory factory) {
    std::lock_guard<std::mutex> lock(RegistryMutex());
    auto& registry = Registry();
    const std::string key = Key(name);
    OutsideObjectFactory previous;
    auto found = registry.find(key);
    if (found != registry.end()) {
        previous = std::move(found->second);
        registry.erase(found);
    }
    if (factory)
        registry.emplace(key, std::move(factory));
    return previous;
}

std::unique_ptr<OutsideObject> CreateOutsideObject(const CString& name) {
    OutsideObjectFactory factory;
    {
        std::lock_guard<std::mutex> lock(RegistryMutex());
        auto found = Registry().find(Key(name));
        if (found == Registry().end())
            return nullptr;
        factory = found->second;
    }
    return factory();
}

} // namespace vq
