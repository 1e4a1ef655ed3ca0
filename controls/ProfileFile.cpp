#include "ProfileFile.h"

#include "WritablePath.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

namespace {

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

QString unquoted(const QString& value) {
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"') {
        return value.mid(1, value.size() - 2);
    }
    return value;
}

// Names packed as name NUL name NUL ... NUL into a buffer of `bufferSize` characters; an empty
// name reads as the end of the list, and a list that does not fit is cut two characters short
// of the buffer's end, as the profile services do.
QStringList throughBuffer(const QStringList& names, int bufferSize) {
    if (bufferSize < 2) {
        return {};
    }
    QStringList fitted;
    qsizetype room = bufferSize - 2;
    for (const QString& name : names) {
        if (name.isEmpty() || room <= 0) {
            break;
        }
        fitted.append(name.left(room));
        room -= name.size() + 1;
    }
    return fitted;
}

}  // namespace

TProfileWriteError::TProfileWriteError(const QString& path)
    : std::runtime_error(QStringLiteral("Unable to write to %1").arg(path).toStdString()) {}

TProfileFile::TProfileFile(QString path) : path_(std::move(path)) { load(); }

void TProfileFile::load() {
    QFile file(path_);
    if (!file.exists()) {
        return;
    }
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        partlyRead_ = true;
        return;
    }
    // A settings file is small; a huge one is read only as far as this.
    constexpr qint64 kMostBytesRead = 16 << 20;
    const QByteArray bytes = file.read(kMostBytesRead);
    partlyRead_ = !file.atEnd();
    QTextStream in(bytes);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(u'[')) {
            const qsizetype close = trimmed.indexOf(u']');
            const QString name = trimmed.mid(1, close < 0 ? -1 : close - 1).trimmed();
            sections_.push_back({name, {}});
        } else if (sections_.empty()) {
            preamble_.append(line);
        } else if (!trimmed.isEmpty()) {
            const qsizetype equals = trimmed.indexOf(u'=');
            if (equals < 0) {
                sections_.back().entries.push_back({trimmed, QString()});
            } else {
                sections_.back().entries.push_back({trimmed.left(equals).trimmed(), trimmed.mid(equals + 1).trimmed()});
            }
        }
    }
}

void TProfileFile::store() const {
    // A file or folder the user made read-only stays untouched, even where the folder would
    // allow the file's replacement.
    const QFileInfo info(path_);
    // Rewriting a file that was not read whole would lose what was not read.
    if (partlyRead_ || (info.exists() && !IsWritablePath(path_)) || !IsWritablePath(info.absolutePath())) {
        throw TProfileWriteError(path_);
    }
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        throw TProfileWriteError(path_);
    }
    QTextStream out(&file);
    for (const QString& line : preamble_) {
        out << line << '\n';
    }
    for (const Section& section : sections_) {
        out << '[' << section.name << "]\n";
        for (const Entry& entry : section.entries) {
            out << entry.key << '=' << entry.value << '\n';
        }
    }
    out.flush();
    if (out.status() != QTextStream::Ok || !file.commit()) {
        throw TProfileWriteError(path_);
    }
}

const TProfileFile::Section* TProfileFile::findSection(const QString& name) const {
    for (const Section& section : sections_) {
        if (sameName(section.name, name)) {
            return &section;
        }
    }
    return nullptr;
}

TProfileFile::Section* TProfileFile::findSection(const QString& name) {
    return const_cast<Section*>(std::as_const(*this).findSection(name));
}

QString TProfileFile::readString(const QString& section, const QString& key, const QString& defaultValue,
                                 int bufferSize) const {
    const qsizetype room = std::max(bufferSize - 1, 0);
    if (const Section* found = findSection(section)) {
        for (const Entry& entry : found->entries) {
            if (sameName(entry.key, key)) {
                return unquoted(entry.value).left(room);
            }
        }
    }
    return defaultValue.left(room);
}

QStringList TProfileFile::readKeyNames(const QString& section, int bufferSize) const {
    QStringList names;
    if (const Section* found = findSection(section)) {
        for (const Entry& entry : found->entries) {
            names.append(entry.key);
        }
    }
    return throughBuffer(names, bufferSize);
}

QStringList TProfileFile::readSectionNames(int bufferSize) const {
    QStringList names;
    for (const Section& section : sections_) {
        names.append(section.name);
    }
    return throughBuffer(names, bufferSize);
}

void TProfileFile::writeString(const QString& section, const QString& key, const QString& value) {
    Section* target = findSection(section);
    if (target == nullptr) {
        sections_.push_back({section, {}});
        target = &sections_.back();
    }
    auto entry = std::find_if(target->entries.begin(), target->entries.end(),
                              [&](const Entry& e) { return sameName(e.key, key); });
    if (entry != target->entries.end()) {
        entry->value = value;
    } else {
        target->entries.push_back({key, value});
    }
    store();
}

void TProfileFile::eraseSection(const QString& section) {
    std::erase_if(sections_, [&](const Section& s) { return sameName(s.name, section); });
    store();
}
