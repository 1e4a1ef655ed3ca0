#pragma once
// One statement run on a worker thread in a session and connection of its own.
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "../dataset/Session.h"
#include "Query.h"

namespace tabulon {

// The worker takes the next query number n, makes the session "Session<n>" and the connection
// "Database<n>" (hexadecimal n) to the folder, and opens the query there. Its outcome is
// "Query opened", or the error as "Kind: message." ("ENoResultSet: Error creating cursor
// handle." for a statement without rows). `done` is called on the worker thread when it
// ends. The result (query()) and the names may be read once finished() is true, from one
// thread at a time. Destroying it cancels a running statement and joins the worker.
class QueryExecution {
public:
    static constexpr const char* kSessionComponent = "Session";
    static constexpr const char* kDatabaseComponent = "Database";
    static constexpr const char* kOpened = "Query opened";

    QueryExecution(std::filesystem::path folder, std::string sql, bool requestLive,
                   std::function<void(QueryExecution&)> done = {});
    QueryExecution(const QueryExecution&) = delete;
    QueryExecution& operator=(const QueryExecution&) = delete;
    ~QueryExecution();

    // Any thread.
    void cancel();
    bool finished() const { return finished_.load(std::memory_order_acquire); }
    // Waits for the worker to end.
    void wait();

    const std::string& outcome() const { return outcome_; }
    const std::string& sessionName() const { return sessionName_; }
    const std::string& databaseName() const { return databaseName_; }
    // Null when the statement failed before the session was made.
    Query* query() const { return query_.get(); }

private:
    void run(const std::filesystem::path& folder, const std::string& sql, bool requestLive);

    std::function<void(QueryExecution&)> done_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<Query> query_;
    std::string outcome_;
    std::string sessionName_;
    std::string databaseName_;
    std::atomic<bool> cancelled_{false};
    std::atomic<Query*> running_{nullptr};
    std::atomic<bool> finished_{false};
    std::thread worker_;
};

}  // namespace tabulon
