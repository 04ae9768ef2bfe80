// Turns screenshots (VQ_SCREENSHOT_DIR) off while it lives. Taking one lays a dialog out in the
// Qt view, which places the controls its own way; tests of our own geometry run without them.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace vqtest {

class NoScreenshots {
public:
    NoScreenshots() {
        if (const char* dir = std::getenv("VQ_SCREENSHOT_DIR"))
            m_old = dir;
        unsetenv("VQ_SCREENSHOT_DIR");
    }
    ~NoScreenshots() {
        if (m_old)
            setenv("VQ_SCREENSHOT_DIR", m_old->c_str(), 1);
    }
    NoScreenshots(const NoScreenshots&) = delete;
    NoScreenshots& operator=(const NoScreenshots&) = delete;

private:
    std::optional<std::string> m_old;
};

} // namespace vqtest
