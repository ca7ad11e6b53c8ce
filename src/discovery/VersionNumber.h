#pragma once

#include <QString>
#include <QStringList>

#include <array>

// A version as publishers, manifests, version.xml and the Store write it:
// dotted parts, each digits with sometimes a tail ("1.2.0b3"). Parts compare
// as numbers of any length, so that 1.10.0 is newer than 1.9.2, which a text
// comparison gets wrong.
class VersionNumber
{
public:
    explicit VersionNumber(const QString& text);

    // Negative when a is older than b, zero when they are the same version
    // (a missing part counts as 0: "1.2" is "1.2.0"), positive when a is newer.
    // Within a part the leading digits compare as a number, and what follows
    // them compares as text; a part with such a tail is a pre-release, older
    // than the same number without one ("1.0-rc" comes before "1.0.0").
    static int compare(const QString& a, const QString& b);

    // Whether the first depth parts are plain digits (an empty or missing
    // part counts as 0): "CS6" and "12.x" are not numbers to range over.
    bool isNumeric(int depth) const;
    // The same comparison as compare, over the first depth parts only.
    int compareTo(const VersionNumber& other, int depth) const;
    // How many parts the text has: "12" has one, "12.0.1" three.
    int depth() const { return int(m_parts.size()); }

    // The first four parts as signed 32-bit numbers, as Dreamweaver reads its
    // own version.xml: an optional sign and digits, white space around them;
    // anything else, or a value out of range, reads as 0.
    using Numbers = std::array<int, 4>;
    Numbers numbers() const;

private:
    QStringList m_parts;
};
