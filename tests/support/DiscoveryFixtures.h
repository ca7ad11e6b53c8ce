#pragma once

#include "ScratchFiles.h"

namespace DiscoveryFixtures {

using namespace ScratchFiles;

// A version.xml of the shape Dreamweaver writes.
inline QByteArray versionXml(const QString& versionNumber)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<versioninfo>\n  <installinfo lang=\"en_US\" versionnum=\""
        + versionNumber.toUtf8() + "\" build=\"4231\"/>\n</versioninfo>\n";
}

// Stores a small manifest as folder/fileName, as the installer leaves it.
inline bool storeManifest(const QString& folder, const QString& fileName, const QString& name, const QString& author)
{
    return writeFile(folder + '/' + fileName,
        "<?xml version=\"1.0\"?>\n<macromedia-extension id=\"" + fileName.toUtf8() + "\" name=\"" + name.toUtf8()
            + "\" version=\"1.0\">\n  <author name=\"" + author.toUtf8() + "\" />\n</macromedia-extension>\n");
}

} // namespace DiscoveryFixtures
