#include "cli/LogCommand.h"

#include "cli/Console.h"
#include "commands/OperationLog.h"

#include <QDir>
#include <QJsonArray>

int LogCommand::execute(const QString&)
{
    const QList<OperationLog::Entry> entries = OperationLog::read();
    if (m_options.json) {
        QJsonArray array;
        for (const OperationLog::Entry& entry : entries)
            array.append(OperationLog::toJson(entry));
        Console::json(QJsonObject { { QStringLiteral("log"), QDir::toNativeSeparators(OperationLog::path()) },
            { QStringLiteral("entries"), array } });
        return Success;
    }
    if (entries.isEmpty()) {
        Console::out(QStringLiteral("The log is empty: nothing was installed, removed or updated yet (%1).")
                         .arg(QDir::toNativeSeparators(OperationLog::path())));
        return Success;
    }
    QStringList texts;
    for (const OperationLog::Entry& entry : entries)
        texts << OperationLog::toText(entry);
    Console::out(texts.join(QLatin1Char('\n')));
    return Success;
}

QString LogCommand::help() const
{
    return QStringLiteral(
               "Shows what every install, removal and update did, newest last: when, in which installation, to\n"
               "which extension, with what outcome, and the whole report. With --json, the entries as a list.\n"
               "The log is kept in Moravel's data folder, with one older log beside it.\n\n")
        + exitStatusHelp(QStringLiteral("the log was written, even an empty one"), QString(), false);
}
