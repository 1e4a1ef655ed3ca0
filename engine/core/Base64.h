#pragma once
// RFC 4648 base64 with padding, for binary values in text forms.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tabulon {

std::string base64Encode(const std::vector<std::uint8_t>& data);
// Empty when `text` is not valid base64.
std::optional<std::vector<std::uint8_t>> base64Decode(std::string_view text);

}  // namespace tabulon
