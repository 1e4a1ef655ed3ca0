#include "FamilySwap.h"

#include <unistd.h>

#include <atomic>
#include <optional>

#include "../core/EngineError.h"
#include "../io/FolderEntries.h"
#include "../io/FolderMoves.h"
#include "../io/Transaction.h"

namespace tabulon {

namespace {

constexpr const char* kStagingPrefix = ".tabulon-swap-";
constexpr const char* kOwnerFile = ".owner";
constexpr const char* kOldFolder = "old";

[[noreturn]] void fail(const std::string& what, const std::filesystem::path& path, const std::error_code& ec) {
    throw EngineError(errkind::kFile, what + " " + path.string() + ": " + ec.message());
}

// Sends what a finished swap moved out of the folder to the trash, then drops the staging
// folder. Run again after a kill, it carries on with what is left.
void disposeStaging(const std::filesystem::path& staging, const DesktopTrash& trash) {
    std::error_code ec;
    std::vector<std::filesystem::path> replaced;
    for (const auto& entry : std::filesystem::directory_iterator(staging / kOldFolder, ec))
        replaced.push_back(entry.path());
    for (const auto& file : replaced) trash.moveToTrash(file);
    removeTree(staging, ec);
}

}  // namespace

FamilySwap::FamilySwap(std::filesystem::path folder, std::vector<std::filesystem::path> leaving, DesktopTrash trash)
    : folder_(std::move(folder)), leaving_(std::move(leaving)), trash_(std::move(trash)) {
    static std::atomic<unsigned> counter{0};
    staging_ = folder_ / (kStagingPrefix + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    // Locked under a name recovery ignores, then renamed: recovery never sees a staging
    // folder whose owner has not locked it yet.
    const std::filesystem::path unfinished = staging_.string() + ".new";
    std::error_code ec;
    removeTree(unfinished, ec);  // left by a process of the same id that died
    if (!ec) createFolders(unfinished / kOldFolder, ec);
    if (ec) fail("Cannot create the staging folder", unfinished, ec);
    ownership_ = File::create(unfinished / kOwnerFile);
    ownership_.lock(ShareMode::Exclusive);
    renameFile(unfinished, staging_, ec);
    if (ec) {
        std::error_code ignored;
        removeTree(unfinished, ignored);
        fail("Cannot create the staging folder", staging_, ec);
    }
}

FamilySwap::~FamilySwap() {
    if (committed_) return;
    std::error_code ec;
    removeTree(staging_, ec);
}

void FamilySwap::commit() {
    const std::string stagingName = staging_.filename().string();
    std::vector<FolderMoves::Move> moves;
    for (const auto& file : leaving_) {
        const std::string name = file.filename().string();
        moves.emplace_back(name, stagingName + "/" + kOldFolder + "/" + name);
    }
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(staging_, ec)) {
        const std::string name = entry.path().filename().string();
        // A finished transaction of the build leaves no journal; an unfinished one is not ours.
        if (!entry.is_regular_file() || name == kOwnerFile ||
            name.find(Transaction::kJournalExtension) != std::string::npos)
            continue;
        File::open(entry.path(), AccessMode::ReadWrite).sync();
        moves.emplace_back(stagingName + "/" + name, name);
    }
    if (ec) fail("Cannot list the staging folder", staging_, ec);
    syncFolder(staging_);
    committed_ = true;
    FolderMoves::run(folder_, moves);
    disposeStaging(staging_, trash_);
}

void FamilySwap::recoverFolder(const std::filesystem::path& folder, const DesktopTrash& trash) {
    FolderMoves::recoverFolder(folder);
    std::error_code ec;
    std::vector<std::filesystem::path> stagings;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        // A list of moves left unfinished (damaged, or still running) may need a staging
        // folder's files: touch none.
        if (entry.path().extension() == FolderMoves::kManifestExtension) return;
        if (name.rfind(kStagingPrefix, 0) == 0 && entry.is_directory(ec) && entry.path().extension() != ".new")
            stagings.push_back(entry.path());
    }
    for (const auto& staging : stagings) {
        std::optional<File> owner;
        try {
            owner = File::open(staging / kOwnerFile, AccessMode::ReadWrite);
        } catch (const EngineError&) {
            // Its owner file is gone: only the removal of the folder was left to do.
        }
        if (owner && !owner->tryLock(ShareMode::Exclusive)) continue;  // its builder is alive
        disposeStaging(staging, trash);
    }
}

}  // namespace tabulon
