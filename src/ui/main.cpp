#include "app/Application.h"
#include "ui/MainWindow.h"
#include "ui/WinePrefixMenu.h"

#include <QIcon>

int main(int argc, char** argv)
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // Must be set before the application object exists; Qt 6 always scales.
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
#endif
    Application application(argc, argv);
    // A file manager starts the program once per opened file: those starts
    // go to the window already open, which asks about them there.
    if (application.handOverToRunningProgram())
        return 0;
    application.applyStartupSettings();

    // The installed icon's own sizes, so the title bar, the task bar and every
    // dialog show what the desktop entry shows; Wayland finds the entry by name.
    QIcon icon;
    for (int size : { 16, 22, 24, 32, 48, 64, 128, 256 })
        icon.addFile(QStringLiteral(":/icons/moravel-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName(QStringLiteral("moravel"));

    MainWindow window(nullptr);
#ifndef Q_OS_WIN
    // Windows runs Dreamweaver itself; elsewhere it runs under Wine.
    new WinePrefixMenu(&window);
#endif
    window.show();
    return application.exec();
}
