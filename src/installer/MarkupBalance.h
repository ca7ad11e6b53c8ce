#pragma once

#include <QString>

// Whether markup taken from a manifest can go between two elements of
// Menus.xml or insertbar.xml and leave every element of the file as it was.
// Dreamweaver reads those files as XML and loses its menus over a single
// element left open, so markup is judged by XML's rules, not by the lenient
// markup model that finds the places to edit.
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
    // depthOfPlace levels deep. reason, on false, says why.
    static bool check(const QString& markup, int depthOfPlace, QString* reason);
};
