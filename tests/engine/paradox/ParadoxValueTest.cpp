// Field values: the encodings of every type, blank versus zero, and the values the sources of
// the fixture files state.
#include <gtest/gtest.h>

#include "ParadoxFixtures.h"
#include "core/TextCodec.h"
#include "storage/Drivers.h"
#include "storage/paradox/ParadoxValueCodec.h"

using namespace tabulon;
using namespace tabulon::paradox;
using namespace tabulon::testing;

namespace {
ParadoxField fieldOf(std::uint8_t code, int sizeByte) {
    ParadoxField f;
    f.type = *paradoxFieldType(code);
    f.sizeByte = sizeByte;
    f.bytes = paradoxRecordBytes(f.type, sizeByte);
    return f;
}

std::string hex(const std::vector<std::uint8_t>& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (auto b : bytes) s += std::string{digits[b >> 4], digits[b & 15]};
    return s;
}

struct EncodingCase {
    std::uint8_t code;
    int sizeByte;
    const char* text;  // toText form of the value; "" = null
    const char* hex;   // the record bytes
};

// Byte forms stated by the format description (and a few edges of each encoding).
const EncodingCase kEncodings[] = {
    {0x03, 0, "1", "8001"},
    {0x03, 0, "256", "8100"},
    {0x03, 0, "-1", "7FFF"},
    {0x03, 0, "-2", "7FFE"},
    {0x03, 0, "0", "8000"},
    {0x03, 0, "", "0000"},
    {0x04, 0, "-2147483647", "00000001"},
    {0x16, 0, "7", "80000007"},
    {0x02, 0, "2018-01-01", "800B3DB7"},
    {0x02, 0, "0100-01-01", "80008D40"},
    {0x02, 0, "1996-05-04", "800B1ECF"},
    {0x14, 0, "00:00:00.000", "80000000"},
    {0x06, 0, "0", "8000000000000000"},
    {0x06, 0, "1", "BFF0000000000000"},
    {0x06, 0, "-1", "400FFFFFFFFFFFFF"},
    {0x05, 0, "100", "C059000000000000"},
    {0x09, 0, "True", "81"},
    {0x09, 0, "False", "80"},
    {0x09, 0, "", "00"},
    {0x01, 4, "ab", "61620000"},
    {0x01, 4, "", "00000000"},
    {0x17, 2, "1.23", "C200000000000000000000000000000123"},
    {0x17, 2, "-1.23", "42FFFFFFFFFFFFFFFFFFFFFFFFFFFFFEDC"},
    {0x17, 2, "0.00", "C200000000000000000000000000000000"},
    {0x17, 2, "", "0000000000000000000000000000000000"},
    {0x15, 0, "2020-02-01T01:00:01.000", ""},  // round trip only
};

class ParadoxEncoding : public ::testing::TestWithParam<EncodingCase> {};
}  // namespace

TEST_P(ParadoxEncoding, EncodesAndDecodesTheStatedBytes) {
    const EncodingCase& c = GetParam();
    const TextCodec codec("CP1252");
    const ParadoxField field = fieldOf(c.code, c.sizeByte);
    const Value value = Value::fromText(valueKindFor(field.type.fieldType), c.text);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(field.bytes));
    ParadoxValueCodec::encode(value, field, "F", codec, bytes.data());
    if (*c.hex) {
        EXPECT_EQ(hex(bytes), c.hex);
    }
    const Value back = ParadoxValueCodec::decode(bytes.data(), field, codec);
    EXPECT_EQ(back.toText(), c.text);
}

INSTANTIATE_TEST_SUITE_P(Types, ParadoxEncoding, ::testing::ValuesIn(kEncodings));

TEST(ParadoxValueCodec, CutsBcdDigitsAfterANonDecimalNibble) {
    const TextCodec codec("CP850");
    std::vector<std::uint8_t> bytes(17, 0);
    bytes[0] = 0xC0 | 4;
    bytes[13] = 0x12;
    bytes[14] = 0x3A;  // junk nibble after 1, 2, 3
    bytes[15] = 0x99;
    bytes[16] = 0x99;
    const Value v = ParadoxValueCodec::decode(bytes.data(), fieldOf(0x17, 4), codec);
    EXPECT_EQ(v.toText(), "1230.0000");  // digits 1 2 3, then zeros for the noise
}

