#include "FormQuery.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>
#include <fstream>

#include "DBGrid.h"
#include "FormMessage.h"
#include "QueryResultModel.h"
#include "QueryThread.h"
#include "ResultCopy.h"
#include "core/EngineError.h"
#include "sql/QueryCsv.h"

namespace {

std::vector<TFormQuery*>& windows() {
    static std::vector<TFormQuery*> open;
    return open;
}

QString seconds(qint64 milliseconds) { return QStringLiteral("%1 s").arg(milliseconds / 1000.0, 0, 'f', 2); }

}  // namespace

TFormQuery::TFormQuery(QWidget* parent) : QWidget(parent, Qt::Window) {
    windows().push_back(this);
    setObjectName(QStringLiteral("FormQuery"));
    setWindowTitle(QStringLiteral("Query in Background"));
    resize(488, 461);
    // Result windows do not keep the program running once the main window closes.
    setAttribute(Qt::WA_QuitOnClose, false);

    Panel1 = new QFrame(this);
    QueryLabel =
        new QLabel(QStringLiteral("Utilizzare la combo box per visualizzare la definizione della Query"), Panel1);
    QueryLabel->setWordWrap(true);
    Panel2 = new QFrame(Panel1);
    ComboBoxQuery = new QComboBox(Panel2);
    ComboBoxQuery->setObjectName(QStringLiteral("ComboBoxQuery"));
    ComboBoxQuery->setEditable(true);
    ComboBoxQuery->setInsertPolicy(QComboBox::NoInsert);
    ComboBoxQuery->setMaxVisibleItems(16);
    BtnStop = new QPushButton(QStringLiteral("&Stop"), Panel2);
    BtnStop->setObjectName(QStringLiteral("BtnStop"));
    BtnSaveCsv = new QPushButton(QStringLiteral("Save as &CSV..."), Panel2);
    BtnSaveCsv->setObjectName(QStringLiteral("BtnSaveCsv"));
    BtnSaveCsv->setEnabled(false);
    auto* statementRow = new QHBoxLayout(Panel2);
    statementRow->setContentsMargins(0, 0, 0, 0);
    statementRow->addWidget(ComboBoxQuery, 1);
    statementRow->addWidget(BtnStop);
    statementRow->addWidget(BtnSaveCsv);

    DBGrid1 = new TDBGrid(Panel1);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    // Row numbers instead of the record indicator: the header takes the width they need.
    DBGrid1->verticalHeader()->setMinimumWidth(0);
    DBGrid1->verticalHeader()->setMaximumWidth(QWIDGETSIZE_MAX);
    // A block of cells to copy; Ctrl with a movement key still moves, as in any data grid.
    DBGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    DBGrid1->installEventFilter(this);  // Ctrl+C copies the block, not only the current cell
    auto* copy = new QAction(QStringLiteral("&Copy\tCtrl+C"), DBGrid1);
    connect(copy, &QAction::triggered, this, &TFormQuery::copySelection);
    auto* save = new QAction(QStringLiteral("Save as &CSV..."), DBGrid1);
    connect(save, &QAction::triggered, this, &TFormQuery::saveAsCsv);
    DBGrid1->addActions({copy, save});
    DBGrid1->setContextMenuPolicy(Qt::ActionsContextMenu);

    Label1 = new QLabel(Panel1);
    Label1->setFixedHeight(7);
    QFont italic = Label1->font();
    italic.setItalic(true);
    Label1->setFont(italic);
    MemoMessage = new QPlainTextEdit(Panel1);
    MemoMessage->setObjectName(QStringLiteral("MemoMessage"));
    MemoMessage->setReadOnly(true);
    MemoMessage->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoMessage->setFixedHeight(65);
    StatusLine = new QLabel(Panel1);
    StatusLine->setObjectName(QStringLiteral("StatusLine"));

    auto* panel = new QVBoxLayout(Panel1);
    panel->setContentsMargins(4, 4, 4, 4);
    panel->addWidget(QueryLabel);
    panel->addWidget(Panel2);
    panel->addWidget(DBGrid1, 1);
    panel->addWidget(Label1);
    panel->addWidget(MemoMessage);
    panel->addWidget(StatusLine);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Panel1);

    connect(ComboBoxQuery, &QComboBox::editTextChanged, this, &TFormQuery::ComboBoxQueryChange);
    connect(ComboBoxQuery, &QComboBox::activated, this, &TFormQuery::ComboBoxQueryChange);
    connect(BtnStop, &QPushButton::clicked, this, &TFormQuery::Stop);
    connect(BtnSaveCsv, &QPushButton::clicked, this, &TFormQuery::saveAsCsv);
    ticker_.setInterval(100);
    connect(&ticker_, &QTimer::timeout, this, &TFormQuery::showStatus);
}

TFormQuery::~TFormQuery() { release(); }

QList<TFormQuery*> TFormQuery::openWindows() { return QList<TFormQuery*>(windows().begin(), windows().end()); }

void TFormQuery::closeAll() {
    while (!windows().empty()) delete windows().back();
}

void TFormQuery::start(const QString& folder, const QString& sql, bool requestLive) {
    ComboBoxQuery->clear();
    ComboBoxQuery->addItems(sql.split(QRegularExpression(QStringLiteral("\r\n|\n\r|\r|\n"))));
    ComboBoxQuery->addItem(QString());
    ComboBoxQueryChange();
    elapsed_.start();
    ticker_.start();
    thread_ = std::make_unique<TQueryThread>(folder, sql, requestLive);
    running_ = true;
    connect(thread_.get(), &TQueryThread::finished, this, [this] {
        running_ = false;
        runMilliseconds_ = elapsed_.elapsed();
        ticker_.stop();
        BtnStop->setEnabled(false);
        AttachResult();
        ShowOutcome(QString::fromStdString(thread_->execution().outcome()));
        // Counting a table's records may read it all: the first screen is painted first.
        QTimer::singleShot(0, this, &TFormQuery::showStatus);
    });
    showStatus();
}

