#pragma once

#include <QString>
#include <QStringList>

// One "product" element of a manifest: a host the extension declares it supports.
struct ProductInfo
{
    QString name;
    QString version; // the oldest host version; empty: any
    QString maxVersion; // the newest; empty: any

    bool isDreamweaver() const
    {
        return name.trimmed().compare(QLatin1String("Dreamweaver"), Qt::CaseInsensitive) == 0;
    }

    // Whether a host of this version ("21.0.0.15392") is within the range. The
    // newest version counts to the depth it is written: "12" takes in every
    // 12.x, as a manifest that says 12 means Dreamweaver CS6 in all its builds.
    // A version that is no dotted number ("CS6", "12.x") is in no range: the
    // question it leads to is better than an install it lets through.
    bool covers(const QString& hostVersion) const
    {
        const int low = compare(hostVersion, version, 4);
        if (low == unreadable || low < 0)
            return false;
        if (maxVersion.trimmed().isEmpty())
            return true;
        const int high = compare(hostVersion, maxVersion, int(maxVersion.count(QLatin1Char('.'))) + 1);
        return high != unreadable && high <= 0;
    }

    // "Dreamweaver 8 to 12", "Dreamweaver 8 or later", "Dreamweaver up to 12", "Dreamweaver".
    QString range() const
    {
        const QString low = version.trimmed(), high = maxVersion.trimmed();
        if (!low.isEmpty() && !high.isEmpty())
            return name + QLatin1Char(' ') + low + QStringLiteral(" to ") + high;
        if (!low.isEmpty())
            return name + QLatin1Char(' ') + low + QStringLiteral(" or later");
        return high.isEmpty() ? name : name + QStringLiteral(" up to ") + high;
    }

    bool operator==(const ProductInfo& other) const
    {
        return name == other.name && version == other.version && maxVersion == other.maxVersion;
    }
    bool operator!=(const ProductInfo& other) const { return !(*this == other); }

private:
    static constexpr int unreadable = 2;

    // Compares the first depth dot-separated numbers of a and b, of any
    // length, a missing or empty one counting as 0; unreadable when a part
    // is not a number.
    static int compare(const QString& a, const QString& b, int depth)
    {
        const QStringList left = a.split(QLatin1Char('.')), right = b.split(QLatin1Char('.'));
        for (int i = 0; i < depth; ++i) {
            const QString x = withoutLeadingZeros(i < left.size() ? left.at(i).trimmed() : QString());
            const QString y = withoutLeadingZeros(i < right.size() ? right.at(i).trimmed() : QString());
            if (!isNumber(x) || !isNumber(y))
                return unreadable;
            if (x.size() != y.size())
                return x.size() < y.size() ? -1 : 1;
            if (const int byDigits = x.compare(y))
                return byDigits < 0 ? -1 : 1;
        }
        return 0;
    }

    static QString withoutLeadingZeros(const QString& part)
    {
        int zeros = 0;
        while (zeros < part.size() && part.at(zeros) == QLatin1Char('0'))
            ++zeros;
        return part.mid(zeros);
    }

    static bool isNumber(const QString& part)
    {
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        }
        return true;
    }
};
