#include "support/MarkupFixtures.h"
#include "support/ScratchFiles.h"
#include "support/TestRows.h"

#include "markup/Accessor.h"
#include "markup/CElement.h"
#include "markup/Utf8.h"

#include <QtTest>

// Writes the children of a node compactly: an element as name[start tag](children)[end tag], parts left
// out when empty; a text node as "text"; a child whose parent() is not the node that lists it with a "!".
static QString dumpChildren(const CElement* node)
{
    QStringList parts;
    for (const CElement* child : node->children()) {
        const QString text = '"' + child->text() + '"';
        QString out = child->parent() == node ? "" : "!";
        if (child->name().isEmpty() && child->startTag().isEmpty())
            out += text;
        else
            out += child->name() + '[' + child->startTag() + ']' + (child->text().isEmpty() ? "" : text);
        if (!child->children().empty())
            out += '(' + dumpChildren(child) + ')';
        if (!child->endTag().isEmpty())
            out += '[' + child->endTag() + ']';
        parts << out;
    }
    return parts.join(' ');
}

// Whether every node's markup is its own pieces around its children's markup, as a walk of the tree writes it:
// the markup of a node of a parsed tree is copied as one range of the source instead.
static bool markupIsItsPieces(const CElement* root)
{
    for (const CElement* node = root; node; node = node->nextInPreOrder(root)) {
        QString inner = node->text();
        for (const CElement* child = node->firstChild(); child; child = child->nextSibling())
            inner += child->outerMarkup();
        if (node->innerMarkup() != inner || node->outerMarkup() != node->startTag() + inner + node->endTag()
            || node->innerMarkupUtf8() != inner.toUtf8())
            return false;
    }
    return true;
}

// Broken UTF-16: the lone surrogate must not swallow the letter after it when the name is lower-cased.
static const QString surrogateName = "a" + QString(QChar(0xd800)) + "T\u00dd";

