#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "ScratchFiles.h"

// Extensions, packages and Dreamweaver configuration files for the install and
// remove tests and the helper programs they start.
namespace InstallerFixtures {

using namespace ScratchFiles;

struct PackagedFile
{
    QByteArray source; // entry name in the package
    QByteArray data; // null: listed in the manifest only, not packed
    QByteArray destination; // as the manifest writes it
};

struct TestExtension
{
    QByteArray id;
    QByteArray name;
    QList<PackagedFile> files;
    QByteArray configurationChanges; // menu-insert and insertbar-insert elements, as written
    QByteArray manifestName = "extension.mxi";
    QByteArray version = "1.0.0";

    QByteArray manifest() const;
    // A ZXP, or an MXP when the path ends in ".mxp".
    bool writePackage(const QString& path) const;
};

// Two files in Commands/Velkor, one in Objects/Velkor/Images, a menu entry and
// an Insert-bar button in a category of its own.
TestExtension toolsExtension();
// Many files, menu entries and buttons, for the runs that are interrupted.
TestExtension largeExtension(int fileCount, int menuEntries, int buttons);

// Dreamweaver's configuration files as a fresh installation has them;
// largeMenusXml() grows Menus.xml with further menus to about size bytes.
QByteArray menusXml();
QByteArray insertbarXml();
QByteArray largeMenusXml(int size);

} // namespace InstallerFixtures