TEST(ParadoxFixtureValues, BcdDateTimeAndNumbersMatchTheSources) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    Record r;
    const auto bcd = openTable(paradoxFixtures() / "paradoxdriver/fields/bcd.db");
    const double expected[][3] = {{1.23, 1, 0.123}, {-1.23, -1, -0.123}, {0.0, 0, 0.9999}};
    for (std::uint64_t i = 0; i < 3; ++i) {
        bcd->readSlot(i, r);
        for (int f = 0; f < 3; ++f) {
            if (i == 2 && f == 1) {
                EXPECT_TRUE(r[1].isNull());
                continue;
            }
            EXPECT_NEAR(r[static_cast<std::size_t>(f)].asDouble(), expected[i][f], 0.001);
        }
    }
    bcd->readSlot(2, r);
    EXPECT_EQ(r[0].toText(), "0.00");  // zero is not blank

    const auto date7 = openTable(paradoxFixtures() / "paradoxdriver/fields/date7.db");
    std::vector<std::string> rows;
    for (std::uint64_t i = 0; i < date7->slotCount(); ++i) {
        date7->readSlot(i, r);
        rows.push_back(joinValues(r, 2));
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"2018-01-01|10:00:00.000", "2018-02-01|10:30:00.000",
                                              "2018-01-02|09:25:25.000", "|10:00:00.000", "2018-01-01|"}));

    const auto typs = openTable(paradoxFixtures() / "rparadox/TypSammlung.DB");
    bool sawDateBeforeYearOne = false;
    for (std::uint64_t i = 0; i < typs->slotCount(); ++i) {
        typs->readSlot(i, r);
        if (!r[6].isNull() && r[6].asDate().days < -719162) sawDateBeforeYearOne = true;
    }
    EXPECT_TRUE(sawDateBeforeYearOne);  // the fifth row holds day -366
    typs->readSlot(0, r);
    EXPECT_EQ(r[5].toText(), "40.000000");
}

TEST(ParadoxFixtureValues, BytesKeepTheWholeField) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    const auto table = openTable(paradoxFixtures() / "paradoxdriver/fields/bytes.db");
    Record r;
    table->readSlot(0, r);
    const Bytes& b = r[0].asBytes();
    ASSERT_EQ(b.size(), 255u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 6), std::string("1\0"
                                                                 "2\0"
                                                                 "3\0",
                                                                 6));  // "123" in UTF-16LE
}

TEST(ParadoxFixtureValues, BlobsComeFromTheLeaderAndBothMbBlockKinds) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    Record r;
    const auto memo = openTable(paradoxFixtures() / "paradoxdriver/fields/memo.db");
    memo->readSlot(0, r);
    EXPECT_EQ(r[1].asString().size(), 555u);  // suballocated slot
    memo->readSlot(1, r);
    EXPECT_EQ(r[1].asString(), "01234567890\n");  // inline in the leader

    const auto graphic = openTable(paradoxFixtures() / "paradoxdriver/fields/graphic.db");
    graphic->readSlot(1, r);
    EXPECT_EQ(r[1].asBytes().size(), 9626u - 8);  // the stored bytes less the picture prefix
    EXPECT_EQ(std::string(r[1].asBytes().begin(), r[1].asBytes().begin() + 2), "BM");
    graphic->readSlot(2, r);
    EXPECT_EQ(r[1].asBytes().size(), 2074686u - 8);

    const auto fmemo = openTable(paradoxFixtures() / "paradoxdriver/fields/fmemo.db");
    fmemo->readSlot(0, r);
    EXPECT_FALSE(r[1].isNull());

    const auto komment = openTable(paradoxFixtures() / "python-pxlib/KOMMENT.DB");
    ASSERT_EQ(komment->recordCount(), 59u);
    EXPECT_TRUE(komment->problems().empty());
    komment->readSlot(0, r);
    EXPECT_EQ(joinValues(r, 2), "2006|BAPTI");
    EXPECT_EQ(r[3].asString().rfind("Statistikken inkluderer", 0), 0u);
    for (std::uint64_t i = 0; i < komment->slotCount(); ++i) {
        komment->readSlot(i, r);
        EXPECT_FALSE(r[3].isNull()) << "row " << i;
    }
    komment->readSlot(58, r);
    EXPECT_EQ(r[1].asString(), "ÅPNED");

    const auto mushrooms = openTable(paradoxFixtures() / "rparadox/mushrooms.db");
    mushrooms->readSlot(0, r);
    EXPECT_EQ(r[5].asString().size(), 208u);
    EXPECT_EQ(r[6].asBytes().size(), 230462u - 8);
    EXPECT_TRUE(mushrooms->problems().empty());
}
