#include "TextFormatChoice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>

TTextFormatChoice::TTextFormatChoice(const QString& headerCaption, const QString& tableCodePage, QWidget* parent)
    : QWidget(parent) {
    ComboFormat = new QComboBox(this);
    ComboFormat->setObjectName(QStringLiteral("ComboFormat"));
    ComboFormat->addItems({QStringLiteral("Delimited Text"), QStringLiteral("CSV (RFC 4180)")});
    CBHeader = new QCheckBox(headerCaption, this);
    CBHeader->setObjectName(QStringLiteral("CBHeader"));
    ComboEncoding = new QComboBox(this);
    ComboEncoding->setObjectName(QStringLiteral("ComboEncoding"));
    ComboEncoding->addItem(QStringLiteral("Table Code Page (%1)").arg(tableCodePage), QString());
    ComboEncoding->addItem(QStringLiteral("UTF-8"), QStringLiteral("UTF-8"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(QStringLiteral("Format:"), this));
    row->addWidget(ComboFormat);
    row->addWidget(new QLabel(QStringLiteral("Code Page:"), this));
    row->addWidget(ComboEncoding);
    row->addWidget(CBHeader);
    row->addStretch();
}

void TTextFormatChoice::applyTo(tabulon::TextFileFormat& format) const {
    format.format = ComboFormat->currentIndex() == 1 ? tabulon::TextFormat::Csv : tabulon::TextFormat::Delimited;
    format.header = CBHeader->isChecked();
    format.encoding = ComboEncoding->currentData().toString().toStdString();
}
