#include "FormMessage.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "CentreOnScreen.h"

namespace {

QPushButton* makeButton(QWidget* parent, const QString& text, int left, int result, TFormMessage* dialog) {
    auto* button = new QPushButton(text, parent);
    button->setGeometry(left, 68, 75, 21);
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, dialog, [dialog, result] { dialog->done(result); });
    return button;
}

}  // namespace

TFormMessage::TFormMessage(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormMessage"));
    setWindowTitle(QStringLiteral("Confirm"));
    setFixedSize(342, 95);
    Image = new QLabel(this);
    Image->setObjectName(QStringLiteral("Image"));
    Image->setGeometry(12, 12, 33, 32);
    LabelMess = new QLabel(this);
    LabelMess->setObjectName(QStringLiteral("LabelMess"));
    LabelMess->setGeometry(60, 16, 265, 41);
    LabelMess->setWordWrap(true);
    LabelMess->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    BtnYes = makeButton(this, QStringLiteral("&Yes"), 88, mrYes, this);
    BtnYes->setObjectName(QStringLiteral("BtnYes"));
    BtnNo = makeButton(this, QStringLiteral("&No"), 170, mrNo, this);
    BtnNo->setObjectName(QStringLiteral("BtnNo"));
    BtnCancel = makeButton(this, QStringLiteral("Cancel"), 252, mrCancel, this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    CentreOnScreen(this);
}

void TFormMessage::hideCancel() {
    BtnCancel->hide();
    LabelMess->resize(180, LabelMess->height());
    setFixedSize(260, height());
}

void TFormMessage::showAsReport() {
    BtnYes->hide();
    BtnNo->setText(QStringLiteral("Ok"));
    BtnCancel->hide();
}

void TFormMessage::fitMessageHeight() {
    const int extra = LabelMess->heightForWidth(LabelMess->width()) - LabelMess->height();
    if (extra <= 0) {
        return;
    }
    LabelMess->resize(LabelMess->width(), LabelMess->height() + extra);
    for (QPushButton* button : {BtnYes, BtnNo, BtnCancel}) {
        button->move(button->x(), button->y() + extra);
    }
    setFixedSize(width(), height() + extra);
}

void TFormMessage::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (!BtnCancel->isHidden()) {
            BtnCancel->click();
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFormMessage::reject() { done(mrCancel); }

int AskDialog(const QString& text, TMsgDlgType /*kind*/, int buttons, int /*helpContext*/) {
    TFormMessage form(QApplication::activeWindow());
    form.setResult(mrCancel);
    form.LabelMess->setText(text);
    if ((buttons & mbCancel) == 0) {
        form.hideCancel();
    }
    return form.exec();
}

namespace {

void showReport(const QString& text, bool growToFit) {
    TFormMessage form(QApplication::activeWindow());
    form.LabelMess->setText(text);
    form.showAsReport();
    if (growToFit) {
        form.fitMessageHeight();
    }
    form.exec();
}

}  // namespace

void ShowDialog(const QString& text) { showReport(text, false); }

void ShowFailure(const QString& message, const QString& reason) {
    showReport(reason.isEmpty() ? message : message + QLatin1Char('\n') + reason, true);
}
