#include "TestData.h"
#include "support/MarkupFixtures.h"
#include "support/MarkupTreeDump.h"

#include "markup/Accessor.h"
#include "markup/CElement.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestMarkup : public QObject
{
    Q_OBJECT

private slots:
    void treeOfText_data();
    void treeOfText();
    void attributeLookup_data();
    void attributeLookup();
    void attributeOfNodesWithoutStartTag();
    void elementsByTagName_data();
    void elementsByTagName();
    void elementById_data();
    void elementById();
    void emptyIdFindsTheFirstNodeOfTheWalk();
    void nameWithLoneSurrogateFindsItself();
    void addChildLandsBeforeTheEndTag();
    void addSiblingBefore_data();
    void addSiblingBefore();
    void clearRemovesTheSubtreeButNotTheSpaceAround();
    void setTextOnTextNodeReplacesItsCharacters();
    void insertedMarkupIsNotSeenUntilParsedAgain();
    void hasEmptyEndTag_data();
    void hasEmptyEndTag();
    void reparseDiscardsEditsAndRootText();
    void roundTripOfFixtures_data();
    void roundTripOfFixtures();
    void roundTripOfFilesOnThisMachine_data();
    void roundTripOfFilesOnThisMachine();
    void roundTripOfEveryPrefix_data();
    void roundTripOfEveryPrefix();
    void deepNesting_data();
    void deepNesting();
};

