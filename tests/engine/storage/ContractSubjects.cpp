// The drivers the contract suite runs on: the built-in formats and the test drivers.
#include <fstream>

#include "ContractSubject.h"
#include "storage/Drivers.h"
#include "support/FileRecordDriver.h"
#include "support/MemoryDriver.h"

namespace tabulon::testing {

namespace {
const FieldDef kId{"ID", ftInteger, 0, 0, false, ""};
const FieldDef kName{"NAME", ftString, 10, 0, false, ""};
const IndexDef kByName{.name = "BYNAME", .fields = "NAME"};
const IndexDef kByNameAndId{.name = "NAMEID", .fields = "NAME;ID"};

// `extra` null values after the ID and the name.
std::function<Record(const ContractRow&)> idAndName(std::size_t extra = 0) {
    return [=](const ContractRow& row) {
        Record values{Value::integer(row.id), Value::string(row.name)};
        values.resize(2 + extra);
        return values;
    };
}

// Creates the table through the driver and appends the rows one by one.
auto creating(const StorageDriver& driver, std::vector<FieldDef> fields, std::vector<IndexDef> indexes,
              std::function<Record(const ContractRow&)> record, CreateOptions options = {}) {
    return [=, &driver](const std::filesystem::path& file, const std::vector<ContractRow>& rows) {
        auto table = driver.create(file, fields, indexes, options);
        for (const ContractRow& row : rows) table->append(record(row));
        return file;
    };
}

void patch(const std::filesystem::path& file, std::streamoff offset, const std::string& bytes) {
    std::fstream(file, std::ios::in | std::ios::out | std::ios::binary).seekp(offset) << bytes;
}

// Keyed, its records are kept in ID order; unkeyed, in the order they came.
ContractSubject paradox(bool keyed) {
    const IndexDef primary{.fields = "ID", .options = ixPrimary | ixUnique};
    const std::vector<FieldDef> fields = {kId,
                                          kName,
                                          {"NOTE", ftMemo, 12, 0, false, ""},
                                          {"SMALL", ftSmallint, 0, 0, false, ""},
                                          {"RAW", ftBytes, 2, 0, false, ""}};
    ContractSubject s{
        keyed ? "Paradox" : "ParadoxUnkeyed", &driverFor(ttParadox), "T.DB", idAndName(3),
        creating(driverFor(ttParadox), fields, keyed ? std::vector{primary, kByName} : std::vector{kByName},
                 idAndName(3), CreateOptions{.encoding = "CP437"})};
    s.nameIndex = kByName.name;
    s.uniqueIds = keyed;
    s.misfits = {{1, Value::string("far too long a name")},
                 {1, Value::string("€uro")},  // not in code page 437
                 {2, Value::string("Ωmega ✓")},
                 {0, Value::string("seven")},
                 {0, Value::integer(1LL << 31)},
                 {3, Value::integer(40000)},
                 {3, Value::integer(-32768)},  // the blank marker
                 {4, Value::bytes({1, 2, 3})}};
    s.damage = [](const std::filesystem::path& path) { patch(path, 6, std::string("\1\0\0\0", 4)); };  // record count
    return s;
}

ContractSubject dbase() {
    const std::vector<FieldDef> fields = {{"ID", ftInteger, 5, 0, false, "N"},
                                          {"NAME", ftString, 10, 0, false, "C"},
                                          {"NOTES", ftMemo, 0, 0, false, "M"},
                                          {"BORN", ftDate, 0, 0, false, "D"}};
    ContractSubject s{
        "dBase", &driverFor(ttDBase), "t.dbf", idAndName(2),
        creating(driverFor(ttDBase), fields, {{.name = "BYID", .fields = "ID"}, kByName, kByNameAndId}, idAndName(2))};
    s.nameIndex = kByName.name;
    s.nameIdIndex = kByNameAndId.name;
    s.misfits = {{1, Value::string("Bartholomew")}, {1, Value::string("Zoë ☃")},
                 {2, Value::string("snow ☃")},      {0, Value::integer(123456)},
                 {0, Value::string("many")},        {3, Value::date(Date::fromCivil(12000, 1, 1))}};
    s.damage = [](const std::filesystem::path& path) { patch(path, 4, "\xFF\xFF\xFF\xFF"); };  // record count
    return s;
}

ContractSubject text() {
    ContractSubject s{"Text", &driverFor(ttASCII), "t.txt", idAndName(),
                      [](const std::filesystem::path& file, const std::vector<ContractRow>& rows) {
                          std::ofstream out(file, std::ios::binary);
                          if (!rows.empty()) out << "ID,NAME\r\n";  // a header is told from data only
                          for (const ContractRow& row : rows) out << row.id << ',' << row.name << "\r\n";
                          return file;
                      }};
    s.anyBytesAreATable = true;
    // A schema under which the header line is a record whose ID is no number.
    s.damage = [](const std::filesystem::path& path) {
        std::ofstream(std::filesystem::path(path).replace_extension(".sch"))
            << "Field1=ID,LONGINT,4,0,0\nField2=NAME,CHAR,10,0,0\n";
    };
    return s;
}

ContractSubject memory() {
    static const MemoryDriver driver;
    const IndexDef byId{.name = "BYID", .fields = "ID", .options = ixUnique};
    ContractSubject s{"Memory", &driver, "t.mem", idAndName(),
                      creating(driver, {kId, kName}, {byId, kByName, kByNameAndId}, idAndName())};
    s.nameIndex = kByName.name;
    s.nameIdIndex = kByNameAndId.name;
    s.uniqueIds = true;
    s.renamedOpens = false;  // its records stay under the path they were created at
    return s;
}

ContractSubject fileRecords() {
    static const FileRecordDriver driver;
    // Whole numbers only: the name's length stands for it.
    const auto record = [](const ContractRow& row) {
        return Record{Value::integer(row.id), Value::integer(static_cast<std::int64_t>(row.name.size()))};
    };
    return {"FileRecord", &driver, "t.rec", record,
            creating(driver, {kId, {"LENGTH", ftInteger, 0, 0, false, ""}}, {}, record)};
}
}  // namespace

std::vector<ContractSubject> contractSubjects() {
    return {paradox(true), paradox(false), dbase(), text(), memory(), fileRecords()};
}

}  // namespace tabulon::testing
