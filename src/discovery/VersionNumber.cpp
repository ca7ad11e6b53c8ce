#include "commands/VersionNumber.h"

#include <QStringList>

namespace {

// Digit strings of any length, compared as numbers without converting them:
// a version part need not fit into an integer.
int compareDigits(QStringView a, QStringView b)
{
    while (a.startsWith(QLatin1Char('0')))
        a = a.mid(1);
    while (b.startsWith(QLatin1Char('0')))
        b = b.mid(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

int leadingDigits(QStringView part)
{
    int count = 0;
    while (count < part.size() && part.at(count) >= QLatin1Char('0') && part.at(count) <= QLatin1Char('9'))
        ++count;
    return count;
}

int comparePart(QStringView a, QStringView b)
{
    const int aDigits = leadingDigits(a);
    const int bDigits = leadingDigits(b);
    if (const int byNumber = compareDigits(a.left(aDigits), b.left(bDigits)))
        return byNumber;
    const QStringView aTail = a.mid(aDigits), bTail = b.mid(bDigits);
    // A tail marks a pre-release ("1.0-rc", "1.2.0b3"), which comes before
    // the release it leads to.
    if (aTail.isEmpty() != bTail.isEmpty())
        return aTail.isEmpty() ? 1 : -1;
    return aTail.compare(bTail);
}

} // namespace

int VersionNumber::compare(const QString& a, const QString& b)
{
    const QStringList aParts = a.trimmed().split(QLatin1Char('.'));
    const QStringList bParts = b.trimmed().split(QLatin1Char('.'));
    for (int i = 0; i < qMax(aParts.size(), bParts.size()); ++i) {
        // An empty part reads as 0, like a missing one.
        if (const int byPart = comparePart(aParts.value(i), bParts.value(i)))
            return byPart < 0 ? -1 : 1;
    }
    return 0;
}
