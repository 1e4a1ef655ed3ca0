#include "QueryManager.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QTimer>

#include "FormMessage.h"
#include "ProfileFile.h"
#include "QueryText.h"
#include "SaveQueryAs.h"

namespace {

const QString kQueryKey = QStringLiteral("Query");

}  // namespace

TQueryManager::TQueryManager(QString storePath, QPlainTextEdit* editor, QComboBox* nameBox, TQueryMessages messages)
    : editor_(editor), nameBox_(nameBox), storePath_(std::move(storePath)), messages_(std::move(messages)) {
    const QStringList names = TProfileFile(storePath_).readSectionNames();
    nameBox_->clear();
    nameBox_->addItems(names);
    if (names.isEmpty()) {
        showName(QStringLiteral("Query1"));
        name_ = QStringLiteral("Query1");
    } else {
        nameBox_->setCurrentIndex(0);
        name_ = names.first();
        try {
            LoadSelected();
        } catch (const std::exception& error) {
            // The window that shows the page is still being built; the application's error
            // report takes the failure once the event loop runs.
            QTimer::singleShot(0, nameBox_, [text = std::string(error.what())] { throw std::runtime_error(text); });
        }
    }
    editor_->document()->setModified(false);
}

bool TQueryManager::ConfirmSaveModified() {
    if (!editor_->document()->isModified()) {
        return true;
    }
    switch (AskDialog(messages_.modifiedSave.arg(name_), TMsgDlgType::mtConfirmation, mbYesNoCancel)) {
        case mrCancel:
            return false;
        case mrYes:
            Save();
            return true;
        default:
            return true;
    }
}

void TQueryManager::LoadSelected() {
    // Saving first may select the saved name in the box; the load is of the name chosen.
    const QString chosen = nameBox_->currentText();
    if (!ConfirmSaveModified()) {
        return;
    }
    showName(chosen);
    name_ = chosen;
    const QString stored = TProfileFile(storePath_).readString(name_, kQueryKey, QString(), kMostQueryChars + 2);
    setEditorText(DecodeQueryText(stored, messages_.tooLargeToRead));
    if (editor_->isVisible()) {
        editor_->setFocus();
    }
}

void TQueryManager::NewQuery() {
    setEditorText(QString());
    editor_->setFocus();
    name_ = NextFreeName();
    showName(name_);
    unnamed_ = true;
}

QString TQueryManager::NextFreeName() const {
    for (int n = 1;; ++n) {
        const QString name = QStringLiteral("Query%1").arg(n);
        if (listedIndex(name) < 0) {
            return name;
        }
    }
}

void TQueryManager::Save() {
    if (unnamed_) {
        SaveAs();
        return;
    }
    const QString value = EncodeQueryText(editor_->toPlainText(), messages_.tooLargeToSave);
    TProfileFile(storePath_).writeString(name_, kQueryKey, value);
    editor_->document()->setModified(false);
}

void TQueryManager::SaveAs() {
    const std::optional<QString> name = AskQueryName(name_);
    if (!name) {
        return;
    }
    name_ = *name;
    unnamed_ = false;
    Save();
    if (listedIndex(name_) < 0) {
        nameBox_->addItem(name_);
    }
    nameBox_->setCurrentIndex(listedIndex(name_));
}

void TQueryManager::setEditorText(const QString& text) {
    editor_->setPlainText(text);
    editor_->document()->setModified(false);
}

void TQueryManager::showName(const QString& name) {
    if (nameBox_->currentText() == name) {
        return;  // leaves the typing cursor where it is
    }
    nameBox_->setEditText(name);
}

int TQueryManager::listedIndex(const QString& name) const { return nameBox_->findText(name, Qt::MatchFixedString); }
