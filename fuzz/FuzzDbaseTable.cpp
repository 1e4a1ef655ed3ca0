// A .DBF with its memo file, both from the fuzzer: opening and reading every record must end
// in values or an EngineError, never a crash, a hang or an unbounded allocation.
#include "FuzzBundle.h"
#include "core/EngineError.h"
#include "storage/Drivers.h"

using namespace tabulon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto folder = fuzz::scratch("fuzz-dbase-table");
    const fuzz::Bundle bundle = fuzz::split(data, size);
    fuzz::put(folder / "t.dbf", bundle.table);
    fuzz::put(folder / "t.dbt", bundle.companion);
    fuzz::put(folder / "t.fpt", bundle.companion);
    try {
        auto table = openTable(folder / "t.dbf");
        table->facts();
        table->problems();
        table->recordCount();
        Record record;
        for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot) table->readSlot(slot, record);
    } catch (const EngineError&) {
    }
    return 0;
}
