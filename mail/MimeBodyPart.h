// CMimeAddress: one address of a mail with its display name. CMimeBodyPart: one body part of a
// mail, its content type and charset, and the transfer encoding that carries its text.
//
// Texts are 8-bit strings as they go on the wire (code page 936 for this system's mails).
#pragma once

#include "platform/base/String.h"

class CMimeAddress {
public:
    CMimeAddress() = default;
    explicit CMimeAddress(const char* address, const char* name = nullptr)
        : Name(name ? name : ""), Address(address ? address : "") {}

    void SetAddress(const char* address) { Address = address ? address : ""; }

    CString Name;
    CString Address;
};

class CMimeBodyPart {
public:
    enum {
        EncodingAuto = 0,
        Encoding7bit = 1,
        Encoding8bit = 2,
        EncodingQuotedPrintable = 3,
        EncodingBase64 = 4
    };

    CMimeBodyPart() = default;
    CMimeBodyPart(const char* text, const char* contentType, const char* charset, int encoding = EncodingAuto)
        : ContentType(contentType ? contentType : ""), Charset(charset ? charset : ""), Encoding(encoding),
          Text(text ? text : "") {}

    void SetText(const char* text) { Text = text ? text : ""; }

    // Writes the text in the given transfer encoding (EncodingAuto: the one ChooseTransferEncoding
    // picks) into out and the encoding's header name into encodingName. Line ends become CR LF
    // first (a bare LF or CR as well), and every line that begins with "." gets a second one, so
    // the result can go into an SMTP DATA section as it is.
    static void EncodeBody(int encoding, const CString& in, CString& out, CString& encodingName);
    // 1 (7bit), 2 (8bit), 3 (quoted-printable) or 4 (base64) for these bytes.
    static int ChooseTransferEncoding(const char* data, int length);

    CString ContentType;
    CString Charset;
    CString ContentId;
    int Encoding = EncodingAuto;
    CString Text;
};
