#pragma once
// Splits a text into trimmed tokens at a separator and joins tokens back. Empty pieces give no
// token; a piece of blanks only gives an empty token. Interface thread only.
#include <QString>
#include <QStringList>

class TStringParser {
public:
    // Replaces Tokens with the pieces of `text` between occurrences of `separator` (exact,
    // letter case counts), each trimmed of blanks and control characters.
    void Parse(const QString& text, const QString& separator);
    // The tokens with `separator` between each two, trimmed.
    QString Join(const QString& separator) const;

    QStringList Tokens;
};

// `text` without leading and trailing blanks and control characters.
QString TrimBlanksAndControls(const QString& text);
