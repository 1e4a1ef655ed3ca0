#pragma once
// Colours the SQL editor: keywords, 'strings', "quoted names" and -- and /* */ comments.
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

class TSqlHighlighter : public QSyntaxHighlighter {
public:
    enum class Kind { Keyword, String, QuotedName, Comment };

    explicit TSqlHighlighter(QTextDocument* document);

    const QTextCharFormat& formatOf(Kind kind) const;

protected:
    void highlightBlock(const QString& text) override;

private:
    // Marks the rest of a string, quoted name or comment that starts at `from` (after its
    // opening), as far as its end or the end of the line; returns where the scan goes on, or
    // -1 when it runs on into the next line.
    int markOpenSpan(const QString& text, int start, int from, Kind kind);

    QTextCharFormat keyword_;
    QTextCharFormat string_;
    QTextCharFormat quotedName_;
    QTextCharFormat comment_;
};
