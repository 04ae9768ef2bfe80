#include "core/Settings.h"

#include "core/InstallPath.h"
#include "platform/base/Folders.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Profile.h"
#include "platform/base/TextCodec.h"

#include <climits>
#include <mutex>
#include <string>

namespace {

struct KeptPath {
    std::mutex mutex;
    int scopes = 0;
    CString path; // found during the scopes; empty until then
};
KeptPath& Kept() {
    static auto* kept = new KeptPath; // settings may be read while the process ends
    return *kept;
}

} // namespace

CSettingsCallScope::CSettingsCallScope() {
    std::lock_guard<std::mutex> lock(Kept().mutex);
    ++Kept().scopes;
}

CSettingsCallScope::~CSettingsCallScope() {
    std::lock_guard<std::mutex> lock(Kept().mutex);
    if (--Kept().scopes == 0)
        Kept().path.Empty();
}

CString GetSettingsFilePath() {
    KeptPath& kept = Kept();
    {
        std::lock_guard<std::mutex> lock(kept.mutex);
        if (kept.scopes > 0 && !kept.path.IsEmpty())
            return kept.path;
    }
    char path[MAX_PATH];
    if (!GetInstallFilePath("qent\\spt\\vqpdmcad.ini", path))
        return CString();
    std::lock_guard<std::mutex> lock(kept.mutex);
    if (kept.scopes > 0)
        kept.path = path;
    return CString(path);
}

CString SettingsFault() {
    CString folder;
    CString fault = InstallationFault(&folder);
    if (!fault.IsEmpty() || folder.IsEmpty())
        return fault;
    const CString path = vq::NativePath(folder + "/qent/spt/vqpdmcad.ini");
    const CString encoding = vq::ProfileEncodingFault(path);
    if (encoding.IsEmpty())
        return CString();
    CString text;
    text.Format("配置文件 %s 不是代码页936(GBK)文本: %s。\n"
                "它的设置读不出来，也不会写入它；请把它另存为GBK编码的文本。",
                path, encoding);
    return text;
}

bool SaidSettingsFault() {
    const CString fault = SettingsFault();
    if (fault.IsEmpty())
        return false;
    vq::ShowMessageBox("错误信息", fault, MB_OK);
    return true;
}

extern "C" const char* VqHostInstallationFault() {
    static std::string text; // the host reads it before its next call
    text = SettingsFault().str();
    return text.c_str();
}

CString ReadSetting(LPCTSTR section, LPCTSTR key, LPCTSTR def) {
    CString path = GetSettingsFilePath();
    CString value = path.IsEmpty() ? CString(def) : vq::ReadProfileString(section, key, def, path);
    return CString(vq::TruncateToGbkBytes(value.str(), 99));
}

int ReadSettingInt(LPCTSTR section, LPCTSTR key, LPCTSTR def) {
    CString text = ReadSetting(section, key, def);
    const char* p = text.c_str();
    while (*p == ' ' || *p == '\t')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    long long n = 0;
    while (*p >= '0' && *p <= '9') {
        n = n * 10 + (*p - '0');
        if (n > INT_MAX)
            n = static_cast<long long>(INT_MAX) + 1; // clamps to INT_MIN or INT_MAX below
        ++p;
    }
    if (negative)
        return n > INT_MAX ? INT_MIN : static_cast<int>(-n);
    return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

BOOL WriteSetting(LPCTSTR section, LPCTSTR key, LPCTSTR value) {
    CString path = GetSettingsFilePath();
    if (path.IsEmpty())
        return FALSE;
    return WritePrivateProfileString(section, key, value, path);
}
