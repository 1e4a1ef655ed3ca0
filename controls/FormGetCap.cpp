#include "FormGetCap.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "CentreOnScreen.h"

TFormGetCap::TFormGetCap(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormGetCap"));
    setWindowTitle(QStringLiteral("Get Caption"));
    setFixedSize(243, 95);
    LabelCap = new QLabel(QStringLiteral("Insert New Caption:"), this);
    LabelCap->move(12, 8);
    EditCaption = new QLineEdit(this);
    EditCaption->setObjectName(QStringLiteral("EditCaption"));
    EditCaption->setGeometry(12, 28, 217, 21);
    BtnOk = new QPushButton(QStringLiteral("Ok"), this);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setGeometry(68, 60, 75, 25);
    BtnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setGeometry(156, 60, 75, 25);
    for (QPushButton* button : {BtnOk, BtnCancel}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(BtnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    CentreOnScreen(this);
}
