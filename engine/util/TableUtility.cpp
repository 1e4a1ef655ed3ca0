#include "TableUtility.h"

#include <algorithm>
#include <charconv>
#include <mutex>
#include <set>

#include "../core/AsciiCase.h"
#include "../core/EngineError.h"
#include "../io/PagedFile.h"
#include "../ops/DirectCalls.h"
#include "../ops/RejectTable.h"
#include "../ops/TableDefinitions.h"
#include "../storage/Drivers.h"
#include "../storage/dbase/DbaseHeader.h"
#include "../storage/paradox/ParadoxBytes.h"
#include "../storage/paradox/ParadoxHeader.h"
#include "../storage/paradox/ParadoxValidity.h"
#include "TableVerification.h"

namespace tabulon {

namespace {

std::mutex sessionsMutex;
std::set<std::uint16_t> openSessions;
std::uint16_t lastSession = 0;

bool sessionOpen(std::uint16_t session) {
    const std::lock_guard lock(sessionsMutex);
    return openSessions.contains(session);
}

// Runs `call` for an open session on the existing table (its name's letter case ignored),
// turning its errors into statuses. The folder is only looked at: a verification changes no file.
template <typename Call>
std::uint16_t onTable(std::uint16_t session, const std::string& table, Call call) {
    if (!sessionOpen(session)) return status::kInvalidHandle;
    return status::ofCall([&] {
        const std::filesystem::path path = std::filesystem::absolute(table);
        const std::filesystem::path found = findFileIgnoringCase(path.parent_path(), path.filename().string());
        return found.empty() ? status::kNoSuchTable : call(found);
    });
}

bool knownDriverType(const std::string& type) {
    return type.empty() || equalsIgnoringAsciiCase(type, "PARADOX") || equalsIgnoringAsciiCase(type, "DBASE");
}

std::uint16_t saturated(std::uint64_t value) {
    return static_cast<std::uint16_t>(std::min<std::uint64_t>(value, 0xFFFF));
}

// "CP1252" -> 1252; 0 for names without a number.
std::uint16_t codePageNumber(const std::string& name) {
    unsigned number = 0;
    if (name.size() > 2 && equalsIgnoringAsciiCase(name.substr(0, 2), "CP"))
        std::from_chars(name.data() + 2, name.data() + name.size(), number);
    return saturated(number);
}

// The fields of a Paradox table that its .VAL gives a check.
std::vector<std::string> checkedFields(const std::filesystem::path& table, const StorageTable& opened) {
    if (tableTypeForPath(table) == ttDBase) return {};
    const auto val = findFileIgnoringCase(table.parent_path(), table.stem().string() + ".VAL");
    if (val.empty()) return {};
    const PagedFile data = PagedFile::open(table, AccessMode::ReadOnly);
    const PagedFile file = PagedFile::open(val, AccessMode::ReadOnly);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), 1 << 20)));
    file.read(0, bytes.data(), bytes.size());
    std::vector<std::string> names;
    try {
        for (const auto& check :
             paradox::parseParadoxValidity(bytes, paradox::ParadoxHeader::read(data), val.filename().string()))
            if (check.field < opened.fields().size()) names.push_back(opened.fields()[check.field].name);
    } catch (const EngineError& e) {
        if (e.kind() != errkind::kFormat) throw;  // a damaged .VAL has no checks to keep
    }
    return names;
}

std::unique_ptr<StorageTable> openTolerant(const std::filesystem::path& table) {
    OpenOptions options;
    options.tolerant = true;
    return openTable(table, options);
}

void fillParadoxProps(const std::filesystem::path& table, CurProps& props) {
    const PagedFile file = PagedFile::open(table, AccessMode::ReadOnly);
    const paradox::ParadoxHeader header = paradox::ParadoxHeader::read(file);
    props.recordSize = saturated(static_cast<std::uint64_t>(header.recordSize));
    props.restructureVersion = paradox::le16(header.raw.data() + 0x12);
    props.auxPasswords = header.raw[0x3D];
    if (header.codePage != 0) props.codePage = saturated(static_cast<std::uint64_t>(header.codePage));
    props.tableLevel = static_cast<std::uint16_t>(std::stoi(header.level()));
    props.blockSize = saturated(static_cast<std::uint64_t>(header.blockSize));
}

void fillDbaseProps(const std::filesystem::path& table, CurProps& props) {
    const PagedFile file = PagedFile::open(table, AccessMode::ReadOnly);
    const dbase::DbaseHeader header = dbase::readHeader(file);
    props.recordSize = header.recordLength;
    switch (header.dialect) {
        case dbase::Dialect::DBase3:
            props.tableLevel = 3;
            break;
        case dbase::Dialect::DBase4:
            props.tableLevel = 4;
            break;
        case dbase::Dialect::DBase7:
            props.tableLevel = 7;
            break;
        default:
            props.tableLevel = 0;
            break;  // the FoxPro family has no dBase level
    }
}

