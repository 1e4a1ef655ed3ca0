#pragma once
// The process-wide count of query executions, which names their sessions and connections.
#include <string>

namespace tabulon {

// Increments the counter under its spin lock and returns the new value (1 first). Any thread.
unsigned nextQueryNumber();
// The component name followed by `number` in upper-case hexadecimal without leading zeros:
// ("Session", 10) gives "SessionA". Pure function.
std::string numberedName(const std::string& component, unsigned number);

}  // namespace tabulon
