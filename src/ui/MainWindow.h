#pragma once

#include "app/Application.h"
#include "commands/IUserPrompt.h"
#include "discovery/ExtensionInfo.h"

#include <QHash>
#include <QMainWindow>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class DreamweaverInfo;
class EmptyTableHint;
class HealthPanel;
class InstalledListWatcher;
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
    // Files opened from outside (the command line, a later start, a drop):
    // asks first, naming each package and the installation, which can be
    // chosen there, then installs them. Files that arrive while it asks or
    // installs wait for their turn.
    void openPackageFiles(const QStringList& paths);

public slots:
    void dreamweaversUpdated();
    void downloadsUpdated();
    // Checks every installed extension of the current installation, as
    // moravel-cli verify does, and marks those that are not whole.
    void verifyExtensions();
    // Makes an extension that is not whole usable again. The kept package is
    // not reachable from here yet, so this offers the removal, after which
    // the extension can be installed again whole.
    void repairExtension(const QString& mxiName);

private slots:
    void slotSelectDreamweaver(int index);
    void slotInstallExtension();
    void slotRemoveExtension(QString mxiName);
    // Takes over the selected extension that another program installed.
    void slotAdoptExtension();
    // Disables the selected extension, or enables it when it is disabled.
    void slotToggleEnabled();
    // Asks for another installation and copies the current one's extensions into it.
    void slotCopyExtensions();
    // Where the program looked for Dreamweaver, and why each place gave one or none.
    void showDiagnosis();
    void slotDownloadExtension(Application::Download download);
    // Installs every update the Store has for the current installation.
    void slotUpdateAll();
    void slotInstallStartupPackages();

protected:
    // Closing cancels a download in flight and stops a run of installs, so
    // that nothing is installed once the window is gone; an install already
    // writing finishes first, because stopping it halfway would leave a mess.
    void closeEvent(QCloseEvent* event) override;
    // A menu entry without a status tip, passed over on the way, leaves the
    // status line as it was: it says what the last command did.
    bool event(QEvent* event) override;
    // Files dropped on the window: packages are installed, anything else is
    // refused with a message.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;

private:
    // How the shared operations ask, warn and show progress in this window.
    bool confirm(const QString& question, const QString& refusal) override;
    // A message box whose buttons are the question's verbs.
    bool ask(const Question& question) override;
    // A dialog with the licence and Accept / Decline.
    bool acceptLicense(const QString& title, const QString& license, const QString& refusal) override;
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
    // Says on the Installed tab, its rows and the Store's Update All that the Store has newer versions.
    void showUpdates();
    void showDetails();
    void applyFilter();
    // The menu of a table's row: what its button does, and more.
    void showRowMenu(QTableWidget* table, const QPoint& position);
    void showReport();
    // What every install, removal and update did, from the log, newest last.
    void showLog();
    // A dialog of read-only text, scrolled to its end when atEnd.
    void showText(
        const QString& objectName, const QString& title, const QString& text, const QString& accessibleName, bool atEnd);
    // Outlines the tables while files that could be packages are dragged over the window.
    void setDropTarget(bool target);
    void showAbout();
    // Whether there is an installation to install into; says why not when there is none.
    void showInstallability();
    // The manifest name of the selected Installed row; the catalogue index of the selected Store row.
    QString selectedManifest() const;
    // The selected Installed row's extension, enabled or disabled; null when none is selected.
    std::optional<ExtensionInfo> selectedExtension();
    int selectedEntry() const;
    // What a row's button does: Remove in the Installed table; Install or
    // Update in the Store, with the entry as the table shows it.
    void pressInstalledButton(int row);
    void pressStoreButton(int row);

    std::unique_ptr<MainWindowForm> ui;
    EmptyTableHint* m_installedHint = nullptr;
    RowButtonDelegate* m_installedButtons = nullptr;
    RowButtonDelegate* m_storeButtons = nullptr;
    InstalledListWatcher* m_installedWatcher = nullptr;
    HealthPanel* m_health = nullptr;
    // From the last check of the current installation: what each extension
    // that is not whole misses, by stored manifest name.
    QHash<QString, QStringList> m_missing;
    bool m_verified = false;
    WindowMemory* m_memory = nullptr;
    QVector<Application::Download> m_storeRows; // the catalogue as the Store table shows it
    bool m_closing = false;
    bool m_listed = false; // the installations have been looked for
    ExtensionCommands* m_commands = nullptr; // the command under way; the tables wait for its end
    bool m_refreshPending = false;
    QSet<QString> m_disabled; // the manifest names of the Installed rows that are disabled
    QString m_subject;
    QString m_replaced;
    QString m_replacing; // what the status line says of an install that replaces, when it does
    QString m_report; // everything the command reported, for the report dialog
    QString m_lastReport;
    bool m_opening = false; // openPackageFiles() is asking or installing
    QStringList m_waitingFiles;
    QString m_catalogueTime; // when the catalogue the Store shows was loaded
    QString m_catalogueTried; // when loading it last failed
};