// Writes `report`'s findings to the Paradox table `path`, replacing an earlier one.
void writeErrorTable(const std::filesystem::path& path, const std::filesystem::path& table,
                     const VerifyReport& report) {
    const TableDefinitions definitions;
    definitions.create(path, ttParadox,
                       {{"Table", ftString, 128, 0, false, ""},
                        {"File", ftString, 64, 0, false, ""},
                        {"Place", ftString, 64, 0, false, ""},
                        {"Problem", ftString, 255, 0, false, ""},
                        {"Level", ftSmallint, 0, 0, false, ""}},
                       {});
    auto errors = openExclusive(path);
    for (const Finding& f : report.findings)
        errors->append({Value::string(table.filename().string()), Value::string(f.file.substr(0, 64)),
                        Value::string(f.place.substr(0, 64)), Value::string(f.problem.substr(0, 255)),
                        Value::integer(f.level)});
}

}  // namespace

std::uint16_t TUInit(std::uint16_t* session) {
    if (session == nullptr) return status::kFailed;
    const std::lock_guard lock(sessionsMutex);
    do ++lastSession;
    while (lastSession == 0 || openSessions.contains(lastSession));
    openSessions.insert(lastSession);
    *session = lastSession;
    return status::kOk;
}

std::uint16_t TUExit(std::uint16_t session) {
    const std::lock_guard lock(sessionsMutex);
    return openSessions.erase(session) == 1 ? status::kOk : status::kInvalidHandle;
}

std::uint16_t TUVerifyTable(std::uint16_t session, const std::string& table, const std::string& driverType,
                            const std::string& errorTable, const char* /*password*/, std::uint32_t /*options*/,
                            std::int32_t* level) {
    if (level == nullptr) return status::kFailed;
    if (!knownDriverType(driverType)) return status::kUnknownTableType;
    return onTable(session, table, [&](const std::filesystem::path& path) {
        const VerifyReport report = verifyTable(path);
        *level = report.level;
        if (errorTable.empty()) return status::kOk;
        const std::filesystem::path errors = sideTablePath(errorTable, path.parent_path());
        // The table verified is not overwritten by its own findings.
        if (std::filesystem::exists(errors) && std::filesystem::equivalent(errors, path)) return status::kFailed;
        writeErrorTable(errors, path, report);
        return status::kOk;
    });
}

std::uint16_t TUFillCURProps(std::uint16_t session, const std::string& table, CurProps* props) {
    if (props == nullptr) return status::kFailed;
    return onTable(session, table, [&](const std::filesystem::path& path) {
        CurProps filled;
        const auto opened = openTolerant(path);
        filled.fields = saturated(opened->fields().size());
        filled.indexes = saturated(opened->indexes().size());
        filled.validities = saturated(checkedFields(path, *opened).size());
        filled.codePage = codePageNumber(opened->facts().codePage);
        if (tableTypeForPath(path) == ttDBase)
            fillDbaseProps(path, filled);
        else
            fillParadoxProps(path, filled);
        *props = filled;
        return status::kOk;
    });
}

std::uint16_t TUGetCRTblDescCount(std::uint16_t session, const std::string& table, CRTblDescCounts* counts) {
    if (counts == nullptr) return status::kFailed;
    return onTable(session, table, [&](const std::filesystem::path& path) {
        const auto opened = openTolerant(path);
        *counts = {};
        counts->fields = saturated(opened->fields().size());
        counts->indexes = saturated(opened->indexes().size());
        counts->validityChecks = saturated(checkedFields(path, *opened).size());
        return status::kOk;
    });
}

std::uint16_t TUFillCRTblDesc(std::uint16_t session, CRTblDesc* desc, const std::string& table,
                              const char* /*password*/) {
    if (desc == nullptr) return status::kFailed;
    return onTable(session, table, [&](const std::filesystem::path& path) {
        const auto opened = openTolerant(path);
        const std::vector<IndexDef> indexes = opened->indexes();
        const std::vector<std::string> checks = checkedFields(path, *opened);
        if (desc->fields.size() != opened->fields().size() || desc->indexes.size() != indexes.size() ||
            desc->validityChecks.size() != checks.size())
            return status::kFailed;
        std::copy(opened->fields().begin(), opened->fields().end(), desc->fields.begin());
        std::copy(indexes.begin(), indexes.end(), desc->indexes.begin());
        std::copy(checks.begin(), checks.end(), desc->validityChecks.begin());
        return status::kOk;
    });
}

std::uint16_t TURebuildTable(std::uint16_t session, const std::string& table, const std::string& driverType,
                             const std::string& backupTable, const std::string& keyViolationTable,
                             const std::string& problemTable, const CRTblDesc* desc, SalvageResult* result) {
    if (!knownDriverType(driverType)) return status::kUnknownTableType;
    return onTable(session, table, [&](const std::filesystem::path& path) {
        std::optional<SalvageStructure> structure;
        if (desc != nullptr) structure = SalvageStructure{desc->fields, desc->indexes};
        const SalvageResult salvaged =
            salvageTable(path, {backupTable, keyViolationTable, problemTable}, structure, DesktopTrash());
        if (result != nullptr) *result = salvaged;
        return status::kOk;
    });
}

}  // namespace tabulon
