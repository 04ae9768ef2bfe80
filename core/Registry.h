// CRegistry: the exported class through which the host reads and writes registry keys and values:
// numbers, texts, the collection classes, rectangles and points. Every operation records the
// outcome of its registry call in the public members (last error, kind and size of the last
// value); none shows a message or throws.
//
//   CRegistry reg;                              // works under HKEY_LOCAL_MACHINE
//   if (reg.CreateKey("Software\\Vq\\Design")) {
//       reg.Write("Count", 3);
//       CStringArray names; names.SetSize(3);    // arrays are read into the size they have
//       reg.Read("Names", names);
//   }
//
// Stored forms: numbers as 32-bit numbers (REG_DWORD), texts in code page 936 with their NUL
// (REG_SZ), collections as the framework's archive bytes (REG_BINARY); a rectangle as a
// five-element CDWordArray (top, bottom, left, right, 0), a point as one (x, y, 0, 0, 0).
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/Geometry.h"
#include "platform/base/String.h"
#include "platform/os/RegistryStore.h"

#include <vector>

class CRegistry : public CObject {
public:
    explicit CRegistry(HKEY rootKey = HKEY_LOCAL_MACHINE);
    ~CRegistry() override;
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;

    // Opens the sub-key for reading into the open key; TRUE when it exists.
    BOOL VerifyKey(HKEY parentKey, LPCTSTR subKey);
    // The same relative to the open key.
    BOOL VerifyKey(LPCTSTR subKey);
    // TRUE when the value exists on the open key.
    BOOL VerifyValue(LPCTSTR name);

    // Creates or opens the sub-key (all access) into the open key.
    BOOL CreateKey(HKEY parentKey, LPCTSTR subKey);
    BOOL CreateKey(LPCTSTR subKey); // under the root key
    // Opens the sub-key with all access / for reading into the open key and records its name.
    BOOL Open(HKEY parentKey, LPCTSTR subKey);
    BOOL Open(LPCTSTR subKey); // under the root key
    BOOL OpenForRead(HKEY parentKey, LPCTSTR subKey);
    BOOL OpenForRead(LPCTSTR subKey);
    void Close();

    BOOL Write(LPCTSTR name, int value);
    // Records nothing; the registry's result code itself (0 on success).
    LONG Write(LPCTSTR name, DWORD value);
    BOOL Write(LPCTSTR name, LPCTSTR value);
    BOOL Write(LPCTSTR name, CStringList& value);
    BOOL Write(LPCTSTR name, CByteArray& value);
    BOOL Write(LPCTSTR name, CDWordArray& value);
    BOOL Write(LPCTSTR name, CWordArray& value);
    BOOL Write(LPCTSTR name, CStringArray& value);
    BOOL Write(LPCTSTR name, LPCRECT rect);
    BOOL Write(LPCTSTR name, LPPOINT point);

    BOOL Read(LPCTSTR name, int& value);
    BOOL Read(LPCTSTR name, CString& value);
    BOOL Read(LPCTSTR name, CStringList& value);
    BOOL Read(LPCTSTR name, CByteArray& value);
    BOOL Read(LPCTSTR name, CDWordArray& value);
    BOOL Read(LPCTSTR name, CWordArray& value);
    BOOL Read(LPCTSTR name, CStringArray& value);
    BOOL Read(LPCTSTR name, LPRECT rect);
    BOOL Read(LPCTSTR name, LPPOINT point);

    BOOL DeleteValue(LPCTSTR name);
    // Deletes a sub-key that has no sub-keys.
    BOOL DeleteValueKey(HKEY parentKey, LPCTSTR subKey);
    BOOL DeleteValueKey(LPCTSTR subKey); // under the root key

    // Read buffers: a value larger than its buffer fails with ERROR_MORE_DATA.
    static constexpr DWORD kTextBufferSize = 200;
    static constexpr DWORD kCollectionBufferSize = 4096;
    static constexpr DWORD kRectBufferSize = 30;
    static constexpr DWORD kPointBufferSize = 30;

    LONG m_nLastError = ERROR_SUCCESS; // result of the last registry call
    DWORD m_dwLastType = 0;            // kind of the last value
    DWORD m_dwLastSize = 0;            // size in bytes of the last value
    HKEY m_hRootKey;                   // the key of the one-argument operations
    HKEY m_hKey;                       // the open key
    CString m_strPath;                 // sub-key name of the last Open / OpenForRead

private:
    BOOL OpenKey(HKEY parentKey, LPCTSTR subKey, REGSAM access, bool create);
    void ReplaceOpenKey(HKEY key);
    BOOL WriteBinary(LPCTSTR name, const std::vector<BYTE>& bytes);
    // Reads a binary value of at most bufferSize bytes; TRUE when the registry call succeeded,
    // binary then tells whether the value is binary.
    BOOL ReadBinary(LPCTSTR name, DWORD bufferSize, std::vector<BYTE>& bytes, bool& binary);
    template <class Collection> BOOL WriteCollection(LPCTSTR name, Collection& value);
    template <class Array> BOOL ReadArray(LPCTSTR name, Array& value);
    // The five-element array of a rectangle or point value; FALSE when it cannot be read.
    BOOL ReadFiveNumbers(LPCTSTR name, DWORD bufferSize, DWORD kind, DWORD size, CDWordArray& numbers,
                         bool& loaded);
};
