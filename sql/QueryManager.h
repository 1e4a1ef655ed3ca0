#pragma once
// The library of saved queries behind the SQL page: the store "Vendrake.SQL" (a profile file,
// one section per query, its encoded text under the key "Query"), the editor that shows one
// query and the name box that lists them. The store is read and written at the moment of each
// operation, so nothing in it is lost to a copy held here. Interface thread only. Saving throws
// TQueryTextTooLarge or TProfileWriteError, loading TQueryTextTooLarge; the store and the editor
// are then as they were.
#include <QString>

class QComboBox;
class QPlainTextEdit;

// The main window's messages the library shows.
struct TQueryMessages {
    QString tooLargeToSave;  // a text over the limit
    QString tooLargeToRead;  // a stored value over the limit
    QString modifiedSave;    // the question before a modified query is replaced; %1 its name
};

class TQueryManager {
public:
    static constexpr const char* kStoreFileName = "Vendrake.SQL";

    // Lists the store's queries in the name box and loads the first one; with none, the
    // query is called "Query1". Trouble loading it is reported once the event loop runs.
    TQueryManager(QString storePath, QPlainTextEdit* editor, QComboBox* nameBox, TQueryMessages messages);

    // Whether the editor's text may be replaced: at once when it is unmodified, else after
    // asking to save it (Yes saves, No drops it, Cancel keeps it).
    bool ConfirmSaveModified();
    // Loads the query named in the name box, after ConfirmSaveModified. The page calls it for
    // the user's choices and keystrokes in the box; the program's own changes of it load nothing.
    void LoadSelected();
    // Starts an empty, unnamed query under NextFreeName; unsaved changes are dropped.
    void NewQuery();
    // "Query1", "Query2" ...: the first not listed in the name box (compared without case).
    QString NextFreeName() const;
    // Stores the editor's text under the current name; an unnamed query asks for one first.
    void Save();
    // Asks for a name, stores the query under it and lists and selects that name.
    void SaveAs();

    const QString& currentName() const { return name_; }
    bool isUnnamed() const { return unnamed_; }

private:
    void setEditorText(const QString& text);
    void showName(const QString& name);
    int listedIndex(const QString& name) const;

    QPlainTextEdit* editor_;
    QComboBox* nameBox_;
    QString name_;
    QString storePath_;
    TQueryMessages messages_;
    bool unnamed_ = false;
};
