#include "platform/os/RegistryStore.h"

#include "platform/base/File.h"
#include "platform/base/Folders.h"

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Value {
    std::string name;
    DWORD kind = REG_NONE;
    std::vector<BYTE> data;
};

struct Key {
    std::string path; // as first written, components joined by '\'
    std::vector<Value> values;
};

// The keys of one root, by lower-cased path ("" is the root itself).
using KeyMap = std::map<std::string, Key>;

struct Handle {
    int root = 0;        // index of the root key
    std::string path;    // lower-cased path below the root
    std::string spelled; // path as the caller spelled it
    REGSAM access = 0;
};

std::mutex g_mutex;
std::map<std::uintptr_t, Handle> g_handles;
std::uintptr_t g_nextHandle = 0x1000;

const char* const kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                  "HKEY_USERS"};

int RootIndex(HKEY key) {
    const auto v = reinterpret_cast<std::uintptr_t>(key);
    if (v >= 0x80000000u && v <= 0x80000003u)
        return static_cast<int>(v - 0x80000000u);
    return -1;
}

std::string Lower(std::string s) {
    CString text(std::move(s));
    text.MakeLower();
    return text.str();
}

// The components of a sub-key name; empty components (doubled or outer separators) are dropped.
std::vector<std::string> Split(const char* subKey) {
    std::vector<std::string> parts;
    std::string current;
    for (const char* p = subKey ? subKey : ""; *p; ++p) {
        if (*p == '\\') {
            if (!current.empty())
                parts.push_back(current);
            current.clear();
        } else {
            current += *p;
        }
    }
    if (!current.empty())
        parts.push_back(current);
    return parts;
}

std::string Join(const std::string& base, const std::vector<std::string>& parts) {
    std::string path = base;
    for (const std::string& part : parts) {
        if (!path.empty())
            path += '\\';
        path += part;
    }
    return path;
}

std::string Hex(const BYTE* data, std::size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 0x0F];
    }
    return text;
}

std::string Hex(const std::string& s) {
    return Hex(reinterpret_cast<const BYTE*>(s.data()), s.size());
}

bool Unhex(const std::string& text, std::vector<BYTE>& out) {
    if (text == "-") { // no bytes
        out.clear();
        return true;
    }
    if (text.size() % 2)
        return false;
    out.clear();
    out.reserve(text.size() / 2);
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int hi = digit(text[i]);
        const int lo = digit(text[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out.push_back(static_cast<BYTE>(hi * 16 + lo));
    }
    return true;
}

std::string HexOrDash(const std::string& s) {
    return s.empty() ? std::string("-") : Hex(s);
}

// Empty when there is no folder for the store.
std::filesystem::path RootFile(int root) {
    const CString folder = vq::RegistryStoreFolder();
    if (folder.IsEmpty())
        return std::filesystem::path();
    return std::filesystem::path(folder.str()) / (std::string(kRootNames[root]) + ".reg");
}

KeyMap Load(int root) {
    KeyMap keys;
    keys[""] = Key{};
    const std::filesystem::path file = RootFile(root);
    std::ifstream in;
    if (!file.empty())
        in.open(file, std::ios::binary);
    if (!in)
        return keys;
    std::string line;
    Key* current = &keys[""];
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream fields(line);
        std::string tag;
        fields >> tag;
        std::vector<BYTE> bytes;
        if (tag == "K") {
            std::string hex;
            fields >> hex;
            if (!Unhex(hex, bytes))
                continue;
            const std::string path(bytes.begin(), bytes.end());
            Key& key = keys[Lower(path)];
            key.path = path;
            current = &key;
        } else if (tag == "V") {
            std::string nameHex, dataHex;
            DWORD kind = 0;
            if (!(fields >> nameHex >> kind >> dataHex))
                continue;
            if (!Unhex(nameHex, bytes))
                continue;
            Value value;
            value.name.assign(bytes.begin(), bytes.end());
            value.kind = kind;
            if (!Unhex(dataHex, value.data))
                continue;
            current->values.push_back(std::move(value));
        }
    }
    return keys;
}

bool Save(int root, const KeyMap& keys) {
    std::error_code ec;
    const std::filesystem::path file = RootFile(root);
    if (file.empty())
        return false;
    std::filesystem::create_directories(file.parent_path(), ec);
    std::ostringstream out;
    out << "VQREG 1\n";
    for (const auto& [lower, key] : keys) {
        out << "K " << HexOrDash(key.path) << "\n";
        for (const Value& v : key.values)
            out << "V " << HexOrDash(v.name) << " " << v.kind << " " << Hex(v.data.data(), v.data.size())
                << (v.data.empty() ? "-" : "") << "\n";
    }
    // A full disk leaves the stored keys as they were.
    return vq::ReplaceFileContent(CString(file.string()), out.str());
}

// Where a key handle points: its root and lower-cased path; false for an unknown handle.
bool Resolve(HKEY key, Handle& out) {
    const int root = RootIndex(key);
    if (root >= 0) {
        out = Handle{root, "", "", KEY_ALL_ACCESS};
        return true;
    }
    const auto it = g_handles.find(reinterpret_cast<std::uintptr_t>(key));
    if (it == g_handles.end())
        return false;
    out = it->second;
    return true;
}

HKEY NewHandle(const Handle& handle) {
    const std::uintptr_t id = g_nextHandle;
    g_nextHandle += 8;
    g_handles[id] = handle;
    return reinterpret_cast<HKEY>(id);
}

