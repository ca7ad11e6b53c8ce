#pragma once

#include "app/Application.h"
#include "commands/IUserPrompt.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <memory>

class DreamweaverInfo;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class MainWindowForm;
class Progress;

// The program's only window: the Dreamweaver selector with its Install
// button, and the Installed and Store tables.
class MainWindow : public QMainWindow, private IUserPrompt
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent);
    ~MainWindow() override;

    // The installation at the selector's current index, or nullptr.
    DreamweaverInfo* currentDreamweaver();
    // Rereads the current installation's store folders and shows what they hold.
    void updateInstalledTable();

    // The install command once a package file is chosen (from the file
    // dialog, or any other way a caller has a path): asks before replacing an
    // installed version, installs under progress, refreshes, and warns when
    // something failed. True when the package was installed.
    bool installPackageFile(QString path);
    // The install command for each file in turn (a file dropped on the window,
    // or given on the command line); warns instead when there is no
    // installation to install into.
    void installPackageFiles(const QStringList& paths);

public slots:
    void dreamweaversUpdated();
    void downloadsUpdated();

private slots:
    void slotSelectDreamweaver(int index);
    void slotInstallExtension();
    void slotRemoveExtension(QString mxiName);
    void slotDownloadExtension(Application::Download download);
    void slotInstallStartupPackages();

protected:
    // Closing cancels a download in flight and stops a run of installs, so
    // that nothing is installed once the window is gone; an install already
    // writing finishes first, because stopping it halfway would leave a mess.
    void closeEvent(QCloseEvent* event) override;
    // Files dropped on the window: packages are installed, anything else is
    // refused with a message.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // How the shared operations ask, warn and show progress in this window.
    bool confirm(const QString& question, const QString& refusal) override;
    void warn(const QString& text, const QString& details) override;
    void inform(const QString&, const QString&) override { }
    // The progress dialog that follows shows what the operation waits for.
    void notice(const QString&) override { }
    IProgress* startProgress(const QString& title) override;
    void finishProgress(IProgress* progress) override;
    void installedChanged() override { updateInstalledTable(); }

    std::unique_ptr<MainWindowForm> ui;
    bool m_closing = false;
};
