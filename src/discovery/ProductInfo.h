#pragma once

#include <QString>

// One "product" element of a manifest: a host the extension declares it supports.
// Shown to the user only; nothing decides on it.
struct ProductInfo
{
    QString name;
    QString version;
    QString maxVersion;

    bool operator==(const ProductInfo& other) const
    {
        return name == other.name && version == other.version && maxVersion == other.maxVersion;
    }
    bool operator!=(const ProductInfo& other) const { return !(*this == other); }
};
