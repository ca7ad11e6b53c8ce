#include "app/Application.h"
#include "ui/MainWindow.h"

int main(int argc, char** argv)
{
    // Must be set before the application object exists.
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    Application application(argc, argv);
    application.applyStartupSettings();

    MainWindow window(nullptr);
    window.show();
    return application.exec();
}
