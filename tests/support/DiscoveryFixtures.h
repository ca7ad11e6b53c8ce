#pragma once

#include <QByteArray>
#include <QString>

#include "ScratchFiles.h"

namespace DiscoveryFixtures {

using namespace ScratchFiles;

// A version.xml of the shape Dreamweaver writes.
QByteArray versionXml(const QString& versionNumber);

// Stores a small manifest as folder/fileName, as the installer leaves it.
bool storeManifest(const QString& folder, const QString& fileName, const QString& name, const QString& author);

} // namespace DiscoveryFixtures
