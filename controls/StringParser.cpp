#include "StringParser.h"

QString TrimBlanksAndControls(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) <= u' ') {
        ++first;
    }
    while (last > first && text.at(last - 1) <= u' ') {
        --last;
    }
    return text.mid(first, last - first);
}

void TStringParser::Parse(const QString& text, const QString& separator) {
    Tokens.clear();
    qsizetype start = 0;
    while (true) {
        const qsizetype found = separator.isEmpty() ? -1 : text.indexOf(separator, start);
        const QString piece = text.mid(start, found < 0 ? -1 : found - start);
        if (!piece.isEmpty()) {
            Tokens << TrimBlanksAndControls(piece);
        }
        if (found < 0) {
            return;
        }
        start = found + separator.size();
    }
}

QString TStringParser::Join(const QString& separator) const { return TrimBlanksAndControls(Tokens.join(separator)); }
