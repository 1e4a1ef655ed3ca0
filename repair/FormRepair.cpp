#include "FormRepair.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "CentreOnScreen.h"
#include "HourglassCursor.h"
#include "TablePaths.h"

TFormRepair* FormRepair = nullptr;

namespace {

constexpr int kPathLabelWidth = 374;
constexpr int kMessageRebuilt = 6;
constexpr int kMessageNotRebuilt = 7;
constexpr int kMessageFillFailed = 8;
constexpr int kMessageUnsuccessful = 5;

QLabel* valueLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(QStringLiteral("0"), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setStyleSheet(QStringLiteral("color: navy"));
    return label;
}

// Unregisters the progress function and restores the cursor however a run ends.
class RunScope {
public:
    explicit RunScope(TTableUtil& util) : util_(util) {}
    ~RunScope() {
        if (registered_) unregister();
    }
    void registerProgress() {
        util_.RegisterProgress();
        registered_ = true;
    }

private:
    void unregister() {
        try {
            util_.UnregisterProgress();
        } catch (...) {
            // Already ending with an error of its own: that one is reported.
        }
    }
    TTableUtil& util_;
    THourglassCursor hourglass_;
    bool registered_ = false;
};

}  // namespace

TFormRepair::TFormRepair(QWidget* parent, TTableUtilCalls calls)
    : QDialog(parent),
      MessageHolder({QStringLiteral("Verification Successful. Table has no errors."),
                     QStringLiteral("Verification Successful. Verification completed."),
                     QStringLiteral("Verification Successful. Verification could not be completed."),
                     QStringLiteral("Verification Successful. Table must be rebuild manually."),
                     QStringLiteral("Verification Successful. Table cannot be rebuilt."),
                     QStringLiteral("Verification unsuccessful."), QStringLiteral("Rebuild was successful."),
                     QStringLiteral("Rebuild was not successful."), QStringLiteral("Error Filling table structure")}) {
    setObjectName(QStringLiteral("FormRepair"));
    setWindowTitle(QStringLiteral("Table's Verify and Rebuild"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowTitleHint);
    setFixedSize(446, 315);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::StyledPanel);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(panel);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(6, 4, 6, 6);
    column->setSpacing(4);

    auto* nameBox = new QGroupBox(QStringLiteral("Table Name"), panel);
    nameBox->setObjectName(QStringLiteral("GroupBox1"));
    LabelTabName = new QLabel(nameBox);
    LabelTabName->setObjectName(QStringLiteral("LabelTabName"));
    LabelTabName->setFixedWidth(kPathLabelWidth);
    BtnResOpen = new QToolButton(nameBox);
    BtnResOpen->setObjectName(QStringLiteral("BtnResOpen"));
    BtnResOpen->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    auto* nameRow = new QHBoxLayout(nameBox);
    nameRow->setContentsMargins(6, 2, 6, 2);
    nameRow->addWidget(LabelTabName);
    nameRow->addStretch();
    nameRow->addWidget(BtnResOpen);
    column->addWidget(nameBox);

    auto* infoBox = new QGroupBox(QStringLiteral("Table's Information"), panel);
    infoBox->setObjectName(QStringLiteral("GroupBox2"));
    FieldsLB = valueLabel(infoBox, "FieldsLB");
    RecSizeLB = valueLabel(infoBox, "RecSizeLB");
    IndexLB = valueLabel(infoBox, "IndexLB");
    ValidLB = valueLabel(infoBox, "ValidLB");
    RefLB = valueLabel(infoBox, "RefLB");
    RestructLB = valueLabel(infoBox, "RestructLB");
    AuxPassLB = valueLabel(infoBox, "AuxPassLB");
    CodePageLB = valueLabel(infoBox, "CodePageLB");
    BlockSizeLB = valueLabel(infoBox, "BlockSizeLB");
    TabLvlLB = valueLabel(infoBox, "TabLvlLB");
    VerifyBtn = new QPushButton(QStringLiteral("Verify"), infoBox);
    VerifyBtn->setObjectName(QStringLiteral("VerifyBtn"));
    RebuildBtn = new QPushButton(QStringLiteral("Rebuild"), infoBox);
    RebuildBtn->setObjectName(QStringLiteral("RebuildBtn"));
    auto* info = new QGridLayout(infoBox);
    info->setContentsMargins(6, 2, 6, 2);
    info->setVerticalSpacing(0);
    const std::pair<const char*, QLabel*> left[] = {{"Fields:", FieldsLB},
                                                    {"Record Size:", RecSizeLB},
                                                    {"Indexes:", IndexLB},
                                                    {"Validities:", ValidLB},
                                                    {"References:", RefLB}};
    const std::pair<const char*, QLabel*> right[] = {{"Restructure Version:", RestructLB},
                                                     {"Aux Passwords:", AuxPassLB},
                                                     {"Code Page:", CodePageLB},
                                                     {"Block Size:", BlockSizeLB},
                                                     {"Table Level:", TabLvlLB}};
    for (int row = 0; row < 5; ++row) {
        info->addWidget(new QLabel(QString::fromLatin1(left[row].first), infoBox), row, 0);
        info->addWidget(left[row].second, row, 1);
        info->addWidget(new QLabel(QString::fromLatin1(right[row].first), infoBox), row, 2);
        info->addWidget(right[row].second, row, 3);
    }
    info->setColumnStretch(1, 1);
    info->setColumnStretch(3, 1);
    info->addWidget(VerifyBtn, 1, 4);
    info->addWidget(RebuildBtn, 3, 4);
    column->addWidget(infoBox);

    auto* statusBox = new QGroupBox(QStringLiteral(" Status: "), panel);
    statusBox->setObjectName(QStringLiteral("GroupBox3"));
    auto* status = new QGridLayout(statusBox);
    status->setContentsMargins(6, 2, 6, 2);
    status->setVerticalSpacing(2);
    const std::pair<const char*, QProgressBar**> bars[] = {
        {"Header:", &PBHeader}, {"Indexes:", &PBIndexes}, {"Data:", &PBData}, {"Rebuild:", &PBRebuild}};
    const char* barNames[] = {"PBHeader", "PBIndexes", "PBData", "PBRebuild"};
    for (int i = 0; i < 4; ++i) {
        auto* caption = new QLabel(QString::fromLatin1(bars[i].first), statusBox);
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* bar = new QProgressBar(statusBox);
        bar->setObjectName(QString::fromLatin1(barNames[i]));
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setFixedHeight(14);
        *bars[i].second = bar;
        status->addWidget(caption, i, 0);
        status->addWidget(bar, i, 1);
    }
    status->addWidget(new QLabel(QStringLiteral("Messages:"), statusBox), 4, 0, Qt::AlignRight | Qt::AlignTop);
    MessageLB = new QLabel(statusBox);
    MessageLB->setObjectName(QStringLiteral("MessageLB"));
    MessageLB->setStyleSheet(QStringLiteral("color: navy"));
    MessageLB->setWordWrap(true);
    MessageLB->setFixedHeight(2 * MessageLB->fontMetrics().lineSpacing());
    status->addWidget(MessageLB, 4, 1);
    column->addWidget(statusBox);

    connect(BtnResOpen, &QToolButton::clicked, this, &TFormRepair::BtnResOpenClick);
    connect(VerifyBtn, &QPushButton::clicked, this, &TFormRepair::VerifyBtnClick);
    connect(RebuildBtn, &QPushButton::clicked, this, &TFormRepair::RebuildBtnClick);

    Util = std::make_unique<TTableUtil>(calls);
    FormRepair = this;
}

