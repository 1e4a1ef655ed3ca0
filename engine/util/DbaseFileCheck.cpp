#include "DbaseFileCheck.h"

#include <vector>

#include "../io/PagedFile.h"
#include "../storage/dbase/DbaseHeader.h"

namespace tabulon {

bool checkDbaseFile(const std::filesystem::path& table, Findings& findings) {
    const PagedFile file = PagedFile::open(table, AccessMode::ReadOnly);
    const dbase::DbaseHeader header = dbase::readHeader(file);
    const std::string name = table.filename().string();
    if (!dbase::classifyVersion(header.version).known) {
        findings.add({name, "header", "its first byte " + std::to_string(header.version) + " is no dBase version",
                      verifylevel::kUnrebuildable});
        return false;
    }
    bool fieldsLost = false;
    for (const auto& field : header.fields) fieldsLost = fieldsLost || !field.readable;
    // What is not damage (bytes after the records, an odd update date) does not matter here.
    for (const auto& problem : header.problems)
        if (problem.damage)
            findings.add(
                {name, "header", problem.message, fieldsLost ? verifylevel::kPartial : verifylevel::kRepairable});

    const std::uint64_t recordLength = header.recordLength;
    if (recordLength == 0) return true;
    const std::uint64_t start = header.headerLength;
    const std::uint64_t size = file.size();
    const std::uint64_t end = start + static_cast<std::uint64_t>(header.readableRecords) * recordLength;
    if (header.readableRecords < header.recordCount) {
        findings.addUnreachable(header.recordCount - header.readableRecords);
        findings.add({name, "records",
                      std::to_string(header.recordCount - header.readableRecords) +
                          " of the records the header counts are missing from the file",
                      verifylevel::kPartial});
    }
    std::uint8_t marker = 0;
    if (const std::uint64_t beyond = end < size ? (size - end) / recordLength : 0; beyond > 0) {
        findings.addUnreachable(beyond);
        findings.add({name, "records",
                      std::to_string(beyond) + " whole records follow the records the header counts; a rebuild " +
                          "leaves them out",
                      verifylevel::kPartial});
    }
    // Many writers leave the end-of-file marker out; a byte that is there must be the marker.
    else if (end < size && file.read(end, &marker, 1) == 1 && marker != dbase::DbaseHeader::kEndOfFile)
        findings.add(
            {name, "end of file",
             "byte " + std::to_string(end) + " should be the end-of-file marker but is " + std::to_string(marker),
             verifylevel::kRepairable});

    std::uint8_t flag = 0;
    for (std::uint64_t record = 0; record < header.readableRecords; ++record) {
        file.read(start + record * recordLength, &flag, 1);
        if (flag != dbase::DbaseHeader::kLiveFlag && flag != dbase::DbaseHeader::kDeletedFlag)
            findings.add({name, "record " + std::to_string(record + 1),
                          "its deletion flag is byte " + std::to_string(flag) + ", neither live nor deleted",
                          verifylevel::kRepairable},
                         "deletion flag");
    }
    return true;
}

}  // namespace tabulon
