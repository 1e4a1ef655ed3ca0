#pragma once
// A thin owner of a POSIX file descriptor whose errors name the file.
#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace tabulon {

enum class AccessMode { ReadOnly, ReadWrite };
enum class ShareMode { Shared, Exclusive };

// Not thread-safe; one owner at a time. Every failing call throws EngineError(EFileError)
// with the path and the system's reason.
class File {
public:
    File() = default;
    static File open(const std::filesystem::path& path, AccessMode access);
    static bool exists(const std::filesystem::path& path);
    // Creates or truncates.
    static File create(const std::filesystem::path& path);
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    bool isOpen() const { return fd_ >= 0; }
    const std::filesystem::path& path() const { return path_; }
    std::uint64_t size() const;
    // Reads up to `length` bytes; fewer only at the end of the file.
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t length) const;
    void writeAt(std::uint64_t offset, const void* buffer, std::size_t length);
    void truncate(std::uint64_t size);
    void sync();

    // Whole-file locks between processes and between opens in one process (open file
    // description locks). Throws EngineError(ETableBusy) when another holder conflicts.
    void lock(ShareMode mode);
    // As lock(), but answers false instead of throwing when another holder conflicts.
    bool tryLock(ShareMode mode);
    void unlock();
    // Whether `path` still names this open file: false once it was removed or replaced.
    bool isAt(const std::filesystem::path& path) const;

private:
    File(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {}
    int fd_ = -1;
    std::filesystem::path path_;
};

// Makes a folder's entries (creations, renames, removals) durable.
void syncFolder(const std::filesystem::path& folder);

}  // namespace tabulon