Value* FindValue(Key& key, const char* name) {
    const std::string wanted = Lower(name ? name : "");
    for (Value& v : key.values)
        if (Lower(v.name) == wanted)
            return &v;
    return nullptr;
}

bool HasSubKeys(const KeyMap& keys, const std::string& path) {
    const std::string prefix = path.empty() ? std::string() : path + "\\";
    for (const auto& [lower, key] : keys)
        if (!lower.empty() && lower.size() > prefix.size() && lower.compare(0, prefix.size(), prefix) == 0)
            return true;
    return false;
}

} // namespace

CString vq::RegistryStoreFolder() {
    const CString system = vq::SystemFolder();
    if (!system.IsEmpty())
        return system + "/registry";
    // Without a home the store is the user's own, in the working folder: never a name in the
    // shared temporary folder, which another user could have made first.
    const CString folder = vq::WorkingFolder() + "registry";
    return vq::InPrivateWorkingFolder(folder + "/") ? folder : CString();
}

LONG RegCreateKeyEx(HKEY parent, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM access, void*, PHKEY result,
                    LPDWORD disposition) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::lock_guard<std::mutex> lock(g_mutex);
    Handle base;
    if (!Resolve(parent, base))
        return ERROR_INVALID_HANDLE;
    KeyMap keys = Load(base.root);
    if (!keys.count(base.path))
        return ERROR_KEY_DELETED;
    const std::vector<std::string> parts = Split(subKey);
    std::string spelled = keys[base.path].path;
    bool created = false;
    for (const std::string& part : parts) {
        spelled = Join(spelled, {part});
        const std::string lower = Lower(spelled);
        auto it = keys.find(lower);
        if (it == keys.end()) {
            keys[lower].path = spelled;
            created = true;
        } else {
            spelled = it->second.path;
        }
    }
    if (created && !Save(base.root, keys))
        return ERROR_CANTWRITE;
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = NewHandle(Handle{base.root, Lower(spelled), spelled, access});
    return ERROR_SUCCESS;
}

LONG RegOpenKeyEx(HKEY parent, LPCSTR subKey, DWORD, REGSAM access, PHKEY result) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::lock_guard<std::mutex> lock(g_mutex);
    Handle base;
    if (!Resolve(parent, base))
        return ERROR_INVALID_HANDLE;
    const KeyMap keys = Load(base.root);
    if (!keys.count(base.path))
        return ERROR_KEY_DELETED;
    const std::string path = Lower(Join(base.path, Split(subKey)));
    const auto it = keys.find(path);
    if (it == keys.end())
        return ERROR_FILE_NOT_FOUND;
    *result = NewHandle(Handle{base.root, path, it->second.path, access});
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    if (RootIndex(key) >= 0)
        return ERROR_SUCCESS;
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_handles.erase(reinterpret_cast<std::uintptr_t>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueEx(HKEY key, LPCSTR name, LPDWORD, LPDWORD kind, LPBYTE data, LPDWORD size) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Handle handle;
    if (!Resolve(key, handle))
        return ERROR_INVALID_HANDLE;
    if (!(handle.access & KEY_QUERY_VALUE))
        return ERROR_ACCESS_DENIED;
    if (data && !size)
        return ERROR_INVALID_PARAMETER;
    KeyMap keys = Load(handle.root);
    auto it = keys.find(handle.path);
    if (it == keys.end())
        return ERROR_KEY_DELETED;
    const Value* value = FindValue(it->second, name);
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    if (kind)
        *kind = value->kind;
    const auto needed = static_cast<DWORD>(value->data.size());
    if (data) {
        if (*size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        if (needed)
            std::memcpy(data, value->data.data(), needed);
    }
    if (size)
        *size = needed;
    return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY key, LPCSTR name, DWORD, DWORD kind, const BYTE* data, DWORD size) {
    if (size && !data)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(g_mutex);
    Handle handle;
    if (!Resolve(key, handle))
        return ERROR_INVALID_HANDLE;
    if (!(handle.access & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    KeyMap keys = Load(handle.root);
    auto it = keys.find(handle.path);
    if (it == keys.end())
        return ERROR_KEY_DELETED;
    Value* value = FindValue(it->second, name);
    if (!value) {
        it->second.values.push_back(Value{name ? name : "", kind, {}});
        value = &it->second.values.back();
    }
    value->kind = kind;
    value->data.assign(data, data + size);
    return Save(handle.root, keys) ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

LONG RegDeleteValue(HKEY key, LPCSTR name) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Handle handle;
    if (!Resolve(key, handle))
        return ERROR_INVALID_HANDLE;
    if (!(handle.access & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    KeyMap keys = Load(handle.root);
    auto it = keys.find(handle.path);
    if (it == keys.end())
        return ERROR_KEY_DELETED;
    Value* value = FindValue(it->second, name);
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    auto& values = it->second.values;
    values.erase(values.begin() + (value - values.data()));
    return Save(handle.root, keys) ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

LONG RegDeleteKey(HKEY parent, LPCSTR subKey) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Handle base;
    if (!Resolve(parent, base))
        return ERROR_INVALID_HANDLE;
    const std::vector<std::string> parts = Split(subKey);
    if (parts.empty())
        return ERROR_ACCESS_DENIED; // a key is not deleted through a handle of itself
    KeyMap keys = Load(base.root);
    const std::string path = Lower(Join(base.path, parts));
    if (!keys.count(path))
        return ERROR_FILE_NOT_FOUND;
    if (HasSubKeys(keys, path))
        return ERROR_ACCESS_DENIED;
    keys.erase(path);
    return Save(base.root, keys) ? ERROR_SUCCESS : ERROR_CANTWRITE;
}
