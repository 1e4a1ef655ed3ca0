// Sessions and connections: the three parameters, the folder, transactions, disconnecting.
#include "DatasetFixture.h"
#include "core/EngineError.h"

namespace tabulon::testing {
namespace {

std::string connectError(const std::string& driver, const std::vector<std::string>& params) {
    Session session("Probe");
    Connection& c = session.addConnection("Probe");
    c.setDriverName(driver);
    c.setParams(params);
    try {
        c.connect();
    } catch (const EngineError& e) {
        return e.kind() + ": " + e.message();
    }
    return "connected";
}

struct ParamsCase {
    const char* driver;
    std::vector<std::string> params;
    const char* error;
};

class ConnectionParams : public ::testing::TestWithParam<ParamsCase> {};

TEST_P(ConnectionParams, RefusesAnythingButTheThreeParameters) {
    const std::string result = connectError(GetParam().driver, GetParam().params);
    EXPECT_NE(result.find(GetParam().error), std::string::npos) << result;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConnectionParams,
    ::testing::Values(
        ParamsCase{"STANDARD", {"PATH=/", "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"}, "connected"},
        ParamsCase{"DBASE", {"PATH=/", "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"}, "driver \"STANDARD\" expected"},
        ParamsCase{"STANDARD", {"PATH=/", "DEFAULT DRIVER=PARADOX"}, "exactly three parameters"},
        ParamsCase{"STANDARD", {"DEFAULT DRIVER=PARADOX", "PATH=/", "ENABLE BCD=FALSE"}, "parameter 1 must be"},
        ParamsCase{"STANDARD", {"PATH=/", "DEFAULT DRIVER=DBASE", "ENABLE BCD=FALSE"}, "parameter 2 must be"},
        ParamsCase{"STANDARD", {"PATH=/", "DEFAULT DRIVER=PARADOX", "ENABLE BCD=TRUE"}, "parameter 3 must be"},
        ParamsCase{"STANDARD",
                   {"PATH=/no/such/folder", "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"},
                   "EFileError: Folder '/no/such/folder' does not exist"}));

TEST(Session, DefaultSessionIsNamedDefaultAndAliasesAreUnique) {
    EXPECT_EQ(Session::defaultSession().name(), "Default");
    Session session("Worker");
    session.addConnection("A");
    EXPECT_THROW(session.addConnection("A"), EngineError);
    EXPECT_NE(session.findConnection("A"), nullptr);
    EXPECT_EQ(session.findConnection("B"), nullptr);
    EXPECT_THROW(Session(""), EngineError);
}

using ConnectionTest = DatasetFixture;

TEST_F(ConnectionTest, ParamsCannotChangeWhileConnected) {
    EXPECT_TRUE(connection_->connected());
    EXPECT_EQ(connection_->folder(), folder_.path());
    EXPECT_THROW(connection_->setParams({}), EngineError);
    connection_->disconnect();
    EXPECT_FALSE(connection_->connected());
    connection_->setParams(folderParams(folder_.path()));
}

TEST_F(ConnectionTest, DisconnectClosesTheTables) {
    auto table = openPeople(*connection_);
    EXPECT_TRUE(table->active());
    connection_->disconnect();
    EXPECT_FALSE(table->active());
}

TEST_F(ConnectionTest, TransactionStates) {
    EXPECT_FALSE(connection_->inTransaction());
    connection_->startTransaction();
    EXPECT_TRUE(connection_->inTransaction());
    EXPECT_THROW(connection_->startTransaction(), EngineError);
    connection_->commit();
    EXPECT_FALSE(connection_->inTransaction());
    EXPECT_THROW(connection_->commit(), EngineError);
    connection_->disconnect();
    EXPECT_THROW(connection_->startTransaction(), EngineError);
}

TEST_F(ConnectionTest, RollbackForgetsWritesAndCommitKeepsThem) {
    auto table = openPeople(*connection_);
    connection_->startTransaction();
    table->append();
    table->fieldByName("ID").setValue(Value::integer(10));
    table->fieldByName("NAME").setAsText("Temp");
    table->post();
    EXPECT_EQ(table->recordCount(), 6u);
    EXPECT_EQ(MemoryDriver::committedRecords(folder_ / "PEOPLE.MEM").size(), 5u);
    EXPECT_THROW(table->close(), EngineError);
    connection_->rollback();
    EXPECT_EQ(table->recordCount(), 5u);

    connection_->startTransaction();
    table->append();
    table->fieldByName("ID").setValue(Value::integer(11));
    table->fieldByName("NAME").setAsText("Kept");
    table->post();
    connection_->commit();
    EXPECT_EQ(MemoryDriver::committedRecords(folder_ / "PEOPLE.MEM").size(), 6u);
}

}  // namespace
}  // namespace tabulon::testing
