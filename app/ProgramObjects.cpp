#include "ProgramObjects.h"

#include "DatasetTableBrowser.h"
#include "dataset/Session.h"

template <typename T, typename... Args>
std::unique_ptr<T> TProgramObjects::create(Args&&... args) {
    auto object = std::make_unique<T>(std::forward<Args>(args)...);
    creationOrder_.append(object->objectName());
    return object;
}

TProgramObjects::TProgramObjects(const QString& iniFileName, const QString& firstArgument)
    : FormMain(create<TFormMain>(iniFileName, firstArgument)),
      frmBatchMove(create<TfrmBatchMove>()),
      DataMod(create<TDataMod>()),
      FormRes(create<TFormRes>()),
      FormRepair(create<TFormRepair>()) {
    FormMain->setTableBrowser(std::make_unique<TDatasetTableBrowser>(tabulon::Session::defaultSession()));
    FormMain->setDataMod(*DataMod);
    FormMain->setBatchMove(*frmBatchMove);
    FormMain->setRestructure(*FormRes);
    FormMain->setRepair(*FormRepair);
}

// The tool windows go before the main window, the reverse of their creation.
TProgramObjects::~TProgramObjects() {
    FormRepair.reset();
    FormRes.reset();
    DataMod.reset();
    frmBatchMove.reset();
    FormMain.reset();
}
