#include "ui/WinePrefixMenu.h"

#include "app/Application.h"
#include "platform/Environment.h"

#include <QActionGroup>
#include <QDir>
#include <QFileDialog>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>

namespace {

void warn(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok, parent);
    // The text holds a folder name, which Qt would otherwise guess to be markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace

WinePrefixMenu::WinePrefixMenu(QMainWindow* window)
    : QObject(window)
    , m_window(window)
    , m_title(window->windowTitle())
{
    // Before the window's last menu, Help, which stays last as everywhere else.
    QMenuBar* bar = window->menuBar();
    QMenu* menu = new QMenu(tr("&Wine"), bar);
    bar->insertMenu(bar->actions().isEmpty() ? nullptr : bar->actions().constLast(), menu);
    m_prefixAction = menu->addAction(tr("Choose Wine &Prefix..."));
    m_noPrefixAction = menu->addAction(tr("&Without Wine Prefix"));
    auto* choices = new QActionGroup(menu);
    for (QAction* action : { m_prefixAction, m_noPrefixAction }) {
        action->setCheckable(true);
        choices->addAction(action);
    }
    connect(m_prefixAction, &QAction::triggered, this, [this] {
        const QString current = Environment::winePrefix();
        // Prefixes are hidden folders (~/.wine): the dialog shows those too,
        // which the desktop's own dialogs do not by default.
        QFileDialog dialog(m_window, tr("Choose Wine Prefix"), current.isEmpty() ? QDir::homePath() : current);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOptions(
            QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks | QFileDialog::DontUseNativeDialog);
        dialog.setFilter(QDir::AllDirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::Drives);
        const QString folder = dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
        if (!folder.isEmpty())
            choosePrefix(folder);
        else
            showPrefix(); // the check goes back to the choice in use
    });
    connect(m_noPrefixAction, &QAction::triggered, this, [this] { choosePrefix(QString()); });
    showPrefix();
    const Application* application = Application::instance();
    if (application && !application->winePrefixError().isEmpty()) {
        const QString text = application->winePrefixError();
        QTimer::singleShot(0, this, [this, text] { warn(m_window, text); });
    }
}

void WinePrefixMenu::choosePrefix(const QString& folder)
{
    Application* application = Application::instance();
    QString error;
    if (application && !application->setWinePrefix(folder, &error))
        warn(m_window, error);
    showPrefix();
}

void WinePrefixMenu::showPrefix()
{
    const QString prefix = Environment::winePrefix();
    m_prefixAction->setChecked(!prefix.isEmpty());
    m_noPrefixAction->setChecked(prefix.isEmpty());
    m_window->setWindowTitle(
        // The program's name last, where the window system would put it, so that it is not shown twice.
        prefix.isEmpty() ? m_title : tr("Wine prefix %2 - %1").arg(m_title, QDir::toNativeSeparators(prefix)));
}
