#pragma once
// The choices the text windows share beyond the separator: the layout (delimited text or RFC
// 4180 CSV), a header line of field names, and the file's code page (the table's or UTF-8).
// Interface thread only.
#include <QWidget>

#include "ops/TextFileFormat.h"

class QCheckBox;
class QComboBox;

class TTextFormatChoice : public QWidget {
    Q_OBJECT
public:
    // `tableCodePage` names the table's code page in the encoding list ("CP437").
    TTextFormatChoice(const QString& headerCaption, const QString& tableCodePage, QWidget* parent = nullptr);

    QComboBox* ComboFormat;
    QCheckBox* CBHeader;
    QComboBox* ComboEncoding;

    // Sets the layout, header and code page of `format`.
    void applyTo(tabulon::TextFileFormat& format) const;
};
