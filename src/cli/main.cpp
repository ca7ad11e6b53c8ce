#include "cli/CommandLineTool.h"
#include "platform/BuildConfig.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("moravel-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MORAVEL_VERSION));
    CommandLineTool tool;
    return tool.run(QCoreApplication::arguments());
}
