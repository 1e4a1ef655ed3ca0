#pragma once
// The file-name edit tied to a file list: it shows the selected file's name, and Enter sets the
// list's mask to its text. Interface thread only.
#include <QLineEdit>
#include <QPointer>

class TFileListViewLite;

class TFileNameEditLite : public QLineEdit {
    Q_OBJECT
public:
    explicit TFileNameEditLite(QWidget* parent = nullptr);

    void setFileList(TFileListViewLite* list);
    TFileListViewLite* fileList() const { return fileList_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPointer<TFileListViewLite> fileList_;
};
