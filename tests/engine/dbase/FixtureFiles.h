#pragma once
// Paths of the shared real-world dBase files, and a reader for the CSVs that come with them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tabulon::testing {

inline std::filesystem::path dbaseFixtures() { return std::filesystem::path(TABULON_FIXTURES) / "dbase"; }

#define SKIP_WITHOUT_DBASE_FIXTURES()                                  \
    if (!std::filesystem::exists(::tabulon::testing::dbaseFixtures())) \
    GTEST_SKIP() << "no fixtures at " << ::tabulon::testing::dbaseFixtures().string()

// RFC 4180: quoted fields may hold commas, quotes and line breaks.
inline std::vector<std::vector<std::string>> readCsv(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(field);
            field.clear();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            rows.back().push_back(field);
            field.clear();
            rows.emplace_back();
        } else {
            field += c;
        }
    }
    if (!field.empty() || !rows.back().empty()) rows.back().push_back(field);
    if (rows.back().empty()) rows.pop_back();
    return rows;
}

}  // namespace tabulon::testing
