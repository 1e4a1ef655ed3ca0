#include "TableLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "../core/EngineError.h"

namespace tabulon {

namespace {
struct Holder {
    unsigned long long ticket;
    std::string session;
    bool exclusive;
};

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::vector<Holder>> holders;
    unsigned long long nextTicket = 1;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

[[noreturn]] void busy(const std::filesystem::path& table, const std::string& who, bool exclusiveHolder) {
    throw EngineError(errkind::kBusy, "Table " + table.string() + " is busy: it is open " +
                                          (exclusiveHolder ? "exclusively " : "") + "in " + who);
}

// Takes the system lock: flock() on the table's file, exclusive for exclusive use, shared
// otherwise. Unlike a record lock it needs no write access, so a read-only file is held
// exclusively too; it belongs to the open file description, so the system drops it when the
// process dies, and it never meets the record locks drivers take on their files.
int lockFile(const std::filesystem::path& table, bool exclusive) {
    const int fd = ::open(table.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw EngineError(errkind::kFile, "Cannot open " + table.string() + ": " + std::strerror(errno));
    if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) busy(table, "another process", !exclusive);
        throw EngineError(errkind::kFile, "Cannot lock " + table.string() + ": " + std::strerror(error));
    }
    return fd;
}
}  // namespace

TableLock TableLock::acquire(const std::filesystem::path& table, const std::string& session, bool exclusive) {
    std::error_code ec;
    auto canonical = std::filesystem::weakly_canonical(std::filesystem::absolute(table), ec);
    const std::string key = (ec ? table : canonical).string();
    Registry& r = registry();
    std::lock_guard guard(r.mutex);
    auto& holders = r.holders[key];
    for (const Holder& h : holders)
        if (exclusive || h.exclusive) busy(table, "session '" + h.session + "'", h.exclusive);
    TableLock lock;
    lock.fd_ = lockFile(table, exclusive);
    lock.key_ = key;
    lock.ticket_ = r.nextTicket++;
    holders.push_back(Holder{lock.ticket_, session, exclusive});
    return lock;
}

TableLock::TableLock(TableLock&& other) noexcept : key_(std::move(other.key_)), ticket_(other.ticket_), fd_(other.fd_) {
    other.ticket_ = 0;
    other.fd_ = -1;
}

TableLock& TableLock::operator=(TableLock&& other) noexcept {
    if (this != &other) {
        release();
        key_ = std::move(other.key_);
        ticket_ = other.ticket_;
        fd_ = other.fd_;
        other.ticket_ = 0;
        other.fd_ = -1;
    }
    return *this;
}

TableLock::~TableLock() { release(); }

void TableLock::release() noexcept {
    if (ticket_ != 0) {
        Registry& r = registry();
        std::lock_guard guard(r.mutex);
        auto found = r.holders.find(key_);
        if (found != r.holders.end()) {
            std::erase_if(found->second, [&](const Holder& h) { return h.ticket == ticket_; });
            if (found->second.empty()) r.holders.erase(found);
        }
        ticket_ = 0;
    }
    if (fd_ >= 0) {
        ::close(fd_);  // closing the description drops its lock
        fd_ = -1;
    }
}

}  // namespace tabulon
