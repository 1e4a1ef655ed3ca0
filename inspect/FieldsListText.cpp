#include "FieldsListText.h"

#include <QFile>
#include <QSaveFile>
#include <array>

#include "core/EngineError.h"

namespace tabulon {

namespace {

constexpr std::array<qsizetype, 6> kColumnTextWidths = {5, 15, 15, 7, 8, 0};
constexpr int kEmptyLinesBetweenBlocks = 3;

[[noreturn]] void throwFileError(const QString& fileName, const char* what, const QString& why) {
    throw EngineError(errkind::kFile,
                      "Cannot " + std::string(what) + " the file " + fileName.toStdString() + ": " + why.toStdString());
}

QStringList readLines(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) throwFileError(fileName, "read", file.errorString());
    QString text = QString::fromLocal8Bit(file.readAll());
    if (file.error() != QFileDevice::NoError) throwFileError(fileName, "read", file.errorString());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (text.isEmpty()) return {};
    if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    return text.split(QLatin1Char('\n'));
}

}  // namespace

QStringList FieldsListBlock(const QString& tableFile, const QList<QStringList>& gridRows) {
    QStringList lines{tableFile, QString()};
    for (const auto& row : gridRows) {
        QString line;
        for (std::size_t column = 0; column < kColumnTextWidths.size(); ++column) {
            const auto cell = static_cast<qsizetype>(column) < row.size() ? row[column] : QString();
            line += cell.leftJustified(kColumnTextWidths[column], QLatin1Char(' '), false);
        }
        lines << line;
    }
    return lines;
}

QString JoinCrLfLines(const QStringList& lines) {
    QString text;
    for (const auto& line : lines) text += line + QLatin1String("\r\n");
    return text;
}

void AppendBlockToFile(const QString& fileName, const QStringList& block) {
    QStringList lines;
    if (QFile::exists(fileName)) {
        lines = readLines(fileName);
        for (int i = 0; i < kEmptyLinesBetweenBlocks; ++i) lines << QString();
    }
    lines << block;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) throwFileError(fileName, "write", file.errorString());
    file.write(JoinCrLfLines(lines).toLocal8Bit());
    if (!file.commit()) throwFileError(fileName, "write", file.errorString());
}

}  // namespace tabulon
