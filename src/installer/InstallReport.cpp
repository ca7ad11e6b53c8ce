#include "installer/InstallReport.h"

#include <QStringList>

void InstallReport::clear()
{
    m_files.clear();
    m_xmlFiles.clear();
    m_error.clear();
}

int InstallReport::fileCount(FileOutcome outcome) const
{
    int count = 0;
    for (const FileResult& result : m_files) {
        if (result.outcome == outcome) {
            ++count;
        }
    }
    return count;
}

QString InstallReport::describe(FileOutcome outcome)
{
    switch (outcome) {
    case FileOutcome::Written:
        return QStringLiteral("written");
    case FileOutcome::MissingFromPackage:
        return QStringLiteral("skipped: missing from the package");
    case FileOutcome::RefusedDestination:
        return QStringLiteral("skipped: refused destination");
    case FileOutcome::WriteFailed:
        return QStringLiteral("skipped: write failed");
    case FileOutcome::Removed:
        return QStringLiteral("removed");
    case FileOutcome::NotPresent:
        return QStringLiteral("not present");
    case FileOutcome::KeptShared:
        return QStringLiteral("kept: still listed by another extension");
    case FileOutcome::RemoveFailed:
        return QStringLiteral("kept: could not be deleted");
    }
    return QString();
}

QString InstallReport::describe(XmlOutcome outcome)
{
    switch (outcome) {
    case XmlOutcome::Edited:
        return QStringLiteral("edited");
    case XmlOutcome::Unchanged:
        return QStringLiteral("left unchanged");
    case XmlOutcome::Failed:
        return QStringLiteral("failed");
    }
    return QString();
}

QString InstallReport::toText() const
{
    QStringList lines;
    if (!m_error.isEmpty()) {
        lines << QStringLiteral("stopped: ") + m_error;
    }
    for (const FileResult& result : m_files) {
        QString line
            = describe(result.outcome) + QStringLiteral(": ") + (result.path.isEmpty() ? result.source : result.path);
        if (!result.detail.isEmpty()) {
            line += QStringLiteral(" (") + result.detail + QLatin1Char(')');
        }
        lines << line;
    }
    for (const XmlResult& result : m_xmlFiles) {
        QString line = result.path + QStringLiteral(": ") + describe(result.outcome);
        if (!result.detail.isEmpty()) {
            line += QStringLiteral(" (") + result.detail + QLatin1Char(')');
        }
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}
