#include "CellValueDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

// A listing long enough to recognise a value by, short enough to stay quick for large blobs.
constexpr qsizetype kListedBytes = 4096;

QString hexListing(const QByteArray& bytes) {
    QString text = QStringLiteral("%1 bytes\n\n").arg(bytes.size());
    const QByteArray shown = bytes.left(kListedBytes);
    for (qsizetype offset = 0; offset < shown.size(); offset += 16) {
        text += QStringLiteral("%1  %2\n")
                    .arg(offset, 8, 16, QLatin1Char('0'))
                    .arg(QString::fromLatin1(shown.mid(offset, 16).toHex(' ')));
    }
    if (bytes.size() > shown.size()) {
        text += QStringLiteral("...\n");
    }
    return text;
}

}  // namespace

TCellValueDialog::TCellValueDialog(const QString& fieldName, Kind kind, const QVariant& value, bool editable,
                                   QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("CellValueDialog"));
    setWindowTitle(fieldName);
    resize(480, 360);
    auto* layout = new QVBoxLayout(this);
    const bool changeable = editable && kind == Kind::Memo;
    if (kind == Kind::Graphic) {
        QPixmap pixmap;
        showsPicture_ = pixmap.loadFromData(value.toByteArray());
        if (showsPicture_) {
            Picture = new QLabel(this);
            Picture->setObjectName(QStringLiteral("Picture"));
            Picture->setPixmap(pixmap);
            auto* scroll = new QScrollArea(this);
            scroll->setWidget(Picture);
            layout->addWidget(scroll);
        }
    }
    if (!showsPicture_) {
        Editor = new QPlainTextEdit(this);
        Editor->setObjectName(QStringLiteral("Editor"));
        Editor->setPlainText(kind == Kind::Memo ? value.toString() : hexListing(value.toByteArray()));
        Editor->setReadOnly(!changeable);
        if (kind != Kind::Memo) {
            Editor->setFont(QFont(QStringLiteral("monospace")));
        }
        layout->addWidget(Editor);
    }
    auto* buttons = new QDialogButtonBox(
        changeable ? QDialogButtonBox::Ok | QDialogButtonBox::Cancel : QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QString TCellValueDialog::memoText() const { return Editor != nullptr ? Editor->toPlainText() : QString(); }
