// Verifying a damaged Paradox family must answer with a level and its findings: never throw,
// crash, hang or change a file.
#include <cstdlib>

#include "ParadoxFamilyInput.h"
#include "util/TableVerification.h"

using namespace tabulon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto table = fuzzing::unpackParadoxFamily(data, size, "fuzz-paradox-verify");
    const VerifyReport report = verifyTable(table);
    if (report.level < verifylevel::kSound || report.level > verifylevel::kUnrebuildable) std::abort();
    if ((report.level == verifylevel::kSound) != report.findings.empty()) std::abort();
    return 0;
}
