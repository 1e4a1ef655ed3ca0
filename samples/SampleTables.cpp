#include "SampleTables.h"

#include <array>
#include <fstream>
#include <string>

#include "core/EngineError.h"
#include "io/Transaction.h"
#include "storage/Drivers.h"

namespace tabulon::samples {

namespace {

struct Customer {
    const char* company;
    const char* city;
    const char* country;
};

constexpr std::array kCustomers = {
    Customer{"Alder Marine Supply", "Bergen", "Norway"},
    Customer{"Basalt Dive Shop", "Reykjavik", "Iceland"},
    Customer{"Coral Reef Outfitters", "Cairns", "Australia"},
    Customer{"Delta Scuba Center", "Alexandria", "Egypt"},
    Customer{"Eastport Divers", "Halifax", "Canada"},
    Customer{"Fjord Sports", "Tromso", "Norway"},
    Customer{"Gulf Stream Tours", "Miami", "USA"},
    Customer{"Harbour Light Diving", "Cork", "Ireland"},
    Customer{"Island Blue", "Mahe", "Seychelles"},
    Customer{"Jade Lagoon Divers", "Phuket", "Thailand"},
    Customer{"Kelp Forest Club", "Monterey", "USA"},
    Customer{"Lighthouse Aqua", "Porto", "Portugal"},
    Customer{"Manta Bay Divers", "Kona", "USA"},
    Customer{"North Sea Wrecks", "Aberdeen", "UK"},
    Customer{"Ocean Floor Co.", "Valletta", "Malta"},
    Customer{"Pelican Point", "La Paz", "Mexico"},
};

constexpr std::array kParts = {"Regulator",   "Wet suit 5 mm", "Fins, open heel", "Mask, low volume",
                               "Snorkel",     "Dive computer", "Buoyancy jacket", "Tank, 12 l",
                               "Weight belt", "Torch, LED",    "Knife",           "Compass"};

// Runs `write` with every append of `table` held in one transaction committed at the end, so a
// sample table is either whole or absent.
template <typename Write>
void inOneTransaction(StorageTable& table, Write write) {
    Transaction transaction(table.path().string() + Transaction::kJournalExtension);
    table.setTransaction(&transaction);
    write();
    transaction.commit();
    table.setTransaction(nullptr);
}

IndexDef index(const std::string& name, const std::string& fields, IndexOptions options) {
    IndexDef def;
    def.name = name;
    def.fields = fields;
    def.options = options;
    return def;
}

void writeCustomers(const std::filesystem::path& file) {
    const std::vector<FieldDef> fields = {{"CustNo", ftInteger, 0, 0, true, ""},
                                          {"Company", ftString, 30, 0, true, ""},
                                          {"City", ftString, 20, 0, false, ""},
                                          {"Country", ftString, 20, 0, false, ""},
                                          {"Phone", ftString, 15, 0, false, ""}};
    const std::vector<IndexDef> indexes = {index("", "CustNo", ixPrimary | ixUnique),
                                           index("ByCompany", "Company", ixCaseInsensitive),
                                           index("ByCountry", "Country", 0)};
    auto table = driverForPath(file).create(file, fields, indexes, {});
    inOneTransaction(*table, [&] {
        for (std::size_t i = 0; i < kCustomers.size(); ++i) {
            const Customer& c = kCustomers[i];
            table->append({Value::integer(1000 + static_cast<std::int64_t>(i) * 7), Value::string(c.company),
                           Value::string(c.city), Value::string(c.country),
                           Value::string("555-" + std::to_string(2100 + i * 13))});
        }
    });
}

void writeOrders(const std::filesystem::path& file) {
    const std::vector<FieldDef> fields = {{"OrderNo", ftInteger, 0, 0, true, ""},
                                          {"CustNo", ftInteger, 0, 0, true, ""},
                                          {"SaleDate", ftDate, 0, 0, false, ""},
                                          {"Amount", ftFloat, 0, 0, false, ""},
                                          {"Notes", ftMemo, 20, 0, false, ""}};
    const std::vector<IndexDef> indexes = {index("", "OrderNo", ixPrimary | ixUnique),
                                           index("ByCustomer", "CustNo", 0)};
    auto table = driverForPath(file).create(file, fields, indexes, {});
    inOneTransaction(*table, [&] {
        for (int i = 0; i < 48; ++i) {
            const std::size_t customer = static_cast<std::size_t>(i * 5) % kCustomers.size();
            const Value notes =
                i % 3 == 0
                    ? Value::string("Order " + std::to_string(5001 + i) + " for " + kCustomers[customer].company +
                                    ".\nShip by sea; the customer collects at " + kCustomers[customer].city + ".")
                    : Value();
            table->append({Value::integer(5001 + i), Value::integer(1000 + static_cast<std::int64_t>(customer) * 7),
                           Value::date(Date::fromCivil(2024, 1 + i % 12, 1 + (i * 7) % 28)),
                           Value::floating(120.5 + i * 37.25), notes});
        }
    });
}

void writeParts(const std::filesystem::path& file) {
    const std::vector<FieldDef> fields = {{"PARTNO", ftInteger, 6, 0, false, "N"},
                                          {"DESCRIPT", ftString, 30, 0, false, "C"},
                                          {"PRICE", ftFloat, 10, 2, false, "N"},
                                          {"ONHAND", ftInteger, 6, 0, false, "N"}};
    const std::vector<IndexDef> indexes = {index("PARTNO", "PARTNO", 0), index("DESCRIPT", "DESCRIPT", 0)};
    auto table = driverForPath(file).create(file, fields, indexes, {});
    inOneTransaction(*table, [&] {
        for (std::size_t i = 0; i < kParts.size(); ++i) {
            table->append({Value::integer(900 + static_cast<std::int64_t>(i) * 3), Value::string(kParts[i]),
                           Value::floating(9.95 + static_cast<double>(i) * 14.5),
                           Value::integer(static_cast<std::int64_t>((i * 17) % 40))});
        }
    });
}

void writeCountries(const std::filesystem::path& file) {
    if (std::filesystem::exists(file)) {
        throw EngineError(errkind::kFile, "Table " + file.string() + " already exists");
    }
    std::ofstream out(file, std::ios::binary);
    out << "Name,Capital,Continent,Population\r\n"
           "Australia,Canberra,Oceania,26000000\r\n"
           "Canada,Ottawa,North America,38900000\r\n"
           "Egypt,Cairo,Africa,105000000\r\n"
           "Iceland,Reykjavik,Europe,390000\r\n"
           "Ireland,Dublin,Europe,5100000\r\n"
           "Malta,Valletta,Europe,530000\r\n"
           "Mexico,Mexico City,North America,128000000\r\n"
           "Norway,Oslo,Europe,5500000\r\n"
           "Portugal,Lisbon,Europe,10400000\r\n"
           "Seychelles,Victoria,Africa,100000\r\n"
           "Thailand,Bangkok,Asia,71700000\r\n";
    if (!out.flush()) {
        throw EngineError(errkind::kFile, "Unable to write " + file.string());
    }
}

}  // namespace

void writeSampleTables(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        throw EngineError(errkind::kFile, "Unable to create the folder " + folder.string() + ": " + error.message());
    }
    writeCustomers(folder / "CUSTOMER.DB");
    writeOrders(folder / "ORDERS.DB");
    writeParts(folder / "PARTS.DBF");
    writeCountries(folder / "COUNTRY.TXT");
}

}  // namespace tabulon::samples
