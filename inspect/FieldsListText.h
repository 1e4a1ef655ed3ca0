#pragma once
// The fixed-width text of the Fields page's grid, as Copy and Save write it.
#include <QList>
#include <QString>
#include <QStringList>

namespace tabulon {

// The block: the table file's path, an empty line, then one line per grid row (titles first),
// each cell padded with blanks to its column's width (5, 15, 15, 7, 8, none). A cell as long
// as its width or longer is neither padded nor cut. Never throws; interface thread.
QStringList FieldsListBlock(const QString& tableFile, const QList<QStringList>& gridRows);

// Lines joined with carriage return and line feed, the last line ended too.
QString JoinCrLfLines(const QStringList& lines);

// Appends `block` to the text file `fileName`, after three empty lines when the file exists,
// writing every line back ended by carriage return and line feed. Throws EngineError
// (EFileError) naming the file when it cannot be read or written. Interface thread.
void AppendBlockToFile(const QString& fileName, const QStringList& block);

}  // namespace tabulon
