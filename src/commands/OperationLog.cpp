#include "commands/OperationLog.h"

#include "platform/CappedFile.h"
#include "platform/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLockFile>
#include <QSaveFile>

namespace {

// A report of thousands of files is kept in part, so that one entry does not
// push every other out of the log.
constexpr int maximumReportLength = int(OperationLog::maximumSize / 4);

QList<OperationLog::Entry> entriesOf(const QString& path)
{
    QList<OperationLog::Entry> entries;
    QByteArray bytes;
    // A log that grew past the cap was not written by this program.
    if (!CappedFile::read(path, 2 * OperationLog::maximumSize, &bytes))
        return entries;
    for (const QByteArray& line : bytes.split('\n')) {
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (document.isObject())
            entries.append(OperationLog::fromJson(document.object()));
    }
    return entries;
}

} // namespace

QString OperationLog::path()
{
    return DataFolder::path() + QStringLiteral("/moravel.log");
}

QString OperationLog::oldPath()
{
    return DataFolder::path() + QStringLiteral("/moravel.log.1");
}

bool OperationLog::append(const Entry& entry, QString* error)
{
    const auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (!QDir().mkpath(DataFolder::path()))
        return fail(tr("the folder %1 cannot be made").arg(QDir::toNativeSeparators(DataFolder::path())));
    // Two programs writing at once would each rewrite the file without the other's entry.
    QLockFile lock(path() + QStringLiteral(".lock"));
    if (!lock.tryLock(10000))
        return fail(tr("another program keeps %1 locked").arg(QDir::toNativeSeparators(path())));

    Entry kept = entry;
    if (kept.report.size() > maximumReportLength)
        kept.report = kept.report.left(maximumReportLength) + QLatin1Char('\n') + tr("(the rest is left out)");
    const QByteArray line = QJsonDocument(toJson(kept)).toJson(QJsonDocument::Compact) + '\n';
    QByteArray bytes;
    const QFileInfo current(path());
    if (current.exists()) {
        if (current.size() + line.size() > maximumSize || !CappedFile::read(path(), maximumSize, &bytes)) {
            bytes.clear();
            QFile::remove(oldPath());
            if (!QFile::rename(path(), oldPath()))
                return fail(tr("%1 cannot be renamed to %2")
                                .arg(QDir::toNativeSeparators(path()), QDir::toNativeSeparators(oldPath())));
        } else if (!bytes.isEmpty() && !bytes.endsWith('\n')) {
            bytes += '\n';
        }
    }
    QSaveFile file(path());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes + line) != bytes.size() + line.size() || !file.commit())
        return fail(tr("%1 cannot be written: %2").arg(QDir::toNativeSeparators(path()), file.errorString()));
    return true;
}

QList<OperationLog::Entry> OperationLog::read()
{
    return entriesOf(oldPath()) + entriesOf(path());
}

QString OperationLog::toText(const Entry& entry)
{
    // Local time with its offset, so that a time read later elsewhere still says when it was.
    const QDateTime local = entry.time.toOffsetFromUtc(entry.time.toLocalTime().offsetFromUtc());
    QString text = local.toString(Qt::ISODate) + QStringLiteral("  ") + entry.operation + QStringLiteral("  ")
        + entry.installation + QStringLiteral("  ") + entry.extension + QStringLiteral("  ") + entry.outcome;
    for (const QString& line : entry.report.split(QLatin1Char('\n'))) {
        if (!line.isEmpty())
            text += QStringLiteral("\n    ") + line;
    }
    return text;
}

QJsonObject OperationLog::toJson(const Entry& entry)
{
    return QJsonObject { { QStringLiteral("time"), entry.time.toUTC().toString(Qt::ISODate) },
        { QStringLiteral("operation"), entry.operation }, { QStringLiteral("installation"), entry.installation },
        { QStringLiteral("extension"), entry.extension }, { QStringLiteral("outcome"), entry.outcome },
        { QStringLiteral("report"), entry.report } };
}

OperationLog::Entry OperationLog::fromJson(const QJsonObject& object)
{
    const auto text = [&object](const char* key) { return object.value(QLatin1String(key)).toString(); };
    return { QDateTime::fromString(text("time"), Qt::ISODate), text("operation"), text("installation"),
        text("extension"), text("outcome"), text("report") };
}
