#include "ui/WindowMemory.h"

#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QMainWindow>
#include <QSettings>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>

namespace {

const QString organization = QStringLiteral("Velkor");
const QString application = QStringLiteral("Moravel");

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
    const QSettings remembered(organization, application);
    m_widgets.window->restoreGeometry(remembered.value(geometryKey).toByteArray());
    m_widgets.splitter->restoreState(remembered.value(splitterKey).toByteArray());
    const int tab = remembered.value(tabKey, 0).toInt();
    if (tab >= 0 && tab < m_widgets.tabs->count())
        m_widgets.tabs->setCurrentIndex(tab);
    for (QTableView* table : { m_widgets.installed, m_widgets.store }) {
        // "column order": a sort the buttons' column never has.
        const QStringList sort = remembered.value(sortKey(table)).toString().split(QLatin1Char(' '));
        bool known = false;
        const int column = sort.value(0).toInt(&known);
        if (known && column >= 0 && column < table->model()->columnCount() - 1)
            table->sortByColumn(
                column, sort.value(1) == QLatin1String("descending") ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
}

bool WindowMemory::restoreInstallation()
{
    const QSettings remembered(organization, application);
    const int index = m_widgets.installations->findText(remembered.value(installationKey).toString());
    if (index < 0)
        return false;
    m_widgets.installations->setCurrentIndex(index);
    return true;
}

void WindowMemory::save()
{
    QSettings remembered(organization, application);
    remembered.setValue(geometryKey, m_widgets.window->saveGeometry());
    remembered.setValue(splitterKey, m_widgets.splitter->saveState());
    remembered.setValue(tabKey, m_widgets.tabs->currentIndex());
    if (m_widgets.installations->currentIndex() >= 0)
        remembered.setValue(installationKey, m_widgets.installations->currentText());
    for (const QTableView* table : { m_widgets.installed, m_widgets.store }) {
        const QHeaderView* header = table->horizontalHeader();
        remembered.setValue(sortKey(table),
            QStringLiteral("%1 %2")
                .arg(header->sortIndicatorSection())
                .arg(header->sortIndicatorOrder() == Qt::DescendingOrder ? QStringLiteral("descending")
                                                                         : QStringLiteral("ascending")));
    }
}

QString WindowMemory::lastFolder() const
{
    const QString folder = QSettings(organization, application).value(folderKey).toString();
    return QDir(folder).exists() ? folder : QString();
}

void WindowMemory::setLastFolder(const QString& folder)
{
    QSettings(organization, application).setValue(folderKey, folder);
}
