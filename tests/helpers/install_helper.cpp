// Installs a package into one Dreamweaver installation, printing each progress
// step on its own line as it happens, so that a test can stop it at a chosen
// moment. Usage: install_helper USER_FOLDER PROGRAM_FOLDER PACKAGE [LOCALE...]
#include "discovery/DreamweaverInfo.h"
#include "installer/IProgress.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

class PrintingProgress : public IProgress
{
public:
    void reset() override { }
    void setTitle(QString) override { }
    void setStatus(QString text) override { print(text); }
    void setMaximum(int) override { }
    void setValue(int value) override { print(QStringLiteral("value %1").arg(value)); }
    void setFinished() override { }
    bool isFinished() override { return false; }

    static void print(const QString& line)
    {
        std::printf("%s\n", line.toUtf8().constData());
        std::fflush(stdout);
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 4) {
        return 2;
    }
    DreamweaverInfo dreamweaver(
        QStringLiteral("Dreamweaver"), QStringLiteral("Adobe"), arguments.at(1), arguments.mid(4));
    dreamweaver.setInstallFolder(arguments.at(2));
    PrintingProgress progress;
    return dreamweaver.installPackage(arguments.at(3), &progress) ? 0 : 1;
}