TFormRepair::~TFormRepair() {
    if (FormRepair == this) FormRepair = nullptr;
}

void TFormRepair::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
    LabelTabName->setText(ShortenPath(TableFile, kPathLabelWidth));
    ResetProgress();
    ShowTableInfo();
}

void TFormRepair::ResetProgress() {
    MessageLB->clear();
    for (QProgressBar* bar : {PBHeader, PBIndexes, PBData, PBRebuild}) bar->setValue(0);
}

void TFormRepair::ClearTableInfo() {
    for (QLabel* label :
         {FieldsLB, RecSizeLB, IndexLB, ValidLB, RefLB, RestructLB, AuxPassLB, CodePageLB, BlockSizeLB, TabLvlLB})
        label->setText(QStringLiteral("0"));
}

void TFormRepair::ShowTableInfo() {
    ClearTableInfo();
    if (!Util->FillCurProps(TableFile.toStdString())) return;
    const tabulon::CurProps& p = Util->CurProps;
    const std::pair<QLabel*, std::uint16_t> figures[] = {
        {FieldsLB, p.fields},        {RecSizeLB, p.recordSize}, {IndexLB, p.indexes},
        {ValidLB, p.validities},     {RefLB, p.references},     {RestructLB, p.restructureVersion},
        {AuxPassLB, p.auxPasswords}, {CodePageLB, p.codePage},  {BlockSizeLB, p.blockSize},
        {TabLvlLB, p.tableLevel}};
    for (const auto& [label, value] : figures) label->setText(QString::number(value));
}

