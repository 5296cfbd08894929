#include "audio/Base64.h"

#include <gtest/gtest.h>

namespace hollerbox {
namespace {

TEST(Base64Test, MatchesTheRfc4648TestVectorsBothWays)
{
    const std::pair<std::string, std::string> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [bytes, text] : vectors) {
        EXPECT_EQ(base64Encode(bytes), text);
        EXPECT_EQ(base64Decode(text), bytes) << text;
    }
}

TEST(Base64Test, UsesTheStandardAlphabetForEveryByteValue)
{
    std::string bytes;
    for (int i = 0; i < 256; ++i) {
        bytes += static_cast<char>(i);
    }
    const auto text = base64Encode(bytes);
    EXPECT_EQ(text.substr(0, 8), "AAECAwQF");
    EXPECT_NE(text.find('+'), std::string::npos);
    EXPECT_NE(text.find('/'), std::string::npos);
    EXPECT_EQ(text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
              std::string::npos);
    EXPECT_EQ(base64Decode(text), bytes);
    EXPECT_EQ(base64Decode("+/+/"), std::string("\xfb\xff\xbf", 3));
}

TEST(Base64Test, RejectsEverythingOutsideTheStrictForm)
{
    for (const char* text : {"Zm9v\n", "Zm9v\r\nYmFy", " Zm9v", "Zm9", "Zg", "Zg=", "Zg===", "=Zm9", "Zm=v",
                             "Zg==Zm9v", "Zm9v====", "-_-_", "Zm9v YmFy", "Zh==", "Zm9=",
                             "\xc3\xa9"
                             "AAA",
                             "===="}) {
        EXPECT_FALSE(base64Decode(text).has_value()) << text;
    }
    EXPECT_FALSE(base64Decode(std::string("Zm\0v", 4)).has_value());
}

} // namespace
} // namespace hollerbox
