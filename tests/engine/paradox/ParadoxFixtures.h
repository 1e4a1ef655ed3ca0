#pragma once
// Access to the real Paradox files of the shared fixture set, for tests that skip without it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/AsciiCase.h"
#include "core/Value.h"
#include "support/TempFolder.h"

namespace tabulon::testing {

inline std::filesystem::path paradoxFixtures() { return std::filesystem::path(TABULON_FIXTURES) / "paradox"; }

#define SKIP_WITHOUT_PARADOX_FIXTURES()                                  \
    if (!std::filesystem::exists(::tabulon::testing::paradoxFixtures())) \
    GTEST_SKIP() << "no fixture folder at " << ::tabulon::testing::paradoxFixtures()

// Copies every file of `relative`'s family (same stem, any extension, any letter case) into
// `folder`; returns the copied table's path.
inline std::filesystem::path copyParadoxFamily(const std::string& relative, const TempFolder& folder) {
    const auto source = paradoxFixtures() / relative;
    for (const auto& entry : std::filesystem::directory_iterator(source.parent_path()))
        if (equalsIgnoringAsciiCase(entry.path().stem().string(), source.stem().string()))
            std::filesystem::copy_file(entry.path(), folder / entry.path().filename().string());
    return folder / source.filename().string();
}

// "a|b|c" for the first `count` values (null as empty).
inline std::string joinValues(const Record& record, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count && i < record.size(); ++i) text += (i ? "|" : "") + record[i].toText();
    return text;
}

}  // namespace tabulon::testing
