// The password-file cipher: its own inverse, keyed only by the first twelve key bytes (a short
// key repeating itself), the default key for an empty one, and sign extension of key bytes.
#include "mail/LfsrCipher.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Transformed(const char* key, const std::string& text) {
    CString data(text);
    CLfsrCipher cipher;
    cipher.TransformString(key, &data);
    return data.str();
}

// The keystream for a key, as it shows on a text of 0x01 bytes.
std::string Keystream(const char* key, std::size_t length = 64) {
    return Transformed(key, std::string(length, '\x01'));
}

} // namespace

TEST(LfsrCipher, TransformingTwiceGivesTheTextBack) {
    std::string all;
    for (int i = 1; i < 256; ++i)
        all += static_cast<char>(i);
    for (const char* key : {CLfsrCipher::kMailKey, "", "k", "a much longer key than twelve bytes"}) {
        std::string once = Transformed(key, all + all);
        EXPECT_NE(all + all, once) << key;
        EXPECT_EQ(std::string::npos, once.find('\0')) << "a zero byte was made with key " << key;
        EXPECT_EQ(all + all, Transformed(key, once)) << key;
    }
    EXPECT_EQ("", Transformed("key", ""));
}

TEST(LfsrCipher, KeyingUsesTwelveBytesRepeatingAShortKey) {
    EXPECT_EQ(Keystream("abc"), Keystream("abcabcabcabc"));
    EXPECT_EQ(Keystream("abcde"), Keystream("abcdeabcdeab"));
    EXPECT_EQ(Keystream("0123456789AB"), Keystream("0123456789ABxyz"));
    EXPECT_NE(Keystream("0123456789AB"), Keystream("0123456789AC"));
    // The default key stands in for an empty one.
    EXPECT_EQ(Keystream(""), Keystream(nullptr));
    CLfsrCipher cipher;
    CString key;
    cipher.SetKey("mine");
    cipher.GetKey(key);
    EXPECT_EQ("mine", key);
}

TEST(LfsrCipher, EveryTextStartsAfreshFromItsKey) {
    CLfsrCipher cipher;
    CString a("first text"), b("first text");
    cipher.TransformString("k1", &a);
    cipher.TransformString("k1", &b);
    EXPECT_EQ(a, b);
}

TEST(LfsrCipher, HighKeyBytesAreSignExtended) {
    // With sign extension a key byte of 0x80 or more at the fourth place fills the upper 24 bits
    // of the register, so the earlier three bytes do not matter.
    EXPECT_EQ(Keystream("\x01\x02\x03\360bcdefghi"), Keystream("\x7F\x7E\x7D\360bcdefghi"));
    EXPECT_NE(Keystream("\x01\x02\x03pbcdefghi"), Keystream("\x7F\x7E\x7Dpbcdefghi"));
    EXPECT_EQ(Keystream("abcdefghijk\x90"), Keystream("abcdefgh\x11\x22\x33\x90"));
}

TEST(LfsrCipher, ReadsAPasswordFileMadeWithTheMailKey) {
    // A password file is the password put through the same transformation with the mail key;
    // a line end written into the file belongs to the password.
    const std::string password = "pass word\r\n";
    const std::string file = Transformed(CLfsrCipher::kMailKey, password);
    EXPECT_NE(password, file);
    EXPECT_EQ(password, Transformed(CLfsrCipher::kMailKey, file));
    EXPECT_NE(password, Transformed("another key", file));
}
