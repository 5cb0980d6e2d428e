#include "Procedure/AddressEncoding.h"

#include <gtest/gtest.h>

TEST(AddressEncoding, LoggedAddressTurnsBackslashesAndAddsTheQuery) {
    const std::string url = "http://127.0.0.1:8620/VELDMOR\\AutoPatch\\AutoPatch_1.0_1.1\\patchinfo_1.0_1.1.ini";
    const std::string logged = MakeLoggedAddress(url, 4294967295u);
    EXPECT_EQ(logged,
              "http://127.0.0.1:8620/VELDMOR/AutoPatch/AutoPatch_1.0_1.1/patchinfo_1.0_1.1.ini?rand=4294967295");
    EXPECT_EQ(PercentEncode(logged),
              "http://127.0.0.1:8620/VELDMOR/AutoPatch/AutoPatch%5F1.0%5F1.1/patchinfo%5F1.0%5F1.1.ini"
              "?rand%3D4294967295");
}

TEST(AddressEncoding, TwoByteCharactersKeepTheirTrailByte) {
    // "\x95\x5C" is one code page 936 character whose second byte looks like a backslash.
    const std::string url = "http://h/VELDMOR\\a\x95\x5C" "b\\c";
    const std::string logged = MakeLoggedAddress(url, 7);
    EXPECT_EQ(logged, "http://h/VELDMOR/a\x95\x5C" "b/c?rand=7");
    // The character (U+661E) goes out as its three UTF-8 bytes, each percent-encoded.
    EXPECT_EQ(PercentEncode(logged), "http://h/VELDMOR/a%E6%98%9Eb/c?rand%3D7");
}

TEST(AddressEncoding, PercentEncodeTable) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"http://host/a b-c_d~e", "http://host/a%20b%2Dc%5Fd%7Ee"},
        {"http://host/#&./:?@\\", "http://host/#&./:?@\\"},
        {"ab cd_", "ab%20cd%5F"},                    // no "/" at index 8 or later: nothing kept as is
        {"https://h/x", "https://h/x"},              // the first "/" from index 8 ends the kept part
        {"http://h/\xD6\xD0", "http://h/%E4%B8%AD"},  // code page 936 to UTF-8
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(PercentEncode(c.in), c.out) << c.in;
}
