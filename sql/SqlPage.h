#pragma once
// The SQL page of the main window: the statement editor, the saved-query name box and the
// New, Save, Save as and Execute commands, with the library of saved queries behind them. The
// background execution connects to the Execute button. Interface thread only.
#include <QWidget>
#include <memory>

#include "QueryManager.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class TSqlPage : public QWidget {
    Q_OBJECT
public:
    // `storePath` is the saved-query store's file.
    TSqlPage(const QString& storePath, const TQueryMessages& messages, QWidget* parent = nullptr);
    ~TSqlPage() override;

    QLabel* Label9;
    QComboBox* SavedQueryCombo;
    QPushButton* BtnHelpSQL;
    QPlainTextEdit* QueryEdit;
    QPushButton* BtnNewQuery;
    QPushButton* BtnSaveQuery;
    QPushButton* BtnSaveQueryAs;
    QCheckBox* CheckBoxReqLive;
    QPushButton* BtnExecuteQuery;
    std::unique_ptr<TQueryManager> QueryManager;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void QueryEditChange();
};
