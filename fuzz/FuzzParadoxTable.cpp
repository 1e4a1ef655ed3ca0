// A damaged Paradox family (table, primary index, blob file, secondary index, validity checks)
// must open in tolerant mode or fail with an EngineError: never crash, hang or allocate without
// bound.
#include <algorithm>

#include "ParadoxFamilyInput.h"
#include "core/EngineError.h"
#include "storage/Drivers.h"

using namespace tabulon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto table = fuzzing::unpackParadoxFamily(data, size, "fuzz-paradox-table");
    try {
        const auto opened = openTable(table);
        Record record;
        const std::uint64_t slots = std::min<std::uint64_t>(opened->slotCount(), 20000);
        for (std::uint64_t slot = 0; slot < slots; ++slot) opened->readSlot(slot, record);
        for (const auto& index : opened->indexes()) {
            try {
                auto cursor = opened->openIndex(index.name);
                int steps = 0;
                for (bool more = cursor->first(); more && steps < 20000; more = cursor->next(), ++steps) {
                    opened->readRecord(cursor->recordId(), record);
                    if (steps == 0) cursor->seek(cursor->key(), true);
                }
            } catch (const EngineError&) {
            }
        }
    } catch (const EngineError&) {
    }
    return 0;
}
