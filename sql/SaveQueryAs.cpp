#include "SaveQueryAs.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "CentreOnScreen.h"

TSaveQueryAs::TSaveQueryAs(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SaveQueryAs"));
    setWindowTitle(QStringLiteral("Save query as"));
    Bevel1 = new QFrame(this);
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Label1 = new QLabel(QStringLiteral("Query name:"), Bevel1);
    NameEdit = new QLineEdit(Bevel1);
    NameEdit->setObjectName(QStringLiteral("NameEdit"));
    NameEdit->setMinimumWidth(240);
    Label1->setBuddy(NameEdit);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    OKBtn->setEnabled(false);  // until a name is there
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));

    auto* frame = new QVBoxLayout(Bevel1);
    frame->addWidget(Label1);
    frame->addWidget(NameEdit);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Bevel1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(NameEdit, &QLineEdit::textChanged, this, &TSaveQueryAs::NameEditChange);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TSaveQueryAs::NameEditChange() { OKBtn->setEnabled(!NameEdit->text().isEmpty()); }

std::optional<QString> AskQueryName(const QString& name) {
    TSaveQueryAs dialog;
    dialog.NameEdit->setText(name);
    dialog.NameEdit->selectAll();
    dialog.adjustSize();
    CentreOnScreen(&dialog);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.NameEdit->text();
}
