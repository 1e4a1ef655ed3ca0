// Exclusive use refused across sessions and across processes, and released on close and on
// the holder's death.
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "DatasetFixture.h"
#include "core/EngineError.h"

namespace tabulon::testing {
namespace {

class TableLockTest : public DatasetFixture {
protected:
    void SetUp() override {
        DatasetFixture::SetUp();
        std::ofstream(folder_ / "LOCKED.TXT") << "A,B\n1,2\n";
    }

    static std::unique_ptr<Table> textTable(Connection& connection, bool exclusive) {
        auto table = std::make_unique<Table>(connection);
        table->setTableName("locked.txt");
        table->setExclusive(exclusive);
        return table;
    }

    static std::string openError(Table& table) {
        try {
            table.open();
        } catch (const EngineError& e) {
            return e.kind() + ": " + e.message();
        }
        return "opened";
    }
};

TEST_F(TableLockTest, ExclusiveOpenIsRefusedWhileAnotherSessionHoldsTheTable) {
    Session other("Other");
    Connection& otherConnection = connect(other);
    auto shared = textTable(*connection_, false);
    shared->open();
    auto exclusive = textTable(otherConnection, true);
    const std::string error = openError(*exclusive);
    EXPECT_NE(error.find("ETableBusy"), std::string::npos) << error;
    EXPECT_NE(error.find("LOCKED.TXT is busy: it is open in session 'Tests'"), std::string::npos) << error;
    shared->close();
    EXPECT_EQ(openError(*exclusive), "opened");

    auto late = textTable(*connection_, false);
    const std::string refused = openError(*late);
    EXPECT_NE(refused.find("open exclusively in session 'Other'"), std::string::npos) << refused;
    exclusive->close();
    EXPECT_EQ(openError(*late), "opened");
}

TEST_F(TableLockTest, SharedOpensLiveSideBySide) {
    Session other("Other");
    auto one = textTable(*connection_, false);
    auto two = textTable(connect(other), false);
    EXPECT_EQ(openError(*one), "opened");
    EXPECT_EQ(openError(*two), "opened");
}

// A child process that opens the table (exclusively or not), says so through a pipe, and holds
// it until it is told to end or is killed.
class ChildHolder {
public:
    ChildHolder(const std::filesystem::path& folder, bool exclusive) {
        int ready[2], release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            char status = 'x';
            try {
                Session session("Child");
                Connection& c = session.addConnection("C");
                c.setParams(folderParams(folder));
                c.connect();
                Table table(c);
                table.setTableName("LOCKED.TXT");
                table.setExclusive(exclusive);
                table.open();
                status = 'k';
                (void)!::write(ready[1], &status, 1);
                (void)!::read(release[0], &status, 1);
            } catch (...) {
                (void)!::write(ready[1], &status, 1);
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        ready_ = ready[0];
        release_ = release[1];
    }
    ~ChildHolder() { end(true); }

    // Whether the child holds the table now.
    bool holding() const {
        char status = 0;
        return pid_ > 0 && ::read(ready_, &status, 1) == 1 && status == 'k';
    }
    // Kills the child (its death must release the lock) or tells it to close the table.
    void end(bool kill) {
        if (pid_ <= 0) return;
        if (kill)
            ::kill(pid_, SIGKILL);
        else
            (void)!::write(release_, "x", 1);
        ::waitpid(pid_, nullptr, 0);
        ::close(ready_);
        ::close(release_);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int ready_ = -1, release_ = -1;
};

TEST_F(TableLockTest, AnotherProcessHoldingTheTableIsNamed) {
    ChildHolder child(folder_.path(), false);
    ASSERT_TRUE(child.holding());
    auto exclusive = textTable(*connection_, true);
    const std::string error = openError(*exclusive);
    EXPECT_NE(error.find("ETableBusy"), std::string::npos) << error;
    EXPECT_NE(error.find("it is open in another process"), std::string::npos) << error;
    child.end(true);
    EXPECT_EQ(openError(*exclusive), "opened");
}

TEST_F(TableLockTest, ExclusiveHolderInAnotherProcessKeepsOthersOut) {
    ChildHolder child(folder_.path(), true);
    ASSERT_TRUE(child.holding());
    auto shared = textTable(*connection_, false);
    const std::string error = openError(*shared);
    EXPECT_NE(error.find("it is open exclusively in another process"), std::string::npos) << error;
    child.end(false);
    EXPECT_EQ(openError(*shared), "opened");
}

// A file nobody may write still gets an exclusive hold that other processes see.
TEST_F(TableLockTest, ExclusiveHoldOnAReadOnlyFileKeepsOtherProcessesOut) {
    std::filesystem::permissions(folder_ / "LOCKED.TXT", std::filesystem::perms::owner_read |
                                                             std::filesystem::perms::group_read |
                                                             std::filesystem::perms::others_read);
    ChildHolder child(folder_.path(), true);
    ASSERT_TRUE(child.holding());
    auto exclusive = textTable(*connection_, true);
    const std::string error = openError(*exclusive);
    EXPECT_NE(error.find("ETableBusy"), std::string::npos) << error;
    EXPECT_NE(error.find("in another process"), std::string::npos) << error;
    auto shared = textTable(*connection_, false);
    EXPECT_NE(openError(*shared).find("open exclusively in another process"), std::string::npos);
    child.end(true);
    EXPECT_EQ(openError(*exclusive), "opened");
}

}  // namespace
}  // namespace tabulon::testing
