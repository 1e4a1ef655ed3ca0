#pragma once
// A thin owner of a POSIX file descriptor whose errors name the file.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace tabulon {

enum class AccessMode { ReadOnly, ReadWrite };
enum class ShareMode { Shared, Exclusive };

// What fstat() says of an open file: whether another writer changed it since.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // nanoseconds
    std::int64_t changed = 0;   // nanoseconds (inode change time)
    bool operator==(const FileStamp&) const = default;
};

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
    FileStamp stamp() const;

    // The writers' turn on a table (one transaction at a time, across processes and opens):
    // waits up to lockWait() for the holder to finish, then throws EngineError(ETableBusy)
    // naming the file. Needs write access.
    void lockWriting();
    void unlockWriting();
    // A commit writing the file holds this exclusively; a reader loading a table's state holds
    // it shared, so it never sees a commit half-written. Waits as lockWriting() does.
    void lockCommit(ShareMode mode);
    void unlockCommit();
    // How long lockWriting() and lockCommit() wait for another holder; 5 seconds by default.
    static std::chrono::milliseconds lockWait();
    static void setLockWait(std::chrono::milliseconds wait);

private:
    File(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {}
    bool tryLockByte(std::int64_t offset, ShareMode mode);
    void waitForByte(std::int64_t offset, ShareMode mode, const char* holder);
    void unlockByte(std::int64_t offset);
    int fd_ = -1;
    std::filesystem::path path_;
};

// Holds the shared commit lock of `file` while it lives (see File::lockCommit).
class CommittedStateRead {
public:
    explicit CommittedStateRead(File& file) : file_(file) { file_.lockCommit(ShareMode::Shared); }
    CommittedStateRead(const CommittedStateRead&) = delete;
    CommittedStateRead& operator=(const CommittedStateRead&) = delete;
    ~CommittedStateRead() { file_.unlockCommit(); }

private:
    File& file_;
};

// Makes a folder's entries (creations, renames, removals) durable.
void syncFolder(const std::filesystem::path& folder);

}  // namespace tabulon
