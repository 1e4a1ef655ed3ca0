#include "IdxDefsList.h"

#include <QCheckBox>

#include "StringParser.h"

using namespace tabulon;

int TIdxDefsList::Add(const QString& name, const QString& fields, IndexOptions options) {
    items_.push_back({name, fields, options});
    return Count() - 1;
}

void TIdxDefsList::Delete(int i) {
    if (Valid(i)) items_.erase(items_.begin() + i);
}

void TIdxDefsList::SetOptions(int i, bool unique, bool caseInsensitive, bool descending) {
    if (!Valid(i)) return;
    Items(i).Options = static_cast<IndexOptions>((unique ? ixUnique : 0) | (descending ? ixDescending : 0) |
                                                 (caseInsensitive ? ixCaseInsensitive : 0));
}

void TIdxDefsList::ShowOptions(int i, QCheckBox* unique, QCheckBox* caseInsensitive, QCheckBox* descending) const {
    if (!Valid(i)) return;
    const IndexOptions options = items_[static_cast<std::size_t>(i)].Options;
    unique->setChecked((options & ixUnique) != 0);
    caseInsensitive->setChecked((options & ixCaseInsensitive) != 0);
    descending->setChecked((options & ixDescending) != 0);
}

void TIdxDefsList::RenameField(const QString& field, const QString& newName) {
    TStringParser parser;
    for (auto& def : items_) {
        parser.Parse(def.Fields, QStringLiteral(";"));
        for (QString& token : parser.Tokens)
            if (token.compare(field, Qt::CaseInsensitive) == 0) token = newName;
        def.Fields = parser.Join(QStringLiteral(";"));
    }
}

void TIdxDefsList::RemoveField(const QString& field) {
    TStringParser parser;
    for (auto& def : items_) {
        parser.Parse(def.Fields, QStringLiteral(";"));
        parser.Tokens.removeIf([&](const QString& token) { return token.compare(field, Qt::CaseInsensitive) == 0; });
        def.Fields = parser.Join(QStringLiteral(";"));
    }
}
