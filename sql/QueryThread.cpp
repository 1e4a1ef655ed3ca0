#include "QueryThread.h"

#include <QMetaObject>

TQueryThread::TQueryThread(const QString& folder, const QString& sql, bool requestLive, QObject* parent)
    : QObject(parent) {
    // Queued, not blocking: a worker waiting on the interface thread could never be joined from
    // it. An event still queued when this object goes is dropped with it.
    execution_ = std::make_unique<tabulon::QueryExecution>(
        folder.toStdString(), sql.toStdString(), requestLive, [this](tabulon::QueryExecution&) {
            QMetaObject::invokeMethod(this, &TQueryThread::finished, Qt::QueuedConnection);
        });
}

TQueryThread::~TQueryThread() = default;
