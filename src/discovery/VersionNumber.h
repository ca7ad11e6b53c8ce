#pragma once

#include <QString>

// Extension versions as publishers write them: dotted numbers, sometimes with
// a tail ("1.2.0b3"). Compared part by part as numbers, so that 1.10.0 is
// newer than 1.9.2, which a text comparison gets wrong.
class VersionNumber
{
public:
    // Negative when a is older than b, zero when they are the same version
    // (a missing part counts as 0: "1.2" is "1.2.0"), positive when a is newer.
    // Within a part the leading digits compare as a number of any length, and
    // what follows them compares as text; a part with such a tail is a
    // pre-release, older than the same number without one ("1.0-rc" comes
    // before "1.0.0").
    static int compare(const QString& a, const QString& b);
};
