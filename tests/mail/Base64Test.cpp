// The Base64 coder: RFC 4648 test vectors both ways, pad bytes kept by decoding, white space and
// line breaks dropped, and buffers reused from call to call.
#include "mail/Base64.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Decoded(CBase64& coder) {
    return std::string(reinterpret_cast<const char*>(coder.DecodedMessage()), coder.DecodedLength());
}

} // namespace

TEST(Base64, EncodesTheRfcVectors) {
    const char* const vectors[][2] = {{"", ""},
                                      {"f", "Zg=="},
                                      {"fo", "Zm8="},
                                      {"foo", "Zm9v"},
                                      {"foob", "Zm9vYg=="},
                                      {"fooba", "Zm9vYmE="},
                                      {"foobar", "Zm9vYmFy"}};
    CBase64 coder;
    for (const auto& v : vectors) {
        coder.Encode(v[0]);
        EXPECT_STREQ(v[1], coder.EncodedMessage()) << v[0];
        EXPECT_EQ(std::strlen(v[1]), coder.EncodedLength());
    }
    // Every byte value, including zero bytes and the high half.
    std::string all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    coder.Encode(all.data(), static_cast<unsigned>(all.size()));
    std::string encoded = coder.EncodedMessage();
    EXPECT_EQ(344u, encoded.size());
    EXPECT_EQ("AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8g", encoded.substr(0, 44));
    EXPECT_EQ("+/w==", encoded.substr(encoded.size() - 5));
    coder.Decode(encoded.c_str());
    EXPECT_EQ(all + std::string(2, '\0'), Decoded(coder));
}

TEST(Base64, DecodingKeepsPadBytesAsZeros) {
    CBase64 coder;
    coder.Decode("Zm9vYmFy");
    EXPECT_EQ("foobar", Decoded(coder));
    coder.Decode("Zg==");
    EXPECT_EQ(std::string("f\0\0", 3), Decoded(coder));
    EXPECT_STREQ("f", reinterpret_cast<const char*>(coder.DecodedMessage()));
    coder.Decode("Zm8=");
    EXPECT_EQ(std::string("fo\0", 3), Decoded(coder));
    // A last group without its pad characters counts only the characters that are there.
    coder.Decode("Zm9vYg");
    EXPECT_EQ(5u, coder.DecodedLength());
    EXPECT_STREQ("foob", reinterpret_cast<const char*>(coder.DecodedMessage()));
}

TEST(Base64, WhiteSpaceAndLineBreaksAreDropped) {
    std::string text(300, 'x');
    CBase64 coder;
    coder.Encode(text.data(), static_cast<unsigned>(text.size()));
    std::string flat = coder.EncodedMessage();
    std::string broken;
    for (std::size_t i = 0; i < flat.size(); i += 76)
        broken += flat.substr(i, 76) + "\r\n";
    broken.insert(5, " \t");
    coder.Decode(broken.c_str());
    EXPECT_EQ(text, Decoded(coder));
}

TEST(Base64, BuffersAreReusedAndReplaced) {
    CBase64 coder;
    std::string big(10000, 'a');
    coder.Encode(big.data(), static_cast<unsigned>(big.size()));
    EXPECT_EQ(13336u, coder.EncodedLength());
    // A shorter second result leaves nothing of the first behind.
    coder.Encode("ab");
    EXPECT_STREQ("YWI=", coder.EncodedMessage());
    coder.Encode("", 0u);
    EXPECT_STREQ("", coder.EncodedMessage());
    coder.Encode(static_cast<const char*>(nullptr));
    EXPECT_STREQ("", coder.EncodedMessage());
    coder.Decode("VXNlcm5hbWU6");
    EXPECT_STREQ("Username:", reinterpret_cast<const char*>(coder.DecodedMessage()));
    coder.Decode("UA==");
    EXPECT_STREQ("P", reinterpret_cast<const char*>(coder.DecodedMessage()));
}
