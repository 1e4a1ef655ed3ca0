#include "TableUtil.h"

#include <QProgressBar>
#include <cstdio>

#include "FormRepair.h"
#include "core/EngineError.h"
#include "ops/DirectCalls.h"
#include "util/TableVerification.h"

void CheckUtilStatus(std::uint16_t status, const char* call) {
    if (status == tabulon::status::kOk) return;
    char code[8];
    std::snprintf(code, sizeof code, "0x%04X", status);
    throw tabulon::EngineError(tabulon::errkind::kUsage,
                               std::string("The table-utility call ") + call + " failed with status " + code);
}

TTableUtil::TTableUtil(TTableUtilCalls calls) : calls_(calls) {
    CheckUtilStatus(calls_.Init(&SessionHandle), "TUInit");
}

TTableUtil::~TTableUtil() {
    // A destructor must not throw: a session the library no longer knows is closed anyway.
    calls_.Exit(SessionHandle);
}

void TTableUtil::Reopen() {
    CheckUtilStatus(calls_.Exit(SessionHandle), "TUExit");
    CheckUtilStatus(calls_.Init(&SessionHandle), "TUInit");
}

bool TTableUtil::FillCurProps(const std::string& tablePath) {
    return calls_.FillCURProps(SessionHandle, tablePath, &CurProps) == tabulon::status::kOk;
}

void TTableUtil::RegisterProgress() {
    CheckUtilStatus(tabulon::DirectCalls::registerCallback(
                        tabulon::kProgressCallbackKind,
                        [this](int percent, int phase) {
                            ProgressBuf = {static_cast<std::uint16_t>(percent), static_cast<std::uint8_t>(phase)};
                            ProgressCallback(tabulon::kProgressCallbackKind, ProgressBuf);
                        }),
                    "register progress");
}

void TTableUtil::UnregisterProgress() {
    CheckUtilStatus(tabulon::DirectCalls::registerCallback(tabulon::kProgressCallbackKind, {}), "unregister progress");
}

int TTableUtil::ProgressCallback(int kind, const TProgressReport& report) {
    if (kind != tabulon::kProgressCallbackKind || FormRepair == nullptr) return 0;
    QProgressBar* bar = nullptr;
    switch (report.Phase) {
        case tabulon::verifyphase::kHeader:
            bar = FormRepair->PBHeader;
            break;
        case tabulon::verifyphase::kIndexes:
            bar = FormRepair->PBIndexes;
            break;
        case tabulon::phase::kData:
            bar = FormRepair->PBData;
            break;
        case tabulon::phase::kRebuild:
            bar = FormRepair->PBRebuild;
            break;
        default:
            return 0;
    }
    bar->setValue(report.Percent);
    return 0;
}
