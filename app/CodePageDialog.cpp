#include "CodePageDialog.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "storage/Drivers.h"

namespace {
// The code pages old dBase and Paradox tables are usually in.
const char* const kCodePages[] = {"CP437",  "CP850",  "CP852",  "CP865",  "CP866", "CP874",
                                  "CP1250", "CP1251", "CP1252", "CP1253", "CP936", "UTF-8"};
constexpr int kPreviewValues = 3;
constexpr int kPreviewRecords = 5;
}  // namespace

TCodePageDialog::TCodePageDialog(const std::filesystem::path& table, const QString& current, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("Code page"));
    ListCodePages = new QListWidget(this);
    ListCodePages->setObjectName(QStringLiteral("ListCodePages"));
    for (const char* page : kCodePages) {
        const QString name = QString::fromLatin1(page);
        auto* item = new QListWidgetItem(name + QStringLiteral("  ") + preview(table, name), ListCodePages);
        item->setData(Qt::UserRole, name);
        if (name == current) ListCodePages->setCurrentItem(item);
    }
    if (ListCodePages->currentItem() == nullptr) ListCodePages->setCurrentRow(0);
    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("BtnOk"));
    Buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("BtnCancel"));
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(ListCodePages, &QListWidget::itemActivated, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListCodePages);
    layout->addWidget(Buttons);
    resize(560, 360);
}

QString TCodePageDialog::codePage() const {
    const QListWidgetItem* item = ListCodePages->currentItem();
    return item == nullptr ? QString() : item->data(Qt::UserRole).toString();
}

QString TCodePageDialog::preview(const std::filesystem::path& table, const QString& codePage) {
    QStringList values;
    try {
        tabulon::OpenOptions options;
        options.encoding = codePage.toStdString();
        const auto open = tabulon::openTable(table, options);
        std::vector<std::size_t> text;
        for (std::size_t f = 0; f < open->fields().size(); ++f)
            if (open->fields()[f].type == tabulon::ftString) text.push_back(f);
        tabulon::Record record;
        for (std::uint64_t slot = 0; slot < open->slotCount() && slot < kPreviewRecords; ++slot) {
            if (!open->readSlot(slot, record)) continue;
            for (std::size_t f : text)
                if (values.size() < kPreviewValues && !record[f].isNull())
                    values << QString::fromStdString(record[f].toText()).trimmed();
        }
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    }
    values.removeAll(QString());
    return values.join(QStringLiteral(" | "));
}
