#include "core/Registry.h"

#include "platform/base/Archive.h"
#include "platform/base/TextCodec.h"

#include <cstring>
#include <string_view>
#include <vector>

namespace {

bool IsRootKey(HKEY key) {
    return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE ||
           key == HKEY_USERS;
}

template <class Collection> std::vector<BYTE> Store(Collection& value) {
    std::vector<BYTE> bytes;
    bytes.reserve(4096); // the memory file the values are built in starts at 4096 bytes
    CArchive ar(&bytes, CArchive::store);
    vq::SerializeCollection(ar, value);
    ar.Close();
    return bytes;
}

// Loads a collection from archive bytes; false when the bytes are not a whole collection.
template <class Collection> bool Load(const std::vector<BYTE>& bytes, Collection& value) {
    std::vector<BYTE> copy = bytes;
    CArchive ar(&copy, CArchive::load);
    try {
        vq::SerializeCollection(ar, value);
    } catch (const CArchiveException&) {
        return false;
    }
    return true;
}

CDWordArray FiveNumbers(DWORD a, DWORD b, DWORD c, DWORD d) {
    CDWordArray numbers;
    for (DWORD v : {a, b, c, d, DWORD{0}})
        numbers.Add(v);
    return numbers;
}

} // namespace

CRegistry::CRegistry(HKEY rootKey) : m_hRootKey(rootKey), m_hKey(rootKey) {}

CRegistry::~CRegistry() {
    Close();
}

void CRegistry::ReplaceOpenKey(HKEY key) {
    if (m_hKey && m_hKey != key && !IsRootKey(m_hKey))
        RegCloseKey(m_hKey);
    m_hKey = key;
}

BOOL CRegistry::OpenKey(HKEY parentKey, LPCTSTR subKey, REGSAM access, bool create) {
    HKEY key = nullptr;
    m_nLastError = create ? RegCreateKeyEx(parentKey, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                           nullptr, &key, nullptr)
                          : RegOpenKeyEx(parentKey, subKey, 0, access, &key);
    m_dwLastType = 0;
    m_dwLastSize = 0;
    // The previous open key is released once the new one is open (it may be the parent).
    ReplaceOpenKey(m_nLastError == ERROR_SUCCESS ? key : nullptr);
    return m_nLastError == ERROR_SUCCESS;
}

BOOL CRegistry::VerifyKey(HKEY parentKey, LPCTSTR subKey) {
    return OpenKey(parentKey, subKey, KEY_READ, false);
}

BOOL CRegistry::VerifyKey(LPCTSTR subKey) {
    return OpenKey(m_hKey, subKey, KEY_READ, false);
}

BOOL CRegistry::VerifyValue(LPCTSTR name) {
    DWORD kind = 0, size = 0;
    m_nLastError = RegQueryValueEx(m_hKey, name, nullptr, &kind, nullptr, &size);
    m_dwLastType = kind;
    m_dwLastSize = size;
    return m_nLastError == ERROR_SUCCESS;
}

BOOL CRegistry::CreateKey(HKEY parentKey, LPCTSTR subKey) {
    return OpenKey(parentKey, subKey, KEY_ALL_ACCESS, true);
}

BOOL CRegistry::CreateKey(LPCTSTR subKey) {
    if (!m_hRootKey)
        return FALSE;
    return CreateKey(m_hRootKey, subKey);
}

BOOL CRegistry::Open(HKEY parentKey, LPCTSTR subKey) {
    m_strPath = subKey;
    return OpenKey(parentKey, subKey, KEY_ALL_ACCESS, false);
}

BOOL CRegistry::Open(LPCTSTR subKey) {
    if (!m_hRootKey)
        return FALSE;
    return Open(m_hRootKey, subKey);
}

BOOL CRegistry::OpenForRead(HKEY parentKey, LPCTSTR subKey) {
    m_strPath = subKey;
    return OpenKey(parentKey, subKey, KEY_READ, false);
}

BOOL CRegistry::OpenForRead(LPCTSTR subKey) {
    if (!m_hRootKey)
        return FALSE;
    return OpenForRead(m_hRootKey, subKey);
}

void CRegistry::Close() {
    if (m_hKey) {
        RegCloseKey(m_hKey);
        m_hKey = nullptr;
    }
}

// --- Writing

