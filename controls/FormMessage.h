#pragma once
// The program's own question and report window, and the two ways of showing it: AskDialog
// returns the user's answer as a result code, ShowDialog only reports. Each call builds its own
// window and destroys it before returning. Interface thread only; throws nothing.
#include <QDialog>

class QLabel;
class QPushButton;

// Result codes of the dialogs.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;
inline constexpr int mrYes = 6;
inline constexpr int mrNo = 7;

// Button set bits callers pass to AskDialog; only mbCancel changes what is shown.
inline constexpr int mbYes = 1;
inline constexpr int mbNo = 2;
inline constexpr int mbOK = 4;
inline constexpr int mbCancel = 8;
inline constexpr int mbYesNo = mbYes | mbNo;
inline constexpr int mbYesNoCancel = mbYes | mbNo | mbCancel;

// Message kinds callers pass; the window looks the same for all of them.
enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

class TFormMessage : public QDialog {
    Q_OBJECT
public:
    explicit TFormMessage(QWidget* parent = nullptr);

    QLabel* Image;
    QLabel* LabelMess;
    QPushButton* BtnYes;
    QPushButton* BtnNo;
    QPushButton* BtnCancel;

    // Narrows the window to Yes and No: the Cancel button goes and Escape does nothing.
    void hideCancel();
    // Turns the window into a report with one "Ok" button.
    void showAsReport();
    // Makes the window taller when the message needs more lines than the label holds.
    void fitMessageHeight();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;  // the title bar's close button: Cancel
};

int AskDialog(const QString& text, TMsgDlgType kind, int buttons, int helpContext = 0);
void ShowDialog(const QString& text);
// Reports a failure: the window's fixed message and, below it, what failed and why (the
// window grows to show all of it). An empty reason shows the message alone.
void ShowFailure(const QString& message, const QString& reason);
