#pragma once
// The commands of tabulon-cli. Each writes its result to `out`; errors are thrown: UsageError
// for bad usage, EngineError for a table that cannot be read or written.
#include <ostream>
#include <string>
#include <vector>

namespace tabulon::cli {

void runInfo(const std::vector<std::string>& words, std::ostream& out);
void runDump(const std::vector<std::string>& words, std::ostream& out);
void runCopy(const std::vector<std::string>& words, std::ostream& out);

}  // namespace tabulon::cli
