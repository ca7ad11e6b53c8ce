#include "lexer/HtmlLexer.h"
#include "lexer/ILexerSink.h"
#include "lexer/KeywordList.h"
#include "lexer/KeywordSets.h"
#include "lexer/LexerModule.h"
#include "lexer/MarkupLexerImpl.h"
#include "support/MarkupFixtures.h"

#include <QtTest>

namespace {

// Records the non-empty runs the lexer reports, as "text:style".
class RecordingSink : public ILexerSink
{
public:
    explicit RecordingSink(const QString& text)
        : m_text(text)
    {
        setCharacters(reinterpret_cast<const char16_t*>(m_text.utf16()), m_text.size());
    }

    QStringList runs;

    bool matchAt(int pos, const char* s) const override
    {
        for (; *s; ++s, ++pos)
            if (safeCharAt(pos, u' ') != static_cast<unsigned char>(*s))
                return false;
        return true;
    }
    int styleAt(int) const override { return 32; }
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

// The same, for a sink that takes plain pieces of unknown tags together.
class MergingSink : public RecordingSink
{
public:
    using RecordingSink::RecordingSink;
    static constexpr bool mergesPlainTagPieces = true;
};

// Runs of style 2 that begin with a character that ends a piece of an unknown
// tag without needing a full step (white space, "=", a quote...).
bool beginsPlainPiece(const QString& run)
{
    if (!run.endsWith(QLatin1String(":2")) || run.size() < 3)
        return false;
    const ushort c = run.at(0).unicode();
    const bool nameChar = c >= 128 || QChar(c).isLetterOrNumber() || QStringLiteral(".-_:!#").contains(QChar(c));
    return !nameChar && !QStringLiteral("</>[").contains(QChar(c));
}

struct DocumentLists
{
    KeywordList lists[6];
    KeywordList* pointers[6];
    DocumentLists()
    {
        const char16_t* texts[] = { KeywordSets::html, KeywordSets::javaScript, KeywordSets::vbScript,
            KeywordSets::python, KeywordSets::php, KeywordSets::sgml };
        for (int i = 0; i < 6; ++i) {
            lists[i].set(texts[i]);
            pointers[i] = &lists[i];
        }
    }
};

} // namespace

class TestLexer : public QObject
{
    Q_OBJECT

private slots:
    void keywordLookup_data();
    void keywordLookup();
    void documentKeywordSets_data();
    void documentKeywordSets();
    void builtinModulesAreRegisteredInOrder();
    void newModuleTakesTheNextFreeId();
    void runs_data();
    void runs();
    void skippingGivesTheSameRuns_data();
    void skippingGivesTheSameRuns();
    void runsCoverEveryPrefix_data();
    void runsCoverEveryPrefix();
};

void TestLexer::keywordLookup_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("found");

    QTest::newRow("empty list finds nothing") << ""
                                              << "a" << false;
    QTest::newRow("empty list, empty word") << ""
                                            << "" << false;
    QTest::newRow("list of spaces finds no empty word") << "   \t "
                                                        << "" << false;
    QTest::newRow("word in the middle") << "alpha beta gamma"
                                        << "beta" << true;
    QTest::newRow("comparison keeps case") << "alpha beta"
                                           << "BETA" << false;
    QTest::newRow("tab, CR and LF separate") << "a\tb\r\nc\nd"
                                             << "c" << true;
    QTest::newRow("a word is not a prefix of a longer one") << "ab a abc"
                                                            << "abcd" << false;
    QTest::newRow("shorter word among longer ones") << "abc ab a"
                                                    << "ab" << true;
    QTest::newRow("longest word among shorter ones") << "a ab abc"
                                                     << "abc" << true;
    QTest::newRow("duplicates are kept") << "x y x"
                                         << "x" << true;
    QTest::newRow("prefix word matches longer words") << "^on x"
                                                      << "onclick" << true;
    QTest::newRow("prefix word needs its whole prefix") << "^on x"
                                                        << "o" << false;
    QTest::newRow("bare caret matches everything") << "^ x"
                                                   << "anything" << true;
    QTest::newRow("first character below 256") << "\u00e4u b"
                                               << "\u00e4u" << true;
    QTest::newRow("first character at or above 256 is never found") << "\u65e5\u672c b"
                                                                    << "\u65e5\u672c" << false;
    QTest::newRow("separators around the only word") << "  \n word \t"
                                                     << "word" << true;
}

void TestLexer::keywordLookup()
{
    QFETCH(QString, list);
    QFETCH(QString, word);
    QFETCH(bool, found);
    KeywordList keywords;
    keywords.set(list);
    QCOMPARE(keywords.contains(word), found);
    // A second lookup reads the sorted list.
    QCOMPARE(keywords.contains(word), found);
}

