#include "DataMod.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <filesystem>

#include "FilesByMask.h"
#include "FolderKeys.h"
#include "TablePaths.h"
#include "core/EngineError.h"
#include "dataset/Session.h"
#include "ops/CopyDefinition.h"
#include "ops/FamilySwap.h"
#include "ops/SelectedRecords.h"
#include "ops/TableDefinitions.h"
#include "storage/Drivers.h"

using tabulon::status::kInvalidHandle;
using tabulon::status::kNeedExclusive;
using tabulon::status::kNoSuchTable;
using tabulon::status::kNotSupported;
using tabulon::status::kOk;
using tabulon::status::kUnknownTableType;

namespace {

std::filesystem::path fsPath(const QString& path) { return std::filesystem::path(path.toStdString()); }
QString folderOf(const QString& path) { return QFileInfo(path).absolutePath(); }
QString fileNameOf(const QString& path) { return QFileInfo(path).fileName(); }
bool sameText(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }
bool sameFolder(const QString& a, const QString& b) {
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}
// The table file `path` names, letter case of its name ignored.
bool tableFileExists(const QString& path) {
    return FolderExists(folderOf(path)) &&
           !tabulon::findFileIgnoringCase(fsPath(folderOf(path)), fileNameOf(path).toStdString()).empty();
}
// `path` with its extension replaced by ".*": the table's whole family and companions.
QString familyMask(const QString& path) {
    return folderkeys::JoinFolderName(folderOf(path), QFileInfo(path).completeBaseName() + QStringLiteral(".*"));
}

// Finishes the renames a failed operation decided but left half done, so that none of them
// lands on what is put in place afterwards.
void finishHalfDoneMoves(const QString& folder) {
    try {
        tabulon::FamilySwap::recoverFolder(fsPath(folder), tabulon::DesktopTrash());
    } catch (const std::exception&) {
        // The restore that follows reports what still stands in its way.
    }
}

// What a caught failure says: "Kind: message." for the engine's errors.
QString caughtText(const std::exception& error) {
    if (const auto* engine = dynamic_cast<const tabulon::EngineError*>(&error)) {
        return QString::fromStdString(engine->formatted());
    }
    return QStringLiteral("Error: %1.").arg(QString::fromUtf8(error.what()));
}

// Runs `work` (which returns whether it succeeded), turning what it throws into `error`.
template <typename Work>
bool Protected(QString& error, Work work) {
    try {
        return work();
    } catch (const std::exception& failure) {
        error = caughtText(failure);
        return false;
    }
}

QStringList DataModMessages() {
    return {
        QStringLiteral("Can't Open Target Table"),
        QStringLiteral("Copy Records allowed only with Single Index File. Use \"Append Record\" instead"),
        QStringLiteral("Can't Open Source Table"),
        QStringLiteral("Can't Connect to DataBase"),
        QStringLiteral("Source or Target not Found"),
        QStringLiteral("DataBase Path not Found"),
        QStringLiteral("Source and Target have same Name"),
        QStringLiteral("Can't copy to Source Path"),
        QStringLiteral("Copy failure"),
        QStringLiteral("Target Path not Found"),
        QStringLiteral("Source Table not Found"),
        QStringLiteral("Can't delete temporary files"),
        QStringLiteral("Invalid Update Value"),
        QStringLiteral("Invalid Field Name"),
        QStringLiteral("All the Indices of table have been Index"),
        QStringLiteral("The Name of Table or the pointer to the same is Void."),
        QStringLiteral("The Table "),
        QStringLiteral(" it must be opened in exclusive manner"),
        QStringLiteral("RegenIndexes it does not sustain tables SQL"),
        QStringLiteral("The Engine returns a not waited error"),
        QStringLiteral(" not found"),
        QStringLiteral("The type of table is unknown"),
        QStringLiteral("Unable To Restructure the Table!"),
    };
}

// Disconnects `database` when the scope ends.
struct Disconnect {
    tabulon::Connection& database;
    ~Disconnect() { database.disconnect(); }
};

}  // namespace

TDataMod::TDataMod(QObject* parent)
    : QObject(parent),
      DatabaseS(tabulon::Session::defaultSession(), "DataBaseSource"),
      TableS(DatabaseS),
      DatabaseT(tabulon::Session::defaultSession(), "DataBaseTarget"),
      TableT(DatabaseT),
      MessageHolder(DataModMessages()) {
    setObjectName(QStringLiteral("DataMod"));
}

