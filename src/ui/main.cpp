#include "app/Application.h"
#include "ui/MainWindow.h"

int main(int argc, char** argv)
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // Must be set before the application object exists; Qt 6 always scales.
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
#endif
    Application application(argc, argv);
    application.applyStartupSettings();

    MainWindow window(nullptr);
    window.show();
    return application.exec();
}
