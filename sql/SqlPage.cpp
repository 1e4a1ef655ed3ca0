#include "SqlPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "FormQuery.h"
#include "SqlHighlighter.h"

namespace {

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

}  // namespace

TSqlPage::TSqlPage(const QString& storePath, const TQueryMessages& messages, std::function<QString()> currentFolder,
                   QWidget* parent)
    : QWidget(parent), currentFolder_(std::move(currentFolder)) {
    setObjectName(QStringLiteral("TabSheetSQL"));
    Label9 = new QLabel(QStringLiteral("&Retrieve query:"), this);
    SavedQueryCombo = new QComboBox(this);
    SavedQueryCombo->setObjectName(QStringLiteral("SavedQueryCombo"));
    SavedQueryCombo->setEditable(true);
    SavedQueryCombo->setInsertPolicy(QComboBox::NoInsert);
    // Every keystroke loads the name typed so far; completing it would load another query.
    SavedQueryCombo->setCompleter(nullptr);
    Label9->setBuddy(SavedQueryCombo);
    BtnHelpSQL = button(this, "BtnHelpSQL", QStringLiteral("?"));
    BtnHelpSQL->setFixedWidth(30);
    QueryEdit = new QPlainTextEdit(this);
    QueryEdit->setObjectName(QStringLiteral("QueryEdit"));
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setBold(true);
    QueryEdit->setFont(fixed);
    QueryEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    QueryEdit->setTabChangesFocus(false);
    new TSqlHighlighter(QueryEdit->document());  // owned by the document
    BtnNewQuery = button(this, "BtnNewQuery", QStringLiteral("&New"));
    BtnSaveQuery = button(this, "BtnSaveQuery", QStringLiteral("&Save"));
    BtnSaveQueryAs = button(this, "BtnSaveQueryAs", QStringLiteral("Save &as"));
    CheckBoxReqLive = new QCheckBox(QStringLiteral("Request Live Result"), this);
    CheckBoxReqLive->setObjectName(QStringLiteral("CheckBoxReqLive"));
    BtnExecuteQuery = button(this, "BtnExecuteQuery", QStringLiteral("&Execute"));
    BtnExecuteQuery->setDefault(true);

    auto* top = new QHBoxLayout;
    top->addWidget(Label9);
    top->addWidget(SavedQueryCombo, 1);
    top->addWidget(BtnHelpSQL);
    auto* bottom = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(BtnNewQuery), static_cast<QWidget*>(BtnSaveQuery),
                       static_cast<QWidget*>(BtnSaveQueryAs), static_cast<QWidget*>(CheckBoxReqLive)}) {
        bottom->addWidget(w);
    }
    bottom->addStretch();
    bottom->addWidget(BtnExecuteQuery);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(QueryEdit, 1);
    layout->addLayout(bottom);

    QueryManager = std::make_unique<TQueryManager>(storePath, QueryEdit, SavedQueryCombo, messages);
    connect(QueryEdit, &QPlainTextEdit::textChanged, this, &TSqlPage::QueryEditChange);
    // A choice loads even when it is the name shown, so picking it again brings back
    // the stored text (after the question when it was changed).
    connect(SavedQueryCombo, &QComboBox::activated, this, [this] { QueryManager->LoadSelected(); });
    connect(SavedQueryCombo->lineEdit(), &QLineEdit::textEdited, this, [this] { QueryManager->LoadSelected(); });
    connect(BtnNewQuery, &QPushButton::clicked, this, [this] { QueryManager->NewQuery(); });
    connect(BtnSaveQuery, &QPushButton::clicked, this, [this] { QueryManager->Save(); });
    connect(BtnSaveQueryAs, &QPushButton::clicked, this, [this] { QueryManager->SaveAs(); });
    connect(BtnExecuteQuery, &QPushButton::clicked, this, &TSqlPage::ExecuteQuery);
}

TSqlPage::~TSqlPage() = default;

// A blank statement can be neither run nor saved.
void TSqlPage::QueryEditChange() {
    const bool statement = !QueryEdit->toPlainText().trimmed().isEmpty();
    BtnExecuteQuery->setEnabled(statement);
    BtnSaveQuery->setEnabled(statement);
    BtnSaveQueryAs->setEnabled(statement);
}

void TSqlPage::ExecuteQuery() {
    RunQueryInBackground(QueryManager->currentName(), currentFolder_(), QueryEdit->toPlainText(),
                         CheckBoxReqLive->isChecked());
}

// Enter outside the editor runs the default command, as in a dialog.
void TSqlPage::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && BtnExecuteQuery->isEnabled()) {
        BtnExecuteQuery->click();
        return;
    }
    QWidget::keyPressEvent(event);
}
