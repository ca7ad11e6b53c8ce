#pragma once

#include <QString>
#include <QStringView>

// A block that is one empty element between white space, as nearly every
// menu entry is: "<name attribute="value" ... />", each value quoted and
// free of "<", ">", "&", "\\", line breaks and characters XML does not
// allow, the tag on one line. Its id,
// its name, its balance and its text once laid out all follow from that
// text, which then needs no parse of its own; a block of any other shape
// goes through the parse. The manifest's reader finds it once, and the
// editor that places the block takes it from there rather than reading the
// same tag again: it is kept as positions in the block's text.
struct PlainElement
{
    // Where the tag lies in the text it was read from; no length: the block
    // is not of that shape.
    int tagBegin = 0;
    int tagLength = 0;
    int nameLength = 0;
    // The first attribute named "id" in any case: its value; -1: none.
    int idBegin = 0;
    int idLength = -1;

    static PlainElement of(const QString& markup);

    bool isPlain() const { return tagLength > 0; }
    // Each null when the block is not plain (and the id also when it has none).
    QStringView tag(const QString& markup) const
    {
        return isPlain() ? QStringView(markup).mid(tagBegin, tagLength) : QStringView();
    }
    QStringView name(const QString& markup) const
    {
        return isPlain() ? QStringView(markup).mid(tagBegin + 1, nameLength) : QStringView();
    }
    QStringView id(const QString& markup) const
    {
        return isPlain() && idLength >= 0 ? QStringView(markup).mid(idBegin, idLength) : QStringView();
    }

    bool operator==(const PlainElement& other) const
    {
        return tagBegin == other.tagBegin && tagLength == other.tagLength && nameLength == other.nameLength
            && idBegin == other.idBegin && idLength == other.idLength;
    }
    bool operator!=(const PlainElement& other) const { return !(*this == other); }
};
