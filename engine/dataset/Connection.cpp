#include "Connection.h"

#include <algorithm>
#include <exception>

#include "../core/EngineError.h"
#include "../io/Transaction.h"
#include "Session.h"
#include "Table.h"

namespace tabulon {

namespace {
constexpr const char* kPathParam = "PATH=";
constexpr const char* kDriverParam = "DEFAULT DRIVER=PARADOX";
constexpr const char* kBcdParam = "ENABLE BCD=FALSE";

// Runs `step`, keeping its exception in `first` unless an earlier one is kept there.
template <typename Step>
void keepFirstFailure(std::exception_ptr& first, Step&& step) {
    try {
        step();
    } catch (...) {
        if (!first) first = std::current_exception();
    }
}
}  // namespace

Connection::Connection(Session& session, std::string alias) : session_(session), alias_(std::move(alias)) {}

Connection::~Connection() {
    try {
        disconnect();
    } catch (...) {
        // The tables are closed even so; a rollback that failed is left to the next open's
        // recovery, as a destructor cannot report it.
    }
}

void Connection::requireDisconnected(const char* what) const {
    if (connected_)
        throw EngineError(errkind::kUsage, std::string("Cannot change the ") + what + " of connection '" + alias_ +
                                               "' while it is connected");
}

void Connection::setDriverName(std::string name) {
    requireDisconnected("driver");
    driverName_ = std::move(name);
}

std::vector<std::string> Connection::folderParams(const std::string& folder) {
    return {kPathParam + folder, kDriverParam, kBcdParam};
}

void Connection::setParams(std::vector<std::string> params) {
    requireDisconnected("parameters");
    params_ = std::move(params);
}

void Connection::connect() {
    if (connected_) return;
    const std::string where = "Connection '" + alias_ + "': ";
    if (driverName_ != kDriverName)
        throw EngineError(errkind::kValue,
                          where + "driver \"" + std::string(kDriverName) + "\" expected, not \"" + driverName_ + "\"");
    const std::vector<std::string> expected = {kPathParam, kDriverParam, kBcdParam};
    if (params_.size() != expected.size())
        throw EngineError(errkind::kValue, where + "exactly three parameters expected (\"PATH=<folder>\", \"" +
                                               kDriverParam + "\", \"" + kBcdParam + "\"), not " +
                                               std::to_string(params_.size()));
    if (params_[0].rfind(kPathParam, 0) != 0)
        throw EngineError(errkind::kValue, where + "parameter 1 must be \"PATH=<folder>\", not \"" + params_[0] + "\"");
    for (std::size_t i = 1; i < expected.size(); ++i)
        if (params_[i] != expected[i])
            throw EngineError(errkind::kValue, where + "parameter " + std::to_string(i + 1) + " must be \"" +
                                                   expected[i] + "\", not \"" + params_[i] + "\"");
    const std::filesystem::path folder = params_[0].substr(std::string(kPathParam).size());
    std::error_code ec;
    if (folder.empty() || !std::filesystem::is_directory(folder, ec))
        throw EngineError(errkind::kFile, "Folder '" + folder.string() + "' does not exist");
    std::filesystem::directory_iterator probe(folder, ec);
    if (ec) throw EngineError(errkind::kFile, "Folder '" + folder.string() + "' cannot be read: " + ec.message());
    folder_ = folder;
    connected_ = true;
}

void Connection::disconnect() {
    if (!connected_) return;
    std::exception_ptr failure;
    keepFirstFailure(failure, [&] { rollback(); });
    extensions_.clear();
    while (!tables_.empty()) tables_.back()->close();
    connected_ = false;
    folder_.clear();
    if (failure) std::rethrow_exception(failure);
}

void Connection::startTransaction() {
    if (!connected_) throw EngineError(errkind::kUsage, "Connection '" + alias_ + "' is not connected");
    if (transaction_) throw EngineError(errkind::kUsage, "Connection '" + alias_ + "' is already in a transaction");
    transaction_ = std::make_unique<Transaction>(Transaction::newJournalPath(folder_));
    for (Table* table : tables_) table->joinTransaction(transaction_.get());
}

void Connection::commit() {
    if (!transaction_) throw EngineError(errkind::kUsage, "Connection '" + alias_ + "' has no transaction to commit");
    transaction_->commit();
    endTransaction(true);
}

void Connection::rollback() {
    if (!transaction_) return;
    // The transaction ends even when a table cannot re-read its files; the error is reported.
    std::exception_ptr failure;
    keepFirstFailure(failure, [&] { transaction_->rollback(); });
    keepFirstFailure(failure, [&] { endTransaction(false); });
    if (failure) std::rethrow_exception(failure);
}

void Connection::endTransaction(bool committed) {
    // Every table leaves, even when one fails to; the first failure is reported.
    std::exception_ptr failure;
    for (Table* table : tables_) keepFirstFailure(failure, [&] { table->leaveTransaction(committed); });
    transaction_.reset();
    if (failure) std::rethrow_exception(failure);
}

std::filesystem::path Connection::newJournalPath() const { return Transaction::newJournalPath(folder_); }

ConnectionExtension* Connection::extension(const std::string& key) const {
    const auto found = extensions_.find(key);
    return found == extensions_.end() ? nullptr : found->second.get();
}

ConnectionExtension& Connection::setExtension(const std::string& key, std::unique_ptr<ConnectionExtension> extension) {
    if (!connected_) throw EngineError(errkind::kUsage, "Connection '" + alias_ + "' is not connected");
    auto& slot = extensions_[key];
    slot = std::move(extension);
    return *slot;
}

void Connection::attach(Table& table) {
    tables_.push_back(&table);
    if (transaction_) table.joinTransaction(transaction_.get());
}

void Connection::detach(Table& table) { std::erase(tables_, &table); }

}  // namespace tabulon