bool TDataMod::TableExists(const QString& target) { return tableFileExists(target); }

bool TDataMod::OpenFolderDatabase(tabulon::Connection& database, const QString& folder) {
    database.disconnect();
    database.setDriverName(tabulon::Connection::kDriverName);
    database.setParams(tabulon::Connection::folderParams(folder.toStdString()));
    try {
        database.connect();
    } catch (const std::exception&) {
        return false;
    }
    return database.connected();
}

void TDataMod::AttachIndexFiles(tabulon::Table& table, const QString& path) {
    if (QFileInfo(path).suffix().toUpper() != QStringLiteral("DBF")) {
        return;
    }
    for (const char* extension : {".MDX", ".CDX"}) {
        const auto file = tabulon::findFileIgnoringCase(fsPath(folderOf(path)),
                                                        QFileInfo(path).completeBaseName().toStdString() + extension);
        if (!file.empty()) {
            table.addIndexFile(file.filename().string());
        }
    }
}

void TDataMod::OpenFiltered(tabulon::Table& table, const QString& path, const QString& filter, bool exclusive) {
    table.close();
    table.setTableName(fileNameOf(path).toStdString());
    table.setFilter(filter.toStdString());
    table.setFiltered(!filter.isEmpty());
    // Set every time: an exclusive opening that failed may have left its mark.
    table.setExclusive(exclusive);
    AttachIndexFiles(table, path);
    table.open();
}

QString TDataMod::Composed(const QString& path, int last) const {
    return Message(16) + fileNameOf(path) + Message(last);
}

bool TDataMod::CreateTableLike(const QString& definition, const QString& target, QString& error) {
    if (!FolderExists(folderOf(target))) {
        error = Message(5);
        return false;
    }
    if (!OpenFolderDatabase(DatabaseS, folderOf(definition)) || !OpenFolderDatabase(DatabaseT, folderOf(target))) {
        error = Message(3);
        return false;
    }
    const Disconnect source{DatabaseS};
    const Disconnect destination{DatabaseT};
    OpenFiltered(TableS, definition, {});
    if (!TableS.active()) {
        error = Message(2);
        return false;
    }
    const bool done = Protected(error, [&] {
        const auto targetPath = fsPath(target);
        const tabulon::StorageDriver& driver = tabulon::driverForPath(targetPath);
        const bool sameFormat = driver.tableType() == TableS.storage().driver().tableType();
        const tabulon::CopyDefinition made = tabulon::copyDefinition(TableS.storage(), driver, sameFormat, {});
        tabulon::TableDefinitions().create(targetPath, tabulon::ttDefault, made.fields, made.indexes, made.options);
        return true;
    });
    TableS.close();
    return done;
}

bool TDataMod::CopyTable(const QString& source, const QString& target, QString& error) {
    if (sameText(QFileInfo(source).absoluteFilePath(), QFileInfo(target).absoluteFilePath())) {
        error = Message(6);
        return false;
    }
    if (sameFolder(folderOf(source), folderOf(target))) {
        error = Message(7);
        return false;
    }
    if (!tableFileExists(source)) {
        error = Message(10);
        return false;
    }
    if (!FolderExists(folderOf(target))) {
        error = Message(9);
        return false;
    }
    // The copy is made and named aside in the target folder, then moved in: nothing there is
    // replaced until the copy is whole.
    QTemporaryDir staging(folderkeys::JoinFolderName(folderOf(target), QStringLiteral(".~copy-XXXXXX")));
    if (!staging.isValid() || !CopyFilesByMask(familyMask(source), staging.path())) {
        error = Message(8);
        return false;
    }
    if (!sameText(fileNameOf(source), fileNameOf(target)) &&
        !RenameTable(folderkeys::JoinFolderName(staging.path(), fileNameOf(source)), fileNameOf(target), error)) {
        return false;
    }
    return Protected(error, [&] {
        if (tableFileExists(target)) {
            tabulon::TableDefinitions().trashFamily(fsPath(target));
        }
        for (const QFileInfo& file : QDir(staging.path()).entryInfoList(QDir::Files | QDir::Hidden)) {
            const QString placed = folderkeys::JoinFolderName(folderOf(target), file.fileName());
            if (QFileInfo::exists(placed) && !DeleteFilesByMask(placed)) {
                error = Message(8);
                return false;
            }
            std::filesystem::rename(fsPath(file.absoluteFilePath()), fsPath(placed));
        }
        return true;
    });
}