void TestLexer::documentKeywordSets_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("words");
    QTest::addColumn<QString>("present");
    QTest::addColumn<QString>("absent");

    QTest::newRow("HTML elements and attributes") << 0 << 228 << "!doctype"
                                                  << "SCRIPT";
    QTest::newRow("HTML list has script") << 0 << 228 << "script"
                                          << "menuitem";
    QTest::newRow("HTML list has xml") << 0 << 228 << "xml"
                                       << "comment";
    QTest::newRow("JavaScript") << 1 << 56 << "instanceof"
                                << "let";
    QTest::newRow("VBScript") << 2 << 120 << "withevents"
                              << "With";
    QTest::newRow("Python") << 3 << 30 << "None"
                            << "none";
    QTest::newRow("PHP") << 4 << 71 << "__wakeup"
                         << "fn";
    QTest::newRow("SGML keywords are upper case") << 5 << 5 << "DOCTYPE"
                                                  << "doctype";
}

void TestLexer::documentKeywordSets()
{
    QFETCH(int, index);
    QFETCH(int, words);
    QFETCH(QString, present);
    QFETCH(QString, absent);
    DocumentLists lists;
    QCOMPARE(lists.lists[index].length(), words);
    QVERIFY(lists.lists[index].contains(present));
    QVERIFY(!lists.lists[index].contains(absent));
}

void TestLexer::builtinModulesAreRegisteredInOrder()
{
    QStringList names;
    QList<int> ids;
    QList<bool> lexes;
    for (const LexerModule* module = LexerModule::moduleList(); module; module = module->next()) {
        const QString name = QString::fromUtf16(module->languageName());
        if (name.startsWith(QLatin1String("test")))
            continue;
        names << name;
        ids << module->language();
        lexes << (module->lexFunction() != nullptr);
        QCOMPARE(module->styleBits(), 7);
    }
    // Newest first: the reverse of the order of registration.
    QCOMPARE(names, QStringList({ "xml", "phpscript", "php", "hypertext", "asp" }));
    QCOMPARE(ids, QList<int>({ 5, 69, 30, 4, 29 }));
    QCOMPARE(lexes, QList<bool>({ true, true, false, true, false }));

    const LexerModule* xml = LexerModule::find(5);
    QVERIFY(xml);
    QCOMPARE(QString::fromUtf16(xml->wordListDescriptions()[5]), QStringLiteral("SGML and DTD keywords"));
    QVERIFY(!xml->wordListDescriptions()[6]);
    const LexerModule* phpScript = LexerModule::findByName(u"phpscript");
    QVERIFY(phpScript);
    QCOMPARE(QString::fromUtf16(phpScript->wordListDescriptions()[4]), QStringLiteral("PHP keywords"));
    QVERIFY(QString::fromUtf16(phpScript->wordListDescriptions()[0]).isEmpty());
    QVERIFY(!LexerModule::findByName(u"cpp"));
}

void TestLexer::newModuleTakesTheNextFreeId()
{
    LexerModule::moduleList();
    static LexerModule first(1000, nullptr, u"test-first");
    static LexerModule second(1000, nullptr, u"test-second");
    QCOMPARE(first.language(), 1001);
    QCOMPARE(second.language(), 1002);
    QCOMPARE(LexerModule::moduleList(), &second);
    QCOMPARE(LexerModule::findByName(u"test-first"), &first);
}

void TestLexer::runs_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("runs");

    QTest::newRow("known tag with a quoted attribute")
        << "<a href=\"x\">" << QStringList { "<a:1", " :8", "href:3", "=:8", "\"x\":6", ">:1" };
    QTest::newRow("unknown tag comes in pieces")
        << "<menu-item a='1'/>" << QStringList { "<menu-item:2", " a:2", "=:2", "'1:2", "':2", "/>:2" };
    QTest::newRow("self-closed known tag") << "<br/>" << QStringList { "<br:1", "/>:11" };
    QTest::newRow("end tag") << "</a>" << QStringList { "</a:1", ">:1" };
    QTest::newRow("unknown attribute and unquoted values")
        << "<p zz=1 align=left>"
        << QStringList { "<p:1", " :8", "zz:4", "=:8", "1:5", " :8", "align:3", "=:8", "left:19", ">:1" };
    QTest::newRow("comment") << "<!-- c -->" << QStringList { "<!--:9", " c -->:9" };
    QTest::newRow("XML declaration") << "<?xml version=\"1.0\"?>"
                                     << QStringList { "<?:12", "xml:1", " :8", "version:3", "=:8", "\"1.0\":6",
                                            "?>:13" };
    QTest::newRow("DOCTYPE") << "<!DOCTYPE x>" << QStringList { "<!:21", "DOCTYPE:22", " :21", "x:23", ">:21" };
    QTest::newRow("lower-case doctype is an error run")
        << "<!doctype html>" << QStringList { "<!:21", "doctype html:26", ">:21" };
    QTest::newRow("CDATA is one run") << "<![CDATA[ <x> ]]>" << QStringList { "<![CDATA[ <x> ]]>:17" };
    QTest::newRow("CDATA cut short is a declaration") << "<![CDAT" << QStringList { "<!:21", "[CDAT:22" };
    QTest::newRow("entity") << "a&amp;b" << QStringList { "a:0", "&amp;:10", "b:0" };
    QTest::newRow("invalid entity takes the character that ends it") << "a&<b" << QStringList { "a:0", "&<:2", "b:0" };
    QTest::newRow("\"<\" and a space") << "a < b" << QStringList { "a :0", "<:2", " b:2" };
    QTest::newRow("\">\" in a quoted value ends an unknown tag")
        << "<item label=\"a>b\">" << QStringList { "<item:2", " label:2", "=:2", "\"a:2", ">:2", "b\">:0" };
    QTest::newRow("PHP block") << "<?php echo 1; ?>"
                               << QStringList { "<?php:18", " :118", "echo:121", " :118", "1:122", ";:127", " :118",
                                      "?>:18" };
    QTest::newRow("server block styled as JavaScript with the block offset")
        << "<% x %>" << QStringList { "<%:15", " :56", "x:61", " :56", "%>:15" };
    QTest::newRow("server comment") << "<%-- x --%>" << QStringList { "<%--:15", " x --:20", "%>:15" };
    QTest::newRow("script element content is JavaScript")
        << "<script>if (x)</script>"
        << QStringList { "<script:1", ">:1", "if:47", " :41", "(:50", "x:46", "):50", "</script:1", ">:1" };
    QTest::newRow("language attribute picks VBScript") << "<script language=\"vbscript\">x</script>"
                                                       << QStringList { "<script:1", " :8", "language:3", "=:8",
                                                              "\"vbscript\":6", ">:1", "x:74", "</script:1", ">:1" };
    QTest::newRow("src attribute keeps markup")
        << "<script src=a><b>" << QStringList { "<script:1", " :8", "src:3", "=:8", "a:19", ">:1", "<b:1", ">:1" };
    QTest::newRow("text ending inside a tag keeps the tag's style") << "<a hr" << QStringList { "<a:1", " :8", "hr:3" };
}

