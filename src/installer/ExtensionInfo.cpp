#include "installer/ExtensionInfo.h"

#include <QFile>
#include <QFileInfo>

ExtensionInfo::ExtensionInfo(const QString& path)
{
    const QFileInfo info(path);
    m_fileName = info.fileName();
    QFile file(path);
    if (file.size() <= maximumManifestSize && file.open(QIODevice::ReadOnly | QIODevice::Text))
        m_manifest = decodeManifest(file.read(maximumManifestSize + 1));
    if (!m_manifest.isEmpty())
        parseHeader();
}

ExtensionInfo::ExtensionInfo(const QByteArray& manifestBytes, const QString& fileName)
    : m_manifest(decodeManifest(manifestBytes))
    , m_fileName(fileName)
{
    parseHeader();
}

QString ExtensionInfo::decodeManifest(const QByteArray& bytes)
{
    if (bytes.size() > maximumManifestSize)
        return QString();
    const int end = bytes.indexOf('\0');
    return QString::fromUtf8(bytes.constData(), end < 0 ? bytes.size() : end);
}

void ExtensionInfo::parseHeader() { }

void ExtensionInfo::parseDetails() { }