bool TDataMod::CopyEmptyTable(const QString& source, const QString& target, QString& error) {
    return CopyTable(source, target, error) && EmptyTable(target, error);
}

bool TDataMod::RenameTable(const QString& path, const QString& newName, QString& error) {
    const QString name = fileNameOf(newName);
    if (sameText(fileNameOf(path), name)) {
        error = Message(6);
        return false;
    }
    if (!tableFileExists(path)) {
        error = Message(10);
        return false;
    }
    if (!OpenFolderDatabase(DatabaseS, folderOf(path))) {
        error = Message(3);
        return false;
    }
    const Disconnect source{DatabaseS};
    TableS.close();
    TableS.setTableName(fileNameOf(path).toStdString());
    return Protected(error, [&] {
        tabulon::TableDefinitions().rename(fsPath(path), name.toStdString());
        error.clear();
        return true;
    });
}

bool TDataMod::EmptyTable(const QString& path, QString& error) {
    if (!tableFileExists(path)) {
        error = Message(10);
        return false;
    }
    if (!OpenFolderDatabase(DatabaseS, folderOf(path))) {
        error = Message(3);
        return false;
    }
    const Disconnect source{DatabaseS};
    TableS.close();
    TableS.setTableName(fileNameOf(path).toStdString());
    return Protected(error, [&] {
        tabulon::TableDefinitions().empty(fsPath(path));
        error.clear();
        return true;
    });
}

bool TDataMod::ReorganizeTable(const QString& path, const QString& scratchFolder, QString& error) {
    const QString folder = folderOf(path);
    const QString name = fileNameOf(path);
    const QString extension = u'.' + QFileInfo(path).suffix();
    QString scratchIn = scratchFolder;
    QString scratch;
    if (!MakeTempTableName(scratchIn, scratch, QStringLiteral("~Tab"), extension)) {
        error = Message(5);
        return false;
    }
    if (!CopyTable(path, scratch, error)) {
        return false;
    }
    QString holdingIn = folder;
    QString holding;
    if (!MakeTempTableName(holdingIn, holding, QStringLiteral("~Tab"), extension)) {
        error = Message(5);
        return false;
    }
    if (!RenameTable(path, fileNameOf(holding), error)) {
        // A rename that failed half-way is finished first; then either name may hold the table.
        finishHalfDoneMoves(folder);
        if (tableFileExists(holding)) {
            RestoreFromScratch(scratch, holding, path, error);
        } else {
            DeleteFilesByMask(familyMask(scratch));
        }
        return false;
    }
    // From here the table lives under the holding name: any failure puts it back.
    if (!EmptyTable(holding, error) || !MoveRecords(scratch, holding, tabulon::BatchMode::Append, error) ||
        !RenameTable(holding, name, error)) {
        RestoreFromScratch(scratch, holding, path, error);
        return false;
    }
    if (!DeleteFilesByMask(familyMask(scratch))) {
        error = Message(11);
        return false;
    }
    return true;
}

void TDataMod::RestoreFromScratch(const QString& scratch, const QString& holding, const QString& path, QString& error) {
    const QString failure = error;
    QString restoreError;
    finishHalfDoneMoves(folderOf(path));
    // Whatever is left under either name is part of what the scratch copy holds whole.
    DeleteFilesByMask(familyMask(holding));
    DeleteFilesByMask(familyMask(path));
    if (CopyTable(scratch, path, restoreError)) {
        DeleteFilesByMask(familyMask(scratch));
        error = failure;
    } else {
        error = QStringLiteral("%1 %2 The records are kept in %3.").arg(failure, restoreError, scratch);
    }
}

template <typename Work>
bool TDataMod::ChangeSelected(const QString& path, const QString& filter, QString& error, Work work) {
    if (!tableFileExists(path)) {
        error = Message(10);
        return false;
    }
    if (!OpenFolderDatabase(DatabaseS, folderOf(path))) {
        error = Message(3);
        return false;
    }
    OpenFiltered(TableS, path, filter);
    if (!TableS.active()) {
        error = Message(2);
        return false;
    }
    const bool done = Protected(error, [&] {
        work();
        return true;
    });
    TableS.close();
    return done;
}

