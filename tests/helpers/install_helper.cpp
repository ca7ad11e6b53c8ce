// Installs a package into one Dreamweaver installation, for a test that kills
// it midway. Usage: install_helper USER_FOLDER PROGRAM_FOLDER PACKAGE
#include "discovery/DreamweaverInfo.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 4) {
        return 2;
    }
    DreamweaverInfo dreamweaver(QStringLiteral("Dreamweaver"), QStringLiteral("Adobe"), arguments.at(1), {});
    dreamweaver.setInstallFolder(arguments.at(2));
    return dreamweaver.installPackage(arguments.at(3), nullptr) ? 0 : 1;
}
