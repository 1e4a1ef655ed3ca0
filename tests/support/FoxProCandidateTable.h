#pragma once
// A FoxPro table whose structural .CDX holds a candidate tag with a FOR clause, as FoxPro writes
// them: the tag selects some records only, in an order other than the records'.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "storage/Drivers.h"
#include "storage/dbase/CdxWriter.h"

namespace tabulon::testing {

// Names of the records of the table, in record order, and of those the tag ADULTS
// ("NAME" FOR AGE >= 18) holds, in its order.
inline const std::vector<std::string> kFoxProNames = {"tom", "una", "abe", "zoe", "bea"};
inline const std::vector<std::string> kFoxProAdults = {"abe", "bea", "una"};

// Writes `dbf` (fields NAME C10, AGE N3) and its structural .CDX beside it. FoxPro 2 writes
// version byte 0x03 instead of 0xF5 when the table has no memo fields.
inline void createFoxProCandidateTable(const std::filesystem::path& dbf, char versionByte = '\xF5') {
    const std::vector<FieldDef> fields = {{"NAME", ftString, 10, 0, false, "C"}, {"AGE", ftInteger, 3, 0, false, "N"}};
    CreateOptions dbase3;
    dbase3.version = "dBase III";
    {
        auto table = driverFor(ttDBase).create(dbf, fields, {}, dbase3);
        const int ages[] = {12, 40, 20, 3, 30};
        for (std::size_t i = 0; i < kFoxProNames.size(); ++i)
            table->append({Value::string(kFoxProNames[i]), Value::integer(ages[i])});
    }
    {
        std::fstream file(dbf, std::ios::in | std::ios::out | std::ios::binary);
        file.put(versionByte);
        file.seekp(28);
        file.put('\x01');  // has a structural .CDX
    }
    std::string directory(1024, '\0');
    directory[12] = 10;
    directory[14] = '\xE0';
    std::string header(1024, '\0');
    header[12] = 10;
    header[14] = '\x6C';  // compact, compound, candidate (0x04), FOR clause (0x08)
    const char expressions[] = "NAME\0AGE >= 18";
    header[504] = static_cast<char>(sizeof expressions);
    header[506] = static_cast<char>(sizeof expressions - 5);
    header[510] = 5;
    std::memcpy(header.data() + 512, expressions, sizeof expressions);
    const dbase::CdxTagImage tag{"ADULTS", header, 10, ' ', false, true};
    const std::string bytes = dbase::buildCdx(directory, {tag}, {{{"abe", 3}, {"bea", 5}, {"una", 2}}});
    std::filesystem::path cdx = dbf;
    std::ofstream(cdx.replace_extension(".cdx"), std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace tabulon::testing