BOOL CRegistry::Write(LPCTSTR name, int value) {
    const auto number = static_cast<DWORD>(value);
    BYTE bytes[4];
    std::memcpy(bytes, &number, 4);
    m_nLastError = RegSetValueEx(m_hKey, name, 0, REG_DWORD, bytes, 4);
    m_dwLastType = REG_DWORD;
    m_dwLastSize = 4;
    return m_nLastError == ERROR_SUCCESS;
}

LONG CRegistry::Write(LPCTSTR name, DWORD value) {
    BYTE bytes[4];
    std::memcpy(bytes, &value, 4);
    return RegSetValueEx(m_hKey, name, 0, REG_DWORD, bytes, 4);
}

BOOL CRegistry::Write(LPCTSTR name, LPCTSTR value) {
    std::string text = vq::Utf8ToGbk(value ? value : "");
    const auto size = static_cast<DWORD>(text.size() + 1); // with the terminating NUL
    m_nLastError = RegSetValueEx(m_hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), size);
    m_dwLastType = REG_SZ;
    m_dwLastSize = size;
    return m_nLastError == ERROR_SUCCESS;
}

BOOL CRegistry::WriteBinary(LPCTSTR name, const std::vector<BYTE>& bytes) {
    const auto size = static_cast<DWORD>(bytes.size());
    m_nLastError = RegSetValueEx(m_hKey, name, 0, REG_BINARY, bytes.data(), size);
    m_dwLastType = REG_BINARY;
    m_dwLastSize = size;
    return m_nLastError == ERROR_SUCCESS;
}

template <class Collection> BOOL CRegistry::WriteCollection(LPCTSTR name, Collection& value) {
    return WriteBinary(name, Store(value));
}

BOOL CRegistry::Write(LPCTSTR name, CStringList& value) {
    return WriteCollection(name, value);
}
BOOL CRegistry::Write(LPCTSTR name, CByteArray& value) {
    return WriteCollection(name, value);
}
BOOL CRegistry::Write(LPCTSTR name, CDWordArray& value) {
    return WriteCollection(name, value);
}
BOOL CRegistry::Write(LPCTSTR name, CWordArray& value) {
    return WriteCollection(name, value);
}
BOOL CRegistry::Write(LPCTSTR name, CStringArray& value) {
    return WriteCollection(name, value);
}

BOOL CRegistry::Write(LPCTSTR name, LPCRECT rect) {
    if (!rect)
        return FALSE;
    CDWordArray numbers = FiveNumbers(static_cast<DWORD>(rect->top), static_cast<DWORD>(rect->bottom),
                                      static_cast<DWORD>(rect->left), static_cast<DWORD>(rect->right));
    const BOOL ok = WriteBinary(name, Store(numbers));
    m_dwLastType = REG_SZ; // the kind recorded for rectangles
    return ok;
}

BOOL CRegistry::Write(LPCTSTR name, LPPOINT point) {
    if (!point)
        return FALSE;
    CDWordArray numbers = FiveNumbers(static_cast<DWORD>(point->x), static_cast<DWORD>(point->y), 0, 0);
    const BOOL ok = WriteBinary(name, Store(numbers));
    m_dwLastType = REG_EXPAND_SZ; // the kind recorded for points
    return ok;
}

// --- Reading

BOOL CRegistry::Read(LPCTSTR name, int& value) {
    BYTE bytes[4];
    DWORD kind = 0, size = sizeof bytes;
    m_nLastError = RegQueryValueEx(m_hKey, name, nullptr, &kind, bytes, &size);
    m_dwLastType = kind;
    m_dwLastSize = size;
    if (m_nLastError != ERROR_SUCCESS)
        return FALSE;
    // The bytes read replace the number's first bytes, whatever the value's kind.
    std::memcpy(&value, bytes, size);
    return TRUE;
}

BOOL CRegistry::Read(LPCTSTR name, CString& value) {
    char buffer[kTextBufferSize];
    DWORD kind = 0, size = sizeof buffer;
    m_nLastError = RegQueryValueEx(m_hKey, name, nullptr, &kind, reinterpret_cast<BYTE*>(buffer), &size);
    m_dwLastType = kind;
    m_dwLastSize = size;
    if (m_nLastError != ERROR_SUCCESS)
        return FALSE;
    std::string_view text(buffer, size);
    text = text.substr(0, text.find('\0')); // up to the terminating NUL
    value = CString(vq::GbkToUtf8(text));
    return TRUE;
}

