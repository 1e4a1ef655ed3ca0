#pragma once
// The restructure window: the fields of a Paradox or dBase structure in a grid over the
// auxiliary table "~AuxDef~.DB", its secondary indexes at the right, and the commands that open
// a table's structure, start a new one, borrow another's, and save it (in place or under a new
// name). Saving builds the new table aside and swaps it in, so a failure leaves the old table as
// it was; values that would be emptied or cut are counted and the user asked first.
// Created once at start-up and shown modally by the main window. Interface thread only.
#include <QDialog>
#include <filesystem>
#include <memory>
#include <optional>

#include "AuxFieldModel.h"
#include "AuxTable.h"
#include "IdxDefsList.h"
#include "MessageTable.h"
#include "StringParser.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QToolButton;
class QWidget;
class TDBGrid;

class TFormRes : public QDialog {
    Q_OBJECT
public:
    explicit TFormRes(QWidget* parent = nullptr);
    ~TFormRes() override;

    // Set by the main window before it shows the window.
    QString DatabasePath;
    QString TableFile;

    QToolButton* BtnResOpen;
    QToolButton* BtnResNewPDX;
    QToolButton* BtnResNewDBF;
    QToolButton* BtnResBorrow;
    QToolButton* BtnResClose;
    QToolButton* BtnResSaveTab;
    QToolButton* BtnResSaveAs;
    QToolButton* BtnResExit;
    QWidget* PanelGrid;
    QWidget* PanelResIdx;
    TDBGrid* GridResFields;
    QCheckBox* CBEmptyTab;
    QToolButton* BtnNewIdx;
    QToolButton* BtnEraseIdx;
    QLineEdit* EditResNewName;
    QListWidget* ListResIndexes;
    QCheckBox* CBIdxU;
    QCheckBox* CBIdxD;
    QCheckBox* CBIdxC;
    QToolButton* BtnRemField;
    QToolButton* BtnClearFields;
    QListWidget* ListBoxResIdxFld;
    TStringHolder MessageHolder;

    TAuxTable& TableRes() { return *tableRes_; }
    TIdxDefsList& IdxDefs() { return idxDefs_; }

    // The commands, as the buttons run them.
    void BtnResOpenClick();
    void BtnResNewPDXClick();
    void BtnResBorrowClick();
    void BtnResCloseClick();
    void BtnResSaveTabClick();
    void BtnResSaveAsClick();
    void BtnResExitClick();

protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class State { None, Opened, New, Borrowed };
    void SetState(State state);
    tabulon::TableType Format() const { return tableRes_->Format(); }
    void SetFormat(tabulon::TableType format);
    // The open command; true when a table's structure was loaded. A borrowed structure may come
    // from any table the program reads.
    bool OpenStructure(bool borrowing);
    void FillTypePickList(tabulon::TableType format);
    // Creates the auxiliary table in DatabasePath; false (after saying why) when it cannot.
    bool CreateAuxTable();
    // Reads the chosen table's structure; false (after saying why) when it cannot be opened, is
    // not restructured, or the user declines the level it would be written at.
    bool OpenOldTable(bool borrowing);
    void LoadFieldRows();
    void LoadIndexDefs();
    void ShowError(const QString& text);
    // Yes/No question; true for Yes.
    bool Ask(const QString& text);
    // The structure to build, or the refusal shown (then empty).
    std::optional<TStructurePlan> Plan();
    // Counts what the copy would lose and asks about it; false when the user declines.
    bool AcceptLosses(tabulon::Restructure& restructure, const std::filesystem::path& table);
    // Builds the table `name` (a file name in DatabasePath) from the plan; true on success.
    bool BuildNewTable(const QString& name, TStructurePlan plan);

    void GridResFieldsDblClick(const QModelIndex& index, Qt::KeyboardModifiers modifiers);
    void DropOnGrid(int targetRow);
    void ListResIndexesClick();
    void ListResIndexesEnter();
    void CBIdxUClick();
    void EditResNewNameChange();
    void EditResNewNameEnter();
    void BtnNewIdxClick();
    void BtnEraseIdxClick();
    void ListBoxResIdxFldEnter();
    void ListBoxResIdxFldDragDrop();
    void BtnRemFieldClick();
    void BtnClearFieldsClick();
    void GridResFieldsEnter();
    void UpdateIdxOptionBoxes();
    void TableResBeforeDelete(const QString& name);
    void FieldRenamed(const QString& name, const QString& newName);
    void ShowIndexFields(int definition);

    std::unique_ptr<TAuxTable> tableRes_;
    TAuxFieldModel* model_;
    TIdxDefsList idxDefs_;
    TStringParser Parser;
    int CurIdxDef = -1;
    int DragStartRow = -1;
    std::vector<tabulon::FieldDef> oldFields_;  // the table being restructured; empty for none
    QString oldTable_;                          // its path; empty while none is open
    std::string level_;                         // the level it is written at; empty: its own
    QLabel* Label7;
    QLabel* Label8;
    QLabel* Label1;
};
