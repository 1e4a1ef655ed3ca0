#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>

#include "core/EngineError.h"
#include "io/File.h"
#include "io/PagedFile.h"
#include "io/Transaction.h"
#include "support/TempFolder.h"

using namespace tabulon;
using tabulon::testing::TempFolder;

namespace {
std::string readWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeWhole(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readAll(const PagedFile& f) {
    std::string s(static_cast<std::size_t>(f.size()), '\0');
    f.read(0, s.data(), s.size());
    return s;
}
}  // namespace

// What keeps recovery from undoing a commit that removed its journal after recovery opened it.
TEST(File, KnowsWhetherItsPathStillNamesIt) {
    TempFolder dir;
    const auto path = dir / "j.bin";
    writeWhole(path, "journal");
    File open = File::open(path, AccessMode::ReadOnly);
    EXPECT_TRUE(open.isAt(path));
    std::filesystem::remove(path);
    EXPECT_FALSE(open.isAt(path));
    writeWhole(path, "another journal");
    EXPECT_FALSE(open.isAt(path));
}

TEST(PagedFile, PendingWritesAreReadBackButStayOffTheDisk) {
    TempFolder dir;
    writeWhole(dir / "a.bin", std::string(10000, 'a'));
    PagedFile f = PagedFile::open(dir / "a.bin", AccessMode::ReadWrite);
    f.write(4090, "XYZXYZXYZXYZ", 12);  // crosses a page edge
    f.write(10000, "tail", 4);          // grows the file
    EXPECT_EQ(f.size(), 10004u);
    std::string expected(10000, 'a');
    expected.replace(4090, 12, "XYZXYZXYZXYZ");
    expected += "tail";
    EXPECT_EQ(readAll(f), expected);
    EXPECT_EQ(readWhole(dir / "a.bin"), std::string(10000, 'a'));

    char buffer[8];
    EXPECT_EQ(f.read(10002, buffer, 8), 2u);
    EXPECT_THROW(f.readExact(10002, buffer, 8), EngineError);
}

TEST(PagedFile, ReadOnlyFilesRefuseWrites) {
    TempFolder dir;
    writeWhole(dir / "r.bin", "abc");
    PagedFile f = PagedFile::open(dir / "r.bin", AccessMode::ReadOnly);
    EXPECT_THROW(f.write(0, "x", 1), EngineError);
    EXPECT_THROW(PagedFile::open(dir / "missing.bin", AccessMode::ReadOnly), EngineError);
}

TEST(Transaction, CommitWritesEveryFileAndRollbackDropsEverything) {
    TempFolder dir;
    writeWhole(dir / "a.bin", std::string(9000, 'a'));
    PagedFile a = PagedFile::open(dir / "a.bin", AccessMode::ReadWrite);
    PagedFile b = PagedFile::createNew(dir / "b.bin");
    {
        Transaction t(dir / ("t" + std::string(Transaction::kJournalExtension)));
        t.enlist(a);
        t.enlist(b);
        a.write(0, "first", 5);
        b.write(0, "new file", 8);
        t.rollback();
    }
    EXPECT_EQ(readAll(a), std::string(9000, 'a'));
    EXPECT_FALSE(std::filesystem::exists(dir / "b.bin"));

    Transaction t(dir / "t.tjournal");
    t.enlist(a);
    t.enlist(b);
    a.write(8995, "0123456789", 10);
    b.write(0, "new file", 8);
    t.commit();
    EXPECT_EQ(readWhole(dir / "a.bin"), std::string(8995, 'a') + "0123456789");
    EXPECT_EQ(readWhole(dir / "b.bin"), "new file");
    EXPECT_FALSE(std::filesystem::exists(dir / "t.tjournal"));
}

// A participant whose rollback or commit upkeep fails keeps neither the others from theirs nor
// its error from the caller.
TEST(Transaction, EveryParticipantIsCalledWhenOneFails) {
    struct Participant : TransactionParticipant {
        bool fails = false;
        int calls = 0;
        void prepareCommit() override {}
        void afterCommit() override { afterRollback(); }
        void afterRollback() override {
            ++calls;
            if (fails) throw EngineError(errkind::kFile, "participant failed");
        }
    };
    TempFolder dir;
    for (const bool committing : {false, true}) {
        SCOPED_TRACE(committing ? "commit" : "rollback");
        Participant failing, other;
        failing.fails = true;
        Transaction t(dir / "t.tjournal");
        t.enlist(failing);
        t.enlist(other);
        EXPECT_THROW(committing ? t.commit() : t.rollback(), EngineError);
        EXPECT_EQ(failing.calls, 1);
        EXPECT_EQ(other.calls, 1);
    }
}

TEST(Transaction, TruncationCommitsAndReadsAsZerosWhenRegrown) {
    TempFolder dir;
    writeWhole(dir / "a.bin", std::string(20000, 'a'));
    PagedFile a = PagedFile::open(dir / "a.bin", AccessMode::ReadWrite);
    Transaction t(dir / "t.tjournal");
    t.enlist(a);
    a.truncate(5000);
    a.write(6000, "z", 1);
    EXPECT_EQ(readAll(a), std::string(5000, 'a') + std::string(1000, '\0') + "z");
    t.commit();
    EXPECT_EQ(readWhole(dir / "a.bin"), std::string(5000, 'a') + std::string(1000, '\0') + "z");
}

TEST(Transaction, RecoveryIgnoresAnIncompleteJournalAndRestoresAFinishedOne) {
    TempFolder dir;
    writeWhole(dir / "a.bin", "original");
    writeWhole(dir / "cut.tjournal", "TABJRNL1 half written");
    Transaction::recoverFolder(dir.path());
    EXPECT_EQ(readWhole(dir / "a.bin"), "original");
    EXPECT_FALSE(std::filesystem::exists(dir / "cut.tjournal"));
}

TEST(Transaction, RecoveryLeavesAloneAJournalWhoseCommitIsStillRunning) {
    TempFolder dir;
    writeWhole(dir / "live.tjournal", "TABJRNL1 being applied");
    {
        File committer = File::open(dir / "live.tjournal", AccessMode::ReadWrite);
        committer.lock(ShareMode::Exclusive);
        EXPECT_FALSE(Transaction::recover(dir / "live.tjournal"));
        Transaction::recoverFolder(dir.path());
        EXPECT_TRUE(std::filesystem::exists(dir / "live.tjournal"));
    }
    // The committer is gone (its lock with it): now the journal is a leftover.
    EXPECT_TRUE(Transaction::recover(dir / "live.tjournal"));
    EXPECT_FALSE(std::filesystem::exists(dir / "live.tjournal"));
}

// A child commits transactions that write one generation number over two files; it is killed
// at a random instant. After recovery both files hold one and the same generation.
TEST(Transaction, KilledCommitsLeaveEitherTheOldOrTheNewState) {
    TempFolder dir;
    const int runs = tabulon::testing::longTests() ? 200 : 25;
    std::mt19937 random(12345);
    const std::size_t sizeA = 64 * 1024, sizeB = 40 * 1024 + 7;
    auto generationOf = [](const std::string& bytes) -> int {
        if (bytes.empty()) return -1;
        for (char c : bytes)
            if (c != bytes[0]) return -2;  // torn
        return static_cast<unsigned char>(bytes[0]);
    };
    writeWhole(dir / "a.bin", std::string(sizeA, char(0)));
    writeWhole(dir / "b.bin", std::string(sizeB, char(0)));
    for (int run = 0; run < runs; ++run) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            PagedFile a = PagedFile::open(dir / "a.bin", AccessMode::ReadWrite);
            PagedFile b = PagedFile::open(dir / "b.bin", AccessMode::ReadWrite);
            for (int g = 1;; ++g) {
                Transaction t(dir / "family.tjournal");
                t.enlist(a);
                t.enlist(b);
                const std::string fillA(sizeA, char(g % 250 + 1)), fillB(sizeB, char(g % 250 + 1));
                a.write(0, fillA.data(), fillA.size());
                b.write(0, fillB.data(), fillB.size());
                t.commit();
            }
        }
        usleep(std::uniform_int_distribution<int>(200, 20000)(random));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        Transaction::recoverFolder(dir.path());
        const int ga = generationOf(readWhole(dir / "a.bin"));
        const int gb = generationOf(readWhole(dir / "b.bin"));
        ASSERT_GE(ga, 0) << "run " << run << ": a.bin torn";
        ASSERT_EQ(ga, gb) << "run " << run;
        ASSERT_FALSE(std::filesystem::exists(dir / "family.tjournal"));
    }
}
