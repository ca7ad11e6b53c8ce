#include "support/MarkupFixtures.h"
#include "support/ScratchFiles.h"
#include "support/TestRows.h"

#include "markup/Accessor.h"
#include "markup/CElement.h"

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
        addTestRow("empty text gives no nodes", "", "");
        addTestRow("tag names are lower-cased, end tag matched without case", "<A HREF='x'>t</A>",
            "a[<A HREF='x'>](\"t\")[</A>]");
        addTestRow("end tag closes several levels, text after goes to the parent", "<a><b><c>x</a>y",
            "a[<a>](b[<b>](c[<c>](\"x\")))[</a>] \"y\"");
        addTestRow("end tag found above the nearest levels", "<a><b><c><d><e><f>x</A>y",
            "a[<a>](b[<b>](c[<c>](d[<d>](e[<e>](f[<f>](\"x\"))))))[</A>] \"y\"");
        addTestRow("end tag matching nothing stays text", "</q>", "\"</q>\"");
        addTestRow("self-closed element with attributes", "<menu-item a='1'/>x", "menu-item[<menu-item a='1'/>] \"x\"");
        addTestRow("link is void, so its end tag is text", "<link>...</link>", "link[<link>] \"...</link>\"");
        addTestRow("void elements inside an element", "<p><img src=x><br/>t</p>",
            "p[<p>](img[<img src=x>] br[<br/>] \"t\")[</p>]");
        addTestRow("unclosed elements stay open to the end", "<a><b>", "a[<a>](b[<b>])");
        addTestRow("comment inside an element", "<a><!-- <b> --></a>", "a[<a>](!--[<!-- <b> -->])[</a>]");
        addTestRow("comment body beginning with \"<\" is read as an element", "<a><!--<b id=\"x\">--></a>",
            "a[<a>](!--[<!--] b id=\"x\">-->[<b id=\"x\">-->])[</a>]");
        addTestRow("\"<!-->\" does not close the comment", "<!-->x-->y", "!--[<!-->x-->] \"y\"");
        addTestRow("\"<!---->\" is a whole comment", "<!---->y", "!--[<!---->] \"y\"");
        addTestRow("XML declaration is text", "<?xml version=\"1.0\"?>\n<a/>", "\"<?xml version=\"1.0\"?>\n\" a[<a/>]");
        addTestRow("lower-case doctype is text too", "<!doctype html><p>", "\"<!doctype html>\" p[<p>]");
        addTestRow("DOCTYPE with an internal subset", "<!DOCTYPE a [<!ENTITY x \"<b>\">]><a/>",
            "\"<!DOCTYPE a [<!ENTITY x \"<b>\">]>\" a[<a/>]");
        addTestRow(
            "CDATA is text, tags inside it are not", "<a><![CDATA[<b>]]></a>", "a[<a>](\"<![CDATA[<b>]]>\")[</a>]");
        addTestRow("invalid entity uses up the \"<\" after it", "a&<b>c", "\"a&<b>c\"");
        addTestRow("\">\" in a quoted value ends an unknown tag", "<item label=\"a>b\">c</item>",
            "item[<item label=\"a>](\"b\">c\")[</item>]");
        addTestRow("\">\" in a quoted value of a known tag does not", "<a title=\"x>y\">z</a>",
            "a[<a title=\"x>y\">](\"z\")[</a>]");
        addTestRow("\"<\" inside an unknown tag opens an element", "<x a<b>", "x[<x a](b[<b>])");
        addTestRow("\"<\" and a space open an element without a name", "a < b", "\"a \" [< b]");
        addTestRow("\"</>\" after text closes the text node in place", "x</>y", "\"x\"[</>] \"y\"");
        addTestRow("\"</>\" at the top stays at its place", "</>y", "\"</>\" \"y\"");
        addTestRow("script content is one text node", "<script>if (a < b) x = '</b>';</script>",
            "script[<script>](\"if (a < b) x = '</b>';\")[</script>]");
        addTestRow("\"</\" in a double-quoted script string does not end it", "<script>x = \"</b>\";</script>",
            "script[<script>](\"x = \"</b>\";\")[</script>]");
        addTestRow("\"</\" in a script block comment does not end it", "<script>/* </b> */</script>",
            "script[<script>](\"/* </b> */\")[</script>]");
        addTestRow("\"</script\" in a script line comment ends it", "<script>// </script>x",
            "script[<script>](\"// \")[</script>] \"x\"");
        addTestRow("other \"</\" in a script line comment does not", "<script>// </b>\n</script>",
            "script[<script>](\"// </b>\n\")[</script>]");
        addTestRow("\"</\" of any tag ends script code, markup follows", "<script>a</b><i>c</i></script>",
            "script[<script>](\"a</b>\" i[<i>](\"c\")[</i>])[</script>]");
        addTestRow("script with src holds markup", "<script src=\"a.js\"><b></b></script>",
            "script[<script src=\"a.js\">](b[<b>][</b>])[</script>]");
        addTestRow("VBScript strings keep \"</\"", "<script language=\"vbscript\">x = \"</b>\"</script>",
            "script[<script language=\"vbscript\">](\"x = \"</b>\"\")[</script>]");
        addTestRow("\"?>\" inside a PHP string does not end the block", "<?php $a = '?><b>'; ?><c/>",
            "\"<?php $a = '?><b>'; ?>\" c[<c/>]");
        addTestRow("server block is text", "<% x %><a/>", "\"<% x %>\" a[<a/>]");
        addTestRow("CRLF line ends are kept", "<a>\r\n<b/>\r\n</a>", "a[<a>](\"\r\n\" b[<b/>] \"\r\n\")[</a>]");
        const QString tag = '<' + surrogateName + '>', lower = "a" + QString(QChar(0xd800)) + "t\u00fd";
        addTestRow("lone surrogate in a name", tag + "x</" + surrogateName + '>',
            lower + '[' + tag + "](\"x\")[</" + surrogateName + ">]");
        // Fixtures, and real files of different kinds that Debian machines commonly have, whose trees are not written
        // out.
        QStringList files = markupFixturePaths();
        for (const char* path : { "/usr/share/mime/packages/freedesktop.org.xml", "/etc/fonts/fonts.conf",
                 "/usr/share/doc/fontconfig/fontconfig-user.html", "/usr/share/dbus-1/session.conf" })
            if (QFileInfo::exists(path))
                files << path;
        for (const QString& path : files)
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
        for (const CElement* node : document.root()->children())
            QCOMPARE(node->hasEmptyEndTag(), node->endTag().isEmpty());
        for (int length = 0; length < text.size() && text.size() <= 20000; ++length) {
            document.parse(text.left(length));
            if (document.toString() != text.left(length))
                QFAIL(qPrintable(QStringLiteral("round trip fails at length %1").arg(length)));
        }
    }

    void queries_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("query"); // "@name": the first node's attribute, "#id": elementById, else a tag name
        QTest::addColumn<QString>("found"); // an attribute's value, or the start tags of the elements found
        const char* tag = "<a x=\"1\" y=2 z>";
        addTestRow("attribute: attribute without value", tag, "@z", "");
        addTestRow("attribute: name is compared without case", "<A HREF='x'>", "@href", "x");
        addTestRow("attribute: asked name is compared without case", "<a href='x'>", "@HREF", "x");
        addTestRow("attribute: one level of &amp; is decoded", "<a t=\"A &amp;amp; B\">", "@t", "A &amp; B");
        addTestRow("attribute: no other entity is decoded", "<a t='it&apos;s &lt;'>", "@t", "it&apos;s &lt;");
        addTestRow("attribute: backslash keeps the quote after it", "<a v=\"a\\\"b\">", "@v", "a\\\"b");
        addTestRow("attribute: unterminated quote gives nothing", "<a v=\"unterminated>", "@v", "");
        addTestRow("attribute: white space around =", "<a  x = 'sp ace' >", "@x", "sp ace");
        addTestRow("attribute: first of two equal names wins", "<a x=1 x=2>", "@x", "1");
        addTestRow("attribute: valueless attribute does not swallow the next", "<a x y=\"2\">", "@y", "2");
        addTestRow("attribute: the tag name is not an attribute", "<a b=c>", "@a", "");
        addTestRow("attribute: across lines", "<menu\n\tid=\"m\"\r\n\tname=\"_File\">", "@name", "_File");
        addTestRow("attribute: value quoted with the other quote", "<a t='say \"hi\"'>", "@t", "say \"hi\"");
        addTestRow("attribute: self-closing slash is not part of a quoted value", "<b k=\"v\"/>", "@k", "v");
        addTestRow("attribute: equals sign and nothing after it", "<a x=", "@x", "");
        addTestRow("attribute: text node has none", "x=\"1\" <a x=\"2\"/>", "@x", "");
        const char* menus = "<menubar><menu id=\"a\"><menuitem id=\"1\"/></menu><!-- x -->"
                            "<MENU id=\"b\"><menu id=\"y\" ID=\"z\"/></MENU><c id=\"y\"/></menubar>";
        const char* allMenus = "<menu id=\"a\"> <MENU id=\"b\"> <menu id=\"y\" ID=\"z\"/>";
        addTestRow("tag name: pre-order, any case", menus, "menu", allMenus);
        addTestRow("tag name: comments by their name", menus, "!--", "<!-- x -->");
        addTestRow("tag name: empty name gives the root and text nodes", "a<b>c</b>", "", "  ");
        addTestRow("tag name: nothing found", menus, "item", "");
        addTestRow(
            "tag name: with a lone surrogate", "<" + surrogateName + ">x", surrogateName, "<" + surrogateName + ">");
        addTestRow("id: first in pre-order", menus, "#y", "<menu id=\"y\" ID=\"z\"/>");
        addTestRow("id: compared exactly", menus, "#A", "");
        addTestRow("id: attribute name compared without case", "<c ID=\"z\"/>", "#z", "<c ID=\"z\"/>");
        addTestRow("id: &amp; is decoded", "<c id=\"a&amp;b\"/>", "#a&b", "<c id=\"a&amp;b\"/>");
    }

    void queries()
    {
        QFETCH(QString, text);
        QFETCH(QString, query);
        QFETCH(QString, found);
        Accessor document;
        document.parse(text);
        QStringList results;
        if (query.startsWith('@')) {
            QCOMPARE(document.root()->attribute(query.mid(1)), QString());
            results << document.root()->children().front()->attribute(query.mid(1));
        } else if (query.startsWith('#')) {
            if (CElement* element = document.elementById(query.mid(1)))
                results << element->startTag();
        } else {
            for (CElement* element : document.elementsByTagName(query))
                results << element->startTag();
        }
        QCOMPARE(results.join(' '), found);
    }

    void edits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("edits");
        QTest::addColumn<QString>("result");
        // The target is the first node of that tag name, "" for the root and
        // "#" for the first text node; each edit is "operation:text".
        addTestRow("added child lands before the end tag", "<r>\n<m>old</m>\n</r>", "m", "addChild:<x/>",
            "<r>\n<m>old<x/></m>\n</r>");
        addTestRow("own text of an element with children follows its start tag", "<m>old</m>", "m",
            "addChild:<x/> setText:first", "<m>firstold<x/></m>");
        addTestRow(
            "sibling before the first child", "<r><a/><b/></r>", "a", "addSiblingBefore:NEW", "<r>NEW<a/><b/></r>");
        addTestRow(
            "sibling between two children", "<r><a/><b/></r>", "b", "addSiblingBefore:NEW", "<r><a/>NEW<b/></r>");
        addTestRow("sibling of the root ends the document", "<a/>", "", "addSiblingBefore:NEW", "<a/>NEW");
        addTestRow("clear keeps the space around", "<r>\n  <m><i/>t</m>\n</r>", "m", "clear:", "<r>\n  \n</r>");
        addTestRow("text node emptied", "<a>old</a>", "#", "setText:", "<a></a>");
        addTestRow("text node set twice", "<a>old</a>", "#", "setText:new setText:newer", "<a>newer</a>");
        addTestRow("unclosed element gets a child at the end", "<a><b>x", "a", "addChild:y", "<a><b>xy");
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
                node->setText(argument);
            else
                (operation == "addChild" ? node->addChild() : node->addSiblingBefore())->setText(argument);
        }
        QCOMPARE(document.toString(), result);
        QCOMPARE(node->hasEmptyEndTag(), node->endTag().isEmpty());
        // A child whose parent() is wrong is written with a "!"; no row holds one.
        QVERIFY(!dumpChildren(document.root()).contains('!'));
        // A new parse takes the written text as it is, and nothing of the edits.
        document.root()->setText("lost");
        document.parse(result);
        QCOMPARE(document.toString(), result);
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
};

QTEST_GUILESS_MAIN(TestMarkup)
#include "tst_markup.moc"
