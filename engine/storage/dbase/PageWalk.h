#pragma once
// Guards a walk through an index file's pages against loops and pointers out of the file.
#include <cstdint>
#include <string>
#include <unordered_set>

#include "../../core/EngineError.h"

namespace tabulon::dbase {

class PageWalk {
public:
    PageWalk(std::string fileName, std::uint64_t fileSize) : fileName_(std::move(fileName)), fileSize_(fileSize) {}

    // Throws EFormatError unless a page at `offset` starts inside the file and was not visited
    // before (a page cut short by the file's end reads as zeros).
    void enter(std::uint64_t offset) {
        if (offset >= fileSize_) fail("points to offset " + std::to_string(offset) + ", past the end of the file");
        if (!visited_.insert(offset).second) fail("loops back to the page at offset " + std::to_string(offset));
    }
    [[noreturn]] void fail(const std::string& why) const {
        throw EngineError(errkind::kFormat, fileName_ + ": an index page " + why);
    }

private:
    std::string fileName_;
    std::uint64_t fileSize_;
    std::unordered_set<std::uint64_t> visited_;
};

}  // namespace tabulon::dbase
