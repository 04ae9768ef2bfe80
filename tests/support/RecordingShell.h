// A shell that records the files it is asked to open instead of opening them, and what each held
// then (a review's copies go with its window), installed for its lifetime.
#pragma once

#include "platform/base/String.h"
#include "platform/os/ShellOpen.h"

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vqtest {

class RecordingShell : public vq::ShellOpener {
public:
    RecordingShell() { m_previous = vq::SetShellOpener(this); }
    ~RecordingShell() override { vq::SetShellOpener(m_previous); }
    bool OpenFile(const CString& path) override {
        opened.push_back(path);
        std::ifstream in(path.str(), std::ios::binary);
        openedBytes.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return true;
    }
    bool StartProgram(const CString&, const std::vector<CString>&) override { return true; }
    std::vector<CString> opened;
    std::vector<std::string> openedBytes; // beside opened: the file's bytes as it was opened

private:
    vq::ShellOpener* m_previous = nullptr;
};

} // namespace vqtest
