#pragma once
// A folder for definition statements, whose drops go to a trash beside it instead of the user's.
#include <cstdlib>

#include "SqlFolderFixture.h"

namespace tabulon::testing {

class SqlDefinitionFixture : public SqlFolderFixture {
protected:
    void SetUp() override {
        SqlFolderFixture::SetUp();
        std::filesystem::create_directories(trash_.path());
        setenv("XDG_DATA_HOME", trash_.path().c_str(), 1);
    }

    // Same filesystem as the folder, so the move is a rename.
    TempFolder trash_;
};

}  // namespace tabulon::testing
