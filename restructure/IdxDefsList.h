#pragma once
// The index definitions of the structure being edited: name, fields joined by ";" and option
// bits (1 primary, 2 unique, 4 descending, 8 case-insensitive, 16 expression). Interface thread.
#include <QString>
#include <vector>

#include "core/FieldType.h"

class QCheckBox;

struct TMyIndexDef {
    QString Name;
    QString Fields;
    tabulon::IndexOptions Options = 0;
};

class TIdxDefsList {
public:
    int Add(const QString& name, const QString& fields, tabulon::IndexOptions options);
    TMyIndexDef& Items(int i) { return items_[static_cast<std::size_t>(i)]; }
    int Count() const { return static_cast<int>(items_.size()); }
    void Delete(int i);
    void Clear() { items_.clear(); }
    bool Valid(int i) const { return i >= 0 && i < Count(); }
    // Rebuilds definition i's options from the three flags alone (primary and expression bits
    // dropped); nothing for an invalid i.
    void SetOptions(int i, bool unique, bool caseInsensitive, bool descending);
    // Sets the three boxes from definition i's options; nothing for an invalid i.
    void ShowOptions(int i, QCheckBox* unique, QCheckBox* caseInsensitive, QCheckBox* descending) const;
    // Removes `field` (letter case ignored) from every definition's fields.
    void RemoveField(const QString& field);
    // Gives `field` (letter case ignored) its new name in every definition's fields.
    void RenameField(const QString& field, const QString& newName);

private:
    std::vector<TMyIndexDef> items_;
};
