#pragma once
// The window a double-click on a memo, graphic or blob cell opens: a memo's text in a text
// editor (changeable while the grid is editable), a graphic as a picture, other binary values
// as their size and a hexadecimal listing. Interface thread only; throws nothing.
#include <QDialog>

class QPlainTextEdit;
class QLabel;

class TCellValueDialog : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Memo, Graphic, Binary };

    // `value`: the memo's text as a string, or the bytes of a graphic or binary value.
    TCellValueDialog(const QString& fieldName, Kind kind, const QVariant& value, bool editable,
                     QWidget* parent = nullptr);

    // The memo's text as the user left it.
    QString memoText() const;
    // Whether a graphic's bytes made a picture.
    bool showsPicture() const { return showsPicture_; }

    QPlainTextEdit* Editor = nullptr;
    QLabel* Picture = nullptr;

private:
    bool showsPicture_ = false;
};
