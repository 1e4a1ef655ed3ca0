#include "BatchedTransaction.h"

#include "../io/Transaction.h"
#include "../storage/StorageTable.h"

namespace tabulon {

BatchedTransaction::BatchedTransaction(StorageTable& table, std::uint64_t batchSize)
    : table_(table), batchSize_(batchSize) {
    begin();
}

BatchedTransaction::~BatchedTransaction() { table_.setTransaction(nullptr); }

void BatchedTransaction::changed() {
    if (batchSize_ != 0 && ++pending_ == batchSize_) {
        commit();
        begin();
    }
}

void BatchedTransaction::commit() {
    transaction_->commit();
    pending_ = 0;
}

void BatchedTransaction::rollback() { transaction_->rollback(); }

void BatchedTransaction::begin() {
    table_.setTransaction(nullptr);
    transaction_ = std::make_unique<Transaction>(Transaction::newJournalPath(table_.path().parent_path()));
    table_.setTransaction(transaction_.get());
}

}  // namespace tabulon
