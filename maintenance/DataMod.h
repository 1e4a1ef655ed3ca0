#pragma once
// The table-operations module: whole-table work on table files by path (create from another's
// definition, copy, copy empty, rename, empty, reorganize, pack, regenerate indexes, delete or
// update the records a filter selects). Each operation points its own connections at the folders
// it needs, works on tables of its own, leaves them closed and never touches the main window's
// table, which the caller closes first. Each returns true on success, or false with the reason in
// `error` (a message of MessageHolder, or "Kind: message." of the engine's error); an error
// raised while a table opens (busy elsewhere, damaged, a filter that does not fit) is thrown to
// the caller's default error report. Long operations report progress through the engine's
// progress callback of the calling thread. Created once at start-up; interface thread only.
#include <QObject>
#include <QString>

#include "MessageTable.h"
#include "dataset/Connection.h"
#include "dataset/Table.h"
#include "ops/BatchMove.h"
#include "ops/DirectCalls.h"

class TDataMod : public QObject {
    Q_OBJECT
public:
    explicit TDataMod(QObject* parent = nullptr);

    // Creates an empty table with the fields and indexes of `definition`. A table of the
    // target's name is replaced, its family going to the trash: the caller asks first.
    bool CreateTableLike(const QString& definition, const QString& target, QString& error);
    // Copies the table and every file sharing its base name into the target's folder, under the
    // target's name. The copy is made aside and moved in: a table of the target's name, and any
    // file the copy brings of a name already there, goes to the trash (the caller asks first).
    bool CopyTable(const QString& source, const QString& target, QString& error);
    bool CopyEmptyTable(const QString& source, const QString& target, QString& error);
    // Renames the table's family within its folder; a folder in `newName` is ignored.
    bool RenameTable(const QString& path, const QString& newName, QString& error);
    bool EmptyTable(const QString& path, QString& error);
    // Rebuilds the table from a scratch copy in `scratchFolder` (empty: the system's temporary
    // folder). Completes, or leaves the table under its own name with all its records; the
    // scratch copy goes to the trash only after success.
    bool ReorganizeTable(const QString& path, const QString& scratchFolder, QString& error);
    // Deletes the records `filter` selects (every record when empty), all or none.
    bool DeleteRecords(const QString& path, const QString& filter, QString& error);
    // Sets one field of the records `filter` selects, as "FIELD = value" in `update` says, all
    // or none.
    bool UpdateRecords(const QString& path, const QString& update, const QString& filter, QString& error);
    bool PackTable(const QString& path, QString& error);
    bool RegenerateIndexes(const QString& path, QString& error);
    // Hands RestructureRequest to the engine's restructure call.
    bool RestructureTable(const QString& path, const QString& saveAs, QString& error);
    // Moves every record of `source` into `target` in one transaction.
    bool MoveRecords(const QString& source, const QString& target, tabulon::BatchMode mode, QString& error);

    // Whether a table named like `target` (letter case ignored) exists, so that a create or copy
    // would replace it.
    static bool TableExists(const QString& target);

    tabulon::Connection DatabaseS;
    tabulon::Table TableS;
    tabulon::Connection DatabaseT;
    tabulon::Table TableT;
    TStringHolder MessageHolder;
    tabulon::RestructureRequest RestructureRequest;

private:
    static bool OpenFolderDatabase(tabulon::Connection& database, const QString& folder);
    // Closes `table` and opens `fileName` of its connection's folder with `filter` (filtering
    // exactly when it is not empty), exclusively or not, and the table's index files attached.
    static void OpenFiltered(tabulon::Table& table, const QString& path, const QString& filter, bool exclusive = false);
    static void AttachIndexFiles(tabulon::Table& table, const QString& path);
    QString Message(int n) const { return MessageHolder.message(n); }
    // "The Table " + the table's file name + the closing piece `last`.
    QString Composed(const QString& path, int last) const;
    // Runs the change `work` on a table opened on `path` with `filter`.
    template <typename Work>
    bool ChangeSelected(const QString& path, const QString& filter, QString& error, Work work);
    // Puts a table whose reorganizing failed back under its name from its scratch copy; when
    // that fails too, `error` says so and where the records are kept.
    void RestoreFromScratch(const QString& scratch, const QString& holding, const QString& path, QString& error);
};
