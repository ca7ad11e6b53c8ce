#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Extensions, packages and Dreamweaver configuration files for the install and
// remove tests and the helper programs they start.
namespace InstallerFixtures {

struct PackagedFile
{
    QByteArray source; // entry name in the package
    QByteArray data;
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
    // A ZXP or an MXP, chosen by the path's suffix; every file is packed
    // except those whose data is null (listed in the manifest only).
    bool writePackage(const QString& path) const;
};

// A small extension with two files in a subfolder of Commands, one two levels
// below Objects, a menu entry and an Insert-bar button in a category of its own.
TestExtension toolsExtension();
// An extension with many files, menu entries and buttons, for the runs that
// are interrupted.
TestExtension largeExtension(int fileCount, int menuEntries, int buttons);

// Dreamweaver's configuration files as a fresh installation has them.
QByteArray menusXml();
QByteArray insertbarXml();
// menusXml() grown with further menus to about size bytes.
QByteArray largeMenusXml(int size);

QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& bytes);
// Every file and folder below folder, relative to it, folders ending in "/", sorted.
QStringList entriesBelow(const QString& folder);

} // namespace InstallerFixtures
