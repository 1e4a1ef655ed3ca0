#pragma once
// A database connection: a folder of tables, and the transaction that spans them.
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tabulon {

class Session;
class Table;
class Transaction;

// What another layer keeps with a connection for its life (the SQL engine's opened tables);
// the connection drops it at disconnect, before closing its tables.
class ConnectionExtension {
public:
    virtual ~ConnectionExtension() = default;
};

// Driver "STANDARD" with exactly the parameters "PATH=<folder>", "DEFAULT DRIVER=PARADOX" and
// "ENABLE BCD=FALSE", in this order. A transaction covers every write of the connection's
// tables from start to commit or rollback, all or nothing on disk. Same thread as its session.
class Connection {
public:
    static constexpr const char* kDriverName = "STANDARD";

    Connection(Session& session, std::string alias);
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    Session& session() const { return session_; }
    const std::string& alias() const { return alias_; }

    // Set while disconnected; EUsageError otherwise.
    void setDriverName(std::string name);
    const std::string& driverName() const { return driverName_; }
    void setParams(std::vector<std::string> params);
    // The parameters a connection to `folder` takes, in their order.
    static std::vector<std::string> folderParams(const std::string& folder);
    const std::vector<std::string>& params() const { return params_; }

    // Throws EValueError for another driver or other parameters (saying which was expected),
    // EFileError naming the folder when it does not exist or cannot be read.
    void connect();
    // Rolls back an open transaction and closes the tables opened through this connection, even
    // when the rollback fails (its error is thrown afterwards).
    void disconnect();
    bool connected() const { return connected_; }
    // The folder of PATH=; valid while connected.
    const std::filesystem::path& folder() const { return folder_; }

    // EUsageError when disconnected or already in a transaction.
    void startTransaction();
    // Writes every change since startTransaction() atomically. EFileError when the disk
    // refuses; the transaction then stays open for rollback().
    void commit();
    // Ends the transaction even when a table cannot re-read its files, then throws that error.
    void rollback();
    bool inTransaction() const { return transaction_ != nullptr; }
    Transaction* transaction() const { return transaction_.get(); }

    // A fresh journal name in the folder, for a transaction of one table's own.
    std::filesystem::path newJournalPath() const;

    // The extension kept under `key`; null when there is none.
    ConnectionExtension* extension(const std::string& key) const;
    // Keeps `extension` under `key` (replacing any) until disconnect; EUsageError when disconnected.
    ConnectionExtension& setExtension(const std::string& key, std::unique_ptr<ConnectionExtension> extension);

    // Called by Table as it opens and closes.
    void attach(Table& table);
    void detach(Table& table);

private:
    void requireDisconnected(const char* what) const;
    void endTransaction(bool committed);

    Session& session_;
    std::string alias_;
    std::string driverName_ = kDriverName;
    std::vector<std::string> params_;
    bool connected_ = false;
    std::filesystem::path folder_;
    std::unique_ptr<Transaction> transaction_;
    std::vector<Table*> tables_;
    std::map<std::string, std::unique_ptr<ConnectionExtension>> extensions_;
};

}  // namespace tabulon