QString TFormQuery::sessionName() const {
    return thread_ && !running_ ? QString::fromStdString(thread_->execution().sessionName()) : QString();
}

bool TFormQuery::running() const { return running_; }

void TFormQuery::closeEvent(QCloseEvent* event) {
    release();
    event->accept();
}

void TFormQuery::release() {
    DBGrid1->setModel(nullptr);
    model_.reset();
    thread_.reset();  // cancels a running statement and waits for its worker
    running_ = false;
    ticker_.stop();
    BtnStop->setEnabled(false);
    BtnSaveCsv->setEnabled(false);
    std::erase(windows(), this);
}

bool TFormQuery::eventFilter(QObject* watched, QEvent* event) {
    if (watched == DBGrid1 && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        copySelection();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// The box always shows the first line; the list is there to read the others.
void TFormQuery::ComboBoxQueryChange() {
    if (ComboBoxQuery->count() == 0) return;
    const QString shown = ComboBoxQuery->itemText(0) + (ComboBoxQuery->count() > 1 ? QStringLiteral("...") : QString());
    if (ComboBoxQuery->currentText() != shown) ComboBoxQuery->setEditText(shown);
    ComboBoxQuery->lineEdit()->deselect();
}

void TFormQuery::AttachResult() {
    tabulon::Query* query = thread_->execution().query();
    if (query == nullptr || !query->active()) return;
    model_ = std::make_unique<TQueryResultModel>(*query);
    connect(model_.get(), &TQueryResultModel::failed, MemoMessage, &QPlainTextEdit::setPlainText);
    connect(model_.get(), &QAbstractItemModel::rowsInserted, this, &TFormQuery::showStatus);
    connect(model_.get(), &QAbstractItemModel::modelReset, this, &TFormQuery::showStatus);
    DBGrid1->setModel(model_.get());
    DBGrid1->setReadOnly(!query->canModify());
    DBGrid1->fitColumns();
    // The first row is current, as in any data grid, so the movement keys start from it.
    if (model_->rowCount() > 0) DBGrid1->setCurrentIndex(model_->index(0, 0));
    BtnSaveCsv->setEnabled(true);
}

void TFormQuery::ShowOutcome(const QString& outcome) {
    MemoMessage->setPlainText(outcome == QLatin1String(kNoResultSetOutcome) ? QString::fromLatin1(kNoRows) : outcome);
}

void TFormQuery::Stop() {
    if (thread_) thread_->cancel();
}

void TFormQuery::showStatus() {
    if (running()) {
        StatusLine->setText(QStringLiteral("Running... %1").arg(seconds(elapsed_.elapsed())));
        return;
    }
    QString rows;
    if (model_) {
        tabulon::Query& query = *thread_->execution().query();
        std::optional<std::uint64_t> known;
        try {
            known = query.knownRecordCount();
        } catch (const tabulon::EngineError&) {
        }
        rows = known ? QStringLiteral("%1 rows").arg(*known)
                     : QStringLiteral("%1 rows read so far").arg(query.fetchedCount());
        rows += QStringLiteral(" - ");
    }
    StatusLine->setText(rows + QStringLiteral("ran in %1").arg(seconds(runMilliseconds_)));
}

void TFormQuery::copySelection() {
    if (!model_) return;
    QApplication::clipboard()->setText(selectedCellsAsTsv(*model_, DBGrid1->selectionModel()->selectedIndexes()));
}

void TFormQuery::saveAsCsv() {
    if (!model_) return;
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save as CSV"), QString(),
                                                      QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty()) return;
    tabulon::Query& query = *thread_->execution().query();
    QProgressDialog progress(QStringLiteral("Saving %1...").arg(QFileInfo(path).fileName()), QStringLiteral("Cancel"),
                             0, 0, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    const std::optional<std::uint64_t> total = query.knownRecordCount();
    if (total) progress.setMaximum(static_cast<int>(std::min<std::uint64_t>(*total, INT_MAX)));
    // Written beside the target and put in its place only when whole, so a failure or a cancel
    // leaves any earlier file as it was.
    const std::filesystem::path target = path.toStdString();
    const std::filesystem::path partial = target.string() + ".part";
    try {
        {
            std::ofstream out(partial, std::ios::binary | std::ios::trunc);
            if (!out) throw tabulon::EngineError(tabulon::errkind::kFile, "Cannot write " + partial.string());
            tabulon::writeQueryCsv(query, out, [&](std::uint64_t rows) {
                progress.setValue(static_cast<int>(std::min<std::uint64_t>(rows, INT_MAX)));
                QCoreApplication::processEvents();
                return !progress.wasCanceled();
            });
            out.flush();
            if (!out) throw tabulon::EngineError(tabulon::errkind::kFile, "Cannot write " + partial.string());
        }
        std::filesystem::rename(partial, target);
    } catch (const std::exception& e) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        model_->showRowsRead();
        if (!progress.wasCanceled())
            ShowFailure(QStringLiteral("Could not save %1").arg(path), QString::fromUtf8(e.what()));
        return;
    }
    model_->showRowsRead();
}

TFormQuery* RunQueryInBackground(const QString& queryName, const QString& folder, const QString& sql,
                                 bool requestLive) {
    auto* window = new TFormQuery;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(queryName);
    window->show();
    window->start(folder, sql, requestLive);
    return window;
}
