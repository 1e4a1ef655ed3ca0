// What a Paradox table rebuilt through create + copy keeps of its old family: the validity
// checks (.VAL) always, as far as the fields remain; the view settings (.TV, .FAM) only while
// the fields are unchanged, since they describe the old field layout.
#include "../../core/EngineError.h"
#include "../../io/File.h"
#include "../../io/FolderEntries.h"
#include "../../io/PagedFile.h"
#include "../Drivers.h"
#include "ParadoxDriver.h"
#include "ParadoxValidity.h"

namespace tabulon::paradox {

namespace {
// A .VAL holds a few hundred bytes; anything far larger is not one to carry.
constexpr std::uint64_t kMostValidityBytes = 1 << 20;
constexpr std::size_t kLinkByte = 0x2E;  // in the .DB header, and byte 0 of the .VAL

ParadoxHeader headerOf(const std::filesystem::path& table) {
    return ParadoxHeader::read(PagedFile::open(table, AccessMode::ReadOnly));
}

std::vector<std::uint8_t> readWhole(const std::filesystem::path& path) {
    const File file = File::open(path, AccessMode::ReadOnly);
    if (file.size() > kMostValidityBytes)
        throw EngineError(errkind::kFormat, path.filename().string() + " is too large for validity checks");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.size()));
    file.readAt(0, bytes.data(), bytes.size());
    return bytes;
}

void writeWhole(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    File::create(path).writeAt(0, bytes.data(), bytes.size());
}

bool sameShape(const ParadoxField& a, const ParadoxField& b) {
    return a.type.code == b.type.code && a.sizeByte == b.sizeByte;
}

bool fieldsUnchanged(const ParadoxHeader& original, const ParadoxHeader& rebuilt, const std::vector<int>& sources) {
    if (original.fields.size() != rebuilt.fields.size()) return false;
    for (std::size_t i = 0; i < sources.size(); ++i)
        if (sources[i] != static_cast<int>(i) || !sameShape(original.fields[i], rebuilt.fields[i])) return false;
    return true;
}

// The checks of `original`'s fields moved to the fields they feed; a field whose type or size
// changed keeps only its required flag, which the new field definition decides.
std::vector<ParadoxFieldCheck> movedChecks(const std::vector<ParadoxFieldCheck>& old, const ParadoxHeader& original,
                                           const ParadoxHeader& rebuilt, const StorageTable& table,
                                           const std::vector<int>& sources) {
    std::vector<ParadoxFieldCheck> checks;
    for (std::size_t i = 0; i < sources.size() && i < rebuilt.fields.size(); ++i) {
        ParadoxFieldCheck check{i, table.fields()[i].required, std::nullopt, std::nullopt, {}};
        if (sources[i] >= 0) {
            const auto source = static_cast<std::size_t>(sources[i]);
            for (const ParadoxFieldCheck& was : old)
                if (was.field == source && sameShape(original.fields[source], rebuilt.fields[i]))
                    check.stored = was.stored;
        }
        if (check.required || !check.stored.empty()) checks.push_back(std::move(check));
    }
    return checks;
}
}  // namespace

void ParadoxDriver::carryOver(const std::filesystem::path& original, StorageTable& rebuilt,
                              const std::vector<int>& sources, const std::vector<std::string>& /*indexFiles*/) const {
    const std::filesystem::path folder = original.parent_path();
    const std::string stem = original.stem().string();
    const std::filesystem::path target = rebuilt.path().parent_path() / rebuilt.path().stem();
    const ParadoxHeader before = headerOf(original);
    const ParadoxHeader after = headerOf(rebuilt.path());
    const bool unchanged = fieldsUnchanged(before, after, sources);

    if (unchanged)
        for (const char* extension : {".TV", ".FAM"})
            if (const auto file = findFileIgnoringCase(folder, stem + extension); !file.empty())
                copyFile(file, target.string() + extension);

    const auto val = findFileIgnoringCase(folder, stem + ".VAL");
    if (val.empty()) return;
    std::vector<std::uint8_t> bytes = readWhole(val);
    std::vector<ParadoxFieldCheck> old;
    try {
        old = parseParadoxValidity(bytes, before, val.filename().string());
    } catch (const EngineError& e) {
        // Checks this program cannot read are not enforced on the old table either.
        if (e.kind() != errkind::kFormat) throw;
        return;
    }
    const std::filesystem::path written = target.string() + ".VAL";
    if (unchanged) {
        // Kept as it is, referential links and all; only the link to the new .DB changes.
        bytes[0] = after.raw[kLinkByte];
        writeWhole(written, bytes);
        return;
    }
    const std::vector<ParadoxFieldCheck> checks = movedChecks(old, before, after, rebuilt, sources);
    if (checks.empty())
        removeFile(written);
    else
        writeWhole(written, buildParadoxValidity(after, checks));
}

}  // namespace tabulon::paradox
