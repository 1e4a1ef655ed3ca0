#include "File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

#include "../core/EngineError.h"
#include "FaultInjection.h"

namespace tabulon {

namespace {
[[noreturn]] void fail(const std::filesystem::path& path, const char* action) {
    throw EngineError(errkind::kFile,
                      std::string("Cannot ") + action + " " + path.string() + ": " + std::strerror(errno));
}

// Lock bytes far beyond any table's end, so locks never touch real data: the table's use,
// its writers' turn, a commit under way.
constexpr off_t kLockOffset = 0x7FFF'FFFF'0000LL;
constexpr off_t kWritingOffset = kLockOffset + 1;
constexpr off_t kCommitOffset = kLockOffset + 2;

std::atomic<std::int64_t> lockWaitMilliseconds{5000};

std::int64_t nanoseconds(const struct timespec& t) { return t.tv_sec * 1'000'000'000LL + t.tv_nsec; }
}  // namespace

File File::open(const std::filesystem::path& path, AccessMode access) {
    const int fd = ::open(path.c_str(), (access == AccessMode::ReadOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (fd < 0) fail(path, "open");
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        fail(path, "open");
    }
    return File(fd, path);
}

bool File::exists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

File File::create(const std::filesystem::path& path) {
    const int fd = FaultInjection::reached(IoCall::Create)
                       ? -1
                       : ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) fail(path, "create");
    return File(fd, path);
}

File::File(File&& other) noexcept : fd_(other.fd_), path_(std::move(other.path_)) { other.fd_ = -1; }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
    }
    return *this;
}

File::~File() {
    if (fd_ >= 0) ::close(fd_);
}

std::uint64_t File::size() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) fail(path_, "read the size of");
    return static_cast<std::uint64_t>(st.st_size);
}

std::size_t File::readAt(std::uint64_t offset, void* buffer, std::size_t length) const {
    std::size_t done = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (done < length) {
        const ssize_t n = ::pread(fd_, bytes + done, length - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(path_, "read");
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void File::writeAt(std::uint64_t offset, const void* buffer, std::size_t length) {
    std::size_t done = 0;
    const auto* bytes = static_cast<const char*>(buffer);
    if (FaultInjection::reached(IoCall::Write)) fail(path_, "write");
    while (done < length) {
        const ssize_t n = ::pwrite(fd_, bytes + done, length - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(path_, "write");
        }
        done += static_cast<std::size_t>(n);
    }
}

void File::truncate(std::uint64_t size) {
    if (FaultInjection::reached(IoCall::Truncate) || ::ftruncate(fd_, static_cast<off_t>(size)) != 0)
        fail(path_, "resize");
}

void File::sync() {
    if (FaultInjection::reached(IoCall::Sync)) fail(path_, "flush");
    if (!FaultInjection::flushSkipped() && ::fsync(fd_) != 0) fail(path_, "flush");
}

bool File::tryLockByte(std::int64_t offset, ShareMode mode) {
    struct flock request {};
    request.l_type = mode == ShareMode::Exclusive ? F_WRLCK : F_RDLCK;
    request.l_whence = SEEK_SET;
    request.l_start = offset;
    request.l_len = 1;
    if (::fcntl(fd_, F_OFD_SETLK, &request) == 0) return true;
    if (errno == EAGAIN || errno == EACCES) return false;
    fail(path_, "lock");
}

void File::unlockByte(std::int64_t offset) {
    struct flock request {};
    request.l_type = F_UNLCK;
    request.l_whence = SEEK_SET;
    request.l_start = offset;
    request.l_len = 1;
    ::fcntl(fd_, F_OFD_SETLK, &request);
}

// Polls rather than blocks (F_OFD_SETLKW has no timeout), backing off to a few milliseconds.
void File::waitForByte(std::int64_t offset, ShareMode mode, const char* holder) {
    const auto deadline = std::chrono::steady_clock::now() + lockWait();
    auto pause = std::chrono::microseconds(200);
    while (!tryLockByte(offset, mode)) {
        if (std::chrono::steady_clock::now() >= deadline)
            throw EngineError(errkind::kBusy, "Table " + path_.string() + " is busy: " + holder + " for longer than " +
                                                  std::to_string(lockWait().count()) + " ms");
        std::this_thread::sleep_for(pause);
        pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(20));
    }
}

bool File::tryLock(ShareMode mode) { return tryLockByte(kLockOffset, mode); }

void File::lockWriting() { waitForByte(kWritingOffset, ShareMode::Exclusive, "another writer is changing it"); }

void File::unlockWriting() { unlockByte(kWritingOffset); }

void File::lockCommit(ShareMode mode) {
    waitForByte(kCommitOffset, mode,
                mode == ShareMode::Exclusive ? "a reader is loading it" : "a commit is writing it");
}

void File::unlockCommit() { unlockByte(kCommitOffset); }

std::chrono::milliseconds File::lockWait() { return std::chrono::milliseconds(lockWaitMilliseconds.load()); }

void File::setLockWait(std::chrono::milliseconds wait) { lockWaitMilliseconds = wait.count(); }

FileStamp File::stamp() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) fail(path_, "read the state of");
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size), nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)};
}

void File::lock(ShareMode mode) {
    if (!tryLock(mode))
        throw EngineError(errkind::kBusy, "Table " + path_.string() + " is busy: " +
                                              (mode == ShareMode::Exclusive ? "it is open elsewhere"
                                                                            : "it is open exclusively elsewhere"));
}

bool File::isAt(const std::filesystem::path& path) const {
    struct stat open {
    }, named{};
    return ::fstat(fd_, &open) == 0 && ::stat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

void File::unlock() { unlockByte(kLockOffset); }

void syncFolder(const std::filesystem::path& folder) {
    if (FaultInjection::reached(IoCall::Sync)) fail(folder, "flush the folder");
    if (FaultInjection::flushSkipped()) return;
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) fail(folder, "open the folder");
    const int rc = ::fsync(fd);
    ::close(fd);
    if (rc != 0) fail(folder, "flush the folder");
}

}  // namespace tabulon
