#include "ui/WindowMemory.h"

#include "app/Application.h"

#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QMainWindow>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>

namespace {


const QString geometryKey = QStringLiteral("window/geometry");
const QString splitterKey = QStringLiteral("window/splitter");
const QString tabKey = QStringLiteral("window/tab");
// Shared with the open-files question, which remembers its choice at once.
const QString installationKey = QStringLiteral("installation");
const QString folderKey = QStringLiteral("window/packageFolder");

QString sortKey(const QTableView* table)
{
    return QStringLiteral("window/sort/") + table->objectName();
}

} // namespace

WindowMemory::WindowMemory(const Widgets& widgets)
    : QObject(widgets.window)
    , m_widgets(widgets)
{
}

void WindowMemory::restore()
{
    m_widgets.window->restoreGeometry(Application::setting(geometryKey).toByteArray());
    m_widgets.splitter->restoreState(Application::setting(splitterKey).toByteArray());
    const int tab = Application::setting(tabKey).toInt();
    if (tab >= 0 && tab < m_widgets.tabs->count())
        m_widgets.tabs->setCurrentIndex(tab);
    for (QTableView* table : { m_widgets.installed, m_widgets.store }) {
        // "column order": a sort the buttons' column never has.
        const QStringList sort = Application::setting(sortKey(table)).toString().split(QLatin1Char(' '));
        bool known = false;
        const int column = sort.value(0).toInt(&known);
        if (known && column >= 0 && column < table->model()->columnCount() - 1)
            table->sortByColumn(
                column, sort.value(1) == QLatin1String("descending") ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
}

bool WindowMemory::restoreInstallation()
{
    const int index = m_widgets.installations->findText(Application::setting(installationKey).toString());
    if (index < 0)
        return false;
    m_widgets.installations->setCurrentIndex(index);
    return true;
}

void WindowMemory::save()
{
    Application::setSetting(geometryKey, m_widgets.window->saveGeometry());
    Application::setSetting(splitterKey, m_widgets.splitter->saveState());
    Application::setSetting(tabKey, m_widgets.tabs->currentIndex());
    if (m_widgets.installations->currentIndex() >= 0)
        Application::setSetting(installationKey, m_widgets.installations->currentText());
    for (const QTableView* table : { m_widgets.installed, m_widgets.store }) {
        const QHeaderView* header = table->horizontalHeader();
        Application::setSetting(sortKey(table),
            QStringLiteral("%1 %2")
                .arg(header->sortIndicatorSection())
                .arg(header->sortIndicatorOrder() == Qt::DescendingOrder ? QStringLiteral("descending")
                                                                         : QStringLiteral("ascending")));
    }
}

QString WindowMemory::lastFolder() const
{
    const QString folder = Application::setting(folderKey).toString();
    return QDir(folder).exists() ? folder : QString();
}

void WindowMemory::setLastFolder(const QString& folder)
{
    Application::setSetting(folderKey, folder);
}