class TestMarkup : public QObject
{
    Q_OBJECT

private slots:
    void treeOfText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tree"); // null: not compared
        addTestRow("names lower-cased, end tag any case", "<A HREF='x'>t</A>", "a[<A HREF='x'>](\"t\")[</A>]");
        addTestRow("end tag closes several levels", "<a><b><c>x</a>y", "a[<a>](b[<b>](c[<c>](\"x\")))[</a>] \"y\"");
        addTestRow("end tag found above the nearest levels, and among those opened after a search",
            "<a><b><c><d><e></q><f><g><h><i><j>x</F>y</A>",
            "a[<a>](b[<b>](c[<c>](d[<d>](e[<e>](\"</q>\" f[<f>](g[<g>](h[<h>](i[<i>](j[<j>](\"x\")))))[</F>] "
            "\"y\")))))[</A>]");
        addTestRow("end tag matching nothing stays text", "</q>", "\"</q>\"");
        addTestRow("end tag unlike the current name in one character, in the first four or after them",
            "<abcde><abcdf><xbcdf>x</abcde>y<ab><ac>z</ab>",
            "abcde[<abcde>](abcdf[<abcdf>](xbcdf[<xbcdf>](\"x\")))[</abcde>] \"y\" ab[<ab>](ac[<ac>](\"z\"))[</ab>]");
        addTestRow("blank before an end tag's \">\"", "<a>x</a >y", "a[<a>](\"x\")[</a >] \"y\"");
        addTestRow("self-closed element with attributes", "<menu-item a='1'/>x", "menu-item[<menu-item a='1'/>] \"x\"");
        addTestRow("link is void, so its end tag is text", "<link>...</link>", "link[<link>] \"...</link>\"");
        addTestRow("void elements inside", "<p><img x><br/>t</p>", "p[<p>](img[<img x>] br[<br/>] \"t\")[</p>]");
        addTestRow("unclosed elements stay open to the end", "<a><b>", "a[<a>](b[<b>])");
        addTestRow("comments: inside an element, body opening with \"<\" one comment, \"<!-->\" not closing, "
                   "\"<!---->\" whole",
            "<a><!-- <b> --></a><a><!--<b id=\"x\">--></a><!-->x-->y<!---->y<!--<c>\n<d/>--><e/>",
            "a[<a>](!--[<!-- <b> -->])[</a>] a[<a>](!--[<!--<b id=\"x\">-->])[</a>] !--[<!-->x-->] "
            "\"y\" !--[<!---->] \"y\" !--[<!--<c>\n<d/>-->] e[<e/>]");
        addTestRow("declarations, CDATA, PHP (with \"?>\" in a string) and server blocks are text",
            "<?xml version=\"1.0\"?>\n<a/><!DOCTYPE a [<!ENTITY x \"<b>\">]><a/><a><![CDATA[<b>]]></a><?php $a = "
            "'?><b>'; ?><c/><% x %><a/><!doctype html><p>",
            "\"<?xml version=\"1.0\"?>\n\" a[<a/>] \"<!DOCTYPE a [<!ENTITY x \"<b>\">]>\" a[<a/>] "
            "a[<a>](\"<![CDATA[<b>]]>\")[</a>] \"<?php $a = '?><b>'; ?>\" c[<c/>] \"<% x %>\" a[<a/>] \"<!doctype "
            "html>\" p[<p>]");
        addTestRow("text before and after an XML declaration, an entity's included, is one text node with it",
            "<a>&amp;<?xml version=\"1.0\"?>y</a>", "a[<a>](\"&amp;<?xml version=\"1.0\"?>y\")[</a>]");
        addTestRow("invalid entity uses up the \"<\" after it", "a&<b>c", "\"a&<b>c\"");
        addTestRow("\">\", \"<\", \"/>\" and \"<!--\" in quoted values end no tag, known or unknown",
            "<x l=\"a>b\" m = 'c<d' n=\"/>\" o=\"<!--\">c</x><a t=\"x>y\" u='<!--'>z</a><menuitem e=\"s.length > 0\"/>",
            "x[<x l=\"a>b\" m = 'c<d' n=\"/>\" o=\"<!--\">](\"c\")[</x>] a[<a t=\"x>y\" u='<!--'>](\"z\")[</a>] "
            "menuitem[<menuitem e=\"s.length > 0\"/>]");
        addTestRow("a quote that opens no value, or never closes, leaves \">\" ending the tag", "<x \"a>b\"><y a=\"b>c",
            "x[<x \"a>](\"b\">\" y[<y a=\"b>](\"c\"))");
        addTestRow("a name, \"!\" or \"[\" straight after a value is read as the tag's other pieces are",
            "<x a=\"1\"script>'</x>'</x><x=\"-p>\"!c;>t</x><t%[ca=\"[i\"!b'?>u<y a='1'[b>v", QString());
        addTestRow("\"/\" pieces of an unknown tag that name no word: the tag is read whole",
            "<x f=\"a/bc/d.e\" g=/y/>t<x a/z>u</x>", "x[<x f=\"a/bc/d.e\" g=/y/>] \"t\" x[<x a/z>](\"u\")[</x>]");
        addTestRow("\"/\" piece of an unknown tag that names a word: the rest is a known tag's",
            "<x f=\"a/b\" g='>'>t</x>", "x[<x f=\"a/b\" g='>'>](\"t\")[</x>]");
        addTestRow("\"/\" piece of an unknown tag that names a script: a string in it keeps \"</\"",
            "<b><x a=/script>'</b>'</b>", "b[<b>](x[<x a=/script>](\"'</b>'\"))[</b>]");
        addTestRow("\"<\" inside an unknown tag opens an element", "<x a<b>", "x[<x a](b[<b>])");
        addTestRow("\"<\" and a space open an element without a name", "a < b", "\"a \" [< b]");
        addTestRow("\"</>\" after text closes the text node in place", "x</>y", "\"x\"[</>] \"y\"");
        addTestRow("\"</>\" at the top stays at its place", "</>y", "\"</>\" \"y\"");
        addTestRow("scripts: strings and comments keep \"</\", others end the code, src and VBScript differ",
            "<script>a < b '</b>'</script><script>x = \"</b>\";</script><script>/* </b> */</script><script>// "
            "</script>x<script>// </b>\n</script><script>a</b><i>c</i></script><script src=a><b></b></script><script "
            "language=\"vbscript\">x = \"</b>\"</script>",
            "script[<script>](\"a < b '</b>'\")[</script>] script[<script>](\"x = \"</b>\";\")[</script>] "
            "script[<script>](\"/* </b> */\")[</script>] script[<script>](\"// \")[</script>] \"x\" "
            "script[<script>](\"// </b>\n\")[</script>] script[<script>](\"a</b>\" i[<i>](\"c\")[</i>])[</script>] "
            "script[<script src=a>](b[<b>][</b>])[</script>] script[<script language=\"vbscript\">](\"x = "
            "\"</b>\"\")[</script>]");
        addTestRow("CRLF line ends are kept", "<a>\r\n<b/>\r\n</a>", "a[<a>](\"\r\n\" b[<b/>] \"\r\n\")[</a>]");
        const QString tag = '<' + surrogateName + '>', lower = "a" + QString(QChar(0xd800)) + "t\u00fd";
        addTestRow("lone surrogate in a name", tag + "x</" + surrogateName + '>',
            lower + '[' + tag + "](\"x\")[</" + surrogateName + ">]");
        for (const QString& path : markupFixturePaths(true))
            QTest::newRow(qPrintable(QFileInfo(path).fileName()))
                << QString::fromUtf8(ScratchFiles::readFile(path)) << QString();
    }

    // Every text, and every prefix of the shorter ones, is written back as it came.
    void treeOfText()
    {
        QFETCH(QString, text);
        QFETCH(QString, tree);
        QVERIFY(!tree.isNull() || !text.isEmpty()); // else a file could not be read
        Accessor document;
        document.parse(text);
        if (!tree.isNull())
            QCOMPARE(dumpChildren(document.root()), tree);
        QCOMPARE(document.toString(), text);
        QCOMPARE(document.root()->innerMarkup(), text);
        // Written from the tree straight to UTF-8: the bytes the text encodes to.
        QCOMPARE(document.root()->outerMarkupUtf8(), text.toUtf8());
        QCOMPARE(document.root()->innerMarkupUtf8(), text.toUtf8());
        QVERIFY(markupIsItsPieces(document.root()));
        for (const CElement* node : document.root()->children())
            QCOMPARE(node->hasEmptyEndTag(), node->endTag().isEmpty());
        // The tags the lexer hands over whole build what their runs build.
        Accessor stepped;
        stepped.parseStepByStep(text);
        QCOMPARE(dumpChildren(document.root()), dumpChildren(stepped.root()));
        for (int length = 0; length < text.size() && text.size() <= 20000; ++length) {
            document.parse(text.left(length));
            if (document.root()->innerMarkup() != text.left(length)
                || document.root()->innerMarkupUtf8() != text.left(length).toUtf8())
                QFAIL(qPrintable(QStringLiteral("round trip fails at length %1").arg(length)));
            if (text.size() > 2000)
                continue;
            // Prefixes of the rows written here, not of the larger files.
            if (text.size() <= 400 && !markupIsItsPieces(document.root()))
                QFAIL(qPrintable(QStringLiteral("markup of a node differs from its pieces at length %1").arg(length)));
            stepped.parseStepByStep(text.left(length));
            if (dumpChildren(document.root()) != dumpChildren(stepped.root()))
                QFAIL(qPrintable(QStringLiteral("trees differ at length %1").arg(length)));
        }
    }

    void namesLowerCased_data()
    {
        QTest::addColumn<QChar>("character"); // put at each place of names of every length up to 9
        addTestRow("capital A", QChar('A'));
        addTestRow("capital Z", QChar('Z'));
        addTestRow("\"[\", just after them", QChar('['));
        addTestRow("\":\", before them", QChar(':'));
        addTestRow("small letter", QChar('z'));
        addTestRow("capital beyond ASCII", QChar(0x00c9));
        addTestRow("first beyond ASCII", QChar(0x80));
    }

    // Names are tested for what lower-casing would change several characters at a time: each place of a name
    // must be looked at, whatever the length.
    void namesLowerCased()
    {
        QFETCH(QChar, character);
        for (int length = 1; length <= 9; ++length) {
            for (int place = 0; place < length; ++place) {
                QString name(length, QChar('b'));
                name[place] = character;
                Accessor document;
                document.parse('<' + name + "/>");
                QCOMPARE(document.root()->children().front()->name(), name.toLower());
            }
        }
    }

    // Up to eight attributes read in one pass, through the element and again
    // through its start tag's text; both must agree.
    static QStringList attributesTogether(const CElement* element, const QStringList& names)
    {
        QByteArray latin[8];
        QString values[8];
        QString again[8];
        for (int k = 0; k < 8; ++k)
            latin[k] = k < names.size() ? names.at(k).toLatin1() : "unasked" + QByteArray::number(k);
        // The list is built in the call: its array lives no longer than the call.
        const auto readInto = [&latin](QString* out, auto read) {
            read({ { QLatin1String(latin[0]), &out[0] }, { QLatin1String(latin[1]), &out[1] },
                { QLatin1String(latin[2]), &out[2] }, { QLatin1String(latin[3]), &out[3] },
                { QLatin1String(latin[4]), &out[4] }, { QLatin1String(latin[5]), &out[5] },
                { QLatin1String(latin[6]), &out[6] }, { QLatin1String(latin[7]), &out[7] } });
        };
        using Wanted = std::initializer_list<CElement::WantedAttribute>;
        readInto(values, [element](Wanted wanted) { element->attributes(wanted); });
        readInto(again, [element](Wanted wanted) { CElement::attributesOf(element->startTag(), wanted); });
        QStringList together;
        for (int k = 0; k < int(names.size()); ++k) {
            if (again[k] != values[k] || again[k].isNull() != values[k].isNull())
                return { QStringLiteral("start tag read apart differs") };
            together << values[k];
        }
        return together;
    }

    void queries_data()
    {
        QTest::addColumn<QString>("text");
        // "@name": the first node's attribute, "@@name,name...": several of its attributes read together,
        // "#id": elementById, else a tag name
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("found"); // "|"-separated: values, or start tags of the elements found
        addTestRow("attribute: case, quotes, white space, repeats, valueless, a backslash as it stands, &amp; once, not the tag name",
            "<A\n HREF = 'sp ace' x=1 x=2 v=\"C:\\dw\\\" t='say \"hi\"' e=\"&amp;amp;&lt;\" w y=\"2\"\r\n\tk=\"v\"/>",
            "@href @HREF @x @v @t @e @w @y @k @a", "sp ace|sp ace|1|C:\\dw\\|say \"hi\"|&amp;&lt;||2|v|");
        addTestRow("attribute: unterminated quote gives nothing", "<a v=\"unterminated>", "@v", "");
        addTestRow("attribute: equals sign and nothing after it", "<a x=", "@x", "");
        addTestRow("attributes together: read as one at a time, first of a name, valueless, backslash, case",
            "<A\n HREF = 'sp ace' x=1 x=2 v=\"C:\\dw\\\" e=\"&amp;amp;&lt;\" w y=\"2\"\r\n\tk=\"v\" X=3/>",
            "@@k,x,href,w,e,v,none,y", "v|1|sp ace||&amp;&lt;|C:\\dw\\||2");
        addTestRow(
            "attributes together: an unterminated quote ends the tag", "<a x=1 v=\"open y=2 z>", "@@z,v,y,x", "|||1");
        addTestRow("attributes together: equals sign and nothing after it", "<a y=\"&amp;\" x=", "@@x,y", "|&");
        addTestRow("attribute: text node has none", "x=\"1\" <a x=\"2\"/>", "@x", "");
        // Names and values longer than a block of eight characters, ended at
        // different places in a block, by white space beyond ASCII too.
        const char* longTag = "<menuitem-long-name\tattribute-name-longer=\"value longer than 8 \\ with a backslash\" "
                              "second-attribute-name =  'another long value ending in a backslash\\\\' "
                              "x\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9y=\"1234567\" third\u3000key=\"k\" "
                              "quoteatend=\"abcdefg\"/>";
        const char* longValues = "value longer than 8 \\ with a backslash|another long value ending in a backslash\\\\|"
                                 "1234567||k|abcdefg";
        addTestRow("attribute: long names and values, ended anywhere in a block", longTag,
            "@attribute-name-longer @second-attribute-name @x\u00c9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9y @third "
            "@key "
            "@quoteatend",
            longValues);
        addTestRow("attributes together: long names and values, ended anywhere in a block", longTag,
            "@@attribute-name-longer,second-attribute-name,x\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9y,third,"
            "key,"
            "quoteatend",
            longValues);
        const char* menus = "<menubar><menu id=\"a\"><menuitem id=\"1\"/></menu><!-- x --><MENU id=\"b\"><menu "
                            "id=\"y\" ID=\"z\"/></MENU><c id=\"y\"/></menubar>";
        addTestRow("tag name: pre-order, any case, comments by their name, none found", menus, "menu !-- item",
            "<menu id=\"a\">|<MENU id=\"b\">|<menu id=\"y\" ID=\"z\"/>|<!-- x -->");
        addTestRow("tag name: empty name gives the root and text nodes", "a<b>c</b>", "", "||");
        addTestRow(
            "tag name: with a lone surrogate", "<" + surrogateName + ">x", surrogateName, "<" + surrogateName + ">");
        addTestRow("id: first in pre-order, compared exactly", menus, "#y #A", "<menu id=\"y\" ID=\"z\"/>|");
        addTestRow("id: attribute name without case, &amp; decoded", "<c ID=\"z\"/><d id=\"a&amp;b\"/>", "#z #a&b",
            "<c ID=\"z\"/>|<d id=\"a&amp;b\"/>");
    }

    void queries()
    {
        QFETCH(QString, text);
        QFETCH(QString, query);
        QFETCH(QString, found);
        Accessor document;
        document.parse(text);
        QStringList results;
        for (const QString& one : query.split(' ')) {
            if (one.startsWith(QLatin1String("@@"))) {
                const CElement* element = document.root()->children().front();
                const QStringList names = one.mid(2).split(',');
                const QStringList together = attributesTogether(element, names);
                for (int k = 0; k < names.size(); ++k) {
                    const QString alone = element->attribute(names.at(k));
                    QCOMPARE(together.at(k), alone);
                    QCOMPARE(together.at(k).isNull(), alone.isNull());
                }
                results << together;
            } else if (one.startsWith('@')) {
                QCOMPARE(document.root()->attribute(one.mid(1)), QString());
                results << document.root()->children().front()->attribute(one.mid(1));
            } else if (one.startsWith('#')) {
                const CElement* element = document.elementById(one.mid(1));
                results << (element ? element->startTag() : QString());
            } else {
                for (CElement* element : document.elementsByTagName(one))
                    results << element->startTag();
            }
        }
        QCOMPARE(results.join('|'), found);
    }

    void edits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("target"); // the first node of that tag name; "": the root, "#": the first text node
        QTest::addColumn<QString>("edits"); // "operation:text", separated by spaces
        QTest::addColumn<QString>("result");
        addTestRow("added child lands before the end tag", "<r>\n<m>old</m>\n</r>", "m", "addChild:<x/>",
            "<r>\n<m>old<x/></m>\n</r>");
        addTestRow("own text of an element with children follows its start tag", "<m>old</m>", "m",
            "addChild:<x/> setText:first", "<m>firstold<x/></m>");
        addTestRow("sibling before first child", "<r><a/><b/></r>", "a", "addSiblingBefore:NEW", "<r>NEW<a/><b/></r>");
        addTestRow("sibling between children", "<r><a/><b/></r>", "b", "addSiblingBefore:NEW", "<r><a/>NEW<b/></r>");
        addTestRow("sibling of the root ends the document", "<a/>", "", "addSiblingBefore:NEW", "<a/>NEW");
        addTestRow("clear keeps the space around", "<r>\n  <m><i/>t</m>\n</r>", "m", "clear:", "<r>\n  \n</r>");
        addTestRow("text node emptied", "<a>old</a>", "#", "setText:", "<a></a>");
        addTestRow("text node set twice", "<a>old</a>", "#", "setText:new setText:newer", "<a>newer</a>");
        addTestRow("text node set, then emptied", "<a>old</a>", "#", "setText:new setText:", "<a></a>");
        addTestRow("unclosed element gets a child at the end", "<a><b>x", "a", "addChild:y", "<a><b>xy");
        addTestRow("text beyond ASCII longer in bytes than the range it replaces", "<r>\n<m>old</m>\n</r>", "m",
            "setText:\u00e9t\u00e9\u4e2d addChild:\U0001f600", "<r>\n<m>\u00e9t\u00e9\u4e2dold\U0001f600</m>\n</r>");
    }

    void edits()
    {
        QFETCH(QString, text);
        QFETCH(QString, target);
        QFETCH(QString, edits);
        QFETCH(QString, result);
        Accessor document;
        document.parse(text);
        CElement* node = document.elementsByTagName(target == "#" ? "" : target).at(target == "#" ? 1 : 0);
        for (const QString& edit : edits.split(' ')) {
            const QString operation = edit.section(':', 0, 0), argument = edit.section(':', 1);
            if (operation == "clear")
                node->clear();
            else if (operation == "setText")
                node->setText(argument.isEmpty() ? QString() : argument);
            else
                (operation == "addChild" ? node->addChild() : node->addSiblingBefore())->setText(argument);
        }
        QCOMPARE(document.toString(), result);
        // The UTF-8 write-out walks the edited tree as the UTF-16 one does.
        QCOMPARE(document.root()->outerMarkupUtf8(), result.toUtf8());
        QCOMPARE(node->outerMarkupUtf8(), node->outerMarkup().toUtf8());
        QCOMPARE(node->innerMarkupUtf8(), node->innerMarkup().toUtf8());
        // Edits below a node leave its own pieces where the parse put them.
        QVERIFY(markupIsItsPieces(document.root()));
        QCOMPARE(node->hasEmptyEndTag(), node->endTag().isEmpty());
        // Empty, never null, however the text was set: callers tell "no text node" by null.
        QVERIFY(!node->text().isNull());
        // A child whose parent() is wrong is written with a "!"; no row holds one.
        QVERIFY(!dumpChildren(document.root()).contains('!'));
        // A new parse takes the written text as it is, and nothing of the edits.
        document.root()->setText("lost");
        document.parse(result);
        QCOMPARE(document.toString(), result);
    }

    void namedNeighbours_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("target"); // the first node of that tag name
        QTest::addColumn<QString>("operation"); // addChild or addSiblingBefore
        QTest::addColumn<QString>("neighbour"); // the node named as the last child or the previous sibling:
                                                // a tag name, "" for none, "other:" + a tag name for one of a copy
        QTest::addColumn<QString>("result");
        addTestRow("last child named", "<r><a/><b/></r>", "r", "addChild", "b", "<r><a/><b/>NEW</r>");
        addTestRow("last child named wrongly", "<r><a/><b/></r>", "r", "addChild", "a", "<r><a/><b/>NEW</r>");
        addTestRow("no child named where there are some", "<r><a/><b/></r>", "r", "addChild", "", "<r><a/><b/>NEW</r>");
        addTestRow("last child named from another document", "<r><a/><b/></r>", "r", "addChild", "other:b",
            "<r><a/><b/>NEW</r>");
        addTestRow("no child named where there is none", "<r></r>", "r", "addChild", "", "<r>NEW</r>");
        addTestRow("previous sibling named", "<r><a/><b/></r>", "b", "addSiblingBefore", "a", "<r><a/>NEW<b/></r>");
        addTestRow("previous sibling named wrongly", "<r><a/><b/><c/></r>", "c", "addSiblingBefore", "a",
            "<r><a/><b/>NEW<c/></r>");
        addTestRow("no previous sibling named where there is one", "<r><a/><b/></r>", "b", "addSiblingBefore", "",
            "<r><a/>NEW<b/></r>");
        addTestRow("previous sibling named from another document", "<r><a/><b/></r>", "b", "addSiblingBefore",
            "other:a", "<r><a/>NEW<b/></r>");
        addTestRow("no previous sibling named for the first child", "<r><a/><b/></r>", "a", "addSiblingBefore", "",
            "<r>NEW<a/><b/></r>");
    }

    // A caller may name the neighbour a new node is linked to, from a list it
    // keeps; a name that has gone stale must not lose nodes.
    void namedNeighbours()
    {
        QFETCH(QString, text);
        QFETCH(QString, target);
        QFETCH(QString, operation);
        QFETCH(QString, neighbour);
        QFETCH(QString, result);
        Accessor document, copy;
        document.parse(text);
        copy.parse(text);
        CElement* node = document.elementsByTagName(target).at(0);
        const QString name = neighbour.section(':', -1);
        CElement* named = name.isEmpty()
            ? nullptr
            : (neighbour.startsWith("other:") ? copy : document).elementsByTagName(name).at(0);
        (operation == "addChild" ? node->addChild(named) : node->addSiblingBefore(named))->setText("NEW");
        QCOMPARE(document.toString(), result);
        QCOMPARE(copy.toString(), text);
        QVERIFY(!dumpChildren(document.root()).contains('!'));
    }

    void deepNesting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("elements");
        const auto times = [](const char* text, int count) { return QString(text).repeated(count); };
        addTestRow("200000 unclosed elements", times("<a>", 200000), 200000);
        addTestRow("100000 closed elements", times("<a>", 100000) + times("</a>", 100000), 100000);
        // Each end tag matches nothing open: looking for what it closes must
        // not cost a walk up the whole depth every time.
        addTestRow("100000 open elements, then 100000 unmatched end tags", times("<a>", 100000) + times("</b>", 100000),
            100000);
        addTestRow("unmatched end tags of changing names", times("<a>", 50000) + times("</b></c></>", 50000), 50000);
        addTestRow("open elements interleaved with unmatched end tags", times("<a></b>", 100000), 100000);
        addTestRow("100000 nested elements, each with a comment", times("<b x='1'><!--c-->", 100000), 100000);
    }

    // Every walk over the tree is a loop: a recursive one would overflow the
    // stack on these depths.
    void deepNesting()
    {
        QFETCH(QString, text);
        QFETCH(int, elements);
        auto document = std::make_unique<Accessor>();
        document->parse(text);
        QCOMPARE(document->toString(), text);
        const QString name = text.mid(1, 1);
        QCOMPARE(static_cast<int>(document->elementsByTagName(name).size()), elements);
        QVERIFY(!document->elementById(QStringLiteral("none")));
        CElement* first = document->root()->children().front();
        // Inserted markup is text until the document is parsed again.
        first->addChild()->setText(QStringLiteral("<z/>"));
        QCOMPARE(document->toString().size(), text.size() + 4);
        QVERIFY(document->elementsByTagName(QStringLiteral("z")).empty());
        first->clear();
        QCOMPARE(document->toString(), QString());
        QVERIFY(document->elementsByTagName(name).empty());
    }

    // Our UTF-8 codec must give Qt's bytes and text exactly, whatever the
    // input, wherever in a block of 16 the awkward character falls.
    void utf8AsQt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        const QChar high(0xd83d), low(0xde00);
        addTestRow("ascii", QString("<a b=\"c\"/>"), QByteArray("<a b=\"c\"/>"));
        addTestRow("two-byte character", QString("\u00e9t\u00e9"), QByteArray("\xc3\xa9t\xc3\xa9"));
        addTestRow("three-byte characters", QString("\u0434\u20ac\u4e2d"), QByteArray("\xe2\x82\xac\xe4\xb8\xad"));
        addTestRow("four-byte character", QString(high) + low, QByteArray("\xf0\x9f\x98\x80\xf4\x8f\xbf\xbf"));
        addTestRow(
            "lone high surrogate before ascii; an encoded surrogate", QString(high) + "x", QByteArray("\xed\xa0\x80x"));
        addTestRow("lone high surrogate at the end; an overlong form", "x" + QString(high), QByteArray("x\xc0\x80"));
        addTestRow("lone low surrogate; stray continuations and a cut-off lead", QString(low) + high + high + low,
            QByteArray("\x80\xbf x\xc3"));
        addTestRow("high surrogate before a two-byte character; past U+10FFFF", QString(high) + "\u00e9",
            QByteArray("\xf4\x90\x80\x80\xf5\x80"));
        addTestRow(
            "noncharacters", QString("\ufdd0\ufffe\uffff"), QByteArray("\xef\xbf\xbe\xef\xb7\x90\xf0\x9f\xbf\xbf"));
        addTestRow("byte-order mark", QString("\ufeffx\ufeff"), QByteArray("\xef\xbb\xbfx\xef\xbb\xbf"));
        addTestRow("three-byte characters past the room first made, then ascii",
            QString(30, QChar(0x4e2d)) + QString(50, 'a'),
            QByteArray("\xe4\xb8\xad").repeated(30) + QByteArray(50, 'a'));
        addTestRow("overlong and truncated", QString("\u07ff\u0800"), QByteArray("\xe0\x80\xaf\xe2\x82"));
    }

    void utf8AsQt()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        for (int before = 0; before <= 33; ++before) {
            const QString padding = QString(before, 'p');
            for (const QString& shown : { padding + text, padding + text + padding, text + padding }) {
                QCOMPARE(Utf8::encode(shown), shown.toUtf8());
                QCOMPARE(Utf8::encodedLength(shown), qsizetype(shown.toUtf8().size()));
                QByteArray appended("kept");
                Utf8::append(appended, shown);
                QCOMPARE(appended, "kept" + shown.toUtf8());
            }
            const QByteArray bytePadding(before, 'p');
            for (const QByteArray& shown :
                { bytePadding + bytes, bytePadding + bytes + bytePadding, bytes + bytePadding }) {
                const QString decoded = Utf8::decode(shown);
                QCOMPARE(decoded, QString::fromUtf8(shown));
                QCOMPARE(decoded.size(), QString::fromUtf8(shown).size());
            }
        }
    }

    // Freed memory is kept per thread for the next document; a document that
    // outlives that store (this one, destroyed at exit after it) frees its own.
    void documentFreedAtExit()
    {
        static Accessor keptToExit;
        keptToExit.parse(QStringLiteral("<a>").repeated(5000));
        QCOMPARE(keptToExit.toString().size(), 15000);
    }
};

QTEST_GUILESS_MAIN(TestMarkup)
#include "tst_markup.moc"
