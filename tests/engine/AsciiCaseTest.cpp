#include <gtest/gtest.h>

#include "core/AsciiCase.h"

using namespace tabulon;

// Only A-Z and a-z pair up: neighbours one bit apart ('@' and '`') and code-page or UTF-8
// letters stay distinct, so a name never matches through the process's locale.
TEST(AsciiCase, OnlyAsciiLettersIgnoreCase) {
    const struct {
        const char* a;
        const char* b;
        bool equal;
    } cases[] = {
        {"Cust_No", "CUST_NO", true},
        {"primary", "PRIMARY", true},
        {"", "", true},
        {"@", "`", false},
        {"[", "{", false},
        {"\xC9", "\xE9", false},
        {"ab", "abc", false},
    };
    for (const auto& c : cases) EXPECT_EQ(equalsIgnoringAsciiCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
    EXPECT_EQ(asciiUpper("stra\xC3\x9F"
                         "e 1a.db"),
              "STRA\xC3\x9F"
              "E 1A.DB");
    EXPECT_EQ(asciiLower("NAME\xC9.DB"), "name\xC9.db");
}
