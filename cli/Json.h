#pragma once
// JSON text for tabulon-cli's output.
#include <string>
#include <string_view>
#include <vector>

#include "core/FieldDef.h"
#include "core/Value.h"
#include "storage/StorageTable.h"

namespace tabulon::cli {

std::string jsonString(std::string_view text);
// A value in dump's forms: numbers bare, BCD/dates/times/strings/base64 quoted, null.
std::string jsonValue(const Value& value);
std::string jsonFields(const std::vector<FieldDef>& fields);
std::string jsonIndexes(const std::vector<IndexDef>& indexes);
// {"write":true,...,"memo_types":["ftMemo",...]}
std::string jsonCapabilities(const TableCapabilities& can);

}  // namespace tabulon::cli
