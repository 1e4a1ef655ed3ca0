#include "QueryText.h"

namespace {

bool isBreak(QChar c) { return c == u'\r' || c == u'\n'; }

}  // namespace

QString EncodeQueryText(const QString& text, const QString& tooLargeMessage) {
    if (text.size() > kMostQueryChars) {
        throw TQueryTextTooLarge(tooLargeMessage.toStdString());
    }
    QString encoded;
    encoded.reserve(text.size());
    for (qsizetype i = 0; i < text.size() && text[i] != QChar(u'\0'); ++i) {
        if (!isBreak(text[i])) {
            encoded += text[i];
            continue;
        }
        // CR LF and LF CR are one break each; CR CR or LF LF are two.
        if (i + 1 < text.size() && isBreak(text[i + 1]) && text[i + 1] != text[i]) {
            ++i;
        }
        encoded += QStringLiteral("\\n");
    }
    return encoded.left(kMostQueryChars);
}

QString DecodeQueryText(const QString& value, const QString& tooLargeMessage) {
    if (value.size() > kMostQueryChars) {
        throw TQueryTextTooLarge(tooLargeMessage.toStdString());
    }
    QString decoded;
    decoded.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\' && i + 1 < value.size() && value[i + 1] == u'n') {
            decoded += QStringLiteral("\r\n");
            ++i;
        } else {
            decoded += value[i];
        }
    }
    return decoded.left(kMostQueryChars);
}
