#pragma once
// The caption dialog of the shortcut list: one edit with the caption, Ok and Cancel (also
// Escape). Neither button is the default, so Enter does not close it. Interface thread only.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TFormGetCap : public QDialog {
    Q_OBJECT
public:
    explicit TFormGetCap(QWidget* parent = nullptr);

    QLabel* LabelCap;
    QLineEdit* EditCaption;
    QPushButton* BtnOk;
    QPushButton* BtnCancel;
};
