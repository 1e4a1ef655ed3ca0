#pragma once
// The SQL page of the main window: the statement editor, the saved-query name box and the
// New, Save, Save as and Execute commands. The saved-query store and the background execution
// connect to these controls. Interface thread only.
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class TSqlPage : public QWidget {
    Q_OBJECT
public:
    explicit TSqlPage(QWidget* parent = nullptr);

    QLabel* Label9;
    QComboBox* SavedQueryCombo;
    QPushButton* BtnHelpSQL;
    QPlainTextEdit* QueryEdit;
    QPushButton* BtnNewQuery;
    QPushButton* BtnSaveQuery;
    QPushButton* BtnSaveQueryAs;
    QCheckBox* CheckBoxReqLive;
    QPushButton* BtnExecuteQuery;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
