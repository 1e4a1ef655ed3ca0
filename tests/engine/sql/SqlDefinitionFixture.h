#pragma once
// A folder for definition statements, whose drops go to a trash beside it instead of the user's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "SqlFolderFixture.h"
#include "core/EngineError.h"
#include "sql/Query.h"

namespace tabulon::testing {

class SqlDefinitionFixture : public SqlFolderFixture {
protected:
    void SetUp() override {
        SqlFolderFixture::SetUp();
        std::filesystem::create_directories(trash_.path());
        setenv("XDG_DATA_HOME", trash_.path().c_str(), 1);
    }

    // Runs a statement without rows; its error as "kind: message", or "rows".
    std::string outcomeOf(const std::string& sql) {
        Query query(*connection_);
        query.setSql(sql);
        try {
            query.open();
        } catch (const EngineError& e) {
            return e.kind() + ": " + e.message();
        }
        return "rows";
    }

    // The kind of the statement's error, or ENoResultSet as it should end.
    std::string execute(const std::string& sql) {
        const std::string outcome = outcomeOf(sql);
        return outcome.substr(0, outcome.find(':'));
    }

    // Same filesystem as the folder, so the move is a rename.
    TempFolder trash_;
};

}  // namespace tabulon::testing
