// The registry: a tree of keys under a few root keys, each key holding named values of a kind
// (number, text, binary) and bytes. The functions keep the calling conventions and result codes
// that the system's registry code is written against.
//
// The store is our own: a folder "registry" in the system folder (vq::SystemFolder()), or in the
// user's working folder when there is no system folder (no home), with one file per root key
// ("HKEY_LOCAL_MACHINE.reg", ...). Each operation reads the file and each change rewrites it whole
// (vq::ReplaceFileContent: a link kept at a file's name is written through), so several processes
// see each other's changes. Key and value names compare without regard to ASCII letter case.
//
// File layout, one entry per line (hex: the bytes as two lower-case hex digits each):
//   VQREG 1                          first line
//   K <hex of the key path>          a key ("Software\Vq"); every key has its line
//   V <hex of the name> <kind> <hex of the data>   a value of the key above it
#pragma once

#include "platform/base/String.h"
#include "platform/base/Types.h"

#include <cstdint>

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;
using LPDWORD = DWORD*;
using LPBYTE = BYTE*;
using PLONG = LONG*;

// The root keys.
inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u));
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u));
inline HKEY const HKEY_USERS = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000003u));

// Result codes.
constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_KEY_DELETED = 1018;
constexpr LONG ERROR_CANTWRITE = 1013;

// Value kinds.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

// Access rights of an opened key.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Creates the sub-key (and the keys on its way) below the parent, or opens it when it exists, with
// the given access; disposition (may be null) tells which. *result is null on failure. The class,
// options and security arguments are accepted and ignored.
LONG RegCreateKeyEx(HKEY parent, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                    void* security, PHKEY result, LPDWORD disposition);
// Opens an existing sub-key (an empty name: the parent itself, as a new handle). *result is null on
// failure: ERROR_FILE_NOT_FOUND when the key does not exist.
LONG RegOpenKeyEx(HKEY parent, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
// Closes an opened key; closing a root key does nothing.
LONG RegCloseKey(HKEY key);
// Reads a value. kind and size may be null; with data null only the kind and size are returned.
// *size holds the buffer size on entry and the value's size on return; a value larger than the
// buffer gives ERROR_MORE_DATA (with the size needed) and leaves the buffer untouched.
LONG RegQueryValueEx(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD kind, LPBYTE data, LPDWORD size);
// Writes a value of a kind with the given bytes (needs write access).
LONG RegSetValueEx(HKEY key, LPCSTR name, DWORD reserved, DWORD kind, const BYTE* data, DWORD size);
LONG RegDeleteValue(HKEY key, LPCSTR name);
// Deletes a sub-key that has no sub-keys of its own (ERROR_ACCESS_DENIED otherwise).
LONG RegDeleteKey(HKEY parent, LPCSTR subKey);

namespace vq {
// The folder of the store (no trailing separator); empty when there is none.
CString RegistryStoreFolder();
} // namespace vq
