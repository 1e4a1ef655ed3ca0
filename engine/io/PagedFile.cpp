#include "PagedFile.h"

#include <algorithm>
#include <cstring>

#include "../core/EngineError.h"

namespace tabulon {

PagedFile PagedFile::open(const std::filesystem::path& path, AccessMode access) {
    PagedFile f;
    f.path_ = path;
    f.file_ = File::open(path, access);
    f.writable_ = access == AccessMode::ReadWrite;
    f.diskSize_ = f.readableDisk_ = f.size_ = f.file_.size();
    return f;
}

PagedFile PagedFile::createNew(const std::filesystem::path& path) {
    PagedFile f;
    f.path_ = path;
    f.writable_ = true;
    f.existsOnDisk_ = false;
    return f;
}

const std::uint8_t* PagedFile::cachedChunk(std::uint64_t chunk) const {
    CachedChunk* slot = &cache_[0];
    for (CachedChunk& c : cache_) {
        if (c.chunk == chunk) {
            c.lastUse = ++useClock_;
            return c.bytes.data();
        }
        if (c.lastUse < slot->lastUse) slot = &c;
    }
    slot->bytes.resize(kChunkSize);
    const std::size_t got = existsOnDisk_ ? file_.readAt(chunk * kChunkSize, slot->bytes.data(), kChunkSize) : 0;
    std::fill(slot->bytes.begin() + static_cast<std::ptrdiff_t>(got), slot->bytes.end(), 0);
    slot->chunk = chunk;
    slot->lastUse = ++useClock_;
    return slot->bytes.data();
}

void PagedFile::dropCache() {
    // Slots keep their buffers for reuse; only what they hold is forgotten.
    for (CachedChunk& c : cache_) c.chunk = ~0ULL, c.lastUse = 0;
}

std::size_t PagedFile::read(std::uint64_t offset, void* buffer, std::size_t length) const {
    if (offset >= size_) return 0;
    length = static_cast<std::size_t>(std::min<std::uint64_t>(length, size_ - offset));
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < length) {
        const std::uint64_t pos = offset + done;
        const std::uint64_t page = pos / kPageSize;
        const std::size_t inPage = static_cast<std::size_t>(pos % kPageSize);
        std::size_t n = std::min<std::size_t>(length - done, kPageSize - inPage);
        if (auto it = dirty_.find(page); it != dirty_.end()) {
            std::memcpy(out + done, it->second.data() + inPage, n);
        } else {
            const std::uint64_t chunk = pos / kChunkSize;
            const std::size_t inChunk = static_cast<std::size_t>(pos % kChunkSize);
            n = std::min<std::size_t>(n, kChunkSize - inChunk);
            // Bytes past the disk size but inside the logical size were cut by truncate and
            // re-grown: they read as zeros.
            if (pos >= readableDisk_) {
                std::memset(out + done, 0, n);
            } else {
                std::memcpy(out + done, cachedChunk(chunk) + inChunk, n);
            }
        }
        done += n;
    }
    return length;
}

const std::uint8_t* PagedFile::view(std::uint64_t offset, std::size_t length) const {
    const std::uint64_t chunk = offset / kChunkSize;
    if (length == 0 || offset + length > readableDisk_ || offset + length > size_ ||
        (offset + length - 1) / kChunkSize != chunk)
        return nullptr;
    if (!dirty_.empty())
        for (std::uint64_t page = offset / kPageSize; page <= (offset + length - 1) / kPageSize; ++page)
            if (dirty_.count(page)) return nullptr;
    return cachedChunk(chunk) + offset % kChunkSize;
}

void PagedFile::readExact(std::uint64_t offset, void* buffer, std::size_t length) const {
    if (read(offset, buffer, length) != length)
        throw EngineError(errkind::kFormat, path_.string() + " ends at byte " + std::to_string(size_) + ", before " +
                                                std::to_string(offset + length));
}

std::vector<std::uint64_t> PagedFile::pendingPages() const {
    std::vector<std::uint64_t> pages;
    pages.reserve(dirty_.size());
    for (const auto& page : dirty_) pages.push_back(page.first);
    std::sort(pages.begin(), pages.end());
    return pages;
}

std::vector<std::uint8_t>& PagedFile::dirtyPage(std::uint64_t page) {
    auto [it, inserted] = dirty_.try_emplace(page);
    if (inserted) {
        it->second.assign(kPageSize, 0);
        const std::uint64_t start = page * kPageSize;
        if (start < size_) {
            // Read the current contents (not through dirty_, which has no entry yet).
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kPageSize, size_ - start));
            for (std::size_t done = 0; done < n;) {
                const std::uint64_t pos = start + done;
                const std::size_t inChunk = static_cast<std::size_t>(pos % kChunkSize);
                const std::size_t m = std::min<std::size_t>(n - done, kChunkSize - inChunk);
                if (pos < readableDisk_)
                    std::memcpy(it->second.data() + done, cachedChunk(pos / kChunkSize) + inChunk, m);
                done += m;
            }
        }
    }
    return it->second;
}

void PagedFile::write(std::uint64_t offset, const void* buffer, std::size_t length) {
    ++changes_;
    if (!writable_) throw EngineError(errkind::kUsage, path_.string() + " is open for reading only");
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < length) {
        const std::uint64_t pos = offset + done;
        const std::size_t inPage = static_cast<std::size_t>(pos % kPageSize);
        const std::size_t n = std::min<std::size_t>(length - done, kPageSize - inPage);
        std::memcpy(dirtyPage(pos / kPageSize).data() + inPage, in + done, n);
        done += n;
    }
    size_ = std::max(size_, offset + length);
}

void PagedFile::truncate(std::uint64_t size) {
    ++changes_;
    if (!writable_) throw EngineError(errkind::kUsage, path_.string() + " is open for reading only");
    if (size < size_) {
        // Pages wholly past the end go; the page holding the new end keeps zeros after it.
        std::erase_if(dirty_, [&](const auto& page) { return page.first >= (size + kPageSize - 1) / kPageSize; });
        if (size % kPageSize != 0) {
            auto& page = dirtyPage(size / kPageSize);
            std::fill(page.begin() + static_cast<std::ptrdiff_t>(size % kPageSize), page.end(), 0);
        }
        // Later reads past the new end must not see the old disk bytes.
        readableDisk_ = std::min(readableDisk_, size);
    }
    size_ = size;
}

void PagedFile::discardPendingWrites() {
    ++changes_;
    dirty_.clear();
    refresh();
}

void PagedFile::refresh() {
    ++changes_;
    dropCache();
    if (!existsOnDisk_) {
        size_ = 0;
        return;
    }
    diskSize_ = file_.size();
    if (dirty_.empty()) readableDisk_ = size_ = diskSize_;
}

}  // namespace tabulon
