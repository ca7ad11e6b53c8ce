#pragma once

#include "app/Application.h"

#include <QMainWindow>
#include <QString>
#include <memory>

class DreamweaverInfo;
class MainWindowForm;

// The program's only window: the Dreamweaver selector with its Install
// button, and the Installed and Store tables.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent);
    ~MainWindow() override;

    // The installation at the selector's current index, or nullptr.
    DreamweaverInfo* currentDreamweaver();
    // Rereads the current installation's store folders and shows what they hold.
    void updateInstalledTable();

public slots:
    void dreamweaversUpdated();
    void downloadsUpdated();

private slots:
    void slotSelectDreamweaver(int index);
    void slotInstallExtension();
    void slotRemoveExtension(QString mxiName);
    void slotDownloadExtension(Application::Download download);

private:
    std::unique_ptr<MainWindowForm> ui;
};
