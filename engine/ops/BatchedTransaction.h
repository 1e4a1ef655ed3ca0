#pragma once
// A table's writes in transactions of so many changes each, as long imports and moves commit
// them: what a batch wrote stays once its transaction commits; what is pending when the object
// goes without commit() is rolled back. Same thread as the table.
#include <cstdint>
#include <memory>

namespace tabulon {

class StorageTable;
class Transaction;

class BatchedTransaction {
public:
    // `batchSize` changes a transaction; 0: one transaction for all.
    BatchedTransaction(StorageTable& table, std::uint64_t batchSize);
    ~BatchedTransaction();
    BatchedTransaction(const BatchedTransaction&) = delete;
    BatchedTransaction& operator=(const BatchedTransaction&) = delete;

    // One more change written: a full batch commits and the next begins.
    void changed();
    // Commits what is pending; no writes may follow.
    void commit();
    void rollback();

private:
    void begin();

    StorageTable& table_;
    std::uint64_t batchSize_;
    std::uint64_t pending_ = 0;
    std::unique_ptr<Transaction> transaction_;
};

}  // namespace tabulon
