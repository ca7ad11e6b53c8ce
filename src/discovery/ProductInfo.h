#pragma once

#include "discovery/VersionNumber.h"

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
        const VersionNumber host(hostVersion), low(version);
        if (!host.isNumeric(4) || !low.isNumeric(4) || host.compareTo(low, 4) < 0)
            return false;
        if (maxVersion.trimmed().isEmpty())
            return true;
        const VersionNumber high(maxVersion);
        return host.isNumeric(high.depth()) && high.isNumeric(high.depth()) && host.compareTo(high, high.depth()) <= 0;
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
};
