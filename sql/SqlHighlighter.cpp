#include "SqlHighlighter.h"

#include <QSet>
#include <QStringList>

namespace {

// SQL-92's reserved words and the words of the engine's dialect (its column types, INDEX and LIMIT).
const QSet<QString>& keywords() {
    static const QSet<QString> words = [] {
        const QString list = QStringLiteral(
            "ABSOLUTE ACTION ADD ALL ALLOCATE ALTER AND ANY ARE AS ASC ASSERTION AT AUTHORIZATION AUTOINC AVG "
            "BEGIN BETWEEN BIGINT BIT BIT_LENGTH BLOB BOOL BOOLEAN BOTH BY CASCADE CASCADED CASE CAST CATALOG "
            "CHAR CHARACTER CHARACTER_LENGTH CHAR_LENGTH CHECK CLOB CLOSE COALESCE COLLATE COLLATION COLUMN "
            "COMMIT CONNECT CONNECTION CONSTRAINT CONSTRAINTS CONTINUE CONVERT CORRESPONDING COUNT CREATE CROSS "
            "CURRENCY CURRENT CURRENT_DATE CURRENT_TIME CURRENT_TIMESTAMP CURRENT_USER CURSOR DATE DATETIME DAY "
            "DEALLOCATE DEC DECIMAL DECLARE DEFAULT DEFERRABLE DEFERRED DELETE DESC DESCRIBE DESCRIPTOR "
            "DIAGNOSTICS DISCONNECT DISTINCT DOMAIN DOUBLE DROP ELSE END ESCAPE EXCEPT EXCEPTION EXEC EXECUTE "
            "EXISTS EXTERNAL EXTRACT FALSE FETCH FIRST FLOAT FOR FOREIGN FOUND FROM FULL GET GLOBAL GO GOTO "
            "GRANT GROUP HAVING HOUR IDENTITY IMMEDIATE IN INDEX INDICATOR INITIALLY INNER INPUT INSENSITIVE "
            "INSERT INT INTEGER INTERSECT INTERVAL INTO IS ISOLATION JOIN KEY LANGUAGE LAST LEADING LEFT LEVEL "
            "LIKE LIMIT LOCAL LOWER MATCH MAX MEMO MIN MINUTE MODULE MONEY MONTH NAMES NATIONAL NATURAL NCHAR "
            "NEXT NO NOT NULL NULLIF NUMERIC OCTET_LENGTH OF ON ONLY OPEN OPTION OR ORDER OUTER OUTPUT OVERLAPS "
            "PAD PARTIAL POSITION PRECISION PREPARE PRESERVE PRIMARY PRIOR PRIVILEGES PROCEDURE PUBLIC READ REAL "
            "REFERENCES RELATIVE RESTRICT REVOKE RIGHT ROLLBACK ROWS SCHEMA SCROLL SECOND SECTION SELECT SESSION "
            "SESSION_USER SET SIZE SMALLINT SOME SPACE SQL SQLCODE SQLERROR SQLSTATE SUBSTRING SUM SYSTEM_USER "
            "TABLE TEMPORARY THEN TIME TIMESTAMP TIMEZONE_HOUR TIMEZONE_MINUTE TO TRAILING TRANSACTION TRANSLATE "
            "TRANSLATION TRIM TRUE UNION UNIQUE UNKNOWN UPDATE UPPER USAGE USER USING VALUE VALUES VARCHAR "
            "VARYING VIEW WHEN WHENEVER WHERE WITH WORK WRITE YEAR ZONE");
        const QStringList split = list.split(u' ');
        return QSet<QString>(split.begin(), split.end());
    }();
    return words;
}

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

// The block state: what the line before left open (QSyntaxHighlighter starts every block at -1).
int stateOf(TSqlHighlighter::Kind kind) { return static_cast<int>(kind); }
constexpr int kNothingOpen = -1;

QTextCharFormat formatWith(const QColor& colour, bool bold, bool italic) {
    QTextCharFormat format;
    format.setForeground(colour);
    if (bold) format.setFontWeight(QFont::Bold);
    format.setFontItalic(italic);
    return format;
}

}  // namespace

TSqlHighlighter::TSqlHighlighter(QTextDocument* document)
    : QSyntaxHighlighter(document),
      keyword_(formatWith(QColor(0, 0, 139), true, false)),
      string_(formatWith(QColor(139, 0, 0), false, false)),
      quotedName_(formatWith(QColor(0, 100, 0), false, false)),
      comment_(formatWith(Qt::gray, false, true)) {}

const QTextCharFormat& TSqlHighlighter::formatOf(Kind kind) const {
    switch (kind) {
        case Kind::Keyword:
            return keyword_;
        case Kind::String:
            return string_;
        case Kind::QuotedName:
            return quotedName_;
        case Kind::Comment:
            break;
    }
    return comment_;
}

int TSqlHighlighter::markOpenSpan(const QString& text, int start, int from, Kind kind) {
    int end = -1;
    if (kind == Kind::Comment) {
        const int close = text.indexOf(QLatin1String("*/"), from);
        if (close >= 0) end = close + 2;
    } else {
        // A doubled quote stands for one inside the string or name.
        const QChar quote = kind == Kind::String ? u'\'' : u'"';
        for (int i = from; i < text.size(); ++i) {
            if (text[i] != quote) continue;
            if (i + 1 < text.size() && text[i + 1] == quote) {
                ++i;
                continue;
            }
            end = i + 1;
            break;
        }
    }
    setFormat(start, (end < 0 ? text.size() : end) - start, formatOf(kind));
    setCurrentBlockState(end < 0 ? stateOf(kind) : kNothingOpen);
    return end;
}

void TSqlHighlighter::highlightBlock(const QString& text) {
    setCurrentBlockState(kNothingOpen);
    int pos = 0;
    if (previousBlockState() != kNothingOpen) pos = markOpenSpan(text, 0, 0, static_cast<Kind>(previousBlockState()));
    while (pos >= 0 && pos < text.size()) {
        const QChar c = text[pos];
        const QChar next = pos + 1 < text.size() ? text[pos + 1] : QChar();
        if (c == u'-' && next == u'-') {
            setFormat(pos, text.size() - pos, comment_);
            return;
        }
        if (c == u'/' && next == u'*') {
            pos = markOpenSpan(text, pos, pos + 2, Kind::Comment);
        } else if (c == u'\'' || c == u'"') {
            pos = markOpenSpan(text, pos, pos + 1, c == u'\'' ? Kind::String : Kind::QuotedName);
        } else if (isWordChar(c)) {
            const int start = pos;
            while (pos < text.size() && isWordChar(text[pos])) ++pos;
            if (c.isLetter() && keywords().contains(text.mid(start, pos - start).toUpper()))
                setFormat(start, pos - start, keyword_);
        } else {
            ++pos;
        }
    }
}