void TestLexer::runs()
{
    QFETCH(QString, text);
    QFETCH(QStringList, runs);
    DocumentLists lists;
    RecordingSink sink(text);
    LexerModule::findByName(u"xml")->lex(0, text.size(), 0, lists.pointers, sink);
    QCOMPARE(sink.runs, runs);
}

void TestLexer::skippingGivesTheSameRuns_data()
{
    QTest::addColumn<QString>("text");
    for (const QString& path : markupFixturePaths())
        QTest::newRow(qPrintable(QFileInfo(path).fileName())) << readUtf8File(path);
    QTest::newRow("unknown tag pieces of every kind")
        << "<x a=\"b c\" d='e&amp;f' g=h+i(j) k=%l? m=[n] o!p q/r s>t</x><y/ ><z ?>";
    QTest::newRow("a piece breaker that starts a known word") << "<x =script 'img \"br>text<x\n\ta=1\r\n>";
    QTest::newRow("skipped stretch before a script regex") << "<a>   </a><script>x = (  /re/ )</script>";
}

// Tight loops skip the characters that a state ignores; they must not change
// a single run.
void TestLexer::skippingGivesTheSameRuns()
{
    QFETCH(QString, text);
    DocumentLists lists;
    RecordingSink stepped(text);
    HtmlLexer::detail::MarkupLexer<ILexerSink>(lists.pointers, stepped, false).run(0, text.size(), 0);
    RecordingSink skipped(text);
    HtmlLexer::detail::MarkupLexer<ILexerSink>(lists.pointers, skipped, true).run(0, text.size(), 0);
    QCOMPARE(skipped.runs, stepped.runs);

    // A merging sink gets the same runs, except that plain pieces that
    // follow one another may come as one.
    MergingSink merging(text);
    HtmlLexer::detail::MarkupLexer<MergingSink>(lists.pointers, merging, true).run(0, text.size(), 0);
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
}

void TestLexer::runsCoverEveryPrefix_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("markup")
        << "<?xml version='1.0'?><!DOCTYPE a [<!ENTITY % b 'c'>]><a x=\"1\"><!-- c --><b/>&amp;</a>";
    QTest::newRow("scripts") << "<script>a = /x\\/y/g; b = \"</s>\"; // c\n</script><% d %><?php $e = \"${f}\" ?>";
    QTest::newRow("other script languages")
        << "<script language=vbscript>rem </b>\nx = \"y\"</script><script type=python>'''</b>''' # c\n</script>";
}

// Whatever the text, the runs, taken in order, are the text.
void TestLexer::runsCoverEveryPrefix()
{
    QFETCH(QString, text);
    DocumentLists lists;
    for (int length = 0; length <= text.size(); ++length) {
        const QString prefix = text.left(length);
        RecordingSink sink(prefix);
        LexerModule::findByName(u"hypertext")->lex(0, prefix.size(), 0, lists.pointers, sink);
        QString joined;
        for (const QString& run : sink.runs)
            joined += run.left(run.lastIndexOf(QLatin1Char(':')));
        QCOMPARE(joined, prefix);
    }
}

QTEST_GUILESS_MAIN(TestLexer)
#include "tst_lexer.moc"
