#include "teamwork/LeadingNumber.h"

#include <cctype>
#include <climits>

int LeadingSignedInt(const CString& text) {
    const std::string& s = text.str();
    std::size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        negative = s[i++] == '-';
    long long value = 0;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
        value = value * 10 + (s[i] - '0');
        if (value > INT_MAX)
            value = INT_MAX;
    }
    return static_cast<int>(negative ? -value : value);
}
