#pragma once
// Collects what is wrong with a damaged table: kept as problems in a tolerant open, thrown as
// EFormatError in a strict one.
#include <set>
#include <string>
#include <vector>

#include "../../core/EngineError.h"
#include "../StorageTable.h"

namespace tabulon::paradox {

class ProblemLog {
public:
    explicit ProblemLog(bool tolerant) : tolerant_(tolerant) {}

    // The same problem found again (a damaged record read twice) is listed once.
    void report(const std::string& file, const std::string& message) {
        if (!tolerant_) throw EngineError(errkind::kFormat, file + ": " + message);
        if (seen_.insert(file + '\n' + message).second) problems_.push_back({file, message});
    }
    const std::vector<TableProblem>& problems() const { return problems_; }

private:
    bool tolerant_;
    std::vector<TableProblem> problems_;
    std::set<std::string> seen_;
};

}  // namespace tabulon::paradox
