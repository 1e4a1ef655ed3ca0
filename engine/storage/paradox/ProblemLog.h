#pragma once
// Collects what is wrong with a damaged table: kept as problems in a tolerant open, thrown as
// EFormatError in a strict one.
#include <string>
#include <vector>

#include "../../core/EngineError.h"
#include "../StorageTable.h"

namespace tabulon::paradox {

class ProblemLog {
public:
    explicit ProblemLog(bool tolerant) : tolerant_(tolerant) {}

    void report(const std::string& file, const std::string& message) {
        if (!tolerant_) throw EngineError(errkind::kFormat, file + ": " + message);
        problems_.push_back({file, message});
    }
    const std::vector<TableProblem>& problems() const { return problems_; }

private:
    bool tolerant_;
    std::vector<TableProblem> problems_;
};

}  // namespace tabulon::paradox
