#include "commands/ReportSummary.h"

#include "installer/InstallReport.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

namespace {

// A message lists at most this many files; the details hold them all.
constexpr int listedFilesLimit = 8;

QString fileLine(const InstallReport::FileResult& result)
{
    const QString where = result.path.isEmpty() ? result.source : QDir::toNativeSeparators(result.path);
    QString reason = InstallReport::describe(result.outcome);
    if (!result.detail.isEmpty())
        reason += QStringLiteral(", ") + result.detail;
    return where + QStringLiteral(" (") + reason + QLatin1Char(')');
}

// heading, then the lines, cut short where a package lists thousands of files.
QString section(const QString& heading, const QStringList& lines)
{
    if (lines.isEmpty())
        return QString();
    QStringList shown = lines.mid(0, listedFilesLimit);
    if (lines.size() > listedFilesLimit)
        shown << QCoreApplication::translate(
            "ReportSummary", "... and %n more", nullptr, lines.size() - listedFilesLimit);
    return QStringLiteral("\n\n") + heading + QLatin1Char('\n') + shown.join(QLatin1Char('\n'));
}

QString failedXmlSection(const InstallReport& report)
{
    QStringList failed;
    for (const InstallReport::XmlResult& result : report.xmlFiles()) {
        if (result.outcome != InstallReport::XmlOutcome::Failed)
            continue;
        QString line = QDir::toNativeSeparators(result.path);
        if (!result.detail.isEmpty())
            line += QStringLiteral(" (") + result.detail + QLatin1Char(')');
        failed << line;
    }
    return section(
        QCoreApplication::translate("ReportSummary", "These Dreamweaver files could not be edited:"), failed);
}

QString filesSection(
    const InstallReport& report, std::initializer_list<InstallReport::FileOutcome> failures, const QString& heading)
{
    QStringList lines;
    for (const InstallReport::FileResult& result : report.files()) {
        if (std::find(failures.begin(), failures.end(), result.outcome) != failures.end())
            lines << fileLine(result);
    }
    return section(heading, lines);
}

// An entry, where it goes, and the reason when there is one.
QString entryLine(const InstallReport::EntryResult& result)
{
    return InstallReport::describe(result.kind) + QLatin1Char(' ') + result.id + QStringLiteral(" in ") + result.target
        + QStringLiteral(" [") + result.locale + QLatin1Char(']')
        + (result.detail.isEmpty() ? QString() : QStringLiteral(" (") + result.detail + QLatin1Char(')'));
}

QString entriesSection(const InstallReport& report, InstallReport::EntryOutcome outcome, const QString& heading)
{
    QStringList lines;
    // Held const: a loop over the returned list itself would copy every row.
    const QList<InstallReport::EntryResult> entries = report.entries();
    for (const InstallReport::EntryResult& result : entries) {
        if (result.outcome == outcome)
            lines << entryLine(result);
    }
    return section(heading, lines);
}

} // namespace

QString ReportSummary::installProblems(const InstallReport& report)
{
    using Outcome = InstallReport::FileOutcome;
    return filesSection(report, { Outcome::MissingFromPackage, Outcome::RefusedDestination, Outcome::WriteFailed },
               report.isPlanned() ? QCoreApplication::translate("ReportSummary", "These files would not be installed:")
                                  : QCoreApplication::translate("ReportSummary", "These files were not installed:"))
        + failedXmlSection(report)
        + entriesSection(report, InstallReport::EntryOutcome::Refused,
            QCoreApplication::translate("ReportSummary", "These configuration entries were refused, and not added:"))
        + entriesSection(report, InstallReport::EntryOutcome::FileSkipped,
            QCoreApplication::translate("ReportSummary",
                "These configuration entries name a file that was not installed, and were not added:"));
}

QString ReportSummary::missingTargets(const InstallReport& report)
{
    return entriesSection(report, InstallReport::EntryOutcome::TargetMissing,
        QCoreApplication::translate("ReportSummary",
            "These configuration entries have no place to go into (their menu, category, element or file is not "
            "there):"));
}

QString ReportSummary::removalProblems(const InstallReport& report)
{
    // The failed edits first: they are why the stored manifest is kept.
    return failedXmlSection(report)
        + filesSection(report, { InstallReport::FileOutcome::RemoveFailed, InstallReport::FileOutcome::KeptUnfinished },
            QCoreApplication::translate("ReportSummary", "These files could not be deleted:"));
}
