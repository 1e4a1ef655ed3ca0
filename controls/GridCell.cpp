#include "GridCell.h"

#include <QByteArray>

#include "dataset/ValueText.h"

bool isMemoField(tabulon::FieldType type) { return type == tabulon::ftMemo || type == tabulon::ftFmtMemo; }

int declaredFieldWidth(const tabulon::FieldDef& field) {
    if (tabulon::isBlobType(field.type)) {
        return 0;
    }
    switch (tabulon::valueKindFor(field.type)) {
        case tabulon::ValueKind::String:
        case tabulon::ValueKind::Integer:
        case tabulon::ValueKind::Float:
            return field.size;
        default:
            return 0;
    }
}

QVariant fieldCellData(const tabulon::Value& value, const tabulon::FieldDef& field,
                       const tabulon::RegionalSettings& settings, int role) {
    if (role == GridRole::kValue) {
        if (value.kind() == tabulon::ValueKind::Bytes) {
            const tabulon::Bytes& bytes = value.asBytes();
            return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
        }
        return value.isNull() ? QString() : QString::fromStdString(value.asString());
    }
    if (isMemoField(field.type)) {
        return value.isNull() ? QStringLiteral("(Memo)") : QStringLiteral("(MEMO)");
    }
    return QString::fromStdString(tabulon::formatFieldValue(value, field, settings));
}
