#pragma once
// Shared and exclusive use of a table across the sessions of this process and across processes.
#include <filesystem>
#include <string>

namespace tabulon {

// Held while a dataset table is open. Within the process a registry knows which session holds
// each table; between processes a flock() on the table's file does (read-only files included), so
// the system releases it when the process dies. Movable; the destructor releases. Thread-safe.
class TableLock {
public:
    TableLock() = default;
    // Throws EngineError(ETableBusy) naming the table and the holder ("session 'Default'",
    // "another process") when `exclusive` use meets any other use, or any use meets an
    // exclusive one; EFileError when the file cannot be opened.
    static TableLock acquire(const std::filesystem::path& table, const std::string& session, bool exclusive);
    TableLock(TableLock&& other) noexcept;
    TableLock& operator=(TableLock&& other) noexcept;
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;
    ~TableLock();

private:
    void release() noexcept;
    std::string key_;
    unsigned long long ticket_ = 0;
    int fd_ = -1;
};

}  // namespace tabulon
