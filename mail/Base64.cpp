#include "mail/Base64.h"

#include <cstring>

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr unsigned char kNotAlphabet = 254;
constexpr unsigned char kPad = 255;
constexpr unsigned kBufferStep = 4096;

// Built on first use and kept: each alphabet character (also with the high bit set) to its value,
// "=" to kPad, everything else to kNotAlphabet.
const unsigned char* DecodeTable() {
    static const struct Table {
        unsigned char value[256];
        Table() {
            std::memset(value, kNotAlphabet, sizeof value);
            for (int i = 0; i < 64; ++i) {
                auto ch = static_cast<unsigned char>(kAlphabet[i]);
                value[ch] = static_cast<unsigned char>(i);
                value[ch + 128] = static_cast<unsigned char>(i);
            }
            value['='] = kPad;
            value['=' + 128] = kPad;
        }
    } table;
    return table.value;
}

unsigned RoundedCapacity(unsigned size) {
    return (size / kBufferStep + 1) * kBufferStep;
}

} // namespace

CBase64::~CBase64() {
    delete[] DecodeBuffer;
    delete[] EncodeBuffer;
}

void CBase64::AllocEncode(unsigned size) {
    if (EncodeCapacity < size || !EncodeBuffer) {
        delete[] EncodeBuffer;
        EncodeCapacity = RoundedCapacity(size);
        EncodeBuffer = new char[EncodeCapacity];
    }
    std::memset(EncodeBuffer, 0, EncodeCapacity);
    EncodeLength = 0;
}

void CBase64::AllocDecode(unsigned size) {
    if (DecodeCapacity < size || !DecodeBuffer) {
        delete[] DecodeBuffer;
        DecodeCapacity = RoundedCapacity(size);
        DecodeBuffer = new unsigned char[DecodeCapacity];
    }
    std::memset(DecodeBuffer, 0, DecodeCapacity);
    DecodeLength = 0;
}

void CBase64::SetDecodeBuffer(const char* data, unsigned length) {
    AllocDecode(length);
    if (length)
        std::memcpy(DecodeBuffer, data, length);
    DecodeLength = length;
}

void CBase64::SetEncodeBuffer(const char* data, unsigned length) {
    AllocEncode(length);
    for (unsigned i = 0; i < length; ++i) {
        if (!IsBadMimeChar(static_cast<unsigned char>(data[i])))
            EncodeBuffer[EncodeLength++] = data[i];
    }
}

int CBase64::IsBadMimeChar(unsigned char c) {
    return (c >= 7 && c <= 13) || c == ' ' ? 1 : 0;
}

void CBase64::EncodeRaw(unsigned char* out, const unsigned char* in) {
    out[0] = static_cast<unsigned char>(in[0] >> 2);
    out[1] = static_cast<unsigned char>((in[0] & 3) << 4 | in[1] >> 4);
    out[2] = static_cast<unsigned char>((in[1] & 15) << 2 | in[2] >> 6);
    out[3] = static_cast<unsigned char>(in[2] & 63);
}

void CBase64::DecodeRaw(unsigned char* out, const unsigned char* in) {
    out[0] = static_cast<unsigned char>(in[0] << 2 | (in[1] >> 4 & 3));
    out[1] = static_cast<unsigned char>(in[1] << 4 | (in[2] >> 2 & 15));
    out[2] = static_cast<unsigned char>(in[2] << 6 | (in[3] & 63));
}

void CBase64::EncodeToBuffer(const Group& group, char* out) {
    unsigned char values[4];
    EncodeRaw(values, group.data);
    for (int i = 0; i < 4; ++i)
        out[i] = kAlphabet[values[i]];
    if (group.count == 1)
        out[2] = out[3] = '=';
    else if (group.count == 2)
        out[3] = '=';
}

int CBase64::DecodeToBuffer(const Group& group, unsigned char* out) {
    unsigned char values[4];
    int real = 0;
    for (int i = 0; i < 4; ++i) {
        values[i] = group.data[i] == kPad ? 0 : group.data[i];
        if (group.data[i] != kPad && i < 3)
            ++real;
    }
    // Characters outside the alphabet keep their table value; only their low six bits count.
    DecodeRaw(out, values);
    return real;
}

void CBase64::Encode(const char* text) {
    if (text)
        Encode(text, static_cast<unsigned>(std::strlen(text)));
}

void CBase64::Encode(const char* data, unsigned length) {
    SetDecodeBuffer(data, length);
    // Four characters for every three bytes, and room for the terminating zero.
    AllocEncode((length + 2) / 3 * 4 + 1);
    Group group;
    unsigned i = 0;
    for (; i + 3 <= length; i += 3) {
        std::memcpy(group.data, DecodeBuffer + i, 3);
        group.count = 3;
        EncodeToBuffer(group, EncodeBuffer + EncodeLength);
        EncodeLength += 4;
    }
    if (i < length) {
        Group rest;
        rest.count = static_cast<int>(length - i);
        std::memcpy(rest.data, DecodeBuffer + i, length - i);
        EncodeToBuffer(rest, EncodeBuffer + EncodeLength);
        EncodeLength += 4;
    }
}

void CBase64::Decode(const char* text) {
    if (text)
        Decode(text, static_cast<int>(std::strlen(text)));
}

void CBase64::Decode(const char* data, int length) {
    const unsigned char* table = DecodeTable();
    unsigned size = length > 0 ? static_cast<unsigned>(length) : 0;
    SetEncodeBuffer(data, size);
    AllocDecode(size + 1);
    Group group;
    unsigned i = 0;
    for (; i + 4 <= EncodeLength; i += 4) {
        for (int k = 0; k < 4; ++k)
            group.data[k] = table[static_cast<unsigned char>(EncodeBuffer[i + k])];
        group.count = 4;
        DecodeToBuffer(group, DecodeBuffer + DecodeLength);
        DecodeLength += 3;
    }
    if (i < EncodeLength) {
        Group rest;
        rest.count = static_cast<int>(EncodeLength - i);
        for (unsigned k = 0; i + k < EncodeLength; ++k)
            rest.data[k] = table[static_cast<unsigned char>(EncodeBuffer[i + k])];
        unsigned char bytes[3];
        DecodeToBuffer(rest, bytes);
        std::memcpy(DecodeBuffer + DecodeLength, bytes, static_cast<unsigned>(rest.count));
        DecodeLength += static_cast<unsigned>(rest.count);
    }
}
