#include "Drivers.h"

#include <algorithm>

#include "../core/AsciiCase.h"
#include "../core/EngineError.h"
#include "../io/FolderMoves.h"
#include "dbase/DbaseDriver.h"
#include "paradox/ParadoxDriver.h"
#include "text/TextDriver.h"

namespace tabulon {

namespace {
// Every built-in format. Drivers are listed here, not self-registered, so the set is explicit.
const std::vector<std::unique_ptr<StorageDriver>>& registry() {
    static const std::vector<std::unique_ptr<StorageDriver>> drivers = [] {
        std::vector<std::unique_ptr<StorageDriver>> list;
        list.push_back(std::make_unique<TextDriver>());
        list.push_back(std::make_unique<dbase::DbaseDriver>());
        list.push_back(std::make_unique<paradox::ParadoxDriver>());
        return list;
    }();
    return drivers;
}

const char* typeName(TableType type) {
    switch (type) {
        case ttParadox:
            return "Paradox";
        case ttDBase:
            return "dBase";
        case ttASCII:
            return "text";
        default:
            return "unknown";
    }
}
}  // namespace

TableType tableTypeForPath(const std::filesystem::path& path) {
    const std::string ext = asciiUpper(path.extension().string());
    if (ext.empty() || ext == ".DB") return ttParadox;
    if (ext == ".DBF") return ttDBase;
    if (ext == ".TXT") return ttASCII;
    return ttDefault;
}

const StorageDriver& driverFor(TableType type) {
    for (const auto& d : registry())
        if (d->tableType() == type) return *d;
    throw EngineError(errkind::kNotSupported, std::string("No driver for ") + typeName(type) + " tables is built in");
}

const StorageDriver& driverForPath(const std::filesystem::path& path) {
    const TableType type = tableTypeForPath(path);
    if (type == ttDefault)
        throw EngineError(errkind::kNotSupported,
                          path.string() + " is not a table: its extension names no table format");
    return driverFor(type);
}

std::vector<const StorageDriver*> allDrivers() {
    std::vector<const StorageDriver*> list;
    for (const auto& d : registry()) list.push_back(d.get());
    return list;
}

std::filesystem::path findFileIgnoringCase(const std::filesystem::path& folder, const std::string& name) {
    std::error_code ec;
    const std::filesystem::path exact = folder / name;
    if (std::filesystem::exists(exact, ec)) return exact;
    const std::string wanted = asciiUpper(name);
    std::vector<std::filesystem::path> matches;
    for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, ec))
        if (asciiUpper(entry.path().filename().string()) == wanted) matches.push_back(folder / entry.path().filename());
    if (matches.empty()) return {};
    return *std::min_element(matches.begin(), matches.end());
}

std::unique_ptr<StorageTable> openTable(const std::filesystem::path& path, const OpenOptions& options) {
    // A family swap or rename cut short may have moved the table's own file: finish it first.
    FolderMoves::recoverFolder(path.parent_path().empty() ? "." : path.parent_path());
    std::filesystem::path actual = findFileIgnoringCase(path.parent_path(), path.filename().string());
    if (actual.empty()) throw EngineError(errkind::kFile, "Table " + path.string() + " does not exist");
    return driverForPath(actual).open(actual, options);
}

}  // namespace tabulon
