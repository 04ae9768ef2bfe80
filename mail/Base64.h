// CBase64: encodes bytes into Base64 text (RFC 2045 alphabet, "=" as pad) and decodes Base64 text
// into bytes. The result stays in the coder's buffers until the next call; both buffers only grow,
// in steps of 4096 bytes, and are zero-filled beyond their length, so each result also reads as a
// zero-terminated text.
//
// Decoding drops white space and line ends first; pad characters decode to zero bytes that stay in
// the result (the SMTP log-on reads the result as a text, where they end it).
#pragma once

class CBase64 {
public:
    CBase64() = default;
    virtual ~CBase64();
    CBase64(const CBase64&) = delete;
    CBase64& operator=(const CBase64&) = delete;

    // Up to three bytes (or four six-bit values) and how many of them are real.
    struct Group {
        unsigned char data[4] = {0, 0, 0, 0};
        int count = 0;
    };

    virtual void Encode(const char* text);
    virtual void Encode(const char* data, unsigned length);
    virtual void Decode(const char* text);
    virtual void Decode(const char* data, int length);
    virtual const unsigned char* DecodedMessage() const { return DecodeBuffer; }
    virtual const char* EncodedMessage() const { return EncodeBuffer; }

    unsigned DecodedLength() const { return DecodeLength; }
    unsigned EncodedLength() const { return EncodeLength; }

protected:
    virtual void AllocEncode(unsigned size);
    virtual void AllocDecode(unsigned size);
    virtual void SetEncodeBuffer(const char* data, unsigned length);
    virtual void SetDecodeBuffer(const char* data, unsigned length);
    virtual void EncodeToBuffer(const Group& group, char* out);
    virtual int DecodeToBuffer(const Group& group, unsigned char* out);
    virtual void EncodeRaw(unsigned char* out, const unsigned char* in);
    virtual void DecodeRaw(unsigned char* out, const unsigned char* in);
    virtual int IsBadMimeChar(unsigned char c);

    unsigned char* DecodeBuffer = nullptr;
    char* EncodeBuffer = nullptr;
    unsigned DecodeCapacity = 0;
    unsigned EncodeCapacity = 0;
    unsigned DecodeLength = 0;
    unsigned EncodeLength = 0;
};
