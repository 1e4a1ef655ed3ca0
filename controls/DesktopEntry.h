#pragma once
// A freedesktop.org desktop entry (".desktop" file): the links of the desktop view and the
// programs and folders of the send-to menu. Interface thread only; no throws.
#include <QString>
#include <QStringList>
#include <optional>

struct TDesktopEntry {
    QString name;  // "Name", the text shown for the entry
    QString type;  // "Application", "Link" or "Directory"
    QString exec;  // an application's command line, with its field codes
    QString url;   // a link's target

    // The "[Desktop Entry]" group of `path`; nothing when the file cannot be read or has none.
    static std::optional<TDesktopEntry> read(const QString& path);
    // The file or folder the entry stands for: a link's local target, an application's program
    // found on the search path; empty when there is none.
    QString target() const;
    // The program and its arguments that open `path` with an application entry; the path takes
    // the place of the file field codes, or is appended when the command has none. An empty
    // path gives the command that starts the program alone.
    QStringList commandFor(const QString& path) const;
};
