#include "cli/CommandLineTool.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("moravel-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.7.0"));
    CommandLineTool tool;
    return tool.run(QCoreApplication::arguments());
}
