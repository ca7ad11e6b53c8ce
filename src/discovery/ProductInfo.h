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
    bool covers(const QString& hostVersion) const
    {
        return compare(hostVersion, version, 4) >= 0
            && (maxVersion.trimmed().isEmpty()
                || compare(hostVersion, maxVersion, maxVersion.count(QLatin1Char('.')) + 1) <= 0);
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
    // Compares the first depth dot-separated numbers of a and b, a missing or
    // unreadable one counting as 0.
    static int compare(const QString& a, const QString& b, int depth)
    {
        const QStringList left = a.split(QLatin1Char('.')), right = b.split(QLatin1Char('.'));
        for (int i = 0; i < depth; ++i) {
            const int x = i < left.size() ? left.at(i).trimmed().toInt() : 0;
            const int y = i < right.size() ? right.at(i).trimmed().toInt() : 0;
            if (x != y)
                return x < y ? -1 : 1;
        }
        return 0;
    }
};