void TestMarkup::treeOfText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tree");

    QTest::newRow("empty text gives no nodes") << ""
                                               << "";
    QTest::newRow("tag names are lower-cased, end tag matched without case") << "<A HREF='x'>t</a>"
                                                                             << "a[<A HREF='x'>](\"t\")[</a>]";
    QTest::newRow("end tag closes the elements open below it") << "<p><b>x</p>"
                                                               << "p[<p>](b[<b>](\"x\"))[</p>]";
    QTest::newRow("end tag closes several levels, text after goes to the parent")
        << "<a><b><c>x</a>y"
        << "a[<a>](b[<b>](c[<c>](\"x\")))[</a>] \"y\"";
    QTest::newRow("end tag matching nothing stays text") << "</q>"
                                                         << "\"</q>\"";
    QTest::newRow("void element is a leaf") << "<br>text"
                                            << "br[<br>] \"text\"";
    QTest::newRow("self-closed unknown element is a leaf") << "<x/>"
                                                           << "x[<x/>]";
    QTest::newRow("self-closed known element with space") << "<br />"
                                                          << "br[<br />]";
    QTest::newRow("self-closed element with attributes") << "<menu-item a='1'/>x"
                                                         << "menu-item[<menu-item a='1'/>] \"x\"";
    QTest::newRow("link is void, so its end tag is text") << "<link>...</link>"
                                                          << "link[<link>] \"...</link>\"";
    QTest::newRow("void elements inside an element") << "<p><img src=x><br/>t</p>"
                                                     << "p[<p>](img[<img src=x>] br[<br/>] \"t\")[</p>]";
    QTest::newRow("unclosed elements stay open to the end") << "<a><b>"
                                                            << "a[<a>](b[<b>])";
    QTest::newRow("end tag case differs") << "<Menu></MENU>"
                                          << "menu[<Menu>][</MENU>]";
    QTest::newRow("white space between tags is text") << "<a>\n  <b/>\n</a>"
                                                      << "a[<a>](\"\n  \" b[<b/>] \"\n\")[</a>]";
    QTest::newRow("comment is a leaf holding the whole comment") << "<!-- c -->x"
                                                                 << "!--[<!-- c -->] \"x\"";
    QTest::newRow("comment inside an element") << "<a><!-- <b> --></a>"
                                               << "a[<a>](!--[<!-- <b> -->])[</a>]";
    QTest::newRow("comment body beginning with \"<\" is read as an element")
        << "<a><!--<b id=\"x\">--></a>"
        << "a[<a>](!--[<!--] b id=\"x\">-->[<b id=\"x\">-->])[</a>]";
    QTest::newRow("\"<!-->\" does not close the comment") << "<!-->x-->y"
                                                          << "!--[<!-->x-->] \"y\"";
    QTest::newRow("\"<!---->\" is a whole comment") << "<!---->y"
                                                    << "!--[<!---->] \"y\"";
    QTest::newRow("comment opened inside a quoted value of a known tag") << "<a t=\"<!--\">x-->y"
                                                                         << "a[<a t=\"](!--[<!--\">x-->] \"y\")";
    QTest::newRow("XML declaration is text") << "<?xml version=\"1.0\"?>\n<a/>"
                                             << "\"<?xml version=\"1.0\"?>\n\" a[<a/>]";
    QTest::newRow("DOCTYPE is text") << "<!DOCTYPE x>\n<a></a>"
                                     << "\"<!DOCTYPE x>\n\" a[<a>][</a>]";
    QTest::newRow("lower-case doctype is text too") << "<!doctype html><p>"
                                                    << "\"<!doctype html>\" p[<p>]";
    QTest::newRow("DOCTYPE with an internal subset") << "<!DOCTYPE a [<!ENTITY x \"<b>\">]><a/>"
                                                     << "\"<!DOCTYPE a [<!ENTITY x \"<b>\">]>\" a[<a/>]";
    QTest::newRow("CDATA is text, tags inside it are not") << "<a><![CDATA[<b>]]></a>"
                                                           << "a[<a>](\"<![CDATA[<b>]]>\")[</a>]";
    QTest::newRow("entity is text") << "a&amp;b"
                                    << "\"a&amp;b\"";
    QTest::newRow("invalid entity uses up the \"<\" after it") << "a&<b>c"
                                                               << "\"a&<b>c\"";
    QTest::newRow("\">\" in a quoted value ends an unknown tag") << "<item label=\"a>b\">c</item>"
                                                                 << "item[<item label=\"a>](\"b\">c\")[</item>]";
    QTest::newRow("\">\" in a quoted value of a known tag does not") << "<a title=\"x>y\">z</a>"
                                                                     << "a[<a title=\"x>y\">](\"z\")[</a>]";
    QTest::newRow("\"<\" inside an unknown tag opens an element") << "<x a<b>"
                                                                  << "x[<x a](b[<b>])";
    QTest::newRow("\"<\" and a space open an element without a name") << "a < b"
                                                                      << "\"a \" [< b]";
    QTest::newRow("nameless element takes what follows") << "< >x</a>"
                                                         << "[< >](\"x</a>\")";
    QTest::newRow("\"</>\" after text closes the text node in place") << "x</>y"
                                                                      << "\"x\"[</>] \"y\"";
    QTest::newRow("\"</>\" at the top stays at its place") << "</>y"
                                                           << "\"</>\" \"y\"";
    QTest::newRow("\"</>\" inside an element stays at its place") << "<a>x</>y</a>"
                                                                  << "a[<a>](\"x\"[</>] \"y\")[</a>]";
    QTest::newRow("\"</>\" right after a start tag stays at its place") << "<a></>b</a>"
                                                                        << "a[<a>](\"</>\" \"b\")[</a>]";
    QTest::newRow("script content is one text node") << "<script>if (a < b) x = '</b>';</script>"
                                                     << "script[<script>](\"if (a < b) x = '</b>';\")[</script>]";
    QTest::newRow("\"</\" in a double-quoted script string does not end it")
        << "<script>x = \"</b>\";</script>"
        << "script[<script>](\"x = \"</b>\";\")[</script>]";
    QTest::newRow("\"</\" in a script block comment does not end it") << "<script>/* </b> */</script>"
                                                                      << "script[<script>](\"/* </b> */\")[</script>]";
    QTest::newRow("\"</script\" in a script line comment ends it") << "<script>// </script>x"
                                                                   << "script[<script>](\"// \")[</script>] \"x\"";
    QTest::newRow("other \"</\" in a script line comment does not") << "<script>// </b>\n</script>"
                                                                    << "script[<script>](\"// </b>\n\")[</script>]";
    QTest::newRow("\"</\" of any tag ends script code, markup follows")
        << "<script>a</b><i>c</i></script>"
        << "script[<script>](\"a</b>\" i[<i>](\"c\")[</i>])[</script>]";
    QTest::newRow("script with src holds markup") << "<script src=\"a.js\"><b></b></script>"
                                                  << "script[<script src=\"a.js\">](b[<b>][</b>])[</script>]";
    QTest::newRow("VBScript strings keep \"</\"")
        << "<script language=\"vbscript\">x = \"</b>\"</script>"
        << "script[<script language=\"vbscript\">](\"x = \"</b>\"\")[</script>]";
    QTest::newRow("processing instruction is text") << "<?php echo 1; ?><a/>"
                                                    << "\"<?php echo 1; ?>\" a[<a/>]";
    QTest::newRow("\"?>\" inside a PHP string does not end the block") << "<?php $a = '?><b>'; ?><c/>"
                                                                       << "\"<?php $a = '?><b>'; ?>\" c[<c/>]";
    QTest::newRow("server block is text") << "<% x %><a/>"
                                          << "\"<% x %>\" a[<a/>]";
    QTest::newRow("CRLF line ends are kept") << "<a>\r\n<b/>\r\n</a>"
                                             << "a[<a>](\"\r\n\" b[<b/>] \"\r\n\")[</a>]";
}

