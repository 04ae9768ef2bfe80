// Loads a shared library and looks up its symbols (the host's view of the module).
#pragma once

#include <string>

namespace vq {

class SharedLibrary {
public:
    SharedLibrary() = default;
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // When the library's calls into the libraries it needs are bound: all at load (a library from
    // outside that lacks one is refused there), or each at its first call (a program's own library,
    // linked with every symbol resolved, starts without binding the many it never calls).
    enum class Binding { AtLoad, AtFirstCall };

    // Loads the library at path; false with Error() set when it cannot be loaded.
    bool Load(const std::string& path, Binding binding = Binding::AtLoad);
    void* Symbol(const char* name) const;
    const std::string& Error() const { return m_error; }
    bool IsLoaded() const { return m_handle != nullptr; }

private:
    void* m_handle = nullptr;
    std::string m_error;
};

} // namespace vq
