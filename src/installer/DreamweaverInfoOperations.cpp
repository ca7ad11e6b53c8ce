// The install and remove operations of an installation record live with the
// procedures they run, so that discovery never depends on the installer.
#include "discovery/DreamweaverInfo.h"
#include "installer/Installer.h"
#include "installer/Remover.h"

bool DreamweaverInfo::installPackage(const QString& path, IProgress* progress, InstallReport* report) const
{
    return Installer(*this, progress, report).installPackage(path);
}

bool DreamweaverInfo::installFromPackage(IPackage& package, IProgress* progress, InstallReport* report) const
{
    return Installer(*this, progress, report).installFromPackage(package);
}

void DreamweaverInfo::removeExtension(const QString& mxiName, IProgress* progress, InstallReport* report) const
{
    Remover(*this, progress, report).removeExtension(mxiName);
}