BOOL CRegistry::ReadBinary(LPCTSTR name, DWORD bufferSize, std::vector<BYTE>& bytes, bool& binary) {
    bytes.assign(bufferSize, 0);
    DWORD kind = 0, size = bufferSize;
    m_nLastError = RegQueryValueEx(m_hKey, name, nullptr, &kind, bytes.data(), &size);
    m_dwLastType = kind;
    m_dwLastSize = size;
    binary = m_nLastError == ERROR_SUCCESS && kind == REG_BINARY;
    if (m_nLastError != ERROR_SUCCESS)
        return FALSE;
    bytes.resize(size);
    return TRUE;
}

BOOL CRegistry::Read(LPCTSTR name, CStringList& value) {
    std::vector<BYTE> bytes;
    bool binary = false;
    if (!ReadBinary(name, kCollectionBufferSize, bytes, binary))
        return FALSE;
    if (binary && !Load(bytes, value))
        return FALSE;
    return TRUE;
}

// Arrays keep the size the caller gave them: the stored elements fill them from the start, cut
// off or padded with zero elements.
template <class Array> BOOL CRegistry::ReadArray(LPCTSTR name, Array& value) {
    std::vector<BYTE> bytes;
    bool binary = false;
    if (!ReadBinary(name, kCollectionBufferSize, bytes, binary))
        return FALSE;
    if (!binary)
        return TRUE;
    const int size = value.GetSize();
    Array loaded;
    if (!Load(bytes, loaded))
        return FALSE;
    loaded.SetSize(size);
    value.Copy(loaded);
    return TRUE;
}

BOOL CRegistry::Read(LPCTSTR name, CByteArray& value) {
    return ReadArray(name, value);
}
BOOL CRegistry::Read(LPCTSTR name, CDWordArray& value) {
    return ReadArray(name, value);
}
BOOL CRegistry::Read(LPCTSTR name, CWordArray& value) {
    return ReadArray(name, value);
}
BOOL CRegistry::Read(LPCTSTR name, CStringArray& value) {
    return ReadArray(name, value);
}

BOOL CRegistry::ReadFiveNumbers(LPCTSTR name, DWORD bufferSize, DWORD kind, DWORD size, CDWordArray& numbers,
                                bool& loaded) {
    std::vector<BYTE> bytes;
    bool binary = false;
    const BOOL ok = ReadBinary(name, bufferSize, bytes, binary);
    m_dwLastType = kind;
    m_dwLastSize = size;
    loaded = false;
    if (!ok)
        return FALSE;
    if (!binary)
        return TRUE;
    if (!Load(bytes, numbers) || numbers.GetSize() < 5)
        return FALSE; // not a value written for a rectangle or point
    loaded = true;
    return TRUE;
}

BOOL CRegistry::Read(LPCTSTR name, LPRECT rect) {
    CDWordArray numbers;
    bool loaded = false;
    if (!ReadFiveNumbers(name, kRectBufferSize, REG_SZ, 16, numbers, loaded))
        return FALSE;
    if (loaded && rect) {
        rect->top = static_cast<LONG>(numbers[0]);
        rect->bottom = static_cast<LONG>(numbers[1]);
        rect->left = static_cast<LONG>(numbers[2]);
        rect->right = static_cast<LONG>(numbers[3]);
    }
    return TRUE;
}

BOOL CRegistry::Read(LPCTSTR name, LPPOINT point) {
    CDWordArray numbers;
    bool loaded = false;
    if (!ReadFiveNumbers(name, kPointBufferSize, REG_EXPAND_SZ, 8, numbers, loaded))
        return FALSE;
    if (loaded && point) {
        point->x = static_cast<LONG>(numbers[0]);
        point->y = static_cast<LONG>(numbers[1]);
    }
    return TRUE;
}

// --- Deleting

BOOL CRegistry::DeleteValue(LPCTSTR name) {
    m_nLastError = RegDeleteValue(m_hKey, name);
    m_dwLastType = 0;
    m_dwLastSize = 0;
    return m_nLastError == ERROR_SUCCESS;
}

BOOL CRegistry::DeleteValueKey(HKEY parentKey, LPCTSTR subKey) {
    m_nLastError = RegDeleteKey(parentKey, subKey);
    m_dwLastType = 0;
    m_dwLastSize = 0;
    return m_nLastError == ERROR_SUCCESS;
}

BOOL CRegistry::DeleteValueKey(LPCTSTR subKey) {
    if (!m_hRootKey)
        return FALSE;
    return DeleteValueKey(m_hRootKey, subKey);
}
