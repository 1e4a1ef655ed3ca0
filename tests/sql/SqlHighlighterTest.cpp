// The SQL editor's colours: which characters get the keyword, string, quoted-name and comment
// formats, also where a string or comment holds keywords and where a comment spans lines.
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QtTest>

#include "SqlHighlighter.h"

namespace {

// One letter per character: K keyword, S string, N quoted name, C comment, . none.
QString kindsOf(const TSqlHighlighter& highlighter, const QTextBlock& block) {
    const std::pair<TSqlHighlighter::Kind, QChar> letters[] = {{TSqlHighlighter::Kind::Keyword, u'K'},
                                                               {TSqlHighlighter::Kind::String, u'S'},
                                                               {TSqlHighlighter::Kind::QuotedName, u'N'},
                                                               {TSqlHighlighter::Kind::Comment, u'C'}};
    QString kinds(block.length() - 1, u'.');
    for (const QTextLayout::FormatRange& range : block.layout()->formats())
        for (const auto& [kind, letter] : letters)
            if (range.format == highlighter.formatOf(kind))
                kinds.replace(range.start, range.length, QString(range.length, letter));
    return kinds;
}

}  // namespace

class SqlHighlighterTest : public QObject {
    Q_OBJECT
private slots:
    void marksEachKind_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("kinds");  // the lines' letters joined by "\n"
        QTest::newRow("keywords in any case, whole words only") << "select Name, selected FROM from_x"
                                                                << "KKKKKK................KKKK.......";
        QTest::newRow("keywords inside a string") << "WHERE A = 'it''s from -- x' OR"
                                                  << "KKKKK.....SSSSSSSSSSSSSSSSS.KK";
        QTest::newRow("quoted name, keyword after") << "\"Order\" order"
                                                    << "NNNNNNN.KKKKK";
        QTest::newRow("line comment") << "x -- select 'a'\nAND"
                                      << "..CCCCCCCCCCCCC\nKKK";
        QTest::newRow("block comment over lines") << "a /* select\nfrom */ where"
                                                  << "..CCCCCCCCC\nCCCCCCC.KKKKK";
        QTest::newRow("string over lines") << "'a\nb' OR"
                                           << "SS\nSS.KK";
    }
    void marksEachKind() {
        QFETCH(QString, sql);
        QFETCH(QString, kinds);
        QTextDocument document;
        TSqlHighlighter highlighter(&document);
        document.setPlainText(sql);
        highlighter.rehighlight();  // the first pass otherwise waits for the event loop
        QStringList lines;
        for (QTextBlock block = document.firstBlock(); block.isValid(); block = block.next())
            lines << kindsOf(highlighter, block);
        QCOMPARE(lines.join(u'\n'), kinds);
    }
    // Typing an opening "/*" on the first line turns the lines after it into comment.
    void typedCommentRecoloursLaterLines() {
        QPlainTextEdit edit;
        TSqlHighlighter highlighter(edit.document());
        edit.setPlainText(QStringLiteral("SELECT\nFROM T"));
        highlighter.rehighlight();
        edit.moveCursor(QTextCursor::Start);
        QTest::keyClicks(&edit, QStringLiteral("/*"));
        QCOMPARE(kindsOf(highlighter, edit.document()->lastBlock()), QStringLiteral("CCCCCC"));
    }
};

QTEST_MAIN(SqlHighlighterTest)
#include "SqlHighlighterTest.moc"
