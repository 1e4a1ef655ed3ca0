#pragma once
// The "Save query as" dialog: asks for the name a query is saved under. OK is enabled only
// while the name is not empty. Interface thread only.
#include <QDialog>
#include <optional>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

class TSaveQueryAs : public QDialog {
    Q_OBJECT
public:
    explicit TSaveQueryAs(QWidget* parent = nullptr);

    QFrame* Bevel1;
    QLabel* Label1;
    QLineEdit* NameEdit;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

private:
    void NameEditChange();
};

// Shows the dialog modally with `name` proposed; the entered name on OK, nothing on cancel.
std::optional<QString> AskQueryName(const QString& name);
