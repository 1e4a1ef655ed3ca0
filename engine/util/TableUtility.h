#pragma once
// The table-utility library's calls: sessions, verifying, rebuilding, and the records the
// verify and rebuild window reads. Each call answers with a 16-bit status (DirectCalls.h's
// status codes, 0 success) and never throws.
#include <cstdint>
#include <string>
#include <vector>

#include "../core/FieldDef.h"
#include "../ops/DirectCalls.h"
#include "TableSalvage.h"

namespace tabulon {

// A table's properties as the window shows them.
struct CurProps {
    std::uint16_t fields = 0;
    std::uint16_t recordSize = 0;
    std::uint16_t indexes = 0;
    std::uint16_t validities = 0;  // fields with a validity check
    std::uint16_t references = 0;  // referential integrity checks
    std::uint16_t restructureVersion = 0;
    std::uint16_t auxPasswords = 0;
    std::uint16_t codePage = 0;
    std::uint16_t tableLevel = 0;
    std::uint16_t blockSize = 0;  // bytes
};

// How many entries of each kind a table's descriptor has.
struct CRTblDescCounts {
    std::uint16_t fields = 0;
    std::uint16_t indexes = 0;
    std::uint16_t securityRecords = 0;
    std::uint16_t validityChecks = 0;
    std::uint16_t references = 0;
    std::uint16_t optionalParameters = 0;
    std::uint16_t optionalData = 0;
};

// A table's structure for a rebuild. The caller sizes the entry lists to the counts of
// TUGetCRTblDescCount; TUFillCRTblDesc fills them.
struct CRTblDesc {
    std::string tablePath;
    std::string driverType;  // "PARADOX"
    std::string name;        // "Rebuild.DB"
    std::vector<FieldDef> fields;
    std::vector<IndexDef> indexes;
    std::uint16_t securityRecords = 0;
    std::vector<std::string> validityChecks;  // the names of the fields that have one
    std::uint16_t references = 0;
    std::uint16_t optionalParameters = 0;
    std::uint16_t optionalData = 0;
};

std::uint16_t TUInit(std::uint16_t* session);
std::uint16_t TUExit(std::uint16_t session);
// Verifies the table (of the format its file has, whatever `driverType` says) and writes its
// findings, one row each, to the Paradox table `errorTable` in the table's folder (replacing an
// earlier one; empty: none written). `level` gets the error level (Findings.h). A password
// cannot open a protected table here; the level says so.
std::uint16_t TUVerifyTable(std::uint16_t session, const std::string& table, const std::string& driverType,
                            const std::string& errorTable, const char* password, std::uint32_t options,
                            std::int32_t* level);
std::uint16_t TUFillCURProps(std::uint16_t session, const std::string& table, CurProps* props);
std::uint16_t TUGetCRTblDescCount(std::uint16_t session, const std::string& table, CRTblDescCounts* counts);
// Fails when an entry list is not sized to its count.
std::uint16_t TUFillCRTblDesc(std::uint16_t session, CRTblDesc* desc, const std::string& table, const char* password);
// Rebuilds the table to `desc`'s structure (TableSalvage.h); `result` (optional) gets the counts.
std::uint16_t TURebuildTable(std::uint16_t session, const std::string& table, const std::string& driverType,
                             const std::string& backupTable, const std::string& keyViolationTable,
                             const std::string& problemTable, const CRTblDesc* desc, SalvageResult* result = nullptr);

}  // namespace tabulon
