#pragma once
// A profile file (INI syntax: "[section]" lines and "key=value" lines) read and written the way
// the desktop's profile-file services do it: sections and keys keep their file order, names are
// compared without regard to case, key lists and values are read through fixed-size buffers and
// cut there, and every write goes to disk at once.
// Throws TProfileWriteError when a write cannot be stored; reading never throws (a missing or
// unreadable file reads as empty). A file that exists but could not be read whole is never
// replaced. Interface thread only.
#include <QString>
#include <QStringList>
#include <stdexcept>
#include <vector>

class TProfileWriteError : public std::runtime_error {
public:
    explicit TProfileWriteError(const QString& path);
};

class TProfileFile {
public:
    // Buffer sizes in characters, the terminating NULs included, as the callers pass them.
    static constexpr int kKeyListBufferSize = 8192;
    static constexpr int kValueBufferSize = 1024;

    explicit TProfileFile(QString path);

    const QString& path() const { return path_; }

    // The value of `key` in `section` (surrounding blanks and one pair of enclosing quotes
    // removed), cut to bufferSize - 1 characters; `defaultValue` when the key is missing.
    QString readString(const QString& section, const QString& key, const QString& defaultValue,
                       int bufferSize = kValueBufferSize) const;
    // The key names of `section` in file order, as they fit into a buffer of NUL-separated
    // names ended by a second NUL: the last name that does not fit whole is cut.
    QStringList readKeyNames(const QString& section, int bufferSize = kKeyListBufferSize) const;
    // The section names in file order, through the same kind of buffer.
    QStringList readSectionNames(int bufferSize = kKeyListBufferSize) const;

    // Sets `key` in `section` (the first key of that name, else a new one at the section's end;
    // a new section goes to the end of the file) and stores the file.
    void writeString(const QString& section, const QString& key, const QString& value);
    // Removes `section` with all its keys and stores the file.
    void eraseSection(const QString& section);

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        std::vector<Entry> entries;
    };

    void load();
    void store() const;
    const Section* findSection(const QString& name) const;
    Section* findSection(const QString& name);

    QString path_;
    QStringList preamble_;  // lines before the first section, kept as they stand
    std::vector<Section> sections_;
    bool partlyRead_ = false;  // the file exists but not all of it is in sections_
};
