#include "installer/InstallReport.h"

#include <QStringList>

#include <utility>

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

QString InstallReport::describe(FileOutcome outcome, bool planned)
{
    switch (outcome) {
    case FileOutcome::Written:
        return planned ? QStringLiteral("would write") : QStringLiteral("written");
    case FileOutcome::MissingFromPackage:
        return QStringLiteral("skipped: missing from the package");
    case FileOutcome::RefusedDestination:
        return QStringLiteral("skipped: refused destination");
    case FileOutcome::WriteFailed:
        return QStringLiteral("skipped: write failed");
    case FileOutcome::Removed:
        return planned ? QStringLiteral("would delete") : QStringLiteral("removed");
    case FileOutcome::NotPresent:
        return QStringLiteral("not present");
    case FileOutcome::KeptShared:
        return planned ? QStringLiteral("would keep: still listed by another extension")
                       : QStringLiteral("kept: still listed by another extension");
    case FileOutcome::RemoveFailed:
        return QStringLiteral("kept: could not be deleted");
    case FileOutcome::KeptUnfinished:
        return planned ? QStringLiteral("would keep: the removal would not finish")
                       : QStringLiteral("kept until a later removal finishes");
    case FileOutcome::KeptSystemFile:
        return planned ? QStringLiteral("would keep: a system file") : QStringLiteral("kept: a system file");
    }
    return QString();
}

QString InstallReport::describe(XmlOutcome outcome, bool planned)
{
    switch (outcome) {
    case XmlOutcome::Edited:
        return planned ? QStringLiteral("would edit") : QStringLiteral("edited");
    case XmlOutcome::Unchanged:
        return planned ? QStringLiteral("would leave unchanged") : QStringLiteral("left unchanged");
    case XmlOutcome::Failed:
        return QStringLiteral("failed");
    }
    return QString();
}

QString InstallReport::describe(EntryOutcome outcome, bool planned)
{
    switch (outcome) {
    case EntryOutcome::Added:
        return planned ? QStringLiteral("would add") : QStringLiteral("added");
    case EntryOutcome::AlreadyPresent:
        return QStringLiteral("already present");
    case EntryOutcome::TargetMissing:
        return QStringLiteral("skipped: target not found");
    case EntryOutcome::Removed:
        return planned ? QStringLiteral("would remove") : QStringLiteral("removed");
    case EntryOutcome::NotPresent:
        return QStringLiteral("not present");
    case EntryOutcome::KeptHoldsElements:
        return planned ? QStringLiteral("would keep: holds other elements")
                       : QStringLiteral("kept: holds other elements");
    case EntryOutcome::Refused:
        return QStringLiteral("refused");
    case EntryOutcome::FileSkipped:
        return planned ? QStringLiteral("would skip: its file would not be installed")
                       : QStringLiteral("skipped: its file was not installed");
    }
    return QString();
}

QString InstallReport::describe(EntryKind kind)
{
    switch (kind) {
    case EntryKind::MenuEntry:
        return QStringLiteral("menu entry");
    case EntryKind::InsertbarButton:
        return QStringLiteral("Insert-bar button");
    case EntryKind::Shortcut:
        return QStringLiteral("shortcut");
    case EntryKind::InsertbarCategory:
        return QStringLiteral("Insert-bar category");
    case EntryKind::TagLibrary:
        return QStringLiteral("tag library");
    case EntryKind::DocumentType:
        return QStringLiteral("document type");
    case EntryKind::Toolbar:
        return QStringLiteral("toolbar");
    case EntryKind::ToolbarItem:
        return QStringLiteral("toolbar item");
    case EntryKind::ServerMenuEntry:
        return QStringLiteral("server model menu entry");
    case EntryKind::ExtensionLine:
        return QStringLiteral("Extensions.txt line");
    case EntryKind::FtpMapLine:
        return QStringLiteral("FTP map line");
    }
    return QString();
}

void InstallReport::addEntries(QList<EntryResult>&& results)
{
    for (EntryResult& result : results) {
        m_entries.append(std::move(result));
    }
}

QString InstallReport::toText() const
{
    const auto detailOf = [](const QString& detail) {
        return detail.isEmpty() ? QString() : QStringLiteral(" (") + detail + QLatin1Char(')');
    };
    QStringList lines;
    if (!m_error.isEmpty()) {
        lines << QStringLiteral("stopped: ") + m_error;
    }
    for (const FileResult& result : m_files) {
        lines << describe(result.outcome, m_planned) + QStringLiteral(": ")
                + (result.path.isEmpty() ? result.source : result.path) + detailOf(result.detail);
    }
    for (const XmlResult& result : m_xmlFiles) {
        lines << result.path + QStringLiteral(": ") + describe(result.outcome, m_planned) + detailOf(result.detail);
    }
    for (const EntryResult& result : m_entries) {
        lines << describe(result.outcome, m_planned) + detailOf(result.detail) + QStringLiteral(": ")
                + describe(result.kind) + QLatin1Char(' ') + result.id
                + (result.target.isEmpty() ? QString() : QStringLiteral(" in ") + result.target) + QStringLiteral(" (")
                + result.path + QLatin1Char(')');
    }
    return lines.join(QLatin1Char('\n'));
}
