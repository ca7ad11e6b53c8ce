#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

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
// The tools extension with fileCount more files of 16 KiB, for runs that are interrupted.
TestExtension largeExtension(int fileCount);

// Dreamweaver's configuration files as a fresh installation has them;
// largeMenusXml() adds further menus, about 1.5 KiB each.
QByteArray menusXml();
QByteArray insertbarXml();
QByteArray largeMenusXml(int menus);

// Every file and folder below folder (folders ending in "/") with the bytes of each file.
QMap<QString, QByteArray> snapshot(const QString& folder);

} // namespace InstallerFixtures
