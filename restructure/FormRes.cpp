#include "FormRes.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "CentreOnScreen.h"
#include "DBGrid.h"
#include "FilesByMask.h"
#include "FormGetCap.h"
#include "OperationProgress.h"
#include "TypeLetters.h"
#include "WritablePath.h"
#include "core/AsciiCase.h"
#include "core/EngineError.h"
#include "dataset/Session.h"
#include "ops/TableDefinitions.h"
#include "storage/Drivers.h"

using namespace tabulon;

namespace {

constexpr int kTypeColumn = 2;
constexpr int kReqColumn = 4;
constexpr int kIndexColumn = 5;

// The "Type" column's drop-down: the format's choices, or a letter typed in.
class TypePickDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QStringList Choices;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* combo = new QComboBox(parent);
        combo->setObjectName(QStringLiteral("TypePick"));
        combo->setEditable(true);
        combo->setMaxVisibleItems(18);
        combo->setCompleter(nullptr);  // a typed letter stays what was typed
        combo->addItems(Choices);
        // The list is wider than the column, so no choice is cut short.
        combo->view()->setMinimumWidth(combo->view()->sizeHintForColumn(0) + 24);
        return combo;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* combo = static_cast<QComboBox*>(editor);
        const QString letter = index.data(Qt::EditRole).toString();
        const int at = combo->findText(letter + QStringLiteral(" -"), Qt::MatchStartsWith);
        combo->setCurrentIndex(at);
        combo->setEditText(at >= 0 ? combo->itemText(at) : letter);
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        model->setData(index, static_cast<QComboBox*>(editor)->currentText().left(1));
    }
};

QToolButton* speedButton(QWidget* parent, const char* name, const QString& caption, int width = 70) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setFixedSize(width, 25);
    // Speed buttons take no focus: the index commands act on the control last focused.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QString extensionFor(TableType format) { return format == ttDBase ? QStringLiteral(".DBF") : QStringLiteral(".DB"); }

}  // namespace

