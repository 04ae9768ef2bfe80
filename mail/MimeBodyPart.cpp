#include "mail/MimeBodyPart.h"

#include "mail/Base64.h"
#include "mail/MimeMessage.h"

namespace {

constexpr int kLineWidth = 76;

bool IsPrintable(unsigned char byte) {
    return byte < 127 && (byte >= 32 || byte == '\t' || byte == '\r' || byte == '\n');
}

// Every line end as CR LF: a CR LF stays, a bare LF and a bare CR become CR LF. Mail text has no
// other line end, and a bare LF in a DATA section is not allowed.
CString CanonicalLineEnds(const CString& text) {
    const std::string& in = text.str();
    std::string out;
    out.reserve(in.size() + in.size() / 32);
    for (std::size_t i = 0; i < in.size(); ++i) {
        char ch = in[i];
        if (ch == '\r') {
            out += "\r\n";
            if (i + 1 < in.size() && in[i + 1] == '\n')
                ++i;
        } else if (ch == '\n') {
            out += "\r\n";
        } else {
            out += ch;
        }
    }
    return out;
}

// A second "." in front of every line that begins with one, the first line included.
CString StuffDots(const CString& text) {
    const std::string& in = text.str();
    std::string out;
    out.reserve(in.size() + 8);
    bool lineStart = true;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (lineStart && in[i] == '.')
            out += '.';
        out += in[i];
        lineStart = in[i] == '\n' && i > 0 && in[i - 1] == '\r';
    }
    return out;
}

} // namespace

int CMimeBodyPart::ChooseTransferEncoding(const char* data, int length) {
    if (!data || length <= 0)
        return Encoding7bit;
    int printable = 0;
    bool longLine = false;
    bool anyNonPrintable = false;
    int lineStart = 0;
    for (int i = 0; i < length; ++i) {
        auto byte = static_cast<unsigned char>(data[i]);
        if (IsPrintable(byte))
            ++printable;
        else
            anyNonPrintable = true;
        if (byte == '\r') {
            if (i - lineStart - 1 > kLineWidth)
                longLine = true;
            lineStart = i + 1;
        }
    }
    if (static_cast<long long>(printable) * 100 / length < 90)
        return EncodingBase64;
    if (longLine)
        return EncodingQuotedPrintable;
    if (anyNonPrintable)
        return Encoding8bit;
    return Encoding7bit;
}

void CMimeBodyPart::EncodeBody(int encoding, const CString& in, CString& out, CString& encodingName) {
    const CString text = CanonicalLineEnds(in);
    if (encoding < Encoding7bit || encoding > EncodingBase64)
        encoding = ChooseTransferEncoding(text.c_str(), text.GetLength());
    CString encoded;
    switch (encoding) {
    case Encoding7bit: {
        CString plain = text;
        plain.Replace('\x7f', '?');
        CMimeMessage::WrapLines(encoded, plain, kLineWidth);
        encodingName = "7bit";
        break;
    }
    case Encoding8bit:
        CMimeMessage::WrapLines(encoded, text, kLineWidth);
        encodingName = "8bit";
        break;
    case EncodingQuotedPrintable:
        CMimeMessage::EncodeQuotedPrintable(encoded, text);
        encodingName = "quoted-printable";
        break;
    default: {
        CBase64 coder;
        coder.Encode(text.c_str(), static_cast<unsigned>(text.GetLength()));
        CMimeMessage::WrapLines(
            encoded, CString(coder.EncodedMessage(), static_cast<int>(coder.EncodedLength())), kLineWidth);
        encodingName = "base64";
        break;
    }
    }
    out = StuffDots(encoded);
}
