#include "FileNameEditLite.h"

#include <QKeyEvent>

#include "FileListViewLite.h"

TFileNameEditLite::TFileNameEditLite(QWidget* parent) : QLineEdit(parent) {}

void TFileNameEditLite::setFileList(TFileListViewLite* list) {
    if (fileList_ == list) {
        return;
    }
    fileList_ = list;
    if (list != nullptr) {
        list->setFileEdit(this);
    }
}

void TFileNameEditLite::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && fileList_) {
        fileList_->setMask(text());
        event->accept();  // the key goes no further, e.g. to a dialog's default button
        return;
    }
    QLineEdit::keyPressEvent(event);
}