void TestMarkup::treeOfText()
{
    QFETCH(QString, text);
    QFETCH(QString, tree);
    Accessor document;
    document.parse(text);
    QCOMPARE(dumpChildren(document.root()), tree);
    QCOMPARE(document.toString(), text);
}

void TestMarkup::attributeLookup_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");

    const QString tag = QStringLiteral("<a x=\"1\" y=2 z>");
    QTest::newRow("double-quoted value") << tag << "x"
                                         << "1";
    QTest::newRow("unquoted value") << tag << "y"
                                    << "2";
    QTest::newRow("attribute without value") << tag << "z"
                                             << "";
    QTest::newRow("missing attribute") << tag << "w"
                                       << "";
    QTest::newRow("name is compared without case") << "<A HREF='x'>"
                                                   << "href"
                                                   << "x";
    QTest::newRow("asked name is compared without case") << "<a href='x'>"
                                                         << "HREF"
                                                         << "x";
    QTest::newRow("one level of &amp; is decoded") << "<a t=\"A &amp;amp; B\">"
                                                   << "t"
                                                   << "A &amp; B";
    QTest::newRow("no other entity is decoded") << "<a t='it&apos;s &lt;'>"
                                                << "t"
                                                << "it&apos;s &lt;";
    QTest::newRow("backslash keeps the quote after it") << "<a v=\"a\\\"b\">"
                                                        << "v"
                                                        << "a\\\"b";
    QTest::newRow("unterminated quote gives nothing") << "<a v=\"unterminated>"
                                                      << "v"
                                                      << "";
    QTest::newRow("white space around =") << "<a  x = 'sp ace' >"
                                          << "x"
                                          << "sp ace";
    QTest::newRow("first of two equal names wins") << "<a x=1 x=2>"
                                                   << "x"
                                                   << "1";
    QTest::newRow("valueless attribute does not swallow the next") << "<a x y=\"2\">"
                                                                   << "y"
                                                                   << "2";
    QTest::newRow("the tag name is not an attribute") << "<a b=c>"
                                                      << "a"
                                                      << "";
    QTest::newRow("unknown element, > in value ends the tag") << "<item label=\"a>b\">"
                                                              << "label"
                                                              << "";
    QTest::newRow("attributes across lines") << "<menu\n\tid=\"m\"\r\n\tname=\"_File\">"
                                             << "name"
                                             << "_File";
    QTest::newRow("value quoted with the other quote") << "<a t='say \"hi\"'>"
                                                       << "t"
                                                       << "say \"hi\"";
    QTest::newRow("self-closing slash is not part of a quoted value") << "<b k=\"v\"/>"
                                                                      << "k"
                                                                      << "v";
    QTest::newRow("equals sign and nothing after it") << "<a x="
                                                      << "x"
                                                      << "";
}

void TestMarkup::attributeLookup()
{
    QFETCH(QString, text);
    QFETCH(QString, name);
    QFETCH(QString, value);
    Accessor document;
    document.parse(text);
    const auto children = document.root()->children();
    QVERIFY(!children.empty());
    QCOMPARE(children.front()->attribute(name), value);
}

void TestMarkup::attributeOfNodesWithoutStartTag()
{
    Accessor document;
    document.parse(QStringLiteral("x=\"1\" <a x=\"2\"/>"));
    QCOMPARE(document.root()->attribute(QStringLiteral("x")), QString());
    QCOMPARE(document.root()->children().front()->attribute(QStringLiteral("x")), QString());
}

