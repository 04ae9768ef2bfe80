#include "platform/com/DocViewer.h"

#include "platform/base/Folders.h"
#include "platform/base/Profile.h"
#include "platform/os/ShellOpen.h"

#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <vector>

namespace vq {
namespace {

const char* const kSection = "文档浏览程序";

// The value cut into program and arguments: blanks separate, double quotes group.
std::vector<CString> SplitCommand(const CString& command) {
    std::vector<CString> parts;
    std::string current;
    bool quoted = false, any = false;
    for (char ch : command.str()) {
        if (ch == '"') {
            quoted = !quoted;
            any = true;
        } else if ((ch == ' ' || ch == '\t') && !quoted) {
            if (any || !current.empty())
                parts.emplace_back(current);
            current.clear();
            any = false;
        } else {
            current += ch;
        }
    }
    if (any || !current.empty())
        parts.emplace_back(current);
    return parts;
}

// The program configured for the file's type, or for every type; empty when there is none.
CString ProgramFor(const CString& config, const CString& path) {
    const CString native = NativePath(path);
    const CString name = native.Mid(native.ReverseFind('/') + 1);
    const int dot = name.ReverseFind('.');
    CString command;
    if (dot >= 0 && dot + 1 < name.GetLength())
        command = ReadProfileString(kSection, name.Mid(dot + 1), "", config);
    if (command.Trim().IsEmpty())
        command = ReadProfileString(kSection, "*", "", config);
    return command.Trim();
}

class ConfiguredViewer : public DocumentViewer {
public:
    explicit ConfiguredViewer(CString config) : m_config(std::move(config)) {}

    bool OpenFile(const CString& path) override {
        const CString native = NativePath(path);
        struct stat st;
        if (native.IsEmpty() || ::stat(native.c_str(), &st) != 0)
            return false;
        std::vector<CString> parts = SplitCommand(ProgramFor(m_config, native));
        if (parts.empty())
            return false;
        const CString program = parts.front();
        parts.erase(parts.begin());
        parts.push_back(native);
        return StartProgram(program, parts);
    }
    // The programs started here keep no view cache of ours.
    void SetViewCacheMode(bool) override {}
    void ResetViewCache() override {}
    void SetCachedFileName(const CString&) override {}

private:
    CString m_config;
};

DocumentViewerFactory& Factory() {
    static DocumentViewerFactory factory;
    return factory;
}

} // namespace

CString DocumentViewerConfigPath() {
    const CString folder = WindowsFolder();
    return folder.IsEmpty() ? CString() : NativePath(folder + "/vqviewer.ini");
}

std::unique_ptr<DocumentViewer> CreateDocumentViewer(const CString& path) {
    if (Factory())
        return Factory()(path);
    const CString config = DocumentViewerConfigPath();
    if (config.IsEmpty() || ProgramFor(config, path).IsEmpty())
        return nullptr;
    return std::make_unique<ConfiguredViewer>(config);
}

DocumentViewerFactory SetDocumentViewerFactory(DocumentViewerFactory factory) {
    DocumentViewerFactory old = std::move(Factory());
    Factory() = std::move(factory);
    return old;
}

bool SetFileTimes(const CString& path, const CTime& time) {
    const CString native = NativePath(path);
    struct utimbuf times;
    times.actime = time.GetTime();
    times.modtime = time.GetTime();
    return ::utime(native.c_str(), &times) == 0;
}

CString HostProgramFileName() {
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return CString();
    const CString path(buffer, static_cast<int>(n));
    return path.Mid(path.ReverseFind('/') + 1);
}

} // namespace vq
