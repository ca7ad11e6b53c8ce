#include "GuiTestSupport.h"

#include "DiscoveryFixtures.h"

#include <QDir>

namespace GuiTestSupport {

void usePretendProfile(const QString& root)
{
    qputenv("APPDATA", QString(root + "/AppData").toUtf8());
    qputenv("ALLUSERSPROFILE", QString(root + "/ProgramData").toUtf8());
    qputenv("ProgramW6432", QString(root + "/Program Files").toUtf8());
}

QString writeInstallation(const QString& root, const QString& name, const QString& versionNumber)
{
    const QString configuration = root + "/AppData/Adobe/" + name + "/en_US/Configuration";
    const bool written
        = DiscoveryFixtures::writeFile(configuration + "/version.xml", DiscoveryFixtures::versionXml(versionNumber))
        && QDir().mkpath(root + "/Program Files/Adobe/Adobe " + name);
    return written ? configuration : QString();
}

} // namespace GuiTestSupport
