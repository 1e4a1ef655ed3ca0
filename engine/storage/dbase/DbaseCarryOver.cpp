// What a dBase table rebuilt through create + copy keeps of the files beside it: the attached
// .NDX files whose key expressions still name fields of the table, rebuilt for its new records
// under the same names.

#include "../../core/AsciiCase.h"
#include "../../core/EngineError.h"
#include "../../io/FolderEntries.h"
#include "../Drivers.h"
#include "DbaseDriver.h"
#include "DbaseExpression.h"
#include "NdxFile.h"

namespace tabulon::dbase {

namespace {
bool isNdx(const std::filesystem::path& file) { return asciiUpper(file.extension().string()) == ".NDX"; }

// Whether the key of the .NDX at `file` can be computed from `fields`; a file that cannot be
// read or whose expression names a field that is gone no longer applies.
bool keyApplies(const std::filesystem::path& file, const std::vector<FieldDef>& fields) {
    try {
        const NdxFile ndx(PagedFile::open(file, AccessMode::ReadOnly));
        static_cast<void>(DbaseExpression(ndx.tags().front().def.expression, fields));
        return true;
    } catch (const EngineError& e) {
        if (e.kind() != errkind::kValue && e.kind() != errkind::kFormat) throw;
        return false;
    }
}
}  // namespace

void DbaseDriver::carryOver(const std::filesystem::path& original, StorageTable& rebuilt,
                            const std::vector<int>& /*sources*/, const std::vector<std::string>& indexFiles) const {
    bool attached = false;
    for (const std::string& name : indexFiles) {
        const std::filesystem::path file = findFileIgnoringCase(original.parent_path(), name);
        if (file.empty() || !isNdx(file) || !keyApplies(file, rebuilt.fields())) continue;
        const std::filesystem::path copy = rebuilt.path().parent_path() / file.filename();
        copyFile(file, copy);
        rebuilt.attachIndexFile(copy);
        attached = true;
    }
    // Its keys still point at the old records.
    if (attached) rebuilt.regenerateIndexes();
}

}  // namespace tabulon::dbase
