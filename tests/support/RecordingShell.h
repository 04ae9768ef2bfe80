// A shell that records the files it is asked to open instead of opening them, installed for its
// lifetime.
#pragma once

#include "platform/base/String.h"
#include "platform/os/ShellOpen.h"

#include <vector>

namespace vqtest {

class RecordingShell : public vq::ShellOpener {
public:
    RecordingShell() { m_previous = vq::SetShellOpener(this); }
    ~RecordingShell() override { vq::SetShellOpener(m_previous); }
    bool OpenFile(const CString& path) override {
        opened.push_back(path);
        return true;
    }
    bool StartProgram(const CString&, const std::vector<CString>&) override { return true; }
    std::vector<CString> opened;

private:
    vq::ShellOpener* m_previous = nullptr;
};

} // namespace vqtest
