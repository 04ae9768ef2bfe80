#include "platform/base/Archive.h"

#include "platform/base/File.h"
#include "platform/base/TextCodec.h"

#include <cstring>
#include <map>
#include <string>
#include <type_traits>

namespace {

template <class T> void PutLittle(CArchive& ar, T value) {
    BYTE bytes[sizeof(T)];
    for (std::size_t i = 0; i < sizeof(T); ++i)
        bytes[i] = static_cast<BYTE>((static_cast<unsigned long long>(value) >> (8 * i)) & 0xFF);
    ar.Write(bytes, sizeof(T));
}

template <class T> T GetLittle(const BYTE* bytes) {
    unsigned long long v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        v |= static_cast<unsigned long long>(bytes[i]) << (8 * i);
    return static_cast<T>(v);
}

std::map<std::string, const CRuntimeClass*>& Registry() {
    static std::map<std::string, const CRuntimeClass*> registry;
    return registry;
}

} // namespace

CArchive::CArchive(CFile* file, UINT mode) : m_file(file), m_mode(mode) {}

CArchive::CArchive(std::vector<BYTE>* buffer, UINT mode) : m_buffer(buffer), m_mode(mode) {}

CArchive::~CArchive() {
    if (!m_closed)
        Flush();
}

void CArchive::Close() {
    Flush();
    m_closed = true;
}

void CArchive::Flush() {
    if (m_file && IsStoring() && !m_pending.empty()) {
        m_file->Write(m_pending.data(), static_cast<UINT>(m_pending.size()));
        m_pending.clear();
    }
}

void CArchive::Write(const void* data, UINT count) {
    if (m_closed || !IsStoring() || count == 0)
        return;
    const BYTE* bytes = static_cast<const BYTE*>(data);
    std::vector<BYTE>& target = m_buffer ? *m_buffer : m_pending;
    target.insert(target.end(), bytes, bytes + count);
    if (m_file && m_pending.size() >= 64 * 1024)
        Flush();
}

UINT CArchive::Read(void* data, UINT count) {
    if (m_closed || !IsLoading() || count == 0)
        return 0;
    if (m_buffer) {
        std::size_t left = m_buffer->size() - m_readPos;
        std::size_t n = count < left ? count : left;
        if (n)
            std::memcpy(data, m_buffer->data() + m_readPos, n);
        m_readPos += n;
        return static_cast<UINT>(n);
    }
    return m_file ? m_file->Read(data, count) : 0;
}

void CArchive::ReadExact(void* data, UINT count) {
    if (Read(data, count) != count)
        throw CArchiveException(CArchiveException::endOfFile);
}

CArchive& CArchive::operator<<(BYTE v) {
    Write(&v, 1);
    return *this;
}
CArchive& CArchive::operator<<(WORD v) {
    PutLittle(*this, v);
    return *this;
}
CArchive& CArchive::operator<<(DWORD v) {
    PutLittle(*this, v);
    return *this;
}
CArchive& CArchive::operator<<(LONG v) {
    PutLittle(*this, static_cast<DWORD>(v));
    return *this;
}
CArchive& CArchive::operator<<(double v) {
    unsigned long long bits;
    std::memcpy(&bits, &v, sizeof bits);
    PutLittle(*this, bits);
    return *this;
}
CArchive& CArchive::operator<<(float v) {
    DWORD bits;
    std::memcpy(&bits, &v, sizeof bits);
    PutLittle(*this, bits);
    return *this;
}

CArchive& CArchive::operator<<(const CString& s) {
    const std::string bytes = vq::Utf8ToGbk(s.str());
    const std::size_t n = bytes.size();
    if (n < 255) {
        *this << static_cast<BYTE>(n);
    } else if (n < 0xFFFE) {
        *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(n);
    } else {
        *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(0xFFFF) << static_cast<DWORD>(n);
    }
    Write(bytes.data(), static_cast<UINT>(n));
    return *this;
}

