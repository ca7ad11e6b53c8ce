#pragma once

#include <QString>
#include <QStringList>

// Whether markup taken from a manifest can go between two elements of
// Menus.xml or insertbar.xml and leave every element of the file as it was,
// and whether a whole configuration file reads as one. Dreamweaver reads
// those files as XML and loses its menus over a single element left open,
// so markup is judged by XML's rules, not by the lenient markup model that
// finds the places to edit. What XML would also refuse but Dreamweaver's own
// files hold (a raw "&" in a value, "<" and ">" inside quotes) passes.
class MarkupBalance
{
public:
    // No menu of Dreamweaver's comes near it; a package nesting its markup
    // tens of thousands deep would otherwise grow the file by a line per level.
    static constexpr int maximumDepth = 256;

    // True when every element the markup opens is closed in it (an
    // empty-element tag closes itself), no end tag closes an element outside
    // it, no comment, CDATA section or processing instruction is left open, it
    // holds no declaration (DOCTYPE or other), and no element lies deeper
    // than maximumDepth in the file, where the element it goes into lies
    // depthOfPlace levels deep. reason, on false, says why. structure, when
    // given, receives each element's name in document order, and "/" after
    // the content of each element closed by an end tag: what a reader that
    // understands the markup must find in it.
    static bool check(const QString& markup, int depthOfPlace, QString* reason, QStringList* structure = nullptr);

    // The same rules for a whole file, which may also hold a DOCTYPE before
    // its first element and lie at any depth. line, on false, receives the
    // line (from 1) where the fault lies.
    static bool checkDocument(const QString& text, int* line, QString* reason);

private:
    static bool scan(
        const QString& markup, bool document, int depthOfPlace, int* failedAt, QString* reason, QStringList* structure);
};
