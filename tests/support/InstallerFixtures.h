#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "ScratchFiles.h"

// Extensions, packages and Dreamweaver configuration files for the tests that install.
namespace InstallerFixtures {

using namespace ScratchFiles;

struct PackagedFile
{
    QByteArray source; // entry name in the package
    QByteArray data; // null: listed in the manifest only, not packed
    QByteArray destination; // as the manifest writes it; "-": packed, not listed
    QByteArray attributes = {}; // more of its file element's, as written
};

struct TestExtension
{
    QByteArray id;
    QByteArray name;
    QList<PackagedFile> files;
    QByteArray configurationChanges; // menu-insert and insertbar-insert elements, as written
    QByteArray manifestName = "extension.mxi";
    QByteArray version = "1.0.0";
    QByteArray rootAttributes = QByteArray(); // more attributes of the root, as written

    QByteArray manifest() const;
    // A ZXP, or an MXP when the path ends in ".mxp".
    bool writePackage(const QString& path) const;
};

// Two files in Commands/Velkor, one in Objects/Velkor/Images, a menu entry and
// an Insert-bar button in a category of its own.
TestExtension toolsExtension();

// Dreamweaver's configuration files as a fresh installation has them.
QByteArray menusXml();
QByteArray insertbarXml();

// text with added put right after the first occurrence of anchor.
QByteArray inserted(const QByteArray& text, const QByteArray& anchor, const QByteArray& added);

} // namespace InstallerFixtures
