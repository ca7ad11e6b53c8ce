#include "discovery/VersionNumber.h"

#include <limits>

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

int signedNumber(const QString& part)
{
    const QString text = part.trimmed();
    int position = 0;
    bool negative = false;
    if (position < text.size() && (text.at(position) == QLatin1Char('+') || text.at(position) == QLatin1Char('-'))) {
        negative = text.at(position) == QLatin1Char('-');
        ++position;
    }
    if (position == text.size())
        return 0;
    qint64 value = 0;
    for (; position < text.size(); ++position) {
        const QChar c = text.at(position);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
        value = value * 10 + (c.unicode() - '0');
        // One past the largest int is still the smallest int when negated.
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            return 0;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return 0;
    return int(value);
}

} // namespace

VersionNumber::VersionNumber(const QString& text)
    : m_parts(text.split(QLatin1Char('.')))
{
}

int VersionNumber::compare(const QString& a, const QString& b)
{
    const VersionNumber left(a.trimmed()), right(b.trimmed());
    return left.compareTo(right, qMax(left.depth(), right.depth()));
}

bool VersionNumber::isNumeric(int depth) const
{
    for (int i = 0; i < depth && i < m_parts.size(); ++i) {
        const QString part = m_parts.at(i).trimmed();
        if (leadingDigits(part) != part.size())
            return false;
    }
    return true;
}

int VersionNumber::compareTo(const VersionNumber& other, int depth) const
{
    for (int i = 0; i < depth; ++i) {
        // An empty part reads as 0, like a missing one.
        if (const int byPart = comparePart(m_parts.value(i).trimmed(), other.m_parts.value(i).trimmed()))
            return byPart < 0 ? -1 : 1;
    }
    return 0;
}

VersionNumber::Numbers VersionNumber::numbers() const
{
    Numbers numbers {};
    for (int i = 0; i < int(numbers.size()); ++i)
        numbers[i] = i < m_parts.size() ? signedNumber(m_parts.at(i)) : 0;
    return numbers;
}
