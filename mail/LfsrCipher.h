// CLfsrCipher: a byte-wise stream cipher from three 32-bit linear feedback shift registers,
// working in place on 8-bit texts. Transforming twice with the same key gives the input back, so
// the one call that deciphers the mail password file also makes it. A byte is never turned into
// a zero byte (it then keeps its value), so a text without zero bytes stays one.
#pragma once

#include "platform/base/String.h"

#include <cstdint>

class CLfsrCipher {
public:
    // The key with which the mail job deciphers the password file "qent\spt\_vqpass.ini".
    static const char* const kMailKey;

    CLfsrCipher();
    virtual ~CLfsrCipher() = default;

    // Keys the registers with key, then transforms every byte of data in order.
    virtual void TransformString(const char* key, CString* data);
    virtual void SetKey(const char* key);
    virtual void GetKey(CString& key) const { key = m_strKey; }
    virtual void TransformByte(unsigned char* byte);

private:
    int ClockA();
    int ClockB();
    int ClockC();

    CString m_strKey;
    std::uint32_t RegA, RegB, RegC;
    std::uint32_t FeedbackA = 0x80000062, FeedbackB = 0x40000020, FeedbackC = 0x10000002;
    std::uint32_t AndMaskA = 0x7FFFFFFF, AndMaskB = 0x3FFFFFFF, AndMaskC = 0x0FFFFFFF;
    std::uint32_t OrMaskA = 0x80000000, OrMaskB = 0xC0000000, OrMaskC = 0xF0000000;
};
