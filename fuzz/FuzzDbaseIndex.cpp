// An index file from the fuzzer beside a small valid table: every tag it lists is opened and
// walked both ways and sought, then records are appended, changed and deleted (moving their
// keys in the file) and the tags walked again; damage must end in an EngineError, never a
// crash, a loop or an unbounded allocation. Built once per index format; INDEX_EXTENSION names
// it (an .MDX is the table's production index).
#include <string>

#include "FuzzBundle.h"
#include "core/EngineError.h"
#include "storage/Drivers.h"
#include "storage/dbase/DbaseTable.h"

using namespace tabulon;

namespace {
// One C10 field and one N5 field, three records.
std::string smallTable() {
    std::string header(32, '\0');
    header[0] = 0x03;
    header[4] = 3;
    header[28] = std::string_view(INDEX_EXTENSION) == ".MDX" ? 1 : 0;
    header[8] = 97;
    header[10] = 16;
    std::string name(32, '\0'), number(32, '\0');
    name.replace(0, 4, "NAME");
    name[11] = 'C';
    name[16] = 10;
    number.replace(0, 3, "NUM");
    number[11] = 'N';
    number[16] = 5;
    return header + name + number + "\x0D" + " alpha         1 beta          2 gamma         3\x1A";
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto folder = fuzz::scratch("fuzz-dbase-index" INDEX_EXTENSION);
    fuzz::put(folder / "t.dbf", smallTable());
    fuzz::put(folder / ("t" INDEX_EXTENSION), std::string_view(reinterpret_cast<const char*>(data), size));
    auto walkEveryTag = [](StorageTable& table) {
        for (const IndexDef& index : table.indexes()) {
            if (!index.usable) continue;
            auto cursor = table.openIndex(index.name);
            for (bool more = cursor->first(); more; more = cursor->next()) cursor->key();
            for (bool more = cursor->last(); more; more = cursor->prior()) cursor->recordId();
            cursor->seek({Value::string("b")}, true);
        }
    };
    try {
        OpenOptions writable;
        writable.access = AccessMode::ReadWrite;
        auto table = openTable(folder / "t.dbf", writable);
        auto& dbase = dynamic_cast<dbase::DbaseTable&>(*table);
        dbase.attachIndexFile(folder / ("t" INDEX_EXTENSION));
        walkEveryTag(*table);
        for (int change = 0; change < 3; ++change) {
            try {
                if (change == 0) table->append({Value::string("delta"), Value::integer(4)});
                if (change == 1) table->update(2, {Value::string("aardvark"), Value::integer(9)});
                if (change == 2) table->remove(1);
            } catch (const EngineError&) {
            }
        }
        walkEveryTag(*table);
    } catch (const EngineError&) {
    }
    return 0;
}
