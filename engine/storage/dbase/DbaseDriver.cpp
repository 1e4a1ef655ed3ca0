#include "DbaseDriver.h"

#include "../../core/EngineError.h"
#include "../../core/TextCodec.h"
#include "../../io/PagedFile.h"
#include "../Drivers.h"
#include "DbaseCodePages.h"
#include "DbaseCreator.h"
#include "DbaseHeader.h"
#include "DbaseTable.h"

namespace tabulon::dbase {

std::unique_ptr<StorageTable> DbaseDriver::open(const std::filesystem::path& path, const OpenOptions& options) const {
    return std::make_unique<DbaseTable>(*this, path, options);
}

std::unique_ptr<StorageTable> DbaseDriver::create(const std::filesystem::path& path,
                                                  const std::vector<FieldDef>& fields,
                                                  const std::vector<IndexDef>& indexes,
                                                  const CreateOptions& options) const {
    createDbaseFiles(path, fields, indexes, options);
    OpenOptions open;
    open.access = AccessMode::ReadWrite;
    open.tolerant = false;
    return std::make_unique<DbaseTable>(*this, path, open);
}

std::vector<std::filesystem::path> DbaseDriver::familyFiles(const std::filesystem::path& table) const {
    std::vector<std::filesystem::path> files;
    const std::filesystem::path folder = table.parent_path();
    const std::string stem = table.stem().string();
    const std::filesystem::path actual = findFileIgnoringCase(folder, table.filename().string());
    if (!actual.empty()) files.push_back(actual);
    for (const char* extension : {".DBT", ".FPT", ".MDX", ".CDX"}) {
        const std::filesystem::path companion = findFileIgnoringCase(folder, stem + extension);
        if (!companion.empty()) files.push_back(companion);
    }
    return files;
}

FieldDef DbaseDriver::nearestField(const FieldDef& source) const { return nearestDbaseField(source); }

void DbaseDriver::storeCodePage(const std::filesystem::path& table, const std::string& codePage) const {
    const std::string file = table.filename().string();
    const std::optional<int> number = TextCodec::codePageForName(codePage);
    const std::optional<std::uint8_t> driver = number ? languageDriverForCodePage(*number) : std::nullopt;
    if (!driver) throw EngineError(errkind::kValue, file + ": no language driver byte names " + codePage);
    PagedFile dbf = PagedFile::open(table, AccessMode::ReadWrite);
    dbf.file().lock(ShareMode::Exclusive);
    const DbaseHeader header = readHeader(dbf);
    if (header.dialect == Dialect::DBase7 && codePageForDriverName(header.languageDriverName))
        throw EngineError(errkind::kNotSupported,
                          file + ": its language driver name " + header.languageDriverName + " names its code page");
    constexpr std::uint64_t kLanguageDriverByte = 29;
    dbf.file().writeAt(kLanguageDriverByte, &*driver, 1);
}

}  // namespace tabulon::dbase
