#include "TableSignature.h"

#include <sys/stat.h>
#include <time.h>

#include "../core/EngineError.h"
#include "../storage/Drivers.h"

namespace tabulon {
namespace {

// Longer than a clock tick (at most 10 ms) with a wide margin for coarse file systems.
constexpr long long kSettleNanoseconds = 100'000'000;

long long nanoseconds(const struct timespec& t) { return t.tv_sec * 1'000'000'000LL + t.tv_nsec; }

}  // namespace

bool TableSignature::FileState::operator==(const FileState& other) const {
    return path == other.path && device == other.device && inode == other.inode && size == other.size &&
           nanoseconds(modified) == nanoseconds(other.modified);
}

TableSignature TableSignature::of(const std::filesystem::path& table) {
    TableSignature signature;
    std::vector<std::filesystem::path> family;
    try {
        family = driverForPath(table).familyFiles(table);
    } catch (const EngineError&) {
        return signature;
    }
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    signature.settled_ = true;
    for (const auto& path : family) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) return TableSignature();
        signature.files_.push_back({path, info.st_dev, info.st_ino, info.st_size, info.st_mtim});
        if (nanoseconds(now) - nanoseconds(info.st_mtim) < kSettleNanoseconds) signature.settled_ = false;
    }
    return signature;
}

bool TableSignature::unchangedIn(const TableSignature& now) const {
    return settled_ && !files_.empty() && files_ == now.files_;
}

}  // namespace tabulon
