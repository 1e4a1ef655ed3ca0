#pragma once
// Answers the next modal dialog a test provokes: `act` runs on it as soon as it is shown.
#include <QApplication>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <memory>

namespace tabulon::testing {

class ModalAnswer {
public:
    // Runs `act` on the next modal dialog and records its message text.
    explicit ModalAnswer(std::function<void(QWidget*)> act) : state_(std::make_shared<State>()) {
        state_->act = std::move(act);
        arm(state_, 500);
    }
    // A dialog left unanswered would hang the test, so a missed one ends the wait.
    ~ModalAnswer() { state_->done = true; }

    bool seen() const { return state_->seen; }
    const QString& text() const { return state_->text; }

    // Clicks the dialog's button named `name`.
    static std::function<void(QWidget*)> click(const QString& name) {
        return [name](QWidget* dialog) { dialog->findChild<QPushButton*>(name)->click(); };
    }

private:
    struct State {
        std::function<void(QWidget*)> act;
        bool seen = false;
        bool done = false;
        QString text;
    };

    static void arm(const std::shared_ptr<State>& state, int triesLeft) {
        QTimer::singleShot(1, [state, triesLeft] {
            if (state->done || triesLeft == 0) {
                return;
            }
            QWidget* modal = QApplication::activeModalWidget();
            // A progress window is not the dialog asked for: it stands while an operation runs.
            if (modal == nullptr || qobject_cast<QProgressDialog*>(modal) != nullptr) {
                arm(state, triesLeft - 1);  // the dialog is not up yet
                return;
            }
            state->seen = true;
            state->done = true;
            if (auto* label = modal->findChild<QLabel*>(QStringLiteral("LabelMess"))) {
                state->text = label->text();
            }
            state->act(modal);
        });
    }

    std::shared_ptr<State> state_;
};

}  // namespace tabulon::testing