bool TDataMod::DeleteRecords(const QString& path, const QString& filter, QString& error) {
    return ChangeSelected(path, filter, error, [&] { tabulon::deleteSelectedRecords(TableS); });
}

bool TDataMod::UpdateRecords(const QString& path, const QString& update, const QString& filter, QString& error) {
    const auto assignment = tabulon::parseFieldAssignment(update.toStdString());
    if (!assignment) {
        error = Message(12);
        return false;
    }
    if (assignment->field.empty()) {
        error = Message(13);
        return false;
    }
    return ChangeSelected(path, filter, error,
                          [&] { tabulon::updateSelectedRecords(TableS, assignment->field, assignment->value); });
}

bool TDataMod::PackTable(const QString& path, QString& error) {
    if (QFileInfo(path).suffix().toUpper() == QStringLiteral("DB")) {
        RestructureRequest = {};
        RestructureRequest.tableName = fileNameOf(path).toStdString();
        RestructureRequest.tableType = "PARADOX";
        RestructureRequest.pack = true;
        return RestructureTable(path, {}, error);
    }
    if (!OpenFolderDatabase(DatabaseS, folderOf(path))) {
        error = Message(3);
        return false;
    }
    const Disconnect source{DatabaseS};
    OpenFiltered(TableS, path, {}, true);
    const std::uint16_t status = tabulon::DirectCalls::packTable(&DatabaseS, &TableS);
    switch (status) {
        case kOk:
            break;
        case kInvalidHandle:
            error = Message(15);
            break;
        case kUnknownTableType:
            error = Message(21);
            break;
        case kNoSuchTable:
            error = Composed(path, 20);
            break;
        case kNeedExclusive:
            error = Composed(path, 17);
            break;
        default:
            error = Message(19);
    }
    TableS.close();
    TableS.setExclusive(false);
    return status == kOk;
}

bool TDataMod::RegenerateIndexes(const QString& path, QString& error) {
    if (!OpenFolderDatabase(DatabaseS, folderOf(path))) {
        error = Message(3);
        return false;
    }
    const Disconnect source{DatabaseS};
    OpenFiltered(TableS, path, {}, true);
    const std::uint16_t status = tabulon::DirectCalls::regenerateIndexes(&TableS);
    switch (status) {
        case kOk:
            break;
        case kInvalidHandle:
            error = Message(15);
            break;
        case kNeedExclusive:
            error = Composed(path, 17);
            break;
        case kNotSupported:
            error = Message(18);
            break;
        default:
            error = Message(19);
    }
    TableS.close();
    TableS.setExclusive(false);
    return status == kOk;
}

bool TDataMod::RestructureTable(const QString& path, const QString& saveAs, QString& error) {
    if (!OpenFolderDatabase(DatabaseS, folderOf(path))) {
        error = Message(3);
        return false;
    }
    const Disconnect source{DatabaseS};
    TableS.close();
    TableS.setTableName(fileNameOf(path).toStdString());
    const std::uint16_t status =
        tabulon::DirectCalls::restructureTable(&DatabaseS, RestructureRequest, saveAs.toStdString());
    if (status != kOk) {
        error = Message(22);
    }
    return status == kOk;
}

bool TDataMod::MoveRecords(const QString& source, const QString& target, tabulon::BatchMode mode, QString& error) {
    if (!tableFileExists(source) || !tableFileExists(target)) {
        error = Message(4);
        return false;
    }
    if (!OpenFolderDatabase(DatabaseS, folderOf(source)) || !OpenFolderDatabase(DatabaseT, folderOf(target))) {
        error = Message(3);
        return false;
    }
    OpenFiltered(TableS, source, {});
    if (!TableS.active()) {
        error = Message(2);
        return false;
    }
    OpenFiltered(TableT, target, {});
    const bool targetOpened = TableT.active();
    // The move writes the target through a table of its own.
    TableT.close();
    if (!targetOpened) {
        TableS.close();
        error = Message(0);
        return false;
    }
    const bool done = Protected(error, [&] {
        tabulon::BatchMoveOptions options;
        options.mode = mode;
        const tabulon::TableDefinitions definitions;
        tabulon::BatchMove(definitions).run(TableS.storage(), fsPath(target), options);
        return true;
    });
    TableS.close();
    return done;
}
