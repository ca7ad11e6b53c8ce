#include "lexer/HtmlLexer.h"
#include "lexer/ILexerSink.h"
#include "lexer/KeywordList.h"
#include "lexer/KeywordSets.h"
#include "lexer/LexerModule.h"
#include "lexer/MarkupLexerImpl.h"
#include "support/MarkupFixtures.h"
#include "support/ScratchFiles.h"
#include "support/TestRows.h"

#include <QtTest>

namespace {

// Records the non-empty runs the lexer reports, as "text:style"; a merging sink takes plain pieces of unknown tags
// together, and one that merges attributes takes those of a start tag as one run.
template <bool merging, bool mergingAttributes = false> class RecordingSink : public ILexerSink
{
public:
    static constexpr bool mergesPlainTagPieces = merging;
    static constexpr bool mergesAttributeRuns = mergingAttributes;
    explicit RecordingSink(const QString& text)
        : m_text(text)
    {
        setCharacters(reinterpret_cast<const char16_t*>(m_text.utf16()), m_text.size());
    }

    QStringList runs;

    bool matchAt(int pos, const char* s) const override { return m_text.mid(pos).startsWith(QLatin1String(s)); }
    int styleAt(int) const override { return HtmlLexer::MarkupStyle::NotStyled; }
    int lineOf(int) const override { return 0; }
    int lineStartOf(int) const override { return 0; }
    int foldLevelOf(int) const override { return 0; }
    int lineStateOf(int) const override { return 0; }
    int setLineState(int, int) override { return 0; }
    int intProperty(const char*, int) const override { return 0; }
    void startStyling(int, int) override { }
    int segmentStart() const override { return m_segmentStart; }
    void setSegmentStart(int pos) override { m_segmentStart = pos; }
    void styleTo(int endPos, int style) override
    {
        if (endPos < m_segmentStart)
            return;
        runs << m_text.mid(m_segmentStart, endPos - m_segmentStart + 1) + QLatin1Char(':') + QString::number(style);
        m_segmentStart = endPos + 1;
    }
    void setFoldLevel(int, int) override { }

private:
    QString m_text;
    int m_segmentStart = 0;
};

// Runs of an unknown tag that begin with a character that ends a piece
// without needing a full step (white space, "=", a quote...).
bool beginsPlainPiece(const QString& run)
{
    if (!run.endsWith(QLatin1String(":2")) || run.size() < 3)
        return false;
    const QChar c = run.at(0);
    const bool nameChar = c.unicode() >= 128 || c.isLetterOrNumber() || QStringLiteral(".-_:!#").contains(c);
    return !nameChar && !QStringLiteral("</>[").contains(c);
}

// The runs as a sink sees them that only tells apart runs of a tag style that begin with "<" or end with ">", and
// takes every other run as lengthening the one before: those others joined into one, as "text:-".
QStringList asTagBounds(const QStringList& runs)
{
    QStringList out;
    bool joining = false;
    for (const QString& run : runs) {
        const int colon = run.lastIndexOf(QLatin1Char(':'));
        const QString text = run.left(colon);
        const int style = run.mid(colon + 1).toInt();
        using namespace HtmlLexer::MarkupStyle;
        const bool tagStyle = style == Tag || style == TagUnknown || style == TagEnd || style == Comment;
        if (tagStyle && (text.startsWith(QLatin1Char('<')) || text.endsWith(QLatin1Char('>')))) {
            out << run;
            joining = false;
        } else if (joining) {
            out.last().insert(out.last().size() - 2, text);
        } else {
            out << text + QStringLiteral(":-");
            joining = true;
        }
    }
    return out;
}

struct DocumentLists
{
    KeywordList lists[6];
    KeywordList* pointers[6] = { &lists[0], &lists[1], &lists[2], &lists[3], &lists[4], &lists[5] };
    DocumentLists()
    {
        int i = 0;
        for (const char16_t* words : { KeywordSets::html, KeywordSets::javaScript, KeywordSets::vbScript,
                 KeywordSets::python, KeywordSets::php, KeywordSets::sgml })
            lists[i++].set(words);
    }
};

QStringList runsOf(const char16_t* module, const QString& text)
{
    DocumentLists lists;
    RecordingSink<false> sink(text);
    LexerModule::findByName(module)->lex(0, text.size(), 0, lists.pointers, sink);
    return sink.runs;
}

} // namespace

