// The .MB file's space: freed blocks are taken again before the file grows, a larger free
// block is split, neighbouring free blocks merge, and every stored blob reads back.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "io/Transaction.h"
#include "storage/paradox/ParadoxBlobFile.h"
#include "support/TempFolder.h"

using namespace tabulon;
using namespace tabulon::paradox;
using namespace tabulon::testing;

namespace {
constexpr std::uint32_t kUnit = ParadoxBlobFile::kBlockUnit;

ParadoxBlobFile emptyBlobFile(const TempFolder& folder) {
    PagedFile file = PagedFile::createNew(folder / "T.MB");
    const Bytes header = ParadoxBlobFile::emptyFile();
    file.write(0, header.data(), header.size());
    return ParadoxBlobFile(std::move(file));
}

Bytes blob(std::size_t size, std::uint8_t fill) { return Bytes(size, fill); }
}  // namespace

TEST(ParadoxBlobSpace, FreedBlocksAreTakenBeforeTheFileGrows) {
    TempFolder folder;
    ParadoxBlobFile mb = emptyBlobFile(folder);
    const std::uint32_t big = mb.store(blob(3 * kUnit, 1));  // four units with its header
    const std::uint32_t after = mb.store(blob(kUnit, 2));    // two units
    const std::uint64_t size = mb.file().size();
    mb.release(big);
    const std::uint32_t small = mb.store(blob(3000, 3));  // one unit: the start of the freed four
    EXPECT_EQ(small & ~0xFFu, big & ~0xFFu);
    const std::uint32_t sub = mb.store(blob(100, 4));  // a suballocated block in the rest
    EXPECT_EQ(sub & ~0xFFu, (big & ~0xFFu) + kUnit);
    const std::uint32_t two = mb.store(blob(kUnit, 5));  // the remaining two units
    EXPECT_EQ(two & ~0xFFu, (big & ~0xFFu) + 2 * kUnit);
    EXPECT_EQ(mb.file().size(), size);
    EXPECT_EQ(mb.read(small, 3000), blob(3000, 3));
    EXPECT_EQ(mb.read(sub, 100), blob(100, 4));
    EXPECT_EQ(mb.read(two, kUnit), blob(kUnit, 5));
    EXPECT_EQ(mb.read(after, kUnit), blob(kUnit, 2));
}

TEST(ParadoxBlobSpace, NeighbouringFreeBlocksMergeIntoOne) {
    TempFolder folder;
    ParadoxBlobFile mb = emptyBlobFile(folder);
    const std::uint32_t a = mb.store(blob(3000, 1));  // one unit each
    const std::uint32_t b = mb.store(blob(3000, 2));
    const std::uint32_t c = mb.store(blob(3000, 3));
    const std::uint64_t size = mb.file().size();
    mb.release(a);
    mb.release(c);
    mb.release(b);  // joins both neighbours: three units in one free block
    const std::uint32_t large = mb.store(blob(2 * kUnit + 100, 4));
    EXPECT_EQ(large & ~0xFFu, a & ~0xFFu);
    EXPECT_EQ(mb.file().size(), size);
    EXPECT_EQ(mb.read(large, 2 * kUnit + 100), blob(2 * kUnit + 100, 4));
}

TEST(ParadoxBlobSpace, RandomStoresAndReleasesKeepEveryBlobAndBoundTheFile) {
    TempFolder folder;
    ParadoxBlobFile mb = emptyBlobFile(folder);
    std::mt19937 random(11);
    std::map<std::uint32_t, Bytes> live;
    std::uint64_t largestLive = 0, liveBytes = 0;
    for (int step = 0; step < 3000; ++step) {
        if (!live.empty() && (live.size() > 40 || random() % 2)) {
            auto it = live.begin();
            std::advance(it, static_cast<long>(random() % live.size()));
            liveBytes -= it->second.size();
            mb.release(it->first);
            live.erase(it);
            continue;
        }
        const std::size_t size = random() % 3 == 0 ? 1 + random() % 200 : 2100 + random() % 20000;
        const Bytes value = blob(size, static_cast<std::uint8_t>(step));
        const std::uint32_t location = mb.store(value);
        ASSERT_EQ(live.count(location), 0u) << "a location handed out twice";
        live[location] = value;
        liveBytes += size;
        largestLive = std::max(largestLive, liveBytes);
    }
    for (const auto& [location, value] : live)
        ASSERT_EQ(mb.read(location, static_cast<std::uint32_t>(value.size())), value);
    // Without reuse 3000 steps would need over 10 MB; the live data never tops about 1 MB.
    EXPECT_LT(mb.file().size(), 4 * largestLive + 64 * kUnit);
}
