#pragma once
// Small file helpers for the Qt test suites.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace tabulon::testing {

inline void writeFile(const QString& path, const QByteArray& text = {}) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(text);
    }
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace tabulon::testing
