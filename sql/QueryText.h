#pragma once
// A saved query's text as it stands on one line of the query store: every line break (CR LF,
// LF CR, a lone CR or a lone LF) becomes the two characters backslash and "n", and on reading
// each backslash-n becomes CR LF. A backslash of the text itself is not escaped, so a literal
// backslash-n comes back as a line break. Both directions are limited to 4096 characters.
#include <QString>
#include <stdexcept>

inline constexpr qsizetype kMostQueryChars = 4096;

// A text or stored value over the limit; carries the caller's message for it.
class TQueryTextTooLarge : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The stored form of `text`, which ends at its first NUL; throws TQueryTextTooLarge with
// `tooLargeMessage` when the text holds more than kMostQueryChars characters.
QString EncodeQueryText(const QString& text, const QString& tooLargeMessage);
// The text of a stored value; throws TQueryTextTooLarge with `tooLargeMessage` when the value
// holds more than kMostQueryChars characters.
QString DecodeQueryText(const QString& value, const QString& tooLargeMessage);