void TFormRepair::BtnResOpenClick() {
    QFileDialog dialog(this, QString(), DatabasePath);
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("DB"));
    const QStringList filters = {QStringLiteral("DBase Format (*.DBF)"), QStringLiteral("Paradox Format (*.DB)"),
                                 QStringLiteral("All Files (*)")};
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters[1]);
    dialog.selectFile(TableFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    TableFile = dialog.selectedFiles().constFirst();
    DatabasePath = QFileInfo(TableFile).absolutePath();
    LabelTabName->setText(ShortenPath(TableFile, kPathLabelWidth));
}

void TFormRepair::VerifyBtnClick() {
    RunScope run(*Util);
    ResetProgress();
    Util->Reopen();
    run.registerProgress();
    std::int32_t level = 0;
    if (Util->Calls().VerifyTable(Util->SessionHandle, TableFile.toStdString(), "PARADOX", "VERIFY.DB", nullptr, 0,
                                  &level) != tabulon::status::kOk)
        return;
    const auto unsignedLevel = static_cast<std::uint32_t>(level);
    MessageLB->setText(
        MessageHolder.message(unsignedLevel <= 4 ? static_cast<int>(unsignedLevel) : kMessageUnsuccessful));
}

void TFormRepair::RebuildBtnClick() {
    RunScope run(*Util);
    ResetProgress();
    Util->Reopen();
    const std::string path = TableFile.toStdString();
    run.registerProgress();
    const TTableUtilCalls& calls = Util->Calls();
    std::int32_t level = 0;
    CheckUtilStatus(calls.VerifyTable(Util->SessionHandle, path, "PARADOX", "VERIFY.DB", nullptr, 0, &level),
                    "TUVerifyTable");
    tabulon::CRTblDescCounts counts;
    if (calls.GetCRTblDescCount(Util->SessionHandle, path, &counts) != tabulon::status::kOk) return;
    tabulon::CRTblDesc desc;
    desc.tablePath = path;
    desc.driverType = "PARADOX";
    desc.name = "Rebuild.DB";
    desc.fields.resize(counts.fields);
    desc.indexes.resize(counts.indexes);
    desc.securityRecords = counts.securityRecords;
    desc.validityChecks.resize(counts.validityChecks);
    desc.references = counts.references;
    desc.optionalParameters = counts.optionalParameters;
    desc.optionalData = counts.optionalData;
    if (calls.FillCRTblDesc(Util->SessionHandle, &desc, path, nullptr) != tabulon::status::kOk) {
        QMessageBox::critical(this, windowTitle(), MessageHolder.message(kMessageFillFailed));
        return;
    }
    const std::uint16_t rebuilt = calls.RebuildTable(Util->SessionHandle, path, "PARADOX", "Backup.Db", "KEYVIOL.DB",
                                                     "PROBLEM.DB", &desc, nullptr);
    MessageLB->setText(MessageHolder.message(rebuilt == tabulon::status::kOk ? kMessageRebuilt : kMessageNotRebuilt));
}
