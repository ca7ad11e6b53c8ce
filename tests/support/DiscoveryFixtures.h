#pragma once

#include "ScratchFiles.h"
#include "TestData.h"

#include <QDir>
#include <QFile>

namespace DiscoveryFixtures {

using namespace ScratchFiles;

// A version.xml of the shape Dreamweaver writes.
inline QByteArray versionXml(const QString& versionNumber)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<versioninfo>\n  <installinfo lang=\"en_US\" versionnum=\""
        + versionNumber.toUtf8() + "\" build=\"4231\"/>\n</versioninfo>\n";
}

// Stores a small manifest as folder/fileName, as the installer leaves it.
inline bool storeManifest(const QString& folder, const QString& fileName, const QString& name, const QString& author,
    const QString& version = QStringLiteral("1.0"))
{
    return writeFile(folder + '/' + fileName,
        "<?xml version=\"1.0\"?>\n<macromedia-extension id=\"" + fileName.toUtf8() + "\" name=\"" + name.toUtf8()
            + "\" version=\"" + version.toUtf8() + "\">\n  <author name=\"" + author.toUtf8()
            + "\" />\n</macromedia-extension>\n");
}

// A 64-bit Wine prefix as wineboot leaves it: the registry of tests/data/wine, drives C: and Z:.
inline bool makeWinePrefix(const QString& folder)
{
    return writeFile(folder + "/system.reg", readFile(MORAVEL_TEST_DATA_DIR "/wine/system.reg"))
        && writeFile(folder + "/user.reg", readFile(MORAVEL_TEST_DATA_DIR "/wine/user.reg"))
        && QDir().mkpath(folder + "/dosdevices") && QDir().mkpath(folder + "/drive_c/users/Public")
        && QFile::link("../drive_c", folder + "/dosdevices/c:") && QFile::link("/", folder + "/dosdevices/z:");
}

} // namespace DiscoveryFixtures