CArchive& CArchive::operator>>(BYTE& v) {
    ReadExact(&v, 1);
    return *this;
}
CArchive& CArchive::operator>>(WORD& v) {
    BYTE b[2];
    ReadExact(b, 2);
    v = GetLittle<WORD>(b);
    return *this;
}
CArchive& CArchive::operator>>(DWORD& v) {
    BYTE b[4];
    ReadExact(b, 4);
    v = GetLittle<DWORD>(b);
    return *this;
}
CArchive& CArchive::operator>>(LONG& v) {
    DWORD d;
    *this >> d;
    v = static_cast<LONG>(d);
    return *this;
}
CArchive& CArchive::operator>>(double& v) {
    BYTE b[8];
    ReadExact(b, 8);
    unsigned long long bits = GetLittle<unsigned long long>(b);
    std::memcpy(&v, &bits, sizeof v);
    return *this;
}
CArchive& CArchive::operator>>(float& v) {
    DWORD bits;
    *this >> bits;
    std::memcpy(&v, &bits, sizeof v);
    return *this;
}

CArchive& CArchive::operator>>(CString& s) {
    BYTE b;
    *this >> b;
    DWORD n = b;
    if (b == 0xFF) {
        WORD w;
        *this >> w;
        n = w;
        if (w == 0xFFFF)
            *this >> n;
    }
    std::string bytes;
    // Read in pieces so that a damaged length cannot make us allocate more than the data holds.
    char chunk[4096];
    while (n > 0) {
        UINT piece = n < sizeof chunk ? n : static_cast<UINT>(sizeof chunk);
        ReadExact(chunk, piece);
        bytes.append(chunk, piece);
        n -= piece;
    }
    s = CString(vq::GbkToUtf8(bytes));
    return *this;
}

void CArchive::WriteCount(DWORD_PTR count) {
    if (count < 0xFFFF) {
        *this << static_cast<WORD>(count);
    } else if (count < 0xFFFFFFFFu) {
        *this << static_cast<WORD>(0xFFFF) << static_cast<DWORD>(count);
    } else {
        *this << static_cast<WORD>(0xFFFF) << static_cast<DWORD>(0xFFFFFFFFu);
        PutLittle(*this, static_cast<unsigned long long>(count));
    }
}

DWORD_PTR CArchive::ReadCount() {
    WORD w;
    *this >> w;
    if (w != 0xFFFF)
        return w;
    DWORD d;
    *this >> d;
    if (d != 0xFFFFFFFFu)
        return d;
    BYTE b[8];
    ReadExact(b, 8);
    return static_cast<DWORD_PTR>(GetLittle<unsigned long long>(b));
}

namespace {

template <class Array> void SerializeArray(CArchive& ar, Array& array) {
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<DWORD_PTR>(array.GetSize()));
        for (const auto& element : array)
            ar << element;
        return;
    }
    array.RemoveAll();
    for (DWORD_PTR n = ar.ReadCount(); n > 0; --n) {
        typename std::remove_reference<decltype(array[0])>::type element{};
        ar >> element;
        array.Add(element);
    }
}

} // namespace

void vq::SerializeCollection(CArchive& ar, CStringList& list) {
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<DWORD_PTR>(list.GetCount()));
        for (POSITION pos = list.GetHeadPosition(); pos;)
            ar << list.GetNext(pos);
        return;
    }
    list.RemoveAll();
    for (DWORD_PTR n = ar.ReadCount(); n > 0; --n) {
        CString s;
        ar >> s;
        list.AddTail(s);
    }
}
void vq::SerializeCollection(CArchive& ar, CStringArray& array) {
    SerializeArray(ar, array);
}
void vq::SerializeCollection(CArchive& ar, CByteArray& array) {
    SerializeArray(ar, array);
}
void vq::SerializeCollection(CArchive& ar, CWordArray& array) {
    SerializeArray(ar, array);
}
void vq::SerializeCollection(CArchive& ar, CDWordArray& array) {
    SerializeArray(ar, array);
}

const CRuntimeClass* CRuntimeClass::FromName(const char* className) {
    if (!className)
        return nullptr;
    auto it = Registry().find(className);
    return it == Registry().end() ? nullptr : it->second;
}

vq::RuntimeClassRegistration::RuntimeClassRegistration(const CRuntimeClass* runtimeClass) {
    Registry()[runtimeClass->m_lpszClassName] = runtimeClass;
}