void TestMarkup::elementsByTagName_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("startTags");

    const QString menus = QStringLiteral("<menubar><menu id=\"a\"><menuitem id=\"1\"/></menu><!-- x -->"
                                         "<MENU id=\"b\"><menu id=\"c\"/></MENU></menubar>");
    QTest::newRow("pre-order, any case") << menus << "menu"
                                         << QStringList { "<menu id=\"a\">", "<MENU id=\"b\">", "<menu id=\"c\"/>" };
    QTest::newRow("asked name is lower-cased")
        << menus << "MENU" << QStringList { "<menu id=\"a\">", "<MENU id=\"b\">", "<menu id=\"c\"/>" };
    QTest::newRow("comments by their name") << menus << "!--" << QStringList { "<!-- x -->" };
    QTest::newRow("empty name gives the root and text nodes") << "a<b>c</b>"
                                                              << "" << QStringList { "", "", "" };
    QTest::newRow("nothing found") << menus << "item" << QStringList {};
}

void TestMarkup::elementsByTagName()
{
    QFETCH(QString, text);
    QFETCH(QString, name);
    QFETCH(QStringList, startTags);
    Accessor document;
    document.parse(text);
    QStringList found;
    for (CElement* element : document.elementsByTagName(name))
        found << element->startTag();
    QCOMPARE(found, startTags);
}

void TestMarkup::elementById_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("startTag");

    const QString menus = QStringLiteral("<m><a id=\"x\"><b id=\"y\"/></a><c id=\"y\" ID=\"z\"/></m>");
    QTest::newRow("first in pre-order") << menus << "y"
                                        << "<b id=\"y\"/>";
    QTest::newRow("ids are compared exactly") << menus << "X"
                                              << "";
    QTest::newRow("attribute name is compared without case") << "<c ID=\"z\"/>"
                                                             << "z"
                                                             << "<c ID=\"z\"/>";
    QTest::newRow("&amp; in an id is decoded") << "<c id=\"a&amp;b\"/>"
                                               << "a&b"
                                               << "<c id=\"a&amp;b\"/>";
}

void TestMarkup::elementById()
{
    QFETCH(QString, text);
    QFETCH(QString, id);
    QFETCH(QString, startTag);
    Accessor document;
    document.parse(text);
    CElement* element = document.elementById(id);
    QCOMPARE(element ? element->startTag() : QString(), startTag);
}

void TestMarkup::emptyIdFindsTheFirstNodeOfTheWalk()
{
    Accessor document;
    document.parse(QStringLiteral("<a id=\"x\"><b/></a>"));
    QCOMPARE(document.elementById(QString()), document.root());
    CElement* a = document.root()->children().front();
    QCOMPARE(a->elementById(QString()), a->children().front());
}

void TestMarkup::nameWithLoneSurrogateFindsItself()
{
    // Broken UTF-16 in a tag name: the lone surrogate must not swallow the
    // letter after it when the name is lower-cased.
    const QChar surrogate(0xd800);
    const QString name = QStringLiteral("a") + surrogate + QStringLiteral("T\u00dd");
    const QString text = QLatin1Char('<') + name + QStringLiteral(">x</") + name + QLatin1Char('>');
    Accessor document;
    document.parse(text);
    QCOMPARE(document.toString(), text);
    CElement* element = document.root()->children().front();
    QCOMPARE(element->name(), QStringLiteral("a") + surrogate + QStringLiteral("t\u00fd"));
    QCOMPARE(element->endTag(), QStringLiteral("</") + name + QLatin1Char('>'));
    QCOMPARE(document.elementsByTagName(element->name()).size(), size_t(1));
    QCOMPARE(document.elementsByTagName(name).size(), size_t(1));
}

void TestMarkup::addChildLandsBeforeTheEndTag()
{
    Accessor document;
    document.parse(QStringLiteral("<r>\n<m>old</m>\n</r>"));
    CElement* m = document.elementsByTagName(QStringLiteral("m")).front();
    m->addChild()->setText(QStringLiteral("<x/>"));
    QCOMPARE(m->outerMarkup(), QStringLiteral("<m>old<x/></m>"));
    QCOMPARE(m->innerMarkup(), QStringLiteral("old<x/>"));
    QCOMPARE(document.toString(), QStringLiteral("<r>\n<m>old<x/></m>\n</r>"));
    // Own text of an element with children comes right after its start tag.
    m->setText(QStringLiteral("first"));
    QCOMPARE(m->outerMarkup(), QStringLiteral("<m>firstold<x/></m>"));
}

