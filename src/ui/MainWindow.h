#pragma once

#include "app/Application.h"
#include "commands/IUserPrompt.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class DreamweaverInfo;
class EmptyTableHint;
class ExtensionCommands;
class QCloseEvent;
class QDragEnterEvent;
class QDragLeaveEvent;
class QDropEvent;
class QPoint;
class QTableWidget;
class MainWindowForm;
class Progress;
class RowButtonDelegate;
class WindowMemory;

// The program's only window: the Dreamweaver selector with its Install
// button, the Installed and Store tables with a filter over both, the
// details of the selected extension, and a status bar that says what the
// last command did.
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
    // Takes over the selected extension that another program installed.
    void slotAdoptExtension();
    // Where the program looked for Dreamweaver, and why each place gave one or none.
    void showDiagnosis();
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
    void dragLeaveEvent(QDragLeaveEvent* event) override;

private:
    // How the shared operations ask, warn and show progress in this window.
    bool confirm(const QString& question, const QString& refusal) override;
    void warn(const QString& text, const QString& details) override;
    bool offerRetry(const QString& text) override;
    void inform(const QString& text, const QString& details) override;
    void notice(const QString& text) override;
    IProgress* startProgress(const QString& title) override;
    void finishProgress(IProgress* progress) override;
    void installedChanged() override;

    // Runs one command on the current installation: the tables wait for its
    // end (a replace would otherwise show the extension gone between its two
    // steps), and the status bar and the report then say what it did.
    // subject names the extension for the progress dialogs, replaced the one
    // a replace removes first.
    void runCommand(const QString& subject, const QString& replaced,
        const std::function<void(ExtensionCommands&, DreamweaverInfo&)>& command);
    void showCatalogueState();
    void showDetails();
    void applyFilter();
    // The menu of a table's row: what its button does, and more.
    void showRowMenu(QTableWidget* table, const QPoint& position);
    void showReport();
    // Outlines the tables while files that could be packages are dragged over the window.
    void setDropTarget(bool target);
    void showAbout();
    // Whether there is an installation to install into; says why not when there is none.
    void showInstallability();
    // The manifest name of the selected Installed row; the catalogue index of the selected Store row.
    QString selectedManifest() const;
    int selectedEntry() const;
    // What a row's button does: Remove in the Installed table; Install or
    // Update in the Store, with the entry as the table shows it.
    void pressInstalledButton(int row);
    void pressStoreButton(int row);

    std::unique_ptr<MainWindowForm> ui;
    EmptyTableHint* m_installedHint = nullptr;
    RowButtonDelegate* m_installedButtons = nullptr;
    RowButtonDelegate* m_storeButtons = nullptr;
    WindowMemory* m_memory = nullptr;
    QVector<Application::Download> m_storeRows; // the catalogue as the Store table shows it
    bool m_closing = false;
    bool m_listed = false; // the installations have been looked for
    ExtensionCommands* m_commands = nullptr; // the command under way; the tables wait for its end
    bool m_refreshPending = false;
    QString m_subject;
    QString m_replaced;
    QString m_replacing; // what the status line says of an install that replaces, when it does
    QString m_report; // everything the command reported, for the report dialog
    QString m_lastReport;
    QString m_catalogueTime; // when the catalogue the Store shows was loaded
    QString m_catalogueTried; // when loading it last failed
};
