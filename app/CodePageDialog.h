#pragma once
// Lets the user pick the code page a table is read in: a short list of the usual ones, each with
// a preview of the table's first text values read in it. Interface thread only.
#include <QDialog>
#include <filesystem>

class QDialogButtonBox;
class QListWidget;

class TCodePageDialog : public QDialog {
    Q_OBJECT
public:
    // `table`: the table file; `current`: its code page now, selected at first.
    TCodePageDialog(const std::filesystem::path& table, const QString& current, QWidget* parent = nullptr);

    // The code page chosen ("CP866").
    QString codePage() const;
    // The first text values of `table` read in `codePage`, joined; empty when it has none.
    static QString preview(const std::filesystem::path& table, const QString& codePage);

    QListWidget* ListCodePages;
    QDialogButtonBox* Buttons;
};