void TestMarkup::addSiblingBefore_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tagName");
    QTest::addColumn<QString>("result");

    QTest::newRow("before the first child") << "<r><a/><b/></r>"
                                            << "a"
                                            << "<r>NEW<a/><b/></r>";
    QTest::newRow("between two children") << "<r><a/><b/></r>"
                                          << "b"
                                          << "<r><a/>NEW<b/></r>";
    QTest::newRow("before a top-level node") << "<a/>"
                                             << "a"
                                             << "NEW<a/>";
    QTest::newRow("on the root, at the end of the document") << "<a/>"
                                                             << ""
                                                             << "<a/>NEW";
}

void TestMarkup::addSiblingBefore()
{
    QFETCH(QString, text);
    QFETCH(QString, tagName);
    QFETCH(QString, result);
    Accessor document;
    document.parse(text);
    CElement* node = tagName.isEmpty() ? document.root() : document.elementsByTagName(tagName).front();
    CElement* added = node->addSiblingBefore();
    QVERIFY(added);
    QCOMPARE(added->parent(), tagName.isEmpty() ? document.root() : node->parent());
    added->setText(QStringLiteral("NEW"));
    QCOMPARE(document.toString(), result);
}

void TestMarkup::clearRemovesTheSubtreeButNotTheSpaceAround()
{
    Accessor document;
    document.parse(QStringLiteral("<r>\n  <m id=\"a\"><i id=\"b\"/></m>\n</r>"));
    CElement* m = document.elementById(QStringLiteral("a"));
    QVERIFY(m);
    m->clear();
    QCOMPARE(document.toString(), QStringLiteral("<r>\n  \n</r>"));
    QVERIFY(!document.elementById(QStringLiteral("a")));
    QVERIFY(!document.elementById(QStringLiteral("b")));
    QVERIFY(document.elementsByTagName(QStringLiteral("m")).empty());
    QVERIFY(document.elementsByTagName(QStringLiteral("i")).empty());
    QCOMPARE(m->parent(), document.elementsByTagName(QStringLiteral("r")).front());
}

void TestMarkup::setTextOnTextNodeReplacesItsCharacters()
{
    Accessor document;
    document.parse(QStringLiteral("<a>old</a>"));
    CElement* text = document.root()->children().front()->children().front();
    text->setText(QString());
    QCOMPARE(document.toString(), QStringLiteral("<a></a>"));
    text->setText(QStringLiteral("new"));
    text->setText(QStringLiteral("newer"));
    QCOMPARE(document.toString(), QStringLiteral("<a>newer</a>"));
    QCOMPARE(document.root()->children().front()->childCount(), 1);
}

void TestMarkup::insertedMarkupIsNotSeenUntilParsedAgain()
{
    Accessor document;
    document.parse(QStringLiteral("<menubar></menubar>"));
    document.root()->children().front()->addChild()->setText(QStringLiteral("<menu id=\"a\"/>"));
    QVERIFY(!document.elementById(QStringLiteral("a")));
    const QString written = document.toString();
    QCOMPARE(written, QStringLiteral("<menubar><menu id=\"a\"/></menubar>"));
    document.parse(written);
    QVERIFY(document.elementById(QStringLiteral("a")));
}

void TestMarkup::hasEmptyEndTag_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tagName");
    QTest::addColumn<bool>("cleared");
    QTest::addColumn<bool>("empty");

    QTest::newRow("void element") << "<br>"
                                  << "br" << false << true;
    QTest::newRow("self-closed element") << "<a/>"
                                         << "a" << false << true;
    QTest::newRow("comment") << "<!-- x -->"
                             << "!--" << false << true;
    QTest::newRow("text node") << "x"
                               << "" << false << true;
    QTest::newRow("unclosed element") << "<a>x"
                                      << "a" << false << true;
    QTest::newRow("closed element") << "<a>x</a>"
                                    << "a" << false << false;
    QTest::newRow("cleared element") << "<a>x</a>"
                                     << "a" << true << true;
}

void TestMarkup::hasEmptyEndTag()
{
    QFETCH(QString, text);
    QFETCH(QString, tagName);
    QFETCH(bool, cleared);
    QFETCH(bool, empty);
    Accessor document;
    document.parse(text);
    CElement* node = document.root()->children().front();
    QCOMPARE(node->name(), tagName);
    if (cleared)
        node->clear();
    QCOMPARE(node->hasEmptyEndTag(), empty);
}

