#include "core/Revision.h"

#include "core/Settings.h"
#include "platform/base/MessageBox.h"
#include "platform/base/TextCodec.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
    return c >= 'A' && c <= 'Z';
}

// The number of a two-digit revision, or -1 when it is not two digits.
int TwoDigitNumber(const CString& rev) {
    if (rev.GetLength() != 2 || !IsDigit(rev[0]) || !IsDigit(rev[1]))
        return -1;
    return (rev[0] - '0') * 10 + (rev[1] - '0');
}

CString NumberText(int n) {
    CString text;
    text.Format(n < 10 ? "0%d" : "%d", n);
    return text;
}

CString FormatError() {
    AfxMessageBox("版本格式不对...", MB_OK);
    return CString();
}

} // namespace

CString GetNextRevision(CString current, int mode) {
    const bool numberForm = ReadSettingInt("零部件配置", "替换版本号", "0") != 0;
    current.MakeUpper();
    if (current.IsEmpty())
        return CString(numberForm && mode == 1 ? "00" : "A");
    // Lengths count the bytes of the stored (code page 936) text: a Chinese character counts two.
    const std::size_t length = vq::Utf8ToGbk(current.str()).size();
    if (length > 2)
        return FormatError();

    if (mode == 0) {
        if (length == 2) {
            int n = TwoDigitNumber(current);
            if (n < 0)
                return FormatError();
            if (n >= 99) {
                AfxMessageBox("版本太多，已超过99项...", MB_OK);
                return CString();
            }
            return NumberText(n + 1);
        }
        char c = current[0];
        if (IsLetter(c))
            return c < 'Z' ? CString(static_cast<char>(c + 1)) : CString("26");
        if (IsDigit(c)) {
            // A one-digit revision written elsewhere advances as the number it is.
            CString text;
            text.Format("%d", c - '0' + 1);
            return text;
        }
        return FormatError();
    }
    if (mode == 1) {
        if (numberForm && length == 1 && IsLetter(current[0]))
            return NumberText(current[0] - 'A');
        return current;
    }
    int n = TwoDigitNumber(current);
    if (numberForm && n >= 0 && n < 26)
        return CString(static_cast<char>('A' + n));
    return current;
}
