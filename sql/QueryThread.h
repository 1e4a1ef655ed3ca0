#pragma once
// The background run of one result window's statement: the engine's execution on a worker
// thread of its own, whose end is handed to the interface thread as the finished() signal.
// Destroying it cancels a statement still running and waits for the worker, so whatever owns
// it can go at any time. Interface thread only.
#include <QObject>
#include <memory>

#include "sql/QueryExecution.h"

class TQueryThread : public QObject {
    Q_OBJECT
public:
    // Starts at once: the worker takes the next query number and opens the statement in
    // "Session<n>" and "Database<n>" over `folder`.
    TQueryThread(const QString& folder, const QString& sql, bool requestLive, QObject* parent = nullptr);
    ~TQueryThread() override;

    void cancel() { execution_->cancel(); }
    // Valid once finished() was emitted.
    const tabulon::QueryExecution& execution() const { return *execution_; }

signals:
    void finished();

private:
    std::unique_ptr<tabulon::QueryExecution> execution_;
};