class TestLexer : public QObject
{
    Q_OBJECT

private slots:

    void keywordLookup_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("word");
        QTest::addColumn<bool>("found");
        addTestRow("empty list finds nothing", "", "a", false);
        addTestRow("comparison keeps case", "alpha beta", "BETA", false);
        addTestRow("tab, CR and LF separate", "a\tb\r\nc\nd", "c", true);
        addTestRow("a word is not a prefix of a longer one", "ab a abc", "abcd", false);
        addTestRow("longest word among shorter ones", "a ab abc", "abc", true);
        addTestRow("prefix word matches longer words", "^on x", "onclick", true);
        addTestRow("first character below 256", "\u00e4u b", "\u00e4u", true);
        addTestRow("first character at or above 256 is never found", "\u65e5\u672c b", "\u65e5\u672c", false);
    }

    void keywordLookup()
    {
        QFETCH(QString, list);
        QFETCH(QString, word);
        QFETCH(bool, found);
        KeywordList keywords;
        keywords.set(list);
        QCOMPARE(keywords.contains(word), found);
        // The lexer rejects a name by its first character before any lookup.
        QVERIFY(!found || keywords.mayContain(word.at(0).unicode()));
    }

    void modulesAreFoundByIdAndName()
    {
        QCOMPARE(QString::fromUtf16(LexerModule::findByName(u"xml")->languageName()), QStringLiteral("xml"));
        QVERIFY(!LexerModule::findByName(u"cpp"));
    }

    void runs_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("runs"); // "text:style", separated by "|"
        addTestRow("tags in pieces when unknown, known attributes, declarations, lower-case doctype, CDATA cut short",
            "<?xml version=\"1.0\"?><menu-item a='1'/><br/><p zz=1 align=left><!DOCTYPE x><!doctype html><![CDAT",
            "<?:12|xml:1| :8|version:3|=:8|\"1.0\":6|?>:13|<menu-item:2| a:2|=:2|'1':2|/>:2|<br:1|/>:11|<p:1| "
            ":8|zz:4|=:8|1:5| :8|align:3|=:8|left:19|>:1|<!:21|DOCTYPE:22| :21|x:23|>:21|<!:21|doctype "
            "html:26|>:21|<!:21|[CDAT:22");
        addTestRow("a quoted value of an unknown tag is one run, whatever closers it holds",
            "<mi e=\"a > 0\" f = '</b><!--'/>", "<mi:2| e:2|=:2|\"a > 0\":2| f:2| :2|=:2| :2|'</b><!--':2|/>:2");
        addTestRow("names alike in length, first and last letter, known or not",
            "<table><tabxe><option><optizn></OPTION></optizn>",
            "<table:1|>:1|<tabxe:2|>:2|<option:1|>:1|<optizn:2|>:2|</OPTION:1|>:1|</optizn:2|>:2");
        addTestRow("script content in its language, a text ending inside a tag keeps the tag's style",
            "<script>if (x)</script><a hr", "<script:1|>:1|if:47| :41|(:50|x:46|):50|</script:1|>:1|<a:1| :8|hr:3");

        // Texts whose runs are not written out are checked for the rules of skipping alone.
        for (const QString& path : markupFixturePaths())
            QTest::newRow(qPrintable(QFileInfo(path).fileName()))
                << QString::fromUtf8(ScratchFiles::readFile(path)) << QString();
        addTestRow("markup, declarations and scripts of every kind",
            "<x a=\"b c\" d='e&amp;f' g=h+i(j) k=%l? m=[n] o!p q/r s>t</x><y/ ><z ?><a>   </a><script>x = (  /re/ )"
            "</script><?xml version='1.0'?><!DOCTYPE a [<!ENTITY % b 'c'>]><a x=\"1\"><!-- c --></a><% d %>"
            "<script>a = /x\\/y/g; b = \"</s>\"; // c\n</script><?php $e = \"${f}\" ?><script type=python>'''</b>'''"
            " # c\n</script><script language=vbscript>rem </b>\nx = \"y\"</script>"
            "<x =script 'img \"br>text<x\n\ta=1\r\n><a x=\"<%y%>\"><a 1=\"2\"><?xml version=\"1?>\"?>",
            "");
    }

    void scansStopWhereOneAtATimeDoes_data()
    {
        QTest::addColumn<int>("place"); // of the character tried, in a name of 20 letters
        addTestRow("first of the first eight", 0);
        addTestRow("inside the first eight", 5);
        addTestRow("last of the first eight", 7);
        addTestRow("first of the next eight", 8);
        addTestRow("among the last, fewer than eight", 17);
    }

    // Names and tags are scanned eight characters at a time: every character must stop a scan exactly where
    // the test of one character at a time stops it, wherever it stands.
    void scansStopWhereOneAtATimeDoes()
    {
        QFETCH(int, place);
        char16_t text[20];
        for (uint c = 0; c <= 0xffff; ++c) {
            std::fill(std::begin(text), std::end(text), u'n');
            text[place] = static_cast<char16_t>(c);
            const bool nameChar = HtmlLexer::detail::isTagNameChar(static_cast<char16_t>(c)) && c != u'!';
            const int end = CharacterScan::skipPlainName(text, 0, 20);
            if (end != (nameChar ? 20 : place))
                QFAIL(qPrintable(QStringLiteral("character %1 ends the name at %2").arg(c).arg(end)));
            const bool special = QStringView(u"</>![\"'").contains(QChar(c));
            const int stop = CharacterScan::findTagSpecialOrQuote(text, 0, 20);
            if (stop != (special ? place : 20))
                QFAIL(qPrintable(QStringLiteral("character %1 stops the tag scan at %2").arg(c).arg(stop)));
            const bool sought = c == u'<' || c == u'&' || c == u'!';
            const int found = CharacterScan::findFirstOf(text, 0, 20, u'<', u'&', u'!');
            if (found != (sought ? place : 20))
                QFAIL(qPrintable(QStringLiteral("character %1 stops the text scan at %2").arg(c).arg(found)));
        }
    }

    // Names seen before are compared several characters at a time: a difference at any place of a name of any
    // length must show.
    void sameUnitsAtEveryPlace()
    {
        for (int length = 0; length <= 12; ++length) {
            const std::u16string a(size_t(length), u'n');
            QVERIFY(CharacterScan::sameUnits(a.data(), a.data(), length));
            for (int place = 0; place < length; ++place) {
                std::u16string b = a;
                b[size_t(place)] = u'm';
                if (CharacterScan::sameUnits(a.data(), b.data(), length))
                    QFAIL(qPrintable(QStringLiteral("length %1, place %2").arg(length).arg(place)));
            }
        }
    }

    void namesOfEachList_data()
    {
        QTest::addColumn<bool>("setAgain"); // the same list given other words, else another list
        QTest::addColumn<QString>("firstWords");
        QTest::addColumn<QString>("secondWords");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("before"); // the runs with the first words
        QTest::addColumn<QString>("after"); // the runs with the second words
        const QString names = QStringLiteral("<pa></pa><pb></pb>");
        const QString paKnown = QStringLiteral("<pa:1|>:1|</pa:1|>:1|<pb:2|>:2|</pb:2|>:2");
        const QString pbKnown = QStringLiteral("<pa:2|>:2|</pa:2|>:2|<pb:1|>:1|</pb:1|>:1");
        addTestRow("another list read after the first", false, "pa", "pb", names, paKnown, pbKnown);
        addTestRow("the first list given other words", true, "pa", "pb", names, paKnown, pbKnown);
        // A word that begins as a plain piece of a tag does ("=", a quote...)
        // makes such pieces worth a look, which a list without one spares.
        const QString plain = QStringLiteral("<q =x>");
        const QString plainUnknown = QStringLiteral("<q:2| =x:2|>:2");
        const QString plainKnown = QStringLiteral("<q:2| :2|=x:1|>:1");
        addTestRow("a list with a word that begins as a plain piece, after one without", false, "pa", "=x", plain,
            plainUnknown, plainKnown);
        addTestRow("a list without a word that begins as a plain piece, after one with", false, "=x", "pa", plain,
            plainKnown, plainUnknown);
        addTestRow("the first list given a word that begins as a plain piece", true, "pa", "=x", plain, plainUnknown,
            plainKnown);
    }

    // Lexers remember the answers of their list for the next document: one that reads another list, or the same
    // list after its words changed, must not take them.
    void namesOfEachList()
    {
        QFETCH(bool, setAgain);
        QFETCH(QString, firstWords);
        QFETCH(QString, secondWords);
        QFETCH(QString, text);
        QFETCH(QString, before);
        QFETCH(QString, after);
        KeywordList first[6];
        KeywordList second[6];
        KeywordList* firstLists[6];
        KeywordList* secondLists[6];
        for (int k = 0; k < 6; ++k) {
            firstLists[k] = &first[k];
            secondLists[k] = setAgain ? &first[k] : &second[k];
        }
        first[0].set(firstWords);
        RecordingSink<true> beforeSink(text);
        HtmlLexer::detail::MarkupLexer<RecordingSink<true>>(firstLists, beforeSink).run(0, text.size(), 0);
        QCOMPARE(beforeSink.runs.join('|'), before);
        (setAgain ? first[0] : second[0]).set(secondWords);
        RecordingSink<true> afterSink(text);
        HtmlLexer::detail::MarkupLexer<RecordingSink<true>>(secondLists, afterSink).run(0, text.size(), 0);
        QCOMPARE(afterSink.runs.join('|'), after);
    }

    // The runs as written, where they are. Tight loops skip the characters that a state ignores;
    // they must not change a single run. Whatever the text, the runs, taken in order, are the text.
    void runs()
    {
        QFETCH(QString, text);
        QFETCH(QString, runs);
        DocumentLists lists;
        RecordingSink<false> stepped(text);
        HtmlLexer::detail::MarkupLexer<ILexerSink>(lists.pointers, stepped, false).run(0, text.size(), 0);
        QCOMPARE(runsOf(u"xml", text), stepped.runs);
        if (!runs.isEmpty())
            QCOMPARE(stepped.runs.join('|'), runs);

        // A merging sink gets the same runs, except that plain pieces that
        // follow one another may come as one.
        RecordingSink<true> merging(text);
        HtmlLexer::detail::MarkupLexer<RecordingSink<true>>(lists.pointers, merging, true).run(0, text.size(), 0);
        int next = 0;
        for (const QString& run : merging.runs) {
            QVERIFY(next < stepped.runs.size());
            QString joined = stepped.runs.at(next++);
            while (joined != run && next < stepped.runs.size() && beginsPlainPiece(joined)
                && beginsPlainPiece(stepped.runs.at(next)))
                joined = joined.chopped(2) + stepped.runs.at(next++);
            QCOMPARE(joined, run);
        }
        QCOMPARE(next, stepped.runs.size());

        RecordingSink<true, true> mergingAttributes(text);
        HtmlLexer::detail::MarkupLexer<RecordingSink<true, true>>(lists.pointers, mergingAttributes, true)
            .run(0, text.size(), 0);
        QCOMPARE(asTagBounds(mergingAttributes.runs), asTagBounds(stepped.runs));

        for (int length = 0; length <= text.size(); ++length) {
            QString joined;
            for (const QString& run : runsOf(u"hypertext", text.left(length)))
                joined += run.left(run.lastIndexOf(QLatin1Char(':')));
            QCOMPARE(joined, text.left(length));
        }
    }
};

QTEST_GUILESS_MAIN(TestLexer)
#include "tst_lexer.moc"
