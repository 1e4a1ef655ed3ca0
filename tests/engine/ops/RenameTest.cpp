// A renamed Paradox family carries its new file names inside its headers too.
#include <gtest/gtest.h>

#include "OpsFixture.h"
#include "core/AsciiCase.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {

std::string headerOf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes(0x800, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    const std::size_t headerSize = static_cast<unsigned char>(bytes[2]) | static_cast<unsigned char>(bytes[3]) << 8;
    return bytes.substr(0, headerSize);
}

TEST_F(OpsFixture, RenamedParadoxHeadersStoreTheNewNames) {
    const auto path = createItems("items.db", 5);
    TableDefinitions().rename(path, "renamed");
    const auto renamed = data() / "renamed.db";
    int headers = 0;
    for (const auto& member : driverForPath(renamed).familyFiles(renamed)) {
        const std::string extension = asciiUpper(member.extension().string());
        // A blob file stores no table name; a .VAL's stored path is informational and even real
        // files carry stale ones (a restructure's temporary name), so neither is rewritten.
        if (extension == ".MB" || extension == ".VAL") continue;
        const std::string header = headerOf(member);
        EXPECT_NE(header.find(member.filename().string() + '\0'), std::string::npos) << member;
        EXPECT_EQ(header.find("items"), std::string::npos) << member;
        ++headers;
    }
    EXPECT_EQ(headers, 4);  // .db, .PX and the secondary index's two files
    EXPECT_EQ(idsOf(renamed), (std::set<std::int64_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(openTable(renamed)->openIndex("BYNAME")->first(), true);
}

}  // namespace
