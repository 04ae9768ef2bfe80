// CArchive: the framework's binary archive that records store themselves into and load from.
// Numbers are little-endian; a CString is its length in bytes (one byte below 255; otherwise
// the byte 255 and a 16-bit length below 65534; otherwise 255, the 16-bit 65535 and a 32-bit
// length) followed by its text in code page 936 without a terminator.
//
//   CFile file;
//   file.Open(path, CFile::modeCreate | CFile::modeWrite);
//   CArchive ar(&file, CArchive::store);
//   item.Serialize(ar);
//   ar.Close();
//
// An archive can also work on a byte buffer in memory (the buffer outlives the archive).
// Reading past the end throws CArchiveException.
//
// CRuntimeClass with DECLARE_SERIAL / IMPLEMENT_SERIAL gives a record class a name and a schema
// number under which it can be created (CRuntimeClass::FromName(...)->CreateObject()).
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"
#include "platform/base/Types.h"

#include <cstddef>
#include <vector>

class CFile;

class CArchiveException {
public:
    enum Cause { none = 0, genericException = 1, endOfFile = 3, badIndex = 4, badSchema = 6 };
    explicit CArchiveException(int cause = genericException) : m_cause(cause) {}
    int m_cause;
};

class CArchive {
public:
    enum Mode : UINT { store = 0, load = 1 };

    CArchive(CFile* file, UINT mode);
    CArchive(std::vector<BYTE>* buffer, UINT mode);
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    BOOL IsStoring() const { return (m_mode & load) == 0; }
    BOOL IsLoading() const { return (m_mode & load) != 0; }
    CFile* GetFile() const { return m_file; }
    // Writes what is pending to the file; the archive can no longer be used.
    void Close();
    void Flush();

    void Write(const void* data, UINT count);
    // Reads count bytes; returns the number read (fewer only at the end).
    UINT Read(void* data, UINT count);

    CArchive& operator<<(BYTE v);
    CArchive& operator<<(WORD v);
    CArchive& operator<<(DWORD v);
    CArchive& operator<<(LONG v);
    CArchive& operator<<(double v);
    CArchive& operator<<(float v);
    CArchive& operator<<(const CString& s);

    CArchive& operator>>(BYTE& v);
    CArchive& operator>>(WORD& v);
    CArchive& operator>>(DWORD& v);
    CArchive& operator>>(LONG& v);
    CArchive& operator>>(double& v);
    CArchive& operator>>(float& v);
    CArchive& operator>>(CString& s);

    // The element count of a collection: a 16-bit number below 0xFFFF, else 0xFFFF and a 32-bit
    // number (a 32-bit 0xFFFFFFFF is followed by a 64-bit one).
    void WriteCount(DWORD_PTR count);
    DWORD_PTR ReadCount();

private:
    void ReadExact(void* data, UINT count);

    CFile* m_file = nullptr;
    std::vector<BYTE>* m_buffer = nullptr;
    std::size_t m_readPos = 0;
    std::vector<BYTE> m_pending; // bytes stored and not yet written to the file
    UINT m_mode;
    bool m_closed = false;
};

namespace vq {
// Stores or loads one value, whichever way the archive goes.
template <class T> void SerializeValue(CArchive& ar, T& value) {
    if (ar.IsStoring())
        ar << value;
    else
        ar >> value;
}
} // namespace vq

// The collections as the framework's archive holds them: the element count (WriteCount), then the
// elements (strings as archive strings, numbers little-endian). Loading empties the collection
// first and adds the elements as they are read, so a damaged count cannot make it allocate more
// than the data holds; data that ends early throws CArchiveException.
namespace vq {
void SerializeCollection(CArchive& ar, CStringList& list);
void SerializeCollection(CArchive& ar, CStringArray& array);
void SerializeCollection(CArchive& ar, CByteArray& array);
void SerializeCollection(CArchive& ar, CWordArray& array);
void SerializeCollection(CArchive& ar, CDWordArray& array);
} // namespace vq

// A record class's name, schema number and factory.
struct CRuntimeClass {
    const char* m_lpszClassName;
    UINT m_wSchema;
    CObject* (*m_pfnCreateObject)();

    CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
    // The registered class of this name, or nullptr.
    static const CRuntimeClass* FromName(const char* className);
};

namespace vq {
// Registers a runtime class at program start (used by IMPLEMENT_SERIAL).
struct RuntimeClassRegistration {
    explicit RuntimeClassRegistration(const CRuntimeClass* runtimeClass);
};
} // namespace vq

#define RUNTIME_CLASS(theClass) (&theClass::class##theClass)

#define DECLARE_SERIAL(theClass)                                                                             \
public:                                                                                                      \
    static const CRuntimeClass class##theClass;                                                              \
    static CObject* CreateObject();                                                                          \
    virtual const CRuntimeClass* GetRuntimeClass() const {                                                   \
        return &class##theClass;                                                                             \
    }

#define IMPLEMENT_SERIAL(theClass, baseClass, schema)                                                        \
    CObject* theClass::CreateObject() {                                                                      \
        return new theClass;                                                                                 \
    }                                                                                                        \
    const CRuntimeClass theClass::class##theClass { #theClass, (schema), &theClass::CreateObject };          \
    [[maybe_unused]] static const vq::RuntimeClassRegistration theClass##_runtime_registered(                \
        &theClass::class##theClass);
