#pragma once
// The program's five long-lived objects, created in this order and kept until the program ends:
// the main window, the batch-move window, the table-operations module, the restructure window
// and the verify-and-rebuild window. Interface thread only.
#include <QStringList>
#include <memory>

#include "DataMod.h"
#include "FormMain.h"
#include "FormRepair.h"
#include "FormRes.h"
#include "FrmBatchMove.h"

class TProgramObjects {
public:
    // `iniFileName` is the settings file; `firstArgument` the table named on the command line.
    TProgramObjects(const QString& iniFileName, const QString& firstArgument);
    ~TProgramObjects();

    TFormMain& formMain() { return *FormMain; }
    // The objects' names in the order they were created.
    const QStringList& creationOrder() const { return creationOrder_; }

private:
    template <typename T, typename... Args>
    std::unique_ptr<T> create(Args&&... args);

    QStringList creationOrder_;
    std::unique_ptr<TFormMain> FormMain;
    std::unique_ptr<TfrmBatchMove> frmBatchMove;
    std::unique_ptr<TDataMod> DataMod;
    std::unique_ptr<TFormRes> FormRes;
    std::unique_ptr<TFormRepair> FormRepair;
};
