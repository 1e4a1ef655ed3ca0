// verify and rebuild: checking a damaged table and rebuilding it from what is readable.
#include "Arguments.h"
#include "Commands.h"
#include "Json.h"
#include "core/EngineError.h"
#include "ops/DesktopTrash.h"
#include "storage/Drivers.h"
#include "util/TableSalvage.h"
#include "util/TableVerification.h"

namespace tabulon::cli {

void runVerify(const std::vector<std::string>& words, std::ostream& out) {
    const Arguments args(words, {"--index"}, {});
    args.expectPositionals(1, 1);
    const std::filesystem::path path = std::filesystem::absolute(args.positionals()[0]);
    // Only looked for: a verification changes no file, not even to finish a swap.
    const std::filesystem::path found = findFileIgnoringCase(path.parent_path(), path.filename().string());
    if (found.empty()) throw EngineError(errkind::kFile, "Table " + path.string() + " does not exist");
    const VerifyReport report = verifyTable(found, args.values("--index"));
    out << "{\"level\":" << report.level << ",\"records\":" << report.readableRecords << "}\n";
    for (const Finding& f : report.findings)
        out << "{\"file\":" << jsonString(f.file) << ",\"place\":" << jsonString(f.place)
            << ",\"problem\":" << jsonString(f.problem) << ",\"level\":" << f.level << "}\n";
    if (report.level != verifylevel::kSound)
        throw ProblemsFound("verification found problems of level " + std::to_string(report.level));
}

void runRebuild(const std::vector<std::string>& words, std::ostream& out) {
    const Arguments args(words, {"--backup", "--key-violations", "--problems", "--index"}, {});
    args.expectPositionals(1, 1);
    const SalvageNames defaults;
    const SalvageNames names{args.value("--backup", defaults.backup),
                             args.value("--key-violations", defaults.keyViolations),
                             args.value("--problems", defaults.problems)};
    const SalvageResult result = salvageTable(std::filesystem::absolute(args.positionals()[0]), names, std::nullopt,
                                              DesktopTrash(), args.values("--index"));
    out << "{\"salvaged\":" << result.salvaged << ",\"keyViolations\":" << result.keyViolations
        << ",\"problems\":" << result.problems << ",\"lost\":" << result.lost;
    if (!result.indexFilesNotRebuilt.empty()) {
        out << ",\"indexFilesNotRebuilt\":[";
        for (std::size_t i = 0; i < result.indexFilesNotRebuilt.size(); ++i)
            out << (i == 0 ? "" : ",") << jsonString(result.indexFilesNotRebuilt[i]);
        out << "]";
    }
    out << "}\n";
}

}  // namespace tabulon::cli
