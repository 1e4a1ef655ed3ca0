#include "QueryExecution.h"

#include "../core/EngineError.h"
#include "../dataset/Connection.h"
#include "QueryCounter.h"

namespace tabulon {

QueryExecution::QueryExecution(std::filesystem::path folder, std::string sql, bool requestLive,
                               std::function<void(QueryExecution&)> done)
    : done_(std::move(done)) {
    worker_ = std::thread(
        [this, folder = std::move(folder), sql = std::move(sql), requestLive] { run(folder, sql, requestLive); });
}

QueryExecution::~QueryExecution() {
    cancel();
    wait();
}

void QueryExecution::wait() {
    if (worker_.joinable()) worker_.join();
}

void QueryExecution::cancel() {
    cancelled_.store(true);
    // The query stays alive until the worker has ended, which joins before destruction.
    if (Query* query = running_.load()) query->cancel();
}

void QueryExecution::run(const std::filesystem::path& folder, const std::string& sql, bool requestLive) {
    try {
        const unsigned number = nextQueryNumber();
        sessionName_ = numberedName(kSessionComponent, number);
        databaseName_ = numberedName(kDatabaseComponent, number);
        session_ = std::make_unique<Session>(sessionName_);
        Connection& connection = session_->addConnection(databaseName_);
        connection.setParams(Connection::folderParams(folder.string()));
        query_ = std::make_unique<Query>(connection);
        query_->setSql(sql);
        query_->setRequestLive(requestLive);
        running_.store(query_.get());
        if (cancelled_.load()) query_->cancel();
        query_->open();
        outcome_ = kOpened;
    } catch (const EngineError& e) {
        outcome_ = e.formatted();
    } catch (const std::exception& e) {
        outcome_ = EngineError(errkind::kFile, e.what()).formatted();
    }
    finished_.store(true, std::memory_order_release);
    if (done_) done_(*this);
}

}  // namespace tabulon
