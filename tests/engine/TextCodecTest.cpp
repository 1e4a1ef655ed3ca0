#include <gtest/gtest.h>

#include "core/EngineError.h"
#include "core/TextCodec.h"

using namespace tabulon;

TEST(TextCodec, DecodesSingleByteCodePages) {
    const TextCodec cp437("CP437");
    EXPECT_EQ(cp437.decode("\x81\xE1\xC9"), "üß╔");
    const TextCodec cp1252("cp1252");
    EXPECT_EQ(cp1252.name(), "CP1252");
    EXPECT_EQ(cp1252.decode("\x80 caf\xE9"), "€ café");
    const TextCodec cp866("CP866");
    EXPECT_EQ(cp866.decode("\x8F\xE0\xA8\xA2\xA5\xE2"), "Привет");
    // 0x81 is not defined in code page 1252: it becomes U+FFFD instead of vanishing.
    EXPECT_EQ(cp1252.decode("a\x81z"), "a\xEF\xBF\xBDz");
}

TEST(TextCodec, EncodesAndRefusesCharactersTheCodePageLacks) {
    const TextCodec cp850("CP850");
    EXPECT_EQ(cp850.encode("Ñandú"), std::optional<std::string>("\xA5\x61nd\xA3"));
    EXPECT_FALSE(cp850.encode("€").has_value());
    EXPECT_FALSE(cp850.encode("日本").has_value());
}

TEST(TextCodec, HandlesMultiByteCodePages) {
    const TextCodec cp932("CP932");
    const auto encoded = cp932.encode("日本語");
    ASSERT_TRUE(encoded.has_value());
    EXPECT_EQ(encoded->size(), 6u);
    EXPECT_EQ(cp932.decode(*encoded), "日本語");
    // A lead byte cut off at the end of a fixed-width field must not eat the text before it.
    EXPECT_EQ(cp932.decode(encoded->substr(0, 5)), "日本\xEF\xBF\xBD");
}

TEST(TextCodec, NamesCodePagesAndRejectsUnknownOnes) {
    EXPECT_EQ(TextCodec::nameForCodePage(437), "CP437");
    EXPECT_EQ(TextCodec::nameForCodePage(65001), "UTF-8");
    EXPECT_THROW(TextCodec("NO-SUCH-PAGE"), EngineError);
}

TEST(TextCodec, ReadsAndWritesMazoviaPolishText) {
    const TextCodec mazovia("CP620");
    EXPECT_EQ(mazovia.decode("Za\xA7\xA2\x92\x8D g\x91\x9El\x86 ja\xA6\xA4"), "Zażółć gęślą jaźń");
    EXPECT_EQ(mazovia.decode("\x8F\x8D\x90\x9C\xA0\xA1\xA5\x98\xA3\x95"), "ĄćĘŁŹŻŃŚÓĆ");
    EXPECT_EQ(mazovia.encode("Łódź"), std::optional<std::string>("\x9C\xA2\x64\xA6"));
    // 0x86 holds 'ą' here, so the letter it holds in code page 437 cannot be written.
    EXPECT_FALSE(mazovia.encode("å").has_value());
    EXPECT_EQ(mazovia.encode("A-z 1"), std::optional<std::string>("A-z 1"));
}

TEST(TextCodec, ReadsAndWritesKamenickyCzechText) {
    const TextCodec kamenicky("CP895");
    EXPECT_EQ(kamenicky.decode("P\xA9\xA1li\xA8 \x91lu\x9Fou\x87k\x98 k\x96\xA4"), "Příliš žluťoučký kůň");
    EXPECT_EQ(kamenicky.decode("\x80\x85\x86\x9B\x92\xA6\xA7\x8B\x81"), "ČĎŤŠŽŮÔÍü");
    EXPECT_EQ(kamenicky.encode("Příliš"), std::optional<std::string>("P\xA9\xA1li\xA8"));
    EXPECT_FALSE(kamenicky.encode("Ç").has_value());  // 0x80 holds 'Č' instead
}
