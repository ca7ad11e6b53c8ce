#include "ui/InstalledListWatcher.h"

#include "discovery/DreamweaverInfo.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSet>

namespace {

// folder itself, or the nearest folder above it that exists; empty when none does.
QString nearestExisting(QString folder)
{
    while (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
        const QString parent = QFileInfo(folder).path();
        if (parent == folder)
            return QString();
        folder = parent;
    }
    return folder;
}

} // namespace

InstalledListWatcher::InstalledListWatcher(QObject* parent)
    : QObject(parent)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMs);
    connect(&m_settle, &QTimer::timeout, this, &InstalledListWatcher::changed);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle, QOverload<>::of(&QTimer::start));
    // Active again after another program had the focus; the program's own dialogs do not count.
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            m_settle.start();
    });
}

void InstalledListWatcher::watch(const DreamweaverInfo* dreamweaver)
{
    QSet<QString> wanted;
    if (dreamweaver) {
        for (const QString& locale : dreamweaver->locales()) {
            for (const QString& folder :
                { dreamweaver->extensionStoreFolder(locale), dreamweaver->otherProgramFolder(locale) }) {
                const QString existing = nearestExisting(QDir::cleanPath(folder));
                if (!existing.isEmpty())
                    wanted.insert(existing);
            }
        }
    }
    const QStringList current = m_watcher.directories();
    for (const QString& folder : current) {
        if (!wanted.contains(folder))
            m_watcher.removePath(folder);
    }
    for (const QString& folder : std::as_const(wanted)) {
        if (!current.contains(folder))
            m_watcher.addPath(folder);
    }
}
