#pragma once
// A result window: one execution of the SQL page's statement, run in the background in a
// session and connection of its own. It shows the statement (the first line in the box, every
// line in its drop-down list), the result rows in a grid that reads them as they come into
// view, and the outcome. Stop cancels a running statement; closing the window cancels it too
// and releases its session, connection and result, so the tables it read are free again.
// Selected cells copy as tab-separated text; the whole result saves as UTF-8 CSV. Interface
// thread only.
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <memory>

class QComboBox;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class TDBGrid;
class TQueryResultModel;
class TQueryThread;

class TFormQuery : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kNoRows = "Query executed! No data to visualize.";
    // The engine's outcome for a statement that ran without giving rows.
    static constexpr const char* kNoResultSetOutcome = "ENoResultSet: Error creating cursor handle.";

    explicit TFormQuery(QWidget* parent = nullptr);
    ~TFormQuery() override;

    // Shows `sql` line by line in the statement box and starts running it over `folder`.
    void start(const QString& folder, const QString& sql, bool requestLive);
    // Result windows not closed yet; closeAll() cancels their statements, waits for their
    // workers and frees them, before the engine goes down at program end.
    static QList<TFormQuery*> openWindows();
    static void closeAll();

    // The engine session's name of this execution, once the worker named it ("Session1", ...).
    QString sessionName() const;
    // From start() until the outcome shows.
    bool running() const;

    QFrame* Panel1;
    QLabel* QueryLabel;
    QFrame* Panel2;
    QComboBox* ComboBoxQuery;
    QPushButton* BtnStop;
    QPushButton* BtnSaveCsv;
    TDBGrid* DBGrid1;
    QLabel* Label1;
    QPlainTextEdit* MemoMessage;
    QLabel* StatusLine;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Cancels a running statement, waits for its worker and frees the result, the connection
    // and the session; the window then shows nothing more.
    void release();
    void ComboBoxQueryChange();
    // The worker ended: binds the grid to an open result and shows the outcome.
    void AttachResult();
    void ShowOutcome(const QString& outcome);
    void Stop();
    void copySelection();
    void saveAsCsv();
    void showStatus();

    std::unique_ptr<TQueryThread> thread_;
    std::unique_ptr<TQueryResultModel> model_;
    bool running_ = false;
    QElapsedTimer elapsed_;
    qint64 runMilliseconds_ = -1;  // how long the statement ran, once it ended
    QTimer ticker_;                // the running time while it runs
};

// Opens a result window captioned `queryName` and runs `sql` there over `folder`; returns at
// once. The window frees itself when closed.
TFormQuery* RunQueryInBackground(const QString& queryName, const QString& folder, const QString& sql, bool requestLive);
