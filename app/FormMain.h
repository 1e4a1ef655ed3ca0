#pragma once
// The main window: a folder combo, a file list and the shortcut list on the left; the toolbar
// and the pages of the one open table on the right. It owns the table (through a TTableBrowser
// that the dataset layer provides), reads the settings file when first shown and writes it when
// it closes. Every control's enabled state follows ControlStateFor() of the table's state.
// Interface thread only; uncaught failures of its handlers go to the default error report.
#include <QMainWindow>
#include <memory>

#include "ControlState.h"
#include "SpecialPageHost.h"
#include "StringHolder.h"
#include "TableBrowser.h"

class QAbstractItemModel;
class QLabel;
class QModelIndex;
class QSplitter;
class QTabWidget;
class TDataMod;
class TDBGrid;
class QToolButton;
class TDirectoryComboLite;
class TFileListViewLite;
class TSpecialPage;
class TSqlPage;
class TfrmBatchMove;
class TFormRes;
class TFormRepair;
class TTableShortcutList;

namespace tabulon {
class FieldsPage;
class FilterPage;
class SearchPage;
}  // namespace tabulon

class TFormMain : public QMainWindow, private TSpecialPageHost {
    Q_OBJECT
public:
    // `iniFileName`: the settings file; `firstArgument`: a table file to open at start (or a
    // folder to show), empty for none.
    TFormMain(QString iniFileName, QString firstArgument, QWidget* parent = nullptr);
    ~TFormMain() override;

    // Puts the dataset layer in place of the browser that opens no table.
    void setTableBrowser(std::unique_ptr<TTableBrowser> browser);
    // Connects the Special page's commands to the table-operations module, which outlives the
    // window.
    void setDataMod(TDataMod& dataMod);
    // The batch-move window the Special page opens; it outlives this window.
    void setBatchMove(TfrmBatchMove& window) { batchMove_ = &window; }
    void setRestructure(TFormRes& window) { restructure_ = &window; }
    // The verify-and-rebuild window the Special page opens; it outlives this window.
    void setRepair(TFormRepair& window) { repair_ = &window; }
    TTableState tableState() const { return tableState_; }
    TControlState controlState() const;

    QString DatabasePath;
    QString TableFile;
    QString IniFileName;
    TStringHolder MessageHolder;

    QWidget* PanelLeft;
    QWidget* PanelCli;
    QSplitter* SplitterV;
    QSplitter* SplitterH;
    QToolButton* BtnList;
    QToolButton* BtnReport;
    QToolButton* BtnSmall;
    QToolButton* BtnBig;
    QToolButton* BtnHelp;
    TDirectoryComboLite* DirectoryCombo;
    TFileListViewLite* FileListView;
    TTableShortcutList* ListTabDef;
    QToolButton* BtnOpen;
    QToolButton* BtnClose;
    QToolButton* BtnEdit;
    QToolButton* BtnPost;
    QToolButton* BtnCancel;
    QToolButton* BtnRefresh;
    QLabel* ImageLogo;
    QTabWidget* PageControl;
    QWidget* TabSheetData;
    tabulon::FieldsPage* TabSheetFields;
    tabulon::FilterPage* TabSheetFilter;
    tabulon::SearchPage* TabSheetSearch;
    TSqlPage* TabSheetSQL;
    TSpecialPage* TabSheetSpecial;
    TDBGrid* DBGrid;
    QLabel* LabelCodePage;  // the open table's code page and where it came from
    QToolButton* BtnCodePage;
    QToolButton* BtnSetCodePage;

public slots:
    void BtnOpenClick();
    void BtnCloseClick();
    void BtnEditClick();
    // Applies the changes; false when they could not be applied (the window stays editing).
    bool BtnPostClick();
    void BtnCancelClick();
    void BtnRefreshClick();
    // Closes the table, lets the user pick its code page (kept in the settings file for the
    // next openings) and opens it again.
    void BtnCodePageClick();
    // Closes the table, lets the user pick a code page and, after asking, stores it in the
    // table's header (only there), then opens the table again.
    void BtnSetCodePageClick();
    // A double-click on a memo, graphic or blob cell shows its whole value.
    void showCellValue(const QModelIndex& index);
    void FileListViewChange();
    void FileListViewFileSelect(const QString& path);
    void DirectoryComboDirectoryChange(QObject* sender, const QString& oldKey, const QString& newKey);
    void ListTabDefClick();
    void ListTabDefDblClick();
    void BtnViewStyleClick();
    void BtnHelpClick();
    void ImageLogoClick();
    void DisplayHint(const QString& hint);
    void ReadSettings();
    void WriteSettings();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLeftPanel();
    void buildRightPanel();
    void buildTablePages();
    void FormShow();
    void ConnectDatabase();
    void OpenSelectedTable();
    // Fills the Fields, Filter and Search pages from the table just opened; throws what the
    // table throws.
    void prepareTablePages();
    void clearTablePages();
    void PageControlChange();
    // The Search page moved the table: the grid's current row follows.
    void followTableRecord();
    // The pages changed the table's view: the grid reads it anew from its first row.
    void gridViewChanged();
    void selectFirstRow();
    void applyControlState();
    void showCodePage();
    // Shows `model` (or nothing) in the grid and follows the grid's current row.
    void showGridModel(QAbstractItemModel* model);
    void gridFocusLeft();
    // Opens the production index its header names on a dBase table just opened.
    void openProductionIndex();
    void setTableState(TTableState state);
    void setPageVisible(QWidget* page, bool visible);
    void enablePanelCliFor(const QString& folder, bool textTablesCount);
    // Settles unposted changes before the table closes: asks Yes (post), No (drop) or Cancel;
    // false when the table must stay as it is.
    bool settlePendingChanges();
    // Closes the open table after settling its changes; false when the user kept it open.
    bool closeTableAsking();

    // What the Special page's commands need of the window.
    QString Message(int n) const override;
    QString SelectedTable() const override;
    bool TableActive() const override;
    QString TableFilter() const override;
    void LeaveEditMode() override;
    void SetTableActive(bool active) override;
    void TableRenamed(const QString& tableFile, bool open) override;
    void RefreshFileList() override;
    tabulon::Table* OpenTable() override;
    void TableRecordsChanged() override;
    void ShowBatchMove() override;
    void ShowRestructure() override;
    void ShowVerifyRebuild() override;

    std::unique_ptr<TTableBrowser> Table;
    TfrmBatchMove* batchMove_ = nullptr;
    TFormRes* restructure_ = nullptr;
    TFormRepair* repair_ = nullptr;
    TTableState tableState_ = TTableState::NoTable;
    QString firstArgument_;
    bool shown_ = false;
    bool revertingFolder_ = false;
};