void TestMarkup::reparseDiscardsEditsAndRootText()
{
    Accessor document;
    document.parse(QStringLiteral("<a/>"));
    document.root()->setText(QStringLiteral("lost"));
    document.root()->addChild()->setText(QStringLiteral("lost too"));
    document.parse(QStringLiteral("<b>x</b>"));
    QCOMPARE(document.toString(), QStringLiteral("<b>x</b>"));
    QCOMPARE(dumpChildren(document.root()), QStringLiteral("b[<b>](\"x\")[</b>]"));
}

void TestMarkup::roundTripOfFixtures_data()
{
    QTest::addColumn<QString>("path");
    for (const QString& path : markupFixturePaths())
        QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path;
}

void TestMarkup::roundTripOfFixtures()
{
    QFETCH(QString, path);
    const QString text = readUtf8File(path);
    QVERIFY(!text.isEmpty());
    Accessor document;
    document.parse(text);
    QCOMPARE(document.toString(), text);
    // Reading the tree must not disturb it either.
    for (CElement* element : document.elementsByTagName(QStringLiteral("menu")))
        element->attribute(QStringLiteral("id"));
    QCOMPARE(document.root()->innerMarkup(), text);
}

void TestMarkup::roundTripOfFilesOnThisMachine_data()
{
    QTest::addColumn<QString>("path");
    // Real files of different kinds that Debian machines commonly have; the
    // ones that are missing are left out.
    const QStringList candidates { "/usr/share/mime/packages/freedesktop.org.xml", "/etc/fonts/fonts.conf",
        "/usr/share/doc/bzip2/manual.html", "/usr/share/doc/fontconfig/fontconfig-user.html",
        "/usr/share/xml/iso-codes/iso_639.xml", "/usr/share/dbus-1/session.conf" };
    for (const QString& path : candidates)
        if (QFileInfo(path).isFile())
            QTest::newRow(qPrintable(path)) << path;
}

void TestMarkup::roundTripOfFilesOnThisMachine()
{
    QFETCH(QString, path);
    const QString text = readUtf8File(path);
    Accessor document;
    document.parse(text);
    QVERIFY(document.toString() == text);
}

void TestMarkup::roundTripOfEveryPrefix_data()
{
    QTest::addColumn<QString>("path");
    for (const QString& path : markupFixturePaths())
        if (QFileInfo(path).size() < 20000)
            QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path;
}

void TestMarkup::roundTripOfEveryPrefix()
{
    QFETCH(QString, path);
    const QString text = readUtf8File(path);
    Accessor document;
    for (int length = 0; length <= text.size(); ++length) {
        const QString prefix = text.left(length);
        document.parse(prefix);
        if (document.toString() != prefix)
            QFAIL(qPrintable(QStringLiteral("round trip fails at length %1").arg(length)));
    }
}

void TestMarkup::deepNesting_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("elements");

    QTest::newRow("200000 unclosed elements") << QStringLiteral("<a>").repeated(200000) << 200000;
    QTest::newRow("100000 closed elements")
        << QStringLiteral("<a>").repeated(100000) + QStringLiteral("</a>").repeated(100000) << 100000;
    // Each end tag matches nothing open: looking for what it closes must
    // not cost a walk up the whole depth every time.
    QTest::newRow("100000 open elements, then 100000 unmatched end tags")
        << QStringLiteral("<a>").repeated(100000) + QStringLiteral("</b>").repeated(100000) << 100000;
    QTest::newRow("unmatched end tags of changing names")
        << QStringLiteral("<a>").repeated(50000) + QStringLiteral("</b></c></>").repeated(50000) << 50000;
    QTest::newRow("open elements interleaved with unmatched end tags")
        << QStringLiteral("<a></b>").repeated(100000) << 100000;
    QTest::newRow("100000 nested elements, each with a comment")
        << QStringLiteral("<b x='1'><!--c-->").repeated(100000) << 100000;
}

void TestMarkup::deepNesting()
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
    first->addChild()->setText(QStringLiteral("<z/>"));
    QCOMPARE(document->toString().size(), text.size() + 4);
    first->clear();
    QCOMPARE(document->toString(), QString());
    document.reset();
}

QTEST_GUILESS_MAIN(TestMarkup)
#include "tst_markup.moc"