TFormRes::TFormRes(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      MessageHolder({QStringLiteral("Can't Open the Table!"), QStringLiteral("Restructure"),
                     QStringLiteral("Restructure New Table"), QStringLiteral("You must specify at least one Field!"),
                     QStringLiteral("Insert new Table Name"), QStringLiteral("You must select a different name!"),
                     QString::fromLatin1(kInvalidField), QString::fromLatin1(kInvalidIndex),
                     QString::fromLatin1(kKeyNotLeading),
                     QStringLiteral("Values that do not fit the new structure:\n%1\nSave anyway, leaving them "
                                    "empty or cut?"),
                     QStringLiteral("A table %1 exists already. Replace it? Its files go to the trash."),
                     QStringLiteral("The folder %1 cannot be written: the structure is edited in a table "
                                    "there (~AuxDef~.DB)."),
                     QStringLiteral("%1 is a %2 table, which Tabulon does not write. Restructure it as %3?"),
                     QStringLiteral("%1: %2 values will be emptied, %3 cut"),
                     QStringLiteral("%1 is a %2 table: only Paradox and dBase tables are restructured. Borrow "
                                    "its structure for a new table instead.")}),
      tableRes_(std::make_unique<TAuxTable>(Session::defaultSession())) {
    setObjectName(QStringLiteral("FormRes"));
    setWindowTitle(MessageHolder.message(1));
    resize(640, 480);

    auto* panel4 = new QWidget(this);
    panel4->setFixedHeight(36);
    auto* buttons = new QHBoxLayout(panel4);
    buttons->setContentsMargins(4, 4, 4, 4);
    BtnResOpen = speedButton(panel4, "BtnResOpen", QStringLiteral("Open"));
    BtnResNewPDX = speedButton(panel4, "BtnResNewPDX", QStringLiteral("Paradox"));
    BtnResNewDBF = speedButton(panel4, "BtnResNewDBF", QStringLiteral("dBase"));
    BtnResBorrow = speedButton(panel4, "BtnResBorrow", QStringLiteral("Borrow"));
    BtnResClose = speedButton(panel4, "BtnResClose", QStringLiteral("Close"));
    BtnResSaveTab = speedButton(panel4, "BtnResSaveTab", QStringLiteral("Save"));
    BtnResSaveAs = speedButton(panel4, "BtnResSaveAs", QStringLiteral("Save As"));
    BtnResExit = speedButton(panel4, "BtnResExit", QStringLiteral("Exit"));
    for (QToolButton* button :
         {BtnResOpen, BtnResNewPDX, BtnResNewDBF, BtnResBorrow, BtnResClose, BtnResSaveTab, BtnResSaveAs, BtnResExit})
        buttons->addWidget(button);
    buttons->addStretch();

    PanelGrid = new QWidget(this);
    PanelGrid->setObjectName(QStringLiteral("PanelGrid"));
    auto* gridLayout = new QVBoxLayout(PanelGrid);
    gridLayout->setContentsMargins(4, 4, 4, 4);
    auto* gridTop = new QHBoxLayout;
    Label7 = new QLabel(QStringLiteral("Table Fields:"), PanelGrid);
    CBEmptyTab = checkBox(PanelGrid, "CBEmptyTab", QStringLiteral("EmptyTable"));
    gridTop->addWidget(Label7);
    gridTop->addStretch();
    gridTop->addWidget(CBEmptyTab);
    gridLayout->addLayout(gridTop);
    GridResFields = new TDBGrid(PanelGrid);
    GridResFields->setObjectName(QStringLiteral("GridResFields"));
    model_ = new TAuxFieldModel(*tableRes_, this);
    GridResFields->setModel(model_);
    GridResFields->setReadOnly(false);
    GridResFields->setItemDelegateForColumn(kTypeColumn, new TypePickDelegate(GridResFields));
    GridResFields->setSelectionMode(QAbstractItemView::SingleSelection);
    const std::pair<int, int> widths[] = {{0, 30}, {kTypeColumn, 95}, {kReqColumn, 50}, {kIndexColumn, 50}};
    for (const auto& [column, width] : widths) GridResFields->setColumnWidth(column, width);
    gridLayout->addWidget(GridResFields);

    PanelResIdx = new QWidget(this);
    PanelResIdx->setObjectName(QStringLiteral("PanelResIdx"));
    PanelResIdx->setFixedWidth(135);
    auto* idxLayout = new QVBoxLayout(PanelResIdx);
    idxLayout->setContentsMargins(4, 4, 4, 4);
    Label8 = new QLabel(QStringLiteral("Indexes:"), PanelResIdx);
    BtnNewIdx = speedButton(PanelResIdx, "BtnNewIdx", QStringLiteral("New"), 60);
    BtnEraseIdx = speedButton(PanelResIdx, "BtnEraseIdx", QStringLiteral("Erase"), 60);
    EditResNewName = new QLineEdit(PanelResIdx);
    EditResNewName->setObjectName(QStringLiteral("EditResNewName"));
    ListResIndexes = new QListWidget(PanelResIdx);
    ListResIndexes->setObjectName(QStringLiteral("ListResIndexes"));
    CBIdxU = checkBox(PanelResIdx, "CBIdxU", QStringLiteral("Unique"));
    CBIdxD = checkBox(PanelResIdx, "CBIdxD", QStringLiteral("Descending"));
    CBIdxC = checkBox(PanelResIdx, "CBIdxC", QStringLiteral("Case Insensitive"));
    Label1 = new QLabel(QStringLiteral("Index Fields:"), PanelResIdx);
    BtnRemField = speedButton(PanelResIdx, "BtnRemField", QStringLiteral("Remove"), 60);
    BtnClearFields = speedButton(PanelResIdx, "BtnClearFields", QStringLiteral("Clear"), 60);
    ListBoxResIdxFld = new QListWidget(PanelResIdx);
    ListBoxResIdxFld->setObjectName(QStringLiteral("ListBoxResIdxFld"));
    auto* idxButtons = new QHBoxLayout;
    idxButtons->addWidget(BtnNewIdx);
    idxButtons->addWidget(BtnEraseIdx);
    auto* fieldButtons = new QHBoxLayout;
    fieldButtons->addWidget(BtnRemField);
    fieldButtons->addWidget(BtnClearFields);
    idxLayout->addWidget(Label8);
    idxLayout->addLayout(idxButtons);
    idxLayout->addWidget(EditResNewName);
    idxLayout->addWidget(ListResIndexes, 1);
    for (QCheckBox* box : {CBIdxU, CBIdxD, CBIdxC}) idxLayout->addWidget(box);
    idxLayout->addWidget(Label1);
    idxLayout->addLayout(fieldButtons);
    idxLayout->addWidget(ListBoxResIdxFld, 1);

    auto* body = new QHBoxLayout;
    body->addWidget(PanelGrid, 1);
    body->addWidget(PanelResIdx);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(panel4);
    layout->addLayout(body);

    connect(BtnResOpen, &QToolButton::clicked, this, &TFormRes::BtnResOpenClick);
    connect(BtnResNewPDX, &QToolButton::clicked, this, &TFormRes::BtnResNewPDXClick);
    connect(BtnResNewDBF, &QToolButton::clicked, this, &TFormRes::BtnResNewPDXClick);
    connect(BtnResBorrow, &QToolButton::clicked, this, &TFormRes::BtnResBorrowClick);
    connect(BtnResClose, &QToolButton::clicked, this, &TFormRes::BtnResCloseClick);
    connect(BtnResSaveTab, &QToolButton::clicked, this, &TFormRes::BtnResSaveTabClick);
    connect(BtnResSaveAs, &QToolButton::clicked, this, &TFormRes::BtnResSaveAsClick);
    connect(BtnResExit, &QToolButton::clicked, this, &TFormRes::BtnResExitClick);
    connect(BtnNewIdx, &QToolButton::clicked, this, &TFormRes::BtnNewIdxClick);
    connect(BtnEraseIdx, &QToolButton::clicked, this, &TFormRes::BtnEraseIdxClick);
    connect(BtnRemField, &QToolButton::clicked, this, &TFormRes::BtnRemFieldClick);
    connect(BtnClearFields, &QToolButton::clicked, this, &TFormRes::BtnClearFieldsClick);
    connect(EditResNewName, &QLineEdit::textChanged, this, &TFormRes::EditResNewNameChange);
    connect(ListResIndexes, &QListWidget::itemSelectionChanged, this, &TFormRes::ListResIndexesClick);
    for (QCheckBox* box : {CBIdxU, CBIdxD, CBIdxC}) connect(box, &QCheckBox::clicked, this, &TFormRes::CBIdxUClick);
    connect(model_, &TAuxFieldModel::editFailed, this, &TFormRes::ShowError);
    connect(model_, &TAuxFieldModel::rowDeleting, this, &TFormRes::TableResBeforeDelete);
    connect(model_, &TAuxFieldModel::rowRenamed, this, &TFormRes::FieldRenamed);
    for (QWidget* watched : {static_cast<QWidget*>(ListResIndexes), static_cast<QWidget*>(ListBoxResIdxFld),
                             static_cast<QWidget*>(EditResNewName), static_cast<QWidget*>(GridResFields),
                             static_cast<QWidget*>(CBEmptyTab)})
        watched->installEventFilter(this);
    GridResFields->viewport()->installEventFilter(this);

    SetState(State::None);
    CentreOnScreen(this);
}

TFormRes::~TFormRes() {
    if (tableRes_->Active()) BtnResCloseClick();
}

void TFormRes::done(int result) {
    // However the window closes (Exit, Escape, its close box), the open structure is closed.
    if (BtnResClose->isEnabled()) BtnResCloseClick();
    QDialog::done(result);
}

void TFormRes::SetState(State state) {
    const bool none = state == State::None;
    for (QToolButton* button : {BtnResOpen, BtnResNewPDX, BtnResNewDBF}) button->setEnabled(none);
    BtnResBorrow->setEnabled(state == State::New || state == State::Borrowed);
    BtnResClose->setEnabled(!none);
    BtnResSaveAs->setEnabled(!none);
    BtnResSaveTab->setEnabled(state == State::Opened);
    PanelGrid->setEnabled(!none);
    PanelResIdx->setEnabled(!none);
    CBEmptyTab->setVisible(state == State::Opened);
    CBEmptyTab->setChecked(false);
    if (none) {
        for (QToolButton* button : {BtnNewIdx, BtnEraseIdx, BtnRemField, BtnClearFields}) button->setEnabled(false);
        UpdateIdxOptionBoxes();
    }
}

void TFormRes::SetFormat(TableType format) {
    tableRes_->SetFormat(format);
    CBIdxC->setVisible(format != ttDBase);
    model_->setReqEditable(format != ttDBase);
    FillTypePickList(format);
}

void TFormRes::FillTypePickList(TableType format) {
    QStringList choices;
    for (const auto& choice : TypeChoices(format)) choices.append(QString::fromStdString(choice));
    static_cast<TypePickDelegate*>(GridResFields->itemDelegateForColumn(kTypeColumn))->Choices = choices;
}

void TFormRes::ShowError(const QString& text) { QMessageBox::warning(this, windowTitle(), text); }

bool TFormRes::Ask(const QString& text) {
    return QMessageBox::question(this, windowTitle(), text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

bool TFormRes::CreateAuxTable() {
    const std::filesystem::path folder = DatabasePath.toStdString();
    // A structure borrowed from another folder is edited there; the old rows go with it.
    if (tableRes_->Active() && tableRes_->Path().parent_path() != folder) {
        const QString previous = QString::fromStdString(tableRes_->Path().string());
        tableRes_->Close();
        DeleteFilesByMask(QFileInfo(previous).path() + QStringLiteral("/~AuxDef~.*"));
    }
    if (!IsWritablePath(DatabasePath)) {
        ShowError(MessageHolder.message(11).arg(DatabasePath));
        return false;
    }
    try {
        tableRes_->Create(folder);
    } catch (const EngineError& e) {
        ShowError(QString::fromStdString(e.formatted()));
        return false;
    }
    model_->reload();
    return true;
}

bool TFormRes::OpenOldTable(bool borrowing) {
    const QFileInfo info(TableFile);
    oldTable_.clear();
    oldFields_.clear();
    level_.clear();
    auto cannotOpen = [this] {
        ShowError(MessageHolder.message(0));
        return false;
    };
    if (info.suffix().isEmpty()) return cannotOpen();
    DatabasePath = info.absolutePath();
    const bool dbase = info.suffix().compare(QStringLiteral("DBF"), Qt::CaseInsensitive) == 0;
    SetFormat(dbase ? ttDBase : ttParadox);
    TableFacts facts;
    try {
        auto table = openTable(existingTable(TableFile.toStdString()));
        oldFields_ = table->fields();
        facts = table->facts();
    } catch (const EngineError&) {
        return cannotOpen();
    }
    if (oldFields_.empty()) return cannotOpen();
    if (facts.format != "paradox" && facts.format != "dbase" && !borrowing) {
        ShowError(MessageHolder.message(14).arg(info.fileName(), QString::fromStdString(facts.format)));
        return false;
    }
    // A borrowed structure makes a new table, at the level new tables get.
    if (const std::string level = nearestWrittenLevel(facts); !level.empty() && !borrowing) {
        if (!Ask(MessageHolder.message(12).arg(info.fileName(), QString::fromStdString(facts.version),
                                               QString::fromStdString(level))))
            return false;
        level_ = level;
    }
    oldTable_ = info.absoluteFilePath();
    setWindowTitle(info.fileName() + QLatin1Char(' ') + MessageHolder.message(1));
    return true;
}

void TFormRes::LoadFieldRows() {
    std::vector<std::string> keyFields;
    auto table = openTable(oldTable_.toStdString());
    const auto indexes = table->indexes();
    if (Format() != ttDBase && !indexes.empty() && (indexes.front().options & ixPrimary)) {
        TStringParser key;
        key.Parse(QString::fromStdString(indexes.front().fields), QStringLiteral(";"));
        for (const QString& field : key.Tokens) keyFields.push_back(field.toStdString());
    }
    model_->change([&] {
        for (std::size_t i = 0; i < oldFields_.size(); ++i) {
            const FieldDef& field = oldFields_[i];
            const bool key = std::any_of(keyFields.begin(), keyFields.end(),
                                         [&](const std::string& k) { return equalsIgnoringAsciiCase(k, field.name); });
            const auto n = static_cast<std::int64_t>(i);
            tableRes_->Append({Value::integer(n), Value::string(field.name),
                               Value::string(std::string(1, LetterForField(Format(), field))),
                               Value::integer(field.size), Value::boolean(field.required),
                               Value::string(key ? "*" : " "), Value::integer(n), Value()});
        }
    });
}

void TFormRes::LoadIndexDefs() {
    ListResIndexes->clear();
    idxDefs_.Clear();
    auto table = openTable(oldTable_.toStdString());
    for (const IndexDef& index : table->indexes()) {
        // The primary index is shown as the key fields of the grid.
        if (index.options & ixPrimary) continue;
        QString fields = QString::fromStdString(index.fields);
        const QString expression = QString::fromStdString(index.expression).trimmed();
        if (!expression.isEmpty()) {
            Parser.Parse(expression, QStringLiteral("+"));
            const bool allFields = std::all_of(Parser.Tokens.begin(), Parser.Tokens.end(), [&](const QString& t) {
                return std::any_of(oldFields_.begin(), oldFields_.end(),
                                   [&](const FieldDef& f) { return equalsIgnoringAsciiCase(f.name, t.toStdString()); });
            });
            if (allFields || fields.isEmpty()) fields = Parser.Join(QStringLiteral(";"));
        }
        ListResIndexes->addItem(QString::fromStdString(index.name));
        idxDefs_.Add(QString::fromStdString(index.name), fields, index.options);
    }
}

void TFormRes::BtnResOpenClick() { OpenStructure(false); }

bool TFormRes::OpenStructure(bool borrowing) {
    DragStartRow = -1;
    bool opened = false;
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters({QStringLiteral("DBase Format (*.DBF *.dbf)"), QStringLiteral("Paradox Format (*.DB *.db)"),
                           QStringLiteral("All Files (*)")});
    dialog.selectNameFilter(QStringLiteral("All Files (*)"));
    dialog.setDefaultSuffix(QStringLiteral("DB"));
    dialog.setDirectory(DatabasePath);
    if (!TableFile.isEmpty()) dialog.selectFile(TableFile);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        TableFile = dialog.selectedFiles().constFirst();
        if (!OpenOldTable(borrowing)) {
            BtnResCloseClick();
        } else if (CreateAuxTable()) {
            SetState(State::Opened);
            LoadIndexDefs();
            CurIdxDef = -1;
            if (ListResIndexes->count() > 0) ListResIndexes->setCurrentRow(0);
            LoadFieldRows();
            GridResFields->setFocus();
            opened = true;
        } else {
            BtnResCloseClick();
        }
    }
    BtnEraseIdx->setEnabled(false);
    UpdateIdxOptionBoxes();
    return opened;
}

void TFormRes::BtnResNewPDXClick() {
    DragStartRow = -1;
    oldTable_.clear();
    oldFields_.clear();
    level_.clear();
    SetFormat(sender() == BtnResNewDBF ? ttDBase : ttParadox);
    setWindowTitle(MessageHolder.message(2));
    if (CreateAuxTable()) {
        SetState(State::New);
        CurIdxDef = -1;
    } else {
        BtnResCloseClick();
    }
    GridResFields->setFocus();
    BtnEraseIdx->setEnabled(false);
    UpdateIdxOptionBoxes();
}

void TFormRes::BtnResBorrowClick() {
    const QString title = windowTitle();
    if (!OpenStructure(true)) {
        // Cancelled: the structure being defined stays as it was.
        if (tableRes_->Active()) setWindowTitle(title);
        return;
    }
    // The chosen table's fields and indexes are now the new table's; its records are not copied.
    oldTable_.clear();
    level_.clear();
    SetState(State::Borrowed);
    BtnEraseIdx->setEnabled(false);
    UpdateIdxOptionBoxes();
}

void TFormRes::BtnResCloseClick() {
    SetState(State::None);
    const bool active = tableRes_->Active();
    const QString aux = active ? QString::fromStdString(tableRes_->Path().string()) : QString();
    tableRes_->Close();
    model_->reload();
    if (active) DeleteFilesByMask(QFileInfo(aux).path() + QStringLiteral("/~AuxDef~.*"));
    setWindowTitle(MessageHolder.message(1));
    idxDefs_.Clear();
    EditResNewName->clear();
    ListBoxResIdxFld->clear();
    ListResIndexes->clear();
    CurIdxDef = -1;
    for (QCheckBox* box : {CBIdxU, CBIdxD, CBIdxC}) box->setChecked(false);
    oldTable_.clear();
    oldFields_.clear();
}

std::optional<TStructurePlan> TFormRes::Plan() {
    ListResIndexesClick();  // the definition being edited is written back first
    if (tableRes_->RowCount() == 0) {
        ShowError(MessageHolder.message(3));
        return std::nullopt;
    }
    std::vector<TIndexRequest> indexes;
    for (int i = 0; i < idxDefs_.Count(); ++i)
        indexes.push_back(
            {idxDefs_.Items(i).Name.toStdString(), idxDefs_.Items(i).Fields.toStdString(), idxDefs_.Items(i).Options});
    TStructurePlan plan = PlanStructure(Format(), tableRes_->FieldRows(), indexes, oldFields_);
    if (!plan.Refusal.empty()) {
        ShowError(QString::fromStdString(plan.Refusal));
        return std::nullopt;
    }
    plan.Restructure.version = level_;
    plan.Restructure.copyRecords = !CBEmptyTab->isChecked();
    return plan;
}

bool TFormRes::AcceptLosses(Restructure& restructure, const std::filesystem::path& table) {
    if (!restructure.copyRecords) return true;
    std::vector<FieldLoss> losses;
    {
        TOperationProgress progress(this, QStringLiteral("Checking values"));
        losses = lostValues(table, restructure);
    }
    if (!losses.empty()) {
        QStringList lines;
        for (const FieldLoss& loss : losses)
            lines.append(
                MessageHolder.message(13).arg(QString::fromStdString(loss.field)).arg(loss.emptied).arg(loss.cut));
        if (!Ask(MessageHolder.message(9).arg(lines.join(QLatin1Char('\n'))))) return false;
    }
    restructure.emptyLostValues = true;
    return true;
}

bool TFormRes::BuildNewTable(const QString& name, TStructurePlan plan) {
    Restructure& restructure = plan.Restructure;
    try {
        if (!oldTable_.isEmpty()) {
            const std::filesystem::path table = oldTable_.toStdString();
            restructure.saveAs = name.toStdString();
            if (!AcceptLosses(restructure, table)) return false;
            TOperationProgress progress(this, MessageHolder.message(1));
            TableDefinitions().restructure(table, restructure);
        } else {
            std::vector<FieldDef> fields;
            for (const auto& field : restructure.fields) fields.push_back(field.field);
            TableDefinitions().create(std::filesystem::path(DatabasePath.toStdString()) / name.toStdString(), Format(),
                                      fields, restructure.indexes);
        }
    } catch (const EngineError& e) {
        ShowError(QString::fromStdString(e.formatted()));
        return false;
    }
    return true;
}

void TFormRes::BtnResSaveTabClick() {
    if (oldTable_.isEmpty()) return;
    auto plan = Plan();
    if (plan && BuildNewTable(QString(), std::move(*plan))) BtnResCloseClick();
}

void TFormRes::BtnResSaveAsClick() {
    TFormGetCap dialog(this);
    dialog.setWindowTitle(QStringLiteral("Save As..."));
    dialog.LabelCap->setText(MessageHolder.message(4));
    const QString suffix =
        oldTable_.isEmpty() ? extensionFor(Format()) : QLatin1Char('.') + QFileInfo(TableFile).suffix();
    dialog.EditCaption->setText(QStringLiteral("NewTab") + suffix);
    if (dialog.exec() != QDialog::Accepted) return;
    QString name = QFileInfo(dialog.EditCaption->text().trimmed()).fileName();
    if (name.isEmpty()) return;
    // The table keeps the structure's format, whatever extension was typed.
    name = QFileInfo(name).completeBaseName() + extensionFor(Format());
    if (!oldTable_.isEmpty() && name.compare(QFileInfo(oldTable_).fileName(), Qt::CaseInsensitive) == 0) {
        ShowError(MessageHolder.message(5));
        return;
    }
    auto plan = Plan();
    if (!plan) return;
    const auto existing = findFileIgnoringCase(DatabasePath.toStdString(), name.toStdString());
    if (!existing.empty() && !Ask(MessageHolder.message(10).arg(QString::fromStdString(existing.filename().string()))))
        return;
    if (BuildNewTable(name, std::move(*plan))) BtnResCloseClick();
}

void TFormRes::BtnResExitClick() { close(); }

bool TFormRes::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (watched == ListResIndexes) ListResIndexesEnter();
        if (watched == ListBoxResIdxFld) ListBoxResIdxFldEnter();
        if (watched == EditResNewName) EditResNewNameEnter();
        if (watched == GridResFields || watched == CBEmptyTab) GridResFieldsEnter();
    }
    if (watched == GridResFields->viewport()) {
        // A row is dragged by its "N" cell: onto another "N" cell to move the field there, onto
        // the index field list to add it to the selected index.
        if (event->type() == QEvent::MouseButtonDblClick) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            GridResFieldsDblClick(GridResFields->indexAt(mouse->position().toPoint()), mouse->modifiers());
        } else if (event->type() == QEvent::MouseButtonPress) {
            const QModelIndex index = GridResFields->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            DragStartRow = index.isValid() && index.column() == 0 ? index.row() : -1;
        } else if (event->type() == QEvent::MouseButtonRelease && DragStartRow >= 0) {
            const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
            const QModelIndex index = GridResFields->indexAt(GridResFields->viewport()->mapFromGlobal(global));
            if (ListBoxResIdxFld->isVisible() &&
                ListBoxResIdxFld->rect().contains(ListBoxResIdxFld->mapFromGlobal(global))) {
                ListBoxResIdxFldDragDrop();
            } else if (index.isValid() && index.column() == 0 && index.row() != DragStartRow) {
                DropOnGrid(index.row());
            }
            DragStartRow = -1;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormRes::DropOnGrid(int targetRow) {
    const int source = DragStartRow;
    DragStartRow = -1;
    if (model_->change([&] { tableRes_->Move(source, targetRow); }))
        GridResFields->setCurrentIndex(model_->index(source, 0));
}

void TFormRes::GridResFieldsDblClick(const QModelIndex& index, Qt::KeyboardModifiers modifiers) {
    if (Format() == ttDBase || !index.isValid() || index.column() != kIndexColumn) return;
    // A plain double-click makes the field the only key field; with Ctrl it joins or leaves a
    // key of several fields.
    const bool several = modifiers.testFlag(Qt::ControlModifier);
    const bool marked = index.data().toString() == QStringLiteral("*");
    model_->change([&] { tableRes_->MarkKey(index.row(), !(several && marked), !several); });
    GridResFields->setCurrentIndex(model_->index(index.row(), kIndexColumn));
}

void TFormRes::GridResFieldsEnter() {
    BtnEraseIdx->setEnabled(false);
    UpdateIdxOptionBoxes();
}

void TFormRes::TableResBeforeDelete(const QString& name) {
    idxDefs_.RemoveField(name);
    for (int i = ListBoxResIdxFld->count() - 1; i >= 0; --i)
        if (ListBoxResIdxFld->item(i)->text().compare(name, Qt::CaseInsensitive) == 0)
            delete ListBoxResIdxFld->takeItem(i);
}

// A renamed field stays in the indexes that name it.
void TFormRes::FieldRenamed(const QString& name, const QString& newName) {
    idxDefs_.RenameField(name, newName);
    for (int i = 0; i < ListBoxResIdxFld->count(); ++i)
        if (ListBoxResIdxFld->item(i)->text().compare(name, Qt::CaseInsensitive) == 0)
            ListBoxResIdxFld->item(i)->setText(newName);
}

void TFormRes::UpdateIdxOptionBoxes() {
    for (QCheckBox* box : {CBIdxU, CBIdxD, CBIdxC}) box->setEnabled(BtnEraseIdx->isEnabled());
}

void TFormRes::ShowIndexFields(int definition) {
    ListBoxResIdxFld->clear();
    Parser.Parse(idxDefs_.Items(definition).Fields, QStringLiteral(";"));
    ListBoxResIdxFld->addItems(Parser.Tokens);
}

void TFormRes::ListResIndexesClick() {
    if (CurIdxDef > -1 && idxDefs_.Valid(CurIdxDef)) {
        Parser.Tokens.clear();
        for (int i = 0; i < ListBoxResIdxFld->count(); ++i) Parser.Tokens.append(ListBoxResIdxFld->item(i)->text());
        TMyIndexDef& def = idxDefs_.Items(CurIdxDef);
        if (Parser.Tokens.size() == 1) {
            const auto items = ListResIndexes->findItems(def.Name, Qt::MatchExactly);
            if (!items.isEmpty()) items.constFirst()->setText(Parser.Tokens.constFirst());
            def.Name = Parser.Tokens.constFirst();
        }
        def.Fields = Parser.Join(QStringLiteral(";"));
        idxDefs_.SetOptions(CurIdxDef, CBIdxU->isChecked(), CBIdxC->isChecked(), CBIdxD->isChecked());
    }
    const int k = ListResIndexes->currentRow();
    if (k < 0 || !ListResIndexes->currentItem()->isSelected() || !idxDefs_.Valid(k)) return;
    if (k == CurIdxDef) return;
    ShowIndexFields(k);
    BtnEraseIdx->setEnabled(ListResIndexes->count() > 0);
    UpdateIdxOptionBoxes();
    CurIdxDef = -1;
    idxDefs_.ShowOptions(k, CBIdxU, CBIdxC, CBIdxD);
    CurIdxDef = k;
}

void TFormRes::ListResIndexesEnter() {
    BtnEraseIdx->setEnabled(ListResIndexes->count() > 0);
    UpdateIdxOptionBoxes();
    BtnRemField->setEnabled(false);
    BtnClearFields->setEnabled(false);
    ListBoxResIdxFld->clearSelection();
}

void TFormRes::CBIdxUClick() {
    if (CurIdxDef > -1) idxDefs_.SetOptions(CurIdxDef, CBIdxU->isChecked(), CBIdxC->isChecked(), CBIdxD->isChecked());
}

void TFormRes::EditResNewNameChange() { BtnNewIdx->setEnabled(!EditResNewName->text().isEmpty()); }

void TFormRes::EditResNewNameEnter() {
    BtnEraseIdx->setEnabled(false);
    UpdateIdxOptionBoxes();
    BtnRemField->setEnabled(false);
    BtnClearFields->setEnabled(false);
}

void TFormRes::BtnNewIdxClick() {
    BtnNewIdx->setEnabled(false);
    const QString name = EditResNewName->text();
    ListResIndexes->blockSignals(true);
    ListResIndexes->addItem(name);
    ListResIndexes->blockSignals(false);
    idxDefs_.Add(name, QString(), 0);
    EditResNewName->clear();
}

void TFormRes::BtnEraseIdxClick() {
    if (focusWidget() != ListResIndexes) return;
    const int k = ListResIndexes->currentRow();
    if (k < 0) return;
    CurIdxDef = -1;  // the definition goes: nothing is written back
    idxDefs_.Delete(k);
    ListResIndexes->blockSignals(true);
    delete ListResIndexes->takeItem(k);
    const int last = ListResIndexes->count() - 1;
    ListResIndexes->setCurrentRow(last);
    ListResIndexes->blockSignals(false);
    if (last < 0) {
        ListBoxResIdxFld->clear();
    } else {
        ShowIndexFields(last);
        idxDefs_.ShowOptions(last, CBIdxU, CBIdxC, CBIdxD);
        CurIdxDef = last;
    }
    BtnEraseIdx->setEnabled(last >= 0);
    UpdateIdxOptionBoxes();
}

void TFormRes::ListBoxResIdxFldEnter() {
    BtnEraseIdx->setEnabled(false);
    UpdateIdxOptionBoxes();
    BtnRemField->setEnabled(ListBoxResIdxFld->count() > 0);
    BtnClearFields->setEnabled(ListBoxResIdxFld->count() > 0);
}

void TFormRes::ListBoxResIdxFldDragDrop() {
    if (CurIdxDef < 0 || ListResIndexes->currentRow() < 0) return;
    const QString name = model_->name(DragStartRow);
    if (!name.isEmpty() && ListBoxResIdxFld->findItems(name, Qt::MatchFixedString).isEmpty())
        ListBoxResIdxFld->addItem(name);
    Parser.Tokens.clear();
    for (int i = 0; i < ListBoxResIdxFld->count(); ++i) Parser.Tokens.append(ListBoxResIdxFld->item(i)->text());
    idxDefs_.Items(CurIdxDef).Fields = Parser.Join(QStringLiteral(";"));
}

void TFormRes::BtnRemFieldClick() {
    if (focusWidget() != ListBoxResIdxFld || ListBoxResIdxFld->currentRow() < 0) return;
    delete ListBoxResIdxFld->takeItem(ListBoxResIdxFld->currentRow());
    ListBoxResIdxFld->setCurrentRow(ListBoxResIdxFld->count() - 1);
    BtnRemField->setEnabled(ListBoxResIdxFld->count() > 0);
    BtnClearFields->setEnabled(ListBoxResIdxFld->count() > 0);
    Parser.Tokens.clear();
    for (int i = 0; i < ListBoxResIdxFld->count(); ++i) Parser.Tokens.append(ListBoxResIdxFld->item(i)->text());
    if (idxDefs_.Valid(CurIdxDef)) idxDefs_.Items(CurIdxDef).Fields = Parser.Join(QStringLiteral(";"));
}

void TFormRes::BtnClearFieldsClick() {
    if (focusWidget() != ListBoxResIdxFld) return;
    ListBoxResIdxFld->clear();
    BtnRemField->setEnabled(false);
    BtnClearFields->setEnabled(false);
    if (idxDefs_.Valid(CurIdxDef)) idxDefs_.Items(CurIdxDef).Fields.clear();
}
