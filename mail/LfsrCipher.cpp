#include "mail/LfsrCipher.h"

#include <cstring>
#include <string>

namespace {

constexpr std::uint32_t kSeedA = 0x13579BDF;
constexpr std::uint32_t kSeedB = 0x2468ACE0;
constexpr std::uint32_t kSeedC = 0xFDB97531;
// Used when the key given is empty; twelve bytes, none of them zero.
const char kDefaultKey[] = "VqPdm#Lfsr12";

// A key byte widened as a signed char: a byte of 128 or more sets all the bits above its own.
std::uint32_t SignExtended(char byte) {
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(byte)));
}

int Clock(std::uint32_t& reg, std::uint32_t feedback, std::uint32_t andMask, std::uint32_t orMask) {
    if (reg & 1) {
        reg = ((reg ^ feedback) >> 1) | orMask;
        return 1;
    }
    reg = (reg >> 1) & andMask;
    return 0;
}

} // namespace

const char* const CLfsrCipher::kMailKey = "VqMail#Key1";

CLfsrCipher::CLfsrCipher() : RegA(kSeedA), RegB(kSeedB), RegC(kSeedC) {}

void CLfsrCipher::SetKey(const char* key) {
    m_strKey = key ? key : "";
    std::string work = m_strKey.IsEmpty() ? std::string(kDefaultKey) : m_strKey.str();
    // A short key repeats itself up to twelve bytes; bytes after the twelfth are not used.
    for (std::size_t i = 0; work.size() < 12; ++i)
        work += work[i];
    for (int i = 0; i < 4; ++i) {
        RegA = RegA << 8 | SignExtended(work[i]);
        RegB = RegB << 8 | SignExtended(work[i + 4]);
        RegC = RegC << 8 | SignExtended(work[i + 8]);
    }
    if (RegA == 0)
        RegA = kSeedA;
    if (RegB == 0)
        RegB = kSeedB;
    if (RegC == 0)
        RegC = kSeedC;
}

int CLfsrCipher::ClockA() {
    return Clock(RegA, FeedbackA, AndMaskA, OrMaskA);
}

int CLfsrCipher::ClockB() {
    return Clock(RegB, FeedbackB, AndMaskB, OrMaskB);
}

int CLfsrCipher::ClockC() {
    return Clock(RegC, FeedbackC, AndMaskC, OrMaskC);
}

void CLfsrCipher::TransformByte(unsigned char* byte) {
    int outB = RegB & 1;
    int outC = RegC & 1;
    unsigned k = 0;
    for (int i = 0; i < 8; ++i) {
        if (ClockA())
            outB = ClockB();
        else
            outC = ClockC();
        k = ((k << 1) | static_cast<unsigned>(outB ^ outC)) & 0xFF;
    }
    auto result = static_cast<unsigned char>(*byte ^ k);
    if (result != 0)
        *byte = result;
}

void CLfsrCipher::TransformString(const char* key, CString* data) {
    SetKey(key);
    if (!data)
        return;
    std::string& bytes = data->str();
    const std::size_t length = bytes.size();
    for (std::size_t i = 0; i < length; ++i) {
        auto byte = static_cast<unsigned char>(bytes[i]);
        TransformByte(&byte);
        bytes[i] = static_cast<char>(byte);
    }
}
