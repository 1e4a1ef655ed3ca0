#pragma once
// The verify and rebuild window's hold on the table-utility library: its session, a table's
// properties, and the progress reports that move the window's bars while a library call runs.
// Interface thread only.
#include <cstdint>
#include <string>

#include "util/TableUtility.h"

// The library's calls, replaceable so that the window can be driven through every result.
struct TTableUtilCalls {
    decltype(&tabulon::TUInit) Init = tabulon::TUInit;
    decltype(&tabulon::TUExit) Exit = tabulon::TUExit;
    decltype(&tabulon::TUVerifyTable) VerifyTable = tabulon::TUVerifyTable;
    decltype(&tabulon::TUFillCURProps) FillCURProps = tabulon::TUFillCURProps;
    decltype(&tabulon::TUGetCRTblDescCount) GetCRTblDescCount = tabulon::TUGetCRTblDescCount;
    decltype(&tabulon::TUFillCRTblDesc) FillCRTblDesc = tabulon::TUFillCRTblDesc;
    decltype(&tabulon::TURebuildTable) RebuildTable = tabulon::TURebuildTable;
};

// A progress report as the library sends it.
struct TProgressReport {
    std::uint16_t Percent = 0;  // 0 to 100
    std::uint8_t Phase = 0;     // 0 header, 1 indexes, 2 data, 8 rebuild; others are ignored
};

class TTableUtil {
public:
    // Opens a session; a failure is thrown as an engine error.
    explicit TTableUtil(TTableUtilCalls calls = {});
    // Closes the session.
    ~TTableUtil();
    TTableUtil(const TTableUtil&) = delete;
    TTableUtil& operator=(const TTableUtil&) = delete;

    // Closes the session and opens a fresh one; failures are thrown as engine errors.
    void Reopen();
    // Fills CurProps for the table; false when the library cannot.
    bool FillCurProps(const std::string& tablePath);
    // Sends the library's progress reports to ProgressCallback, or no longer.
    void RegisterProgress();
    void UnregisterProgress();
    // Moves the bar of the report's phase on the verify and rebuild window. Reports of another
    // callback kind are ignored. Returns 0.
    static int ProgressCallback(int kind, const TProgressReport& report);

    const TTableUtilCalls& Calls() const { return calls_; }

    TProgressReport ProgressBuf;
    tabulon::CurProps CurProps;
    std::uint16_t SessionHandle = 0;

private:
    TTableUtilCalls calls_;
};

// Throws the engine error for a non-zero status of the library.
void CheckUtilStatus(std::uint16_t status, const char* call);
