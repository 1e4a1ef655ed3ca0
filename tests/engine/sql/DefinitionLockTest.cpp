// Definition statements leave alone a table that another session or process has open.
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <map>

#include "SqlDefinitionFixture.h"
#include "dataset/Table.h"

namespace tabulon::testing {
namespace {

class DefinitionLockTest : public SqlDefinitionFixture, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        SqlDefinitionFixture::SetUp();
        const std::string table = quotedTable();
        ASSERT_EQ(execute("CREATE TABLE " + table + " (ID INTEGER, NAME CHAR(10), PRIMARY KEY (ID))"),
                  errkind::kNoResultSet);
        ASSERT_EQ(execute("INSERT INTO " + table + " VALUES (1, 'Ann'), (2, 'Bob')"), errkind::kNoResultSet);
        ASSERT_EQ(execute("CREATE INDEX BYNAME ON " + table + " (NAME)"), errkind::kNoResultSet);
    }

    static std::string quotedTable() { return std::string("\"") + GetParam() + "\""; }

    // Every statement that would drop or rebuild the table.
    static std::vector<std::string> definitions() {
        const std::string table = quotedTable();
        return {"CREATE INDEX BYID ON " + table + " (ID)", "DROP INDEX " + table + ".BYNAME",
                "ALTER TABLE " + table + " ADD COLUMN NOTE CHAR(5)", "ALTER TABLE " + table + " DROP NAME",
                "DROP TABLE " + table};
    }

    // Each file of the folder with its bytes.
    std::map<std::string, std::string> folderContents() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
            std::ifstream in(entry.path(), std::ios::binary);
            files[entry.path().filename().string()] = {std::istreambuf_iterator<char>(in), {}};
        }
        return files;
    }

    // Each definition refused with ETableBusy naming `holder`, the folder unchanged.
    void expectAllRefused(const std::string& holder) {
        const auto before = folderContents();
        for (const std::string& sql : definitions()) {
            const std::string outcome = outcomeOf(sql);
            EXPECT_TRUE(isError(outcome, errkind::kBusy)) << sql << ": " << outcome;
            EXPECT_NE(outcome.find("is busy: it is open in " + holder), std::string::npos) << sql << ": " << outcome;
        }
        EXPECT_EQ(folderContents(), before);
    }

    static std::unique_ptr<Table> openedIn(Connection& connection) {
        auto table = std::make_unique<Table>(connection);
        table->setTableName(GetParam());
        table->open();
        return table;
    }
};

TEST_P(DefinitionLockTest, ATableOpenInAnotherSessionIsNeitherDroppedNorRebuilt) {
    Session other("Other");
    Connection& otherConnection = connectionIn(other);
    otherConnection.connect();
    auto holder = openedIn(otherConnection);
    expectAllRefused("session 'Other'");
    EXPECT_EQ(execute("CREATE TABLE " + quotedTable() + " (X INTEGER)"), errkind::kFile) << "never replaces";
    holder->close();
    EXPECT_EQ(execute("ALTER TABLE " + quotedTable() + " ADD COLUMN NOTE CHAR(5)"), errkind::kNoResultSet);
    EXPECT_EQ(execute("DROP TABLE " + quotedTable()), errkind::kNoResultSet);
    EXPECT_FALSE(std::filesystem::exists(folder_ / GetParam()));
}

TEST_P(DefinitionLockTest, ATableOpenInTheStatementsOwnSessionIsRefusedToo) {
    auto holder = openedIn(*connection_);
    expectAllRefused("session 'SqlTests'");
}

// The child opens the table through the dataset layer, reports through a pipe and waits to be
// killed.
pid_t holdInChild(const std::vector<std::string>& params, const char* tableName, int& readyRead) {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        char status = 'x';
        try {
            Session session("Child");
            Connection& connection = session.addConnection("C");
            connection.setParams(params);
            connection.connect();
            Table table(connection);
            table.setTableName(tableName);
            table.open();
            status = 'k';
            (void)!::write(ready[1], &status, 1);
            ::pause();
        } catch (...) {
            (void)!::write(ready[1], &status, 1);
        }
        ::_exit(0);
    }
    ::close(ready[1]);
    readyRead = ready[0];
    return pid;
}

TEST_P(DefinitionLockTest, ATableOpenInAnotherProcessIsNeitherDroppedNorRebuilt) {
    int ready = -1;
    const pid_t child = holdInChild(connection_->params(), GetParam(), ready);
    ASSERT_GT(child, 0);
    char status = 0;
    ASSERT_EQ(::read(ready, &status, 1), 1);
    ::close(ready);
    ASSERT_EQ(status, 'k');
    expectAllRefused("another process");
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(execute("DROP TABLE " + quotedTable()), errkind::kNoResultSet) << "the holder's death frees it";
}

INSTANTIATE_TEST_SUITE_P(Formats, DefinitionLockTest, ::testing::Values("T.DB", "T.DBF"));

}  // namespace
}  // namespace tabulon::testing
