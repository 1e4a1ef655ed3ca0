#pragma once
// The SQL page of the main window: the statement editor, the saved-query name box and the
// New, Save, Save as and Execute commands, with the library of saved queries behind them.
// Execute opens a result window per run. Interface thread only.
#include <QWidget>
#include <functional>
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
    // `storePath` is the saved-query store's file; `currentFolder` gives the folder the main
    // window shows, where Execute runs the statement.
    TSqlPage(const QString& storePath, const TQueryMessages& messages, std::function<QString()> currentFolder,
             QWidget* parent = nullptr);
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
    // Runs the editor's text in a result window of its own, under the current query's name.
    void ExecuteQuery();

    std::function<QString()> currentFolder_;
};
